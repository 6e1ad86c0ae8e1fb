#include "dncdb/ModuleDNC.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/COption.h"
#include "core/DBClassModule.h"
#include "core/Globals.h"
#include "dncdb/ServerImport.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/adox/Catalog.h"
#include "platform/vb/Clock.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <array>
#include <sqlite3.h>

namespace {

const QString kLoadTables = QStringLiteral("LoadTables");

// The DNC database's connection string: the option object's when there is
// one, else the data access object's default.
QString DncConnectionString()
{
    if (gOption) return gOption->ConnectionString();
    if (gDataAccess) return gDataAccess->DefaultConnectionString();
    return gConnectionString;
}

void ReportCaught(const QString& function)
{
    const vb::ErrObject& e = vb::CatchError();
    HandleError(e.Number, e.Description, e.Source, function, false);
}

void CloseQuietly(const std::shared_ptr<ado::Connection>& conn)
{
    try {
        if (conn && conn->State() != ado::adStateClosed) conn->Close();
    } catch (...) {
    }
}

void CloseQuietly(const std::shared_ptr<ado::Recordset>& rs)
{
    try {
        if (rs && rs->State() != ado::adStateClosed) rs->Close();
    } catch (...) {
    }
}

std::int32_t ToCount(const vb::Variant& v)
{
    if (v.isNull() || v.isEmpty()) return 0;
    return static_cast<std::int32_t>(v.toLongLong());
}

// The prepared look-ups of CountDNCPhone, one per table, for the connection
// the scrub is using. The commands are kept detached from the connection
// between calls, so the cache never keeps a closed connection alive; another
// connection replaces the whole cache.
struct LookupCache {
    std::weak_ptr<ado::Connection> connection;
    const ado::Connection* address = nullptr;
    QHash<QString, std::shared_ptr<ado::Command>> commands;
};

LookupCache& Lookups()
{
    static LookupCache cache;
    return cache;
}

std::shared_ptr<ado::Command> LookupFor(const QString& table, const std::shared_ptr<ado::Connection>& conn)
{
    LookupCache& cache = Lookups();
    if (cache.address != conn.get() || cache.connection.expired()) {
        cache.commands.clear();
        cache.connection = conn;
        cache.address = conn.get();
    }
    const QString key = table.toLower();
    auto it = cache.commands.find(key);
    if (it == cache.commands.end()) {
        auto cmd = ado::Command::Create();
        cmd->SetCommandText(QStringLiteral("Select count(*) from ") + conn->QuoteName(table) +
                            QStringLiteral(" where phone=?"));
        it = cache.commands.insert(key, cmd);
    }
    return it.value();
}

// The local number as the value bound to the look-up: a whole number when
// it is digits (leading zeros dropped, as the column stores it), else the
// text, which no row of an integer column equals.
vb::Variant LocalValue(const QString& local)
{
    const QString t = local.trimmed();
    bool digits = !t.isEmpty() && t.size() <= 18;
    for (QChar c : t)
        if (c < u'0' || c > u'9') digits = false;
    if (digits) return vb::Variant::fromLongLong(t.toLongLong());
    return vb::Variant(local);
}

bool IsMissingTable(const vb::ErrObject& e)
{
    return e.Number == ado::errnum::NoSuchTable;
}

// The look-ups on a SQLite-backed store, which is where a scrub spends its
// time: one statement per three-digit area code, kept ready for the
// connection a run uses, the number bound and one step each. They are let
// go with ReleaseDNCLookups, when another connection comes, or when the
// connection is gone (a closed SQLite connection waits for them).
struct SqliteLookups {
    // A closed connection stays allocated while statements of it are kept,
    // so no other connection can have the same handle until they are gone.
    sqlite3* handle = nullptr;
    std::array<sqlite3_stmt*, 1000> statements{};

