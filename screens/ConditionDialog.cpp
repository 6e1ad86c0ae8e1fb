#include "screens/ConditionDialog.h"

#include "core/FormGuard.h"
#include "core/SqlLiterals.h"
#include "platform/widgets/FormKit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QStringList FindOperators()
{
    return {QStringLiteral("="), QStringLiteral(">="), QStringLiteral("<="),  QStringLiteral(">"),
            QStringLiteral("<"), QStringLiteral("<>"), QStringLiteral("Like")};
}

ConditionDialog::ConditionDialog(const QString& name, const QString& caption, std::vector<Field> fields,
                                 std::function<QString(const QString&)> likeText, QWidget* parent)
    : QDialog(parent), m_fields(std::move(fields)), m_likeText(std::move(likeText))
{
    setObjectName(name);
    setWindowTitle(caption);
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < int(m_fields.size()); ++i) {
        auto* label = new QLabel(m_fields[std::size_t(i)].label, this);
        // A drop-down list: the operator goes into the condition as it stands.
        auto* combo = ui::newCombo("cboCondition", this, false, 6);
        auto* box = new QLineEdit(this);
        box->setMinimumWidth(180);
        label->setBuddy(box);
        lblFields.Add(i, label, QStringLiteral("lblFields"));
        cboCondition.Add(i, combo, QStringLiteral("cboCondition"));
        txtFields.Add(i, box, QStringLiteral("txtFields"));
        ui::useEditBoxManners(box);
        grid->addWidget(label, i, 0);
        grid->addWidget(combo, i, 1);
        grid->addWidget(box, i, 2);
        connect(combo, &ui::EditCombo::picked, this, [this, i] {
            GuardedHandler(objectName(), "cboCondition_Click", [&] { txtFields(i)->setFocus(); });
        });
    }
    auto* buttons = new QHBoxLayout;
    OKButton = ui::newButton("OKButton", QStringLiteral("&OK"), this, 80);
    CancelButton = ui::newButton("CancelButton", QStringLiteral("&Cancel"), this, 80);
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    grid->addLayout(buttons, int(m_fields.size()), 0, 1, 3);
    connect(OKButton, &QPushButton::clicked, this, [this] {
        m_OK = true;
        hide();
    });
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        m_OK = false;
        hide();
    });
}

ConditionDialog::~ConditionDialog() = default;

void ConditionDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(objectName(), "Form_Load", [this] { Form_Load(); });
}

void ConditionDialog::Form_Load()
{
    m_OK = false;
    for (const auto& [index, combo] : cboCondition) {
        combo->clear();
        combo->addItems(FindOperators());
        combo->setCurrentIndex(combo->count() - 1);
    }
}

QString ConditionDialog::GetSQL()
{
    QStringList terms;
    for (int i = 0; i < int(m_fields.size()); ++i) {
        QLineEdit* box = txtFields(i);
        QString text = box->text();
        if (text.isEmpty()) continue;
        const QString op = cboCondition(i)->currentText();
        if (op.toUpper() == QLatin1String("LIKE") && !text.contains(u'%')) {
            text = m_likeText(text);
            box->setText(text);
        }
        terms << m_fields[std::size_t(i)].word + op + QLatin1Char(' ') +
                     FormatSQLString(vb::Variant(text), 1, QStringLiteral("'"));
    }
    return terms.join(QStringLiteral(" And "));
}
