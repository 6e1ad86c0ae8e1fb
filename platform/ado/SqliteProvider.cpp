#include "platform/ado/SqliteProvider.h"

#include "platform/ado/Ado.h"
#include "platform/ado/JetFunctions.h"
#include "platform/ado/NumberSet.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <sqlite3.h>

namespace ado {

namespace {

// SQLite keeps a count of its memory under one lock that every allocation
// of every connection takes; connections read on several threads at once
// (look-ups spread over helpers) would queue on it. Nothing here reads the
// count, so it is turned off before the library starts (it can only be set
// then): at load time, ahead of any connection.
[[maybe_unused]] const bool kNoMemoryCount = [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return true;
}();

QString quoteName(const QString& name)
{
    QString n = name;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString qualified(const ColumnInfo& t)
{
    return (t.schema.isEmpty() ? QString() : quoteName(t.schema) + QLatin1Char('.')) + quoteName(t.table);
}

QString fromUtf8(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

// Inserts "rowid AS __rowid__," after the SELECT of a plain query on one
// table (no DISTINCT, GROUP BY, compound, join or list of tables).
bool injectRowid(QString& sql)
{
    const auto toks = JetSql::Tokenize(sql);
    using K = JetSql::Kind;
    auto up = [&](size_t i) { return toks[i].text.toUpper(); };
    int depth = 0;
    int selectIdx = -1;
    bool afterFrom = false;
    int fromItems = 0;
    for (size_t i = 0; i < toks.size(); ++i) {
        const auto& t = toks[i];
        if (t.kind == K::Space || t.kind == K::Comment) continue;
        if (t.kind == K::Punct && t.text == u"(") {
            ++depth;
            continue;
        }
        if (t.kind == K::Punct && t.text == u")") {
            --depth;
            continue;
        }
        if (depth != 0) continue;
        if (selectIdx < 0) {
            if (t.kind != K::Word || up(i) != u"SELECT") return false;
            selectIdx = int(i);
            size_t j = i + 1;
            while (j < toks.size() && (toks[j].kind == K::Space || toks[j].kind == K::Comment))
                ++j;
            if (j < toks.size() && toks[j].kind == K::Word && up(j) == u"DISTINCT") return false;
            continue;
        }
        if (t.kind == K::Word) {
            const QString u = up(i);
            if (u == u"GROUP" || u == u"UNION" || u == u"INTERSECT" || u == u"EXCEPT" || u == u"JOIN" ||
                u == u"HAVING" || u == u"VALUES")
                return false;
            if (u == u"FROM") {
                afterFrom = true;
                continue;
            }
            if (u == u"WHERE" || u == u"ORDER" || u == u"LIMIT") afterFrom = false;
        }
        if (afterFrom && t.kind == K::Punct && t.text == u",") return false;
        if (afterFrom) ++fromItems;
    }
    if (selectIdx < 0 || fromItems == 0) return false;
    QString out;
    for (size_t i = 0; i < toks.size(); ++i) {
        out += toks[i].text;
        if (int(i) == selectIdx) out += QStringLiteral(" rowid AS __rowid__,");
    }
    sql = out;
    return true;
}

} // namespace

// ---------------------------------------------------------------- types and values

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

// ---------------------------------------------------------------- statement

class SqliteStatement : public Statement {
public:
    SqliteStatement(std::shared_ptr<SqliteConnection> conn, QString sql, JetSql::Translation tr,
                    bool rowidCol)
        : m_conn(std::move(conn)), m_sql(std::move(sql)), m_lifted(std::move(tr.params)),
          m_attach(std::move(tr.attach)), m_rowidCol(rowidCol)
    {
        m_conn->track(this);
    }

    ~SqliteStatement() override
    {
        if (m_conn->isOpen()) {
            finish();
            if (m_base) m_conn->release(m_sql, m_base);
            if (m_offset) m_conn->release(offsetSql(), m_offset);
        }
        m_conn->untrack(this);
    }

    // Prepares the base statement and describes its columns.
    void init()
    {
        if (!m_attach.isEmpty()) m_conn->attachExternal(m_attach);
        try {
            m_base = m_conn->acquire(m_sql);
        } catch (...) {
            if (!m_attach.isEmpty()) m_conn->detachExternal(int(m_attach.size()));
            throw;
        }
        if (!m_attach.isEmpty()) m_conn->detachExternal(int(m_attach.size()));
        const int n = sqlite3_column_count(m_base);
        const int first = m_rowidCol ? 1 : 0;
        if (m_rowidCol) {
            m_rowidTable.schema = fromUtf8(sqlite3_column_database_name(m_base, 0));
            m_rowidTable.table = fromUtf8(sqlite3_column_table_name(m_base, 0));
            m_hasRowid = !m_rowidTable.table.isEmpty();
        }
        for (int i = first; i < n; ++i) {
            ColumnInfo c;
            c.name = fromUtf8(sqlite3_column_name(m_base, i));
            const char* decl = sqlite3_column_decltype(m_base, i);
            if (decl) {
                DescribeDeclaredType(QString::fromUtf8(decl), c.type, c.definedSize);
            } else {
                c.typeKnown = false;
                c.type = adVarWChar;
                c.definedSize = 255;
            }
            c.schema = fromUtf8(sqlite3_column_database_name(m_base, i));
            c.table = fromUtf8(sqlite3_column_table_name(m_base, i));
            c.column = fromUtf8(sqlite3_column_origin_name(m_base, i));
            c.updatable = m_hasRowid && !c.table.isEmpty() && c.table == m_rowidTable.table &&
                          c.schema == m_rowidTable.schema;
            m_cols.push_back(c);
        }
    }

    bool returnsRows() const { return sqlite3_column_count(m_base) > 0; }
    // The engine's statement at the current row, for reads in bulk.
    sqlite3_stmt* current() const { return m_cur; }
    const ColumnInfo& rowidTable() const { return m_rowidTable; }

    int columnCount() const override { return int(m_cols.size()); }
    const ColumnInfo& column(int i) const override { return m_cols.at(size_t(i)); }

    void bind(int position, const vb::Variant& value) override
    {
        for (auto& b : m_binds)
            if (b.first == position) {
                b.second = value;
                return;
            }
        m_binds.emplace_back(position, value);
    }

    void execute(qint64 offset) override
    {
        checkOpen();
        finish();
        if (!m_attach.isEmpty()) {
            m_conn->attachExternal(m_attach);
            m_attachedNow = true;
        }
        sqlite3_stmt* s = m_base;
        if (offset > 0) {
            if (!m_offset) m_offset = m_conn->acquire(offsetSql());
            s = m_offset;
        }
        bindAll(s);
        if (offset > 0) sqlite3_bind_int64(s, sqlite3_bind_parameter_count(s), offset);
        m_cur = s;
        m_done = false;
        m_pending = false;
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_ROW) {
            m_pending = true;
        } else if (rc == SQLITE_DONE) {
            m_changes = sqlite3_changes64(m_conn->handle());
            finish();
        } else {
            fail(rc);
        }
    }

    bool next() override
    {
        if (m_abandoned) // the connection closed under a reader: no silent end of rows
            RaiseAdo(errnum::ObjectClosed, RecordsetSource());
        if (m_pending) {
            m_pending = false;
            onRow();
            return true;
        }
        if (m_done || !m_cur) return false;
        checkOpen();
        const int rc = sqlite3_step(m_cur);
        if (rc == SQLITE_ROW) {
            onRow();
            return true;
        }
        if (rc == SQLITE_DONE) {
            finish();
            return false;
        }
        fail(rc);
    }

    vb::Variant value(int i) const override
    {
        const auto& c = m_cols.at(size_t(i));
        return ValueFromSqlite(m_cur, i + (m_rowidCol ? 1 : 0), c.type, c.typeKnown);
    }

    bool hasRowid() const override { return m_hasRowid; }
    qint64 rowid() const override { return m_hasRowid ? sqlite3_column_int64(m_cur, 0) : 0; }

    qint64 countRows() override
    {
        checkOpen();
        const QString sql = QStringLiteral("SELECT count(*) FROM (%1)").arg(m_sql);
        if (!m_attach.isEmpty()) m_conn->attachExternal(m_attach);
        sqlite3_stmt* s = nullptr;
        qint64 n = 0;
        int rc = SQLITE_OK;
        try {
            s = m_conn->acquire(sql);
            bindAll(s);
            rc = sqlite3_step(s);
            if (rc == SQLITE_ROW) n = sqlite3_column_int64(s, 0);
            sqlite3_reset(s);
            m_conn->release(sql, s);
        } catch (...) {
            if (!m_attach.isEmpty()) m_conn->detachExternal(int(m_attach.size()));
            throw;
        }
        if (!m_attach.isEmpty()) m_conn->detachExternal(int(m_attach.size()));
        if (rc != SQLITE_ROW) m_conn->raise(rc);
        return n;
    }

    qint64 changes() const override { return m_changes; }

    void finish() override
    {
        if (m_cur && m_conn->isOpen()) sqlite3_reset(m_cur);
        m_cur = nullptr;
        m_done = true;
        m_pending = false;
        if (m_attachedNow) {
            m_attachedNow = false;
            if (m_conn->isOpen()) m_conn->detachExternal(int(m_attach.size()));
        }
    }

    // The connection closes under us: its close finalizes our statements.
    void abandon()
    {
        if (m_base) sqlite3_finalize(m_base);
        if (m_offset) sqlite3_finalize(m_offset);
        m_base = m_offset = m_cur = nullptr;
        m_abandoned = true;
        m_attachedNow = false;
        m_done = true;
        m_pending = false;
    }

private:
    QString offsetSql() const { return QStringLiteral("SELECT * FROM (%1) LIMIT -1 OFFSET ?").arg(m_sql); }

    void checkOpen() const
    {
        if (!m_conn->isOpen() || !m_base) RaiseAdo(errnum::ObjectClosed, RecordsetSource());
    }

    void bindAll(sqlite3_stmt* s)
    {
        sqlite3_clear_bindings(s);
        int pos = 1;
        for (const auto& v : m_lifted)
            BindVariant(s, pos++, v);
        for (const auto& b : m_binds)
            if (b.first <= sqlite3_bind_parameter_count(s)) BindVariant(s, b.first, b.second);
    }

    void onRow()
    {
        if (m_typed) return;
        m_typed = true;
        for (size_t i = 0; i < m_cols.size(); ++i) {
            auto& c = m_cols[i];
            if (c.typeKnown) continue;
            switch (sqlite3_column_type(m_cur, int(i) + (m_rowidCol ? 1 : 0))) {
            case SQLITE_INTEGER: {
                const qint64 v = sqlite3_column_int64(m_cur, int(i) + (m_rowidCol ? 1 : 0));
                c.type = (v >= INT32_MIN && v <= INT32_MAX) ? adInteger : adBigInt;
                c.definedSize = c.type == adInteger ? 4 : 8;
                break;
            }
            case SQLITE_FLOAT:
                c.type = adDouble;
                c.definedSize = 8;
                break;
            default:
                break;
            }
        }
    }

    [[noreturn]] void fail(int rc)
    {
        // keep the message before the reset clears it
        try {
            m_conn->raise(rc);
        } catch (...) {
            finish();
            throw;
        }
    }

    std::shared_ptr<SqliteConnection> m_conn;
    QString m_sql;
    std::vector<vb::Variant> m_lifted;
    QStringList m_attach;
    bool m_rowidCol = false;
    bool m_hasRowid = false;
    ColumnInfo m_rowidTable;
    std::vector<ColumnInfo> m_cols;
    std::vector<std::pair<int, vb::Variant>> m_binds;
    sqlite3_stmt* m_base = nullptr;
    sqlite3_stmt* m_offset = nullptr;
    sqlite3_stmt* m_cur = nullptr;
    bool m_pending = false;
    bool m_done = true;
    bool m_typed = false;
    bool m_attachedNow = false;
    bool m_abandoned = false;
    qint64 m_changes = 0;
};

// ---------------------------------------------------------------- number sets

namespace {

// The table-valued function tv_numbers(?1) reads a NumberSet bound to its
// argument as a pointer: one row per number, in ascending order, with no
// copy of the numbers into a table first.
constexpr const char* kNumberSetPointer = "tv_numberset";

struct NumbersCursor {
    sqlite3_vtab_cursor base;
    const NumberSet* set;
    qint64 at;
};

int numbersConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**)
{
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(value INTEGER, numbers HIDDEN)");
    if (rc != SQLITE_OK) return rc;
    auto* table = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!table) return SQLITE_NOMEM;
    std::memset(table, 0, sizeof(sqlite3_vtab));
    *out = table;
    return SQLITE_OK;
}

int numbersDisconnect(sqlite3_vtab* table)
{
    sqlite3_free(table);
    return SQLITE_OK;
}

int numbersBestIndex(sqlite3_vtab*, sqlite3_index_info* info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.iColumn == 1 && c.op == SQLITE_INDEX_CONSTRAINT_EQ && c.usable) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->idxNum = 1;
            info->estimatedCost = 1000;
            info->orderByConsumed =
                info->nOrderBy == 1 && info->aOrderBy[0].iColumn == 0 && !info->aOrderBy[0].desc;
            return SQLITE_OK;
        }
    }
    // No set given: no rows.
    info->idxNum = 0;
    info->estimatedCost = 1e12;
    return SQLITE_OK;
}

int numbersOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out)
{
    auto* cursor = static_cast<NumbersCursor*>(sqlite3_malloc(sizeof(NumbersCursor)));
    if (!cursor) return SQLITE_NOMEM;
    std::memset(cursor, 0, sizeof(NumbersCursor));
    cursor->at = -1;
    *out = &cursor->base;
    return SQLITE_OK;
}

int numbersClose(sqlite3_vtab_cursor* cursor)
{
    sqlite3_free(cursor);
    return SQLITE_OK;
}

int numbersFilter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv)
{
    auto* cursor = reinterpret_cast<NumbersCursor*>(base);
    cursor->set = idxNum == 1 && argc == 1
                      ? static_cast<const NumberSet*>(sqlite3_value_pointer(argv[0], kNumberSetPointer))
                      : nullptr;
    cursor->at = cursor->set ? cursor->set->nextFrom(0) : -1;
    return SQLITE_OK;
}

int numbersNext(sqlite3_vtab_cursor* base)
{
    auto* cursor = reinterpret_cast<NumbersCursor*>(base);
    cursor->at = cursor->set->nextFrom(cursor->at + 1);
    return SQLITE_OK;
}

int numbersEof(sqlite3_vtab_cursor* base)
{
    return reinterpret_cast<NumbersCursor*>(base)->at < 0;
}

