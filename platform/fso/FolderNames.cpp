#include "platform/fso/FolderNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fso {

namespace {

// The name with the case of its ASCII letters turned round; empty when it
// has none. Every case-blind file system folds these.
QByteArray Flipped(const QByteArray& name)
{
    QByteArray out = name;
    bool any = false;
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
            any = true;
        } else if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
            any = true;
        }
    }
    return any ? out : QByteArray();
}

// The names a folder lists, as it keeps them.
QList<QByteArray> Entries(int dirFd)
{
    QList<QByteArray> names;
    // A descriptor of its own: a shared one would share the reading position.
    const int scan = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = scan >= 0 ? ::fdopendir(scan) : nullptr;
    if (!dir) {
        if (scan >= 0) ::close(scan);
        return names;
    }
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..") names << name;
    }
    ::closedir(dir);
    return names;
}

// The folder itself, or where it is still to be made the nearest one that is.
int OpenNearestFolder(const QString& folder)
{
    QString at =
        QDir::cleanPath(QFileInfo(folder.isEmpty() ? QStringLiteral(".") : folder).absoluteFilePath());
    for (;;) {
        const int fd = ::open(QFile::encodeName(at).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT) return fd;
        const QString up = QFileInfo(at).path();
        if (up == at) return -1;
        at = up;
    }
}

bool CaseBlind(int dirFd)
{
    const QList<QByteArray> entries = Entries(dirFd);
    for (const QByteArray& name : entries) {
        const QByteArray other = Flipped(name);
        if (other.isEmpty()) continue;
        struct stat st {};
        if (::fstatat(dirFd, other.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) return false;
            continue;
        }
        // Found under a spelling the folder does not list: the folder folded
        // the case. (The inode numbers cannot tell: a FUSE driver may number
        // each spelling of one file apart.) Listed, it is a second file.
        if (!entries.contains(other)) return true;
    }
    // Nothing to look up in another case: a file of our own is.
    QByteArray probe = ".tervala-case-";
    for (int i = 0; i < 10; ++i)
        probe += char('a' + QRandomGenerator::global()->bounded(26));
    const int fd =
        ::openat(dirFd, probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    ::close(fd);
    struct stat st {};
    const bool blind = ::fstatat(dirFd, Flipped(probe).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    ::unlinkat(dirFd, probe.constData(), 0);
    return blind;
}

} // namespace

bool IsCaseBlindFolder(const QString& folder)
{
    const int dirFd = OpenNearestFolder(folder);
    if (dirFd < 0) return false;
    const bool blind = CaseBlind(dirFd);
    ::close(dirFd);
    return blind;
}

bool SameName(const QString& folder, const QString& a, const QString& b)
{
    if (a == b) return true;
    if (a.compare(b, Qt::CaseInsensitive) != 0) return false;
    return IsCaseBlindFolder(folder);
}

QString HeldName(const QString& folder, const QString& name)
{
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return {};
    const QByteArray wanted = QFile::encodeName(name);
    QString held;
    struct stat st {};
    if (::fstatat(dirFd, wanted.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        held = name;
        if (CaseBlind(dirFd)) {
            for (const QByteArray& entry : Entries(dirFd)) {
                const QString spelled = QFile::decodeName(entry);
                if (spelled.compare(name, Qt::CaseInsensitive) == 0) {
                    held = spelled;
                    break;
                }
            }
        }
    }
    ::close(dirFd);
    return held;
}

} // namespace fso
