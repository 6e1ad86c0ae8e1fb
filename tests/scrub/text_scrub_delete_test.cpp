// Deleting found numbers from a text list: the found records leave the
// file, every other byte of it stays as it was, and the OK and DNC files
// and the summary tell what happened.

#include "TextScrubFixture.h"

#include "platform/vb/Err.h"
#include "scrub/ListBackup.h"
#include "support/FileSizeLimit.h"

#include <QFileInfo>
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

// The backup of every kind of list, with something already at its name:
// it is made as new files beside the list (a taken name passes to the next,
// "_2"), nothing at the taken name changes, and the copy restores to the
// list as it was (a database to its committed rows, the -wal's included).
struct BackupList {
    const char* name;
    const char* file;
    scrub::BackupKind kind;
    QStringList companions;
    // Writes the list (the Access list stays open in another connection,
    // rows in its -wal); gives what the backup must read back as.
    QByteArray (*make)(const QString& path, sqlite3** holder);
    QByteArray (*read)(const QString& path);
};

QByteArray FileBytes(const QString& path)
{
    return scrubtest::Read(path);
}

const BackupList kBackupLists[] = {
    {"Text",
     "calls.csv",
     scrub::BackupKind::File,
     {},
     [](const QString& p, sqlite3**) {
         scrubtest::Write(p, "Phone\r\n2015551234\r\n");
         return scrubtest::Read(p);
     },
     FileBytes},
    {"Workbook",
     "calls.xlsx",
     scrub::BackupKind::File,
     {},
     [](const QString& p, sqlite3**) {
         scrubtest::Write(p, QByteArray("PK\x03\x04 a workbook"));
         return scrubtest::Read(p);
     },
     FileBytes},
    {"FoxPro",
     "calls.dbf",
     scrub::BackupKind::Table,
     {"calls.FPT", "calls.cdx"},
     [](const QString& p, sqlite3**) {
         scrubtest::Write(p, "a table");
         scrubtest::Write(QFileInfo(p).path() + "/calls.FPT", QByteArray(65536, 'm')); // the largest, last
         scrubtest::Write(QFileInfo(p).path() + "/calls.cdx", "an index");
         return scrubtest::Read(p);
     },
     FileBytes},
    {"AccessInWal",
     "calls.mdb",
     scrub::BackupKind::Database,
     {},
     [](const QString& p, sqlite3** holder) {
         sqlite3_open(QFile::encodeName(p).constData(), holder);
         sqlite3_exec(*holder,
                      "pragma journal_mode=wal; pragma wal_autocheckpoint=0; create table t (phone text);"
                      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 7) "
                      "insert into t select 2015550000 + i from n;",
                      nullptr, nullptr, nullptr);
         sqlite3_exec(*holder, "pragma wal_checkpoint(truncate)", nullptr, nullptr, nullptr);
         sqlite3_exec(*holder, "insert into t values ('a'), ('b'), ('c')", nullptr, nullptr, nullptr);
         return QByteArray("10");
     },
     [](const QString& p) { return testsupport::Db(p).scalar("select count(*) from t").toUtf8(); }},
};

struct Occupant {
    const char* name;
    void (*occupy)(const QString& backup, const QString& victim);
};

const Occupant kOccupants[] = {
    {"Nothing", [](const QString&, const QString&) {}},
    {"AnEarlierBackupOfTheSameSecond",
     [](const QString& b, const QString&) { scrubtest::Write(b, "earlier"); }},
    {"ALinkToAnotherFile", [](const QString& b, const QString& v) { QFile::link(v, b); }},
    {"ADanglingLink", [](const QString& b, const QString& v) { QFile::link(v + ".gone", b); }},
};

class ListBackup : public TextScrubTest,
                   public ::testing::WithParamInterface<std::tuple<BackupList, Occupant>> {};

