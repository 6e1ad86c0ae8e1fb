// The DNC list import against the sqlite3 shell doing the same job.
//
// For each generated import text (lines "AAA,PPPPPPP": area code, comma,
// seven-digit number, grouped by area code, numbers in random order, 2% of
// the lines repeating an earlier number) both sides start from an empty
// database and end with one table phoneAAA (phone INTEGER NOT NULL PRIMARY
// KEY) per area code holding each distinct number once:
// - ours: the import as the main window's runs do it (link, each
//   area code's numbers read and added in ascending order, table list and
//   total), on the program's fake clock, so its fixed waits (3 s per area
//   code) cost nothing and are not counted;
// - the shell: sqlite3 with its defaults, ".import" into a staging table,
//   then one "INSERT OR IGNORE ... SELECT ... WHERE area = N" per area code
//   in one transaction.
// Prints numbers (lines) per second for both, their ratio, and peak memory.
//
// Usage: bench_dnc_import [scale] [--areas N]
//        (scale 1 = 8,000,000, 20 x 500,000 and 300 x 26,666 lines; --areas 1, 20 or 300 runs that job alone)

#include "bench/BenchSupport.h"
#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/COption.h"
#include "core/DataAccessModule.h"
#include "core/Globals.h"
#include "dncdb/DNCImport.h"
#include "dncdb/ModuleDNC.h"
#include "mainwindow/frmMain.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Clock.h"
#include "platform/widgets/ScriptedServices.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace {

struct Job {
    const char* name;
    std::vector<int> areaCodes;
    long perArea;
};

// Writes the import text; returns the number of lines and of distinct numbers.
void Generate(const QString& path, const Job& job, long& lines, long& distinct)
{
    std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    std::mt19937_64 rng(20240305);
    lines = 0;
    distinct = 0;
    std::vector<int> pool(10000000);
    char buf[32];
    for (int area : job.areaCodes) {
        // a random selection of distinct numbers, in random order
        for (int i = 0; i < 10000000; ++i)
            pool[size_t(i)] = i;
        const long unique = job.perArea - job.perArea / 50;
        for (long i = 0; i < unique; ++i) {
            std::uniform_int_distribution<long> pick(i, 9999999);
            std::swap(pool[size_t(i)], pool[size_t(pick(rng))]);
        }
        std::uniform_int_distribution<long> earlier(0, unique - 1);
        for (long i = 0; i < job.perArea; ++i) {
            const int number = i < unique ? pool[size_t(i)] : pool[size_t(earlier(rng))];
            const int n = std::snprintf(buf, sizeof buf, "%03d,%07d\r\n", area, number);
            std::fwrite(buf, 1, size_t(n), f);
            ++lines;
        }
        distinct += unique;
    }
    std::fclose(f);
}

