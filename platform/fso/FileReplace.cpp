#include "platform/fso/FileReplace.h"

#include "platform/fso/FolderNames.h"
#include "platform/vb/Err.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/openat2.h>
#include <list>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace fso {

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

bool MayWrite(uid_t uid, const struct stat& st)
{
    if (uid == 0 || uid == st.st_uid || (st.st_mode & S_IWOTH)) return true;
    if (!(st.st_mode & S_IWGRP)) return false;
    const struct passwd* pw = ::getpwuid(uid);
    if (!pw) return false;
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) < 0) {
        groups.resize(std::size_t(count));
        if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) < 0) return false;
    }
    groups.resize(std::size_t(count));
    return std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
}

namespace {

// A link is followed when this user made it, or when its maker could write
// what it leads to (the folder a missing file would be made in): he could as
// well have put that there himself. One another user planted, to a file or
// folder of the user's he could not write, is not: it would lead the write to
// a file of the user's that was never named.
bool FollowedLink(const struct stat& link, const QString& to)
{
    if (link.st_uid == ::geteuid()) return true;
    struct stat st {};
    if (::stat(native(to).constData(), &st) == 0) return MayWrite(link.st_uid, st);
    return ::stat(native(QFileInfo(to).path()).constData(), &st) == 0 && MayWrite(link.st_uid, st);
}

struct Resolution {
    QString path;    // every link followed that may be
    QString refused; // the first link that may not, through which path still leads; empty when none
};

// Walks the path one name at a time, each link judged where it lies.
Resolution Resolve(const QString& path)
{
    QStringList pending = QFileInfo(path).absoluteFilePath().split(u'/', Qt::SkipEmptyParts);
    QString done; // resolved so far, without links; empty for the root
    int hops = 0;
    while (!pending.isEmpty()) {
        const QString part = pending.takeFirst();
        if (part == u".") continue;
        if (part == u"..") {
            done.truncate(std::max<qsizetype>(0, done.lastIndexOf(u'/')));
            continue;
        }
        const QString at = done + u'/' + part;
        struct stat st {};
        QByteArray to(4096, Qt::Uninitialized);
        const QByteArray name = native(at);
        const ssize_t n = ::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode)
                              ? ::readlink(name.constData(), to.data(), std::size_t(to.size()))
                              : -1;
        if (n <= 0 || n >= to.size()) {
            done = at;
            continue;
        }
        to.truncate(n);
        const QString target = QFile::decodeName(to);
        const bool absolute = target.startsWith(u'/');
        if (++hops > 40 || !FollowedLink(st, absolute ? target : done + u'/' + target)) {
            pending.prepend(part);
            return {done + u'/' + pending.join(u'/'), at};
        }
        if (absolute) done.clear();
        pending = target.split(u'/', Qt::SkipEmptyParts) + pending;
    }
    return {done.isEmpty() ? QStringLiteral("/") : done, QString()};
}

} // namespace

QString ResolvedFilePath(const QString& path)
{
    return Resolve(path).path;
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
    // Judged as the writer writes: through the links it follows, and no other.
    const QString ra = ResolvedFilePath(a);
    const QString rb = ResolvedFilePath(b);
    struct stat sa {};
    struct stat sb {};
    if (::lstat(native(ra).constData(), &sa) == 0 && ::lstat(native(rb).constData(), &sb) == 0) {
        if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;
        // A FUSE driver of a case-blind file system may give each spelling
        // of one file an inode number of its own: the names decide there.
        if (sa.st_dev != sb.st_dev) return false;
    }
    return SameEntry(ra, rb);
}

