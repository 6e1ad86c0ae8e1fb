// A workbook scrub walks the rows of the sheet's used range below its title,
// deletes a found number's row (the rows below moving up) or writes the mark
// into its mark cell as text, and saves the workbook; the result files, the
// summary and the record count after the run follow the rows.

#include "ExcelScrubFixture.h"

namespace {

using vb::Variant;
using Text = QList<QStringList>;

struct RowsCase {
    const char* name;
    QList<QList<Variant>> rows; // the sheet "Calls" as written
    bool title;
    int phone;
    int area;
    bool deleting;
    int markAction;
    const char* markText;
    Text after;             // the sheet read back
    const char* ok;         // the OK file after its header
    const char* dnc;        // the DNC file's numbers after its header
    std::int32_t remaining; // the record count after the run
};

void PrintTo(const RowsCase& c, std::ostream* os)
{
    *os << c.name;
}

const Variant E; // an empty cell

class ExcelScrubRows : public ExcelScrubTest, public ::testing::WithParamInterface<RowsCase> {};

TEST_P(ExcelScrubRows, TheSheetAndResultFilesShowWhatWasFound)
{
    const RowsCase& c = GetParam();
    writeBook(c.rows);
    xjob.titleFirstLine = c.title;
    xjob.phoneColumn = c.phone;
    xjob.areaColumn = c.area;
    xjob.markColumn = 3;
    xjob.settings.markAction = c.markAction;
    xjob.settings.deleteFound = c.deleting;
    xjob.settings.markText = QString::fromLatin1(c.markText);
    const scrub::ExcelScrubResult r = runExcel();

    EXPECT_TRUE(r.completed);
    EXPECT_EQ(sheetText(), c.after);
    EXPECT_EQ(sheetText(QStringLiteral("Notes")), (Text{{"kept"}}));
    EXPECT_EQ(file(QStringLiteral("ok.txt")), QByteArray("Numbers Not In DNC List\r\n") + c.ok);
    QByteArray dnc = "Numbers In DNC List, Remove Time\r\n";
    for (const QByteArray& n : QByteArray(c.dnc).split(' '))
        if (!n.isEmpty()) dnc += n + ",3/2/2007 2:25:30 PM\r\n";
    EXPECT_EQ(file(QStringLiteral("dnc.txt")), dnc);
    EXPECT_EQ(r.recordCount, c.remaining);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExcelScrubRows,
    ::testing::Values(
        RowsCase{"RowsTwoAndThreeFoundAreBothDeleted",
                 {{"Name", "Phone", "Status"},
                  {"Ann", "2015551234", "new"},
                  {"Bob", "2015559999", "new"},
                  {"Cy", "2015550000", "new"}},
                 true,
                 2,
                 0,
                 true,
                 0,
                 "DNC",
                 Text{{"Name", "Phone", "Status"}, {"Cy", "2015550000", "new"}},
                 "2015550000\r\n",
                 "2015551234 2015559999",
                 1},
        RowsCase{
            "ANumericPhoneCellIsLookedUpAsItsDigits",
            {{"Name", "Phone", "Status"}, {"Ann", 2015551234.0, "new"}, {"Bob", 2015550000.0, "x"}},
            true,
            2,
            0,
            false,
            0,
            "DNC",
            Text{{"Name", "Phone", "Status"}, {"Ann", "2015551234", "DNCnew"}, {"Bob", "2015550000", "x"}},
            "2015550000\r\n",
            "2015551234",
            2},
        RowsCase{"AnAreaCodeInItsOwnColumnGoesInFront",
                 {{"Area", "Phone", "Status"},
                  {201.0, "555-1234", "a"},
                  {973.0, 1234567.0, "b"},
                  {201.0, "5550000", "c"}},
                 true,
                 2,
                 1,
                 false,
                 1,
                 "*",
                 Text{{"Area", "Phone", "Status"},
                      {"201", "555-1234", "a*"},
                      {"973", "1234567", "b*"},
                      {"201", "5550000", "c"}},
                 "2015550000\r\n",
                 "2015551234 9731234567",
                 3},
        RowsCase{"BlankRowsAboveTheTitleAndInsideTheDataAreWalkedOnce",
                 {{},
                  {},
                  {"Name", "Phone", "Status"},
                  {"Ann", "2015551234", "a"},
                  {},
                  {"Cy", "2015559999", "c"},
                  {"Di", "2015550000", "d"}},
                 true,
                 2,
                 0,
                 true,
                 0,
                 "DNC",
                 Text{{"", "", ""},
                      {"", "", ""},
                      {"Name", "Phone", "Status"},
                      {"", "", ""},
                      {"Di", "2015550000", "d"}},
                 "2015550000\r\n",
                 "2015551234 2015559999",
                 2},
        RowsCase{"WithoutATitleTheFirstRowIsARecord",
                 {{"Ann", "2015551234", "a"}, {"Bob", "2015550000", "b"}},
                 false,
                 2,
                 0,
                 false,
                 2,
                 "X",
                 Text{{"Ann", "2015551234", "X"}, {"Bob", "2015550000", "b"}},
                 "2015550000\r\n",
                 "2015551234",
                 2},
        RowsCase{
            "ElevenCharactersLoseTheFirstAndShortOnesAreUnusable",
            {{"Name", "Phone", "Status"}, {"Ann", "12015551234", "a"}, {"Bob", "555", "b"}, {"Cy", E, "c"}},
            true,
            2,
            0,
            true,
            0,
            "DNC",
            Text{{"Name", "Phone", "Status"}, {"Bob", "555", "b"}, {"Cy", "", "c"}},
            "",
            "2015551234",
            2},
        RowsCase{"AnEmptyMarkTextReplacingEmptiesTheMarkCell",
                 {{"Name", "Phone", "Status"}, {"Ann", "2015551234", "old"}},
                 true,
                 2,
                 0,
                 false,
                 2,
                 "",
                 Text{{"Name", "Phone", "Status"}, {"Ann", "2015551234", ""}},
                 "",
                 "2015551234",
                 1},
        RowsCase{"AnEmptyMarkTextPrefixingLeavesTheMarkCell",
                 {{"Name", "Phone", "Status"}, {"Ann", "2015551234", "old"}},
                 true,
                 2,
                 0,
                 false,
                 0,
                 "",
                 Text{{"Name", "Phone", "Status"}, {"Ann", "2015551234", "old"}},
                 "",
                 "2015551234",
                 1},
        RowsCase{"ANumericMarkCellGetsTheMarkAsText",
                 {{"Name", "Phone", "Status"}, {"Ann", "2015551234", 7.0}},
                 true,
                 2,
                 0,
                 false,
                 0,
                 "999",
                 Text{{"Name", "Phone", "Status"}, {"Ann", "2015551234", "9997"}},
                 "",
                 "2015551234",
                 1}),
    [](const ::testing::TestParamInfo<RowsCase>& info) { return std::string(info.param.name); });

TEST_F(ExcelScrubTest, MarksAreStoredAsTextNotNumbers)
{
    writeBook({{"Name", "Phone", "Status"}, {"Ann", "2015551234", 7.0}});
    xjob.settings.deleteFound = false;
    xjob.settings.markText = QStringLiteral("1");
    runExcel();
    files::Workbook wb;
    wb.open(workbookPath);
    EXPECT_EQ(wb.sheet(0).value(2, 3), Variant(QStringLiteral("17")));
}

TEST_F(ExcelScrubTest, AHundredThousandRowsWithEveryThirdFoundAreDeletedInOneRun)
{
    // Deleting as the walk goes must not cost a pass over the rows below
    // per deletion; the outcome is the rows not found, in their order.
    Rows rows{{"Name", "Phone", "Status"}};
    for (int i = 0; i < 30000; ++i) {
        rows << QList<Variant>{Variant("x"), Variant("2015551234"), Variant("a")};
        rows << QList<Variant>{Variant("y"), Variant(QString::number(2015560000LL + i)), Variant("b")};
        rows << QList<Variant>{Variant("z"), Variant(QString::number(2015570000LL + i)), Variant("c")};
    }
    writeBook(rows);
    xjob.settings.exportOk = false;
    xjob.settings.exportDnc = false;
    const scrub::ExcelScrubResult r = runExcel();
    EXPECT_EQ(r.counters.found, 30000);
    EXPECT_EQ(r.recordCount, 60000);
    const Text after = sheetText();
    ASSERT_EQ(after.size(), 60001);
    EXPECT_EQ(after[1], (QStringList{"y", "2015560000", "b"}));
    EXPECT_EQ(after[2], (QStringList{"z", "2015570000", "c"}));
    EXPECT_EQ(after[60000], (QStringList{"z", "2015599999", "c"}));
}

TEST_F(ExcelScrubTest, TheSummaryAndProgressGiveTheCountsAndShare)
{
    Rows rows{{"Name", "Phone", "Status"}};
    for (int i = 0; i < 197; ++i)
        rows << QList<Variant>{Variant("n"), Variant(QString::number(2015560000LL + i)), Variant("s")};
    rows << QList<Variant>{Variant("a"), Variant("2015551234"), Variant("s")};
    rows << QList<Variant>{Variant("b"), Variant("2015559999"), Variant("s")};
    rows << QList<Variant>{Variant("c"), Variant("12"), Variant("s")};
    writeBook(rows);
    const scrub::ExcelScrubResult r = runExcel();
    EXPECT_EQ(r.summary, QStringLiteral("Action is finished!\r\n197 Not in DNC List; 2(1.00%) in DNC List; 1 "
                                        "Null Numbers "));
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(view.barMaximum, 200);
    EXPECT_EQ(view.shownAt, (std::vector<std::int32_t>{100, 200, 200}));
}

} // namespace
