#pragma once
// DataViewGrid: the one data grid of the program. It shows any record list
// (VAVURDataSource) one row per record and one column per field, behind a
// marker column, and asks its host for every column's caption and layout
// through FetchColumnSetup. The user sorts by double-clicking a header,
// toggles rows with Ctrl and the mouse and clears them with Alt; the host
// marks the selected rows deleted (Delete), saves the list (Save) and
// refreshes rows after its own edit dialogs (Update).
//
// Grid rows are counted as the list screens count them: row 0 is the header,
// rows 1 .. Rows() - 1 hold records. Every row remembers the record it shows
// (its row data, from 1), so a sort never separates a row from its record.

#include "core/VAVURDataSource.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFrame>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QTableView;

// A grid of the screens is one stop of the window's Tab order: Tab and
// Shift+Tab leave it for the controls beside it (the paging bar), the
// arrow keys move between its cells.
void TabLeavesGrid(QTableView* view);

// The six answers of FetchColumnSetup. On entry ColName is the field name
// and the rest are neutral; the host changes what it has settings for.
struct ColumnSetup {
    QString ColName;
    std::int32_t ControlType = 0; // 4 = date column
    std::int32_t Alignment = 0;   // 0 left, 1 centre, 2 right
    bool Hidden = false;
    std::int32_t ColWidth = 0; // twips; 0 = fit the caption
    QString ColFormat;         // display format; "" = none
};

namespace gridsort {
// The sort settings of the grid.
inline constexpr std::int16_t GenericAscending = 1;
inline constexpr std::int16_t GenericDescending = 2;
inline constexpr std::int16_t NumericAscending = 3;
inline constexpr std::int16_t Custom = 9;
} // namespace gridsort

// The grid's rows: cell texts and one set of flags per row.
class DataGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        std::vector<QString> cells; // column 0 (marker) included
        std::int32_t rowData = 0;   // the record shown, from 1
        bool selected = false;
        bool deleted = false;
    };

    explicit DataGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Rebuilt from scratch by the grid's load.
    void Reset(int columns, std::vector<Row> rows);
    // New rows under the same columns, headers and alignments.
    void ReplaceRows(std::vector<Row> rows);
    void SetHeader(int column, const QString& caption);
    void SetAlignment(int column, Qt::Alignment alignment);
    void SetCell(int row, int column, const QString& text);
    // Every row's cell of one column, from the row's record.
    void FillColumn(int column, const std::function<QString(std::int32_t rowData)>& text);
    void AppendRow(Row row);
    void SetMarkerRow(int row);
    void SetBand(const QColor& band, const QColor& plain) { m_band = band, m_plain = plain; }
    void SetSelectedColor(const QColor& c) { m_selectedColor = c; }
    // Selection and deleted marks of a range of rows (model rows).
    void SetSelected(int first, int last, bool value);
    void ToggleSelected(int first, int last);
    void SetDeleted(int first, int last);
    // Stable sort of every row with a comparison of two rows.
    void SortRows(const std::function<bool(const Row&, const Row&)>& less);
    // Every row repainted: selections dropped.
    void ClearSelection();

    const Row& At(int row) const { return m_rows.at(std::size_t(row)); }
    int Rows() const { return int(m_rows.size()); }

private:
    void rowsChanged(int first, int last);

    int m_columns = 1;
    std::vector<Row> m_rows;
    QStringList m_header;
    std::vector<Qt::Alignment> m_align;
    int m_markerRow = -1; // model row
    QColor m_band;
    QColor m_plain;
    QColor m_selectedColor;
};

class DataViewGrid : public QFrame {
    Q_OBJECT
public:
    explicit DataViewGrid(QWidget* parent = nullptr);
    ~DataViewGrid() override;

    // ---- events (the host's handlers; each may be left empty)
    std::function<void(ColumnSetup&)> FetchColumnSetup;
    std::function<void(std::int32_t Record, std::int32_t RecordCount)> RowMove;
    std::function<void()> Dirty;
    std::function<void()> Click;
    std::function<void()> DblClick;
    std::function<void(std::int32_t nRow)> LastRow;

