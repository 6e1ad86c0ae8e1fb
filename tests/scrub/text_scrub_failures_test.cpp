// A text scrub that cannot finish reports one error and leaves the list as
// it was; and the progress frame is updated every 100 records without ever
// passing its maximum, also for an empty list.

#include "TextScrubFixture.h"

TEST_F(TextScrubTest, ABrokenLookUpStopsTheRunAndLeavesTheListUnchanged)
{
    // A table that the list names but the database cannot read.
    scrubtest::Exec(dbPath, QStringLiteral("create view phone312 as select no_such_function(1) as phone;"));
    gPhoneTables->Add(QStringLiteral("phone312"), QStringLiteral("phone312"));
    const QByteArray list = "Phone,Status\r\n2015551234,a\r\n3125550000,b\r\n2015550000,c\r\n";
    writeList(list);
    const scrub::ScrubResult r = runFailing();

    EXPECT_FALSE(r.completed);
    EXPECT_EQ(listBytes(), list);
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb", "dnc.txt", "ok.txt"}));
    EXPECT_EQ(scripted.callsOf(ui::ScriptedServices::Kind::MsgBox).size(), 1u);
}

TEST_F(TextScrubTest, AClosedDncConnectionIsAnErrorNotANumberNotFound)
{
    dnc->Close();
    const QByteArray list = "Phone,Status\r\n2015551234,a\r\n";
    writeList(list);
    const scrub::ScrubResult r = runFailing();
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(listBytes(), list);
}

TEST_F(TextScrubTest, ALineWithMoreFieldsThanTheListIsReportedOnce)
{
    job.fieldCount = 2;
    const QByteArray list = "Phone,Status\r\n2015551234,a\r\n2015550000,b,extra,more\r\n2015559999,c,x\r\n";
    writeList(list);
    const scrub::ScrubResult r = runFailing(QStringLiteral("Record 2"));
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(listBytes(), list);
    EXPECT_EQ(scripted.callsOf(ui::ScriptedServices::Kind::MsgBox).size(), 1u);
}

TEST_F(TextScrubTest, AFirstDataLineWiderThanTheListIsReported)
{
    job.fieldCount = 1;
    writeList("Phone,Status\r\n2015551234,a\r\n");
    EXPECT_FALSE(runFailing().completed);
    EXPECT_EQ(listBytes(), QByteArray("Phone,Status\r\n2015551234,a\r\n"));
}

TEST_F(TextScrubTest, AMissingListOrPhoneFieldIsReported)
{
    EXPECT_FALSE(runFailing().completed);

    writeList("Phone,Status\r\n2015551234,a\r\n");
    job.settings.phoneField = QStringLiteral("Telephone");
    EXPECT_FALSE(runFailing(QStringLiteral("Telephone")).completed);
    EXPECT_EQ(listBytes(), QByteArray("Phone,Status\r\n2015551234,a\r\n"));
}

TEST_F(TextScrubTest, ProgressIsShownEveryHundredRecordsAndAtTheEnd)
{
    QByteArray text = "Phone,Status\r\n";
    for (int i = 0; i < 250; ++i)
        text += QByteArray::number(2015560000LL + i) + ",x\r\n";
    writeList(text);
    run();
    EXPECT_EQ(view.barMaximum, 250);
    EXPECT_EQ(view.shownAt, (std::vector<std::int32_t>{100, 200, 250}));
    EXPECT_TRUE(view.finalShown);
    EXPECT_EQ(view.status, QStringLiteral("250 Not in DNC List; 0(0.00%) in DNC List; 0 Null Numbers "));
}

TEST_F(TextScrubTest, AListWithoutRecordsNeverDividesByZero)
{
    writeList("Phone,Status\r\n");
    const scrub::ScrubResult r = run();
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(view.barMaximum, 0);
    EXPECT_EQ(view.barValues, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(view.status, QStringLiteral("0 Not in DNC List; 0(0.00%) in DNC List; 0 Null Numbers "));
    EXPECT_EQ(listBytes(), QByteArray("Phone,Status\r\n"));
}

TEST_F(TextScrubTest, ThePercentageIsOfAllRecords)
{
    QByteArray text = "Phone,Status\r\n2015551234,a\r\n2015559999,b\r\n9731234567,c\r\n";
    for (int i = 0; i < 197; ++i)
        text += QByteArray::number(2015560000LL + i) + ",x\r\n";
    writeList(text);
    run();
    EXPECT_EQ(view.status, QStringLiteral("197 Not in DNC List; 3(1.50%) in DNC List; 0 Null Numbers "));
}
