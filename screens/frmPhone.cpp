#include "screens/frmPhone.h"

#include "core/FormGuard.h"
#include "platform/ui/Services.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"
#include "records/CPhone.h"
#include "screens/RecordBinder.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kModule = QStringLiteral("frmPhone");

bool IsDigits(const QString& text, int count)
{
    if (text.size() != count) return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

bool IsSevenDigits(const QString& text)
{
    return IsDigits(text, 7);
}

// The number without the characters a written number is set out with.
QString Cleaned(QString text)
{
    for (const char* c : {"-", "#", " ", "(", ")"})
        text.remove(QLatin1String(c));
    return text;
}

QString StoredText(VAVURDataSourceSingle& record, const QString& field)
{
    const vb::Variant v = record.GetDataByName(field);
    return v.isNull() || v.isEmpty() ? QString() : vb::CStr(v);
}
} // namespace

frmPhone::frmPhone(QWidget* parent) : EditDialog(QStringLiteral("frmPhone"), QStringLiteral("Phone"), parent)
{
    auto* grid = new QGridLayout(this);
    lblPhone = ui::newLabel("lblPhone", QStringLiteral("Phone"), this);
    Phone = ui::newEdit("Phone", this);
    // Seven digits are taken; longer input reaches Phone_Change, which takes
    // a whole number's local seven or refuses the rest, rather than being
    // cut by the box.
    Phone->setMaxLength(32);
    ui::useEditBoxManners(Phone);
    grid->addWidget(lblPhone, 0, 0);
    grid->addWidget(Phone, 0, 1);
    auto* buttons = new QHBoxLayout;
    cmdSave = ui::newButton("cmdSave", QStringLiteral("Save"), this, 90);
    cmdDuplicate = ui::newButton("cmdDuplicate", QStringLiteral("Save && New"), this, 90);
    cmdCancel = ui::newButton("cmdCancel", QStringLiteral("Close"), this, 90);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdDuplicate);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 1, 0, 1, 2);

    connect(Phone, &QLineEdit::textChanged, this,
            [this] { GuardedHandler(kModule, "Phone_Change", [this] { Phone_Change(); }); });
    connect(cmdSave, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdSave_Click", [this] { cmdSave_Click(); }); });
    connect(cmdDuplicate, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdDuplicate_Click", [this] { cmdDuplicate_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

frmPhone::~frmPhone() = default;

void frmPhone::Component(const std::shared_ptr<VAVURDataSourceSingle>& record)
{
    m_Record = record;
    m_Backup = std::make_shared<CPhone>();
    if (m_Record) m_Backup->CopyMe(m_Record);
}

void frmPhone::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kModule, "Form_Load", [this] {
        m_Cancelled = true;
        ShowData();
        Phone->setFocus();
    });
}

void frmPhone::ShowData()
{
    m_Loading = true;
    if (m_Record) vb::ResumeNext([&] { ::ShowData(this, *m_Record); });
    SetButtons(false);
    m_Loading = false;
    vb::ResumeNext([&] {
        const vb::Variant id = m_Record ? m_Record->GetDataByName(QStringLiteral("ID")) : vb::Variant();
        const bool none = id.isNull() || id.isEmpty() || vb::CDbl(id) == 0;
        cmdDuplicate->setEnabled(!none);
    });
}

void frmPhone::SetButtons(bool dirty)
{
    m_Dirty = dirty;
    cmdSave->setEnabled(dirty);
    cmdDuplicate->setEnabled(dirty);
}

void frmPhone::Phone_Change()
{
    if (m_Loading || !m_Record) return;
    if (Phone->text().size() > 7) {
        // A number set out with its dash, or a ten-digit number of the list's
        // area code (its local seven), is taken as its seven digits.
        const QString digits = Cleaned(Phone->text());
        const auto phone = std::dynamic_pointer_cast<CPhone>(m_Record);
        if (IsSevenDigits(digits)) return Phone->setText(digits);
        if (phone && IsDigits(digits, 10) && digits.left(3) == phone->TableName().right(3))
            return Phone->setText(digits.mid(3));
        // An eighth character typed is not taken, as the box's length would
        // have it; longer input (pasted) is refused with a word.
        const QString stored = StoredText(*m_Record, Phone->objectName());
        if (Phone->text().size() > stored.size() + 1)
            ui::MsgBox(QStringLiteral("Phone Number must be 7 digits!"), ui::vbExclamation);
        Phone->setText(stored);
        return;
    }
    try {
        m_Record->SetDataByName(Phone->objectName(), vb::Variant(Phone->text()));
    } catch (...) {
        vb::CatchError();
        // The box never keeps a text the record refuses.
        Phone->selectAll();
        Phone->setText(StoredText(*m_Record, Phone->objectName()));
        return;
    }
    SetButtons(true);
}

bool frmPhone::SaveData()
{
    QString text = Phone->text();
    if (text.isEmpty()) {
        ui::MsgBox(QStringLiteral("Phone Number is required!"), ui::vbExclamation);
        return false;
    }
    text = Cleaned(text);
    if (!IsSevenDigits(text)) {
        ui::MsgBox(QStringLiteral("Phone Number must be 7 digits!"), ui::vbExclamation);
        return false;
    }
    Phone->setText(text);
    const auto phone = std::dynamic_pointer_cast<CPhone>(m_Record);
    if (!phone) vb::Raise(vb::errnum::TypeMismatch);
    if (phone->CheckDuplicate(true) != 0) {
        ui::MsgBox(QStringLiteral("Phone Number is duplicated!"), ui::vbExclamation);
        return false;
    }
    if (!phone->Save(true, true)) return false;
    SetButtons(false);
    m_Cancelled = false;
    return true;
}

void frmPhone::cmdSave_Click()
{
    if (SaveData()) {
        close();
    }
}

void frmPhone::cmdDuplicate_Click()
{
    if (cmdSave->isEnabled() && !SaveData()) return;
    m_Cancelled = false;
    const auto phone = std::dynamic_pointer_cast<CPhone>(m_Record);
    if (!phone) vb::Raise(vb::errnum::TypeMismatch);
    phone->SetPhone(std::int32_t(vb::Val(phone->TableName().right(3))));
    phone->SetIsNew(true);
    ShowData();
    SetButtons(true);
}

void frmPhone::cmdCancel_Click()
{
    m_Cancelled = true;
    close();
}
