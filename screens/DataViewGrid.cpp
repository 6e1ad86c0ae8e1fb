#include "screens/DataViewGrid.h"

#include "core/ErrorReport.h"
#include "platform/ui/Services.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/vb/Format.h"
#include "platform/widgets/ControlHelpers.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WaitCursor.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kModule = QStringLiteral("DataViewGrid");

// The row marker: a small black triangle pointing at the row.
const QPixmap& markerPicture()
{
    static const QPixmap picture = [] {
        QPixmap p(9, 9);
        p.fill(Qt::transparent);
        QPainter painter(&p);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::black);
        painter.setPen(Qt::NoPen);
        const QPointF points[3] = {{1.5, 0.5}, {8.0, 4.5}, {1.5, 8.5}};
        painter.drawPolygon(points, 3);
        return p;
    }();
    return picture;
}

// Switches the view's painting off for a scope; every way out switches it
// on again.
class RedrawOff {
public:
    explicit RedrawOff(QWidget* w) : m_w(w), m_was(w->updatesEnabled()) { m_w->setUpdatesEnabled(false); }
    ~RedrawOff() { m_w->setUpdatesEnabled(m_was); }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;

private:
    QWidget* m_w;
    bool m_was;
};

// Runs a host's handler from a handler of the inner grid: errors are
// ignored and the grid goes on with its next step.
template <class F> void ignoringErrors(F&& f)
{
    try {
        f();
    } catch (...) {
        vb::CatchError();
    }
}

void reportCaught(const QString& module)
{
    const vb::ErrObject& e = vb::CatchError();
    HandleError2(e.Number, e.Description, module, kModule, false);
}

double dateOrZero(const QString& text)
{
    try {
        return vb::IsDate(vb::Variant(text)) ? vb::CDate(vb::Variant(text)) : 0.0;
    } catch (...) {
        vb::CatchError();
        return 0.0;
    }
}

// The generic comparison: numbers by value and before texts, texts without
// regard to case. Negative, 0 or positive.
int genericCompare(const QString& a, const QString& b)
{
    double x = 0, y = 0;
    const bool an = vb::ParseNumber(a, x), bn = vb::ParseNumber(b, y);
    if (an && bn) return x < y ? -1 : (x > y ? 1 : 0);
    if (an != bn) return an ? -1 : 1;
    return a.compare(b, Qt::CaseInsensitive);
}

// The inner grid's view. Ctrl with the mouse picks rows in the selection
// colour (DataViewGrid::onMouseUp), so Qt's own selection must not read it
// as "extend from the last click": the view selects as for a plain click or
// drag, and the rows under the mouse are the ones Ctrl picks. A release is
// reported once the view has settled its selection.
class GridView : public QTableView {
public:
    using QTableView::QTableView;

    std::function<void(Qt::KeyboardModifiers)> Released;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override
    {
        const bool mouse =
            event && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
                      event->type() == QEvent::MouseButtonRelease);
        if (!mouse) return QTableView::selectionCommand(index, event);
        const auto* e = static_cast<const QMouseEvent*>(event);
        if ((e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) != Qt::ControlModifier)
            return QTableView::selectionCommand(index, event);
        const QMouseEvent plain(e->type(), e->position(), e->scenePosition(), e->globalPosition(),
                                e->button(), e->buttons(), e->modifiers() & ~Qt::ControlModifier,
                                e->pointingDevice());
        return QTableView::selectionCommand(index, &plain);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const Qt::KeyboardModifiers keys = event->modifiers();
        QTableView::mouseReleaseEvent(event);
        if (Released) Released(keys);
    }
};

} // namespace

// ---------------------------------------------------------------- model

int DataGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DataGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()) || index.column() >= m_columns) return {};
    const Row& row = m_rows[std::size_t(index.row())];
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return col < int(row.cells.size()) ? row.cells[std::size_t(col)] : QString();
    case Qt::DecorationRole:
        if (col == 0 && index.row() == m_markerRow) return markerPicture();
        return {};
    case Qt::BackgroundRole:
        if (col == 0) return {};
        if (row.selected) return m_selectedColor;
        // Every second data row carries the band colour.
        if (index.row() % 2 == 1) return m_band.isValid() ? QVariant(m_band) : QVariant();
        return m_plain.isValid() ? QVariant(m_plain) : QVariant();
    case Qt::ForegroundRole:
        if (row.deleted && col > 0) return QColor(Qt::red);
        return {};
    case Qt::FontRole:
        if (row.deleted && col > 0) {
            QFont f;
            f.setStrikeOut(true);
            return f;
        }
        return {};
    case Qt::TextAlignmentRole:
        if (col < int(m_align.size())) return int(m_align[std::size_t(col)]);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_header.size())
        return m_header.at(section);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole) return section + 1;
    return {};
}

void DataGridModel::Reset(int columns, std::vector<Row> rows)
{
    beginResetModel();
    m_columns = std::max(columns, 1);
    m_rows = std::move(rows);
    m_header = QStringList(QList<QString>(m_columns));
    m_align.assign(std::size_t(m_columns), Qt::AlignLeft | Qt::AlignVCenter);
    m_markerRow = -1;
    endResetModel();
}

void DataGridModel::ReplaceRows(std::vector<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    for (Row& r : m_rows)
        r.cells.resize(std::size_t(m_columns));
    m_markerRow = -1;
    endResetModel();
}

void DataGridModel::SetHeader(int column, const QString& caption)
{
    if (column < 0 || column >= m_columns) return;
    m_header[column] = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void DataGridModel::SetAlignment(int column, Qt::Alignment alignment)
{
    if (column < 0 || column >= m_columns) return;
    m_align[std::size_t(column)] = alignment;
    if (!m_rows.empty()) emit dataChanged(index(0, column), index(int(m_rows.size()) - 1, column));
}

void DataGridModel::SetCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= m_columns) return;
    auto& cells = m_rows[std::size_t(row)].cells;
    if (int(cells.size()) < m_columns) cells.resize(std::size_t(m_columns));
    cells[std::size_t(column)] = text;
    emit dataChanged(index(row, column), index(row, column));
}

void DataGridModel::FillColumn(int column, const std::function<QString(std::int32_t)>& text)
{
    if (column < 0 || column >= m_columns) return;
    for (Row& r : m_rows) {
        if (int(r.cells.size()) < m_columns) r.cells.resize(std::size_t(m_columns));
        r.cells[std::size_t(column)] = text(r.rowData);
    }
    if (!m_rows.empty()) emit dataChanged(index(0, column), index(int(m_rows.size()) - 1, column));
}

void DataGridModel::AppendRow(Row row)
{
    row.cells.resize(std::size_t(m_columns));
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
}

void DataGridModel::SetMarkerRow(int row)
{
    const int old = m_markerRow;
    m_markerRow = row;
    if (old >= 0 && old < int(m_rows.size())) emit dataChanged(index(old, 0), index(old, 0));
    if (row >= 0 && row < int(m_rows.size())) emit dataChanged(index(row, 0), index(row, 0));
}

void DataGridModel::rowsChanged(int first, int last)
{
    if (m_rows.empty()) return;
    first = std::clamp(first, 0, int(m_rows.size()) - 1);
    last = std::clamp(last, 0, int(m_rows.size()) - 1);
    emit dataChanged(index(first, 0), index(last, m_columns - 1));
}

void DataGridModel::SetSelected(int first, int last, bool value)
{
    for (int r = std::max(first, 0); r <= last && r < int(m_rows.size()); ++r)
        m_rows[std::size_t(r)].selected = value;
    rowsChanged(first, last);
}

void DataGridModel::ToggleSelected(int first, int last)
{
    for (int r = std::max(first, 0); r <= last && r < int(m_rows.size()); ++r)
        m_rows[std::size_t(r)].selected = !m_rows[std::size_t(r)].selected;
    rowsChanged(first, last);
}

