// The text-list scrub against two peers doing the same filtering.
//
// Ours: the real program path. Start-up (Main) in a temporary program
// folder, the "Text, CSV File" source chosen in the main window, its Start
// run (the window's run controller), its questions answered; the list is
// scrubbed in delete mode with the OK and DNC files written. Only the run is
// timed. Then the same on a fresh copy of the list through the work-table
// road (ScrubByWorkTable).
//
// Peers, on the same list and the same DNC numbers (loading the numbers is
// part of their work; the program's store is already built):
// - awk: a hash of the DNC numbers, then one pass over the list writing the
//   kept lines, the OK numbers and the DNC numbers;
// - sort and join: the DNC keys sorted, the list keyed by its number and
//   sorted, "join -v" for the kept lines, "join" for the found ones.
//
// Usage:
//   bench_scrub_text [scale] [--areas N] [--hits P]
//                                              generated: 8,000,000 DNC numbers
//                                              in N area codes (80), a list of
//                                              1,000,000 records (x scale) of
//                                              which P % (10) are on the list
//   bench_scrub_text --registry                the registry's scale: 50,000,000
//                                              numbers in 300 area codes imported
//                                              through ImportDNCTextFile, then a
//                                              list of 10,000,000 records (30 %
//                                              on the list) scrubbed; the peers
//                                              are not run
//   bench_scrub_text --dnc IMPORT --list LIST   any prepared DNC import text
//                                              ("AAA,PPPPPPP" lines, imported
//                                              through ImportDNCTextFile) and
//                                              any comma-separated calling list
//                                              with a title line, the number in
//                                              a second field named "Phone"
// BENCH_DIR keeps the generated data between runs (default: a temporary folder).
// BENCH_OURS_ONLY skips the peers; BENCH_START_ONLY also the work-table road.

#include "bench/BenchSupport.h"
#include "core/CDataAccess.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/Globals.h"
#include "mainwindow/ModuleMain.h"
#include "mainwindow/frmMain.h"
#include "platform/vb/App.h"
#include "platform/vb/Clock.h"
#include "platform/widgets/ScriptedServices.h"
#include "platform/widgets/StatusBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

// Answers every question with Yes / OK and lists what it was asked.
class YesServices : public ui::ScriptedServices {
public:
    int MsgBox(const QString& prompt, int style, const QString&) override
    {
        messages << prompt;
        return (style & 7) == ui::vbYesNo || (style & 7) == ui::vbYesNoCancel ? ui::vbYes : ui::vbOK;
    }
    QStringList messages;
};

// The generated data: the DNC numbers as an import text and as a built
// store, and the calling list. About one number in ten of the list is on
// the DNC list; one in fifty is unusable.
struct Data {
    QString dncText;  // "AAA,PPPPPPP" lines
    QString database; // program database with the phoneAAA tables
    QString list;     // Name,Phone,Status,City
    long dncCount = 0;
    long records = 0;
};

// What to generate: the DNC numbers spread over the area codes, the list's
// size and the share of its records that are on the DNC list.
struct Shape {
    int areas = 80;
    long dncCount = 8000000;
    long records = 1000000;
    int hitPercent = 10;
    bool buildStore = true; // false: the program imports the numbers itself
};

std::vector<int> AreaCodes(int count)
{
    // Spread over 200..999 the way real area codes are; at most 800.
    std::vector<int> codes;
    const int stride = std::max(1, 799 / std::max(1, count));
    for (int i = 0; i < count; ++i)
        codes.push_back(200 + (i * stride) % 800);
    return codes;
}

