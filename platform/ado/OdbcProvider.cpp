#include "platform/ado/OdbcProvider.h"

#include "platform/ado/Ado.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/ServerWatch.h"
#include "platform/vb/Err.h"

#include <QDateTime>
#include <sql.h>
#include <sqlext.h>

#include <optional>

namespace ado {

namespace {

QString odbcSource()
{
    return QStringLiteral("Microsoft OLE DB Provider for ODBC Drivers");
}

const QString kLost = QStringLiteral("The connection to the database server is lost: ");

// What a failed call was doing: a connection exception of a connection
// that was open means it is lost; while connecting it means none was made.
enum class Call { OnOpenConnection, Connecting };

// The driver manager's messages for a handle, as one text.
QString diagnostics(SQLSMALLINT type, SQLHANDLE handle, Call call = Call::OnOpenConnection)
{
    QStringList out;
    bool lost = false;
    for (SQLSMALLINT i = 1; i < 10; ++i) {
        SQLCHAR state[8] = {0};
        SQLINTEGER native = 0;
        SQLCHAR text[1024] = {0};
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &len))) break;
        // Class 08 is a connection exception, 57P01-57P03 a server that
        // shut down or restarts: the driver's words for them ("terminating
        // connection due to administrator command") do not tell a user
        // that the server went away.
        const QByteArray code(reinterpret_cast<const char*>(state));
        lost = lost || code.startsWith("08") || code == "57P01" || code == "57P02" || code == "57P03";
        const QString said = QString::fromUtf8(reinterpret_cast<const char*>(text)).trimmed();
        if (!said.isEmpty()) out << said;
    }
    if (call == Call::Connecting) {
        // A refused login (28xxx, or 08001/08004 with the server's reason)
        // says so in the driver's words; a server that never answered may
        // leave none.
        if (out.isEmpty()) return QStringLiteral("The database server could not be reached.");
        return out.join(QLatin1Char('\n'));
    }
    if (out.isEmpty()) return QStringLiteral("Unspecified error");
    const QString said = out.join(QLatin1Char('\n'));
    return lost ? kLost + said : said;
}

// A call on a connection whose watch cut it failed for that: the driver's
// own words (the server closed the connection) would mislead.
[[noreturn]] void fail(SQLSMALLINT type, SQLHANDLE handle, const ServerWatch* watch = nullptr)
{
    if (watch && watch->cutOff()) Raise(errnum::JetFailure, watch->lostText(), odbcSource());
    Raise(errnum::JetFailure, diagnostics(type, handle), odbcSource());
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const ServerWatch* watch = nullptr)
{
    if (!SQL_SUCCEEDED(rc)) fail(type, handle, watch);
}

// Runs one driver call that may wait on the server, under the watch.
template <typename Call> SQLRETURN watched(ServerWatch* watch, Call call)
{
    ServerWatch::Call c(watch);
    return call();
}

// The same for a call that may ask the server and wait for its answer (a
// statement's description, its run and its fetches, a commit): on the
// window's thread the window is drawn while it waits.
template <typename Call> SQLRETURN waited(ServerWatch* watch, Call call)
{
    ServerWatch::Call c(watch);
    SQLRETURN rc = SQL_ERROR;
    ServerWatch::RunAside([&] { rc = call(); });
    return rc;
}

// Gives a statement the connection's command timeout; a driver without one
// goes without.
void setQueryTimeout(SQLHSTMT stmt, long seconds)
{
    SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(std::max(0L, seconds))),
                   0);
}

// An ODBC attribute value, in braces when it holds what would end it.
QString odbcValue(const QString& v)
{
    if (v.contains(u';') || v.contains(u'{') || v.contains(u'}') || v.startsWith(u' ') || v.endsWith(u' '))
        return QLatin1Char('{') + QString(v).replace(QStringLiteral("}"), QStringLiteral("}}")) +
               QLatin1Char('}');
    return v;
}

QByteArray utf8(const QString& s)
{
    return s.toUtf8();
}

