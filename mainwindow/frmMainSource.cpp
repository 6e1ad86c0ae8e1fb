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

namespace {

const QString kForm = QStringLiteral("frmMain");

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
    vb::ResumeNext([&] { mDataType = OptPhoneType(Index)->property("Tag").toString(); });
    SetPhoneDataType();
    vb::ResumeNext([&] { SetSetting(QStringLiteral("phonedatatype"), mDataType); });
    SetStart(true);
    if (Index == 0) TxtPhoneData->setFocus();
}

void frmMain::SetPhoneDataType()
{
    mIsFilling = true;
    const auto filled = qScopeGuard([this] { mIsFilling = false; });

    vb::ResumeNext([&] {
        const QString key = QStringLiteral(":") + mDataType;
        std::shared_ptr<CDataTypeInfo> profile = gDataTypeInfos ? gDataTypeInfos->Item(key) : nullptr;
        if (!profile) {
            profile = std::make_shared<CDataTypeInfo>();
            profile->SetDataType(mDataType);
            if (gDataTypeInfos) gDataTypeInfos->AddExisting(profile, key);
        }
        gCurDataTypeInfo = profile;
    });
    vb::ResumeNext([&] { Label7->setText(QStringLiteral("File Pathway")); });

    const SourceKind kind = KindOf(mDataType);
    const std::shared_ptr<CDataTypeInfo> profile = gCurDataTypeInfo;
    if (kind == SourceKind::Unknown || !profile) return;
    ShowTypeControls(kind, *profile);
    if (kind == SourceKind::OneNumber) {
        vb::ResumeNext([&] { txtPhoneDataTotal->setText(QString()); });
        TxtPhoneData->setFocus();
        return;
    }
    if (!ConnectSource(kind, *profile)) return;
    FillSourceTables(kind, *profile);
    FillSourceFields(kind, *profile);
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
        ComboClear(DataTableName);
        for (QComboBox* combo : {cboAreaDataField, cboPhoneDataField, cboMarkField}) {
            ComboClear(combo);
            combo->setEnabled(!oneNumber);
        }
        TxtPhoneData->setText(kind == SourceKind::Odbc ? profile.DataDSN() : profile.DataDBName());
    });
}

// Only a source that is there is opened; without one, what the previous
// type showed is cleared and false comes back.
bool frmMain::ConnectSource(SourceKind kind, CDataTypeInfo& profile)
{
    bool present = false;
    vb::ResumeNext([&] {
        const QString path = TxtPhoneData->text();
        switch (kind) {
        case SourceKind::TextFile:
        case SourceKind::FoxPro:
            present = !profile.DataTableName().isEmpty() &&
                      QFileInfo(scrub::FolderWithSeparator(path) + profile.DataTableName()).isFile();
            break;
        case SourceKind::Excel:
            present = !path.isEmpty() && QFileInfo(path).isFile();
            break;
        default:
            present = !path.isEmpty();
            break;
        }
    });
    if (present)
        vb::ResumeNext([&] {
            mConnString = profile.GetConnectionString();
            if (mConnString.isEmpty()) mConnString = BuildConnectionString(profile, mDataType);
        });
    if (present && !mConnString.isEmpty()) return true;
    // Nothing to count: what the previous type showed does not belong here.
    mConnString.clear();
    mRecordCount = 0;
    mExcelTable.clear();
    vb::ResumeNext([&] { txtPhoneDataTotal->setText(QString()); });
    return false;
}

// Tables or sheets.
void frmMain::FillSourceTables(SourceKind kind, CDataTypeInfo& profile)
{
    vb::ResumeNext([&] {
        if (kind == SourceKind::TextFile || kind == SourceKind::FoxPro) {
            ComboAddItem(DataTableName, profile.DataTableName());
            DataTableName->setCurrentIndex(0);
            return;
        }
        if (profile.TableNameData()->Count() == 0) {
            if (kind == SourceKind::Excel) {
                // The workbook is opened only to list its sheets.
                if (const auto book = OpenExcelWorkbook(profile.DataDBName(), false)) {
                    profile.GetExcelSheet(book.get());
                    book->Close(false);
                }
            } else {
                profile.GetTables(QString());
            }
        }
        FillTableList();
        SelectByText(DataTableName, profile.DataTableName());
    });
}

// The record count and the field lists, with the profile's fields chosen.
void frmMain::FillSourceFields(SourceKind kind, CDataTypeInfo& profile)
{
    QString table;
    if (kind == SourceKind::Excel)
        vb::ResumeNext([&] {
            mExcelTable = profile.GetExcelAdoTable(DataTableName->currentText());
            table = mExcelTable;
        });
    vb::ResumeNext([&] { mRecordCount = profile.GetRecordCount(table); });
    vb::ResumeNext([&] {
        // A field list read once is kept: the source is opened for its
        // fields only the first time.
        if (profile.TableFieldData()->Count() == 0) profile.GetFields(table);
    });
    vb::ResumeNext([&] {
        FillFieldLists();
        txtPhoneDataTotal->setText(QString::number(mRecordCount));
    });
    if (mDataType == QLatin1String("ACT!"))
        vb::ResumeNext([&] {
            profile.SetDataAreaName(QString());
            if (profile.DataFieldName().isEmpty()) profile.SetDataFieldName(QStringLiteral("phone"));
            if (profile.DataMarkName().isEmpty()) profile.SetDataMarkName(QStringLiteral("phone"));
        });
    vb::ResumeNext([&] { SelectByText(cboAreaDataField, profile.DataAreaName()); });
    vb::ResumeNext([&] { SelectByText(cboPhoneDataField, profile.DataFieldName()); });
    vb::ResumeNext([&] { SelectByText(cboMarkField, profile.DataMarkName()); });
}

