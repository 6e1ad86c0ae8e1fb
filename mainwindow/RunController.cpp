#include "mainwindow/RunController.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/Globals.h"
#include "core/ModuleExcel.h"
#include "core/Settings.h"
#include "core/WriteGuard.h"
#include "dncdb/ModuleDNC.h"
#include "platform/ado/Connection.h"
#include "platform/ado/FoxProProvider.h"
#include "platform/excel/Excel.h"
#include "platform/files/DbfTable.h"
#include "platform/files/Workbook.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/fso/SaveTextFile.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"
#include "platform/vb/Format.h"
#include "platform/vb/Strings.h"
#include "records/CDataTypeInfo.h"
#include "records/ModuleConnectString.h"
#include "scrub/DuplicateRemoval.h"
#include "scrub/ExcelSheetScrub.h"
#include "scrub/ListBackup.h"
#include "scrub/TableScrub.h"
#include "scrub/TextFileScrub.h"
#include "scrub/WorkTableScrub.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

void CloseQuietly(const std::shared_ptr<ado::Connection>& conn)
{
    try {
        if (conn && conn->State() != ado::adStateClosed) conn->Close();
    } catch (...) {
        vb::CatchError();
    }
}

// The files a list source reads and rewrites.
QStringList SourceFiles(const CDataTypeInfo& profile, SourceKind kind)
{
    if (kind == SourceKind::Excel || kind == SourceKind::Access) return {profile.DataDBName()};
    const QString folder = scrub::FolderWithSeparator(profile.DataDBName());
    const QString path = folder + profile.DataTableName();
    if (kind == SourceKind::FoxPro) {
        const QString file = ado::DbfFileOf(folder, profile.DataTableName());
        if (!file.isEmpty()) return {folder + file};
        return {path, path + QStringLiteral(".dbf")};
    }
    return {path};
}

// The record count the panel shows is a number other than 0.
bool HasRecords(const PanelChoices& panel)
{
    const vb::Variant shown(panel.recordCount);
    return vb::IsNumeric(shown) && vb::CDbl(shown) != 0;
}

// Copies the source file beside itself under "B" and the present moment. A
// table's memo and index files go with it under the copy's name, where a
// table opened finds its own: without its memo file the copy cannot be opened.
// A database is copied as the engine sees it, its journal's rows included.
void BackUp(const QString& folder, const QString& fileName, SourceKind kind)
{
    scrub::BackUpList(folder, fileName,
                      kind == SourceKind::FoxPro   ? scrub::BackupKind::Table
                      : kind == SourceKind::Access ? scrub::BackupKind::Database
                                                   : scrub::BackupKind::File);
}

scrub::ScrubSettings SettingsOfRun(const ScrubOptions& options, const CDataTypeInfo& profile,
                                   const PanelChoices& panel)
{
    scrub::ScrubSettings s;
    s.phoneField = profile.DataFieldName();
    s.areaField = profile.DataAreaName();
    s.markField = profile.DataMarkName();
    s.number.addAreaCode = options.addAreaCode == 1;
    s.number.defaultCode = options.defaultCode;
    s.nacNotInDnc = options.nacNotInDNC == 1;
    s.exportOk = options.exportOK == 1;
    s.exportDnc = options.exportDNC == 1;
    s.okFile = options.okFile;
    s.dncFile = options.dncFile;
    s.markAction = vb::CLng(vb::Variant(SettingText(QStringLiteral("markaction"))));
    s.backupOriginal = options.backupOriginal == 1;
    s.deleteFound = panel.deleteFound;
    s.markText = panel.markText;
    return s;
}

// Stores a setting and writes its row at once; a store without the row gets
// it added.
void SaveSetting(const QString& key, const QString& value)
{
    if (!gDefPropertys) return;
    auto p = gDefPropertys->Item(key);
    if (!p) {
        auto fresh = std::make_shared<CDefProperty>();
        fresh->SetPropertyKeys(key);
        fresh->SetPropertyName(key);
        fresh->SetDataType(CDefProperty::KindText);
        gDefPropertys->AddExisting(fresh, key);
        p = fresh;
    }
    SaveSettingNow(*p, value);
}