bool parseDateTime(const QString& s, double& ole)
{
    QDateTime dt = QDateTime::fromString(s.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
        if (d.isValid()) {
            dt = QDateTime(d, QTime(0, 0));
        } else {
            const QTime t = QTime::fromString(s.left(8), QStringLiteral("HH:mm:ss"));
            if (!t.isValid()) return false;
            ole = t.msecsSinceStartOfDay() / 86400000.0;
            return true;
        }
    }
    const qint64 days = QDate(1899, 12, 30).daysTo(dt.date());
    const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
    ole = days >= 0 ? days + frac : days - frac;
    return true;
}

class OdbcConnection;

class OdbcStatement : public Statement {
public:
    OdbcStatement(std::shared_ptr<OdbcConnection> conn, SQLHDBC dbc, const QString& sql);
    ~OdbcStatement() override
    {
        if (m_stmt) SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
    }

    int columnCount() const override { return int(m_cols.size()); }
    const ColumnInfo& column(int i) const override { return m_cols.at(size_t(i)); }

    void bind(int position, const vb::Variant& value) override
    {
        if (position < 1) return;
        if (m_params.size() < size_t(position)) m_params.resize(size_t(position));
        m_params[size_t(position - 1)] = value;
    }

    void execute(qint64 offset) override
    {
        if (m_executed && m_params.empty()) {
            // a driver that describes a query only once it runs has run it already
            m_executed = false;
        } else {
            m_executed = false;
            finish();
            bindAll();
            const SQLRETURN rc = waited(m_watch, [&] { return SQLExecute(m_stmt); });
            if (rc != SQL_NO_DATA) check(rc, SQL_HANDLE_STMT, m_stmt, m_watch);
        }
        m_changes = 0;
        if (m_cols.empty()) {
            SQLLEN n = 0;
            if (SQL_SUCCEEDED(SQLRowCount(m_stmt, &n)) && n > 0) m_changes = n;
            SQLFreeStmt(m_stmt, SQL_CLOSE);
            return;
        }
        m_open = true;
        for (qint64 i = 0; i < offset; ++i)
            if (!fetch()) break;
    }

    bool next() override
    {
        if (!m_open) return false;
        if (!fetch()) return false;
        readRow();
        return true;
    }

    vb::Variant value(int i) const override { return m_row.at(size_t(i)); }
    bool hasRowid() const override { return false; }
    qint64 rowid() const override { return 0; }

    qint64 countRows() override
    {
        execute(0);
        qint64 n = 0;
        while (fetch())
            ++n;
        finish();
        return n;
    }

    qint64 changes() const override { return m_changes; }

    void finish() override
    {
        if (m_stmt) watched(m_watch, [&] { return SQLFreeStmt(m_stmt, SQL_CLOSE); });
        m_open = false;
        m_executed = false;
    }

private:
    bool fetch()
    {
        const SQLRETURN rc = waited(m_watch, [&] { return SQLFetch(m_stmt); });
        if (rc == SQL_NO_DATA) {
            finish();
            return false;
        }
        check(rc, SQL_HANDLE_STMT, m_stmt, m_watch);
        return true;
    }

