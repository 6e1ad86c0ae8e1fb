#include "scrub/TextFileScrub.h"

#include "core/DBClassModule.h"
#include "platform/files/TextFormat.h"
#include "platform/files/TextTable.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"
#include "scrub/ListCopy.h"
#include "scrub/TextLayout.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <limits>
#include <unistd.h>
#include <vector>

namespace scrub {

namespace {

const QString kFunction = QStringLiteral("GetExcelFields");

// Records read ahead for one round of look-ups: enough for the look-ups of
// a round to meet in the store's pages, few enough to keep memory small.
constexpr std::size_t kBatch = 32768;

// One run of records: read, their numbers, and what the look-ups made of them.
struct Run {
    std::vector<files::TextRecord> records = std::vector<files::TextRecord>(kBatch);
    std::vector<QString> numbers;
    std::vector<RecordWalker::Judgement> judgements;
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

} // namespace

QString FolderWithSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/') || folder.endsWith(u'\\')) return folder;
    return folder + u'/';
}

ScrubResult ScrubTextFile(const TextScrubJob& job, ScrubView& view,
                          const std::shared_ptr<ado::Connection>& dncConn)
{
    ScrubResult result;
    const ScrubSettings& settings = job.settings;
    const QString folder = FolderWithSeparator(job.folder);
    const QString source = folder + job.fileName;
    ResultFiles results;
    LineFile copy;
    QString copyName;
    try {
        // The file that is really rewritten: a list that is a symbolic link
        // is replaced where it lies, and the link stays.
        const QString target = fso::ResolvedFilePath(source);
        RequireWritableList(target, source, QStringLiteral("scrubbed"));
        const QString clash = ResultFileClash(settings, {source});
        if (!clash.isEmpty())
            vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("ScrubTextFile"), clash);

        fso::FileSystemObject fso;
        if (settings.backupOriginal) {
            const QString backup = folder + QStringLiteral("B") + FileStamp() + job.fileName;
            fso.CopyFile(source, backup, true);
            result.backupName = backup;
        }

        // The layout of the first data line: the list's field count must
        // hold it. Later lines may hold more fields; they are copied as they
        // stand.
        files::TextTable table(source, ReaderOptions(job.connectionString, job.titleFirstLine));
        const int fieldCount = job.fieldCount > 0 ? job.fieldCount : table.columnCount();
        QFile gaps(source);
        CheckFirstDataLine(gaps, table, job, source, fieldCount);

        const int phoneColumn = RequiredColumn(table, settings.phoneField);
        const int areaColumn = settings.areaField.isEmpty() ? -1 : RequiredColumn(table, settings.areaField);
        const int markColumn = ExactColumn(table, settings.markField);

        results.Open(settings, kTextDncFileHeader);
        const QFileInfo targetInfo(target);
        copyName = targetInfo.path() + u'/' + FileStamp() + targetInfo.fileName();
        copy.Open(copyName);

        // Everything before the first record as it stands: a byte-order
        // mark and the title line. A list without a title line gets none.
        RecordCopy records(source, table.dataOffset(), copy);

        const qint64 count = table.recordCount();
        RecordWalker walker(settings, view, dncConn, kTextDncSeparator);
        walker.Begin(
            static_cast<std::int32_t>(std::min<qint64>(count, std::numeric_limits<std::int32_t>::max())));

        // Records are taken in runs: their numbers are looked up together
        // (in the order of the numbers), then each record is written in the
        // list's order. While one run's numbers are looked up, the next run
        // is read, and the run before is written.
        Run runs[2];
        table.rewind();
        const auto fill = [&](Run& run) {
            // The numbers' texts are kept from run to run and written over,
            // so a record costs no text of its own; a judgement shares its
            // number's text, so the run's previous judgements let go of them
            // first.
            for (RecordWalker::Judgement& j : run.judgements)
                j.number.clear();
            std::size_t filled = 0;
            while (filled < kBatch && table.next(run.records[filled])) {
                const files::TextRecord& record = run.records[filled];
                if (filled == run.numbers.size()) run.numbers.emplace_back();
                QString& number = run.numbers[filled];
                number.resize(0); // keeps the text's room
                if (areaColumn >= 0) AppendFieldText(table, record, areaColumn, number);
                AppendFieldText(table, record, phoneColumn, number);
                ++filled;
            }
            run.numbers.resize(filled);
            return filled == kBatch;
        };
        const auto write = [&](Run& run) {
            for (std::size_t i = 0; i < run.numbers.size(); ++i) {
                const files::TextRecord& record = run.records[i];
                if (walker.Record(run.judgements[i], results) == Outcome::Found) {
                    if (view.DeleteFound()) {
                        records.Drop(record);
                        continue;
                    }
                    if (markColumn >= 0) {
                        const std::optional<QString> marked =
                            MarkedValue(vb::Variant(table.text(record, markColumn)), view.MarkText(),
                                        settings.markAction);
                        if (marked) {
                            records.Write(record, files::replaceFields(record, {{markColumn, *marked}},
                                                                       table.layoutOf(record)));
                            continue;
                        }
                    }
                }
                records.Keep(record);
            }
        };
        bool more = fill(runs[0]);
        walker.JudgeStart(runs[0].numbers, runs[0].judgements);
        for (int at = 0;; at ^= 1) {
            Run& run = runs[at];
            Run& next = runs[at ^ 1];
            const bool nextMore = more && fill(next);
            const bool hasNext = more && !next.numbers.empty();
            walker.JudgeFinish(run.judgements);
            if (hasNext) walker.JudgeStart(next.numbers, next.judgements);
            write(run);
            if (!hasNext) break;
            more = nextMore;
        }
        records.Finish();
        gaps.close();

        walker.End();
        result.counters = walker.Counters();
        results.Close();

        if (result.counters.found > 0) {
            copy.Close();
            fso::ReplaceFileWith(copyName, target);
            result.replaced = true;
        } else {
            copy.Discard(); // nothing found: the list stays untouched
        }
        result.completed = true;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        const vb::ErrObject error = e;
        // The earlier result files stay as they were: a run that did not end
        // has no complete ones to put in their place.
        results.Discard();
        copy.Discard();
        HandleError(error.Number, error.Description, QString(), kFunction, false);
        return result;
    }
    result.summary = result.counters.textFileSummary(settings.backupOriginal ? result.backupName : QString());
    ui::MsgBox(result.summary, ui::vbInformation, vb::App::Title());
    return result;
}

} // namespace scrub
