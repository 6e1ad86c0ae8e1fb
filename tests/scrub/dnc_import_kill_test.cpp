// A DNC import killed at any moment leaves a store that opens and passes its
// integrity check, with each area code holding its numbers either from
// before the import or from after it (never an empty table, which would
// pass every number of its area code), and a stored total that claims no
// more than the store holds. A list of numbers that were all on the list
// before the import is then scrubbed with the no-table rule on: none of
// them passes. The import runs in a child process (see ChildKill.h); the
// next import after each kill ends with the store of an uninterrupted run.

#include "TextScrubFixture.h"

#include "support/ChildKill.h"
#include "support/ProgramObjects.h"
#include "support/SqliteFile.h"

#include "dncdb/DNCListImport.h"
#include "dncdb/ModuleDNC.h"
#include "records/ModuleConnectString.h"

#include <QElapsedTimer>
#include <QMap>

namespace {

constexpr int kImportKills = 10;
// Area codes of the import text: two the store already holds, the others new.
const int kAreaCodes[] = {201, 973, 301, 302, 303, 304, 305, 306, 307, 308, 309, 310};
constexpr int kPerAreaCode = 90000;

// What an area code's table holds, in short: its row count and the sum of
// its numbers ("" when there is no table).
using StoreState = QMap<QString, QString>;

class DncImportKill : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        vb::SetClock(&clock); // the import's pauses between area codes take no time
        folder = testsupport::ChildFolder();
        if (folder.isEmpty()) {
            ASSERT_TRUE(dir.isValid());
            folder = dir.path();
        }
        dbPath = QDir(folder).filePath(QStringLiteral("dnc.mdb"));
    }
    void TearDown() override
    {
        vb::SetClock(nullptr);
        ScriptedUiTest::TearDown();
    }

    QString connectionString() const
    {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath;
    }

    dncimport::ImportResult import()
    {
        testsupport::OpenProgramObjects(connectionString());
        LoadTables();
        dncimport::ImportJob job;
        job.linkProviderString = MakeTextLinkString(folder + QStringLiteral("/"), QStringLiteral("No"),
                                                    QStringLiteral("Delimited"));
        job.fileName = QStringLiteral("import.txt");
        bool counted = false;
        const std::int32_t total = GetDNCCount(&counted);
        if (counted) job.total = total;
        engine::NoProgress progress;
        const dncimport::ImportResult result =
            dncimport::ImportDNCList(job, *gDataAccess, *gPhoneTables, progress);
        testsupport::CloseProgramObjects();
        return result;
    }

    // The store before the import: two area codes, the stored total right.
    void writeStore()
    {
        QFile::remove(dbPath);
        QFile::remove(dbPath + QStringLiteral("-journal"));
        testsupport::MakeDatabase(dbPath);
        testsupport::Db db(dbPath);
        db.exec(
            QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                           "CREATE TABLE phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
                           "INSERT INTO phone201 VALUES (5551234), (5559999), (1000007);"
                           "INSERT INTO phone973 VALUES (1234567);"
                           "UPDATE DefProperty SET PropertyValue = '4' WHERE PropertyKeys = 'lasttotal';"));
    }

    // The import text: every area code with numbers of its own, a store's
    // number among them; and a calling list of numbers that are all blocked
    // before the import: the store's own, and numbers of area codes that
    // have no table yet (blocked by the no-table rule).
    void writeImportText()
    {
        QByteArray text;
        QByteArray calls = "Phone,Status\r\n";
        text.reserve(std::size(kAreaCodes) * kPerAreaCode * 13);
        for (int a : kAreaCodes) {
            for (int i = 0; i < kPerAreaCode; ++i) {
                const QByteArray local = QByteArray::number(1000000 + i * 7);
                text += QByteArray::number(a) + ',' + local + "\r\n";
                if (i % 997 == 0 && a != 201 && a != 973) calls += QByteArray::number(a) + local + ",x\r\n";
            }
        }
        calls += "2015559999,x\r\n2011000007,x\r\n9731234567,x\r\n3995550000,x\r\n";
        testsupport::WriteFile(QDir(folder).filePath(QStringLiteral("import.txt")), text);
        testsupport::WriteFile(QDir(folder).filePath(QStringLiteral("calls.csv")), calls);
    }

    StoreState state()
    {
        testsupport::Db db(dbPath);
        StoreState s;
        const QStringList tables =
            db.scalar(QStringLiteral("SELECT group_concat(name, ',') FROM sqlite_master WHERE type = 'table' "
                                     "AND name LIKE 'phone%'"))
                .split(u',', Qt::SkipEmptyParts);
        for (const QString& t : tables)
            s.insert(t, db.scalar(QStringLiteral("SELECT count(*) || ':' || total(phone) FROM ") + t));
        return s;
    }

    // Numbers the calling list passes with the no-table rule on.
    std::int32_t callableNumbers()
    {
        gPhoneTables = std::make_shared<CDataStrings>();
        for (const QString& t : state().keys())
            gPhoneTables->Add(t, t);
        auto dnc = ado::Connection::Create();
        dnc->Open(connectionString());
        scrub::TextScrubJob job;
        job.folder = folder + QStringLiteral("/");
        job.fileName = QStringLiteral("calls.csv");
        job.titleFirstLine = true;
        job.settings.phoneField = QStringLiteral("Phone");
        job.settings.markField = QStringLiteral("Status");
        job.settings.nacNotInDnc = true;
        job.settings.deleteFound = false; // found numbers are marked, so the list keeps its records
        scrubtest::RecordingView view;
        const scrub::ScrubResult r = scrub::ScrubTextFile(job, view, dnc);
        dnc->Close();
        gPhoneTables.reset();
        EXPECT_TRUE(r.completed);
        return r.counters.notFound;
    }

    QTemporaryDir dir;
    QString folder;
    QString dbPath;
    vb::FakeClock clock;
};

} // namespace