    void describe()
    {
        ServerWatch::Call call(m_watch);
        SQLSMALLINT n = 0;
        // A driver that describes a statement before it runs asks the server
        // here, where a locked table keeps it waiting.
        check(waited(m_watch, [&] { return SQLNumResultCols(m_stmt, &n); }), SQL_HANDLE_STMT, m_stmt,
              m_watch);
        m_cols.clear();
        m_sqlTypes.clear();
        for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(n); ++i) {
            SQLCHAR name[512] = {0};
            SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            SQLDescribeCol(m_stmt, i, name, sizeof name, &nameLen, &type, &size, &digits, &nullable);
            ColumnInfo c;
            c.name = QString::fromUtf8(reinterpret_cast<const char*>(name));
            c.type = AdoTypeOfSqlType(type);
            c.definedSize = qint64(size);
            c.typeKnown = true;
            m_cols.push_back(c);
            m_sqlTypes.push_back(type);
        }
    }

    void bindAll()
    {
        m_bound.clear();
        m_numbers.clear();
        m_lengths.assign(m_params.size(), 0);
        m_bound.reserve(m_params.size());
        m_numbers.reserve(m_params.size());
        for (size_t i = 0; i < m_params.size(); ++i) {
            const vb::Variant& v = m_params[i];
            SQLUSMALLINT pos = SQLUSMALLINT(i + 1);
            if (v.isNull() || v.isEmpty()) {
                m_bound.emplace_back();
                m_lengths[i] = SQL_NULL_DATA;
                SQLBindParameter(m_stmt, pos, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0,
                                 &m_lengths[i]);
                continue;
            }
            if (v.type() == vb::VarType::Integer || v.type() == vb::VarType::Long ||
                v.type() == vb::VarType::LongLong || v.type() == vb::VarType::Byte ||
                v.type() == vb::VarType::Boolean) {
                // A number is bound as one, so a server compares it with an
                // integer column as a number ("phone = ?").
                m_numbers.push_back(v.type() == vb::VarType::Boolean ? (v.toBool() ? 1 : 0) : v.toLongLong());
                m_bound.emplace_back();
                SQLBindParameter(m_stmt, pos, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                                 &m_numbers.back(), 0, nullptr);
                continue;
            }
            m_bound.push_back(utf8(v.text()));
            QByteArray& b = m_bound.back();
            m_lengths[i] = SQLLEN(b.size());
            SQLBindParameter(m_stmt, pos, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                             SQLULEN(std::max<qsizetype>(1, b.size())), 0, b.data(), SQLLEN(b.size()),
                             &m_lengths[i]);
        }
    }

    void readRow()
    {
        m_row.assign(m_cols.size(), vb::Variant::Null());
        for (size_t i = 0; i < m_cols.size(); ++i) {
            const SQLUSMALLINT col = SQLUSMALLINT(i + 1);
            SQLLEN ind = 0;
            switch (m_cols[i].type) {
            case adSmallInt:
            case adInteger:
            case adBigInt:
            case adTinyInt:
            case adUnsignedTinyInt: {
                SQLBIGINT v = 0;
                if (SQL_SUCCEEDED(SQLGetData(m_stmt, col, SQL_C_SBIGINT, &v, 0, &ind)) &&
                    ind != SQL_NULL_DATA)
                    m_row[i] = m_cols[i].type == adBigInt ? vb::Variant::fromLongLong(v)
                                                          : vb::Variant(static_cast<long long>(v));
                break;
            }
            case adSingle:
            case adDouble: {
                double v = 0;
                if (SQL_SUCCEEDED(SQLGetData(m_stmt, col, SQL_C_DOUBLE, &v, 0, &ind)) && ind != SQL_NULL_DATA)
                    m_row[i] =
                        m_cols[i].type == adSingle ? vb::Variant(static_cast<float>(v)) : vb::Variant(v);
                break;
            }
            case adBoolean: {
                unsigned char v = 0;
                if (SQL_SUCCEEDED(SQLGetData(m_stmt, col, SQL_C_BIT, &v, 0, &ind)) && ind != SQL_NULL_DATA)
                    m_row[i] = vb::Variant(v != 0);
                break;
            }
            case adBinary:
            case adVarBinary:
            case adLongVarBinary: {
                // bytes have no Variant form here; they read as their length-less Null
                break;
            }
            default: {
                QByteArray text;
                bool isNull = false;
                for (;;) {
                    char buf[4096];
                    const SQLRETURN rc = SQLGetData(m_stmt, col, SQL_C_CHAR, buf, sizeof buf, &ind);
                    if (rc == SQL_NO_DATA) break;
                    if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, m_stmt, m_watch);
                    if (ind == SQL_NULL_DATA) {
                        isNull = true;
                        break;
                    }
                    const qsizetype got = (ind == SQL_NO_TOTAL || ind >= SQLLEN(sizeof buf))
                                              ? qsizetype(sizeof buf - 1)
                                              : qsizetype(ind);
                    text.append(buf, got);
                    if (rc == SQL_SUCCESS) break;
                }
                if (isNull) break;
                const QString s = QString::fromUtf8(text);
                const int t = m_cols[i].type;
                if (t == 133 || t == 134 || t == 135 || t == adDate) {
                    double ole = 0;
                    m_row[i] = parseDateTime(s, ole) ? vb::Variant::fromDate(ole) : vb::Variant(s);
                } else if (t == adNumeric || t == adDecimal || t == adCurrency) {
                    bool ok = false;
                    const double d = s.toDouble(&ok);
                    m_row[i] = ok ? (t == adCurrency ? vb::Variant::fromCurrency(std::llround(d * 10000.0))
                                                     : vb::Variant(d))
                                  : vb::Variant(s);
                } else {
                    m_row[i] = vb::Variant(s);
                }
            }
            }
        }
    }

    std::shared_ptr<OdbcConnection> m_conn; // keeps the connection handle alive
    ServerWatch* m_watch = nullptr;         // the connection's, while it lives
    SQLHSTMT m_stmt = nullptr;
    std::vector<ColumnInfo> m_cols;
    std::vector<SQLSMALLINT> m_sqlTypes;
    std::vector<vb::Variant> m_params;
    std::vector<QByteArray> m_bound;
    std::vector<SQLBIGINT> m_numbers; // reserved up front: bound by address
    std::vector<SQLLEN> m_lengths;
    std::vector<vb::Variant> m_row;
    bool m_open = false;
    bool m_executed = false;
    qint64 m_changes = 0;
};

