// Source browsing and viewing: "Browser" picks the calling list of the
// chosen source type and fills the panel with its tables, fields and count;
// "View" shows the chosen table in the paged data viewer.

#include "mainwindow/frmMain.h"

#include "core/CDataConnection.h"
#include "core/CDataStrings.h"
#include "core/Globals.h"
#include "core/ModuleExcel.h"
#include "dialogs/FileDialogs.h"
#include "mainwindow/ComboList.h"
#include "mainwindow/SourceKind.h"
#include "mainwindow/SourceViewer.h"
#include "mainwindow/frmSourcePickers.h"
#include "platform/ado/JetSql.h"
#include "platform/excel/Excel.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"
#include "platform/widgets/ControlHelpers.h"
#include "platform/widgets/WaitCursor.h"
#include "records/CDataTypeInfo.h"
#include "records/ModuleConnectString.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScopeGuard>
#include <memory>

namespace {

const QString kBrowseTitle = QStringLiteral("Open Phone Data File");

void Exclaim(const QString& prompt)
{
    ui::MsgBox(prompt, ui::vbExclamation | ui::vbOKOnly, vb::App::Title());
}

// A picker edits the profile, modal over the main window. The source is
// read after it (a large workbook for seconds): the hourglass shows from
// the picker's close until the caller lets the pointer go, over the window
// drawn without the picker.
template <class Picker>
[[nodiscard]] std::unique_ptr<ui::WaitCursor> ShowPicker(frmMain* owner,
                                                         const std::shared_ptr<CDataTypeInfo>& profile)
{
    {
        Picker picker;
        picker.Component(profile);
        ui::services().ShowModal(&picker, owner);
    }
    auto hourglass = std::make_unique<ui::WaitCursor>();
    ui::PaintNow(owner);
    return hourglass;
}

void PresetWhenEmpty(CDataConnection& connection, QString (CDataConnection::*get)() const,
                     void (CDataConnection::*set)(const QString&), const QString& value)
{
    if ((connection.*get)().isEmpty()) (connection.*set)(value);
}

} // namespace

void frmMain::SelectStoredFieldNames()
{
    const std::shared_ptr<CDataTypeInfo> profile = m_panel.Profile();
    if (!profile) return;
    // Read all three first: choosing the phone field may choose the mark
    // field too, which would replace the stored mark name before it is shown.
    const QString area = profile->DataAreaName();
    const QString phone = profile->DataFieldName();
    const QString mark = profile->DataMarkName();
    SelectByText(cboAreaDataField, area);
    // The mark field first: a stored one that is listed is shown as it is.
    // One that is not shows empty while the panel only shows the profile;
    // after a change the user sees, the phone field chosen next is marked,
    // as a pick of it while no mark field is chosen does.
    const int markIndex = FindComboIndex(cboMarkField, vb::Variant(mark), false);
    if (markIndex >= 0 || mIsFilling) cboMarkField->setCurrentIndex(markIndex);
    SelectByText(cboPhoneDataField, phone);
}

// ---------------------------------------------------------------- Browser

void frmMain::cmdBrowserData_Click()
{
    const std::shared_ptr<CDataTypeInfo> profile = m_panel.Profile();
    if (!profile) return;
    switch (m_panel.Kind()) {
    case SourceKind::TextFile:
    case SourceKind::FoxPro:
        BrowseFileSource(profile);
        break;
    case SourceKind::Excel:
        BrowseWorkbook(profile);
        break;
    case SourceKind::Access:
    case SourceKind::Database:
    case SourceKind::Odbc:
        BrowseDatabase(profile);
        break;
    default:
        break;
    }
    // A browse that stopped after the path was set: what no longer holds
    // for it is cleared.
    CommitPanel(false);
}

void frmMain::BrowseFileSource(const std::shared_ptr<CDataTypeInfo>& profile)
{
    const QString type = m_panel.Type();
    const bool text = KindOf(type) == SourceKind::TextFile;
    const QString filter = text ? QStringLiteral("Text File (*.txt,*csv)|*.txt;*.csv|All File (*.*)|*.*")
                           : type == QLatin1String("FOXPRO")
                               ? QStringLiteral("FoxPro File (*.dbf)|*.dbf|All File (*.*)|*.*")
                               : QStringLiteral("ACT! File (*.dbf)|*.dbf|All File (*.*)|*.*");
    const QString chosen =
        OpenFile(TxtPhoneData->text() + DataTableName->currentText(), filter, kBrowseTitle);
    if (chosen.isEmpty()) return;

    QString name;
    const QString folder = SplitFilePath(chosen, name);
    TxtPhoneData->setText(folder);
    profile->SetDataTableName(name);
    std::unique_ptr<ui::WaitCursor> reading;
    if (text) reading = ShowPicker<frmTextWizard>(this, profile);
    m_panel.Read(false);
    ShowSource(false);
}

