// A workbook scrub that cannot be done, or cannot finish, says so once and
// leaves the workbook on disk as it was: no workbook or no sheet (found as
// the sheet is opened before the run), an .xls workbook, deleting rows that
// formulas refer to, and an error mid-run. The saved workbook and the result
// files take their places together where they lie, or none of them does.

#include "ExcelScrubFixture.h"

#include "files/WorkbookBiff.h"
#include "files/WorkbookSupport.h"

#include <QMap>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace {

using vb::Variant;
using Text = QList<QStringList>;

const QString kCheckExcel = QStringLiteral("CheckExcel");

// A window that fails at the run's last report, once every row is dealt with.
class FailingView : public scrubtest::RecordingView {
public:
    void Show(double value, const QString& count) override
    {
        RecordingView::Show(value, count);
        if (finalShown)
            vb::Raise(vb::errnum::PermissionDenied, QStringLiteral("test"),
                      QStringLiteral("The window went away."));
    }
};

TEST_F(ExcelScrubTest, AMissingWorkbookIsReportedWithoutResultFiles)
{
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("(53)"), ui::vbOKOnly);
    EXPECT_EQ(openSheet(), QStringLiteral("Problem with Excel program! The computer maybe need to restart to "
                                          "solve this problem."));
    EXPECT_FALSE(scrub::ScrubExcelSheet(xjob, view, dnc).completed);
    EXPECT_EQ(files(), QStringList{"dnc.mdb"});
}

TEST_F(ExcelScrubTest, AMissingSheetIsReportedAndTheWorkbookLeftAlone)
{
    writeBook({{"Name", "Phone", "Status"}, {"Ann", "2015551234", "a"}});
    sheetName = QStringLiteral("Leads");
    const QByteArray before = digest();
    EXPECT_EQ(openSheet(), QStringLiteral("Sheet is not found!."));
    EXPECT_FALSE(scrub::ScrubExcelSheet(xjob, view, dnc).completed);
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(files(), (QStringList{"calls.xlsx", "dnc.mdb"}));
    EXPECT_EQ(excel::Application::Instance().Workbooks().Count(), 0) << "released, so read anew next time";
}

TEST_F(ExcelScrubTest, AnXlsWorkbookIsRefusedBeforeTheResultFilesAreOpened)
{
    QByteArray cells = wbtest::Biff::labelSst(0, 0, 0) + wbtest::Biff::labelSst(0, 1, 1) +
                       wbtest::Biff::number(1, 1, 15, 2015551234.0);
    const QByteArray book = wbtest::biffWorkbook({QStringLiteral("Name"), QStringLiteral("Phone")},
                                                 {{QStringLiteral("Calls"), 2, 2, cells}});
    workbookPath = folder + QStringLiteral("old.xls");
    scrubtest::Write(workbookPath, wbtest::compoundFile(QStringLiteral("Workbook"), book));
    const QByteArray before = digest();
    const scrub::ExcelScrubResult r =
        runRefused(QStringLiteral("old.xls is an Excel 97-2003 (.xls) workbook, which can only be read."));
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(files(), (QStringList{"dnc.mdb", "old.xls"}));
}

struct FormulaCase {
    const char* name;
    const char* sheet;   // where the formula stands
    int row;             // its row on that sheet
    const char* formula; // without "="
    const char* refusal; // what the refusal says; empty when there is none
};

void PrintTo(const FormulaCase& c, std::ostream* os)
{
    *os << c.name;
}

constexpr const char* kReferTo = "has formulas that refer to its data rows";
constexpr const char* kInRows = "has formulas in its data rows, which deleting rows would move or delete";

class ExcelScrubFormulas : public ExcelScrubTest, public ::testing::WithParamInterface<FormulaCase> {};

