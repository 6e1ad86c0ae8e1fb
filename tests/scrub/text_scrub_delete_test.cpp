// Deleting found numbers from a text list: the found records leave the
// file, every other byte of it stays as it was, and the OK and DNC files
// and the summary tell what happened.

#include "TextScrubFixture.h"

#include "scrub/ListBackup.h"
#include "support/CaseBlindFolder.h"
#include "support/FullDisk.h"

#include <sys/stat.h>

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

// The backup of every kind of list, with something already at its name (an earlier backup of the same second,
// a link to another file or to nowhere, another user's hot journal beside it, another user's link to the
// list): a copy cut short by a size limit says 57, naming the backup, and leaves no file; then the backup is
// new files under the next free name, nothing taken is changed, and the copy restores to the list (an Access
// list to its committed rows, the -wal's too).
// A list: its name, file, kind, memo file (copied after the list, and the largest) and whether it lies on a
// USB stick (exFAT: case-blind, no links; an earlier backup there is named in small letters).
using BackupList = std::tuple<const char*, const char*, scrub::BackupKind, const char*, bool>;
const BackupList kBackupLists[] = {
    {"Text", "calls.csv", scrub::BackupKind::File, nullptr, false},
    {"Workbook", "calls.xlsx", scrub::BackupKind::File, nullptr, false},
    {"FoxPro", "calls.dbf", scrub::BackupKind::Table, "calls.FPT", false},
    {"AccessInWal", "calls.mdb", scrub::BackupKind::Database, nullptr, false},
    {"FoxProOnAStick", "calls.dbf", scrub::BackupKind::Table, "calls.fpt", true}};
const char* const kOccupants[] = {"Nothing",       "AnEarlierBackup",           "ALinkToAnotherFile",
                                  "ADanglingLink", "AnotherUsersJournalBeside", "AnotherUsersLinkToTheList"};

class ListBackup : public TextScrubTest, public ::testing::WithParamInterface<std::tuple<BackupList, int>> {};

