#include "platform/adox/Catalog.h"

#include "platform/ado/Connection.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/Provider.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace adox {

namespace {

constexpr std::int32_t TableExists = -2147217857; // DB_E_DUPLICATETABLEID

QString source(const char* collection)
{
    return QStringLiteral("ADOX.%1").arg(QLatin1String(collection));
}

[[noreturn]] void notFound(const char* collection)
{
    ado::RaiseAdo(ado::errnum::ItemNotFound, source(collection));
}

template <typename T>
std::shared_ptr<T> byName(const std::vector<std::shared_ptr<T>>& items, const QString& name,
                          const char* collection)
{
    for (const auto& i : items)
        if (i->Name().compare(name, Qt::CaseInsensitive) == 0) return i;
    notFound(collection);
}

template <typename T>
std::shared_ptr<T> byIndex(const std::vector<std::shared_ptr<T>>& items, int index, const char* collection)
{
    if (index < 0 || index >= int(items.size())) notFound(collection);
    return items[size_t(index)];
}

template <typename T>
void removeByName(std::vector<std::shared_ptr<T>>& items, const QString& name, const char* collection)
{
    for (auto it = items.begin(); it != items.end(); ++it)
        if ((*it)->Name().compare(name, Qt::CaseInsensitive) == 0) {
            items.erase(it);
            return;
        }
    notFound(collection);
}

QString quoteName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    static const QSet<QString> reserved{
        "ADD",      "ALL",        "ALTER",  "AND",        "AS",     "ASC",     "BETWEEN", "BY",
        "CASE",     "CHECK",      "COLUMN", "CONSTRAINT", "CREATE", "DEFAULT", "DELETE",  "DESC",
        "DISTINCT", "DROP",       "ELSE",   "END",        "EXISTS", "FOREIGN", "FROM",    "GROUP",
        "HAVING",   "IN",         "INDEX",  "INSERT",     "INTO",   "IS",      "JOIN",    "KEY",
        "LEFT",     "LIKE",       "LIMIT",  "NOT",        "NULL",   "ON",      "OR",      "ORDER",
        "PRIMARY",  "REFERENCES", "RIGHT",  "SELECT",     "SET",    "TABLE",   "THEN",    "TO",
        "UNION",    "UNIQUE",     "UPDATE", "VALUES",     "WHEN",   "WHERE",   "WITH"};
    if (plain.match(name).hasMatch() && !reserved.contains(name.toUpper())) return name;
    return ado::QuoteNativeName(name);
}

QString sqlType(const Column& c)
{
    const long size = c.DefinedSize() > 0 ? c.DefinedSize() : 255;
    switch (c.Type()) {
    case ado::adInteger:
    case ado::adUnsignedInt:
        return QStringLiteral("INTEGER");
    case ado::adSmallInt:
    case ado::adUnsignedSmallInt:
        return QStringLiteral("SMALLINT");
    case ado::adTinyInt:
    case ado::adUnsignedTinyInt:
        return QStringLiteral("TINYINT");
    case ado::adBigInt:
        return QStringLiteral("BIGINT");
    case ado::adSingle:
        return QStringLiteral("SINGLE");
    case ado::adDouble:
        return QStringLiteral("DOUBLE");
    case ado::adCurrency:
        return QStringLiteral("CURRENCY");
    case ado::adDate:
    case ado::adDBTimeStamp:
        return QStringLiteral("DATETIME");
    case ado::adBoolean:
        return QStringLiteral("BOOLEAN");
    case ado::adWChar:
    case ado::adChar:
        return QStringLiteral("CHAR(%1) COLLATE NOCASE").arg(size);
    case ado::adVarWChar:
    case ado::adVarChar:
    case ado::adBSTR:
        return QStringLiteral("TEXT(%1) COLLATE NOCASE").arg(size);
    case ado::adLongVarWChar:
    case ado::adLongVarChar:
        return QStringLiteral("LONGTEXT COLLATE NOCASE");
    case ado::adNumeric:
    case ado::adDecimal:
        return c.Precision() > 0 ? QStringLiteral("DECIMAL(%1,%2)").arg(c.Precision()).arg(c.NumericScale())
                                 : QStringLiteral("DECIMAL");
    case ado::adGUID:
        return QStringLiteral("GUID");
    default:
        return QStringLiteral("BLOB");
    }
}

