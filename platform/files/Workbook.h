#pragma once
// files::Workbook: one in-memory model of an Excel workbook, shared by the
// ADO "excel" provider and the workbook automation stand-in.
//
// - .xlsx (and .xlsm) is read from its zip package and can be written back:
//   save rewrites only the worksheet parts that changed and copies every
//   other entry of the package byte for byte (styles, other sheets, shared
//   strings, drawings, relationships). New text goes into inline strings, so
//   the shared string table never changes.
// - .xls (Excel 97-2003) is read through FreeXL and is read-only: every call
//   that would change or save it throws before anything changes.
//
// The format is chosen by the file's content, not its extension. Sheets are
// read lazily, when a cell or the used range of the sheet is first asked
// for, so opening a workbook to list its sheets reads no grid.
//
// Rows and columns are 1-based. Cell values are vb::Variant: numbers are
// Double (a whole number stays integral, so CStr gives plain digits), text is
// String, TRUE/FALSE is Boolean, an error cell is its text ("#N/A"), and a
// number whose format is a date or time format is a Date.
//
// Deleting rows of an xlsx sheet moves what is anchored to them with them
// and drops it with a deleted row: notes and their drawing, threaded
// comments, hyperlinks, merged cells (which shrink), data validations,
// conditional formats, page breaks, the auto-filter, pictures and charts
// placed on cells, tables (which keep their header, totals and one data
// row) and defined names that are plain references (print areas, print
// titles, named ranges). A shared formula whose first cell is deleted
// leaves its other cells as plain values. What a deletion cannot move is
// found before anything changes, and such a deletion is refused (see
// rowsHeld): form controls and embedded objects, a table's header or totals
// row, pivot tables and their sources, charts whose data lies in the rows,
// defined names that are formulas on the rows, formulas of the sheet's
// conditional formats and validations that name the rows absolutely, and
// those of other sheets that name the rows at all. References inside
// cell formulas are not adjusted; callers check for them.

#include "platform/vb/Variant.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace fso {
class ReplacementFile;
}

namespace files {

// Error numbers, the ones Jet gives for the same situations, so that the
// providers can pass them on unchanged.
namespace wberr {
constexpr std::int32_t NotAWorkbook = 3274;      // "External table is not in the expected format."
constexpr std::int32_t PasswordProtected = 3031; // "Not a valid password."
constexpr std::int32_t ReadOnly = 3027;          // "Cannot update. Database or object is read-only."
constexpr std::int32_t CannotSave = 75;          // "Path/File access error"
constexpr std::int32_t RowsHeld = 1004;          // Excel's "Delete method of Range class failed"
} // namespace wberr

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// The longest text a cell holds: a longer one is refused when read and when
// stored.
constexpr qsizetype kMaxCellText = 32767;

enum class WorkbookFormat { None, Xlsx, Xls };

// The rectangle that holds every cell with a value or a formula. An empty
// sheet has all four at 0.
struct CellRange {
    int firstRow = 0;
    int firstColumn = 0;
    int lastRow = 0;
    int lastColumn = 0;
    bool isEmpty() const { return lastRow == 0; }
    int rowCount() const { return isEmpty() ? 0 : lastRow - firstRow + 1; }
    int columnCount() const { return isEmpty() ? 0 : lastColumn - firstColumn + 1; }
};

class Workbook;
namespace detail {
struct SheetData;
struct BookData;
} // namespace detail

// One worksheet of an open workbook. Owned by its Workbook; valid until the
// workbook is closed.
class Worksheet {
public:
    ~Worksheet();
    QString name() const;
    int index() const; // 0-based position in the workbook

    // The value of a cell; Empty for a cell without a value. Raises 9 for a
    // row or column outside the sheet's limits.
    vb::Variant value(int row, int column) const;
    bool hasFormula(int row, int column) const;
    // The formula as written in the file, with a leading "=". Cells that
    // share the formula of another cell give "" (the text lives in that
    // cell). "" when the cell has no formula.
    QString formula(int row, int column) const;

