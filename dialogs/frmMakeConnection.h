#pragma once
// frmMakeConnection: the "Connection Setting" dialog, in which the user edits
// one CDataConnection (its Component): provider, ODBC data source, user,
// password, database, ODBC driver and server. "Apply" copies the seven fields
// into the Component and closes; "Cancel" and the close box close without a
// change. "Test Connection" opens the connection the fields describe.
//
// Shown through CDataConnection::ShowMe; each showing loads the form afresh.

#include "platform/ui/CommonDialog.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class CDataConnection;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmMakeConnection : public QDialog {
    Q_OBJECT
public:
    explicit frmMakeConnection(QWidget* parent = nullptr);
    ~frmMakeConnection() override;

    // The object being edited; not owned. Set before the form is shown.
    void SetComponent(CDataConnection* component) { m_component = component; }
    CDataConnection* Component() const { return m_component; }

    // The providers offered, in list order.
    static QStringList Providers();

    // The connection string the current field texts describe, as this dialog
    // builds it (drivers in braces, Jet ending in ";"); empty when a
    // required field is empty.
    QString MakeConnectionString() const;

    // Loading: the lists, then the Component's fields. Runs when the form is
    // first shown; a test may run it itself.
    void Form_Load();

    // Handlers, run by the controls' signals and events.
    void txtProvider_Click();
    void txtProvider_LostFocus();
    void cboDSNList_Click();
    void cboDrivers_Click();
    void cmdBroswer_Click();
    void cmdConnection_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* lblProvider = nullptr;
    QComboBox* txtProvider = nullptr;
    QLabel* lblDSN = nullptr;
    QComboBox* cboDSNList = nullptr;
    QLabel* lblUID = nullptr;
    QLineEdit* txtUID = nullptr;
    QLabel* lblPWD = nullptr;
    QLineEdit* txtPWD = nullptr;
    QLabel* lblDatabase = nullptr;
    QLineEdit* txtDatabase = nullptr;
    QPushButton* cmdBroswer = nullptr;
    QLabel* lblDrivers = nullptr;
    QComboBox* cboDrivers = nullptr;
    QLabel* lblServer = nullptr;
    QLineEdit* txtServer = nullptr;
    QPushButton* cmdConnection = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    ui::CommonDialog dlgDbName;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void fillDataSourceLists();
    void applyEnablingRule();
    // Moves the focus on as a Tab keystroke would.
    void sendTab();
    // Throws vb::ErrObject when the program could not use the connection.
    void testConnection() const;

    CDataConnection* m_component = nullptr;
    bool m_loaded = false;
};
