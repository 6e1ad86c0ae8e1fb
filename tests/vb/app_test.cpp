// App: the program folder and names, and the single-instance lock seen from
// a second process.

#include "platform/vb/App.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vb;

namespace {

// Points App.Path at a folder of its own for the test's lifetime.
struct HomeGuard {
    QTemporaryDir dir;
    QByteArray old = qgetenv("TERVALA_HOME");
    bool had = qEnvironmentVariableIsSet("TERVALA_HOME");
    QString lockFile;
    HomeGuard()
    {
        qputenv("TERVALA_HOME", dir.path().toUtf8());
        lockFile = App::InstanceLockPath();
    }
    ~HomeGuard()
    {
        App::ReleaseInstanceLock();
        QFile::remove(lockFile); // no litter in /tmp from throw-away program folders
        if (had)
            qputenv("TERVALA_HOME", old);
        else
            qunsetenv("TERVALA_HOME");
    }
};

// A second copy of the program: a child process that takes the instance
// lock, says so through a pipe, and holds it until told to go.
struct OtherCopy {
    pid_t pid = -1;
    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    bool acquired = false;

    OtherCopy()
    {
        if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            // A new copy starts with no lock of its own: drop the descriptor
            // inherited through fork (the parent's lock stays).
            App::ReleaseInstanceLock();
            const char ok = App::AcquireInstanceLock() ? '1' : '0';
            (void)!::write(fromChild[1], &ok, 1);
            char c;
            (void)!::read(toChild[0], &c, 1);
            ::_exit(0);
        }
        char c = 0;
        if (::read(fromChild[0], &c, 1) == 1) acquired = c == '1';
    }
    void finish()
    {
        if (pid <= 0) return;
        const char c = 'x';
        (void)!::write(toChild[1], &c, 1);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
    }
    ~OtherCopy()
    {
        finish();
        for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
            if (fd >= 0) ::close(fd);
    }
};

} // namespace

TEST(App, PathComesFromTervalaHomeWithoutTrailingSlash)
{
    HomeGuard home;
    qputenv("TERVALA_HOME", (home.dir.path() + "/").toUtf8());
    EXPECT_EQ(App::Path(), home.dir.path());
    qunsetenv("TERVALA_HOME");
    EXPECT_EQ(App::Path(), QCoreApplication::applicationDirPath());
    EXPECT_FALSE(App::Path().endsWith('/'));
}

TEST(App, NamesAndVersion)
{
    EXPECT_EQ(App::Title(), "Tervala");
    EXPECT_EQ(App::EXEName(), "Tervala");
    EXPECT_EQ(App::HelpFile(), "TervalaManual.chm");
    EXPECT_EQ(App::Major(), 1);
    EXPECT_EQ(App::Minor(), 0);
    EXPECT_EQ(App::Revision(), 0);
}

TEST(App, LockFileIsPerUserAndProgramFolder)
{
    HomeGuard home;
    const QString a = App::InstanceLockPath();
    // Where only the user can write: the runtime folder or the program folder.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    EXPECT_TRUE(a.startsWith(home.dir.path() + "/.tervala-") || (!runtime.isEmpty() && a.startsWith(runtime)))
        << a.toStdString();
    EXPECT_TRUE(a.endsWith(".lock"));
    EXPECT_EQ(App::InstanceLockPath(), a); // stable within and across runs
    // Another spelling of the same program folder is the same lock.
    qputenv("TERVALA_HOME", QDir::current().relativeFilePath(home.dir.path() + "/./").toUtf8());
    EXPECT_EQ(QFileInfo(App::InstanceLockPath()).canonicalFilePath(), QFileInfo(a).canonicalFilePath());
    QTemporaryDir other;
    qputenv("TERVALA_HOME", other.path().toUtf8());
    EXPECT_NE(App::InstanceLockPath(), a);
}

// The lock in /tmp (no runtime folder, no private program or home folder) with a link, another user's
// locked file or a locked second name of the user's file planted at its name, or with a runtime folder for
// one of two copies only: the program starts, the planted target is untouched, a second copy is still
// refused, and the lock file goes when the lock is given up.
class AppLockPlanted : public ::testing::TestWithParam<const char*> {};

