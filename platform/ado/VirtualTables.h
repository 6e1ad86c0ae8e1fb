#pragma once
// SQLite virtual tables for the file-based providers (text, excel, foxpro),
// and the provider connection that puts them under one in-memory database.
//
// A module's tables are C++ objects (vtab::Table, vtab::Cursor); the adapter
// here turns them into a sqlite3_module and turns a vb::ErrObject thrown by
// them into the SQLite error that the jet provider reports in Jet's words.
//
// ModuleConnection is what the text, excel and foxpro providers hand to
// ado::Connection: an in-memory SQLite connection whose tables are made on
// first use. The SQL is scanned for table names in the forms Jet and the
// FoxPro driver accept (list.csv, list#csv, [list.csv], Sheet1$,
// ['My Sheet$'], list, list.dbf); each is resolved by the provider's catalog
// and written as the bracketed name of its virtual table.

#include "platform/ado/Provider.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/vb/Variant.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_value;
struct sqlite3_index_info;

namespace ado::vtab {

class Cursor {
public:
    virtual ~Cursor() = default;
    virtual void filter(int idxNum, const char* idxStr, int argc, sqlite3_value** argv) = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;
    virtual void column(sqlite3_context* ctx, int i) = 0;
    virtual qint64 rowid() const = 0;
};

class Table {
public:
    virtual ~Table() = default;
    // The columns as "CREATE TABLE x(...)".
    virtual QString declaration() const = 0;
    // Fills the index info; returns an SQLite result code. The default plans
    // a full scan.
    virtual int bestIndex(sqlite3_index_info* info);
    virtual std::unique_ptr<Cursor> open() = 0;
    // A row write as xUpdate receives it (argc 1 delete, argv[0] Null insert,
    // else update); returns the rowid of an inserted row. Throws
    // vb::ErrObject; the default refuses every write.
    virtual qint64 update(int argc, sqlite3_value** argv);
    // A function this table evaluates itself when its first argument is one
    // of its columns; returns 0 when none, else 1 or a constraint code.
    virtual int findFunction(int nArg, const char* name, void (**fn)(sqlite3_context*, int, sqlite3_value**),
                             void** arg);
    // The connection's transaction reaching this table's writes: a table
    // that can take its writes back does so on rollback. By default every
    // write is final.
    virtual void begin() {}
    // Before commit: what can fail. SQLite ignores a failed commit() but
    // takes the transaction back when sync() fails.
    virtual void sync() {}
    virtual void commit() {}
    virtual void rollback() {}
};

// Makes the tables of a module from the arguments of CREATE VIRTUAL TABLE
// (dequoted). Throws vb::ErrObject when the table cannot be made.
using TableFactory = std::function<std::unique_ptr<Table>(const QStringList& args)>;
// Registers (or replaces) a module on a connection.
void RegisterModule(sqlite3* db, const char* name, TableFactory factory);

// An SQL text literal for a module argument.
QString QuoteArg(const QString& text);

// A table's declaration from its column definitions; a table without columns
// is given one text column F1, as SQLite needs at least one.
QString Declaration(const QStringList& columnDefs);

// Plans a look-up of one row when the query asks for a rowid equal to a value
// (idxNum 1, the value as the first filter argument); false, with the plan
// untouched, when it does not.
bool PlanRowidLookup(sqlite3_index_info* info);

// Conversions between SQLite values and variants.
vb::Variant ValueOf(sqlite3_value* v);
void SetResult(sqlite3_context* ctx, const vb::Variant& v);
// True when the value in an xUpdate row is one the statement did not change.
bool Unchanged(sqlite3_value* v);
// True while xColumn is asked for a value only to learn that it is unchanged.
bool NoChange(sqlite3_context* ctx);

// The error a write refused by a read-only ISAM gives.
[[noreturn]] void RaiseNotUpdatable(bool deleting);

// The entry of a folder's listing that a table name means: an entry equal
// to one of the names as written; failing that, the one entry equal to one
// of them without regard to case. Empty when none is, or when several
// differ from the name in case only: a table is never taken by a guess
// between files, nor by the order the folder lists them in.
QString MatchFileName(const QStringList& entries, const QStringList& names);

} // namespace ado::vtab

namespace ado {

// The provider connection of the text, excel and foxpro providers.
class ModuleConnection : public ProviderConnection {
public:
    // What a provider supplies: its table list, the resolution of a name as
    // written in SQL, and the making of a virtual table.
    class Catalog {
    public:
        virtual ~Catalog() = default;
        virtual std::vector<TableInfo> tables() = 0;
        // The canonical name (the virtual table's) for a name as written, or
        // an empty text when the provider has no such table.
        virtual QString resolve(const QString& written) = 0;
        // Creates the virtual table of a canonical name in "main", under
        // the name table (the canonical one unless another canonical name
        // differs from it in case only, which SQLite would take as one).
        virtual void create(SqliteConnection& db, const QString& table, const QString& canonical) = 0;
        // Writes pending changes back to the files (commit, close).
        virtual void flush() {}
        // Drops the changes not yet written (rollback).
        virtual void discard() {}
    };

    ModuleConnection(std::shared_ptr<SqliteConnection> db, std::unique_ptr<Catalog> catalog);
    ~ModuleConnection() override;

    QString kind() const override { return m_db->kind(); }
    std::unique_ptr<Statement> prepare(const QString& jetSql, bool withRowid) override;
    void beginTrans(int level) override { m_db->beginTrans(level); }
    void commitTrans(int level) override;
    void rollbackTrans(int level) override;
    std::vector<TableInfo> tables() override;
    void updateRow(const ColumnInfo& table, qint64 rowid, const std::vector<ColumnInfo>& columns,
                   const std::vector<vb::Variant>& values) override;
    qint64 insertRow(const ColumnInfo& table, const std::vector<ColumnInfo>& columns,
                     const std::vector<vb::Variant>& values) override;
    void deleteRow(const ColumnInfo& table, qint64 rowid) override { m_db->deleteRow(table, rowid); }
    bool fetchRow(const ColumnInfo& table, qint64 rowid, const std::vector<ColumnInfo>& columns,
                  std::vector<vb::Variant>& values) override
    {
        return m_db->fetchRow(table, rowid, columns, values);
    }
    void close() override;
    SqliteConnection* sqlite() override { return m_db.get(); }

    Catalog& catalog() { return *m_catalog; }
    // The SQL with every table name it names resolved (tables made as needed).
    QString resolveNames(const QString& jetSql);

private:
    // The virtual table of a canonical name, made when first named.
    QString ensure(const QString& canonical);

    std::shared_ptr<SqliteConnection> m_db;
    std::unique_ptr<Catalog> m_catalog;
    QHash<QString, QString> m_made; // canonical name -> its virtual table
};

// Registers the text, excel, foxpro and odbc providers and the text link
// module. Runs once; the registry calls it before its first use.
void RegisterStandardProviders();

} // namespace ado
