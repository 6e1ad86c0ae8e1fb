// Changing xlsx workbooks: setting cells, deleting rows with shift-up, and
// saving so that only the changed sheets are rewritten.

#include "WorkbookSupport.h"
#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <limits>

using files::Workbook;
using vb::Variant;

namespace {

bool wellFormed(const QByteArray& xml)
{
    QXmlStreamReader x(xml);
    while (!x.atEnd())
        x.readNext();
    return !x.hasError();
}

// A calling list the way Excel leaves it: styles, shared strings, a second
// sheet, a drawing, document properties, row heights, merged cells and the
// other per-sheet parts that refer to rows.
wbtest::Package callingList()
{
    wbtest::Package p;
    p.styles = wbtest::stylesXml({}, {"0", "14", "0"});
    p.sharedStrings = wbtest::sstXml(
        {"<t>Phone</t>", "<t>Name</t>", "<t>Ann</t>", "<t>Bob</t>", "<t>Cy</t>", "<t>Dee</t>", "<t>Eve</t>"});
    QString rows = QStringLiteral("<row r=\"1\" spans=\"1:2\" s=\"2\" customFormat=\"1\"><c r=\"A1\" "
                                  "t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>");
    const char* phones[] = {"2015550101", "2015550102", "2015550103", "2015550104", "2015550105"};
    for (int i = 0; i < 5; ++i) {
        const int r = i + 2;
        rows += QStringLiteral("<row r=\"%1\" spans=\"1:2\"%2><c r=\"A%1\"><v>%3</v></c><c r=\"B%1\" s=\"2\" "
                               "t=\"s\"><v>%4</v></c></row>")
                    .arg(r)
                    .arg(r == 4 ? QStringLiteral(" ht=\"30\" customHeight=\"1\"") : QString())
                    .arg(QLatin1String(phones[i]))
                    .arg(i + 2);
    }
    const QString before =
        QStringLiteral("<dimension ref=\"A1:B6\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
                       "<sheetFormatPr defaultRowHeight=\"15\"/><cols><col min=\"1\" max=\"1\" width=\"20\" "
                       "customWidth=\"1\"/></cols>");
    const QString after = QStringLiteral(
        "<autoFilter ref=\"A1:B6\"/>"
        "<mergeCells count=\"2\"><mergeCell ref=\"C3:D3\"/><mergeCell ref=\"C5:D6\"/></mergeCells>"
        "<conditionalFormatting sqref=\"A3 A5:A6\"><cfRule type=\"duplicateValues\" dxfId=\"0\" "
        "priority=\"1\"/></conditionalFormatting>"
        "<conditionalFormatting sqref=\"B3\"><cfRule type=\"containsBlanks\" dxfId=\"0\" "
        "priority=\"2\"/></conditionalFormatting>"
        "<hyperlinks><hyperlink ref=\"B6\" r:id=\"rId1\"/></hyperlinks>"
        "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
        "<drawing r:id=\"rId2\"/>");
    p.sheets = {{QStringLiteral("Calls"), wbtest::sheetXml(rows, before, after)},
                {QStringLiteral("Other"),
                 wbtest::sheetXml(QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>6</v></c></row>"))}};
    p.extraParts = {
        {QStringLiteral("xl/worksheets/_rels/sheet1.xml.rels"),
         QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" "
                    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink\" "
                    "Target=\"http://example.invalid/\" TargetMode=\"External\"/>"
                    "<Relationship Id=\"rId2\" "
                    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing\" "
                    "Target=\"../drawings/drawing1.xml\"/></Relationships>")},
        {QStringLiteral("xl/drawings/drawing1.xml"), QByteArray("<xdr:wsDr xmlns:xdr=\"urn:x\"/>")},
        {QStringLiteral("docProps/app.xml"),
         QByteArray("<Properties><Application>Spreadsheet</Application></Properties>")}};
    return p;
}

class WorkbookSave : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("list.xlsx")); }
};

