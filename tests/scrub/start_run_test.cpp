// The Start button of the main window: its checks stop at the first
// problem with their message, the one-number look-up answers and writes its
// file, and every run that begins ends with the window enabled again, also
// when the DNC database cannot be reached.

#include "mainwindow/MainWindowFixture.h"

#include "core/CDataAccess.h"
#include "platform/widgets/StatusBar.h"
#include "records/CDataTypeInfo.h"

using Kind = ui::ScriptedServices::Kind;

class StartRunTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        lists = home.filePath(QStringLiteral("lists")) + QLatin1Char('/');
        QDir().mkpath(lists);
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                               "insert into phone201 values (5551234);"));
    }

    frmMain* startWith(std::int16_t type)
    {
        frmMain* form = start();
        if (!form) return nullptr;
        mwtest::ctl(form).OptPhoneType(type)->click();
        mwtest::options(form).okFile = lists + QStringLiteral("ok.txt");
        mwtest::options(form).dncFile = lists + QStringLiteral("dnc.txt");
        return form;
    }

    frmMain* startWithTextList(const QByteArray& bytes)
    {
        profileTextList(lists, bytes);
        return startWith(1);
    }

    void press(frmMain* form) { mwtest::ctl(form).cmdStart->click(); }

    static void expectEnabled(frmMain* form)
    {
        EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
        EXPECT_TRUE(mwtest::ctl(form).Frame1->isEnabled());
        EXPECT_FALSE(form->ActionRunning());
    }

    QString lists;
};

TEST_F(StartRunTest, WithoutASourceTypeStartAsksForOneFirst)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    for (const auto& [index, option] : mwtest::ctl(form).OptPhoneType) {
        option->setAutoExclusive(false);
        option->setChecked(false);
    }
    mwtest::options(form).exportOK = 1;
    mwtest::options(form).okFile.clear();
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please Select Your File Type!"), ui::vbExclamation);
    press(form);
    expectEnabled(form);
}

TEST_F(StartRunTest, ChecksStopAtTheFirstProblemInTheirOrder)
{
    frmMain* form = startWith(0);
    ASSERT_NE(form, nullptr);
    mwtest::options(form).exportOK = 1;
    mwtest::options(form).okFile.clear();
    mwtest::options(form).addAreaCode = 1;
    mwtest::options(form).defaultCode.clear();
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please Input OK File Name!"), ui::vbExclamation);
    press(form);

    mwtest::options(form).okFile = lists + QStringLiteral("ok.txt");
    scripted.expectMsgBox(ui::vbOK,
                          QStringLiteral("Please input the area code for your seven digit numbers!"),
                          ui::vbExclamation);
    press(form);

    mwtest::options(form).defaultCode = QStringLiteral("201");
    mwtest::options(form).exportDNC = 1;
    mwtest::options(form).dncFile.clear();
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Is this the area code you want to use? 201"),
                          ui::vbYesNo | ui::vbQuestion);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please Input DNC File Name!"), ui::vbExclamation);
    press(form);

    // No to the area code ends the run before anything else.
    scripted.expectMsgBox(ui::vbNo, QStringLiteral("Is this the area code you want to use?"));
    press(form);
    expectEnabled(form);
}

TEST_F(StartRunTest, OneNumberNotListedIsOkToCall)
{
    frmMain* form = startWith(0);
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).TxtPhoneData->setText(QStringLiteral("2015550000"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("OK to Call!"), ui::vbOKOnly);
    press(form);
    EXPECT_EQ(mwtest::ReadFile(lists + QStringLiteral("ok.txt")),
              QByteArray("Numbers are NOT in DNC List\r\n2015550000"));
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1), QStringLiteral("This Number is NOT in DNC List!"));
    EXPECT_TRUE(mwtest::ctl(form).sbStatusBar->PanelText(2).endsWith(QStringLiteral(" seconds")));
    expectEnabled(form);
}