int numbersColumn(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int i)
{
    if (i == 0)
        sqlite3_result_int64(ctx, reinterpret_cast<NumbersCursor*>(base)->at);
    else
        sqlite3_result_null(ctx);
    return SQLITE_OK;
}

int numbersRowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid)
{
    *rowid = reinterpret_cast<NumbersCursor*>(base)->at;
    return SQLITE_OK;
}

const sqlite3_module kNumbersModule = {
    0,                 // iVersion
    nullptr,           // xCreate: a table-valued function only
    numbersConnect,    // xConnect
    numbersBestIndex,  // xBestIndex
    numbersDisconnect, // xDisconnect
    numbersDisconnect, // xDestroy
    numbersOpen,       // xOpen
    numbersClose,      // xClose
    numbersFilter,     // xFilter
    numbersNext,       // xNext
    numbersEof,        // xEof
    numbersColumn,     // xColumn
    numbersRowid,      // xRowid
    nullptr,           // xUpdate
    nullptr,           // xBegin
    nullptr,           // xSync
    nullptr,           // xCommit
    nullptr,           // xRollback
    nullptr,           // xFindFunction
    nullptr,           // xRename
    nullptr,           // xSavepoint
    nullptr,           // xRelease
    nullptr,           // xRollbackTo
    nullptr,           // xShadowName
};

