// Damaged workbooks: whatever part is broken, reading stops with an error
// that names the file, and the program goes on.

#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Err.h"
#include "support/Fixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using files::Workbook;

namespace {

struct DamagedBook {
    const char* fixture;
    const char* damage;
};

void PrintTo(const DamagedBook& b, std::ostream* os)
{
    *os << b.fixture;
}

class DamagedWorkbook : public ::testing::TestWithParam<DamagedBook> {};

TEST_P(DamagedWorkbook, ReadingTheSheetStopsWithAnErrorNamingTheFile)
{
    QTemporaryDir dir;
    const QString path = testsupport::CopyFixture(GetParam().fixture, dir.path(), "calls.xlsx");
    Workbook wb;
    try {
        wb.open(path);
        wb.sheet(0).usedRange();
        wb.sheet(0).value(1, 1);
        FAIL() << "a damaged workbook must not read as good";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, files::wberr::NotAWorkbook);
        EXPECT_TRUE(e.Description.contains("calls.xlsx")) << e.Description.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Parts, DamagedWorkbook,
                         ::testing::Values(DamagedBook{"workbook_damaged_sheet_data.xlsx",
                                                       "one byte of the sheet's compressed data"},
                                           DamagedBook{"workbook_damaged_shared_strings.xlsx",
                                                       "the shared strings"}));

} // namespace

namespace {

// A workbook cut short, as a copy interrupted or a download broken off.
class TruncatedWorkbook : public ::testing::TestWithParam<double> {};

TEST_P(TruncatedWorkbook, OpeningOrReadingItFailsWithItsName)
{
    QTemporaryDir dir;
    const QString whole = dir.filePath("whole.xlsx");
    QList<QList<vb::Variant>> rows;
    for (int i = 0; i < 300; ++i)
        rows.append({vb::Variant(2015550000.0 + i), vb::Variant(QStringLiteral("Name %1").arg(i))});
    files::XlsxWriter::write(whole, {{"Calls", rows}});
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    const QString cut = dir.filePath("cut.xlsx");
    QFile out(cut);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(qsizetype(bytes.size() * GetParam())));
    out.close();

    Workbook wb;
    try {
        wb.open(cut);
        wb.sheet(0).usedRange();
        FAIL() << "a cut workbook must not read as good";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, files::wberr::NotAWorkbook);
        EXPECT_TRUE(e.Description.contains("cut.xlsx")) << e.Description.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, TruncatedWorkbook, ::testing::Values(0.0, 0.1, 0.5, 0.9, 0.999));

} // namespace
