#include "dialogs/frmDNCWizard.h"
#include "screens/ScreenHooks.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/EngineReport.h"
#include "core/ErrorReport.h"
#include "core/FormGuard.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/frmFormatTransfer.h"
#include "dncdb/ModuleDNC.h"
#include "dncdb/WizardConversions.h"
#include "platform/ado/Ado.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/Recordset.h"
#include "platform/ui/OneShotTimer.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"
#include "platform/widgets/FormKit.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/WaitCursor.h"
#include "records/ModuleConnectString.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

namespace {

const QString kModule = QStringLiteral("frmDNCWizard");

// Reports the error being handled from a procedure that traps its errors.
void ReportCaught(const QString& moduleName, const QString& function)
{
    const vb::ErrObject& e = vb::CatchError();
    HandleError(e.Number, e.Description, moduleName, function);
}

// A two-state check box from a stored whole number.
void SetCheck(QCheckBox* box, const QString& stored)
{
    const std::int16_t value = vb::CInt(vb::Variant(stored));
    if (value != 0 && value != 1) vb::Raise(380); // not a value of a two-state check box
    box->setChecked(value == 1);
}

QString CheckText(const QCheckBox* box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

bool IsExistingFile(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// The file the box names: its text as it stands when a file is so spelled
// (a picked " dnc.txt" or "dnc.txt " keeps its blanks), else trimmed, as
// typed text is.
QString BoxFileName(const QString& text)
{
    return IsExistingFile(text) ? text : text.trimmed();
}

void Exclaim(const QString& prompt)
{
    ui::MsgBox(prompt, ui::vbExclamation);
}

// The status line tells the step at work: it is cleared when the step ends.
// A split leaves the last file it wrote there, until the next step ends.
auto StatusClearedAtEnd(frmDNCWizard& wizard)
{
    return qScopeGuard([&wizard] { wizard.SetStatus(QString()); });
}

// A split's output files, as the wizard's status bar names them.
class SplitProgress : public engine::NoProgress {
public:
    explicit SplitProgress(frmDNCWizard& wizard) : m_wizard(wizard) {}
    void Status(const QString& text, std::int32_t) override { m_wizard.SetStatus(text); }
    void Yield(bool) override { vb::DoEvents(); }

private:
    frmDNCWizard& m_wizard;
};

} // namespace

frmDNCWizard::frmDNCWizard(QWidget* parent) : QDialog(parent)
{
    setObjectName(kModule);
    setWindowTitle(QStringLiteral("Text Wizard"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    resize(640, 540);
}

frmDNCWizard::~frmDNCWizard() = default;

// ---------------------------------------------------------------- layout

void frmDNCWizard::buildControls()
{
    // The file and its layout. The frame's caption is bold; its controls
    // keep the dialog's font.
    XPFrame1 = ui::named(new QGroupBox(QStringLiteral("DNC Data Profile"), this), "XPFrame1");
    QFont caption = XPFrame1->font();
    caption.setBold(true);
    XPFrame1->setFont(caption);
    auto* inner = new QWidget(XPFrame1);
    QFont normal = inner->font();
    normal.setBold(false);
    inner->setFont(normal);
    auto* frameLayout = new QVBoxLayout(XPFrame1);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(inner);
    Label1 = ui::newLabel("Label1", QStringLiteral("File Name"), inner);
    dnctextfilename = ui::named(new QLineEdit(inner), "dnctextfilename");
    dnctextfilename->installEventFilter(this);
    Label1->setBuddy(dnctextfilename);
    cmdBrowser = ui::newButton("cmdBrowser", QStringLiteral("Browser"), inner, 88);
    cmdView = ui::newButton("cmdView", QStringLiteral("&View"), inner, 88);
    dnctextfilehearder =
        ui::named(new QCheckBox(QStringLiteral("First line is header?"), inner), "dnctextfilehearder");
    dnctextfiledelimited =
        ui::named(new QCheckBox(QStringLiteral("Delimited?"), inner), "dnctextfiledelimited");

    Frame2 = ui::named(new QGroupBox(QStringLiteral("Format"), inner), "Frame2");
    auto* formats = new QGridLayout(Frame2);
    formats->setContentsMargins(10, 6, 10, 8);
    formats->setHorizontalSpacing(16);
    const char* captions[] = {"National TEXT", "National HTML", "Other Formats", "National Update"};
    for (std::int16_t i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(captions[i]), Frame2);
        OptionFormat.Add(i, option, QStringLiteral("OptionFormat"));
        formats->addWidget(option, i / 2, i % 2);
    }
    OptionFormat(NationalText)->setChecked(true);

    // The note on the import text's layout; a fixed-pitch font keeps its
    // "Or:" lines under the text they continue.
    auto* note = new QWidget(inner);
    auto* noteLines = new QVBoxLayout(note);
    noteLines->setContentsMargins(0, 0, 0, 0);
    noteLines->setSpacing(1);
    Label2 = ui::newLabel("Label2", QStringLiteral("Note: "), note);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    noteLines->addWidget(Label2);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const std::pair<QLabel**, std::pair<const char*, const char*>> lines[] = {
        {&Label3, {"Label3", "Data Format: Area Code, Phone Number"}},
        {&Label4, {"Label4", "         Or: Area Code Phone Number"}},
        {&Label5, {"Label5", "For Example: AAA, PPPPPPP"}},
        {&Label6, {"Label6", "         Or: AAAPPPPPPP"}},
    };
    for (const auto& [label, text] : lines) {
        *label = ui::newLabel(text.first, QString::fromLatin1(text.second), note);
        (*label)->setFont(fixed);
        noteLines->addWidget(*label);
    }
    noteLines->addStretch(1);

    auto* profile = new QGridLayout(inner);
    profile->setContentsMargins(10, 8, 10, 10);
    profile->setHorizontalSpacing(8);
    profile->setVerticalSpacing(8);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(Label1);
    fileRow->addWidget(dnctextfilename, 1);
    fileRow->addWidget(cmdBrowser);
    fileRow->addWidget(cmdView);
    profile->addLayout(fileRow, 0, 0, 1, 2);
    auto* flagRow = new QHBoxLayout;
    flagRow->addWidget(dnctextfilehearder);
    flagRow->addSpacing(24);
    flagRow->addWidget(dnctextfiledelimited);
    flagRow->addStretch(1);
    profile->addLayout(flagRow, 1, 0, 1, 2);
    profile->addWidget(Frame2, 2, 0, Qt::AlignTop);
    profile->addWidget(note, 2, 1);
    profile->setColumnStretch(1, 1);

    // The split.
    Label7 = ui::newLabel("Label7", QStringLiteral("Lines Per File"), this);
    txtFileLines = ui::named(new QLineEdit(QStringLiteral("100000"), this), "txtFileLines");
    txtFileLines->setMaximumWidth(110);
    Label7->setBuddy(txtFileLines);
    cmdSplit = ui::newButton("cmdSplit", QStringLiteral("Split File"), this, 88);
    auto* splitRow = new QHBoxLayout;
    splitRow->addWidget(Label7);
    splitRow->addWidget(txtFileLines);
    splitRow->addWidget(cmdSplit);
    splitRow->addStretch(1);

    // The analysis.
    lstCode = ui::named(new QTreeWidget(this), "lstCode");
    lstCode->setColumnCount(4);
    lstCode->setHeaderLabels({QStringLiteral("Code"), QStringLiteral("Count In Text"),
                              QStringLiteral("Count In DB"), QStringLiteral("Count After Import In DB")});
    lstCode->setRootIsDecorated(false);
    lstCode->setItemsExpandable(false);
    lstCode->setUniformRowHeights(true);
    lstCode->setAllColumnsShowFocus(true);
    lstCode->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstCode->setMinimumHeight(160);
    lstCode->header()->setStretchLastSection(true);
    lstCode->header()->setSectionsMovable(false);
    lstCode->setColumnWidth(ColCode, 110);
    lstCode->setColumnWidth(ColCountInText, 140);
    lstCode->setColumnWidth(ColCountInDB, 140);
    for (int c = ColCountInText; c <= ColCountAfterImport; ++c)
        lstCode->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);

    cmdAnalysis = ui::newButton("cmdAnalysis", QStringLiteral("Analysis"), this, 88);
    cmdOK = ui::newButton("cmdOK", QStringLiteral("Import"), this, 88);
    cmdCancal = ui::newButton("cmdCancal", QStringLiteral("Close"), this, 88);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAnalysis);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancal);

