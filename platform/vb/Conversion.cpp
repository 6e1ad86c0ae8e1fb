#include "platform/vb/Conversion.h"

#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <charconv>
#include <cmath>
#include <string>

namespace vb {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\n') || c == QChar(0x00A0);
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int hexValue(QChar c)
{
    if (isDigit(c)) return c.unicode() - '0';
    const char16_t u = c.toUpper().unicode();
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Converts plain ASCII "digits[.digits][e[+-]digits]" with the C locale.
double toDoubleC(const std::string& text)
{
    double d = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), d);
    if (res.ec == std::errc::result_out_of_range) {
        // from_chars leaves d untouched on range errors: tell tiny from huge.
        const auto e = text.find_first_of("eE");
        const bool negExp = e != std::string::npos && e + 1 < text.size() && text[e + 1] == '-';
        return negExp ? 0.0 : HUGE_VAL;
    }
    return d;
}

// "&H..." or "&O..." (or "&..." octal) from position i; digits only up to end.
bool parseRadix(const QString& s, int& i, int end, unsigned long long& value, bool lenient)
{
    if (i >= end || s[i] != QLatin1Char('&')) return false;
    int j = i + 1;
    int radix = 8;
    if (j < end && (s[j] == QLatin1Char('H') || s[j] == QLatin1Char('h'))) {
        radix = 16;
        ++j;
    } else if (j < end && (s[j] == QLatin1Char('O') || s[j] == QLatin1Char('o'))) {
        ++j;
    }
    value = 0;
    int digits = 0;
    while (j < end) {
        if (lenient && isBlank(s[j])) {
            ++j;
            continue;
        }
        const int v = hexValue(s[j]);
        if (v < 0 || v >= radix) break;
        value = value * radix + static_cast<unsigned>(v);
        ++digits;
        ++j;
    }
    if (digits == 0) return false;
    i = j;
    return true;
}

// The number itself from i on: digits (thousands separators anywhere in
// the whole part), a fraction and an exponent, as num for the C reader.
// False when it has no digit, or its exponent none.
bool readNumber(const QString& s, int& i, int end, std::string& num)
{
    int digits = 0;
    while (i < end) {
        const QChar c = s[i];
        if (isDigit(c)) {
            num += static_cast<char>(c.unicode());
            ++digits;
        } else if (c == QLatin1Char(',') && digits > 0) {
            // Thousands separators are accepted anywhere in the whole part.
        } else {
            break;
        }
        ++i;
    }
    if (i < end && s[i] == QLatin1Char('.')) {
        num += '.';
        ++i;
        while (i < end && isDigit(s[i])) {
            num += static_cast<char>(s[i].unicode());
            ++digits;
            ++i;
        }
    }
    if (digits == 0) return false;
    if (i < end && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        std::string e = "e";
        int j = i + 1;
        if (j < end && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            e += static_cast<char>(s[j++].unicode());
        int ed = 0;
        while (j < end && isDigit(s[j])) {
            e += static_cast<char>(s[j++].unicode());
            ++ed;
        }
        if (ed == 0) return false;
        num += e;
        i = j;
    }
    return true;
}

} // namespace

bool ParseNumber(const QString& s, double& out)
{
    int i = 0;
    int end = s.size();
    while (i < end && isBlank(s[i]))
        ++i;
    while (end > i && isBlank(s[end - 1]))
        --end;
    if (i >= end) return false;

    if (s[i] == QLatin1Char('&')) {
        unsigned long long v = 0;
        int j = i;
        if (!parseRadix(s, j, end, v, false) || j != end) return false;
        out = static_cast<double>(v);
        return true;
    }

    bool neg = false, sign = false, paren = false, currency = false;
    // Prefix: "$", a sign and "(" in any order, each once, blanks between.
    for (;;) {
        const QChar c = s[i];
        if (c == QLatin1Char('$') && !currency) {
            currency = true;
        } else if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && !sign && !paren) {
            sign = true;
            neg = c == QLatin1Char('-');
        } else if (c == QLatin1Char('(') && !paren && !sign) {
            paren = true;
        } else {
            break;
        }
        ++i;
        while (i < end && isBlank(s[i]))
            ++i;
        if (i >= end) return false;
    }

    std::string num;
    if (!readNumber(s, i, end, num)) return false;
    // Suffix: a trailing sign when none led, a "$" when none led, ")".
    while (i < end && isBlank(s[i]))
        ++i;
    if (i < end && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')) && !sign && !paren) {
        sign = true;
        neg = s[i] == QLatin1Char('-');
        ++i;
        while (i < end && isBlank(s[i]))
            ++i;
    }
    if (i < end && s[i] == QLatin1Char('$') && !currency) {
        ++i;
        while (i < end && isBlank(s[i]))
            ++i;
    }
    if (paren) {
        if (i >= end || s[i] != QLatin1Char(')')) return false;
        ++i;
        neg = true;
    }
    if (i != end) return false;
    if (num.front() == '.') num.insert(num.begin(), '0');
    const double d = toDoubleC(num);
    out = neg ? -d : d;
    return true;
}

