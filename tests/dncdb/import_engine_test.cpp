// The DNC list import engine on its own: a job and a recording view, no
// window. What the store holds afterwards, what the view was shown and how
// the run ended, with no message box of its own.

#include "support/ProgramObjects.h"
#include "support/RecordingProgress.h"
#include "support/ScriptedUi.h"
#include "support/SqliteFile.h"

#include "core/CDataAccess.h"
#include "core/CDefProperty.h"
#include "dncdb/DNCListImport.h"
#include "dncdb/ModuleDNC.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Err.h"
#include "records/ModuleConnectString.h"

#include <QTemporaryDir>

namespace {

struct EngineCase {
    const char* name;
    QByteArray text; // the import file
    bool delimited;  // two fields per line, or ten digits in one
    QString kept;    // setting "keptareacode"
    dncimport::ImportOutcome outcome;
    QString stored; // "table:count" pairs that must hold afterwards, or "" for no phone table
    int areaCodesImported;
};

void PrintTo(const EngineCase& c, std::ostream* os)
{
    *os << c.name;
}

class EngineFixture : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        vb::SetClock(&clock);
        dbPath = dir.filePath(QStringLiteral("Tervala.mdb"));
        testsupport::MakeDatabase(dbPath);
        testsupport::OpenProgramObjects(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                        dbPath);
    }
    void TearDown() override
    {
        dncimport::SetFillHook({});
        testsupport::CloseProgramObjects();
        vb::SetClock(nullptr);
        ScriptedUiTest::TearDown();
    }

    dncimport::ImportResult run(const QByteArray& text, bool delimited, const QString& kept,
                                const QString& hdr = QStringLiteral("No"))
    {
        testsupport::WriteFile(dir.filePath(QStringLiteral("dnc.txt")), text);
        dncimport::ImportJob job;
        job.linkProviderString = MakeTextLinkString(dir.path() + QStringLiteral("/"), hdr,
                                                    delimited ? QStringLiteral("Delimited") : QString());
        job.fileName = QStringLiteral("dnc.txt");
        job.keptAreaCodes = kept;
        LoadTables(); // the caller's list of the store's tables is current
        bool counted = false;
        const std::int32_t total = GetDNCCount(&counted);
        if (counted) job.total = total;
        return dncimport::ImportDNCList(job, *gDataAccess, *gPhoneTables, view);
    }

    QString count(const QString& table)
    {
        testsupport::Db db(dbPath, testsupport::Db::BadQuery::ReadsEmpty);
        return db.scalar(QStringLiteral("SELECT count(*) FROM ") + table);
    }

    QString phoneTables()
    {
        testsupport::Db db(dbPath);
        return db.scalar(QStringLiteral(
            "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type='table' "
            "AND name LIKE 'phone%' ORDER BY name)"));
    }

    QTemporaryDir dir;
    QString dbPath;
    vb::FakeClock clock;
    testsupport::RecordingProgress view;
};

class ImportEngine : public EngineFixture, public ::testing::WithParamInterface<EngineCase> {};

} // namespace

