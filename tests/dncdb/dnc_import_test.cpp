// The DNC list import from the main window: what ends up in the area-code
// tables, the settings and the window after an import text is imported.

#include "support/DncFixture.h"
#include "support/SheetLoadWatch.h"
#include "support/SqliteFile.h"

#include "platform/ado/SqliteProvider.h"
#include "platform/vb/Conversion.h"

namespace {

const QByteArray kTwoField = "201,5551234\r\n"
                             "201,0000042\r\n"
                             "973,5551234\r\n"
                             "201,5551234\r\n" // a repeat inside the file
                             "973,7777777\r\n";
const QByteArray kOneField = "2015551234\r\n"
                             "2010000042\r\n"
                             "9735551234\r\n"
                             "2015551234\r\n"
                             "9737777777\r\n";

const std::set<long long> k201{42, 5551234};
const std::set<long long> k973{5551234, 7777777};

} // namespace

using DncImport = DncTest;

TEST_F(DncImport, ATwoFieldTextIsImportedByAreaCode)
{
    prepareImport(writeFile(QStringLiteral("dnc.txt"), kTwoField));
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), k201);
    EXPECT_EQ(numbers(QStringLiteral("phone973")), k973);
    EXPECT_TRUE(gPhoneTables->Item(QStringLiteral("phone201")));
    EXPECT_TRUE(gPhoneTables->Item(QStringLiteral("phone973")));
    EXPECT_EQ(rowCount(QStringLiteral("MyTempTable")), 0);
    EXPECT_FALSE(tableExists(QStringLiteral("MyLinkedTable")));
    EXPECT_EQ(form->Runs().LastImport().stats.areaCodesImported, 2);
}

TEST_F(DncImport, AOneFieldTextImportsTheSameNumbers)
{
    prepareImport(writeFile(QStringLiteral("ten.txt"), kOneField));
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), k201);
    EXPECT_EQ(numbers(QStringLiteral("phone973")), k973);
}

TEST_F(DncImport, AHeaderLineIsNotImported)
{
    prepareImport(writeFile(QStringLiteral("hdr.txt"), "AreaCode,Phone\r\n" + kTwoField), true);
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), k201);
    EXPECT_EQ(numbers(QStringLiteral("phone973")), k973);
}

TEST_F(DncImport, ASecondImportAddsNothingAndKeepsTheTotal)
{
    prepareImport(writeFile(QStringLiteral("dnc.txt"), kTwoField));
    ASSERT_TRUE(runImport());
    EXPECT_EQ(setting(QStringLiteral("lasttotal")), QStringLiteral("4"));
    ASSERT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), k201);
    EXPECT_EQ(numbers(QStringLiteral("phone973")), k973);
    EXPECT_EQ(setting(QStringLiteral("lasttotal")), QStringLiteral("4"));
}

TEST_F(DncImport, OnlyNewNumbersAreAddedToAnExistingTable)
{
    sql(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "INSERT INTO phone201 VALUES (42),(1111111);"));
    prepareImport(writeFile(QStringLiteral("dnc.txt"), kTwoField));
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), (std::set<long long>{42, 1111111, 5551234}));
}

TEST_F(DncImport, KeptAreaCodesLimitWhatIsImported)
{
    setSetting(QStringLiteral("keptareacode"), QStringLiteral("201,908"));
    prepareImport(writeFile(QStringLiteral("dnc.txt"), kTwoField + "908,1234567\r\n"));
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), k201);
    EXPECT_EQ(numbers(QStringLiteral("phone908")), (std::set<long long>{1234567}));
    EXPECT_FALSE(tableExists(QStringLiteral("phone973")));
    EXPECT_EQ(form->Runs().LastImport().stats.areaCodesSkipped, 1);
}

TEST_F(DncImport, ValuesThatAreNoThreeDigitAreaCodeAreSkipped)
{
    prepareImport(writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n"
                                                       "20,5551234\r\n"
                                                       "2a1,5551234\r\n"
                                                       "1e3,5551234\r\n"
                                                       "1.5,5551234\r\n"
                                                       "2011,5551234\r\n"
                                                       ",5551234\r\n"));
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), (std::set<long long>{5551234}));
    LoadTables();
    EXPECT_EQ(gPhoneTables->Count(), 1);
}

