// The Start run of the main window: the checks of the user's choices in
// their fixed order, the confirmation, the one-number look-up, the backup
// copy of a workbook or table, the DNC connection and the scrub routine of
// the source type. The window is disabled while a run goes on and enabled
// again on every way out.

#include "mainwindow/frmMain.h"

#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "core/MainWindowHost.h"
#include "core/Settings.h"
#include "dncdb/ModuleDNC.h"
#include "platform/ado/Connection.h"
#include "platform/files/Workbook.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/fso/SaveTextFile.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"
#include "platform/vb/Strings.h"
#include "platform/widgets/ProgressBar.h"
#include "records/CDataTypeInfo.h"
#include "records/ModuleConnectString.h"
#include "scrub/ExcelSheetScrub.h"
#include "scrub/TableScrub.h"
#include "scrub/TextFileScrub.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>

namespace {

// Painting and input are served at most this often during a run; the
// texts themselves follow every 100 records.
constexpr double kRepaintSeconds = 0.1;

int Ask(const QString& prompt, int style)
{
    return ui::MsgBox(prompt, style, vb::App::Title());
}

void Exclaim(const QString& prompt)
{
    Ask(prompt, ui::vbExclamation);
}

void CloseQuietly(const std::shared_ptr<ado::Connection>& conn)
{
    try {
        if (conn && conn->State() != ado::adStateClosed) conn->Close();
    } catch (...) {
        vb::CatchError();
    }
}

// The progress frame and status bar of the main window, for a scrub routine.
class WindowScrubView : public scrub::ScrubView {
public:
    explicit WindowScrubView(frmMain& form) : m_form(form) {}

    bool DeleteFound() override { return m_form.chkOptions->isChecked(); }
    QString MarkText() override { return m_form.txtMarkChar->text(); }

    void BeginProgress(std::int32_t total) override { m_form.BeginProgressFrame(total); }

