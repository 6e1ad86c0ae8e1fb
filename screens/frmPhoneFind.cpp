#include "screens/frmPhoneFind.h"

#include "core/DBClassModule.h"
#include "core/FormGuard.h"
#include "platform/ui/FormKit.h"
#include "screens/EditBoxes.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kModule = QStringLiteral("frmPhoneFind");
}

QStringList FindOperators()
{
    return {QStringLiteral("="), QStringLiteral(">="), QStringLiteral("<="),  QStringLiteral(">"),
            QStringLiteral("<"), QStringLiteral("<>"), QStringLiteral("Like")};
}

QString LikePattern(const QString& text)
{
    if (text.contains(u'%')) return text;
    return text.size() == 7 ? QStringLiteral("%") + text : text + QStringLiteral("%");
}

frmPhoneFind::frmPhoneFind(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPhoneFind"));
    setWindowTitle(QStringLiteral("Search Phone"));
    auto* grid = new QGridLayout(this);
    auto* label = new QLabel(QStringLiteral("&Phone"), this);
    // A drop-down list: the operator goes into the condition as it stands.
    auto* combo = ui::newCombo("cboCondition", this, false, 6);
    auto* box = new QLineEdit(this);
    label->setBuddy(box);
    lblFields.Add(0, label, QStringLiteral("lblFields"));
    cboCondition.Add(0, combo, QStringLiteral("cboCondition"));
    txtFields.Add(0, box, QStringLiteral("txtFields"));
    UseEditBoxManners(box);
    box->setMinimumWidth(160);
    grid->addWidget(label, 0, 0);
    grid->addWidget(combo, 0, 1);
    grid->addWidget(box, 0, 2);
    auto* buttons = new QHBoxLayout;
    OKButton = ui::newButton("OKButton", QStringLiteral("&OK"), this, 80);
    CancelButton = ui::newButton("CancelButton", QStringLiteral("&Cancel"), this, 80);
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    grid->addLayout(buttons, 1, 0, 1, 3);

    connect(combo, &QComboBox::activated, this,
            [this] { GuardedHandler(kModule, "cboCondition_Click", [this] { txtFields(0)->setFocus(); }); });
    connect(OKButton, &QPushButton::clicked, this, [this] {
        m_OK = true;
        hide();
    });
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        m_OK = false;
        hide();
    });
}

frmPhoneFind::~frmPhoneFind() = default;

void frmPhoneFind::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kModule, "Form_Load", [this] { Form_Load(); });
}

void frmPhoneFind::Form_Load()
{
    m_OK = false;
    for (const auto& [index, combo] : cboCondition) {
        combo->clear();
        combo->addItems(FindOperators());
        combo->setCurrentIndex(combo->count() - 1);
    }
}

QString frmPhoneFind::GetSQL()
{
    QLineEdit* box = txtFields(0);
    QString text = box->text();
    if (text.isEmpty()) return {};
    const QString op = cboCondition(0)->currentText();
    if (op.toUpper() == QLatin1String("LIKE") && !text.contains(u'%')) {
        text = LikePattern(text);
        box->setText(text);
    }
    return QStringLiteral("Phone ") + op + QLatin1Char(' ') +
           FormatSQLString(vb::Variant(text), 1, QStringLiteral("'"));
}
