// The workbook automation as its callers use it: one workbook per path while
// someone holds it, a fresh read of the disk once nobody does, sheets by name
// without regard to case, cells read and written, rows deleted with the rows
// below moving up, and closing with or without saving.

#include "files/WorkbookSupport.h"
#include "platform/excel/Excel.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using vb::Variant;

QByteArray Digest(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

class WorkbookAutomation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        write(QStringLiteral("calls.xlsx"), Variant(QStringLiteral("Ann")));
    }
    void write(const QString& name, const Variant& first)
    {
        files::XlsxWriter::write(dir.filePath(name), {{"Calls",
                                                       {{Variant("Name"), Variant("Phone")},
                                                        {first, Variant(2015551234.0)},
                                                        {Variant("Bob"), Variant(2015550002.0)},
                                                        {Variant("Cy"), Variant(2015550003.0)}}},
                                                      {"Notes", {{Variant("kept")}}}});
    }
    QString path() const { return dir.filePath(QStringLiteral("calls.xlsx")); }
    excel::Workbooks& books() { return excel::Application::Instance().Workbooks(); }
    QTemporaryDir dir;
};

TEST_F(WorkbookAutomation, TheSamePathOpenedTwiceGivesOneWorkbook)
{
    const auto first = books().Open(path());
    const auto again = books().Open(dir.path() + QStringLiteral("/./calls.xlsx"));
    EXPECT_EQ(first.get(), again.get());
    EXPECT_EQ(books().Count(), 1);
    EXPECT_EQ(first->Name(), QStringLiteral("calls.xlsx"));
    EXPECT_EQ(first->FullName(), QDir(dir.path()).canonicalPath() + QStringLiteral("/calls.xlsx"));
    EXPECT_EQ(first->Path() + QLatin1Char('/') + first->Name(), first->FullName());
}

TEST_F(WorkbookAutomation, AWorkbookNobodyHoldsIsClosedAndAReopenReadsTheDisk)
{
    {
        const auto book = books().Open(path());
        book->Worksheets(QStringLiteral("Calls"))->Cells(2, 1).SetValue(Variant("changed, not saved"));
    }
    EXPECT_EQ(books().Count(), 0);
    write(QStringLiteral("calls.xlsx"), Variant(QStringLiteral("Zed")));
    const auto book = books().Open(path());
    EXPECT_EQ(book->Worksheets(QStringLiteral("Calls"))->Cells(2, 1).Text(), QStringLiteral("Zed"));
}

TEST_F(WorkbookAutomation, ASheetHeldKeepsItsWorkbookOpen)
{
    std::shared_ptr<excel::Worksheet> sheet = books().Open(path())->Worksheets(QStringLiteral("calls"));
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->Name(), QStringLiteral("Calls")) << "found without regard to case";
    EXPECT_EQ(books().Count(), 1);
    EXPECT_EQ(sheet->Cells(2, 2).Text(), QStringLiteral("2015551234")) << "a number reads as plain digits";
    EXPECT_EQ(sheet->Parent()->Worksheets(QStringLiteral("Missing")), nullptr);
}

TEST_F(WorkbookAutomation, ClosingWithoutSavingLeavesTheFileAsItWas)
{
    const QByteArray before = Digest(path());
    const auto book = books().Open(path());
    const auto sheet = book->Worksheets(QStringLiteral("Calls"));
    sheet->Cells(2, 1).SetValue(Variant("X"));
    sheet->Rows(QStringLiteral("3:3")).Delete();
    EXPECT_FALSE(book->Saved());
    book->Close(false);
    EXPECT_EQ(Digest(path()), before);
    EXPECT_EQ(books().Count(), 0);
    EXPECT_THROW(sheet->Cells(1, 1).Value(), vb::ErrObject) << "a closed workbook's sheet is not used";
}

TEST_F(WorkbookAutomation, DeletedRowsMoveTheRowsBelowUpAndSaveToTheFile)
{
    {
        const auto book = books().Open(path());
        const auto sheet = book->Worksheets(1);
        sheet->Rows(QStringLiteral("2:3")).Delete();
        EXPECT_EQ(sheet->Cells(2, 1).Text(), QStringLiteral("Cy"));
        EXPECT_EQ(sheet->UsedRange().lastRow, 2);
        book->Close(true);
    }
    const auto book = books().Open(path());
    const auto sheet = book->Worksheets(QStringLiteral("Calls"));
    EXPECT_EQ(sheet->Cells(1, 1).Text(), QStringLiteral("Name"));
    EXPECT_EQ(sheet->Cells(2, 1).Text(), QStringLiteral("Cy"));
    EXPECT_EQ(sheet->Cells(3, 1).Text(), QString());
    EXPECT_EQ(book->Worksheets(QStringLiteral("Notes"))->Cells(1, 1).Text(), QStringLiteral("kept"));
}

