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
    scrubkill::KillSubject s;
    s.childTest = QStringLiteral("Kinds/TableScrubKill.ChildRunOfTheKillTest/") +
                  (foxPro() ? QStringLiteral("FoxPro") : QStringLiteral("Access"));
    s.folder = folder;
    s.list = listFile();
    s.state = [&] { return state(); };
    s.writeOriginal = [&] {
        QFile::remove(listFile());
        QFile::remove(listFile() + QStringLiteral("-journal"));
        makeList(rows);
    };
    s.runToTheEnd = [&] {
        const QByteArray before = state();
        const scrub::ScrubResult r = run();
        EXPECT_TRUE(r.completed);
        return state() != before;
    };
    s.kept = {QFileInfo(listFile()).fileName(), "dnc.mdb", "dnc.txt", "ok.txt"};
    s.results = {"dnc.txt", "ok.txt"};
    s.stepKills = true;
    const scrubkill::KillTally t = scrubkill::KillRuns(s);
    RecordProperty("KillsKeptWhole", t.keptWhole);
    RecordProperty("KillsFullyScrubbed", t.fullyScrubbed);
    RecordProperty("KillsThatLeftAFile", t.leftAFile);
    std::printf("%s table kills: %d, kept whole %d, fully scrubbed %d, a journal left to put back %d\n",
                foxPro() ? "dbf" : "embedded", scrubkill::kKills, t.keptWhole, t.fullyScrubbed, t.leftAFile);
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