    // ---- members
    // True: no edge at all; False: a thin edge.
    void SetThinBorder(bool b);
    // The record index (from 1) of the current row; 0 when there is none.
    std::int32_t CurrentRecord() const;
    QWidget* hwnd() { return this; }
    // Asks the host again for every column's settings and applies them; the
    // cells keep their texts.
    void SetColumn();
    // Keeps the list and loads the grid from it.
    void SetDataSource(const std::shared_ptr<VAVURDataSource>& vDatasource);
    std::shared_ptr<VAVURDataSource> DataSource() const { return m_source; }
    void Save();
    // Marks the rows from the current row to the selection's end deleted,
    // and the rows picked in the selection colour.
    void Delete();
    void DoColumnSort();
    double GetID(std::int32_t iCol) const;
    // 0 refreshes the current row; a row past the last (or negative) appends
    // one for a new record at the end.
    void Update(std::int32_t nRow);
    QString GetSelectedRows(std::int32_t iCol, bool IncludeFull) const;
    QString GetSelectedRowIndexs() const;
    std::int32_t ColWidth(std::int32_t Index) const;
    void SetColWidth(std::int32_t Index, std::int32_t New_ColWidth);
    std::int32_t Row() const;
    void SetRow(std::int32_t New_Row);
    std::int32_t Col() const;
    void SetCol(std::int32_t New_Col);
    // Grid rows, the header included.
    std::int32_t Rows() const;
    void SetRows(std::int32_t New_Rows);
    std::int32_t RowTop() const;
    void SetRowTop(std::int32_t New_RowTop);
    QColor SelectedColor() const { return m_selectedColor; }
    void SetSelectedColor(const QColor& c);
    std::int32_t BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(std::int32_t New_BorderStyle);

    // The sort state, for the host and for tests.
    std::int16_t SortColumn() const { return m_sortCol; }
    std::int16_t SortSetting() const { return m_sortSetting; }
    // Text of a cell (grid row and column as above; row 0 is the header).
    QString TextMatrix(std::int32_t row, std::int32_t col) const;
    // Grid columns, the marker column included.
    std::int32_t Cols() const;
    // The width (pixels) the control needs to show every column whole.
    int ContentWidth() const;
    bool IsRowSelected(std::int32_t row) const;
    bool IsRowDeleted(std::int32_t row) const;
    // Selects grid rows first..last as dragging the mouse over them does
    // (current row first, the end row last).
    void SetSelectionRange(std::int32_t first, std::int32_t last);

    QTableView* View() const { return m_view; }
    DataGridModel* Model() const { return m_model; }

    static constexpr std::int32_t MarkerWidth = 200; // twips
    static constexpr std::int32_t RowHeight = 315;   // twips
    static constexpr std::int32_t CaptionPad = 400;  // twips

private:
    struct ColumnInfo {
        std::int32_t column = 0;
        std::int32_t ControlType = 0;
        bool Hidden = false;
        QString ColFormat;
    };

    void load();
    void applyColumns(bool readCells);
    void askContinue();
    void onCurrentChanged(int row);
    void onHeaderDoubleClicked(int column);
    void onMouseUp(Qt::KeyboardModifiers keys);
    void refreshRow(int gridRow);
    QString cellText(const vb::Variant& value, const QString& format) const;
    // The grid rows from the current row to the selection's end row.
    std::pair<int, int> selectionRange() const;
    int fixedRows() const { return Rows() >= 2 ? 1 : 0; }
    void setColumnWidthTwips(int column, std::int32_t twips);

    QTableView* m_view = nullptr;
    DataGridModel* m_model = nullptr;
    std::shared_ptr<VAVURDataSource> m_source;
    std::vector<ColumnInfo> m_columns;      // index 0 = column 1
    std::vector<std::int32_t> m_widthTwips; // per grid column, as last set
    std::vector<int> m_widthPixels;         // what those twips were shown as
    std::int16_t m_sortCol = 0;
    std::int16_t m_sortSetting = 0;
    bool m_dateAscending = false;
    std::int32_t m_markerRow = -1;
    QColor m_selectedColor{0xC0, 0xC0, 0xFF};
    std::int32_t m_borderStyle = 0;
    int m_columnCount = 1;
};
