// Opening files that are not workbooks, or that cannot be read: each fails
// with an error a caller can tell apart, and no workbook is left open.

#include "WorkbookBiff.h"
#include "WorkbookSupport.h"
#include "platform/files/Workbook.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using files::Workbook;

namespace {

class WorkbookOpen : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& data)
    {
        const QString p = dir.filePath(name);
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return p;
    }
    // The error number open() raises, 0 when it opens.
    static int openError(const QString& path, QString* description = nullptr)
    {
        Workbook wb;
        try {
            wb.open(path);
        } catch (const vb::ErrObject& e) {
            EXPECT_FALSE(wb.isOpen());
            if (description) *description = e.Description;
            return e.Number;
        }
        return 0;
    }
    QTemporaryDir dir;
};

TEST_F(WorkbookOpen, MissingFile)
{
    EXPECT_EQ(openError(dir.filePath("nowhere.xlsx")), vb::errnum::FileNotFound);
    EXPECT_EQ(openError(dir.path()), vb::errnum::FileNotFound) << "a folder is not a workbook file";
}

TEST_F(WorkbookOpen, FilesThatAreNotWorkbooks)
{
    QString why;
    EXPECT_EQ(openError(write("list.xlsx", "Phone,Name\r\n2015550123,Ann\r\n"), &why),
              files::wberr::NotAWorkbook);
    EXPECT_TRUE(why.contains("list.xlsx"));
    EXPECT_EQ(openError(write("empty.xls", {})), files::wberr::NotAWorkbook);

    const QString zip = dir.filePath("archive.xlsx");
    wbtest::writeZip(zip, {{"readme.txt", "not a workbook"}});
    EXPECT_EQ(openError(zip, &why), files::wberr::NotAWorkbook);
    EXPECT_TRUE(why.contains("archive.xlsx"));

    // A compound file whose Workbook stream holds no BIFF records.
    EXPECT_EQ(openError(write("junk.xls", wbtest::compoundFile("Workbook", QByteArray(5000, 'x')))),
              files::wberr::NotAWorkbook);
    // A truncated zip.
    const QString good = dir.filePath("good.xlsx");
    wbtest::Package p;
    p.sheets = {{"S", wbtest::sheetXml({})}};
    writePackage(good, p);
    QFile f(good);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(openError(write("cut.xlsx", f.read(f.size() / 2))), files::wberr::NotAWorkbook);
}

TEST_F(WorkbookOpen, PasswordProtectedWorkbooks)
{
    QString why;
    // Excel keeps an encrypted xlsx in a compound file with an EncryptedPackage stream.
    EXPECT_EQ(openError(write("secret.xlsx", wbtest::compoundFile("EncryptedPackage", QByteArray(4096, 'e'))),
                        &why),
              files::wberr::PasswordProtected);
    EXPECT_TRUE(why.contains("password"));

    const QString zip = dir.filePath("zipcrypt.xlsx");
    {
        QuaZip z(zip);
        z.open(QuaZip::mdCreate);
        QuaZipFile e(&z);
        e.open(QIODevice::WriteOnly, QuaZipNewInfo("xl/workbook.xml"), "pw");
        e.write("<workbook/>");
        e.close();
        z.close();
    }
    EXPECT_EQ(openError(zip), files::wberr::PasswordProtected);
}

TEST_F(WorkbookOpen, AFailedOpenClosesTheWorkbookOpenBefore)
{
    const QString good = dir.filePath("good.xlsx");
    wbtest::Package p;
    p.sheets = {{"S", wbtest::sheetXml({})}};
    writePackage(good, p);
    Workbook wb;
    wb.open(good);
    EXPECT_THROW(wb.open(write("bad.xlsx", "nope")), vb::ErrObject);
    EXPECT_FALSE(wb.isOpen());
    EXPECT_EQ(wb.sheetCount(), 0);
}

} // namespace
