#include "screens/frmViewData.h"
#include "screens/PagingBar.h"

#include "core/CNavigate.h"
#include "core/CollectionTemplate.h"
#include "core/FormGuard.h"
#include "core/Settings.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WaitCursor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>

namespace {
const QString kModule = QStringLiteral("View Data");
constexpr int MarkerWidth = 200;    // twips
constexpr int OneFieldWidth = 3000; // twips

void report(const QString& function)
{
    const vb::ErrObject& e = vb::CatchError();
    HandleError(e.Number, e.Description, kModule, function, false);
}
} // namespace

frmViewData::frmViewData(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmViewData"));
    setWindowTitle(QStringLiteral("View Data"));
    resize(760, 520);
    auto* layout = new QVBoxLayout(this);
    grdDataGrid = ui::named(new QTableView(this), "grdDataGrid");
    m_model = new DataGridModel(this);
    m_model->SetBand(QColor(), QColor());
    grdDataGrid->setModel(m_model);
    grdDataGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TabLeavesGrid(grdDataGrid);
    grdDataGrid->setWordWrap(false);
    grdDataGrid->verticalHeader()->hide();
    grdDataGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdDataGrid->verticalHeader()->setDefaultSectionSize(ui::TwipsToPixelsY(DataViewGrid::RowHeight, this));
    grdDataGrid->horizontalHeader()->setMinimumSectionSize(1);
    layout->addWidget(grdDataGrid, 1);

    auto* bottom = new QHBoxLayout;
    auto* bar = new PagingBar(this);
    NavigateBar = bar;
    cmdFirst = bar->cmdFirst;
    cmdPrev = bar->cmdPrev;
    cmdNext = bar->cmdNext;
    cmdLast = bar->cmdLast;
    PageCaption = bar->PageCaption;
    lblTotalPage = bar->lblTotalPage;
    lblRecords = bar->lblRecords;
    cmdClose = ui::newButton("cmdClose", QStringLiteral("&Close"), this, 80);
    bottom->addWidget(bar, 1);
    bottom->addWidget(cmdClose);
    layout->addLayout(bottom);
    bar->Navigate = [this](const QString& action) {
        GuardedHandler(kModule, "Navigate", [&] { Navigate(action); });
    };
    connect(cmdClose, &QPushButton::clicked, this, [this] { close(); });
    SetPagedScreenMinimum(this, grdDataGrid, grdDataGrid);
}

frmViewData::~frmViewData() = default;

void frmViewData::Component(const QString& vConn, const QString& vSQL, bool Editable, const QString& vCaption)
{
    m_conn = vConn;
    m_sql = vSQL;
    m_editable = Editable;
    m_caption = vCaption;
}

void frmViewData::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A caller may have shown the hourglass before opening the window.
    ui::SetHourglass(false);
    if (m_loaded) return;
    m_loaded = true;
    try {
        Form_Load();
    } catch (...) {
        report(QStringLiteral("Form Load"));
    }
}

void frmViewData::Form_Load()
{
    if (!m_caption.isEmpty()) setWindowTitle(m_caption);
    m_navigate = std::make_unique<CNavigate>();
    const double size = std::round(vb::Val(SettingText(QStringLiteral("m_pagesize"))));
    m_navigate->SetPageSize(size >= 1 && size <= 2147483647.0 ? std::int32_t(size) : 1000);
    m_navigate->SetCurrPage(1);
    LoadRecords(QString());
}

void frmViewData::LoadRecords(const QString& filter)
{
    ui::WaitCursor hourglass;
    try {
        m_filter = filter;
        const QString text = m_sql + QLatin1Char(' ') + ApplyWhereRule(filter);
        if (text != m_navigate->QueryStr() || m_navigate->IsFirstTime()) {
            m_navigate->SetQueryStr(text);
            m_navigate->OpenRecordset(m_conn);
            static_cast<PagingBar*>(NavigateBar)->ShowPages(*m_navigate);
        }
        if (m_navigate->GetRecordset(m_rs, 0, m_conn)) {
            std::vector<DataGridModel::Row> rows;
            LoadRecordset(rows, m_rs, m_navigate->PageSize());
            const int fields = m_rs->Fields().Count();
            if (!m_headerBuilt) {
                m_model->Reset(fields + 1, {});
                for (int i = 0; i < fields; ++i)
                    m_model->SetHeader(i + 1, m_rs->Fields().Item(i).Name());
                grdDataGrid->setColumnWidth(0, ui::TwipsToPixels(MarkerWidth, this));
                if (fields == 1) grdDataGrid->setColumnWidth(1, ui::TwipsToPixels(OneFieldWidth, this));
                m_headerBuilt = true;
            }
            grdDataGrid->setUpdatesEnabled(false);
            std::vector<int> widths;
            for (int c = 0; c < m_model->columnCount(); ++c)
                widths.push_back(grdDataGrid->columnWidth(c));
            m_model->ReplaceRows(std::move(rows));
            for (int c = 0; c < m_model->columnCount(); ++c)
                grdDataGrid->setColumnWidth(c, widths[std::size_t(c)]);
            grdDataGrid->setUpdatesEnabled(true);
        }
        static_cast<PagingBar*>(NavigateBar)->ShowRecords(*m_navigate);
    } catch (...) {
        grdDataGrid->setUpdatesEnabled(true);
        report(QStringLiteral("LoadRecords"));
    }
}

std::int32_t frmViewData::LoadRecordset(std::vector<DataGridModel::Row>& rows,
                                        const std::shared_ptr<ado::Recordset>& rs, std::int32_t PageSize)
{
    std::int32_t read = 0;
    try {
        if (!rs) vb::Raise(vb::errnum::ObjectVariableNotSet);
        const int fields = rs->Fields().Count();
        while (!rs->Eof() && read < PageSize) {
            DataGridModel::Row row;
            row.cells.resize(std::size_t(fields + 1));
            for (int i = 0; i < fields; ++i) {
                const vb::Variant v = rs->Value(i);
                if (!v.isNull() && !v.isEmpty()) row.cells[std::size_t(i + 1)] = vb::CStr(v);
            }
            row.rowData = ++read;
            rows.push_back(std::move(row));
            rs->MoveNext();
        }
    } catch (...) {
        report(QStringLiteral("LoadRecordset"));
    }
    return read;
}

void frmViewData::Navigate(const QString& action)
{
    if (m_navigate)
        static_cast<PagingBar*>(NavigateBar)->Move(action, *m_navigate, [&] { LoadRecords(m_filter); });
}

void frmViewData::reject()
{
    close();
}

void frmViewData::closeEvent(QCloseEvent* event)
{
    m_rs.reset();
    m_navigate.reset();
    event->accept();
}
