#include "screens/frmPhoneList.h"

#include "core/CDataAccess.h"
#include "core/CNavigate.h"
#include "core/CollectionTemplate.h"
#include "core/ErrorReport.h"
#include "core/FormGuard.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "platform/ado/Recordset.h"
#include "platform/ui/Help.h"
#include "platform/ui/Services.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"
#include "screens/DataViewGrid.h"
#include "screens/ListScreenKit.h"
#include "screens/PagingBar.h"
#include "screens/frmGridPropertyList.h"
#include "screens/frmPhone.h"
#include "screens/frmPhoneFind.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {
const QString kModule = QStringLiteral("frmPhoneList");

std::vector<DefaultColumn> PhoneListDefaults()
{
    return {{QStringLiteral("PHONE"), QStringLiteral("Phone Number"), 2000, 0, false}};
}
} // namespace

frmPhoneList::frmPhoneList(QWidget* parent)
    : QDialog(parent), m_GridPropertys(QStringLiteral("PhoneList"), PhoneListDefaults(), kModule)
{
    setObjectName(QStringLiteral("frmPhoneList"));
    setWindowTitle(QStringLiteral("Phone List"));
    resize(560, 520);
    auto* layout = new QVBoxLayout(this);
    tlBar = ui::named(new QToolBar(this), "tlBar");
    tlBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    BuildToolbar(tlBar,
                 {{"New", "New", "New", QStyle::SP_FileIcon},
                  {"Delete", "Delete", "Delete", QStyle::SP_TrashIcon},
                  {"Save", "Save", "Save", QStyle::SP_DialogSaveButton},
                  {"Cancel", "Cancel", "Cancel", QStyle::SP_DialogCancelButton},
                  {"Find", "Find", "Find", QStyle::SP_FileDialogContentsView},
                  {"Refresh", "Refresh", "Refresh", QStyle::SP_BrowserReload},
                  {"Tools", "Tools", "Tools", QStyle::SP_FileDialogDetailedView},
                  {"Column", "Column", "Default Column", QStyle::SP_FileDialogListView},
                  {"Help", "Help", "Help", QStyle::SP_DialogHelpButton},
                  {"Close", "Close", "Close", QStyle::SP_DialogCloseButton}},
                 [this](const QString& key) {
                     GuardedHandler(kModule, "tlBar_ButtonClick", [&] { tlBar_ButtonClick(key); });
                 });
    // The Tools button's menu: its items exist and do nothing yet.
    auto* menu = new QMenu(tlBar);
    for (const auto& [itemKey, caption] : {std::pair{"Import", "Import"}, std::pair{"Export", "Export"},
                                           std::pair{"Setup", "Import/Export Setup"}}) {
        QAction* item = menu->addAction(QString::fromLatin1(caption));
        item->setObjectName(QString::fromLatin1(itemKey));
        item->setProperty("Key", QString::fromLatin1(itemKey));
    }
    QAction* tools = Button(QStringLiteral("Tools"));
    tools->setMenu(menu);
    if (auto* b = qobject_cast<QToolButton*>(tlBar->widgetForAction(tools)))
        b->setPopupMode(QToolButton::MenuButtonPopup);
    DataViewGrid1 = new DataViewGrid(this);
    DataViewGrid1->setObjectName(QStringLiteral("DataViewGrid1"));
    m_GridPropertys.Attach(*DataViewGrid1);
    DataViewGrid1->Dirty = [this] {
        GuardedHandler(kModule, "DataViewGrid1_Dirty", [this] { SetEditState(true); });
    };
    NavigateBar = new PagingBar(this);
    cmdFirst = NavigateBar->cmdFirst;
    cmdPrev = NavigateBar->cmdPrev;
    cmdNext = NavigateBar->cmdNext;
    cmdLast = NavigateBar->cmdLast;
    PageCaption = NavigateBar->PageCaption;
    lblTotalPage = NavigateBar->lblTotalPage;
    lblRecords = NavigateBar->lblRecords;
    NavigateBar->Navigate = [this](const QString& action) {
        GuardedHandler(kModule, "Navigate", [&] { Navigate(action); });
    };
    layout->addWidget(tlBar);
    layout->addWidget(DataViewGrid1, 1);
    layout->addWidget(NavigateBar);
    SetPagedScreenMinimum(this, DataViewGrid1, DataViewGrid1->View());
}

frmPhoneList::~frmPhoneList()
{
    if (m_Object) m_Object->OnRecordsetSaved({});
}

QAction* frmPhoneList::Button(const QString& key) const
{
    return findChild<QAction*>(key);
}

void frmPhoneList::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kModule, "Form_Load", [this] { Form_Load(); });
}

