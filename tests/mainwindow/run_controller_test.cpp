// The main window's runs without the window: a window of the test's own
// answers the questions and records, in order, what each run asked of it
// (questions, the disabled window, status lines, reports). No box may show
// but through the window: the scripted services fail a test on one.

#include "support/ProgramObjects.h"
#include "support/RecordingProgress.h"
#include "support/ScriptedUi.h"
#include "support/SqliteFile.h"

#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "mainwindow/RunController.h"
#include "platform/vb/Clock.h"
#include "records/CDataTypeInfo.h"
#include "scrub/DuplicateRemoval.h"

#include "platform/files/DbfTable.h"
#include "platform/files/XlsxWriter.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <deque>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

class RecordingWindow : public RunWindow {
public:
    PanelChoices panel;
    std::deque<int> answers; // to the questions, in order; Yes (or OK) when none is left
    QStringList events;
    testsupport::RecordingProgress progress;

    PanelChoices Choices() override { return panel; }
    int Say(const QString& prompt, int style) override
    {
        events << QStringLiteral("say ") + prompt;
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (style & 7) == ui::vbYesNo ? ui::vbYes : ui::vbOK;
    }
    void Report(const engine::Result& r, int) override
    {
        QString text = QStringLiteral("report");
        if (r.failure)
            text += QStringLiteral(" failure of ") + r.failure->function + ": " + r.failure->description;
        if (!r.refusal.isEmpty()) text += QStringLiteral(" refusal ") + r.refusal;
        if (!r.summary.isEmpty()) text += QStringLiteral(" summary ") + r.summary.section(u'\r', 0, 0);
        events << text;
    }
    void SetStart(bool enabled) override { events << (enabled ? "enabled" : "disabled"); }
    void SetImport(bool enabled) override { events << (enabled ? "import enabled" : "import disabled"); }
    void SetStatusBar(const QString& text, std::int32_t panel) override
    {
        events << QStringLiteral("panel %1 ").arg(panel) + (panel == 2 ? QStringLiteral("time") : text);
    }
    engine::EngineProgress& Progress() override { return progress; }
    void ShowRecordCount(std::int32_t count) override { events << QStringLiteral("count %1").arg(count); }
    void FocusMarkText() override { events << QStringLiteral("focus on the mark"); }
    void ShowLastUpdate(const QString&) override { events << QStringLiteral("last update"); }
    void ShowTotal(const QString& caption) override { events << caption; }
};

const QByteArray kListOfOne = "Name,Phone,Status\r\nAnn,2015551234,a\r\n";