TEST_P(ImportEngine, StoresTheNewNumbersAndTellsHowItEnded)
{
    const EngineCase& c = GetParam();
    const dncimport::ImportResult result = run(c.text, c.delimited, c.kept);
    EXPECT_EQ(int(result.outcome), int(c.outcome));
    EXPECT_FALSE(result.failure.has_value());
    EXPECT_EQ(result.stats.areaCodesImported, c.areaCodesImported);
    if (c.stored.isEmpty()) {
        EXPECT_EQ(phoneTables(), QString());
    } else {
        for (const QString& pair : c.stored.split(u' ')) {
            const QStringList tc = pair.split(u':');
            EXPECT_EQ(count(tc[0]), tc[1]) << tc[0].toStdString();
        }
    }
    EXPECT_EQ(count(QStringLiteral("MyTempTable")), QStringLiteral("0"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportEngine,
    ::testing::Values(
        EngineCase{"TwoAreaCodesWithARepeatedNumber", "201,5551234\r\n973,7777777\r\n201,5551234\r\n", true,
                   "", dncimport::ImportOutcome::Imported, "phone201:1 phone973:1", 2},
        EngineCase{"TenDigitLines", "2015551234\n2015550000\n", false, "", dncimport::ImportOutcome::Imported,
                   "phone201:2", 1},
        EngineCase{"OnlyKeptAreaCodes", "201,5551234\r\n973,7777777\r\n", true, "973,212",
                   dncimport::ImportOutcome::Imported, "phone973:1 phone201:", 1},
        EngineCase{"AnEmptyFileHasNoValue", "", true, "", dncimport::ImportOutcome::NoValue, "", 0},
        EngineCase{"AQuoteLeftOpenCostsItsOwnLineOnly", "201,5551234\r\n201,\"5550001\r\n201,5550002\r\n",
                   true, "", dncimport::ImportOutcome::Imported, "phone201:2", 1},
        EngineCase{"ALineWithANulByteIsPassedOver",
                   QByteArray("201,5551234\n201,555\0"
                              "0001\n973,7777777\n",
                              37),
                   true, "", dncimport::ImportOutcome::Imported, "phone201:1 phone973:1", 2},
        EngineCase{"RandomBytesHoldNoValue",
                   QByteArray("\x8f\x00\xff\x12\"\x01\r\xfe,\x9c\n\x00\x00zz\x80\n7\x01,\xc3(\n", 23), true,
                   "", dncimport::ImportOutcome::NoValue, "", 0}),
    [](const ::testing::TestParamInfo<EngineCase>& info) { return std::string(info.param.name); });

TEST_F(ImportEngine, ShowsEachAreaCodeAndTheProgressToItsEnd)
{
    const auto result = run("201,5551234\r\n20,1234567\r\n973,7777777\r\n", true, QString());
    ASSERT_TRUE(result.succeeded());
    EXPECT_EQ(view.statuses, (QStringList{QStringLiteral("Starting to Import Area Code:201 ..."),
                                          QStringLiteral("Finished to Import Area Code:201"),
                                          QStringLiteral("Starting to Import Area Code:973 ..."),
                                          QStringLiteral("Finished to Import Area Code:973")}));
    EXPECT_EQ(view.maximum, 12);
    EXPECT_EQ(view.maximumText, QStringLiteral("3"));
    EXPECT_EQ(view.counts.last(), QStringLiteral("3")); // the values done
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(result.stats.areaCodesSkipped, 1);
}

TEST_F(ImportEngine, AFailedStatementComesBackToTheCallerUnreported)
{
    testsupport::Db db(dbPath);
    db.exec(QStringLiteral(
        "CREATE TABLE phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
        "CREATE TRIGGER refuse BEFORE INSERT ON phone973 BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    // No message box is expected: the scripted services fail the test on one.
    const auto result = run("201,5551234\r\n973,5551234\r\n", true, QString());
    EXPECT_EQ(int(result.outcome), int(dncimport::ImportOutcome::Failed));
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->module, QStringLiteral("DataAccessAPI"));
    EXPECT_EQ(result.failure->function, QStringLiteral("ExecQuery"));
    EXPECT_TRUE(result.failure->description.contains(QStringLiteral("refused")));
    EXPECT_EQ(count(QStringLiteral("phone201")), QStringLiteral("1")); // committed before the failure
    EXPECT_EQ(count(QStringLiteral("phone973")), QStringLiteral("0"));
    EXPECT_FALSE(view.ended);
}

TEST_F(ImportEngine, AStoppedImportLeavesNoEmptyTableAndAStoredTotalThatMatchesTheStore)
{
    testsupport::Db db(dbPath);
    // The second area code's numbers cannot be read in full.
    dncimport::SetFillHook([](const QString& areaCode) {
        if (areaCode == u"973")
            vb::Raise(ado::errnum::JetFailure, QStringLiteral("ExecQuery IN DataAccessAPI"),
                      QStringLiteral("disk full"));
    });
    db.exec(QStringLiteral("UPDATE DefProperty SET PropertyValue = '0' WHERE PropertyKeys = 'lasttotal'"));
    const auto result = run("201,5551234\r\n201,5550000\r\n973,7777777\r\n", true, QString());
    EXPECT_EQ(int(result.outcome), int(dncimport::ImportOutcome::Failed));
    EXPECT_EQ(phoneTables(), QStringLiteral("phone201")); // phone973 went with its rolled-back fill
    EXPECT_EQ(count(QStringLiteral("phone201")), QStringLiteral("2"));
    EXPECT_EQ(
        db.scalar(QStringLiteral("SELECT PropertyValue FROM DefProperty WHERE PropertyKeys = 'lasttotal'")),
        QStringLiteral("2"));
    EXPECT_EQ(result.storedTotal, std::optional<std::int64_t>(2));
    EXPECT_TRUE(result.tablesStale) << "the list named phone973 while it was filled";
}

TEST_F(ImportEngine, AFailureThatEndedTheTransactionItselfIsReportedOnce)
{
    // The failure ends the transaction as a full disk does: the import's
    // own rollback then has nothing to roll back.
    dncimport::SetFillHook([](const QString& areaCode) {
        if (areaCode != u"973") return;
        gDataAccess->GetConnection()->provider()->sqlite()->exec(QStringLiteral("ROLLBACK"));
        vb::Raise(ado::errnum::JetFailure, QStringLiteral("ExecQuery IN DataAccessAPI"),
                  QStringLiteral("database or disk is full"));
    });
    const auto result = run("201,5551234\r\n973,7777777\r\n", true, QString());
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_TRUE(result.failure->description.contains(QStringLiteral("full")));
    EXPECT_EQ(count(QStringLiteral("phone201")), QStringLiteral("1"));
    EXPECT_EQ(phoneTables(), QStringLiteral("phone201"));
}

TEST_F(ImportEngine, AStrayQuoteInTheImportTextDropsOnlyItsLine)
{
    const auto result =
        run(testsupport::ReadFile(QStringLiteral(TERVALA_FIXTURES "/dnc_import_stray_quote.txt")), true,
            QString());
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(count(QStringLiteral("phone207")), QStringLiteral("1001"));
}

TEST_F(ImportEngine, ATitleLineWithANulByteFailsNamingTheFileAndTheLine)
{
    const auto result =
        run(QByteArray("Area\0Code,Phone\r\n201,5551234\r\n", 30), true, QString(), QStringLiteral("Yes"));
    EXPECT_EQ(int(result.outcome), int(dncimport::ImportOutcome::Failed));
    ASSERT_TRUE(result.failure.has_value());
    const QString said = result.failure->description;
    EXPECT_TRUE(said.contains(QStringLiteral("Line 1 of"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("dnc.txt"))) << said.toStdString();
    EXPECT_EQ(phoneTables(), QString());
}

TEST_F(ImportEngine, ATextWithoutLineEndsFailsSayingSoAndMakesNoTable)
{
    QByteArray text;
    for (int i = 0; i < 200000; ++i)
        text += "201," + QByteArray::number(5550000 + i % 10000) + ",";
    const auto result = run(text, true, QString());
    EXPECT_EQ(int(result.outcome), int(dncimport::ImportOutcome::Failed));
    ASSERT_TRUE(result.failure.has_value());
    const QString said = result.failure->description;
    EXPECT_TRUE(said.contains(QStringLiteral("Line 1 of"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("line ends"))) << said.toStdString();
    EXPECT_EQ(phoneTables(), QString());
}

namespace {

struct PassedOverCase {
    const char* name;
    QByteArray text;
    bool delimited;
    dncimport::ImportOutcome outcome;
    std::int64_t unreadable; // lines with a quote left open or a NUL byte
    std::int64_t skipped;    // lines read but holding no local number
    QString note;            // the line the closing report adds
};

void PrintTo(const PassedOverCase& c, std::ostream* os)
{
    *os << c.name;
}

class ImportEnginePassedOver : public EngineFixture, public ::testing::WithParamInterface<PassedOverCase> {};

QByteArray StrayQuoteText()
{
    return testsupport::ReadFile(QStringLiteral(TERVALA_FIXTURES "/dnc_import_stray_quote.txt"));
}

} // namespace

TEST_P(ImportEnginePassedOver, TheLinesThatCannotBeReadAreCountedForTheClosingReport)
{
    const PassedOverCase& c = GetParam();
    const dncimport::ImportResult result = run(c.text, c.delimited, QString());
    EXPECT_EQ(int(result.outcome), int(c.outcome));
    EXPECT_EQ(result.stats.linesUnreadable, c.unreadable);
    EXPECT_EQ(result.stats.linesSkipped, c.skipped);
    EXPECT_EQ(dncimport::SkippedLinesNote(result.stats), c.note);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportEnginePassedOver,
    ::testing::Values(
        PassedOverCase{"EveryLineRead", "201,5551234\r\n973,7777777\r\n", true,
                       dncimport::ImportOutcome::Imported, 0, 0, QString()},
        PassedOverCase{"AQuoteLeftOpen", StrayQuoteText(), true, dncimport::ImportOutcome::Imported, 1, 0,
                       QStringLiteral("1 line of the text file holds no number that can be read: it was "
                                      "skipped.")},
        PassedOverCase{"ANulByteAndALetterInTheNumber",
                       QByteArray("201,5551234\n201,555\0"
                                  "0001\n201,55x1234\n973,7777777\n",
                                  49),
                       true, dncimport::ImportOutcome::Imported, 1, 1,
                       QStringLiteral("2 lines of the text file hold no number that can be read: they were "
                                      "skipped.")},
        PassedOverCase{"TenDigitLinesWithANulByte",
                       QByteArray("2015551234\n20155\0"
                                  "50001\n",
                                  23),
                       false, dncimport::ImportOutcome::Imported, 1, 0,
                       QStringLiteral("1 line of the text file holds no number that can be read: it was "
                                      "skipped.")},
        PassedOverCase{"RandomBytesWithNuls",
                       QByteArray("\x8f\x00\xff\x12\"\x01\r\xfe,\x9c\n\x00\x00zz\x80\n7\x01,\xc3(\n", 23),
                       true, dncimport::ImportOutcome::NoValue, 2, 0,
                       QStringLiteral("2 lines of the text file hold no number that can be read: they were "
                                      "skipped.")},
        // refused whole, as UTF-16, by the reader every text source shares
        PassedOverCase{"Utf16Text", QByteArray::fromHex("3200300031002c003500"), true,
                       dncimport::ImportOutcome::Failed, 0, 0, QString()}),
    [](const ::testing::TestParamInfo<PassedOverCase>& info) { return std::string(info.param.name); });
