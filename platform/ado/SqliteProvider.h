#pragma once
// SQLite under the providers: the jet provider opens a database file, the
// text, excel and foxpro providers an in-memory database with their modules.
// Statements are prepared once per connection and SQL text and kept in a
// bounded least-recently-used cache.

#include "platform/ado/JetSql.h"
#include "platform/ado/Provider.h"
#include "platform/vb/Waiting.h"

#include <QHash>
#include <QString>
#include <functional>
#include <list>
#include <memory>
#include <set>

struct sqlite3;
struct sqlite3_stmt;

namespace ado {

class SqliteStatement;

class SqliteConnection : public ProviderConnection, public std::enable_shared_from_this<SqliteConnection> {
public:
    // A Jet database file: it must exist and be a SQLite database (the name
    // in messages is the path as given). Never creates a file.
    static std::shared_ptr<SqliteConnection> OpenFile(const QString& path,
                                                      const QString& kind = QStringLiteral("jet"));
    // An empty in-memory database, for providers that fill it with modules.
    static std::shared_ptr<SqliteConnection> OpenMemory(const QString& kind);
    // Checks a file the way Jet does before using it; throws "Could not find
    // file" or "Unrecognized database format".
    // A "-journal" or "-wal" beside the database that belongs to someone who
    // may not write the database is refused as well: opening would play it
    // back into the file.
    static void CheckDatabaseFile(const QString& path);
    // Copies the database at path to target, a new file (fso::CreateNewFile):
    // the committed state one read transaction sees, rows still in the
    // "-wal" included and another connection's uncommitted write left out
    // (a writer is waited for as any open waits, then refused). A copy that
    // fails is removed.
    static void BackUpFile(const QString& path, const QString& target);

    ~SqliteConnection() override;

    QString kind() const override { return m_kind; }
    std::unique_ptr<Statement> prepare(const QString& jetSql, bool withRowid) override;
    void beginTrans(int level) override;
    void beginReadTrans() override;
    void commitTrans(int level) override;
    void rollbackTrans(int level) override;
    std::vector<TableInfo> tables() override;
    // The columns of a table made WITHOUT ROWID that address its rows: its
    // primary key, in the key's order. Empty for a table with rowids.
    QStringList keyWithoutRowid(const QString& table);
    void updateRow(const ColumnInfo& table, qint64 rowid, const std::vector<ColumnInfo>& columns,
                   const std::vector<vb::Variant>& values) override;
    qint64 insertRow(const ColumnInfo& table, const std::vector<ColumnInfo>& columns,
                     const std::vector<vb::Variant>& values) override;
    void deleteRow(const ColumnInfo& table, qint64 rowid) override;
    bool fetchRow(const ColumnInfo& table, qint64 rowid, const std::vector<ColumnInfo>& columns,
                  std::vector<vb::Variant>& values) override;
    void close() override;
    SqliteConnection* sqlite() override { return this; }
    std::unique_ptr<KeyLookup> keyLookup(const QString& table, const QString& column) override;
    void prepareForLookups() override;
    std::shared_ptr<ProviderConnection> openReader() override;
    bool takesNumbersInBulk() const override { return true; }
    qint64 collectNumbers(const QString& jetSql, NumberSet& numbers) override;
    qint64 addMissingNumbers(const QString& table, const QString& column, const NumberSet& numbers) override;

    sqlite3* handle() const { return m_db; }
    bool isOpen() const { return m_db != nullptr; }
    const QString& path() const { return m_path; }

    // Runs SQLite SQL (no translation, no rows); throws mapped errors.
    void exec(const QString& sql);
    // Attaches a database file under a fresh alias (or the one it already has).
    QString attachFile(const QString& path);
    // Detaches a file attached by attachFile (no-op when it is not attached).
    void detachFile(const QString& path);
    // Materialises the links recorded in the database (MSysLinks).
    void loadLinks();
    // Rows of the links table, in name order.
    std::vector<LinkSpec> links();

    // A rewrite of the Jet SQL text, applied before translation, that a
    // module of this connection asks for (a virtual table is handed only
    // tests on its own columns, so a test it can answer from an index is
    // turned into that form). Set again under the same name, it is replaced.
    void setRewriter(const QString& name, std::function<QString(const QString&)> rewrite);

    // Throws the vb::ErrObject that Jet would give for a SQLite failure.
    [[noreturn]] void raise(int rc) const;

    // Statement cache (used by SqliteStatement).
    sqlite3_stmt* acquire(const QString& sql);
    void release(const QString& sql, sqlite3_stmt* stmt);
    // Steps a statement from acquire() to its end and gives it back; raises
    // the step's error, if any, once it is back.
    void stepToEnd(const QString& sql, sqlite3_stmt* stmt);
    void attachExternal(const QStringList& files);
    void detachExternal(int count);
    void track(SqliteStatement* s) { m_live.insert(s); }
    void untrack(SqliteStatement* s) { m_live.erase(s); }

    static constexpr int CacheCapacity = 256;
    static QString linksTable() { return QStringLiteral("MSysLinks"); }

private:
    SqliteConnection(sqlite3* db, QString path, QString kind);
    // The busy handler: waits for another program's lock up to
    // kLockWaitSeconds on the program's clock.
    static int waitForLock(void* connection, int tries);

    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_kind;
    std::list<std::pair<QString, sqlite3_stmt*>> m_lru; // front = most recent
    QHash<QString, std::list<std::pair<QString, sqlite3_stmt*>>::iterator> m_cache;
    std::set<SqliteStatement*> m_live;
    QHash<QString, JetSql::Translation> m_translations;
    QHash<QString, QString> m_attached; // path -> alias (links)
    int m_nextAlias = 1;
    double m_lockWaitStart = 0;
    double m_lockGaveUp = -1; // when a wait last gave up, on the program's clock
    // The wait for another program's lock that is under way, told to the
    // window; over when the next one starts, when it gives up, or on close.
    std::unique_ptr<vb::Wait> m_lockWait;
    std::vector<std::pair<QString, std::function<QString(const QString&)>>> m_rewriters;
};

// How long a statement on a database file waits for a lock another program
// (another desktop on the same file) holds, before it fails with "Could not
// update; currently locked.": longer than the longest step that holds one,
// an area code's commit of a large import.
constexpr double kLockWaitSeconds = 30;

// True when the file (or, when it does not exist, its folder) lies on a
// network file system (NFS, SMB/CIFS, AFS, ...).
bool OnNetworkFileSystem(const QString& path);

// A column type as ADO reports it, from a SQLite declared type.
void DescribeDeclaredType(const QString& declType, int& adoType, qint64& definedSize);

// Converts between SQLite values and variants for a column of an ADO type.
vb::Variant ValueFromSqlite(sqlite3_stmt* stmt, int col, int adoType, bool typeKnown);
void BindVariant(sqlite3_stmt* stmt, int position, const vb::Variant& v);

} // namespace ado