class OdbcConnection : public ProviderConnection, public std::enable_shared_from_this<OdbcConnection> {
public:
    OdbcConnection(const QString& odbcString, long connectionTimeout)
        : m_connectionTimeout(std::max(0L, connectionTimeout))
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        if (!m_env) vb::Raise(vb::errnum::OutOfMemory);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(SQLULEN(m_connectionTimeout)), 0);
        QByteArray cs = utf8(odbcString);
        SQLCHAR out[1024];
        SQLSMALLINT outLen = 0;
        SQLRETURN rc = SQL_ERROR;
        bool connected = false;
        const int socket = ServerWatch::NewSocket(
            [&] {
                rc = SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(cs.data()), SQL_NTS, out,
                                      sizeof out, &outLen, SQL_DRIVER_NOPROMPT);
                return SQL_SUCCEEDED(rc);
            },
            &connected);
        if (!connected) {
            const QString msg = diagnostics(SQL_HANDLE_DBC, m_dbc, Call::Connecting);
            release();
            Raise(errnum::JetFailure, msg, odbcSource());
        }
        m_connected = true;
        SQLCHAR name[256] = {0};
        SQLSMALLINT nameLen = 0;
        if (SQL_SUCCEEDED(SQLGetInfo(m_dbc, SQL_DBMS_NAME, name, sizeof name, &nameLen)))
            m_dbms = QString::fromUtf8(reinterpret_cast<const char*>(name));
        m_postgres = m_dbms.compare(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive) == 0;
        // Other drivers time their statements out on their own side.
        if (m_postgres) m_watch = ServerWatch::Create(socket, KnockPostgres);
        setCommandTimeout(30);
    }

    ~OdbcConnection() override { close(); }

    ServerWatch* watch() const { return m_watch.get(); }
    // The query timeout of each statement: the server keeps the one of a
    // PostgreSQL session itself.
    long statementTimeout() const { return m_postgres ? 0 : m_commandTimeout; }
    long loginTimeout() const
    {
        SQLULEN seconds = 0;
        if (!SQL_SUCCEEDED(SQLGetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT, &seconds, 0, nullptr))) return -1;
        return long(seconds);
    }

    // A statement waits as long as the command timeout. A watched server is
    // knocked at after that long, or after the connection timeout when
    // statements may take as long as they take: a live server still answers
    // the knock, a stopped one still needs to be found out.
    void setCommandTimeout(long seconds) override
    {
        const long timeout = std::max(0L, seconds);
        if (timeout == m_commandTimeout) return;
        // psqlODBC turns a statement's query timeout into the server's
        // statement_timeout, set anew whenever it differs from the last
        // statement's, and runs its own catalog queries without one: a
        // table list costs two more round trips, and after a lost
        // connection it is that setting that fails, in other words. On
        // PostgreSQL the session's setting is made once here instead.
        if (m_postgres) {
            ServerWatch::Call call(m_watch.get());
            SQLHSTMT st = nullptr;
            check(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st), SQL_HANDLE_DBC, m_dbc);
            QByteArray sql = "SET statement_timeout = " + QByteArray::number(qint64(timeout) * 1000);
            const SQLRETURN rc = SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS);
            const QString msg = SQL_SUCCEEDED(rc) ? QString() : diagnostics(SQL_HANDLE_STMT, st);
            SQLFreeHandle(SQL_HANDLE_STMT, st);
            if (!msg.isEmpty()) {
                if (m_watch && m_watch->cutOff())
                    Raise(errnum::JetFailure, m_watch->lostText(), odbcSource());
                Raise(errnum::JetFailure, msg, odbcSource());
            }
        }
        m_commandTimeout = timeout;
        if (m_watch) m_watch->setPeriods(timeout > 0 ? timeout : m_connectionTimeout, m_connectionTimeout);
    }

    QString kind() const override { return QStringLiteral("odbc"); }
    QString dbms() const override { return m_dbms; }
    bool isPostgres() const { return m_postgres; }
    SQLHDBC handle() const { return m_dbc; }

    // Server SQL as written, for the bulk paths.
    std::unique_ptr<OdbcStatement> prepareNative(const QString& sql)
    {
        if (!m_connected) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
        return std::make_unique<OdbcStatement>(shared_from_this(), m_dbc, sql);
    }

    // The server's own quote (MySQL's backquote, the standard double quote),
    // doubled inside the name. A server whose SQL is translated from Jet's,
    // and a driver that has no quote, get Jet's brackets.
    QString quoteName(const QString& name) const override
    {
        char quote[8] = {0};
        SQLSMALLINT len = 0;
        if (m_postgres || !m_connected ||
            !SQL_SUCCEEDED(SQLGetInfo(m_dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &len)) ||
            len != 1 || quote[0] == ' ')
            return ProviderConnection::quoteName(name);
        const QString q = QString(QLatin1Char(quote[0]));
        return q + QString(name).replace(q, q + q) + q;
    }

    // The program writes Jet SQL; a server whose dialect the translator
    // knows gets it in its own words, any other gets it as written.
    std::unique_ptr<Statement> prepare(const QString& sql, bool) override
    {
        if (!m_connected) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
        return std::make_unique<OdbcStatement>(shared_from_this(), m_dbc,
                                               m_postgres ? JetSql::TranslateForPostgres(sql) : sql);
    }

    void beginTrans(int level) override
    {
        if (level <= 1)
            check(watched(m_watch.get(),
                          [&] {
                              return SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT,
                                                       reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
                          }),
                  SQL_HANDLE_DBC, m_dbc, m_watch.get());
    }

    // On PostgreSQL a transaction at the default level takes a new snapshot
    // for every statement, so a reader's later look-ups could see an import
    // committed after its first ones. Repeatable read there is one snapshot
    // for the whole transaction, and a reader never waits on writers.
    void beginReadTrans() override
    {
        if (m_postgres) {
            ServerWatch::Call call(m_watch.get());
            SQLULEN level = 0;
            if (SQL_SUCCEEDED(SQLGetConnectAttr(m_dbc, SQL_ATTR_TXN_ISOLATION, &level, 0, nullptr)) &&
                SQL_SUCCEEDED(SQLSetConnectAttr(m_dbc, SQL_ATTR_TXN_ISOLATION,
                                                reinterpret_cast<SQLPOINTER>(SQL_TXN_REPEATABLE_READ), 0)))
                m_isolationAfterRead = level;
        }
        beginTrans(1);
    }

    void commitTrans(int level) override { endTrans(level, SQL_COMMIT); }
    void rollbackTrans(int level) override { endTrans(level, SQL_ROLLBACK); }

    std::vector<TableInfo> tables() override
    {
        if (!m_connected) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
        std::vector<TableInfo> out;
        SQLHSTMT st = nullptr;
        check(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st), SQL_HANDLE_DBC, m_dbc);
        setQueryTimeout(st, statementTimeout());
        ServerWatch::Call call(m_watch.get());
        SQLRETURN rc = SQLTables(st, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
        if (!SQL_SUCCEEDED(rc)) {
            const QString msg =
                m_watch && m_watch->cutOff() ? m_watch->lostText() : diagnostics(SQL_HANDLE_STMT, st);
            SQLFreeHandle(SQL_HANDLE_STMT, st);
            Raise(errnum::JetFailure, msg, odbcSource());
        }
        while (SQL_SUCCEEDED(SQLFetch(st))) {
            auto text = [&](SQLUSMALLINT col) {
                char buf[512] = {0};
                SQLLEN ind = 0;
                if (!SQL_SUCCEEDED(SQLGetData(st, col, SQL_C_CHAR, buf, sizeof buf, &ind)) ||
                    ind == SQL_NULL_DATA)
                    return QString();
                return QString::fromUtf8(buf);
            };
            const QString name = text(3);
            QString type = text(4).toUpper();
            if (type == u"BASE TABLE") type = QStringLiteral("TABLE");
            if (!name.isEmpty()) out.push_back({name, type});
        }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        return out;
    }

    void updateRow(const ColumnInfo&, qint64, const std::vector<ColumnInfo>&,
                   const std::vector<vb::Variant>&) override
    {
        RaiseAdo(errnum::NotUpdatable, RecordsetSource());
    }
    qint64 insertRow(const ColumnInfo&, const std::vector<ColumnInfo>&,
                     const std::vector<vb::Variant>&) override
    {
        RaiseAdo(errnum::NotUpdatable, RecordsetSource());
    }
    void deleteRow(const ColumnInfo&, qint64) override { RaiseAdo(errnum::NotUpdatable, RecordsetSource()); }
    bool fetchRow(const ColumnInfo&, qint64, const std::vector<ColumnInfo>&,
                  std::vector<vb::Variant>&) override
    {
        return false;
    }

    void close() override
    {
        m_watch.reset(); // before the socket it watches goes
        if (m_connected) SQLDisconnect(m_dbc);
        m_connected = false;
        release();
    }