// ---------------------------------------------------------------- lists

void frmMain::FillTableList()
{
    ComboClear(DataTableName);
    if (!gCurDataTypeInfo) return;
    for (const auto& entry : *gCurDataTypeInfo->TableNameData())
        if (entry) ComboAddItem(DataTableName, entry->ItemValue());
}

std::int32_t frmMain::FillFieldLists()
{
    ComboClear(cboPhoneDataField);
    ComboClear(cboAreaDataField);
    ComboClear(cboMarkField);
    ComboAddItem(cboAreaDataField, QString()); // stands for "no area-code field"
    std::int32_t count = 0;
    if (gCurDataTypeInfo) {
        for (const auto& entry : *gCurDataTypeInfo->TableFieldData()) {
            const QString name = entry ? entry->ItemValue() : QString();
            ComboAddItem(cboMarkField, name);
            ComboAddItem(cboAreaDataField, name);
            ComboAddItem(cboPhoneDataField, name);
            ++count;
        }
    }
    if (count == 1) {
        cboPhoneDataField->setCurrentIndex(0);
        cboAreaDataField->setCurrentIndex(0);
        cboMarkField->setCurrentIndex(0);
    }
    return count;
}

void frmMain::RefreshTableFields()
{
    const std::shared_ptr<CDataTypeInfo> profile = gCurDataTypeInfo;
    if (!profile) return;
    const SourceKind kind = KindOf(mDataType);
    try {
        if (kind == SourceKind::Excel) {
            if (profile->GetExcelConnString().isEmpty()) return;
            mExcelTable = profile->GetExcelAdoTable(profile->DataTableName());
            mRecordCount = profile->GetRecordCount(mExcelTable);
            profile->GetFields(mExcelTable);
        } else if (HasTableList(kind)) {
            BuildConnectionString(*profile, mDataType);
            mRecordCount = profile->GetRecordCount(QString());
            profile->GetFields(QString());
        } else {
            return;
        }
        if (FillFieldLists() > 1) SelectStoredFieldNames();
        txtPhoneDataTotal->setText(QString::number(mRecordCount));
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, objectName(), QStringLiteral("RefreshTableFields"));
    }
}

// ---------------------------------------------------------------- storing events

void frmMain::TxtPhoneData_Change()
{
    if (!gCurDataTypeInfo) return;
    // For ODBC the box shows the data source; the database name is the one
    // given in the connection dialog and stays as it is.
    if (KindOf(mDataType) == SourceKind::Odbc)
        gCurDataTypeInfo->SetDataDSN(TxtPhoneData->text());
    else
        gCurDataTypeInfo->SetDataDBName(TxtPhoneData->text());
}

void frmMain::DataTableName_Change()
{
    if (mIsFilling || !gCurDataTypeInfo) return;
    gCurDataTypeInfo->SetDataTableName(DataTableName->currentText());
}

void frmMain::DataTableName_Click()
{
    DataTableName_Change();
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
    if (MarkFieldIsNumeric(gCurDataTypeInfo.get(), cboMarkField->currentIndex()) &&
        !vb::IsNumeric(vb::Variant(txtMarkChar->text())))
        txtMarkChar->setText(QStringLiteral("999"));
}

void frmMain::txtMarkChar_Change()
{
    vb::ResumeNext([&] { SetSetting(QStringLiteral("defaultmark"), txtMarkChar->text()); });
}

// ---------------------------------------------------------------- focus events

void frmMain::DataTableName_GotFocus()
{
    m_tableNameTag = DataTableName->currentText();
}

void frmMain::DataTableName_LostFocus()
{
    // A name typed in another case is the table it names before it is read.
    if (auto* box = qobject_cast<ui::EditCombo*>(DataTableName)) box->takeNamedEntry();
    // A table name typed by hand: its count and fields are read again.
    if (DataTableName->currentText() != m_tableNameTag) RefreshTableFields();
    m_tableNameTag.clear();
}

void frmMain::TxtPhoneData_GotFocus()
{
    m_pathTag = TxtPhoneData->text();
}

// A folder typed by hand for a text or FoxPro list: the list is read again
// from there, as Browser reads a picked file, so that the count, the fields
// and the connection View opens are those of the file a run would scrub.
void frmMain::TxtPhoneData_LostFocus()
{
    const QString entered = std::exchange(m_pathTag, QString());
    const std::shared_ptr<CDataTypeInfo> profile = gCurDataTypeInfo;
    const SourceKind kind = KindOf(mDataType);
    if (TxtPhoneData->text() == entered || !profile) return;
    if (kind != SourceKind::TextFile && kind != SourceKind::FoxPro) return;
    profile->TableFieldData()->Clear();
    profile->TableFieldType()->Clear();
    BuildConnectionString(*profile, mDataType);
    // No such file there: nothing is counted or listed (as when a type's
    // stored file is gone).
    if (ConnectSource(kind, *profile))
        ReadFileSource(profile);
    else
        FillFieldLists();
}

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
