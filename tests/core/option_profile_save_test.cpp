// Saving the connection profile to "Tervala.ini": the file holds the
// password, so a new one is its owner's alone and one that exists keeps its
// mode; the seven keys are one write, so a kill leaves one whole profile; a
// value the file cannot keep and a full disk are reported, and the file stays
// as it was.

#include "core/COption.h"
#include "core/Globals.h"

#include "support/ChildKill.h"
#include "support/FullDisk.h"
#include "support/ScriptedUi.h"

#include <QRandomGenerator>
#include <sys/stat.h>

namespace {

struct Profile {
    const char* provider;
    const char* dsn;
    const char* user;
    const char* pwd;
    const char* driver;
    const char* server;
    const char* database;
};

// Two profiles with no value in common.
const Profile kFirst{"MSDASQL", "Calls", "ann", "first secret", "PostgreSQL", "db1", "calls"};
const Profile kSecond{"SQLOLEDB", "(None)", "bob", "second secret", "FreeTDS", "db2", "dnc"};

void Set(COption& option, const Profile& p)
{
    option.SetODBCProvider(QString::fromUtf8(p.provider));
    option.SetODBCDSN(QString::fromUtf8(p.dsn));
    option.SetODBCUserID(QString::fromUtf8(p.user));
    option.SetODBCPWD(QString::fromUtf8(p.pwd));
    option.SetODBCDriver(QString::fromUtf8(p.driver));
    option.SetODBCServer(QString::fromUtf8(p.server));
    option.SetODBCDatabase(QString::fromUtf8(p.database));
}

bool Holds(const COption& option, const Profile& p)
{
    return option.ODBCProvider() == QString::fromUtf8(p.provider) &&
           option.ODBCDSN() == QString::fromUtf8(p.dsn) && option.ODBCUserID() == QString::fromUtf8(p.user) &&
           option.ODBCPWD() == QString::fromUtf8(p.pwd) &&
           option.ODBCDriver() == QString::fromUtf8(p.driver) &&
           option.ODBCServer() == QString::fromUtf8(p.server) &&
           option.ODBCDatabase() == QString::fromUtf8(p.database);
}

// The program folder of the test: TERVALA_HOME, put back afterwards.
class OptionSave : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        m_oldHome = qgetenv("TERVALA_HOME");
        m_oldAppPath = gAppPath;
        useHome(dir.path());
    }
    void TearDown() override
    {
        qputenv("TERVALA_HOME", m_oldHome);
        gAppPath = m_oldAppPath;
        ScriptedUiTest::TearDown();
    }
    void useHome(const QString& home)
    {
        m_home = home;
        qputenv("TERVALA_HOME", home.toLocal8Bit());
    }
    QString iniPath() const { return m_home + QStringLiteral("/Tervala.ini"); }
    unsigned mode() const
    {
        struct stat st {};
        return ::stat(QFile::encodeName(iniPath()).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    // Saves the profile p as the options dialog does.
    bool save(const Profile& p)
    {
        COption option;
        Set(option, p);
        return option.SaveODBC(QStringLiteral("ODBC"));
    }

    QTemporaryDir dir;

private:
    QByteArray m_oldHome;
    QString m_oldAppPath;
    QString m_home;
};

struct ModeCase {
    const char* name;
    unsigned before; // 0: no settings file yet
    unsigned after;
};

class OptionSaveMode : public OptionSave, public ::testing::WithParamInterface<ModeCase> {};

} // namespace

TEST_P(OptionSaveMode, TheSettingsFileIsTheOwnersAloneUnlessItsOwnerSaidOtherwise)
{
    if (GetParam().before != 0) {
        ASSERT_TRUE(save(kFirst));
        ASSERT_EQ(::chmod(QFile::encodeName(iniPath()).constData(), GetParam().before), 0);
    }
    const mode_t mask = ::umask(022);
    EXPECT_TRUE(save(kSecond));
    ::umask(mask);
    EXPECT_EQ(mode(), GetParam().after);
    COption read;
    read.ReadProperty();
    EXPECT_TRUE(Holds(read, kSecond));
}

INSTANTIATE_TEST_SUITE_P(Modes, OptionSaveMode,
                         ::testing::Values(ModeCase{"NewFile", 0, 0600}, ModeCase{"Kept0644", 0644, 0644},
                                           ModeCase{"Kept0640", 0640, 0640}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) {
                             return std::string(info.param.name);
                         });

namespace {

struct BadValueCase {
    const char* name;
    QString password;
};

class OptionSaveBadValue : public OptionSave, public ::testing::WithParamInterface<BadValueCase> {};

} // namespace

