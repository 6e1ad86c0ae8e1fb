#include "scrub/ListBackup.h"

#include "platform/ado/SqliteProvider.h"
#include "platform/files/DbfTable.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/fso/FolderNames.h"
#include "platform/vb/Err.h"
#include "scrub/ScrubRun.h"
#include "scrub/TextFileScrub.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace scrub {

namespace {

constexpr int kMaxNames = 1000;

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
    // Each file once, whatever names reach it.
    if (kind == BackupKind::Table)
        for (const QString& companion : files::DbfTable::companionPaths(list))
            if (QFileInfo(companion).isFile() &&
                std::none_of(sources.cbegin(), sources.cend(),
                             [&](const QString& s) { return fso::IsSameFile(s, companion); }))
                sources << companion;

    const QString stamp = FileStamp();
    for (int n = 1;; ++n) {
        // Within one second that many backups are no user's: something
        // takes every name, and the search stops rather than run on.
        if (n > kMaxNames)
            vb::Raise(
                vb::errnum::FileAlreadyExists, QStringLiteral("BackUp"),
                QStringLiteral("No backup of '%1' can be made: the names '%2' to '%3' are all taken.")
                    .arg(list, dir + Prefix(stamp, 1) + fileName, dir + Prefix(stamp, kMaxNames) + fileName));
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
    const QString folder = fso::ResolvedFilePath(QFileInfo(source).absolutePath());
    if (!fso::IsSameFile(result.path(), folder)) return false;
    // A case-blind folder takes "b…" for "B…" too.
    static const QRegularExpression backup(QStringLiteral("^[Bb]\\d{12}(?:_\\d+)?(.+)$"));
    const QRegularExpressionMatch m = backup.match(result.fileName());
    if (!m.hasMatch() || (!result.fileName().startsWith(u'B') && !fso::IsCaseBlindFolder(folder)))
        return false;
    QStringList names{QFileInfo(source).fileName(), list.fileName()};
    for (const QString& companion : files::DbfTable::companionPaths(source))
        names << QFileInfo(companion).fileName();
    return std::any_of(names.cbegin(), names.cend(),
                       [&](const QString& name) { return fso::SameName(folder, m.captured(1), name); });
}

} // namespace scrub
