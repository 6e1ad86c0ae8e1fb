#pragma once
// What the record edit dialogs (phone, area code/city/state) share: the
// record they edit in place, the close question "Record has been changed. Do
// you want To save it?" while Save is enabled, and the record's Cancel flag
// set on the way out (True unless something was saved).

#include "core/VAVURDataSource.h"

#include <QDialog>
#include <memory>

class QPushButton;

class EditDialog : public QDialog {
    Q_OBJECT
public:
    QPushButton* cmdSave = nullptr;

protected:
    EditDialog(const QString& name, const QString& caption, QWidget* parent);

    // Writes the record; False (after the reason was shown) when it was not.
    virtual bool SaveData() = 0;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    std::shared_ptr<VAVURDataSourceSingle> m_Record;
    bool m_Loading = false;
    bool m_Dirty = false;
    bool m_Cancelled = true;
};