    sbStatusBar = new ui::StatusBar(1, this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setSizeGripEnabled(true);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 0);
    column->setSpacing(8);
    column->addWidget(XPFrame1);
    column->addLayout(splitRow);
    column->addWidget(lstCode, 1);
    column->addLayout(buttons);
    column->addWidget(sbStatusBar);

    Timer1 = new ui::OneShotTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->SetInterval(100);
    Timer1->SetCallback([this] { GuardedHandler(kModule, "Timer1_Timer", [this] { Timer1_Timer(); }); });

    connect(cmdBrowser, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdBrowser_Click", [this] { cmdBrowser_Click(); }); });
    connect(cmdView, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdView_Click", [this] { cmdView_Click(); }); });
    connect(cmdSplit, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "CmdSplit", [this] { cmdSplit_Click(); }); });
    connect(cmdAnalysis, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "analysis", [this] { cmdAnalysis_Click(); }); });
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(cmdCancal, &QPushButton::clicked, this,
            [this] { GuardedHandler(kModule, "cmdCancal_Click", [this] { cmdCancal_Click(); }); });
}

// ---------------------------------------------------------------- load and unload

void frmDNCWizard::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_loaded) return;
    m_loaded = true;
    GuardedHandler(kModule, "Form_Load", [this] { Form_Load(); });
}

