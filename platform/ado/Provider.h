#pragma once
// What sits under ado::Connection: a provider connection opened on a
// connection string, which prepares and runs SQL and lists its tables. The
// jet provider is built in; the text, excel, foxpro and odbc providers
// register themselves here. Linked tables of a jet database are made by link
// modules, registered by kind the same way.

#include "platform/ado/ConnectionString.h"
#include "platform/vb/Variant.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace ado {

class NumberSet;
class SqliteConnection;

struct ColumnInfo {
    QString name;
    int type = 202; // DataTypeEnum
    qint64 definedSize = 0;
    bool typeKnown = true;  // false: an expression, typed by its first value
    QString schema;         // the base table's database ("main", "temp", ...), empty for expressions
    QString table;          // the base table
    QString column;         // the base column
    bool updatable = false; // belongs to the table whose rows the statement addresses
};

struct TableInfo {
    QString name;
    QString type; // "TABLE", "VIEW", "LINK", "SYSTEM TABLE"
};

// One prepared statement. Rows come one at a time; each row may carry the
// address (rowid) of the table row it came from, for updates.
class Statement {
public:
    virtual ~Statement() = default;
    virtual int columnCount() const = 0;
    virtual const ColumnInfo& column(int i) const = 0;
    // Binds a "?" of the caller's text (1-based) for the next execute().
    virtual void bind(int position, const vb::Variant& value) = 0;
    // Starts (again), skipping the first `offset` rows. A statement that
    // returns no rows runs to its end here.
    virtual void execute(qint64 offset = 0) = 0;
    // Moves to the next row; false at the end (and the statement is finished).
    virtual bool next() = 0;
    virtual vb::Variant value(int i) const = 0;
    virtual bool hasRowid() const = 0;
    virtual qint64 rowid() const = 0;
    // The number of rows the query gives, by counting them in the engine.
    virtual qint64 countRows() = 0;
    // Rows changed by the last execute() of an INSERT/UPDATE/DELETE.
    virtual qint64 changes() const = 0;
    // Stops stepping and lets go of what the engine holds for it.
    virtual void finish() = 0;
};

// A look-up of one key value in one table, prepared once and run many times
// (a scrub asks it once per record). A table that does not exist raises
// errnum::NoSuchTable, as a query on it would.
class KeyLookup {
public:
    virtual ~KeyLookup() = default;
    // How many rows hold the key (0 or 1 where the key is the table's key).
    virtual qint64 count(qint64 key) = 0;
    virtual qint64 count(const vb::Variant& key) = 0;
};

class ProviderConnection {
public:
    virtual ~ProviderConnection() = default;
    virtual QString kind() const = 0;
    // Prepares one statement of Jet SQL. withRowid asks for row addresses,
    // which a query on a single table can give.
    virtual std::unique_ptr<Statement> prepare(const QString& jetSql, bool withRowid) = 0;
    virtual void beginTrans(int level) = 0; // level 1 = outermost
    // An outermost transaction that only reads and must see the store as it
    // stood at its first read, whatever others commit meanwhile. SQLite's
    // read transactions do so already.
    virtual void beginReadTrans() { beginTrans(1); }
    virtual void commitTrans(int level) = 0;
    virtual void rollbackTrans(int level) = 0;
    virtual std::vector<TableInfo> tables() = 0;
    // A table or field name quoted as this data source reads it; Jet's
    // brackets unless the provider knows better.
    virtual QString quoteName(const QString& name) const;
    // Row writes by address; values are converted for the columns' types.
    virtual void updateRow(const ColumnInfo& table, qint64 rowid, const std::vector<ColumnInfo>& columns,
                           const std::vector<vb::Variant>& values) = 0;
    virtual qint64 insertRow(const ColumnInfo& table, const std::vector<ColumnInfo>& columns,
                             const std::vector<vb::Variant>& values) = 0;
    virtual void deleteRow(const ColumnInfo& table, qint64 rowid) = 0;
    // Reads the columns of one row by address; false when it is gone.
    virtual bool fetchRow(const ColumnInfo& table, qint64 rowid, const std::vector<ColumnInfo>& columns,
                          std::vector<vb::Variant>& values) = 0;
    virtual void close() = 0;
    // The seconds a server provider lets one statement run, and waits for a
    // server that has stopped answering (ADO's CommandTimeout; 0 waits as
    // long as it takes). The embedded stores have no use for it.
    virtual void setCommandTimeout(long seconds) {}
    // The SQLite connection underneath, for SQLite-backed providers; else null.
    virtual SqliteConnection* sqlite() { return nullptr; }

