#include "screens/frmCityState.h"

#include "core/CDataAccess.h"
#include "core/FormGuard.h"
#include "core/Globals.h"
#include "platform/ado/Recordset.h"
#include "platform/ui/Services.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"
#include "records/CCityState.h"
#include "screens/RecordBinder.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
const QString kModule = QStringLiteral("frmCityState");
constexpr int NoteLength = 255;
} // namespace

frmCityState::frmCityState(QWidget* parent)
    : EditDialog(QStringLiteral("frmCityState"), QStringLiteral("CityState"), parent)
{
    auto* grid = new QGridLayout(this);
    AreaCode = ui::newCombo("AreaCode", this, true, 6);
    City = ui::newEdit("City", this);
    City->setMaxLength(80);
    State = ui::newCombo("State", this, true, 6);
    Note = ui::named(new QPlainTextEdit(this), "Note");
    Note->setTabChangesFocus(true);
    Note->setFixedHeight(64);
    grid->addWidget(ui::newLabel("lblAreaCode", QStringLiteral("Area Code"), this), 0, 0);
    grid->addWidget(AreaCode, 0, 1);
    grid->addWidget(ui::newLabel("lblCity", QStringLiteral("City"), this), 1, 0);
    grid->addWidget(City, 1, 1);
    grid->addWidget(ui::newLabel("lblState", QStringLiteral("State"), this), 2, 0);
    grid->addWidget(State, 2, 1);
    grid->addWidget(ui::newLabel("lblNote", QStringLiteral("Note"), this), 3, 0, Qt::AlignTop);
    grid->addWidget(Note, 3, 1);
    grid->setColumnMinimumWidth(1, 260);
    auto* buttons = new QHBoxLayout;
    cmdDuplicate = ui::newButton("cmdDuplicate", QStringLiteral("Save && New"), this, 90);
    cmdSave = ui::newButton("cmdSave", QStringLiteral("Save"), this, 80);
    cmdReset = ui::newButton("cmdReset", QStringLiteral("Reset"), this, 80);
    cmdCancel = ui::newButton("cmdCancel", QStringLiteral("Close"), this, 80);
    for (QPushButton* b : {cmdDuplicate, cmdSave, cmdReset, cmdCancel})
        buttons->addWidget(b);
    grid->addLayout(buttons, 4, 0, 1, 2);

    for (QWidget* box : {static_cast<QWidget*>(AreaCode), static_cast<QWidget*>(City),
                         static_cast<QWidget*>(State), static_cast<QWidget*>(Note)})
        ui::useEditBoxManners(box);
    ui::acceptOnly(AreaCode, ui::isDigitDotOrDash);
    // A code or state typed in part stays as typed unless one of the stored
    // ones is picked.
    AreaCode->setOffersEntries(true);
    State->setOffersEntries(true);

    connect(AreaCode, &QComboBox::editTextChanged, this, [this](const QString& t) {
        GuardedHandler(kModule, "AreaCode_Change", [&] { Changed(AreaCode, t); });
    });
    connect(State, &QComboBox::editTextChanged, this, [this](const QString& t) {
        GuardedHandler(kModule, "State_Change", [&] { Changed(State, t); });
    });
    connect(City, &QLineEdit::textChanged, this,
            [this](const QString& t) { GuardedHandler(kModule, "City_Change", [&] { Changed(City, t); }); });
    connect(Note, &QPlainTextEdit::textChanged, this, [this] {
        GuardedHandler(kModule, "Note_Change", [&] {
            // The stored note holds at most 255 characters.
            if (Note->toPlainText().size() > NoteLength) {
                QString cut = Note->toPlainText().left(NoteLength);
                Note->setPlainText(cut);
                Note->moveCursor(QTextCursor::End);
                return;
            }
            Changed(Note, Note->toPlainText());
        });
    });
    for (ui::EditCombo* combo : {AreaCode, State})
        connect(combo, &ui::EditCombo::picked, this, [this, combo](int index) {
            if (m_Loading || index < 0 || !m_Record) return;
            try {
                m_Record->SetDataByName(combo->objectName(), vb::Variant(combo->itemText(index)));
                SetButtons(true);
            } catch (...) {
                vb::CatchError();
            }
        });
    connect(cmdSave, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdSave_Click", [this] { cmdSave_Click(); }); });
    connect(cmdDuplicate, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdDuplicate_Click", [this] { cmdDuplicate_Click(); }); });
    connect(cmdReset, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdReset_Click", [this] { cmdReset_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

frmCityState::~frmCityState() = default;

void frmCityState::Component(const std::shared_ptr<VAVURDataSourceSingle>& record)
{
    m_Record = record;
    m_Backup = std::make_shared<CCityState>();
    if (m_Record) m_Backup->CopyMe(m_Record);
}

void frmCityState::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kModule, "Form_Load", [this] { Form_Load(); });
}

void frmCityState::Form_Load()
{
    m_Cancelled = true;
    bool failed = false;
    FillList(AreaCode, QStringLiteral("Select distinct AreaCode from CityState order by AreaCode"),
             QStringLiteral("AreaCode"), failed);
    // One report is enough when the table cannot be read.
    if (!failed)
        FillList(State, QStringLiteral("Select distinct State from CityState order by State"),
                 QStringLiteral("State"), failed);
    ShowData();
}

void frmCityState::FillList(QComboBox* combo, const QString& sql, const QString& field, bool& failed)
{
    const bool was = m_Loading;
    m_Loading = true;
    combo->clear();
    std::shared_ptr<ado::Recordset> rs;
    if (!gDataAccess || !gDataAccess->GetRecordset(sql, rs) || !rs) {
        failed = true;
        m_Loading = was;
        return;
    }
    while (!rs->Eof()) {
        const vb::Variant v = rs->Value(field);
        // A row without a value has nothing to offer.
        if (!v.isNull() && !v.isEmpty()) combo->addItem(vb::CStr(v));
        rs->MoveNext();
    }
    rs->Close();
    m_Loading = was;
}

void frmCityState::ShowData()
{
    m_Loading = true;
    if (m_Record) vb::ResumeNext([&] { ::ShowData(this, *m_Record); });
    SetButtons(false);
    m_Loading = false;
    vb::ResumeNext([&] {
        const vb::Variant code =
            m_Record ? m_Record->GetDataByName(QStringLiteral("AreaCode")) : vb::Variant();
        const QString text = code.isNull() || code.isEmpty() ? QString() : vb::CStr(code);
        double n = 0;
        const bool zero = text.isEmpty() || (vb::ParseNumber(text, n) && n == 0);
        cmdDuplicate->setEnabled(!zero);
    });
}

void frmCityState::SetButtons(bool dirty)
{
    m_Dirty = dirty;
    cmdSave->setEnabled(dirty);
    cmdReset->setEnabled(dirty);
    cmdDuplicate->setEnabled(dirty);
}

void frmCityState::Changed(QWidget* control, const QString& text)
{
    if (m_Loading || !m_Record) return;
    try {
        m_Record->SetDataByName(control->objectName(), vb::Variant(text));
    } catch (...) {
        vb::CatchError();
        const vb::Variant v = m_Record->GetDataByName(control->objectName());
        const QString stored = v.isNull() || v.isEmpty() ? QString() : vb::CStr(v);
        m_Loading = true;
        if (auto* combo = qobject_cast<QComboBox*>(control)) ui::showText(combo, stored);
        if (auto* box = qobject_cast<QLineEdit*>(control)) box->setText(stored);
        m_Loading = false;
        return;
    }
    SetButtons(true);
}

bool frmCityState::SaveData()
{
    if (!m_Record) return false;
    const vb::Variant other = m_Record->Actions(1);
    if (!other.isNull() && !other.isEmpty() && vb::CDbl(other) != 0) {
        ui::MsgBox(QStringLiteral("Duplicate Record!"), ui::vbExclamation);
        return false;
    }
    if (!m_Record->Save(true, true)) return false;
    SetButtons(false);
    m_Cancelled = false;
    return true;
}

void frmCityState::cmdSave_Click()
{
    if (SaveData()) close();
}

void frmCityState::cmdDuplicate_Click()
{
    if (cmdSave->isEnabled() && !SaveData()) return;
    m_Cancelled = false;
    const auto record = std::dynamic_pointer_cast<CCityState>(m_Record);
    if (!record) vb::Raise(vb::errnum::TypeMismatch);
    record->SetCityStateID(0);
    record->SetIsNew(true);
    ShowData();
    SetButtons(true);
}

void frmCityState::cmdReset_Click()
{
    if (m_Record && m_Backup) m_Record->CopyMe(m_Backup);
    ShowData();
}

void frmCityState::cmdCancel_Click()
{
    m_Cancelled = true;
    close();
}