void frmDNCWizard::Form_Load()
{
    m_isCancel = false;
    vb::ResumeNext([&] { dnctextfilename->setText(SettingValue(QStringLiteral("dnctextfilename"))); });
    vb::ResumeNext([&] { SetCheck(dnctextfilehearder, SettingValue(QStringLiteral("dnctextfilehearder"))); });
    vb::ResumeNext(
        [&] { SetCheck(dnctextfiledelimited, SettingValue(QStringLiteral("dnctextfiledelimited"))); });
    vb::ResumeNext([&] { txtFileLines->setText(SettingValue(QStringLiteral("linesperfile"))); });
    // Only the first showing starts a quick import: the wizard stays loaded
    // between the passes of the wizard loop.
    if (m_isQuickImport) Timer1->SetEnabled(true);
}

void frmDNCWizard::Form_Unload()
{
    Timer1->SetEnabled(false);
    m_isQuickImport = false;
}

void frmDNCWizard::reject()
{
    GuardedHandler(kModule, "cmdCancal_Click", [this] { cmdCancal_Click(); });
}

void frmDNCWizard::closeEvent(QCloseEvent* event)
{
    // The title bar's close is Close: nothing is imported.
    if (isVisible()) GuardedHandler(kModule, "cmdCancal_Click", [this] { cmdCancal_Click(); });
    event->accept();
}

// ---------------------------------------------------------------- the file box

