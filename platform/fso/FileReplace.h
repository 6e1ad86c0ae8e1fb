#pragma once
// Replacing a user's file without ever leaving it half written: the new
// content is written beside the file that is really meant (a symbolic link is
// followed to it), takes that file's mode and owner, and is renamed over it
// in one step.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

namespace fso {

// The file a path finally names: every symbolic link on the way followed, so
// that a file written beside the result lies in the same folder (and file
// system) as the file to be replaced. The absolute path when the file does
// not exist.
QString ResolvedFilePath(const QString& path);

// True when the file must not be changed: nobody may write it (its mode has no
// write permission), or this process may not.
bool IsReadOnlyFile(const QString& path);

// True when the two paths name one file, whatever their spelling: ".", "..",
// doubled separators, symbolic and hard links. Paths of files that do not
// exist yet are compared by their resolved folder and name.
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
// allows an unnamed file; elsewhere a hidden ".<name>.<random>" file is used
// and removed again). Between naming and renaming a kill leaves the hidden
// file: it is locked while it is written, and the next replacement of the same
// file removes such files no live process holds.
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
    // file can be made in it (or the target is a folder), 57 when the disk
    // has no room even for that.
    void Open();
    bool IsOpen() const { return m_fd >= 0; }
    const QString& Target() const { return m_target; }

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
    // When a rename fails, the files renamed before it get their earlier
    // content back (or go again, when there was none), so a raised error
    // leaves every target as it was. Null entries are skipped; every file is
    // committed or discarded afterwards. A kill between two renames leaves
    // an earlier content kept as a hidden temporary, swept like the others.
    static void CommitTogether(const std::vector<ReplacementFile*>& files,
                               const std::function<void()>& between = {});

private:
    [[noreturn]] void fail(int error);
    void writeOut(const char* data, qsizetype size);
    void openNamed(const QByteArray& folder);
    bool link(QByteArray& name);
    // The steps of a commit: everything up to the rename; the rename
    // (keeping the earlier file under a hidden name when asked); undoing it;
    // dropping what was kept.
    void ready();
    void place(bool keepEarlier);
    void putBack();
    void finish();
    void keepEarlier(const QByteArray& target);
    void dropKept();

    QString m_target;
    QString m_resolved; // the file really replaced
    unsigned m_newFileMode;
    int m_fd = -1;
    int m_lockFd = -1;  // holds the named temporary's lock from m_fd's close to the rename
    QByteArray m_named; // the visible temporary's name, when it has one
    QByteArray m_buffer;
    QByteArray m_kept;     // the target's earlier content, between a group's renames
    int m_keptLockFd = -1; // its lock, against another writer's sweep
    bool m_placed = false; // renamed over the target, not finished
    bool m_wasNew = false; // and the target did not exist before
    std::optional<FileStamp> m_asRead;
};

// A whole file's content in one replacement (see ReplacementFile).
void WriteWholeFile(const QString& target, const QByteArray& content, unsigned newFileMode = 0666);

// The description of a write that failed with the system error number error:
// a full disk and a file-size limit are named as such.
QString WriteFailure(const QString& path, int error);

// Removes the hidden ".<name>.<tail>" files beside path (name: path's file
// name, tail: tailLength ASCII letters or digits) that no live process holds
// locked: what a replacement cut short by a kill left behind. A writer holds a
// shared flock on such a file from its creation until it is renamed.
void RemoveStaleHiddenFiles(const QString& path, int tailLength);

// Makes the last renames and removals in the folder of path lasting, as far
// as its file system can sync a folder.
void SyncFolderOf(const QString& path);

// Creates the folder a file is to be written in, with its missing parents.
// Raises 76 when it cannot be made.
void EnsureParentFolder(const QString& filePath);

} // namespace fso