TEST_F(WorkbookSave, DeletedRowShiftsTheRowsBelowUpAndEverythingElseStaysByteForByte)
{
    writePackage(path(), callingList());
    const auto before = wbtest::readZip(path());
    {
        Workbook wb;
        wb.open(path());
        files::Worksheet& s = *wb.sheet(QStringLiteral("Calls"));
        s.deleteRows(3);
        EXPECT_EQ(vb::CStr(s.value(3, 1)), "2015550103");
        EXPECT_EQ(s.usedRange().lastRow, 5);
        EXPECT_TRUE(wb.isModified());
        wb.save();
        EXPECT_FALSE(wb.isModified());
    }
    const auto after = wbtest::readZip(path());
    ASSERT_EQ(after.size(), before.size());
    for (int i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].name, before[i].name) << "entries keep their order";
        if (before[i].name == "xl/workbook.xml") // asked to calculate anew, as the cells changed
            EXPECT_EQ(
                QByteArray(after[i].data).replace("<calcPr fullCalcOnLoad=\"1\"/>", "").replace('\n', ""),
                QByteArray(before[i].data).replace('\n', ""));
        else if (before[i].name != "xl/worksheets/sheet1.xml") {
            EXPECT_EQ(after[i].data, before[i].data) << before[i].name.toStdString();
            EXPECT_EQ(wbtest::rawEntry(path(), before[i].name).size() > 0, true);
        }
    }

    const QByteArray sheet = wbtest::entry(path(), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(wellFormed(sheet));
    EXPECT_TRUE(sheet.contains("<dimension ref=\"A1:B5\"/>"));
    EXPECT_TRUE(sheet.contains("<autoFilter ref=\"A1:B5\"/>"));
    // C3:D3 lay in the deleted row; C5:D6 moved up.
    EXPECT_TRUE(sheet.contains("<mergeCells count=\"1\"><mergeCell ref=\"C4:D5\"/></mergeCells>"));
    EXPECT_TRUE(sheet.contains("<conditionalFormatting sqref=\"A4:A5\">"));
    EXPECT_FALSE(sheet.contains("containsBlanks")) << "a format of the deleted row only goes with it";
    EXPECT_TRUE(sheet.contains("<hyperlink ref=\"B5\" r:id=\"rId1\"/>"));
    EXPECT_TRUE(sheet.contains("<drawing r:id=\"rId2\"/>"));
    EXPECT_TRUE(sheet.contains("<col min=\"1\" max=\"1\" width=\"20\" customWidth=\"1\"/>"));
    // The tall row (was 4) is row 3 now and keeps its height.
    EXPECT_TRUE(sheet.contains("<row r=\"3\" spans=\"1:2\" ht=\"30\" customHeight=\"1\">"));
    EXPECT_TRUE(sheet.contains("<row r=\"1\" spans=\"1:2\" s=\"2\" customFormat=\"1\">"));

    Workbook again;
    again.open(path());
    files::Worksheet& s = again.sheet(0);
    const char* expected[] = {"Phone", "2015550101", "2015550103", "2015550104", "2015550105"};
    const char* names[] = {"Name", "Ann", "Cy", "Dee", "Eve"};
    for (int r = 1; r <= 5; ++r) {
        EXPECT_EQ(vb::CStr(s.value(r, 1)), expected[r - 1]);
        EXPECT_EQ(vb::CStr(s.value(r, 2)), names[r - 1]);
    }
    EXPECT_TRUE(s.value(6, 1).isEmpty());
    EXPECT_EQ(again.sheet(1).value(1, 1), Variant("Eve"));
}

