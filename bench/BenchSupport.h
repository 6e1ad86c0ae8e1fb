#pragma once
// What the side-by-side benchmarks share: a steady clock in seconds, running a
// peer program with its wall time and peak memory, and this process's own
// peak memory over a stretch of work (Linux).

#include <QByteArray>
#include <QFile>
#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sqlite3.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench {

inline double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs a program; its wall time (ms) and peak resident set (KiB). False when
// it could not start or did not end with status 0.
//
// A spawned child starts with this process's peak as its own (the kernel
// carries the parent's high-water mark over the exec), so wait4 alone would
// report this benchmark's size for a small peer. When GNU time is there, it
// sits in between and reports the peer's own peak.
inline bool Run(const std::vector<std::string>& args, double& ms, long& kib)
{
    const std::string timeTool = "/usr/bin/time";
    const std::string peakFile = "/tmp/bench_peak_" + std::to_string(getpid()) + ".txt";
    const bool viaTime = QFile::exists(QString::fromStdString(timeTool));
    std::vector<std::string> full;
    if (viaTime) full = {timeTool, "-f", "%M", "-o", peakFile};
    full.insert(full.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (const auto& a : full)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    struct rusage ru {};
    if (wait4(pid, &status, 0, &ru) < 0) return false;
    ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    kib = ru.ru_maxrss;
    if (viaTime) {
        QFile peak(QString::fromStdString(peakFile));
        if (peak.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> lines = peak.readAll().trimmed().split('\n');
            kib = lines.isEmpty() ? -1 : lines.last().trimmed().toLong();
        }
        peak.remove();
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Starts a new peak-memory window for this process.
inline void ResetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

// This process's peak resident size (KiB) since the last ResetPeak; -1 when unknown.
inline long PeakSinceResetKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Runs SQL on a database the benchmark builds; any failure ends the run.
inline void Exec(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", err ? err : "?");
        std::exit(1);
    }
}

// A database file holding table phone201 with `rows` seven-digit numbers
// (2000000 + 7i), written in one transaction.
inline void MakePhoneTable(const QByteArray& file, int rows)
{
    sqlite3* db = nullptr;
    sqlite3_open(file.constData(), &db);
    sqlite3_exec(db, "CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY); BEGIN", nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO phone201 (phone) VALUES (?)", -1, &ins, nullptr);
    for (int i = 0; i < rows; ++i) {
        sqlite3_bind_int(ins, 1, 2000000 + i * 7);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace bench
