// The program's database on a PostgreSQL server (through psqlODBC) against
// the same work on the embedded store and against a psql peer.
//
// A throwaway server is started on loopback (as for the tests). For one
// generated import text (80 area codes of 100,000 lines each at scale 1,
// "AAA,PPPPPPP", 2% repeats) and one calling list of 1,000,000 records (half
// of them on the DNC list), in one run:
// - import, ours on the server: frmMain::ImportDNCTextFile with the profile
//   on the server (text streamed to the server, per-area copies), on the
//   fake clock, so the fixed waits (3 s per area code) are not counted;
// - import, ours on the embedded store: the same on a SQLite database;
// - import, psql: "\copy" into a staging table, an index on its area code,
//   then per area code CREATE TABLE and INSERT ... ON CONFLICT DO NOTHING;
// - scrub, ours on the server and on the embedded store: the text-list scrub
//   engine (ScrubTextFile) writing the OK and DNC files.
// Prints the times, rates, ratios and peak memory.
//
// Usage: bench_server_db [scale]

#include "bench/BenchSupport.h"
#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/COption.h"
#include "core/DataAccessModule.h"
#include "core/Globals.h"
#include "dncdb/ModuleDNC.h"
#include "mainwindow/frmMain.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Clock.h"
#include "platform/widgets/ScriptedServices.h"
#include "scrub/TextFileScrub.h"
#include "tests/support/PgServer.h"
#include "tests/support/ProgramObjects.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

void Generate(const QString& dncPath, const QString& listPath, int areas, long perArea, long listRecords,
              long& lines)
{
    std::mt19937_64 rng(20261207);
    std::vector<std::pair<int, int>> stored;
    std::FILE* f = std::fopen(dncPath.toLocal8Bit().constData(), "wb");
    lines = 0;
    for (int a = 0; a < areas; ++a) {
        const int area = 201 + a * 9;
        std::uniform_int_distribution<int> number(0, 9999999);
        int last = 0;
        for (long i = 0; i < perArea; ++i) {
            const int n = (i % 50 == 49) ? last : number(rng);
            last = n;
            std::fprintf(f, "%03d,%07d\r\n", area, n);
            if (stored.size() < size_t(listRecords)) stored.emplace_back(area, n);
            ++lines;
        }
    }
    std::fclose(f);
    std::FILE* l = std::fopen(listPath.toLocal8Bit().constData(), "wb");
    std::fprintf(l, "Name,Phone\r\n");
    std::uniform_int_distribution<size_t> pick(0, stored.size() - 1);
    std::uniform_int_distribution<int> areaPick(0, areas - 1);
    std::uniform_int_distribution<int> number(0, 9999999);
    for (long i = 0; i < listRecords; ++i) {
        if (i % 2 == 0) {
            const auto& s = stored[pick(rng)];
            std::fprintf(l, "N%ld,%03d%07d\r\n", i, s.first, s.second);
        } else {
            std::fprintf(l, "N%ld,%03d%07d\r\n", i, 201 + areaPick(rng) * 9, number(rng));
        }
    }
    std::fclose(l);
}

double Import(const QString& cs, const QString& textPath, long& stored)
{
    testsupport::OpenProgramObjects(cs);
    gDefPropertys->Item(QStringLiteral("dnctextfilename"))->SetPropertyValue(textPath);
    gDefPropertys->Item(QStringLiteral("dnctextfilehearder"))->SetPropertyValue(QStringLiteral("0"));
    gDefPropertys->Item(QStringLiteral("dnctextfiledelimited"))->SetPropertyValue(QStringLiteral("1"));
    auto form = std::make_unique<frmMain>();
    gMainForm = form.get();
    const double t0 = bench::Now();
    const bool ok = form->Runs().ImportDNCTextFile();
    const double elapsed = bench::Now() - t0;
    if (!ok) std::printf("  import FAILED\n");
    stored = gDefPropertys->Item(QStringLiteral("lasttotal"))->PropertyValue().toLong();
    gMainForm = nullptr;
    form.reset();
    testsupport::CloseProgramObjects();
    return elapsed;
}