class RunControllerTest : public ScriptedUiTest {
public:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        vb::SetClock(&clock);
        folder = dir.path() + QLatin1Char('/');
        const QString db = dir.filePath(QStringLiteral("Tervala.mdb"));
        testsupport::MakeDatabase(db);
        testsupport::Db(db).exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                                                "insert into phone201 values (5551234);"));
        testsupport::OpenProgramObjects(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db);
        gPhoneTables->Add(QStringLiteral("phone201"), QStringLiteral("phone201"));
        runs.Options().okFile = folder + QStringLiteral("ok.txt");
        runs.Options().dncFile = folder + QStringLiteral("dnc.txt");
    }
    void TearDown() override
    {
        gCurDataTypeInfo.reset();
        testsupport::CloseProgramObjects();
        vb::SetClock(nullptr);
        ScriptedUiTest::TearDown();
    }

    // A text list calls.csv of Name, Phone, Status as the panel shows it.
    void chooseTextList(const QByteArray& list, std::int32_t records)
    {
        testsupport::WriteFile(folder + QStringLiteral("calls.csv"), list);
        auto profile = std::make_shared<CDataTypeInfo>();
        profile->SetDataType(QStringLiteral("TEXT FILE"));
        profile->SetDataDBName(folder);
        profile->SetDataTableName(QStringLiteral("calls.csv"));
        profile->SetDataFieldName(QStringLiteral("Phone"));
        profile->SetDataMarkName(QStringLiteral("Status"));
        profile->SetIsTitleFirstLine(true);
        profile->SetDelimited(1);
        for (int i = 0; i < 3; ++i)
            profile->TableFieldType()->Add(QStringLiteral("DNC"));
        gCurDataTypeInfo = profile;
        PanelChoices& p = window.panel;
        p.typeChosen = true;
        p.tableName = QStringLiteral("calls.csv");
        p.fields = QStringList{"Name", "Phone", "Status"};
        p.phoneField = QStringLiteral("Phone");
        p.phoneIndex = 1;
        p.markField = QStringLiteral("Status");
        p.markIndex = 2;
        p.recordCount = QString::number(records);
        p.deleteFound = true;
    }

    void chooseType(const QString& type, const QString& typed = QString())
    {
        auto profile = std::make_shared<CDataTypeInfo>();
        profile->SetDataType(type);
        profile->SetDataDBName(typed);
        gCurDataTypeInfo = profile;
        window.panel.typeChosen = true;
        window.panel.tableName = QStringLiteral("t");
    }

    QByteArray list() const { return testsupport::ReadFile(folder + QStringLiteral("calls.csv")); }
    void chooseList();

    // A read-only list (0444) of the type with one listed number, the same
    // fields as the text list, and a backup asked for; others may enter the folder.
    void chooseReadOnlyList(const QString& type)
    {
        chooseTextList(kListOfOne, 1);
        const QString file = folder + (type == u"ACCESS"  ? "calls.mdb"
                                       : type == u"EXCEL" ? "calls.xlsx"
                                                          : "calls.dbf");
        const vb::Variant row[] = {vb::Variant(QStringLiteral("Ann")),
                                   vb::Variant(QStringLiteral("2015551234")),
                                   vb::Variant(QStringLiteral("a"))};
        if (type == u"ACCESS")
            testsupport::Db(file).exec("create table t (Name TEXT, Phone TEXT, Status TEXT);"
                                       "insert into t values ('Ann', '2015551234', 'a');");
        if (type == u"FOXPRO") {
            files::DbfTable::create(file, {{"NAME", 'C', 9}, {"PHONE", 'C', 12}, {"STATUS", 'C', 9}});
            files::DbfTable(file).appendRecord({row[0], row[1], row[2]});
        }
        if (type == u"EXCEL")
            files::XlsxWriter::write(file,
                                     {{"t",
                                       {{vb::Variant("Name"), vb::Variant("Phone"), vb::Variant("Status")},
                                        {row[0], row[1], row[2]}}}});
        gCurDataTypeInfo->SetDataType(type);
        gCurDataTypeInfo->SetDataDBName(type == u"FOXPRO" || type == u"TEXT FILE" ? folder : file);
        gCurDataTypeInfo->SetDataTableName(window.panel.tableName = type == u"FOXPRO" ? "calls.dbf" : "t");
        if (type == u"TEXT FILE") gCurDataTypeInfo->SetDataTableName(window.panel.tableName = "calls.csv");
        ::chmod(QFile::encodeName(type == u"TEXT FILE" ? folder + "calls.csv" : file).constData(), 0444);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        runs.Options().backupOriginal = 1;
    }

    QTemporaryDir dir;
    QString folder;
    vb::FakeClock clock{QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30))};
    RecordingWindow window;
    RunController runs{window};
};

const QByteArray kList = "Name,Phone,Status\r\nAnn,2015551234,a\r\nBo,2015550000,b\r\n";

void RunControllerTest::chooseList()
{
    chooseTextList(kList, 2);
}

} // namespace

TEST_F(RunControllerTest, StartAsksFirstThenScrubsWithTheWindowDisabledAndReportsBeforeEnablingIt)
{
    chooseTextList(kList, 2);
    runs.Start();
    EXPECT_EQ(window.events, (QStringList{"say Are you sure want to start?", "disabled",
                                          "report summary Action is finished!", "enabled"}));
    EXPECT_EQ(list(), QByteArray("Name,Phone,Status\r\nBo,2015550000,b\r\n"));
    EXPECT_EQ(window.progress.statuses.last(), "1 Not in DNC List; 1(50.00%) in DNC List; 0 Null Numbers ");
}

TEST_F(RunControllerTest, TheChoicesOfTheStartAreTheOnesShownWhenItIsPressed)
{
    chooseTextList(kList, 2);
    window.panel.deleteFound = false;
    window.panel.markText = QStringLiteral("X");
    runs.Options().addAreaCode = 1;
    runs.Options().defaultCode = QStringLiteral("973");
    gDefPropertys->Item(QStringLiteral("markaction"))->SetPropertyValue(QStringLiteral("0")); // prefix
    runs.Start();
    EXPECT_EQ(window.events.first(), "say Is this the area code you want to use? 973");
    EXPECT_EQ(list(), QByteArray("Name,Phone,Status\r\nAnn,2015551234,Xa\r\nBo,2015550000,b\r\n"));
}

struct StopCase {
    const char* name;
    std::function<void(RunControllerTest&, RecordingWindow&, ScrubOptions&)> arrange;
    QStringList events;
    uid_t runAs = 0; // 0: as the test runs; else as this user (when the test runs as root)
};

void PrintTo(const StopCase& c, std::ostream* os)
{
    *os << c.name;
}

