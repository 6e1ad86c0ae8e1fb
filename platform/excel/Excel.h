#pragma once
// The workbook automation stand-in: one application object per process, its
// registry of open workbooks keyed by absolute path, workbooks with their
// worksheets, cells, row deletion and saving, all on the in-memory workbook
// model of platform/files.
//
// Workbooks are shared: opening a path that is already open gives the same
// workbook. A workbook stays open while a caller holds it (or one of its
// sheets); when the last holder lets go it is closed without saving, so a
// later open reads the file from disk again. Close(true) saves first.

#include "platform/files/Workbook.h"
#include "platform/vb/Variant.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

namespace excel {

class Workbook;
class Worksheet;

// One cell of a sheet, as Cells(row, column) hands it out.
class Range {
public:
    vb::Variant Value() const;
    void SetValue(const vb::Variant& value);
    // The value as text: numbers as plain digits, Empty as "".
    QString Text() const;
    bool HasFormula() const;

private:
    friend class Worksheet;
    Range(std::shared_ptr<Workbook> book, files::Worksheet* sheet, int row, int column);
    std::shared_ptr<Workbook> m_book;
    files::Worksheet* m_sheet;
    int m_row;
    int m_column;
};

// Whole rows of a sheet, as Rows("5:5") or Rows("2:4") hands them out.
class RowRange {
public:
    // Deletes the rows; the rows below move up.
    void Delete();

private:
    friend class Worksheet;
    RowRange(std::shared_ptr<Workbook> book, files::Worksheet* sheet, int first, int count);
    std::shared_ptr<Workbook> m_book;
    files::Worksheet* m_sheet;
    int m_first;
    int m_count;
};

class Worksheet {
public:
    QString Name() const;
    Range Cells(int row, int column) const;
    // "r:r" or "first:last"; any other text raises 1004.
    RowRange Rows(const QString& address) const;
    files::CellRange UsedRange() const;
    std::shared_ptr<Workbook> Parent() const { return m_book; }

    // Every formula of the sheet: its cell and its text ("" for a cell
    // that shares the formula of another cell).
    struct FormulaCell {
        int row = 0;
        int column = 0;
        QString text;
    };
    std::vector<FormulaCell> Formulas() const;

    // The message that refuses deleting rows from firstRow down because
    // something tied to those rows could not follow them (a chart on their
    // data, a table's header row, ...); "" when they may go.
    QString RowsHeldMessage(int firstRow) const;
    // Whether the sheet's protection forbids changing column's cells from
    // firstRow down, or with column 0 deleting those rows.
    bool ProtectsCells(int firstRow, int column) const;

private:
    friend class Workbook;
    Worksheet(std::shared_ptr<Workbook> book, files::Worksheet* sheet);
    std::shared_ptr<Workbook> m_book;
    files::Worksheet* m_sheet;
};

class Workbook : public std::enable_shared_from_this<Workbook> {
public:
    ~Workbook(); // closes without saving

    QString Name() const;     // the file name
    QString Path() const;     // the folder, without a trailing separator
    QString FullName() const; // Path & "/" & Name
    bool ReadOnly() const;    // an .xls workbook: it can be read, never written
    bool Saved() const;       // no unsaved changes

    QStringList WorksheetNames() const; // in workbook order
    // The sheet of that name, without regard to case; nullptr when none.
    std::shared_ptr<Worksheet> Worksheets(const QString& name);
    std::shared_ptr<Worksheet> Worksheets(int index); // from 1; nullptr when none

    void Activate();
    // Writes the changes to the file through its replacement; commit puts
    // it in place, with other files when the caller has some (see
    // files::Workbook::save).
    void Save(const files::Workbook::SaveCommit& commit = {});
    // Saves first when asked; then the workbook leaves the registry and its
    // changes are dropped. Any later call but Close raises 91.
    void Close(bool saveChanges);
    bool IsOpen() const { return m_open; }

private:
    friend class Workbooks;
    struct Token {};

public:
    explicit Workbook(Token) {}

private:
    files::Workbook& model();
    const files::Workbook& model() const;

    files::Workbook m_model;
    QString m_key;
    bool m_open = false;
};

// The application's open workbooks.
class Workbooks {
public:
    // The workbook of that path, opened now or already open. Raises the
    // model's errors: 53 missing file, 3274 not a workbook, 3031 encrypted.
    std::shared_ptr<Workbook> Open(const QString& fileName);
    std::int32_t Count() const;
    // The open workbooks in the order they were opened.
    std::vector<std::shared_ptr<Workbook>> Items() const;

private:
    friend class Workbook;
    static QString KeyOf(const QString& fileName);
    void forget(const QString& key, const Workbook* book);
    std::map<QString, std::weak_ptr<Workbook>> m_open;
    std::vector<QString> m_order;
};

class Application {
public:
    // The one application of the process.
    static Application& Instance();
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }
    excel::Workbooks& Workbooks() { return m_workbooks; }
    std::shared_ptr<Workbook> ActiveWorkbook() const { return m_active.lock(); }

private:
    friend class Workbook;
    bool m_visible = false;
    excel::Workbooks m_workbooks;
    std::weak_ptr<Workbook> m_active;
};

} // namespace excel