Data Generate(const QString& dir, const Shape& shape)
{
    Data d;
    d.dncText = dir + QStringLiteral("/dnc_import-%1-%2.txt").arg(shape.areas).arg(shape.dncCount);
    if (shape.buildStore)
        d.database = dir + QStringLiteral("/Tervala-%1-%2.mdb").arg(shape.areas).arg(shape.dncCount);
    d.list = dir + QStringLiteral("/calls-%1-%2.csv").arg(shape.records).arg(shape.hitPercent);
    const std::vector<int> codes = AreaCodes(shape.areas);
    const long perArea = shape.dncCount / long(codes.size());
    d.dncCount = perArea * long(codes.size());
    d.records = shape.records;
    const QString stamp = dir + QStringLiteral("/done-%1-%2-%3-%4-%5")
                                    .arg(shape.areas)
                                    .arg(shape.dncCount)
                                    .arg(shape.records)
                                    .arg(shape.hitPercent)
                                    .arg(shape.buildStore);
    if (QFile::exists(stamp)) return d;

    std::printf("generating %ld DNC numbers and a list of %ld records in %s ...\n", d.dncCount, d.records,
                dir.toUtf8().constData());
    std::mt19937_64 rng(20240611);
    // Every area code's numbers: a random stride walk over 0..9999999, so
    // they are distinct and spread; written in random area order.
    sqlite3* db = nullptr;
    if (shape.buildStore) {
        QFile::remove(d.database);
        sqlite3_open(d.database.toUtf8().constData(), &db);
        QFile schema(QStringLiteral(TERVALA_SOURCE_DIR "/resources/schema.sql"));
        schema.open(QIODevice::ReadOnly);
        bench::Exec(db, schema.readAll().constData());
        bench::Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
    }
    std::FILE* text = std::fopen(d.dncText.toLocal8Bit().constData(), "wb");
    std::vector<std::vector<int>> numbers(codes.size());
    for (size_t a = 0; a < codes.size(); ++a) {
        std::vector<int>& v = numbers[a];
        v.reserve(size_t(perArea));
        const long step = 9999999 / perArea;
        for (long i = 0; i < perArea; ++i)
            v.push_back(int(i * step + long(rng() % std::max(1L, step))));
        sqlite3_stmt* ins = nullptr;
        if (db) {
            const QByteArray create =
                QStringLiteral("CREATE TABLE phone%1 (phone INTEGER NOT NULL PRIMARY KEY)")
                    .arg(codes[a])
                    .toUtf8();
            bench::Exec(db, create.constData());
            const QByteArray sql = QStringLiteral("INSERT INTO phone%1 VALUES (?)").arg(codes[a]).toUtf8();
            sqlite3_prepare_v2(db, sql.constData(), -1, &ins, nullptr);
        }
        for (int n : v) {
            if (ins) {
                sqlite3_bind_int(ins, 1, n);
                sqlite3_step(ins);
                sqlite3_reset(ins);
            }
            std::fprintf(text, "%03d,%07d\r\n", codes[a], n);
        }
        if (ins) sqlite3_finalize(ins);
    }
    std::fclose(text);
    if (db) {
        bench::Exec(db, "COMMIT");
        sqlite3_close(db);
    }

    std::FILE* list = std::fopen(d.list.toLocal8Bit().constData(), "wb");
    std::fprintf(list, "Name,Phone,Status,City\r\n");
    for (long i = 0; i < d.records; ++i) {
        const size_t a = size_t(rng() % codes.size());
        const int r = int(rng() % 100);
        if (r < 2) {
            std::fprintf(list, "\"Person %ld, Jr\",555-%04d,new,Springfield\r\n", i, int(rng() % 10000));
        } else if (r < 2 + shape.hitPercent) {
            const std::vector<int>& v = numbers[a];
            const int n = v[size_t(rng() % v.size())];
            std::fprintf(list, "\"Person %ld, Jr\",%03d%07d,new,Springfield\r\n", i, codes[a], n);
        } else {
            std::fprintf(list, "\"Person %ld, Jr\",%03d%07d,new,Springfield\r\n", i, codes[a],
                         int(rng() % 10000000));
        }
    }
    std::fclose(list);
    QFile(stamp).open(QIODevice::WriteOnly);
    return d;
}

void SetSetting(const QString& key, const QString& value)
{
    if (auto row = gDefPropertys->Item(key)) row->SetPropertyValue(value);
}

long Lines(const QString& path);

struct OursResult {
    double seconds = 0;
    QString summary;
    long peakKiB = 0;
};

