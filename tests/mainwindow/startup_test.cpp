// Start-up: the settings file, the database check, the program-wide objects,
// the settings and profiles, and the main window it hands over to.

#include "MainWindowFixture.h"

#include "core/CDefPropertys.h"
#include "platform/fso/FileReplace.h"
#include "records/CCityStates.h"
#include "records/CDataTypeInfos.h"
#include "support/ChildKill.h"
#include "support/FullDisk.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using mwtest::applyDatabase;
using mwtest::cancelDialog;

namespace {

QString expectedCaption()
{
    return QStringLiteral("Tervala Version: %1.%2.%3")
        .arg(vb::App::Major())
        .arg(vb::App::Minor())
        .arg(vb::App::Revision());
}

} // namespace

TEST_F(MainWindowTest, WithoutSettingsFileOpensTheProgramDatabaseAndShowsTheWindow)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), expectedCaption());
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_EQ(mwtest::ctl(form).txtDatabase->text(), databasePath());
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:0"));
    EXPECT_TRUE(gConnectionString.contains(databasePath())) << gConnectionString.toStdString();
    EXPECT_EQ(gAppPath, home.path());

    // Every program-wide object is there and the default settings are seeded.
    EXPECT_TRUE(gDataAccess && gRecordset && gPhoneTables && gDefPropertys && gDataTypeInfos);
    ASSERT_TRUE(gDefPropertys);
    EXPECT_GT(gDefPropertys->Count(), 20);
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from DefProperty")).toInt(), gDefPropertys->Count());
    EXPECT_EQ(mwtest::ctl(form).txtMarkChar->text(), db.setting(QStringLiteral("defaultmark")));

    // Start-up reads the settings file and never writes it.
    EXPECT_FALSE(QFile::exists(iniPath()));
    EXPECT_TRUE(scripted.calls().empty());
}

// A ";" in the program folder's path ends no value of a connection string.
TEST_F(MainWindowTest, AProgramFolderWithASemicolonInItsPathOpensItsOwnDatabase)
{
    const QString database = home.filePath(QStringLiteral("semi;colon/Database/Tervala.mdb"));
    mwtest::MakeDatabase(database);
    qputenv("TERVALA_HOME", home.filePath(QStringLiteral("semi;colon")).toLocal8Bit());
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(mwtest::ctl(gMainForm).txtDatabase->text(), database);
}

// Under "ulimit -f" the write that reaches the limit is an error the program
// reports, not a signal that ends it with the window gone.
TEST_F(MainWindowTest, AWritePastAFileSizeLimitFailsWithError57AndTheProgramGoesOn)
{
    if (!testsupport::RunsInChild()) return;
    std::signal(SIGXFSZ, SIG_DFL); // as a shell leaves it
    ASSERT_NE(start(), nullptr);
    const QString list = home.filePath(QStringLiteral("calls.txt"));
    mwtest::WriteFile(list, "earlier\r\n");
    struct rlimit limit {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    limit.rlim_cur = 100 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const vb::ErrObject e =
        testsupport::ErrorOf([&] { fso::WriteWholeFile(list, QByteArray(2 << 20, '5')); });
    EXPECT_EQ(e.Number, 57);
    EXPECT_TRUE(e.Description.contains(QStringLiteral("larger than this system allows")))
        << e.Description.toStdString();
    EXPECT_EQ(mwtest::ReadFile(list), "earlier\r\n");
}

TEST_F(MainWindowTest, WithoutSourceProfilesThereIsNoCurrentProfile)
{
    ASSERT_NE(start(), nullptr);
    ASSERT_TRUE(gDataTypeInfos);
    EXPECT_EQ(gDataTypeInfos->Count(), 0);
    EXPECT_EQ(gCurDataTypeInfo, nullptr);
}

TEST_F(MainWindowTest, TheFirstStoredSourceProfileBecomesCurrent)
{
    {
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral(
            "insert into DataTypeInfo (DataType, DataDBName) values ('EXCEL', '/lists/a.xlsx'),"
            "('TEXT FILE', '/lists/')"));
    }
    ASSERT_NE(start(), nullptr);
    ASSERT_NE(gCurDataTypeInfo, nullptr);
    EXPECT_EQ(gCurDataTypeInfo->DataType(), QStringLiteral("EXCEL"));
    EXPECT_EQ(gDataTypeInfos->Count(), 2);
}

TEST_F(MainWindowTest, TheAreaCodeListExistsEmptyWhileTheProgramRunsAndGoesAtShutDown)
{
    {
        mwtest::Db db(databasePath());
        db.exec(
            QStringLiteral("insert into CityState (AreaCode, City, State) values ('201', 'Newark', 'NJ')"));
    }
    ASSERT_NE(start(), nullptr);
    ASSERT_TRUE(gCityStates);
    EXPECT_EQ(gCityStates->Count(), 0) << "nothing loads the list";
    gMainForm->close();
    EXPECT_FALSE(gCityStates);
    EXPECT_FALSE(gDefPropertys);
}