using QuietView = engine::NoProgress;

double Scrub(const QString& cs, const QString& folder, const QByteArray& list, scrub::ScrubCounters& counters)
{
    testsupport::OpenProgramObjects(cs);
    LoadTables();
    QFile out(folder + QStringLiteral("calls.txt"));
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(list);
    out.close();
    scrub::TextScrubJob job;
    job.folder = folder;
    job.fileName = QStringLiteral("calls.txt");
    job.connectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + folder +
                           QStringLiteral(";Extended Properties=\"text;HDR=Yes;FMT=Delimited\"");
    job.settings.phoneField = QStringLiteral("Phone");
    job.settings.markField = QStringLiteral("Phone");
    job.settings.exportOk = true;
    job.settings.exportDnc = true;
    job.settings.okFile = folder + QStringLiteral("ok.txt");
    job.settings.dncFile = folder + QStringLiteral("dnc.txt");
    job.settings.deleteFound = true;
    job.settings.markText = QStringLiteral("DNC");
    QuietView view;
    auto dnc = ado::Connection::Create();
    dnc->Open(cs);
    const double t0 = bench::Now();
    const scrub::ScrubResult r = scrub::ScrubTextFile(job, view, dnc);
    const double elapsed = bench::Now() - t0;
    dnc->Close();
    if (!r.completed) std::printf("  scrub FAILED\n");
    counters = r.counters;
    testsupport::CloseProgramObjects();
    return elapsed;
}

double Psql(testsupport::PgServer& server, const QString& database, const QString& textPath, int areas)
{
    QString script = QStringLiteral("CREATE TABLE staging (area integer, phone integer);\n"
                                    "\\copy staging from '%1' with (format csv)\n"
                                    "CREATE INDEX ON staging (area);\nBEGIN;\n")
                         .arg(textPath);
    for (int a = 0; a < areas; ++a) {
        const int area = 201 + a * 9;
        script += QStringLiteral("CREATE TABLE phone%1 (phone integer NOT NULL PRIMARY KEY);\n"
                                 "INSERT INTO phone%1 SELECT phone FROM staging WHERE area = %1 "
                                 "ON CONFLICT DO NOTHING;\n")
                      .arg(area);
    }
    script += QStringLiteral("COMMIT;\nDROP TABLE staging;\n");
    const QString file = QDir(server.root()).filePath(QStringLiteral("peer.sql"));
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.write(script.toUtf8());
    f.close();
    const double t0 = bench::Now();
    QString out;
    if (!server.psql(database, {"-f", file}, &out))
        std::printf("  psql said: %s\n", out.toUtf8().constData());
    return bench::Now() - t0;
}

