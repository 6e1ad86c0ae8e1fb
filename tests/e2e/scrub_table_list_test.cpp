// A user's road to a table list: a DNC store already holding numbers, the
// source panel on an embedded database file or on a folder of FoxPro
// tables, the fields and the action chosen, Start with its question, and
// afterwards the table, the backup and the result files on disk.

#include "EndToEndFixture.h"

#include "platform/files/DbfTable.h"

#include <QtEndian>

using e2e::choose;
using e2e::type;

namespace {

constexpr int kFoxPro = 2;
constexpr int kAccess = 4;

} // namespace

class TableEndToEndTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        storeScrubOptions();
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                               "insert into phone201 values (5551234), (5559999);"));
    }

    // The panel on a source type whose file or folder the user types in;
    // choosing the type again reads the source's tables and fields.
    void chooseSource(frmMain* form, int type, const QString& path)
    {
        mwtest::ctl(form).OptPhoneType(type)->click();
        mwtest::ctl(form).TxtPhoneData->clear();
        e2e::type(mwtest::ctl(form).TxtPhoneData, path);
        mwtest::ctl(form).OptPhoneType(1)->click();
        mwtest::ctl(form).OptPhoneType(type)->click();
    }

    void startRun(frmMain* form, const QString& summary)
    {
        scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"),
                              ui::vbYesNo | ui::vbQuestion);
        scripted.expectMsgBox(ui::vbOK, summary, ui::vbInformation);
        mwtest::ctl(form).cmdStart->click();
        EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    }
};

TEST_F(TableEndToEndTest, AnAccessTableWithABlankInItsNameIsMarked)
{
    const QString list = work + QStringLiteral("calls.mdb");
    {
        mwtest::Db db(list);
        db.exec(QStringLiteral(
            "create table [my calls] (Name TEXT, Phone TEXT, Status TEXT);"
            "insert into [my calls] values ('Lee', '(201) 555-1234', 'new'),"
            "('Kim', '2015550000', 'new'), ('Roy', '12015559999', NULL), ('Max', '555', 'new');"));
        mwtest::Db program(databasePath());
        program.exec(QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName) "
                                    "values ('ACCESS', '(None)', '', 'my calls')"));
    }
    const QString rowsQuery = QStringLiteral("select group_concat(Name || '=' || ifnull(Status, '?'), ' ') "
                                             "from [my calls]");
    const QString before = mwtest::Db(list).scalar(rowsQuery);
    frmMain* form = start();
    ASSERT_NE(form, nullptr);

    chooseSource(form, kAccess, list);
    ASSERT_EQ(mwtest::ctl(form).DataTableName->currentText(), QStringLiteral("my calls"));
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("4"));
    choose(mwtest::ctl(form).cboPhoneDataField, QStringLiteral("Phone"));
    choose(mwtest::ctl(form).cboMarkField, QStringLiteral("Status"));
    mwtest::ctl(form).chkOptions->setChecked(false);
    mwtest::ctl(form).OptionMark(1)->click();
    mwtest::ctl(form).txtMarkChar->clear();
    type(mwtest::ctl(form).txtMarkChar, QStringLiteral("-DNC"));

    startRun(form, QStringLiteral(
                       "Action is finished!\r\n1 Not in DNC List; 2(50.00%) in DNC List; 1 Null Numbers "));

    {
        mwtest::Db db(list);
        EXPECT_EQ(db.scalar(QStringLiteral("select group_concat(Name || '=' || ifnull(Status, '?'), ' ') "
                                           "from [my calls]")),
                  QStringLiteral("Lee=new-DNC Kim=new Roy=-DNC Max=new"));
    }
    // The backup is the list as the engine saw it, restored and read back.
    EXPECT_EQ(mwtest::Db(work + QStringLiteral("B070302142530calls.mdb")).scalar(rowsQuery), before);
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("dnc.txt")),
              QByteArray("Numbers In DNC List, Remove Time\r\n2015551234,3/2/2007 2:25:30 PM\r\n"
                         "2015559999,3/2/2007 2:25:30 PM\r\n"));
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("ok.txt")),
              QByteArray("Numbers Not In DNC List\r\n2015550000\r\n"));
}

