// Two desktops on one database file, each a program with its own program
// folder: this one started when the store had one area code; the other
// imports more. Scrubs here, in the middle of the import and after it, find
// every number the other had committed when they began, and an import
// whose commit meets a scrub's run waits for it: both finish.

#include "MainWindowFixture.h"

#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/Settings.h"
#include "dncdb/DNCListImport.h"
#include "mainwindow/RunController.h"
#include "platform/ado/Connection.h"
#include "platform/vb/Clock.h"
#include "scrub/ScrubRun.h"
#include "scrub/TextFileScrub.h"

#include <QMap>
#include <QProcess>
#include <QThread>
#include <functional>

namespace {

constexpr int kPerArea = 400;
const QStringList kAreas{"201", "205", "212", "415", "999"};

// The marker files the two desktops pass each other in the shared folder.
QString Marker(const QString& name)
{
    return QDir(qEnvironmentVariable("TERVALA_SHARED")).filePath(name);
}

void Signal(const QString& name)
{
    mwtest::WriteFile(Marker(name), "1");
}

class TwoDesktopsOnOneFile : public MainWindowTest {
protected:
    QString sharedDatabase() const { return shared.filePath(QStringLiteral("Tervala.mdb")); }

    // The area codes whose numbers the file holds now: an import commits
    // an area code's numbers at once.
    QStringList filledAreas()
    {
        testsupport::Db db(sharedDatabase(), testsupport::Db::BadQuery::ReadsEmpty);
        QStringList filled;
        for (const QString& area : kAreas)
            if (db.scalar("select count(*) from phone" + area).toInt() > 0) filled << area;
        return filled;
    }

    // A scrub of the calling list (written anew: a found number is marked)
    // as the Start of a text list runs it; the numbers found per area code.
    QMap<QString, int> scrubList(engine::EngineProgress& view)
    {
        mwtest::WriteFile(work.filePath("calls.txt"), list);
        scrub::TextScrubJob job;
        job.folder = work.path() + "/";
        job.fileName = QStringLiteral("calls.txt");
        job.connectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + job.folder +
                               QStringLiteral(";Extended Properties=\"text;HDR=Yes;FMT=Delimited\"");
        job.settings.phoneField = QStringLiteral("Phone");
        job.settings.markField = QStringLiteral("Phone");
        job.settings.markText = QStringLiteral("DNC");
        job.settings.exportDnc = true;
        job.settings.dncFile = work.filePath(QStringLiteral("dnc.txt"));
        auto dnc = scrub::OpenDncConnection();
        const scrub::ScrubResult result = scrub::ScrubTextFile(job, view, dnc);
        dnc->Close();
        EXPECT_TRUE(result.completed);
        EXPECT_TRUE(result.summary.startsWith(QStringLiteral("Action is finished!")))
            << result.summary.toStdString();
        QMap<QString, int> found;
        for (const QByteArray& line : mwtest::ReadFile(job.settings.dncFile).split('\n').mid(1))
            if (line.size() >= 10) ++found[QString::fromLatin1(line.left(3))];
        return found;
    }

    QTemporaryDir shared;
    QTemporaryDir work;
    QByteArray list = "Phone\r\n";
};

// A view that, when the scrub's run has begun (its read of the store
// open), lets the other desktop go on to commit its area code, and goes on
// itself once the other waits for the run's read or is past the commit.
class SpanningView : public engine::NoProgress {
public:
    explicit SpanningView(std::function<void()> whileOpen) : m_whileOpen(std::move(whileOpen)) {}
    bool Due(bool) override { return true; }
    void Show(double, const QString&) override
    {
        if (m_whileOpen) std::exchange(m_whileOpen, nullptr)();
    }

private:
    std::function<void()> m_whileOpen;
};

} // namespace