// A real that a column of integer type stores as an integer: a whole one.
qint64 wholeNumberOf(double d)
{
    return d >= 0 && d < 9.0e18 && d == std::floor(d) ? qint64(d) : -1;
}

// The whole number a column of integer type stores for a query's value, or
// -1 when it stores none (Null, a blob, text that reads as no number, a
// fraction, a negative number).
qint64 storedWholeNumber(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: {
        const qint64 v = sqlite3_value_int64(value);
        return v >= 0 ? v : -1;
    }
    case SQLITE_FLOAT:
        return wholeNumberOf(sqlite3_value_double(value));
    case SQLITE_TEXT: {
        // Digits alone (the common case) read as their number.
        const auto* t = sqlite3_value_text(value);
        const int n = sqlite3_value_bytes(value);
        if (n > 0 && n <= 18) {
            qint64 v = 0;
            int i = 0;
            for (; i < n && t[i] >= '0' && t[i] <= '9'; ++i)
                v = v * 10 + (t[i] - '0');
            if (i == n) return v;
        }
        // Anything else as the column's affinity reads it (spaces, a sign,
        // "1.0", "1e3").
        sqlite3_value* copy = sqlite3_value_dup(value);
        if (!copy) vb::Raise(vb::errnum::OutOfMemory);
        qint64 r = -1;
        switch (sqlite3_value_numeric_type(copy)) {
        case SQLITE_INTEGER:
            r = std::max<qint64>(sqlite3_value_int64(copy), -1);
            break;
        case SQLITE_FLOAT:
            r = wholeNumberOf(sqlite3_value_double(copy));
            break;
        default:
            break;
        }
        sqlite3_value_free(copy);
        return r;
    }
    default:
        return -1;
    }
}

} // namespace

qint64 SqliteConnection::collectNumbers(const QString& jetSql, NumberSet& numbers)
{
    const std::unique_ptr<Statement> st = prepare(jetSql, false);
    auto* statement = static_cast<SqliteStatement*>(st.get());
    qint64 none = 0;
    // Each row's value is read as one value rather than by three calls that
    // each take the connection's lock: one thread at a time uses a
    // connection here, and the value's text is converted only on a copy.
    statement->execute(0);
    while (statement->next())
        if (!numbers.insert(storedWholeNumber(sqlite3_column_value(statement->current(), 0)))) ++none;
    return none;
}

qint64 SqliteConnection::addMissingNumbers(const QString& table, const QString& column,
                                           const NumberSet& numbers)
{
    // In ascending order each number lands at or next to where the last one
    // did; a number the table holds already is passed over by its key.
    const QString sql = QStringLiteral("INSERT OR IGNORE INTO %1 (%2) SELECT value FROM tv_numbers(?1)")
                            .arg(quoteName(table), quoteName(column));
    sqlite3_stmt* s = acquire(sql);
    sqlite3_bind_pointer(s, 1, const_cast<NumberSet*>(&numbers), kNumberSetPointer, nullptr);
    stepToEnd(sql, s);
    return sqlite3_changes64(m_db);
}

