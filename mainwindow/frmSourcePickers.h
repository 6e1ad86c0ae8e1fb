#pragma once
// The three small dialogs that complete the choice of a calling list after
// Browser found it: the layout of a text file (frmTextWizard), the sheet of
// a workbook (frmExcelWizard), the table of a database (frmSelectTable).
// Component hands over the profile to edit; the dialog writes into it only
// when its OK button is pressed, and closing it otherwise changes nothing.

#include <QDialog>
#include <memory>

class CDataTypeInfo;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

class frmTextWizard : public QDialog {
    Q_OBJECT
public:
    explicit frmTextWizard(QWidget* parent = nullptr);
    void Component(std::shared_ptr<CDataTypeInfo> record) { m_profile = std::move(record); }

    void Form_Load();
    void cmdOK_Click();

    QCheckBox* chkIsTitleFirstLine = nullptr;
    QCheckBox* chkDelimited = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::shared_ptr<CDataTypeInfo> m_profile;
};

// The sheet or table list both list dialogs share.
class SheetListDialog : public QDialog {
    Q_OBJECT
public:
    void Component(std::shared_ptr<CDataTypeInfo> record) { m_profile = std::move(record); }

    QListWidget* cboSheet = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    SheetListDialog(QWidget* parent, const char* name, const QString& caption);
    void showEvent(QShowEvent* event) override;
    virtual void Form_Load();
    // The profile's names offered, its stored name (or a single one) chosen.
    void FillSheetList();
    // The row chosen, -1 for none.
public:
    int ChosenRow() const;

protected:
    // The chosen name, or an empty text after "Please select Sheet Name.".
    QString ChosenName();

    std::shared_ptr<CDataTypeInfo> m_profile;
};

class frmExcelWizard : public SheetListDialog {
    Q_OBJECT
public:
    explicit frmExcelWizard(QWidget* parent = nullptr);
    void cmdOK_Click();

    QCheckBox* chkIsTitleFirstLine = nullptr;
    QCheckBox* Updatable = nullptr; // not shown; kept in the profile's Delimited
    QLabel* Label1 = nullptr;       // "Sheet Name"

protected:
    void Form_Load() override;
};

class frmSelectTable : public SheetListDialog {
    Q_OBJECT
public:
    explicit frmSelectTable(QWidget* parent = nullptr);
    void cmdOK_Click();
};
