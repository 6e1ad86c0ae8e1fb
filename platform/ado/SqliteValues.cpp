#include "platform/ado/SqliteProvider.h"

#include "platform/ado/Ado.h"
#include "platform/vb/DateTime.h"

#include <cmath>
#include <sqlite3.h>

namespace ado {

void DescribeDeclaredType(const QString& declType, int& adoType, qint64& definedSize)
{
    QString t = declType.trimmed().toUpper();
    qint64 size = 0;
    const int p = int(t.indexOf(u'('));
    if (p >= 0) {
        const int e = int(t.indexOf(u')', p));
        size = t.mid(p + 1, e - p - 1).section(u',', 0, 0).trimmed().toLongLong();
        t = t.left(p).trimmed();
    }
    t = t.section(u' ', 0, 0);
    struct M {
        const char* name;
        int type;
        qint64 size;
    };
    static const M map[] = {
        {"INTEGER", adInteger, 4},
        {"INT", adInteger, 4},
        {"LONG", adInteger, 4},
        {"INT4", adInteger, 4},
        {"COUNTER", adInteger, 4},
        {"SMALLINT", adSmallInt, 2},
        {"SHORT", adSmallInt, 2},
        {"INT2", adSmallInt, 2},
        {"TINYINT", adUnsignedTinyInt, 1},
        {"BYTE", adUnsignedTinyInt, 1},
        {"BIGINT", adBigInt, 8},
        {"INT8", adBigInt, 8},
        {"BOOLEAN", adBoolean, 2},
        {"BIT", adBoolean, 2},
        {"YESNO", adBoolean, 2},
        {"LOGICAL", adBoolean, 2},
        {"SINGLE", adSingle, 4},
        {"FLOAT4", adSingle, 4},
        {"DOUBLE", adDouble, 8},
        {"FLOAT", adDouble, 8},
        {"FLOAT8", adDouble, 8},
        {"REAL", adDouble, 8},
        {"NUMBER", adDouble, 8},
        {"CURRENCY", adCurrency, 8},
        {"MONEY", adCurrency, 8},
        {"DATETIME", adDate, 8},
        {"DATE", adDate, 8},
        {"TIME", adDate, 8},
        {"TIMESTAMP", adDate, 8},
        {"DECIMAL", adNumeric, 19},
        {"NUMERIC", adNumeric, 19},
        {"GUID", adGUID, 16},
        {"CHAR", adWChar, 255},
        {"NCHAR", adWChar, 255},
        {"CHARACTER", adWChar, 255},
        {"TEXT", adVarWChar, 255},
        {"VARCHAR", adVarWChar, 255},
        {"NVARCHAR", adVarWChar, 255},
        {"STRING", adVarWChar, 255},
        {"LONGTEXT", adLongVarWChar, 536870910},
        {"MEMO", adLongVarWChar, 536870910},
        {"CLOB", adLongVarWChar, 536870910},
        {"NOTE", adLongVarWChar, 536870910},
        {"BLOB", adLongVarBinary, 1073741823},
        {"LONGBINARY", adLongVarBinary, 1073741823},
        {"BINARY", adVarBinary, 510},
        {"VARBINARY", adVarBinary, 510},
    };
    for (const auto& m : map) {
        if (t == QLatin1String(m.name)) {
            adoType = m.type;
            definedSize = m.size;
            if (size > 0 && (m.type == adVarWChar || m.type == adWChar || m.type == adVarBinary))
                definedSize = size;
            return;
        }
    }
    // SQLite's affinity rules for anything else
    if (t.contains(QStringLiteral("INT"))) {
        adoType = adInteger;
        definedSize = 4;
    } else if (t.contains(QStringLiteral("CHAR")) || t.contains(QStringLiteral("CLOB")) ||
               t.contains(QStringLiteral("TEXT"))) {
        adoType = adVarWChar;
        definedSize = size > 0 ? size : 255;
    } else if (t.contains(QStringLiteral("BLOB")) || t.isEmpty()) {
        adoType = adLongVarBinary;
        definedSize = 1073741823;
    } else {
        adoType = adDouble;
        definedSize = 8;
    }
}

namespace {

vb::Variant integerVariant(sqlite3_int64 v)
{
    return vb::Variant(static_cast<long long>(v));
}

} // namespace

vb::Variant ValueFromSqlite(sqlite3_stmt* stmt, int col, int adoType, bool typeKnown)
{
    const int st = sqlite3_column_type(stmt, col);
    if (st == SQLITE_NULL) return vb::Variant::Null();
    if (!typeKnown) {
        switch (st) {
        case SQLITE_INTEGER:
            return integerVariant(sqlite3_column_int64(stmt, col));
        case SQLITE_FLOAT:
            return vb::Variant(sqlite3_column_double(stmt, col));
        default:
            return vb::Variant(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                                  sqlite3_column_bytes(stmt, col)));
        }
    }
    auto text = [&] {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                                 sqlite3_column_bytes(stmt, col));
    };
    switch (adoType) {
    case adBoolean:
        if (st == SQLITE_TEXT) {
            const QString s = text().trimmed();
            if (s.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) return vb::Variant(true);
            if (s.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0) return vb::Variant(false);
        }
        return vb::Variant(sqlite3_column_double(stmt, col) != 0.0);
    case adCurrency:
        if (st == SQLITE_TEXT) return vb::Variant(text());
        return vb::Variant::fromCurrency(std::llround(sqlite3_column_double(stmt, col) * 10000.0));
    case adDate: {
        if (st == SQLITE_INTEGER || st == SQLITE_FLOAT)
            return vb::Variant::fromDate(sqlite3_column_double(stmt, col));
        double ole = 0;
        const QString s = text();
        if (vb::ParseDate(s, ole)) return vb::Variant::fromDate(ole);
        return vb::Variant(s);
    }
    case adSingle:
        if (st == SQLITE_TEXT) return vb::Variant(text());
        return vb::Variant(static_cast<float>(sqlite3_column_double(stmt, col)));
    case adDouble:
    case adNumeric:
        if (st == SQLITE_TEXT) return vb::Variant(text());
        if (st == SQLITE_INTEGER && adoType == adNumeric)
            return integerVariant(sqlite3_column_int64(stmt, col));
        return vb::Variant(sqlite3_column_double(stmt, col));
    case adSmallInt:
    case adInteger:
    case adBigInt:
    case adUnsignedTinyInt:
        if (st == SQLITE_INTEGER) return integerVariant(sqlite3_column_int64(stmt, col));
        if (st == SQLITE_FLOAT) return vb::Variant(sqlite3_column_double(stmt, col));
        return vb::Variant(text());
    default:
        if (st == SQLITE_INTEGER) return integerVariant(sqlite3_column_int64(stmt, col));
        if (st == SQLITE_FLOAT) return vb::Variant(sqlite3_column_double(stmt, col));
        return vb::Variant(text());
    }
}

