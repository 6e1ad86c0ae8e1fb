#include "platform/vb/Format.h"

#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace vb {

namespace {

// ---------------------------------------------------------------- masks --

// Splits a mask into sections at ";" outside quotes and escapes.
QStringList sections(const QString& mask)
{
    QStringList out;
    QString cur;
    bool quoted = false;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('\\') && i + 1 < mask.size()) {
            cur += c;
            cur += mask[++i];
            continue;
        } else if (!quoted && c == QLatin1Char(';')) {
            out << cur;
            cur.clear();
            continue;
        }
        cur += c;
    }
    out << cur;
    return out;
}

enum class MaskKind { Number, Date, Text };

MaskKind classify(const QString& section)
{
    bool date = false, text = false;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == QLatin1Char('"')) {
            const qsizetype end = section.indexOf(QLatin1Char('"'), i + 1);
            i = end < 0 ? section.size() : end;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) return MaskKind::Number;
        const char16_t l = c.toLower().unicode();
        if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 'n' || l == 's' || l == 'w' || l == 'q' ||
            l == 'c' || l == 't' || l == '/' || l == ':' ||
            (l == 'a' && (section.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0 ||
                          section.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0 ||
                          section.mid(i, 4).compare(QLatin1String("AMPM"), Qt::CaseInsensitive) == 0)))
            date = true;
        if (l == '@' || l == '&' || l == '<' || l == '>' || l == '!') text = true;
    }
    if (date) return MaskKind::Date;
    if (text) return MaskKind::Text;
    return MaskKind::Number;
}

// The literal text of a section: quotes removed, escapes resolved.
QString literalText(const QString& section)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('\\') && i + 1 < section.size())
            out += section[++i];
        else
            out += c;
    }
    return out;
}

// ------------------------------------------------------------- numbers --

// A decimal number: the digits, with the decimal point after intCount of
// them (intCount may be negative or beyond the digits).
struct Decimal {
    std::string digits;
    int intCount = 0;
};

Decimal decimalOf(double v)
{
    Decimal d;
    v = std::fabs(v);
    if (v == 0.0) {
        d.digits = "0";
        d.intCount = 1;
        return d;
    }
    // Fifteen significant digits, as VB itself sees a Double: 12.345 is
    // 12.345 here, not 12.3449999...
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    const std::string s(buf, res.ptr);
    const auto e = s.find('e');
    for (size_t i = 0; i < e; ++i)
        if (s[i] != '.') d.digits += s[i];
    d.intCount = std::stoi(s.substr(e + 1)) + 1;
    return d;
}

Decimal decimalOf(std::int64_t v)
{
    Decimal d;
    const unsigned long long a =
        v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    d.digits = std::to_string(a);
    d.intCount = static_cast<int>(d.digits.size());
    return d;
}

// Rounds half away from zero to `decimals` places and returns the whole
// part without leading zeros ("" for zero) and exactly `decimals` fraction digits.
void roundDecimal(const Decimal& d, int decimals, std::string& whole, std::string& frac)
{
    std::string digits = d.digits;
    int intCount = d.intCount;
    const int keep = intCount + decimals;
    if (keep < 0) {
        digits = "0";
        intCount = 1;
    } else if (keep < static_cast<int>(digits.size())) {
        const bool up = digits[keep] >= '5';
        digits.resize(keep);
        if (up) {
            int i = keep - 1;
            for (; i >= 0; --i) {
                if (digits[i] == '9') {
                    digits[i] = '0';
                } else {
                    ++digits[i];
                    break;
                }
            }
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++intCount;
            }
        }
    }
    // Lay the digits out around the point.
    if (intCount <= 0) {
        digits.insert(0, static_cast<size_t>(-intCount), '0');
        intCount = 0;
    }
    const int total = intCount + decimals;
    if (static_cast<int>(digits.size()) < total) digits.append(total - digits.size(), '0');
    whole = digits.substr(0, intCount);
    frac = digits.substr(intCount, decimals);
    const auto nz = whole.find_first_not_of('0');
    whole = nz == std::string::npos ? std::string() : whole.substr(nz);
}