struct BadAddress {
    const char* address;
};

class RowAddresses : public WorkbookAutomation, public ::testing::WithParamInterface<BadAddress> {};

TEST_P(RowAddresses, ARowRangeThatIsNotOneIsRefused)
{
    const auto sheet = books().Open(path())->Worksheets(1);
    try {
        sheet->Rows(QString::fromLatin1(GetParam().address)).Delete();
        FAIL() << "accepted " << GetParam().address;
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, 1004);
    }
    EXPECT_EQ(sheet->Cells(2, 1).Text(), QStringLiteral("Ann"));
}

INSTANTIATE_TEST_SUITE_P(Addresses, RowAddresses,
                         ::testing::Values(BadAddress{"A1"}, BadAddress{"0:0"}, BadAddress{"2"},
                                           BadAddress{"1048577:1048577"}, BadAddress{""}));

} // namespace

namespace {

// A sheet whose table starts below the title: its header row (Bob's, row 3)
// cannot go, the rows above and below it can.
TEST(WorkbookAutomationRowsHeld, DeletingATablesHeaderRowIsRefusedWithAMessageThatNamesIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("calls.xlsx"));
    QString rows;
    const char* names[] = {"Name", "Ann", "Bob", "Cy", "Di"};
    for (int r = 1; r <= 5; ++r)
        rows += QStringLiteral("<row r=\"%1\"><c r=\"A%1\" t=\"inlineStr\"><is><t>%2</t></is></c></row>")
                    .arg(r)
                    .arg(QLatin1String(names[r - 1]));
    wbtest::Package p;
    p.sheets = {{QStringLiteral("Calls"), wbtest::sheetXml(rows, {},
                                                           QStringLiteral("<tableParts count=\"1\">"
                                                                          "<tablePart r:id=\"rId1\"/>"
                                                                          "</tableParts>"))}};
    p.extraParts = {
        {QStringLiteral("xl/worksheets/_rels/sheet1.xml.rels"),
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/table\" "
         "Target=\"../tables/table1.xml\"/></Relationships>"},
        {QStringLiteral("xl/tables/table1.xml"),
         "<table xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" id=\"1\" name=\"Later\" "
         "displayName=\"Later\" ref=\"A3:A5\"><autoFilter ref=\"A3:A5\"/><tableColumns count=\"1\">"
         "<tableColumn id=\"1\" name=\"Bob\"/></tableColumns></table>"}};
    wbtest::writePackage(path, p);

    const std::shared_ptr<excel::Workbook> book = excel::Application::Instance().Workbooks().Open(path);
    const std::shared_ptr<excel::Worksheet> sheet = book->Worksheets(QStringLiteral("Calls"));
    EXPECT_EQ(sheet->RowsHeldMessage(4), QString());
    EXPECT_EQ(
        sheet->RowsHeldMessage(2),
        QStringLiteral("Deleting rows from the sheet Calls would leave behind or cut the header row of the "
                       "table Later, so no row is deleted. Mark the numbers instead, or remove them first."));
    try {
        sheet->Rows(QStringLiteral("3:3")).Delete();
        ADD_FAILURE() << "the header row was deleted";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, 1004);
    }
    EXPECT_TRUE(book->Saved());
    sheet->Rows(QStringLiteral("2:2")).Delete(); // Ann goes; the table moves up
    sheet->Rows(QStringLiteral("4:4")).Delete(); // Di goes; the table keeps Cy
    book->Close(true);
    EXPECT_EQ(wbtest::entry(path, QStringLiteral("xl/tables/table1.xml")).toStdString(),
              std::string(
                  "<table xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" id=\"1\" "
                  "name=\"Later\" displayName=\"Later\" ref=\"A2:A3\"><autoFilter ref=\"A2:A3\"/>"
                  "<tableColumns count=\"1\"><tableColumn id=\"1\" name=\"Bob\"/></tableColumns></table>\n"));
}

} // namespace
