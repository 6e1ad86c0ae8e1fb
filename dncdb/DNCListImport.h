#pragma once
// The DNC list import as an engine: the prepared import text (area code and
// seven-digit number per line, or ten digits per line) is linked into the DNC
// database as MyLinkedTable, and every number of it that an area-code table
// lacks is copied there, one area code at a time: on the program's own
// database through a set of the area code's numbers, added in ascending
// order; on a server through the work table MyTempTable. What went wrong
// comes back in the result for the caller to report.

#include "core/EngineProgress.h"
#include "dncdb/DNCImport.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class CDataAccess;
class CDataStrings;

namespace dncimport {

struct ImportJob {
    QString linkProviderString; // the text link of the import file's folder
    QString fileName;           // the import file within that folder
    QString keptAreaCodes;      // setting "keptareacode": codes joined by ","; empty keeps all
    // The store's total before the run, when it could be counted: the stored
    // "lasttotal" then follows each area code's commit.
    std::optional<std::int64_t> total;
};

enum class ImportOutcome {
    Imported,      // every usable area code was copied
    NoValue,       // the import text holds no value
    TablesMissing, // an area code's table could not be made
    Failed,        // stopped by an error
};

// The refusal of a run that found no value ("No Value In the text file!",
// with the lines passed over below it) or could not make a table ("There is
// problem during import. Please re-try!", after the failure that says why,
// unless that is the lost connection).
struct ImportResult : engine::Result {
    ImportOutcome outcome = ImportOutcome::Failed;
    ImportStats stats;
    // The total the stored "lasttotal" holds after the run, when the run
    // stored one.
    std::optional<std::int64_t> storedTotal;
    // The table list may name a table whose making was rolled back: it is to
    // be read again from the store.
    bool tablesStale = false;
    // The run lost its connection to the server: its failure says so, and
    // nothing more of the run logs in again (the server is gone, or drops
    // what it takes).
    bool connectionLost = false;
    bool succeeded() const { return outcome == ImportOutcome::Imported; }
};

// Runs the import on the DNC database of the data access object (its shared
// connection, closed again at the end); phoneTables lists the store's tables
// and gains the tables the run makes. The store and the stored "lasttotal"
// change as the import goes. Progress: four steps of the bar per distinct
// value read, the values done beside it, the area code at work in panel 1,
// "Timer:" lines in panel 2.
ImportResult ImportDNCList(const ImportJob& job, CDataAccess& dataAccess, CDataStrings& phoneTables,
                           engine::EngineProgress& progress);

// Called for each area code once its numbers are read and before any of
// them is stored; what it raises stops the import as a failed read of the
// numbers does. Tests set it to make an import fail at a chosen area code;
// none is set otherwise.
using FillHook = std::function<void(const QString& areaCode)>;
void SetFillHook(FillHook hook);

} // namespace dncimport