    // ---- fast paths: what a provider can do better than plain SQL text.
    // Each has a plain default; a provider overrides what it can speed up.

    // A prepared look-up of column = ? in table (names as the caller gives
    // them, without brackets). The default prepares "Select count(*)".
    virtual std::unique_ptr<KeyLookup> keyLookup(const QString& table, const QString& column);
    // Many random look-ups follow on this connection: the provider may cache
    // the store for reading, within a bound that does not grow with the
    // store. The default does nothing.
    virtual void prepareForLookups() {}
    // A further connection on the same store that only reads, for one other
    // thread to use while this one goes on: look-ups spread over helper
    // threads, each on a connection of its own. Null when the provider has
    // none (the default).
    virtual std::shared_ptr<ProviderConnection> openReader() { return nullptr; }
    // Whole numbers in bulk, through a set of them (NumberSet): a provider
    // that takes them says so; one that does not (the default) gives -1
    // from both, and the caller goes through SQL text instead.
    virtual bool takesNumbersInBulk() const { return false; }
    // Collects the first column of a query's rows as a column of integer
    // type would store it, when that is a whole number the set can hold;
    // returns how many rows held none (Null, text, a fraction, a number out
    // of range).
    virtual qint64 collectNumbers(const QString& jetSql, NumberSet& numbers) { return -1; }
    // Adds each number of the set that a table's key column lacks, in
    // ascending order; returns how many it added.
    virtual qint64 addMissingNumbers(const QString& table, const QString& column, const NumberSet& numbers)
    {
        return -1;
    }

    // The database system a server provider talks to, as its driver names it
    // ("PostgreSQL", "Microsoft SQL Server", ...); empty for the embedded ones.
    virtual QString dbms() const { return {}; }
};

// ---- provider registry

// connectionTimeout: the seconds a server provider waits for its login
// (ADO's ConnectionTimeout; 0 waits as long as it takes).
using ProviderFactory = std::function<std::shared_ptr<ProviderConnection>(
    const ConnectionString& cs, const QString& userId, const QString& password, long connectionTimeout)>;

// kind: "jet", "text", "excel", "foxpro" or "odbc" (see ChooseProvider).
void RegisterProvider(const QString& kind, ProviderFactory factory);
// Opens a provider connection for the string; throws vb::ErrObject.
std::shared_ptr<ProviderConnection> OpenProvider(const QString& connectionString, const QString& userId,
                                                 const QString& password, long connectionTimeout = 15);

// ---- linked tables

struct LinkSpec {
    QString name;           // the table name in the linking database
    QString providerString; // "Jet OLEDB:Link Provider String", e.g. "text;DATABASE=/x/;..." or ";"
    QString dataSource;     // "Jet OLEDB:Link Datasource"
    QString remoteTable;    // "Jet OLEDB:Remote Table Name"
};

// The kind of a link from its provider string: "jet" for an empty first
// segment or "MS Access", else the first segment in lower case ("text",
// "excel 8.0", ...).
QString LinkKind(const QString& providerString);

// A link module creates a temporary table or view named spec.name on the
// connection; it throws vb::ErrObject when it cannot.
using LinkFactory = std::function<void(SqliteConnection& conn, const LinkSpec& spec)>;
void RegisterLinkModule(const QString& kind, LinkFactory factory);
// Throws a clear error when no module serves the link's kind.
void CreateLink(SqliteConnection& conn, const LinkSpec& spec);

// A database server cannot link a file: a server link module makes a table
// of the server from it instead (and drops it again). One module at a time,
// set by the code that knows what the linked data means.
struct ServerLinkModule {
    std::function<void(ProviderConnection& conn, const LinkSpec& spec)> create;
    // True when it dropped (or refused to drop) the named table itself.
    std::function<bool(ProviderConnection& conn, const QString& name)> drop;
};
void SetServerLinkModule(ServerLinkModule module);
// Throws a clear error when no module is set.
void CreateServerLink(ProviderConnection& conn, const LinkSpec& spec);
bool DropServerLink(ProviderConnection& conn, const QString& name);

} // namespace ado
