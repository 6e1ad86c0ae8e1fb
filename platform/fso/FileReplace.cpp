#include "platform/fso/FileReplace.h"

#include "platform/fso/FolderNames.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
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

namespace {

// A link is followed when this user made it, or the folder's owner (who could
// replace the file anyway). One another user planted in a shared folder is
// not: it would lead the write to a file of the user's that was never named.
bool TrustedLink(const struct stat& link, const QString& folder)
{
    if (link.st_uid == ::geteuid()) return true;
    struct stat dir {};
    return ::stat(native(folder).constData(), &dir) == 0 && link.st_uid == dir.st_uid;
}

} // namespace

QString ResolvedFilePath(const QString& path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(current);
        const QString folder = info.absoluteDir().canonicalPath();
        if (folder.isEmpty()) return current;
        current = (folder.endsWith(u'/') ? folder : folder + u'/') + info.fileName();
        struct stat st {};
        const QByteArray name = native(current);
        if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode) || !TrustedLink(st, folder))
            return current;
        QByteArray to(4096, Qt::Uninitialized);
        const ssize_t n = ::readlink(name.constData(), to.data(), std::size_t(to.size()));
        if (n <= 0 || n >= to.size()) return current;
        to.truncate(n);
        current = QDir(folder).absoluteFilePath(QFile::decodeName(to));
    }
    return current;
}

bool IsReadOnlyFile(const QString& path)
{
    struct stat st {};
    const QByteArray name = native(path);
    if (::stat(name.constData(), &st) != 0) return false; // a missing file is reported by whoever opens it
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(name.constData(), W_OK) != 0;
}

namespace {

bool SameEntry(const QString& a, const QString& b);

// One folder under two paths: one inode (a bind mount), or one name (its
// spelling aside) in one folder.
bool SameFolder(const QString& a, const QString& b)
{
    if (a == b) return true;
    struct stat sa {};
    struct stat sb {};
    if (::stat(native(a).constData(), &sa) == 0 && ::stat(native(b).constData(), &sb) == 0) {
        if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;
        if (sa.st_dev != sb.st_dev) return false;
    }
    return SameEntry(a, b);
}

// Two resolved paths name one entry when their folders are one and the
// folder takes the two names for one: on a case-blind folder, names that
// differ in case alone.
bool SameEntry(const QString& a, const QString& b)
{
    if (a == b) return true;
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.fileName().isEmpty() || fa.fileName().compare(fb.fileName(), Qt::CaseInsensitive) != 0)
        return false;
    return SameFolder(fa.path(), fb.path()) && SameName(fa.path(), fa.fileName(), fb.fileName());
}

} // namespace

bool IsSameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty()) return false;
    struct stat sa {};
    struct stat sb {};
    if (::stat(native(a).constData(), &sa) == 0 && ::stat(native(b).constData(), &sb) == 0) {
        if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;
        // A FUSE driver of a case-blind file system may give each spelling
        // of one file an inode number of its own: the names decide there.
        if (sa.st_dev != sb.st_dev) return false;
    }
    return SameEntry(ResolvedFilePath(a), ResolvedFilePath(b));
}

namespace {

// The stamp of what a successful stat found.
FileStamp StampOfStat(const struct stat& st)
{
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = quint64(st.st_dev);
    stamp.inode = quint64(st.st_ino);
    stamp.size = qint64(st.st_size);
    stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.type = unsigned(st.st_mode & S_IFMT);
    return stamp;
}

} // namespace

FileStamp StampOf(const QString& path)
{
    struct stat st {};
    if (::stat(native(path).constData(), &st) != 0) return {};
    return StampOfStat(st);
}

