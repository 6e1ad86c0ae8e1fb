#include "platform/fso/FileReplace.h"

#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace fso {

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

QString ResolvedFilePath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) return canonical;
    // Not there (or a link pointing nowhere): the resolved folder and the name.
    const QString folder = info.absoluteDir().canonicalPath();
    if (folder.isEmpty()) return info.absoluteFilePath();
    return folder + u'/' + info.fileName();
}

bool IsReadOnlyFile(const QString& path)
{
    struct stat st {};
    const QByteArray name = native(path);
    if (::stat(name.constData(), &st) != 0) return false; // a missing file is reported by whoever opens it
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(name.constData(), W_OK) != 0;
}

bool IsSameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty()) return false;
    struct stat sa {};
    struct stat sb {};
    if (::stat(native(a).constData(), &sa) == 0 && ::stat(native(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return ResolvedFilePath(a) == ResolvedFilePath(b);
}

void ReplaceFileWith(const QString& finished, const QString& target)
{
    const QByteArray from = native(finished);
    const QByteArray to = native(target);
    struct stat st {};
    if (::stat(to.constData(), &st) == 0) {
        // The owner can only be kept by a process allowed to give files away;
        // the group where this user belongs to it. Either failing leaves the
        // new file this user's, which is all an ordinary user can do.
        if (::chown(from.constData(), st.st_uid, st.st_gid) != 0 &&
            ::chown(from.constData(), static_cast<uid_t>(-1), st.st_gid) != 0) {
        }
        if (::chmod(from.constData(), st.st_mode & 07777) != 0) {
            // The new file keeps the mode it was made with.
        }
    }
    if (std::rename(from.constData(), to.constData()) != 0)
        vb::Raise(vb::errnum::PermissionDenied, QStringLiteral("ReplaceFile"),
                  QStringLiteral("Cannot replace '%1' with '%2'.").arg(target, finished));
}

void EnsureParentFolder(const QString& filePath)
{
    const QDir folder = QFileInfo(filePath).absoluteDir();
    if (folder.exists()) return;
    if (!QDir().mkpath(folder.absolutePath()))
        vb::Raise(vb::errnum::PathNotFound, QStringLiteral("EnsureParentFolder"),
                  QStringLiteral("Path not found: '%1'").arg(folder.absolutePath()));
}

} // namespace fso