    void ShowProgress(const scrub::ScrubCounters& counters, double elapsedSeconds, bool final) override
    {
        if (m_form.ProgressDue(final)) m_form.SetStatusBar(counters.statusText(), 1);
        m_form.ShowProgressFrame(counters.records, counters.progressValue(), elapsedSeconds, final);
    }

private:
    frmMain& m_form;
};

bool IsFileOrTableSource(const QString& type)
{
    for (const char* t : {"TEXT FILE", "CSV", "EXCEL", "ACCESS", "FOXPRO", "ACT!"})
        if (type == QLatin1String(t)) return true;
    return false;
}

// The files a file or table source reads and rewrites.
QStringList SourceFiles(const CDataTypeInfo& profile, const QString& type)
{
    if (type == QLatin1String("EXCEL") || type == QLatin1String("ACCESS")) return {profile.DataDBName()};
    const QString path = scrub::FolderWithSeparator(profile.DataDBName()) + profile.DataTableName();
    if (type == QLatin1String("FOXPRO") || type == QLatin1String("ACT!"))
        return {path, path + QStringLiteral(".dbf")};
    return {path};
}

// The one typed number, looked up directly in its area code's table.
void LookUpOneNumber(frmMain& form, double startTime, std::shared_ptr<ado::Connection>& dncConn)
{
    const QString typed = gCurDataTypeInfo->DataDBName();
    QString number = typed;
    if (number.size() == 7 && form.mAddAreaCode == 1) number = form.mDefaultCode + number;
    bool digits = number.size() == 10;
    for (const QChar c : number)
        digits = digits && c >= u'0' && c <= u'9';
    if (!digits) {
        Exclaim(QStringLiteral("Phone Numner must be 10 digits!"));
        return;
    }

    dncConn = scrub::OpenDncConnection();
    const bool found = CountDNCPhone(number.left(3), number.mid(3, 7), dncConn) != 0;
    // The result file's folder (the program folder's "results" by default)
    // is made when missing; when it cannot be, the file's write says why.
    vb::ResumeNext([&] { fso::EnsureParentFolder(found ? form.mDNCFile : form.mOKFile); });
    bool saved = false;
    if (!found) {
        SetStatusBarText(QStringLiteral("This Number is NOT in DNC List!"), 1);
        Ask(QStringLiteral("OK to Call!"), ui::vbOKOnly);
        saved =
            SaveTextFile(form.mOKFile, QStringLiteral("Numbers are NOT in DNC List") + vb::vbCrLf + typed);
    } else {
        SetStatusBarText(QStringLiteral("WARNING: This Number IS in DNC List!"), 1);
        Ask(QStringLiteral("Warning:  Do Not Call Number"), ui::vbOKOnly);
        saved = SaveTextFile(form.mDNCFile, QStringLiteral("Numbers are in DNC List") + vb::vbCrLf + typed);
    }
    if (saved) SetStatusBarText(scrub::ElapsedText(startTime, vb::Timer()) + QStringLiteral(" seconds"), 2);
}

// Copies the source file beside itself under "B" and the present moment.
void BackUp(const QString& folder, const QString& fileName)
{
    const QString dir = scrub::FolderWithSeparator(folder);
    fso::FileSystemObject().CopyFile(dir + fileName,
                                     dir + QStringLiteral("B") + scrub::FileStamp() + fileName, true);
}

scrub::ScrubSettings SettingsOfRun(const frmMain& form, const CDataTypeInfo& profile)
{
    scrub::ScrubSettings s;
    s.phoneField = profile.DataFieldName();
    s.areaField = profile.DataAreaName();
    s.markField = profile.DataMarkName();
    s.number.addAreaCode = form.mAddAreaCode == 1;
    s.number.defaultCode = form.mDefaultCode;
    s.nacNotInDnc = form.mNacNotInDNC == 1;
    s.exportOk = form.mExportOK == 1;
    s.exportDnc = form.mExportDNC == 1;
    s.okFile = form.mOKFile;
    s.dncFile = form.mDNCFile;
    s.markAction = vb::CLng(vb::Variant(SettingText(QStringLiteral("markaction"))));
    s.backupOriginal = form.mBackupOriginal == 1;
    return s;
}

// A list, workbook or table: its checks, backup, DNC connection and routine.
void RunSource(frmMain& form, const QString& type, std::shared_ptr<ado::Connection>& dncConn)
{
    if (form.cboPhoneDataField->currentText().isEmpty()) {
        Exclaim(QStringLiteral("Please select phone field name!"));
        return;
    }
    if (form.cboMarkField->currentText().isEmpty()) {
        Exclaim(QStringLiteral("Please select mark field name!"));
        return;
    }
    const vb::Variant shown(form.txtPhoneDataTotal->text());
    if (!vb::IsNumeric(shown) || vb::CDbl(shown) == 0) return;

    CDataTypeInfo& profile = *gCurDataTypeInfo;
    const bool textFile = type == QLatin1String("TEXT FILE") || type == QLatin1String("CSV");
    const bool foxPro = type == QLatin1String("FOXPRO") || type == QLatin1String("ACT!");
    const bool excel = type == QLatin1String("EXCEL");
    QString connectionString;
    if (textFile)
        connectionString = profile.GetTextConnString();
    else if (excel)
        connectionString = profile.GetExcelConnString();
    else if (foxPro)
        connectionString = profile.GetFoxProConnString();
    else
        connectionString = profile.GetAccessConnString();
    if (connectionString.isEmpty()) return;

    // A workbook that can only be read is refused before its backup copy is
    // made: the scrub would refuse it anyway and leave the copy behind.
    if (excel && files::Workbook::formatOnDisk(profile.DataDBName()) == files::WorkbookFormat::Xls) {
        Exclaim(scrub::ReadOnlyWorkbookMessage(QFileInfo(profile.DataDBName()).fileName()));
        return;
    }

    if (form.mBackupOriginal == 1 && !textFile) {
        QString folder;
        QString fileName;
        if (foxPro) {
            folder = profile.DataDBName();
            fileName = profile.DataTableName();
        } else {
            folder = SplitFilePath(profile.DataDBName(), fileName);
        }
        if (excel) {
            try {
                BackUp(folder, fileName);
            } catch (...) {
                const vb::ErrObject& e = vb::CatchError();
                if (Ask(e.Description + vb::vbCrLf +
                            QStringLiteral("The file is not backup! Do you want to continue anyway?"),
                        ui::vbYesNo | ui::vbExclamation) == ui::vbNo)
                    return;
            }
        } else {
            BackUp(folder, fileName);
        }
    }

    dncConn = scrub::OpenDncConnection();

    if (textFile) {
        scrub::TextScrubJob job;
        job.folder = profile.DataDBName();
        job.fileName = profile.DataTableName();
        job.connectionString = connectionString;
        job.titleFirstLine = profile.IsTitleFirstLine();
        job.fieldCount = form.cboMarkField->count();
        job.settings = SettingsOfRun(form, profile);
        WindowScrubView view(form);
        scrub::ScrubTextFile(job, view, dncConn);
    } else if (excel) {
        // The workbook routine reports its own errors; nothing of it stops the handler.
        try {
            scrub::ExcelScrubJob job;
            job.workbookPath = profile.DataDBName();
            job.sheetName = profile.DataTableName();
            job.titleFirstLine = profile.IsTitleFirstLine();
            job.phoneColumn = form.cboPhoneDataField->currentIndex() + 1;
            job.markColumn = form.cboMarkField->currentIndex() + 1;
            job.areaColumn = std::max(0, form.cboAreaDataField->currentIndex());
            job.settings = SettingsOfRun(form, profile);
            WindowScrubView view(form);
            const scrub::ExcelScrubResult r = scrub::ScrubExcelSheet(job, view, dncConn);
            if (r.completed) {
                form.mRecordCount = r.recordCount;
                form.txtPhoneDataTotal->setText(QString::number(r.recordCount));
            }
        } catch (...) {
            vb::CatchError();
        }
    } else {
        scrub::TableScrubJob job;
        job.connectionString = connectionString;
        job.tableName = profile.DataTableName();
        job.settings = SettingsOfRun(form, profile);
        WindowScrubView view(form);
        if (foxPro)
            scrub::ScrubFoxProTable(job, view, dncConn);
        else
            scrub::ScrubAccessTable(job, view, dncConn);
    }
}

} // namespace

