#include "dialogs/frmMakeConnection.h"

#include "core/CDataConnection.h"
#include "core/FormGuard.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/odbc/DriverManager.h"
#include "platform/ui/Services.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kForm = QStringLiteral("frmMakeConnection");
const QString kJet = QStringLiteral("Microsoft.Jet.OLEDB.4.0");
const QString kMSDASQL = QStringLiteral("MSDASQL");
const QString kSQLOLEDB = QStringLiteral("SQLOLEDB");
const QString kMSDAORA = QStringLiteral("MSDAORA");
const QString kFoxPro = QStringLiteral("Microsoft Visual FoxPro (DBF)");

// A sorted combo box keeps its items in order as they are added.
void addSorted(QComboBox* box, const QString& item)
{
    int at = 0;
    while (at < box->count() && QString::compare(box->itemText(at), item, Qt::CaseInsensitive) <= 0)
        ++at;
    box->insertItem(at, item);
}

// A label that gives its field's access key.
QLabel* newLabelFor(const char* name, const QString& caption, QWidget* parent, QWidget* buddy)
{
    QLabel* label = ui::newLabel(name, caption, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

frmMakeConnection::frmMakeConnection(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMakeConnection"));
    setWindowTitle(QStringLiteral("Connection Setting"));
    buildControls();
}

frmMakeConnection::~frmMakeConnection() = default;

QStringList frmMakeConnection::Providers()
{
    return {kJet, kMSDASQL, kSQLOLEDB, kMSDAORA, kFoxPro};
}

void frmMakeConnection::buildControls()
{
    ui::EditCombo* provider = ui::newCombo("txtProvider", this, true, 24);
    txtProvider = provider;
    ui::EditCombo* dsnList = ui::newCombo("cboDSNList", this, true, 24);
    cboDSNList = dsnList;
    txtUID = ui::newEdit("txtUID", this);
    txtPWD = ui::newEdit("txtPWD", this);
    txtPWD->setEchoMode(QLineEdit::Password);
    txtPWD->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    txtDatabase = ui::newEdit("txtDatabase", this);
    cmdBroswer = ui::newButton("cmdBroswer", QStringLiteral("..."), this);
    cmdBroswer->setToolTip(QStringLiteral("Open Microsoft Access Database"));
    cmdBroswer->setFixedWidth(cmdBroswer->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 24);
    ui::EditCombo* drivers = ui::newCombo("cboDrivers", this, true, 24);
    cboDrivers = drivers;
    txtServer = ui::newEdit("txtServer", this);
    cmdConnection = ui::newButton("cmdConnection", QStringLiteral("&Test Connection"), this);
    cmdOK = ui::newButton("cmdOK", QStringLiteral("&Apply"), this);
    cmdCancel = ui::newButton("cmdCancel", QStringLiteral("&Cancel"), this);

    lblProvider = newLabelFor("lblProvider", QStringLiteral("&Provider"), this, txtProvider);
    lblDSN = newLabelFor("lblDSN", QStringLiteral("&DSN:"), this, cboDSNList);
    lblUID = newLabelFor("lblUID", QStringLiteral("&UID:"), this, txtUID);
    lblPWD = newLabelFor("lblPWD", QStringLiteral("&Password:"), this, txtPWD);
    lblDatabase = newLabelFor("lblDatabase", QStringLiteral("Data&base:"), this, txtDatabase);
    lblDrivers = newLabelFor("lblDrivers", QStringLiteral("Dri&ver:"), this, cboDrivers);
    lblServer = newLabelFor("lblServer", QStringLiteral("&Server:"), this, txtServer);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(6);
    fields->setColumnStretch(1, 1);
    int row = 0;
    auto addRow = [&](QLabel* label, QWidget* field) {
        fields->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        fields->addWidget(field, row, 1, 1, 2);
        ++row;
    };
    addRow(lblProvider, txtProvider);
    addRow(lblDSN, cboDSNList);
    addRow(lblUID, txtUID);
    addRow(lblPWD, txtPWD);
    fields->addWidget(lblDatabase, row, 0, Qt::AlignRight | Qt::AlignVCenter);
    fields->addWidget(txtDatabase, row, 1);
    fields->addWidget(cmdBroswer, row, 2);
    ++row;
    addRow(lblDrivers, cboDrivers);
    addRow(lblServer, txtServer);

    for (QPushButton* b : {cmdConnection, cmdOK, cmdCancel})
        b->setMinimumWidth(qMax(b->sizeHint().width() + 12, 88));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdConnection);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(14, 14, 14, 12);
    outer->setSpacing(14);
    outer->addLayout(fields);
    outer->addStretch(1);
    outer->addLayout(buttons);
    setMinimumWidth(440);

    setTabOrder(txtProvider, cboDSNList);
    setTabOrder(cboDSNList, txtUID);
    setTabOrder(txtUID, txtPWD);
    setTabOrder(txtPWD, txtDatabase);
    setTabOrder(txtDatabase, cmdBroswer);
    setTabOrder(cmdBroswer, cboDrivers);
    setTabOrder(cboDrivers, txtServer);
    setTabOrder(txtServer, cmdConnection);
    setTabOrder(cmdConnection, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    // Every box selects its text on entry and moves on with Enter; the
    // manners sit on the combo boxes themselves, where the keys arrive.
    for (QWidget* field :
         {static_cast<QWidget*>(txtProvider), static_cast<QWidget*>(cboDSNList),
          static_cast<QWidget*>(txtUID), static_cast<QWidget*>(txtPWD), static_cast<QWidget*>(txtDatabase),
          static_cast<QWidget*>(cboDrivers), static_cast<QWidget*>(txtServer)})
        ui::useEditBoxManners(field);
    txtProvider->installEventFilter(this);

    // Click: an item picked from the list by the user, not Qt's matching of
    // a typed text when the box is left.
    connect(provider, &ui::EditCombo::picked, this,
            [this] { GuardedHandler(kForm, "txtProvider_Click", [this] { txtProvider_Click(); }); });
    connect(dsnList, &ui::EditCombo::picked, this,
            [this] { GuardedHandler(kForm, "cboDSNList_Click", [this] { cboDSNList_Click(); }); });
    connect(drivers, &ui::EditCombo::picked, this,
            [this] { GuardedHandler(kForm, "cboDrivers_Click", [this] { cboDrivers_Click(); }); });
    connect(cmdBroswer, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdBroswer_Click", [this] { cmdBroswer_Click(); }); });
    connect(cmdConnection, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdConnection_Click", [this] { cmdConnection_Click(); }); });
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

void frmMakeConnection::showEvent(QShowEvent* event)
{
    if (!m_loaded) GuardedHandler(kForm, "Form_Load", [this] { Form_Load(); });
    QDialog::showEvent(event);
    txtProvider->setFocus(Qt::OtherFocusReason);
}

void frmMakeConnection::Form_Load()
{
    m_loaded = true;
    fillDataSourceLists();

    txtProvider->clear();
    txtProvider->addItems(Providers());

    if (m_component) {
        txtDatabase->setText(m_component->Database());
        txtUID->setText(m_component->UserID());
        cboDrivers->setEditText(m_component->Driver());
        cboDSNList->setEditText(m_component->DSN());
        txtProvider->setEditText(m_component->Provider());
        txtServer->setText(m_component->Server());
        txtPWD->setText(m_component->Pwd());
    } else {
        txtProvider->setEditText(QString());
    }
}

void frmMakeConnection::fillDataSourceLists()
{
    cboDSNList->clear();
    cboDrivers->clear();
    addSorted(cboDSNList, CDataConnection::NoDSN());

    // A data source's driver and the drivers installed beside it: either may
    // be what a driver-based MSDASQL connection names.
    QStringList drivers;
    try {
        for (const odbc::DataSource& source : odbc::DataSources()) {
            if (source.name.trimmed().isEmpty()) continue;
            addSorted(cboDSNList, source.name);
            drivers << source.description;
        }
        drivers << odbc::Drivers();
    } catch (...) {
        // No driver manager: the lists stay as they are.
    }
    for (const QString& driver : drivers)
        addSorted(cboDrivers, driver);

    // The list is sorted, so a driver named twice stands in neighbouring entries.
    int at = 0;
    while (at + 1 < cboDrivers->count()) {
        if (cboDrivers->itemText(at) == cboDrivers->itemText(at + 1))
            cboDrivers->removeItem(at);
        else
            ++at;
    }
    cboDrivers->setEditText(QString());

    cboDSNList->setCurrentIndex(cboDSNList->findText(CDataConnection::NoDSN(), Qt::MatchExactly));
}

QString frmMakeConnection::MakeConnectionString() const
{
    const QString provider = txtProvider->currentText();
    const QString dsn = cboDSNList->currentText();
    const QString driver = cboDrivers->currentText();
    const QString server = txtServer->text();
    const QString database = txtDatabase->text();
    const QString user = txtUID->text();
    const QString password = txtPWD->text();
    using ado::ConnectionItem;
    const QString head = ConnectionItem(QStringLiteral("PROVIDER"), provider);

    if (provider == kMSDASQL) {
        QString parts;
        if (!dsn.isEmpty() && dsn != CDataConnection::NoDSN()) {
            parts = ConnectionItem(QStringLiteral("DSN"), dsn);
        } else {
            if (driver.isEmpty() || server.isEmpty() || database.isEmpty()) return {};
            parts = QStringLiteral("Driver={") + QString(driver).replace(u'}', QStringLiteral("}}")) +
                    QStringLiteral("};") + ConnectionItem(QStringLiteral("Server"), server);
        }
        parts +=
            ConnectionItem(QStringLiteral("UID"), user) + ConnectionItem(QStringLiteral("PWD"), password);
        if (!database.isEmpty()) parts += ConnectionItem(QStringLiteral("Database"), database);
        return head + parts;
    }
    if (provider == kSQLOLEDB) {
        if (server.isEmpty() || database.isEmpty()) return {};
        return head + ConnectionItem(QStringLiteral("Data Source"), server) +
               ConnectionItem(QStringLiteral("Initial Catalog"), database) +
               QStringLiteral("Integrated Security=SSPI;") + QStringLiteral("Persist Security Info=False;") +
               ConnectionItem(QStringLiteral("User Id"), user) +
               ConnectionItem(QStringLiteral("Password"), password);
    }
    if (provider == kMSDAORA) {
        if (server.isEmpty()) return {};
        return head + ConnectionItem(QStringLiteral("Data Source"), server) +
               ConnectionItem(QStringLiteral("User Id"), user) +
               ConnectionItem(QStringLiteral("Password"), password);
    }
    if (provider == kFoxPro) {
        if (database.isEmpty()) return {};
        return QStringLiteral("Driver={Microsoft Visual FoxPro Driver};") +
               QStringLiteral("SourceType=DBF;") + ConnectionItem(QStringLiteral("SourceDB"), database) +
               QStringLiteral("Exclusive=No");
    }
    if (database.isEmpty()) return {};
    QString result = head + ConnectionItem(QStringLiteral("Data Source"), database);
    if (!password.isEmpty())
        result += ConnectionItem(QStringLiteral("Jet OLEDB:Database Password"), password);
    return result;
}

void frmMakeConnection::applyEnablingRule()
{
    const QString provider = txtProvider->currentText();
    bool dsn = true, drivers = true, server = true, browse = true, user = true;
    if (provider == kSQLOLEDB || provider == kMSDAORA) {
        dsn = false;
        drivers = false;
        browse = false;
    } else if (provider == kMSDASQL) {
        browse = false;
    } else if (provider == kJet || provider == kFoxPro) {
        dsn = false;
        drivers = false;
        server = false;
        user = false;
    }
    cboDSNList->setEnabled(dsn);
    cboDrivers->setEnabled(drivers);
    txtServer->setEnabled(server);
    cmdBroswer->setEnabled(browse);
    txtUID->setEnabled(user);
}

void frmMakeConnection::txtProvider_Click()
{
    applyEnablingRule();
}

void frmMakeConnection::txtProvider_LostFocus()
{
    applyEnablingRule();
}

void frmMakeConnection::cboDSNList_Click()
{
    sendTab();
}

void frmMakeConnection::cboDrivers_Click()
{
    sendTab();
}

void frmMakeConnection::sendTab()
{
    focusNextPrevChild(true);
}

void frmMakeConnection::cmdBroswer_Click()
{
    try {
        dlgDbName.Filter =
            QStringLiteral("Microsoft Access MDBs (*.mdb)|*.mdb") + QStringLiteral("|All Files (*.*)|*.*");
        dlgDbName.FilterIndex = 1;
        dlgDbName.DialogTitle = QStringLiteral("Open Microsoft Access Database");
        dlgDbName.FileName = txtDatabase->text();
        dlgDbName.CancelError = true;
        dlgDbName.Flags =
            txtProvider->currentText() == kFoxPro ? 0 : static_cast<int>(ui::cdlOFNFileMustExist);
        dlgDbName.ShowOpen();
        const QString chosen = dlgDbName.FileName;
        if (!chosen.isEmpty() && chosen != txtDatabase->text()) txtDatabase->setText(chosen);
    } catch (...) {
        // Cancelled or failed: the database stays as it was.
        vb::CatchError();
    }
}

void frmMakeConnection::testConnection() const
{
    const QString provider = txtProvider->currentText();
    // MSDAORA's driver (Oracle's client) does not exist on this system.
    if (provider == kMSDAORA)
        ado::Raise(
            ado::errnum::ProviderNotFound,
            QStringLiteral("The provider MSDAORA cannot be used: there is no Oracle driver on this system."),
            ado::ConnectionSource());

    // The test opens the string the program will use, which is built from
    // the same fields by CDataConnection; a provider it cannot build for is
    // no usable connection, however well the dialog's own string would open.
    CDataConnection used;
    used.SetProvider(provider);
    used.SetDSN(cboDSNList->currentText());
    used.SetDriver(cboDrivers->currentText());
    used.SetServer(txtServer->text());
    used.SetDatabase(txtDatabase->text());
    used.SetUserID(txtUID->text());
    used.SetPwd(txtPWD->text());
    const QString usedString = used.MakeConnectionString();
    if (usedString.isEmpty() && !MakeConnectionString().isEmpty())
        ado::Raise(ado::errnum::ProviderNotFound,
                   QStringLiteral("The program cannot connect through the provider \"%1\".").arg(provider),
                   ado::ConnectionSource());

    auto connection = ado::Connection::Create();
    connection->Open(usedString, QString(), QString(), -1);
    connection->Close();
}

void frmMakeConnection::cmdConnection_Click()
{
    try {
        testConnection();
        ui::MsgBox(QStringLiteral("Test Connection is succeeded"), ui::vbInformation);
    } catch (...) {
        const vb::ErrObject& err = vb::CatchError();
        ui::MsgBox(QStringLiteral("Test Connection is failed!") + QStringLiteral("\r\n") +
                       QStringLiteral("Error:") + err.Description + QStringLiteral("(") +
                       QString::number(err.Number) + QStringLiteral(")"),
                   ui::vbCritical);
    }
}

void frmMakeConnection::cmdOK_Click()
{
    if (m_component) {
        m_component->SetDatabase(txtDatabase->text());
        m_component->SetUserID(txtUID->text());
        m_component->SetDriver(cboDrivers->currentText());
        m_component->SetDSN(cboDSNList->currentText());
        m_component->SetProvider(txtProvider->currentText());
        m_component->SetServer(txtServer->text());
        m_component->SetPwd(txtPWD->text());
    }
    accept();
}

void frmMakeConnection::cmdCancel_Click()
{
    reject();
}

bool frmMakeConnection::eventFilter(QObject* watched, QEvent* event)
{
    // Only a move to another control of this form counts: switching windows
    // or opening the box's own list is no LostFocus.
    if (watched == txtProvider && event->type() == QEvent::FocusOut && ui::isOwnFocusChange(event))
        GuardedHandler(kForm, "txtProvider_LostFocus", [this] { txtProvider_LostFocus(); });
    return QDialog::eventFilter(watched, event);
}