// ---------------------------------------------------------------- connection

SqliteConnection::SqliteConnection(sqlite3* db, QString path, QString kind)
    : m_db(db), m_path(std::move(path)), m_kind(std::move(kind))
{
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, 2000);
    RegisterJetFunctions(m_db);
    sqlite3_create_module_v2(m_db, "tv_numbers", &kNumbersModule, nullptr, nullptr);
}

SqliteConnection::~SqliteConnection()
{
    close();
}

void SqliteConnection::CheckDatabaseFile(const QString& path)
{
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists() || fi.isDir())
        Raise(errnum::JetFailure, QStringLiteral("Could not find file '%1'.").arg(path), JetSource());
    QFile f(path);
    QByteArray head;
    if (f.open(QIODevice::ReadOnly))
        head = f.read(16);
    else
        Raise(errnum::JetFailure,
              QStringLiteral(
                  "The Microsoft Jet database engine cannot open the file '%1'.  It is already opened "
                  "exclusively by another user, or you need permission to view its data.")
                  .arg(path),
              JetSource());
    if (head != QByteArray("SQLite format 3\0", 16))
        Raise(errnum::JetFailure, QStringLiteral("Unrecognized database format '%1'.").arg(path),
              JetSource());
}

std::shared_ptr<SqliteConnection> SqliteConnection::OpenFile(const QString& path, const QString& kind)
{
    CheckDatabaseFile(path);
    sqlite3* db = nullptr;
    const QByteArray p = path.toUtf8();
    int rc = sqlite3_open_v2(p.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        db = nullptr;
        rc = sqlite3_open_v2(p.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        Raise(errnum::JetFailure, msg, JetSource());
    }
    std::shared_ptr<SqliteConnection> c(new SqliteConnection(db, path, kind));
    // A file that merely starts like a database fails here, as Jet would on open.
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &s, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW) {
        c->close();
        Raise(errnum::JetFailure, QStringLiteral("Unrecognized database format '%1'.").arg(path),
              JetSource());
    }
    c->loadLinks();
    return c;
}

std::shared_ptr<SqliteConnection> SqliteConnection::OpenMemory(const QString& kind)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        vb::Raise(vb::errnum::OutOfMemory);
    }
    return std::shared_ptr<SqliteConnection>(new SqliteConnection(db, QString(), kind));
}

void SqliteConnection::close()
{
    if (!m_db) return;
    for (SqliteStatement* s : m_live)
        s->abandon();
    for (auto& e : m_lru)
        sqlite3_finalize(e.second);
    m_lru.clear();
    m_cache.clear();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_attached.clear();
}

void SqliteConnection::raise(int rc) const
{
    const QString msg = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:\\w+\\.)?(.*)$"));
    static const QRegularExpression notNull(QStringLiteral("^NOT NULL constraint failed: (.*)$"));
    static const QRegularExpression exists(QStringLiteral("^(?:table|view) (.*) already exists$"));
    QRegularExpressionMatch m;
    if ((m = noTable.match(msg)).hasMatch())
        Raise(errnum::NoSuchTable,
              QStringLiteral(
                  "The Microsoft Jet database engine cannot find the input table or query '%1'.  Make "
                  "sure it exists and that its name is spelled correctly.")
                  .arg(m.captured(1)),
              JetSource());
    if (msg.startsWith(QStringLiteral("no such column")))
        Raise(errnum::MissingParameter, QStringLiteral("No value given for one or more required parameters."),
              JetSource());
    if (msg.startsWith(QStringLiteral("UNIQUE constraint failed")) ||
        msg.startsWith(QStringLiteral("PRIMARY KEY must be unique")))
        Raise(
            errnum::JetFailure,
            QStringLiteral("The changes you requested to the table were not successful because they would "
                           "create duplicate values in the index, primary key, or relationship.  Change the "
                           "data in the field or fields that contain duplicate data, remove the index, or "
                           "redefine the index to permit duplicate entries and try again."),
            JetSource());
    if ((m = notNull.match(msg)).hasMatch())
        Raise(errnum::JetFailure,
              QStringLiteral(
                  "The field '%1' cannot contain a Null value because the Required property for this "
                  "field is set to True.  Enter a value in this field.")
                  .arg(m.captured(1)),
              JetSource());
    if ((m = exists.match(msg)).hasMatch()) {
        QString name = m.captured(1);
        if (name.startsWith(u'"') || name.startsWith(u'[')) name = name.mid(1, name.size() - 2);
        Raise(errnum::ErrorsInCommand, QStringLiteral("Table '%1' already exists.").arg(name), JetSource());
    }
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        Raise(errnum::JetFailure, QStringLiteral("Could not update; currently locked."), JetSource());
    if (rc == SQLITE_READONLY)
        Raise(errnum::JetFailure, QStringLiteral("Cannot update.  Database or object is read-only."),
              JetSource());
    if (msg.contains(QStringLiteral("syntax error")) || msg.startsWith(QStringLiteral("incomplete input")))
        Raise(errnum::ErrorsInCommand, QStringLiteral("Syntax error in SQL statement (%1).").arg(msg),
              JetSource());
    Raise(errnum::JetFailure, msg.isEmpty() ? QStringLiteral("Unspecified error") : msg, JetSource());
}

