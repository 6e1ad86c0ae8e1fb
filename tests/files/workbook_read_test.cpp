// Reading xlsx workbooks: sheets, used range and what each kind of cell
// gives a caller.

#include "WorkbookSupport.h"
#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using files::Workbook;
using vb::Variant;

namespace {

class WorkbookRead : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name = QStringLiteral("book.xlsx")) const { return dir.filePath(name); }
};

TEST_F(WorkbookRead, ListsWorksheetsInWorkbookOrderAndFindsThemWithoutRegardToCase)
{
    files::XlsxWriter::write(path(), {{QStringLiteral("Zeta"), {{Variant(1)}}},
                                      {QStringLiteral("Alpha"), {}},
                                      {QStringLiteral("Calls 2024"), {{Variant("x")}}}});
    Workbook wb;
    wb.open(path());
    EXPECT_EQ(wb.format(), files::WorkbookFormat::Xlsx);
    EXPECT_FALSE(wb.isReadOnly());
    EXPECT_EQ(wb.sheetNames(), (QStringList{"Zeta", "Alpha", "Calls 2024"}));
    EXPECT_EQ(wb.sheetIndex(QStringLiteral("calls 2024")), 2);
    EXPECT_EQ(wb.sheetIndex(QStringLiteral("Sheet1")), -1);
    ASSERT_NE(wb.sheet(QStringLiteral("ALPHA")), nullptr);
    EXPECT_EQ(wb.sheet(QStringLiteral("ALPHA"))->name(), "Alpha");
    EXPECT_EQ(wb.sheet(QStringLiteral("missing")), nullptr);
}