private:
    void endTrans(int level, SQLSMALLINT how)
    {
        if (level > 1) return;
        check(waited(m_watch.get(), [&] { return SQLEndTran(SQL_HANDLE_DBC, m_dbc, how); }), SQL_HANDLE_DBC,
              m_dbc, m_watch.get());
        SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
        if (m_isolationAfterRead) {
            SQLSetConnectAttr(m_dbc, SQL_ATTR_TXN_ISOLATION,
                              reinterpret_cast<SQLPOINTER>(*m_isolationAfterRead), 0);
            m_isolationAfterRead.reset();
        }
    }

    void release()
    {
        if (m_dbc) SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        if (m_env) SQLFreeHandle(SQL_HANDLE_ENV, m_env);
        m_dbc = nullptr;
        m_env = nullptr;
    }

    SQLHENV m_env = nullptr;
    std::optional<SQLULEN> m_isolationAfterRead; // set while a read transaction runs
    SQLHDBC m_dbc = nullptr;
    bool m_connected = false;
    QString m_dbms;
    bool m_postgres = false;
    const long m_connectionTimeout;
    long m_commandTimeout = -1;           // none applied yet
    std::unique_ptr<ServerWatch> m_watch; // for a PostgreSQL server
};

OdbcStatement::OdbcStatement(std::shared_ptr<OdbcConnection> conn, SQLHDBC dbc, const QString& sql)
    : m_conn(std::move(conn)), m_watch(m_conn->watch())
{
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &m_stmt), SQL_HANDLE_DBC, dbc);
    setQueryTimeout(m_stmt, m_conn->statementTimeout());
    QByteArray text = utf8(sql);
    const SQLRETURN rc =
        waited(m_watch, [&] { return SQLPrepare(m_stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS); });
    if (!SQL_SUCCEEDED(rc)) {
        const QString msg =
            m_watch && m_watch->cutOff() ? m_watch->lostText() : diagnostics(SQL_HANDLE_STMT, m_stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        m_stmt = nullptr;
        Raise(errnum::JetFailure, msg, odbcSource());
    }
    try {
        describe();
        if (m_cols.empty()) {
            // Some drivers describe a query's columns only after it has run.
            const QString head = sql.trimmed().section(u' ', 0, 0).toUpper();
            if (head == u"SELECT" || head == u"WITH" || head == u"SHOW" || head == u"EXEC" ||
                head == u"CALL") {
                check(waited(m_watch, [&] { return SQLExecute(m_stmt); }), SQL_HANDLE_STMT, m_stmt, m_watch);
                describe();
                if (m_cols.empty())
                    SQLFreeStmt(m_stmt, SQL_CLOSE);
                else
                    m_executed = true;
            }
        }
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt); // no destructor runs for a constructor that throws
        m_stmt = nullptr;
        throw;
    }
}