TEST_P(ListBackup, ABackupIsNewFilesWholeOrAbsentAndReplacesNothing)
{
    const auto& [name, list, kind, memo, onAStick] = std::get<0>(GetParam());
    const int occupant = std::get<1>(GetParam());
    if (onAStick && (folder = testsupport::CaseBlindMount::Get().NewFolder()).isEmpty())
        GTEST_SKIP() << testsupport::CaseBlindMount::Get().Why().toStdString();
    if (onAStick && occupant > 1) GTEST_SKIP() << "exFAT keeps no links";
    sqlite3* holder = nullptr; // another program's connection, 3 of 10 rows in the -wal
    if (kind != scrub::BackupKind::Database) scrubtest::Write(folder + list, list);
    if (kind == scrub::BackupKind::Database) {
        sqlite3_open(QFile::encodeName(folder + list).constData(), &holder);
        sqlite3_exec(holder,
                     "pragma journal_mode=wal; pragma wal_autocheckpoint=0; create table t (p);"
                     "insert into t values (1), (2), (3), (4), (5), (6), (7);"
                     "pragma wal_checkpoint(truncate); insert into t values (8), (9), (10);",
                     nullptr, nullptr, nullptr);
    }
    if (memo) scrubtest::Write(folder + memo, QByteArray(65536, 'm'));
    ::chmod(QFile::encodeName(folder + list).constData(), 0640);
    const QString victim = folder + "notes.txt";
    scrubtest::Write(victim, "private");
    const auto victimMode = QFileInfo(victim).permissions();
    for (const char* f : {list, memo})
        if (f && occupant == 1)
            scrubtest::Write(folder + (onAStick ? "b070302142530" : "B070302142530") + f, "earlier");
        else if (f && occupant == 4)
            scrubtest::Write(folder + "B070302142530" + f + "-journal", "journal");
        else if (f && occupant > 1)
            QFile::link(occupant == 5 ? folder + list : victim + (occupant == 3 ? ".gone" : ""),
                        folder + "B070302142530" + f);
    for (const QString& planted : QDir(folder).entryList({"B*"}, QDir::Files | QDir::System))
        if (occupant >= 4) ::lchown(QFile::encodeName(folder + planted).constData(), 4321, 4321);
    const auto backups = [this] { return QDir(folder).entryList({"B*"}, QDir::Files | QDir::System); };
    const QStringList taken = backups();
    {
        testsupport::FileSizeLimit limit(rlim_t(QFileInfo(folder + (memo ? memo : list)).size() - 1));
        const vb::ErrObject cut = testsupport::ErrorOf([&] { scrub::BackUpList(folder, list, kind); });
        EXPECT_EQ(cut.Number, vb::errnum::DeviceIOError) << cut.Description.toStdString();
        EXPECT_TRUE(cut.Description.contains(folder + "B070302142530")) << cut.Description.toStdString();
    }
    EXPECT_EQ(backups(), taken);

    const QString backup = scrub::BackUpList(folder, list, kind);
    sqlite3_close(holder);

    const QString stamp = occupant == 0 ? "B070302142530" : "B070302142530_2";
    EXPECT_EQ(backup, folder + stamp + list);
    if (kind == scrub::BackupKind::Database)
        EXPECT_EQ(testsupport::Db(backup).scalar("select group_concat(p) from t"), "1,2,3,4,5,6,7,8,9,10");
    else
        EXPECT_EQ(file(stamp + list), list);
    if (memo) EXPECT_EQ(file(stamp + memo), QByteArray(65536, 'm'));
    EXPECT_EQ(backups().size(), taken.size() + (memo ? 2 : 1)); // each file copied once
    EXPECT_EQ(QFileInfo(backup).permissions(), QFileInfo(folder + list).permissions());
    EXPECT_EQ(file("notes.txt"), "private");
    EXPECT_EQ(QFileInfo(victim).permissions(), victimMode);
    EXPECT_FALSE(QFileInfo::exists(victim + ".gone"));
    if (occupant == 1) EXPECT_EQ(file(QStringLiteral("B070302142530") + list), "earlier");
}

INSTANTIATE_TEST_SUITE_P(ListsAndOccupants, ListBackup,
                         ::testing::Combine(::testing::ValuesIn(kBackupLists), ::testing::Range(0, 6)),
                         [](const auto& info) {
                             return std::string(std::get<0>(std::get<0>(info.param))) + "_" +
                                    kOccupants[std::get<1>(info.param)];
                         });

// Another connection's uncommitted write, spilled into the list's file: the
// backup waits for it as any open does, then refuses, and makes no file.
TEST_F(TextScrubTest, AnAccessBackupRefusesAnUncommittedWriteAndMakesNoFile)
{
    sqlite3* writer = nullptr;
    sqlite3_open(QFile::encodeName(folder + "calls.mdb").constData(), &writer);
    sqlite3_exec(
        writer,
        "create table t (phone text); with recursive n(i) as (select 1 union all select i + 1 from n "
        "where i < 4000) insert into t select 2015550000 + i from n;"
        "pragma cache_size=2; begin; update t set phone = '0000000000';",
        nullptr, nullptr, nullptr);
    const QString refusal = testsupport::ErrorOf([this] {
                                scrub::BackUpList(folder, "calls.mdb", scrub::BackupKind::Database);
                            }).Description;
    sqlite3_close(writer);
    EXPECT_TRUE(refusal.contains("file already in use")) << refusal.toStdString();
    EXPECT_EQ(files(), (QStringList{"calls.mdb", "dnc.mdb"}));
}

TEST_F(TextScrubTest, ResultFilesAreWrittenOnlyWhenAskedFor)
{
    job.settings.exportOk = false;
    job.settings.exportDnc = false;
    writeList("Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n");
    run();
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb"}));
}