QString NumberToString(double v, int digits)
{
    if (v == 0.0) return QStringLiteral("0");
    if (std::isnan(v)) return QStringLiteral("NaN");
    if (std::isinf(v)) return v > 0 ? QStringLiteral("1.#INF") : QStringLiteral("-1.#INF");
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    QString s = QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
    s.replace(QLatin1Char('e'), QLatin1Char('E'));
    return s;
}

double Val(const QString& s)
{
    const int end = s.size();
    int i = 0;
    while (i < end && isBlank(s[i]))
        ++i;
    if (i < end && s[i] == QLatin1Char('&')) {
        unsigned long long v = 0;
        if (!parseRadix(s, i, end, v, true)) return 0.0;
        // Hex and octal literals are Integers when they fit 16 bits and Longs
        // when they fit 32, so the top bit is the sign.
        if (v <= 0xFFFFULL)
            return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(v)));
        if (v <= 0xFFFFFFFFULL)
            return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
        return static_cast<double>(v);
    }

    bool neg = false;
    if (i < end && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        neg = s[i] == QLatin1Char('-');
        ++i;
    }
    std::string num;
    bool dot = false;
    int digits = 0;
    for (; i < end; ++i) {
        const QChar c = s[i];
        if (isBlank(c)) continue;
        if (isDigit(c)) {
            num += static_cast<char>(c.unicode());
            ++digits;
        } else if (c == QLatin1Char('.') && !dot) {
            num += '.';
            dot = true;
        } else {
            break;
        }
    }
    if (digits == 0) return 0.0;
    if (i < end && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E') || s[i] == QLatin1Char('d') ||
                    s[i] == QLatin1Char('D'))) {
        std::string e = "e";
        int j = i + 1;
        while (j < end && isBlank(s[j]))
            ++j;
        if (j < end && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            e += static_cast<char>(s[j++].unicode());
        int ed = 0;
        for (; j < end; ++j) {
            if (isBlank(s[j])) continue;
            if (!isDigit(s[j])) break;
            e += static_cast<char>(s[j].unicode());
            ++ed;
        }
        if (ed > 0) num += e;
    }
    if (num.front() == '.') num.insert(num.begin(), '0');
    if (num.back() == '.') num.pop_back();
    const double d = toDoubleC(num);
    if (std::isinf(d)) Raise(errnum::Overflow);
    return neg ? -d : d;
}

std::int32_t CLng(const Variant& v)
{
    return v.toLong();
}

std::int16_t CInt(const Variant& v)
{
    return v.toInteger();
}

std::int64_t CLngLng(const Variant& v)
{
    return v.toLongLong();
}

double CDbl(const Variant& v)
{
    return v.toDouble();
}

QString CStr(const Variant& v)
{
    return v.toString();
}

bool CBool(const Variant& v)
{
    return v.toBool();
}

double CDate(const Variant& v)
{
    return v.toDate();
}

Variant CVDate(const Variant& v)
{
    return Variant::fromDate(v.toDate());
}

bool IsNumeric(const Variant& v)
{
    switch (v.type()) {
    case VarType::Empty:
        return true; // Empty reads as 0
    case VarType::Null:
    case VarType::Date:
        return false;
    case VarType::String: {
        double d = 0;
        return ParseNumber(v.rawString(), d);
    }
    default:
        return v.isNumeric();
    }
}

bool IsDate(const Variant& v)
{
    if (v.type() == VarType::Date) return true;
    if (!v.isString()) return false;
    double d = 0;
    return ParseDate(v.rawString(), d);
}

bool IsNull(const Variant& v)
{
    return v.isNull();
}

bool IsEmpty(const Variant& v)
{
    return v.isEmpty();
}

} // namespace vb
