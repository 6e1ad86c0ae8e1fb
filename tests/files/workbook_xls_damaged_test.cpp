// Damaged Excel 97-2003 workbooks: whatever length or count in the file
// lies, opening it stops with an error naming the file, and nothing
// crashes; sound workbooks, however their strings are laid out, still read.

#include "WorkbookBiff.h"
#include "platform/files/Workbook.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "support/Fixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using files::Workbook;
using wbtest::Biff;

namespace {

// Where wbtest::compoundFile puts things: sector table, directory, stream.
constexpr int kFat = 512, kDirectory = 1024, kStream = 1536;

QString writeBook(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("calls.xls"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

// The error number and text open() raises; 0 when it opens.
int openError(const QString& path, QString* why)
{
    Workbook wb;
    try {
        wb.open(path);
        for (int s = 0; s < wb.sheetCount(); ++s)
            wb.sheet(s).value(1, 1);
    } catch (const vb::ErrObject& e) {
        *why = e.Description;
        return e.Number;
    }
    return 0;
}

void put16(QByteArray& b, int at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}
void put32(QByteArray& b, int at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

QByteArray with16(QByteArray b, int at, quint16 v)
{
    put16(b, at, v);
    return b;
}
QByteArray with32(QByteArray b, int at, quint32 v)
{
    put32(b, at, v);
    return b;
}

// Offset in the file of the body of the n-th record of a type (from 0).
int recordAt(const QByteArray& file, quint16 type, int n = 0)
{
    for (int at = kStream; at + 4 <= file.size();) {
        const quint16 t = qFromLittleEndian<quint16>(file.constData() + at);
        const quint16 size = qFromLittleEndian<quint16>(file.constData() + at + 2);
        if (t == type && n-- == 0) return at + 4;
        if (t == 0 && size == 0) break;
        at += 4 + size;
    }
    ADD_FAILURE() << "no record " << type;
    return kStream;
}

QByteArray cells(const QByteArray& extra = {})
{
    return Biff::labelSst(0, 0, 0) + Biff::labelSst(0, 1, 1) + Biff::number(1, 0, 15, 2015550123.0) +
           Biff::number(1, 1, 16, 43831.0) + extra;
}

QByteArray book(const QByteArray& sheetCells = cells(), const QByteArray& globalsExtra = {},
                const QByteArray& sstRecords = {})
{
    return wbtest::compoundFile(QStringLiteral("Workbook"),
                                wbtest::biffWorkbook({QStringLiteral("Phone"), QStringLiteral("Since")},
                                                     {{QStringLiteral("Calls"), 3, 3, sheetCells}},
                                                     globalsExtra, sstRecords));
}

// A workbook small enough to live in the mini stream, whose sector table
// is the file's sector 2.
QByteArray smallBook()
{
    return wbtest::compoundFile(
        QStringLiteral("Workbook"),
        wbtest::biffWorkbook({QStringLiteral("Phone")},
                             {{QStringLiteral("Calls"), 2, 1, Biff::labelSst(0, 0, 0)}}),
        true);
}

QByteArray label(quint16 row, quint16 col, quint16 count, const QByteArray& text)
{
    QByteArray d;
    Biff::u16(d, row);
    Biff::u16(d, col);
    Biff::u16(d, 15);
    Biff::u16(d, count);
    d.append('\0');
    return Biff::record(0x0204, d + text);
}

QByteArray sheets(const QList<wbtest::BiffSheet>& list)
{
    return wbtest::compoundFile(
        QStringLiteral("Workbook"),
        wbtest::biffWorkbook({QStringLiteral("Phone"), QStringLiteral("Since")}, list));
}

const wbtest::BiffSheet kCalls{QStringLiteral("Calls"), 3, 3, cells()};
const wbtest::BiffSheet kEmpty{QStringLiteral("Chart"), 0, 0, {}};

// The n-th sheet's size record made into one FreeXL passes over.
QByteArray withoutSize(QByteArray b, int n)
{
    put16(b, recordAt(b, 0x0200, n) - 4, 0x0160);
    return b;
}

struct Damaged {
    const char* name;
    QByteArray (*bytes)();
};

void PrintTo(const Damaged& d, std::ostream* os)
{
    *os << d.name;
}

class DamagedXls : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedXls, OpeningItStopsWithAnErrorNamingTheFile)
{
    QTemporaryDir dir;
    QString why;
    EXPECT_EQ(openError(writeBook(dir, GetParam().bytes()), &why), files::wberr::NotAWorkbook)
        << why.toStdString();
    EXPECT_TRUE(why.startsWith("'calls.xls' is not a readable Excel workbook")) << why.toStdString();
}

QByteArray fixture(const char* name)
{
    QFile f(testsupport::FixturePath(QString::fromLatin1(name)));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedXls,
    ::testing::Values(
        // Found by fuzzing: directory names whose length runs past the entry.
        Damaged{"ShiftedDirectory", [] { return fixture("xls_directory_shifted_by_an_inserted_byte.xls"); }},
        Damaged{"NameLength65535", [] { return fixture("xls_directory_entry_name_length_65535.xls"); }},
        Damaged{"DirectoryOfFF", [] { return fixture("xls_directory_filled_with_ff_bytes.xls"); }},
        Damaged{"DirectoryInSectorTable",
                [] { return fixture("xls_directory_inside_the_sector_table.xls"); }},
        // The container.
        Damaged{"CutInsideTheHeader", [] { return book().left(300); }},
        Damaged{"UnusedEntryNameTooLong", [] { return with16(book(), kDirectory + 3 * 128 + 64, 66); }},
        Damaged{"SectorTableBeyondTheFile", [] { return with32(book(), 76, 4000); }},
        Damaged{"StreamChainLoops", [] { return with32(book(), kFat + 4 * 3, 2); }},
        Damaged{"StreamChainLeavesTheFile", [] { return with32(book(), kFat + 4 * 3, 90000); }},
        Damaged{"StreamLongerThanItsChain", [] { return with32(book(), kDirectory + 128 + 120, 40000); }},
        Damaged{"SmallStreamChainLoops", [] { return with32(smallBook(), kStream + 4 * 2, 1); }},
        Damaged{"SmallStreamBeyondTheMiniStream", [] { return with32(smallBook(), kDirectory + 120, 128); }},
        Damaged{"CutShort", [] { return book().left(kStream + 1000); }},
        // The records.
        Damaged{"RecordRunsPastTheStream",
                [] { return with16(book(), recordAt(book(), 0x0809, 1) - 2, 8000); }},
        Damaged{"SheetNameLongerThanItsRecord",
                [] {
                    QByteArray b = book();
                    b[recordAt(b, 0x0085) + 6] = char(200);
                    return b;
                }},
        Damaged{"SheetPositionNotASheet", [] { return with32(book(), recordAt(book(), 0x0085), 7); }},
        Damaged{"MoreSharedStringsThanBytes",
                [] { return with32(book(), recordAt(book(), 0x00FC) + 4, 0xFFFFFFF0); }},
        Damaged{"SharedStringCountOneTooMany",
                [] { return with32(book(), recordAt(book(), 0x00FC) + 4, 3); }},
        Damaged{"SharedStringLongerThanItsRecord",
                [] { return with16(book(), recordAt(book(), 0x00FC) + 8, 900); }},
        Damaged{"SharedStringsMisreadAsWide",
                [] {
                    QByteArray b = book();
                    b[recordAt(b, 0x00FC) + 8 + 2] = 1; // "Phone" said to be two bytes a character
                    return b;
                }},
        Damaged{"SharedStringOverThreeRecords",
                [] {
                    QByteArray sst;
                    Biff::u32(sst, 2);
                    Biff::u32(sst, 2);
                    Biff::u16(sst, 9000);
                    sst.append('\0');
                    const QByteArray second = '\0' + QByteArray(8000, 'x'),
                                     third = '\0' + QByteArray(900, 'x');
                    QByteArray last = third;
                    Biff::u16(last, 5);
                    last.append('\0');
                    last += "Since";
                    return book(cells(), {},
                                Biff::record(0x00FC, sst + QByteArray(100, 'x')) +
                                    Biff::record(0x003C, second) + Biff::record(0x003C, last));
                }},
        Damaged{"SharedStringIndexBeyondTheTable",
                [] { return with32(book(), recordAt(book(), 0x00FD, 1) + 6, 2); }},
        Damaged{"CellTextLongerThanItsRecord", [] { return book(cells(label(2, 0, 500, "short"))); }},
        Damaged{"NumberFormatLongerThanItsRecord",
                [] {
                    QByteArray d;
                    Biff::u16(d, 164);
                    Biff::u16(d, 300);
                    d.append('\0');
                    return book(cells(), Biff::record(0x041E, d + "0.00"));
                }},
        Damaged{"FormulaTextLongerThanItsRecord",
                [] {
                    QByteArray d;
                    Biff::u16(d, 40);
                    d.append('\0');
                    return book(cells(Biff::record(0x0207, d + "abc")));
                }},
        Damaged{"RowOfNumbersLongerThanItsColumns",
                [] {
                    QByteArray d;
                    Biff::u16(d, 2);
                    Biff::u16(d, 0);
                    d.append(6, '\0'); // one number
                    Biff::u16(d, 2);   // but three columns
                    return book(cells(Biff::record(0x00BD, d)));
                }},
        Damaged{"ImpossibleSheetSize",
                [] { return with32(book(), recordAt(book(), 0x0200) + 4, 0xFFFFFFFF); }},
        Damaged{"SheetsDeclaringGigabytesOfCells",
                [] {
                    QList<wbtest::BiffSheet> sheets;
                    for (int i = 0; i < 5; ++i)
                        sheets.append({QStringLiteral("S%1").arg(i), 65536, 256, {}});
                    return wbtest::compoundFile(QStringLiteral("Workbook"), wbtest::biffWorkbook({}, sheets));
                }},
        Damaged{"CellOutsideItsSheet", [] { return book(cells(Biff::number(70, 1, 15, 1.0))); }},
        Damaged{"TwoTextsForOneCell", [] { return fixture("xls_two_text_records_for_one_cell.xls"); }},
        Damaged{"NumberOverAText", [] { return book(cells(Biff::number(0, 1, 15, 1.0))); }},
        // FreeXL leaks the text of a cell that no sheet holds, and loses a
        // sheet's cells when an earlier sheet has no size.
        Damaged{"CellsInASectionNoSheetLists",
                [] {
                    const QByteArray b =
                        sheets({kCalls, {QStringLiteral("Notes"), 2, 2, label(1, 0, 4, "abcd")}});
                    return with16(b, recordAt(b, 0x0085, 1) - 4, 0x0885);
                }},
        Damaged{"SheetWithoutAnEnd", // its cells and the next sheet's are one section
                [] {
                    const QByteArray b =
                        sheets({kCalls, {QStringLiteral("Notes"), 2, 2, label(1, 0, 4, "abcd")}});
                    return with16(b, recordAt(b, 0x000A, 1) - 4, 0x230A);
                }},
        Damaged{"CellsAmongTheWorkbooksOwnRecords",
                [] { return book(cells(), Biff::dimensions(2, 2) + label(0, 0, 4, "abcd")); }},
        Damaged{"SheetWithoutSizeBeforeAnother",
                [] {
                    return withoutSize(sheets({kEmpty, kCalls}), 0);
                }},
        Damaged{"SheetSizeGivenTwice", [] { return book(cells(Biff::dimensions(3, 3))); }},
        Damaged{"ShortNumberRecord", [] { return with16(book(), recordAt(book(), 0x0203) - 2, 4); }}),
    [](const ::testing::TestParamInfo<Damaged>& info) { return std::string(info.param.name); });

// Sound layouts the checks must let through, read as Excel means them.
TEST(SoundXls, SharedStringsSplitOverContinueRecordsRead)
{
    // "Phone" whole; "Since" begun in the SST record one byte a character,
    // ended in a CONTINUE record two bytes a character; a third string
    // with formatting runs whose runs fall in a second CONTINUE record.
    QByteArray sst;
    Biff::u32(sst, 3);
    Biff::u32(sst, 3);
    Biff::u16(sst, 5);
    sst.append('\0');
    sst += "Phone";
    Biff::u16(sst, 5);
    sst.append('\0');
    sst += "Si";
    QByteArray more;
    more.append('\1');
    more += QByteArray("n\0c\0e\0", 6);
    Biff::u16(more, 4);
    more.append('\x08');
    Biff::u16(more, 1); // one run
    more += "Note";
    QByteArray runs;
    Biff::u16(runs, 0);
    Biff::u16(runs, 1);
    const QByteArray records =
        Biff::record(0x00FC, sst) + Biff::record(0x003C, more) + Biff::record(0x003C, runs);
    QTemporaryDir dir;
    Workbook wb;
    wb.open(writeBook(dir, book(cells(Biff::labelSst(2, 0, 2)), {}, records)));
    EXPECT_EQ(wb.sheet(0).value(1, 1), vb::Variant("Phone"));
    EXPECT_EQ(wb.sheet(0).value(1, 2), vb::Variant("Since"));
    EXPECT_EQ(wb.sheet(0).value(3, 1), vb::Variant("Note"));
}

TEST(SoundXls, ALastSheetWithoutASizeLeavesTheOthersWhole)
{
    QTemporaryDir dir;
    Workbook wb;
    wb.open(writeBook(dir, withoutSize(sheets({kCalls, kEmpty}), 1)));
    EXPECT_EQ(wb.sheetNames(), (QStringList{"Calls", "Chart"}));
    EXPECT_EQ(wb.sheet(0).value(1, 1), vb::Variant("Phone"));
    EXPECT_EQ(wb.sheet(0).value(2, 1), vb::Variant(2015550123.0));
}

TEST(SoundXls, AnEncryptedWorkbookIsReportedAsProtected)
{
    QByteArray filePass;
    Biff::u16(filePass, 0); // XOR obfuscation
    Biff::u16(filePass, 0x1234);
    Biff::u16(filePass, 0x5678);
    QTemporaryDir dir;
    QString why;
    EXPECT_EQ(openError(writeBook(dir, book(cells(), Biff::record(0x002F, filePass))), &why),
              files::wberr::PasswordProtected);
    EXPECT_TRUE(why.contains("calls.xls"));
}

} // namespace

namespace {

TEST(SoundXls, EveryKindOfTextRecordReadsAtItsLongest)
{
    QTemporaryDir dir;
    Workbook wb;
    wb.open(writeBook(dir, wbtest::everyRecordWorkbook()));
    EXPECT_EQ(wb.sheetNames(), (QStringList{"Calls", QString(31, u'S')}));
    files::Worksheet& s = wb.sheet(0);
    EXPECT_EQ(s.value(1, 1), vb::Variant("Phone"));
    EXPECT_EQ(s.value(1, 2), vb::Variant(QStringLiteral("Nom \u00e9t\u00e9")));
    EXPECT_EQ(s.value(1, 3), vb::Variant(QString(997, u'x') + QString(2003, QChar(0x7979))));
    EXPECT_EQ(s.value(2, 1), vb::Variant("2015551234"));
    EXPECT_EQ(s.value(2, 2), vb::Variant(QStringLiteral("\u0416\u0443\u043a")));
    EXPECT_EQ(vb::CStr(s.value(3, 1)), "5551235");
    EXPECT_EQ(vb::CStr(s.value(3, 3)), "-1");
    EXPECT_EQ(s.value(5, 1), vb::Variant(QString(4100, u'w')));
    EXPECT_EQ(s.value(6, 1), vb::Variant("end"));
    EXPECT_EQ(wb.sheet(1).value(1, 1), vb::Variant(QString(8000, u'z')));
}

} // namespace

namespace {

TEST(SoundXls, AWorkbookSmallEnoughForTheMiniStreamReads)
{
    const QByteArray stream = wbtest::biffWorkbook(
        {QStringLiteral("Phone")},
        {{QStringLiteral("Calls"), 2, 1, Biff::labelSst(0, 0, 0) + Biff::number(1, 0, 15, 42.0)}});
    ASSERT_LT(stream.size(), 4096);
    QTemporaryDir dir;
    Workbook wb;
    wb.open(writeBook(dir, wbtest::compoundFile(QStringLiteral("Workbook"), stream, true)));
    EXPECT_EQ(wb.sheet(0).value(1, 1), vb::Variant("Phone"));
    EXPECT_EQ(wb.sheet(0).value(2, 1), vb::Variant(42.0));
}

} // namespace

namespace {

TEST(SoundXls, AnExcel95WorkbookReads)
{
    QTemporaryDir dir;
    Workbook wb;
    wb.open(writeBook(dir, wbtest::biff5Workbook("Liste", "Caf\xE9")));
    EXPECT_EQ(wb.sheetNames(), QStringList{"Liste"});
    EXPECT_EQ(wb.sheet(0).value(1, 1), vb::Variant(QStringLiteral("Caf\u00e9")));
    EXPECT_EQ(wb.sheet(0).value(1, 2), vb::Variant(7.0));
}

TEST(SoundXls, AnExcel95WorkbookWithATextLongerThanItsRecordIsRefused)
{
    QByteArray b = wbtest::biff5Workbook("Liste", "Caf\xE9");
    const int text = b.indexOf("Caf\xE9");
    qToLittleEndian<quint16>(300, b.data() + text - 2);
    QTemporaryDir dir;
    QString why;
    EXPECT_EQ(openError(writeBook(dir, b), &why), files::wberr::NotAWorkbook);
    EXPECT_TRUE(why.contains("calls.xls"));
}

} // namespace
