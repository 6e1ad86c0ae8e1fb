#pragma once
// frmPhone ("Phone"): adds DNC numbers to one area code's table. The
// number is checked (seven digits, not already stored) and saved by the
// dialog itself; "Save && New" goes straight on to the next number of the
// same area code.

#include "screens/EditDialog.h"

#include <memory>

class CPhone;
class QLabel;
class QLineEdit;
class QPushButton;

class frmPhone : public EditDialog {
    Q_OBJECT
public:
    explicit frmPhone(QWidget* parent = nullptr);
    ~frmPhone() override;

    void Component(const std::shared_ptr<VAVURDataSourceSingle>& record);

    QLabel* lblPhone = nullptr;
    QLineEdit* Phone = nullptr;
    QPushButton* cmdDuplicate = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdSave_Click();
    void cmdDuplicate_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowData();
    void SetButtons(bool dirty);
    bool SaveData() override;
    void Phone_Change();

    std::shared_ptr<CPhone> m_Backup;
    bool m_loaded = false;
};
