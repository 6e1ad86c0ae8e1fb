#pragma once
// The SQL literal builders: texts, numbers and Yes/No values as they are
// written into statements.

#include "platform/vb/Variant.h"

#include <QString>
#include <cstdint>

// The escapes of FormatSQLString.
// Before each "'", inserts escape (each quote is escaped once, whatever escape is).
QString EscapeQuotes(const QString& text, const QString& escape);
// Doubles each "\" that is not the last character and not followed by "'" or "\".
QString EscapeBackslash(const QString& text);
// Puts "\" before each EscapedChar.
QString EscapeChars(const QString& text);
inline constexpr char16_t EscapedChar = u'%';

// An SQL text literal. Null gives "NULL"; otherwise the value's text with the
// escapes of the mode, in single quotes:
// 0 none, 1 quotes (escape), 2 chars, 3 backslashes, 4 quotes ("'") then chars,
// 5 backslashes then quotes (escape), 6 backslashes then chars,
// 7 backslashes, quotes (escape), chars. Any other mode gives "".
QString FormatSQLString(const vb::Variant& value, const std::int32_t& mode = 1, const QString& escape = "'");
// An SQL number literal: Null or a non-numeric value gives "0"; a number is
// rounded to a 32-bit integer (halves to even). A number outside the 32-bit
// range raises error 6 (overflow) to the caller.
QString FormatSQLNumber(const vb::Variant& value);
// "True" for a value equal to True, else "False" (Null included).
QString FormatSQLBool(const vb::Variant& value);

// Short names as the record classes use them in their insert and update
// texts: S text (quoted, quotes doubled, NULL for Null), N a whole number,
// B a Yes/No value.
namespace sqllit {

inline QString S(const QString& value)
{
    return FormatSQLString(vb::Variant(value), 1, QStringLiteral("'"));
}

inline QString N(std::int32_t value)
{
    return FormatSQLNumber(vb::Variant(value));
}

inline QString B(bool value)
{
    return FormatSQLBool(vb::Variant(value));
}

} // namespace sqllit