void frmMain::BeginProgressFrame(std::int32_t total)
{
    ProgressBar1->SetMin(0);
    ProgressBar1->SetMax(total);
    ProgressBar1->SetValue(0);
    lblMin->setText(QStringLiteral("0"));
    lblmax->setText(QString::number(total));
}

bool frmMain::ProgressDue(bool final) const
{
    return final || vb::Timer() - m_barShown >= kRepaintSeconds;
}

void frmMain::ShowProgressFrame(std::int32_t count, std::int32_t barValue, double elapsedSeconds, bool final)
{
    // A run reports every hundred records, far more often than the window
    // is repainted; texts set in between would never be seen. The bar
    // paints itself at once whenever its value moves.
    if (ProgressDue(final)) {
        lblStatus->setText(QString::number(count));
        SetStatusBar(scrub::ElapsedText(0, elapsedSeconds), 2);
        ProgressBar1->SetValue(barValue);
        m_barShown = vb::Timer();
    }
    if (final)
        vb::DoEvents();
    else
        vb::DoEventsThrottled(kRepaintSeconds);
}

void frmMain::cmdStart_Click()
{
    bool typeChosen = false;
    for (const auto& [index, option] : OptPhoneType)
        typeChosen = typeChosen || (option && option->isChecked());
    if (!typeChosen) {
        Exclaim(QStringLiteral("Please Select Your File Type!"));
        return;
    }
    if (mExportOK == 1 && mOKFile.isEmpty()) {
        Exclaim(QStringLiteral("Please Input OK File Name!"));
        return;
    }
    if (mAddAreaCode == 1) {
        if (mDefaultCode.isEmpty()) {
            Exclaim(QStringLiteral("You have selected the seven digit numbers options. Please input the area "
                                   "code for your seven digit numbers!"));
            return;
        }
        if (Ask(QStringLiteral("Is this the area code you want to use? ") + mDefaultCode,
                ui::vbYesNo | ui::vbQuestion) == ui::vbNo)
            return;
    }
    if (mExportDNC == 1 && mDNCFile.isEmpty()) {
        Exclaim(QStringLiteral("Please Input DNC File Name!"));
        return;
    }
    const QString mark = txtMarkChar->text();
    if (MarkFieldIsNumeric() && !mark.isEmpty() && !vb::IsNumeric(vb::Variant(mark))) {
        Exclaim(QStringLiteral("Mark should be digits for this mark field -") + cboMarkField->currentText());
        txtMarkChar->setFocus();
        return;
    }
    if (!gCurDataTypeInfo) return;
    const QString type = gCurDataTypeInfo->DataType();
    const bool oneNumber = type == QLatin1String("ONE NUMBER");
    if (!oneNumber && DataTableName->currentText().isEmpty()) {
        Exclaim(QStringLiteral("Please select table name!"));
        return;
    }
    if (!oneNumber && IsFileOrTableSource(type)) {
        // Result files written over the list, or over each other, would
        // destroy what the run reads or writes: refused before it starts.
        const QString clash = scrub::ResultFileClash(SettingsOfRun(*this, *gCurDataTypeInfo),
                                                     SourceFiles(*gCurDataTypeInfo, type));
        if (!clash.isEmpty()) {
            Exclaim(clash);
            return;
        }
    }
    if (!oneNumber &&
        Ask(QStringLiteral("Are you sure want to start?"), ui::vbYesNo | ui::vbQuestion) == ui::vbNo)
        return;

    SetStart(false);
    const double startTime = vb::Timer();
    std::shared_ptr<ado::Connection> dncConn;
    try {
        if (oneNumber)
            LookUpOneNumber(*this, startTime, dncConn);
        else if (IsFileOrTableSource(type))
            RunSource(*this, type, dncConn);
        // "MS SQL", "MYSQL" and "ODBC" sources are browsed and viewed only.
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QStringLiteral("frmMain"), QStringLiteral("Start"), false);
    }
    SetStart(true);
    CloseQuietly(dncConn);
}