// The workbook's sheet parts by hand: the data of "Calls" and one formula.
TEST_P(ExcelScrubFormulas, DeletingRowsThatFormulasReferToIsRefusedBeforeAnyChange)
{
    const FormulaCase& c = GetParam();
    const QString f = QStringLiteral("<c r=\"E%1\"><f>%2</f><v>0</v></c>")
                          .arg(c.row)
                          .arg(QString::fromLatin1(c.formula).toHtmlEscaped());
    QString other;
    // Rows are written in order; the formula row goes where it belongs.
    QMap<int, QString> rows;
    rows[1] = QStringLiteral("<c r=\"A1\" t=\"inlineStr\"><is><t>Phone</t></is></c>");
    rows[2] = QStringLiteral("<c r=\"A2\" t=\"inlineStr\"><is><t>2015551234</t></is></c>");
    rows[3] = QStringLiteral("<c r=\"A3\" t=\"inlineStr\"><is><t>2015550000</t></is></c>");
    if (QByteArray(c.sheet) == "Calls")
        rows[c.row] += f;
    else
        other = QStringLiteral("<row r=\"%1\">%2</row>").arg(c.row).arg(f);
    QString data;
    for (auto it = rows.begin(); it != rows.end(); ++it)
        data += QStringLiteral("<row r=\"%1\">%2</row>").arg(it.key()).arg(it.value());
    wbtest::Package package;
    package.sheets = {{QStringLiteral("Calls"), wbtest::sheetXml(data)},
                      {QStringLiteral("Totals"), wbtest::sheetXml(other)}};
    wbtest::writePackage(workbookPath, package);
    xjob.phoneColumn = 1;
    xjob.markColumn = 1;
    const QByteArray before = digest();

    if (*c.refusal) {
        const scrub::ExcelScrubResult r = runRefused(QString::fromLatin1(c.refusal));
        EXPECT_FALSE(r.completed);
        EXPECT_EQ(digest(), before);
        EXPECT_EQ(files(), (QStringList{"calls.xlsx", "dnc.mdb"})) << "no result file was opened";
        // Marking changes no row's place, so it goes ahead.
        xjob.settings.deleteFound = false;
    }
    const scrub::ExcelScrubResult r = runExcel();
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.counters.found, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExcelScrubFormulas,
    ::testing::Values(FormulaCase{"ASumOverTheDataOnTheSameSheet", "Calls", 1, "SUM(A2:A3)", kReferTo},
                      FormulaCase{"AFormulaInsideTheDataRows", "Calls", 3, "1+1", kInRows},
                      FormulaCase{"AFormulaInsideTheDataRowsReferringToThem", "Calls", 3, "A2*2", kReferTo},
                      FormulaCase{"AWholeColumnOfTheSheet", "Calls", 1, "COUNTA(A:A)", kReferTo},
                      FormulaCase{"AnotherSheetReferringToADataRow", "Totals", 1, "Calls!A3", kReferTo},
                      FormulaCase{"AnotherSheetReferringToAQuotedSheetName", "Totals", 1,
                                  "'Calls'!$A$2&\"x\"", kReferTo},
                      FormulaCase{"AnotherSheetReferringToItsOwnCells", "Totals", 5, "A1+B7", ""},
                      FormulaCase{"AFormulaOnTheTitleRowReferringToTheTitle", "Calls", 1, "LEN(A1)", ""}),
    [](const ::testing::TestParamInfo<FormulaCase>& info) { return std::string(info.param.name); });

TEST_F(ExcelScrubTest, AnErrorMidRunIsReportedOnceAndTheWorkbookIsNotSaved)
{
    writeBook({{"Name", "Phone", "Status"},
               {"Ann", "2015551234", "a"},
               {"Bob", "2015550000", "b"},
               {"Cy", "2015559999", "c"},
               {"Di", "9731234567", "d"}});
    const QByteArray before = digest();
    FailingView failing;
    xjob.settings.deleteFound = false;
    ASSERT_EQ(openSheet(), QString());
    const scrub::ExcelScrubResult r = scrub::ScrubExcelSheet(xjob, failing, dnc);

    EXPECT_FALSE(r.completed);
    scrubtest::ExpectFailure(r, kCheckExcel, QStringLiteral("The window went away."));
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(files(), (QStringList{"calls.xlsx", "dnc.mdb"})) << "half-written result files are dropped";
    EXPECT_EQ(excel::Application::Instance().Workbooks().Count(), 0) << "closed, so read anew next time";
}

// A cell holds at most 32,767 characters, as the reader refuses longer ones:
// a mark that would make a cell longer stops the run before the save.
TEST_F(ExcelScrubTest, AMarkThatWouldMakeACellLongerThanACellHoldsStopsTheRun)
{
    writeBook({{"Name", "Phone", "Status"}, {"Ann", "2015551234", Variant(QString(32767, u's'))}});
    const QByteArray before = digest();
    xjob.settings.deleteFound = false;
    xjob.settings.markAction = 1;
    xjob.settings.markText = QStringLiteral("DNC");
    ASSERT_EQ(openSheet(), QString());
    const scrub::ExcelScrubResult r = scrub::ScrubExcelSheet(xjob, view, dnc);

    EXPECT_FALSE(r.completed);
    scrubtest::ExpectFailure(r, kCheckExcel, QStringLiteral("which holds at most 32767 characters"));
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(files(), (QStringList{"calls.xlsx", "dnc.mdb"}));
}