// The importing desktop, run by the test below in a process of its own.
// It stops in its third area code (numbers read, not yet added) until the
// other desktop lets it go, and says where it is at each area code.
TEST_F(TwoDesktopsOnOneFile, DISABLED_OtherDesktopImports)
{
    // Once let go, the first wait (for the lock the other desktop's run
    // holds on the file) is said.
    struct SayingClock : vb::RealClock {
        void sleep(double seconds) override
        {
            if (QFile::exists(Marker("go")) && !QFile::exists(Marker("waiting"))) Signal("waiting");
            vb::RealClock::sleep(seconds);
        }
    } clock;
    vb::SetClock(&clock);
    writeProfile(qEnvironmentVariable("TERVALA_SHARED_DB"));
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    int step = 0;
    dncimport::SetFillHook([&step](const QString&) {
        Signal(QStringLiteral("step%1").arg(++step));
        if (step == 3)
            while (!QFile::exists(Marker("go")))
                QThread::msleep(1);
    });
    SetSetting(QStringLiteral("dnctextfilename"), qEnvironmentVariable("TERVALA_IMPORT"));
    SetSetting(QStringLiteral("dnctextfilehearder"), QStringLiteral("0"));
    SetSetting(QStringLiteral("dnctextfiledelimited"), QStringLiteral("1"));
    EXPECT_TRUE(form->Runs().ImportDNCTextFile());
    dncimport::SetFillHook(nullptr);
    form->close();
    vb::SetClock(nullptr);
}

TEST_F(TwoDesktopsOnOneFile, ScrubsDuringAndAfterTheOthersImportFindEveryNumberItCommitted)
{
    ASSERT_TRUE(shared.isValid() && work.isValid());
    mwtest::MakeDatabase(sharedDatabase());
    {
        testsupport::Db db(sharedDatabase());
        db.exec("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY)");
    }
    QByteArray dncText;
    for (const QString& area : kAreas)
        for (int i = 0; i < kPerArea; ++i) {
            dncText += (area + QStringLiteral(",%1\r\n").arg(5000000 + i * 17)).toUtf8();
            list += (area + QString::number(5000000 + i * 17) + QStringLiteral("\r\n")).toUtf8();
        }
    const QString importFile = mwtest::WriteFile(work.filePath("dnc-import.txt"), dncText);

    // This desktop starts first, with area code 201 alone in the store.
    writeProfile(sharedDatabase());
    ASSERT_NE(start(), nullptr);

    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TERVALA_SHARED", shared.path());
    env.insert("TERVALA_SHARED_DB", sharedDatabase());
    env.insert("TERVALA_IMPORT", importFile);
    other.setProcessEnvironment(env);
    other.setProcessChannelMode(QProcess::MergedChannels);
    qputenv("TERVALA_SHARED", shared.path().toLocal8Bit());
    other.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests",
                 "--gtest_filter=TwoDesktopsOnOneFile.DISABLED_OtherDesktopImports"});
    ASSERT_TRUE(other.waitForStarted());
    const auto waitFor = [&other](const QString& marker) {
        while (!QFile::exists(Marker(marker)) && other.state() != QProcess::NotRunning)
            other.waitForFinished(5);
        return QFile::exists(Marker(marker));
    };

    int missed = 0;
    const auto check = [&](const QMap<QString, int>& found, const QStringList& committed, const char* when) {
        for (const QString& area : kAreas) {
            EXPECT_TRUE(found.value(area) == 0 || found.value(area) == kPerArea)
                << when << ": " << found.value(area) << " numbers of " << area.toStdString();
            if (committed.contains(area)) missed += kPerArea - found.value(area);
        }
    };

    // In the middle of the import: two area codes committed, the third held.
    EXPECT_TRUE(waitFor("step3")) << "the import ended before its third area code";
    QStringList committed = filledAreas();
    engine::NoProgress plain;
    check(scrubList(plain), committed, "during the import");
    EXPECT_GE(committed.size(), 2) << committed.join(',').toStdString();

    // A scrub whose run spans the third area code's commit.
    committed = filledAreas();
    bool wentOn = false;
    SpanningView spanning([&] {
        Signal("go");
        while (!QFile::exists(Marker("waiting")) && !QFile::exists(Marker("step4")) &&
               other.state() != QProcess::NotRunning)
            other.waitForFinished(5);
        wentOn = other.state() != QProcess::NotRunning;
    });
    check(scrubList(spanning), committed, "across a commit");
    EXPECT_TRUE(wentOn) << "the import did not wait for the scrub's read";

    other.waitForFinished(-1);
    const QByteArray output = other.readAll();
    EXPECT_EQ(other.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();

    // After it, every area code whole.
    committed = filledAreas();
    EXPECT_EQ(committed, kAreas);
    check(scrubList(plain), committed, "after the import");
    EXPECT_EQ(missed, 0);
    qunsetenv("TERVALA_SHARED");
}