void frmMain::BrowseWorkbook(const std::shared_ptr<CDataTypeInfo>& profile)
{
    const QString chosen =
        OpenFile(TxtPhoneData->text(),
                 QStringLiteral("Excel File (*.xls *.xlsx)|*.xls;*.xlsx|All File (*.*)|*.*"), kBrowseTitle);
    if (chosen.isEmpty()) return;
    TxtPhoneData->setText(chosen);

    const std::shared_ptr<excel::Workbook> book = OpenExcelWorkbook(profile->DataDBName(), false);
    if (!book) {
        Exclaim(QStringLiteral("Empty Excel file!"));
        return;
    }
    // The workbook is open for this command only, whatever ends it.
    const auto closeBook = qScopeGuard([&book] { vb::ResumeNext([&book] { book->Close(false); }); });
    if (!profile->GetExcelSheet(book.get())) return;
    const auto reading = ShowPicker<frmExcelWizard>(this, profile);
    m_panel.ReadPicked();
    ShowSource(false);
    if (cboPhoneDataField->count() == 0) Exclaim(QStringLiteral("Empty Excel file!"));
}

void frmMain::BrowseDatabase(const std::shared_ptr<CDataTypeInfo>& profile)
{
    const QString type = m_panel.Type();
    if (!mDataConnection) mDataConnection = std::make_shared<CDataConnection>();
    CDataConnection& connection = *mDataConnection;
    profile->GetODBC(connection);
    if (type == QLatin1String("ACCESS")) {
        connection.SetProvider(QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
        connection.SetDSN(QStringLiteral("(None)"));
    } else if (type == QLatin1String("MS SQL")) {
        connection.SetProvider(QStringLiteral("SQLOLEDB"));
        connection.SetDSN(QStringLiteral("(None)"));
        PresetWhenEmpty(connection, &CDataConnection::Server, &CDataConnection::SetServer,
                        QStringLiteral("localhost"));
        PresetWhenEmpty(connection, &CDataConnection::UserID, &CDataConnection::SetUserID,
                        QStringLiteral("sa"));
    } else if (type == QLatin1String("MYSQL")) {
        connection.SetProvider(QStringLiteral("MSDASQL"));
        connection.SetDSN(QStringLiteral("(None)"));
        PresetWhenEmpty(connection, &CDataConnection::Driver, &CDataConnection::SetDriver,
                        QStringLiteral("MySQL ODBC 3.51 Driver"));
        PresetWhenEmpty(connection, &CDataConnection::UserID, &CDataConnection::SetUserID,
                        QStringLiteral("root"));
        PresetWhenEmpty(connection, &CDataConnection::Server, &CDataConnection::SetServer,
                        QStringLiteral("localhost"));
    } else {
        connection.SetProvider(QStringLiteral("MSDASQL"));
    }
    connection.ShowMe(1);
    profile->SetODBC(connection);

    const QString connectionString = BuildConnectionString(*profile, type);
    TxtPhoneData->setText(type == QLatin1String("ODBC") ? profile->DataDSN() : profile->DataDBName());
    if (connectionString.isEmpty()) return;
    if (!profile->GetTables(QString())) return;
    const std::int32_t tables = GetTableNameCount();
    if (tables == 0) return;
    std::unique_ptr<ui::WaitCursor> reading;
    if (tables == 1)
        profile->SetDataTableName(profile->TableNameData()->Item(1)->ItemValue());
    else
        reading = ShowPicker<frmSelectTable>(this, profile);
    m_panel.ReadPicked();
    ShowSource(false);
}

// ---------------------------------------------------------------- View

void frmMain::cmdViewData_Click()
{
    CommitPanel(true);
    if (const QString missing = m_panel.Missing(); !missing.isEmpty()) {
        Exclaim(missing);
        return;
    }
    SetStart(false);
    vb::DoEvents();
    // An error while viewing ends the view; the window comes back either way.
    vb::ResumeNext([this] {
        const QString table = DataTableName->currentText();
        const QString connection = m_panel.ConnectionString();
        if (table.isEmpty() || connection.isEmpty()) return;
        const QString bracketed = ado::QuoteName(table);
        const QString caption = QStringLiteral("View Phone Data");
        switch (m_panel.Kind()) {
        case SourceKind::TextFile:
            sourceview::ViewData(nullptr, connection, bracketed, false, caption);
            break;
        case SourceKind::Excel:
            sourceview::ViewData(nullptr, connection, ado::QuoteName(m_panel.ExcelTable()), true, caption);
            break;
        case SourceKind::Access:
        case SourceKind::FoxPro:
            sourceview::ViewData(nullptr, connection, bracketed, true, caption);
            break;
        // A server takes its own quoting: the name goes as the server listed it.
        case SourceKind::Database:
        case SourceKind::Odbc:
            sourceview::ViewData(nullptr, connection, table, true, caption);
            break;
        default:
            break;
        }
    });
    SetStart(true);
}
