#include "scrub/ListBackup.h"

#include "platform/ado/SqliteProvider.h"
#include "platform/files/DbfTable.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/vb/Err.h"
#include "scrub/ScrubRun.h"
#include "scrub/TextFileScrub.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sys/stat.h>
#include <unistd.h>

namespace scrub {

namespace {

// "B", the stamp and, past the first, "_<n>".
QString Prefix(const QString& stamp, int n)
{
    return QStringLiteral("B") + stamp + (n > 1 ? QStringLiteral("_%1").arg(n) : QString());
}

bool NameTaken(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

void RemoveMade(const QStringList& made)
{
    for (const QString& path : made)
        ::unlink(QFile::encodeName(path).constData());
}

} // namespace

QString BackUpList(const QString& folder, const QString& fileName, BackupKind kind)
{
    const QString dir = FolderWithSeparator(folder);
    const QString list = dir + fileName;
    // The list as a group commit a kill cut short leaves it once settled.
    SettleInterruptedCommits(list);
    QStringList sources{list};
    if (kind == BackupKind::Table)
        for (const QString& companion : files::DbfTable::companionPaths(list))
            if (QFileInfo(companion).isFile()) sources << companion;

    const QString stamp = FileStamp();
    for (int n = 1;; ++n) {
        const QString prefix = dir + Prefix(stamp, n);
        // Every copy's name is checked before the first is made; a name that
        // leads to a file the program keeps is refused, not passed over.
        bool taken = false;
        for (const QString& source : sources) {
            RefuseWriteClash(QStringLiteral("backup file"), prefix + QFileInfo(source).fileName(), source,
                             QStringLiteral("BackUp"));
            taken = taken || NameTaken(prefix + QFileInfo(source).fileName());
        }
        if (taken) continue;
        QStringList made;
        try {
            for (const QString& source : sources) {
                const QString copy = prefix + QFileInfo(source).fileName();
                if (kind == BackupKind::Database)
                    ado::SqliteConnection::BackUpFile(source, copy);
                else
                    fso::CopyToNewFile(source, copy);
                made << copy;
            }
            return prefix + fileName;
        } catch (const vb::ErrObject& e) {
            RemoveMade(made);
            // Taken between the look and the copy: the next name.
            if (e.Number == vb::errnum::FileAlreadyExists) continue;
            throw;
        } catch (...) {
            RemoveMade(made);
            throw;
        }
    }
}

bool IsBackupNameOf(const QString& path, const QString& source)
{
    if (path.isEmpty() || source.isEmpty()) return false;
    const QFileInfo result(fso::ResolvedFilePath(path));
    // Made beside the name the list is chosen by, a link's too.
    const QFileInfo list(fso::ResolvedFilePath(source));
    if (result.path() != fso::ResolvedFilePath(QFileInfo(source).absolutePath())) return false;
    static const QRegularExpression backup(QStringLiteral("^B\\d{12}(?:_\\d+)?(.+)$"));
    const QRegularExpressionMatch m = backup.match(result.fileName());
    if (!m.hasMatch()) return false;
    QStringList names{QFileInfo(source).fileName(), list.fileName()};
    for (const QString& companion : files::DbfTable::companionPaths(source))
        names << QFileInfo(companion).fileName();
    return names.contains(m.captured(1));
}

} // namespace scrub