void DataGridModel::SetDeleted(int first, int last)
{
    for (int r = std::max(first, 0); r <= last && r < int(m_rows.size()); ++r)
        m_rows[std::size_t(r)].deleted = true;
    rowsChanged(first, last);
}

void DataGridModel::SortRows(const std::function<bool(const Row&, const Row&)>& less)
{
    emit layoutAboutToBeChanged();
    std::stable_sort(m_rows.begin(), m_rows.end(), less);
    emit layoutChanged();
}

void DataGridModel::ClearSelection()
{
    for (Row& r : m_rows)
        r.selected = false;
    rowsChanged(0, int(m_rows.size()) - 1);
}

// ---------------------------------------------------------------- control

void TabLeavesGrid(QTableView* view)
{
    view->setTabKeyNavigation(false);
}

DataViewGrid::DataViewGrid(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("DataViewGrid"));
    setFrameStyle(QFrame::NoFrame);
    auto* view = new GridView(this);
    view->Released = [this](Qt::KeyboardModifiers keys) { onMouseUp(keys); };
    m_view = view;
    m_view->setObjectName(QStringLiteral("MSHFlexGrid1"));
    m_model = new DataGridModel(this);
    m_model->SetBand(palette().color(QPalette::ToolTipBase), QColor());
    m_model->SetSelectedColor(m_selectedColor);
    m_view->setModel(m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TabLeavesGrid(m_view);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setMinimumSectionSize(1);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(ui::TwipsToPixelsY(RowHeight, this));
    m_view->horizontalHeader()->setMinimumSectionSize(1);
    m_view->horizontalHeader()->setSectionsClickable(true);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->setWordWrap(false);
    // The dragged range shows through lightly, so that band, selection and
    // deleted colours stay readable under it.
    QPalette pal = m_view->palette();
    QColor highlight = pal.color(QPalette::Highlight);
    highlight.setAlpha(70);
    pal.setColor(QPalette::Highlight, highlight);
    pal.setColor(QPalette::HighlightedText, pal.color(QPalette::Text));
    m_view->setPalette(pal);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                if (current.isValid() && current != previous) onCurrentChanged(current.row() + 1);
            });
    connect(m_view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int) {
        if (Click) ignoringErrors(Click);
    });
    connect(m_view->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int column) { ignoringErrors([&] { onHeaderDoubleClicked(column); }); });
    connect(m_view, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && DblClick) ignoringErrors(DblClick);
    });
    m_model->Reset(1, {});
    setColumnWidthTwips(0, MarkerWidth);
}

DataViewGrid::~DataViewGrid() = default;

void DataViewGrid::SetThinBorder(bool b)
{
    ModuleControl::SetFlatBorder(hwnd(), b ? -1 : 0);
}

std::int32_t DataViewGrid::CurrentRecord() const
{
    const int row = Row();
    return row >= 1 && row <= m_model->Rows() ? m_model->At(row - 1).rowData : 0;
}

void DataViewGrid::SetDataSource(const std::shared_ptr<VAVURDataSource>& vDatasource)
{
    ui::WaitCursor hourglass;
    RedrawOff redraw(m_view);
    m_source = vDatasource;
    m_columns.clear();
    try {
        load();
    } catch (...) {
        reportCaught(QStringLiteral("DataSource"));
        askContinue();
    }
}

void DataViewGrid::load()
{
    const std::int32_t fields = m_source ? m_source->GetFieldCount() : 0;
    const std::int32_t records = m_source ? m_source->GetRecordCount() : 0;
    m_columnCount = fields + 1;
    std::vector<DataGridModel::Row> rows(std::size_t(std::max(records, 0)));
    for (std::int32_t r = 0; r < records; ++r) {
        rows[std::size_t(r)].cells.resize(std::size_t(m_columnCount));
        rows[std::size_t(r)].rowData = r + 1;
    }
    m_model->Reset(m_columnCount, std::move(rows));
    m_markerRow = m_markerRow < Rows() ? m_markerRow : -1;
    m_widthTwips.assign(std::size_t(m_columnCount), -1);
    m_widthPixels.assign(std::size_t(m_columnCount), -1);
    for (int c = 0; c < m_columnCount; ++c)
        m_view->setColumnHidden(c, false);
    setColumnWidthTwips(0, MarkerWidth);
    m_columns.assign(std::size_t(fields), ColumnInfo{});
    applyColumns(true);
    if (Rows() >= 2) SetRow(1);
    if (m_columnCount >= 2) SetCol(1);
}