struct NumItem {
    enum Kind { Literal, Zero, Hash, Point, Comma, Percent, Exp } kind;
    QString text;
};

std::vector<NumItem> tokenizeNumber(const QString& section)
{
    std::vector<NumItem> items;
    bool point = false, exp = false;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == QLatin1Char('"')) {
            qsizetype end = section.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0) end = section.size();
            items.push_back({NumItem::Literal, section.mid(i + 1, end - i - 1)});
            i = end;
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 < section.size()) items.push_back({NumItem::Literal, QString(section[++i])});
        } else if (c == QLatin1Char('0')) {
            items.push_back({NumItem::Zero, {}});
        } else if (c == QLatin1Char('#')) {
            items.push_back({NumItem::Hash, {}});
        } else if (c == QLatin1Char('.') && !point && !exp) {
            point = true;
            items.push_back({NumItem::Point, {}});
        } else if (c == QLatin1Char(',') && !exp) {
            items.push_back({NumItem::Comma, {}});
        } else if (c == QLatin1Char('%')) {
            items.push_back({NumItem::Percent, {}});
        } else if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && !exp && i + 1 < section.size() &&
                   (section[i + 1] == QLatin1Char('+') || section[i + 1] == QLatin1Char('-'))) {
            exp = true;
            items.push_back({NumItem::Exp, section.mid(i, 2)});
            ++i;
        } else {
            items.push_back({NumItem::Literal, QString(c)});
        }
    }
    return items;
}

bool isDigitItem(const NumItem& it)
{
    return it.kind == NumItem::Zero || it.kind == NumItem::Hash;
}

// Where the parts of a number section lie and what its placeholders ask for.
struct SectionLayout {
    size_t n;         // items
    size_t pointAt;   // the point, or n
    size_t expAt;     // the exponent, or n
    size_t intEnd;    // end of the whole part
    size_t fracBegin; // the fraction's items
    size_t fracEnd;
    int intPlaces; // whole-number placeholders
    int firstZero; // the first "0" among them, or -1
    bool grouping; // a comma between them
    int scale;     // commas after them: thousands the value is divided by
    int decimals;
    int minDecimals;
    int expPlaces;
    int expMin;
    int percents;
};

SectionLayout layoutOf(const std::vector<NumItem>& items)
{
    const size_t n = items.size();
    size_t pointAt = n, expAt = n;
    for (size_t i = 0; i < n; ++i) {
        if (items[i].kind == NumItem::Point && pointAt == n) pointAt = i;
        if (items[i].kind == NumItem::Exp && expAt == n) expAt = i;
    }
    const size_t intEnd = std::min(pointAt, expAt);
    const size_t fracBegin = pointAt < expAt ? pointAt + 1 : intEnd;
    const size_t fracEnd = expAt;

    // Integer placeholders, grouping and scaling commas.
    int intPlaces = 0, firstZero = -1;
    size_t lastIntDigit = n;
    for (size_t i = 0; i < intEnd; ++i) {
        if (isDigitItem(items[i])) {
            if (items[i].kind == NumItem::Zero && firstZero < 0) firstZero = intPlaces;
            ++intPlaces;
            lastIntDigit = i;
        }
    }
    bool grouping = false;
    int scale = 0;
    bool seenDigit = false;
    for (size_t i = 0; i < intEnd; ++i) {
        if (isDigitItem(items[i]))
            seenDigit = true;
        else if (items[i].kind == NumItem::Comma && seenDigit) {
            if (lastIntDigit != n && i < lastIntDigit)
                grouping = true;
            else
                ++scale;
        }
    }
    int decimals = 0, minDecimals = 0, expPlaces = 0, expMin = 0, percents = 0;
    for (size_t i = fracBegin; i < fracEnd; ++i) {
        if (isDigitItem(items[i])) {
            ++decimals;
            if (items[i].kind == NumItem::Zero) minDecimals = decimals;
        }
    }
    for (size_t i = expAt; i < n; ++i) {
        if (isDigitItem(items[i])) {
            ++expPlaces;
            if (items[i].kind == NumItem::Zero) ++expMin;
        }
    }
    for (const NumItem& it : items)
        if (it.kind == NumItem::Percent) ++percents;
    return {n,        pointAt, expAt,    intEnd,      fracBegin, fracEnd, intPlaces, firstZero,
            grouping, scale,   decimals, minDecimals, expPlaces, expMin,  percents};
}

