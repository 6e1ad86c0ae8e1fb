#pragma once
// The kill driver of the scrubs: a scrub killed at any moment (the machine
// losing power, the process killed) leaves the calling list either exactly
// as it was or fully scrubbed, never half written, and nothing beside it
// that would trip the next run. The scrub runs in a child process (the test
// binary running one of its child tests) that is killed with SIGKILL at
// moments spread over the run. What the kill left is settled by what the
// user does next, in turn: the same scrub again, or first the panel's count
// of the list, its backup, or the folder reached by another path.

#include "support/ChildKill.h"
#include "support/SqliteFile.h"

#include "dncdb/ModuleDNC.h"
#include "platform/ado/Connection.h"
#include "platform/fso/FileReplace.h"
#include "scrub/ListBackup.h"
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

// The result files' folder within the list's (when set), and a file system
// without links whose inode numbers change (when set), for the child too.
inline const char* ResultsVariable()
{
    return "TERVALA_KILL_RESULTS_IN";
}
inline const char* WithoutLinksVariable()
{
    return "TERVALA_KILL_WITHOUT_LINKS";
}

// The panel's count of a list, as choosing it shows it.
inline void CountList(const QString& connectionString, const QString& table)
{
    auto c = ado::Connection::Create();
    c->Open(connectionString, QString(), QString());
    CountRecords(QLatin1Char('[') + table + QLatin1Char(']'), c);
    c->Close();
}

// "Backup Original File" of a list; the copy goes again.
inline void BackUp(const QString& list, scrub::BackupKind kind)
{
    QFile::remove(scrub::BackUpList(QFileInfo(list).path(), QFileInfo(list).fileName(), kind));
}

// Points a fixture's result files and DNC connection at the parent's folder.
inline void UseFolder(const QString& other, QString& folder, QString& dbPath, ado::Connection& dnc,
                      scrub::ScrubSettings& settings)
{
    folder = other + QLatin1Char('/');
    dbPath = folder + QStringLiteral("dnc.mdb");
    dnc.Close();
    dnc.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);
    const QString results = folder + qEnvironmentVariable(ResultsVariable());
    settings.okFile = results + QStringLiteral("ok.txt");
    settings.dncFile = results + QStringLiteral("dnc.txt");
    if (qEnvironmentVariableIsSet(WithoutLinksVariable())) fso::SimulateFileSystemWithoutLinks(true);
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
    int randomKills = kKills;
    // What the user may do first after a kill instead of the same scrub
    // again, each kill taking the next in turn: the panel's count of the
    // list, its backup...
    std::vector<std::function<void()>> firstActions;
    // Points the subject at its folder reached by another path (renamed),
    // and back (the folder given empty); null when not tried.
    std::function<void(const QString& folder)> moveTo;
    // Stopped where the group's journal is written, a kill before its copy
    // beside the list was made (the results lying in another folder).
    bool cutJournalBesideList = false;
};

struct KillTally {
    int keptWhole = 0;
    int fullyScrubbed = 0;
    int leftAFile = 0; // kills after which a file lay beside the list (a journal, a work file)
};

// The folder's files (and its result files' folder's) that do not belong there.
inline QStringList StrayFiles(const KillSubject& s)
{
    QStringList left = QDir(s.folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    const QString results = qEnvironmentVariable(ResultsVariable());
    if (!results.isEmpty())
        for (const QString& name : QDir(s.folder + results).entryList(QDir::Files | QDir::Hidden, QDir::Name))
            left << results + name;
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
inline KillTally KillRuns(KillSubject s)
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
    const QString home = s.folder;
    // The random kills, then a stop at each step of the group commit.
    const int kSteps = s.stepKills ? 9 : 0;
    const int orders = int(s.firstActions.size()) + 1 + (s.moveTo ? 1 : 0);
    for (int k = 0; k < s.randomKills + kSteps; ++k) {
        s.writeOriginal();
        const QByteArray earlier = "earlier results\r\n";
        for (const QString& name : s.results)
            testsupport::WriteFile(s.folder + name, earlier);
        const QByteArray before = s.state();
        const int step = k - s.randomKills;
        const qint64 delay = step < 0 ? testsupport::KillDelay(k, s.randomKills, runMs, random) : -step;
        if (step < 0)
            testsupport::RunChildAndKill(s.childTest, s.folder, delay);
        else
            RunChildToStep(s, step);
        if (s.cutJournalBesideList && step == 1)
            for (const QString& name :
                 QDir(s.folder).entryList({"*.tervala-journal-*"}, QDir::Files | QDir::Hidden))
                QFile::remove(s.folder + name);
        if (!StrayFiles(s).isEmpty()) ++tally.leftAFile;

        // What the user does next settles what the kill left.
        const int order = k % orders;
        if (order > 0 && order <= int(s.firstActions.size())) s.firstActions[std::size_t(order - 1)]();
        const bool moved = s.moveTo && order == orders - 1;
        if (moved) {
            EXPECT_TRUE(QDir().rename(home, QDir::cleanPath(home) + "-moved"));
            s.folder = QDir::cleanPath(home) + "-moved/";
            s.moveTo(s.folder);
        }
        // The next scrub, once it has settled the group and before it writes
        // anything, finds the list whole or fully scrubbed, with the result
        // files of one run beside a scrubbed list only.
        QByteArray after;
        bool seen = false;
        fso::SetCommitStepHook([&](const char* step) {
            if (seen || std::strcmp(step, "open") != 0) return;
            seen = true;
            after = s.state();
            int newResults = 0;
            for (const QString& name : s.results)
                newResults += testsupport::ReadFile(s.folder + name) != earlier;
            EXPECT_TRUE(after == before || after == scrubbed) << "kill " << k << " after " << delay << " ms";
            EXPECT_EQ(newResults == 0                  ? 0
                      : newResults == s.results.size() ? 1
                                                       : 2,
                      after == scrubbed ? 1 : 0)
                << "kill " << k << " after " << delay << " ms: " << newResults << " new result files";
        });
        // It works on whatever the kill left, and ends with the fully
        // scrubbed list and nothing left beside it.
        s.runToTheEnd();
        fso::SetCommitStepHook({});
        EXPECT_TRUE(seen) << "kill " << k;
        (after == before ? tally.keptWhole : tally.fullyScrubbed) += 1;
        EXPECT_EQ(s.state(), scrubbed) << "kill " << k;
        // A write cut short may leave its hidden temporary; the next run's
        // replacement of that file removes it.
        const QStringList left = StrayFiles(s);
        EXPECT_EQ(left, QStringList()) << "kill " << k;
        for (const QString& name : left)
            QFile::remove(s.folder + name);
        if (moved) {
            EXPECT_TRUE(QDir().rename(QDir::cleanPath(home) + "-moved", home));
            s.folder = home;
            s.moveTo(home);
        }
    }
    return tally;
}

} // namespace scrubkill
