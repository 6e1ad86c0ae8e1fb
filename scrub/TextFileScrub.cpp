#include "scrub/TextFileScrub.h"

#include "core/ErrorReport.h"
#include "platform/files/TextFormat.h"
#include "platform/files/TextTable.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/vb/Err.h"
#include "scrub/ListBackup.h"
#include "scrub/ListCopy.h"
#include "scrub/TextLayout.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace scrub {

namespace {

constexpr std::size_t kBatch = kTextScrubRun;

// Where a record lies in the list.
struct Span {
    qint64 offset = 0;
    qint64 end = 0; // its line end included
};

// One run of records: where they lie, and what became of their numbers.
struct Run {
    std::vector<Span> spans;
    std::vector<RecordWalker::Judgement> judgements;
    std::vector<std::uint64_t> keys; // the usable numbers, for the look-ups
};

// Reads the list's runs on a thread of its own, ahead of the engine: while
// the engine writes one run and the look-ups of the next go on, the run
// after is read and its numbers completed. Runs come in the list's order.
class RunReader {
public:
    using Fill = std::function<std::size_t(Run&)>; // records read into the run

    explicit RunReader(Fill fill) : m_fill(std::move(fill))
    {
        m_thread = std::thread([this] { read(); });
    }
    ~RunReader()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    RunReader(const RunReader&) = delete;
    RunReader& operator=(const RunReader&) = delete;

    // The next run; null after the last. What the reading raised is raised
    // here, on the engine's thread.
    Run* Next()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_filled > m_taken || m_end || m_error; });
        if (m_filled > m_taken) return &m_runs[m_taken++ % kRuns];
        if (m_error) std::rethrow_exception(m_error);
        return nullptr;
    }
    // The oldest run taken was written: its place may be read into again.
    void Release()
    {
        {
            const std::lock_guard lock(m_mutex);
            ++m_released;
        }
        m_changed.notify_all();
    }

private:
    // One run written, one looked up, one read.
    static constexpr std::size_t kRuns = 3;

    void read()
    {
        try {
            for (std::size_t at = 0;; ++at) {
                {
                    std::unique_lock lock(m_mutex);
                    m_changed.wait(lock, [&] { return m_stop || at - m_released < kRuns; });
                    if (m_stop) return;
                }
                const std::size_t n = m_fill(m_runs[at % kRuns]);
                const std::lock_guard lock(m_mutex);
                if (n > 0) ++m_filled;
                if (n < kBatch) m_end = true;
                m_changed.notify_all();
                if (m_end) return;
            }
        } catch (...) {
            const std::lock_guard lock(m_mutex);
            m_error = std::current_exception();
            m_changed.notify_all();
        }
    }

    Fill m_fill;
    Run m_runs[kRuns];
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_filled = 0;   // runs read
    std::size_t m_taken = 0;    // runs handed to the engine
    std::size_t m_released = 0; // runs the engine is done with
    bool m_end = false;
    bool m_stop = false;
    std::exception_ptr m_error;
    std::thread m_thread; // last: started once everything above is ready
};

// The column named exactly so (upper and lower case told apart); -1 when none.
int ExactColumn(const files::TextTable& table, const QString& name)
{
    for (int i = 0; i < table.columnCount(); ++i)
        if (table.columns()[i].name == name) return i;
    return -1;
}

// The first data line sets the layout of every line, so the list's fields
// must hold it; a line that does not fit is named with its file, its number
// and the count expected, rather than as a bare subscript.
void CheckFirstDataLine(QFile& file, files::TextTable& table, const TextScrubJob& job, const QString& source,
                        int fieldCount)
{
    files::TextRecord first;
    table.rewind();
    if (!table.next(first)) return;
    bool fits = first.fieldCount() <= fieldCount;
    if (fits) {
        try {
            QString titleLine;
            GetDelimted(getFirstLine(source, job.titleFirstLine, &titleLine), fieldCount);
        } catch (...) {
            if (vb::CatchError().Number != vb::errnum::SubscriptOutOfRange) throw;
            fits = false;
        }
    }
    if (fits) return;
    qint64 line = 1;
    const QByteArray before = FileBytes(file, 0, first.offset);
    for (qsizetype i = 0; i < before.size(); ++i)
        if (before[i] == '\n' || (before[i] == '\r' && (i + 1 == before.size() || before[i + 1] != '\n')))
            ++line;
    vb::Raise(vb::errnum::SubscriptOutOfRange, QStringLiteral("ScrubTextFile"),
              QStringLiteral("Line %1 of '%2' has more than the %3 fields of the list. Its first data line "
                             "sets the layout of every line.")
                  .arg(line)
                  .arg(source)
                  .arg(fieldCount));
}

// The columns the record rule reads and the mark goes into.
struct ListColumns {
    int phone = -1;
    int area = -1; // -1: no area field
    int mark = -1; // -1: no field has the mark field's name
};

// The layout of the first data line: the list's field count must hold it.
// Later lines may hold more fields; they are copied as they stand.
ListColumns ColumnsOfList(files::TextTable& table, QFile& gaps, const TextScrubJob& job,
                          const QString& source)
{
    const int fieldCount = job.fieldCount > 0 ? job.fieldCount : table.columnCount();
    CheckFirstDataLine(gaps, table, job, source, fieldCount);
    const ScrubSettings& settings = job.settings;
    ListColumns c;
    c.phone = RequiredColumn(table, settings.phoneField);
    c.area = settings.areaField.isEmpty() ? -1 : RequiredColumn(table, settings.areaField);
    c.mark = ExactColumn(table, settings.markField);
    return c;
}

