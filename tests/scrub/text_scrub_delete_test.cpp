// Deleting found numbers from a text list: the found records leave the
// file, every other byte of it stays as it was, and the OK and DNC files
// and the summary tell what happened.

#include "TextScrubFixture.h"

TEST_F(TextScrubTest, FoundRecordsLeaveTheFileAndEveryOtherByteStays)
{
    writeList("Name,Phone,Status,Zip\r\n"
              "\"Smith, John\",2015551234,new,07001\r\n"
              "\"Say \"\"Hi\"\"\",2015550000,new,07002\r\n"
              "Ann,9731234567,,00123\r\n"
              "  Bob  ,2125550000,old,08000\r\n");
    const scrub::ScrubResult r = run();

    EXPECT_TRUE(r.completed);
    EXPECT_TRUE(r.replaced);
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status,Zip\r\n"
                                      "\"Say \"\"Hi\"\"\",2015550000,new,07002\r\n"
                                      "  Bob  ,2125550000,old,08000\r\n"));
    EXPECT_EQ(file("ok.txt"), QByteArray("Numbers Not In DNC List\r\n2015550000\r\n2125550000\r\n"));
    EXPECT_EQ(file("dnc.txt"), QByteArray("Numbers In DNC List,Remove Time\r\n"
                                          "2015551234, 3/2/2007 2:25:30 PM\r\n"
                                          "9731234567, 3/2/2007 2:25:30 PM\r\n"));
    EXPECT_EQ(r.summary,
              QStringLiteral("Action is finished!\r\n2 Not in DNC List; 2 in DNC List; 0  Null Numbers;"));
    // Only the list and the two result files: the copy took the list's place.
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb", "dnc.txt", "ok.txt"}));
}

TEST_F(TextScrubTest, TwoFoundAmongTenLeaveEightDataLinesWithLfLineEnds)
{
    QByteArray text = "Phone,Status\n";
    const char* numbers[] = {"2015551234", "2015550001", "2015550002", "2015559999", "2015550003",
                             "2015550004", "2015550005", "2015550006", "2015550007", "2015550008"};
    for (const char* n : numbers)
        text += QByteArray(n) + ",x\n";
    writeList(text);
    const scrub::ScrubResult r = run();

    const QByteArray after = listBytes();
    EXPECT_EQ(after.count('\n'), 9);
    EXPECT_FALSE(after.contains('\r'));
    EXPECT_FALSE(after.contains("2015551234"));
    EXPECT_FALSE(after.contains("2015559999"));
    EXPECT_TRUE(after.startsWith("Phone,Status\n2015550001,x\n"));
    EXPECT_EQ(r.counters.found, 2);
    EXPECT_EQ(r.counters.notFound, 8);
}

TEST_F(TextScrubTest, AHeaderlessListStaysHeaderless)
{
    job.titleFirstLine = false;
    job.settings.phoneField = QStringLiteral("F2");
    job.settings.markField = QStringLiteral("F3");
    writeList("Ann,2015551234,a\r\nBob,2015550000,b\r\n");
    run();
    EXPECT_EQ(listBytes(), QByteArray("Bob,2015550000,b\r\n"));
}

TEST_F(TextScrubTest, ALastLineWithoutLineEndAndEmptyLinesAreKept)
{
    writeList("Phone,Status\r\n2015550000,a\r\n\r\n2015551234,b\r\n2015550001,c");
    run();
    EXPECT_EQ(listBytes(), QByteArray("Phone,Status\r\n2015550000,a\r\n\r\n2015550001,c"));
}

TEST_F(TextScrubTest, ABackupIsMadeBesideTheListAndNamedInTheSummary)
{
    job.settings.backupOriginal = true;
    const QByteArray original = "Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n";
    writeList(original);
    const scrub::ScrubResult r = run();

    EXPECT_EQ(r.backupName, folder + QStringLiteral("B070302142530calls.csv"));
    EXPECT_EQ(file(QStringLiteral("B070302142530calls.csv")), original);
    EXPECT_EQ(r.summary,
              QStringLiteral("Action is finished!\r\nBackup of Original: ") + folder +
                  QStringLiteral("B070302142530calls.csv\r\n1 Not in DNC List; 1 in DNC List; 0  Null "
                                 "Numbers;"));
}

TEST_F(TextScrubTest, ResultFilesAreWrittenOnlyWhenAskedFor)
{
    job.settings.exportOk = false;
    job.settings.exportDnc = false;
    writeList("Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n");
    run();
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb"}));
}
