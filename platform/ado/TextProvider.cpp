#include "platform/ado/TextProvider.h"

#include "platform/ado/Ado.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/ado/VirtualTables.h"

#include <QDir>
#include <QFileInfo>

namespace ado {

namespace {

QString usablePath(const QString& path)
{
    if (path.contains(u'\\') && !QFileInfo::exists(path)) {
        QString p = path;
        p.replace(u'\\', u'/');
        return p;
    }
    return path;
}

// The file of a folder that a table name means: the name itself, with "#"
// standing for "." as Jet writes it. Blanks at either end are the file's
// own, so "dnc.txt " never means "dnc.txt".
QString findFile(const QString& folder, const QString& name)
{
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\')) return {};
    return vtab::MatchFileName(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                               {name, QString(name).replace(u'#', u'.')});
}

[[noreturn]] void raiseNoObject(const QString& name)
{
    Raise(errnum::JetFailure,
          QStringLiteral(
              "The Microsoft Jet database engine could not find the object '%1'.  Make sure the object "
              "exists and that you spell its name and the path name correctly.")
              .arg(name),
          JetSource());
}

[[noreturn]] void raiseBadFolder(const QString& folder)
{
    Raise(errnum::JetFailure,
          QStringLiteral(
              "'%1' is not a valid path.  Make sure that the path name is spelled correctly and that "
              "you are connected to the server on which the file resides.")
              .arg(folder),
          JetSource());
}

class TextCatalog : public ModuleConnection::Catalog {
public:
    TextCatalog(QString folder, QString properties)
        : m_folder(std::move(folder)), m_properties(std::move(properties))
    {
    }

    std::vector<TableInfo> tables() override
    {
        std::vector<TableInfo> out;
        const QStringList filters{"*.txt", "*.csv", "*.tab", "*.asc"};
        QDir dir(m_folder);
        dir.setNameFilters(filters);
        dir.setFilter(QDir::Files);
        dir.setSorting(QDir::Name | QDir::IgnoreCase);
        for (const QString& f : dir.entryList())
            out.push_back({QString(f).replace(u'.', u'#'), QStringLiteral("TABLE")});
        return out;
    }

    // Every table of a text database is a file, so a name that is none is
    // reported as Jet's text driver does.
    QString resolve(const QString& written) override
    {
        const QString file = findFile(m_folder, written);
        if (file.isEmpty()) raiseNoObject(written);
        return file;
    }

    void create(SqliteConnection& db, const QString& table, const QString& canonical) override
    {
        InstallTextModule(db);
        db.exec(QStringLiteral("CREATE VIRTUAL TABLE main.%1 USING text(%2, %3)")
                    .arg(QuoteNativeName(table), vtab::QuoteArg(QDir(m_folder).filePath(canonical)),
                         vtab::QuoteArg(m_properties)));
    }

private:
    QString m_folder;
    QString m_properties;
};

} // namespace

std::shared_ptr<ProviderConnection> OpenTextProvider(const ConnectionString& cs)
{
    const QString folder = usablePath(cs.dataSource());
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) raiseBadFolder(cs.dataSource());
    auto db = SqliteConnection::OpenMemory(QStringLiteral("text"));
    InstallTextModule(*db);
    // LineRecords=Yes beside the extended properties reads each file a line
    // per record, as a link's does.
    QString props = cs.value(QStringLiteral("Extended Properties"));
    if (cs.contains(QStringLiteral("LineRecords")))
        props += QStringLiteral(";LineRecords=") + cs.value(QStringLiteral("LineRecords"));
    return std::make_shared<ModuleConnection>(db, std::make_unique<TextCatalog>(folder, props));
}

void CreateTextLink(SqliteConnection& conn, const LinkSpec& spec)
{
    const ConnectionString ps(spec.providerString);
    QString folder = spec.dataSource;
    if (folder.isEmpty()) folder = ps.value(QStringLiteral("DATABASE"));
    folder = usablePath(folder);
    // "text;DATABASE=...;Extended Properties="text;HDR=No;FMT=Delimited"",
    // or Jet's own form with HDR and FMT in the provider string itself
    QString props = ps.contains(QStringLiteral("Extended Properties"))
                        ? ps.value(QStringLiteral("Extended Properties"))
                        : spec.providerString;
    // The link's own LineRecords=Yes reads the file a line per record.
    if (ps.contains(QStringLiteral("Extended Properties")) && ps.contains(QStringLiteral("LineRecords")))
        props += QStringLiteral(";LineRecords=") + ps.value(QStringLiteral("LineRecords"));
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) raiseBadFolder(folder);
    const QString remote = spec.remoteTable.isEmpty() ? spec.name : spec.remoteTable;
    const QString file = findFile(folder, remote);
    if (file.isEmpty()) raiseNoObject(remote);
    InstallTextModule(conn);
    conn.exec(QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(QuoteNativeName(spec.name)));
    conn.exec(QStringLiteral("CREATE VIRTUAL TABLE temp.%1 USING text(%2, %3)")
                  .arg(QuoteNativeName(spec.name), vtab::QuoteArg(QDir(folder).filePath(file)),
                       vtab::QuoteArg(props)));
}

} // namespace ado