bool truthy(const vb::Variant& v)
{
    if (v.isNull() || v.isEmpty()) return false;
    if (v.isString()) {
        const QString s = v.rawString().trimmed();
        return s.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 || (s.toDouble() != 0);
    }
    return v.toBool();
}

ado::SqliteConnection* sqliteOf(const std::shared_ptr<ado::Connection>& conn)
{
    if (!conn || conn->State() != ado::adStateOpen)
        ado::RaiseAdo(ado::errnum::ConnectionInvalid, source("Catalog"));
    ado::SqliteConnection* s = conn->providerConnection()->sqlite();
    if (!s)
        ado::Raise(ado::errnum::NotAllowedInContext,
                   QStringLiteral("The catalog cannot change tables through this provider."),
                   source("Tables"));
    return s;
}

std::vector<Property> tableProperties()
{
    return {
        {QStringLiteral("Temporary Table"), vb::Variant(false)},
        {QStringLiteral("Jet OLEDB:Table Validation Text"), vb::Variant(QString())},
        {QStringLiteral("Jet OLEDB:Table Validation Rule"), vb::Variant(QString())},
        {QStringLiteral("Jet OLEDB:Cache Link Name/Password"), vb::Variant(false)},
        {QStringLiteral("Jet OLEDB:Remote Table Name"), vb::Variant(QString())},
        {QStringLiteral("Jet OLEDB:Link Provider String"), vb::Variant(QString())},
        {QStringLiteral("Jet OLEDB:Link Datasource"), vb::Variant(QString())},
        {QStringLiteral("Jet OLEDB:Exclusive Link"), vb::Variant(false)},
        {QStringLiteral("Jet OLEDB:Create Link"), vb::Variant(false)},
        {QStringLiteral("Jet OLEDB:Table Hidden In Access"), vb::Variant(false)},
    };
}

std::vector<Property> columnProperties()
{
    return {
        {QStringLiteral("Autoincrement"), vb::Variant(false)},
        {QStringLiteral("Default"), vb::Variant()},
        {QStringLiteral("Description"), vb::Variant()},
        {QStringLiteral("Nullable"), vb::Variant(false)},
        {QStringLiteral("Fixed Length"), vb::Variant(false)},
        {QStringLiteral("Seed"), vb::Variant(1)},
        {QStringLiteral("Increment"), vb::Variant(1)},
        {QStringLiteral("Jet OLEDB:Column Validation Text"), vb::Variant()},
        {QStringLiteral("Jet OLEDB:Column Validation Rule"), vb::Variant()},
        {QStringLiteral("Jet OLEDB:IISAM Not Last Column"), vb::Variant(false)},
        {QStringLiteral("Jet OLEDB:AutoGenerate"), vb::Variant(false)},
        {QStringLiteral("Jet OLEDB:One BLOB per Page"), vb::Variant(false)},
        {QStringLiteral("Jet OLEDB:Compressed UNICODE Strings"), vb::Variant(false)},
        {QStringLiteral("Jet OLEDB:Allow Zero Length"), vb::Variant(false)},
        {QStringLiteral("Jet OLEDB:Hyperlink"), vb::Variant(false)},
    };
}

} // namespace

// ---------------------------------------------------------------- Properties

Property& Properties::Item(const QString& name)
{
    for (auto& p : m_items)
        if (p.Name().compare(name, Qt::CaseInsensitive) == 0) return p;
    notFound("Properties");
}

Property& Properties::Item(int index)
{
    if (index < 0 || index >= int(m_items.size())) notFound("Properties");
    return m_items[size_t(index)];
}

