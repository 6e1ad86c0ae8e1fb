#pragma once
// The DNC list import as an engine: the prepared import text (area code and
// seven-digit number per line, or ten digits per line) is linked into the DNC
// database as MyLinkedTable, and every number of it that an area-code table
// lacks is copied there, one area code at a time: on the program's own
// database through a set of the area code's numbers, added in ascending
// order; on a server through the work table MyTempTable. Progress goes
// through ImportView; what went wrong comes back in the result for the
// caller to report.

#include "dncdb/DNCImport.h"
#include "platform/vb/Err.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace dncimport {

struct ImportJob {
    QString linkProviderString; // the text link of the import file's folder
    QString fileName;           // the import file within that folder
    QString keptAreaCodes;      // setting "keptareacode": codes joined by ","; empty keeps all
};

// What the import shows while it runs. The window puts these on its status
// bar, progress bar and the labels beside it.
class ImportView {
public:
    virtual ~ImportView() = default;
    // A status line: panel 1 the area code at work, panel 2 "Timer:" lines.
    virtual void Status(const QString& text, std::int32_t panel) = 0;
    // The bar runs from 0 to maximum (four steps per distinct value read);
    // areaCodes is the number of distinct values.
    virtual void BeginProgress(double maximum, std::int32_t areaCodes) = 0;
    virtual void StepProgress() = 0;
    // done of the distinct values are through.
    virtual void AreaCodeDone(std::int32_t done) = 0;
    // The run got through its steps: the bar and labels show the end.
    virtual void EndProgress() = 0;
    // Lets the window serve its events between the steps.
    virtual void Yield() = 0;
};

enum class ImportOutcome {
    Imported,      // every usable area code was copied
    NoValue,       // the import text holds no value: "No Value In the text file!"
    TablesMissing, // an area code's table could not be made: "There is problem during import. Please re-try!"
    Failed,        // stopped by an error; failure tells which unless it was reported where it happened
};

// An error the engine met and did not report, with the module and function
// the report names.
struct ImportFailure {
    vb::ErrObject error;
    QString module;
    QString function;
};

struct ImportResult {
    ImportOutcome outcome = ImportOutcome::Failed;
    ImportStats stats;
    std::optional<ImportFailure> failure;
    bool succeeded() const { return outcome == ImportOutcome::Imported; }
};

// Runs the import on the DNC database of gDataAccess (its shared connection,
// closed again at the end); gPhoneTables lists the store's tables (LoadTables). Shows no message: the caller
// reports the outcome. The store, the table list (gPhoneTables) and the settings are changed as the import
// goes.
ImportResult ImportDNCList(const ImportJob& job, ImportView& view);

// Called for each area code once its numbers are read and before any of
// them is stored; what it raises stops the import as a failed read of the
// numbers does. Tests set it to make an import fail at a chosen area code;
// none is set otherwise.
using FillHook = std::function<void(const QString& areaCode)>;
void SetFillHook(FillHook hook);

} // namespace dncimport