bool frmDNCWizard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == dnctextfilename &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // Window switches (a message box, another program) and popups are no
        // focus changes between the wizard's controls.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (event->type() == QEvent::FocusIn)
                dnctextfilename_GotFocus();
            else
                GuardedHandler(kModule, "dnctextfilename_LostFocus", [this] { dnctextfilename_LostFocus(); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmDNCWizard::dnctextfilename_GotFocus()
{
    m_fileNameTag = dnctextfilename->text();
}

void frmDNCWizard::dnctextfilename_LostFocus()
{
    const QString text = dnctextfilename->text();
    if (text == m_fileNameTag || text.trimmed().isEmpty()) return;
    // Another name: the analysis shown was of the file named before, and
    // the new one's is still to be made.
    lstCode->clear();
    if (IsExistingFile(BoxFileName(text)))
        m_fileNameTag.clear();
    else
        Exclaim(QStringLiteral("File dose not exist!"));
}

QString frmDNCWizard::TextConnection(QString& fileName) const
{
    QString folder = SplitFilePath(BoxFileName(dnctextfilename->text()), fileName);
    if (folder.isEmpty()) folder = vb::App::Path() + QLatin1Char('/');
    // Read a line per record, as the import reads it: a stray quote costs
    // its line only, so the counts here are the ones the import finds.
    return MakeTextConnectionString(
               folder, dnctextfilehearder->isChecked() ? QStringLiteral("Yes") : QStringLiteral("No"),
               dnctextfiledelimited->isChecked() ? QStringLiteral("Delimited") : QString()) +
           QStringLiteral(";LineRecords=Yes");
}

std::int32_t frmDNCWizard::OpenDNCTextRecordset(std::shared_ptr<ado::Recordset>& rs)
{
    if (dnctextfilename->text().isEmpty()) return 1;
    try {
        QString fileName;
        const QString connection = TextConnection(fileName);
        if (!rs) {
            rs = ado::Recordset::Create();
            rs->SetCursorLocation(ado::adUseServer);
        }
        rs->Open(QStringLiteral("select * from ") + ado::QuoteName(fileName), connection,
                 ado::adOpenForwardOnly, ado::adLockReadOnly);
        return 0;
    } catch (...) {
        ui::SetHourglass(false);
        ReportCaught(QString(), QStringLiteral("GetCount"));
        return 1;
    }
}

// ---------------------------------------------------------------- Browser

void frmDNCWizard::SelectFormat(Format format)
{
    if (QRadioButton* option = OptionFormat(format)) option->setChecked(true);
}

void frmDNCWizard::SetStatus(const QString& text)
{
    sbStatusBar->SetPanelText(1, text);
}

void frmDNCWizard::cmdBrowser_Click()
{
    const auto statusCleared = StatusClearedAtEnd(*this);
    m_currentFile = dnctextfilename->text();
    if (OptionFormat(NationalText)->isChecked())
        BrowseNationalText();
    else if (OptionFormat(NationalHtml)->isChecked())
        BrowseNationalHtml();
    else if (OptionFormat(OtherFormats)->isChecked())
        BrowseOtherFormats();
    else if (OptionFormat(NationalUpdate)->isChecked())
        BrowseNationalUpdate();

    if (m_currentFile.isEmpty()) return;
    dnctextfilename->setText(m_currentFile);
    lstCode->clear();
}

void frmDNCWizard::BrowseNationalText()
{
    const QString chosen =
        OpenFile(m_currentFile, QStringLiteral("All File (*.*)|*.*|Text File (*.txt,*.csv)|*.txt;*.csv"),
                 QStringLiteral("Open Phone Data File"));
    // A file the user would not have renamed is no file to go on with.
    m_currentFile = chosen;
    if (chosen.isEmpty() || !dncwizard::NeedsTextName(chosen)) return;
    m_currentFile.clear();
    if (ui::MsgBox(dncwizard::RenameQuestion(chosen), ui::vbYesNo | ui::vbQuestion) != ui::vbYes) return;
    const dncwizard::ConversionResult renamed = dncwizard::RenameNationalText(chosen);
    ReportResult(renamed, ui::vbInformation);
    m_currentFile = renamed.file;
}

void frmDNCWizard::BrowseNationalHtml()
{
    const QString source =
        OpenFile(m_currentFile, QStringLiteral("HTML File (*.htm,*.html)|*.htm;*.html|All File (*.*)|*.*"),
                 QStringLiteral("Open Phone Data File"));
    m_currentFile = IsExistingFile(source) ? source : QString();
    if (m_currentFile.isEmpty()) return;

    const QString output = ShowSaveDialog(dncwizard::HtmlOutputName(source),
                                          QStringLiteral("Text File (*.txt)|*.txt|All File (*.*)|*.*"),
                                          QStringLiteral("Open Text File to Save Phone Data"));
    if (output.isEmpty()) return; // the page itself stays the current file
    const dncwizard::ConversionResult converted = dncwizard::ConvertNationalHtml(source, output);
    ReportResult(converted, ui::vbInformation);
    if (converted.file.isEmpty()) {
        m_currentFile.clear();
        return;
    }
    dnctextfilehearder->setChecked(false);
    SelectFormat(NationalText);
    m_currentFile = output;
}

void frmDNCWizard::BrowseOtherFormats()
{
    frmFormatTransfer transfer;
    ui::services().ShowModal(&transfer, this);
    m_currentFile = transfer.txtTextPathOutput->text();
    SelectFormat(NationalText);
}

void frmDNCWizard::BrowseNationalUpdate()
{
    const QString source = OpenFile(
        QString(), QStringLiteral("Natioanl Update File (*.txt,*.dat)|*.txt;*.dat|All File (*.*)|*.*"),
        QStringLiteral("Open Phone Data File"));
    m_currentFile = IsExistingFile(source) ? source : QString();
    if (m_currentFile.isEmpty()) return;

    const QString filter = QStringLiteral("Text File (*.txt)|*.txt|All File (*.*)|*.*");
    const QString aFile = ShowSaveDialog(dncwizard::UpdateOutputNameA(source), filter,
                                         QStringLiteral("Open Text File to Save Phone Data with 'A'"));
    if (aFile.isEmpty()) return;
    const QString dFile = ShowSaveDialog(dncwizard::UpdateOutputNameD(source), filter,
                                         QStringLiteral("Open Text File to Save Phone Data with 'D'"));
    if (dFile.isEmpty()) return;
    const dncwizard::ConversionResult converted = dncwizard::ConvertNationalUpdate(source, aFile, dFile);
    ReportResult(converted, ui::vbInformation);
    if (converted.file.isEmpty()) {
        m_currentFile.clear();
        return;
    }
    // The D file is for the user; the additions are what is imported.
    dnctextfilehearder->setChecked(false);
    SelectFormat(NationalText);
    m_currentFile = aFile;
}

// ---------------------------------------------------------------- View and Split

void frmDNCWizard::cmdView_Click()
{
    const auto statusCleared = StatusClearedAtEnd(*this);
    try {
        if (dnctextfilename->text().isEmpty()) return;
        QString fileName;
        const QString connection = TextConnection(fileName);
        ViewData(connection, ado::QuoteName(fileName), false, QStringLiteral("View DNC Text File"));
    } catch (...) {
        ReportCaught(QString(), QStringLiteral("analysis"));
    }
}

void frmDNCWizard::ViewData(const QString& connectionString, QString sql, bool editable,
                            const QString& caption)
{
    screenhooks::ViewData(this, connectionString, sql, editable, caption);
}

void frmDNCWizard::cmdSplit_Click()
{
    const QString lines = txtFileLines->text();
    QString problem;
    dncwizard::SplitJob job;
    job.linesPerFile = dncwizard::LinesPerFile(lines, problem);
    if (job.linesPerFile < 1) {
        Exclaim(problem);
        return;
    }
    try {
        if (const auto row = Setting(QStringLiteral("linesperfile"))) {
            row->SetPropertyValue(lines);
            row->Save(true, true);
        }
    } catch (...) {
        ReportCaught(kModule, QStringLiteral("CmdSplit"));
        return;
    }
    job.path = dnctextfilename->text();
    job.hasHeader = dnctextfilehearder->isChecked();
    problem = dncwizard::SplitFileProblem(job.path);
    if (!problem.isEmpty()) {
        Exclaim(problem);
        return;
    }
    if (ui::MsgBox(dncwizard::SplitQuestion(job.path), ui::vbYesNo | ui::vbQuestion) != ui::vbYes) return;
    ui::WaitCursor hourglass;
    SplitProgress progress(*this);
    ReportResult(dncwizard::SplitTextFile(job, progress), ui::vbInformation);
}

// ---------------------------------------------------------------- analysis

QTreeWidgetItem* frmDNCWizard::AddCodeRow(const QString& code, const QString& inText, const QString& inDB,
                                          bool total)
{
    auto* item = new QTreeWidgetItem(lstCode);
    item->setText(ColCode, code);
    item->setText(ColCountInText, inText);
    item->setText(ColCountInDB, inDB);
    for (int c = ColCountInText; c <= ColCountAfterImport; ++c)
        item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    if (total) {
        for (int c = ColCode; c <= ColCountAfterImport; ++c) {
            QFont font = item->font(c);
            font.setBold(true);
            item->setFont(c, font);
            item->setForeground(c, QColor(0, 0, 255));
        }
    }
    return item;
}

void frmDNCWizard::cmdAnalysis_Click()
{
    const QString name = BoxFileName(dnctextfilename->text());
    if (name.isEmpty()) {
        Exclaim(QStringLiteral("Please select text file!"));
        return;
    }
    if (!IsExistingFile(name)) {
        Exclaim(QStringLiteral("File dose not exist!"));
        return;
    }

    const auto statusCleared = StatusClearedAtEnd(*this);
    ui::WaitCursor hourglass;
    try {
        vb::DoEvents();
        LoadTables();

        QString fileName;
        const QString connection = TextConnection(fileName);
        std::vector<QString> names;
        const std::int32_t n = GetTableFieldNames(connection, fileName, names);
        if (n < 1 || names.empty()) return; // reported, or a file without fields
        const QString f1 = ado::QuoteName(names[0]);
        const QString file = ado::QuoteName(fileName);
        const QString sql =
            n == 1 ? QStringLiteral("Select distinct left(") + f1 + QStringLiteral(",3), count(*) from ") +
                         file + QStringLiteral(" where ") + f1 +
                         QStringLiteral(" is not null  group by left(") + f1 + QStringLiteral(",3)")
                   : QStringLiteral("Select distinct ") + f1 + QStringLiteral(" , count(*) from ") + file +
                         QStringLiteral(" where ") + f1 + QStringLiteral(" is not null group by ") + f1;

        auto rs = ado::Recordset::Create();
        rs->Open(sql, connection, ado::adOpenForwardOnly, ado::adLockReadOnly);

        lstCode->clear();
        m_analysedFile = name;
        qint64 textTotal = 0;
        qint64 dbTotal = 0;
        while (!rs->Eof()) {
            const QString code = rs->Value(0).text();
            const std::int32_t inText = vb::CLng(rs->Value(1));
            textTotal += inText;
            QString inDB;
            if (gPhoneTables && gPhoneTables->Item(QStringLiteral("phone") + code) && gDataAccess) {
                const std::int32_t count =
                    gDataAccess->GetCount(QStringLiteral("Select count(*) from phone") + code);
                dbTotal += count;
                inDB = QString::number(count);
            }
            AddCodeRow(code, QString::number(inText), inDB, false);
            rs->MoveNext();
        }
        AddCodeRow(QStringLiteral("Total"), QString::number(textTotal), QString::number(dbTotal), true);
        rs->Close();
    } catch (...) {
        ReportCaught(QString(), QStringLiteral("analysis"));
    }
}

void frmDNCWizard::ShowAfterInput()
{
    ui::WaitCursor hourglass;
    try {
        const int rows = lstCode->topLevelItemCount();
        if (rows == 0) return;
        qint64 total = 0;
        for (int i = 0; i < rows - 1; ++i) {
            QTreeWidgetItem* item = lstCode->topLevelItem(i);
            const QString table = QStringLiteral("phone") + item->text(ColCode);
            // A code the import passed over (not kept, not an area code) has
            // no table to count.
            if (!gPhoneTables || !gPhoneTables->Item(table) || !gDataAccess) {
                item->setText(ColCountAfterImport, QString());
                continue;
            }
            const std::int32_t count =
                gDataAccess->GetCount(QStringLiteral("Select count(*) from ") + ado::QuoteName(table));
            item->setText(ColCountAfterImport, QString::number(count));
            total += count;
        }
        lstCode->topLevelItem(rows - 1)->setText(ColCountAfterImport, QString::number(total));
    } catch (...) {
        ReportCaught(QString(), QStringLiteral("ShowAfterInput"));
    }
}

// ---------------------------------------------------------------- Import and Close

void frmDNCWizard::cmdOK_Click()
{
    // The analysis belongs to the file it read: the import is of that file.
    if (m_analysedFile != BoxFileName(dnctextfilename->text())) lstCode->clear();
    if (lstCode->topLevelItemCount() == 0) {
        Exclaim(QStringLiteral("Please make analysis before import!"));
        return;
    }
    if (!m_isQuickImport &&
        ui::MsgBox(QStringLiteral("Are you sure to import this text file into DNC database?"),
                   ui::vbYesNo | ui::vbQuestion) != ui::vbYes)
        return;
    m_isCancel = false;
    // The name as the analysis read it: the import looks the file up by it.
    SetSetting(QStringLiteral("dnctextfilename"), BoxFileName(dnctextfilename->text()));
    SetSetting(QStringLiteral("dnctextfilehearder"), CheckText(dnctextfilehearder));
    SetSetting(QStringLiteral("dnctextfiledelimited"), CheckText(dnctextfiledelimited));
    hide();
}

void frmDNCWizard::cmdCancal_Click()
{
    m_isCancel = true;
    hide();
}

// ---------------------------------------------------------------- quick import

void frmDNCWizard::SetQuickInputsEnabled(bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(XPFrame1), static_cast<QWidget*>(cmdSplit),
                       static_cast<QWidget*>(txtFileLines), static_cast<QWidget*>(cmdAnalysis),
                       static_cast<QWidget*>(cmdOK), static_cast<QWidget*>(cmdCancal)})
        w->setEnabled(enabled);
}