namespace {

constexpr qsizetype kBufferBytes = 1 << 20;
const QString kSource = QStringLiteral("ReplaceFile");
std::function<void(const char*)> g_stepHook;

void Step(const char* step)
{
    if (g_stepHook) g_stepHook(step);
}

QString Cause(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void CannotReplace(const QString& target, int error)
{
    vb::Raise(vb::errnum::PermissionDenied, kSource,
              QStringLiteral("Cannot replace '%1': %2.").arg(target, Cause(error)));
}

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

// The program's temporaries are named ".<name>.tervala-<inode>", the inode
// (in hex) being the temporary's own: a name a user's file could carry, but
// not together with that inode, so the sweep never takes a user's file.
const QByteArray kMark = ".tervala-";
// A group commit's journal: ".<name>.tervala-journal-<random>", beginning
// with kJournalMagic and ending with kJournalEnd. A journal without its end
// was cut short while it was written, before any rename of its group.
const QByteArray kJournalMark = ".tervala-journal-";
const QByteArray kJournalMagic = "tervala group commit 1\n";
const QByteArray kJournalEnd = "end\n";

QByteArray TemporaryName(const QByteArray& base, quint64 inode)
{
    return '.' + base + kMark + QByteArray::number(inode, 16);
}

QByteArray RandomSuffix()
{
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(8, 'x');
    for (char& c : suffix)
        c = kChars[QRandomGenerator::global()->bounded(int(sizeof(kChars) - 1))];
    return suffix;
}

// The identity of a folder entry, without following a link; exists false when
// there is none.
FileStamp EntryStamp(int dirFd, const QByteArray& name)
{
    struct stat st {};
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) return {};
    return StampOfStat(st);
}

bool SameFile(const FileStamp& a, const FileStamp& b)
{
    return a.exists == b.exists && a.device == b.device && a.inode == b.inode && a.type == b.type;
}

// Removes name from the folder when it is a regular file no live process
// holds locked (a writer holds a shared lock from its creation to its
// rename) and, when inode is given, it is that very file.
void RemoveUnheld(int dirFd, const QByteArray& name, std::optional<quint64> inode = {})
{
    const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (!inode || quint64(st.st_ino) == *inode) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::unlinkat(dirFd, name.constData(), 0);
    ::close(fd);
}

// One file of a group commit as its journal writes it down (names within
// the folder, inodes in hex): the target, the new content's temporary and
// inode, and where the earlier content is kept once the rename has begun.
struct JournalEntry {
    QByteArray folder;
    QByteArray target;
    QByteArray temporary;
    quint64 newInode = 0;
    quint64 oldInode = 0; // 0: the target did not exist
};

int OpenFolder(const QByteArray& folder)
{
    return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Completes (forward) or undoes a group a kill cut short. Forward: every
// target that does not hold its new file yet gets it from its temporary.
// Back: a target that holds its new file gets its earlier one again (from
// the temporary it was exchanged with, or a kept link), or goes when it was
// new. Either way the temporaries left go.
void PlayBack(const QList<JournalEntry>& entries, bool forward, const QByteArray& decidedBy)
{
    // Marked committed, it goes forward; before the mark, the file that
    // decides tells whether between() got done.
    if (!forward && !decidedBy.isEmpty()) forward = ::access(decidedBy.constData(), F_OK) != 0;
    for (const JournalEntry& e : entries) {
        const int dir = OpenFolder(e.folder);
        if (dir < 0) continue;
        const FileStamp target = EntryStamp(dir, e.target);
        const FileStamp temporary = EntryStamp(dir, e.temporary);
        // The earlier file's second name, where the exchange was not at hand.
        const QByteArray keptName = TemporaryName(e.target, e.oldInode);
        const FileStamp kept = e.oldInode ? EntryStamp(dir, keptName) : FileStamp();
        const bool keptLink = kept.exists && kept.inode == e.oldInode;
        const bool placed = target.exists && target.inode == e.newInode;
        if (forward) {
            if (!placed && temporary.exists && temporary.inode == e.newInode)
                ::renameat(dir, e.temporary.constData(), dir, e.target.constData());
            else if (placed && temporary.exists)
                ::unlinkat(dir, e.temporary.constData(), 0); // the earlier content, exchanged
            if (keptLink) ::unlinkat(dir, keptName.constData(), 0);
        } else if (placed) {
            if (temporary.exists) // the earlier content, exchanged with the new
                ::renameat(dir, e.temporary.constData(), dir, e.target.constData());
            else if (keptLink)
                ::renameat(dir, keptName.constData(), dir, e.target.constData());
            else if (e.oldInode == 0)
                ::unlinkat(dir, e.target.constData(), 0);
        } else {
            if (temporary.exists && temporary.inode == e.newInode)
                ::unlinkat(dir, e.temporary.constData(), 0);
            if (keptLink && target.exists && target.inode == e.oldInode)
                ::unlinkat(dir, keptName.constData(), 0);
        }
        ::fsync(dir);
        ::close(dir);
    }
}

QList<JournalEntry> ParseJournal(const QByteArray& text, bool& forward, QByteArray& decidedBy, bool& ok)
{
    QList<JournalEntry> entries;
    ok = text.startsWith(kJournalMagic) && text.endsWith('\n' + kJournalEnd);
    if (!ok) return entries;
    const QList<QByteArray> lines = text.mid(kJournalMagic.size()).split('\n');
    if (lines.size() < 2) {
        ok = false;
        return entries;
    }
    forward = lines[0] == "commit";
    decidedBy = QByteArray::fromHex(lines[1]);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].split(' ');
        if (f.size() != 5) continue;
        entries << JournalEntry{QByteArray::fromHex(f[0]), QByteArray::fromHex(f[1]),
                                QByteArray::fromHex(f[2]), f[3].toULongLong(nullptr, 16),
                                f[4].toULongLong(nullptr, 16)};
    }
    return entries;
}

