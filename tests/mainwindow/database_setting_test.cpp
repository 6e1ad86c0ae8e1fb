// "Setting" in the DNC-database frame: choosing another database for the
// program, or keeping the one in use.

#include "MainWindowFixture.h"

#include "core/CDefPropertys.h"
#include "dialogs/frmOptions.h"
#include "records/CDataTypeInfo.h"

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

TEST_F(MainWindowTest, SettingKeepsTheDatabaseInUseWhenTheChosenOneDoesNotOpen)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    const QString before = gConnectionString;
    const QString missing = home.filePath(QStringLiteral("missing.mdb"));
    scripted.expectModal(applyDatabase(missing), QStringLiteral("frmMakeConnection"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:DataComponentsInstalled"), ui::vbCritical);
    mwtest::ctl(form).cmdBrowser->click();

    EXPECT_EQ(gConnectionString, before);
    EXPECT_EQ(gDataAccess->DefaultConnectionString(), before);
    EXPECT_EQ(gOption->ConnectionString(), before);
    EXPECT_EQ(mwtest::ctl(form).txtDatabase->text(), databasePath());
    EXPECT_FALSE(QFile::exists(iniPath()));
    EXPECT_FALSE(QFile::exists(missing));
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

    scripted.expectModal(
        [](QDialog* dialog) {
            auto* options = qobject_cast<frmOptions*>(dialog);
            if (!options) {
                ADD_FAILURE() << "not the options panel";
                return 0;
            }
            options->AdminCP.at(0)->click();
            return 0;
        },
        QStringLiteral("frmOptions"));
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
