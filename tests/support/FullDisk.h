#pragma once
// A disk that fills up, for the tests of everything that writes a user's
// file. Two kinds, each run on the same test body:
// - a small file system: a tmpfs of its own, mounted in a mount namespace of
//   a child process (`unshare -rm`) that runs the same test of this binary,
//   so the mount goes with the child;
// - a file-size limit on this process (RLIMIT_FSIZE, SIGXFSZ ignored): a
//   write stops short at the limit, as on a full disk.
// Small files find the faults a large one hides: a write smaller than a
// buffer only fills the buffer, and its failure shows only when the buffer
// is flushed, if anything looks then.

#include "support/FileSizeLimit.h"

#include "platform/vb/Err.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sys/statvfs.h>
#include <tuple>

namespace testsupport {

enum class FullBy { SmallFileSystem, FileSizeLimit };

inline const char* FullByName(FullBy by)
{
    return by == FullBy::SmallFileSystem ? "SmallFileSystem" : "FileSizeLimit";
}

// The folder a full-disk test writes in, and the means to fill its disk.
//
//     testsupport::FullDisk disk(by);
//     if (disk.RanInChild()) return; // the body ran (and was checked) in a child
//     ... put the earlier files in disk.Path(), then disk.Fill(room) ...
class FullDisk {
public:
    static constexpr qint64 kFileSystemBytes = 64 << 20;

    explicit FullDisk(FullBy by) : m_by(by)
    {
        const QString mounted = qEnvironmentVariable(kFolderVariable);
        if (by == FullBy::SmallFileSystem && mounted.isEmpty()) {
            runChild();
            return;
        }
        m_path = by == FullBy::SmallFileSystem ? mounted : m_dir.emplace().path();
    }
    ~FullDisk() { Lift(); }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool RanInChild() const { return m_path.isEmpty(); }
    FullBy By() const { return m_by; }
    QString Path() const { return m_path; }
    QString FilePath(const QString& name) const { return QDir(m_path).filePath(name); }

    // From now on a file can grow by at most room bytes: on the small file
    // system every file together (free space is counted in whole pages), under
    // the limit each file, one that already has `existing` bytes included.
    void Fill(qint64 room, qint64 existing = 0)
    {
        if (m_by == FullBy::FileSizeLimit) {
            m_limit.emplace(rlim_t(existing + room));
            return;
        }
        struct statvfs fs {};
        ASSERT_EQ(::statvfs(QFile::encodeName(m_path).constData(), &fs), 0);
        const qint64 page = qint64(fs.f_frsize);
        const qint64 free = qint64(fs.f_bavail) * page;
        qint64 fill = free - room / page * page;
        QFile filler(FilePath(QString::fromLatin1(kFiller)));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray chunk(1 << 20, '\0');
        while (fill > 0) {
            const qint64 n = filler.write(chunk.constData(), std::min<qint64>(fill, chunk.size()));
            if (n <= 0) break;
            fill -= n;
        }
    }
    // The disk has room again.
    void Lift()
    {
        m_limit.reset();
        if (!m_path.isEmpty()) QFile::remove(FilePath(QString::fromLatin1(kFiller)));
    }
    // The folder's files, hidden ones too, without the filler.
    QStringList Files() const
    {
        QStringList names = QDir(m_path).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        names.removeAll(QString::fromLatin1(kFiller));
        return names;
    }

private:
    static constexpr const char* kFolderVariable = "TERVALA_SMALL_FILE_SYSTEM";
    static constexpr const char* kFiller = "zz-filler";

    // Runs the current test in a child of this binary on a tmpfs of its own.
    void runChild()
    {
        QTemporaryDir mountPoint;
        ASSERT_TRUE(mountPoint.isValid());
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const QString filter =
            QString::fromLatin1(test->test_suite_name()) + u'.' + QString::fromLatin1(test->name());
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kFolderVariable), mountPoint.path());
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral("unshare"),
                    {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                     QStringLiteral("mount -t tmpfs -o size=$1 tmpfs \"$2\" && shift 2 && exec \"$@\""),
                     QStringLiteral("sh"), QString::number(kFileSystemBytes), mountPoint.path(),
                     QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=") + filter});
        ASSERT_TRUE(child.waitForStarted()) << "unshare cannot be started";
        child.waitForFinished(-1);
        const QString said = QString::fromLocal8Bit(child.readAll());
        if (!said.contains(QStringLiteral("[==========] Running")))
            GTEST_SKIP() << "no small file system can be mounted here: " << said.toStdString();
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << said.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << said.toStdString();
        EXPECT_TRUE(said.contains(QStringLiteral("[  PASSED  ] 1 test"))) << said.toStdString();
    }

    FullBy m_by;
    QString m_path;
    std::optional<QTemporaryDir> m_dir;
    std::optional<FileSizeLimit> m_limit;
};