// The digits |value| shows in a section of layout l: its whole part, its
// fraction without the zeros no "0" asks for, and its exponent.
void roundToLayout(const SectionLayout& l, double value, bool isInteger, std::int64_t intValue,
                   std::string& whole, std::string& frac, int& exponent)
{
    const size_t n = l.n, expAt = l.expAt;
    const int intPlaces = l.intPlaces, scale = l.scale, decimals = l.decimals, minDecimals = l.minDecimals,
              percents = l.percents;
    Decimal dec;
    if (isInteger && scale == 0)
        dec = decimalOf(intValue);
    else
        dec = decimalOf(value / std::pow(1000.0, scale));
    if (!(dec.digits == "0")) dec.intCount += 2 * percents;

    if (expAt != n) {
        const int k = std::max(1, intPlaces);
        const bool zero = dec.digits.find_first_not_of('0') == std::string::npos;
        if (!zero) {
            exponent = dec.intCount - k;
            dec.intCount = k;
        }
        roundDecimal(dec, decimals, whole, frac);
        if (static_cast<int>(whole.size()) > k) {
            // Rounding carried into a new digit: 9.99E+00 became 10.0E+00.
            ++exponent;
            Decimal again{whole + frac, k};
            roundDecimal(again, decimals, whole, frac);
        }
    } else {
        roundDecimal(dec, decimals, whole, frac);
    }
    while (static_cast<int>(frac.size()) > minDecimals && frac.back() == '0')
        frac.pop_back();
}

// Appends the whole part of the digits to out, placed by the section's items.
void appendWhole(QString& out, const std::vector<NumItem>& items, const SectionLayout& l, std::string whole)
{
    const size_t intEnd = l.intEnd;
    const int intPlaces = l.intPlaces, firstZero = l.firstZero;
    const bool grouping = l.grouping;
    // Whole part: pad to the placeholders from the first "0", then hand the
    // digits out right to left; the leftmost placeholder takes any extra.
    const int minDigits = firstZero < 0 ? 0 : intPlaces - firstZero;
    if (static_cast<int>(whole.size()) < minDigits) whole.insert(0, minDigits - whole.size(), '0');
    std::vector<std::string> perPlace(intPlaces);
    {
        int pos = static_cast<int>(whole.size());
        for (int p = intPlaces - 1; p >= 0 && pos > 0; --p) {
            if (p == 0) {
                perPlace[0] = whole.substr(0, pos);
                pos = 0;
            } else {
                perPlace[p] = whole.substr(pos - 1, 1);
                --pos;
            }
        }
    }
    const int total = static_cast<int>(whole.size());
    int emitted = 0;
    auto emitDigits = [&](const std::string& ds) {
        for (char ch : ds) {
            out += QLatin1Char(ch);
            ++emitted;
            const int right = total - emitted;
            if (grouping && right > 0 && right % 3 == 0) out += QLatin1Char(',');
        }
    };
    // Without whole-number placeholders the digits still show, ahead of a
    // "%" or the point: Format(5, "%") is "500%".
    size_t bareDigitsAt = intEnd;
    if (intPlaces == 0) {
        for (size_t i = 0; i < intEnd; ++i) {
            if (items[i].kind == NumItem::Percent) {
                bareDigitsAt = i;
                break;
            }
        }
    }
    int place = 0;
    for (size_t i = 0; i < intEnd; ++i) {
        const NumItem& it = items[i];
        if (intPlaces == 0 && i == bareDigitsAt) emitDigits(whole);
        if (isDigitItem(it))
            emitDigits(perPlace[place++]);
        else if (it.kind == NumItem::Literal)
            out += it.text;
        else if (it.kind == NumItem::Percent)
            out += QLatin1Char('%');
    }
    if (intPlaces == 0 && bareDigitsAt == intEnd) emitDigits(whole);
}

