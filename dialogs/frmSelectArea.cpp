#include "dialogs/frmSelectArea.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/FormGuard.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "dncdb/ModuleDNC.h"
#include "platform/ado/Connection.h"
#include "platform/ui/Services.h"
#include "platform/widgets/ControlHelpers.h"
#include "platform/widgets/FormKit.h"
#include "screens/frmPhoneList.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kModule = QStringLiteral("frmSelectArea");
}

bool IsAreaCodeText(const QString& text)
{
    if (text.size() != 3) return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

frmSelectArea::frmSelectArea(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectArea"));
    setWindowTitle(QStringLiteral("Create, Delete Area Codes in DNC - Add/View Numbers"));
    auto* layout = new QHBoxLayout(this);
    lstArea = ui::named(new QListWidget(this), "lstArea");
    ui::KeepChoiceOnBlankClick(lstArea);
    lstArea->setMinimumWidth(120);
    layout->addWidget(lstArea);

    auto* side = new QVBoxLayout;
    auto* codeRow = new QHBoxLayout;
    txtCode = ui::newEdit("txtCode", this);
    txtCode->setMaximumWidth(80);
    codeRow->addWidget(ui::newLabel("Label1", QStringLiteral("New Area Code"), this));
    codeRow->addWidget(txtCode);
    side->addLayout(codeRow);
    cmdGo = ui::newButton("cmdGo", QStringLiteral("Add New Code"), this, 180);
    cmdDelete = ui::newButton("cmdDelete", QStringLiteral("Delete Code"), this, 180);
    cmdOK = ui::newButton("cmdOK", QStringLiteral("View"), this, 180);
    cmdRefresh = ui::newButton("cmdRefresh", QStringLiteral("Refresh Record Number"), this, 180);
    side->addWidget(cmdGo);
    side->addWidget(cmdDelete);
    side->addWidget(cmdOK);
    side->addWidget(cmdRefresh);
    auto* totalRow = new QHBoxLayout;
    Label3 = ui::newLabel("Label3", QString(), this);
    totalRow->addWidget(ui::newLabel("Label2", QStringLiteral("Total Records:"), this));
    totalRow->addWidget(Label3, 1);
    side->addLayout(totalRow);
    side->addStretch();
    cmdCancel = ui::newButton("cmdCancel", QStringLiteral("Close"), this, 180);
    side->addWidget(cmdCancel);
    layout->addLayout(side);

    connect(cmdGo, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdGo_Click", [this] { cmdGo_Click(); }); });
    connect(cmdDelete, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdDelete_Click", [this] { cmdDelete_Click(); }); });
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdRefresh, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdRefresh_Click", [this] { cmdRefresh_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { close(); });
}

frmSelectArea::~frmSelectArea() = default;

void frmSelectArea::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kModule, "Form_Load", [this] { Form_Load(); });
}

void frmSelectArea::Form_Load()
{
    lstArea->clear();
    // On a server the list is read again: other desktops add and drop area
    // codes too.
    if (StoreIsOnServer()) LoadTables();
    if (gPhoneTables)
        for (std::int32_t i = 1; i <= gPhoneTables->Count(); ++i)
            if (const auto item = gPhoneTables->Item(i)) lstArea->addItem(item->ItemValue().right(3));
    if (lstArea->count() > 0) lstArea->setCurrentRow(0);
    Label3->setText(SettingText(QStringLiteral("lasttotal")));
}

void frmSelectArea::cmdGo_Click()
{
    const QString code = txtCode->text();
    if (code.size() != 3) {
        ui::MsgBox(QStringLiteral("Area Code must be 3 digits"));
        return;
    }
    if (!IsAreaCodeText(code)) {
        ui::MsgBox(QStringLiteral("Area Code must be numbers"));
        return;
    }
    for (int i = 0; i < lstArea->count(); ++i)
        if (lstArea->item(i)->text() == code) {
            ui::MsgBox(QStringLiteral("Area Code aready is in the list"));
            return;
        }
    const QString kept =
        QStringLiteral(",") + SettingText(QStringLiteral("keptareacode")) + QStringLiteral(",");
    if (kept != QLatin1String(",,") && !kept.contains(QStringLiteral(",") + code + QStringLiteral(","))) {
        ui::MsgBox(QStringLiteral("Area Code is not in the given list!"), ui::vbExclamation);
        return;
    }
    if (!gDataAccess) vb::Raise(vb::errnum::ObjectVariableNotSet);
    auto connection = ado::Connection::Create();
    // A connection that cannot be opened is reported by the handler's guard;
    // nothing is listed.
    connection->Open(gDataAccess->DefaultConnectionString(), QString(), QString());
    CreatePhoneTable(code, connection, 0);
    try {
        connection->Close();
    } catch (...) {
        vb::CatchError();
    }
    // Listed only when the table came into being.
    if (gPhoneTables && gPhoneTables->Item(QStringLiteral("phone") + code)) lstArea->addItem(code);
}

void frmSelectArea::cmdDelete_Click()
{
    const int p = lstArea->currentRow();
    if (p < 0 || !lstArea->currentItem() || !lstArea->currentItem()->isSelected()) {
        lstArea->setFocus();
        return;
    }
    const QString code = lstArea->currentItem()->text();
    if (ui::MsgBox(QStringLiteral("Are you sure to delete this area code:") + code +
                       QStringLiteral(" from database?"),
                   ui::vbYesNo) == ui::vbNo)
        return;
    if (!gDataAccess) vb::Raise(vb::errnum::ObjectVariableNotSet);
    // A failed drop has been reported; the code stays where it is.
    if (!gDataAccess->ExecQuery(QStringLiteral("Drop Table phone") + code)) {
        lstArea->setFocus();
        return;
    }
    if (gPhoneTables) gPhoneTables->Remove(QStringLiteral("phone") + code);
    delete lstArea->takeItem(p);
    if (p < lstArea->count())
        lstArea->setCurrentRow(p);
    else if (lstArea->count() > 0)
        lstArea->setCurrentRow(lstArea->count() - 1);
    lstArea->setFocus();
}

void frmSelectArea::cmdOK_Click()
{
    const QListWidgetItem* item = lstArea->currentItem();
    if (!item || !item->isSelected()) return;
    frmPhoneList list(this);
    list.SetPhoneTableName(QStringLiteral("phone") + item->text());
    ui::services().ShowModal(&list, this);
}

void frmSelectArea::cmdRefresh_Click()
{
    bool ok = false;
    const std::int32_t total = GetDNCCount(&ok);
    // A count that failed has been reported; the stored total stays.
    if (!ok) return;
    const auto row = Setting(QStringLiteral("lasttotal"));
    if (!row) vb::Raise(vb::errnum::ObjectVariableNotSet);
    SaveSettingNow(*row, QString::number(total));
    Label3->setText(row->PropertyValue());
}