void frmDNCWizard::Timer1_Timer()
{
    Timer1->SetEnabled(false);
    SetQuickInputsEnabled(false);
    try {
        QuickImport();
    } catch (...) {
        ReportCaught(kModule, QStringLiteral("Timer1_Timer"));
    }
    SetQuickInputsEnabled(true);
}

void frmDNCWizard::QuickImport()
{
    // Closing the wizard while the quick import runs (its inputs are off;
    // the title bar is not) sets IsCancel and stops it before anything is
    // imported.
    m_isCancel = false;
    const auto statusCleared = StatusClearedAtEnd(*this);

    SetStatus(QStringLiteral("Select File ..."));
    cmdBrowser_Click();
    if (m_currentFile.isEmpty()) return;
    if (dnctextfilename->text().trimmed().isEmpty()) {
        Exclaim(QStringLiteral("Please select text file!"));
        return;
    }

    SetStatus(QStringLiteral("Analysis Data ..."));
    cmdAnalysis_Click();
    if (m_isCancel) return;
    if (lstCode->topLevelItemCount() == 0) {
        Exclaim(QStringLiteral("Please make analysis before import!"));
        return;
    }

    SetStatus(QStringLiteral("Import Data ..."));
    // A pause on the program's clock, so that it ends after five seconds
    // whatever the time of day, midnight included.
    WaitSeconds(5);
    if (m_isCancel) return;
    cmdOK_Click();
    m_isQuickImport = false;
}