// Appends the exponent: its letter, its sign, its digits as the "0"s ask.
void appendExponent(QString& out, const std::vector<NumItem>& items, const SectionLayout& l, int exponent)
{
    const size_t n = l.n, expAt = l.expAt;
    const int expPlaces = l.expPlaces, expMin = l.expMin;
    out += items[expAt].text[0];
    if (exponent < 0)
        out += QLatin1Char('-');
    else if (items[expAt].text[1] == QLatin1Char('+'))
        out += QLatin1Char('+');
    QString ed = QString::number(std::abs(exponent));
    if (ed.size() < expMin) ed = QString(expMin - ed.size(), QLatin1Char('0')) + ed;
    if (exponent == 0 && expMin == 0 && expPlaces > 0) ed.clear();
    bool expDigitsDone = false;
    for (size_t i = expAt + 1; i < n; ++i) {
        const NumItem& it = items[i];
        if (isDigitItem(it)) {
            if (!expDigitsDone) out += ed;
            expDigitsDone = true;
        } else if (it.kind == NumItem::Literal) {
            out += it.text;
        } else if (it.kind == NumItem::Percent) {
            out += QLatin1Char('%');
        }
    }
}

// Formats |value| with one section; sets `nonZero` when a digit shown is not 0.
QString formatNumberSection(const QString& section, double value, bool isInteger, std::int64_t intValue,
                            bool& nonZero)
{
    const std::vector<NumItem> items = tokenizeNumber(section);
    const SectionLayout l = layoutOf(items);
    const size_t n = l.n, pointAt = l.pointAt, expAt = l.expAt, fracBegin = l.fracBegin, fracEnd = l.fracEnd;
    std::string whole, frac;
    int exponent = 0;
    roundToLayout(l, value, isInteger, intValue, whole, frac, exponent);
    nonZero =
        whole.find_first_not_of('0') != std::string::npos || frac.find_first_not_of('0') != std::string::npos;

    QString out;
    appendWhole(out, items, l, whole);
    if (pointAt < expAt) out += QLatin1Char('.');
    int fi = 0;
    for (size_t i = fracBegin; i < fracEnd; ++i) {
        const NumItem& it = items[i];
        if (isDigitItem(it)) {
            if (fi < static_cast<int>(frac.size())) out += QLatin1Char(frac[fi]);
            ++fi;
        } else if (it.kind == NumItem::Literal) {
            out += it.text;
        } else if (it.kind == NumItem::Percent) {
            out += QLatin1Char('%');
        }
    }
    if (expAt != n) appendExponent(out, items, l, exponent);
    return out;
}

QString formatNumber(const QString& mask, double value, bool isInteger, std::int64_t intValue)
{
    const QStringList secs = sections(mask);
    const bool negative = isInteger ? intValue < 0 : value < 0;
    const bool zero = isInteger ? intValue == 0 : value == 0.0;
    bool nonZero = false;
    if (negative && secs.size() >= 2 && !secs[1].isEmpty())
        return formatNumberSection(secs[1], std::fabs(value), isInteger, intValue, nonZero);
    if (zero && secs.size() >= 3 && !secs[2].isEmpty())
        return formatNumberSection(secs[2], 0.0, isInteger, 0, nonZero);
    const QString body = formatNumberSection(secs[0], std::fabs(value), isInteger, intValue, nonZero);
    // A value that rounds to nothing but zeros shows no sign.
    return negative && nonZero ? QLatin1Char('-') + body : body;
}

// --------------------------------------------------------------- dates --

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