// A failure the window reports, as the error being handled in a function.
engine::Result Caught(const QString& module, const QString& function)
{
    engine::Result r;
    r.failure = engine::FailureOf(vb::CatchError(), module, function);
    return r;
}

} // namespace

ListSheet OpenListSheet(const QString& workbookPath, const QString& sheetName)
{
    ListSheet opened;
    const std::shared_ptr<excel::Workbook> book = OpenExcelWorkbook(workbookPath, false);
    if (!book) {
        opened.refusal = QStringLiteral(
            "Problem with Excel program! The computer maybe need to restart to solve this problem.");
        return opened;
    }
    opened.sheet = book->Worksheets(sheetName);
    if (!opened.sheet) opened.refusal = QStringLiteral("Sheet is not found!.");
    return opened;
}

bool MarkFieldIsNumeric(const CDataTypeInfo* profile, int markIndex)
{
    if (!profile || markIndex < 0) return false;
    const auto code = profile->TableFieldType()->Item(markIndex + 1);
    return code && code->ItemValue() == QLatin1String("999");
}

void ScrubOptions::Load()
{
    const auto number = [](const char* key, std::int32_t& out) {
        vb::ResumeNext([&] { out = vb::CLng(SettingValue(QString::fromLatin1(key))); });
    };
    const auto text = [](const char* key, QString& out) {
        vb::ResumeNext([&] { out = SettingValue(QString::fromLatin1(key)); });
    };
    number("addareacode", addAreaCode);
    text("defaultcode", defaultCode);
    number("exportok", exportOK);
    number("exportdnc", exportDNC);
    number("backuporginal", backupOriginal);
    number("nacnotindnc", nacNotInDNC);
    number("markformat", markFormat);
    text("formatchar", formatChar);
    text("okfile", okFile);
    text("dncfile", dncFile);
}

