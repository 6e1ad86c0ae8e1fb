#include "screens/frmGridPropertyList.h"

#include "core/FormGuard.h"
#include "platform/ui/Services.h"
#include "platform/widgets/FormKit.h"
#include "screens/DataViewGrid.h"
#include "screens/frmGridProperty.h"

#include <QAction>
#include <QCloseEvent>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const QString kModule = QStringLiteral("frmGridPropertyList");
}

frmGridPropertyList::frmGridPropertyList(QWidget* parent)
    : QDialog(parent), m_columns(QStringLiteral("GridProperty"), GridPropertyDefaults(), kModule)
{
    setObjectName(QStringLiteral("frmGridPropertyList"));
    setWindowTitle(QStringLiteral("Grid Property List"));
    resize(640, 360);
    auto* layout = new QVBoxLayout(this);
    Toolbar1 = ui::named(new QToolBar(this), "Toolbar1");
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto addButton = [this](const char* key, QStyle::StandardPixmap icon) {
        QAction* a = Toolbar1->addAction(style()->standardIcon(icon), QString::fromLatin1(key));
        a->setObjectName(QString::fromLatin1(key));
        connect(a, &QAction::triggered, this, [this, key] {
            GuardedHandler(kModule, "Toolbar1_ButtonClick",
                           [&] { Toolbar1_ButtonClick(QString::fromLatin1(key)); });
        });
    };
    addButton("Open", QStyle::SP_DialogOpenButton);
    addButton("Up One Level", QStyle::SP_FileDialogToParent);
    DataViewGrid1 = new DataViewGrid(this);
    DataViewGrid1->setObjectName(QStringLiteral("DataViewGrid1"));
    m_columns.Attach(*DataViewGrid1);
    DataViewGrid1->DblClick = [this] {
        GuardedHandler(kModule, "DataViewGrid1_DblClick", [this] { OpenRow(); });
    };
    layout->addWidget(Toolbar1);
    layout->addWidget(DataViewGrid1, 1);
}

frmGridPropertyList::~frmGridPropertyList() = default;

void frmGridPropertyList::Component(const std::shared_ptr<CGridPropertys>& vGrids, const QString& GridName)
{
    m_grids = vGrids;
    m_gridName = GridName.isEmpty() && vGrids ? vGrids->ListName() : GridName;
}

QAction* frmGridPropertyList::ToolbarButton(const QString& key) const
{
    return Toolbar1->findChild<QAction*>(key);
}

void frmGridPropertyList::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kModule, "Form_Load", [this] { Form_Load(); });
}

void frmGridPropertyList::Form_Load()
{
    if (!m_grids) return;
    m_columns.SetDefaultColumns(*m_grids);
    DataViewGrid1->SetDataSource(m_grids);
    DataViewGrid1->SetThinBorder(false);
    // The window opens wide enough for every column of its grid, as far as
    // the screen allows.
    const QMargins margins = layout()->contentsMargins();
    int wanted = DataViewGrid1->ContentWidth() + margins.left() + margins.right();
    if (const QScreen* shown = screen()) wanted = std::min(wanted, shown->availableGeometry().width());
    if (wanted > width()) resize(wanted, height());
}

void frmGridPropertyList::Toolbar1_ButtonClick(const QString& key)
{
    if (key == QLatin1String("Open"))
        OpenRow();
    else if (key == QLatin1String("Up One Level"))
        close();
}

void frmGridPropertyList::OpenRow()
{
    std::shared_ptr<CGridProperty> record;
    if (m_grids) record = m_grids->Item(DataViewGrid1->CurrentRecord());
    if (!record) record = std::make_shared<CGridProperty>();
    frmGridProperty dialog(this);
    dialog.Component(record);
    ui::services().ShowModal(&dialog, this);
    if (!record->Cancel()) DataViewGrid1->Update(DataViewGrid1->Row());
}

void frmGridPropertyList::reject()
{
    close();
}

void frmGridPropertyList::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        GuardedHandler(kModule, "Form_Unload", [this] { Form_Unload(); });
    }
    event->accept();
}

void frmGridPropertyList::Form_Unload()
{
    if (m_loaded) m_columns.SetColWidth(*DataViewGrid1, true);
    m_grids.reset();
}

void EditGridColumns(QWidget* owner, DataViewGrid& grid, GridColumns& columns)
{
    columns.SetColWidth(grid, false);
    frmGridPropertyList editor(owner);
    editor.Component(columns.List(), QString());
    ui::services().ShowModal(&editor, owner);
    grid.SetColumn();
}