    CellRange usedRange() const;
    // The cells that hold a formula, row by row.
    struct CellRef {
        int row = 0;
        int column = 0;
    };
    std::vector<CellRef> formulaCells() const;

    // Changes; xlsx only (an .xls workbook raises wberr::ReadOnly before
    // anything changes).
    // Empty, Null and "" clear the value (the cell keeps its format); a
    // number, Date or Currency is stored as a number, Boolean as TRUE/FALSE,
    // text as an inline string. A formula in the cell is removed.
    void setValue(int row, int column, const vb::Variant& v);
    // Deletes whole rows; the rows below move up. Raises wberr::RowsHeld,
    // before anything changes, when rowsHeld() names something.
    void deleteRows(int firstRow, int count = 1);
    // What a deletion of `count` rows from firstRow would leave on the wrong
    // rows or cut, as a list for a message ("a pivot table; the header row
    // of the table Calls"); "" when the rows can go.
    QString rowsHeld(int firstRow, int count = kMaxRows) const;
    // Whether the sheet's protection forbids changing the cells of the rows
    // from firstRow down in `column`, or, with column 0, deleting those rows
    // (the protection must allow deleting rows, and their cells must be
    // unlocked). A cell is locked unless its format says otherwise; a cell
    // not written takes the format of its row, else of its column.
    bool protectsCells(int firstRow, int column) const;

    bool isModified() const;

private:
    friend class Workbook;
    Worksheet(Workbook* book, int index);
    detail::SheetData& data() const; // loads the sheet on first use

    Workbook* m_book;
    int m_index;
};

class Workbook {
public:
    Workbook();
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // Opens a workbook; a workbook already open is closed first (unsaved
    // changes are dropped). Raises 53 for a missing file,
    // wberr::NotAWorkbook for a file that is not a workbook and
    // wberr::PasswordProtected for an encrypted one.
    void open(const QString& path);
    void close();
    bool isOpen() const;
    QString path() const;
    WorkbookFormat format() const;
    bool isReadOnly() const; // an .xls workbook
    // The format a file on disk would open as, read from its first bytes
    // only: None for a missing file, a non-workbook or an encrypted one.
    static WorkbookFormat formatOnDisk(const QString& path);

    int sheetCount() const;
    QStringList sheetNames() const;            // in workbook order
    int sheetIndex(const QString& name) const; // without regard to case; -1 when none
    Worksheet& sheet(int index);               // raises 9 when out of range
    Worksheet* sheet(const QString& name);     // nullptr when none

    // Drops the grid of a sheet that has no unsaved changes; it is read
    // again when next used. Lets a caller walk many sheets with one grid in
    // memory.
    void unloadSheet(int index);

    bool isModified() const;

    // Writes the changes back to the file through an fso::ReplacementFile:
    // a link is followed to the workbook it names, which keeps its mode,
    // owner and group, and a failed save leaves the file as it was. An
    // unchanged workbook is not written. Raises wberr::ReadOnly for .xls and
    // wberr::CannotSave when the file cannot be written, 57 when the disk has
    // no room for it.
    //
    // commit puts the new workbook in its place, so that a caller can commit
    // other files with it as one (fso::ReplacementFile::CommitTogether); it
    // gets nullptr for an unchanged workbook and must commit or raise. Without
    // it the workbook is committed alone. What it raises leaves the workbook as
    // it was.
    using SaveCommit = std::function<void(fso::ReplacementFile* workbook)>;
    void save(const SaveCommit& commit = {});

private:
    friend class Worksheet;
    void requireWritable() const;
    detail::SheetData& loadSheet(int index);

    std::unique_ptr<detail::BookData> d;
    std::vector<std::unique_ptr<Worksheet>> m_sheets;
};

// Called as a sheet's cells are about to be read from its file (the long
// part of opening a large workbook), with the sheet's name. Tests set it to
// see what the window shows by then; none is set otherwise.
void SetSheetLoadHook(std::function<void(const QString& sheet)> hook);

} // namespace files
