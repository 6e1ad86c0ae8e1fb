#pragma once
// Text-list scrubs against a small DNC store of their own: a temporary
// folder holding the calling list, the result files and a DNC database with
// the tables phone201 (5551234, 5559999) and phone973 (1234567); a fixed
// clock at 2 March 2007 14:25:30; scripted message boxes; and a view that
// records what the progress frame was shown. A run shows no box of its own:
// its summary and failure come back in its result.

#include "support/QtPrinters.h"
#include "support/ScriptedUi.h"
#include "support/SqliteFile.h"

#include "core/CDataStrings.h"
#include "core/Globals.h"
#include "platform/ado/Connection.h"
#include "platform/vb/Clock.h"
#include "scrub/TextFileScrub.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <sqlite3.h>
#include <vector>

#include "scrub/WorkTableScrub.h"

namespace scrubtest {

inline QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The work-table road over the text list fileName in folder (fields Phone,
// Status), deleting what it finds.
inline scrub::WorkTableJob TextWorkJob(const QString& folder, const QString& fileName,
                                       const QString& connection)
{
    scrub::WorkTableJob w;
    w.source = scrub::WorkTableJob::Source::Text;
    w.workDatabase = folder + QStringLiteral("DNCTempWork.mdb");
    w.connectionString = connection;
    w.tableName = fileName;
    w.folder = folder;
    w.phoneField = QStringLiteral("Phone");
    w.fieldNames = QStringList{"Phone", "Status"};
    w.markPosition = 1;
    w.deleteFound = true;
    return w;
}

inline void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

inline void Exec(const QString& dbPath, const QString& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath.toUtf8().constData(), &db), SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    const std::string message = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

// A run that got to its end: its summary, no failure.
inline void ExpectFinished(const engine::Result& r)
{
    EXPECT_TRUE(r.summary.startsWith(QStringLiteral("Action is finished!"))) << r.summary.toStdString();
    EXPECT_FALSE(r.failure.has_value()) << (r.failure ? r.failure->description.toStdString() : "");
    EXPECT_EQ(r.refusal, QString());
}

// A run stopped by one error of the function, whose description holds the
// text; no summary.
inline void ExpectFailure(const engine::Result& r, const QString& function, const QString& contains = {})
{
    ASSERT_TRUE(r.failure.has_value());
    EXPECT_EQ(r.failure->function, function);
    EXPECT_TRUE(r.failure->description.contains(contains)) << r.failure->description.toStdString();
    EXPECT_EQ(r.summary, QString());
}

// A list of many records, every dnc-th one on the DNC list, large enough for
// its copy and OK file to be written out in several pieces.
inline QByteArray LongList(int records, int dnc = 1000)
{
    QByteArray text = "Phone,Status\r\n";
    text.reserve(records * 16);
    for (int i = 0; i < records; ++i)
        text += (i % dnc == 0 ? QByteArray("2015551234") : QByteArray::number(3125000000LL + i)) + ",x\r\n";
    return text;
}

// The progress frame as a run leaves it, and every update it got.
class RecordingView : public engine::EngineProgress {
public:
    std::int32_t barMaximum = -1;
    std::vector<std::int32_t> shownAt; // record counter of each update
    std::vector<std::int32_t> barValues;
    QString status; // status panel 1
    bool finalShown = false;

    std::function<void()> onShow; // called at every update, before the run goes on

    void Begin(double maximum, const QString&) override { barMaximum = std::int32_t(maximum); }
    void Show(double value, const QString& count) override
    {
        shownAt.push_back(count.toInt());
        barValues.push_back(std::int32_t(value));
        if (onShow) onShow();
    }
    void End() override {}
    void Status(const QString& text, std::int32_t panel) override
    {
        if (panel == 1) status = text;
    }
    void Yield(bool) override {}
    bool Due(bool final) override
    {
        finalShown = finalShown || final;
        return true;
    }
};

} // namespace scrubtest

class TextScrubTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        vb::SetClock(&clock);
        folder = dir.path() + QLatin1Char('/');
        dbPath = dir.filePath(QStringLiteral("dnc.mdb"));
        scrubtest::Exec(dbPath, QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                                               "create table phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
                                               "insert into phone201 values (5551234), (5559999);"
                                               "insert into phone973 values (1234567);"));
        gPhoneTables = std::make_shared<CDataStrings>();
        gPhoneTables->Add(QStringLiteral("phone201"), QStringLiteral("phone201"));
        gPhoneTables->Add(QStringLiteral("phone973"), QStringLiteral("phone973"));
        dnc = ado::Connection::Create();
        dnc->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);

        job.folder = folder;
        job.fileName = QStringLiteral("calls.csv");
        job.titleFirstLine = true;
        job.settings.phoneField = QStringLiteral("Phone");
        job.settings.markField = QStringLiteral("Status");
        job.settings.exportOk = true;
        job.settings.exportDnc = true;
        job.settings.okFile = folder + QStringLiteral("ok.txt");
        job.settings.dncFile = folder + QStringLiteral("dnc.txt");
        job.settings.deleteFound = true;
        job.settings.markText = QStringLiteral("DNC");
    }

    void TearDown() override
    {
        if (dnc && dnc->State() == ado::adStateOpen) dnc->Close();
        dnc.reset();
        gPhoneTables.reset();
        vb::SetClock(nullptr);
        ScriptedUiTest::TearDown();
    }

    QString list() const { return folder + job.fileName; }
    void writeList(const QByteArray& bytes) { scrubtest::Write(list(), bytes); }
    QByteArray listBytes() const { return scrubtest::Read(list()); }
    QByteArray file(const QString& name) const { return scrubtest::Read(folder + name); }
    QStringList files() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    // What a run of a generated list must give: the list as kept, the result
    // files and the counters, built up record by record.
    struct Expected {
        explicit Expected(const QByteArray& title) : list(title), kept(title) {}
        void unusable(const QByteArray& line) { ++unusableCount, kept += line; }
        void notFound(const QByteArray& number, const QByteArray& line)
        {
            ++notFoundCount, ok += number + "\r\n", kept += line;
        }
        // keptLine: the record as marking leaves it; empty when it is deleted.
        void found(const QByteArray& number, const QByteArray& keptLine = {})
        {
            ++foundCount, dnc += number + ", 3/2/2007 2:25:30 PM\r\n", kept += keptLine;
        }
        QByteArray list, kept;
        QByteArray ok = "Numbers Not In DNC List\r\n";
        QByteArray dnc = "Numbers In DNC List,Remove Time\r\n";
        std::int32_t records = 0, foundCount = 0, notFoundCount = 0, unusableCount = 0;
    };

    // Writes the expected run's list, scrubs it and checks all it gives.
    void runAndCheck(const Expected& e)
    {
        writeList(e.list);
        const scrub::ScrubResult r = run();
        EXPECT_EQ(r.counters.records, e.records);
        EXPECT_EQ(r.counters.found, e.foundCount);
        EXPECT_EQ(r.counters.notFound, e.notFoundCount);
        EXPECT_EQ(r.counters.unusable, e.unusableCount);
        EXPECT_TRUE(listBytes() == e.kept);
        EXPECT_TRUE(file("ok.txt") == e.ok);
        EXPECT_TRUE(file("dnc.txt") == e.dnc);
    }

    // Runs the scrub, expecting its summary.
    scrub::ScrubResult run()
    {
        scrub::ScrubResult r = scrub::ScrubTextFile(job, view, dnc);
        scrubtest::ExpectFinished(r);
        return r;
    }

    // Runs the scrub, expecting it refused in its own words: no error, no summary.
    scrub::ScrubResult runRefused(const QString& messageContains)
    {
        scrub::ScrubResult r = scrub::ScrubTextFile(job, view, dnc);
        EXPECT_FALSE(r.failure.has_value()) << r.failure->function.toStdString();
        EXPECT_TRUE(r.refusal.contains(messageContains) && r.summary.isEmpty()) << r.refusal.toStdString();
        return r;
    }

    // Runs the scrub, expecting one failure and no summary.
    scrub::ScrubResult runFailing(const QString& messageContains = {})
    {
        scrub::ScrubResult r = scrub::ScrubTextFile(job, view, dnc);
        scrubtest::ExpectFailure(r, QStringLiteral("GetExcelFields"), messageContains);
        return r;
    }

    QTemporaryDir dir;
    vb::FakeClock clock{QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30))};
    QString folder;
    QString dbPath;
    std::shared_ptr<ado::Connection> dnc;
    scrub::TextScrubJob job;
    scrubtest::RecordingView view;
};