// The table keeps notes in a memo field and has an index file: its backup
// copy takes both along under its own name, and opens with its notes.
TEST_F(TableEndToEndTest, AFoxProTableLosesItsFoundRecordsToTheDeletedFlagAndItsNamesakeInCapitalsStays)
{
    const QString folder = work + QStringLiteral("tables/");
    QDir().mkpath(folder);
    const QString table = folder + QStringLiteral("calls.dbf");
    files::DbfTable::create(table, {{QStringLiteral("NAME"), 'C', 20},
                                    {QStringLiteral("PHONE"), 'C', 14},
                                    {QStringLiteral("STATUS"), 'C', 10},
                                    {QStringLiteral("NOTES"), 'M', 4}});
    int notesAt = 0;
    {
        files::DbfTable dbf(table);
        dbf.appendRecord({vb::Variant(QStringLiteral("Lee")), vb::Variant(QStringLiteral("201-555-1234")),
                          vb::Variant(QStringLiteral("new"))});
        dbf.appendRecord({vb::Variant(QStringLiteral("Kim")), vb::Variant(QStringLiteral("2015550000")),
                          vb::Variant(QStringLiteral("new"))});
        notesAt = dbf.fields()[3].offset;
    }
    // Lee's note in the memo file's first free block (8 of 64 bytes), as
    // Visual FoxPro writes it.
    QByteArray memo = mwtest::ReadFile(folder + QStringLiteral("calls.fpt"));
    QByteArray block(64, '\0');
    qToBigEndian<quint32>(1, block.data());
    qToBigEndian<quint32>(12, block.data() + 4);
    block.replace(8, 12, "called twice");
    memo = memo.left(512) + block;
    qToBigEndian<quint32>(9, memo.data());
    mwtest::WriteFile(folder + QStringLiteral("calls.fpt"), memo);
    QByteArray dbfBytes = mwtest::ReadFile(table);
    qToLittleEndian<quint32>(8, dbfBytes.data() + qFromLittleEndian<quint16>(dbfBytes.constData() + 8) +
                                    notesAt);
    mwtest::WriteFile(table, dbfBytes);
    mwtest::WriteFile(folder + QStringLiteral("calls.CDX"), "an index");
    {
        mwtest::Db program(databasePath());
        program.exec(QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName) "
                                    "values ('FOXPRO', '(None)', '', 'calls.dbf')"));
    }
    // A table whose name differs in case only stands beside it, untouched.
    const QString upper = folder + QStringLiteral("CALLS.DBF");
    files::DbfTable::create(upper, {{QStringLiteral("PHONE"), 'C', 14}});
    for (int i = 0; i < 3; ++i)
        files::DbfTable(upper).appendRecord({vb::Variant(QStringLiteral("2015551234"))});
    const QByteArray upperBefore = mwtest::ReadFile(upper);
    const QByteArray before = mwtest::ReadFile(table);
    frmMain* form = start();
    ASSERT_NE(form, nullptr);

    chooseSource(form, kFoxPro, folder);
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("2"));
    choose(mwtest::ctl(form).cboPhoneDataField, QStringLiteral("PHONE"));
    choose(mwtest::ctl(form).cboMarkField, QStringLiteral("STATUS"));
    mwtest::ctl(form).chkOptions->setChecked(true);

    startRun(form, QStringLiteral(
                       "Action is finished!\r\n1 Not in DNC List; 1(50.00%) in DNC List; 0 Null Numbers "));

    files::DbfTable dbf(table, files::DbfTable::Mode::ReadOnly);
    ASSERT_EQ(dbf.recordCount(), 2);
    EXPECT_TRUE(dbf.isDeleted(0));
    EXPECT_FALSE(dbf.isDeleted(1));
    EXPECT_EQ(mwtest::ReadFile(folder + QStringLiteral("B070302142530calls.dbf")), before);
    EXPECT_EQ(mwtest::ReadFile(folder + QStringLiteral("B070302142530calls.fpt")), memo);
    EXPECT_EQ(mwtest::ReadFile(folder + QStringLiteral("B070302142530calls.CDX")), "an index");
    EXPECT_EQ(
        files::DbfTable(folder + QStringLiteral("B070302142530calls.dbf"), files::DbfTable::Mode::ReadOnly)
            .value(0, 3)
            .text(),
        QStringLiteral("called twice"));
    EXPECT_EQ(mwtest::ReadFile(upper), upperBefore);
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("dnc.txt")),
              QByteArray("Numbers In DNC List, Remove Time\r\n2015551234,3/2/2007 2:25:30 PM\r\n"));
}