void MakeDatabase(const QString& path)
{
    QFile schema(QStringLiteral(TERVALA_SOURCE_DIR "/resources/schema.sql"));
    schema.open(QIODevice::ReadOnly);
    const QByteArray sql = schema.readAll();
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

long long CountAll(const QString& path, const std::vector<int>& codes)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    long long total = 0;
    for (int a : codes) {
        sqlite3_stmt* st = nullptr;
        const QByteArray q =
            QStringLiteral("SELECT count(*) FROM phone%1").arg(a, 3, 10, QChar(u'0')).toUtf8();
        if (sqlite3_prepare_v2(db, q.constData(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            total += sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return total;
}

// Ours: the import as the main window runs it.
double RunOurs(const QString& dbPath, const QString& textPath, vb::FakeClock& clock)
{
    const QString cs = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath;
    gOption = std::make_shared<COption>();
    gOption->SetConnectionString(cs);
    gConnectionString = cs;
    InitDataAccess();
    gDataAccess->SetDefaultConnectionString(cs);
    gPhoneTables = std::make_shared<CDataStrings>();
    gRecordset = ado::Recordset::Create();
    gDefPropertys = std::make_shared<CDefPropertys>();
    gDefPropertys->CheckKeys();
    gDefPropertys->LoadRelated();
    gDefPropertys->Item(QStringLiteral("dnctextfilename"))->SetPropertyValue(textPath);
    gDefPropertys->Item(QStringLiteral("dnctextfilehearder"))->SetPropertyValue(QStringLiteral("0"));
    gDefPropertys->Item(QStringLiteral("dnctextfiledelimited"))->SetPropertyValue(QStringLiteral("1"));
    auto form = std::make_unique<frmMain>();
    gMainForm = form.get();

    const double waitedBefore = clock.monotonicSeconds();
    const double t0 = bench::Now();
    if (qEnvironmentVariableIsSet("BENCH_STEPS")) {
        // where the time goes: real seconds at each status line
        dncimport::SetStatusTrace([t0](const QString& text, std::int32_t panel) {
            std::printf("    %7.3f  %d %s\n", bench::Now() - t0, panel, text.toUtf8().constData());
        });
    }
    const bool ok = form->Runs().ImportDNCTextFile();
    const double elapsed = bench::Now() - t0;
    dncimport::SetStatusTrace({});
    std::printf("  ours: import %s, fixed waits skipped on the fake clock: %.0f s\n",
                ok ? "succeeded" : "FAILED", clock.monotonicSeconds() - waitedBefore);

    gMainForm = nullptr;
    form.reset();
    CloseDataAccess();
    gDefPropertys.reset();
    gRecordset.reset();
    gPhoneTables.reset();
    gOption.reset();
    return elapsed;
}

// The shell: bulk load into a staging table, then the per-area tables. Its
// wall time; its own peak memory (KiB) in peakKiB.
double RunShell(const QString& dbPath, const QString& textPath, const std::vector<int>& codes, long& peakKiB)
{
    QString script = QStringLiteral("CREATE TABLE staging(area INTEGER, phone INTEGER);\n"
                                    ".mode csv\n.import '%1' staging\nBEGIN;\n")
                         .arg(textPath);
    for (int a : codes) {
        const QString t = QStringLiteral("phone%1").arg(a, 3, 10, QChar(u'0'));
        script += QStringLiteral("CREATE TABLE %1 (phone INTEGER NOT NULL PRIMARY KEY);\n"
                                 "INSERT OR IGNORE INTO %1 SELECT phone FROM staging WHERE area = %2;\n")
                      .arg(t)
                      .arg(a);
    }
    script += QStringLiteral("COMMIT;\nDROP TABLE staging;\n");
    const QString scriptPath = dbPath + QStringLiteral(".sql");
    QFile f(scriptPath);
    if (!f.open(QIODevice::WriteOnly) || f.write(script.toUtf8()) < 0) return -1;
    f.close();
    double ms = 0;
    peakKiB = -1;
    // Through bench::Run, so the peak is the shell's own and not this
    // process's, which a child inherits.
    if (!bench::Run({"sqlite3", dbPath.toStdString(), ".read " + scriptPath.toStdString()}, ms, peakKiB))
        std::printf("  the shell did not finish cleanly\n");
    QFile::remove(scriptPath);
    return ms / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double scale = 1.0;
    int onlyAreas = 0; // --areas N: only the job of N area codes (1, 20 or 300)
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--areas" && i + 1 < argc)
            onlyAreas = std::atoi(argv[++i]);
        else
            scale = std::atof(argv[i]);
    }

    ui::ScriptedServices scripted; // a message box is answered at once and listed below
    ui::setServices(&scripted);
    vb::FakeClock clock;
    vb::SetClock(&clock);

    std::vector<int> twenty;
    for (int i = 0; i < 20; ++i)
        twenty.push_back(201 + i * 37);
    // Nearly the national registry's count of area codes, the same 8,000,000 lines.
    std::vector<int> threeHundred;
    for (int i = 0; i < 300; ++i)
        threeHundred.push_back(200 + i * 2);
    const std::vector<Job> jobs{{"one area code", {201}, long(8000000 * scale)},
                                {"20 area codes", twenty, long(500000 * scale)},
                                {"300 area codes", threeHundred, long(8000000 / 300 * scale)}};

    QTemporaryDir dir;
    std::printf("DNC import: ours (the window's ImportDNCTextFile) against the sqlite3 shell (%s)\n",
                sqlite3_libversion());
    for (const Job& job : jobs) {
        if (onlyAreas > 0 && int(job.areaCodes.size()) != onlyAreas) continue;
        const QString text = dir.filePath(QStringLiteral("dnc.txt"));
        long lines = 0, distinct = 0;
        Generate(text, job, lines, distinct);
        std::printf("%s: %ld lines, %ld distinct numbers\n", job.name, lines, distinct);

        const QString oursDb = dir.filePath(QStringLiteral("ours.mdb"));
        const QString shellDb = dir.filePath(QStringLiteral("shell.mdb"));
        QFile::remove(oursDb);
        QFile::remove(shellDb);
        MakeDatabase(oursDb);
        MakeDatabase(shellDb);

        bench::ResetPeak();
        const double ours = RunOurs(oursDb, text, clock);
        const long oursPeak = bench::PeakSinceResetKiB();
        long shellPeak = -1;
        const double shell = RunShell(shellDb, text, job.areaCodes, shellPeak);
        const long long oursRows = CountAll(oursDb, job.areaCodes);
        const long long shellRows = CountAll(shellDb, job.areaCodes);
        std::printf("  ours:  %8.2f s  %10.0f numbers/s  (%lld stored)\n", ours, lines / ours, oursRows);
        std::printf("  shell: %8.2f s  %10.0f numbers/s  (%lld stored)\n", shell, lines / shell, shellRows);
        std::printf("  ratio (ours / shell, numbers per second): %.2f\n", shell / ours);
        std::printf("  peak memory: ours during the import %ld MiB, the shell %ld MiB\n", oursPeak / 1024,
                    shellPeak / 1024);
        QFile::remove(text);
    }
    for (const QString& call : scripted.unexpectedCalls())
        std::printf("message: %s\n", call.toUtf8().constData());
    vb::SetClock(nullptr);
    ui::setServices(nullptr);
    return 0;
}
