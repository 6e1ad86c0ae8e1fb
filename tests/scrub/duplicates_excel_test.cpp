// Duplicate removal on a workbook: the rows of every copy of a number but
// the last are deleted, the rows below moving up; text and number cells of
// one number are one; what cannot be done is said before anything changes.

#include "DuplicatesFixture.h"

namespace {

using vb::Variant;
using Text = QList<QStringList>;

struct ExcelCase {
    const char* name;
    QList<QList<Variant>> rows;
    int phone;
    int area;
    Text after;
    std::int32_t removed; // -1: no duplicates
};

void PrintTo(const ExcelCase& c, std::ostream* os)
{
    *os << c.name;
}

const Variant E;

class ExcelDuplicates : public DuplicatesTest, public ::testing::WithParamInterface<ExcelCase> {};

TEST_P(ExcelDuplicates, TheRowOfTheLastCopyStays)
{
    const ExcelCase& c = GetParam();
    writeBook(c.rows);
    xdjob.phoneColumn = c.phone;
    xdjob.areaColumn = c.area;
    const QByteArray before = digest();
    const scrub::DuplicatesResult r = removeFromWorkbook();

    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.summary, c.removed >= 0 ? QStringLiteral("Action is finished!") : QString());
    EXPECT_EQ(sheetText(), c.after);
    EXPECT_EQ(sheetText(QStringLiteral("Notes")), (Text{{"kept"}}));
    EXPECT_EQ(r.recordCount, c.after.size() - 1);
    if (c.removed < 0) {
        EXPECT_EQ(digest(), before);
        EXPECT_EQ(dview.status, QStringLiteral("No Duplicate Number"));
    } else {
        EXPECT_EQ(r.removed, c.removed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExcelDuplicates,
    ::testing::Values(
        ExcelCase{"RowsTwoAndThreeHoldingOneNumber",
                  {{"Name", "Phone"}, {"A", "2015551234"}, {"B", "2015551234"}, {"C", "2015550000"}},
                  2,
                  0,
                  Text{{"Name", "Phone"}, {"B", "2015551234"}, {"C", "2015550000"}},
                  1},
        ExcelCase{"NumberAndTextCellsOfOneNumber",
                  {{"Name", "Phone"}, {"A", 2015551234.0}, {"B", "2015551234"}, {"C", 2015551234.0}},
                  2,
                  0,
                  Text{{"Name", "Phone"}, {"C", "2015551234"}},
                  2},
        ExcelCase{"AnAreaColumnInFront",
                  {{"Area", "Phone"}, {201.0, "5551234"}, {973.0, "5551234"}, {"201", 5551234.0}},
                  2,
                  1,
                  Text{{"Area", "Phone"}, {"973", "5551234"}, {"201", "5551234"}},
                  1},
        ExcelCase{"EmptyPhoneCellsAreKept",
                  {{"Name", "Phone"}, {"A", E}, {"B", E}, {"C", "1"}},
                  2,
                  0,
                  Text{{"Name", "Phone"}, {"A", ""}, {"B", ""}, {"C", "1"}},
                  -1},
        ExcelCase{"AFieldNamedWithADash",
                  {{"Name", "Home - Phone"}, {"A", "2015551234"}, {"B", "2015551234"}},
                  2,
                  0,
                  Text{{"Name", "Home - Phone"}, {"B", "2015551234"}},
                  1}),
    [](const ::testing::TestParamInfo<ExcelCase>& info) { return std::string(info.param.name); });

TEST_F(DuplicatesTest, AnXlsWorkbookWithDuplicatesIsRefusedUnchanged)
{
    QByteArray cells =
        wbtest::Biff::number(0, 1, 15, 2015551234.0) + wbtest::Biff::number(1, 1, 15, 2015551234.0);
    workbookPath = folder + QStringLiteral("old.xls");
    xdjob.titleFirstLine = false;
    scrubtest::Write(workbookPath,
                     wbtest::compoundFile(QStringLiteral("Workbook"),
                                          wbtest::biffWorkbook({QStringLiteral("x")},
                                                               {{QStringLiteral("Calls"), 2, 2, cells}})));
    const QByteArray before = scrubtest::Read(workbookPath);
    const scrub::DuplicatesResult r = removeFromWorkbook();
    EXPECT_FALSE(r.completed);
    EXPECT_TRUE(r.refusal.contains(QStringLiteral("can only be read"))) << r.refusal.toStdString();
    EXPECT_EQ(scrubtest::Read(workbookPath), before);
}

TEST_F(DuplicatesTest, AnErrorMidRunLeavesTheWorkbookUnchanged)
{
    Rows rows{{"Name", "Phone"}};
    for (int i = 0; i < 300; ++i)
        rows << QList<Variant>{Variant("n"), Variant(QString::number(2015551200 + i % 50))};
    writeBook(rows);
    const QByteArray before = digest();
    dview.failAt = 200;
    const scrub::DuplicatesResult r = removeFromWorkbook();
    EXPECT_FALSE(r.completed);
    scrubtest::ExpectFailure(r, QStringLiteral("CheckExcel"), QStringLiteral("The disk went away."));
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(excel::Application::Instance().Workbooks().Count(), 0);
}

TEST_F(DuplicatesTest, AMissingSheetIsSaid)
{
    writeBook({{"Name", "Phone"}, {"A", "1"}});
    sheetName = QStringLiteral("Leads");
    QString refusal;
    EXPECT_FALSE(removeFromWorkbook(&refusal).completed);
    EXPECT_EQ(refusal, QStringLiteral("Sheet is not found!."));
}

} // namespace