// A list refused as read-only before anything is copied, by its routine.
// A text list's refusal is its own words, not an error of a routine.
QStringList ReadOnly(const char* function, const char* list)
{
    return {"say Are you sure want to start?", "disabled",
            QStringLiteral("report %1The calling list '%2' is read-only: it cannot be scrubbed.")
                .arg(*function ? QStringLiteral("failure of %1: ").arg(QLatin1String(function))
                               : QStringLiteral("refusal "),
                     QLatin1String(list)),
            "enabled"};
}

class RunControllerStops : public RunControllerTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(RunControllerStops, TheRunEndsWhereItsChoicesSayAndTheListStays)
{
    if (GetParam().runAs != 0 && ::geteuid() != 0) GTEST_SKIP() << "only root can run as another user here";
    GetParam().arrange(*this, window, runs.Options());
    // The list and every file beside it, the program's database aside.
    const auto files = [this] {
        QMap<QString, QByteArray> bytes;
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            if (!name.startsWith(u"Tervala.mdb")) bytes[name] = testsupport::ReadFile(folder + name);
        return bytes;
    };
    const QMap<QString, QByteArray> before = files();
    if (GetParam().runAs != 0)
        ASSERT_EQ(::syscall(SYS_setresuid, -1, GetParam().runAs, -1), 0); // this thread
    runs.Start();
    if (GetParam().runAs != 0) ASSERT_EQ(::syscall(SYS_setresuid, -1, 0, -1), 0);
    EXPECT_EQ(window.events.join(u'\n').remove(folder), GetParam().events.join(u'\n'));
    EXPECT_EQ(files(), before); // the list as it was, no backup copy, no result file
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunControllerStops,
    ::testing::Values(
        StopCase{"NoToTheConfirmation",
                 [](auto& t, auto& w, auto&) {
                     t.chooseList();
                     w.answers = {ui::vbNo};
                 },
                 {"say Are you sure want to start?"}},
        StopCase{"ANumericMarkFieldRefusesALetterMarkAndTakesTheFocusToIt",
                 [](auto& t, auto& w, auto&) {
                     t.chooseList();
                     auto types = std::make_shared<CDataStrings>();
                     for (const char* type : {"DNC", "DNC", "999"})
                         types->Add(QString::fromLatin1(type));
                     gCurDataTypeInfo->SetTableFieldType(types);
                     w.panel.markText = QStringLiteral("DNC");
                 },
                 {"say Mark should be digits for this mark field -Status", "focus on the mark"}},
        StopCase{"AResultFileThatIsTheList",
                 [](auto& t, auto&, auto& o) {
                     t.chooseList();
                     o.exportOK = 1;
                     o.okFile = t.folder + QStringLiteral("calls.csv");
                 },
                 {"say The OK file is the calling list itself! Please input another OK File Name!"}},
        StopCase{"ARecordCountOfNoneEndsSilentlyAfterTheConfirmation",
                 [](auto& t, auto& w, auto&) {
                     t.chooseList();
                     w.panel.recordCount = QStringLiteral("0");
                 },
                 {"say Are you sure want to start?", "disabled", "enabled"}},
        StopCase{"NoPhoneField",
                 [](auto& t, auto& w, auto&) {
                     t.chooseList();
                     w.panel.phoneField.clear();
                 },
                 {"say Are you sure want to start?", "disabled", "say Please select phone field name!",
                  "enabled"}},
        StopCase{"AServerSourceIsOnlyBrowsed",
                 [](auto& t, auto&, auto&) { t.chooseType("MS SQL"); },
                 {"say Are you sure want to start?", "disabled", "enabled"}},
        StopCase{"ANumberThatIsNotTenDigits",
                 [](auto& t, auto&, auto&) { t.chooseType("ONE NUMBER", "201-555-1234"); },
                 {"disabled", "say Phone Numner must be 10 digits!", "enabled"}},
        // A read-only list of every kind, also to root, and to another user.
        StopCase{"AReadOnlyTextList", [](auto& t, auto&, auto&) { t.chooseReadOnlyList("TEXT FILE"); },
                 ReadOnly("", "calls.csv")},
        StopCase{"AReadOnlyAccessList", [](auto& t, auto&, auto&) { t.chooseReadOnlyList("ACCESS"); },
                 ReadOnly("CheckAccess", "calls.mdb")},
        StopCase{"AReadOnlyFoxProList", [](auto& t, auto&, auto&) { t.chooseReadOnlyList("FOXPRO"); },
                 ReadOnly("CheckFoxPro", "calls.dbf")},
        StopCase{"AReadOnlyWorkbook", [](auto& t, auto&, auto&) { t.chooseReadOnlyList("EXCEL"); },
                 ReadOnly("CheckExcel", "calls.xlsx")},
        StopCase{"AnotherUsersReadOnlyAccessList",
                 [](auto& t, auto&, auto&) { t.chooseReadOnlyList("ACCESS"); },
                 ReadOnly("CheckAccess", "calls.mdb"), 4321},
        StopCase{"AnotherUsersReadOnlyFoxProList",
                 [](auto& t, auto&, auto&) { t.chooseReadOnlyList("FOXPRO"); },
                 ReadOnly("CheckFoxPro", "calls.dbf"), 4321},
        StopCase{"AnotherUsersReadOnlyWorkbook", [](auto& t, auto&, auto&) { t.chooseReadOnlyList("EXCEL"); },
                 ReadOnly("CheckExcel", "calls.xlsx"), 4321}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunControllerTest, OneListedNumberIsTakenWithoutAConfirmationAndWrittenToTheDncFile)
{
    chooseType(QStringLiteral("ONE NUMBER"), QStringLiteral("2015551234"));
    runs.Start();
    EXPECT_EQ(window.events, (QStringList{"disabled", "panel 1 WARNING: This Number IS in DNC List!",
                                          "say Warning:  Do Not Call Number", "panel 2 time", "enabled"}));
    EXPECT_EQ(testsupport::ReadFile(folder + QStringLiteral("dnc.txt")),
              QByteArray("Numbers are in DNC List\r\n2015551234"));
}

TEST_F(RunControllerTest, DuplicateRemovalAsksWithTheWindowDisabledAndNoLeavesTheListAlone)
{
    const QByteArray twice = "Name,Phone,Status\r\nAnn,2015551234,a\r\nBo,2015551234,b\r\n";
    chooseTextList(twice, 2);
    window.answers = {ui::vbNo};
    runs.RemoveDuplicates();
    EXPECT_EQ(window.events, (QStringList{"disabled", "say " + scrub::kRemoveDuplicatesQuestion, "enabled"}));
    EXPECT_EQ(list(), twice);

    window.events.clear();
    runs.RemoveDuplicates();
    EXPECT_EQ(window.events, (QStringList{"disabled", "say " + scrub::kRemoveDuplicatesQuestion,
                                          "report summary Action is finished!", "count 1", "enabled"}));
    EXPECT_EQ(list(), QByteArray("Name,Phone,Status\r\nBo,2015551234,b\r\n"));
}

TEST_F(RunControllerTest, AnImportOfAMissingFileEnablesTheWindowWithoutCallingItFinished)
{
    gDefPropertys->Item(QStringLiteral("dnctextfilename"))
        ->SetPropertyValue(folder + QStringLiteral("gone.txt"));
    EXPECT_FALSE(runs.ImportDNCTextFile());
    EXPECT_EQ(window.events, (QStringList{"import disabled", "import enabled", "panel 1 "}));
}

TEST_F(RunControllerTest, AnImportStampsTheUpdateAndShowsTheNewTotal)
{
    testsupport::WriteFile(folder + QStringLiteral("dnc.txt"), "201,5550000\r\n973,1234567\r\n");
    gDefPropertys->Item(QStringLiteral("dnctextfilename"))
        ->SetPropertyValue(folder + QStringLiteral("dnc.txt"));
    gDefPropertys->Item(QStringLiteral("dnctextfilehearder"))->SetPropertyValue(QStringLiteral("0"));
    gDefPropertys->Item(QStringLiteral("dnctextfiledelimited"))->SetPropertyValue(QStringLiteral("1"));
    EXPECT_TRUE(runs.ImportDNCTextFile());
    EXPECT_EQ(window.events,
              (QStringList{"import disabled", "report", "last update", "import enabled", "Total Records:3"}));
    EXPECT_EQ(runs.LastImport().stats.areaCodesImported, 2);
    EXPECT_EQ(window.progress.statuses.last(), "Finished to Import Area Code:973");
}

TEST_F(RunControllerTest, TheDeleteChoiceAndTheMarkActionGoToTheSettings)
{
    const struct {
        bool deleteFound;
        std::int16_t action;
        const char* stored;
        const char* storedAction;
    } cases[] = {{true, 2, "1", "2"}, {false, 0, "0", "0"}, {true, 1, "1", "1"}};
    for (const auto& c : cases) {
        runs.StoreDeleteChoice(c.deleteFound);
        runs.StoreMarkAction(c.action);
        EXPECT_EQ(gDefPropertys->Item(QStringLiteral("deleterecords"))->PropertyValue(), c.stored);
        EXPECT_EQ(gDefPropertys->Item(QStringLiteral("markaction"))->PropertyValue(), c.storedAction);
    }
}
