// A DNC import whose store lies on a file system too small for it: the
// import stops with one clear report and no last-update stamp, and the store
// opens, passes its integrity check and holds each area code's numbers from
// before the import or from after it, with no empty table and a stored
// total that claims no more than it holds.
//
// The store is put on a small tmpfs mounted in a mount namespace of a child
// process (this binary running the child test), so the mount goes with the
// child. Where mounting is refused the child limits the size of the files it
// writes instead (RLIMIT_FSIZE, SIGXFSZ ignored), set before the store is
// opened.

#include "support/DncFixture.h"

#include "support/ChildKill.h"
#include "support/FileSizeLimit.h"
#include "support/SqliteFile.h"

#include <QProcess>
#include <optional>
#include <sched.h>
#include <sys/mount.h>

namespace {

const char* const kRoomVariable = "TERVALA_FULL_DISK_ROOM";
const char* const kMountVariable = "TERVALA_FULL_DISK_MOUNT";
const int kAreaCodes[] = {201, 973, 301, 302, 303, 304, 305, 306};
constexpr int kPerAreaCode = 20000;

// The store's folder on a file system of `bytes` when this process may
// mount one (and is asked to), else a limit on the size of every file it
// writes, set once the store is in place. Says which it is.
class SmallFileSystem {
public:
    SmallFileSystem(const QString& folder, qint64 bytes, bool mount)
        : m_path(QDir(folder).absolutePath().toUtf8())
    {
        const QByteArray size = "size=" + QByteArray::number(bytes);
        QDir().mkpath(folder);
        if (mount && ::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            ::mount("tmpfs", m_path.constData(), "tmpfs", 0, size.constData()) == 0) {
            m_mounted = true;
            return;
        }
        m_bytes = bytes;
    }
    ~SmallFileSystem()
    {
        if (m_mounted) ::umount2(m_path.constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    // Called once the store is in place and before it is opened: the
    // limit holds for every write of the store from its first on.
    void limitWrites()
    {
        if (!m_mounted) m_limit.emplace(rlim_t(m_bytes));
    }
    void lift() { m_limit.reset(); }
    QString kind() const { return m_mounted ? QStringLiteral("tmpfs") : QStringLiteral("file-size limit"); }

private:
    QByteArray m_path;
    bool m_mounted = false;
    qint64 m_bytes = 0;
    std::optional<testsupport::FileSizeLimit> m_limit;
};

struct FullDiskCase {
    const char* name;
    qint64 room; // bytes the file system has besides the store
    bool mount;  // a small tmpfs when it may be mounted; else the file-size limit
};

void PrintTo(const FullDiskCase& c, std::ostream* os)
{
    *os << c.name;
}

class DncImportFullDisk : public DncTest {
protected:
    // The numbers of each area code after an uninterrupted import.
    std::map<QString, std::set<long long>> seedAndImport()
    {
        std::map<QString, std::set<long long>> after{{"phone201", {5551234, 5559999, 1000007}},
                                                     {"phone973", {1234567}}};
        QByteArray text;
        for (int a : kAreaCodes)
            for (int i = 0; i < kPerAreaCode; ++i) {
                text += QByteArray::number(a) + ',' + QByteArray::number(1000000 + i * 7) + "\r\n";
                after[QStringLiteral("phone%1").arg(a)].insert(1000000 + i * 7);
            }
        importText = writeFile(QStringLiteral("import.txt"), text);
        return after;
    }

    QString importText;
};

class DncImportFullDiskRun : public DncImportFullDisk, public ::testing::WithParamInterface<FullDiskCase> {};

} // namespace

TEST_F(DncImportFullDisk, ChildRunOnASmallFileSystem)
{
    const QString folder = testsupport::ChildFolder();
    if (folder.isEmpty()) GTEST_SKIP() << "runs only as the child of the full-disk test";
    const qint64 room = qEnvironmentVariableIntValue(kRoomVariable);
    const auto after = seedAndImport();
    sql(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "CREATE TABLE phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "INSERT INTO phone201 VALUES (5551234), (5559999), (1000007);"
                       "INSERT INTO phone973 VALUES (1234567);"
                       "UPDATE DefProperty SET PropertyValue = '4' WHERE PropertyKeys = 'lasttotal';"));
    const QString lastUpdate = setting(QStringLiteral("dnclastupdate"));

