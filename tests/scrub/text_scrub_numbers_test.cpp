// How the numbers of a text list are read, completed and judged: written
// forms, seven digits with and without the default area code, an area-code
// field, area codes without a table, and a list in which nothing is found.

#include "TextScrubFixture.h"

TEST_F(TextScrubTest, WrittenFormsAreCleanedBeforeTheLookUp)
{
    writeList("Phone,Status\r\n"
              "(201) 555-1234,a\r\n"
              "201-555-9999,b\r\n"
              "973.123.4567,c\r\n"
              "12015551234,d\r\n"
              "555,e\r\n"
              ",f\r\n");
    const scrub::ScrubResult r = run();

    EXPECT_EQ(r.counters.found, 2);
    EXPECT_EQ(r.counters.notFound, 0);
    EXPECT_EQ(r.counters.unusable, 4); // dots are not cleaned; eleven digits are not cut here
    EXPECT_EQ(file("dnc.txt"), QByteArray("Numbers In DNC List,Remove Time\r\n"
                                          "2015551234, 3/2/2007 2:25:30 PM\r\n"
                                          "2015559999, 3/2/2007 2:25:30 PM\r\n"));
    EXPECT_EQ(file("ok.txt"), QByteArray("Numbers Not In DNC List\r\n"));
}

TEST_F(TextScrubTest, SevenDigitsTakeTheDefaultAreaCodeOnlyWhenAsked)
{
    const QByteArray list = "Phone,Status\r\n5551234,a\r\n5550000,b\r\n";
    writeList(list);
    job.settings.number.addAreaCode = true;
    job.settings.number.defaultCode = QStringLiteral("201");
    scrub::ScrubResult r = run();
    EXPECT_EQ(r.counters.found, 1);
    EXPECT_EQ(r.counters.notFound, 1);
    EXPECT_EQ(file("ok.txt"), QByteArray("Numbers Not In DNC List\r\n2015550000\r\n"));

    writeList(list);
    job.settings.number.addAreaCode = false;
    r = run();
    EXPECT_EQ(r.counters.unusable, 2);
    EXPECT_EQ(r.summary,
              QStringLiteral("Action is finished!\r\n0 Not in DNC List; 0 in DNC List;2  Null Numbers;"));
    EXPECT_EQ(listBytes(), list);
}

TEST_F(TextScrubTest, AnAreaFieldGoesInFrontOfThePhoneField)
{
    job.settings.areaField = QStringLiteral("Area");
    writeList("Area,Phone,Status\r\n201,5551234,a\r\n201,555-9999,b\r\n973,5550000,c\r\n");
    const scrub::ScrubResult r = run();
    EXPECT_EQ(r.counters.found, 2);
    EXPECT_EQ(listBytes(), QByteArray("Area,Phone,Status\r\n973,5550000,c\r\n"));
}

TEST_F(TextScrubTest, AnAreaCodeWithoutATableIsFoundOnlyWithTheNoTableRule)
{
    const QByteArray list = "Phone,Status\r\n3125550000,a\r\n3125550001,b\r\n2015550000,c\r\n";
    writeList(list);
    job.settings.nacNotInDnc = false;
    scrub::ScrubResult r = run();
    EXPECT_EQ(r.counters.found, 0);
    EXPECT_EQ(r.counters.notFound, 3);
    EXPECT_EQ(listBytes(), list);

    job.settings.nacNotInDnc = true;
    r = run();
    EXPECT_EQ(r.counters.found, 2);
    EXPECT_EQ(listBytes(), QByteArray("Phone,Status\r\n2015550000,c\r\n"));
}

TEST_F(TextScrubTest, NothingFoundLeavesTheListUntouchedAndNoCopyBehind)
{
    job.settings.markField = QStringLiteral("F1");
    job.settings.phoneField = QStringLiteral("F2");
    job.titleFirstLine = false;
    writeList("a,2015550000\nb,2015550001\n");
    const QDateTime before = QFileInfo(list()).lastModified();
    const scrub::ScrubResult r = run();

    EXPECT_FALSE(r.replaced);
    EXPECT_EQ(listBytes(), QByteArray("a,2015550000\nb,2015550001\n"));
    EXPECT_EQ(QFileInfo(list()).lastModified(), before);
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb", "dnc.txt", "ok.txt"}));
    EXPECT_EQ(r.summary,
              QStringLiteral("Action is finished!\r\n2 Not in DNC List; 0 in DNC List;0  Null Numbers;"));
}

TEST_F(TextScrubTest, WindowsAndUtf8BytesOfOtherFieldsSurviveAMark)
{
    job.settings.deleteFound = false;
    job.settings.markAction = 1;
    writeList("Name,Phone,Status\r\nJos\xe9,2015551234,x\r\nZo\xeb,2015550000,y\r\n");
    run();
    EXPECT_EQ(listBytes(),
              QByteArray("Name,Phone,Status\r\nJos\xe9,2015551234,xDNC\r\nZo\xeb,2015550000,y\r\n"));
}

// A list longer than the run of records read ahead at a time: every record
// keeps its own number and outcome, although the numbers of one run are
// written over those of the run before, which had other lengths and forms.
TEST_F(TextScrubTest, ALongListJudgesEveryRecordByItsOwnNumber)
{
    job.settings.areaField = QStringLiteral("Area");
    Expected e("Area,Phone,Status\r\n");
    e.records = 70000;
    for (int i = 0; i < e.records; ++i) {
        QByteArray area, phone, number;
        switch (i % 7) {
        case 0:
            area = "201", phone = "5551234", number = "2015551234";
            break;
        case 1:
            area = "201", phone = "555 99-99", number = "2015559999";
            break;
        case 2:
            area = "973", phone = "1234567", number = "9731234567";
            break;
        case 3:
            area = "201", phone = QByteArray::number(5550000 + i % 1000), number = area + phone;
            break;
        case 4:
            area = "2\xc3\xa9"
                   "1",
            phone = "5551234";
            break; // not ten digits
        case 5:
            area = "", phone = "55";
            break;
        default:
            area = "201", phone = "555123";
            break;
        }
        const QByteArray line = area + ',' + phone + ",r" + QByteArray::number(i) + "\r\n";
        e.list += line;
        if (number.isEmpty())
            e.unusable(line);
        else if (i % 7 == 3)
            e.notFound(number, line);
        else
            e.found(number);
    }
    runAndCheck(e);
}