// The whole content of a file ("" when it is missing).
inline QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One writer that replaces (or appends to) a file in a full-disk folder.
struct FullDiskWriter {
    std::function<void()> prepare;        // puts the earlier files in place (again)
    std::function<vb::ErrObject()> write; // the write meant to fail; its error, Number 0 for none
    QString target;                       // the file it writes
    bool appends = false;                 // written in place: the room counts from its size
};

// Catches what a write raises.
template <class F> vb::ErrObject ErrorOf(F&& write)
{
    try {
        write();
    } catch (const vb::ErrObject& e) {
        return e;
    }
    return vb::ErrObject();
}

// The sizes a writer is tried with: one record, forty, and a large file
// whose last 1,500 bytes find the disk full.
constexpr int kLargeRecords = 76100;
inline const int kFullDiskRecords[] = {1, 40, kLargeRecords};

// Runs the writer on the full disk and checks what a user sees afterwards:
// the write failed with error `number`, every file of the folder holds its
// earlier bytes, and nothing new lies beside them. A small file finds the
// disk full at once; a large one has room for all but its last 1,500 bytes,
// measured by one write on a disk with room that is then taken back.
inline void ExpectTheEarlierFilesStay(FullDisk& disk, const FullDiskWriter& w, bool large, int number = 57)
{
    const auto snapshot = [&] {
        QMap<QString, QByteArray> files;
        for (const QString& name : disk.Files())
            files.insert(name, FileBytes(disk.FilePath(name)));
        return files;
    };
    w.prepare();
    qint64 room = 0;
    if (large) {
        // What the write needs: every file it makes or replaces whole, and
        // what it adds to the file it appends to.
        const QMap<QString, QByteArray> before = snapshot();
        const vb::ErrObject error = w.write();
        ASSERT_EQ(error.Number, 0) << "the write fails with room on the disk: "
                                   << error.Description.toStdString();
        // On a small file system they share its room; under the limit each
        // file has it to itself, and the largest finds it short.
        qint64 written = 0;
        for (const QString& name : disk.Files()) {
            const QByteArray now = FileBytes(disk.FilePath(name));
            if (before.contains(name) && before[name] == now) continue;
            const bool appended = w.appends && disk.FilePath(name) == w.target;
            const qint64 size = now.size() - (appended ? before.value(name).size() : 0);
            written = disk.By() == FullBy::SmallFileSystem ? written + size : std::max(written, size);
        }
        for (const QString& name : disk.Files())
            if (!before.contains(name)) QFile::remove(disk.FilePath(name));
        w.prepare();
        room = written - 1500;
        ASSERT_GT(room, 0);
    }
    const QMap<QString, QByteArray> earlier = snapshot();
    disk.Fill(room, w.appends ? QFileInfo(w.target).size() : 0);
    const vb::ErrObject error = w.write();
    disk.Lift();

    EXPECT_EQ(error.Number, number) << error.Description.toStdString();
    if (number == vb::errnum::DeviceIOError) {
        EXPECT_TRUE(error.Description.contains(QStringLiteral("disk is full")) ||
                    error.Description.contains(QStringLiteral("larger than this system allows")))
            << error.Description.toStdString();
    }
    EXPECT_EQ(disk.Files(), QStringList(earlier.keys()));
    for (auto it = earlier.cbegin(); it != earlier.cend(); ++it)
        EXPECT_TRUE(FileBytes(disk.FilePath(it.key())) == it.value())
            << it.key().toStdString() << " changed: " << FileBytes(disk.FilePath(it.key())).size()
            << " bytes, " << it.value().size() << " before";
}

// The value table of the full-disk tests: how the disk is full and how many
// records the new content has.
struct FullDiskCase {
    FullBy by;
    int records;
};

inline std::vector<FullDiskCase> FullDiskCases()
{
    std::vector<FullDiskCase> cases;
    for (FullBy by : {FullBy::SmallFileSystem, FullBy::FileSizeLimit})
        for (int records : kFullDiskRecords)
            cases.push_back({by, records});
    return cases;
}

inline std::string FullDiskCaseName(const ::testing::TestParamInfo<FullDiskCase>& info)
{
    return std::string(FullByName(info.param.by)) + "_" + std::to_string(info.param.records) + "Records";
}

// The same table for each of several writers, named by a table of theirs
// (anything with a `name` member), e.g.
//     INSTANTIATE_TEST_SUITE_P(Writers, Suite, WriterCases(kWriters), WriterCaseName(kWriters));
using WriterCase = std::tuple<int, FullDiskCase>;

template <class Writer, std::size_t N> auto WriterCases(const Writer (&)[N])
{
    return ::testing::Combine(::testing::Range(0, int(N)), ::testing::ValuesIn(FullDiskCases()));
}

template <class Writer, std::size_t N> auto WriterCaseName(const Writer (&writers)[N])
{
    return [&writers](const ::testing::TestParamInfo<WriterCase>& info) {
        return std::string(writers[std::get<0>(info.param)].name) + "_" +
               FullDiskCaseName({std::get<1>(info.param), info.index});
    };
}

} // namespace testsupport
