#include "platform/ado/SqliteStatement.h"

#include "platform/ado/Ado.h"
#include "platform/vb/Err.h"

namespace ado {

namespace {

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

SqliteStatement::SqliteStatement(std::shared_ptr<SqliteConnection> conn, QString sql, JetSql::Translation tr,
                                 bool rowidCol)
    : m_conn(std::move(conn)), m_sql(std::move(sql)), m_lifted(std::move(tr.params)),
      m_attach(std::move(tr.attach)), m_rowidCol(rowidCol)
{
    m_conn->track(this);
}

SqliteStatement::~SqliteStatement()
{
    if (m_conn->isOpen()) {
        finish();
        if (m_base) m_conn->release(m_sql, m_base);
        if (m_offset) m_conn->release(offsetSql(), m_offset);
    }
    m_conn->untrack(this);
}

void SqliteStatement::init()
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

void SqliteStatement::bind(int position, const vb::Variant& value)
{
    for (auto& b : m_binds)
        if (b.first == position) {
            b.second = value;
            return;
        }
    m_binds.emplace_back(position, value);
}

void SqliteStatement::execute(qint64 offset)
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

bool SqliteStatement::next()
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

vb::Variant SqliteStatement::value(int i) const
{
    const auto& c = m_cols.at(size_t(i));
    return ValueFromSqlite(m_cur, i + (m_rowidCol ? 1 : 0), c.type, c.typeKnown);
}

qint64 SqliteStatement::countRows()
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

void SqliteStatement::finish()
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

void SqliteStatement::abandon()
{
    if (m_base) sqlite3_finalize(m_base);
    if (m_offset) sqlite3_finalize(m_offset);
    m_base = m_offset = m_cur = nullptr;
    m_abandoned = true;
    m_attachedNow = false;
    m_done = true;
    m_pending = false;
}

void SqliteStatement::checkOpen() const
{
    if (!m_conn->isOpen() || !m_base) RaiseAdo(errnum::ObjectClosed, RecordsetSource());
}

void SqliteStatement::bindAll(sqlite3_stmt* s)
{
    sqlite3_clear_bindings(s);
    int pos = 1;
    for (const auto& v : m_lifted)
        BindVariant(s, pos++, v);
    for (const auto& b : m_binds)
        if (b.first <= sqlite3_bind_parameter_count(s)) BindVariant(s, b.first, b.second);
}

void SqliteStatement::onRow()
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

void SqliteStatement::fail(int rc)
{
    // keep the message before the reset clears it
    try {
        m_conn->raise(rc);
    } catch (...) {
        finish();
        throw;
    }
}

// ---------------------------------------------------------------- the connection's statements

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

} // namespace ado
