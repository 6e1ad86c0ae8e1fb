// The pager of the data viewer and the DNC phone list: page 900 (500 rows a
// page) of a one-million-number DNC table read through CNavigate, against
// the sqlite3 shell running the same page as LIMIT/OFFSET on the same file.
// Each side runs in a process of its own, so the peak resident memory printed
// beside it is its own: the pager must not load the table.
//
//   bench_paging_navigate            builds the table in a temporary folder and compares
//   bench_paging_navigate page FILE  (internal) reads the page through CNavigate

#include "core/CNavigate.h"
#include "platform/ado/Recordset.h"

#include "bench/BenchSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <sqlite3.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace {

constexpr int Rows = 1000000;
constexpr int PageSize = 500;
constexpr int Page = 900;

int readPage(const char* file)
{
    const auto t0 = std::chrono::steady_clock::now();
    CNavigate nav;
    nav.SetQueryStr(QStringLiteral("select * from phone201 order by phone"));
    nav.SetPageSize(PageSize);
    std::shared_ptr<ado::Recordset> rs;
    if (!nav.GetRecordset(rs, Page,
                          QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                              QString::fromLocal8Bit(file))) {
        std::printf("CNavigate could not read the page\n");
        return 1;
    }
    long long sum = 0;
    for (int i = 0; i < PageSize && !rs->Eof(); ++i) {
        sum += rs->Value(0).toLongLong();
        rs->MoveNext();
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("CNavigate: %d records, %d pages, page %d sum %lld, %.1f ms\n", nav.TotalCount(),
                nav.TotalPages(), nav.CurrPage(), sum, ms);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "page") return readPage(argv[2]);

    QTemporaryDir dir;
    const QByteArray file = QDir(dir.path()).filePath(QStringLiteral("Tervala.mdb")).toLocal8Bit();
    bench::MakePhoneTable(file, Rows);
    std::printf("table: %d rows in %s\n", Rows, file.constData());
    std::fflush(stdout);

    double navMs = 0, shellMs = 0;
    long navKib = 0, shellKib = 0;
    if (!bench::Run({argv[0], "page", file.toStdString()}, navMs, navKib)) {
        std::printf("CNavigate run failed\n");
        return 1;
    }
    const std::string query =
        "select count(*), sum(phone) from (select * from phone201 order by phone limit " +
        std::to_string(PageSize) + " offset " + std::to_string((Page - 1) * PageSize) + ");";
    std::printf("sqlite3 shell (rows|sum): ");
    std::fflush(stdout);
    if (!bench::Run({"sqlite3", file.toStdString(), query}, shellMs, shellKib)) {
        std::printf("sqlite3 shell not available\n");
        return 1;
    }
    std::printf("\n%-16s %10s %14s\n", "", "wall ms", "peak RSS KiB");
    std::printf("%-16s %10.1f %14ld\n", "CNavigate", navMs, navKib);
    std::printf("%-16s %10.1f %14ld\n", "sqlite3 shell", shellMs, shellKib);
    std::printf("ratio CNavigate/shell: time %.2f, memory %.2f\n", navMs / shellMs,
                double(navKib) / double(shellKib));
    return 0;
}
