#pragma once
// frmProperties ("Properties"): the program's own settings: the updater,
// the maker's update page and request address (locked until Ctrl+F12), the
// automatic check for a new version, and the area codes kept in the DNC
// database. Settings are read on opening and written only on "Ok".

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class frmProperties : public QDialog {
    Q_OBJECT
public:
    explicit frmProperties(QWidget* parent = nullptr);

    void Form_Load();
    void cmdGo_Click();
    void cmdDelete_Click();
    void cmdAddData_Click();
    void cmdDeleteData_Click();
    void cmdOK_Click();
    void cmdClose_Click();

    QLabel* Label2 = nullptr;
    QLineEdit* webhttp = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* defaultemail = nullptr;
    QCheckBox* autochecknewversion = nullptr;
    QLabel* Label4 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QListWidget* lstArea = nullptr;
    QLineEdit* txtCode = nullptr;
    QPushButton* cmdGo = nullptr;
    QPushButton* cmdDelete = nullptr;
    QLabel* Label5 = nullptr;    // hidden
    QGroupBox* Frame1 = nullptr; // hidden
    QListWidget* lstData = nullptr;
    QLineEdit* txtData = nullptr;
    QPushButton* cmdAddData = nullptr;
    QPushButton* cmdDeleteData = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* Label1 = nullptr;           // hidden
    QLineEdit* updateprogram = nullptr; // hidden

protected:
    void showEvent(QShowEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void AddCode(QLineEdit* box, QListWidget* list);
    void DeleteCode(QListWidget* list);

    bool m_loaded = false;
};