void frmPhoneList::Form_Load()
{
    m_Phones = std::make_shared<CPhones>();
    m_Phones->SetTableName(m_PhoneTableName);
    m_Object = std::make_shared<CPhone>();
    m_Object->SetTableName(m_PhoneTableName);
    m_Object->OnRecordsetSaved([this](const vb::Variant& phone, std::int32_t action) {
        GuardedHandler(kModule, "m_Object_RecordsetSaved", [&] { m_Object_RecordsetSaved(phone, action); });
    });
    m_Navigate = std::make_unique<CNavigate>();
    vb::ResumeNext([&] {
        const double size = std::round(vb::CDbl(vb::Variant(SettingValue(QStringLiteral("m_pagesize")))));
        if (size >= 1 && size <= 2147483647.0) m_Navigate->SetPageSize(std::int32_t(size));
    });
    m_Navigate->SetCurrPage(1);
    setWindowTitle(QStringLiteral("Phone List for Area Code:") + m_PhoneTableName.right(3));
    vb::ResumeNext([&] { m_GridPropertys.SetDefaultColumns(*m_Phones); });
    LoadData(QString());
    DataViewGrid1->SetThinBorder(false);
    m_Editable = true;
    SetToolbar();
}

void frmPhoneList::LoadData(const QString& where)
{
    try {
        m_Filter = where;
        // The pages divide the table in the key's order: without one a
        // server may give each window of rows in another order (a scan
        // joins where another connection's scan is), and numbers would show
        // twice or never.
        const QString sql = QStringLiteral("Select * from ") + m_PhoneTableName + QLatin1Char(' ') +
                            ApplyWhereRule(where) + QStringLiteral(" Order by phone");
        if (m_Navigate->QueryStr() != sql || m_Navigate->IsFirstTime()) {
            m_Navigate->SetQueryStr(sql);
            m_Navigate->OpenRecordset(QString());
            NavigateBar->ShowPages(*m_Navigate);
        }
        if (m_Navigate->GetRecordset(m_PageRecordset, 0, QString())) {
            if (m_Phones->LoadRecordset(m_PageRecordset, m_Navigate->PageSize()))
                DataViewGrid1->SetDataSource(m_Phones);
        }
        NavigateBar->ShowRecords(*m_Navigate);
        SetEditState(false);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, kModule, QStringLiteral("LoadRecords"), false);
    }
}

void frmPhoneList::Navigate(const QString& action)
{
    if (m_Navigate) NavigateBar->Move(action, *m_Navigate, [&] { LoadData(m_Filter); });
}

void frmPhoneList::SetToolbar()
{
    SetListToolbar(tlBar, m_Editable);
}

void frmPhoneList::SetEditState(bool pending)
{
    SetListEditState(tlBar, pending, m_Editable);
}

void frmPhoneList::tlBar_ButtonClick(const QString& key)
{
    if (key == QLatin1String("New"))
        ToolbarForm_New();
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
        ShowHelp(this, QStringLiteral("help/helpPhone.htm"));
    else if (key == QLatin1String("Close"))
        close();
}

void frmPhoneList::ToolbarForm_New()
{
    if (!m_Object) return;
    m_Object->Clear();
    m_Object->SetIsNew(true);
    m_Object->SetPhone(std::int32_t(vb::Val(m_Object->TableName().right(3))));
    frmPhone dialog(this);
    dialog.Component(m_Object);
    ui::services().ShowModal(&dialog, this);
}

void frmPhoneList::ToolbarForm_Delete()
{
    DeleteSelectedRows(*DataViewGrid1, *m_Phones);
}

void frmPhoneList::ToolbarForm_Save()
{
    SaveDeletedRecords(*m_Phones);
    ToolbarForm_Refresh();
    SetEditState(false);
}

void frmPhoneList::ToolbarForm_Find()
{
    frmPhoneFind find(this);
    ui::services().ShowModal(&find, this);
    if (find.OK()) LoadData(find.GetSQL());
}

void frmPhoneList::ToolbarForm_Refresh()
{
    m_GridPropertys.SetColWidth(*DataViewGrid1, false);
    m_Navigate->SetIsFirstTime(true);
    LoadData(QString());
}

void frmPhoneList::m_Object_RecordsetSaved(const vb::Variant& Phone, std::int32_t Action)
{
    const double number = vb::Val(vb::CStr(Phone));
    TakeSavedRecord<CPhones, CPhone>(Action, *m_Phones, *DataViewGrid1, m_Object, QString(),
                                     [&](const CPhone& r) { return r.Phone() == number; });
    if (m_PageRecordset) vb::ResumeNext([&] { m_PageRecordset->Requery(); });
}

bool frmPhoneList::Form_QueryUnload()
{
    return AskSaveOnClose(Button(QStringLiteral("Save"))->isEnabled(), *DataViewGrid1);
}

void frmPhoneList::Form_Unload()
{
    if (m_loaded) m_GridPropertys.SetColWidth(*DataViewGrid1, true);
    if (m_Object) m_Object->OnRecordsetSaved({});
    m_Phones.reset();
    m_Object.reset();
    m_PageRecordset.reset();
    m_Navigate.reset();
}

void frmPhoneList::reject()
{
    close();
}

void frmPhoneList::closeEvent(QCloseEvent* event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    bool close = true;
    GuardedHandler(kModule, "Form_QueryUnload", [&] { close = Form_QueryUnload(); });
    if (!close) {
        event->ignore();
        return;
    }
    m_unloaded = true;
    GuardedHandler(kModule, "Form_Unload", [this] { Form_Unload(); });
    event->accept();
}
