// The table scrub against peers doing the same work on the same data.
//
// Embedded table: a list of 1,000,000 records in a database file, scrubbed
// once marking and once deleting, with the OK and DNC files written.
//   ours: the table scrub (the routine Start runs for an "ACCESS" source);
//   peer: the sqlite3 shell running a script that attaches the DNC store,
//         finds the listed rows area code by area code with a join, writes
//         the DNC and OK files and marks (or deletes) the rows found, all in
//         one transaction.
// FoxPro table: a .dbf of 200,000 records, marked and deleted the same way,
// and marked once more beside 1,000 backups of it (ours alone).
//   ours: the table scrub for a "FOXPRO" source;
//   peer: a python3-dbf script (Debian's /usr/bin/python3) that walks the
//         table, looks every ten-digit number up in the store with one count
//         query, writes the result files and marks the record or sets its
//         deleted flag.
// The store has 80 area codes of 100,000 numbers; about one number in ten
// is listed and one in fifty unusable.
//
// Usage: bench_scrub_table [scale]   (records and numbers times scale)
// BENCH_DIR keeps the generated data between runs (default: a temporary folder).

#include "bench/BenchSupport.h"
#include "core/CDataStrings.h"
#include "core/Globals.h"
#include "platform/ado/Connection.h"
#include "platform/files/DbfTable.h"
#include "platform/widgets/ScriptedServices.h"
#include "scrub/ScrubRun.h"
#include "scrub/TableScrub.h"

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

class YesServices : public ui::ScriptedServices {
public:
    int MsgBox(const QString& prompt, int, const QString&) override
    {
        messages << prompt;
        return ui::vbOK;
    }
    QStringList messages;
};

using QuietView = engine::NoProgress;

void Exec(sqlite3* db, const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", err ? err : "?");
        std::exit(1);
    }
}

std::vector<int> AreaCodes()
{
    std::vector<int> codes;
    for (int i = 0; i < 80; ++i)
        codes.push_back(201 + i * 9);
    return codes;
}

struct Data {
    QString store; // phoneAAA tables
    QString list;  // database file with table calls (Name, Phone, Status, City)
    QString dbf;   // calls.dbf (NAME, PHONE, STATUS, CITY)
    long records = 0;
    long dbfRecords = 0;
};

