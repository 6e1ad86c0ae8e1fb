#pragma once
// frmCityState ("CityState"): edits one area code/city/state row, new or
// stored. The controls are bound to the record's fields by name; a second
// row with the same area code and city is refused; the dialog saves the
// record itself and can go on with the shown values as a new row.

#include "screens/EditDialog.h"

#include "platform/widgets/FormKit.h"

#include <memory>

class CCityState;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

class frmCityState : public EditDialog {
    Q_OBJECT
public:
    explicit frmCityState(QWidget* parent = nullptr);
    ~frmCityState() override;

    void Component(const std::shared_ptr<VAVURDataSourceSingle>& record);

    ui::EditCombo* AreaCode = nullptr;
    QLineEdit* City = nullptr;
    ui::EditCombo* State = nullptr;
    QPlainTextEdit* Note = nullptr;
    QPushButton* cmdDuplicate = nullptr;
    QPushButton* cmdReset = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdSave_Click();
    void cmdDuplicate_Click();
    void cmdReset_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void FillList(QComboBox* combo, const QString& sql, const QString& field, bool& failed);
    void ShowData();
    void SetButtons(bool dirty);
    bool SaveData() override;
    // A control's text changed: stored in the record, or the record's value
    // shown again when the record refuses it.
    void Changed(QWidget* control, const QString& text);

    std::shared_ptr<CCityState> m_Backup;
    bool m_loaded = false;
};
