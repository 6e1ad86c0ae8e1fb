#include "dncdb/ModuleDNC.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/COption.h"
#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "core/WriteGuard.h"
#include "dncdb/ServerImport.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Recordset.h"
#include "platform/adox/Catalog.h"
#include "platform/vb/Clock.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

// The local number as the key the look-up binds: a whole number when it is
// digits, as the column stores it; -1 otherwise.
qint64 DigitsValue(const QString& local)
{
    if (local.isEmpty() || local.size() > 18) return -1;
    qint64 value = 0;
    for (QChar c : local) {
        if (c < u'0' || c > u'9') return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

void AddPhoneTable(const QString& areaCode, const std::shared_ptr<ado::Connection>& connection,
                   CDataStrings& phoneTables)
{
    const QString name = QStringLiteral("phone") + areaCode;
    if (phoneTables.Item(name)) return;
    // Another desktop may have made the table since this list was read: it
    // is listed, not made again (which would fail the caller).
    if (PhoneTableList(connection).Has(name)) {
        phoneTables.Add(name, name);
        return;
    }

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
    phoneTables.Add(name, name);
}

void CreatePhoneTable(const QString& areaCode, const std::shared_ptr<ado::Connection>& connection,
                      double waitSeconds)
{
    try {
        if (!gPhoneTables) gPhoneTables = std::make_shared<CDataStrings>();
        if (gPhoneTables->Item(QStringLiteral("phone") + areaCode)) return;
        AddPhoneTable(areaCode, connection, *gPhoneTables);
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
        if (conn) {
            // On a server the list is the store's own: tables another
            // desktop added count too.
            for (const QString& table : PhoneTableList(conn).Names()) {
                if (!gDataAccess->GetRecordset(QStringLiteral("Select count(*) from ") +
                                                   conn->QuoteName(table),
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
    const QString table = QStringLiteral("phone") + areaCode;
    // A server does not say "no such table" when asked to prepare on one:
    // its table list is asked before the first look-up of the area code.
    if (!connection->HasLookup(table, QStringLiteral("phone")) && !PhoneTableList(connection).Has(table))
        return 0;
    try {
        ado::KeyLookup& lookup = connection->Lookup(table, QStringLiteral("phone"));
        const qint64 digits = DigitsValue(localNumber);
        // Anything but digits is bound as text, which no row of the
        // number column equals.
        const qint64 n = digits >= 0 ? lookup.count(digits) : lookup.count(LocalValue(localNumber));
        return static_cast<std::int32_t>(n);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        if (IsMissingTable(e)) return 0;
        throw vb::ErrObject(e);
    }
}

DNCLookups::DNCLookups(std::shared_ptr<ado::Connection> connection) : m_connection(std::move(connection)) {}

std::int32_t DNCLookups::Count(const QString& areaCode, const QString& localNumber)
{
    int area = areaCode.size() == 3 ? 0 : -1;
    for (qsizetype i = 0; i < areaCode.size() && area >= 0; ++i)
        area = areaCode[i] >= u'0' && areaCode[i] <= u'9' ? area * 10 + (areaCode[i].unicode() - u'0') : -1;
    if (area < 0) return CountDNCPhone(areaCode, localNumber, m_connection);
    const qint64 digits = DigitsValue(localNumber);
    if (digits >= 0) return Count(area, digits);
    try {
        ado::KeyLookup* lookup = ready(area);
        return lookup ? static_cast<std::int32_t>(lookup->count(LocalValue(localNumber))) : 0;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        if (IsMissingTable(e)) return 0;
        throw vb::ErrObject(e);
    }
}

std::int32_t DNCLookups::Count(int areaCode, std::int64_t localNumber)
{
    try {
        ado::KeyLookup* lookup = ready(areaCode);
        return lookup ? static_cast<std::int32_t>(lookup->count(localNumber)) : 0;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        if (IsMissingTable(e)) return 0;
        throw vb::ErrObject(e);
    }
}

ado::KeyLookup* DNCLookups::ready(int areaCode)
{
    ado::KeyLookup*& lookup = m_ready[size_t(areaCode)];
    if (!lookup) {
        if (!m_connection || m_connection->State() != ado::adStateOpen)
            ado::RaiseAdo(ado::errnum::ConnectionInvalid, QStringLiteral("CountDNCPhone"));
        // As CountDNCPhone: the store's table list, read once for the run,
        // is asked before a statement is prepared on the table.
        if (!m_tables) m_tables = std::make_unique<PhoneTableList>(m_connection);
        if (!m_tables->Has(areaCode)) return nullptr;
        lookup = &m_connection->Lookup(QStringLiteral("phone%1").arg(areaCode, 3, 10, QLatin1Char('0')),
                                       QStringLiteral("phone"));
    }
    return lookup;
}

bool IsServerStore(const std::shared_ptr<ado::Connection>& connection)
{
    return connection && connection->provider() && connection->provider()->kind() == u"odbc";
}

bool StoreIsOnServer()
{
    try {
        return ado::ChooseProvider(ado::ConnectionString(DncConnectionString())).kind == u"odbc";
    } catch (...) {
        // No store that can be opened: nothing to read again.
        vb::CatchError();
        return false;
    }
}

namespace {

// The area code of "phone" + three digits (any case); -1 for another name.
int AreaOfTable(const QString& name)
{
    if (name.size() != 8 || !name.startsWith(u"phone", Qt::CaseInsensitive)) return -1;
    int area = 0;
    for (qsizetype i = 5; i < 8; ++i) {
        if (name[i] < u'0' || name[i] > u'9') return -1;
        area = area * 10 + (name[i].unicode() - u'0');
    }
    return area;
}

} // namespace

PhoneTableList::PhoneTableList(const std::shared_ptr<ado::Connection>& connection)
{
    if (!connection || !connection->provider()) return;
    m_store = std::make_shared<CDataStrings>();
    for (const ado::TableInfo& t : connection->provider()->tables())
        if (t.type == u"TABLE" && t.name.startsWith(u"phone", Qt::CaseInsensitive)) {
            m_store->Add(t.name, t.name);
            if (const int area = AreaOfTable(t.name); area >= 0) m_known[std::size_t(area)] = 1;
        }
    for (std::int8_t& known : m_known)
        if (known == 0) known = -1;
}

bool PhoneTableList::Has(const QString& tableName)
{
    const int area = AreaOfTable(tableName);
    if (area >= 0) return Has(area);
    const std::shared_ptr<CDataStrings>& list = m_store ? m_store : gPhoneTables;
    return list && list->Item(tableName) != nullptr;
}

bool PhoneTableList::Has(int areaCode)
{
    if (areaCode < 0 || areaCode > 999) return false;
    std::int8_t& state = m_known[std::size_t(areaCode)];
    if (state == 0)
        state = gPhoneTables &&
                        gPhoneTables->Item(QStringLiteral("phone%1").arg(areaCode, 3, 10, QLatin1Char('0')))
                    ? 1
                    : -1;
    return state > 0;
}

QStringList PhoneTableList::Names() const
{
    QStringList names;
    if (const std::shared_ptr<CDataStrings>& list = m_store ? m_store : gPhoneTables)
        for (const auto& item : *list)
            if (item) names << item->ItemValue();
    return names;
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
    const QString clash =
        writeguard::WriteClash(QStringLiteral("new database"), path, {}, writeguard::Omit::WorkDatabase);
    if (!clash.isEmpty())
        vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("CreateJetDatabase"), clash);
    // Whatever lies at the name (an earlier run's database, a link) goes
    // first: the database is then made new, never through a link.
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) == 0 && ::unlink(name.constData()) != 0)
        vb::Raise(
            vb::errnum::PermissionDenied, QStringLiteral("CreateJetDatabase"),
            QStringLiteral("The database '%1' is left there by another user and cannot be removed (%2). "
                           "Ask its owner, or whoever keeps the folder, to remove it.")
                .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    auto catalog = adox::Catalog::Create();
    auto conn = catalog->Create(JetFileConnectionString(path));
    CloseQuietly(conn);
}

QString JetFileConnectionString(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=") +
           ado::QuoteConnectionValue(path);
}

void AppendLinkedTable(adox::Catalog& catalog, const QString& sourceDatabase, const QString& tableName,
                       const QString& linkName)
{
    auto table = adox::Table::Create(linkName.isEmpty() ? tableName : linkName);
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