// A password holding a line break would write a key of its own into the
// file; one holding a NUL would be cut there on reading.
TEST_P(OptionSaveBadValue, IsReportedAndTheFileStays)
{
    ASSERT_TRUE(save(kFirst));
    const QByteArray before = testsupport::FileBytes(iniPath());
    COption option;
    Set(option, kSecond);
    option.SetODBCPWD(GetParam().password);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("ODBCPWD"), ui::vbCritical | ui::vbOKOnly);
    EXPECT_FALSE(option.SaveODBC(QStringLiteral("ODBC")));
    EXPECT_EQ(testsupport::FileBytes(iniPath()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, OptionSaveBadValue,
    ::testing::Values(BadValueCase{"LineFeed", QStringLiteral("pw\nODBCServer=elsewhere")},
                      BadValueCase{"CarriageReturnLineFeed", QStringLiteral("pw\r\n[ODBC]")},
                      BadValueCase{"Nul", QStringLiteral("pw") + QChar(0) + QStringLiteral("rest")}),
    [](const ::testing::TestParamInfo<BadValueCase>& info) { return std::string(info.param.name); });

namespace {

class OptionSaveFullDisk : public OptionSave,
                           public ::testing::WithParamInterface<testsupport::FullDiskCase> {};

} // namespace

// The settings file beside the profile holds other sections of `records` keys.
TEST_P(OptionSaveFullDisk, IsReportedAndTheFileStays)
{
    testsupport::FullDisk disk(GetParam().by);
    if (disk.RanInChild()) return;
    useHome(disk.Path());
    const int records = GetParam().records;
    const auto prepare = [&] {
        QFile::remove(iniPath());
        ASSERT_TRUE(save(kFirst));
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::Append));
        QByteArray more = "\n[Recent]\n";
        for (int i = 0; i < records; ++i)
            more +=
                "File" + QByteArray::number(i) + "=/home/ann/lists/calls" + QByteArray::number(i) + ".csv\n";
        f.write(more);
    };
    bool failed = false;
    const auto write = [&] {
        scripted.takeUnexpectedCalls();
        const bool saved = save(kSecond);
        const QStringList reports = scripted.takeUnexpectedCalls();
        failed = !saved;
        if (saved) return vb::ErrObject();
        EXPECT_EQ(reports.size(), 1) << reports.join(u'\n').toStdString();
        const QString report = reports.value(0);
        EXPECT_TRUE(report.contains(QStringLiteral("disk is full")) ||
                    report.contains(QStringLiteral("larger than this system allows")))
            << report.toStdString();
        return vb::ErrObject(-1, report);
    };
    testsupport::ExpectTheEarlierFilesStay(disk, {prepare, write, iniPath()},
                                           records == testsupport::kLargeRecords, -1);
    EXPECT_TRUE(failed);
    COption read;
    read.ReadProperty();
    EXPECT_TRUE(Holds(read, kFirst));
}

INSTANTIATE_TEST_SUITE_P(FullDisk, OptionSaveFullDisk, ::testing::ValuesIn(testsupport::FullDiskCases()),
                         testsupport::FullDiskCaseName);

// The child of the kill test: saves the two profiles in turn until killed.
TEST_F(OptionSave, ChildSavesTwoProfilesInTurn)
{
    const QString folder = testsupport::ChildFolder();
    if (folder.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    useHome(folder);
    testsupport::ChildStarted(folder);
    for (int i = 0; i < 100000; ++i)
        ASSERT_TRUE(save(i % 2 == 0 ? kSecond : kFirst));
}

// A kill at any moment of a save leaves the settings file with the keys of
// one save: the earlier profile or the new one, never some of each.
TEST_F(OptionSave, AKillLeavesOneWholeProfile)
{
    constexpr int kKills = 24;
    QRandomGenerator random(20070302);
    int held = 0;
    int mixed = 0;
    int strays = 0;
    for (int k = 0; k < kKills; ++k) {
        QFile::remove(iniPath());
        ASSERT_TRUE(save(kFirst));
        testsupport::RunChildAndKill(QStringLiteral("OptionSave.ChildSavesTwoProfilesInTurn"), dir.path(),
                                     random.bounded(40));
        COption read;
        read.ReadProperty();
        const bool whole = Holds(read, kFirst) || Holds(read, kSecond);
        EXPECT_TRUE(whole) << "kill " << k << ":\n" << testsupport::FileBytes(iniPath()).toStdString();
        (whole ? held : mixed) += 1;
        // A kill in the moment between naming the new file and its rename
        // leaves it beside the old one: counted, and trips nothing.
        QStringList left =
            QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("Tervala"));
        left.removeAll(QStringLiteral("Tervala.ini"));
        strays += left.isEmpty() ? 0 : 1;
        for (const QString& name : left)
            QFile::remove(dir.filePath(name));
    }
    RecordProperty("KillsTried", kKills);
    RecordProperty("KillsHeld", held);
    std::printf("connection profile kills: %d tried, %d held, %d mixed, %d left a file beside it\n", kKills,
                held, mixed, strays);
}

// A settings file that is a link to the DNC database is not written through.
TEST_F(OptionSave, ASettingsFileThatIsTheDatabaseIsRefusedAndTheDatabaseKept)
{
    const QString db = dir.filePath(QStringLiteral("store.mdb"));
    QFile file(db);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("database bytes") == 14);
    file.close();
    ASSERT_TRUE(QFile::link(db, iniPath()));
    const QString saved = gConnectionString;
    gConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db;
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("is the DNC database '") + db + QStringLiteral("'!"),
                          ui::vbCritical);
    EXPECT_FALSE(save(kFirst));
    gConnectionString = saved;
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("database bytes"));
}