TEST_F(DncImport, LinesWithoutALocalNumberAreSkippedAndCounted)
{
    prepareImport(writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n"
                                                       "201,55x1234\r\n"
                                                       "201,\r\n"
                                                       "201,12345678\r\n"
                                                       "201,1.5\r\n"
                                                       "201,-5\r\n"
                                                       "201,7\r\n"
                                                       "973,7777777\r\n"));
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), (std::set<long long>{7, 5551234}));
    EXPECT_EQ(numbers(QStringLiteral("phone973")), (std::set<long long>{7777777}));
    EXPECT_EQ(form->Runs().LastImport().stats.linesSkipped, 5);
}

TEST_F(DncImport, TheLastUpdateAndTotalAreSavedAndShown)
{
    clock.setNow(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    prepareImport(writeFile(QStringLiteral("dnc.txt"), kTwoField));
    EXPECT_TRUE(runImport());
    // stamped when the import ends: after the 3 seconds' wait of each of the two area codes
    EXPECT_EQ(setting(QStringLiteral("dnclastupdate")), QStringLiteral("3/5/2024 2:07:15 PM"));
    EXPECT_EQ(mwtest::ctl(form).txtLastUpdate->text(), QStringLiteral("3/5/2024 2:07:15 PM"));
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:4"));

    // saved at once: a fresh load of the settings sees them
    CDefPropertys fresh;
    fresh.LoadRelated();
    EXPECT_EQ(fresh.Item(QStringLiteral("lasttotal"))->PropertyValue(), QStringLiteral("4"));
    EXPECT_EQ(fresh.Item(QStringLiteral("dnclastupdate"))->PropertyValue(),
              QStringLiteral("3/5/2024 2:07:15 PM"));
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_TRUE(mwtest::ctl(form).Frame2->isEnabled());
}

TEST_F(DncImport, AnEmptyFileIsReportedAndStampsNothing)
{
    const QString before = setting(QStringLiteral("dnclastupdate"));
    sql(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "INSERT INTO phone201 VALUES (1),(2);"));
    prepareImport(writeFile(QStringLiteral("empty.txt"), ""));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("No Value In the text file!"), ui::vbExclamation);
    EXPECT_FALSE(runImport());
    EXPECT_EQ(setting(QStringLiteral("dnclastupdate")), before);
    // the total is still refreshed and the window enabled again
    EXPECT_EQ(setting(QStringLiteral("lasttotal")), QStringLiteral("2"));
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:2"));
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_FALSE(tableExists(QStringLiteral("MyLinkedTable")));
}

TEST_F(DncImport, ATextOfUnreadableLinesIsReportedWithTheCountOfThem)
{
    const QString before = setting(QStringLiteral("dnclastupdate"));
    prepareImport(
        writeFile(QStringLiteral("noise.txt"), QByteArray("\x01\x00\x9c,\"\n\"201,5551234\n\x00\n", 21)));
    scripted.expectMsgBox(
        ui::vbOK,
        QStringLiteral("No Value In the text file!\n\n3 lines of the text file hold no number "
                       "that can be read: they were skipped."),
        ui::vbExclamation);
    EXPECT_FALSE(runImport());
    EXPECT_EQ(setting(QStringLiteral("dnclastupdate")), before);
}

TEST_F(DncImport, AMissingFileEndsWithoutAMessage)
{
    const QString before = setting(QStringLiteral("dnclastupdate"));
    prepareImport(dir.filePath(QStringLiteral("gone.txt")));
    EXPECT_FALSE(runImport());
    EXPECT_EQ(setting(QStringLiteral("dnclastupdate")), before);
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1), QString()) << "nothing finished";
}

TEST_F(DncImport, TheWorkTableIsCreatedWhenTheDatabaseLacksIt)
{
    sql(QStringLiteral("DROP TABLE MyTempTable"));
    prepareImport(writeFile(QStringLiteral("dnc.txt"), kTwoField));
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), k201);
    EXPECT_EQ(rowCount(QStringLiteral("MyTempTable")), 0);
}

