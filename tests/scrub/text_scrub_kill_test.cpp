// A text scrub killed at any moment (the machine losing power, the process
// killed) leaves the calling list either exactly as it was or fully
// scrubbed, never half written, and nothing beside it that would trip the
// next run. The scrub runs in a child process (this test binary, running
// the child test below) that is killed with SIGKILL at moments spread over
// the run.

#include "TextScrubFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <csignal>
#include <sys/types.h>

namespace {

const char* const kChildFolder = "TERVALA_KILL_TEST_FOLDER";
constexpr int kKills = 10;
constexpr int kRecords = 60000;

} // namespace

class TextScrubKill : public TextScrubTest {
protected:
    // Points the fixture's job and DNC connection at another folder.
    void useFolder(const QString& other)
    {
        folder = other + QLatin1Char('/');
        dbPath = folder + QStringLiteral("dnc.mdb");
        dnc->Close();
        dnc->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);
        job.folder = folder;
        job.settings.okFile = folder + QStringLiteral("ok.txt");
        job.settings.dncFile = folder + QStringLiteral("dnc.txt");
    }
};

// The child's side: one whole scrub of the folder the parent names.
TEST_F(TextScrubKill, ChildRunOfTheKillTest)
{
    const QString other = qEnvironmentVariable(kChildFolder);
    if (other.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    useFolder(other);
    scrubtest::Write(folder + QStringLiteral("running"), "1");
    run();
}

TEST_F(TextScrubKill, AKilledRunLeavesTheListWholeOrFullyScrubbed)
{
    const QByteArray original = scrubtest::LongList(kRecords, 100);

    // The result of an uninterrupted run, and how long a run takes.
    job.fileName = QStringLiteral("full.csv");
    writeList(original);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(run().replaced);
    const qint64 runMs = std::max<qint64>(timer.elapsed(), 20);
    const QByteArray scrubbed = listBytes();
    ASSERT_NE(scrubbed, original);
    QFile::remove(list());
    QFile::remove(job.settings.okFile);
    QFile::remove(job.settings.dncFile);

    job.fileName = QStringLiteral("calls.csv");
    QRandomGenerator random(20070302);
    int keptWhole = 0, foundScrubbed = 0;
    for (int k = 0; k < kKills; ++k) {
        writeList(original);
        QFile::remove(folder + QStringLiteral("running"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildFolder), dir.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=TextScrubKill.ChildRunOfTheKillTest")});
        ASSERT_TRUE(child.waitForStarted());
        while (!QFile::exists(folder + QStringLiteral("running")) && child.state() == QProcess::Running)
            QThread::msleep(1);
        // Moments spread over the run, a little past its end.
        const qint64 delay = runMs * (k * 12 / kKills) / 10 + random.bounded(int(runMs / kKills) + 1);
        QThread::msleep(static_cast<unsigned long>(delay));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished(-1);

        const QByteArray after = listBytes();
        EXPECT_TRUE(after == original || after == scrubbed) << "kill " << k << " after " << delay << " ms";
        (after == original ? keptWhole : foundScrubbed) += 1;

        // The next run works on whatever the kill left, and ends with the
        // fully scrubbed list.
        QFile::remove(folder + QStringLiteral("running"));
        const scrub::ScrubResult next = run();
        EXPECT_TRUE(next.completed) << "kill " << k;
        EXPECT_EQ(next.replaced, after == original) << "kill " << k;
        EXPECT_EQ(listBytes(), scrubbed) << "kill " << k;
        QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        left.removeAll(QStringLiteral("ok.txt"));
        left.removeAll(QStringLiteral("dnc.txt"));
        EXPECT_EQ(left, (QStringList{"calls.csv", "dnc.mdb"})) << "kill " << k;
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            if (name != u"calls.csv" && name != u"dnc.mdb") QFile::remove(folder + name);
    }
    RecordProperty("KilledKeptWhole", keptWhole);
    RecordProperty("KilledFullyScrubbed", foundScrubbed);
}