OdbcConnection& postgres(ProviderConnection& connection)
{
    auto* odbc = dynamic_cast<OdbcConnection*>(&connection);
    if (!odbc || !odbc->isPostgres())
        Raise(errnum::NotAllowedInContext, QStringLiteral("This needs a PostgreSQL server."), odbcSource());
    return *odbc;
}

// "{v1,v2,...}" of count values.
QByteArray arrayText(const qint64* values, std::size_t count)
{
    QByteArray text;
    text.reserve(qsizetype(count * 9 + 2));
    text += '{';
    char buf[24];
    for (std::size_t i = 0; i < count; ++i) {
        if (i) text += ',';
        qint64 v = values[i];
        const bool negative = v < 0;
        quint64 u = negative ? quint64(-(v + 1)) + 1 : quint64(v);
        int n = 0;
        do {
            buf[n++] = char('0' + u % 10);
            u /= 10;
        } while (u);
        if (negative) text += '-';
        while (n)
            text += buf[--n];
    }
    text += '}';
    return text;
}

} // namespace

bool SaysConnectionLost(const QString& description)
{
    return description.contains(kLost) || description.contains(ServerWatch::LostMark());
}

bool IsPostgresConnection(ProviderConnection* connection)
{
    auto* odbc = dynamic_cast<OdbcConnection*>(connection);
    return odbc && odbc->isPostgres();
}