const Property* Properties::find(const QString& name) const
{
    for (const auto& p : m_items)
        if (p.Name().compare(name, Qt::CaseInsensitive) == 0) return &p;
    return nullptr;
}

// ---------------------------------------------------------------- Column(s)

Column::Column() : m_props(columnProperties()) {}

std::shared_ptr<Column> Column::Create(const QString& name, int type, long definedSize)
{
    auto c = std::make_shared<Column>();
    c->m_name = name;
    c->m_type = type;
    c->m_definedSize = definedSize;
    return c;
}

bool Column::nullable() const
{
    const Property* p = m_props.find(QStringLiteral("Nullable"));
    if (p && p->wasSet()) return truthy(p->Value());
    return (m_attributes & adColNullable) != 0;
}

bool Column::autoIncrement() const
{
    const Property* p = m_props.find(QStringLiteral("Autoincrement"));
    return p && truthy(p->Value());
}

std::shared_ptr<Column> Columns::Item(int index) const
{
    return byIndex(m_items, index, "Columns");
}

std::shared_ptr<Column> Columns::Item(const QString& name) const
{
    return byName(m_items, name, "Columns");
}

void Columns::Append(const std::shared_ptr<Column>& column)
{
    for (const auto& c : m_items)
        if (c->Name().compare(column->Name(), Qt::CaseInsensitive) == 0)
            ado::Raise(vb::errnum::KeyAlreadyAssociated,
                       QStringLiteral("Object is already in collection. Cannot append."), source("Columns"));
    m_items.push_back(column);
}

void Columns::Append(const QString& name, int type, long definedSize)
{
    Append(Column::Create(name, type, definedSize));
}

void Columns::Delete(const QString& name)
{
    removeByName(m_items, name, "Columns");
}

// ---------------------------------------------------------------- Index(es), Key(s)

std::shared_ptr<Index> Index::Create(const QString& name)
{
    auto i = std::make_shared<Index>();
    i->m_name = name;
    return i;
}

std::shared_ptr<Index> Indexes::Item(int index) const
{
    return byIndex(m_items, index, "Indexes");
}

std::shared_ptr<Index> Indexes::Item(const QString& name) const
{
    return byName(m_items, name, "Indexes");
}

void Indexes::Append(const std::shared_ptr<Index>& index)
{
    m_items.push_back(index);
}

void Indexes::Append(const QString& name, const QString& column)
{
    auto i = Index::Create(name);
    i->Columns().Append(column);
    Append(i);
}

void Indexes::Delete(const QString& name)
{
    removeByName(m_items, name, "Indexes");
}

std::shared_ptr<Key> Key::Create(const QString& name, int type)
{
    auto k = std::make_shared<Key>();
    k->m_name = name;
    k->m_type = type;
    return k;
}

std::shared_ptr<Key> Keys::Item(int index) const
{
    return byIndex(m_items, index, "Keys");
}

std::shared_ptr<Key> Keys::Item(const QString& name) const
{
    return byName(m_items, name, "Keys");
}

void Keys::Append(const std::shared_ptr<Key>& key)
{
    m_items.push_back(key);
}

void Keys::Append(const QString& name, int type, const QString& column, const QString& relatedTable,
                  const QString& relatedColumn)
{
    auto k = Key::Create(name, type);
    k->Columns().Append(column);
    k->SetRelatedTable(relatedTable);
    k->RelatedColumns().push_back(relatedColumn);
    Append(k);
}

void Keys::Delete(const QString& name)
{
    removeByName(m_items, name, "Keys");
}

// ---------------------------------------------------------------- Table(s)

Table::Table() : m_props(tableProperties()) {}

std::shared_ptr<Table> Table::Create(const QString& name)
{
    auto t = std::make_shared<Table>();
    t->m_name = name;
    return t;
}

adox::Columns& Table::Columns()
{
    if (!m_columnsLoaded && m_parent) {
        m_columnsLoaded = true;
        m_parent->loadColumns(*this);
    }
    return m_columns;
}