void DataViewGrid::SetColumn()
{
    ui::WaitCursor hourglass;
    RedrawOff redraw(m_view);
    try {
        m_columns.assign(std::size_t(std::max(m_columnCount - 1, 0)), ColumnInfo{});
        applyColumns(false);
    } catch (...) {
        reportCaught(QStringLiteral("DataSource"));
        askContinue();
    }
}

void DataViewGrid::askContinue()
{
    ui::MsgBox(QStringLiteral("Dou you want to continue?"), ui::vbYesNo | ui::vbQuestion);
}

void DataViewGrid::applyColumns(bool readCells)
{
    if (!m_source) return;
    const QFontMetrics metrics(m_view->font());
    for (int c = 1; c < m_columnCount; ++c) {
        ColumnSetup setup;
        setup.ColName = m_source->GetFieldName(c);
        if (FetchColumnSetup) FetchColumnSetup(setup);
        m_model->SetHeader(c, setup.ColName);
        std::int32_t width = 0;
        if (!setup.Hidden) {
            width = setup.ColWidth > 0
                        ? setup.ColWidth
                        : ui::PixelsToTwips(metrics.horizontalAdvance(setup.ColName), this) + CaptionPad;
        }
        setColumnWidthTwips(c, width);
        m_columns[std::size_t(c - 1)] = {c, setup.ControlType, setup.Hidden, setup.ColFormat};
        switch (setup.Alignment) {
        case 0:
            m_model->SetAlignment(c, Qt::AlignLeft | Qt::AlignVCenter);
            break;
        case 1:
            m_model->SetAlignment(c, Qt::AlignCenter);
            break;
        case 2:
            m_model->SetAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
            break;
        default:
            break;
        }
        if (readCells)
            m_model->FillColumn(c, [&](std::int32_t record) {
                return cellText(m_source->GetData(c, record), setup.ColFormat);
            });
    }
}

QString DataViewGrid::cellText(const vb::Variant& value, const QString& format) const
{
    if (value.isNull() || value.isEmpty()) return format.isEmpty() ? QString() : vb::Format(value, format);
    return format.isEmpty() ? vb::CStr(value) : vb::Format(value, format);
}

void DataViewGrid::setColumnWidthTwips(int column, std::int32_t twips)
{
    if (column < 0 || column >= m_model->columnCount()) return;
    if (std::size_t(column) >= m_widthTwips.size()) {
        m_widthTwips.resize(std::size_t(column) + 1, -1);
        m_widthPixels.resize(std::size_t(column) + 1, -1);
    }
    twips = std::max(twips, 0);
    m_widthTwips[std::size_t(column)] = twips;
    if (twips == 0) {
        m_view->setColumnHidden(column, true);
        return;
    }
    m_view->setColumnHidden(column, false);
    // A stored width never cuts the column's caption.
    const int pixels =
        std::max({ui::TwipsToPixels(twips, this), m_view->horizontalHeader()->sectionSizeHint(column), 1});
    m_widthPixels[std::size_t(column)] = pixels;
    m_view->setColumnWidth(column, pixels);
}

void DataViewGrid::onCurrentChanged(int row)
{
    if (m_markerRow != -1 && m_markerRow < Rows()) m_model->SetMarkerRow(-1);
    if (LastRow) ignoringErrors([&] { LastRow(m_markerRow); });
    m_markerRow = row;
    m_model->SetMarkerRow(row - 1);
    if (RowMove) ignoringErrors([&] { RowMove(row, Rows() - 1); });
}

