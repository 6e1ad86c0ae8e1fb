// The paged data viewer opening page 900 (1,000 rows a page) of a
// one-million-number DNC table, the grid filled, against the sqlite3 shell
// printing the same rows with LIMIT/OFFSET on the same file. Each side runs
// in a process of its own, so the peak resident memory printed beside it is
// its own: the viewer must not load the table.
//
//   bench_viewer_page [ROWS]     builds the table (a million rows unless given) in a
//                                temporary folder and compares
//   bench_viewer_page page FILE MSFILE  (internal) opens the viewer and goes to the page

#include "screens/frmViewData.h"

#include "bench/BenchSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <string>

namespace {

constexpr int DefaultRows = 1000000;
constexpr int PageSize = 1000; // the viewer's page size when the setting is not there
constexpr int Page = 900;

int openPage(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto t0 = std::chrono::steady_clock::now();
    frmViewData viewer;
    viewer.Component(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                         QString::fromLocal8Bit(argv[2]),
                     QStringLiteral("select * from phone201"), false, QStringLiteral("View"));
    viewer.show();
    const auto t1 = std::chrono::steady_clock::now();
    viewer.PageCaption->setText(QString::number(Page));
    viewer.Navigate(QStringLiteral("Go"));
    QCoreApplication::processEvents();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const int shown = viewer.GridModel()->rowCount();
    std::printf("viewer: opening (window, count, page 1) %.1f ms, going to page %d %.1f ms\n",
                std::chrono::duration<double, std::milli>(t1 - t0).count(), Page,
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t1).count());
    std::printf("viewer: page %s, %d rows shown, first %s, last %s, %.1f ms\n",
                viewer.PageCaption->text().toUtf8().constData(), shown,
                viewer.GridModel()->index(0, 1).data().toString().toUtf8().constData(),
                viewer.GridModel()->index(shown - 1, 1).data().toString().toUtf8().constData(), ms);
    QFile out(QString::fromLocal8Bit(argv[3]));
    if (out.open(QIODevice::WriteOnly)) out.write(QByteArray::number(ms));
    return shown == PageSize ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "page") return openPage(argc, argv);

    const int Rows = argc == 2 ? std::max(std::atoi(argv[1]), Page * PageSize) : DefaultRows;
    QTemporaryDir dir;
    const QByteArray file = QDir(dir.path()).filePath(QStringLiteral("Tervala.mdb")).toLocal8Bit();
    bench::MakePhoneTable(file, Rows);
    std::printf("table: %d rows in %s\n", Rows, file.constData());
    std::fflush(stdout);

    double viewMs = 0, shellMs = 0;
    long viewKib = 0, shellKib = 0;
    const std::string msFile = QDir(dir.path()).filePath(QStringLiteral("viewer.ms")).toStdString();
    if (!bench::Run({argv[0], "page", file.toStdString(), msFile}, viewMs, viewKib)) {
        std::printf("viewer run failed\n");
        return 1;
    }
    const std::string query = "select * from phone201 limit " + std::to_string(PageSize) + " offset " +
                              std::to_string((Page - 1) * PageSize) + ";";
    if (!bench::Run({"sqlite3", file.toStdString(), ".output /dev/null", query}, shellMs, shellKib)) {
        std::printf("sqlite3 shell not available\n");
        return 1;
    }
    std::printf("\n%-16s %10s %14s\n", "", "wall ms", "peak RSS KiB");
    std::printf("%-16s %10.1f %14ld\n", "viewer", viewMs, viewKib);
    std::printf("%-16s %10.1f %14ld\n", "sqlite3 shell", shellMs, shellKib);
    const double ownMs = [&] {
        QFile in(QString::fromStdString(msFile));
        return in.open(QIODevice::ReadOnly) ? in.readAll().toDouble() : 0.0;
    }();
    std::printf("viewer's own work (window, count, page 1, page %d): %.1f ms\n", Page, ownMs);
    std::printf("ratio viewer/shell: process time %.2f, own work %.2f, memory %.2f\n", viewMs / shellMs,
                ownMs / shellMs, double(viewKib) / double(shellKib));
    return 0;
}