void RunController::StoreDeleteChoice(bool deleteFound)
{
    vb::ResumeNext([&] {
        if (const auto row = Setting(QStringLiteral("deleterecords")))
            row->SetPropertyValue(deleteFound ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void RunController::StoreMarkAction(std::int16_t action)
{
    if (const auto row = Setting(QStringLiteral("markaction")))
        row->SetPropertyValue(QString::number(action));
}

void RunController::Exclaim(const QString& prompt) const
{
    m_window.Say(prompt, ui::vbExclamation);
}

std::shared_ptr<excel::Worksheet> RunController::OpenListSheet(const CDataTypeInfo& profile) const
{
    const ListSheet opened = ::OpenListSheet(profile.DataDBName(), profile.DataTableName());
    if (!opened.sheet) Exclaim(opened.refusal);
    return opened.sheet;
}

// ---------------------------------------------------------------- Start

bool RunController::StartChecks(const PanelChoices& panel)
{
    const ScrubOptions& o = m_options;
    if (!panel.typeChosen) {
        Exclaim(QStringLiteral("Please Select Your File Type!"));
        return false;
    }
    if (o.exportOK == 1 && o.okFile.isEmpty()) {
        Exclaim(QStringLiteral("Please Input OK File Name!"));
        return false;
    }
    if (o.addAreaCode == 1) {
        if (o.defaultCode.isEmpty()) {
            Exclaim(QStringLiteral("You have selected the seven digit numbers options. Please input the area "
                                   "code for your seven digit numbers!"));
            return false;
        }
        if (m_window.Say(QStringLiteral("Is this the area code you want to use? ") + o.defaultCode,
                         ui::vbYesNo | ui::vbQuestion) == ui::vbNo)
            return false;
    }
    if (o.exportDNC == 1 && o.dncFile.isEmpty()) {
        Exclaim(QStringLiteral("Please Input DNC File Name!"));
        return false;
    }
    if (MarkFieldIsNumeric(gCurDataTypeInfo.get(), panel.markIndex) && !panel.markText.isEmpty() &&
        !vb::IsNumeric(vb::Variant(panel.markText))) {
        Exclaim(QStringLiteral("Mark should be digits for this mark field -") + panel.markField);
        m_window.FocusMarkText();
        return false;
    }
    if (!gCurDataTypeInfo) return false;
    const SourceKind kind = KindOf(gCurDataTypeInfo->DataType());
    if (kind == SourceKind::OneNumber) {
        // The look-up writes one of the two files, whichever answer it gets.
        for (const auto& [name, file] :
             {std::pair{QStringLiteral("OK"), o.okFile}, std::pair{QStringLiteral("DNC"), o.dncFile}}) {
            const QString clash = scrub::ResultFileClash(name, file, {});
            if (!clash.isEmpty()) {
                Exclaim(clash);
                return false;
            }
        }
        return true;
    }
    if (!panel.missingSource.isEmpty()) {
        Exclaim(panel.missingSource);
        return false;
    }
    if (panel.tableName.isEmpty()) {
        Exclaim(QStringLiteral("Please select table name!"));
        return false;
    }
    if (IsListSource(kind)) {
        // Result files written over the list, or over each other, would
        // destroy what the run reads or writes: refused before it starts.
        const QString clash = scrub::ResultFileClash(SettingsOfRun(o, *gCurDataTypeInfo, panel),
                                                     SourceFiles(*gCurDataTypeInfo, kind));
        if (!clash.isEmpty()) {
            Exclaim(clash);
            return false;
        }
    }
    return m_window.Say(QStringLiteral("Are you sure want to start?"), ui::vbYesNo | ui::vbQuestion) !=
           ui::vbNo;
}

void RunController::Start()
{
    const PanelChoices panel = m_window.Choices();
    if (!StartChecks(panel)) return;

    m_window.SetStart(false);
    const double startTime = vb::Timer();
    std::shared_ptr<ado::Connection> dncConn;
    try {
        const SourceKind kind = KindOf(gCurDataTypeInfo->DataType());
        if (kind == SourceKind::OneNumber)
            LookUpOneNumber(startTime, dncConn);
        else if (IsListSource(kind))
            RunSource(panel, kind, dncConn);
        // "MS SQL", "MYSQL" and "ODBC" sources are browsed and viewed only.
    } catch (...) {
        m_window.Report(Caught(QStringLiteral("frmMain"), QStringLiteral("Start")), ui::vbInformation);
    }
    m_window.SetStart(true);
    CloseQuietly(dncConn);
}

// The one typed number, looked up directly in its area code's table.
void RunController::LookUpOneNumber(double startTime, std::shared_ptr<ado::Connection>& dncConn)
{
    const QString typed = gCurDataTypeInfo->DataDBName();
    QString number = typed;
    if (number.size() == 7 && m_options.addAreaCode == 1) number = m_options.defaultCode + number;
    bool digits = number.size() == 10;
    for (const QChar c : number)
        digits = digits && c >= u'0' && c <= u'9';
    if (!digits) {
        Exclaim(QStringLiteral("Phone Numner must be 10 digits!"));
        return;
    }

    dncConn = scrub::OpenDncConnection();
    const bool found = CountDNCPhone(number.left(3), number.mid(3, 7), dncConn) != 0;
    const QString& file = found ? m_options.dncFile : m_options.okFile;
    // The result file's folder (the program folder's "results" by default)
    // is made when missing; when it cannot be, the file's write says why.
    vb::ResumeNext([&] { fso::EnsureParentFolder(file); });
    m_window.SetStatusBar(found ? QStringLiteral("WARNING: This Number IS in DNC List!")
                                : QStringLiteral("This Number is NOT in DNC List!"),
                          1);
    m_window.Say(found ? QStringLiteral("Warning:  Do Not Call Number") : QStringLiteral("OK to Call!"),
                 ui::vbOKOnly);
    const QString heading =
        found ? QStringLiteral("Numbers are in DNC List") : QStringLiteral("Numbers are NOT in DNC List");
    if (SaveTextFile(file, heading + vb::vbCrLf + typed))
        m_window.SetStatusBar(scrub::ElapsedText(startTime, vb::Timer()) + QStringLiteral(" seconds"), 2);
}

// The phone, mark and area boxes each name a field of the list: a box left
// empty, or holding a name that is no entry of its list, is refused with its
// message before anything is copied or read (an empty area box is no area
// field).
bool RunController::FieldsNameEntries(const PanelChoices& panel, bool markNeeded) const
{
    // A name that is no field of the list says so before it asks.
    const auto refuse = [this](const QString& shown, const QString& ask) {
        const SourceKind kind = gCurDataTypeInfo ? KindOf(gCurDataTypeInfo->DataType()) : SourceKind::Unknown;
        const QString list = kind == SourceKind::Excel      ? QStringLiteral("sheet")
                             : kind == SourceKind::TextFile ? QStringLiteral("file")
                                                            : QStringLiteral("table");
        Exclaim(shown.isEmpty() ? ask
                                : QStringLiteral("\"%1\" is not a field of the %2. ").arg(shown, list) + ask);
        return false;
    };
    if (panel.phoneField.isEmpty() || panel.phoneIndex < 0)
        return refuse(panel.phoneField, QStringLiteral("Please select phone field name!"));
    if (markNeeded && (panel.markField.isEmpty() || panel.markIndex < 0))
        return refuse(panel.markField, QStringLiteral("Please select mark field name!"));
    if (!panel.areaField.isEmpty() && panel.areaIndex < 0)
        return refuse(panel.areaField, QStringLiteral("Please select area field name!"));
    return true;
}

// A list, workbook or table: its checks, backup, DNC connection and routine.
void RunController::RunSource(const PanelChoices& panel, SourceKind kind,
                              std::shared_ptr<ado::Connection>& dncConn)
{
    if (!FieldsNameEntries(panel, true)) return;
    if (!HasRecords(panel)) return;

    CDataTypeInfo& profile = *gCurDataTypeInfo;
    const QString connectionString = BuildConnectionString(profile, profile.DataType());
    if (connectionString.isEmpty()) return;

    // A workbook that can only be read is refused before its backup copy is
    // made: the scrub would refuse it anyway and leave the copy behind.
    if (kind == SourceKind::Excel &&
        files::Workbook::formatOnDisk(profile.DataDBName()) == files::WorkbookFormat::Xls) {
        Exclaim(scrub::ReadOnlyWorkbookMessage(QFileInfo(profile.DataDBName()).fileName()));
        return;
    }
    if (!ListIsWritable(profile, kind, connectionString)) return;
    std::shared_ptr<excel::Worksheet> sheet;
    if (kind == SourceKind::Excel) {
        sheet = SheetToScrub(panel, profile);
        if (!sheet) return;
    }
    if (!BackUpSource(profile, kind)) return;

    dncConn = scrub::OpenDncConnection();
    switch (kind) {
    case SourceKind::TextFile:
        ScrubText(panel, profile, connectionString, dncConn);
        break;
    case SourceKind::Excel:
        // The workbook routine reports its own errors; nothing of it stops the handler.
        try {
            ScrubExcel(panel, profile, std::move(sheet), dncConn);
        } catch (...) {
            vb::CatchError();
        }
        break;
    default:
        ScrubTable(panel, profile, kind, connectionString, dncConn);
        break;
    }
}

// A list the run could not change is refused before its backup copy is
// made, in its routine's words; the text routine checks before the copy it
// makes itself.
bool RunController::ListIsWritable(const CDataTypeInfo& profile, SourceKind kind,
                                   const QString& connectionString)
{
    engine::Result refused;
    if (kind == SourceKind::Excel) {
        refused = scrub::WritableWorkbookCheck(profile.DataDBName());
    } else if (kind != SourceKind::TextFile) {
        scrub::TableScrubJob job;
        job.kind = kind == SourceKind::FoxPro ? scrub::TableScrubJob::Kind::FoxPro
                                              : scrub::TableScrubJob::Kind::Access;
        job.connectionString = connectionString;
        job.tableName = profile.DataTableName();
        refused = scrub::WritableTableCheck(job);
    }
    if (!refused.failure) return true;
    m_window.Report(refused, ui::vbInformation);
    return false;
}

// The backup copy of a workbook or table ("backuporginal"); a text list's
// copy is the text scrub's own. False when the run is not to go on.
bool RunController::BackUpSource(CDataTypeInfo& profile, SourceKind kind)
{
    if (m_options.backupOriginal != 1 || kind == SourceKind::TextFile) return true;
    QString folder;
    QString fileName;
    if (kind == SourceKind::FoxPro) {
        folder = profile.DataDBName();
        // The copy is of the file the run will change.
        fileName = ado::DbfFileOf(folder, profile.DataTableName());
        if (fileName.isEmpty()) fileName = profile.DataTableName();
    } else {
        folder = SplitFilePath(profile.DataDBName(), fileName);
    }
    if (kind != SourceKind::Excel) {
        BackUp(folder, fileName, kind);
        return true;
    }
    try {
        BackUp(folder, fileName, kind);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        return m_window.Say(e.Description + vb::vbCrLf +
                                QStringLiteral("The file is not backup! Do you want to continue anyway?"),
                            ui::vbYesNo | ui::vbExclamation) != ui::vbNo;
    }
    return true;
}

void RunController::ScrubText(const PanelChoices& panel, CDataTypeInfo& profile,
                              const QString& connectionString,
                              const std::shared_ptr<ado::Connection>& dncConn)
{
    scrub::TextScrubJob job;
    job.folder = profile.DataDBName();
    job.fileName = profile.DataTableName();
    job.connectionString = connectionString;
    job.titleFirstLine = profile.IsTitleFirstLine();
    job.fieldCount = static_cast<int>(panel.fields.size());
    job.settings = SettingsOfRun(m_options, profile, panel);
    m_window.Report(scrub::ScrubTextFile(job, m_window.Progress(), dncConn), ui::vbInformation);
}

std::shared_ptr<excel::Worksheet> RunController::SheetToScrub(const PanelChoices& panel,
                                                              const CDataTypeInfo& profile)
{
    std::shared_ptr<excel::Worksheet> sheet = OpenListSheet(profile);
    if (!sheet) return nullptr;
    const files::CellRange used = sheet->UsedRange();
    const scrub::SheetRecords records =
        scrub::RecordsOfRange(used.firstRow, used.lastRow, profile.IsTitleFirstLine());
    engine::Result refused;
    refused.refusal = scrub::SheetRefusal(*sheet, records.firstRow, panel.deleteFound && records.count > 0,
                                          panel.markIndex + 1);
    if (refused.refusal.isEmpty()) return sheet;
    scrub::CloseWithoutSaving(*sheet->Parent());
    m_window.Report(refused, ui::vbInformation);
    return nullptr;
}

void RunController::ScrubExcel(const PanelChoices& panel, CDataTypeInfo& profile,
                               std::shared_ptr<excel::Worksheet> sheet,
                               const std::shared_ptr<ado::Connection>& dncConn)
{
    scrub::ExcelScrubJob job;
    job.sheet = std::move(sheet);
    job.titleFirstLine = profile.IsTitleFirstLine();
    job.phoneColumn = panel.phoneIndex + 1;
    job.markColumn = panel.markIndex + 1;
    job.areaColumn = std::max(0, panel.areaIndex);
    job.settings = SettingsOfRun(m_options, profile, panel);
    const scrub::ExcelScrubResult r = scrub::ScrubExcelSheet(job, m_window.Progress(), dncConn);
    m_window.Report(r, ui::vbInformation);
    if (r.completed) m_window.ShowRecordCount(r.recordCount);
}

void RunController::ScrubTable(const PanelChoices& panel, CDataTypeInfo& profile, SourceKind kind,
                               const QString& connectionString,
                               const std::shared_ptr<ado::Connection>& dncConn)
{
    scrub::TableScrubJob job;
    job.kind =
        kind == SourceKind::FoxPro ? scrub::TableScrubJob::Kind::FoxPro : scrub::TableScrubJob::Kind::Access;
    job.connectionString = connectionString;
    job.tableName = profile.DataTableName();
    job.settings = SettingsOfRun(m_options, profile, panel);
    m_window.Report(scrub::ScrubTable(job, m_window.Progress(), dncConn), ui::vbInformation);
}

// ---------------------------------------------------------------- duplicate removal

void RunController::RemoveDuplicates()
{
    if (!gCurDataTypeInfo) return;
    CDataTypeInfo& profile = *gCurDataTypeInfo;
    const SourceKind kind = KindOf(profile.DataType());
    if (!IsListSource(kind)) return;

    const PanelChoices panel = m_window.Choices();
    if (!panel.missingSource.isEmpty()) return Exclaim(panel.missingSource);
    // The mark field plays no part; the list sources but the workbook still ask for one.
    if (!FieldsNameEntries(panel, kind != SourceKind::Excel)) return;
    if (!HasRecords(panel)) return;
    const QString connectionString = BuildConnectionString(profile, profile.DataType());
    if (connectionString.isEmpty()) return;

    m_window.SetStart(false);
    try {
        RunDuplicateRemoval(panel, profile, kind, connectionString);
    } catch (...) {
        m_window.Report(Caught(QStringLiteral("frmMain"), QStringLiteral("RemoveDuplicates")),
                        ui::vbInformation);
    }
    m_window.SetStart(true);
}

void RunController::RunDuplicateRemoval(const PanelChoices& panel, CDataTypeInfo& profile, SourceKind kind,
                                        const QString& connectionString)
{
    if (m_window.Say(scrub::kRemoveDuplicatesQuestion, ui::vbYesNo) != ui::vbYes) return;
    engine::EngineProgress& progress = m_window.Progress();
    if (kind == SourceKind::TextFile) {
        scrub::TextDuplicatesJob job;
        job.folder = profile.DataDBName();
        job.fileName = profile.DataTableName();
        job.connectionString = connectionString;
        job.titleFirstLine = profile.IsTitleFirstLine();
        job.phoneField = profile.DataFieldName();
        job.areaField = profile.DataAreaName();
        const scrub::DuplicatesResult r = scrub::RemoveTextDuplicates(job, progress);
        m_window.Report(r, ui::vbInformation);
        if (r.completed && r.removed > 0) m_window.ShowRecordCount(r.records - r.removed);
    } else if (kind == SourceKind::Excel) {
        scrub::ExcelDuplicatesJob job;
        job.sheet = OpenListSheet(profile);
        if (!job.sheet) return;
        job.titleFirstLine = profile.IsTitleFirstLine();
        job.phoneColumn = panel.phoneIndex + 1;
        job.areaColumn = std::max(0, panel.areaIndex);
        const scrub::DuplicatesResult r = scrub::RemoveExcelDuplicates(job, progress);
        m_window.Report(r, ui::vbInformation);
        if (r.completed && r.removed > 0) m_window.ShowRecordCount(r.recordCount);
    } else {
        scrub::TableDuplicatesJob job;
        job.kind = kind == SourceKind::Access ? scrub::TableDuplicatesJob::Kind::Access
                                              : scrub::TableDuplicatesJob::Kind::FoxPro;
        job.connectionString = connectionString;
        job.tableName = profile.DataTableName();
        job.phoneField = profile.DataFieldName();
        job.areaField = profile.DataAreaName();
        const scrub::DuplicatesResult r = scrub::RemoveTableDuplicates(job, progress);
        m_window.Report(r, ui::vbInformation);
        if (r.completed && r.removed > 0) m_window.ShowRecordCount(r.records - r.removed);
    }
}

// ---------------------------------------------------------------- the DNC import

bool RunController::ImportDNCTextFile()
{
    m_lastImport = dncimport::ImportResult();
    try {
        LoadTables();
        m_window.SetImport(false);

        const QString name = SettingText(QStringLiteral("dnctextfilename"));
        if (!name.isEmpty() && !QFile::exists(name)) {
            EndImport(false);
            return false;
        }

        QString fileName;
        QString folder = SplitFilePath(name, fileName);
        if (folder.isEmpty()) folder = vb::App::Path() + QStringLiteral("/");
        const QString hdr = vb::Val(SettingText(QStringLiteral("dnctextfilehearder"))) == 1
                                ? QStringLiteral("Yes")
                                : QStringLiteral("No");
        const QString fmt = vb::Val(SettingText(QStringLiteral("dnctextfiledelimited"))) == 1
                                ? QStringLiteral("Delimited")
                                : QString();
        const bool imported = ImportDNCList(MakeTextLinkString(folder, hdr, fmt), fileName);

        // Only a finished import moves the last-update time: after a failure
        // the store may lack numbers of the file.
        if (imported) {
            SaveSetting(QStringLiteral("dnclastupdate"), vb::CStr(vb::Now()));
            m_window.ShowLastUpdate(SettingText(QStringLiteral("dnclastupdate")));
        }
        EndImport(imported);

        // A run that lost its server counts nothing more: it was told once.
        bool counted = false;
        const std::int32_t total = m_lastImport.connectionLost ? -1 : GetDNCCount(&counted);
        if (counted) SaveSetting(QStringLiteral("lasttotal"), vb::CStr(vb::Variant(total)));
        m_window.ShowTotal(QStringLiteral("Total Records:") +
                           vb::Format(vb::Variant(vb::Val(SettingText(QStringLiteral("lasttotal")))),
                                      QStringLiteral("##,###,###,##0")));
        return imported;
    } catch (...) {
        m_window.Report(Caught(QString(), QStringLiteral("cmdLastUpdate_Click")), ui::vbInformation);
        EndImport(false);
        return false;
    }
}

void RunController::EndImport(bool imported)
{
    m_window.SetImport(true);
    // An import that did not run to its end is not called finished.
    if (!imported) m_window.SetStatusBar(QString(), 1);
}

bool RunController::ImportDNCList(const QString& linkProviderString, const QString& fileName)
{
    m_lastImport = dncimport::ImportResult();
    if (!gDataAccess) return false;
    dncimport::ImportJob job;
    job.linkProviderString = linkProviderString;
    job.fileName = fileName;
    job.keptAreaCodes = SettingText(QStringLiteral("keptareacode"));
    // The total the stored "lasttotal" follows, counted before the shared
    // connection is opened for the run.
    bool counted = false;
    const std::int32_t total = GetDNCCount(&counted);
    if (counted) job.total = total;
    if (!gPhoneTables) gPhoneTables = std::make_shared<CDataStrings>();

    m_lastImport = dncimport::ImportDNCList(job, *gDataAccess, *gPhoneTables, m_window.Progress());
    // After a lost connection the tables are read at the next run's start;
    // a login now would wait for a server that is gone and tell of it again.
    if (m_lastImport.tablesStale && !m_lastImport.connectionLost) LoadTables();
    if (m_lastImport.storedTotal && gDefPropertys)
        if (const auto p = gDefPropertys->Item(QStringLiteral("lasttotal")))
            TakeStoredSetting(*p, QString::number(*m_lastImport.storedTotal));
    m_window.Report(m_lastImport, ui::vbInformation);
    return m_lastImport.succeeded();
}

// ---------------------------------------------------------------- the work-table road

void RunController::ScrubByWorkTable()
{
    if (!gCurDataTypeInfo || !gDataAccess) return;
    const PanelChoices panel = m_window.Choices();
    CDataTypeInfo& profile = *gCurDataTypeInfo;
    const SourceKind kind = KindOf(profile.DataType());
    scrub::WorkTableJob job;
    job.source = kind == SourceKind::TextFile ? scrub::WorkTableJob::Source::Text
                 : kind == SourceKind::Excel  ? scrub::WorkTableJob::Source::Excel
                 : kind == SourceKind::Access ? scrub::WorkTableJob::Source::Access
                                              : scrub::WorkTableJob::Source::Other;
    job.workDatabase = writeguard::WorkDatabaseFile();
    job.connectionString = profile.GetConnectionString();
    job.tableName = kind == SourceKind::Excel ? panel.excelTable : profile.DataTableName();
    job.folder = profile.DataDBName();
    job.phoneField = profile.DataFieldName();
    job.areaField = profile.DataAreaName();
    job.fieldNames = panel.fields;
    job.markPosition = panel.markIndex;
    job.titleFirstLine = profile.IsTitleFirstLine();
    job.markFormat = m_options.markFormat == 1;
    job.formatChar = m_options.formatChar;
    job.addAreaCode = m_options.addAreaCode == 1;
    job.defaultCode = m_options.defaultCode;
    job.exportOk = m_options.exportOK == 1;
    job.exportDnc = m_options.exportDNC == 1;
    job.okFile = m_options.okFile;
    job.dncFile = m_options.dncFile;
    job.markAction = vb::CLng(vb::Variant(SettingText(QStringLiteral("markaction"))));
    job.deleteFound = panel.deleteFound;
    job.markText = panel.markText;

    // The look-ups and the link run on the shared connection, opened anew.
    gDataAccess->CloseConnection();
    gDataAccess->OpenConnection();
    if (const std::shared_ptr<ado::Connection> dnc = gDataAccess->GetConnection())
        m_window.Report(scrub::ScrubByWorkTable(job, m_window.Progress(), dnc), ui::vbInformation);
    gDataAccess->CloseConnection();
}
