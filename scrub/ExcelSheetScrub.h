#pragma once
// The scrub of a calling list kept in one worksheet of a workbook. The rows
// from the first data row to the last row of the sheet's used range are the
// records; each goes through the record rule (eleven characters lose the
// first). A found record's row is deleted, the rows below moving up, or its
// mark cell gets the mark as text. The workbook is saved at the end of a
// run that got there; a run that meets an error closes the workbook without
// saving, so the file stays as it was.

#include "scrub/ScrubRun.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace ado {
class Connection;
}
namespace excel {
class Workbook;
class Worksheet;
} // namespace excel

namespace scrub {

// The list's sheet, opened before the run: its workbook stays open in the
// automation for the run, which saves and closes it.
struct ExcelScrubJob {
    std::shared_ptr<excel::Worksheet> sheet;
    bool titleFirstLine = true;
    int phoneColumn = 1; // columns from 1 (column A)
    int areaColumn = 0;  // 0: no area field
    int markColumn = 1;
    ScrubSettings settings;
};

struct ExcelScrubResult : engine::Result {
    bool completed = false; // false: stopped; the workbook is unchanged
    ScrubCounters counters;
    std::int32_t recordCount = 0; // records of the sheet after the run
};

// A workbook the run could not save over (a read-only file, a folder that
// takes no new file) refused as a read-only calling list is: the failure as
// the routine reports it, none when it may be changed. The routine asks it
// first; the Start run asks it before the backup copy is made.
ExcelScrubResult WritableWorkbookCheck(const QString& path);

// Runs the scrub. An error (function "CheckExcel") closes the workbook
// without saving; an .xls workbook and a delete run on a sheet whose
// formulas refer to its data rows are refused before anything is written.
ExcelScrubResult ScrubExcelSheet(const ExcelScrubJob& job, engine::EngineProgress& progress,
                                 const std::shared_ptr<ado::Connection>& dncConn);

// The first data row and the record count of a sheet's used range: the
// title row, when there is one, is the used range's first row.
struct SheetRecords {
    int firstRow = 0;
    std::int32_t count = 0;
};
SheetRecords RecordsOfRange(int usedFirstRow, int usedLastRow, bool titleFirstLine);

// Why the sheet may not change: its workbook is an .xls one, its protection
// forbids deleting the rows from firstRow down or (not deleting) writing
// their cells in markColumn (0: none), or, when rows are to be deleted,
// formulas refer to those rows. Empty when it may.
QString SheetRefusal(excel::Worksheet& sheet, int firstRow, bool deleting, int markColumn);
// After an error: closes the workbook without saving.
void CloseWithoutSaving(excel::Workbook& book);

// Whether deleting rows from firstRow down would leave a formula pointing at
// the wrong cells: a formula of the sheet in those rows (it would move
// while its references stay), or a formula anywhere in the workbook that
// refers to those rows of the sheet. References are not rewritten when
// rows go, so such a sheet is never changed by deleting rows. *onlyInRows,
// when given, tells whether the formulas found only stand in those rows.
bool FormulasReferToRows(excel::Workbook& book, const QString& sheetName, int firstRow,
                         bool* onlyInRows = nullptr);

// The message that refuses such a delete, worded for what was found.
QString FormulaRowsMessage(const QString& sheetName, bool onlyInRows = false);
// The message that refuses changing a protected sheet.
QString ProtectedSheetMessage(const QString& sheetName);
// The message that refuses writing an .xls workbook.
QString ReadOnlyWorkbookMessage(const QString& fileName);

} // namespace scrub