namespace {

bool g_withoutLinks = false; // the tests' file system without links and lasting inodes
quint64 g_inodeSalt = 0;     // mixed into the inode numbers it shows

// The stamp of what a successful stat found.
FileStamp StampOfStat(const struct stat& st)
{
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = quint64(st.st_dev);
    stamp.inode = quint64(st.st_ino) ^ g_inodeSalt;
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

// The program's temporaries are named ".<name>.tervala-<token>": the token
// is a random number followed by a check of it and the name, so that a name
// a user's file merely looks like is never taken for one, and the name does
// not depend on an inode number (which some file systems change at each
// mount). An older form carried the temporary's own inode in hex instead.
// A long name is shortened (its start and a hash of it), so that the marks
// fit within the longest name a file system allows.
const QByteArray kMark = ".tervala-";
// A group commit's journal: ".<name>.tervala-journal-<random>", the same name
// in each folder of the group, beginning with kJournalMagic and ending with
// kJournalEnd. A journal without its end was cut short while it was written,
// before any rename of its group.
const QByteArray kJournalMark = ".tervala-journal-";
const QByteArray kJournalMagic = "tervala group commit 2\n";
const QByteArray kJournalEnd = "end\n";
// The state line that follows the magic, rewritten in place as the group
// goes on: the journals written (a kill undoes the group), between() begun
// (the change it commits decides), committed (a kill finishes the group).
const QByteArray kReady = "ready  ";
const QByteArray kBetween = "between";
const QByteArray kCommitted = "commit ";
constexpr qsizetype kNamePartMax = 200;

QByteArray NamePart(const QByteArray& name)
{
    if (name.size() <= kNamePartMax) return name;
    qsizetype cut = kNamePartMax - 13;
    while (cut > 0 && (uchar(name[cut]) & 0xC0) == 0x80) // not within a character
        --cut;
    return name.left(cut) + '~' + QCryptographicHash::hash(name, QCryptographicHash::Sha1).toHex().left(12);
}

QByteArray RandomHex(int digits)
{
    QByteArray hex;
    while (hex.size() < digits)
        hex += QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0');
    return hex.left(digits);
}

QByteArray TokenCheck(const QByteArray& part, const QByteArray& random)
{
    return QCryptographicHash::hash(part + '/' + random, QCryptographicHash::Sha1).toHex().left(8);
}

QByteArray TemporaryName(const QByteArray& target)
{
    const QByteArray part = NamePart(target);
    const QByteArray random = RandomHex(16);
    return '.' + part + kMark + random + TokenCheck(part, random);
}

QByteArray TemporaryPrefix(const QByteArray& target)
{
    return '.' + NamePart(target) + kMark;
}

// True when name is a temporary of target's in the present form.
bool IsTemporaryOf(const QByteArray& target, const QByteArray& name)
{
    const QByteArray prefix = TemporaryPrefix(target);
    if (!name.startsWith(prefix) || name.size() != prefix.size() + 24) return false;
    const QByteArray token = name.mid(prefix.size());
    for (const char c : token)
        if (!std::isxdigit(uchar(c)) || std::isupper(uchar(c))) return false;
    return token.mid(16) == TokenCheck(NamePart(target), token.left(16));
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

bool Exists(int dirFd, const QByteArray& name)
{
    struct stat st {};
    return ::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// False where inode numbers do not last: FAT and exFAT (through FUSE or
// not), network file systems, FUSE in general.
bool InodesLast(int dirFd)
{
    if (g_withoutLinks) return false;
    struct statfs fs {};
    if (::fstatfs(dirFd, &fs) != 0) return true;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x4d44UL:     // FAT
    case 0x2011BAB0UL: // exFAT
    case 0x65735546UL: // FUSE
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
        return false;
    default:
        return true;
    }
}

// The same file: by its inode where inode numbers last, elsewhere by what
// such a file system keeps (its size and modification time).
bool SameFile(const FileStamp& a, const FileStamp& b, bool inodesLast = true)
{
    if (a.exists != b.exists || a.type != b.type) return false;
    if (!a.exists) return true;
    if (inodesLast) return a.device == b.device && a.inode == b.inode;
    return a.size == b.size && a.mtimeNs == b.mtimeNs;
}

// The same file with the same content as when it was stamped.
bool Unchanged(const FileStamp& now, const FileStamp& then, bool inodesLast)
{
    return SameFile(now, then, inodesLast) && now.size == then.size && now.mtimeNs == then.mtimeNs;
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

// One file of a group commit as its folder's journal writes it down (names
// within that folder): the target, the new content's temporary, the name
// that keeps the earlier content (empty when none is kept) and the new
// content's size and modification time.
struct JournalEntry {
    QByteArray target;
    QByteArray temporary;
    QByteArray kept;
    bool wasNew = false; // the target did not exist
    qint64 newSize = 0;
    qint64 newMtimeNs = 0;
};

// What decides a group whose between() was begun and not marked done: a
// table's undo journal (done once it is gone), or a database (done once no
// hot -journal is left beside it and, in WAL mode, once its log holds a
// commit made after the baseline).
struct Decider {
    char kind = 0; // 0 none, 'u' undo journal, 's' database
    QByteArray name;
    QByteArray baseline;
};

int OpenFolder(const QByteArray& folder)
{
    return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// A folder whose path was resolved, opened so that no link put on the path
// since is followed (the open fails instead).
int OpenFolderWithoutLinks(const QByteArray& folder)
{
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    const long fd = ::syscall(SYS_openat2, AT_FDCWD, folder.constData(), &how, sizeof how);
    if (fd < 0 && (errno == ENOSYS || errno == EPERM)) return OpenFolder(folder);
    return int(fd);
}

quint32 Big32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

// The engine's write-ahead log as far as it is whole: its salts and the
// number of its last commit frame (0: none).
QByteArray WalState(int dirFd, const QByteArray& database)
{
    const int fd =
        ::openat(dirFd, (database + "-wal").constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return "none";
    QByteArray head(32, '\0');
    quint64 lastCommit = 0;
    quint32 salt1 = 0, salt2 = 0;
    if (::pread(fd, head.data(), 32, 0) == 32) {
        const auto* h = reinterpret_cast<const uchar*>(head.constData());
        const quint32 magic = Big32(h);
        const quint32 pageSize = Big32(h + 8);
        salt1 = Big32(h + 16);
        salt2 = Big32(h + 20);
        const bool bigEndian = (magic & 1) != 0;
        const auto word = [bigEndian](const uchar* p) {
            return bigEndian ? Big32(p)
                             : (quint32(p[3]) << 24) | (quint32(p[2]) << 16) | (quint32(p[1]) << 8) | p[0];
        };
        quint32 s0 = 0, s1 = 0;
        const auto sum = [&](const uchar* p, qsizetype n) {
            for (qsizetype i = 0; i + 8 <= n; i += 8) {
                s0 += word(p + i) + s1;
                s1 += word(p + i + 4) + s0;
            }
        };
        sum(h, 24);
        if ((magic & ~1U) == 0x377f0682U && pageSize >= 512 && pageSize <= 65536 && s0 == Big32(h + 24) &&
            s1 == Big32(h + 28)) {
            QByteArray frame(24 + qsizetype(pageSize), '\0');
            const auto* f = reinterpret_cast<const uchar*>(frame.constData());
            for (quint64 n = 1;; ++n) {
                const off_t at = off_t(32 + (n - 1) * frame.size());
                if (::pread(fd, frame.data(), std::size_t(frame.size()), at) != frame.size()) break;
                if (Big32(f + 8) != salt1 || Big32(f + 12) != salt2) break;
                sum(f, 8);
                sum(f + 24, pageSize);
                if (s0 != Big32(f + 16) || s1 != Big32(f + 20)) break;
                if (Big32(f + 4) != 0) lastCommit = n;
            }
        }
    }
    ::close(fd);
    return QByteArray::number(salt1, 16) + ':' + QByteArray::number(salt2, 16) + ':' +
           QByteArray::number(lastCommit);
}

// True when the database is in WAL mode (its header says so).
bool InWalMode(int dirFd, const QByteArray& database)
{
    const int fd = ::openat(dirFd, database.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    char head[20] = {};
    const bool wal = ::pread(fd, head, sizeof head, 0) == sizeof head && head[18] == 2;
    ::close(fd);
    return wal;
}

QByteArray Baseline(int dirFd, const Decider& d)
{
    return d.kind == 's' && InWalMode(dirFd, d.name) ? WalState(dirFd, d.name) : QByteArray("-");
}

// Whether the change between() commits was made, judged in the folder of the
// file that decides.
bool BetweenDone(int dirFd, const Decider& d)
{
    if (d.kind == 'u') return !Exists(dirFd, d.name);
    if (d.kind != 's') return false;
    // A rollback journal with anything in it is a transaction not
    // committed (the commit deletes it; its header may still be zeros
    // before the database itself is written).
    struct stat journal {};
    if (::fstatat(dirFd, (d.name + "-journal").constData(), &journal, AT_SYMLINK_NOFOLLOW) == 0 &&
        journal.st_size > 0)
        return false;
    if (d.baseline == "-") return true;
    // WAL mode: done when the log holds a commit the baseline did not.
    const QList<QByteArray> then = d.baseline.split(':');
    const QList<QByteArray> now = WalState(dirFd, d.name).split(':');
    if (now.size() != 3 || now[2] == "0") return false;
    if (then.size() != 3) return true;
    return now[0] != then[0] || now[1] != then[1] || now[2].toULongLong() > then[2].toULongLong();
}

// One folder's copy of a group's journal, as read back.
struct JournalCopy {
    QByteArray state;
    QList<QByteArray> siblings; // other folders: relative to this one, then absolute
    Decider decider;
    QList<JournalEntry> entries;
};

bool SafeName(const QByteArray& name)
{
    return !name.isEmpty() && !name.contains('/') && name != "." && name != "..";
}

// ok false when the text is not a whole journal.
JournalCopy ParseJournal(const QByteArray& text, bool& ok)
{
    JournalCopy copy;
    ok = text.startsWith(kJournalMagic) && text.endsWith('\n' + kJournalEnd);
    if (!ok) return copy;
    const QList<QByteArray> lines = text.mid(kJournalMagic.size()).split('\n');
    copy.state = lines.value(0);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].split(' ');
        if (f[0] == "s" && f.size() == 3) {
            copy.siblings << QByteArray::fromHex(f[1]) << QByteArray::fromHex(f[2]);
        } else if (f[0] == "d" && f.size() == 4 && f[1].size() == 1) {
            copy.decider = Decider{f[1][0], QByteArray::fromHex(f[2]), f[3]};
            ok = ok && SafeName(copy.decider.name);
        } else if (f[0] == "e" && f.size() == 7) {
            JournalEntry e{QByteArray::fromHex(f[1]), QByteArray::fromHex(f[2]),
                           QByteArray::fromHex(f[3]), f[4] == "1",
                           f[5].toLongLong(),         f[6].toLongLong()};
            // Only files of this folder, and only the program's temporaries
            // of each target besides the target itself.
            ok = ok && SafeName(e.target) && IsTemporaryOf(e.target, e.temporary) &&
                 (e.kept.isEmpty() || IsTemporaryOf(e.target, e.kept));
            copy.entries << e;
        }
    }
    return copy;
}

// A journal this user made and nothing else names (one link), opened
// without following a link or waiting; -1 when there is none such.
int OpenJournal(int dirFd, const QByteArray& name, int mode, struct stat& st)
{
    const int fd = ::openat(dirFd, name.constData(), mode | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid() &&
        st.st_size < (1 << 20))
        return fd;
    ::close(fd);
    return -1;
}

QByteArray ReadAll(int fd, qint64 size)
{
    QByteArray text(size, Qt::Uninitialized);
    return ::pread(fd, text.data(), std::size_t(size), 0) == size ? text : QByteArray();
}

// Settles one entry as the group's direction says; true when it is settled
// (nothing of the group's is left under its temporary names).
bool PlayBackEntry(int dir, const JournalEntry& e, bool forward, bool inodesLast)
{
    const bool temporary = Exists(dir, e.temporary);
    const bool kept = !e.kept.isEmpty() && Exists(dir, e.kept);
    if (forward) {
        if (temporary) ::renameat(dir, e.temporary.constData(), dir, e.target.constData());
        if (kept) ::unlinkat(dir, e.kept.constData(), 0);
    } else if (temporary) {
        // Never renamed: the target is still the earlier file.
        ::unlinkat(dir, e.temporary.constData(), 0);
        if (kept) ::unlinkat(dir, e.kept.constData(), 0);
    } else if (kept) {
        ::renameat(dir, e.kept.constData(), dir, e.target.constData());
    } else if (e.wasNew) {
        FileStamp placed = EntryStamp(dir, e.target);
        FileStamp made = placed;
        made.size = e.newSize;
        made.mtimeNs = e.newMtimeNs;
        if (placed.exists && Unchanged(placed, made, inodesLast)) ::unlinkat(dir, e.target.constData(), 0);
    }
    return !Exists(dir, e.temporary) && (e.kept.isEmpty() || !Exists(dir, e.kept));
}

// A group's journal in one folder, held for its settling.
struct HeldCopy {
    int dirFd = -1; // owned when not the folder being settled
    int fd = -1;
    JournalCopy copy;
};

void Release(HeldCopy& h, bool ownsFolder)
{
    if (h.fd >= 0) ::close(h.fd);
    if (ownsFolder && h.dirFd >= 0) ::close(h.dirFd);
    h.fd = h.dirFd = -1;
}

// The group's copy named name in a sibling folder (tried by its path
// relative to this folder, then its absolute path), locked; fd -1 when none
// is there, or -2 when a live writer holds it.
HeldCopy HoldSibling(int dirFd, const QByteArray& relative, const QByteArray& absolute,
                     const QByteArray& name)
{
    HeldCopy h;
    for (const QByteArray& path : {relative, absolute}) {
        const int dir = ::openat(dirFd, path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) continue;
        struct stat st {};
        const int fd = OpenJournal(dir, name, O_RDONLY, st);
        if (fd < 0) {
            ::close(dir);
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            ::close(dir);
            h.fd = -2;
            return h;
        }
        bool ok = false;
        h.copy = ParseJournal(ReadAll(fd, st.st_size), ok);
        if (!ok) {
            ::close(fd);
            ::close(dir);
            continue;
        }
        h.dirFd = dir;
        h.fd = fd;
        return h;
    }
    return h;
}

// Finishes or undoes the group whose journal in this folder is held: its
// direction is what its copies say (any copy marked committed, or between()
// begun and its change found made), then each copy reached settles the
// entries of its own folder and goes once they are settled.
void SettleGroup(int dirFd, const QByteArray& name, HeldCopy own)
{
    std::vector<HeldCopy> copies{own};
    for (qsizetype i = 0; i + 1 < own.copy.siblings.size(); i += 2) {
        HeldCopy sibling = HoldSibling(dirFd, own.copy.siblings[i], own.copy.siblings[i + 1], name);
        if (sibling.fd == -2) { // still being written by a live process
            for (std::size_t c = 0; c < copies.size(); ++c)
                Release(copies[c], c > 0);
            return;
        }
        // The same folder reached twice is held once.
        if (sibling.fd >= 0) copies.push_back(sibling);
    }
    bool forward = false;
    bool begun = false;
    for (const HeldCopy& c : copies) {
        forward = forward || c.copy.state == kCommitted;
        begun = begun || c.copy.state == kBetween;
    }
    if (!forward && begun)
        for (const HeldCopy& c : copies)
            if (c.copy.decider.kind) forward = BetweenDone(c.dirFd, c.copy.decider);
    for (std::size_t c = 0; c < copies.size(); ++c) {
        HeldCopy& h = copies[c];
        const bool inodesLast = InodesLast(h.dirFd);
        bool settled = true;
        for (const JournalEntry& e : h.copy.entries)
            settled = PlayBackEntry(h.dirFd, e, forward, inodesLast) && settled;
        if (settled) ::unlinkat(h.dirFd, name.constData(), 0);
        ::fsync(h.dirFd);
        Release(h, c > 0);
    }
}

// Finishes or undoes the group commits a kill left in this folder: journals
// of this user's that no live process holds. True when a group is left
// unsettled (its temporaries then stay for it).
bool RecoverGroups(int dirFd)
{
    const int scan = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (scan < 0) return false;
    DIR* dir = ::fdopendir(scan);
    if (!dir) {
        ::close(scan);
        return false;
    }
    QList<QByteArray> journals;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name.startsWith('.') && name.contains(kJournalMark)) journals << name;
    }
    ::closedir(dir);
    bool left = false;
    for (const QByteArray& name : journals) {
        struct stat st {};
        // Another user's journal, or one a link also names, is never played
        // back: it could name any file.
        const int fd = OpenJournal(dirFd, name, O_RDONLY, st);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        const QByteArray text = ReadAll(fd, st.st_size);
        bool ok = false;
        const JournalCopy copy = ParseJournal(text, ok);
        if (!ok && (kJournalMagic.startsWith(text) || text.startsWith(kJournalMagic))) {
            // Cut short as it was written: every copy of a journal is whole
            // and synced before the first rename, so nothing of its group
            // was renamed, and the temporaries are swept as any others.
            ::unlinkat(dirFd, name.constData(), 0);
            ::fsync(dirFd);
            ::close(fd);
        } else if (ok) {
            SettleGroup(dirFd, name, HeldCopy{dirFd, fd, copy});
            left = left || Exists(dirFd, name);
        } else {
            ::close(fd);
        }
    }
    return left;
}

// The group's journal, one copy in each folder it writes (and beside the
// file that decides), written through the folders' own handles and held
// locked from before the first rename until the last file is finished.
class GroupJournal {
public:
    struct Folder {
        int dirFd = -1;
        QByteArray path; // absolute, for the copies in other folders to find it
        bool owned = false;
        QList<JournalEntry> entries;
        Decider decider;
        int fd = -1;
    };

    GroupJournal() = default;
    GroupJournal(const GroupJournal&) = delete;
    GroupJournal& operator=(const GroupJournal&) = delete;
    ~GroupJournal() { Remove(); }

    // The folder's copy (made when first asked for).
    Folder& In(int dirFd, const QByteArray& path)
    {
        struct stat a {};
        ::fstat(dirFd, &a);
        for (Folder& f : m_folders) {
            struct stat b {};
            if (::fstat(f.dirFd, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino) return f;
        }
        Folder folder;
        folder.dirFd = dirFd;
        folder.path = path;
        m_folders.push_back(folder);
        return m_folders.back();
    }

    // The copy beside the file that decides a group whose between() was
    // begun (see Decider).
    void DecidedBy(const QString& decider, const QString& target)
    {
        if (decider.isEmpty()) return;
        const QString resolved = ResolvedFilePath(decider);
        const QByteArray folder = FolderOf(resolved);
        const int dirFd = OpenFolder(folder);
        if (dirFd < 0) fail(target, errno);
        Folder& f = In(dirFd, folder);
        if (f.dirFd != dirFd)
            ::close(dirFd);
        else
            f.owned = true;
        QByteArray name = native(QFileInfo(resolved).fileName());
        char kind = 'u';
        if (name.endsWith("-journal")) { // a database's: the database decides
            name.chop(8);
            kind = 's';
        }
        f.decider.kind = kind;
        f.decider.name = name;
        f.decider.baseline = Baseline(f.dirFd, f.decider);
    }

    void Write(const QString& target)
    {
        const QByteArray name =
            '.' + NamePart(native(QFileInfo(target).fileName())) + kJournalMark + RandomSuffix();
        m_name = name;
        for (Folder& f : m_folders) {
            QByteArray text = kJournalMagic + kReady + '\n';
            for (const Folder& other : m_folders)
                if (&other != &f)
                    text +=
                        "s " +
                        native(
                            QDir(QFile::decodeName(f.path)).relativeFilePath(QFile::decodeName(other.path)))
                            .toHex() +
                        ' ' + other.path.toHex() + '\n';
            if (f.decider.kind)
                text += "d " + QByteArray(1, f.decider.kind) + ' ' + f.decider.name.toHex() + ' ' +
                        f.decider.baseline + '\n';
            for (const JournalEntry& e : f.entries)
                text += "e " + e.target.toHex() + ' ' + e.temporary.toHex() + ' ' + e.kept.toHex() + ' ' +
                        (e.wasNew ? "1 " : "0 ") + QByteArray::number(e.newSize) + ' ' +
                        QByteArray::number(e.newMtimeNs) + '\n';
            text += kJournalEnd;
            for (;;) {
                f.fd = ::openat(f.dirFd, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                0600);
                if (f.fd < 0) fail(target, errno);
                // Another writer's recovery may have taken the journal while
                // it was still empty: once it is held, it is made again if
                // it is gone.
                ::flock(f.fd, LOCK_SH);
                struct stat held {
                }, named{};
                if (::fstat(f.fd, &held) == 0 &&
                    ::fstatat(f.dirFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                    held.st_ino == named.st_ino)
                    break;
                ::close(f.fd);
            }
            qsizetype at = 0;
            while (at < text.size()) {
                const ssize_t n = ::write(f.fd, text.constData() + at, std::size_t(text.size() - at));
                if (n <= 0) fail(target, n < 0 ? errno : ENOSPC);
                at += n;
            }
            if (::fsync(f.fd) != 0) fail(target, errno);
            ::fsync(f.dirFd);
        }
    }

    // Every copy's state line; false when one could not be made lasting.
    bool Mark(const QByteArray& state)
    {
        bool ok = true;
        for (const Folder& f : m_folders)
            if (f.fd >= 0)
                ok = ::pwrite(f.fd, state.constData(), std::size_t(state.size()),
                              off_t(kJournalMagic.size())) == state.size() &&
                     ::fdatasync(f.fd) == 0 && ok;
        return ok;
    }

    // Removes every copy: the group is settled.
    void Remove() { close(true); }
    // Leaves every copy for the next settling of its folder to finish.
    void Keep() { close(false); }

private:
    void close(bool remove)
    {
        for (Folder& f : m_folders) {
            if (f.fd >= 0) {
                if (remove) ::unlinkat(f.dirFd, m_name.constData(), 0);
                ::fsync(f.dirFd);
                ::close(f.fd);
            }
            if (f.owned) ::close(f.dirFd);
        }
        m_folders.clear();
    }
    [[noreturn]] void fail(const QString& target, int error)
    {
        Remove();
        vb::Raise(vb::errnum::DeviceIOError, kSource, WriteFailure(target, error));
    }
    std::list<Folder> m_folders;
    QByteArray m_name;
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
    const Resolution resolution = Resolve(m_target);
    m_resolved = resolution.path;
    const QFileInfo info(m_resolved);
    if (!resolution.refused.isEmpty())
        vb::Raise(vb::errnum::PermissionDenied, kSource,
                  QStringLiteral("Cannot write the file '%1': '%2' is a symbolic link another user made to "
                                 "what he may not write himself; it is not followed.")
                      .arg(m_target, resolution.refused));
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
    m_dirFd = OpenFolderWithoutLinks(folder);
    if (m_dirFd < 0) CannotReplace(m_target, errno);
    // A group a kill cut short may replace this very file: it is settled
    // before the file is judged, and its temporaries are left while it
    // cannot be.
    const bool groupsLeft = RecoverGroups(m_dirFd);
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
    if (!groupsLeft) RemoveStaleTemporaries(m_resolved);
    // An unnamed file first: a kill or a power loss then leaves nothing behind.
    m_fd = g_withoutLinks
               ? -1
               : ::openat(m_dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_t(m_newFileMode & 07777));
    if (m_fd < 0 && (g_withoutLinks || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        openNamed();
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
    // Made under its mark at once: the mark does not depend on the file, so
    // a kill at any moment after the create leaves a name the next sweep
    // takes (no lock held on it). Seen by all from the start, it is made for
    // this user alone when it replaces a file: ready() gives it that file's
    // mode.
    const mode_t mode = m_judged.exists ? 0600 : mode_t(m_newFileMode & 07777);
    for (int tries = 0; tries < 100 && m_fd < 0; ++tries) {
        const QByteArray name = TemporaryName(m_name);
        m_fd =
            ::openat(m_dirFd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (m_fd < 0) {
            if (errno != EEXIST) return;
            continue;
        }
        ::flock(m_fd, LOCK_SH | LOCK_NB);
        m_named = name;
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
    if (g_withoutLinks) {
        errno = EPERM;
        return false;
    }
    const QByteArray name = TemporaryName(m_name);
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
    const bool inodesLast = InodesLast(m_dirFd);
    if (m_asRead ? !Unchanged(now, *m_asRead, inodesLast) : !SameFile(now, m_judged, inodesLast))
        vb::Raise(vb::errnum::PathFileAccessError, kSource,
                  QStringLiteral("'%1' changed while it was scrubbed (another program wrote it): it was left "
                                 "as it was, and so were the result files.")
                      .arg(m_target));
}

namespace {

// A copy of the folder's entry from under the name to (made, synced and
// given the entry's mode, owner as far as allowed, and times); the error
// number when it cannot be made.
int CopyEntry(int dirFd, const QByteArray& from, const QByteArray& to)
{
    const int in = ::openat(dirFd, from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (in < 0) return errno;
    struct stat st {};
    const int out =
        ::fstat(in, &st) == 0
            ? ::openat(dirFd, to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600)
            : -1;
    int error = out < 0 ? errno : 0;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (error == 0) {
        const ssize_t n = ::read(in, buffer.data(), std::size_t(buffer.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : 0;
            break;
        }
        for (ssize_t at = 0; at < n && error == 0;) {
            const ssize_t w = ::write(out, buffer.constData() + at, std::size_t(n - at));
            if (w > 0)
                at += w;
            else if (w == 0 || errno != EINTR)
                error = w < 0 ? errno : ENOSPC;
        }
    }
    if (out >= 0) {
        if (::fchown(out, st.st_uid, st.st_gid) != 0 && ::fchown(out, uid_t(-1), st.st_gid) != 0) {
        }
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (error == 0 && (::fchmod(out, st.st_mode & 07777) != 0 || ::futimens(out, times) != 0))
            error = errno;
        if (error == 0 && ::fsync(out) != 0) error = errno;
        if (::close(out) != 0 && error == 0 && errno != EINTR) error = errno;
        if (error != 0) ::unlinkat(dirFd, to.constData(), 0);
    }
    ::close(in);
    return error;
}

} // namespace

void ReplacementFile::keepEarlier()
{
    m_wasNew = !m_judged.exists;
    if (m_wasNew) return;
    // A second name for the earlier file, or where the file system has no
    // links, a copy of it: either is made before anything is renamed.
    const QByteArray kept = TemporaryName(m_name);
    if (g_withoutLinks || ::linkat(m_dirFd, m_name.constData(), m_dirFd, kept.constData(), 0) != 0) {
        const int error = CopyEntry(m_dirFd, m_name, kept);
        if (error != 0) vb::Raise(vb::errnum::DeviceIOError, kSource, WriteFailure(m_target, error));
    }
    m_kept = kept;
    // Held, so that no sweep takes it while the group lasts.
    m_keptLockFd = ::openat(m_dirFd, m_kept.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (m_keptLockFd >= 0 && ::flock(m_keptLockFd, LOCK_SH | LOCK_NB) != 0) {
    }
}

void ReplacementFile::place()
{
    check();
    m_wasNew = !m_judged.exists;
    if (::renameat(m_dirFd, m_named.constData(), m_dirFd, m_name.constData()) != 0)
        CannotReplace(m_target, errno);
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
    closeLocks();
    ::fsync(m_dirFd);
}

void ReplacementFile::closeLocks()
{
    if (m_lockFd >= 0) ::close(m_lockFd);
    m_lockFd = -1;
    if (m_keptLockFd >= 0) ::close(m_keptLockFd);
    m_keptLockFd = -1;
}

void ReplacementFile::handOver()
{
    closeLocks();
    m_named.clear();
    m_kept.clear();
    m_placed = false;
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
        // A kill from here on is finished or undone by the next settling of
        // any of these folders: undone until the group is marked committed,
        // unless between() was begun and its change is found made.
        if (group.size() > 1 || between) {
            // The last needs no earlier content kept: nothing after it can fail.
            for (std::size_t i = 0; i + 1 < group.size(); ++i)
                group[i]->keepEarlier();
            for (ReplacementFile* f : group) {
                const FileStamp made = EntryStamp(f->m_dirFd, f->m_named);
                journal.In(f->m_dirFd, FolderOf(f->m_resolved)).entries << JournalEntry{
                    f->m_name, f->m_named, f->m_kept, !f->m_judged.exists, made.size, made.mtimeNs};
            }
            journal.DecidedBy(betweenJournal, group.empty() ? QString() : group.front()->m_target);
            journal.Write(group.empty() ? betweenJournal : group.front()->m_target);
        }
        Step("journal");
        if (between) {
            if (!journal.Mark(kBetween))
                vb::Raise(vb::errnum::DeviceIOError, kSource, WriteFailure(group.front()->m_target, errno));
            between();
        }
        Step("between");
    } catch (...) {
        journal.Remove();
        discardAll();
        throw;
    }
    // Past between() the change it made decides the group even when this
    // mark does not last; without it the mark is the commit.
    if (!journal.Mark(kCommitted) && !between) {
        const int error = errno;
        journal.Remove();
        discardAll();
        vb::Raise(vb::errnum::DeviceIOError, kSource, WriteFailure(group.front()->m_target, error));
    }
    Step("committed");
    std::size_t placed = 0;
    try {
        for (; placed < group.size(); ++placed) {
            group[placed]->place();
            Step("renamed");
        }
    } catch (...) {
        if (between) {
            // The change between() made stays: the group is finished by the
            // next settling of its folders, which puts the new files in place.
            const vb::ErrObject error = vb::CatchError();
            journal.Keep();
            for (ReplacementFile* f : group)
                f->handOver();
            vb::Raise(
                error.Number, kSource,
                error.Description +
                    QStringLiteral(" The list's changes were saved: the new files take their places the "
                                   "next time the list or its result files are opened."));
        }
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
    if (!m_kept.isEmpty() && m_dirFd >= 0) ::unlinkat(m_dirFd, m_kept.constData(), 0);
    m_kept.clear();
    closeLocks();
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
    const QByteArray target = native(fi.fileName());
    const QByteArray prefix = '.' + target + kMark;
    const QByteArray shortened = TemporaryPrefix(target);
    const QByteArray folder = native(fi.absolutePath());
    const int dirFd = OpenFolder(folder);
    if (dirFd < 0) return;
    const int scan = ::dup(dirFd);
    DIR* dir = scan >= 0 ? ::fdopendir(scan) : nullptr;
    QList<QByteArray> names;
    if (dir) {
        while (const dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name.startsWith(prefix) || name.startsWith(shortened)) names << name;
        }
        ::closedir(dir);
    } else if (scan >= 0) {
        ::close(scan);
    }
    for (const QByteArray& name : names) {
        if (IsTemporaryOf(target, name)) {
            RemoveUnheld(dirFd, name);
            continue;
        }
        bool ok = false;
        const QByteArray tail = name.mid(prefix.size());
        const quint64 inode = tail.toULongLong(&ok, 16);
        // Only the file that carries its own inode in its name (the older form).
        if (ok && name.startsWith(prefix) && tail == QByteArray::number(inode, 16))
            RemoveUnheld(dirFd, name, inode);
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

void SettleGroupsNaming(const QStringList& files)
{
    QStringList folders;
    for (const QString& file : files)
        if (!file.isEmpty()) folders << QFileInfo(ResolvedFilePath(file)).path();
    folders.removeDuplicates();
    for (const QString& folder : folders)
        RecoverInterruptedCommits(folder);
}

void SimulateFileSystemWithoutLinks(bool on)
{
    g_withoutLinks = on;
    g_inodeSalt = on ? (quint64(::getpid()) << 20) | 0x5a5a5 : 0;
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