TEST_F(MainWindowTest, AnEmptyProfileAsksForTheDatabaseBeforeAnyDatabaseAccess)
{
    writeProfile(QString()); // no database named: no connection string
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Database is needed to set before to make any actions!"),
                          ui::vbInformation);
    scripted.expectModal(applyDatabase(databasePath()), QStringLiteral("frmMakeConnection"));

    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(gConnectionString.contains(databasePath())) << gConnectionString.toStdString();
    // The profile chosen in the dialog is written back to the settings file.
    EXPECT_TRUE(mwtest::ReadFile(iniPath()).contains("ODBCDatabase=" + databasePath().toUtf8()));
}

TEST_F(MainWindowTest, AMissingDatabaseEndsTheProgramWithoutCreatingOne)
{
    const QString missing = home.filePath(QStringLiteral("nowhere/DNC.mdb"));
    writeProfile(missing);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:DataComponentsInstalled"), ui::vbCritical);
    scripted.expectModal(cancelDialog(), QStringLiteral("frmMakeConnection"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:DataComponentsInstalled"), ui::vbCritical);

    EXPECT_EQ(start(), nullptr);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(gOption, nullptr);
    EXPECT_EQ(gDataAccess, nullptr);
    EXPECT_EQ(gDefPropertys, nullptr);
    EXPECT_EQ(gDataTypeInfos, nullptr);
    EXPECT_EQ(gPhoneTables, nullptr);
}

TEST_F(MainWindowTest, AFileThatIsNoDatabaseCannotBeOpenedAndStaysAsItWas)
{
    const QString notADatabase = home.filePath(QStringLiteral("notes.mdb"));
    mwtest::WriteFile(notADatabase, "just some text, not a database\n");
    writeProfile(notADatabase);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Error Number:"), ui::vbCritical);
    scripted.expectModal(cancelDialog(), QStringLiteral("frmMakeConnection"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Error Number:"), ui::vbCritical);

    EXPECT_EQ(start(), nullptr);
    EXPECT_EQ(mwtest::ReadFile(notADatabase), QByteArray("just some text, not a database\n"));
}

TEST_F(MainWindowTest, AnUnopenableDatabaseCanBeReplacedInTheConnectionDialog)
{
    writeProfile(home.filePath(QStringLiteral("gone.mdb")));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Error Number:"), ui::vbCritical);
    scripted.expectModal(applyDatabase(databasePath()), QStringLiteral("frmMakeConnection"));

    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(mwtest::ctl(form).txtDatabase->text(), databasePath());
    EXPECT_TRUE(mwtest::ReadFile(iniPath()).contains("ODBCDatabase=" + databasePath().toUtf8()));
}

TEST_F(MainWindowTest, ASecondCopyIsRefusedBeforeAnythingIsCreated)
{
    // Another running copy of the program in this folder holds the lock.
    const QByteArray lockPath = QFile::encodeName(vb::App::InstanceLockPath());
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);

    scripted.expectMsgBox(
        ui::vbOK,
        QStringLiteral("Cannot run more than one instance of this application. Please use the "
                       "currently running one."),
        ui::vbOKOnly);
    EXPECT_EQ(start(), nullptr);
    EXPECT_EQ(gOption, nullptr);
    EXPECT_EQ(gDataAccess, nullptr);
    EXPECT_FALSE(QFile::exists(iniPath()));
    // The running copy keeps its lock.
    EXPECT_TRUE(vb::App::PrevInstance());
    ::close(fd);
}

TEST_F(MainWindowTest, TheOptionsPanelComesBeforeTheWindowWhenNoConnectionIsSet)
{
    // The window is handed an option object without a database.
    gOption = std::make_shared<COption>();
    gOption->Clear();
    gMainForm = new frmMain();
    bool windowShownMeanwhile = true;
    scripted.expectModal(
        [&](QDialog* dialog) {
            windowShownMeanwhile = gMainForm->isVisible();
            EXPECT_EQ(dialog->parentWidget(), nullptr);
            return 0;
        },
        QStringLiteral("frmOptions"));
    // With no database the DNC table list cannot be read; that is reported.
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:LoadTables"), ui::vbCritical);
    gMainForm->LoadPara();
    EXPECT_FALSE(windowShownMeanwhile);
    EXPECT_TRUE(gMainForm->isVisible());
    EXPECT_TRUE(gConnectionString.isEmpty());
}

TEST_F(MainWindowTest, ADatabaseWithDamagedSettingsIsReportedOnceAndAnotherIsAskedFor)
{
    // The settings table's pages are overwritten: the file opens, its
    // settings cannot be read.
    const QString damaged = home.filePath(QStringLiteral("damaged_settings.mdb"));
    mwtest::MakeDatabase(damaged);
    int page = 0;
    {
        mwtest::Db db(damaged);
        db.exec(
            QStringLiteral("insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) "
                           "values ('lasttotal', 'Total DNC in the list', '42', 0)"));
        page = db.scalar(QStringLiteral("select rootpage from sqlite_master where name = 'DefProperty'"))
                   .toInt();
    }
    ASSERT_GT(page, 1);
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(qint64(page - 1) * 4096);
        f.write(QByteArray(4096, '\x5a'));
    }
    writeProfile(damaged);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("malformed"), ui::vbCritical);
    scripted.expectModal(applyDatabase(databasePath()), QStringLiteral("frmMakeConnection"));

    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(mwtest::ctl(form).txtDatabase->text(), databasePath());
    EXPECT_EQ(scripted.callsOf(ui::ScriptedServices::Kind::MsgBox).size(), 1u);
}
