#pragma once
// Helpers of the DNC list import (DNCListImport): the area-code rule, the
// work table, the status lines and what an import run counted.

#include "core/EngineProgress.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace ado {
class Connection;
}

namespace dncimport {

// An area code the import may use: exactly three ASCII digits.
bool IsAreaCode(const QString& value);

// Creates the import's work table MyTempTable (one integer column phone)
// through the catalog of the connection when the database lacks it.
void EnsureWorkTable(const std::shared_ptr<ado::Connection>& connection);

// Readies the work table, filled with the local numbers of one area code,
// for the copy into the area-code table: drops the rows whose value is no
// local number of one to seven digits (an empty field, "55x1234", "1.5",
// eight digits), so that one bad line cannot stop the copy, and returns how
// many it dropped. (The program's own database takes an area code's
// numbers in bulk instead: see ado::NumberSet.)
std::int64_t PrepareWorkTable(const std::shared_ptr<ado::Connection>& connection);
// On a server it gives the session a work table of its own (hiding the
// shared one) and empties it by truncation, so no dead rows pile up in it.
void ReleaseWorkTable(const std::shared_ptr<ado::Connection>& connection);

// What an import run counted.
struct ImportStats {
    std::int32_t areaCodesImported = 0; // area codes whose numbers were copied
    std::int32_t areaCodesSkipped = 0;  // distinct values that are no usable or kept area code
    std::int64_t linesSkipped = 0;      // lines whose local number is not one to seven digits
    std::int64_t linesUnreadable = 0;   // lines that cannot be read at all (a quote left open, a NUL byte)
};

// The line the import's closing report adds when lines of the import text
// were passed over (unreadable, or without a local number); empty when none
// were.
QString SkippedLinesNote(const ImportStats& stats);

// Every status line the import writes (text, panel) also goes to the trace
// when one is set; tests read the sequence of lines from it.
using StatusTrace = std::function<void(const QString& text, std::int32_t panel)>;
void SetStatusTrace(StatusTrace trace);
// Writes a status line to the run's progress and the trace.
void Status(engine::EngineProgress& progress, const QString& text, std::int32_t panel);

} // namespace dncimport