qint64 ExecServerSql(ProviderConnection& connection, const QString& sql,
                     const std::vector<vb::Variant>& params)
{
    auto st = postgres(connection).prepareNative(sql);
    for (std::size_t i = 0; i < params.size(); ++i)
        st->bind(int(i + 1), params[i]);
    st->execute(0);
    const qint64 n = st->changes();
    st->finish();
    return n;
}

vb::Variant ServerValue(ProviderConnection& connection, const QString& sql)
{
    auto st = postgres(connection).prepareNative(sql);
    st->execute(0);
    vb::Variant v;
    if (st->next()) v = st->value(0);
    st->finish();
    return v;
}

void AppendServerNumbers(ProviderConnection& connection, const QString& table, const QString& column,
                         const qint64* values, std::size_t count)
{
    if (count == 0) return;
    auto st = postgres(connection)
                  .prepareNative(
                      QStringLiteral("INSERT INTO %1 (%2) SELECT unnest(?::bigint[])").arg(table, column));
    st->bind(1, vb::Variant(QString::fromLatin1(arrayText(values, count))));
    st->execute(0);
    st->finish();
}

void FindServerNumbers(ProviderConnection& connection, const QString& table, const QString& column,
                       const std::vector<qint64>& values, std::vector<qint64>& found)
{
    found.clear();
    if (values.empty()) return;
    auto st = postgres(connection)
                  .prepareNative(QStringLiteral("SELECT %2 FROM %1 WHERE %2 = ANY(?::bigint[]) ORDER BY 1")
                                     .arg(table, column));
    st->bind(1, vb::Variant(QString::fromLatin1(arrayText(values.data(), values.size()))));
    st->execute(0);
    while (st->next())
        found.push_back(st->value(0).toLongLong());
    st->finish();
}

