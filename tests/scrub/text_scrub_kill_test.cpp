// A scrub killed at any moment (the machine losing power, the process
// killed) leaves the calling list either exactly as it was or fully
// scrubbed, never half written, and nothing beside it that would trip the
// next run. The scrub runs in a child process (this test binary, running
// one of the child tests below) that is killed with SIGKILL at moments
// spread over the run; text lists and workbooks are tried.

#include "ExcelScrubFixture.h"
#include "TextScrubFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <csignal>
#include <functional>
#include <sys/types.h>

namespace {

const char* const kChildFolder = "TERVALA_KILL_TEST_FOLDER";
constexpr int kKills = 10;

// Points a fixture's result files and DNC connection at the parent's folder.
void UseFolder(const QString& other, QString& folder, QString& dbPath, ado::Connection& dnc,
               scrub::ScrubSettings& settings)
{
    folder = other + QLatin1Char('/');
    dbPath = folder + QStringLiteral("dnc.mdb");
    dnc.Close();
    dnc.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);
    settings.okFile = folder + QStringLiteral("ok.txt");
    settings.dncFile = folder + QStringLiteral("dnc.txt");
    scrubtest::Write(folder + QStringLiteral("running"), "1");
}

// What one kind of list needs from the kill driver.
struct KillSubject {
    QString childTest;                   // the gtest name of the child run
    QString folder;                      // where list, results and store lie
    QString list;                        // the list's path
    std::function<QByteArray()> state;   // what the list holds (its bytes, or a workbook's cells)
    std::function<void()> writeOriginal; // puts the unscrubbed list in place
    std::function<bool()> runToTheEnd;   // one whole run in this process; true when the list changed
    QStringList kept;                    // files that belong in the folder
};

struct KillTally {
    int keptWhole = 0;
    int fullyScrubbed = 0;
};

// Runs the child kKills times, killing it at moments spread over a run, and
// checks the list and the folder after each kill and after the next run.
KillTally KillRuns(const KillSubject& s)
{
    // The result of an uninterrupted run, and how long a run takes.
    s.writeOriginal();
    const QByteArray original = s.state();
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(s.runToTheEnd());
    const qint64 runMs = std::max<qint64>(timer.elapsed(), 20);
    const QByteArray scrubbed = s.state();
    EXPECT_NE(scrubbed, original);

    KillTally tally;
    QRandomGenerator random(20070302);
    const QString marker = s.folder + QStringLiteral("running");
    for (int k = 0; k < kKills; ++k) {
        s.writeOriginal();
        const QByteArray before = s.state();
        QFile::remove(marker);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildFolder), QDir(s.folder).absolutePath());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=") + s.childTest});
        EXPECT_TRUE(child.waitForStarted());
        while (!QFile::exists(marker) && child.state() == QProcess::Running)
            QThread::msleep(1);
        // Moments spread over the run, a little past its end.
        const qint64 delay = runMs * (k * 12 / kKills) / 10 + random.bounded(int(runMs / kKills) + 1);
        QThread::msleep(static_cast<unsigned long>(delay));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished(-1);
        QFile::remove(marker);

        const QByteArray after = s.state();
        EXPECT_TRUE(after == before || after == scrubbed) << "kill " << k << " after " << delay << " ms";
        (after == before ? tally.keptWhole : tally.fullyScrubbed) += 1;

        // The next run works on whatever the kill left, and ends with the
        // fully scrubbed list and nothing left beside it.
        EXPECT_EQ(s.runToTheEnd(), after == before) << "kill " << k;
        EXPECT_EQ(s.state(), scrubbed) << "kill " << k;
        QStringList left = QDir(s.folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QString& name : s.kept)
            left.removeAll(name);
        // A workbook save cut short leaves its hidden work file; the next
        // save picks a new name, so it trips nothing.
        left.removeIf(
            [&](const QString& n) { return n.startsWith(u'.' + QFileInfo(s.list).fileName() + u'.'); });
        EXPECT_EQ(left, QStringList()) << "kill " << k;
        for (const QString& name : left)
            QFile::remove(s.folder + name);
    }
    return tally;
}

} // namespace

// ------------------------------------------------------------ text lists

class TextScrubKill : public TextScrubTest {};

TEST_F(TextScrubKill, ChildRunOfTheKillTest)
{
    const QString other = qEnvironmentVariable(kChildFolder);
    if (other.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    UseFolder(other, folder, dbPath, *dnc, job.settings);
    job.folder = folder;
    run();
}

TEST_F(TextScrubKill, AKilledRunLeavesTheListWholeOrFullyScrubbed)
{
    const QByteArray original = scrubtest::LongList(60000, 100);
    KillSubject s;
    s.childTest = QStringLiteral("TextScrubKill.ChildRunOfTheKillTest");
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
    const KillTally t = KillRuns(s);
    RecordProperty("KillsKeptWhole", t.keptWhole);
    RecordProperty("KillsFullyScrubbed", t.fullyScrubbed);
}

// -------------------------------------------------------------- workbooks

class ExcelScrubKill : public ExcelScrubTest {};

TEST_F(ExcelScrubKill, ChildRunOfTheKillTest)
{
    const QString other = qEnvironmentVariable(kChildFolder);
    if (other.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    UseFolder(other, folder, dbPath, *dnc, xjob.settings);
    xjob.workbookPath = folder + QStringLiteral("calls.xlsx");
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
    s.list = xjob.workbookPath;
    s.state = [&] {
        QByteArray cells;
        for (const QStringList& row : sheetText())
            cells += row.join(u'\t').toUtf8() + '\n';
        return cells;
    };
    s.writeOriginal = [&] { writeBook(rows); };
    s.runToTheEnd = [&] {
        const QByteArray before = scrubtest::Read(xjob.workbookPath);
        runExcel();
        return scrubtest::Read(xjob.workbookPath) != before;
    };
    s.kept = {"calls.xlsx", "dnc.mdb", "dnc.txt", "ok.txt"};
    const KillTally t = KillRuns(s);
    RecordProperty("KillsKeptWhole", t.keptWhole);
    RecordProperty("KillsFullyScrubbed", t.fullyScrubbed);
}
