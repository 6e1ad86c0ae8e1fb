#pragma once
// frmCityStateList ("CityState List"): every area code/city/state row, or
// those a find selects, in the data grid. Rows are added and opened through
// frmCityState, marked deleted and removed on Save; the grid's column
// settings are those of the list "CityStateList". No menu opens it: a host
// creates and shows it.

#include "records/CCityStates.h"
#include "screens/GridColumns.h"

#include <QDialog>
#include <memory>

class DataViewGrid;
class QAction;
class QToolBar;

class frmCityStateList : public QDialog {
    Q_OBJECT
public:
    explicit frmCityStateList(QWidget* parent = nullptr);
    ~frmCityStateList() override;

    // Column widths kept, all rows loaded again.
    void ToolbarForm_Refresh();
    void tlBar_ButtonClick(const QString& key);
    QAction* Button(const QString& key) const;

    QToolBar* tlBar = nullptr;
    DataViewGrid* DataViewGrid1 = nullptr;

    std::shared_ptr<CCityStates> CityStates() const { return m_CityStates; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Form_Load();
    void LoadData(const QString& where);
    void SetEditState(bool pending);
    void SetToolbar();
    void OpenForm();
    void ToolbarForm_New();
    void ToolbarForm_Delete();
    void ToolbarForm_Save();
    void ToolbarForm_Find();
    void m_Object_RecordsetSaved(const vb::Variant& key, std::int32_t action);

    std::shared_ptr<CCityStates> m_CityStates;
    std::shared_ptr<CCityState> m_Object;
    GridColumns m_GridPropertys;
    bool m_Editable = false;
    bool m_loaded = false;
    bool m_unloaded = false;
};