QString two(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

struct DateParts {
    QDate d;
    int h, n, s;
    double oa;
};

// Is there an AM/PM marker anywhere? Then hours are on a 12-hour clock.
bool onTwelveHourClock(const QString& section)
{
    for (qsizetype i = 0; i < section.size(); ++i) {
        if (section[i] == QLatin1Char('"')) {
            const qsizetype end = section.indexOf(QLatin1Char('"'), i + 1);
            i = end < 0 ? section.size() : end;
        } else if (section[i] == QLatin1Char('\\')) {
            ++i;
        } else if (section.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0 ||
                   section.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0 ||
                   section.mid(i, 4).compare(QLatin1String("AMPM"), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// An AM/PM, A/P or AMPM marker at i: appends what it shows and gives its
// length, or 0 when there is none.
qsizetype appendAmPm(QString& out, const QString& section, qsizetype i, bool pm)
{
    const QChar c = section[i];
    if (c == QLatin1Char('A') || c == QLatin1Char('a')) {
        if (section.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            const bool upper = section[i].isUpper();
            const QString t = pm ? QStringLiteral("PM") : QStringLiteral("AM");
            out += upper ? t : t.toLower();
            return 5;
        }
        if (section.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
            const bool upper = section[i].isUpper();
            const QString t = pm ? QStringLiteral("P") : QStringLiteral("A");
            out += upper ? t : t.toLower();
            return 3;
        }
        if (section.mid(i, 4).compare(QLatin1String("AMPM"), Qt::CaseInsensitive) == 0) {
            out += pm ? QStringLiteral("PM") : QStringLiteral("AM");
            return 4;
        }
    }
    return 0;
}

QString formatDateParts(const QString& section, const DateParts& p);

// Appends what a run of one date or time letter l shows (run letters, the
// last before i); true when it showed the hour.
bool appendDatePart(QString& out, const QString& section, qsizetype i, char16_t l, int run,
                    const DateParts& p, int hourShown, bool afterHour)
{
    const int dow = p.d.dayOfWeek() % 7; // 0 = Sunday
    bool hourToken = false;
    switch (l) {
    case 'd':
        if (run == 1)
            out += QString::number(p.d.day());
        else if (run == 2)
            out += two(p.d.day());
        else if (run == 3)
            out += QString::fromLatin1(kDays[dow]).left(3);
        else if (run == 4)
            out += QString::fromLatin1(kDays[dow]);
        else if (run == 5)
            out += formatDateParts(QStringLiteral("m/d/yyyy"), p);
        else
            out += formatDateParts(QStringLiteral("dddd, mmmm d, yyyy"), p);
        break;
    case 'm':
        if (afterHour)
            out += run == 1 ? QString::number(p.n) : two(p.n);
        else if (run == 1)
            out += QString::number(p.d.month());
        else if (run == 2)
            out += two(p.d.month());
        else if (run == 3)
            out += QString::fromLatin1(kMonths[p.d.month() - 1]).left(3);
        else
            out += QString::fromLatin1(kMonths[p.d.month() - 1]);
        break;
    case 'y':
        if (run == 1)
            out += QString::number(p.d.dayOfYear());
        else if (run <= 3)
            out += two(p.d.year() % 100);
        else
            out += QStringLiteral("%1").arg(p.d.year(), 4, 10, QLatin1Char('0'));
        break;
    case 'h':
        out += run == 1 ? QString::number(hourShown) : two(hourShown);
        hourToken = true;
        break;
    case 'n':
        out += run == 1 ? QString::number(p.n) : two(p.n);
        break;
    case 's':
        out += run == 1 ? QString::number(p.s) : two(p.s);
        break;
    case 'w':
        if (run == 1) {
            out += QString::number(dow + 1);
        } else {
            const QDate jan1(p.d.year(), 1, 1);
            const int offset = jan1.dayOfWeek() % 7;
            out += QString::number((p.d.dayOfYear() - 1 + offset) / 7 + 1);
        }
        break;
    case 'q':
        out += QString::number((p.d.month() - 1) / 3 + 1);
        break;
    case 'c':
        out += GeneralDate(p.oa);
        break;
    case 't':
        if (run == 5)
            out += formatDateParts(QStringLiteral("h:mm:ss AM/PM"), p);
        else
            out += section.mid(i - run, run);
        break;
    default:
        break;
    }
    return hourToken;
}

QString formatDateParts(const QString& section, const DateParts& p)
{
    const bool twelve = onTwelveHourClock(section);
    const int hour12 = p.h % 12 == 0 ? 12 : p.h % 12;
    const int hourShown = twelve ? hour12 : p.h;
    const bool pm = p.h >= 12;

    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < section.size();) {
        const QChar c = section[i];
        if (c == QLatin1Char('"')) {
            qsizetype end = section.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0) end = section.size();
            out += section.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 < section.size()) out += section[i + 1];
            i += 2;
            continue;
        }
        if (const qsizetype marker = appendAmPm(out, section, i, pm)) {
            i += marker;
            continue;
        }
        const char16_t l = c.toLower().unicode();
        if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 'n' || l == 's' || l == 'w' || l == 'q' ||
            l == 'c' || l == 't') {
            qsizetype j = i;
            while (j < section.size() && section[j].toLower().unicode() == l)
                ++j;
            const int run = static_cast<int>(j - i);
            i = j;
            afterHour = appendDatePart(out, section, i, l, run, p, hourShown, afterHour);
            continue;
        }
        // Separators between an hour and its minutes keep "hh:mm" meaning minutes.
        if (c != QLatin1Char(':') && c != QLatin1Char(' ')) afterHour = false;
        out += c;
        ++i;
    }
    return out;
}

QString formatDate(const QString& section, double oa)
{
    const QDateTime dt = FromOleDate(oa);
    const QTime t = dt.time();
    return formatDateParts(section, DateParts{dt.date(), t.hour(), t.minute(), t.second(), oa});
}

// -------------------------------------------------------------- strings --

QString formatText(const QString& section, const QString& value)
{
    QString s = value;
    bool leftToRight = false;
    int places = 0;
    for (const QChar c : section) {
        if (c == QLatin1Char('<'))
            s = s.toLower();
        else if (c == QLatin1Char('>'))
            s = s.toUpper();
        else if (c == QLatin1Char('!'))
            leftToRight = true;
        else if (c == QLatin1Char('@') || c == QLatin1Char('&'))
            ++places;
    }
    if (places == 0) return s;
    // Characters are handed to the placeholders from the right (from the
    // left with "!"); an "@" without a character shows a blank.
    std::vector<QString> fill(places);
    const int len = static_cast<int>(s.size());
    if (leftToRight) {
        for (int p = 0; p < places && p < len; ++p)
            fill[p] = s[p];
        if (len > places) fill[places - 1] += s.mid(places);
    } else {
        for (int p = places - 1, k = len - 1; p >= 0 && k >= 0; --p, --k)
            fill[p] = s[k];
        if (len > places) fill[0] = s.left(len - places + 1);
    }
    QString out;
    int p = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (quoted) {
            out += c;
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 < section.size()) out += section[++i];
        } else if (c == QLatin1Char('@') || c == QLatin1Char('&')) {
            if (fill[p].isEmpty() && c == QLatin1Char('@'))
                out += QLatin1Char(' ');
            else
                out += fill[p];
            ++p;
        } else if (c != QLatin1Char('<') && c != QLatin1Char('>') && c != QLatin1Char('!')) {
            out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------- glue --

QString namedFormat(const QString& mask, bool& found)
{
    found = true;
    const QString m = mask.toLower();
    if (m == QLatin1String("currency")) return QStringLiteral("$#,##0.00;($#,##0.00)");
    if (m == QLatin1String("fixed")) return QStringLiteral("0.00");
    if (m == QLatin1String("standard")) return QStringLiteral("#,##0.00");
    if (m == QLatin1String("percent")) return QStringLiteral("0.00%");
    if (m == QLatin1String("scientific")) return QStringLiteral("0.00E+00");
    if (m == QLatin1String("long date")) return QStringLiteral("dddd, mmmm d, yyyy");
    if (m == QLatin1String("medium date")) return QStringLiteral("dd-mmm-yy");
    if (m == QLatin1String("short date")) return QStringLiteral("m/d/yyyy");
    if (m == QLatin1String("long time")) return QStringLiteral("h:mm:ss AM/PM");
    if (m == QLatin1String("medium time")) return QStringLiteral("hh:mm AM/PM");
    if (m == QLatin1String("short time")) return QStringLiteral("hh:mm");
    found = false;
    return mask;
}

QString noMask(const Variant& v)
{
    switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
        return {};
    default:
        return v.toString();
    }
}

} // namespace