std::shared_ptr<Table> Tables::Item(int index) const
{
    return byIndex(m_items, index, "Tables");
}

std::shared_ptr<Table> Tables::Item(const QString& name) const
{
    return byName(m_items, name, "Tables");
}

void Tables::Refresh()
{
    m_items.clear();
    if (!m_catalog || !m_catalog->m_conn || m_catalog->m_conn->State() != ado::adStateOpen) return;
    for (const auto& info : m_catalog->m_conn->providerConnection()->tables()) {
        auto t = Table::Create(info.name);
        t->m_type = info.type;
        t->m_parent = m_catalog;
        t->m_columnsLoaded = false;
        m_items.push_back(t);
    }
}

// A server's catalog changes through the provider's own SQL: the table's
// Jet SQL, translated by the provider for its server.
bool Tables::changeThroughSql(const std::shared_ptr<Table>& table, const QString& dropName)
{
    const auto& conn = m_catalog->m_conn;
    if (!conn || conn->State() != ado::adStateOpen || conn->providerConnection()->sqlite() ||
        conn->providerConnection()->kind() != u"odbc")
        return false;
    if (table) {
        Properties& p = table->Properties();
        if (truthy(p.Item(QStringLiteral("Jet OLEDB:Create Link")).Value())) {
            ado::LinkSpec spec{table->Name(),
                               p.Item(QStringLiteral("Jet OLEDB:Link Provider String")).Value().text(),
                               p.Item(QStringLiteral("Jet OLEDB:Link Datasource")).Value().text(),
                               p.Item(QStringLiteral("Jet OLEDB:Remote Table Name")).Value().text()};
            ado::CreateServerLink(*conn->providerConnection(), spec);
        } else {
            for (const QString& sql : Catalog::CreateStatements(*table, true))
                conn->Execute(sql, nullptr, ado::adExecuteNoRecords);
        }
        table->m_parent = m_catalog;
    } else if (!ado::DropServerLink(*conn->providerConnection(), dropName)) {
        conn->Execute(QStringLiteral("DROP TABLE ") + ado::QuoteName(dropName), nullptr,
                      ado::adExecuteNoRecords);
    }
    Refresh();
    return true;
}

void Tables::Append(const std::shared_ptr<Table>& table)
{
    Refresh();
    for (const auto& t : m_items)
        if (t->Name().compare(table->Name(), Qt::CaseInsensitive) == 0)
            ado::Raise(TableExists, QStringLiteral("Table '%1' already exists.").arg(table->Name()),
                       ado::JetSource());
    if (changeThroughSql(table, QString())) return;
    ado::SqliteConnection* db = sqliteOf(m_catalog->m_conn);
    Refresh();
    for (const auto& t : m_items)
        if (t->Name().compare(table->Name(), Qt::CaseInsensitive) == 0)
            ado::Raise(TableExists, QStringLiteral("Table '%1' already exists.").arg(table->Name()),
                       ado::JetSource());
    Properties& p = table->Properties();
    if (truthy(p.Item(QStringLiteral("Jet OLEDB:Create Link")).Value())) {
        ado::LinkSpec spec{table->Name(),
                           p.Item(QStringLiteral("Jet OLEDB:Link Provider String")).Value().text(),
                           p.Item(QStringLiteral("Jet OLEDB:Link Datasource")).Value().text(),
                           p.Item(QStringLiteral("Jet OLEDB:Remote Table Name")).Value().text()};
        if (spec.dataSource.isEmpty()) {
            // a text link names its folder in the provider string
            const ado::ConnectionString cs(spec.providerString);
            spec.dataSource = cs.value(QStringLiteral("DATABASE"));
        }
        ado::CreateLink(*db, spec);
        db->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (Name TEXT PRIMARY KEY COLLATE NOCASE, "
                                "ProviderString TEXT, DataSource TEXT, RemoteTable TEXT)")
                     .arg(ado::SqliteConnection::linksTable()));
        sqlite3_stmt* s = nullptr;
        const QByteArray q = QStringLiteral("INSERT INTO %1 (Name, ProviderString, DataSource, RemoteTable) "
                                            "VALUES (?,?,?,?)")
                                 .arg(ado::SqliteConnection::linksTable())
                                 .toUtf8();
        int rc = sqlite3_prepare_v2(db->handle(), q.constData(), -1, &s, nullptr);
        if (rc == SQLITE_OK) {
            int i = 1;
            for (const QString& v : {spec.name, spec.providerString, spec.dataSource, spec.remoteTable})
                ado::BindVariant(s, i++, vb::Variant(v));
            rc = sqlite3_step(s);
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        }
        sqlite3_finalize(s);
        if (rc != SQLITE_OK) db->raise(rc);
    } else {
        for (const QString& sql : Catalog::CreateStatements(*table))
            db->exec(sql);
    }
    table->m_parent = m_catalog;
    Refresh();
}