TEST_F(WorkbookSave, DeletingRowByRowReadsTheNextRecordFromTheSameRow)
{
    QList<QList<Variant>> rows = {{Variant("Phone")}};
    for (int i = 0; i < 300; ++i)
        rows.append({Variant(2015550000.0 + i)});
    files::XlsxWriter::write(path(), {{QStringLiteral("S"), rows}});
    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    // Delete every number that ends in 0, 1 or 2, walking down as a scrub does.
    int r = 2, deleted = 0;
    for (int k = 0; k < 300; ++k) {
        const qint64 n = static_cast<qint64>(s.value(r, 1).toDouble());
        if (n % 10 <= 2) {
            s.deleteRows(r);
            ++deleted;
        } else {
            ++r;
        }
    }
    EXPECT_EQ(deleted, 90);
    EXPECT_EQ(s.usedRange().lastRow, 211);
    wb.save();

    Workbook again;
    again.open(path());
    files::Worksheet& t = again.sheet(0);
    EXPECT_EQ(t.usedRange().lastRow, 211);
    EXPECT_EQ(vb::CStr(t.value(2, 1)), "2015550003");
    EXPECT_EQ(vb::CStr(t.value(211, 1)), "2015550299");
    for (int i = 2; i <= 211; ++i)
        EXPECT_GT(static_cast<qint64>(t.value(i, 1).toDouble()) % 10, 2);
}

