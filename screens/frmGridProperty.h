#pragma once
// frmGridProperty ("Column Property"): edits one column setting (caption,
// width, alignment, format, hidden) as a modal dialog. Edits go straight
// into the caller's record; leaving without applying (Cancel, No, the close
// box) gives the record back the values it came with and sets its Cancel.

#include "records/CGridProperty.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class frmGridProperty : public QDialog {
    Q_OBJECT
public:
    explicit frmGridProperty(QWidget* parent = nullptr);
    ~frmGridProperty() override;

    void Component(const std::shared_ptr<VAVURDataSourceSingle>& vGridProperty);

    QLineEdit* ColName = nullptr;
    QLineEdit* ColCaption = nullptr;
    QLineEdit* ColWidth = nullptr;
    QComboBox* Align = nullptr;
    QLineEdit* ColFormat = nullptr;
    QCheckBox* Hidden = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdReset = nullptr;

    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdReset_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void FillControls();
    void Edited(const QString& field, const vb::Variant& value);
    void SetDirty(bool dirty);

    std::shared_ptr<VAVURDataSourceSingle> m_record;
    std::shared_ptr<CGridProperty> m_copy;
    bool m_loaded = false;
    bool m_isLoading = false;
    bool m_cancel = false;
    bool m_closingByCode = false;
};
