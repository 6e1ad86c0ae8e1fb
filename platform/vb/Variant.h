#pragma once
// vb::Variant: the VB variant type with Empty and Null kept apart, and VB's
// own conversion rules fixed to US English whatever the machine's locale.

#include <QString>
#include <cstdint>

namespace vb {

// VarType codes as VB reports them.
enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2, // 16-bit
    Long = 3,    // 32-bit
    Single = 4,
    Double = 5,
    Currency = 6, // fixed point, 4 decimals
    Date = 7,     // days since 1899-12-30, fraction = time of day
    String = 8,
    Boolean = 11,
    Byte = 17,
    LongLong = 20 // 64-bit, what database integers come back as
};

class Variant {
public:
    Variant() = default;       // Empty
    Variant(bool v);           // Boolean
    Variant(int v);            // Long (32-bit)
    Variant(std::int16_t v);   // Integer
    Variant(long v);           // LongLong when it does not fit 32 bits, else Long
    Variant(long long v);      // same rule
    Variant(double v);         // Double
    Variant(float v);          // Single
    Variant(const QString& v); // String
    Variant(const char* v);    // String (UTF-8)

    static Variant Null();
    static Variant fromCurrency(std::int64_t scaledBy10000);
    static Variant fromDate(double oaDate);
    static Variant fromLongLong(std::int64_t v); // always LongLong

    VarType type() const { return m_type; }
    bool isEmpty() const { return m_type == VarType::Empty; }
    bool isNull() const { return m_type == VarType::Null; }
    bool isString() const { return m_type == VarType::String; }
    bool isNumeric() const; // a number type, Boolean, Date or Currency (not a numeric string)

    // Raw access without conversion (valid for the matching type only).
    std::int64_t rawInt() const { return m_i; }
    double rawDouble() const { return m_d; }
    const QString& rawString() const { return m_s; }

    // VB conversions. Each throws vb::ErrObject as VB raises: 13 type
    // mismatch, 94 invalid use of Null, 6 overflow.
    bool toBool() const;             // CBool
    std::int16_t toInteger() const;  // CInt: round half to even
    std::int32_t toLong() const;     // CLng: round half to even
    std::int64_t toLongLong() const; // CLngLng
    double toDouble() const;         // CDbl
    double toDate() const;           // CDate as an OLE date number
    QString toString() const;        // CStr (Empty -> "", Null -> error 94)

    // Text for display or for building SQL: like CStr, but Null and Empty
    // both give "" and nothing ever throws.
    QString text() const;

    // VB's "=" between two variants: numbers compare as numbers, strings as
    // binary text, a numeric string against a number numerically; Null never
    // equals anything (returns false); Empty equals 0 and "".
    bool vbEquals(const Variant& other) const;

    // Identity comparison for tests and containers: same type and same value.
    bool operator==(const Variant& other) const;

private:
    VarType m_type = VarType::Empty;
    std::int64_t m_i = 0; // Boolean (-1/0), Integer, Long, LongLong, Currency (x10000), Byte
    double m_d = 0.0;     // Single, Double, Date
    QString m_s;
};

} // namespace vb
