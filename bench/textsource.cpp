// A text source of one million lines read through the text provider, side
// by side with the shell's own tools on the same file: counting the lines
// (select count(*) against `wc -l`) and scanning a field (the rows of one
// area code against an awk field test). Then the import's per-area-code
// select, first with the index built in the same pass, then from it.
//
//   bench_textsource [lines]

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/TextProvider.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

namespace {

double seconds(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Runs a shell command; returns its seconds and puts its output in out.
double shell(const QString& command, QString& out)
{
    const auto t0 = std::chrono::steady_clock::now();
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    p.waitForFinished(-1);
    const double s = seconds(t0);
    out = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    return s;
}

void row(const char* what, double ours, double peer, const QString& oursOut, const QString& peerOut)
{
    std::printf("%-34s %9.3f s %9.3f s %8.2fx   (%s / %s)\n", what, ours, peer, peer > 0 ? ours / peer : 0.0,
                oursOut.toUtf8().constData(), peerOut.toUtf8().constData());
}

} // namespace

int main(int argc, char** argv)
{
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("national.txt"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        QByteArray buf;
        // a national list: area codes in order, ten digits a line
        const int areas = 100;
        for (int i = 0; i < lines; ++i) {
            const int area = 201 + (i * areas) / lines;
            buf += QByteArray::number(area) + QByteArray::number(1000000 + (i * 7919) % 9000000) + "\r\n";
            if (buf.size() > (1 << 20)) {
                f.write(buf);
                buf.clear();
            }
        }
        f.write(buf);
    }
    const QString cs = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/;Extended "
                                      "Properties=\"text;HDR=No;FMT=Delimited\"")
                           .arg(dir.path());
    std::printf("%d lines, %lld bytes\n", lines, static_cast<long long>(QFile(file).size()));
    std::printf("%-34s %11s %11s %9s\n", "", "ours", "peer", "ratio");

    auto conn = ado::Connection::Create();
    auto t0 = std::chrono::steady_clock::now();
    conn->Open(cs);
    auto rs = conn->Execute(QStringLiteral("select count(*) from [national.txt]"));
    const QString count = rs->Value(0).text();
    const double oursCount = seconds(t0);
    QString wc;
    const double peerCount = shell(QStringLiteral("wc -l < '%1'").arg(file), wc);
    row("count lines (vs wc -l)", oursCount, peerCount, count, wc);

    t0 = std::chrono::steady_clock::now();
    auto scan = ado::Recordset::Create();
    scan->Open(QStringLiteral("select F1 from [national.txt]"), conn, ado::adOpenForwardOnly,
               ado::adLockReadOnly);
    long found = 0;
    for (; !scan->Eof(); scan->MoveNext())
        if (scan->Value(0).text().startsWith(QLatin1String("250"))) ++found;
    scan->Close();
    const double oursScan = seconds(t0);
    QString awk;
    const double peerScan = shell(
        QStringLiteral("awk '{ if (substr($1,1,3)==\"250\") n++ } END { print n }' '%1'").arg(file), awk);
    row("field scan, every row (vs awk)", oursScan, peerScan, QString::number(found), awk);

    const QString select = QStringLiteral("select count(*) from [national.txt] where left([F1],3) =%1");
    t0 = std::chrono::steady_clock::now();
    const QString first = conn->Execute(select.arg(250))->Value(0).text();
    const double oursFirst = seconds(t0);
    row("one area code, index built", oursFirst, peerScan, first, awk);

    t0 = std::chrono::steady_clock::now();
    QString last;
    for (int a = 201; a < 301; ++a)
        last = conn->Execute(select.arg(a))->Value(0).text();
    const double oursAll = seconds(t0);
    QString awkAll;
    const double peerAll = shell(QStringLiteral("for a in $(seq 201 300); do awk -v a=$a '{ if "
                                                "(substr($1,1,3)==a) n++ } END { print n+0 }' '%1'; "
                                                "done | tail -1")
                                     .arg(file),
                                 awkAll);
    row("100 area codes from the index", oursAll, peerAll, last, awkAll);
    std::printf("records read by the provider: %lld\n", static_cast<long long>(ado::TextRecordsRead()));
    return 0;
}