    // The store moves onto the small file system before it is opened again.
    testsupport::CloseProgramObjects();
    const qint64 storeBytes = QFileInfo(dbPath).size();
    SmallFileSystem small(dir.filePath(QStringLiteral("small")), storeBytes + room,
                          qEnvironmentVariableIntValue(kMountVariable) == 1);
    const QString smallStore = dir.filePath(QStringLiteral("small/Tervala.mdb"));
    ASSERT_TRUE(QFile::copy(dbPath, smallStore));
    dbPath = smallStore;
    cs = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath;
    small.limitWrites();
    testsupport::OpenProgramObjects(cs);
    std::printf("full disk by %s, %lld bytes of room\n", qPrintable(small.kind()),
                static_cast<long long>(room));

    // One report, and the import is no success.
    prepareImport(importText);
    scripted.expectMsgBox(ui::vbOK, QString(), ui::vbCritical);
    EXPECT_FALSE(runImport());
    EXPECT_EQ(setting(QStringLiteral("dnclastupdate")), lastUpdate);
    testsupport::CloseProgramObjects();
    small.lift();

    testsupport::Db db(dbPath);
    EXPECT_EQ(db.scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    long long held = 0;
    int importedAreaCodes = 0;
    for (const auto& [table, numbers] : after) {
        const std::set<long long> now = this->numbers(table);
        const std::set<long long> before = table == u"phone201"
                                               ? std::set<long long>{5551234, 5559999, 1000007}
                                           : table == u"phone973" ? std::set<long long>{1234567}
                                                                  : std::set<long long>{};
        EXPECT_TRUE(now == before || now == numbers) << table.toStdString() << " holds " << now.size();
        if (!tableExists(table)) continue;
        EXPECT_FALSE(now.empty()) << table.toStdString() << " is an empty table";
        held += static_cast<long long>(now.size());
        if (now == numbers) ++importedAreaCodes;
    }
    EXPECT_LE(
        db.scalar(QStringLiteral("SELECT PropertyValue FROM DefProperty WHERE PropertyKeys = 'lasttotal'"))
            .toLongLong(),
        held);
    std::printf("area codes imported before the disk was full: %d of %d\n", importedAreaCodes,
                int(std::size(kAreaCodes)));
}

TEST_P(DncImportFullDiskRun, TheImportStopsWithOneReportAndTheStoreIntact)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(testsupport::ChildFolderVariable()), dir.path());
    env.insert(QString::fromLatin1(kRoomVariable), QString::number(GetParam().room));
    env.insert(QString::fromLatin1(kMountVariable),
               GetParam().mount ? QStringLiteral("1") : QStringLiteral("0"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=DncImportFullDisk.ChildRunOnASmallFileSystem")});
    ASSERT_TRUE(child.waitForStarted());
    child.waitForFinished(-1);
    const QString said = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << said.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("[  PASSED  ] 1 test"))) << said.toStdString();
    for (const QString& line : said.split(u'\n'))
        if (line.startsWith(u"full disk by") || line.startsWith(u"area codes imported"))
            std::printf("%s\n", qPrintable(line));
}

INSTANTIATE_TEST_SUITE_P(Cases, DncImportFullDiskRun,
                         ::testing::Values(FullDiskCase{"FullAtTheFirstAreaCode", 16 * 1024, true},
                                           FullDiskCase{"FullPartWay", 1200 * 1024, true},
                                           FullDiskCase{"FullPartWayByTheFileSizeLimit", 1200 * 1024, false}),
                         [](const ::testing::TestParamInfo<FullDiskCase>& info) {
                             return std::string(info.param.name);
                         });
