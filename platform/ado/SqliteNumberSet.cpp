#include "platform/ado/SqliteNumberSet.h"

#include "platform/ado/JetSql.h"
#include "platform/ado/NumberSet.h"
#include "platform/ado/SqliteStatement.h"
#include "platform/ado/VirtualTables.h"
#include "platform/vb/Err.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sqlite3.h>

namespace ado {

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

void RegisterNumberSetModule(sqlite3* db)
{
    sqlite3_create_module_v2(db, "tv_numbers", &kNumbersModule, nullptr, nullptr);
}

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
                            .arg(QuoteNativeName(table), QuoteNativeName(column));
    sqlite3_stmt* s = acquire(sql);
    sqlite3_bind_pointer(s, 1, const_cast<NumberSet*>(&numbers), kNumberSetPointer, nullptr);
    stepToEnd(sql, s);
    return sqlite3_changes64(m_db);
}

} // namespace ado
