#pragma once
// frmPhoneFind ("Search Phone"): one condition on the phone column, an
// operator picked from a list and a text, given back as an SQL condition
// (without "WHERE") for the phone list to narrow its query.

#include "platform/ui/ControlArray.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmPhoneFind : public QDialog {
    Q_OBJECT
public:
    explicit frmPhoneFind(QWidget* parent = nullptr);
    ~frmPhoneFind() override;

    bool OK() const { return m_OK; }
    QString GetSQL();

    ControlArray<QLabel> lblFields;
    ControlArray<QComboBox> cboCondition;
    ControlArray<QLineEdit> txtFields;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    bool m_OK = false;
    bool m_loaded = false;
};

// The seven operators of the find dialogs, "Like" last.
QStringList FindOperators();
// "Like" without a "%" in the text: a text of exactly seven characters
// (a whole local number) matches at the end, any other at the start.
QString LikePattern(const QString& text);
