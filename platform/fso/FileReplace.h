#pragma once
// Replacing a user's file without ever leaving it half written: the new
// content is written beside the file that is really meant (a symbolic link of
// the user's or the folder owner's is followed to it; another user's is not),
// takes that file's mode and owner, and is renamed over it in one step.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace fso {

// The file a path finally names: the folders resolved, and a symbolic link
// at the name followed as long as the user or the folder's owner made it, so
// that a file written beside the result lies in the same folder (and file
// system) as the file to be replaced. A link another user made is returned
// itself (a write through it is refused). The absolute path when the file
// does not exist.
QString ResolvedFilePath(const QString& path);

// True when the file must not be changed: nobody may write it (its mode has no
// write permission), or this process may not.
bool IsReadOnlyFile(const QString& path);

// True when the two paths name one file, whatever their spelling: ".", "..",
// doubled separators, symbolic and hard links, and on a case-blind folder
// the case of its names (see FolderNames.h). Paths of files that do not
// exist yet are compared by their resolved folder and name, as that folder
// compares names.
bool IsSameFile(const QString& a, const QString& b);

// What identifies a file's content as it was read: the file (device and
// inode) and its size and modification time. A file that does not exist has
// a stamp too (exists false), which any file made since fails to match.
struct FileStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 mtimeNs = 0; // nanoseconds since the epoch
    unsigned type = 0;  // regular file, folder, link (S_IFMT)
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file a path names now (a symbolic link followed).
FileStamp StampOf(const QString& path);

// The new content of one file, written beside it and put in its place only
// when every byte reached the disk. Every write, the flush of the buffer, the
// sync of the data and the close are checked: a full disk, a file-size limit
// or a device error raises 57 with the cause in its description, the written
// bytes are dropped and the file keeps its earlier content. Nothing of the
// new content can be seen under any name before Commit (where the file system
// allows an unnamed file; elsewhere a hidden ".<name>.tervala-<token>" file is
// used and removed again). Between naming and renaming a kill leaves the
// hidden file: it is locked while it is written, and the next replacement of
// the same file removes such files no live process holds.
//
// The target is resolved once, at Open, and judged there: a read-only file,
// a link another user made, or another user's file in a sticky folder
// (where only the owner may rename over it) are refused before anything is
// written. Every later step works in the folder Open opened, and the rename
// refuses (75) when the entry there is no longer the file Open found.
class ReplacementFile {
public:
    // newFileMode: the permission bits a file that does not exist yet gets
    // (less the process's umask). A file that exists keeps its mode, and as
    // far as this process may, its owner and group.
    explicit ReplacementFile(QString target, unsigned newFileMode = 0666);
    ~ReplacementFile(); // a file not committed is discarded
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Starts the new content. Raises 76 when the folder is missing, 70 when no
    // file can be made in it (or the target is a folder, another user's link
    // or another user's file in a sticky folder), 75 when the target is
    // read-only, 57 when the disk has no room even for that.
    void Open();
    bool IsOpen() const { return m_fd >= 0; }
    const QString& Target() const { return m_target; }
    // The file Open resolved the target to, and that the commit replaces
    // whatever the target's name comes to name meanwhile.
    const QString& Resolved() const { return m_resolved; }

    // Appends bytes (kept in a buffer of about a megabyte). Raises 54 when
    // the file is not open, 57 when the bytes cannot be written.
    void Write(const char* data, qsizetype size);
    void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
    // Hands the buffered bytes to the system; raises 57 when it cannot.
    void Flush();
    // Syncs the content to the disk and renames it over the target, then
    // syncs the folder. Raises 57 (write or sync) or 70 (the rename); the
    // target is then as it was.
    void Commit();
    // Drops what was written; the target stays as it was.
    void Discard();

    // The target was read as asRead (StampOf before reading it): Commit and
    // CommitTogether raise 75, naming the target, and leave it and every
    // file of the group as they were when, before the first rename, the
    // target no longer matches (another program wrote, grew or replaced it).
    void RequireUnchanged(const FileStamp& asRead);