// Finishes or undoes the group commits a kill left in this folder: journals
// of this user's that no live process holds.
void RecoverGroups(int dirFd)
{
    const int scan = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (scan < 0) return;
    DIR* dir = ::fdopendir(scan);
    if (!dir) {
        ::close(scan);
        return;
    }
    QList<QByteArray> journals;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name.startsWith('.') && name.contains(kJournalMark)) journals << name;
    }
    ::closedir(dir);
    for (const QByteArray& name : journals) {
        const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {};
        // Another user's journal is never played back: it could name any file.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            st.st_size < (1 << 20) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            QByteArray text(st.st_size, Qt::Uninitialized);
            const bool read = ::pread(fd, text.data(), std::size_t(text.size()), 0) == text.size();
            bool ok = false;
            bool forward = false;
            QByteArray decidedBy;
            const QList<JournalEntry> entries = ParseJournal(text, forward, decidedBy, ok);
            if (!read) {
                // Tried again at the next write of this folder.
            } else if (!ok && (kJournalMagic.startsWith(text) || text.startsWith(kJournalMagic))) {
                // Cut short as it was written: every copy of a journal is
                // whole and synced before the first rename, so nothing of
                // its group was renamed, and the temporaries are swept as
                // any others.
                ::unlinkat(dirFd, name.constData(), 0);
                ::fsync(dirFd);
            } else if (ok) {
                PlayBack(entries, forward, decidedBy);
                // Every copy of the journal (one in each folder of the group).
                for (const JournalEntry& e : entries)
                    ::unlink((e.folder + '/' + name).constData());
                if (!decidedBy.isEmpty())
                    ::unlink(
                        (native(QFileInfo(QFile::decodeName(decidedBy)).path()) + '/' + name).constData());
                ::unlinkat(dirFd, name.constData(), 0);
                ::fsync(dirFd);
            }
        }
        ::close(fd);
    }
}

// The group's journal, one copy in each folder it writes, held locked from
// before the first rename until the last file is finished.
class GroupJournal {
public:
    GroupJournal() = default;
    GroupJournal(const GroupJournal&) = delete;
    GroupJournal& operator=(const GroupJournal&) = delete;
    ~GroupJournal() { Remove(); }