void DataViewGrid::onHeaderDoubleClicked(int column)
{
    if (column < 1 || column >= m_columnCount) return;
    const std::int16_t old = m_sortCol;
    m_sortCol = std::int16_t(column);
    if (m_sortCol == old) {
        if (m_sortSetting == gridsort::NumericAscending)
            m_sortSetting = gridsort::GenericAscending;
        else if (m_sortSetting == gridsort::Custom)
            m_dateAscending = !m_dateAscending;
        else
            ++m_sortSetting;
    } else if (std::size_t(column - 1) < m_columns.size() &&
               m_columns[std::size_t(column - 1)].ControlType == 4) {
        m_dateAscending = !m_dateAscending;
        m_sortSetting = gridsort::Custom;
    } else {
        m_sortSetting = gridsort::GenericAscending;
        m_dateAscending = false;
    }
    DoColumnSort();
}

void DataViewGrid::DoColumnSort()
{
    if (m_sortCol < 1 || m_sortCol >= m_columnCount) return;
    RedrawOff redraw(m_view);
    const std::size_t col = std::size_t(m_sortCol);
    const std::int16_t setting = m_sortSetting;
    const bool ascendingDates = m_dateAscending;
    auto text = [col](const DataGridModel::Row& r) -> const QString& { return r.cells[col]; };
    std::function<bool(const DataGridModel::Row&, const DataGridModel::Row&)> less;
    switch (setting) {
    case gridsort::GenericDescending:
        less = [&](const auto& a, const auto& b) { return genericCompare(text(a), text(b)) > 0; };
        break;
    case gridsort::NumericAscending:
        less = [&](const auto& a, const auto& b) { return vb::Val(text(a)) < vb::Val(text(b)); };
        break;
    case gridsort::Custom:
        less = [&](const auto& a, const auto& b) {
            const double x = dateOrZero(text(a)), y = dateOrZero(text(b));
            return ascendingDates ? x < y : x > y;
        };
        break;
    default:
        less = [&](const auto& a, const auto& b) { return genericCompare(text(a), text(b)) < 0; };
        break;
    }
    m_model->SortRows(less);
    // A sort repaints the data area: plain rows white, bands again, no
    // selection marks.
    m_model->SetBand(palette().color(QPalette::ToolTipBase), QColor(Qt::white));
    m_model->ClearSelection();
    m_view->clearSelection();
    if (Rows() >= 2) m_view->setCurrentIndex(m_model->index(0, m_sortCol));
}