void SqliteConnection::exec(const QString& sql)
{
    if (!m_db) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    const QByteArray b = sql.toUtf8();
    const int rc = sqlite3_exec(m_db, b.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) raise(rc);
}

sqlite3_stmt* SqliteConnection::acquire(const QString& sql)
{
    if (!m_db) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    auto it = m_cache.find(sql);
    if (it != m_cache.end()) {
        sqlite3_stmt* s = it.value()->second;
        m_lru.erase(it.value());
        m_cache.erase(it);
        return s;
    }
    const QByteArray b = sql.toUtf8();
    sqlite3_stmt* s = nullptr;
    const char* tail = nullptr;
    const int rc =
        sqlite3_prepare_v3(m_db, b.constData(), int(b.size()), SQLITE_PREPARE_PERSISTENT, &s, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(s);
        raise(rc);
    }
    if (!s)
        Raise(errnum::ErrorsInCommand,
              QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
                             "'UPDATE'."),
              JetSource());
    if (tail && QString::fromUtf8(tail).trimmed().size() > 0) {
        sqlite3_finalize(s);
        Raise(errnum::ErrorsInCommand, QStringLiteral("Characters found after end of SQL statement."),
              JetSource());
    }
    return s;
}

void SqliteConnection::release(const QString& sql, sqlite3_stmt* stmt)
{
    if (!stmt) return;
    if (!m_db) {
        sqlite3_finalize(stmt);
        return;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (m_cache.contains(sql)) {
        sqlite3_finalize(stmt);
        return;
    }
    m_lru.emplace_front(sql, stmt);
    m_cache.insert(sql, m_lru.begin());
    while (int(m_lru.size()) > CacheCapacity) {
        m_cache.remove(m_lru.back().first);
        sqlite3_finalize(m_lru.back().second);
        m_lru.pop_back();
    }
}

void SqliteConnection::stepToEnd(const QString& sql, sqlite3_stmt* stmt)
{
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        // The error is read off the connection before the statement goes
        // back to the cache, where it is reset.
        try {
            raise(rc);
        } catch (...) {
            release(sql, stmt);
            throw;
        }
    }
    release(sql, stmt);
}

void SqliteConnection::attachExternal(const QStringList& files)
{
    int done = 0;
    try {
        for (const QString& f : files) {
            CheckDatabaseFile(f);
            QString path = f;
            exec(QStringLiteral("ATTACH DATABASE '%1' AS ext%2")
                     .arg(path.replace(u'\'', QStringLiteral("''")))
                     .arg(++done));
        }
    } catch (...) {
        detachExternal(done > 0 ? done - 1 : 0);
        throw;
    }
}

void SqliteConnection::detachExternal(int count)
{
    if (!m_db) return;
    for (int i = 1; i <= count; ++i) {
        const QByteArray b = QStringLiteral("DETACH DATABASE ext%1").arg(i).toUtf8();
        sqlite3_exec(m_db, b.constData(), nullptr, nullptr, nullptr);
    }
}

QString SqliteConnection::attachFile(const QString& path)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (m_attached.contains(key)) return m_attached.value(key);
    CheckDatabaseFile(path);
    const QString alias = QStringLiteral("lnk%1").arg(m_nextAlias++);
    QString p = path;
    exec(QStringLiteral("ATTACH DATABASE '%1' AS %2").arg(p.replace(u'\'', QStringLiteral("''")), alias));
    m_attached.insert(key, alias);
    return alias;
}

void SqliteConnection::detachFile(const QString& path)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (!m_attached.contains(key) || !m_db) return;
    const QByteArray b = QStringLiteral("DETACH DATABASE %1").arg(m_attached.take(key)).toUtf8();
    sqlite3_exec(m_db, b.constData(), nullptr, nullptr, nullptr);
}

std::vector<LinkSpec> SqliteConnection::links()
{
    std::vector<LinkSpec> out;
    if (!m_db) return out;
    sqlite3_stmt* s = nullptr;
    const QByteArray q =
        QStringLiteral("SELECT Name, ProviderString, DataSource, RemoteTable FROM main.%1 ORDER BY Name")
            .arg(linksTable())
            .toUtf8();
    if (sqlite3_prepare_v2(m_db, q.constData(), -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return out; // no links table: no links
    }
    while (sqlite3_step(s) == SQLITE_ROW) {
        auto col = [&](int i) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
        };
        out.push_back({col(0), col(1), col(2), col(3)});
    }
    sqlite3_finalize(s);
    return out;
}