void Tables::Delete(const QString& name)
{
    Refresh();
    std::shared_ptr<Table> t = Item(name);
    if (changeThroughSql(nullptr, t->Name())) return;
    ado::SqliteConnection* db = sqliteOf(m_catalog->m_conn);
    const QString q = quoteName(t->Name());
    if (t->Type() == u"LINK") {
        ado::LinkSpec link;
        for (const auto& l : db->links())
            if (l.name.compare(t->Name(), Qt::CaseInsensitive) == 0) link = l;
        sqlite3_stmt* s = nullptr;
        const QByteArray sql =
            QStringLiteral("DELETE FROM %1 WHERE Name = ?").arg(ado::SqliteConnection::linksTable()).toUtf8();
        if (sqlite3_prepare_v2(db->handle(), sql.constData(), -1, &s, nullptr) == SQLITE_OK) {
            ado::BindVariant(s, 1, vb::Variant(t->Name()));
            sqlite3_step(s);
        }
        sqlite3_finalize(s);
        // the link's own object on this connection
        bool isView = false;
        sqlite3_stmt* k = nullptr;
        if (sqlite3_prepare_v2(db->handle(),
                               "SELECT type FROM temp.sqlite_master WHERE name = ? COLLATE NOCASE", -1, &k,
                               nullptr) == SQLITE_OK) {
            ado::BindVariant(k, 1, vb::Variant(t->Name()));
            if (sqlite3_step(k) == SQLITE_ROW)
                isView =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(k, 0))) == u"view";
        }
        sqlite3_finalize(k);
        db->exec(isView ? QStringLiteral("DROP VIEW IF EXISTS temp.%1").arg(q)
                        : QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(q));
        // a database file no other link needs is let go
        if (ado::LinkKind(link.providerString) == u"jet") {
            bool used = false;
            for (const auto& other : db->links())
                if (other.dataSource == link.dataSource) used = true;
            if (!used) db->detachFile(link.dataSource);
        }
    } else if (t->Type() == u"VIEW") {
        db->exec(QStringLiteral("DROP VIEW %1").arg(q));
    } else {
        db->exec(QStringLiteral("DROP TABLE %1").arg(q));
    }
    Refresh();
}

void Tables::Delete(int index)
{
    Delete(Item(index)->Name());
}

// ---------------------------------------------------------------- Catalog

Catalog::Catalog()
{
    m_tables.m_catalog = this;
}

std::shared_ptr<Catalog> Catalog::Create()
{
    return std::make_shared<Catalog>();
}

void Catalog::SetActiveConnection(const std::shared_ptr<ado::Connection>& connection)
{
    if (connection && connection->State() != ado::adStateOpen)
        ado::RaiseAdo(ado::errnum::ConnectionInvalid, source("Catalog"));
    m_conn = connection;
    m_tables.Refresh();
}

void Catalog::SetActiveConnection(const QString& connectionString)
{
    auto c = ado::Connection::Create();
    c->Open(connectionString);
    SetActiveConnection(c);
}