void BindVariant(sqlite3_stmt* stmt, int position, const vb::Variant& v)
{
    switch (v.type()) {
    case vb::VarType::Empty:
    case vb::VarType::Null:
        sqlite3_bind_null(stmt, position);
        break;
    case vb::VarType::Boolean:
        sqlite3_bind_int(stmt, position, v.rawInt() != 0 ? 1 : 0);
        break;
    case vb::VarType::Integer:
    case vb::VarType::Long:
    case vb::VarType::LongLong:
    case vb::VarType::Byte:
        sqlite3_bind_int64(stmt, position, v.rawInt());
        break;
    case vb::VarType::Single:
    case vb::VarType::Double:
        sqlite3_bind_double(stmt, position, v.rawDouble());
        break;
    case vb::VarType::Currency:
        if (v.rawInt() % 10000 == 0)
            sqlite3_bind_int64(stmt, position, v.rawInt() / 10000);
        else
            sqlite3_bind_double(stmt, position, double(v.rawInt()) / 10000.0);
        break;
    case vb::VarType::Date: {
        const QByteArray b = JetSql::DateText(v.rawDouble()).toUtf8();
        sqlite3_bind_text(stmt, position, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    case vb::VarType::String: {
        const QByteArray b = v.rawString().toUtf8();
        sqlite3_bind_text(stmt, position, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    }
}

} // namespace ado