QString Format(const Variant& value, const QString& maskIn)
{
    if (maskIn.isEmpty()) return noMask(value);

    const QString lower = maskIn.toLower();
    if (lower == QLatin1String("general number")) {
        if (value.isNull() || value.isEmpty()) return {};
        double d = 0;
        if (value.isString() && !ParseNumber(value.rawString(), d)) return value.rawString();
        if (value.isString()) return NumberToString(d);
        return NumberToString(value.toDouble(), value.type() == VarType::Single ? 7 : 15);
    }
    if (lower == QLatin1String("general date")) {
        if (value.isNull() || value.isEmpty()) return {};
        if (value.isString() && !IsDate(value) && !IsNumeric(value)) return value.rawString();
        return GeneralDate(value.isString() && !IsDate(value) ? value.toDouble() : value.toDate());
    }
    if (lower == QLatin1String("yes/no") || lower == QLatin1String("true/false") ||
        lower == QLatin1String("on/off")) {
        if (value.isNull()) return {};
        double d = 0;
        if (value.isString() && !ParseNumber(value.rawString(), d)) return value.rawString();
        const bool on = value.isString() ? d != 0.0 : value.toDouble() != 0.0;
        if (lower == QLatin1String("yes/no")) return on ? QStringLiteral("Yes") : QStringLiteral("No");
        if (lower == QLatin1String("true/false"))
            return on ? QStringLiteral("True") : QStringLiteral("False");
        return on ? QStringLiteral("On") : QStringLiteral("Off");
    }

    bool named = false;
    const QString mask = namedFormat(maskIn, named);
    const QStringList secs = sections(mask);

    if (value.isNull()) return secs.size() >= 4 ? literalText(secs[3]) : QString();

    switch (classify(secs[0])) {
    case MaskKind::Text:
        return formatText(secs[0], value.text());
    case MaskKind::Date: {
        double oa = 0;
        if (value.isString()) {
            if (!ParseDate(value.rawString(), oa)) {
                double d = 0;
                if (!ParseNumber(value.rawString(), d)) return value.rawString();
                oa = Variant(d).toDate();
            }
        } else {
            oa = value.toDate();
        }
        return formatDate(secs[0], oa);
    }
    case MaskKind::Number:
        break;
    }

    switch (value.type()) {
    case VarType::String: {
        double d = 0;
        if (!ParseNumber(value.rawString(), d)) return value.rawString();
        // Whole numbers that a double holds exactly keep every digit.
        if (std::fabs(d) < 9007199254740992.0 && d == std::trunc(d))
            return formatNumber(mask, d, true, static_cast<std::int64_t>(d));
        return formatNumber(mask, d, false, 0);
    }
    case VarType::Integer:
    case VarType::Long:
    case VarType::LongLong:
    case VarType::Byte:
    case VarType::Boolean:
        return formatNumber(mask, static_cast<double>(value.rawInt()), true, value.rawInt());
    case VarType::Empty:
        return formatNumber(mask, 0.0, true, 0);
    default:
        return formatNumber(mask, value.toDouble(), false, 0);
    }
}

} // namespace vb