// The program itself: a program folder with the store, Main, the panel, Start.
// workTable: the work-table road (ScrubByWorkTable) in place of Start.
OursResult RunOurs(const QString& database, const QString& dncImport, const QString& listPath,
                   const QString& out, bool workTable = false)
{
    QTemporaryDir home;
    qputenv("TERVALA_HOME", home.path().toLocal8Bit());
    QDir().mkpath(home.filePath(QStringLiteral("Database")));
    const QString db = home.filePath(QStringLiteral("Database/Tervala.mdb"));
    if (!database.isEmpty()) {
        QFile::copy(database, db);
    } else {
        QFile::copy(QStringLiteral(TERVALA_BINARY_DIR "/bin/Database/Tervala.mdb"), db);
    }
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    QFile::copy(QStringLiteral(TERVALA_SOURCE_DIR "/resources/pages/rodadureriv.html"),
                home.filePath(QStringLiteral("rodadureriv.html")));
    frmMain::SetMakerPageAddress(home.filePath(QStringLiteral("missing/rodadureriv.html")));

    const QFileInfo listInfo(listPath);
    const QString folder = out + QLatin1Char('/');
    QFile::remove(folder + listInfo.fileName());
    QFile::copy(listPath, folder + listInfo.fileName());
    {
        sqlite3* h = nullptr;
        sqlite3_open(db.toUtf8().constData(), &h);
        const QByteArray sql =
            QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, "
                           "DataTableName, DataFieldName, DataMarkName, IsTitleFirstLine, "
                           "Delimited) values ('TEXT FILE', '(None)', '%1', '%2', 'Phone', "
                           "'Status', 1, 1)")
                .arg(folder, listInfo.fileName())
                .toUtf8();
        bench::Exec(h, sql.constData());
        sqlite3_close(h);
    }

    YesServices answers;
    ui::setServices(&answers);
    OursResult r;
    Main();
    frmMain* form = gMainForm;
    if (!form) {
        std::printf("  ours: the program did not start\n");
        return r;
    }
    if (!dncImport.isEmpty()) {
        SetSetting(QStringLiteral("dnctextfilename"), dncImport);
        SetSetting(QStringLiteral("dnctextfilehearder"), QStringLiteral("0"));
        SetSetting(QStringLiteral("dnctextfiledelimited"), QStringLiteral("1"));
        vb::FakeClock clock; // the import's fixed waits cost nothing; they are reported apart
        vb::SetClock(&clock);
        bench::ResetPeak();
        const double t0 = bench::Now();
        const double waited0 = clock.slept();
        const bool ok = form->Runs().ImportDNCTextFile();
        const double seconds = bench::Now() - t0;
        const double waited = clock.slept() - waited0;
        vb::SetClock(nullptr);
        const long lines = Lines(dncImport);
        std::printf("  ours: DNC import %s in %.2f s, %.0f numbers/s, peak memory %ld MiB (not part of the "
                    "scrub's time)\n",
                    ok ? "done" : "FAILED", seconds, lines / seconds, bench::PeakSinceResetKiB() / 1024);
        std::printf("        fixed waits of the import, on the fake clock, not counted above: %.0f s\n",
                    waited);
    }
    ScrubOptions& options = form->Runs().Options();
    options.exportOK = 1;
    options.exportDNC = 1;
    options.okFile = folder + QStringLiteral("ok.txt");
    options.dncFile = folder + QStringLiteral("dnc.txt");
    options.backupOriginal = 0;
    options.addAreaCode = 0;
    // The text source and the delete mode, chosen as a user chooses them.
    form->findChild<QRadioButton*>(QStringLiteral("OptPhoneType_1"))->click();
    form->findChild<QCheckBox*>(QStringLiteral("chkOptions"))->setChecked(true);

    bench::ResetPeak();
    const double t0 = bench::Now();
    if (workTable)
        form->Runs().ScrubByWorkTable();
    else
        form->Runs().Start();
    r.seconds = bench::Now() - t0;
    r.peakKiB = bench::PeakSinceResetKiB();
    r.summary = workTable ? form->findChild<ui::StatusBar*>(QStringLiteral("sbStatusBar"))->PanelText(1)
                : answers.messages.isEmpty() ? QString()
                                             : answers.messages.last();
    form->close();
    QCoreApplication::processEvents();
    vb::App::ReleaseInstanceLock(); // the next run starts the program again
    ui::setServices(nullptr);
    return r;
}

double RunShell(const QString& script)
{
    QProcess p;
    const double t0 = bench::Now();
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    p.waitForFinished(-1);
    const double elapsed = bench::Now() - t0;
    const QByteArray err = p.readAllStandardError();
    if (!err.isEmpty()) std::printf("  peer said: %s\n", err.constData());
    return elapsed;
}

long Lines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    long n = 0;
    while (!f.atEnd()) {
        const QByteArray chunk = f.read(1 << 20);
        n += chunk.count('\n');
    }
    return n;
}