int AdoTypeOfSqlType(int sqlType)
{
    switch (sqlType) {
    case SQL_CHAR:
        return adChar;
    case SQL_VARCHAR:
        return adVarChar;
    case SQL_LONGVARCHAR:
        return adLongVarChar;
    case SQL_WCHAR:
        return adWChar;
    case SQL_WVARCHAR:
        return adVarWChar;
    case SQL_WLONGVARCHAR:
        return adLongVarWChar;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return adNumeric;
    case SQL_SMALLINT:
        return adSmallInt;
    case SQL_INTEGER:
        return adInteger;
    case SQL_REAL:
        return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return adDouble;
    case SQL_BIT:
        return adBoolean;
    case SQL_TINYINT:
        return adTinyInt;
    case SQL_BIGINT:
        return adBigInt;
    case SQL_BINARY:
        return adBinary;
    case SQL_VARBINARY:
        return adVarBinary;
    case SQL_LONGVARBINARY:
        return adLongVarBinary;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return 133; // adDBDate
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return 134; // adDBTime
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return 135; // adDBTimeStamp
    case SQL_GUID:
        return adGUID;
    default:
        return adVarChar;
    }
}

QString OdbcConnectionString(const ConnectionString& cs, const QString& userId, const QString& password)
{
    const QString provider = cs.value(QStringLiteral("Provider")).trimmed().toLower();
    QStringList parts;
    auto add = [&](const QString& key, const QString& value) {
        parts << key + QLatin1Char('=') + odbcValue(value);
    };
    if (provider.startsWith(QStringLiteral("sqloledb"))) {
        // SQL Server through FreeTDS; "host,port" names a port.
        parts << QStringLiteral("DRIVER={FreeTDS}");
        QString server = cs.value(QStringLiteral("Data Source"));
        if (server.isEmpty()) server = cs.value(QStringLiteral("Server"));
        const qsizetype comma = server.indexOf(u',');
        if (comma > 0) {
            add(QStringLiteral("SERVER"), server.left(comma).trimmed());
            add(QStringLiteral("PORT"), server.mid(comma + 1).trimmed());
        } else {
            add(QStringLiteral("SERVER"), server);
        }
        QString db = cs.value(QStringLiteral("Initial Catalog"));
        if (db.isEmpty()) db = cs.value(QStringLiteral("Database"));
        if (!db.isEmpty()) add(QStringLiteral("DATABASE"), db);
        add(QStringLiteral("UID"), userId.isEmpty() ? cs.value(QStringLiteral("User Id")) : userId);
        add(QStringLiteral("PWD"), password.isEmpty() ? cs.value(QStringLiteral("Password")) : password);
        return parts.join(QLatin1Char(';')) + QLatin1Char(';');
    }
    static const QStringList dropped{QStringLiteral("provider"), QStringLiteral("persist security info"),
                                     QStringLiteral("integrated security"),
                                     QStringLiteral("extended properties")};
    bool hasUid = false, hasPwd = false;
    for (const auto& p : cs.items()) {
        const QString key = p.first.trimmed();
        const QString lower = key.toLower();
        if (dropped.contains(lower)) continue;
        if (lower == u"uid" || lower == u"user id") {
            hasUid = true;
            add(QStringLiteral("UID"), userId.isEmpty() ? p.second : userId);
            continue;
        }
        if (lower == u"pwd" || lower == u"password") {
            hasPwd = true;
            add(QStringLiteral("PWD"), password.isEmpty() ? p.second : password);
            continue;
        }
        if (lower == u"driver") {
            QString d = p.second.trimmed();
            if (!d.startsWith(u'{')) d = QLatin1Char('{') + d + QLatin1Char('}');
            parts << QStringLiteral("DRIVER=") + d;
            continue;
        }
        add(key, p.second);
    }
    if (!hasUid && !userId.isEmpty()) add(QStringLiteral("UID"), userId);
    if (!hasPwd && !password.isEmpty()) add(QStringLiteral("PWD"), password);
    return parts.join(QLatin1Char(';')) + QLatin1Char(';');
}

std::shared_ptr<ProviderConnection> OpenOdbcProvider(const ConnectionString& cs, const QString& userId,
                                                     const QString& password, long connectionTimeout)
{
    return std::make_shared<OdbcConnection>(OdbcConnectionString(cs, userId, password), connectionTimeout);
}

long OdbcLoginTimeout(ProviderConnection* connection)
{
    auto* odbc = dynamic_cast<OdbcConnection*>(connection);
    return odbc ? odbc->loginTimeout() : -1;
}

} // namespace ado
