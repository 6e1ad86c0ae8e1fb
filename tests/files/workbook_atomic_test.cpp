// Saving replaces the file in one step: a save that fails leaves the file
// exactly as it was, with nothing left beside it.

#include "WorkbookSupport.h"
#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using files::Workbook;
using vb::Variant;

namespace {

QByteArray bytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class WorkbookAtomicSave : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("list.xlsx")); }
};

TEST_F(WorkbookAtomicSave, AFailedSaveKeepsTheOriginalAndLeavesNoFileBehind)
{
    // The cell data reads fine; what follows it in the sheet is damaged, so
    // the damage only shows when the sheet is written back.
    wbtest::Package p;
    p.sheets = {
        {"S", QByteArray("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                         "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                         "<row r=\"2\"><c r=\"A2\"><v>2</v></c></row></sheetData>"
                         "<pageMargins left=\"0.7\"</worksheet>")}};
    writePackage(path(), p);
    const QByteArray before = bytes(path());

    Workbook wb;
    wb.open(path());
    wb.sheet(0).deleteRows(1);
    try {
        wb.save();
        FAIL() << "the save must report the failure";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, files::wberr::CannotSave);
        EXPECT_TRUE(e.Description.contains("list.xlsx"));
    }
    EXPECT_EQ(bytes(path()), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.xlsx"});
    EXPECT_TRUE(wb.isModified()) << "the changes are still unsaved";
    EXPECT_EQ(wb.sheet(0).value(1, 1), Variant(2.0));
}

TEST_F(WorkbookAtomicSave, AnUnchangedWorkbookIsNotWritten)
{
    files::XlsxWriter::write(path(), {{"S", {{Variant(1)}}}});
    const QByteArray before = bytes(path());
    const QDateTime stamp = QFileInfo(path()).lastModified();
    Workbook wb;
    wb.open(path());
    EXPECT_EQ(wb.sheet(0).value(1, 1), Variant(1.0));
    wb.save();
    EXPECT_EQ(bytes(path()), before);
    EXPECT_EQ(QFileInfo(path()).lastModified(), stamp);
}

TEST_F(WorkbookAtomicSave, TheSavedFileKeepsItsPermissionsAndNothingIsLeftBeside)
{
    files::XlsxWriter::write(path(), {{"S", {{Variant(1)}, {Variant(2)}}}});
    const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QFile::setPermissions(path(), perms);
    Workbook wb;
    wb.open(path());
    wb.sheet(0).deleteRows(1);
    wb.save();
    EXPECT_EQ(QFile::permissions(path()) & (QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadGroup | QFileDevice::ReadOther),
              perms);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.xlsx"});
    Workbook again;
    again.open(path());
    EXPECT_EQ(again.sheet(0).value(1, 1), Variant(2.0));
}

} // namespace
