#pragma once
// The kill driver of the scrubs: a scrub killed at any moment (the machine
// losing power, the process killed) leaves the calling list either exactly
// as it was or fully scrubbed, never half written, and nothing beside it
// that would trip the next run. The scrub runs in a child process (the test
// binary running one of its child tests) that is killed with SIGKILL at
// moments spread over the run.

#include "support/ChildKill.h"
#include "support/SqliteFile.h"

#include "platform/ado/Connection.h"
#include "platform/fso/FileReplace.h"
#include "scrub/TextFileScrub.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>
#include <csignal>
#include <cstring>
#include <functional>

namespace scrubkill {

constexpr int kKills = 10;

// Points a fixture's result files and DNC connection at the parent's folder.
inline void UseFolder(const QString& other, QString& folder, QString& dbPath, ado::Connection& dnc,
                      scrub::ScrubSettings& settings)
{
    folder = other + QLatin1Char('/');
    dbPath = folder + QStringLiteral("dnc.mdb");
    dnc.Close();
    dnc.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);
    settings.okFile = folder + QStringLiteral("ok.txt");
    settings.dncFile = folder + QStringLiteral("dnc.txt");
    testsupport::ChildStarted(folder);
    // Stopped at the step of the group commit the parent asks for, as a
    // kill, a logout's signal or a power cut there would (everything before
    // it is synced).
    bool counted = false;
    const int stopAt = qEnvironmentVariableIntValue("TERVALA_STOP_AT_COMMIT_STEP", &counted);
    const int signal = qEnvironmentVariableIntValue("TERVALA_STOP_SIGNAL");
    if (counted)
        fso::SetCommitStepHook([stopAt, signal, steps = 0](const char* step) mutable {
            if (std::strcmp(step, "open") != 0 && steps++ == stopAt) ::raise(signal ? signal : SIGKILL);
        });
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
    QStringList results;                 // the result files a run puts in place with the list
    bool stepKills = true;               // also stopped at each step of the group commit
};

struct KillTally {
    int keptWhole = 0;
    int fullyScrubbed = 0;
    int leftAFile = 0; // kills after which a file lay beside the list (a journal, a work file)
};

// The folder's files that do not belong there.
inline QStringList StrayFiles(const KillSubject& s)
{
    QStringList left = QDir(s.folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : s.kept)
        left.removeAll(name);
    return left;
}

// Runs the child until the commit step stopAt stops it with signal (or to its end).
inline void RunChildToStep(const KillSubject& s, int stopAt, int signal = SIGKILL)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(testsupport::ChildFolderVariable()), QDir(s.folder).absolutePath());
    env.insert(QStringLiteral("TERVALA_STOP_AT_COMMIT_STEP"), QString::number(stopAt));
    env.insert(QStringLiteral("TERVALA_STOP_SIGNAL"), QString::number(signal));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + s.childTest});
    EXPECT_TRUE(child.waitForStarted());
    child.waitForFinished(-1);
    QFile::remove(testsupport::StartedMarker(s.folder));
}

// Runs the child kKills times, killing it at moments spread over a run, and
// checks the list and the folder after each kill and after the next run.
inline KillTally KillRuns(const KillSubject& s)
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
    // The random kills, then a stop at each step of the group commit.
    const int kSteps = s.stepKills ? 9 : 0;
    for (int k = 0; k < kKills + kSteps; ++k) {
        s.writeOriginal();
        const QByteArray earlier = "earlier results\r\n";
        for (const QString& name : s.results)
            testsupport::WriteFile(s.folder + name, earlier);
        const QByteArray before = s.state();
        const qint64 delay = k < kKills ? testsupport::KillDelay(k, kKills, runMs, random) : -(k - kKills);
        if (k < kKills)
            testsupport::RunChildAndKill(s.childTest, s.folder, delay);
        else
            RunChildToStep(s, k - kKills);
        // What the next start finds: a group commit cut short finished or undone.
        fso::RecoverInterruptedCommits(s.folder);

        if (!StrayFiles(s).isEmpty()) ++tally.leftAFile;
        const QByteArray after = s.state();
        EXPECT_TRUE(after == before || after == scrubbed) << "kill " << k << " after " << delay << " ms";
        // The result files are all of one run, and new ones never stand
        // beside a list that a kill left (or put back) unscrubbed.
        int newResults = 0;
        for (const QString& name : s.results)
            newResults += testsupport::ReadFile(s.folder + name) != earlier;
        EXPECT_TRUE(newResults == 0 || newResults == s.results.size())
            << "kill " << k << " after " << delay << " ms";
        if (newResults > 0) EXPECT_TRUE(after == scrubbed) << "kill " << k << " after " << delay << " ms";
        (after == before ? tally.keptWhole : tally.fullyScrubbed) += 1;

        // The next run works on whatever the kill left, and ends with the
        // fully scrubbed list and nothing left beside it.
        EXPECT_EQ(s.runToTheEnd(), after == before) << "kill " << k;
        EXPECT_EQ(s.state(), scrubbed) << "kill " << k;
        // A write cut short may leave its hidden temporary; the next run's
        // replacement of that file removes it.
        const QStringList left = StrayFiles(s);
        EXPECT_EQ(left, QStringList()) << "kill " << k;
        for (const QString& name : left)
            QFile::remove(s.folder + name);
    }
    return tally;
}

} // namespace scrubkill
