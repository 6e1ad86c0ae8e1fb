// The scrub through a work table, reached from the main window's code: the
// source panel on a text list, an embedded table and a workbook sheet, the
// run, and afterwards the list, the result files, the work database in the
// program folder and the status line.

#include "EndToEndFixture.h"

#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"

using e2e::choose;
using e2e::type;

namespace {

constexpr int kText = 1;
constexpr int kExcel = 3;
constexpr int kAccess = 4;

} // namespace

class WorkTableRoadTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        storeScrubOptions();
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                               "insert into phone201 values (5551234), (5559999);"));
    }

    void addProfile(const QString& type, const QString& table, const QString& path = {})
    {
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                               "IsTitleFirstLine, Delimited) values ('%1', '(None)', '%3', '%2', 1, 1)")
                    .arg(type, table, path));
    }

    void chooseSource(frmMain* form, int type, const QString& path)
    {
        mwtest::ctl(form).OptPhoneType(type)->click();
        mwtest::ctl(form).TxtPhoneData->clear();
        e2e::type(mwtest::ctl(form).TxtPhoneData, path);
        mwtest::ctl(form).OptPhoneType(type == kText ? 0 : kText)->click();
        mwtest::ctl(form).OptPhoneType(type)->click();
    }

    void chooseFields(frmMain* form, const QString& phone, const QString& mark)
    {
        choose(mwtest::ctl(form).cboPhoneDataField, phone);
        choose(mwtest::ctl(form).cboMarkField, mark);
        mwtest::ctl(form).OptionMark(0)->click();
        mwtest::ctl(form).txtMarkChar->clear();
        type(mwtest::ctl(form).txtMarkChar, QStringLiteral("X"));
    }

    void expectFinished(frmMain* form, const char* status)
    {
        EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1), QLatin1String(status));
        EXPECT_TRUE(QFile::exists(home.filePath(QStringLiteral("DNCTempWork.mdb"))));
        mwtest::Db db(databasePath());
        EXPECT_EQ(
            db.scalar(QStringLiteral("select count(*) from sqlite_master where name = 'tempworktable'")),
            QStringLiteral("0"));
    }
};

TEST_F(WorkTableRoadTest, ATextListIsMarkedThroughTheWorkTable)
{
    addProfile(QStringLiteral("TEXT FILE"), QStringLiteral("calls.csv"));
    mwtest::WriteFile(work + QStringLiteral("calls.csv"), "Name,Phone,Status\r\n"
                                                          "Lee,(201) 555-1234,new\r\n"
                                                          "Kim,,new\r\n"
                                                          "Roy,201-555-9999,old\r\n");
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    chooseSource(form, kText, work);
    chooseFields(form, QStringLiteral("Phone"), QStringLiteral("Status"));
    mwtest::ctl(form).chkOptions->setChecked(false);

    form->Runs().ScrubByWorkTable();

    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("calls.csv")), QByteArray("Name,Phone,Status\r\n"
                                                                               "Lee,(201) 555-1234,Xnew\r\n"
                                                                               "Kim,,new\r\n"
                                                                               "Roy,201-555-9999,Xold\r\n"));
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("ok.txt")),
              QByteArray("Name,Phone,Status,Checked Time\r\nKim,,new, 3/2/2007 2:25:30 PM\r\n"));
    expectFinished(form, "2 (66.67%) numbers in DNC List");
}

TEST_F(WorkTableRoadTest, AnEmbeddedTableLosesItsFoundRows)
{
    const QString list = work + QStringLiteral("calls.mdb");
    {
        mwtest::Db db(list);
        db.exec(QStringLiteral("create table calls (Name TEXT, Phone TEXT, Status TEXT);"
                               "insert into calls values ('Lee', '2015551234', 'new'), ('Kim', NULL, 'new'),"
                               "('Max', '2015550000', 'DEL##');"));
    }
    addProfile(QStringLiteral("ACCESS"), QStringLiteral("calls"));
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    chooseSource(form, kAccess, list);
    chooseFields(form, QStringLiteral("Phone"), QStringLiteral("Status"));
    mwtest::ctl(form).chkOptions->setChecked(true);

    form->Runs().ScrubByWorkTable();

    mwtest::Db db(list);
    EXPECT_EQ(db.scalar(QStringLiteral("select group_concat(Name, ' ') from calls")),
              QStringLiteral("Kim Max"));
    EXPECT_EQ(
        mwtest::ReadFile(work + QStringLiteral("dnc.txt")),
        QByteArray(
            "Name,Phone,Status,Checked Time\r\n\"Lee\",\"2015551234\",\"new\",3/2/2007 2:25:30 PM\r\n"));
    expectFinished(form, "1 (33.33%) numbers in DNC List");
}

TEST_F(WorkTableRoadTest, AWorkbookSheetIsMarkedThroughItsTable)
{
    const QString book = work + QStringLiteral("calls.xlsx");
    files::XlsxWriter::write(book, {{"Calls",
                                     {{vb::Variant("Name"), vb::Variant("Phone"), vb::Variant("Status")},
                                      {vb::Variant("Lee"), vb::Variant("2015551234"), vb::Variant("new")},
                                      {vb::Variant("Kim"), vb::Variant(), vb::Variant("new")},
                                      {vb::Variant("Roy"), vb::Variant("2015559999"), vb::Variant("old")}}}});
    addProfile(QStringLiteral("EXCEL"), QStringLiteral("Calls"), book);
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(kExcel)->click();
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("3"));
    chooseFields(form, QStringLiteral("Phone - (B)"), QStringLiteral("Status - (C)"));
    mwtest::ctl(form).chkOptions->setChecked(true); // a sheet is always marked

    form->Runs().ScrubByWorkTable();

    files::Workbook wb;
    wb.open(book);
    QStringList marks;
    for (int r = 2; r <= 4; ++r)
        marks << wb.sheet(QStringLiteral("Calls"))->value(r, 3).text();
    EXPECT_EQ(marks, (QStringList{"Xnew", "new", "Xold"}));
    expectFinished(form, "2 (66.67%) numbers in DNC List");
}