    // Commits several files as one: each is flushed, synced and made ready
    // beside its target first (a failure there leaves every target as it
    // was), then between() runs (the commit of a change that must precede
    // the files), then they are renamed over their targets back to back.
    // Null entries are skipped; every file is committed or discarded
    // afterwards.
    //
    // Before between() the earlier content of each file but the last is
    // kept under a hidden name (a second link, or where the file system has
    // none, a copy; when neither can be made nothing is changed), and the
    // group is written down in a journal (".<name>.tervala-journal-<random>")
    // in each of its folders and beside the file that decides: each copy
    // names the files of its own folder only, relative to it, and finds the
    // others by their path relative to its folder or their absolute path.
    // The journal's own state decides what the next settling of any of these
    // folders does with a group a kill or a power cut stopped: undone until
    // it is marked committed (after between()), finished after. Only while
    // between() may have been under way does betweenJournal decide: a
    // table's undo journal (between() done once it is gone) or a database's
    // -journal (done once no hot journal is left and, in WAL mode, once the
    // log holds a new commit).
    //
    // When a rename fails, the files renamed before it get their earlier
    // content back (or go again, when there was none), so a raised error
    // leaves every target as it was; after between() the group is kept
    // instead, and the next settling puts the new files in place.
    static void CommitTogether(const std::vector<ReplacementFile*>& files,
                               const std::function<void()>& between = {}, const QString& betweenJournal = {});

private:
    [[noreturn]] void fail(int error);
    void writeOut(const char* data, qsizetype size);
    void openNamed();
    bool link();
    // Raises 75 when the target is no longer the file judged at Open (or
    // no longer as it was read).
    void check() const;
    // The steps of a commit: everything up to the rename; the earlier file
    // kept under a hidden name (a second link, or a copy), before the
    // group's journal is written; the rename; undoing it; dropping what was
    // kept.
    void ready();
    void keepEarlier();
    void place();
    void putBack();
    void finish();
    void closeLocks();
    // Leaves the files to the group's journal (kept for the next settling).
    void handOver();

    QString m_target;
    QString m_resolved; // the file really replaced
    unsigned m_newFileMode;
    int m_dirFd = -1;   // its folder, opened once: every step works in it
    QByteArray m_name;  // its name there
    FileStamp m_judged; // the entry as Open found it
    int m_fd = -1;
    int m_lockFd = -1;  // holds the named temporary's lock from m_fd's close to the rename
    QByteArray m_named; // the visible temporary's name, when it has one
    QByteArray m_buffer;
    QByteArray m_kept; // the name holding the earlier content, between a group's renames
    int m_keptLockFd = -1;
    bool m_placed = false; // renamed over the target, not finished
    bool m_wasNew = false; // and the target did not exist before
    std::optional<FileStamp> m_asRead;
};

// A whole file's content in one replacement (see ReplacementFile).
void WriteWholeFile(const QString& target, const QByteArray& content, unsigned newFileMode = 0666);

// The description of a write that failed with the system error number error:
// a full disk and a file-size limit are named as such.
QString WriteFailure(const QString& path, int error);

// Whether the user uid could write the file st: its owner (who may give
// himself the right), or by its group or other bits.
bool MayWrite(uid_t uid, const struct stat& st);

// Removes the temporaries a replacement of path cut short by a kill left
// beside it: hidden ".<name>.tervala-<token>" files whose token checks
// against the name (or, of an older form, that carry their own inode) and
// no live process holds locked (a writer holds a
// shared flock from a temporary's creation to its rename). A user's file
// that merely looks alike is never taken.
void RemoveStaleTemporaries(const QString& path);

// Finishes or undoes the group commits a kill or a power cut left in the
// folder (see CommitTogether); every ReplacementFile::Open does it for its
// own folder.
void RecoverInterruptedCommits(const QString& folder);

// Settles the group commits that name these files (lists, tables, result
// files, each resolved as a write would): every road that opens a list, a
// table or a result file calls it first, before it judges or stamps them.
void SettleGroupsNaming(const QStringList& files);

// For the tests: from now on this process sees a file system without hard
// links, exchange of names or unnamed files, whose inode numbers differ from
// those another process sees (as FAT and exFAT through FUSE show them).
void SimulateFileSystemWithoutLinks(bool on);

// Called at each Open ("open") and with the name of each step of a group
// commit ("ready" as it begins, "journal",
// "between", "committed", "renamed" after each rename, "finished"); for the
// tests that stop a commit at each step as a kill would.
void SetCommitStepHook(std::function<void(const char* step)> hook);

// Makes the last renames and removals in the folder of path lasting, as far
// as its file system can sync a folder.
void SyncFolderOf(const QString& path);

// Creates the folder a file is to be written in, with its missing parents.
// Raises 76 when it cannot be made.
void EnsureParentFolder(const QString& filePath);

} // namespace fso
