// The one writer of files that replace a user's file: what the folder shows
// while it writes, the mode and link a replaced file keeps, and what each
// failure leaves.

#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"

#include "support/FullDisk.h"

#include <QTemporaryDir>
#include <cstddef>
#include <fcntl.h>
#include <functional>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

class Replacement : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    void put(const QString& name, const QByteArray& bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    unsigned mode(const QString& name) const
    {
        struct stat st {};
        return ::stat(QFile::encodeName(path(name)).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(Replacement, TheNewContentTakesThePlaceOnlyAtCommit)
{
    put(QStringLiteral("calls.txt"), "earlier\r\n");
    fso::ReplacementFile file(path(QStringLiteral("calls.txt")));
    file.Open();
    file.Write("new\r\n");
    file.Flush();
    EXPECT_EQ(testsupport::FileBytes(path(QStringLiteral("calls.txt"))), "earlier\r\n");
    EXPECT_EQ(files(), QStringList{QStringLiteral("calls.txt")});
    file.Commit();
    EXPECT_EQ(testsupport::FileBytes(path(QStringLiteral("calls.txt"))), "new\r\n");
    EXPECT_EQ(files(), QStringList{QStringLiteral("calls.txt")});
}

TEST_F(Replacement, ADiscardedOrUncommittedFileLeavesTheEarlierOne)
{
    put(QStringLiteral("calls.txt"), "earlier\r\n");
    {
        fso::ReplacementFile file(path(QStringLiteral("calls.txt")));
        file.Open();
        file.Write(QByteArray(3 << 20, 'x')); // past the buffer: on the disk already
    }
    fso::ReplacementFile file(path(QStringLiteral("calls.txt")));
    file.Open();
    file.Write("new");
    file.Discard();
    EXPECT_THROW(file.Commit(), vb::ErrObject);
    EXPECT_EQ(testsupport::FileBytes(path(QStringLiteral("calls.txt"))), "earlier\r\n");
    EXPECT_EQ(files(), QStringList{QStringLiteral("calls.txt")});
}

struct ModeCase {
    const char* name;
    unsigned newFileMode;
    unsigned existing;           // 0: no file yet
    unsigned after;              // under umask 022
    bool noUnnamedFiles = false; // as on NFS, CIFS or FUSE
};

// Runs f on a thread of its own on which an open asking for an unnamed file
// fails as it does where the file system makes none.
void WithoutUnnamedFiles(const std::function<void()>& f)
{
    std::thread([&] {
        sock_filter code[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
            BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{sizeof code / sizeof *code, code};
        ASSERT_EQ(::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0), 0);
        ASSERT_EQ(::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program), 0);
        f();
    }).join();
}

class ReplacementMode : public Replacement, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ReplacementMode, ANewFileTakesTheAskedModeAndAnOldOneKeepsItsOwn)
{
    const ModeCase& c = GetParam();
    const QString name = QStringLiteral("x.ini");
    if (c.existing != 0) {
        put(name, "old");
        ASSERT_EQ(::chmod(QFile::encodeName(path(name)).constData(), c.existing), 0);
    }
    const mode_t mask = ::umask(022);
    const auto write = [&] {
        fso::ReplacementFile file(path(name), c.newFileMode);
        file.Open();
        // While it is written, the new content is no more readable than the file it replaces.
        for (const QString& f : files())
            if (f != name) EXPECT_EQ(mode(f) & ~c.after, 0u) << f.toStdString();
        file.Write("new");
        file.Commit();
    };
    c.noUnnamedFiles ? WithoutUnnamedFiles(write) : write();
    ::umask(mask);
    EXPECT_EQ(mode(name), c.after);
    EXPECT_EQ(testsupport::FileBytes(path(name)), "new");
}

INSTANTIATE_TEST_SUITE_P(Modes, ReplacementMode,
                         ::testing::Values(ModeCase{"NewDefault", 0666, 0, 0644},
                                           ModeCase{"NewPrivate", 0600, 0, 0600},
                                           ModeCase{"OldKeepsGroupRead", 0600, 0640, 0640},
                                           ModeCase{"OldKeepsPrivate", 0666, 0600, 0600},
                                           ModeCase{"OldKeepsExecutable", 0666, 0755, 0755},
                                           ModeCase{"PrivateWithoutUnnamedFiles", 0666, 0600, 0600, true},
                                           ModeCase{"NewWithoutUnnamedFiles", 0666, 0, 0644, true}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Replacement, ALinkStaysAndTheFileItNamesIsReplaced)
{
    QDir(dir.path()).mkdir(QStringLiteral("real"));
    put(QStringLiteral("real/calls.txt"), "earlier");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("real/calls.txt")), path(QStringLiteral("calls.txt"))));
    fso::WriteWholeFile(path(QStringLiteral("calls.txt")), "new");
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("calls.txt"))).isSymLink());
    EXPECT_EQ(testsupport::FileBytes(path(QStringLiteral("real/calls.txt"))), "new");
}

