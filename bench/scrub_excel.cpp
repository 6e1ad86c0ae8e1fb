// The workbook scrub against the peer a user would reach for: a Python
// script with openpyxl doing the same marking or deleting. Both read the
// same generated .xlsx list, write the OK and DNC files and save the
// workbook; the peer loads the DNC numbers from text into a set, ours looks
// them up in the program's store (already built).
//
// Usage:
//   bench_scrub_excel [rows] [--no-peer]   default 100,000 rows; about 30 %
//                                          of the numbers are on the DNC list
// BENCH_DIR keeps the generated data between runs (default: a temporary folder).

#include "bench/BenchSupport.h"
#include "core/CDataStrings.h"
#include "core/Globals.h"
#include "mainwindow/RunController.h"
#include "platform/ado/Connection.h"
#include "platform/files/XlsxWriter.h"
#include "platform/widgets/ScriptedServices.h"
#include "scrub/ExcelSheetScrub.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

class OkServices : public ui::ScriptedServices {
public:
    int MsgBox(const QString& prompt, int, const QString&) override
    {
        last = prompt;
        return ui::vbOK;
    }
    QString last;
};

using QuietView = engine::NoProgress;

struct Data {
    QString database;
    QString dncText;
    QString book;
    std::vector<int> areas;
};

// 20 area codes of 50,000 DNC numbers each; a list whose numbers are on the
// DNC list about 3 times in 10, one in 50 unusable, half of them typed as
// text with separators and half as numbers.
Data Generate(const QString& dir, long rows)
{
    Data d;
    d.database = dir + QStringLiteral("/dnc.mdb");
    d.dncText = dir + QStringLiteral("/dnc.txt");
    d.book = dir + QStringLiteral("/calls-%1.xlsx").arg(rows);
    for (int i = 0; i < 20; ++i)
        d.areas.push_back(201 + i * 37);
    std::mt19937_64 rng(7);
    std::vector<std::vector<int>> numbers(d.areas.size());
    const bool haveStore = QFile::exists(d.database);
    sqlite3* db = nullptr;
    if (!haveStore) {
        sqlite3_open(d.database.toUtf8().constData(), &db);
        bench::Exec(db, "PRAGMA journal_mode=OFF; BEGIN");
    }
    std::FILE* text = haveStore ? nullptr : std::fopen(d.dncText.toLocal8Bit().constData(), "wb");
    for (std::size_t a = 0; a < d.areas.size(); ++a) {
        if (!haveStore)
            bench::Exec(db, QStringLiteral("CREATE TABLE phone%1 (phone INTEGER NOT NULL PRIMARY KEY)")
                                .arg(d.areas[a])
                                .toUtf8()
                                .constData());
        sqlite3_stmt* ins = nullptr;
        if (!haveStore)
            sqlite3_prepare_v2(
                db, QStringLiteral("INSERT INTO phone%1 VALUES (?)").arg(d.areas[a]).toUtf8().constData(), -1,
                &ins, nullptr);
        for (int i = 0; i < 50000; ++i) {
            const int n = 2000000 + i * 150 + int(rng() % 150);
            numbers[a].push_back(n);
            if (haveStore) continue;
            sqlite3_bind_int(ins, 1, n);
            sqlite3_step(ins);
            sqlite3_reset(ins);
            std::fprintf(text, "%03d,%07d\n", d.areas[a], n);
        }
        if (ins) sqlite3_finalize(ins);
    }
    if (!haveStore) {
        std::fclose(text);
        bench::Exec(db, "COMMIT");
        sqlite3_close(db);
    }
    if (QFile::exists(d.book)) return d;
    std::printf("generating a workbook of %ld rows in %s ...\n", rows, dir.toUtf8().constData());
    files::XlsxWriter w(d.book);
    w.addSheet(QStringLiteral("Calls"));
    w.addRow({vb::Variant("Name"), vb::Variant("Phone"), vb::Variant("Status"), vb::Variant("City")});
    for (long i = 0; i < rows; ++i) {
        const std::size_t a = std::size_t(rng() % d.areas.size());
        const int r = int(rng() % 100);
        long long number = 0;
        if (r < 30)
            number = d.areas[a] * 10000000LL + numbers[a][std::size_t(rng() % numbers[a].size())];
        else
            number = d.areas[a] * 10000000LL + 1000000 + int(rng() % 1000000); // below every DNC number
        vb::Variant phone;
        if (r % 50 == 1)
            phone = vb::Variant(QStringLiteral("555-%1").arg(i % 10000));
        else if (i % 2)
            phone = vb::Variant(double(number));
        else
            phone = vb::Variant(QStringLiteral("(%1) %2-%3")
                                    .arg(number / 10000000)
                                    .arg(number / 10000 % 1000, 3, 10, QLatin1Char('0'))
                                    .arg(number % 10000, 4, 10, QLatin1Char('0')));
        w.addRow({vb::Variant(QStringLiteral("Person %1").arg(i)), phone, vb::Variant("new"),
                  vb::Variant("Springfield")});
    }
    w.finish();
    return d;
}

