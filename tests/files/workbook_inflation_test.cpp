// Workbooks whose parts inflate far beyond their size on disk, nest their
// elements without end, or hold cells longer than a cell may hold: refused
// as not readable, not read into memory or down the stack without bound.
// The bombs are made here and stay small on disk.

#include "WorkbookSupport.h"
#include "platform/files/Workbook.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const QByteArray kDrawingHead =
    "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\">";
const QByteArray kDrawingTail = "</xdr:wsDr>";

// A part written as head, unit repeated, tail: megabytes when inflated,
// kilobytes in the zip. With `closing`, that is repeated as often after
// the units, before the tail.
struct BigPart {
    QByteArray head, unit, tail;
    qint64 repeat = 0;
    QByteArray closing = {};
};

// A one-sheet package whose sheet, shared strings, styles or drawing part
// may be big; the others are small and well-formed.
void writeBook(const QString& path, const QString& bigName, const BigPart& big)
{
    wbtest::Package p;
    p.sheets = {{QStringLiteral("S"),
                 wbtest::sheetXml(QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"))}};
    p.sharedStrings = wbtest::sstXml({QStringLiteral("<t>x</t>")});
    p.styles = wbtest::stylesXml({}, {"0"});
    p.extraParts = {{QStringLiteral("xl/worksheets/_rels/sheet1.xml.rels"),
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                     "<Relationship Id=\"rId1\" Target=\"../drawings/drawing1.xml\" "
                     "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing\"/>"
                     "</Relationships>"},
                    {QStringLiteral("xl/drawings/drawing1.xml"), kDrawingHead + kDrawingTail}};
    const QString temp = path + QStringLiteral(".small");
    wbtest::writePackage(temp, p);

    // Copy the small package, swapping in the big part written piece by piece.
    QuaZip in(temp), out(path);
    in.open(QuaZip::mdUnzip);
    out.open(QuaZip::mdCreate);
    for (bool more = in.goToFirstFile(); more; more = in.goToNextFile()) {
        const QString name = in.getCurrentFileName();
        QuaZipFile dst(&out);
        dst.open(QIODevice::WriteOnly, QuaZipNewInfo(name));
        if (name == bigName) {
            dst.write(big.head);
            const QByteArray chunk = big.unit.repeated(std::max<qint64>(1, (1 << 20) / big.unit.size()));
            qint64 left = big.repeat;
            const qint64 perChunk = chunk.size() / big.unit.size();
            for (; left >= perChunk; left -= perChunk)
                dst.write(chunk);
            dst.write(big.unit.repeated(left));
            if (!big.closing.isEmpty()) dst.write(big.closing.repeated(big.repeat));
            dst.write(big.tail);
        } else {
            QuaZipFile src(&in);
            src.open(QIODevice::ReadOnly);
            dst.write(src.readAll());
        }
        dst.close();
    }
    out.close();
    QFile::remove(temp);
}

struct Bomb {
    const char* name;
    const char* part;
    BigPart big;
    const char* why; // in the refusal
};

void PrintTo(const Bomb& b, std::ostream* os)
{
    *os << b.name;
}

const QByteArray kInlineHead =
    "<worksheet " + kMain + "><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>";
const QByteArray kInlineTail = "</t></is></c></row></sheetData></worksheet>";

class InflatedWorkbook : public ::testing::TestWithParam<Bomb> {};

TEST_P(InflatedWorkbook, IsRefusedAsNotReadable)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("calls.xlsx"));
    writeBook(path, QLatin1String(GetParam().part), GetParam().big);
    EXPECT_LT(QFileInfo(path).size(), 2 << 20) << "the bomb itself stays small";
    files::Workbook wb;
    try {
        wb.open(path);
        wb.sheet(0).value(1, 1);
        wb.sheet(0).rowsHeld(1); // reads what is anchored to the rows, as a deletion does first
        FAIL() << "the workbook read as good";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, files::wberr::NotAWorkbook);
        EXPECT_TRUE(e.Description.startsWith(QStringLiteral("'calls.xlsx' is not a readable Excel workbook")))
            << e.Description.toStdString();
        EXPECT_TRUE(e.Description.contains(QLatin1String(GetParam().why))) << e.Description.toStdString();
    }
}

const QByteArray kLongRow =
    "<row><c t=\"inlineStr\"><is><t>" + QByteArray(30000, 'a') + "</t></is></c></row>";