void DataViewGrid::onMouseUp(Qt::KeyboardModifiers keys)
{
    keys &= (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (Rows() < 2) return;
    RedrawOff redraw(m_view);
    if (keys == Qt::ControlModifier) {
        const auto [first, last] = selectionRange();
        if (first >= 1) m_model->ToggleSelected(first - 1, last - 1);
        // The rows under the mouse are now picked or dropped; left selected
        // in the view as well, a dropped row would still be deleted.
        m_view->selectionModel()->clearSelection();
    } else if (keys == Qt::AltModifier) {
        m_model->ClearSelection();
    }
}

std::pair<int, int> DataViewGrid::selectionRange() const
{
    const int current = Row();
    int first = current, last = current;
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    for (const QModelIndex& i : rows) {
        first = first < 1 ? i.row() + 1 : std::min(first, i.row() + 1);
        last = std::max(last, i.row() + 1);
    }
    return {first, last};
}

void DataViewGrid::SetSelectionRange(std::int32_t first, std::int32_t last)
{
    if (Rows() < 2) return;
    first = std::clamp(first, 1, Rows() - 1);
    last = std::clamp(last, 1, Rows() - 1);
    SetRow(first);
    const QItemSelection range(m_model->index(std::min(first, last) - 1, 0),
                               m_model->index(std::max(first, last) - 1, m_columnCount - 1));
    m_view->selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
}

void DataViewGrid::Save()
{
    if (m_source) m_source->Save(true, true);
}

void DataViewGrid::Delete()
{
    RedrawOff redraw(m_view);
    try {
        if (Row() < 1 || Rows() < 2) return;
        // The rows selected by the mouse or the keys and the rows picked in
        // the selection colour wherever they are; the current row only when
        // nothing is selected.
        std::vector<bool> marked(std::size_t(Rows() - 1), false);
        for (const QModelIndex& i : m_view->selectionModel()->selectedRows())
            if (i.row() < Rows() - 1) marked[std::size_t(i.row())] = true;
        for (int r = 1; r < Rows(); ++r)
            if (m_model->At(r - 1).selected) marked[std::size_t(r - 1)] = true;
        if (std::find(marked.begin(), marked.end(), true) == marked.end() && Row() < Rows())
            marked[std::size_t(Row() - 1)] = true;
        for (int r = 1; r < Rows(); ++r) {
            if (!marked[std::size_t(r - 1)]) continue;
            m_model->SetDeleted(r - 1, r - 1);
            if (m_source) m_source->SetIsDeleted(m_model->At(r - 1).rowData, true);
        }
    } catch (...) {
        reportCaught(QStringLiteral("Delete"));
        return;
    }
    if (Dirty) Dirty();
}

double DataViewGrid::GetID(std::int32_t iCol) const
{
    if (!m_source) return 0;
    const vb::Variant v = m_source->GetData(iCol, CurrentRecord());
    if (v.isNull() || v.isEmpty()) return 0;
    return vb::Val(vb::CStr(v));
}

void DataViewGrid::Update(std::int32_t nRow)
{
    int row = nRow;
    try {
        if (nRow == 0) {
            row = Row();
        } else if (nRow > Rows() - 1 || nRow < 0) {
            DataGridModel::Row added;
            added.rowData = Rows();
            m_model->AppendRow(std::move(added));
            row = Rows() - 1;
            SetRow(row);
        }
    } catch (...) {
        reportCaught(QStringLiteral("Update"));
    }
    if (row >= 1) refreshRow(row);
}

void DataViewGrid::refreshRow(int gridRow)
{
    RedrawOff redraw(m_view);
    if (!m_source || gridRow < 1 || gridRow >= Rows()) return;
    const std::int32_t record = m_model->At(gridRow - 1).rowData;
    for (int c = 1; c < m_columnCount; ++c) {
        try {
            const QString format =
                std::size_t(c - 1) < m_columns.size() ? m_columns[std::size_t(c - 1)].ColFormat : QString();
            m_model->SetCell(gridRow - 1, c, cellText(m_source->GetData(c, record), format));
        } catch (...) {
            reportCaught(QStringLiteral("Update"));
        }
    }
}

QString DataViewGrid::GetSelectedRows(std::int32_t iCol, bool IncludeFull) const
{
    QString selected, full;
    for (int r = 1; r < Rows(); ++r) {
        const QString text = TextMatrix(r, iCol);
        if (m_model->At(r - 1).selected) selected += u',' + text;
        full += u',' + text;
    }
    // Blanks only, as the text functions of the lists trim.
    auto trimBlanks = [](QString s) {
        while (s.startsWith(u' '))
            s.remove(0, 1);
        while (s.endsWith(u' '))
            s.chop(1);
        return s;
    };
    QString result = trimBlanks(selected);
    if (result.isEmpty() && IncludeFull) result = full;
    return result.isEmpty() ? result : result.mid(1);
}

QString DataViewGrid::GetSelectedRowIndexs() const
{
    QString out;
    for (int r = 1; r < Rows(); ++r)
        if (m_model->At(r - 1).selected) out += QString::number(r) + u' ';
    return out.trimmed();
}

std::int32_t DataViewGrid::ColWidth(std::int32_t Index) const
{
    if (Index < 0 || Index >= m_model->columnCount() || m_view->isColumnHidden(Index)) return 0;
    const int pixels = m_view->columnWidth(Index);
    // The stored twips as long as the user has not changed the column, so
    // that opening and closing a list never moves its widths.
    if (std::size_t(Index) < m_widthTwips.size()) {
        const std::int32_t kept = m_widthTwips[std::size_t(Index)];
        if (kept > 0 && m_widthPixels[std::size_t(Index)] == pixels) return kept;
    }
    return ui::PixelsToTwips(pixels, this);
}

void DataViewGrid::SetColWidth(std::int32_t Index, std::int32_t New_ColWidth)
{
    setColumnWidthTwips(Index, New_ColWidth);
}

std::int32_t DataViewGrid::Row() const
{
    const QModelIndex i = m_view->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

void DataViewGrid::SetRow(std::int32_t New_Row)
{
    if (New_Row < 1 || New_Row >= Rows()) return;
    const int col = std::max(m_view->currentIndex().column(), 0);
    m_view->setCurrentIndex(m_model->index(New_Row - 1, col));
}

std::int32_t DataViewGrid::Col() const
{
    const QModelIndex i = m_view->currentIndex();
    return i.isValid() ? i.column() : 0;
}

void DataViewGrid::SetCol(std::int32_t New_Col)
{
    const int row = Row();
    if (row < 1 || New_Col < 0 || New_Col >= m_columnCount) return;
    m_view->selectionModel()->setCurrentIndex(m_model->index(row - 1, New_Col),
                                              QItemSelectionModel::NoUpdate);
}

std::int32_t DataViewGrid::Rows() const
{
    return m_model->Rows() + 1;
}

void DataViewGrid::SetRows(std::int32_t New_Rows)
{
    New_Rows = std::max(New_Rows, 1);
    if (New_Rows == Rows()) return;
    std::vector<DataGridModel::Row> rows;
    rows.reserve(std::size_t(New_Rows - 1));
    for (int r = 1; r < New_Rows; ++r) {
        if (r < Rows()) {
            rows.push_back(m_model->At(r - 1));
        } else {
            DataGridModel::Row added;
            added.cells.resize(std::size_t(m_columnCount));
            rows.push_back(std::move(added));
        }
    }
    m_model->ReplaceRows(std::move(rows));
}

std::int32_t DataViewGrid::RowTop() const
{
    const int row = m_view->rowAt(0);
    return row >= 0 ? row + 1 : 0;
}

void DataViewGrid::SetRowTop(std::int32_t New_RowTop)
{
    if (New_RowTop >= 1 && New_RowTop < Rows())
        m_view->scrollTo(m_model->index(New_RowTop - 1, 0), QAbstractItemView::PositionAtTop);
}

void DataViewGrid::SetSelectedColor(const QColor& c)
{
    m_selectedColor = c;
    m_model->SetSelectedColor(c);
    m_view->viewport()->update();
}

void DataViewGrid::SetBorderStyle(std::int32_t New_BorderStyle)
{
    m_borderStyle = New_BorderStyle;
    m_view->setFrameStyle(New_BorderStyle == 0 ? QFrame::NoFrame : (QFrame::Box | QFrame::Plain));
}

QString DataViewGrid::TextMatrix(std::int32_t row, std::int32_t col) const
{
    if (col < 0 || col >= m_columnCount) return {};
    if (row == 0) return m_model->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
    if (row < 1 || row >= Rows()) return {};
    return m_model->At(row - 1).cells[std::size_t(col)];
}

std::int32_t DataViewGrid::Cols() const
{
    return m_columnCount;
}

int DataViewGrid::ContentWidth() const
{
    int width = 2 * (frameWidth() + m_view->frameWidth()) + m_view->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < m_columnCount; ++c)
        if (!m_view->isColumnHidden(c)) width += m_view->columnWidth(c);
    return width;
}

bool DataViewGrid::IsRowSelected(std::int32_t row) const
{
    return row >= 1 && row < Rows() && m_model->At(row - 1).selected;
}

bool DataViewGrid::IsRowDeleted(std::int32_t row) const
{
    return row >= 1 && row < Rows() && m_model->At(row - 1).deleted;
}