struct Ours {
    double seconds = 0;
    long peakKiB = 0;
    QString summary;
};

Ours RunOurs(const Data& d, const QString& book, bool deleting, const QString& out)
{
    gPhoneTables = std::make_shared<CDataStrings>();
    for (int a : d.areas)
        gPhoneTables->Add(QStringLiteral("phone%1").arg(a), QStringLiteral("phone%1").arg(a));
    auto dnc = ado::Connection::Create();
    dnc->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + d.database);
    scrub::ExcelScrubJob job;
    job.phoneColumn = 2;
    job.markColumn = 3;
    job.settings.exportOk = job.settings.exportDnc = true;
    job.settings.okFile = out + QStringLiteral("/ours_ok.txt");
    job.settings.dncFile = out + QStringLiteral("/ours_dnc.txt");
    job.settings.deleteFound = deleting;
    job.settings.markText = QStringLiteral("DNC");
    QuietView view;
    OkServices answers;
    ui::setServices(&answers);
    Ours r;
    bench::ResetPeak();
    const double t0 = bench::Now();
    // The workbook is opened as the window opens it, right before the run.
    job.sheet = OpenListSheet(book, QStringLiteral("Calls")).sheet;
    const scrub::ExcelScrubResult result = scrub::ScrubExcelSheet(job, view, dnc);
    r.seconds = bench::Now() - t0;
    r.peakKiB = bench::PeakSinceResetKiB();
    r.summary = result.completed
                    ? result.summary
                    : QStringLiteral("FAILED: ") +
                          (result.failure ? result.failure->description : result.refusal) + answers.last;
    ui::setServices(nullptr);
    dnc->Close();
    gPhoneTables.reset();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    long rows = 100000;
    bool peer = true;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--no-peer")
            peer = false;
        else
            rows = std::atol(argv[i]);
    }
    QTemporaryDir temp;
    const QString dir =
        qEnvironmentVariableIsSet("BENCH_DIR") ? qEnvironmentVariable("BENCH_DIR") : temp.path();
    QDir().mkpath(dir);
    const Data d = Generate(dir, rows);
    const QString out = dir + QStringLiteral("/out");
    QDir().mkpath(out);
    std::printf("workbook scrub: %ld rows against 1,000,000 DNC numbers\n", rows);

    for (const bool deleting : {false, true}) {
        const char* mode = deleting ? "delete" : "mark";
        const QString ourBook = out + QStringLiteral("/ours.xlsx");
        QFile::remove(ourBook);
        QFile::copy(d.book, ourBook);
        const Ours ours = RunOurs(d, ourBook, deleting, out);
        std::printf("  %-6s ours:     %7.2f s  %9.0f rows/s  peak memory %ld MiB\n", mode, ours.seconds,
                    rows / ours.seconds, ours.peakKiB / 1024);
        std::printf("                   %s\n", QString(ours.summary)
                                                   .replace(QStringLiteral("\r\n"), QStringLiteral(" | "))
                                                   .toUtf8()
                                                   .constData());
        if (!peer) continue;
        const QString peerBook = out + QStringLiteral("/peer.xlsx");
        QFile::remove(peerBook);
        QFile::copy(d.book, peerBook);
        double ms = 0;
        long kib = 0;
        const bool ok = bench::Run({"/usr/bin/python3", TERVALA_SOURCE_DIR "/bench/scrub_excel_openpyxl.py",
                                    d.dncText.toStdString(), peerBook.toStdString(), "Calls", mode,
                                    (out + QStringLiteral("/peer_ok.txt")).toStdString(),
                                    (out + QStringLiteral("/peer_dnc.txt")).toStdString()},
                                   ms, kib);
        std::printf("  %-6s openpyxl: %7.2f s  %9.0f rows/s  peak memory %ld MiB%s\n", mode, ms / 1000,
                    rows / (ms / 1000), kib / 1024, ok ? "" : "  (FAILED)");
        std::printf("  %-6s ratio openpyxl / ours: %.1f\n", mode, (ms / 1000) / ours.seconds);
    }
    return 0;
}
