#include "platform/ado/JournalGuard.h"

#include "platform/fso/FileReplace.h"

#include <QFile>
#include <cstring>
#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ado {

namespace {

sqlite3_vfs* g_base = nullptr;
sqlite3_vfs g_guard{};
thread_local QString t_refusal;

// How the unix file access lays out an open file: its descriptor follows
// three pointers (this has not changed since the VFS came to be). What the
// descriptor holds is checked against the name all the same, so a layout
// that differed would refuse journals, never let one through.
struct UnixFileStart {
    const sqlite3_io_methods* methods;
    sqlite3_vfs* vfs;
    void* inode;
    int fd;
};

QByteArray DatabaseOf(const QByteArray& journal)
{
    for (const char* suffix : {"-journal", "-wal"})
        if (journal.endsWith(suffix)) return journal.chopped(qsizetype(std::strlen(suffix)));
    return journal;
}

// Why the file st, found at the name of a journal of database, is not one
// the database's writers made; null when it is.
const char* Fault(const struct stat& st, const QByteArray& database)
{
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    if (st.st_nlink != 1) return "it is a second name (a hard link) of another file";
    if (st.st_uid == ::geteuid() || st.st_uid == 0) return nullptr;
    struct stat db {};
    if (::stat(database.constData(), &db) == 0 && fso::MayWrite(st.st_uid, db)) return nullptr;
    return "it belongs to another user, who may not write the database";
}

int Refuse(const QByteArray& database, const QByteArray& journal, const char* why)
{
    t_refusal =
        QStringLiteral("Could not use '%1': the file '%2' beside it is not a journal of the database "
                       "(%3). The database was left as it was; remove that file, or ask its owner to.")
            .arg(QFile::decodeName(database), QFile::decodeName(journal), QLatin1String(why));
    return SQLITE_CANTOPEN;
}

// Judges what lies at a name before the engine opens it: a FIFO would hold
// the open for ever, a link would be followed.
const char* FaultAt(const QByteArray& name, const QByteArray& database)
{
    struct stat st {};
    return ::lstat(name.constData(), &st) == 0 ? Fault(st, database) : nullptr;
}

int GuardedOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    if (!name || !(flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL)))
        return g_base->xOpen(g_base, name, file, flags, outFlags);
    const QByteArray journal(name);
    const QByteArray database = DatabaseOf(journal);
    if (const char* why = FaultAt(journal, database)) return Refuse(database, journal, why);
    // The WAL's shared memory is opened by the engine without a call here.
    const QByteArray shm = database + "-shm";
    if (flags & SQLITE_OPEN_WAL)
        if (const char* why = FaultAt(shm, database)) return Refuse(database, shm, why);
    const int rc = g_base->xOpen(g_base, name, file, flags, outFlags);
    if (rc != SQLITE_OK) return rc;
    // The file really opened, which must still be the one at the name.
    const int fd = reinterpret_cast<const UnixFileStart*>(file)->fd;
    struct stat held {};
    struct stat named {};
    const char* why = nullptr;
    if (::fstat(fd, &held) != 0 || ::lstat(name, &named) != 0 || held.st_dev != named.st_dev ||
        held.st_ino != named.st_ino)
        why = "it was replaced as it was opened";
    else
        why = Fault(held, database);
    if (!why) return SQLITE_OK;
    file->pMethods->xClose(file);
    file->pMethods = nullptr;
    return Refuse(database, journal, why);
}

} // namespace

void InstallJournalGuard()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_base = sqlite3_vfs_find(nullptr);
        if (!g_base) return;
        g_guard = *g_base;
        g_guard.zName = "tervala-guarded";
        g_guard.pNext = nullptr;
        g_guard.xOpen = &GuardedOpen;
        sqlite3_vfs_register(&g_guard, 1);
    });
}

QString TakeJournalRefusal()
{
    return std::exchange(t_refusal, QString());
}

} // namespace ado
