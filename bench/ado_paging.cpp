// Paging a DNC table of one million numbers: page 900 (500 rows a page)
// through a server-side static recordset, against the sqlite3 shell running
// the same LIMIT/OFFSET query. Each side runs in a process of its own so that
// its peak resident memory is its own.
//
//   bench_ado_paging            creates the table in a temporary folder and compares
//   bench_ado_paging page FILE  (internal) reads the page through ado

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"

#include "bench/BenchSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Rows = 1000000;
constexpr int PageSize = 500;
constexpr int Page = 900;

int readPage(const char* file)
{
    const auto t0 = std::chrono::steady_clock::now();
    auto conn = ado::Connection::Create();
    conn->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
               QString::fromLocal8Bit(file));
    auto rs = ado::Recordset::Create();
    rs->SetCursorLocation(ado::adUseServer);
    rs->SetCacheSize(300);
    rs->Open(QStringLiteral("select * from phone201 order by phone"), conn, ado::adOpenStatic,
             ado::adLockReadOnly);
    rs->SetPageSize(PageSize);
    rs->SetAbsolutePage(Page);
    long long sum = 0;
    for (int i = 0; i < PageSize && !rs->Eof(); ++i) {
        sum += rs->Value(0).toLongLong();
        rs->MoveNext();
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("ado: %ld records, %ld pages, page %d sum %lld, %.1f ms\n", rs->RecordCount(),
                rs->PageCount(), Page, sum, ms);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "page") return readPage(argv[2]);

    QTemporaryDir dir;
    const QByteArray file = QDir(dir.path()).filePath(QStringLiteral("dnc.mdb")).toLocal8Bit();
    bench::MakePhoneTable(file, Rows);
    std::printf("table: %d rows in %s\n", Rows, file.constData());
    std::fflush(stdout);

    double adoMs = 0, shellMs = 0;
    long adoKib = 0, shellKib = 0;
    if (!bench::Run({argv[0], "page", file.toStdString()}, adoMs, adoKib)) {
        std::printf("ado run failed\n");
        return 1;
    }
    const std::string query = "select sum(phone) from (select * from phone201 order by phone limit " +
                              std::to_string(PageSize) + " offset " + std::to_string((Page - 1) * PageSize) +
                              ");";
    std::printf("sqlite3 shell: ");
    std::fflush(stdout);
    if (!bench::Run({"sqlite3", file.toStdString(), query}, shellMs, shellKib)) {
        std::printf("sqlite3 shell not available\n");
        return 1;
    }
    std::printf("\n%-16s %10s %14s\n", "", "wall ms", "peak RSS KiB");
    std::printf("%-16s %10.1f %14ld\n", "ado recordset", adoMs, adoKib);
    std::printf("%-16s %10.1f %14ld\n", "sqlite3 shell", shellMs, shellKib);
    std::printf("ratio ado/shell: time %.2f, memory %.2f\n", adoMs / shellMs,
                double(adoKib) / double(shellKib));
    return 0;
}