TEST_F(ExcelScrubTest, ABrokenLookUpAfterDeletionsLeavesTheWorkbookUnchanged)
{
    testsupport::BreakTable(dbPath, QStringLiteral("phone312"));
    Rows rows{{"Name", "Phone", "Status"}, {"Ann", "2015551234", "a"}};
    for (int i = 0; i < 70000; ++i)
        rows << QList<Variant>{Variant("n"), Variant("2015551234"), Variant("s")};
    rows << QList<Variant>{Variant("z"), Variant("3125550000"), Variant("s")};
    writeBook(rows);
    const QByteArray before = digest();
    ASSERT_EQ(openSheet(), QString());
    const scrub::ExcelScrubResult r = scrub::ScrubExcelSheet(xjob, view, dnc);
    EXPECT_FALSE(r.completed);
    scrubtest::ExpectFailure(r, kCheckExcel);
    EXPECT_EQ(digest(), before);
}

// A linked workbook of another owner (calls.xlsx -> target.xlsx elsewhere, 0640, 1234:2345), and
// what becomes of a file by the time the run saves: "+" another program appends to the workbook, a
// name: that file is made a folder.
class ExcelScrubPlaces : public ExcelScrubTest,
                         public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(ExcelScrubPlaces, TheWorkbookTakesItsPlaceWhereItLiesWithItsResultFilesOrNotAtAll)
{
    const QString change = QString::fromLatin1(GetParam().second);
    const QByteArray oldResults = "earlier\r\n";
    scrubtest::Write(folder + QStringLiteral("ok.txt"), oldResults);
    scrubtest::Write(folder + QStringLiteral("dnc.txt"), oldResults);
    QTemporaryDir elsewhere;
    const QString link = std::exchange(workbookPath, elsewhere.filePath(QStringLiteral("target.xlsx")));
    writeBook({{"Name", "Phone", "Status"}, {"Ann", "2015551234", "a"}, {"Bob", "2015550000", "b"}});
    const QByteArray target = QFile::encodeName(workbookPath);
    ASSERT_EQ(::symlink(target.constData(), QFile::encodeName(link).constData()) |
                  ::chown(target.constData(), 1234, 2345) | ::chmod(target.constData(), 0640),
              0);
    const QByteArray original = scrubtest::Read(workbookPath);
    view.onShow = [&] {
        QFile f(change == u"+" ? workbookPath : folder + change);
        if (!view.finalShown || change.isEmpty() || f.size() == original.size() + 1) return;
        if (change == u"+" && f.open(QIODevice::Append)) f.write("x");
        if (change != u"+" && f.remove()) QDir().mkdir(f.fileName());
    };
    xjob.sheet = OpenListSheet(link, sheetName).sheet;
    const scrub::ExcelScrubResult r = scrub::ScrubExcelSheet(xjob, view, dnc);

    if (!change.isEmpty()) {
        scrubtest::ExpectFailure(r, kCheckExcel,
                                 change == u"+" ? QStringLiteral("changed while it was scrubbed") : change);
        EXPECT_EQ(scrubtest::Read(workbookPath), original + (change == u"+" ? "x" : ""));
        for (const QString& name : {QStringLiteral("ok.txt"), QStringLiteral("dnc.txt")})
            if (name != change) EXPECT_EQ(file(name), oldResults);
        return;
    }
    scrubtest::ExpectFinished(r);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(sheetText(), (Text{{"Name", "Phone", "Status"}, {"Bob", "2015550000", "b"}}));
    struct stat st {};
    ASSERT_EQ(::stat(target.constData(), &st), 0);
    EXPECT_EQ(std::tuple(st.st_uid, st.st_gid, st.st_mode & 07777), std::tuple(1234u, 2345u, 0640u));
}

INSTANTIATE_TEST_SUITE_P(Places, ExcelScrubPlaces,
                         ::testing::Values(std::pair{"Scrubbed", ""},
                                           std::pair{"TheLinkIsAFolderAtTheSave", "calls.xlsx"},
                                           std::pair{"TheDncFileIsAFolderAtTheSave", "dnc.txt"},
                                           std::pair{"AnotherProgramWritesTheWorkbook", "+"}),
                         [](const auto& info) { return std::string(info.param.first); });

} // namespace
