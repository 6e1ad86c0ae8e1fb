#pragma once
// ModuleDNC: the DNC store. One table per area code, "phone" followed by the
// three-digit code, with the seven-digit local number as its INTEGER primary
// key. gPhoneTables mirrors the names of those tables; these procedures
// create them, keep the list in step, count all numbers and look one up.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>

namespace ado {
class Connection;
class KeyLookup;
} // namespace ado
namespace adox {
class Catalog;
}
class CDataStrings;

// Creates table "phone" + areaCode through the catalog of the connection
// (column phone: Jet long integer, not nullable; index "PrimaryKey", primary
// and unique) and adds its name to gPhoneTables. Does nothing when the list
// already holds the name. Failures are reported (function "LoadTables") and
// leave the list unchanged. A non-zero waitSeconds waits that long afterwards.
void CreatePhoneTable(const QString& areaCode, const std::shared_ptr<ado::Connection>& connection,
                      double waitSeconds);
// The same for a caller that reports failures itself, on the table list it
// is given: they are raised. On a server a table the list lacks but the
// server has (another desktop made it) is only added to the list.
void AddPhoneTable(const QString& areaCode, const std::shared_ptr<ado::Connection>& connection,
                   CDataStrings& phoneTables);

// Holds up the caller for the given seconds on the program's clock while the
// event loop keeps running; a wait across midnight lasts as long as any other.
void WaitSeconds(double seconds);

// The number of rows of every table in gPhoneTables, counted on the shared
// connection of gDataAccess, which is opened for the count and closed after
// it. On the first failing count (reported by the data access object) the
// result is -1 and *ok, when given, false: a caller then keeps the total it
// had.
std::int32_t GetDNCCount(bool* ok = nullptr);

// Rebuilds gPhoneTables from the catalog of the DNC database: every plain
// table whose name begins with "phone", without regard to case (linked and
// system tables are not listed). False when the database has no table or
// the catalog could not be read (reported, function "LoadTables").
bool LoadTables();

// How many rows of table "phone" + areaCode hold the local number: not 0
// means the number is on the DNC list. (On the program's store, where the
// number is the table's key, the answer is 1 or 0.) The look-up is prepared
// once per table and kept by the connection (ado::Connection::Lookup). An
// area code without a table gives 0; every other failure (closed or broken
// database, locked file) throws vb::ErrObject, so a failed look-up is never
// taken for "not on the list".
std::int32_t CountDNCPhone(const QString& areaCode, const QString& localNumber,
                           const std::shared_ptr<ado::Connection>& connection);

class PhoneTableList;

// The look-ups of one run on one connection (a scrub asks one per record):
// each area code's prepared look-up is asked of the connection once and kept
// for the run. Count answers as CountDNCPhone does.
class DNCLookups {
public:
    explicit DNCLookups(std::shared_ptr<ado::Connection> connection);
    std::int32_t Count(const QString& areaCode, const QString& localNumber);
    // The same for a three-digit area code (0 to 999) and a local number
    // given as numbers.
    std::int32_t Count(int areaCode, std::int64_t localNumber);

private:
    // The area code's look-up; null when the store has no table for it.
    ado::KeyLookup* ready(int areaCode);
    std::shared_ptr<ado::Connection> m_connection;
    std::array<ado::KeyLookup*, 1000> m_ready{};
    std::unique_ptr<PhoneTableList> m_tables;
};

// Which area codes have a table in the DNC store, as one run sees it.
// Another desktop may add a table at any time, on a database server or on a
// database file both desktops open: the list is read over the connection
// when this is made (one read of the store's schema), so that inside a read
// transaction it is the list of the transaction's snapshot (make it as the
// transaction's first read). A failed read throws vb::ErrObject: no area
// code is taken for "without table" on a guess. Without a connection the
// program-wide gPhoneTables is the list.
class PhoneTableList {
public:
    explicit PhoneTableList(const std::shared_ptr<ado::Connection>& connection);
    // For a table name ("phone" + area code, any case).
    bool Has(const QString& tableName);
    // For a three-digit area code given as a number (0 to 999).
    bool Has(int areaCode);
    // The table names, in the order the store lists them.
    QStringList Names() const;

private:
    std::shared_ptr<CDataStrings> m_store;
    std::array<std::int8_t, 1000> m_known{};
};

// True when the connection's store is on a database server rather than the
// embedded store.
bool IsServerStore(const std::shared_ptr<ado::Connection>& connection);
// The same for the DNC store the settings name, without opening it.
bool StoreIsOnServer();

// "Select count(*) from " + clause on the connection, read through
// gRecordset (forward-only, read-only) and closed again. 0 when the table the
// clause names does not exist; every other failure throws vb::ErrObject.
std::int32_t CountRecords(const QString& clause, const std::shared_ptr<ado::Connection>& connection);

// Replaces the file at path with a new, empty Jet database. Errors reach the
// caller.
void CreateJetDatabase(const QString& path);
// The connection string of a database file the program makes; the path
// reads back whole whatever it holds (a ";" in a folder's name).
QString JetFileConnectionString(const QString& path);

// Adds to the catalog (or to the database of the connection) a table named
// tableName that links to the table of the same name in the Jet database at
// sourceDatabase. Failures are reported (module "Main Module", function
// "Create Table").
void CreateLinkedTable(adox::Catalog& catalog, const QString& sourceDatabase, const QString& tableName);
// The same for a caller that reports failures itself: they are raised. The
// link is named linkName when one is given.
void AppendLinkedTable(adox::Catalog& catalog, const QString& sourceDatabase, const QString& tableName,
                       const QString& linkName = {});
void CreateLinkedTable(const std::shared_ptr<ado::Connection>& connection, const QString& sourceDatabase,
                       const QString& tableName);
