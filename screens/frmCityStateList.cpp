#include "screens/frmCityStateList.h"

#include "core/CollectionTemplate.h"
#include "core/ErrorReport.h"
#include "core/FormGuard.h"
#include "platform/ui/Help.h"
#include "platform/ui/Services.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"
#include "screens/DataViewGrid.h"
#include "screens/ListScreenKit.h"
#include "screens/frmCityState.h"
#include "screens/frmCityStateFind.h"
#include "screens/frmGridPropertyList.h"

#include <QAction>
#include <QCloseEvent>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
const QString kModule = QStringLiteral("frmCityStateList");

std::vector<DefaultColumn> CityStateListDefaults()
{
    return {{QStringLiteral("CITYSTATEID"), QStringLiteral("CityStateID"), 835, 5, true},
            {QStringLiteral("AREACODE"), QStringLiteral("AreaCode"), 800, 1, false},
            {QStringLiteral("CITY"), QStringLiteral("City"), 2000, 0, false},
            {QStringLiteral("STATE"), QStringLiteral("State"), 500, 1, false},
            {QStringLiteral("NOTE"), QStringLiteral("Note"), 2240, 0, false}};
}
} // namespace

frmCityStateList::frmCityStateList(QWidget* parent)
    : QDialog(parent), m_GridPropertys(QStringLiteral("CityStateList"), CityStateListDefaults(), kModule)
{
    setObjectName(QStringLiteral("frmCityStateList"));
    setWindowTitle(QStringLiteral("CityState List"));
    resize(640, 460);
    auto* layout = new QVBoxLayout(this);
    tlBar = ui::named(new QToolBar(this), "tlBar");
    tlBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    BuildToolbar(tlBar,
                 {{"New", "New", "New", QStyle::SP_FileIcon},
                  {"Form", "Edit", "Show In a Form View", QStyle::SP_FileDialogInfoView},
                  {"Delete", "Delete", "Delete", QStyle::SP_TrashIcon},
                  {"Save", "Save", "Save", QStyle::SP_DialogSaveButton},
                  {"Cancel", "Cancel", "Cancel", QStyle::SP_DialogCancelButton},
                  {"Find", "Find", "Find", QStyle::SP_FileDialogContentsView},
                  {"Refresh", "Refresh", "Refresh", QStyle::SP_BrowserReload},
                  {"Column", "Column", "Default Column", QStyle::SP_FileDialogListView},
                  {"Help", "Help", "Help", QStyle::SP_DialogHelpButton},
                  {"Close", "Close", "Close", QStyle::SP_DialogCloseButton}},
                 [this](const QString& key) {
                     GuardedHandler(kModule, "tlBar_ButtonClick", [&] { tlBar_ButtonClick(key); });
                 });
    DataViewGrid1 = new DataViewGrid(this);
    DataViewGrid1->setObjectName(QStringLiteral("DataViewGrid1"));
    m_GridPropertys.Attach(*DataViewGrid1);
    DataViewGrid1->Dirty = [this] {
        GuardedHandler(kModule, "DataViewGrid1_Dirty", [this] { SetEditState(true); });
    };
    DataViewGrid1->DblClick = [this] {
        GuardedHandler(kModule, "DataViewGrid1_DblClick", [this] { OpenForm(); });
    };
    layout->addWidget(tlBar);
    layout->addWidget(DataViewGrid1, 1);
}

frmCityStateList::~frmCityStateList()
{
    if (m_Object) m_Object->OnRecordsetSaved({});
}

QAction* frmCityStateList::Button(const QString& key) const
{
    return tlBar->findChild<QAction*>(key);
}

void frmCityStateList::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kModule, "Form_Load", [this] { Form_Load(); });
}

void frmCityStateList::Form_Load()
{
    m_CityStates = std::make_shared<CCityStates>();
    m_Object = std::make_shared<CCityState>();
    m_Object->OnRecordsetSaved([this](const vb::Variant& key, std::int32_t action) {
        GuardedHandler(kModule, "m_Object_RecordsetSaved", [&] { m_Object_RecordsetSaved(key, action); });
    });
    vb::ResumeNext([&] { m_GridPropertys.SetDefaultColumns(*m_CityStates); });
    LoadData(QString());
    DataViewGrid1->SetThinBorder(false);
    m_Editable = true;
    SetToolbar();
}