// Records are taken in runs: their numbers are looked up together (in the
// order of the numbers), then each record is written in the list's order.
// While one run's numbers are looked up, the run before is written and the
// next is read.
void WalkRecords(files::TextTable& table, const ListColumns& columns, const ScrubSettings& settings,
                 const QString& source, RecordWalker& walker, ResultFiles& results, RecordCopy& records)
{
    files::TextReader listReader = table.reader();
    const auto fill = [&, record = files::TextRecord(), number = QString()](Run& run) mutable {
        run.spans.clear();
        run.judgements.clear();
        run.keys.clear();
        while (run.spans.size() < kBatch && listReader.next(record)) {
            number.resize(0); // keeps the text's room
            if (columns.area >= 0) AppendFieldText(table, record, columns.area, number);
            AppendFieldText(table, record, columns.phone, number);
            run.spans.push_back({record.offset, record.nextOffset()});
            run.judgements.push_back(walker.Complete(number));
            if (run.judgements.back().number != RecordWalker::Judgement::kNone)
                run.keys.push_back(walker.Key(run.judgements.back().number, run.spans.size() - 1));
        }
        return run.spans.size();
    };
    // A found record is marked in its own bytes, read again where it lies.
    files::TextReader markReader = table.reader();
    files::TextRecord marking;
    const auto write = [&](const Run& run) {
        for (std::size_t i = 0; i < run.spans.size(); ++i) {
            const Span& span = run.spans[i];
            if (walker.Record(run.judgements[i], results) != Outcome::Found) continue;
            if (settings.deleteFound) {
                records.Drop(span.offset, span.end);
                continue;
            }
            if (columns.mark < 0) continue;
            markReader.seek(span.offset);
            if (!markReader.next(marking) || marking.offset != span.offset ||
                marking.nextOffset() != span.end)
                RaiseListChanged(source);
            const std::optional<QString> marked = MarkedValue(vb::Variant(table.text(marking, columns.mark)),
                                                              settings.markText, settings.markAction);
            if (marked)
                records.Write(
                    span.offset, span.end,
                    files::replaceFields(marking, {{columns.mark, *marked}}, table.layoutOf(marking)));
        }
    };
    RunReader reader(fill);
    Run* run = reader.Next();
    if (run) walker.JudgeKeys(run->keys, run->judgements);
    while (run) {
        Run* next = reader.Next();
        walker.JudgeFinish(run->judgements);
        if (next) walker.JudgeKeys(next->keys, next->judgements);
        write(*run);
        reader.Release();
        run = next;
    }
}

} // namespace

void RaiseListChanged(const QString& list)
{
    vb::Raise(
        vb::errnum::PathFileAccessError, QStringLiteral("ScrubTextFile"),
        QStringLiteral("The calling list '%1' changed while it was scrubbed (another program wrote it): "
                       "it was left as it was, and so were the result files.")
            .arg(list));
}

QString FolderWithSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/') || folder.endsWith(u'\\')) return folder;
    return folder + u'/';
}

ScrubResult ScrubTextFile(const TextScrubJob& job, engine::EngineProgress& progress,
                          const std::shared_ptr<ado::Connection>& dncConn)
{
    ScrubResult result;
    const ScrubSettings& settings = job.settings;
    const QString folder = FolderWithSeparator(job.folder);
    const QString source = folder + job.fileName;
    ResultFiles results;
    LineFile copy;
    try {
        SettleInterruptedCommits(source, &settings);
        // The file that is really rewritten: a list that is a symbolic link
        // is replaced where it lies, and the link stays.
        const QString target = fso::ResolvedFilePath(source);
        RequireWritableList(target, source, QStringLiteral("scrubbed"));
        const QString clash = ResultFileClash(settings, {source});
        if (!clash.isEmpty())
            vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("ScrubTextFile"), clash);

        // The list as it is read, stamped before anything reads it (the
        // backup included): a list another program changes meanwhile (a line
        // added) is left as it was, with the earlier result files.
        const fso::FileStamp asRead = fso::StampOf(target);
        if (settings.backupOriginal) {
            result.backupName = BackUpList(folder, job.fileName, BackupKind::File);
        }

        files::TextTable table(source, ReaderOptions(job.connectionString, job.titleFirstLine));

        table.RefuseOpenQuote();
        QFile gaps(source);
        const ListColumns columns = ColumnsOfList(table, gaps, job, source);

        results.Open(settings, kTextDncFileHeader);
        // The rewritten list is the list's own replacement: unnamed (or a
        // hidden temporary the next run sweeps) until it takes the list's
        // place, so a kill leaves no second copy of the list beside it.
        copy.Open(target);
        copy.RequireUnchanged(asRead);

        // Everything before the first record as it stands: a byte-order
        // mark and the title line. A list without a title line gets none.
        RecordCopy records(source, table.dataOffset(), copy);

        const qint64 count = table.recordCount();
        RecordWalker walker(settings, progress, dncConn, kTextDncSeparator);
        walker.Begin(
            static_cast<std::int32_t>(std::min<qint64>(count, std::numeric_limits<std::int32_t>::max())));
        WalkRecords(table, columns, settings, source, walker, results, records);
        records.Finish();
        gaps.close();

        walker.End();
        result.counters = walker.Counters();
        // The list and the result files take their places together: when
        // one cannot, the earlier ones all stay.
        const bool replace = result.counters.found > 0; // else the list stays untouched
        if (!replace) copy.Discard();
        results.Close(replace ? &copy : nullptr);
        result.replaced = replace;
        result.completed = true;
    } catch (...) {
        const vb::ErrObject error = vb::CatchError();
        // The earlier result files stay as they were: a run that did not end
        // has no complete ones to put in their place.
        results.Discard();
        copy.Discard();
        StopTextRun(result, error);
        return result;
    }
    result.summary = result.counters.textFileSummary(settings.backupOriginal ? result.backupName : QString());
    return result;
}

} // namespace scrub