    void Write(const QList<JournalEntry>& entries, const QByteArray& decidedBy, const QString& target)
    {
        QByteArray text = kJournalMagic + "ready \n" + decidedBy.toHex() + '\n';
        for (const JournalEntry& e : entries)
            text += e.folder.toHex() + ' ' + e.target.toHex() + ' ' + e.temporary.toHex() + ' ' +
                    QByteArray::number(e.newInode, 16) + ' ' + QByteArray::number(e.oldInode, 16) + '\n';
        text += kJournalEnd;
        const QByteArray name = '.' + entries.front().target + kJournalMark + RandomSuffix();
        // A copy in each folder of the group, and beside the file that
        // decides, so that the table's own opener can settle the group
        // before it plays its journal back.
        QList<QByteArray> folders;
        for (const JournalEntry& e : entries)
            folders << e.folder;
        if (!decidedBy.isEmpty()) folders << native(QFileInfo(QFile::decodeName(decidedBy)).path());
        for (const QByteArray& folder : folders) {
            if (std::any_of(m_files.begin(), m_files.end(), [&](const auto& f) { return f.first == folder; }))
                continue;
            const QByteArray path = folder + '/' + name;
            int fd = -1;
            for (;;) {
                fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
                if (fd < 0) fail(target, errno);
                // Another writer's recovery may have taken the journal while
                // it was still empty: once it is held, it is made again if
                // it is gone.
                ::flock(fd, LOCK_SH);
                struct stat held {
                }, named{};
                if (::fstat(fd, &held) == 0 && ::lstat(path.constData(), &named) == 0 &&
                    held.st_ino == named.st_ino)
                    break;
                ::close(fd);
            }
            m_files.push_back({folder, fd});
            m_paths.push_back(path);
            qsizetype at = 0;
            while (at < text.size()) {
                const ssize_t n = ::write(fd, text.constData() + at, std::size_t(text.size() - at));
                if (n <= 0) fail(target, n < 0 ? errno : ENOSPC);
                at += n;
            }
            if (::fsync(fd) != 0) fail(target, errno);
            SyncFolder(folder);
        }
        m_stateAt = kJournalMagic.size();
    }

    // From here on a kill completes the group rather than undoing it.
    void MarkCommitted()
    {
        for (const auto& f : m_files) {
            if (::pwrite(f.second, "commit", 6, m_stateAt) == 6) ::fdatasync(f.second);
        }
    }

    void Remove()
    {
        for (const QByteArray& path : m_paths)
            ::unlink(path.constData());
        for (const auto& f : m_files) {
            SyncFolder(f.first);
            ::close(f.second);
        }
        m_paths.clear();
        m_files.clear();
    }

private:
    [[noreturn]] void fail(const QString& target, int error)
    {
        Remove();
        vb::Raise(vb::errnum::DeviceIOError, kSource, WriteFailure(target, error));
    }
    std::vector<std::pair<QByteArray, int>> m_files;
    QList<QByteArray> m_paths;
    qint64 m_stateAt = 0;
};

} // namespace

void SetCommitStepHook(std::function<void(const char* step)> hook)
{
    g_stepHook = std::move(hook);
}

QString WriteFailure(const QString& path, int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("Cannot write the file '%1': the disk is full.").arg(path);
    if (error == EFBIG)
        return QStringLiteral("Cannot write the file '%1': it would be larger than this system allows.")
            .arg(path);
    return QStringLiteral("Cannot write the file '%1': %2.").arg(path, Cause(error));
}

ReplacementFile::ReplacementFile(QString target, unsigned newFileMode)
    : m_target(std::move(target)), m_newFileMode(newFileMode)
{
}

ReplacementFile::~ReplacementFile()
{
    Discard();
    if (m_dirFd >= 0) ::close(m_dirFd);
}

void ReplacementFile::RequireUnchanged(const FileStamp& asRead)
{
    m_asRead = asRead;
}