TEST_F(StartRunTest, SevenTypedDigitsTakeTheDefaultAreaCodeAndTheFileKeepsWhatWasTyped)
{
    frmMain* form = startWith(0);
    ASSERT_NE(form, nullptr);
    mwtest::options(form).addAreaCode = 1;
    mwtest::options(form).defaultCode = QStringLiteral("201");
    mwtest::ctl(form).TxtPhoneData->setText(QStringLiteral("5551234"));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Is this the area code you want to use? 201"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Warning:  Do Not Call Number"), ui::vbOKOnly);
    press(form);
    EXPECT_EQ(mwtest::ReadFile(lists + QStringLiteral("dnc.txt")),
              QByteArray("Numbers are in DNC List\r\n5551234"));
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1),
              QStringLiteral("WARNING: This Number IS in DNC List!"));
}

TEST_F(StartRunTest, ATypedNumberThatIsNotTenDigitsIsRefused)
{
    frmMain* form = startWith(0);
    ASSERT_NE(form, nullptr);
    for (const char* typed : {"201-555-1234", "20155512", "201555123x"}) {
        mwtest::ctl(form).TxtPhoneData->setText(QString::fromLatin1(typed));
        scripted.expectMsgBox(ui::vbOK, QStringLiteral("Phone Numner must be 10 digits!"), ui::vbExclamation);
        press(form);
        expectEnabled(form);
    }
    EXPECT_FALSE(QFile::exists(lists + QStringLiteral("ok.txt")));
}

TEST_F(StartRunTest, AnUnreachableDncDatabaseIsReportedOnceAndTheWindowComesBack)
{
    frmMain* form = startWith(0);
    ASSERT_NE(form, nullptr);
    const QString good = gDataAccess->DefaultConnectionString();
    gDataAccess->SetDefaultConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                            home.filePath(QStringLiteral("missing.mdb")));
    mwtest::ctl(form).TxtPhoneData->setText(QStringLiteral("2015551234"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:Start"), ui::vbCritical);
    press(form);
    gDataAccess->SetDefaultConnectionString(good); // the settings are saved there at shut-down
    expectEnabled(form);
    EXPECT_FALSE(QFile::exists(lists + QStringLiteral("dnc.txt")));
}

TEST_F(StartRunTest, ATextListNeedsItsFieldsAndAConfirmation)
{
    frmMain* form = startWithTextList("Name,Phone,Status\r\nAnn,2015551234,\r\n");
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).cboPhoneDataField->setCurrentIndex(-1);
    mwtest::ctl(form).cboPhoneDataField->setEditText(QString());
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"),
                          ui::vbYesNo | ui::vbQuestion);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please select phone field name!"), ui::vbExclamation);
    press(form);
    expectEnabled(form);

    scripted.expectMsgBox(ui::vbNo, QStringLiteral("Are you sure want to start?"));
    press(form);
    EXPECT_EQ(mwtest::ReadFile(lists + QStringLiteral("calls.csv")),
              QByteArray("Name,Phone,Status\r\nAnn,2015551234,\r\n"));
}

TEST_F(StartRunTest, ANumericMarkFieldRefusesATextMark)
{
    frmMain* form = startWithTextList("Name,Phone,Status\r\nAnn,2015551234,7\r\n");
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QStringLiteral("Status"));
    mwtest::ctl(form).txtMarkChar->setText(QStringLiteral("DNC"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Mark should be digits for this mark field -Status"),
                          ui::vbExclamation);
    press(form);
    EXPECT_EQ(form->focusWidget(), mwtest::ctl(form).txtMarkChar);
}

TEST_F(StartRunTest, AListShownWithNoRecordsEndsSilently)
{
    frmMain* form = startWithTextList("Name,Phone,Status\r\n");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("0"));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"));
    press(form);
    expectEnabled(form);
}

