#include "platform/vb/App.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

namespace vb {

namespace {

QMutex g_lockMutex;
int g_lockFd = -1;
QString g_lockPath;

QString userName()
{
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(geteuid());
}

int openLockFile(const QString& path)
{
    // O_NOFOLLOW: the file lives in /tmp, where anyone may plant a link.
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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
    const QByteArray hash =
        QCryptographicHash::hash(Path().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    QString user = userName();
    user.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("/tmp/tervala-%1-%2.lock").arg(user, QString::fromLatin1(hash));
}

bool App::AcquireInstanceLock()
{
    QMutexLocker guard(&g_lockMutex);
    const QString path = InstanceLockPath();
    if (g_lockFd >= 0) {
        if (g_lockPath == path) return true;
        ::close(g_lockFd);
        g_lockFd = -1;
    }
    const int fd = openLockFile(path);
    if (fd < 0) return true; // no lock file possible: do not keep the program from starting
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    g_lockFd = fd;
    g_lockPath = path;
    return true;
}

bool App::PrevInstance()
{
    QMutexLocker guard(&g_lockMutex);
    const QString path = InstanceLockPath();
    if (g_lockFd >= 0 && g_lockPath == path) return false; // we hold it ourselves
    const int fd = openLockFile(path);
    if (fd < 0) return false;
    bool held = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        held = errno == EWOULDBLOCK;
    else
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return held;
}

void App::ReleaseInstanceLock()
{
    QMutexLocker guard(&g_lockMutex);
    if (g_lockFd >= 0) {
        ::close(g_lockFd);
        g_lockFd = -1;
        g_lockPath.clear();
    }
}

} // namespace vb