void ReplacementFile::Open()
{
    Step("open");
    Discard();
    if (m_dirFd >= 0) ::close(m_dirFd);
    m_dirFd = -1;
    // Resolved once: every later step works on this folder's entry.
    m_resolved = ResolvedFilePath(m_target);
    const QFileInfo info(m_resolved);
    if (info.isSymLink())
        vb::Raise(
            vb::errnum::PermissionDenied, kSource,
            QStringLiteral("Cannot write the file '%1': '%2' is a symbolic link another user made; it is "
                           "not followed.")
                .arg(m_target, m_resolved));
    if (!info.absoluteDir().exists())
        vb::Raise(vb::errnum::PathNotFound, kSource,
                  QStringLiteral("Path not found: '%1'").arg(info.absolutePath()));
    if (info.isDir())
        vb::Raise(vb::errnum::PermissionDenied, kSource,
                  QStringLiteral("Cannot write the file '%1': it is a folder.").arg(m_target));
    if (IsReadOnlyFile(m_resolved))
        vb::Raise(vb::errnum::PathFileAccessError, kSource,
                  QStringLiteral("The file '%1' is read-only: it cannot be replaced.").arg(m_target));
    const QByteArray folder = FolderOf(m_resolved);
    m_name = native(info.fileName());
    m_dirFd = OpenFolder(folder);
    if (m_dirFd < 0) CannotReplace(m_target, errno);
    m_judged = EntryStamp(m_dirFd, m_name);
    // In a folder with the sticky bit only a file's owner (or the folder's)
    // may rename over it: refused now, before anything is written, rather
    // than at the rename.
    struct stat dir {};
    if (m_judged.exists && ::geteuid() != 0 && ::fstat(m_dirFd, &dir) == 0 && (dir.st_mode & S_ISVTX) != 0) {
        struct stat st {};
        if (::fstatat(m_dirFd, m_name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            st.st_uid != ::geteuid() && dir.st_uid != ::geteuid())
            vb::Raise(
                vb::errnum::PermissionDenied, kSource,
                QStringLiteral("Cannot replace '%1': it belongs to another user, in a folder where only "
                               "a file's owner may replace it (the folder's sticky bit). The file was "
                               "left as it was.")
                    .arg(m_target));
    }
    RecoverGroups(m_dirFd);
    RemoveStaleTemporaries(m_resolved);
    // An unnamed file first: a kill or a power loss then leaves nothing behind.
    m_fd = ::openat(m_dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_t(m_newFileMode & 07777));
    if (m_fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) openNamed();
    if (m_fd < 0) {
        const int error = errno;
        if (error == ENOSPC || error == EDQUOT) fail(error);
        vb::Raise(vb::errnum::PermissionDenied, kSource,
                  QStringLiteral("Cannot write the file '%1': %2.").arg(m_target, Cause(error)));
    }
    // Shared, so that the named file's second descriptor can take it too; a
    // sweep asks for it exclusively.
    if (::flock(m_fd, LOCK_SH | LOCK_NB) != 0) {
    }
    m_buffer.clear();
}

void ReplacementFile::openNamed()
{
    // Made under a random name, then given its mark (its inode); a kill
    // between the two leaves a file no sweep takes, never one it wrongly
    // takes.
    for (int tries = 0; tries < 100 && m_fd < 0; ++tries) {
        const QByteArray name = '.' + m_name + ".new-" + RandomSuffix();
        m_fd = ::openat(m_dirFd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                        mode_t(m_newFileMode & 07777));
        if (m_fd < 0) {
            if (errno != EEXIST) return;
            continue;
        }
        ::flock(m_fd, LOCK_SH | LOCK_NB);
        struct stat st {};
        const QByteArray marked = TemporaryName(m_name, ::fstat(m_fd, &st) == 0 ? quint64(st.st_ino) : 0);
        if (::renameat(m_dirFd, name.constData(), m_dirFd, marked.constData()) == 0) {
            m_named = marked;
        } else {
            const int error = errno;
            ::unlinkat(m_dirFd, name.constData(), 0);
            ::close(m_fd);
            m_fd = -1;
            errno = error;
            return;
        }
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

bool ReplacementFile::link()
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return false;
    const QByteArray name = TemporaryName(m_name, quint64(st.st_ino));
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    if (::linkat(AT_FDCWD, self.constData(), m_dirFd, name.constData(), AT_SYMLINK_FOLLOW) != 0 &&
        ::linkat(m_fd, "", m_dirFd, name.constData(), AT_EMPTY_PATH) != 0)
        return false;
    m_named = name;
    return true;
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
    if (::fstatat(m_dirFd, m_name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
        // The owner can only be kept by a process allowed to give files away;
        // the group where this user belongs to it. Either failing leaves the
        // new file this user's, which is all an ordinary user can do.
        if (::fchown(m_fd, st.st_uid, st.st_gid) != 0 && ::fchown(m_fd, uid_t(-1), st.st_gid) != 0) {
        }
        if (::fchmod(m_fd, st.st_mode & 07777) != 0) {
            // The new file keeps the mode it was made with.
        }
    }
    if (m_named.isEmpty() && !link()) {
        const int error = errno;
        Discard();
        CannotReplace(m_target, error);
    }
    struct stat own {};
    m_newInode = ::fstat(m_fd, &own) == 0 ? quint64(own.st_ino) : 0;
    // The lock must outlive the written descriptor, whose close is checked
    // before the rename.
    m_lockFd = ::openat(m_dirFd, m_named.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (m_lockFd >= 0 && ::flock(m_lockFd, LOCK_SH | LOCK_NB) != 0) {
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) fail(errno);
}

void ReplacementFile::check() const
{
    // The very file judged at Open, and (when asked) as it was read.
    const FileStamp now = EntryStamp(m_dirFd, m_name);
    if (m_asRead ? now != *m_asRead : !SameFile(now, m_judged))
        vb::Raise(vb::errnum::PathFileAccessError, kSource,
                  QStringLiteral("'%1' changed while it was scrubbed (another program wrote it): it was left "
                                 "as it was, and so were the result files.")
                      .arg(m_target));
}

void ReplacementFile::place(bool keep)
{
    check();
    m_wasNew = !m_judged.exists;
    if (keep && !m_wasNew) {
        if (::renameat2(m_dirFd, m_named.constData(), m_dirFd, m_name.constData(), RENAME_EXCHANGE) == 0) {
            // Exchanged with the earlier file, the temporary's name holds it
            // until the group is finished.
            m_kept.swap(m_named);
            m_placed = true;
            return;
        }
        // A file system without the exchange: a second name for the earlier
        // file, marked with its inode as every temporary is.
        const QByteArray kept = TemporaryName(m_name, m_judged.inode);
        if (::linkat(m_dirFd, m_name.constData(), m_dirFd, kept.constData(), 0) == 0) m_kept = kept;
    }
    if (::renameat(m_dirFd, m_named.constData(), m_dirFd, m_name.constData()) != 0) {
        const int error = errno;
        // Refused: the second name goes again, and nothing is left behind.
        if (!m_kept.isEmpty()) ::unlinkat(m_dirFd, m_kept.constData(), 0);
        m_kept.clear();
        CannotReplace(m_target, error);
    }
    m_named.clear();
    m_placed = true;
}

void ReplacementFile::putBack()
{
    if (!m_placed) return;
    m_placed = false;
    if (!m_kept.isEmpty()) {
        // When even that fails, the earlier content stays under its hidden
        // name rather than going with the new file.
        if (::renameat(m_dirFd, m_kept.constData(), m_dirFd, m_name.constData()) != 0) {
        }
        m_kept.clear();
    } else if (m_wasNew) {
        ::unlinkat(m_dirFd, m_name.constData(), 0);
    }
    ::fsync(m_dirFd);
}

void ReplacementFile::finish()
{
    if (!m_kept.isEmpty()) ::unlinkat(m_dirFd, m_kept.constData(), 0);
    m_kept.clear();
    m_placed = false;
    m_named.clear();
    m_buffer.clear();
    if (m_lockFd >= 0) ::close(m_lockFd);
    m_lockFd = -1;
    ::fsync(m_dirFd);
}

void ReplacementFile::CommitTogether(const std::vector<ReplacementFile*>& files,
                                     const std::function<void()>& between, const QString& betweenJournal)
{
    std::vector<ReplacementFile*> group;
    for (ReplacementFile* f : files)
        if (f) group.push_back(f);
    const auto discardAll = [&] {
        for (ReplacementFile* f : group)
            f->Discard();
    };
    GroupJournal journal;
    Step("ready");
    try {
        for (ReplacementFile* f : group) {
            if (f->m_fd < 0) vb::Raise(vb::errnum::BadFileMode, kSource);
            f->ready();
        }
        for (ReplacementFile* f : group)
            f->check();
        // A kill from here on is finished or undone by the next write in
        // these folders; undone, unless between() was done (its journal gone).
        if (group.size() > 1 || between) {
            QList<JournalEntry> entries;
            for (ReplacementFile* f : group)
                entries << JournalEntry{FolderOf(f->m_resolved), f->m_name, f->m_named, f->m_newInode,
                                        f->m_judged.exists ? f->m_judged.inode : 0};
            if (!entries.isEmpty())
                journal.Write(entries, betweenJournal.isEmpty() ? QByteArray() : native(betweenJournal),
                              group.front()->m_target);
        }
        Step("journal");
        if (between) between();
        Step("between");
    } catch (...) {
        journal.Remove();
        discardAll();
        throw;
    }
    journal.MarkCommitted();
    Step("committed");
    std::size_t placed = 0;
    try {
        // The last needs no earlier content kept: nothing after it can fail.
        for (; placed < group.size(); ++placed) {
            group[placed]->place(placed + 1 < group.size());
            Step("renamed");
        }
    } catch (...) {
        for (std::size_t i = placed; i-- > 0;)
            group[i]->putBack();
        journal.Remove();
        discardAll();
        throw;
    }
    for (ReplacementFile* f : group)
        f->finish();
    journal.Remove();
    Step("finished");
}

void ReplacementFile::Discard()
{
    m_buffer.clear();
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    // Removed while still locked, so that no sweep takes it for stale first.
    if (!m_named.isEmpty() && m_dirFd >= 0) ::unlinkat(m_dirFd, m_named.constData(), 0);
    m_named.clear();
    if (m_lockFd >= 0) ::close(m_lockFd);
    m_lockFd = -1;
    if (!m_kept.isEmpty() && m_dirFd >= 0) ::unlinkat(m_dirFd, m_kept.constData(), 0);
    m_kept.clear();
    m_placed = false;
}

void WriteWholeFile(const QString& target, const QByteArray& content, unsigned newFileMode)
{
    ReplacementFile file(target, newFileMode);
    file.Open();
    file.Write(content);
    file.Commit();
}

void RemoveStaleTemporaries(const QString& path)
{
    const QFileInfo fi(path);
    const QByteArray prefix = '.' + native(fi.fileName()) + kMark;
    const QByteArray folder = native(fi.absolutePath());
    const int dirFd = OpenFolder(folder);
    if (dirFd < 0) return;
    const int scan = ::dup(dirFd);
    DIR* dir = scan >= 0 ? ::fdopendir(scan) : nullptr;
    QList<QByteArray> names;
    if (dir) {
        while (const dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name.startsWith(prefix)) names << name;
        }
        ::closedir(dir);
    } else if (scan >= 0) {
        ::close(scan);
    }
    for (const QByteArray& name : names) {
        bool ok = false;
        const QByteArray tail = name.mid(prefix.size());
        const quint64 inode = tail.toULongLong(&ok, 16);
        // Only the file that carries its own inode in its name.
        if (ok && tail == QByteArray::number(inode, 16)) RemoveUnheld(dirFd, name, inode);
    }
    ::close(dirFd);
}

void RecoverInterruptedCommits(const QString& folder)
{
    const int dirFd = OpenFolder(native(folder));
    if (dirFd < 0) return;
    RecoverGroups(dirFd);
    ::close(dirFd);
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