Data Generate(const QString& dir, double scale)
{
    Data d;
    d.store = dir + QStringLiteral("/store.mdb");
    d.list = dir + QStringLiteral("/list.mdb");
    d.dbf = dir + QStringLiteral("/calls.dbf");
    d.records = long(1000000 * scale);
    d.dbfRecords = long(200000 * scale);
    const QString stamp = dir + QStringLiteral("/table-done-%1").arg(scale);
    if (QFile::exists(stamp)) return d;
    const std::vector<int> codes = AreaCodes();
    const long perArea = long(100000 * scale);
    std::printf("generating %ld DNC numbers, a table of %ld records and a .dbf of %ld ...\n",
                perArea * long(codes.size()), d.records, d.dbfRecords);
    std::mt19937_64 rng(20240611);
    std::vector<std::vector<int>> numbers(codes.size());
    for (const QString& f : {d.store, d.list, d.dbf})
        QFile::remove(f);
    sqlite3* db = nullptr;
    sqlite3_open(d.store.toUtf8().constData(), &db);
    Exec(db, QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN"));
    for (size_t a = 0; a < codes.size(); ++a) {
        Exec(db, QStringLiteral("CREATE TABLE phone%1 (phone INTEGER NOT NULL PRIMARY KEY)").arg(codes[a]));
        std::vector<int>& v = numbers[a];
        const long step = 9999999 / perArea;
        for (long i = 0; i < perArea; ++i)
            v.push_back(int(i * step + long(rng() % std::max(1L, step))));
        sqlite3_stmt* ins = nullptr;
        sqlite3_prepare_v2(
            db, QStringLiteral("INSERT INTO phone%1 VALUES (?)").arg(codes[a]).toUtf8().constData(), -1, &ins,
            nullptr);
        for (int n : v) {
            sqlite3_bind_int(ins, 1, n);
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        sqlite3_finalize(ins);
    }
    Exec(db, QStringLiteral("COMMIT"));
    sqlite3_close(db);

    const auto phone = [&]() -> QString {
        const size_t a = size_t(rng() % codes.size());
        const int r = int(rng() % 100);
        if (r < 2) return QStringLiteral("555-%1").arg(int(rng() % 10000), 4, 10, QLatin1Char('0'));
        const int n = r < 12 ? numbers[a][size_t(rng() % numbers[a].size())] : int(rng() % 10000000);
        return QStringLiteral("%1%2").arg(codes[a]).arg(n, 7, 10, QLatin1Char('0'));
    };

    sqlite3_open(d.list.toUtf8().constData(), &db);
    Exec(db, QStringLiteral("CREATE TABLE calls (Name TEXT, Phone TEXT, Status TEXT, City TEXT); BEGIN"));
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO calls VALUES (?, ?, 'new', 'Springfield')", -1, &ins, nullptr);
    for (long i = 0; i < d.records; ++i) {
        const QByteArray name = QStringLiteral("Person %1").arg(i).toUtf8();
        const QByteArray p = phone().toUtf8();
        sqlite3_bind_text(ins, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 2, p.constData(), int(p.size()), SQLITE_TRANSIENT);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    Exec(db, QStringLiteral("COMMIT"));
    sqlite3_close(db);

    files::DbfTable::create(d.dbf,
                            {{QStringLiteral("NAME"), 'C', 24},
                             {QStringLiteral("PHONE"), 'C', 14},
                             {QStringLiteral("STATUS"), 'C', 10},
                             {QStringLiteral("CITY"), 'C', 20}},
                            0x03);
    {
        files::DbfTable t(d.dbf);
        for (long i = 0; i < d.dbfRecords; ++i)
            t.appendRecord({vb::Variant(QStringLiteral("Person %1").arg(i)), vb::Variant(phone()),
                            vb::Variant(QStringLiteral("new")), vb::Variant(QStringLiteral("Springfield"))});
    }
    QFile(stamp).open(QIODevice::WriteOnly);
    return d;
}

struct Timing {
    double seconds = 0;
    long peakKiB = 0;
    QString summary;
};

Timing RunOurs(const Data& d, scrub::TableScrubJob job, bool deleting, const QString& out)
{
    YesServices answers;
    ui::setServices(&answers);
    auto dnc = ado::Connection::Create();
    dnc->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + d.store);
    QuietView view;
    job.settings.deleteFound = deleting;
    job.settings.markText = QStringLiteral("DNC");
    job.settings.phoneField = QStringLiteral("Phone");
    job.settings.markField = QStringLiteral("Status");
    job.settings.exportOk = true;
    job.settings.exportDnc = true;
    job.settings.okFile = out + QStringLiteral("/ours_ok.txt");
    job.settings.dncFile = out + QStringLiteral("/ours_dnc.txt");
    job.settings.markAction = 0;

    Timing t;
    bench::ResetPeak();
    const double t0 = bench::Now();
    const scrub::ScrubResult r = scrub::ScrubTable(job, view, dnc);
    t.seconds = bench::Now() - t0;
    t.peakKiB = bench::PeakSinceResetKiB();
    t.summary = r.completed ? r.summary : (r.failure ? r.failure->description : r.refusal);
    t.summary.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
    dnc->Close();
    ui::setServices(nullptr);
    return t;
}

Timing RunPeer(const std::vector<std::string>& args)
{
    Timing t;
    double ms = 0;
    if (!bench::Run(args, ms, t.peakKiB)) std::printf("  the peer failed: %s\n", args.front().c_str());
    t.seconds = ms / 1000.0;
    return t;
}

QString ShellScript(const Data& d, bool deleting, const QString& out)
{
    QString s = QStringLiteral("ATTACH '%1' AS dnc;\nBEGIN;\n"
                               "CREATE TEMP TABLE found (rid INTEGER PRIMARY KEY);\n")
                    .arg(d.store);
    for (int code : AreaCodes())
        s += QStringLiteral("INSERT INTO found SELECT c.rowid FROM calls c JOIN dnc.phone%1 p "
                            "ON p.phone = CAST(substr(c.Phone, 4) AS INTEGER) "
                            "WHERE length(c.Phone) = 10 AND substr(c.Phone, 1, 3) = '%1';\n")
                 .arg(code);
    s += QStringLiteral(".headers off\n.mode list\n"
                        ".once %1/peer_dnc.txt\n"
                        "SELECT 'Numbers In DNC List, Remove Time' UNION ALL "
                        "SELECT * FROM (SELECT Phone || ',' || datetime('now') FROM calls "
                        "WHERE rowid IN found ORDER BY rowid);\n"
                        ".once %1/peer_ok.txt\n"
                        "SELECT 'Numbers Not In DNC List' UNION ALL "
                        "SELECT * FROM (SELECT Phone FROM calls WHERE length(Phone) = 10 "
                        "AND rowid NOT IN found ORDER BY rowid);\n")
             .arg(out);
    s +=
        deleting
            ? QStringLiteral("DELETE FROM calls WHERE rowid IN found;\n")
            : QStringLiteral("UPDATE calls SET Status = 'DNC' || ifnull(Status, '') WHERE rowid IN found;\n");
    s += QStringLiteral("COMMIT;\n");
    return s;
}

QString PythonScript()
{
    return QStringLiteral(R"(import sqlite3, sys, datetime, dbf
table, store, out, deleting = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] == '1'
db = sqlite3.connect(store)
known = {r[0] for r in db.execute("select name from sqlite_master where name like 'phone%'")}
t = dbf.Table(table)
t.open(mode=dbf.READ_WRITE)
with open(out + '/py_ok.txt', 'w') as ok, open(out + '/py_dnc.txt', 'w') as dnc:
    ok.write('Numbers Not In DNC List\r\n')
    dnc.write('Numbers In DNC List, Remove Time\r\n')
    for rec in t:
        n = rec.phone.strip()
        if not n.isdigit():
            for c in '-() #':
                n = n.replace(c, '')
        if len(n) == 11:
            n = n[1:]
        if len(n) != 10 or not n.isdigit():
            continue
        name = 'phone' + n[:3]
        found = name in known and db.execute('select count(*) from ' + name + ' where phone=?',
                                             (int(n[3:]),)).fetchone()[0] > 0
        if not found:
            ok.write(n + '\r\n')
            continue
        dnc.write(n + ',' + str(datetime.datetime.now()) + '\r\n')
        if deleting:
            dbf.delete(rec)
        else:
            with rec:
                rec.status = 'DNC' + rec.status.strip()
t.close()
)");
}

void Report(const char* what, long records, const Timing& ours, const Timing& peer, const char* peerName)
{
    std::printf("  %s\n", what);
    std::printf("    ours: %7.2f s %10.0f records/s  peak %ld MiB  %s\n", ours.seconds,
                records / ours.seconds, ours.peakKiB / 1024, ours.summary.toUtf8().constData());
    std::printf("    %-5s %7.2f s %10.0f records/s  peak %ld MiB\n", peerName, peer.seconds,
                records / peer.seconds, peer.peakKiB / 1024);
    std::printf("    ratio ours / %s (records per second): %.2f\n", peerName, peer.seconds / ours.seconds);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    QTemporaryDir temp;
    const QString dir =
        qEnvironmentVariableIsSet("BENCH_DIR") ? qEnvironmentVariable("BENCH_DIR") : temp.path();
    QDir().mkpath(dir);
    const Data d = Generate(dir, scale);
    const QString out = dir + QStringLiteral("/table-out");
    QDir().mkpath(out);

    gPhoneTables = std::make_shared<CDataStrings>();
    for (int code : AreaCodes())
        gPhoneTables->Add(QStringLiteral("phone%1").arg(code), QStringLiteral("phone%1").arg(code));

    const QString work = out + QStringLiteral("/work.mdb");
    const auto fresh = [&](const QString& from, const QString& to) {
        QFile::remove(to);
        QFile::copy(from, to);
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    };

    std::printf("embedded table of %ld records:\n", d.records);
    for (const bool deleting : {false, true}) {
        fresh(d.list, work);
        scrub::TableScrubJob job;
        job.kind = scrub::TableScrubJob::Kind::Access;
        job.connectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + work;
        job.tableName = QStringLiteral("calls");
        const Timing ours = RunOurs(d, job, deleting, out);
        fresh(d.list, work);
        const QString script = out + QStringLiteral("/peer.sql");
        QFile f(script);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(ShellScript(d, deleting, out).toUtf8());
        f.close();
        const Timing peer = RunPeer({"sqlite3", work.toStdString(), (".read " + script).toStdString()});
        Report(deleting ? "delete" : "mark", d.records, ours, peer, "shell");
    }

    std::printf(".dbf table of %ld records:\n", d.dbfRecords);
    const QString dbfWork = out + QStringLiteral("/calls.dbf");
    const QString py = out + QStringLiteral("/peer.py");
    {
        QFile f(py);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(PythonScript().toUtf8());
    }
    for (const bool deleting : {false, true}) {
        fresh(d.dbf, dbfWork);
        scrub::TableScrubJob job;
        job.kind = scrub::TableScrubJob::Kind::FoxPro;
        job.connectionString =
            QStringLiteral("Driver={Microsoft Visual FoxPro Driver};SourceType=DBF;SourceDB=") + out;
        job.tableName = QStringLiteral("calls.dbf");
        const Timing ours = RunOurs(d, job, deleting, out);
        fresh(d.dbf, dbfWork);
        const Timing peer = RunPeer({"/usr/bin/python3", py.toStdString(), dbfWork.toStdString(),
                                     d.store.toStdString(), out.toStdString(), deleting ? "1" : "0"});
        Report(deleting ? "delete" : "mark", d.dbfRecords, ours, peer, "dbf.py");
    }

    // The backups a FoxPro run makes lie beside the table: with 1,000 of
    // them the same mark run is to take about as long as alone.
    {
        fresh(d.dbf, dbfWork);
        scrub::TableScrubJob job;
        job.kind = scrub::TableScrubJob::Kind::FoxPro;
        job.connectionString =
            QStringLiteral("Driver={Microsoft Visual FoxPro Driver};SourceType=DBF;SourceDB=") + out;
        job.tableName = QStringLiteral("calls.dbf");
        const Timing alone = RunOurs(d, job, false, out);
        for (int i = 0; i < 1000; ++i)
            files::DbfTable::create(out + QStringLiteral("/B%1calls.dbf").arg(70302140000LL + i),
                                    {{QStringLiteral("PHONE"), 'C', 14}}, 0x03);
        fresh(d.dbf, dbfWork);
        const Timing beside = RunOurs(d, job, false, out);
        std::printf("  mark beside 1,000 backups: %.2f s, alone %.2f s\n", beside.seconds, alone.seconds);
        for (const QString& f : QDir(out).entryList({QStringLiteral("B*calls.dbf")}, QDir::Files))
            QFile::remove(out + u'/' + f);
    }
    gPhoneTables.reset();
    return 0;
}
