// Damaged workbooks: whatever part is broken, reading stops with an error
// that names the file, and the program goes on.

#include "support/Fixtures.h"
#include "platform/files/Workbook.h"
#include "platform/vb/Err.h"

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

INSTANTIATE_TEST_SUITE_P(
    Parts, DamagedWorkbook,
    ::testing::Values(DamagedBook{"workbook_damaged_sheet_data.xlsx", "one byte of the sheet's compressed data"},
                      DamagedBook{"workbook_damaged_shared_strings.xlsx", "the shared strings"}));

} // namespace