TEST_F(DncImport, AFailureMidRunStopsAndLeavesOtherTablesUntouched)
{
    // phone973 refuses every insert; 201 comes before it in the file, 908 after.
    sql(QStringLiteral(
        "CREATE TABLE phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
        "INSERT INTO phone973 VALUES (1);"
        "CREATE TRIGGER refuse BEFORE INSERT ON phone973 BEGIN SELECT RAISE(ABORT, 'refused'); END;"
        "CREATE TABLE phone908 (phone INTEGER NOT NULL PRIMARY KEY);"
        "INSERT INTO phone908 VALUES (2);"));
    const QString before = setting(QStringLiteral("dnclastupdate"));
    prepareImport(writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n973,5551234\r\n908,1234567\r\n"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:ExecQuery"), ui::vbCritical | ui::vbOKOnly);
    EXPECT_FALSE(runImport());

    EXPECT_EQ(numbers(QStringLiteral("phone201")), (std::set<long long>{5551234}));
    EXPECT_EQ(numbers(QStringLiteral("phone973")), (std::set<long long>{1}));
    EXPECT_EQ(numbers(QStringLiteral("phone908")), (std::set<long long>{2}));
    EXPECT_EQ(rowCount(QStringLiteral("MyTempTable")), 0);
    EXPECT_FALSE(tableExists(QStringLiteral("MyLinkedTable")));
    EXPECT_EQ(setting(QStringLiteral("dnclastupdate")), before);
    EXPECT_EQ(setting(QStringLiteral("lasttotal")), QStringLiteral("3"));
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
}

// Another desktop takes the store's write lock, or reads in a long scrub, once the first area code is in: the
// next waits the whole wait once, with the window drawn saying so, then the import stops with the lock's one
// message, reports no success and leaves that area code out whole.
class DncImportLocked : public DncTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DncImportLocked, StopsAfterOneWaitWithTheAreaCodesDoneWhole)
{
    setSetting(QStringLiteral("dnclastupdate"), QStringLiteral("1/2/2003"));
    prepareImport(writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n973,1234567\r\n"));
    form->show();
    testsupport::DrawnTexts status(mwtest::ctl(form).sbStatusBar->Panel(1));
    testsupport::Db other(dbPath);
    dncimport::SetStatusTrace([&other](const QString& text, std::int32_t panel) {
        if (panel == 1 && text == u"Finished to Import Area Code:201") other.exec(GetParam());
    });
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Could not update; currently locked."));
    EXPECT_FALSE(runImport());
    EXPECT_GE(clock.slept(), ado::kLockWaitSeconds);
    EXPECT_LT(clock.slept(), ado::kLockWaitSeconds + 5);
    EXPECT_TRUE(status.drawn.contains("Waiting for another desktop to finish with the database ..."))
        << status.drawn.join(" / ").toStdString();
    other.exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(numbers(QStringLiteral("phone201")), (std::set<long long>{5551234}));
    EXPECT_TRUE(numbers(QStringLiteral("phone973")).empty());
    EXPECT_EQ(setting(QStringLiteral("dnclastupdate")), QStringLiteral("1/2/2003"));
}

INSTANTIATE_TEST_SUITE_P(OtherDesktop, DncImportLocked,
                         ::testing::Values("BEGIN IMMEDIATE", "BEGIN; SELECT count(*) FROM phone201"));

TEST_F(DncImport, AFailedTotalKeepsTheLastGoodOne)
{
    setSetting(QStringLiteral("lasttotal"), QStringLiteral("1234"));
    prepareImport(writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n"));
    // A table damaged behind the import's back makes the count fail.
    dncimport::SetStatusTrace([this](const QString& text, std::int32_t panel) {
        if (panel == 1 && text.startsWith(QStringLiteral("Finished to Import Area Code:")))
            testsupport::BreakTable(dbPath, QStringLiteral("phone555"));
    });
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Module:DataAccessAPI"), ui::vbCritical | ui::vbOKOnly);
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), (std::set<long long>{5551234}));
    // The last good total is the one stored with the area code's commit:
    // the store held nothing before and one number after.
    EXPECT_EQ(setting(QStringLiteral("lasttotal")), QStringLiteral("1"));
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:1"));
}
