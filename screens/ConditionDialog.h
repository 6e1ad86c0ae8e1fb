#pragma once
// The find dialogs of the list screens: one row per searchable field (a
// label, an operator picked from a drop-down list, a text), given back as an
// SQL condition without "WHERE", the rows' terms joined by " And ". OK and
// Cancel only hide the dialog, so its opener can still read OK and GetSQL.

#include "platform/widgets/ControlArray.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class ConditionDialog : public QDialog {
    Q_OBJECT
public:
    struct Field {
        QString label; // the label's caption, with its "&" key
        QString word;  // what the condition names the field by, with its blank
    };
    // likeText: what "Like" makes of a text that holds no "%".
    ConditionDialog(const QString& name, const QString& caption, std::vector<Field> fields,
                    std::function<QString(const QString&)> likeText, QWidget* parent);
    ~ConditionDialog() override;

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

    std::vector<Field> m_fields;
    std::function<QString(const QString&)> m_likeText;
    bool m_OK = false;
    bool m_loaded = false;
};

// The seven operators, "Like" last.
QStringList FindOperators();
