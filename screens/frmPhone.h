#pragma once
// frmPhone ("Phone"): adds DNC numbers to one area code's table. The
// number is checked (seven digits, not already stored) and saved by the
// dialog itself; "Save && New" goes straight on to the next number of the
// same area code.

#include "core/VAVURDataSource.h"

#include <QDialog>
#include <memory>

class CPhone;
class QLabel;
class QLineEdit;
class QPushButton;

class frmPhone : public QDialog {
    Q_OBJECT
public:
    explicit frmPhone(QWidget* parent = nullptr);
    ~frmPhone() override;

    void Component(const std::shared_ptr<VAVURDataSourceSingle>& record);

    QLabel* lblPhone = nullptr;
    QLineEdit* Phone = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdDuplicate = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdSave_Click();
    void cmdDuplicate_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void ShowData();
    void SetButtons(bool dirty);
    bool SaveData();
    void Phone_Change();

    std::shared_ptr<VAVURDataSourceSingle> m_Record;
    std::shared_ptr<CPhone> m_Backup;
    bool m_Loading = false;
    bool m_Dirty = false;
    bool m_Cancelled = true;
    bool m_loaded = false;
};
