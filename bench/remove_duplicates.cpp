// Duplicate removal of a text list against the shell pipeline a user would
// type instead: tac | awk '!seen[key]++' | tac, which keeps the last copy of
// each number as the program does. Both work on the same generated CSV; the
// outputs must be byte for byte the same.
//
// Usage:
//   bench_remove_duplicates [lines]   default 1,000,000 records, one in five
//                                     a copy of an earlier number
// BENCH_DIR keeps the generated data between runs (default: a temporary folder).

#include "bench/BenchSupport.h"
#include "platform/widgets/ScriptedServices.h"
#include "scrub/DuplicateRemoval.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

class YesServices : public ui::ScriptedServices {
public:
    int MsgBox(const QString& prompt, int style, const QString&) override
    {
        last = prompt;
        return (style & 7) == ui::vbYesNo ? ui::vbYes : ui::vbOK;
    }
    QString last;
};

// The removal's closing status line; nothing else is shown.
class QuietView : public engine::NoProgress {
public:
    void Status(const QString& text, std::int32_t panel) override
    {
        if (panel == 1) status = text;
    }
    QString status;
};

QString Generate(const QString& dir, long lines)
{
    const QString path = dir + QStringLiteral("/calls-%1.csv").arg(lines);
    if (QFile::exists(path)) return path;
    std::printf("generating %ld lines in %s ...\n", lines, dir.toUtf8().constData());
    std::mt19937_64 rng(11);
    std::vector<long long> numbers;
    numbers.reserve(std::size_t(lines));
    std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    std::fprintf(f, "Name,Phone,Status,City\r\n");
    for (long i = 0; i < lines; ++i) {
        long long n = 0;
        if (!numbers.empty() && rng() % 5 == 0)
            n = numbers[std::size_t(rng() % numbers.size())];
        else
            n = 2010000000LL + static_cast<long long>(rng() % 7989999999ULL);
        numbers.push_back(n);
        std::fprintf(f, "Person %ld,%010lld,new,Springfield\r\n", i, n);
    }
    std::fclose(f);
    return path;
}

QByteArray Digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    QTemporaryDir temp;
    const QString dir =
        qEnvironmentVariableIsSet("BENCH_DIR") ? qEnvironmentVariable("BENCH_DIR") : temp.path();
    QDir().mkpath(dir);
    const QString list = Generate(dir, lines);
    const QString out = dir + QStringLiteral("/dup-out");
    QDir().mkpath(out);
    const QString ours = out + QStringLiteral("/calls.csv");
    QFile::remove(ours);
    QFile::copy(list, ours);
    std::printf("duplicate removal: %ld records\n", lines);

    YesServices answers;
    ui::setServices(&answers);
    QuietView view;
    scrub::TextDuplicatesJob job;
    job.folder = out;
    job.fileName = QStringLiteral("calls.csv");
    job.phoneField = QStringLiteral("Phone");
    bench::ResetPeak();
    const double t0 = bench::Now();
    const scrub::DuplicatesResult r = scrub::RemoveTextDuplicates(job, view);
    const double seconds = bench::Now() - t0;
    const long peak = bench::PeakSinceResetKiB();
    ui::setServices(nullptr);
    std::printf("  ours:     %6.2f s  %9.0f records/s  peak memory %ld MiB  (%s)\n", seconds, lines / seconds,
                peak / 1024,
                r.completed ? view.status.toUtf8().constData()
                            : (r.failure ? r.failure->description : r.refusal).toUtf8().constData());

    const QString peerOut = out + QStringLiteral("/awk.csv");
    const std::string script =
        QStringLiteral("LC_ALL=C tac '%1' | LC_ALL=C awk -F, '!seen[$2]++' | tac > '%2'")
            .arg(list, peerOut)
            .toStdString();
    double ms = 0;
    long kib = 0;
    const bool ok = bench::Run({"/bin/sh", "-c", script}, ms, kib);
    std::printf("  tac|awk|tac: %6.2f s  %9.0f records/s  peak memory %ld MiB%s\n", ms / 1000,
                lines / (ms / 1000), kib / 1024, ok ? "" : "  (FAILED)");
    std::printf("  outputs byte for byte the same: %s\n", Digest(ours) == Digest(peerOut) ? "yes" : "NO");
    std::printf("  ratio tac|awk|tac / ours: %.2f\n", (ms / 1000) / seconds);
    return 0;
}
