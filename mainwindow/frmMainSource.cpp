// The source panel of the main window: the source type, its path, table and
// fields, the record count and the mark text. Choosing a type makes that
// type's profile current and fills the panel from it; every change made in
// the panel is stored into the current profile at once.

#include "mainwindow/ComboList.h"
#include "mainwindow/SourceKind.h"
#include "mainwindow/frmMain.h"

#include "core/CDefPropertys.h"
#include "core/ErrorReport.h"
#include "core/FormGuard.h"
#include "core/Globals.h"
#include "core/ModuleExcel.h"
#include "core/Settings.h"
#include "platform/excel/Excel.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/widgets/ControlHelpers.h"
#include "platform/widgets/FormKit.h"
#include "records/CDataTypeInfo.h"
#include "records/CDataTypeInfos.h"
#include "scrub/TextFileScrub.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSignalBlocker>

namespace {

const QString kForm = QStringLiteral("frmMain");

QStringList ComboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace

void frmMain::connectSourcePanel()
{
    connect(TxtPhoneData, &QLineEdit::textChanged, this,
            [this] { GuardedHandler(kForm, "TxtPhoneData_Change", [this] { TxtPhoneData_Change(); }); });
    connect(txtMarkChar, &QLineEdit::textChanged, this,
            [this] { GuardedHandler(kForm, "txtMarkChar_Change", [this] { txtMarkChar_Change(); }); });
    const auto wire = [this](QComboBox* combo, void (frmMain::*change)(), void (frmMain::*click)()) {
        const QByteArray name = combo->objectName().toLatin1();
        // What a box shows is what is stored and what a run uses: nothing
        // is completed in it, and its index is the entry its text names.
        auto* box = qobject_cast<ui::EditCombo*>(combo);
        box->setIndexFollowsText(true);
        connect(box, &ui::EditCombo::textEdited, this, [this, change, name] {
            GuardedHandler(kForm, (name + "_Change").constData(), [this, change] { (this->*change)(); });
        });
        // Click: an entry chosen, by the user or by the code; Qt's matching
        // of a typed name when the box is left is neither, and the name
        // typed has already been taken by Change.
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, click, name](int index) {
            const auto* edit = qobject_cast<const ui::EditCombo*>(combo);
            if (index >= 0 && !(edit && edit->isMatching()))
                GuardedHandler(kForm, (name + "_Click").constData(), [this, click] { (this->*click)(); });
        });
    };
    wire(DataTableName, &frmMain::DataTableName_Change, &frmMain::DataTableName_Click);
    wire(cboPhoneDataField, &frmMain::cboPhoneDataField_Change, &frmMain::cboPhoneDataField_Click);
    wire(cboAreaDataField, &frmMain::cboAreaDataField_Change, &frmMain::cboAreaDataField_Click);
    wire(cboMarkField, &frmMain::cboMarkField_Change, &frmMain::cboMarkField_Click);
    DataTableName->installEventFilter(this);
    TxtPhoneData->installEventFilter(this);
    txtMarkChar->installEventFilter(this);
}

// ---------------------------------------------------------------- source type

void frmMain::OptPhoneType_Click(std::int16_t Index)
{
    SetStart(false);
    vb::ResumeNext([&] { m_panel.Choose(OptPhoneType(Index)->property("Tag").toString()); });
    SetPhoneDataType();
    vb::ResumeNext([&] { SetSetting(QStringLiteral("phonedatatype"), m_panel.Type()); });
    SetStart(true);
    if (Index == 0) TxtPhoneData->setFocus();
}

void frmMain::SetPhoneDataType()
{
    m_panel.Choose(m_panel.Type());
    const SourceKind kind = m_panel.Kind();
    const std::shared_ptr<CDataTypeInfo> profile = m_panel.Profile();
    if (kind == SourceKind::Unknown || !profile) return;
    ShowTypeControls(kind, *profile);
    m_panel.Read(true);
    ShowSource(true);
    if (kind == SourceKind::OneNumber) TxtPhoneData->setFocus();
}

// The controls of the type.
void frmMain::ShowTypeControls(SourceKind kind, CDataTypeInfo& profile)
{
    const bool oneNumber = kind == SourceKind::OneNumber;
    vb::ResumeNext([&] {
        Label7->setText(oneNumber ? QStringLiteral("Phone Number") : QStringLiteral("File Pathway"));
        cmdBrowserData->setEnabled(!oneNumber);
        cmdViewData->setEnabled(!oneNumber);
        DataTableName->setEnabled(HasTableList(kind));
        for (QComboBox* combo : {cboAreaDataField, cboPhoneDataField, cboMarkField})
            combo->setEnabled(!oneNumber);
        TxtPhoneData->setText(kind == SourceKind::Odbc ? profile.DataDSN() : profile.DataDBName());
    });
}

