#include "platform/vb/App.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMutex>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vb {

namespace {

QMutex g_lockMutex;
// The locks held, one in each folder where one could be had: a copy started
// with another runtime folder, home or none still meets one of them.
QList<std::pair<int, QString>> g_locks;
pid_t g_lockOwner = 0; // the process that took the lock: a forked child does not remove it

QString userName()
{
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(geteuid());
}

// The folders the lock may lie in, first choice first: the user's runtime
// folder and the program folder, when only the user can write them, then
// the user's home and, last, /tmp. A name there that is a link or another
// user's file is passed over for the next folder (or removed, where the
// folder lets the user): nothing planted keeps the program from starting.
// A copy takes the lock in every one of them, so that two copies started
// with different runtime folders (or none) still meet.
QStringList lockFolders()
{
    QStringList folders;
    const auto onlyMine = [](const QString& folder) {
        struct stat st {};
        return !folder.isEmpty() && ::stat(QFile::encodeName(folder).constData(), &st) == 0 &&
               S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
    };
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (onlyMine(runtime)) folders << runtime;
    if (onlyMine(App::Path())) folders << App::Path();
    if (onlyMine(QDir::homePath())) folders << QDir::homePath();
    folders << QStringLiteral("/tmp");
    return folders;
}

QString lockName()
{
    QString canonical = QFileInfo(App::Path()).canonicalFilePath();
    if (canonical.isEmpty()) canonical = QFileInfo(App::Path()).absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    QString user = userName();
    user.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral(".tervala-%1-%2.lock").arg(user, QString::fromLatin1(hash));
}

// Opens the lock file at path when it is the user's own regular file with
// one name (made when missing); -1 otherwise. A planted file the user may
// remove (a second name of one of the user's files too) is removed and made
// anew.
int openLockFile(const QString& path, bool create)
{
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd =
            ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
            st.st_uid == ::geteuid())
            return fd;
        if (fd >= 0) ::close(fd);
        struct stat planted {};
        if (!create || ::lstat(name.constData(), &planted) != 0 || ::unlink(name.constData()) != 0) return -1;
    }
    return -1;
}

// Whether fd is still the file at path: a lock file removed by a copy that
// ended, between this open and this lock, locks nothing.
bool stillThere(int fd, const QString& path)
{
    struct stat a {};
    struct stat b {};
    return ::fstat(fd, &a) == 0 && ::lstat(QFile::encodeName(path).constData(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void releaseAtExit()
{
    App::ReleaseInstanceLock();
}

} // namespace

QString App::Path()
{
    QString p = qEnvironmentVariable("TERVALA_HOME");
    if (p.isEmpty()) {
        if (QCoreApplication::instance())
            p = QCoreApplication::applicationDirPath();
        else
            p = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    }
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

QString App::Title()
{
    return QStringLiteral("Tervala");
}

QString App::EXEName()
{
    return QStringLiteral("Tervala");
}

QString App::HelpFile()
{
    return QStringLiteral("TervalaManual.chm");
}

int App::Major()
{
    return 1;
}

int App::Minor()
{
    return 0;
}

int App::Revision()
{
    return 0;
}

QString App::InstanceLockPath()
{
    {
        QMutexLocker guard(&g_lockMutex);
        if (!g_locks.isEmpty()) return g_locks.first().second;
    }
    const QString name = lockName();
    const QStringList folders = lockFolders();
    for (const QString& folder : folders) {
        const QString path = folder + QLatin1Char('/') + name;
        const int fd = openLockFile(path, true);
        if (fd < 0) continue;
        ::close(fd);
        return path;
    }
    return folders.first() + QLatin1Char('/') + name;
}

bool App::AcquireInstanceLock()
{
    QMutexLocker guard(&g_lockMutex);
    const QString name = lockName();
    if (!g_locks.isEmpty()) {
        if (QFileInfo(g_locks.first().second).fileName() == name) return true;
        for (const auto& lock : std::as_const(g_locks))
            ::close(lock.first);
        g_locks.clear();
    }
    QList<std::pair<int, QString>> taken;
    for (const QString& folder : lockFolders()) {
        const QString path = folder + QLatin1Char('/') + name;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const int fd = openLockFile(path, true);
            if (fd < 0) break; // not the user's to lock here: the next folder
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
                for (const auto& lock : std::as_const(taken)) {
                    ::unlink(QFile::encodeName(lock.second).constData());
                    ::close(lock.first);
                }
                return false;
            }
            if (!stillThere(fd, path)) {
                ::close(fd);
                continue;
            }
            taken.append({fd, path});
            break;
        }
    }
    if (taken.isEmpty()) return true; // no lock file possible: do not keep the program from starting
    g_locks = taken;
    g_lockOwner = ::getpid();
    static const bool registered = (std::atexit(releaseAtExit), true);
    (void)registered;
    return true;
}

bool App::PrevInstance()
{
    QMutexLocker guard(&g_lockMutex);
    if (!g_locks.isEmpty()) return false; // we hold it ourselves
    const QString name = lockName();
    for (const QString& folder : lockFolders()) {
        const int fd = openLockFile(folder + QLatin1Char('/') + name, false);
        if (fd < 0) continue;
        bool held = false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
            held = errno == EWOULDBLOCK;
        else
            ::flock(fd, LOCK_UN);
        ::close(fd);
        if (held) return true;
    }
    return false;
}

void App::ReleaseInstanceLock()
{
    QMutexLocker guard(&g_lockMutex);
    for (const auto& [fd, path] : std::as_const(g_locks)) {
        // Removed while still locked: a copy starting now locks a new file.
        if (g_lockOwner == ::getpid() && stillThere(fd, path)) ::unlink(QFile::encodeName(path).constData());
        ::close(fd);
    }
    g_locks.clear();
}

} // namespace vb
