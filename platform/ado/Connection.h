#pragma once
// ado::Connection: a connection string in, a provider connection underneath
// (see Provider.h), SQL text run through it.

#include "platform/ado/Ado.h"
#include "platform/vb/Variant.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

namespace ado {

class ProviderConnection;
class Recordset;
class Command;
class KeyLookup;

class Connection : public std::enable_shared_from_this<Connection> {
public:
    static std::shared_ptr<Connection> Create();
    ~Connection();

    // Opens on the string (or on ConnectionString when empty). Throws
    // vb::ErrObject: 3705 when already open, the provider's errors otherwise.
    void Open(const QString& connectionString = {}, const QString& userId = {}, const QString& password = {},
              int options = -1);
    // Closes; 3704 when already closed. Server recordsets on it become unusable.
    void Close();
    int State() const { return m_provider ? adStateOpen : adStateClosed; }

    QString ConnectionString() const { return m_connectionString; }
    void SetConnectionString(const QString& cs);
    int CursorLocation() const { return m_cursorLocation; }
    void SetCursorLocation(int location) { m_cursorLocation = location; }
    // Seconds a statement may run, and a server that stopped answering is
    // waited for, before the call fails (0: as long as it takes). Taken by
    // the provider at Open and whenever it changes.
    long CommandTimeout() const { return m_commandTimeout; }
    void SetCommandTimeout(long seconds);
    // Seconds Open waits for a server's login (0: as long as it takes); read
    // at Open.
    long ConnectionTimeout() const { return m_connectionTimeout; }
    void SetConnectionTimeout(long seconds) { m_connectionTimeout = seconds; }
    // "jet", "text", ... while open; empty when closed.
    QString Provider() const;
    // A table or field name quoted for a statement on this connection: the
    // server's own quoting for ODBC sources, Jet's brackets otherwise (also
    // when closed).
    QString QuoteName(const QString& name) const;

    // Runs SQL; several statements separated by ";" run in order. A statement
    // that returns rows gives an open forward-only, read-only recordset
    // (static snapshot with CursorLocation adUseClient); otherwise a closed
    // recordset, or nullptr with adExecuteNoRecords.
    std::shared_ptr<Recordset> Execute(const QString& sql, long* recordsAffected = nullptr,
                                       int options = adCmdUnspecified);

    // Transactions nest; BeginTrans returns the new level. Commit and
    // rollback without a transaction raise "No transaction is active.".
    long BeginTrans();
    // The outermost transaction of a reader that must see one state of the
    // store throughout (see ProviderConnection::beginReadTrans); nested,
    // it is a plain BeginTrans.
    long BeginReadTrans();
    void CommitTrans();
    void RollbackTrans();
    int TransactionLevel() const { return m_transLevel; }

    // A command on this connection for running one SQL text many times with
    // different "?" values; the statement is prepared once and cached.
    std::shared_ptr<Command> Prepare(const QString& sql);

    // The prepared look-up of column = ? in table, made on first use and
    // kept by this connection until it closes; 3704 when closed. A missing
    // table raises errnum::NoSuchTable (and is asked again next time).
    KeyLookup& Lookup(const QString& table, const QString& column);
    // True once Lookup has made the look-up of column in table.
    bool HasLookup(const QString& table, const QString& column) const;
    // Many random look-ups follow: lets the provider ready the store for them.
    void PrepareForLookups();
    // A connection on the same store that only reads, for one other thread
    // (see ProviderConnection::openReader); null when closed or when the
    // provider has none. Its look-ups see what this connection has committed.
    std::shared_ptr<Connection> OpenReader() const;

    // The provider connection while open (null when closed).
    std::shared_ptr<ProviderConnection> providerConnection() const { return m_provider; }
    // The same without a share of it, for a caller that holds the connection
    // for as long as it uses the provider (one look-up among millions).
    ProviderConnection* provider() const { return m_provider.get(); }

private:
    Connection() = default;
    std::shared_ptr<ProviderConnection> m_provider;
    QString m_connectionString;
    int m_cursorLocation = adUseServer;
    long m_commandTimeout = 30;
    long m_connectionTimeout = 15;
    int m_transLevel = 0;
    // Declared after the provider, so they go before it does.
    QHash<QString, std::shared_ptr<KeyLookup>> m_lookups;
};

// Runs a Jet SQL text on a provider connection with the caller's values for
// its "?" (in order); gives an open forward-only recordset when it returns rows.
class Command {
public:
    static std::shared_ptr<Command> Create();

    std::shared_ptr<Connection> ActiveConnection() const { return m_conn; }
    void SetActiveConnection(std::shared_ptr<Connection> conn) { m_conn = std::move(conn); }
    QString CommandText() const { return m_text; }
    void SetCommandText(const QString& text) { m_text = text; }
    long CommandTimeout() const { return m_timeout; }
    void SetCommandTimeout(long seconds) { m_timeout = seconds; }

    // Values of the "?" by position (0 = the first).
    std::vector<vb::Variant>& Parameters() { return m_params; }
    void SetParameter(int index, const vb::Variant& value);

    std::shared_ptr<Recordset> Execute(long* recordsAffected = nullptr, int options = adCmdUnspecified);

private:
    std::shared_ptr<Connection> m_conn;
    QString m_text;
    long m_timeout = 30;
    std::vector<vb::Variant> m_params;
};

} // namespace ado