void SqliteConnection::loadLinks()
{
    for (const auto& spec : links()) {
        try {
            CreateLink(*this, spec);
        } catch (const vb::ErrObject&) {
            // A link whose file is gone fails when it is used, as in Jet.
        }
    }
}

std::unique_ptr<Statement> SqliteConnection::prepare(const QString& jetSql, bool withRowid)
{
    if (!m_db) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    // Texts without literals (a command's text with "?") repeat as they are:
    // their translation is kept.
    QString text = jetSql;
    for (const auto& r : m_rewriters)
        text = r.second(text);
    JetSql::Translation tr;
    if (auto it = m_translations.constFind(text); it != m_translations.constEnd()) {
        tr = *it;
    } else {
        tr = JetSql::Translate(text, true);
        if (tr.params.empty()) {
            if (m_translations.size() >= 512) m_translations.clear();
            m_translations.insert(text, tr);
        }
    }
    auto self = shared_from_this();
    if (withRowid) {
        QString sql = tr.sql;
        if (injectRowid(sql)) {
            try {
                auto st = std::make_unique<SqliteStatement>(self, sql, tr, true);
                st->init();
                return st;
            } catch (const vb::ErrObject&) {
                // not a table that has row addresses (a view, a join): read-only
            }
        }
    }
    const QString sql = tr.sql;
    auto st = std::make_unique<SqliteStatement>(self, sql, std::move(tr), false);
    st->init();
    return st;
}

void SqliteConnection::setRewriter(const QString& name, std::function<QString(const QString&)> rewrite)
{
    for (auto& r : m_rewriters)
        if (r.first == name) {
            r.second = std::move(rewrite);
            return;
        }
    m_rewriters.emplace_back(name, std::move(rewrite));
}