TEST_P(AppLockPlanted, NothingPlantedStopsOrDoublesTheProgram)
{
    const std::string plant = GetParam();
    const bool other = plant == "AnotherUsersLockedFile";
    if (other && ::geteuid() != 0) GTEST_SKIP() << "only root can give files away";
    HomeGuard home;
    const QByteArray oldHome = qgetenv("HOME"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir shared;
    for (const QString& folder : {home.dir.path(), shared.path()})
        ::chmod(QFile::encodeName(folder).constData(), 0777);
    qputenv("HOME", shared.path().toUtf8());
    qunsetenv("XDG_RUNTIME_DIR");
    const QString lock = App::InstanceLockPath(), victim = shared.path() + "/notes.txt";
    QFile::remove(lock);
    QFile v(victim);
    ASSERT_TRUE(v.open(QIODevice::WriteOnly) && v.write("private") == 7 && v.flush());
    const bool hard = plant == "AHardLinkToTheUsersLockedFile", runtimeFor = plant.find("Runtime") == 0;
    const int held = other || hard
                         ? ::open(QFile::encodeName(hard ? victim : lock).constData(), O_RDWR | O_CREAT, 0666)
                         : -1;
    if (other) EXPECT_TRUE(::fchown(held, 4321, 4321) == 0 && ::flock(held, LOCK_EX) == 0);
    if (hard)
        EXPECT_TRUE(::flock(held, LOCK_EX) == 0 &&
                    ::link(QFile::encodeName(victim).constData(), QFile::encodeName(lock).constData()) == 0);
    if (!other && !hard && !runtimeFor) QFile::link(victim + (plant == "ADanglingLink" ? ".gone" : ""), lock);
    QTemporaryDir runtime; // the user's own: 0700
    if (plant == "RuntimeFolderForTheFirstCopy") qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());

    EXPECT_TRUE(App::AcquireInstanceLock());
    if (runtimeFor)
        qputenv("XDG_RUNTIME_DIR", plant == "RuntimeFolderForTheFirstCopy" ? "" : runtime.path().toUtf8());
    EXPECT_FALSE(OtherCopy().acquired);
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(v.seek(0) && v.size() == 7);
    App::ReleaseInstanceLock();
    EXPECT_FALSE(QFileInfo(lock).exists() || QFileInfo(lock).isSymLink());
    if (held >= 0) ::close(held);
    qputenv("HOME", oldHome);
    if (!oldRuntime.isEmpty()) qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

INSTANTIATE_TEST_SUITE_P(Plants, AppLockPlanted,
                         ::testing::Values("ALinkToAnotherFile", "ADanglingLink", "AnotherUsersLockedFile",
                                           "AHardLinkToTheUsersLockedFile", "RuntimeFolderForTheFirstCopy",
                                           "RuntimeFolderForTheSecondCopy"),
                         [](const auto& info) { return std::string(info.param); });

TEST(App, PrevInstanceSeesAnotherRunningCopy)
{
    HomeGuard home;
    EXPECT_FALSE(App::PrevInstance());
    {
        OtherCopy other;
        ASSERT_TRUE(other.acquired);
        EXPECT_TRUE(App::PrevInstance());
        EXPECT_FALSE(App::AcquireInstanceLock());
        other.finish();
        // The other copy ended: its lock went with it.
        EXPECT_FALSE(App::PrevInstance());
    }
    EXPECT_TRUE(App::AcquireInstanceLock());
    EXPECT_FALSE(App::PrevInstance()); // our own lock is not another copy
    EXPECT_TRUE(App::AcquireInstanceLock());
    OtherCopy late;
    EXPECT_FALSE(late.acquired);
}

TEST(App, ACrashedCopyLeavesNoLockBehind)
{
    HomeGuard home;
    const pid_t pid = ::fork();
    if (pid == 0) {
        App::AcquireInstanceLock();
        ::kill(::getpid(), SIGKILL); // dies without any clean-up
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_FALSE(App::PrevInstance());
    EXPECT_TRUE(App::AcquireInstanceLock());
}
