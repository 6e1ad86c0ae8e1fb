#pragma once
// The scrub of a delimited text or CSV calling list. Each record goes
// through the record rule; the records that stay in the list are written to
// a new, time-stamped copy beside the file: a found record is left out
// (delete) or has its mark field changed (mark), every other record is
// copied byte for byte, as is the title line. When a number was found the
// copy takes the file's place by a rename; otherwise the copy is removed and
// the file is not touched.

#include "scrub/ScrubRun.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace ado {
class Connection;
}

namespace scrub {

// Records read ahead for one round of look-ups: enough for the look-ups of
// a round to meet in the store's pages (a round of a few thousand numbers
// reads nearly every page of the store), few enough to keep memory small.
// A run keeps where each record lies and its number, not its bytes.
constexpr std::size_t kTextScrubRun = 131072;

struct TextScrubJob {
    QString folder;           // DataDBName; a missing trailing separator is added
    QString fileName;         // DataTableName
    QString connectionString; // the profile's text connection string (header flag, format)
    bool titleFirstLine = true;
    // The number of fields the list is known to have (the entries of the
    // mark-field list); 0 takes the file's own column count.
    int fieldCount = 0;
    ScrubSettings settings;
};

// The summary is the text of the closing box; a failure names the function
// the report gives.
struct ScrubResult : engine::Result {
    bool completed = false; // false: the run failed, the list is unchanged
    bool replaced = false;  // the copy took the file's place
    ScrubCounters counters;
    QString backupName; // the backup made, or empty
};

// Runs the scrub; a refusal or an error (see StopTextRun) leaves the list
// as it was.
ScrubResult ScrubTextFile(const TextScrubJob& job, engine::EngineProgress& progress,
                          const std::shared_ptr<ado::Connection>& dncConn);

// The folder with its trailing separator.
QString FolderWithSeparator(const QString& folder);

// Raises 75: the calling list changed while it was scrubbed (another
// program wrote it); the run leaves it and the result files as they were.
[[noreturn]] void RaiseListChanged(const QString& list);

} // namespace scrub
