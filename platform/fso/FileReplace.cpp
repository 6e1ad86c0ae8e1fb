#include "platform/fso/FileReplace.h"

#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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

FileStamp StampOf(const QString& path)
{
    FileStamp stamp;
    struct stat st {};
    if (::stat(native(path).constData(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.device = quint64(st.st_dev);
    stamp.inode = quint64(st.st_ino);
    stamp.size = qint64(st.st_size);
    stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

void ReplacementFile::RequireUnchanged(const FileStamp& asRead)
{
    m_asRead = asRead;
}

namespace {

constexpr qsizetype kBufferBytes = 1 << 20;
const QString kSource = QStringLiteral("ReplaceFile");

// Makes the folder's entries (a rename) durable. Best effort: the file is
// already in place, and some file systems cannot sync a folder.
void SyncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

QByteArray FolderOf(const QString& resolved)
{
    return native(QFileInfo(resolved).path());
}

constexpr int kSuffixLength = 8;

QByteArray RandomSuffix()
{
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(kSuffixLength, 'x');
    for (char& c : suffix)
        c = kChars[QRandomGenerator::global()->bounded(int(sizeof(kChars) - 1))];
    return suffix;
}

} // namespace

QString WriteFailure(const QString& path, int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("Cannot write the file '%1': the disk is full.").arg(path);
    if (error == EFBIG)
        return QStringLiteral("Cannot write the file '%1': it would be larger than this system allows.")
            .arg(path);
    return QStringLiteral("Cannot write the file '%1': %2.")
        .arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

ReplacementFile::ReplacementFile(QString target, unsigned newFileMode)
    : m_target(std::move(target)), m_newFileMode(newFileMode)
{
}

ReplacementFile::~ReplacementFile()
{
    Discard();
}

void ReplacementFile::Open()
{
    Discard();
    m_resolved = ResolvedFilePath(m_target);
    const QFileInfo info(m_resolved);
    if (!info.absoluteDir().exists())
        vb::Raise(vb::errnum::PathNotFound, kSource,
                  QStringLiteral("Path not found: '%1'").arg(info.absolutePath()));
    if (info.isDir())
        vb::Raise(vb::errnum::PermissionDenied, kSource,
                  QStringLiteral("Cannot write the file '%1': it is a folder.").arg(m_target));
    RemoveStaleHiddenFiles(m_resolved, kSuffixLength);
    const QByteArray folder = FolderOf(m_resolved);
    // An unnamed file first: a kill or a power loss then leaves nothing behind.
    m_fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_t(m_newFileMode & 07777));
    if (m_fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) openNamed(folder);
    if (m_fd < 0) {
        const int error = errno;
        if (error == ENOSPC || error == EDQUOT) fail(error);
        vb::Raise(vb::errnum::PermissionDenied, kSource,
                  QStringLiteral("Cannot write the file '%1': %2.")
                      .arg(m_target, QString::fromLocal8Bit(std::strerror(error))));
    }
    // Shared, so that the named file's second descriptor can take it too; a
    // sweep asks for it exclusively.
    if (::flock(m_fd, LOCK_SH | LOCK_NB) != 0) {
    }
    m_buffer.clear();
}

void ReplacementFile::openNamed(const QByteArray& folder)
{
    const QByteArray name = native(QFileInfo(m_resolved).fileName());
    for (int tries = 0; tries < 100 && m_fd < 0; ++tries) {
        const QByteArray path = folder + "/." + name + '.' + RandomSuffix();
        m_fd =
            ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(m_newFileMode & 07777));
        if (m_fd >= 0)
            m_named = path;
        else if (errno != EEXIST)
            return;
    }
}

void ReplacementFile::fail(int error)
{
    Discard();
    vb::Raise(vb::errnum::DeviceIOError, kSource, WriteFailure(m_target, error));
}

void ReplacementFile::writeOut(const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, std::size_t(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(n < 0 ? errno : ENOSPC);
        data += n;
        size -= n;
    }
}

void ReplacementFile::Write(const char* data, qsizetype size)
{
    if (m_fd < 0) vb::Raise(vb::errnum::BadFileMode, kSource);
    if (m_buffer.isEmpty() && size >= kBufferBytes) {
        writeOut(data, size);
        return;
    }
    m_buffer.append(data, size);
    if (m_buffer.size() >= kBufferBytes) Flush();
}

void ReplacementFile::Flush()
{
    if (m_fd < 0 || m_buffer.isEmpty()) return;
    writeOut(m_buffer.constData(), m_buffer.size());
    m_buffer.clear();
}

bool ReplacementFile::link(QByteArray& name)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    const QByteArray folder = FolderOf(m_resolved);
    const QByteArray base = native(QFileInfo(m_resolved).fileName());
    for (int tries = 0; tries < 100; ++tries) {
        name = folder + "/." + base + '.' + RandomSuffix();
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0 ||
            ::linkat(m_fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

void ReplacementFile::Commit()
{
    if (m_fd < 0) vb::Raise(vb::errnum::BadFileMode, kSource);
    CommitTogether({this});
}

void ReplacementFile::ready()
{
    Flush();
    if (::fsync(m_fd) != 0 && errno != EINVAL) fail(errno);
    struct stat st {};
    const QByteArray target = native(m_resolved);
    if (::stat(target.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        // The owner can only be kept by a process allowed to give files away;
        // the group where this user belongs to it. Either failing leaves the
        // new file this user's, which is all an ordinary user can do.
        if (::fchown(m_fd, st.st_uid, st.st_gid) != 0 && ::fchown(m_fd, uid_t(-1), st.st_gid) != 0) {
        }
        if (::fchmod(m_fd, st.st_mode & 07777) != 0) {
            // The new file keeps the mode it was made with.
        }
    }
    if (m_named.isEmpty() && !link(m_named)) {
        const int error = errno;
        m_named.clear();
        Discard();
        vb::Raise(vb::errnum::PermissionDenied, kSource,
                  QStringLiteral("Cannot replace '%1': %2.")
                      .arg(m_target, QString::fromLocal8Bit(std::strerror(error))));
    }
    // The lock must outlive the written descriptor, whose close is checked
    // before the rename.
    m_lockFd = ::open(m_named.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (m_lockFd >= 0 && ::flock(m_lockFd, LOCK_SH | LOCK_NB) != 0) {
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) fail(errno);
}

void ReplacementFile::keepEarlier(const QByteArray& target)
{
    // Exchanged with the earlier file, the temporary's name holds it.
    if (::renameat2(AT_FDCWD, m_named.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) == 0) {
        m_kept.swap(m_named);
        m_placed = true;
    } else {
        // A file system without the exchange: a second name for the earlier
        // file, when it has links. Without either it cannot be put back.
        const QByteArray folder = FolderOf(m_resolved);
        const QByteArray base = native(QFileInfo(m_resolved).fileName());
        for (int tries = 0; tries < 100 && m_kept.isEmpty(); ++tries) {
            const QByteArray name = folder + "/." + base + '.' + RandomSuffix();
            if (::link(target.constData(), name.constData()) == 0)
                m_kept = name;
            else if (errno != EEXIST)
                break;
        }
    }
    if (m_kept.isEmpty()) return;
    m_keptLockFd = ::open(m_kept.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (m_keptLockFd >= 0 && ::flock(m_keptLockFd, LOCK_SH | LOCK_NB) != 0) {
    }
}

void ReplacementFile::place(bool keep)
{
    const QByteArray target = native(m_resolved);
    struct stat st {};
    m_wasNew = ::stat(target.constData(), &st) != 0 && errno == ENOENT;
    if (keep && !m_wasNew && S_ISREG(st.st_mode)) keepEarlier(target);
    if (m_placed) return;
    if (std::rename(m_named.constData(), target.constData()) != 0) {
        const int error = errno;
        vb::Raise(vb::errnum::PermissionDenied, kSource,
                  QStringLiteral("Cannot replace '%1': %2.")
                      .arg(m_target, QString::fromLocal8Bit(std::strerror(error))));
    }
    m_named.clear();
    m_placed = true;
}

void ReplacementFile::putBack()
{
    if (!m_placed) return;
    m_placed = false;
    const QByteArray target = native(m_resolved);
    if (!m_kept.isEmpty()) {
        // When even that fails, the earlier content stays under its hidden
        // name rather than going with the new file.
        if (std::rename(m_kept.constData(), target.constData()) != 0) {
        }
        m_kept.clear();
    } else if (m_wasNew) {
        ::unlink(target.constData());
    }
    SyncFolder(FolderOf(m_resolved));
}

void ReplacementFile::dropKept()
{
    if (!m_kept.isEmpty()) ::unlink(m_kept.constData()); // still locked: no sweep takes it first
    m_kept.clear();
    if (m_keptLockFd >= 0) ::close(m_keptLockFd);
    m_keptLockFd = -1;
}

void ReplacementFile::finish()
{
    dropKept();
    m_placed = false;
    m_named.clear();
    m_buffer.clear();
    if (m_lockFd >= 0) ::close(m_lockFd);
    m_lockFd = -1;
    SyncFolder(FolderOf(m_resolved));
}

void ReplacementFile::CommitTogether(const std::vector<ReplacementFile*>& files,
                                     const std::function<void()>& between)
{
    std::vector<ReplacementFile*> group;
    for (ReplacementFile* f : files)
        if (f) group.push_back(f);
    const auto discardAll = [&] {
        for (ReplacementFile* f : group)
            f->Discard();
    };
    try {
        for (ReplacementFile* f : group) {
            if (f->m_fd < 0) vb::Raise(vb::errnum::BadFileMode, kSource);
            f->ready();
        }
        if (between) between();
    } catch (...) {
        discardAll();
        throw;
    }
    std::size_t placed = 0;
    try {
        // The last needs no earlier content kept: nothing after it can fail.
        for (; placed < group.size(); ++placed)
            group[placed]->place(placed + 1 < group.size());
    } catch (...) {
        for (std::size_t i = placed; i-- > 0;)
            group[i]->putBack();
        discardAll();
        throw;
    }
    for (ReplacementFile* f : group)
        f->finish();
}

void ReplacementFile::Discard()
{
    m_buffer.clear();
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    // Removed while still locked, so that no sweep takes it for stale first.
    if (!m_named.isEmpty()) ::unlink(m_named.constData());
    m_named.clear();
    if (m_lockFd >= 0) ::close(m_lockFd);
    m_lockFd = -1;
    dropKept();
    m_placed = false;
}

void WriteWholeFile(const QString& target, const QByteArray& content, unsigned newFileMode)
{
    ReplacementFile file(target, newFileMode);
    file.Open();
    file.Write(content);
    file.Commit();
}

void RemoveStaleHiddenFiles(const QString& path, int tailLength)
{
    const QFileInfo fi(path);
    const QString namePrefix = u'.' + fi.fileName() + u'.';
    const QString folder = fi.absolutePath();
    const QStringList names =
        QDir(folder).entryList({namePrefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.size() != namePrefix.size() + tailLength || !name.startsWith(namePrefix)) continue;
        const QStringView tail = QStringView(name).right(tailLength);
        if (!std::all_of(tail.begin(), tail.end(),
                         [](QChar c) { return c.unicode() < 128 && c.isLetterOrNumber(); }))
            continue;
        const QByteArray file = native(folder + u'/' + name);
        const int fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {};
        // A lock taken means no live writer holds the file.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(file.constData());
        ::close(fd);
    }
}

void SyncFolderOf(const QString& path)
{
    SyncFolder(FolderOf(path));
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