adox::Tables& Catalog::Tables()
{
    if (!m_conn) ado::RaiseAdo(ado::errnum::ConnectionInvalid, source("Catalog"));
    return m_tables;
}

std::shared_ptr<ado::Connection> Catalog::Create(const QString& connectionString)
{
    const ado::ConnectionString cs(connectionString);
    const ado::ProviderChoice choice = ado::ChooseProvider(cs);
    if (choice.kind != u"jet")
        ado::Raise(ado::errnum::NotAllowedInContext,
                   QStringLiteral("Only Jet databases can be created (provider: %1).").arg(choice.name),
                   source("Catalog"));
    if (!cs.value(QStringLiteral("Jet OLEDB:Database Password")).isEmpty())
        ado::Raise(
            ado::errnum::JetFailure,
            QStringLiteral("Password-protected databases are not supported; create it without a password."),
            ado::JetSource());
    const QString path = cs.value(QStringLiteral("Data Source"));
    if (path.isEmpty())
        ado::Raise(ado::errnum::JetFailure, QStringLiteral("Not a valid file name."), ado::JetSource());
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        ado::Raise(ado::errnum::JetFailure, QStringLiteral("Could not find file '%1'.").arg(path),
                   ado::JetSource());
    // Made new here: a name already taken, a link pointing nowhere included,
    // is never written through.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST)
        ado::Raise(ado::errnum::DatabaseExists, QStringLiteral("Database already exists."), ado::JetSource());
    if (fd < 0)
        ado::Raise(
            ado::errnum::JetFailure,
            QStringLiteral("Cannot make the database '%1': the folder '%2' takes no new files (%3).")
                .arg(path, QFileInfo(path).absolutePath(), QString::fromLocal8Bit(std::strerror(errno))),
            ado::JetSource());
    ::close(fd);
    sqlite3* db = nullptr;
    const QByteArray p = path.toUtf8();
    int rc = sqlite3_open_v2(p.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc == SQLITE_OK) // a database file is written only once something is in it
        rc = sqlite3_exec(db, "CREATE TABLE tv_new(a); DROP TABLE tv_new;", nullptr, nullptr, nullptr);
    const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        ::unlink(name.constData()); // made above: the failed database goes with it
        ado::Raise(ado::errnum::JetFailure, msg, ado::JetSource());
    }
    auto c = ado::Connection::Create();
    c->Open(connectionString);
    SetActiveConnection(c);
    return c;
}

