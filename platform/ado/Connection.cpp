#include "platform/ado/Connection.h"

#include "platform/ado/JetSql.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/SqliteProvider.h"

#include <sqlite3.h>

namespace ado {

namespace {

// Splits a text at the ";" that end statements (quoted ones do not).
QStringList splitStatements(const QString& sql)
{
    QStringList out;
    QString cur;
    int depth = 0;
    bool hasContent = false;
    for (const auto& t : JetSql::Tokenize(sql)) {
        if (t.kind == JetSql::Kind::Punct) {
            if (t.text == u"(")
                ++depth;
            else if (t.text == u")")
                --depth;
            else if (t.text == u";" && depth == 0) {
                if (hasContent) out << cur;
                cur.clear();
                hasContent = false;
                continue;
            }
        }
        if (t.kind != JetSql::Kind::Space && t.kind != JetSql::Kind::Comment) hasContent = true;
        cur += t.text;
    }
    if (hasContent) out << cur;
    return out;
}

} // namespace

std::shared_ptr<Connection> Connection::Create()
{
    return std::shared_ptr<Connection>(new Connection());
}

Connection::~Connection()
{
    m_lookups.clear();
    if (m_provider) m_provider->close();
}

KeyLookup& Connection::Lookup(const QString& table, const QString& column)
{
    if (!m_provider) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    const QString key = table.toLower() + u'\n' + column.toLower();
    auto it = m_lookups.find(key);
    if (it == m_lookups.end())
        it = m_lookups.insert(key, std::shared_ptr<KeyLookup>(m_provider->keyLookup(table, column)));
    return *it.value();
}

bool Connection::HasLookup(const QString& table, const QString& column) const
{
    return m_lookups.contains(table.toLower() + u'\n' + column.toLower());
}

void Connection::PrepareForLookups()
{
    if (m_provider) m_provider->prepareForLookups();
}

std::shared_ptr<Connection> Connection::OpenReader() const
{
    if (!m_provider) return nullptr;
    std::shared_ptr<ProviderConnection> reader = m_provider->openReader();
    if (!reader) return nullptr;
    std::shared_ptr<Connection> c = Create();
    c->m_provider = std::move(reader);
    c->m_connectionString = m_connectionString;
    c->m_cursorLocation = m_cursorLocation;
    c->m_connectionTimeout = m_connectionTimeout;
    c->SetCommandTimeout(m_commandTimeout);
    return c;
}

void Connection::SetCommandTimeout(long seconds)
{
    m_commandTimeout = seconds;
    if (m_provider) m_provider->setCommandTimeout(seconds);
}

void Connection::SetConnectionString(const QString& cs)
{
    if (m_provider) RaiseAdo(errnum::ObjectOpen, ConnectionSource());
    m_connectionString = cs;
}

void Connection::Open(const QString& connectionString, const QString& userId, const QString& password, int)
{
    if (m_provider) RaiseAdo(errnum::ObjectOpen, ConnectionSource());
    const QString cs = connectionString.isEmpty() ? m_connectionString : connectionString;
    m_provider = OpenProvider(cs, userId, password, m_connectionTimeout);
    m_provider->setCommandTimeout(m_commandTimeout);
    m_connectionString = cs;
    m_transLevel = 0;
}

void Connection::Close()
{
    if (!m_provider) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    m_lookups.clear();
    auto p = std::move(m_provider);
    m_provider.reset();
    m_transLevel = 0;
    p->close();
}

QString Connection::Provider() const
{
    return m_provider ? m_provider->kind() : QString();
}

QString Connection::QuoteName(const QString& name) const
{
    return m_provider ? m_provider->quoteName(name) : ado::QuoteName(name);
}

std::shared_ptr<Recordset> Connection::Execute(const QString& sql, long* recordsAffected, int options)
{
    if (!m_provider) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    const bool noRecords = (options != adCmdUnspecified) && (options & adExecuteNoRecords);
    QString text = sql;
    if ((options & 0xff) == adCmdTable || options == adCmdTableDirect) text = TableStatement(sql);
    const QStringList statements = splitStatements(text);
    long affected = 0;
    std::shared_ptr<Recordset> rs;
    for (int i = 0; i < statements.size(); ++i) {
        auto st = m_provider->prepare(statements[i], false);
        if (st->columnCount() > 0 && i == statements.size() - 1) {
            if (noRecords) break;
            rs = Recordset::Create();
            rs->openStatement(shared_from_this(), std::move(st), m_cursorLocation);
            break;
        }
        st->execute(0);
        affected += long(st->changes());
    }
    if (recordsAffected) *recordsAffected = affected;
    if (noRecords) return nullptr;
    return rs ? rs : Recordset::Create();
}

long Connection::BeginTrans()
{
    if (!m_provider) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    m_provider->beginTrans(m_transLevel + 1);
    return ++m_transLevel;
}

long Connection::BeginReadTrans()
{
    if (!m_provider) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    if (m_transLevel > 0) return BeginTrans();
    m_provider->beginReadTrans();
    return ++m_transLevel;
}

void Connection::CommitTrans()
{
    if (!m_provider) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    if (m_transLevel == 0) RaiseAdo(errnum::NoTransaction, ConnectionSource());
    m_provider->commitTrans(m_transLevel);
    --m_transLevel;
}

void Connection::RollbackTrans()
{
    if (!m_provider) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    if (m_transLevel == 0) RaiseAdo(errnum::NoTransaction, ConnectionSource());
    // A failure the engine answers by rolling back on its own (a full disk,
    // an I/O error) has ended the transaction already: nothing is left to
    // undo, and saying so would be a second error for the one fault.
    SqliteConnection* engine = m_provider->sqlite();
    if (!engine || !engine->isOpen() || !sqlite3_get_autocommit(engine->handle()))
        m_provider->rollbackTrans(m_transLevel);
    --m_transLevel;
}

std::shared_ptr<Command> Connection::Prepare(const QString& sql)
{
    auto c = Command::Create();
    c->SetActiveConnection(shared_from_this());
    c->SetCommandText(sql);
    return c;
}

// ---------------------------------------------------------------- Command

std::shared_ptr<Command> Command::Create()
{
    return std::make_shared<Command>();
}

void Command::SetParameter(int index, const vb::Variant& value)
{
    if (index < 0) RaiseAdo(errnum::ItemNotFound, QStringLiteral("ADODB.Parameters"));
    if (size_t(index) >= m_params.size()) m_params.resize(size_t(index) + 1);
    m_params[size_t(index)] = value;
}

std::shared_ptr<Recordset> Command::Execute(long* recordsAffected, int options)
{
    if (!m_conn || m_conn->State() != adStateOpen)
        RaiseAdo(errnum::ConnectionInvalid, QStringLiteral("ADODB.Command"));
    auto st = m_conn->providerConnection()->prepare(m_text, false);
    for (size_t i = 0; i < m_params.size(); ++i)
        st->bind(int(i) + 1, m_params[i]);
    if (st->columnCount() > 0) {
        if (recordsAffected) *recordsAffected = -1;
        if (options != adCmdUnspecified && (options & adExecuteNoRecords)) return nullptr;
        auto rs = Recordset::Create();
        rs->openStatement(m_conn, std::move(st), m_conn->CursorLocation());
        return rs;
    }
    st->execute(0);
    if (recordsAffected) *recordsAffected = long(st->changes());
    return nullptr;
}

} // namespace ado
