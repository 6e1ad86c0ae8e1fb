// "Setting" in the DNC-database frame: choosing another database for the
// program, or keeping the one in use.

#include "MainWindowFixture.h"

#include "core/CDefPropertys.h"
#include "records/CDataTypeInfo.h"
#include "support/FullDisk.h"

#include <QProcess>
#include <functional>
#include <optional>

using mwtest::applyDatabase;
using mwtest::cancelDialog;

TEST_F(MainWindowTest, SettingClosedWithoutAChangeKeepsTheDatabase)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    const QString before = gConnectionString;
    scripted.expectModal(cancelDialog(), QStringLiteral("frmMakeConnection"));
    mwtest::ctl(form).cmdBrowser->click();
    EXPECT_EQ(gConnectionString, before);
    EXPECT_EQ(mwtest::ctl(form).txtDatabase->text(), databasePath());
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(MainWindowTest, SettingSwitchesToAnotherDatabaseWithItsOwnSettings)
{
    const QString other = home.filePath(QStringLiteral("other/DNC.mdb"));
    mwtest::MakeDatabase(other);
    {
        mwtest::Db db(other);
        db.exec(
            QStringLiteral("insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) "
                           "values ('lasttotal', 'Total DNC in the list', '42', 0),"
                           "('defaultmark', 'Deafult Mark String', 'OTHER', 3)"));
        db.exec(QStringLiteral(
            "insert into DataTypeInfo (DataType, DataDBName) values ('EXCEL', '/lists/b.xlsx')"));
        db.exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY)"));
    }
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    gDefPropertys->Item(QStringLiteral("formatchar"))->SetPropertyValue(QStringLiteral("@"));

    scripted.expectModal(applyDatabase(other), QStringLiteral("frmMakeConnection"));
    mwtest::ctl(form).cmdBrowser->click();

    // What was changed in memory went to the database it came from.
    {
        mwtest::Db first(databasePath());
        EXPECT_EQ(first.setting(QStringLiteral("formatchar")), QStringLiteral("@"));
    }
    EXPECT_TRUE(gConnectionString.contains(other));
    EXPECT_TRUE(gDataAccess->DefaultConnectionString().contains(other));
    EXPECT_TRUE(mwtest::ReadFile(iniPath()).contains("ODBCDatabase=" + other.toUtf8()));
    EXPECT_EQ(mwtest::ctl(form).txtDatabase->text(), other);
    // The window now shows the new database's settings, tables and profiles.
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:42"));
    EXPECT_EQ(mwtest::ctl(form).txtMarkChar->text(), QStringLiteral("OTHER"));
    ASSERT_TRUE(gPhoneTables);
    EXPECT_NE(gPhoneTables->Item(QStringLiteral("phone201")), nullptr);
    ASSERT_NE(gCurDataTypeInfo, nullptr);
    EXPECT_EQ(gCurDataTypeInfo->DataType(), QStringLiteral("EXCEL"));
    EXPECT_NE(gDefPropertys->Item(QStringLiteral("formatchar"))->PropertyValue(), QStringLiteral("@"));

    // Shut-down writes into the new database.
    gDefPropertys->Item(QStringLiteral("okfile"))->SetPropertyValue(QStringLiteral("/lists/ok-other.txt"));
    form->close();
    mwtest::Db db(other);
    EXPECT_EQ(db.setting(QStringLiteral("okfile")), QStringLiteral("/lists/ok-other.txt"));
}

TEST_F(MainWindowTest, OptionsDatabaseSwitchesLikeTheSettingButton)
{
    const QString other = home.filePath(QStringLiteral("other/DNC.mdb"));
    mwtest::MakeDatabase(other);
    {
        mwtest::Db db(other);
        db.exec(
            QStringLiteral("insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) "
                           "values ('lasttotal', 'Total DNC in the list', '42', 0),"
                           "('defaultmark', 'Deafult Mark String', 'OTHER', 3)"));
        db.exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY)"));
    }
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    gDefPropertys->Item(QStringLiteral("formatchar"))->SetPropertyValue(QStringLiteral("@"));

    scripted.expectModal(mwtest::pressOnOptions(0), QStringLiteral("frmOptions"));
    scripted.expectModal(applyDatabase(other), QStringLiteral("frmMakeConnection"));
    toolbarButton(form, QStringLiteral("Options"))->trigger();

    {
        mwtest::Db first(databasePath());
        EXPECT_EQ(first.setting(QStringLiteral("formatchar")), QStringLiteral("@"));
    }
    EXPECT_TRUE(gConnectionString.contains(other));
    EXPECT_EQ(mwtest::ctl(form).txtDatabase->text(), other);
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:42"));
    EXPECT_EQ(mwtest::ctl(form).txtMarkChar->text(), QStringLiteral("OTHER"));
    ASSERT_TRUE(gPhoneTables);
    EXPECT_NE(gPhoneTables->Item(QStringLiteral("phone201")), nullptr);
}

namespace {

// A database the program cannot use, chosen through "Setting".
struct UnusableTarget {
    const char* name;
    const char* says;  // in the one critical box that tells why
    bool onItsOwnDisk; // needs a file system of its own (read-only or full)
    // Puts the target in place under folder; returns its path.
    std::function<QString(testsupport::FullDisk* disk, const QString& folder)> make;
};

void PrintTo(const UnusableTarget& t, std::ostream* os)
{
    *os << t.name;
}

// Makes the file or folder read-only for everyone, the owner and root too.
void MountReadOnly(const QString& path)
{
    ASSERT_EQ(QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), QStringLiteral("-o"),
                                                          QStringLiteral("ro"), path, path}),
              0);
}

