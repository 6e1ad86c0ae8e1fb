#pragma once
// frmASC: "Additional Scrubbing Options". Edits the scrub settings the Start
// run reads: the default area code for seven-digit numbers, the OK and DNC
// result files (written or not, their names, a look at them), the backup
// of the source and whether numbers whose area code has no DNC table count
// as found. Every change goes into the settings at once; they are written
// to the database when the main window closes.

#include "platform/widgets/ControlArray.h"

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmASC : public QDialog {
    Q_OBJECT
public:
    explicit frmASC(QWidget* parent = nullptr);

    void Form_Load();
    void chkOptions_Click(std::int32_t Index);
    void chkFormat_Click();
    void defaultcode_Change();
    void OKFile_Change();
    void DNCFile_Change();
    void txtFormatChar_Change();
    void OKBrowser_Click();
    void DNCBrowser_Click();
    void OKView_Click();
    void DNCView_Click();
    void XPButton1_Click();

    QGroupBox* XPFrame1 = nullptr;
    ControlArray<QCheckBox> chkOptions; // 0, 2, 3, 4, 5
    QLineEdit* defaultcode = nullptr;
    QLineEdit* OKFile = nullptr;
    QPushButton* OKBrowser = nullptr;
    QPushButton* OKView = nullptr;
    QLineEdit* DNCFile = nullptr;
    QPushButton* DNCBrowser = nullptr;
    QPushButton* DNCView = nullptr;
    QLabel* Label11 = nullptr;          // hidden
    QCheckBox* chkFormat = nullptr;     // hidden
    QLineEdit* txtFormatChar = nullptr; // hidden
    QPushButton* XPButton1 = nullptr;   // "&Close"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void LoadOptions();
    void BrowseResultFile(QLineEdit* box, const QString& title);

    bool m_loading = false;
    bool m_loaded = false;
};