// What was read: the tables or sheets with the chosen one, the count, and
// the fields with the profile's choices. While the panel is filled for a
// type chosen, or read again for an action, the boxes only show the profile:
// a choice the source lacks shows empty and is asked for, never replaced.
// After a change the user made and sees, a field the boxes choose is stored,
// as a pick is.
void frmMain::ShowSource(bool filling)
{
    const bool wasFilling = std::exchange(mIsFilling, true);
    const auto restore = qScopeGuard([this, wasFilling] { mIsFilling = wasFilling; });
    vb::ResumeNext([&] {
        const QSignalBlocker quiet(DataTableName);
        FillTableList();
        const QString shown = m_panel.ShownTable();
        SelectByText(DataTableName, shown);
        if (DataTableName->currentIndex() < 0) DataTableName->setEditText(shown);
        txtPhoneDataTotal->setText(m_panel.Present() ? QString::number(m_panel.RecordCount()) : QString());
    });
    mIsFilling = filling;
    // The numeric-mark rule is for a mark field the user picks, not for one
    // the boxes show.
    const QScopedValueRollback showing(m_showingFields, true);
    vb::ResumeNext([&] {
        if (FillFieldLists() > 1 || filling) SelectStoredFieldNames();
    });
}

// The box being edited is taken as leaving it takes it (a name typed in
// another case becomes its entry's), and a path or table that is not the
// one read is read and shown: what an action takes is what the panel shows.
// For an action the re-read only shows: the action then asks for a choice
// the source lacks.
void frmMain::CommitPanel(bool forAction)
{
    if (m_actionRunning) return;
    for (QComboBox* combo : {DataTableName, cboPhoneDataField, cboAreaDataField, cboMarkField})
        if (auto* box = qobject_cast<ui::EditCombo*>(combo)) box->takeNamedEntry();
    if (m_panel.Commit()) ShowSource(forAction);
}

// ---------------------------------------------------------------- lists

void frmMain::FillTableList()
{
    const QStringList tables = m_panel.Tables();
    if (ComboItems(DataTableName) == tables) return;
    ComboClear(DataTableName);
    for (const QString& table : tables)
        ComboAddItem(DataTableName, table);
}

std::int32_t frmMain::FillFieldLists()
{
    ComboClear(cboPhoneDataField);
    ComboClear(cboAreaDataField);
    ComboClear(cboMarkField);
    ComboAddItem(cboAreaDataField, QString()); // stands for "no area-code field"
    const QStringList fields = m_panel.Fields();
    for (const QString& name : fields)
        for (QComboBox* combo : {cboMarkField, cboAreaDataField, cboPhoneDataField})
            ComboAddItem(combo, name);
    if (fields.size() == 1)
        for (QComboBox* combo : {cboPhoneDataField, cboAreaDataField, cboMarkField})
            combo->setCurrentIndex(0);
    return static_cast<std::int32_t>(fields.size());
}

// ---------------------------------------------------------------- storing events

void frmMain::TxtPhoneData_Change()
{
    m_panel.SetPath(TxtPhoneData->text());
}

void frmMain::DataTableName_Change()
{
    if (!mIsFilling) m_panel.SetTable(DataTableName->currentText());
}

// A table picked, or stepped to with the keys or the wheel, is read at once.
void frmMain::DataTableName_Click()
{
    if (mIsFilling) return;
    m_panel.SetTable(DataTableName->currentText());
    CommitPanel(false);
}

void frmMain::cboPhoneDataField_Change()
{
    if (mIsFilling || !gCurDataTypeInfo) return;
    gCurDataTypeInfo->SetDataFieldName(cboPhoneDataField->currentText());
}

void frmMain::cboPhoneDataField_Click()
{
    if (mIsFilling || !gCurDataTypeInfo) return;
    gCurDataTypeInfo->SetDataFieldName(cboPhoneDataField->currentText());
    // A phone field chosen while no mark field is: the same field is marked.
    if (cboMarkField->currentText().isEmpty())
        cboMarkField->setCurrentIndex(cboPhoneDataField->currentIndex());
}

void frmMain::cboAreaDataField_Change()
{
    if (mIsFilling || !gCurDataTypeInfo) return;
    gCurDataTypeInfo->SetDataAreaName(cboAreaDataField->currentText());
}

void frmMain::cboAreaDataField_Click()
{
    cboAreaDataField_Change();
}

void frmMain::cboMarkField_Change()
{
    if (mIsFilling || !gCurDataTypeInfo) return;
    gCurDataTypeInfo->SetDataMarkName(cboMarkField->currentText());
}

void frmMain::cboMarkField_Click()
{
    if (mIsFilling || !gCurDataTypeInfo) return;
    gCurDataTypeInfo->SetDataMarkName(cboMarkField->currentText());
    // A numeric mark field takes a number as its mark.
    if (!m_showingFields && MarkFieldIsNumeric(gCurDataTypeInfo.get(), cboMarkField->currentIndex()) &&
        !vb::IsNumeric(vb::Variant(txtMarkChar->text())))
        txtMarkChar->setText(QStringLiteral("999"));
}

void frmMain::txtMarkChar_Change()
{
    vb::ResumeNext([&] { SetSetting(QStringLiteral("defaultmark"), txtMarkChar->text()); });
}

// ---------------------------------------------------------------- focus events

void frmMain::txtMarkChar_LostFocus()
{
    if (cboMarkField->currentIndex() < 0) return;
    const QString mark = txtMarkChar->text();
    if (MarkFieldIsNumeric(gCurDataTypeInfo.get(), cboMarkField->currentIndex()) && !mark.isEmpty() &&
        !vb::IsNumeric(vb::Variant(mark)))
        ui::MsgBox(QStringLiteral("Mark should be digits for this mark field -") +
                       cboMarkField->currentText(),
                   ui::vbExclamation, vb::App::Title());
}