void frmCityStateList::LoadData(const QString& where)
{
    try {
        const QString sql = QStringLiteral("Select * from CityState ") + ApplyWhereRule(where);
        if (m_CityStates->LoadRelated(QString(), sql)) DataViewGrid1->SetDataSource(m_CityStates);
        SetEditState(false);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, kModule, QStringLiteral("LoadRecords"), false);
    }
}

void frmCityStateList::SetToolbar()
{
    SetListToolbar(tlBar, m_Editable);
}

void frmCityStateList::SetEditState(bool pending)
{
    SetListEditState(tlBar, pending, m_Editable);
}

void frmCityStateList::tlBar_ButtonClick(const QString& key)
{
    if (key == QLatin1String("New"))
        ToolbarForm_New();
    else if (key == QLatin1String("Form"))
        OpenForm();
    else if (key == QLatin1String("Delete"))
        ToolbarForm_Delete();
    else if (key == QLatin1String("Save"))
        ToolbarForm_Save();
    else if (key == QLatin1String("Cancel"))
        LoadData(QString());
    else if (key == QLatin1String("Find"))
        ToolbarForm_Find();
    else if (key == QLatin1String("Refresh"))
        ToolbarForm_Refresh();
    else if (key == QLatin1String("Column"))
        EditGridColumns(this, *DataViewGrid1, m_GridPropertys);
    else if (key == QLatin1String("Help"))
        ShowHelp(this, QStringLiteral("help/helpCityState.htm"));
    else if (key == QLatin1String("Close"))
        close();
}

void frmCityStateList::ToolbarForm_New()
{
    if (!m_Object) return;
    m_Object->Clear();
    frmCityState dialog(this);
    dialog.Component(m_Object);
    ui::services().ShowModal(&dialog, this);
}

void frmCityStateList::OpenForm()
{
    if (!Button("Form")->isEnabled() || !m_Object) return;
    try {
        // Only a data row opens the dialog, and only when its row could be read.
        const auto record = m_CityStates->Item(DataViewGrid1->CurrentRecord());
        if (!record) return;
        m_Object->Clear();
        m_Object->SetCityStateID(record->CityStateID());
        if (!m_Object->Load(QString())) return;
        frmCityState dialog(this);
        dialog.Component(m_Object);
        ui::services().ShowModal(&dialog, this);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, kModule, QStringLiteral("LoadFormView"), false);
    }
}

void frmCityStateList::ToolbarForm_Delete()
{
    DeleteSelectedRows(*DataViewGrid1, *m_CityStates);
}

void frmCityStateList::ToolbarForm_Save()
{
    SaveDeletedRecords(*m_CityStates);
    ToolbarForm_Refresh();
    SetEditState(false);
}

void frmCityStateList::ToolbarForm_Find()
{
    frmCityStateFind find(this);
    ui::services().ShowModal(&find, this);
    if (find.OK()) LoadData(find.GetSQL());
}

void frmCityStateList::ToolbarForm_Refresh()
{
    m_GridPropertys.SetColWidth(*DataViewGrid1, false);
    LoadData(QString());
}

void frmCityStateList::m_Object_RecordsetSaved(const vb::Variant& key, std::int32_t action)
{
    const double id = key.isNull() || key.isEmpty() ? 0 : vb::Val(vb::CStr(key));
    TakeSavedRecord<CCityStates, CCityState>(action, *m_CityStates, *DataViewGrid1, m_Object,
                                             QStringLiteral(":") + QString::number(m_Object->CityStateID()),
                                             [&](const CCityState& r) { return r.CityStateID() == id; });
}

void frmCityStateList::reject()
{
    close();
}

void frmCityStateList::closeEvent(QCloseEvent* event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    bool proceed = true;
    GuardedHandler(kModule, "Form_QueryUnload", [&] {
        proceed = AskSaveOnClose(Button(QStringLiteral("Save"))->isEnabled(), *DataViewGrid1);
    });
    if (!proceed) {
        event->ignore();
        return;
    }
    m_unloaded = true;
    GuardedHandler(kModule, "Form_Unload", [this] {
        if (m_loaded) m_GridPropertys.SetColWidth(*DataViewGrid1, true);
        if (m_Object) m_Object->OnRecordsetSaved({});
    });
    event->accept();
}