TEST_F(StartRunTest, ATextListIsScrubbedAndABrokenStoreLeavesItAlone)
{
    const QByteArray list = "Name,Phone,Status\r\nAnn,2015551234,\r\nBo,2015550000,\r\n";
    frmMain* form = startWithTextList(list);
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).chkOptions->setChecked(true);

    // The DNC database is not a database.
    const QString broken = home.filePath(QStringLiteral("broken.mdb"));
    mwtest::WriteFile(broken, QByteArray("this is not a database file, it only has the name of one"));
    const QString good = gDataAccess->DefaultConnectionString();
    gDataAccess->SetDefaultConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                            broken);
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Error Number:"), ui::vbCritical);
    press(form);
    expectEnabled(form);
    EXPECT_EQ(mwtest::ReadFile(lists + QStringLiteral("calls.csv")), list);

    gDataAccess->SetDefaultConnectionString(good);
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("1 Not in DNC List; 1 in DNC List; 0  Null Numbers;"),
                          ui::vbInformation);
    press(form);
    expectEnabled(form);
    EXPECT_EQ(mwtest::ReadFile(lists + QStringLiteral("calls.csv")),
              QByteArray("Name,Phone,Status\r\nBo,2015550000,\r\n"));
    EXPECT_EQ(mwtest::ctl(form).lblStatus->text(), QStringLiteral("2"));
    EXPECT_EQ(mwtest::ctl(form).lblmax->text(), QStringLiteral("2"));
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1),
              QStringLiteral("1 Not in DNC List; 1(50.00%) in DNC List; 0 Null Numbers "));
}

TEST_F(StartRunTest, AResultFileOverTheListIsRefusedBeforeTheConfirmation)
{
    const QByteArray list = "Name,Phone,Status\r\nAnn,2015551234,\r\nBo,2015550000,\r\n";
    frmMain* form = startWithTextList(list);
    ASSERT_NE(form, nullptr);
    mwtest::options(form).exportOK = 1;
    mwtest::options(form).okFile = lists + QStringLiteral("../lists/calls.csv");
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("The OK file is the calling list itself!"),
                          ui::vbExclamation);
    press(form);
    expectEnabled(form);
    EXPECT_EQ(mwtest::ReadFile(lists + QStringLiteral("calls.csv")), list);

    mwtest::options(form).okFile = lists + QStringLiteral("same.txt");
    mwtest::options(form).exportDNC = 1;
    mwtest::options(form).dncFile = lists + QStringLiteral("./same.txt");
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("The OK file and the DNC file are one file!"),
                          ui::vbExclamation);
    press(form);
    EXPECT_EQ(mwtest::ReadFile(lists + QStringLiteral("calls.csv")), list);
}

class StartRunResultFolderTest : public StartRunTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StartRunResultFolderTest, OneNumberWritesItsFileIntoAResultFolderThatWasMissing)
{
    const bool listed = GetParam();
    frmMain* form = startWith(0);
    ASSERT_NE(form, nullptr);
    mwtest::options(form).okFile = home.filePath(QStringLiteral("results/oklist.txt"));
    mwtest::options(form).dncFile = home.filePath(QStringLiteral("results/dnc/dnclist.txt"));
    mwtest::ctl(form).TxtPhoneData->setText(listed ? QStringLiteral("2015551234")
                                                   : QStringLiteral("2015550000"));
    scripted.expectMsgBox(
        ui::vbOK, listed ? QStringLiteral("Warning:  Do Not Call Number") : QStringLiteral("OK to Call!"),
        ui::vbOKOnly);
    press(form);
    EXPECT_EQ(mwtest::ReadFile(listed ? mwtest::options(form).dncFile : mwtest::options(form).okFile),
              listed ? QByteArray("Numbers are in DNC List\r\n2015551234")
                     : QByteArray("Numbers are NOT in DNC List\r\n2015550000"));
    expectEnabled(form);
}

INSTANTIATE_TEST_SUITE_P(Numbers, StartRunResultFolderTest, ::testing::Bool());