TEST_F(WorkbookSave, SetValuesThenSaveAndReopen)
{
    writePackage(path(), callingList());
    const QByteArray sstBefore = wbtest::rawEntry(path(), "xl/sharedStrings.xml");
    const QByteArray otherBefore = wbtest::rawEntry(path(), "xl/worksheets/sheet2.xml");
    const QByteArray stylesBefore = wbtest::rawEntry(path(), "xl/styles.xml");
    {
        Workbook wb;
        wb.open(path());
        files::Worksheet& s = wb.sheet(0);
        s.setValue(2, 2, Variant("DNC Ann"));              // over a shared string
        s.setValue(3, 1, Variant(2015559999.0));           // number over number
        s.setValue(4, 2, Variant());                       // cleared, keeps its format
        s.setValue(5, 3, Variant(true));                   // a new cell in an existing row
        s.setValue(10, 4, Variant("  spaced <&> text  ")); // a new row below the data
        s.setValue(6, 2, Variant(""));                     // "" clears like Empty
        s.setValue(7, 7, Variant());                       // clearing nothing changes nothing
        s.setValue(2, 5, Variant::fromDate(vb::DateSerial(2021, 3, 4)));
        s.setValue(3, 5, Variant(12));
        EXPECT_EQ(s.value(2, 2), Variant("DNC Ann"));
        EXPECT_FALSE(wb.sheet(1).isModified());
        wb.save();
    }
    EXPECT_EQ(wbtest::rawEntry(path(), "xl/sharedStrings.xml"), sstBefore) << "new text goes inline";
    EXPECT_EQ(wbtest::rawEntry(path(), "xl/worksheets/sheet2.xml"), otherBefore);
    EXPECT_EQ(wbtest::rawEntry(path(), "xl/styles.xml"), stylesBefore);
    const QByteArray sheet = wbtest::entry(path(), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(wellFormed(sheet));
    EXPECT_TRUE(sheet.contains("<c r=\"B4\" s=\"2\"/>")) << sheet.toStdString();

    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    EXPECT_EQ(s.value(2, 2), Variant("DNC Ann"));
    EXPECT_EQ(vb::CStr(s.value(3, 1)), "2015559999");
    EXPECT_TRUE(s.value(4, 2).isEmpty());
    EXPECT_EQ(vb::CStr(s.value(4, 1)), "2015550103");
    EXPECT_EQ(s.value(5, 3), Variant(true));
    EXPECT_EQ(s.value(10, 4), Variant("  spaced <&> text  "));
    EXPECT_TRUE(s.value(6, 2).isEmpty());
    EXPECT_EQ(s.value(2, 5), Variant(44259.0))
        << "a date in a cell without a date format is its serial number";
    EXPECT_EQ(s.value(3, 5), Variant(12.0));
    EXPECT_EQ(s.usedRange().lastRow, 10);
}

TEST_F(WorkbookSave, TextThatXmlCannotCarryIsEscapedAndReadsBack)
{
    files::XlsxWriter::write(path(), {{QStringLiteral("S"), {{Variant(1)}}}});
    const QString nasty = QStringLiteral("a\x01") + QChar(0xFFFF) + QStringLiteral("b_x0041_\tc\nd\r\ne\r");
    {
        Workbook wb;
        wb.open(path());
        wb.sheet(0).setValue(1, 2, Variant(nasty));
        wb.save();
    }
    EXPECT_TRUE(wellFormed(wbtest::entry(path(), "xl/worksheets/sheet1.xml")));
    Workbook wb;
    wb.open(path());
    EXPECT_EQ(wb.sheet(0).value(1, 2), Variant(nasty));
}

TEST_F(WorkbookSave, ValuesThatCannotBeStoredChangeNothing)
{
    files::XlsxWriter::write(path(), {{QStringLiteral("S"), {{Variant(1)}}}});
    Workbook wb;
    wb.open(path());
    EXPECT_THROW(wb.sheet(0).setValue(1, 1, Variant(std::numeric_limits<double>::infinity())), vb::ErrObject);
    EXPECT_THROW(wb.sheet(0).setValue(0, 1, Variant(1)), vb::ErrObject);
    EXPECT_THROW(wb.sheet(0).deleteRows(0), vb::ErrObject);
    EXPECT_EQ(wb.sheet(0).value(1, 1), Variant(1.0));
    EXPECT_FALSE(wb.isModified());
}

TEST_F(WorkbookSave, SharedFormulaWhoseFirstCellIsDeletedLeavesValuesAndCalcChainGoes)
{
    wbtest::Package p;
    p.sheets = {{QStringLiteral("S"),
                 wbtest::sheetXml(QStringLiteral(
                     "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><f t=\"shared\" ref=\"B1:B3\" "
                     "si=\"0\">A1*2</f><v>2</v></c>"
                     "<c r=\"C1\"><f t=\"shared\" ref=\"C1:C3\" si=\"1\">A1+1</f><v>2</v></c></row>"
                     "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"B2\"><f t=\"shared\" si=\"0\"/><v>4</v></c>"
                     "<c r=\"C2\"><f t=\"shared\" si=\"1\"/><v>3</v></c></row>"
                     "<row r=\"3\"><c r=\"A3\"><v>3</v></c><c r=\"B3\"><f t=\"shared\" si=\"0\"/><v>6</v></c>"
                     "<c r=\"C3\"><f t=\"shared\" si=\"1\"/><v>4</v></c></row>"))}};
    p.calcChain = QByteArray("<calcChain xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                             "<c r=\"B1\" i=\"1\"/><c r=\"B2\"/><c r=\"B3\"/></calcChain>");
    writePackage(path(), p);
    {
        Workbook wb;
        wb.open(path());
        files::Worksheet& s = wb.sheet(0);
        s.setValue(1, 2, Variant(100)); // B1 held the text of group 0
        s.deleteRows(2);                // C2 goes; C3 moves up into group 1's range
        wb.save();
    }
    const QStringList names = wbtest::entryNames(path());
    EXPECT_FALSE(names.contains("xl/calcChain.xml"));
    EXPECT_FALSE(wbtest::entry(path(), "[Content_Types].xml").contains("calcChain"));
    EXPECT_FALSE(wbtest::entry(path(), "xl/_rels/workbook.xml.rels").contains("calcChain"));
    EXPECT_TRUE(wbtest::entry(path(), "xl/_rels/workbook.xml.rels").contains("worksheets/sheet1.xml"));
    const QByteArray sheet = wbtest::entry(path(), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(wellFormed(sheet));
    EXPECT_FALSE(sheet.contains("si=\"0\"")) << "no cell may point at a shared formula that is gone";
    EXPECT_TRUE(sheet.contains("<f t=\"shared\" ref=\"C1:C2\" si=\"1\">A1+1</f>")) << sheet.toStdString();

    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    EXPECT_EQ(s.value(1, 2), Variant(100.0));
    EXPECT_EQ(s.value(2, 2), Variant(6.0));
    EXPECT_FALSE(s.hasFormula(2, 2));
    EXPECT_TRUE(s.hasFormula(2, 3));
    EXPECT_EQ(s.formula(1, 3), "=A1+1");
}

TEST_F(WorkbookSave, CalcChainStaysWhenNoFormulaMoves)
{
    wbtest::Package p;
    p.sheets = {{QStringLiteral("S"),
                 wbtest::sheetXml(QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                                                 "<row r=\"2\"><c r=\"A2\"><v>2</v></c></row>"))},
                {QStringLiteral("Sums"),
                 wbtest::sheetXml(QStringLiteral("<row r=\"1\"><c r=\"A1\"><f>S!A1</f><v>1</v></c></row>"))}};
    p.calcChain =
        QByteArray("<calcChain xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><c "
                   "r=\"A1\" i=\"2\"/></calcChain>");
    writePackage(path(), p);
    const QByteArray types = wbtest::entry(path(), "[Content_Types].xml");
    {
        Workbook wb;
        wb.open(path());
        wb.sheet(0).deleteRows(2);
        wb.sheet(0).setValue(1, 1, Variant(5));
        wb.save();
    }
    EXPECT_TRUE(wbtest::entryNames(path()).contains("xl/calcChain.xml"));
    EXPECT_EQ(wbtest::entry(path(), "[Content_Types].xml"), types);
}

TEST_F(WorkbookSave, SheetsWithAPrefixedNamespaceStayValid)
{
    wbtest::Package p;
    p.sheets = {
        {QStringLiteral("S"),
         QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                    "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                    "<x:sheetData><x:row r=\"1\"><x:c r=\"A1\" "
                    "t=\"inlineStr\"><x:is><x:t>a</x:t></x:is></x:c></x:row>"
                    "<x:row r=\"2\"><x:c r=\"A2\"><x:v>2</x:v></x:c></x:row></x:sheetData></x:worksheet>")}};
    writePackage(path(), p);
    {
        Workbook wb;
        wb.open(path());
        EXPECT_EQ(wb.sheet(0).value(1, 1), Variant("a"));
        wb.sheet(0).setValue(3, 1, Variant("new"));
        wb.save();
    }
    const QByteArray sheet = wbtest::entry(path(), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(sheet.contains(
        "<x:row r=\"3\"><x:c r=\"A3\" t=\"inlineStr\"><x:is><x:t>new</x:t></x:is></x:c></x:row>"))
        << sheet.toStdString();
    Workbook wb;
    wb.open(path());
    EXPECT_EQ(wb.sheet(0).value(1, 1), Variant("a"));
    EXPECT_EQ(wb.sheet(0).value(3, 1), Variant("new"));
}

TEST_F(WorkbookSave, ASecondSaveBuildsOnTheFirst)
{
    QList<QList<Variant>> rows;
    for (int i = 1; i <= 10; ++i)
        rows.append({Variant(i)});
    files::XlsxWriter::write(path(), {{QStringLiteral("S"), rows}});
    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    s.deleteRows(2, 3); // 1 5 6 7 8 9 10
    wb.save();
    s.deleteRows(1); // 5 6 7 8 9 10
    s.setValue(6, 2, Variant("end"));
    wb.save();
    Workbook again;
    again.open(path());
    EXPECT_EQ(again.sheet(0).value(1, 1), Variant(5.0));
    EXPECT_EQ(again.sheet(0).value(6, 1), Variant(10.0));
    EXPECT_EQ(again.sheet(0).value(6, 2), Variant("end"));
    EXPECT_EQ(again.sheet(0).usedRange().lastRow, 6);
}

TEST_F(WorkbookSave, DeletingBelowTheLastRowChangesNothing)
{
    files::XlsxWriter::write(path(), {{QStringLiteral("S"), {{Variant(1)}, {Variant(2)}}}});
    Workbook wb;
    wb.open(path());
    wb.sheet(0).deleteRows(50, 10);
    EXPECT_FALSE(wb.isModified());
    EXPECT_EQ(wb.sheet(0).value(2, 1), Variant(2.0));
}

} // namespace
