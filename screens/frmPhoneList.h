#pragma once
// frmPhoneList: the DNC numbers of one area code (one table "phone" + code),
// one page at a time in the data grid. Numbers are added through frmPhone,
// marked deleted and removed on Save, narrowed with frmPhoneFind; the grid's
// column settings are those of the list "PhoneList".

#include "records/CPhones.h"
#include "screens/GridColumns.h"

#include <QDialog>
#include <QString>
#include <memory>

class CNavigate;
class DataViewGrid;
class PagingBar;
class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QToolBar;

namespace ado {
class Recordset;
}

class frmPhoneList : public QDialog {
    Q_OBJECT
public:
    explicit frmPhoneList(QWidget* parent = nullptr);
    ~frmPhoneList() override;

    QString PhoneTableName() const { return m_PhoneTableName; }
    void SetPhoneTableName(const QString& value) { m_PhoneTableName = value; }

    // Column widths kept, the query opened again, page 1 of all numbers.
    void ToolbarForm_Refresh();
    void tlBar_ButtonClick(const QString& key);
    // A toolbar button or Tools menu item by its key.
    QAction* Button(const QString& key) const;

    QToolBar* tlBar = nullptr;
    DataViewGrid* DataViewGrid1 = nullptr;
    PagingBar* NavigateBar = nullptr;
    QLineEdit* PageCaption = nullptr;
    QLabel* lblTotalPage = nullptr;
    QLabel* lblRecords = nullptr;
    QToolButton* cmdFirst = nullptr;
    QToolButton* cmdPrev = nullptr;
    QToolButton* cmdNext = nullptr;
    QToolButton* cmdLast = nullptr;

    std::shared_ptr<CPhones> Phones() const { return m_Phones; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Form_Load();
    bool Form_QueryUnload();
    void Form_Unload();
    void LoadData(const QString& where);
    void Navigate(const QString& action);
    void SetEditState(bool pending);
    void SetToolbar();
    void ToolbarForm_New();
    void ToolbarForm_Delete();
    void ToolbarForm_Save();
    void ToolbarForm_Find();
    void m_Object_RecordsetSaved(const vb::Variant& Phone, std::int32_t Action);

    QString m_PhoneTableName;
    std::shared_ptr<CPhones> m_Phones;
    std::shared_ptr<CPhone> m_Object;
    GridColumns m_GridPropertys;
    std::unique_ptr<CNavigate> m_Navigate;
    std::shared_ptr<ado::Recordset> m_PageRecordset;
    QString m_Filter;
    bool m_Editable = false;
    bool m_loaded = false;
    bool m_unloaded = false;
};