INSTANTIATE_TEST_SUITE_P(
    Bombs, InflatedWorkbook,
    ::testing::Values(
        Bomb{"SheetOfLongTextsInflatingPastItsLimit",
             "xl/worksheets/sheet1.xml",
             {"<worksheet " + kMain + "><sheetData>", kLongRow, "</sheetData></worksheet>", 2500},
             "more than its compressed size allows"},
        Bomb{"SharedStringOfEightyMegabytes",
             "xl/sharedStrings.xml",
             {"<sst " + kMain + "><si><t>", "a", "</t></si></sst>", qint64(80) << 20},
             "more than its compressed size allows"},
        Bomb{"StylesHeldWholeInflatingPastTheirLimit",
             "xl/styles.xml",
             {"<styleSheet " + kMain + "><numFmts>", "<numFmt numFmtId=\"200\" formatCode=\"0\"/>",
              "</numFmts></styleSheet>", 2 << 20},
             "more than its compressed size allows"},
        Bomb{"SharedStringOneCharacterTooLong",
             "xl/sharedStrings.xml",
             {"<sst " + kMain + "><si><t>", "a", "</t></si></sst>", 32768},
             "a cell holds more than 32767 characters"},
        Bomb{"SharedStringInRunsOneCharacterTooLong",
             "xl/sharedStrings.xml",
             {"<sst " + kMain + "><si>", "<r><t>ab</t></r>", "</si></sst>", 16384 + 1},
             "a cell holds more than 32767 characters"},
        Bomb{"InlineStringOneCharacterTooLong",
             "xl/worksheets/sheet1.xml",
             {kInlineHead, "a", kInlineTail, 32768},
             "a cell holds more than 32767 characters"},
        Bomb{"FormulaTextOneCharacterTooLong",
             "xl/worksheets/sheet1.xml",
             {"<worksheet " + kMain + "><sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><f>1</f><v>", "a",
              "</v></c></row></sheetData></worksheet>", 32768},
             "a cell holds more than 32767 characters"},
        // Three hundred thousand levels: a stack overflow for any reader
        // that recurses per level.
        Bomb{"SheetTailNestedPastAnyRealDepth",
             "xl/worksheets/sheet1.xml",
             {"<worksheet " + kMain + "><sheetData/><extLst>", "<ext>", "</extLst></worksheet>", 300000,
              "</ext>"},
             "nest more than 256 levels deep"},
        Bomb{"SheetDataNestedPastAnyRealDepth",
             "xl/worksheets/sheet1.xml",
             {"<worksheet " + kMain + "><sheetData><row r=\"1\"><c r=\"A1\"><x>", "<x>",
              "</x></c></row></sheetData></worksheet>", 300000, "</x>"},
             "nest more than 256 levels deep"},
        Bomb{"SheetNestedOneLevelPastTheLimit",
             "xl/worksheets/sheet1.xml",
             {"<worksheet " + kMain + "><sheetData/><extLst>", "<ext>", "</extLst></worksheet>", 255,
              "</ext>"},
             "nest more than 256 levels deep"},
        Bomb{"SharedStringNestedPastAnyRealDepth",
             "xl/sharedStrings.xml",
             {"<sst " + kMain + "><si>", "<r>", "</si></sst>", 300000, "</r>"},
             "nest more than 256 levels deep"},
        Bomb{"DrawingNestedPastAnyRealDepth",
             "xl/drawings/drawing1.xml",
             {kDrawingHead, "<xdr:grpSp>", kDrawingTail, 300000, "</xdr:grpSp>"},
             "nest more than 256 levels deep"},
        Bomb{"EscapedCharactersDecodingToOneTooMany",
             "xl/sharedStrings.xml",
             {"<sst " + kMain + "><si><t>", "_x0041_", "</t></si></sst>", 32768},
             "a cell holds more than 32767 characters"}),
    [](const ::testing::TestParamInfo<Bomb>& info) { return std::string(info.param.name); });

struct LongCell {
    const char* name;
    const char* part;
    BigPart big;
    qsizetype length; // of the value read back
};

void PrintTo(const LongCell& c, std::ostream* os)
{
    *os << c.name;
}

class LongestCell : public ::testing::TestWithParam<LongCell> {};

// ASCII text in UTF-16, little-endian.
QByteArray Utf16(const QByteArray& ascii)
{
    return QByteArray(reinterpret_cast<const char*>(QString::fromLatin1(ascii).utf16()), ascii.size() * 2);
}

TEST_P(LongestCell, ACellAsLongAsACellMayBeReadsWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("calls.xlsx"));
    writeBook(path, QLatin1String(GetParam().part), GetParam().big);
    files::Workbook wb;
    wb.open(path);
    EXPECT_EQ(vb::CStr(wb.sheet(0).value(1, 1)).size(), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, LongestCell,
    ::testing::Values(
        LongCell{"SharedString",
                 "xl/sharedStrings.xml",
                 {"<sst " + kMain + "><si><t>", "a", "</t></si></sst>", 32767},
                 32767},
        LongCell{"EscapedSharedString",
                 "xl/sharedStrings.xml",
                 {"<sst " + kMain + "><si><t>", "_x0041_", "</t></si></sst>", 32767},
                 32767},
        LongCell{"InlineString", "xl/worksheets/sheet1.xml", {kInlineHead, "a", kInlineTail, 32767}, 32767},
        // Tags inside comments, instructions, quoted values and CDATA nest
        // nothing: three hundred of each leave the sheet readable.
        LongCell{"InlineStringBesideTagsThatNestNothing",
                 "xl/worksheets/sheet1.xml",
                 {kInlineHead, "a",
                  "</t></is></c></row></sheetData>" +
                      QByteArray("<!-- <y> --><?pi <y>?><e a='>' b=\"/>\"><![CDATA[<y>]]></e><f />")
                          .repeated(300) +
                      "</worksheet>",
                  5},
                 5},
        // A UTF-16 part, which the packaging rules allow: its end tags and
        // empty-element tags close what they open.
        LongCell{"SharedStringInUtf16",
                 "xl/sharedStrings.xml",
                 {"\xFF\xFE" + Utf16("<sst " + kMain + "><si><t>"), Utf16("a"),
                  Utf16("</t></si>" + QByteArray("<si><t/></si>").repeated(300) + "</sst>"), 32767},
                 32767}),
    [](const ::testing::TestParamInfo<LongCell>& info) { return std::string(info.param.name); });

} // namespace