void SqliteConnection::beginTrans(int level)
{
    exec(level <= 1 ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT tv%1").arg(level));
}

void SqliteConnection::commitTrans(int level)
{
    exec(level <= 1 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE tv%1").arg(level));
}

void SqliteConnection::rollbackTrans(int level)
{
    if (level <= 1)
        exec(QStringLiteral("ROLLBACK"));
    else
        exec(QStringLiteral("ROLLBACK TO tv%1; RELEASE tv%1").arg(level));
}

std::vector<TableInfo> SqliteConnection::tables()
{
    std::vector<TableInfo> out;
    if (!m_db) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    const auto linkList = links();
    QSet<QString> linkNames;
    for (const auto& l : linkList) {
        linkNames.insert(l.name.toLower());
        out.push_back({l.name, QStringLiteral("LINK")});
    }
    auto scan = [&](const char* master) {
        sqlite3_stmt* s = nullptr;
        const QByteArray q = QStringLiteral("SELECT name, type FROM %1 WHERE type IN ('table','view') AND "
                                            "substr(name,1,7) <> 'sqlite_'")
                                 .arg(QLatin1String(master))
                                 .toUtf8();
        if (sqlite3_prepare_v2(m_db, q.constData(), -1, &s, nullptr) != SQLITE_OK) {
            sqlite3_finalize(s);
            raise(SQLITE_ERROR);
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
            const QString type = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
            if (linkNames.contains(name.toLower())) continue;
            if (type == u"view")
                out.push_back({name, QStringLiteral("VIEW")});
            else if (name.startsWith(QStringLiteral("MSys"), Qt::CaseInsensitive))
                out.push_back({name, QStringLiteral("SYSTEM TABLE")});
            else
                out.push_back({name, QStringLiteral("TABLE")});
        }
        sqlite3_finalize(s);
    };
    scan("main.sqlite_master");
    scan("temp.sqlite_master");
    std::stable_sort(out.begin(), out.end(), [](const TableInfo& a, const TableInfo& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return out;
}

void SqliteConnection::updateRow(const ColumnInfo& table, qint64 rowid,
                                 const std::vector<ColumnInfo>& columns,
                                 const std::vector<vb::Variant>& values)
{
    if (columns.empty()) return;
    QStringList sets;
    for (const auto& c : columns)
        sets << quoteName(c.column) + QStringLiteral("=?");
    const QString sql =
        QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(qualified(table), sets.join(QLatin1Char(',')));
    sqlite3_stmt* s = acquire(sql);
    int pos = 1;
    for (const auto& v : values)
        BindVariant(s, pos++, v);
    sqlite3_bind_int64(s, pos, rowid);
    stepToEnd(sql, s);
}

qint64 SqliteConnection::insertRow(const ColumnInfo& table, const std::vector<ColumnInfo>& columns,
                                   const std::vector<vb::Variant>& values)
{
    QString sql;
    if (columns.empty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(qualified(table));
    } else {
        QStringList names, marks;
        for (const auto& c : columns) {
            names << quoteName(c.column);
            marks << QStringLiteral("?");
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(qualified(table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    }
    sqlite3_stmt* s = acquire(sql);
    int pos = 1;
    for (const auto& v : values)
        BindVariant(s, pos++, v);
    stepToEnd(sql, s);
    return sqlite3_last_insert_rowid(m_db);
}

void SqliteConnection::deleteRow(const ColumnInfo& table, qint64 rowid)
{
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(qualified(table));
    sqlite3_stmt* s = acquire(sql);
    sqlite3_bind_int64(s, 1, rowid);
    stepToEnd(sql, s);
}

bool SqliteConnection::fetchRow(const ColumnInfo& table, qint64 rowid, const std::vector<ColumnInfo>& columns,
                                std::vector<vb::Variant>& values)
{
    QStringList names;
    for (const auto& c : columns)
        names << (c.column.isEmpty() ? QStringLiteral("NULL") : quoteName(c.column));
    if (names.isEmpty()) names << QStringLiteral("1");
    const QString sql =
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?").arg(names.join(QLatin1Char(',')), qualified(table));
    sqlite3_stmt* s = acquire(sql);
    sqlite3_bind_int64(s, 1, rowid);
    const int rc = sqlite3_step(s);
    bool found = false;
    if (rc == SQLITE_ROW) {
        found = true;
        values.clear();
        for (size_t i = 0; i < columns.size(); ++i)
            values.push_back(ValueFromSqlite(s, int(i), columns[i].type, columns[i].typeKnown));
    }
    release(sql, s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) raise(rc);
    return found;
}

// ---- fast paths

namespace {

// One statement kept ready for the life of the look-up, the key bound and
// one step per call: the store's key is the table's rowid, so a look-up
// is one b-tree descent.
class SqliteKeyLookup : public KeyLookup {
public:
    SqliteKeyLookup(SqliteConnection& db, const QString& table, const QString& column) : m_db(db)
    {
        const QByteArray sql =
            (QStringLiteral("SELECT count(*) FROM \"") +
             QString(table).replace(QStringLiteral("\""), QStringLiteral("\"\"")) +
             QStringLiteral("\" WHERE \"") +
             QString(column).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + QStringLiteral("\"=?"))
                .toUtf8();
        const int rc = sqlite3_prepare_v3(db.handle(), sql.constData(), int(sql.size()),
                                          SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            db.raise(rc);
        }
    }
    ~SqliteKeyLookup() override { sqlite3_finalize(m_stmt); }

    qint64 count(qint64 key) override
    {
        sqlite3_bind_int64(m_stmt, 1, key);
        return step();
    }
    qint64 count(const vb::Variant& key) override
    {
        BindVariant(m_stmt, 1, key);
        return step();
    }

private:
    qint64 step()
    {
        const int rc = sqlite3_step(m_stmt);
        const qint64 n = rc == SQLITE_ROW ? sqlite3_column_int64(m_stmt, 0) : 0;
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) m_db.raise(rc);
        return n;
    }

    SqliteConnection& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace

std::unique_ptr<KeyLookup> SqliteConnection::keyLookup(const QString& table, const QString& column)
{
    if (!m_db) RaiseAdo(errnum::ObjectClosed, QStringLiteral("ADODB.Connection"));
    return std::make_unique<SqliteKeyLookup>(*this, table, column);
}

void SqliteConnection::prepareForLookups()
{
    // One random look-up per record. The pages read stay in a page cache of
    // a fixed size rather than a memory map of the file: a map grows the
    // process by every page it touched, which for the whole registry is
    // the whole store, once for every connection that reads it.
    if (!m_db || m_path.isEmpty()) return;
    sqlite3_exec(m_db, "PRAGMA mmap_size=0; PRAGMA cache_size=-4096", nullptr, nullptr, nullptr);
}

std::shared_ptr<ProviderConnection> SqliteConnection::openReader()
{
    // Only a database file has a second way in; an in-memory database of
    // the text, workbook and table providers is this connection's alone.
    if (!m_db || m_path.isEmpty() || m_kind != u"jet") return nullptr;
    sqlite3* db = nullptr;
    // One thread at a time uses the reader, so SQLite's own lock per call is
    // not needed.
    const int rc = sqlite3_open_v2(m_path.toUtf8().constData(), &db,
                                   SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        Raise(errnum::JetFailure, msg, JetSource());
    }
    return std::shared_ptr<SqliteConnection>(new SqliteConnection(db, m_path, m_kind));
}

} // namespace ado
