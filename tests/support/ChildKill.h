#pragma once
// Runs one test of this test binary in a child process and kills it with
// SIGKILL part way, as the machine losing power or the process being killed
// does. The child test finds the parent's folder through ChildFolder() (it
// skips itself when run on its own), works there and calls ChildStarted()
// once its run begins; the parent's delay counts from that moment.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QString>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/types.h>

namespace testsupport {

inline const char* ChildFolderVariable()
{
    return "TERVALA_KILL_TEST_FOLDER";
}

// The folder the parent gave the child; empty when this process is no child.
inline QString ChildFolder()
{
    return qEnvironmentVariable(ChildFolderVariable());
}

inline QString StartedMarker(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("running"));
}

// Tells the parent that the run it times has begun.
inline void ChildStarted(const QString& folder)
{
    QFile f(StartedMarker(folder));
    if (f.open(QIODevice::WriteOnly)) f.write("1");
}

// The delay of kill k of kills: moments spread over a run of runMs, a
// little past its end, each moved by a random part of its share.
inline qint64 KillDelay(int k, int kills, qint64 runMs, QRandomGenerator& random)
{
    return runMs * (k * 12 / kills) / 10 + random.bounded(int(runMs / kills) + 1);
}

// Starts childTest in a child of this binary working in folder, kills it
// delayMs after it signalled its start and waits for it to go. The marker
// is gone again afterwards, so only the child's own files are left.
inline void RunChildAndKill(const QString& childTest, const QString& folder, qint64 delayMs)
{
    const QString marker = StartedMarker(folder);
    QFile::remove(marker);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildFolderVariable()), QDir(folder).absolutePath());
    // Under the address sanitizer a child that ends before the kill checks
    // for leaks on its way out; a kill landing then takes the check's tracer
    // with it half-way through, leaving an empty report. The same code is
    // checked for leaks in the tests that run it in process.
    const QString asan = QStringLiteral("ASAN_OPTIONS");
    if (env.contains(asan)) env.insert(asan, env.value(asan) + QStringLiteral(":detect_leaks=0"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + childTest});
    EXPECT_TRUE(child.waitForStarted());
    while (!QFile::exists(marker) && child.state() == QProcess::Running)
        QThread::msleep(1);
    QThread::msleep(static_cast<unsigned long>(delayMs));
    if (child.state() == QProcess::Running) ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished(-1);
    QFile::remove(marker);
}

// Runs the current test again in a child of this binary and checks that it
// passed there: the test's body runs in the child (where this returns true)
// and the parent only waits for it (false). For what a test must not do to
// the process running the suite: change its signals or its limits, or die.
inline bool RunsInChild()
{
    static const char* const kVariable = "TERVALA_CHILD_TEST";
    if (qEnvironmentVariableIsSet(kVariable)) return true;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kVariable), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2")
                     .arg(QString::fromLatin1(test->test_suite_name()), QString::fromLatin1(test->name()))});
    EXPECT_TRUE(child.waitForStarted());
    child.waitForFinished(-1);
    const std::string said = child.readAll().toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << said;
    EXPECT_EQ(child.exitCode(), 0) << said;
    EXPECT_NE(said.find("[  PASSED  ] 1 test"), std::string::npos) << said;
    return false;
}

} // namespace testsupport
