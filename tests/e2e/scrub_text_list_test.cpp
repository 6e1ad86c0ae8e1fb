// A user's road through the real program: start-up in a fresh program
// folder with the database the build makes, a DNC import of a prepared
// list, a text calling list chosen and set up in the source panel, Start,
// and afterwards the scrubbed list, the OK and DNC files, the backup and
// the database as the program left them.

#include "EndToEndFixture.h"

using e2e::choose;
using e2e::type;

TEST_F(EndToEndTest, ImportThenScrubATextListMarkingTheNumbersFound)
{
    storeScrubOptions();
    {
        mwtest::Db db(databasePath());
        // The text wizard's answers for the list: a title line, delimited.
        db.exec(QStringLiteral(
            "insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
            "IsTitleFirstLine, Delimited) values ('TEXT FILE', '(None)', '', 'calls.csv', 1, 1)"));
    }
    mwtest::WriteFile(work + QStringLiteral("dncimport.txt"),
                      "201,5551234\r\n201,5559999\r\n973,1234567\r\n");
    const QByteArray list = "Name,Phone,Status,Zip\r\n"
                            "\"Lee, Al\",(201) 555-1234,new,07001\r\n"
                            "Kim,201-555-0000,new,07002\r\n"
                            "Roy,9731234567,\"old\",00123\r\n"
                            "Max,555,new,07003\r\n";
    mwtest::WriteFile(work + QStringLiteral("calls.csv"), list);

    frmMain* form = start();
    ASSERT_NE(form, nullptr);

    // The DNC import of the prepared list.
    gDefPropertys->Item(QStringLiteral("dnctextfilename"))
        ->SetPropertyValue(work + QStringLiteral("dncimport.txt"));
    gDefPropertys->Item(QStringLiteral("dnctextfilehearder"))->SetPropertyValue(QStringLiteral("0"));
    gDefPropertys->Item(QStringLiteral("dnctextfiledelimited"))->SetPropertyValue(QStringLiteral("1"));
    ASSERT_TRUE(form->Runs().ImportDNCTextFile());
    {
        mwtest::Db db(databasePath());
        EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from phone201")), QStringLiteral("2"));
        EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from phone973")), QStringLiteral("1"));
    }

    // The import waited on the program's clock; the scrub starts at a known moment.
    clock.setNow(QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30)));

    // The source panel: the list's folder typed in, its fields and the mark.
    mwtest::ctl(form).OptPhoneType(0)->click();
    mwtest::ctl(form).OptPhoneType(1)->click();
    mwtest::ctl(form).TxtPhoneData->clear();
    type(mwtest::ctl(form).TxtPhoneData, work);
    mwtest::ctl(form).OptPhoneType(0)->click();
    mwtest::ctl(form).OptPhoneType(1)->click();
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("4"));
    choose(mwtest::ctl(form).cboPhoneDataField, QStringLiteral("Phone"));
    choose(mwtest::ctl(form).cboMarkField, QStringLiteral("Status"));
    mwtest::ctl(form).chkOptions->setChecked(false);
    mwtest::ctl(form).OptionMark(2)->click();
    mwtest::ctl(form).txtMarkChar->clear();
    type(mwtest::ctl(form).txtMarkChar, QStringLiteral("DNC"));

    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"),
                          ui::vbYesNo | ui::vbQuestion);
    const QString backup = work + QStringLiteral("B070302142530calls.csv");
    scripted.expectMsgBox(ui::vbOK,
                          QStringLiteral("Action is finished!\r\nBackup of Original: ") + backup +
                              QStringLiteral("\r\n1 Not in DNC List; 2 in DNC List; 1  Null Numbers;"),
                          ui::vbInformation);
    mwtest::ctl(form).cmdStart->click();

    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("calls.csv")),
              QByteArray("Name,Phone,Status,Zip\r\n"
                         "\"Lee, Al\",(201) 555-1234,DNC,07001\r\n"
                         "Kim,201-555-0000,new,07002\r\n"
                         "Roy,9731234567,\"DNC\",00123\r\n"
                         "Max,555,new,07003\r\n"));
    EXPECT_EQ(mwtest::ReadFile(backup), list);
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("ok.txt")),
              QByteArray("Numbers Not In DNC List\r\n2015550000\r\n"));
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("dnc.txt")),
              QByteArray("Numbers In DNC List,Remove Time\r\n2015551234, 3/2/2007 2:25:30 PM\r\n"
                         "9731234567, 3/2/2007 2:25:30 PM\r\n"));
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1),
              QStringLiteral("1 Not in DNC List; 2(50.00%) in DNC List; 1 Null Numbers "));
    EXPECT_EQ(QDir(work).entryList(QDir::Files, QDir::Name),
              (QStringList{"B070302142530calls.csv", "calls.csv", "dnc.txt", "dncimport.txt", "ok.txt"}));

    // Shut-down keeps the choices made in the window.
    form->close();
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.setting(QStringLiteral("deleterecords")), QStringLiteral("0"));
    EXPECT_EQ(db.setting(QStringLiteral("markaction")), QStringLiteral("2"));
    EXPECT_EQ(db.setting(QStringLiteral("defaultmark")), QStringLiteral("DNC"));
    EXPECT_EQ(db.setting(QStringLiteral("phonedatatype")), QStringLiteral("TEXT FILE"));
    EXPECT_EQ(
        db.scalar(QStringLiteral("select DataDBName || '|' || DataFieldName || '|' || DataMarkName from "
                                 "DataTypeInfo where DataType = 'TEXT FILE'")),
        work + QStringLiteral("|Phone|Status"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from phone201")), QStringLiteral("2"));
}
