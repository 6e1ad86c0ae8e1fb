// Table lists (a .dbf table, a table of an embedded database) killed part
// way through a scrub (see ScrubKill.h): the table is as it was or fully
// scrubbed once it is next opened, and the next run finds nothing beside it
// that trips it.

#include "ScrubKill.h"
#include "TableScrubFixture.h"

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

INSTANTIATE_TEST_SUITE_P(Kinds, TableScrubKill, ::testing::Values(Kind::Access, Kind::FoxPro),
                         scrubtest::KindName);
