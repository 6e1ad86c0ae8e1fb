// The workbook automation as its callers use it: one workbook per path while
// someone holds it, a fresh read of the disk once nobody does, sheets by name
// without regard to case, cells read and written, rows deleted with the rows
// below moving up, and closing with or without saving.

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
