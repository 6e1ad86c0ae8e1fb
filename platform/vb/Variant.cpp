#include "platform/vb/Variant.h"

#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <cmath>
#include <limits>

namespace vb {

namespace {

// OLE dates run from 1/1/100 to 12/31/9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;

bool isIntegerType(VarType t)
{
    return t == VarType::Integer || t == VarType::Long || t == VarType::LongLong || t == VarType::Byte ||
           t == VarType::Boolean;
}

double roundHalfEven(double x)
{
    const double f = std::floor(x);
    const double diff = x - f;
    if (diff > 0.5) return f + 1.0;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

// Currency is kept x10000; converting to an integer rounds half to even.
std::int64_t currencyToInteger(std::int64_t scaled)
{
    std::int64_t q = scaled / 10000;
    std::int64_t r = scaled % 10000;
    if (r < 0) {
        r += 10000;
        --q;
    }
    if (r > 5000 || (r == 5000 && (q % 2 != 0))) ++q;
    return q;
}

std::int64_t doubleToInteger(double d, double lo, double hi)
{
    if (std::isnan(d)) Raise(errnum::Overflow);
    const double r = roundHalfEven(d);
    if (r < lo || r > hi) Raise(errnum::Overflow);
    return static_cast<std::int64_t>(r);
}

QString currencyToString(std::int64_t scaled)
{
    const bool neg = scaled < 0;
    const unsigned long long a =
        neg ? 0ULL - static_cast<unsigned long long>(scaled) : static_cast<unsigned long long>(scaled);
    QString s = QString::number(a / 10000);
    unsigned long long frac = a % 10000;
    if (frac != 0) {
        QString f = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        s += QLatin1Char('.') + f;
    }
    return neg ? QLatin1Char('-') + s : s;
}

bool parseBoolWord(const QString& s, bool& out)
{
    const QString t = s.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        out = true;
        return true;
    }
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        out = false;
        return true;
    }
    return false;
}

} // namespace

Variant::Variant(bool v) : m_type(VarType::Boolean), m_i(v ? -1 : 0) {}
Variant::Variant(int v) : m_type(VarType::Long), m_i(v) {}
Variant::Variant(std::int16_t v) : m_type(VarType::Integer), m_i(v) {}
Variant::Variant(long v) : Variant(static_cast<long long>(v)) {}
Variant::Variant(long long v)
    : m_type(v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max()
                 ? VarType::Long
                 : VarType::LongLong),
      m_i(v)
{
}
Variant::Variant(double v) : m_type(VarType::Double), m_d(v) {}
Variant::Variant(float v) : m_type(VarType::Single), m_d(v) {}
Variant::Variant(const QString& v) : m_type(VarType::String), m_s(v) {}
Variant::Variant(const char* v) : m_type(VarType::String), m_s(QString::fromUtf8(v)) {}

Variant Variant::Null()
{
    Variant v;
    v.m_type = VarType::Null;
    return v;
}

Variant Variant::fromCurrency(std::int64_t scaledBy10000)
{
    Variant v;
    v.m_type = VarType::Currency;
    v.m_i = scaledBy10000;
    return v;
}

Variant Variant::fromDate(double oaDate)
{
    Variant v;
    v.m_type = VarType::Date;
    v.m_d = oaDate;
    return v;
}

Variant Variant::fromLongLong(std::int64_t x)
{
    Variant v;
    v.m_type = VarType::LongLong;
    v.m_i = x;
    return v;
}

bool Variant::isNumeric() const
{
    switch (m_type) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::LongLong:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
    case VarType::Boolean:
    case VarType::Byte:
        return true;
    default:
        return false;
    }
}

bool Variant::toBool() const
{
    switch (m_type) {
    case VarType::Empty:
        return false;
    case VarType::Null:
        Raise(errnum::InvalidUseOfNull);
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
        return m_d != 0.0;
    case VarType::String: {
        bool b = false;
        if (parseBoolWord(m_s, b)) return b;
        double d = 0;
        if (ParseNumber(m_s, d)) return d != 0.0;
        Raise(errnum::TypeMismatch);
    }
    default:
        return m_i != 0;
    }
}

std::int16_t Variant::toInteger() const
{
    switch (m_type) {
    case VarType::Currency: {
        const std::int64_t v = currencyToInteger(m_i);
        if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
            Raise(errnum::Overflow);
        return static_cast<std::int16_t>(v);
    }
    case VarType::Integer:
    case VarType::Long:
    case VarType::LongLong:
    case VarType::Boolean:
    case VarType::Byte:
        if (m_i < std::numeric_limits<std::int16_t>::min() || m_i > std::numeric_limits<std::int16_t>::max())
            Raise(errnum::Overflow);
        return static_cast<std::int16_t>(m_i);
    default:
        return static_cast<std::int16_t>(doubleToInteger(toDouble(), -32768.0, 32767.0));
    }
}

