#include "screens/frmGridProperty.h"

#include "core/FormGuard.h"
#include "platform/ui/Services.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"
#include "screens/RecordBinder.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

namespace {
const QString kModule = QStringLiteral("frmGridProperty");

// The width is stored as a Long: a typed or pasted text whose value does
// not fit one is not taken, so the box stops at the largest width instead
// of failing at every further digit.
class WidthFits : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        try {
            vb::CLng(vb::Variant(vb::Val(input)));
            return Acceptable;
        } catch (...) {
            vb::CatchError();
            return Invalid;
        }
    }
};
} // namespace

frmGridProperty::frmGridProperty(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGridProperty"));
    setWindowTitle(QStringLiteral("Column Property"));
    auto* grid = new QGridLayout(this);
    ColName = ui::newEdit("ColName", this);
    ColName->setEnabled(false);
    ColCaption = ui::newEdit("ColCaption", this);
    ColWidth = ui::newEdit("ColWidth", this);
    Align = ui::newCombo("Align", this, false, 12);
    ColFormat = ui::newEdit("ColFormat", this);
    Hidden = ui::named(new QCheckBox(QStringLiteral("Hidden"), this), "Hidden");
    grid->addWidget(ui::newLabel("lblColName", QStringLiteral("Name"), this), 0, 0);
    grid->addWidget(ColName, 0, 1);
    grid->addWidget(ui::newLabel("lblColCaption", QStringLiteral("Caption"), this), 1, 0);
    grid->addWidget(ColCaption, 1, 1);
    grid->addWidget(ui::newLabel("lblColWidth", QStringLiteral("Width"), this), 2, 0);
    grid->addWidget(ColWidth, 2, 1);
    grid->addWidget(ui::newLabel("lblAlign", QStringLiteral("Align"), this), 3, 0);
    grid->addWidget(Align, 3, 1);
    grid->addWidget(ui::newLabel("lblColFormat", QStringLiteral("Format"), this), 4, 0);
    grid->addWidget(ColFormat, 4, 1);
    grid->addWidget(Hidden, 5, 1);
    auto* buttons = new QHBoxLayout;
    cmdSave = ui::newButton("cmdSave", QStringLiteral("Apply"), this, 80);
    cmdCancel = ui::newButton("cmdCancel", QStringLiteral("Cancel"), this, 80);
    cmdReset = ui::newButton("cmdReset", QStringLiteral("Reset"), this, 80);
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdReset);
    grid->addLayout(buttons, 6, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 220);

    for (QLineEdit* box : {ColCaption, ColWidth, ColFormat}) {
        ui::useEditBoxManners(box);
        box->installEventFilter(this);
    }
    ui::acceptOnly(ColWidth, ui::isDigitDotOrDash);
    ColWidth->setValidator(new WidthFits(ColWidth));
    connect(ColCaption, &QLineEdit::textChanged, this, [this](const QString& t) {
        GuardedHandler(kModule, "ColCaption_Change",
                       [&] { Edited(QStringLiteral("ColCaption"), vb::Variant(t)); });
    });
    connect(ColFormat, &QLineEdit::textChanged, this, [this](const QString& t) {
        GuardedHandler(kModule, "ColFormat_Change",
                       [&] { Edited(QStringLiteral("ColFormat"), vb::Variant(t)); });
    });
    connect(ColWidth, &QLineEdit::textChanged, this, [this](const QString& t) {
        GuardedHandler(kModule, "ColWidth_Change",
                       [&] { Edited(QStringLiteral("ColWidth"), vb::Variant(vb::Val(t))); });
    });
    connect(Align, &QComboBox::currentIndexChanged, this, [this](int index) {
        GuardedHandler(kModule, "Align_Click", [&] {
            if (index >= 0) Edited(QStringLiteral("Align"), vb::Variant(index));
        });
    });
    connect(Hidden, &QCheckBox::toggled, this, [this](bool on) {
        GuardedHandler(kModule, "Hidden_Click", [&] { Edited(QStringLiteral("Hidden"), vb::Variant(on)); });
    });
    connect(cmdSave, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdSave_Click", [this] { cmdSave_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdCancel_Click", [this] { cmdCancel_Click(); }); });
    connect(cmdReset, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdReset_Click", [this] { cmdReset_Click(); }); });
}

frmGridProperty::~frmGridProperty() = default;

void frmGridProperty::Component(const std::shared_ptr<VAVURDataSourceSingle>& vGridProperty)
{
    m_record = vGridProperty;
    m_copy = std::make_shared<CGridProperty>();
    if (m_record) m_copy->CopyMe(m_record);
}

void frmGridProperty::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kModule, "Form_Load", [this] { Form_Load(); });
}

void frmGridProperty::Form_Load()
{
    m_isLoading = true;
    Align->clear();
    Align->addItems(
        {QStringLiteral("Align Left"), QStringLiteral("Align Center"), QStringLiteral("Align Right")});
    m_isLoading = false;
    m_cancel = false;
    FillControls();
}

void frmGridProperty::FillControls()
{
    m_isLoading = true;
    try {
        if (m_record) ShowData(this, *m_record);
    } catch (...) {
        m_isLoading = false;
        throw;
    }
    SetDirty(false);
    m_isLoading = false;
}

void frmGridProperty::SetDirty(bool dirty)
{
    cmdSave->setEnabled(dirty);
    cmdReset->setEnabled(dirty);
}

void frmGridProperty::Edited(const QString& field, const vb::Variant& value)
{
    if (m_isLoading || !m_record) return;
    m_record->SetDataByName(field, value);
    SetDirty(true);
}

bool frmGridProperty::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::FocusOut && ui::isOwnFocusChange(event) && m_record) {
        GuardedHandler(kModule, "LostFocus", [&] {
            const vb::Variant v = m_record->GetDataByName(box->objectName());
            const QString stored = v.isNull() || v.isEmpty() ? QString() : vb::CStr(v);
            if (box->text() != stored) {
                const bool was = m_isLoading;
                m_isLoading = true;
                box->setText(stored);
                m_isLoading = was;
            }
        });
    }
    return QDialog::eventFilter(watched, event);
}

void frmGridProperty::cmdSave_Click()
{
    m_cancel = false;
    SetDirty(false);
    m_closingByCode = true;
    close();
}

void frmGridProperty::cmdCancel_Click()
{
    m_cancel = true;
    m_closingByCode = true;
    close();
}

void frmGridProperty::cmdReset_Click()
{
    if (m_record && m_copy) m_record->CopyMe(m_copy);
    FillControls();
}

void frmGridProperty::reject()
{
    close();
}

void frmGridProperty::closeEvent(QCloseEvent* event)
{
    const bool byUser = !m_closingByCode;
    m_closingByCode = false;
    bool keepOpen = false;
    GuardedHandler(kModule, "Form_QueryUnload", [&] {
        if (byUser) m_cancel = true;
        if (!cmdSave->isEnabled()) return;
        const int answer = ui::MsgBox(QStringLiteral("Record has been changed. Do you want To save it?"),
                                      ui::vbYesNoCancel | ui::vbQuestion);
        if (answer == ui::vbYes) {
            m_cancel = false;
            SetDirty(false);
        } else if (answer == ui::vbCancel) {
            keepOpen = true;
        }
    });
    if (keepOpen) {
        event->ignore();
        return;
    }
    GuardedHandler(kModule, "Form_Unload", [&] {
        // The record is the host's live row, saved when the host closes:
        // leaving without applying must not keep the edits.
        if (m_cancel && m_record && m_copy) m_record->CopyMe(m_copy);
        if (m_record) m_record->SetCancel(m_cancel);
    });
    event->accept();
}
