#include "platform/ado/Provider.h"

#include "platform/ado/JetSql.h"

#include "platform/ado/Ado.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/ado/VirtualTables.h"

#include "platform/fso/FileReplace.h"

#include <QFileInfo>
#include <QHash>

namespace ado {

namespace {

QHash<QString, ProviderFactory>& providers()
{
    static QHash<QString, ProviderFactory> map{
        {QStringLiteral("jet"),
         [](const ConnectionString& cs, const QString&, const QString&,
            long) -> std::shared_ptr<ProviderConnection> {
             if (!cs.value(QStringLiteral("Jet OLEDB:Database Password")).isEmpty())
                 Raise(errnum::JetFailure,
                       QStringLiteral(
                           "Cannot open '%1': password-protected databases are not supported; remove "
                           "the database password.")
                           .arg(cs.dataSource()),
                       JetSource());
             return SqliteConnection::OpenFile(cs.value(QStringLiteral("Data Source")));
         }},
    };
    return map;
}

QHash<QString, LinkFactory>& linkModules()
{
    static QHash<QString, LinkFactory> map{
        {QStringLiteral("jet"),
         [](SqliteConnection& conn, const LinkSpec& spec) {
             // A table of another database: attached, and seen through a view.
             const QString alias = conn.attachFile(spec.dataSource);
             const QString remote = spec.remoteTable.isEmpty() ? spec.name : spec.remoteTable;
             conn.exec(QStringLiteral("DROP VIEW IF EXISTS temp.%1").arg(QuoteNativeName(spec.name)));
             conn.exec(QStringLiteral("CREATE TEMP VIEW %1 AS SELECT * FROM %2.%3")
                           .arg(QuoteNativeName(spec.name), alias, QuoteNativeName(remote)));
         }},
    };
    return map;
}

ServerLinkModule& serverLinks()
{
    static ServerLinkModule module;
    return module;
}

} // namespace

void SetServerLinkModule(ServerLinkModule module)
{
    serverLinks() = std::move(module);
}

void CreateServerLink(ProviderConnection& conn, const LinkSpec& spec)
{
    if (!serverLinks().create)
        Raise(errnum::NotAllowedInContext,
              QStringLiteral("Linked table '%1' cannot be made on a database server.").arg(spec.name),
              JetSource());
    serverLinks().create(conn, spec);
}

bool DropServerLink(ProviderConnection& conn, const QString& name)
{
    return serverLinks().drop && serverLinks().drop(conn, name);
}

void RegisterProvider(const QString& kind, ProviderFactory factory)
{
    providers().insert(kind, std::move(factory));
}

std::shared_ptr<ProviderConnection> OpenProvider(const QString& connectionString, const QString& userId,
                                                 const QString& password, long connectionTimeout)
{
    RegisterStandardProviders();
    const ConnectionString cs(connectionString);
    const ProviderChoice choice = ChooseProvider(cs);
    // A group commit a kill cut short beside a list (a table and its result
    // files) is settled before anything reads the list.
    const QString source =
        cs.contains(QStringLiteral("SourceDB")) ? cs.value(QStringLiteral("SourceDB")) : cs.dataSource();
    if (!source.isEmpty() && choice.kind != QLatin1String("odbc")) {
        if (QFileInfo(source).isDir())
            fso::RecoverInterruptedCommits(source);
        else
            fso::SettleGroupsNaming({source});
    }
    const auto it = providers().constFind(choice.kind);
    if (it == providers().constEnd())
        Raise(errnum::ProviderNotFound,
              QStringLiteral("Provider cannot be found. It may not be properly installed. (Provider: %1)")
                  .arg(choice.name),
              ConnectionSource());
    return (*it)(cs, userId, password, connectionTimeout);
}

QString LinkKind(const QString& providerString)
{
    const QString first = providerString.section(u';', 0, 0).trimmed().toLower();
    if (first.isEmpty() || first == u"ms access" || first.startsWith(QStringLiteral("jet")))
        return QStringLiteral("jet");
    return first;
}

void RegisterLinkModule(const QString& kind, LinkFactory factory)
{
    linkModules().insert(kind.toLower(), std::move(factory));
}

void CreateLink(SqliteConnection& conn, const LinkSpec& spec)
{
    RegisterStandardProviders();
    const QString kind = LinkKind(spec.providerString);
    const auto it = linkModules().constFind(kind);
    if (it == linkModules().constEnd())
        Raise(errnum::JetFailure,
              QStringLiteral("Could not find installable ISAM. (Linked table '%1' needs the '%2' driver.)")
                  .arg(spec.name, kind),
              JetSource());
    (*it)(conn, spec);
}

namespace {

// The plain look-up: a counting statement with the key bound.
class StatementLookup : public KeyLookup {
public:
    explicit StatementLookup(std::unique_ptr<Statement> statement) : m_statement(std::move(statement)) {}
    qint64 count(qint64 key) override { return count(vb::Variant::fromLongLong(key)); }
    qint64 count(const vb::Variant& key) override
    {
        m_statement->bind(1, key);
        m_statement->execute();
        const qint64 n = m_statement->next() ? m_statement->value(0).toLongLong() : 0;
        m_statement->finish();
        return n;
    }

private:
    std::unique_ptr<Statement> m_statement;
};

} // namespace

std::unique_ptr<KeyLookup> ProviderConnection::keyLookup(const QString& table, const QString& column)
{
    return std::make_unique<StatementLookup>(prepare(QStringLiteral("Select count(*) from ") +
                                                         quoteName(table) + QStringLiteral(" where ") +
                                                         quoteName(column) + QStringLiteral("=?"),
                                                     false));
}

QString ProviderConnection::quoteName(const QString& name) const
{
    return QuoteName(name);
}

} // namespace ado