// The two peers on the same list and DNC numbers, and their ratios to ours.
void RunPeers(const QString& dncText, const QString& listPath, const QString& out, long records,
              double oursSeconds)
{
    const QString awkScript =
        QStringLiteral(
            "LC_ALL=C awk -F, -v ok='%3/awk_ok.txt' -v dnc='%3/awk_dnc.txt' -v kept='%3/awk_kept.txt' '"
            "NR==FNR { sub(/\\r$/, \"\", $2); d[$1 $2]; next } "
            "FNR==1 { print > kept; next } "
            "{ p = $0; sub(/^(\"[^\"]*\"|[^,]*),/, \"\", p); sub(/,.*/, \"\", p); gsub(/[-() #\\r]/, \"\", "
            "p); "
            "  if (length(p) != 10) { print > kept; next } "
            "  if (p in d) print p > dnc; else { print > kept; print p > ok } }' "
            "'%1' '%2'")
            .arg(dncText, listPath, out);
    const double awk = RunShell(awkScript);
    std::printf("  awk:   %7.2f s  %10.0f records/s  (%ld found; ours %ld)\n", awk, records / awk,
                Lines(out + QStringLiteral("/awk_dnc.txt")), Lines(out + QStringLiteral("/dnc.txt")) - 1);

    const QString joinScript =
        QStringLiteral(
            "export LC_ALL=C; cd '%3' && "
            "tr -d '\\r' < '%1' | tr -d , | sort -u > j_dnc.sorted && "
            "tail -n +2 '%2' | awk -F, '{ p = $0; sub(/^(\"[^\"]*\"|[^,]*),/, \"\", p); sub(/,.*/, \"\", p); "
            "gsub(/[-() #\\r]/, \"\", p); print p \"|\" $0 }' | sort -t'|' -k1,1 > j_list.sorted && "
            "join -t'|' -v1 j_list.sorted j_dnc.sorted | cut -d'|' -f2- > j_kept.txt && "
            "join -t'|' -o 1.1 j_list.sorted j_dnc.sorted > j_dnc.txt")
            .arg(dncText, listPath, out);
    const double join = RunShell(joinScript);
    std::printf("  join:  %7.2f s  %10.0f records/s  (%ld found)\n", join, records / join,
                Lines(out + QStringLiteral("/j_dnc.txt")));

    std::printf("  ratio ours / awk (records per second):  %.2f\n", awk / oursSeconds);
    std::printf("  ratio ours / sort+join:                 %.2f\n", join / oursSeconds);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QString dncImport;
    QString listPath;
    double scale = 1.0;
    Shape shape;
    bool registry = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--dnc") && i + 1 < argc)
            dncImport = QString::fromLocal8Bit(argv[++i]);
        else if (a == QLatin1String("--list") && i + 1 < argc)
            listPath = QString::fromLocal8Bit(argv[++i]);
        else if (a == QLatin1String("--areas") && i + 1 < argc)
            shape.areas = std::atoi(argv[++i]);
        else if (a == QLatin1String("--hits") && i + 1 < argc)
            shape.hitPercent = std::atoi(argv[++i]);
        else if (a == QLatin1String("--registry"))
            registry = true;
        else
            scale = std::atof(argv[i]);
    }
    shape.dncCount = long(shape.dncCount * scale);
    shape.records = long(shape.records * scale);
    if (registry) {
        shape = Shape{300, 50000000, 10000000, 30, false};
        std::printf("registry scale: the import of the whole store, then the scrub (no peers)\n");
    }

    QTemporaryDir temp;
    const QString dataDir =
        qEnvironmentVariableIsSet("BENCH_DIR") ? qEnvironmentVariable("BENCH_DIR") : temp.path();
    QDir().mkpath(dataDir);
    QString database;
    QString dncText = dncImport;
    long records = 0;
    if (listPath.isEmpty()) {
        const Data d = Generate(dataDir, shape);
        database = d.database;
        dncText = d.dncText;
        listPath = d.list;
        records = d.records;
        std::printf("text-list scrub: %ld records against %ld DNC numbers\n", d.records, d.dncCount);
    } else {
        records = Lines(listPath) - 1;
        std::printf("text-list scrub: %s (%ld records) against %s\n", listPath.toUtf8().constData(), records,
                    dncImport.toUtf8().constData());
    }
    const QString out = dataDir + QStringLiteral("/out");
    QDir().mkpath(out);

    const OursResult ours = RunOurs(database, database.isEmpty() ? dncText : QString(), listPath, out);
    std::printf("  ours:  %7.2f s  %10.0f records/s  peak memory during the scrub %ld MiB\n", ours.seconds,
                records / ours.seconds, ours.peakKiB / 1024);
    std::printf(
        "         %s\n",
        QString(ours.summary).replace(QStringLiteral("\r\n"), QStringLiteral(" | ")).toUtf8().constData());

    if (qEnvironmentVariableIsSet("BENCH_START_ONLY")) return 0; // for profiling Start's scrub alone

    // The work-table road on the same list: the numbers copied into a work
    // database, looked up there, and the flags carried back into the list.
    const OursResult work = RunOurs(database, database.isEmpty() ? dncText : QString(), listPath, out, true);
    std::printf("  work table: %7.2f s  %10.0f records/s  peak memory %ld MiB  (%s)\n", work.seconds,
                records / work.seconds, work.peakKiB / 1024, work.summary.toUtf8().constData());
    std::printf("  ratio work table / Start's text scrub (records per second): %.2f\n",
                ours.seconds / work.seconds);

    if (registry || qEnvironmentVariableIsSet("BENCH_OURS_ONLY")) return 0; // for profiling

    RunPeers(dncText, listPath, out, records, ours.seconds);
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    std::printf("  peak memory of the peers: %ld MiB\n", u.ru_maxrss / 1024);
    return 0;
}
