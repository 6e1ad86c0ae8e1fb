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
#include "scrub/TextFileScrub.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>
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
    // A result file of the run, put back to an earlier content before each
    // kill: it must be new exactly when the list is; "" for none.
    QString results;
};

struct KillTally {
    int keptWhole = 0;
    int fullyScrubbed = 0;
    int leftAFile = 0;    // kills after which a file lay beside the list (a journal, a work file)
    int resultsApart = 0; // kills after which the result file and the list disagreed
};

inline const QByteArray kEarlierResults =
    "Numbers In DNC List,Remove Time\r\n2125550000, 1/1/2007 9:00:00 AM\r\n";

// The folder's files that do not belong there.
inline QStringList StrayFiles(const KillSubject& s)
{
    QStringList left = QDir(s.folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : s.kept)
        left.removeAll(name);
    return left;
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
    for (int k = 0; k < kKills; ++k) {
        s.writeOriginal();
        if (!s.results.isEmpty()) {
            QFile earlier(s.results);
            EXPECT_TRUE(earlier.open(QIODevice::WriteOnly | QIODevice::Truncate));
            earlier.write(kEarlierResults);
        }
        const QByteArray before = s.state();
        const qint64 delay = testsupport::KillDelay(k, kKills, runMs, random);
        testsupport::RunChildAndKill(s.childTest, s.folder, delay);

        if (!StrayFiles(s).isEmpty()) ++tally.leftAFile;
        const QByteArray after = s.state();
        EXPECT_TRUE(after == before || after == scrubbed) << "kill " << k << " after " << delay << " ms";
        (after == before ? tally.keptWhole : tally.fullyScrubbed) += 1;
        if (!s.results.isEmpty()) {
            QFile results(s.results);
            const bool resultsNew =
                !results.open(QIODevice::ReadOnly) || results.readAll() != kEarlierResults;
            if (resultsNew != (after != before)) ++tally.resultsApart;
        }

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