TEST_F(DncImportKill, ChildRunOfTheKillTest)
{
    if (testsupport::ChildFolder().isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    testsupport::ChildStarted(folder);
    import();
}

TEST_F(DncImportKill, AKilledImportLeavesEachAreaCodeBeforeOrAfterAndNoNumberPassesThatWasBlocked)
{
    writeImportText();
    writeStore();
    const StoreState before = state();
    const QByteArray calls = testsupport::ReadFile(QDir(folder).filePath(QStringLiteral("calls.csv")));
    ASSERT_EQ(callableNumbers(), 0) << "every number of the list is blocked before the import";
    testsupport::WriteFile(QDir(folder).filePath(QStringLiteral("calls.csv")), calls);

    writeStore();
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(import().succeeded());
    const qint64 runMs = std::max<qint64>(timer.elapsed(), 20);
    const StoreState after = state();
    ASSERT_EQ(after.size(), int(std::size(kAreaCodes)));

    int keptWhole = 0, partly = 0, fullyImported = 0;
    QRandomGenerator random(20070302);
    for (int k = 0; k < kImportKills; ++k) {
        writeStore();
        const qint64 delay = testsupport::KillDelay(k, kImportKills, runMs, random);
        testsupport::RunChildAndKill(QStringLiteral("DncImportKill.ChildRunOfTheKillTest"), folder, delay);
        const std::string at = "kill " + std::to_string(k) + " after " + std::to_string(delay) + " ms";

        StoreState killed;
        {
            testsupport::Db db(dbPath);
            EXPECT_EQ(db.scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok")) << at;
            killed = state();
            qint64 held = 0;
            for (const QString& t : killed.keys()) {
                const QString rows = killed[t].section(u':', 0, 0);
                EXPECT_NE(rows, QStringLiteral("0")) << at << ": " << t.toStdString() << " is empty";
                EXPECT_TRUE(killed[t] == before.value(t) || killed[t] == after.value(t))
                    << at << ": " << t.toStdString() << " holds " << killed[t].toStdString();
                held += rows.toLongLong();
            }
            EXPECT_LE(db.scalar(QStringLiteral("SELECT PropertyValue FROM DefProperty WHERE PropertyKeys = "
                                               "'lasttotal'"))
                          .toLongLong(),
                      held)
                << at;
        }
        (killed == before ? keptWhole : killed == after ? fullyImported : partly) += 1;

        EXPECT_EQ(callableNumbers(), 0) << at;
        testsupport::WriteFile(QDir(folder).filePath(QStringLiteral("calls.csv")), calls);

        // The next import completes the store.
        EXPECT_TRUE(import().succeeded()) << at;
        EXPECT_EQ(state(), after) << at;
        testsupport::Db db(dbPath);
        EXPECT_EQ(db.scalar(QStringLiteral(
                      "SELECT PropertyValue FROM DefProperty WHERE PropertyKeys = 'lasttotal'")),
                  QString::number(std::size(kAreaCodes) * kPerAreaCode + 3))
            << at;
    }
    RecordProperty("KillsKeptWhole", keptWhole);
    RecordProperty("KillsPartlyImported", partly);
    RecordProperty("KillsFullyImported", fullyImported);
    std::printf("import kills: %d over an import of %lld ms; store as before %d, partly imported %d, fully "
                "imported %d\n",
                kImportKills, static_cast<long long>(runMs), keptWhole, partly, fullyImported);
}