TEST_P(ListBackup, ABackupIsNewFilesBesideTheListAndReplacesNothing)
{
    const auto& [list, occupant] = GetParam();
    const QString path = folder + list.file;
    sqlite3* holder = nullptr;
    const QByteArray expected = list.make(path, &holder);
    ::chmod(QFile::encodeName(path).constData(), 0640);
    const QString victim = folder + "other/notes.txt";
    QDir().mkpath(folder + "other");
    scrubtest::Write(victim, "private");
    ::chmod(QFile::encodeName(victim).constData(), 0600);
    QStringList taken{folder + "B070302142530" + list.file};
    for (const QString& companion : list.companions)
        taken << folder + "B070302142530" + companion;
    for (const QString& name : taken)
        occupant.occupy(name, victim);
    const bool nothing = std::string(occupant.name) == "Nothing";

    const QString backup = scrub::BackUpList(folder, list.file, list.kind);
    sqlite3_close(holder);

    const QString stamp = nothing ? "B070302142530" : "B070302142530_2";
    EXPECT_EQ(backup, folder + stamp + list.file);
    EXPECT_EQ(list.read(backup), expected);
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(backup).constData(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    for (const QString& companion : list.companions)
        EXPECT_EQ(scrubtest::Read(folder + stamp + companion), scrubtest::Read(folder + companion));
    EXPECT_EQ(scrubtest::Read(victim), "private");
    ASSERT_EQ(::stat(QFile::encodeName(victim).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(QFileInfo::exists(victim + ".gone"));
    if (std::string(occupant.name) == "AnEarlierBackupOfTheSameSecond")
        for (const QString& name : taken)
            EXPECT_EQ(scrubtest::Read(name), "earlier");
}

// A copy that cannot be finished (the largest file past a size limit, the
// FoxPro memo after its table) leaves no backup file at all.
class ListBackupCutShort : public TextScrubTest, public ::testing::WithParamInterface<BackupList> {};

TEST_P(ListBackupCutShort, ACopyCutShortLeavesNoBackupFile)
{
    const BackupList& list = GetParam();
    const QString path = folder + list.file;
    sqlite3* holder = nullptr;
    list.make(path, &holder);
    sqlite3_close(holder);
    qint64 largest = QFileInfo(path).size();
    for (const QString& companion : list.companions)
        largest = std::max(largest, QFileInfo(folder + companion).size());
    const auto backups = [this] { return QDir(folder).entryList({"B*"}, QDir::Files | QDir::System); };
    vb::ErrObject error;
    {
        testsupport::FileSizeLimit limit(rlim_t(largest - 1));
        try {
            scrub::BackUpList(folder, list.file, list.kind);
        } catch (const vb::ErrObject& e) {
            error = e;
        }
    }
    EXPECT_NE(error.Number, 0);
    EXPECT_EQ(backups(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Lists, ListBackupCutShort, ::testing::ValuesIn(kBackupLists),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(ListsAndOccupants, ListBackup,
                         ::testing::Combine(::testing::ValuesIn(kBackupLists),
                                            ::testing::ValuesIn(kOccupants)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

// Another connection's write, spilled into the list's file and not yet
// committed: the backup waits for it as any open does, then refuses, and no
// backup file is made.
TEST_F(TextScrubTest, AnAccessBackupRefusesAnUncommittedWriteAndMakesNoFile)
{
    const QString path = folder + "calls.mdb";
    sqlite3* writer = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &writer);
    sqlite3_exec(writer,
                 "create table t (phone text, status text);"
                 "with recursive n(i) as (select 1 union all select i + 1 from n where i < 4000) "
                 "insert into t select 2015550000 + i, 'new' from n;"
                 "pragma cache_size=2; begin; update t set phone = '0000000000', status = 'uncommitted';",
                 nullptr, nullptr, nullptr);

    QString refusal;
    try {
        scrub::BackUpList(folder, "calls.mdb", scrub::BackupKind::Database);
    } catch (const vb::ErrObject& e) {
        refusal = e.Description;
    }
    sqlite3_exec(writer, "rollback", nullptr, nullptr, nullptr);
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