void MakeSqlite(const QString& path)
{
    QFile schema(QStringLiteral(TERVALA_SOURCE_DIR "/resources/schema.sql"));
    schema.open(QIODevice::ReadOnly);
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, schema.readAll().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int areas = 80;
    const long perArea = long(100000 * scale);
    const long listRecords = long(1000000 * scale);

    testsupport::PgServer* server = testsupport::PgServer::Shared();
    if (!server) {
        std::printf("no PostgreSQL server: %s\n", testsupport::PgServer::Reason().toUtf8().constData());
        return 1;
    }
    ui::ScriptedServices scripted;
    ui::setServices(&scripted);
    vb::FakeClock clock;
    vb::SetClock(&clock);

    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QString text = folder + QStringLiteral("dnc.txt");
    long lines = 0;
    Generate(text, folder + QStringLiteral("list.csv"), areas, perArea, listRecords, lines);
    QFile listFile(folder + QStringLiteral("list.csv"));
    listFile.open(QIODevice::ReadOnly);
    const QByteArray list = listFile.readAll();
    std::printf(
        "server database: PostgreSQL on loopback through psqlODBC; %ld import lines in %d area codes, "
        "a list of %ld records\n",
        lines, areas, listRecords);

    QString error;
    for (const char* name : {"ours", "peer"}) {
        if (!server->createDatabase(QString::fromLatin1(name), &error) ||
            !server->psql(QString::fromLatin1(name),
                          {"-f", TERVALA_SOURCE_DIR "/resources/schema-postgresql.sql"}, &error)) {
            std::printf("cannot make the database: %s\n", error.toUtf8().constData());
            return 1;
        }
    }
    const QString serverCs = QStringLiteral("PROVIDER=MSDASQL;DSN=Tervala;UID=%1;PWD=%2;Database=ours;")
                                 .arg(testsupport::PgServer::kUser, testsupport::PgServer::kPassword);
    const QString sqlitePath = folder + QStringLiteral("embedded.mdb");
    MakeSqlite(sqlitePath);
    const QString sqliteCs = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + sqlitePath;

    long storedServer = 0, storedEmbedded = 0;
    bench::ResetPeak();
    const double importServer = Import(serverCs, text, storedServer);
    const long peakImportServer = bench::PeakSinceResetKiB();
    bench::ResetPeak();
    const double importEmbedded = Import(sqliteCs, text, storedEmbedded);
    const long peakImportEmbedded = bench::PeakSinceResetKiB();
    const double importPeer = Psql(*server, QStringLiteral("peer"), text, areas);
    QString peerCount;
    server->psql(
        QStringLiteral("peer"),
        {"-A", "-t", "-c", "select sum(n_live_tup) from pg_stat_user_tables where relname like 'phone%'"},
        &peerCount);

    std::printf("DNC import of %ld lines\n", lines);
    std::printf("  ours, server:   %8.2f s  %10.0f lines/s  %ld stored  peak %ld MiB\n", importServer,
                lines / importServer, storedServer, peakImportServer / 1024);
    std::printf("  ours, embedded: %8.2f s  %10.0f lines/s  %ld stored  peak %ld MiB\n", importEmbedded,
                lines / importEmbedded, storedEmbedded, peakImportEmbedded / 1024);
    std::printf("  psql peer:      %8.2f s  %10.0f lines/s  (%s stored, by the statistics)\n", importPeer,
                lines / importPeer, peerCount.trimmed().toUtf8().constData());
    std::printf("  ratio ours on the server / psql (time): %.2f\n", importServer / importPeer);

    scrub::ScrubCounters onServer, onEmbedded;
    bench::ResetPeak();
    const double scrubServer = Scrub(serverCs, folder, list, onServer);
    const long peakScrubServer = bench::PeakSinceResetKiB();
    bench::ResetPeak();
    const double scrubEmbedded = Scrub(sqliteCs, folder, list, onEmbedded);
    const long peakScrubEmbedded = bench::PeakSinceResetKiB();
    std::printf("text-list scrub of %ld records\n", listRecords);
    std::printf("  ours, server:   %8.2f s  %10.0f records/s  found %d  not found %d  peak %ld MiB\n",
                scrubServer, listRecords / scrubServer, onServer.found, onServer.notFound,
                peakScrubServer / 1024);
    std::printf("  ours, embedded: %8.2f s  %10.0f records/s  found %d  not found %d  peak %ld MiB\n",
                scrubEmbedded, listRecords / scrubEmbedded, onEmbedded.found, onEmbedded.notFound,
                peakScrubEmbedded / 1024);
    std::printf("  ratio server / embedded (time): %.2f\n", scrubServer / scrubEmbedded);
    for (const QString& call : scripted.unexpectedCalls())
        if (!call.contains(QStringLiteral("Action is finished!")))
            std::printf("message: %s\n", call.left(300).toUtf8().constData());
    vb::SetClock(nullptr);
    ui::setServices(nullptr);
    return 0;
}
