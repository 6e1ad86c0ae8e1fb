// Table lists (a .dbf table, a table of an embedded database) killed part
// way through a scrub (see ScrubKill.h): the table is as it was or fully
// scrubbed once it is next opened, and the next run finds nothing beside it
// that trips it.

#include "ScrubKill.h"
#include "TableScrubFixture.h"

#include <QtEndian>
#include <csignal>
#include <tuple>

using scrubtest::Kind;

namespace {

class TableScrubKill : public TableScrubTest {
protected:
    void SetUp() override
    {
        TableScrubTest::SetUp();
        job.settings.markAction = 2; // the mark replaces the field, as in the child
    }

    // The folder's list file (the .dbf, or the embedded database).
    QString listFile() const { return foxPro() ? dbfPath() : listDb; }

    // The list as the next open of it shows it: its rows and, for a .dbf,
    // its bytes (the open puts back what a killed run left unfinished).
    QByteArray state()
    {
        QByteArray out = listRows().join(u'\n').toUtf8();
        if (foxPro()) out += '\n' + scrubtest::Read(dbfPath()).toHex();
        return out;
    }
};

} // namespace

TEST_P(TableScrubKill, ChildRunOfTheKillTest)
{
    const QString other = testsupport::ChildFolder();
    if (other.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    scrubkill::UseFolder(other, folder, dbPath, *dnc, job.settings);
    setTable(QStringLiteral("calls"));
    if (!foxPro()) {
        listDb = folder + QStringLiteral("list.mdb");
        job.connectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + listDb;
    }
    run();
}

TEST_P(TableScrubKill, AKilledRunLeavesTheTableWholeOrFullyScrubbed)
{
    std::vector<scrubtest::ListRow> rows;
    for (int i = 0; i < 20000; ++i)
        rows.push_back({QStringLiteral("n"),
                        i % 50 == 0 ? QStringLiteral("2015551234") : QString::number(3125000000LL + i),
                        QStringLiteral("new"), double(i)});
    // Each kind as it is; then an embedded list in WAL mode and one chosen
    // through a link to another folder; a .dbf table whose result files lie
    // in another folder, and one on a file system without links whose inode
    // numbers change. The variants are stopped at each step only.
    for (int variant = 0; variant < 3; ++variant) {
        const bool wal = !foxPro() && variant == 1;
        const bool link = !foxPro() && variant == 2;
        const bool elsewhere = foxPro() && variant == 1;
        const bool withoutLinks = foxPro() && variant == 2;
        const QString out = elsewhere ? QStringLiteral("out/") : QString();
        qputenv(scrubkill::ResultsVariable(), out.toUtf8());
        QDir(folder).mkpath(out + QStringLiteral("real"));
        for (const QString& name : {"ok.txt", "dnc.txt"})
            QFile::remove(folder + name);
        job.settings.okFile = folder + out + QStringLiteral("ok.txt");
        job.settings.dncFile = folder + out + QStringLiteral("dnc.txt");
        if (withoutLinks) qputenv(scrubkill::WithoutLinksVariable(), "1");
        fso::SimulateFileSystemWithoutLinks(withoutLinks);
        if (!foxPro())
            listDb = folder + (link ? QStringLiteral("real/list.mdb") : QStringLiteral("list.mdb"));
        scrubkill::KillSubject s;
        s.childTest = QStringLiteral("Kinds/TableScrubKill.ChildRunOfTheKillTest/") +
                      (foxPro() ? QStringLiteral("FoxPro") : QStringLiteral("Access"));
        s.folder = folder;
        s.list = listFile();
        s.state = [&] { return state(); };
        s.writeOriginal = [&] {
            for (const QString& name :
                 {listFile(), folder + "list.mdb", listFile() + "-journal", listFile() + "-wal"})
                QFile::remove(name);
            makeList(rows);
            if (wal) scrubtest::Exec(listDb, QStringLiteral("PRAGMA journal_mode=WAL;"));
            if (link) QFile::link(listDb, folder + "list.mdb");
        };
        s.runToTheEnd = [&] {
            const QByteArray before = state();
            const scrub::ScrubResult r = run();
            EXPECT_TRUE(r.completed);
            return state() != before;
        };
        s.results = {out + "dnc.txt", out + "ok.txt"};
        s.kept = QStringList{foxPro() ? QFileInfo(listFile()).fileName() : "list.mdb", "dnc.mdb"} + s.results;
        s.firstActions = {[&] { scrubkill::CountList(job.connectionString, job.tableName); },
                          [&] {
                              scrubkill::BackUp(folder + (foxPro() ? job.tableName : "list.mdb"),
                                                foxPro() ? scrub::BackupKind::Table
                                                         : scrub::BackupKind::Database);
                          }};
        s.cutJournalBesideList = elsewhere;
        s.randomKills = variant == 0 ? scrubkill::kKills : 0;
        const scrubkill::KillTally t = scrubkill::KillRuns(s);
        fso::SimulateFileSystemWithoutLinks(false);
        qunsetenv(scrubkill::WithoutLinksVariable());
        qunsetenv(scrubkill::ResultsVariable());
        if (variant > 0) continue;
        RecordProperty("KillsKeptWhole", t.keptWhole);
        RecordProperty("KillsFullyScrubbed", t.fullyScrubbed);
        RecordProperty("KillsThatLeftAFile", t.leftAFile);
        std::printf("%s table kills: %d, kept whole %d, fully scrubbed %d, a journal left to put back %d\n",
                    foxPro() ? "dbf" : "embedded", scrubkill::kKills, t.keptWhole, t.fullyScrubbed,
                    t.leftAFile);
    }
}

// A table a killed run (or one a logout ended) left with its undo journal,
// which the user then copies a backup over, replaces by a new export or adds
// a record to with another program: the next run leaves the table as the
// user put it and says so once; the run after scrubs it.
TEST_P(TableScrubKill, ATableTheUserPutInPlaceAfterAKilledRunIsLeftAsTheUserPutIt)
{
    if (!foxPro()) GTEST_SKIP() << "the undo journal is a .dbf table's";
    const auto added = [](QByteArray b) {
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(b.constData() + 4) + 1, b.data() + 4);
        return b.insert(b.size() - 1, " x" + QByteArray(19, ' ') + "2015559999" + QByteArray(5, ' ') + "new" +
                                          QByteArray(17, ' ') + '7');
    };
    // The signal, what the user puts in place (0 the backup, 1 a new export of
    // one record, 2 the table with a record added), the rows and marks after.
    const std::tuple<int, int, qsizetype, qsizetype> cases[] = {
        {SIGKILL, 0, 40, 4}, {SIGKILL, 1, 1, 1}, {SIGKILL, 2, 41, 5}, {SIGTERM, 2, 41, 5}};
    const QString journal = files::DbfTable::undoJournalPath(dbfPath());
    scrubkill::KillSubject child;
    child.childTest = QStringLiteral("Kinds/TableScrubKill.ChildRunOfTheKillTest/FoxPro");
    child.folder = folder;
    for (const auto& [signal, put, count, found] : cases) {
        SCOPED_TRACE(put + 10 * signal);
        makeList({{QStringLiteral("x"), QStringLiteral("2015559999"), QStringLiteral("new"), 1.0}});
        const QByteArray exported = scrubtest::Read(dbfPath());
        std::vector<scrubtest::ListRow> rows;
        for (int i = 0; i < 40; ++i)
            rows.push_back({QStringLiteral("n"), QString::number(i % 10 ? 3125000000LL + i : 2015551234LL),
                            QStringLiteral("new"), double(i)});
        makeList(rows);
        const QByteArray backup = scrubtest::Read(dbfPath());
        // The user's own change since the backup, to a record the run marks.
        files::DbfTable(dbfPath()).setValue(0, 0, vb::Variant(QStringLiteral("m")));
        scrubkill::RunChildToStep(child, 0, signal);
        ASSERT_TRUE(QFileInfo::exists(journal));
        const QByteArray user = put == 0 ? backup : put == 1 ? exported : added(scrubtest::Read(dbfPath()));
        scrubtest::Write(dbfPath(), user);

        const scrub::ScrubResult told = runFailing();
        EXPECT_TRUE(told.failure && told.failure->description.contains(QStringLiteral("set aside as")));
        EXPECT_EQ(scrubtest::Read(dbfPath()), user);
        EXPECT_TRUE(QFile::remove(journal + QStringLiteral("-set-aside")));
        run();
        EXPECT_EQ(listRows().size(), count);
        EXPECT_EQ(listRows().filter(QStringLiteral("|DNC|")).size(), found);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, TableScrubKill, ::testing::Values(Kind::Access, Kind::FoxPro),
                         scrubtest::KindName);
