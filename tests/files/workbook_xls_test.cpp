// Excel 97-2003 workbooks: read through FreeXL, never written.

#include "WorkbookBiff.h"
#include "platform/files/Workbook.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using files::Workbook;
using vb::Variant;

namespace {

class WorkbookXls : public ::testing::Test {
protected:
    void SetUp() override
    {
        QByteArray calls;
        calls += wbtest::Biff::labelSst(0, 0, 0);
        calls += wbtest::Biff::labelSst(0, 1, 1);
        calls += wbtest::Biff::number(1, 0, 15, 2015550123.0);
        calls += wbtest::Biff::number(1, 1, 16, 43831.0);
        calls += wbtest::Biff::number(2, 0, 15, 2015550124.0);
        calls += wbtest::Biff::boolErr(2, 2, true);
        QByteArray notes = wbtest::Biff::number(0, 0, 15, 1.5);
        const QByteArray book = wbtest::biffWorkbook(
            {QStringLiteral("Phone"), QStringLiteral("Since")},
            {{QStringLiteral("Calls"), 3, 3, calls}, {QStringLiteral("Notes"), 1, 1, notes}});
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(wbtest::compoundFile(QStringLiteral("Workbook"), book));
    }
    QString path() const { return dir.filePath(QStringLiteral("old.xls")); }
    QByteArray digest() const
    {
        QFile f(path());
        f.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
    QTemporaryDir dir;
};

TEST_F(WorkbookXls, ReadsSheetsAndCells)
{
    Workbook wb;
    wb.open(path());
    EXPECT_EQ(wb.format(), files::WorkbookFormat::Xls);
    EXPECT_TRUE(wb.isReadOnly());
    EXPECT_EQ(wb.sheetNames(), (QStringList{"Calls", "Notes"}));
    files::Worksheet& s = wb.sheet(0);
    EXPECT_EQ(s.value(1, 1), Variant("Phone"));
    EXPECT_EQ(s.value(1, 2), Variant("Since"));
    EXPECT_EQ(vb::CStr(s.value(2, 1)), "2015550123");
    EXPECT_EQ(s.value(2, 2), Variant::fromDate(vb::DateSerial(2020, 1, 1)));
    EXPECT_EQ(vb::CStr(s.value(3, 1)), "2015550124");
    EXPECT_TRUE(s.value(3, 2).isEmpty());
    const files::CellRange r = s.usedRange();
    EXPECT_EQ(r.firstRow, 1);
    EXPECT_EQ(r.lastRow, 3);
    EXPECT_EQ(r.firstColumn, 1);
    EXPECT_EQ(r.lastColumn, 3);
    EXPECT_EQ(wb.sheet(1).value(1, 1), Variant(1.5));
}

TEST_F(WorkbookXls, EveryWriteIsRefusedBeforeAnythingChanges)
{
    const QByteArray before = digest();
    Workbook wb;
    wb.open(path());
    files::Worksheet& s = wb.sheet(0);
    for (auto attempt : {0, 1, 2}) {
        try {
            if (attempt == 0)
                s.setValue(2, 1, Variant("DNC"));
            else if (attempt == 1)
                s.deleteRows(2);
            else
                wb.save();
            FAIL() << "an .xls workbook must not be written";
        } catch (const vb::ErrObject& e) {
            EXPECT_EQ(e.Number, files::wberr::ReadOnly);
            EXPECT_TRUE(e.Description.contains("old.xls"));
            EXPECT_TRUE(e.Description.contains("cannot be written: it is an Excel 97-2003 (.xls) workbook"));
        }
    }
    EXPECT_EQ(vb::CStr(s.value(2, 1)), "2015550123");
    EXPECT_EQ(vb::CStr(s.value(3, 1)), "2015550124");
    EXPECT_FALSE(wb.isModified());
    EXPECT_EQ(digest(), before);
}

} // namespace