QStringList Catalog::CreateStatements(Table& table, bool jetSql)
{
    const auto quoteName = [jetSql](const QString& name) {
        return jetSql ? ado::QuoteName(name) : adox::quoteName(name);
    };
    const auto sqlType = [jetSql](const Column& c) {
        QString t = adox::sqlType(c);
        if (jetSql) t.remove(QStringLiteral(" COLLATE NOCASE"));
        return t;
    };
    // primary key columns, from a primary index or a primary key
    QStringList pk;
    for (const auto& i : table.Indexes().items())
        if (i->PrimaryKey() && pk.isEmpty())
            for (const auto& c : i->Columns().items())
                pk << c->Name();
    for (const auto& k : table.Keys().items())
        if (k->Type() == adKeyPrimary && pk.isEmpty())
            for (const auto& c : k->Columns().items())
                pk << c->Name();

    QStringList defs;
    bool pkInline = false;
    for (const auto& c : table.Columns().items()) {
        QString def = quoteName(c->Name()) + QLatin1Char(' ');
        if (c->autoIncrement()) {
            def += jetSql ? QStringLiteral("COUNTER") : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
            if (pk.size() == 1 && pk.first().compare(c->Name(), Qt::CaseInsensitive) == 0) pkInline = true;
        } else {
            def += sqlType(*c);
            if (!c->nullable()) def += QStringLiteral(" NOT NULL");
            const Property* d = c->Properties().find(QStringLiteral("Default"));
            if (d && d->wasSet() && !d->Value().isNull() && !d->Value().isEmpty()) {
                const vb::Variant v = d->Value();
                def += QStringLiteral(" DEFAULT ") +
                       (v.isString() ? QLatin1Char('\'') +
                                           QString(v.rawString()).replace(u'\'', QStringLiteral("''")) +
                                           QLatin1Char('\'')
                                     : v.text());
            }
            if (pk.size() == 1 && pk.first().compare(c->Name(), Qt::CaseInsensitive) == 0) {
                def += QStringLiteral(" PRIMARY KEY");
                pkInline = true;
            }
        }
        defs << def;
    }
    if (!pk.isEmpty() && !pkInline) {
        QStringList q;
        for (const auto& n : pk)
            q << quoteName(n);
        defs << QStringLiteral("PRIMARY KEY (%1)").arg(q.join(QStringLiteral(", ")));
    }
    for (const auto& k : table.Keys().items()) {
        if (k->Type() != adKeyForeign || k->RelatedTable().isEmpty()) continue;
        QStringList cols, rel;
        for (const auto& c : k->Columns().items())
            cols << quoteName(c->Name());
        for (const auto& r : k->RelatedColumns())
            if (!r.isEmpty()) rel << quoteName(r);
        defs << QStringLiteral("FOREIGN KEY (%1) REFERENCES %2%3")
                    .arg(cols.join(QStringLiteral(", ")), quoteName(k->RelatedTable()),
                         rel.isEmpty() ? QString()
                                       : QStringLiteral(" (%1)").arg(rel.join(QStringLiteral(", "))));
    }
    QStringList out;
    out << QStringLiteral("CREATE TABLE %1 (%2)")
               .arg(quoteName(table.Name()), defs.join(QStringLiteral(", ")));
    auto index = [&](const QString& name, bool unique, const Columns& cols) {
        QStringList q;
        for (const auto& c : cols.items())
            q << quoteName(c->Name());
        out << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                   .arg(unique ? QStringLiteral("UNIQUE ") : QString(),
                        quoteName(table.Name() + QLatin1Char('_') + name), quoteName(table.Name()),
                        q.join(QStringLiteral(", ")));
    };
    for (const auto& i : table.Indexes().items())
        if (!i->PrimaryKey()) index(i->Name(), i->Unique(), i->Columns());
    for (const auto& k : table.Keys().items())
        if (k->Type() == adKeyUnique) index(k->Name(), true, k->Columns());
    return out;
}

void Catalog::loadColumns(Table& table)
{
    if (!m_conn || m_conn->State() != ado::adStateOpen) return;
    ado::SqliteConnection* db = m_conn->providerConnection()->sqlite();
    if (!db) return;
    QString name = table.Name();
    sqlite3_stmt* s = nullptr;
    const QByteArray q = QStringLiteral("PRAGMA table_info(%1)").arg(quoteName(name)).toUtf8();
    if (sqlite3_prepare_v2(db->handle(), q.constData(), -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return;
    }
    while (sqlite3_step(s) == SQLITE_ROW) {
        auto c = Column::Create(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1))));
        int type = ado::adVarWChar;
        qint64 size = 0;
        ado::DescribeDeclaredType(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 2))),
                                  type, size);
        c->SetType(type);
        c->SetDefinedSize(long(size));
        c->SetAttributes(sqlite3_column_int(s, 3) ? 0 : adColNullable);
        c->SetParentCatalog(this);
        table.m_columns.Append(c);
        if (sqlite3_column_int(s, 5) > 0 && table.Indexes().Count() == 0) {
            auto pk = Index::Create(QStringLiteral("PrimaryKey"));
            pk->SetPrimaryKey(true);
            pk->SetUnique(true);
            table.Indexes().Append(pk);
        }
        if (sqlite3_column_int(s, 5) > 0)
            table.Indexes().Item(QStringLiteral("PrimaryKey"))->Columns().Append(c->Name());
    }
    sqlite3_finalize(s);
}

} // namespace adox
