#include "core/WriteGuard.h"

#include "core/CDataAccess.h"
#include "core/Globals.h"
#include "platform/ado/ConnectionString.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/App.h"

#include <QDir>
#include <QFileInfo>

namespace writeguard {

QList<Kept> DatabaseFiles(const QString& path, const QString& what)
{
    QList<Kept> files;
    if (path.isEmpty()) return files;
    // The engine follows every link to the database, whoever made it, and
    // keeps its journals beside the file it reaches; the names beside the
    // link are kept free as well.
    const QString reached = QFileInfo(path).canonicalFilePath();
    const QStringList bases =
        reached.isEmpty() || reached == path ? QStringList{path} : QStringList{reached, path};
    for (const QString& base : bases)
        files << Kept{base, what, path};
    for (const QString& base : bases)
        for (const char* suffix : {"-journal", "-wal", "-shm"})
            files << Kept{base + QLatin1String(suffix), QStringLiteral("a journal of ") + what, path};
    return files;
}

QString DncDatabaseFile()
{
    const QString connection = gDataAccess ? gDataAccess->DefaultConnectionString() : gConnectionString;
    const ado::ConnectionString cs(connection);
    const QString provider = cs.value(QStringLiteral("Provider"));
    // Jet and ACE keep a file; every other provider reaches a server.
    if (!provider.isEmpty() && !provider.contains(QStringLiteral("Jet"), Qt::CaseInsensitive) &&
        !provider.contains(QStringLiteral("ACE"), Qt::CaseInsensitive))
        return {};
    return cs.dataSource();
}

QString WorkDatabaseFile()
{
    return QDir(vb::App::Path()).filePath(QStringLiteral("DNCTempWork.mdb"));
}

QString SettingsFile()
{
    return gAppPath.isEmpty() ? QString() : gAppPath + QStringLiteral("/Tervala.ini");
}

QList<Kept> ProgramFiles(Omit omit)
{
    QList<Kept> files = DatabaseFiles(DncDatabaseFile(), QStringLiteral("the DNC database"));
    const QString settings = SettingsFile();
    if (omit != Omit::Settings && !settings.isEmpty())
        files << Kept{settings, QStringLiteral("the program's settings"), settings};
    if (omit != Omit::WorkDatabase)
        files << DatabaseFiles(WorkDatabaseFile(), QStringLiteral("the work database"));
    return files;
}

const Kept* KeptFileAt(const QString& target, const QList<Kept>& kept)
{
    if (target.isEmpty()) return nullptr;
    for (const Kept& k : kept)
        if (fso::IsSameFile(target, k.path)) return &k;
    return nullptr;
}

QString WriteClash(const QString& kind, const QString& target, const QList<Kept>& runFiles, Omit omit)
{
    // The run's own files first: a list's journal is better named as the list's.
    const QList<Kept> kept = runFiles + ProgramFiles(omit);
    const Kept* k = KeptFileAt(target, kept);
    if (!k) return {};
    return QStringLiteral("The %1 '%2' is %3 '%4'!").arg(kind, target, k->what, k->named);
}

} // namespace writeguard
