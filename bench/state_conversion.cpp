// The conversion of a state DNC file into import text against an awk
// one-liner doing the same conversion.
//
// The file: a title line, then lines of four double-quoted, tab-separated
// values (ten-digit number, state, name, date), CRLF line ends. The layout:
// From Row 2, quotes removed, the first field taken and written as area
// code, comma, local number. Both outputs must be byte-identical.
//
// Usage: bench_state_conversion [lines]   (default 5,000,000)
// BENCH_DIR keeps the generated file between runs (default: a temporary folder).

#include "bench/BenchSupport.h"
#include "dncdb/StateFileConversion.h"
#include "platform/vb/Err.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

namespace {

bool SameBytes(const QString& a, const QString& b)
{
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
    if (fa.size() != fb.size()) return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20)) return false;
    return true;
}

void Generate(const QString& path, long lines)
{
    std::FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    std::mt19937 rng(11);
    const char* states[] = {"NJ", "NY", "CA", "TX", "FL"};
    std::fprintf(out, "\"Phone\"\t\"State\"\t\"Name\"\t\"Added\"\r\n");
    for (long i = 0; i < lines; ++i)
        std::fprintf(out, "\"%03u%07u\"\t\"%s\"\t\"Person %ld\"\t\"2024%02u%02u\"\r\n",
                     unsigned(201 + rng() % 700), unsigned(rng() % 10000000), states[i % 5], i,
                     1 + unsigned(rng() % 12), 1 + unsigned(rng() % 28));
    std::fclose(out);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long lines = argc > 1 ? std::atol(argv[1]) : 5000000;

    QTemporaryDir temp;
    const QString dir =
        qEnvironmentVariableIsSet("BENCH_DIR") ? qEnvironmentVariable("BENCH_DIR") : temp.path();
    QDir().mkpath(dir);
    const QString input = dir + QStringLiteral("/state_%1.txt").arg(lines);
    if (!QFileInfo::exists(input)) {
        std::printf("generating %ld lines in %s ...\n", lines, qPrintable(input));
        Generate(input, lines);
    }
    const QString ours = dir + QStringLiteral("/ours.txt");
    const QString theirs = dir + QStringLiteral("/awk.txt");
    std::printf("state file: %ld lines, %.1f MB\n", lines, QFileInfo(input).size() / 1e6);

    stateformat::StateConversionJob job;
    job.input = input;
    job.output = ours;
    job.delimiterWord = QStringLiteral("Tab");
    job.skipLines = stateformat::SkipCountOf(QStringLiteral("2"));
    job.removeQuotes = true;
    job.checked = {true, false, false, false};

    bench::ResetPeak();
    const long baseKiB = bench::PeakSinceResetKiB();
    const double t0 = bench::Now();
    engine::NoProgress quiet;
    const stateformat::StateConversionResult result = stateformat::ConvertStateFile(job, quiet);
    if (!result.converted()) {
        std::printf("ours failed: %s\n",
                    qPrintable(result.failure ? result.failure->description : result.refusal));
        return 1;
    }
    const std::int64_t written = result.lines;
    const double oursMs = (bench::Now() - t0) * 1000;
    const long oursKiB = bench::PeakSinceResetKiB();

    const std::string script =
        "LC_ALL=C awk 'BEGIN{RS=\"\\r\\n\";FS=\"\\t\";ORS=\"\\r\\n\"} NR>1{gsub(/\"/,\"\");v=$1;"
        "print substr(v,1,3) \",\" substr(v,4)}' '" +
        input.toStdString() + "' > '" + theirs.toStdString() + "'";
    double awkMs = 0;
    long awkKiB = 0;
    if (!bench::Run({"sh", "-c", script}, awkMs, awkKiB)) {
        std::printf("awk failed\n");
        return 1;
    }

    const bool identical = SameBytes(ours, theirs);
    std::printf("ours: %lld lines in %.0f ms, peak %ld KiB (%ld KiB before the run)\n",
                static_cast<long long>(written), oursMs, oursKiB, baseKiB);
    std::printf("awk : %.0f ms, peak %ld KiB\n", awkMs, awkKiB);
    std::printf("ratio ours/awk: %.2f; outputs %s\n", oursMs / awkMs,
                identical ? "byte-identical" : "DIFFER");
    return identical ? 0 : 2;
}