struct OpenFailure {
    const char* name;
    const char* target; // under the test's folder
    int number;
    void (*plant)(const QString& folder) = nullptr; // what lies there before
    uid_t runAs = 0; // 0: as the test runs; else as this user (when the test runs as root)
};

// Files of another user (uid 4321) the write must not go through or over.
constexpr uid_t kOther = 4321;

void Plant(const QString& path, const QByteArray& bytes, mode_t mode = 0644)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    ::chmod(QFile::encodeName(path).constData(), mode);
}

class ReplacementOpen : public Replacement, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(ReplacementOpen, FailsWithTheNumberOfItsCause)
{
    const OpenFailure& c = GetParam();
    if ((c.runAs != 0 || c.plant) && ::geteuid() != 0) GTEST_SKIP() << "plants another user's files as root";
    QDir(dir.path()).mkdir(QStringLiteral("folder"));
    if (c.plant) c.plant(dir.path());
    const QStringList before = files();
    const QByteArray planted = testsupport::FileBytes(path(QStringLiteral("notes.txt")));
    fso::ReplacementFile file(path(QString::fromUtf8(c.target)));
    if (c.runAs != 0) ASSERT_EQ(::syscall(SYS_setresuid, -1, c.runAs, -1), 0); // this thread only
    const int number = testsupport::ErrorOf([&] { file.Open(); }).Number;
    if (c.runAs != 0) ASSERT_EQ(::syscall(SYS_setresuid, -1, 0, -1), 0);
    EXPECT_EQ(number, c.number);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(testsupport::ErrorOf([&] { file.Write("x"); }).Number, vb::errnum::BadFileMode);
    EXPECT_EQ(files(), before);
    EXPECT_EQ(testsupport::FileBytes(path(QStringLiteral("notes.txt"))), planted);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ReplacementOpen,
    ::testing::Values(OpenFailure{"MissingFolder", "no/such/calls.txt", 76},
                      OpenFailure{"TargetIsAFolder", "folder", 70},
                      OpenFailure{"ReadOnlyTarget", "ok.txt", 75,
                                  [](const QString& f) { Plant(f + "/ok.txt", "earlier", 0444); }},
                      // Another user's link to the user's private notes is not followed.
                      OpenFailure{"AnotherUsersLink", "ok.txt", 70,
                                  [](const QString& f) {
                                      Plant(f + "/notes.txt", "private");
                                      ::symlink("notes.txt", QFile::encodeName(f + "/ok.txt").constData());
                                      ::lchown(QFile::encodeName(f + "/ok.txt").constData(), kOther, kOther);
                                  }},
                      // Not either when that user owns the folder: he may replace its entries, not
                      // the user's file the link leads to.
                      OpenFailure{"TheFolderOwnersLink", "ok.txt", 70,
                                  [](const QString& f) {
                                      Plant(f + "/notes.txt", "private");
                                      ::symlink("notes.txt", QFile::encodeName(f + "/ok.txt").constData());
                                      ::lchown(QFile::encodeName(f + "/ok.txt").constData(), kOther, kOther);
                                      ::chown(QFile::encodeName(f).constData(), kOther, kOther);
                                  }},
                      // Nor another user's link at a folder of the path, to a folder of the user's.
                      OpenFailure{"AnotherUsersLinkAtAFolder", "out/ok.txt", 70,
                                  [](const QString& f) {
                                      ::chmod(QFile::encodeName(f).constData(), 01777);
                                      ::symlink("folder", QFile::encodeName(f + "/out").constData());
                                      ::lchown(QFile::encodeName(f + "/out").constData(), kOther, kOther);
                                  }},
                      // In a sticky folder only a file's owner may rename over it.
                      OpenFailure{"AnotherUsersFileInAStickyFolder", "ok.txt", 70,
                                  [](const QString& f) {
                                      ::chmod(QFile::encodeName(f).constData(), 01777);
                                      Plant(f + "/ok.txt", "earlier", 0666);
                                  },
                                  kOther}),
    [](const ::testing::TestParamInfo<OpenFailure>& info) { return std::string(info.param.name); });

// After a write failed the file is dropped: the writes and the commit that
// follow cannot put any of it in place.
TEST_F(Replacement, NothingFollowsAFailedWrite)
{
    put(QStringLiteral("calls.txt"), "earlier");
    fso::ReplacementFile file(path(QStringLiteral("calls.txt")));
    file.Open();
    {
        testsupport::FileSizeLimit full(100);
        EXPECT_EQ(testsupport::ErrorOf([&] { file.Write(QByteArray(2 << 20, 'x')); }).Number, 57);
    }
    EXPECT_EQ(testsupport::ErrorOf([&] { file.Write("y"); }).Number, vb::errnum::BadFileMode);
    EXPECT_EQ(testsupport::ErrorOf([&] { file.Commit(); }).Number, vb::errnum::BadFileMode);
    EXPECT_EQ(testsupport::FileBytes(path(QStringLiteral("calls.txt"))), "earlier");
    EXPECT_EQ(files(), QStringList{QStringLiteral("calls.txt")});
}