QString ProgramDatabase(const QString& path)
{
    mwtest::MakeDatabase(path);
    return path;
}

const UnusableTarget kUnusable[] = {
    {"ACustomersDatabase", "cannot find the input table or query 'DefProperty'", false,
     [](testsupport::FullDisk*, const QString& folder) {
         const QString path = folder + QStringLiteral("/customers.db");
         mwtest::Db db(path);
         db.exec(QStringLiteral("create table Customers (Name text, Phone text);"
                                "insert into Customers values ('Ann', '2015550000')"));
         return path;
     }},
    {"ACustomersDatabaseWithASettingsTableOfItsOwn", "customers.db' is not a database of this program.",
     false,
     [](testsupport::FullDisk*, const QString& folder) {
         const QString path = folder + QStringLiteral("/customers.db");
         mwtest::Db db(path);
         db.exec(QStringLiteral("create table DefProperty (Name text, Value text)"));
         return path;
     }},
    {"AnEmptyFile", "Unrecognized database format", false,
     [](testsupport::FullDisk*, const QString& folder) {
         return mwtest::WriteFile(folder + QStringLiteral("/empty.mdb"), QByteArray());
     }},
    {"ARenamedTextFile", "Unrecognized database format", false,
     [](testsupport::FullDisk*, const QString& folder) {
         return mwtest::WriteFile(folder + QStringLiteral("/calls.mdb"), "Phone\r\n2015550000\r\n");
     }},
    {"AMissingPath", "Could not find file", false,
     [](testsupport::FullDisk*, const QString& folder) { return folder + QStringLiteral("/none/DNC.mdb"); }},
    {"AReadOnlyFile", "read-only", true,
     [](testsupport::FullDisk* disk, const QString&) {
         const QString path = ProgramDatabase(disk->FilePath(QStringLiteral("DNC.mdb")));
         MountReadOnly(path);
         return path;
     }},
    {"AFileInAReadOnlyFolder", "read-only", true,
     [](testsupport::FullDisk* disk, const QString&) {
         const QString path = ProgramDatabase(disk->FilePath(QStringLiteral("shared/DNC.mdb")));
         MountReadOnly(disk->FilePath(QStringLiteral("shared")));
         return path;
     }},
    {"AFileOnAFullFileSystem", "DNC.mdb': the disk is full.", true,
     [](testsupport::FullDisk* disk, const QString&) {
         const QString path = ProgramDatabase(disk->FilePath(QStringLiteral("DNC.mdb")));
         disk->Fill(0);
         return path;
     }},
};

class SettingUnusable : public MainWindowTest, public ::testing::WithParamInterface<UnusableTarget> {};

} // namespace

// A database start-up would refuse is no database to switch to: the one
// critical box says why, the database in use stays with the settings in
// memory, "Tervala.ini" is not written, the chosen file is not changed, and
// the next start opens the database that was in use.
TEST_P(SettingUnusable, LeavesTheDatabaseInUseAndTheNextStartOpensIt)
{
    const UnusableTarget& target = GetParam();
    std::optional<testsupport::FullDisk> disk;
    if (target.onItsOwnDisk) {
        disk.emplace(testsupport::FullBy::SmallFileSystem);
        if (disk->RanInChild()) return;
    }
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    gDefPropertys->Item(QStringLiteral("defaultmark"))->SetPropertyValue(QStringLiteral("KEPT"));
    const QString before = gConnectionString;
    const QString other = target.make(disk ? &*disk : nullptr, home.path());
    const QByteArray otherBytes = mwtest::ReadFile(other);
    const QString total = mwtest::ctl(form).lblTotalRec->text();

    scripted.expectModal(applyDatabase(other), QStringLiteral("frmMakeConnection"));
    scripted.expectMsgBox(ui::vbOK, QLatin1String(target.says), ui::vbCritical);
    mwtest::ctl(form).cmdBrowser->click();
    if (disk) disk->Lift();

    EXPECT_EQ(gConnectionString, before);
    EXPECT_EQ(gDataAccess->DefaultConnectionString(), before);
    EXPECT_EQ(gOption->ConnectionString(), before);
    EXPECT_EQ(mwtest::ctl(form).txtDatabase->text(), databasePath());
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), total);
    EXPECT_EQ(gDefPropertys->ValueOf(QStringLiteral("defaultmark")), QStringLiteral("KEPT"));
    EXPECT_FALSE(QFile::exists(iniPath()));
    EXPECT_EQ(mwtest::ReadFile(other), otherBytes);

    // Shut-down saves into the database in use, and the next start opens it.
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    vb::App::ReleaseInstanceLock();
    form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(gConnectionString, before);
    EXPECT_EQ(gDefPropertys->ValueOf(QStringLiteral("defaultmark")), QStringLiteral("KEPT"));
}

INSTANTIATE_TEST_SUITE_P(Setting, SettingUnusable, ::testing::ValuesIn(kUnusable),
                         [](const auto& info) { return std::string(info.param.name); });