    void clear()
    {
        for (sqlite3_stmt*& st : statements) {
            if (st) sqlite3_finalize(st);
            st = nullptr;
        }
        handle = nullptr;
    }
    ~SqliteLookups() { clear(); }
};

SqliteLookups& ReadyLookups()
{
    static SqliteLookups lookups;
    return lookups;
}

// The area code as a table number 0..999; -1 when it is not three digits.
int AreaIndex(const QString& areaCode)
{
    if (areaCode.size() != 3) return -1;
    int n = 0;
    for (QChar c : areaCode) {
        if (c < u'0' || c > u'9') return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

// 0 for a missing table; every other failure is raised.
std::int32_t RaiseUnlessMissing(ado::SqliteConnection& db, int rc)
{
    try {
        db.raise(rc);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        if (IsMissingTable(e)) return 0;
        throw vb::ErrObject(e);
    }
}

std::int32_t CountOnSqlite(ado::SqliteConnection& db, int area, const QString& localNumber)
{
    SqliteLookups& ready = ReadyLookups();
    if (ready.handle != db.handle()) {
        ready.clear();
        ready.handle = db.handle();
    }
    sqlite3_stmt*& st = ready.statements[size_t(area)];
    if (!st) {
        // The number is the table's key: a row or none answers the count.
        const QByteArray sql =
            QStringLiteral("SELECT 1 FROM phone%1 WHERE phone=?").arg(area, 3, 10, QLatin1Char('0')).toUtf8();
        const int rc = sqlite3_prepare_v3(db.handle(), sql.constData(), int(sql.size()),
                                          SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(st);
            st = nullptr;
            return RaiseUnlessMissing(db, rc);
        }
    }
    // The number as the column stores it; anything but digits is bound as
    // text, as the general look-up does.
    bool digits = !localNumber.isEmpty() && localNumber.size() <= 18;
    qint64 value = 0;
    for (QChar c : localNumber) {
        if (c < u'0' || c > u'9') {
            digits = false;
            break;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    if (digits)
        sqlite3_bind_int64(st, 1, value);
    else
        ado::BindVariant(st, 1, LocalValue(localNumber));
    const int rc = sqlite3_step(st);
    const std::int32_t n = rc == SQLITE_ROW ? 1 : 0;
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        // A table dropped since the statement was made is a missing table.
        sqlite3_finalize(st);
        st = nullptr;
        return RaiseUnlessMissing(db, rc);
    }
    return n;
}

} // namespace

void CreatePhoneTable(const QString& areaCode, const std::shared_ptr<ado::Connection>& connection,
                      double waitSeconds)
{
    const QString name = QStringLiteral("phone") + areaCode;
    try {
        if (gPhoneTables && gPhoneTables->Item(name)) return;

        auto catalog = adox::Catalog::Create();
        catalog->SetActiveConnection(connection);
        auto table = adox::Table::Create(name);
        auto column = adox::Column::Create(QStringLiteral("phone"), ado::adInteger, 0);
        column->SetParentCatalog(catalog.get());
        column->Properties().Item(QStringLiteral("Nullable")).SetValue(vb::Variant(false));
        column->Properties().Item(QStringLiteral("Jet OLEDB:Allow Zero Length")).SetValue(vb::Variant(false));
        table->Columns().Append(column);
        auto index = adox::Index::Create(QStringLiteral("PrimaryKey"));
        index->SetPrimaryKey(true);
        index->SetUnique(true);
        index->Columns().Append(QStringLiteral("phone"));
        table->Indexes().Append(index);
        catalog->Tables().Append(table);

        if (!gPhoneTables) gPhoneTables = std::make_shared<CDataStrings>();
        gPhoneTables->Add(name, name);
        if (waitSeconds != 0) WaitSeconds(waitSeconds);
    } catch (...) {
        ReportCaught(kLoadTables);
    }
}

void WaitSeconds(double seconds)
{
    // The monotonic clock, not the time of day: a wait that starts before
    // midnight would otherwise never see its end time.
    const double end = vb::Timer() + seconds;
    for (;;) {
        vb::DoEvents();
        const double left = end - vb::Timer();
        if (left <= 0) break;
        vb::Sleep(std::min(left, 0.01));
    }
}

std::int32_t GetDNCCount(bool* ok)
{
    if (ok) *ok = false;
    if (!gDataAccess) return -1;
    std::int64_t total = 0;
    bool good = true;
    try {
        if (!gDataAccess->OpenConnection()) return -1;
        std::shared_ptr<ado::Recordset> rs;
        const auto conn = gDataAccess->GetConnection();
        if (gPhoneTables && conn) {
            for (const auto& item : *gPhoneTables) {
                if (!item) continue;
                if (!gDataAccess->GetRecordset(QStringLiteral("Select count(*) from ") +
                                                   conn->QuoteName(item->ItemValue()),
                                               rs, QString(), -1)) {
                    // already reported by the data access object
                    good = false;
                    break;
                }
                if (!rs->Eof()) total += rs->Value(0).toLongLong();
                rs->Close();
            }
        }
    } catch (...) {
        good = false;
        ReportCaught(kLoadTables);
    }
    gDataAccess->CloseConnection();
    if (!good) return -1;
    if (ok) *ok = true;
    return static_cast<std::int32_t>(total);
}

bool LoadTables()
{
    // Before the store is read: an import on a server store links its text
    // through the server module.
    dncimport::UseServerLinks();
    if (!gPhoneTables) gPhoneTables = std::make_shared<CDataStrings>();
    gPhoneTables->Clear();
    std::shared_ptr<ado::Connection> conn;
    bool result = false;
    try {
        conn = ado::Connection::Create();
        conn->Open(DncConnectionString());
        auto catalog = adox::Catalog::Create();
        catalog->SetActiveConnection(conn);
        adox::Tables& tables = catalog->Tables();
        if (tables.Count() > 0) {
            for (const auto& t : tables) {
                if (t->Type() == u"TABLE" && t->Name().toLower().startsWith(u"phone"))
                    gPhoneTables->Add(t->Name(), t->Name());
            }
            result = true;
        }
    } catch (...) {
        result = false;
        ReportCaught(kLoadTables);
    }
    CloseQuietly(conn);
    return result;
}

std::int32_t CountDNCPhone(const QString& areaCode, const QString& localNumber,
                           const std::shared_ptr<ado::Connection>& connection)
{
    if (!connection || connection->State() != ado::adStateOpen)
        ado::RaiseAdo(ado::errnum::ConnectionInvalid, QStringLiteral("CountDNCPhone"));
    if (ado::ProviderConnection* const provider = connection->provider())
        if (ado::SqliteConnection* db = provider->sqlite(); db && db->isOpen())
            if (const int area = AreaIndex(areaCode); area >= 0) return CountOnSqlite(*db, area, localNumber);
    const QString table = QStringLiteral("phone") + areaCode;
    auto cmd = LookupFor(table, connection);
    cmd->SetParameter(0, LocalValue(localNumber));
    cmd->SetActiveConnection(connection);
    std::shared_ptr<ado::Recordset> rs;
    try {
        rs = cmd->Execute();
        const std::int32_t n = (rs && !rs->Eof()) ? ToCount(rs->Value(0)) : 0;
        CloseQuietly(rs);
        cmd->SetActiveConnection(nullptr);
        return n;
    } catch (...) {
        cmd->SetActiveConnection(nullptr);
        CloseQuietly(rs);
        const vb::ErrObject& e = vb::CatchError();
        if (IsMissingTable(e)) return 0;
        throw vb::ErrObject(e);
    }
}

std::int32_t CountRecords(const QString& clause, const std::shared_ptr<ado::Connection>& connection)
{
    std::shared_ptr<ado::Recordset> rs = gRecordset ? gRecordset : ado::Recordset::Create();
    CloseQuietly(rs);
    try {
        rs->Open(QStringLiteral("Select count(*) from ") + clause, connection, ado::adOpenForwardOnly,
                 ado::adLockReadOnly);
        const std::int32_t n = rs->Eof() ? 0 : ToCount(rs->Value(0));
        rs->Close();
        return n;
    } catch (...) {
        CloseQuietly(rs);
        const vb::ErrObject& e = vb::CatchError();
        if (IsMissingTable(e)) return 0;
        throw vb::ErrObject(e);
    }
}

void CreateJetDatabase(const QString& path)
{
    if (QFile::exists(path)) QFile::remove(path);
    auto catalog = adox::Catalog::Create();
    auto conn = catalog->Create(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=") + path);
    CloseQuietly(conn);
}

void AppendLinkedTable(adox::Catalog& catalog, const QString& sourceDatabase, const QString& tableName)
{
    auto table = adox::Table::Create(tableName);
    table->SetParentCatalog(&catalog);
    adox::Properties& p = table->Properties();
    p.Item(QStringLiteral("Jet OLEDB:Create Link")).SetValue(vb::Variant(true));
    p.Item(QStringLiteral("Jet OLEDB:Link Datasource")).SetValue(vb::Variant(sourceDatabase));
    p.Item(QStringLiteral("Jet OLEDB:Link Provider String")).SetValue(vb::Variant(QStringLiteral(";")));
    p.Item(QStringLiteral("Jet OLEDB:Remote Table Name")).SetValue(vb::Variant(tableName));
    catalog.Tables().Append(table);
}

void CreateLinkedTable(adox::Catalog& catalog, const QString& sourceDatabase, const QString& tableName)
{
    try {
        AppendLinkedTable(catalog, sourceDatabase, tableName);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QStringLiteral("Main Module"), QStringLiteral("Create Table"),
                    false);
    }
}

void CreateLinkedTable(const std::shared_ptr<ado::Connection>& connection, const QString& sourceDatabase,
                       const QString& tableName)
{
    try {
        auto catalog = adox::Catalog::Create();
        catalog->SetActiveConnection(connection);
        CreateLinkedTable(*catalog, sourceDatabase, tableName);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QStringLiteral("Main Module"), QStringLiteral("Create Table"),
                    false);
    }
}

void ReleaseDNCLookups()
{
    ReadyLookups().clear();
}
