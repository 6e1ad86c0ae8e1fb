// Text lists and workbooks killed part way through a scrub (see ScrubKill.h).

#include "ExcelScrubFixture.h"
#include "ScrubKill.h"
#include "TextScrubFixture.h"
#include "scrub/WorkTableScrub.h"

using scrubkill::KillRuns;
using scrubkill::KillSubject;
using scrubkill::KillTally;
using scrubkill::UseFolder;

// ------------------------------------------------------------ text lists

// Also on a file system without links whose inode numbers change (true).
class TextScrubKill : public TextScrubTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TextScrubKill, ChildRunOfTheKillTest)
{
    const QString other = testsupport::ChildFolder();
    if (other.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    UseFolder(other, folder, dbPath, *dnc, job.settings);
    job.folder = folder;
    run();
}

TEST_P(TextScrubKill, AKilledRunLeavesTheListWholeOrFullyScrubbed)
{
    const bool withoutLinks = GetParam();
    fso::SimulateFileSystemWithoutLinks(withoutLinks);
    if (withoutLinks) qputenv(scrubkill::WithoutLinksVariable(), "1");
    const QByteArray original = scrubtest::LongList(withoutLinks ? 20000 : 60000, 100);
    KillSubject s;
    s.childTest = QStringLiteral("Links/TextScrubKill.ChildRunOfTheKillTest/") + (withoutLinks ? "1" : "0");
    s.folder = folder;
    s.list = list();
    s.state = [&] { return scrubtest::Read(list()); };
    s.writeOriginal = [&] { writeList(original); };
    s.runToTheEnd = [&] {
        const scrub::ScrubResult r = run();
        EXPECT_TRUE(r.completed);
        return r.replaced;
    };
    s.kept = {"calls.csv", "dnc.mdb", "dnc.txt", "ok.txt"};
    s.results = {"dnc.txt", "ok.txt"};
    const QString text = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Extended "
                                        "Properties=\"text;HDR=Yes;FMT=Delimited\"");
    s.firstActions = {[&] { scrubkill::CountList(text.arg(folder), job.fileName); },
                      [&] { scrubkill::BackUp(list(), scrub::BackupKind::File); }};
    s.moveTo = [&](const QString& to) {
        folder = job.folder = to;
        job.settings.okFile = to + "ok.txt";
        job.settings.dncFile = to + "dnc.txt";
        dnc->Close();
        dnc->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + to + "dnc.mdb");
    };
    if (withoutLinks) s.randomKills = 4;
    const KillTally t = KillRuns(s);
    fso::SimulateFileSystemWithoutLinks(false);
    qunsetenv(scrubkill::WithoutLinksVariable());
    RecordProperty("KillsKeptWhole", t.keptWhole);
    RecordProperty("KillsFullyScrubbed", t.fullyScrubbed);
}

INSTANTIATE_TEST_SUITE_P(Links, TextScrubKill, ::testing::Bool());

// ------------------------------------------- text lists by the work table

class WorkTableKill : public TextScrubTest {
protected:
    scrub::WorkTableResult runWork()
    {
        scrub::WorkTableJob w =
            scrubtest::TextWorkJob(folder, job.fileName,
                                   QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Extended "
                                                  "Properties=\"text;HDR=Yes;FMT=Delimited\"")
                                       .arg(folder));
        w.exportOk = w.exportDnc = true;
        w.okFile = folder + QStringLiteral("ok.txt");
        w.dncFile = folder + QStringLiteral("dnc.txt");
        return scrub::ScrubByWorkTable(w, view, dnc);
    }
};

TEST_F(WorkTableKill, ChildRunOfTheKillTest)
{
    const QString other = testsupport::ChildFolder();
    if (other.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    UseFolder(other, folder, dbPath, *dnc, job.settings);
    runWork();
}

TEST_F(WorkTableKill, AKilledRunLeavesTheListWholeOrFullyScrubbed)
{
    const QByteArray original = scrubtest::LongList(20000, 100);
    KillSubject s;
    s.childTest = QStringLiteral("WorkTableKill.ChildRunOfTheKillTest");
    s.folder = folder;
    s.list = list();
    s.state = [&] { return scrubtest::Read(list()); };
    s.writeOriginal = [&] { writeList(original); };
    s.runToTheEnd = [&] {
        const QByteArray before = scrubtest::Read(list());
        EXPECT_TRUE(runWork().completed);
        return scrubtest::Read(list()) != before;
    };
    s.kept = {"calls.csv", "dnc.mdb", "dnc.txt", "ok.txt", "DNCTempWork.mdb"};
    s.results = {"dnc.txt", "ok.txt"};
    KillRuns(s);
}

// -------------------------------------------------------------- workbooks

class ExcelScrubKill : public ExcelScrubTest {};

TEST_F(ExcelScrubKill, ChildRunOfTheKillTest)
{
    const QString other = testsupport::ChildFolder();
    if (other.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    UseFolder(other, folder, dbPath, *dnc, xjob.settings);
    workbookPath = folder + QStringLiteral("calls.xlsx");
    runExcel();
}

TEST_F(ExcelScrubKill, AKilledRunLeavesTheWorkbookWholeOrFullyScrubbed)
{
    Rows rows{{"Name", "Phone", "Status"}};
    for (int i = 0; i < 20000; ++i)
        rows << QList<vb::Variant>{
            vb::Variant("x"),
            vb::Variant(i % 100 == 0 ? QStringLiteral("2015551234") : QString::number(3125000000LL + i)),
            vb::Variant("a")};
    KillSubject s;
    s.childTest = QStringLiteral("ExcelScrubKill.ChildRunOfTheKillTest");
    s.folder = folder;
    s.list = workbookPath;
    s.state = [&] {
        QByteArray cells;
        for (const QStringList& row : sheetText())
            cells += row.join(u'\t').toUtf8() + '\n';
        return cells;
    };
    s.writeOriginal = [&] { writeBook(rows); };
    s.runToTheEnd = [&] {
        const QByteArray before = scrubtest::Read(workbookPath);
        runExcel();
        return scrubtest::Read(workbookPath) != before;
    };
    s.kept = {"calls.xlsx", "dnc.mdb", "dnc.txt", "ok.txt"};
    // The result files are put in place only with the saved workbook, as one group.
    s.results = {"dnc.txt", "ok.txt"};
    const KillTally t = KillRuns(s);
    RecordProperty("KillsKeptWhole", t.keptWhole);
    RecordProperty("KillsFullyScrubbed", t.fullyScrubbed);
}
