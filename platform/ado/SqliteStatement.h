#pragma once
// A statement of a SQLite connection: a Jet statement's translation,
// prepared through the connection's cache, its columns described as ADO
// reports them and its rows stepped. Private to the SQLite provider.

#include "platform/ado/SqliteProvider.h"

#include <QStringList>
#include <memory>
#include <sqlite3.h>
#include <utility>
#include <vector>

namespace ado {

class SqliteStatement : public Statement {
public:
    SqliteStatement(std::shared_ptr<SqliteConnection> conn, QString sql, JetSql::Translation tr,
                    bool rowidCol);
    ~SqliteStatement() override;

    // Prepares the base statement and describes its columns.
    void init();

    bool returnsRows() const { return sqlite3_column_count(m_base) > 0; }
    // The engine's statement at the current row, for reads in bulk.
    sqlite3_stmt* current() const { return m_cur; }
    const ColumnInfo& rowidTable() const { return m_rowidTable; }

    int columnCount() const override { return int(m_cols.size()); }
    const ColumnInfo& column(int i) const override { return m_cols.at(size_t(i)); }

    void bind(int position, const vb::Variant& value) override;
    void execute(qint64 offset) override;
    bool next() override;
    vb::Variant value(int i) const override;

    bool hasRowid() const override { return m_hasRowid; }
    qint64 rowid() const override { return m_hasRowid ? sqlite3_column_int64(m_cur, 0) : 0; }

    qint64 countRows() override;
    qint64 changes() const override { return m_changes; }
    void finish() override;

    // The connection closes under us: its close finalizes our statements.
    void abandon();

private:
    QString offsetSql() const { return QStringLiteral("SELECT * FROM (%1) LIMIT -1 OFFSET ?").arg(m_sql); }

    void checkOpen() const;
    void bindAll(sqlite3_stmt* s);
    void onRow();
    [[noreturn]] void fail(int rc);

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

} // namespace ado