std::int32_t Variant::toLong() const
{
    switch (m_type) {
    case VarType::Currency: {
        const std::int64_t v = currencyToInteger(m_i);
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
            Raise(errnum::Overflow);
        return static_cast<std::int32_t>(v);
    }
    case VarType::Integer:
    case VarType::Long:
    case VarType::LongLong:
    case VarType::Boolean:
    case VarType::Byte:
        if (m_i < std::numeric_limits<std::int32_t>::min() || m_i > std::numeric_limits<std::int32_t>::max())
            Raise(errnum::Overflow);
        return static_cast<std::int32_t>(m_i);
    default:
        return static_cast<std::int32_t>(doubleToInteger(toDouble(), -2147483648.0, 2147483647.0));
    }
}

std::int64_t Variant::toLongLong() const
{
    switch (m_type) {
    case VarType::Currency:
        return currencyToInteger(m_i);
    case VarType::Integer:
    case VarType::Long:
    case VarType::LongLong:
    case VarType::Boolean:
    case VarType::Byte:
        return m_i;
    default: {
        // 2^63 is exactly representable; anything at or beyond it overflows.
        const double d = toDouble();
        if (std::isnan(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            Raise(errnum::Overflow);
        if (std::fabs(d) >= 4503599627370496.0) // 2^52: already integral
            return static_cast<std::int64_t>(d);
        return static_cast<std::int64_t>(roundHalfEven(d));
    }
    }
}

double Variant::toDouble() const
{
    switch (m_type) {
    case VarType::Empty:
        return 0.0;
    case VarType::Null:
        Raise(errnum::InvalidUseOfNull);
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
        return m_d;
    case VarType::Currency:
        return static_cast<double>(m_i) / 10000.0;
    case VarType::String: {
        double d = 0;
        if (ParseNumber(m_s, d)) {
            if (std::isinf(d)) Raise(errnum::Overflow);
            return d;
        }
        bool b = false;
        if (parseBoolWord(m_s, b)) return b ? -1.0 : 0.0;
        Raise(errnum::TypeMismatch);
    }
    default:
        return static_cast<double>(m_i);
    }
}

double Variant::toDate() const
{
    switch (m_type) {
    case VarType::Null:
        Raise(errnum::InvalidUseOfNull);
    case VarType::Date:
        return m_d;
    case VarType::String: {
        double d = 0;
        if (ParseDate(m_s, d)) return d;
        Raise(errnum::TypeMismatch);
    }
    default: {
        const double d = toDouble();
        if (!(d >= kMinDate && d < kMaxDate)) Raise(errnum::Overflow);
        return d;
    }
    }
}

QString Variant::toString() const
{
    switch (m_type) {
    case VarType::Empty:
        return {};
    case VarType::Null:
        Raise(errnum::InvalidUseOfNull);
    case VarType::Boolean:
        return m_i ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::Single:
        return NumberToString(m_d, 7);
    case VarType::Double:
        return NumberToString(m_d, 15);
    case VarType::Date:
        return GeneralDate(m_d);
    case VarType::Currency:
        return currencyToString(m_i);
    case VarType::String:
        return m_s;
    default:
        return QString::number(m_i);
    }
}

QString Variant::text() const
{
    if (m_type == VarType::Null || m_type == VarType::Empty) return {};
    try {
        return toString();
    } catch (...) {
        return {};
    }
}

bool Variant::vbEquals(const Variant& other) const
{
    if (isNull() || other.isNull()) return false;
    if (isEmpty() && other.isEmpty()) return true;

    const Variant& a = *this;
    const Variant& b = other;
    // Empty against a string is "", against anything else 0.
    if (a.isEmpty()) return b.isString() ? b.m_s.isEmpty() : b.vbEquals(Variant(0));
    if (b.isEmpty()) return a.isString() ? a.m_s.isEmpty() : a.vbEquals(Variant(0));

    if (a.isString() && b.isString()) return a.m_s == b.m_s;
    if (a.isString() || b.isString()) {
        const Variant& s = a.isString() ? a : b;
        const Variant& n = a.isString() ? b : a;
        double d = 0;
        if (!ParseNumber(s.m_s, d)) return false;
        return d == n.toDouble();
    }
    if (isIntegerType(a.m_type) && isIntegerType(b.m_type)) return a.m_i == b.m_i;
    if (a.m_type == VarType::Currency && b.m_type == VarType::Currency) return a.m_i == b.m_i;
    return a.toDouble() == b.toDouble();
}

bool Variant::operator==(const Variant& other) const
{
    if (m_type != other.m_type) return false;
    switch (m_type) {
    case VarType::Empty:
    case VarType::Null:
        return true;
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
        return m_d == other.m_d;
    case VarType::String:
        return m_s == other.m_s;
    default:
        return m_i == other.m_i;
    }
}

} // namespace vb
