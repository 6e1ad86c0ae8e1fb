#pragma once
// Short names for the SQL literal builders as the record classes use them in
// their insert and update texts: S text (quoted, quotes doubled, NULL for
// Null), N a whole number, B a Yes/No value.

#include "core/DBClassModule.h"
#include "platform/vb/Variant.h"

#include <QString>
#include <cstdint>

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