TEST_F(WorkbookRead, ChartSheetsAreNotWorksheets)
{
    wbtest::Package p;
    p.sheets = {{QStringLiteral("Data"),
                 wbtest::sheetXml(QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"))}};
    writePackage(path(), p);
    // Add a chart sheet entry to the workbook by hand.
    auto parts = wbtest::readZip(path());
    for (auto& part : parts) {
        if (part.name == "xl/workbook.xml")
            part.data.replace("</sheets>", "<sheet name=\"Chart1\" sheetId=\"9\" r:id=\"rId9\"/></sheets>");
        if (part.name == "xl/_rels/workbook.xml.rels")
            part.data.replace(
                "</Relationships>",
                "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                "2006/relationships/chartsheet\" Target=\"chartsheets/sheet1.xml\"/></Relationships>");
    }
    wbtest::writeZip(path(), parts);
    Workbook wb;
    wb.open(path());
    EXPECT_EQ(wb.sheetNames(), QStringList{"Data"});
}

TEST_F(WorkbookRead, UsedRangeCoversCellsWithContentOnly)
{
    wbtest::Package p;
    p.styles = wbtest::stylesXml({}, {"0", "0"});
    p.sheets = {
        {QStringLiteral("S"), wbtest::sheetXml(QStringLiteral(
                                  "<row r=\"2\"><c r=\"C2\"><v>1</v></c></row>"
                                  "<row r=\"5\" ht=\"30\" customHeight=\"1\"><c r=\"B5\" t=\"s\"><v>0</v></c>"
                                  "<c r=\"E5\"><f>B5</f><v>0</v></c></row>"
                                  "<row r=\"9\"><c r=\"H9\" s=\"1\"/></row>"))},
        {QStringLiteral("Empty"), wbtest::sheetXml({})}};
    p.sharedStrings = wbtest::sstXml({"<t>x</t>"});
    writePackage(path(), p);
    Workbook wb;
    wb.open(path());
    const files::CellRange r = wb.sheet(0).usedRange();
    EXPECT_EQ(r.firstRow, 2);
    EXPECT_EQ(r.lastRow, 5);
    EXPECT_EQ(r.firstColumn, 2);
    EXPECT_EQ(r.lastColumn, 5);
    EXPECT_EQ(r.rowCount(), 4);
    EXPECT_TRUE(wb.sheet(1).usedRange().isEmpty());
    EXPECT_TRUE(wb.sheet(0).value(9, 8).isEmpty()); // a formatted cell without a value
}

TEST_F(WorkbookRead, WholeNumbersRenderAsPlainDigits)
{
    wbtest::Package p;
    p.sheets = {
        {QStringLiteral("S"), wbtest::sheetXml(QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>2015550123</v></c>"
                                                              "<c r=\"B1\"><v>2.015550124E+9</v></c>"
                                                              "<c r=\"C1\" t=\"n\"><v>12.5</v></c>"
                                                              "<c r=\"D1\"><v>12015550123</v></c></row>"))}};
    writePackage(path(), p);
    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    EXPECT_EQ(s.value(1, 1).type(), vb::VarType::Double);
    EXPECT_EQ(vb::CStr(s.value(1, 1)), "2015550123");
    EXPECT_EQ(vb::CStr(s.value(1, 2)), "2015550124");
    EXPECT_EQ(vb::CStr(s.value(1, 3)), "12.5");
    EXPECT_EQ(vb::CStr(s.value(1, 4)), "12015550123");
    EXPECT_EQ(vb::CStr(s.value(1, 1)) + vb::CStr(s.value(1, 2)), "20155501232015550124");
}

TEST_F(WorkbookRead, SharedAndInlineStringsGiveTheirText)
{
    wbtest::Package p;
    p.sharedStrings = wbtest::sstXml(
        {"<t>Phone</t>", "<r><rPr><b/></rPr><t>Bold </t></r><r><t xml:space=\"preserve\">part</t></r>",
         "<t>東京</t><rPh sb=\"0\" eb=\"2\"><t>トウキョウ</t></rPh>", "<t>line_x000D_break _x005F_x0041_</t>",
         "<t/>"});
    p.sheets = {
        {QStringLiteral("S"),
         wbtest::sheetXml(QStringLiteral(
             "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
             "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" "
             "t=\"s\"><v>4</v></c></row>"
             "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>inline &amp; plain</t></is></c>"
             "<c r=\"B2\" t=\"inlineStr\"><is><r><t>ri</t></r><r><rPr><i/></rPr><t>ch</t></r></is></c>"
             "<c r=\"C2\" t=\"str\"><f>A1&amp;\"!\"</f><v>Phone!</v></c></row>"))}};
    writePackage(path(), p);
    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    EXPECT_EQ(s.value(1, 1), Variant("Phone"));
    EXPECT_EQ(s.value(1, 2), Variant("Bold part"));
    EXPECT_EQ(s.value(1, 3), Variant(QStringLiteral("東京")));
    EXPECT_EQ(s.value(1, 4), Variant("line\rbreak _x0041_"));
    EXPECT_EQ(s.value(1, 5), Variant(""));
    EXPECT_EQ(s.value(2, 1), Variant("inline & plain"));
    EXPECT_EQ(s.value(2, 2), Variant("rich"));
    EXPECT_EQ(s.value(2, 3), Variant("Phone!"));
    EXPECT_EQ(s.formula(2, 3), "=A1&\"!\"");
}

TEST_F(WorkbookRead, BooleansAndErrors)
{
    wbtest::Package p;
    p.sheets = {{QStringLiteral("S"),
                 wbtest::sheetXml(QStringLiteral(
                     "<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"b\"><v>0</v></c>"
                     "<c r=\"C1\" t=\"e\"><f>NA()</f><v>#N/A</v></c>"
                     "<c r=\"D1\" t=\"e\"><v>#DIV/0!</v></c></row>"))}};
    writePackage(path(), p);
    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    EXPECT_EQ(s.value(1, 1), Variant(true));
    EXPECT_EQ(s.value(1, 2), Variant(false));
    EXPECT_EQ(s.value(1, 3), Variant("#N/A"));
    EXPECT_EQ(s.value(1, 4), Variant("#DIV/0!"));
}

TEST_F(WorkbookRead, NumbersAreDatesOnlyWhenTheirFormatIsADateFormat)
{
    wbtest::Package p;
    // xf: 0 General, 1 built-in 14, 2 custom dd/mm/yyyy, 3 custom "0.00", 4 quoted letters,
    //     5 built-in 22, 6 custom time h:mm, 7 [Red] colour with a number, 8 elapsed [h]
    p.styles =
        wbtest::stylesXml(QStringLiteral("<numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\"/>"
                                         "<numFmt numFmtId=\"165\" formatCode=\"0.00\"/>"
                                         "<numFmt numFmtId=\"166\" formatCode=\"&quot;days: &quot;0\"/>"
                                         "<numFmt numFmtId=\"167\" formatCode=\"h:mm\"/>"
                                         "<numFmt numFmtId=\"168\" formatCode=\"[Red]0;\\-0\"/>"
                                         "<numFmt numFmtId=\"169\" formatCode=\"[h]\"/>"),
                          {"0", "14", "164", "165", "166", "22", "167", "168", "169"});
    QString row;
    for (int xf = 0; xf <= 8; ++xf)
        row += QStringLiteral("<c r=\"%1\" s=\"%2\"><v>43831.5</v></c>").arg(QChar('A' + xf)).arg(xf);
    p.sheets = {{QStringLiteral("S"), wbtest::sheetXml(QStringLiteral("<row r=\"1\">") + row + "</row>" +
                                                       "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>59</v></c>"
                                                       "<c r=\"B2\" s=\"1\"><v>61</v></c></row>")}};
    writePackage(path(), p);
    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    const double jan1 = vb::DateSerial(2020, 1, 1) + 0.5;
    EXPECT_EQ(s.value(1, 1), Variant(43831.5));
    EXPECT_EQ(s.value(1, 2), Variant::fromDate(jan1));
    EXPECT_EQ(s.value(1, 3), Variant::fromDate(jan1));
    EXPECT_EQ(s.value(1, 4), Variant(43831.5));
    EXPECT_EQ(s.value(1, 5), Variant(43831.5));
    EXPECT_EQ(s.value(1, 6), Variant::fromDate(jan1));
    EXPECT_EQ(s.value(1, 7), Variant::fromDate(jan1));
    EXPECT_EQ(s.value(1, 8), Variant(43831.5));
    EXPECT_EQ(s.value(1, 9), Variant::fromDate(jan1));
    // Excel counts a 29 February 1900; the days before it are one off in OLE dates.
    EXPECT_EQ(s.value(2, 1), Variant::fromDate(vb::DateSerial(1900, 2, 28)));
    EXPECT_EQ(s.value(2, 2), Variant::fromDate(vb::DateSerial(1900, 3, 1)));
}

TEST_F(WorkbookRead, DatesOfThe1904DateSystem)
{
    wbtest::Package p;
    p.workbookPr = QStringLiteral("<workbookPr date1904=\"1\"/>");
    p.styles = wbtest::stylesXml({}, {"0", "14"});
    p.sheets = {{QStringLiteral("S"),
                 wbtest::sheetXml(QStringLiteral("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>0</v></c></row>"))}};
    writePackage(path(), p);
    Workbook wb;
    wb.open(path());
    EXPECT_EQ(wb.sheet(0).value(1, 1), Variant::fromDate(vb::DateSerial(1904, 1, 1)));
}

TEST_F(WorkbookRead, FormulasKeepTheirTextAndGiveTheCachedValue)
{
    wbtest::Package p;
    p.sheets = {{QStringLiteral("S"),
                 wbtest::sheetXml(QStringLiteral(
                     "<row r=\"1\"><c r=\"A1\"><v>2</v></c><c r=\"B1\"><f t=\"shared\" ref=\"B1:B2\" "
                     "si=\"0\">A1*2</f><v>4</v></c></row>"
                     "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\"><f t=\"shared\" si=\"0\"/><v>6</v></c>"
                     "<c r=\"C2\"><f>SUM(A1:A2)</f></c></row>"))}};
    writePackage(path(), p);
    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    EXPECT_EQ(s.value(1, 2), Variant(4.0));
    EXPECT_EQ(s.formula(1, 2), "=A1*2");
    EXPECT_EQ(s.value(2, 2), Variant(6.0));
    EXPECT_TRUE(s.hasFormula(2, 2));
    EXPECT_EQ(s.formula(2, 2), "");       // the text lives in B1
    EXPECT_TRUE(s.value(2, 3).isEmpty()); // never calculated
    EXPECT_EQ(s.formula(2, 3), "=SUM(A1:A2)");
    EXPECT_FALSE(s.hasFormula(1, 1));
    EXPECT_EQ(s.usedRange().lastColumn, 3);
}

TEST_F(WorkbookRead, WriterOutputReadsBack)
{
    const double d = vb::DateSerial(2023, 7, 4);
    files::XlsxWriter::Options inlineText;
    inlineText.sharedStrings = false;
    for (bool shared : {true, false}) {
        files::XlsxWriter::write(
            path(),
            {{QStringLiteral("Calls"),
              {{Variant("Phone"), Variant("Name"), Variant("When"), Variant("Ok")},
               {Variant(2015550123.0), Variant(" Ann \x01"), Variant::fromDate(d), Variant(true)},
               {},
               {Variant(), Variant(7)}}}},
            shared ? files::XlsxWriter::Options{} : inlineText);
        Workbook wb;
        wb.open(path());
        files::Worksheet& s = wb.sheet(0);
        EXPECT_EQ(s.value(1, 2), Variant("Name"));
        EXPECT_EQ(vb::CStr(s.value(2, 1)), "2015550123");
        EXPECT_EQ(s.value(2, 2), Variant(" Ann \x01"));
        EXPECT_EQ(s.value(2, 3), Variant::fromDate(d));
        EXPECT_EQ(s.value(2, 4), Variant(true));
        EXPECT_TRUE(s.value(3, 1).isEmpty());
        EXPECT_TRUE(s.value(4, 1).isEmpty());
        EXPECT_EQ(s.value(4, 2), Variant(7.0));
        EXPECT_EQ(s.usedRange().lastRow, 4);
        EXPECT_EQ(wbtest::entryNames(path()).contains("xl/sharedStrings.xml"), shared);
    }
}

TEST_F(WorkbookRead, SheetsAreReadOnlyWhenUsed)
{
    wbtest::Package p;
    p.sheets = {{QStringLiteral("Good"),
                 wbtest::sheetXml(QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"))},
                {QStringLiteral("Broken"),
                 QByteArray("<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></row>")}};
    writePackage(path(), p);
    Workbook wb;
    ASSERT_NO_THROW(wb.open(path()));
    EXPECT_EQ(wb.sheetCount(), 2);
    EXPECT_EQ(wb.sheet(0).value(1, 1), Variant(1.0));
    try {
        wb.sheet(1).value(1, 1);
        FAIL() << "a damaged sheet must not read as empty";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, files::wberr::NotAWorkbook);
        EXPECT_TRUE(e.Description.contains("Broken"));
    }
}

TEST_F(WorkbookRead, UnloadedSheetReadsAgainTheSame)
{
    files::XlsxWriter::write(
        path(), {{QStringLiteral("A"), {{Variant("a1")}}}, {QStringLiteral("B"), {{Variant(2)}}}});
    Workbook wb;
    wb.open(path());
    EXPECT_EQ(wb.sheet(0).value(1, 1), Variant("a1"));
    wb.unloadSheet(0);
    EXPECT_EQ(wb.sheet(0).value(1, 1), Variant("a1"));
    EXPECT_EQ(wb.sheet(1).value(1, 1), Variant(2.0));
}

TEST_F(WorkbookRead, CellsOutsideTheSheetRaise)
{
    files::XlsxWriter::write(path(), {{QStringLiteral("A"), {{Variant(1)}}}});
    Workbook wb;
    wb.open(path());
    EXPECT_THROW(wb.sheet(0).value(0, 1), vb::ErrObject);
    EXPECT_THROW(wb.sheet(0).value(1, files::kMaxColumns + 1), vb::ErrObject);
    EXPECT_THROW(wb.sheet(5), vb::ErrObject);
    EXPECT_TRUE(wb.sheet(0).value(files::kMaxRows, files::kMaxColumns).isEmpty());
}

} // namespace
