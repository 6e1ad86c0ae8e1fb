#include "mainwindow/frmMain.h"

#include "core/CDataAccess.h"
#include "core/CDataConnection.h"
#include "core/CDefPropertys.h"
#include "core/COption.h"
#include "core/FormGuard.h"
#include "core/Globals.h"
#include "core/MainWindowHost.h"
#include "core/Settings.h"
#include "dialogs/frmOptions.h"
#include "dncdb/ModuleDNC.h"
#include "mainwindow/ModuleMain.h"
#include "mainwindow/ProgressFrame.h"
#include "mainwindow/WebBrowser.h"
#include "mainwindow/frmASC.h"
#include "mainwindow/frmAbout.h"
#include "platform/ui/Help.h"
#include "platform/ui/OneShotTimer.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"
#include "platform/vb/Format.h"
#include "platform/widgets/FormKit.h"
#include "platform/widgets/ProgressBar.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/WaitCursor.h"
#include "records/CDataTypeInfos.h"
#include "screens/RegisterScreens.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

using ui::framed;
using ui::named;
using ui::newButton;
using ui::newCombo;
using ui::newLabel;

const QString kForm = QStringLiteral("frmMain");

// A form shown modal over the window.
template <class Form, class... Parent> void ShowModalForm(QWidget* owner, Parent*... parent)
{
    Form form(parent...);
    ui::services().ShowModal(&form, owner);
}

QString g_makerPageAddress = QStringLiteral("http://www.example.com/tervala/rodadureriv.html");
QString g_dncRegistryAddress = QStringLiteral("https://www.donotcall.gov/");

} // namespace

QString frmMain::MakerPageAddress()
{
    return g_makerPageAddress;
}

void frmMain::SetMakerPageAddress(const QString& address)
{
    g_makerPageAddress = address;
}

QString frmMain::DNCRegistryAddress()
{
    return g_dncRegistryAddress;
}

void frmMain::SetDNCRegistryAddress(const QString& address)
{
    g_dncRegistryAddress = address;
}

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tervala"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveHDIcon));
    // The screens the import wizard and the area-code screen open.
    RegisterScreens();
    buildControls();
    connectSourcePanel();
    resize(860, 700);
    RegisterMainWindow(this);
}

frmMain::~frmMain()
{
    if (MainWindow() == this) RegisterMainWindow(nullptr);
    if (gMainForm == this) gMainForm = nullptr;
}

// ---------------------------------------------------------------- layout

void frmMain::buildControls()
{
    sbStatusBar = new ui::StatusBar(4, this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->SetPanelStyle(3, ui::StatusBar::PanelStyle::Date);
    sbStatusBar->SetPanelStyle(4, ui::StatusBar::PanelStyle::Time);
    sbStatusBar->Panel(2)->setMinimumWidth(160);
    sbStatusBar->Panel(3)->setMinimumWidth(80);
    sbStatusBar->Panel(4)->setMinimumWidth(70);
    setStatusBar(sbStatusBar);

    buildToolbar();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(6, 6, 6, 4);
    column->setSpacing(6);
    column->addWidget(buildDatabaseFrame());
    column->addWidget(buildTypeFrame());
    column->addWidget(buildSourceFrame());

    WebBrowser1 = named(new WebBrowser(central), "WebBrowser1");
    WebBrowser1->setMinimumHeight(160);
    column->addWidget(WebBrowser1, 1);
    Frame6 = new ProgressFrame(sbStatusBar, central);
    column->addWidget(Frame6);
    setCentralWidget(central);

    Timer1 = new ui::OneShotTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->SetInterval(1000);
    Timer1->SetCallback([this] { GuardedHandler(kForm, "Timer1_Timer", [this] { Timer1_Timer(); }); });
    connect(WebBrowser1, &WebBrowser::DocumentComplete, this,
            [this] { GuardedHandler(kForm, "OnStartPageLoaded", [this] { OnStartPageLoaded(); }); });
}

void frmMain::buildToolbar()
{
    TBLaunch = named(new QToolBar(QStringLiteral("TBLaunch"), this), "TBLaunch");
    TBLaunch->setMovable(false);
    TBLaunch->setFloatable(false);
    TBLaunch->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    TBLaunch->setIconSize(QSize(24, 24));
    TBLaunch->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, TBLaunch);

    struct Button {
        const char* caption;
        const char* key;
        const char* tip;
        QStyle::StandardPixmap icon;
    };
    const Button buttons[] = {
        {"Options", "Options", "Options", QStyle::SP_FileDialogDetailedView},
        {"Scrub Options", "addopt", "", QStyle::SP_FileDialogContentsView},
        {"Tools", "Tools", "Remove Duplicate", QStyle::SP_TrashIcon},
        {"Import", "Import", "Import Wizard", QStyle::SP_ArrowDown},
        {"&Help", "Help", "Help", QStyle::SP_DialogHelpButton},
        {"&DNC Gov", "dncgov", "Got DNC Gov", QStyle::SP_DriveNetIcon},
        {"A&bout", "About", "About", QStyle::SP_MessageBoxInformation},
        {"&Exit", "Exit", "Exit", QStyle::SP_DialogCloseButton},
    };
    for (const Button& b : buttons) {
        QAction* action = TBLaunch->addAction(style()->standardIcon(b.icon), QString::fromLatin1(b.caption));
        const QString key = QString::fromLatin1(b.key);
        action->setObjectName(QStringLiteral("TBLaunch_") + key);
        action->setProperty("Key", key);
        action->setToolTip(QString::fromLatin1(b.tip));
        if (QWidget* w = TBLaunch->widgetForAction(action))
            w->setObjectName(QStringLiteral("TBLaunchButton_") + key);
        connect(action, &QAction::triggered, this, [this, action] {
            GuardedHandler(kForm, "TBLaunch_ButtonClick", [this, action] { TBLaunch_ButtonClick(action); });
        });
    }
}

QGroupBox* frmMain::buildDatabaseFrame()
{
    Frame2 =
        named(new QGroupBox(QStringLiteral("Do Not Call Database (Database containing Federal Do Not Call "
                                           "Numbers) "),
                            this),
              "Frame2");
    QWidget* in = framed(Frame2);

    txtDatabase = named(new QLineEdit(in), "txtDatabase");
    txtDatabase->setReadOnly(true);
    Label5 = newLabel("Label5", QStringLiteral("Phone Field"), in);
    txtPhoneField = named(new QLineEdit(in), "txtPhoneField");
    Label5->setVisible(false);
    txtPhoneField->setVisible(false);
    txtPhoneField->setEnabled(false);
    Label6 = newLabel("Label6", QStringLiteral("Last Update:"), in);
    txtLastUpdate = named(new QLineEdit(in), "txtLastUpdate");
    txtLastUpdate->setEnabled(false);
    txtLastUpdate->setMinimumWidth(150);
    txtLastUpdate->setMaximumWidth(190);
    lblTotalRec = newLabel("lblTotalRec", QStringLiteral("Total Records:"), in);
    lblTotalRec->setMinimumWidth(170);
    cmdLastUpdate = newButton("cmdLastUpdate", QStringLiteral("Import Data"), in);
    cmdViewDNC = newButton("cmdViewDNC", QStringLiteral("View"), in);
    cmdBrowser = newButton("cmdBrowser", QStringLiteral("Setting"), in);

    auto* row = new QHBoxLayout(in);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(txtDatabase, 1);
    row->addWidget(cmdBrowser);
    row->addSpacing(8);
    row->addWidget(Label5);
    row->addWidget(txtPhoneField);
    row->addWidget(Label6);
    row->addWidget(txtLastUpdate);
    row->addSpacing(8);
    row->addWidget(lblTotalRec);
    row->addWidget(cmdLastUpdate);
    row->addWidget(cmdViewDNC);

    connect(cmdBrowser, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdBrowser_Click", [this] { cmdBrowser_Click(); }); });
    connect(cmdLastUpdate, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdLastUpdate_Click", [this] { cmdLastUpdate_Click(); }); });
    connect(cmdViewDNC, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdViewDNC_Click", [this] { cmdViewDNC_Click(); }); });
    return Frame2;
}

QGroupBox* frmMain::buildTypeFrame()
{
    Frame1 = named(new QGroupBox(QStringLiteral("Select Your File Type"), this), "Frame1");
    QWidget* in = framed(Frame1);
    auto* row = new QHBoxLayout(in);
    row->setContentsMargins(0, 0, 0, 0);
    struct Option {
        const char* caption;
        const char* tag;
    };
    const Option options[] = {{"One Number", "ONE NUMBER"},
                              {"Text, CSV File", "TEXT FILE"},
                              {"FoxPro (Table)", "FOXPRO"},
                              {"Excel File", "EXCEL"},
                              {"MS-Access", "ACCESS"},
                              {"ACT!", "ACT!"},
                              {"MS-SQL", "MS SQL"},
                              {"MySQL", "MYSQL"},
                              {"ODBC", "ODBC"}};
    for (std::int16_t i = 0; i < 9; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(options[i].caption), in);
        option->setProperty("Tag", QString::fromLatin1(options[i].tag));
        OptPhoneType.Add(i, option, QStringLiteral("OptPhoneType"));
        if (i >= 5) {
            // Sources that can only be browsed: kept, but not offered.
            option->setVisible(false);
            option->setEnabled(false);
        }
        row->addWidget(option);
        connect(option, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) GuardedHandler(kForm, "OptPhoneType_Click", [this, i] { OptPhoneType_Click(i); });
        });
    }
    row->addStretch(1);
    return Frame1;
}

QGroupBox* frmMain::buildSourceFrame()
{
    Frame4 = named(new QGroupBox(QStringLiteral("Select The File to Scrub"), this), "Frame4");
    QWidget* in = framed(Frame4);

    Label7 = newLabel("Label7", QStringLiteral("File Pathway"), in);
    TxtPhoneData = named(new QLineEdit(in), "TxtPhoneData");
    cmdBrowserData = newButton("cmdBrowserData", QStringLiteral("Browser"), in);
    Label12 = newLabel("Label12", QStringLiteral("File or Table Name"), in);
    DataTableName = newCombo("DataTableName", in);
    cmdViewData = newButton("cmdViewData", QStringLiteral("View"), in);
    Label10 = newLabel("Label10", QStringLiteral("# Records:"), in);
    txtPhoneDataTotal = named(new QLineEdit(in), "txtPhoneDataTotal");
    txtPhoneDataTotal->setEnabled(false);
    txtPhoneDataTotal->setMaximumWidth(120);
    Label8 = newLabel("Label8", QStringLiteral("Select Phone Field"), in);
    cboPhoneDataField = newCombo("cboPhoneDataField", in);
    Label1 = newLabel("Label1", QStringLiteral("Select Area Code Field"), in);
    cboAreaDataField = newCombo("cboAreaDataField", in);
    chkOptions = named(
        new QCheckBox(QStringLiteral("Delete DNC Records From Your File Or Select the Field to Mark"), in),
        "chkOptions");
    cboMarkField = newCombo("cboMarkField", in);

    Frame5 = named(new QGroupBox(in), "Frame5");
    Frame5->setFlat(false);
    auto* marks = new QVBoxLayout(Frame5);
    marks->setContentsMargins(8, 6, 8, 6);
    const char* markCaptions[] = {"Prefix", "Suffix", "Replace"};
    for (std::int16_t i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(markCaptions[i]), Frame5);
        OptionMark.Add(i, option, QStringLiteral("OptionMark"));
        marks->addWidget(option);
        connect(option, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) GuardedHandler(kForm, "OptionMark_Click", [this, i] { OptionMark_Click(i); });
        });
    }
    auto* withRow = new QHBoxLayout;
    Label2 = newLabel("Label2", QStringLiteral("With"), Frame5);
    txtMarkChar = named(new QLineEdit(QStringLiteral("DNC"), Frame5), "txtMarkChar");
    // Room for a mark of a dozen characters or so (a code and a date) and
    // the frame, measured in the characters a mark holds: the font's average
    // character (a Japanese font's is twice a Latin one's) would push Start
    // off a small screen.
    txtMarkChar->setMinimumWidth(
        txtMarkChar->fontMetrics().horizontalAdvance(QStringLiteral("DNC 2024-12-31")) + 8);
    txtMarkChar->setMaximumWidth(txtMarkChar->minimumWidth() * 3 / 2);
    withRow->addWidget(Label2);
    withRow->addWidget(txtMarkChar);
    marks->addLayout(withRow);
    marks->addStretch(1);

    cmdStart = named(new QPushButton(in), "cmdStart");
    cmdStart->setAutoDefault(false);
    ui::pressOnEnter(cmdStart);
    cmdStart->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    cmdStart->setIconSize(QSize(32, 32));
    cmdStart->setText(QStringLiteral("Start"));
    cmdStart->setToolTip(QStringLiteral("Start"));
    cmdStart->setMinimumSize(QSize(110, 56));
    QFont startFont = cmdStart->font();
    startFont.setBold(true);
    startFont.setPointSizeF(startFont.pointSizeF() * 1.2);
    cmdStart->setFont(startFont);
    cmdStart->setEnabled(false); // until start-up has loaded the settings

    auto* grid = new QGridLayout(in);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addWidget(Label7, 0, 0);
    grid->addWidget(TxtPhoneData, 0, 1, 1, 3);
    grid->addWidget(cmdBrowserData, 0, 4);
    grid->addWidget(Label12, 1, 0);
    grid->addWidget(DataTableName, 1, 1);
    grid->addWidget(Label10, 1, 2, Qt::AlignRight);
    grid->addWidget(txtPhoneDataTotal, 1, 3);
    grid->addWidget(cmdViewData, 1, 4);
    grid->addWidget(Label8, 2, 0);
    grid->addWidget(cboPhoneDataField, 2, 1);
    grid->addWidget(Label1, 2, 2, Qt::AlignRight);
    grid->addWidget(cboAreaDataField, 2, 3, 1, 2);
    // The mark box follows its caption at any width.
    auto* markRow = new QHBoxLayout;
    markRow->addWidget(chkOptions);
    markRow->addWidget(cboMarkField, 1);
    grid->addLayout(markRow, 3, 0, 1, 5);
    grid->addWidget(Frame5, 0, 5, 4, 1);
    grid->addWidget(cmdStart, 0, 6, 4, 1, Qt::AlignCenter);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);

    connect(cmdStart, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "Start", [this] { cmdStart_Click(); }); });
    connect(cmdBrowserData, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdBrowserData_Click", [this] { cmdBrowserData_Click(); }); });
    connect(cmdViewData, &QPushButton::clicked, this,
            [this] { GuardedHandler(kForm, "cmdViewData_Click", [this] { cmdViewData_Click(); }); });
    connect(chkOptions, &QCheckBox::toggled, this,
            [this] { GuardedHandler(kForm, "chkOptions_Click", [this] { chkOptions_Click(); }); });
    return Frame4;
}

// ---------------------------------------------------------------- start-up

void frmMain::LoadPara()
{
    mDataConnection = std::make_shared<CDataConnection>();
    InitMainWindow();
    LoadMainSettings();
    GetDataBaseProfile();
    cmdStart->setEnabled(true);
}

void frmMain::InitMainWindow()
{
    gConnectionString = gOption ? gOption->ConnectionString() : QString();
    if (gConnectionString.isEmpty()) {
        frmOptions options;
        ui::services().ShowModal(&options, nullptr);
    }
    setWindowTitle(vb::App::Title() + QStringLiteral(" Version: ") + QString::number(vb::App::Major()) +
                   QLatin1Char('.') + QString::number(vb::App::Minor()) + QLatin1Char('.') +
                   QString::number(vb::App::Revision()));
    if (!m_loaded) Form_Load();
    show();
}

void frmMain::Form_Load()
{
    m_loaded = true;
    mLocalPageShown = false;
    mPageChecked = false;
    WebBrowser1->Navigate(MakerPageAddress());
}

void frmMain::LoadMainSettings()
{
    mIsLoading = true;
    vb::ResumeNext([&] { txtDatabase->setText(gOption ? gOption->ODBCDatabase() : QString()); });
    vb::ResumeNext([&] { txtPhoneField->setText(SettingValue(QStringLiteral("dncfieldname"))); });
    vb::ResumeNext([&] { txtLastUpdate->setText(SettingValue(QStringLiteral("dnclastupdate"))); });
    vb::ResumeNext([&] {
        const std::int16_t value = vb::CInt(SettingValue(QStringLiteral("deleterecords")));
        if (value != 0 && value != 1) vb::Raise(380); // not a value of a two-state check box
        chkOptions->setChecked(value == 1);
    });
    vb::ResumeNext([&] {
        const std::int16_t index = vb::CInt(SettingValue(QStringLiteral("markaction")));
        QRadioButton* option = OptionMark(index);
        if (!option) vb::Raise(340); // control array element does not exist
        option->setChecked(true);
    });
    vb::ResumeNext([&] { txtMarkChar->setText(SettingValue(QStringLiteral("defaultmark"))); });
    m_runs.Options().Load();
    mIsLoading = false;
}

void frmMain::GetDataBaseProfile()
{
    vb::ResumeNext([] { LoadTables(); });
    vb::ResumeNext([&] { ShowTotalRecords(); });
}

void frmMain::ShowTotalRecords()
{
    lblTotalRec->setText(QStringLiteral("Total Records:") +
                         vb::Format(vb::Variant(vb::CDbl(SettingValue(QStringLiteral("lasttotal")))),
                                    QStringLiteral("##,###,###,##0")));
}

// ---------------------------------------------------------------- public members

void frmMain::SetInputEnabled(std::initializer_list<QWidget*> inputs, bool enabled)
{
    for (QWidget* w : inputs)
        w->setEnabled(enabled);
    ui::SetHourglass(!enabled);
    m_actionRunning = !enabled;
    // The work that follows (a workbook's load, an import) serves no events
    // for a while: the disabled window is drawn first, without the box that
    // asked to start.
    if (!enabled) ui::PaintNow(this);
    if (enabled && m_closePending) {
        // The close asked for while the action ran: carried out once the
        // action has returned to the event loop.
        m_closePending = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void frmMain::SetStart(bool Enabled)
{
    SetInputEnabled({Frame4, Frame5, Frame1, Frame2, cmdStart, TBLaunch}, Enabled);
}

void frmMain::SetImport(bool enabled)
{
    SetInputEnabled({Frame1, Frame2, Frame4, Frame5, cmdStart, TBLaunch}, enabled);
    vb::ResumeNext([&] {
        SetStatusBar(enabled ? QStringLiteral("Finished to import DNC list")
                             : QStringLiteral("Analyzing data ..."),
                     1);
    });
}

void frmMain::SetStatusBar(const QString& text, std::int32_t panel)
{
    sbStatusBar->SetPanelText(panel, text);
}

QString frmMain::StatusBar(std::int32_t panel) const
{
    return sbStatusBar->PanelText(panel);
}

// ---------------------------------------------------------------- toolbar

void frmMain::TBLaunch_ButtonClick(QAction* Button)
{
    DoToolbarCommand(Button);
}

void frmMain::DoToolbarCommand(QAction* Button)
{
    if (!Button) return;
    // A toolbar click takes no focus: the box being edited is taken first.
    CommitPanel(true);
    const QString key = Button->property("Key").toString();
    vb::ResumeNext([&] {
        if (key == QLatin1String("dncgov")) {
            const QString address = DNCRegistryAddress();
            // Without a web browser set up nothing opens: say so.
            if (!ui::services().OpenDocument(address))
                ui::MsgBox(QStringLiteral("The page ") + address +
                               QStringLiteral(" could not be opened. Is a web browser set up?"),
                           ui::vbExclamation);
        } else if (key == QLatin1String("Import")) {
            RunDNCImportWizard(false);
        } else if (key == QLatin1String("addopt")) {
            ShowModalForm<frmASC>(this);
            m_runs.Options().Load(); // a changed option is used by the next run
        } else if (key == QLatin1String("Exit")) {
            close();
        } else if (key == QLatin1String("About")) {
            ShowModalForm<frmAbout>(this);
        } else if (key == QLatin1String("Options")) {
            ShowModalForm<frmOptions>(this, this);
        } else if (key == QLatin1String("Tools")) {
            m_runs.RemoveDuplicates();
        } else if (key == QLatin1String("Help")) {
            cHTMLHelp help;
            help.DisplayHelp(this, vb::App::Path() + QLatin1Char('/') + vb::App::HelpFile());
        }
    });
}

// ---------------------------------------------------------------- DNC-database frame

void frmMain::cmdBrowser_Click()
{
    ChangeDatabase();
}

bool frmMain::ChangeDatabase()
{
    if (!gOption) return false;
    gOption->ShowODBCSetting(1);
    const QString chosen = gOption->ConnectionString();
    if (chosen == gConnectionString) return false;

    // Another database is only taken when start-up would take it: it opens,
    // its settings can be read and their defaults added (what stops it has
    // been shown once). Otherwise the database in use stays, the profile in
    // "Tervala.ini" stays as it was and the option object is read back from
    // it. The settings in memory are not the trial's: they belong to the
    // database in use until they are saved there.
    if (gDataAccess) {
        const QString inUse = gDataAccess->DefaultConnectionString();
        gDataAccess->SetDefaultConnectionString(chosen);
        CDefPropertys trial;
        const bool usable = DatabaseUsable(trial);
        gDataAccess->SetDefaultConnectionString(inUse);
        if (!usable) {
            vb::ResumeNext([] { gOption->ReadProperty(); });
            return false;
        }
    }

    // The settings and profiles in memory belong to the database they were
    // loaded from: they are written back there before the switch and loaded
    // afresh from the new one.
    SaveProgramData();
    gConnectionString = chosen;
    if (gDataAccess) gDataAccess->SetDefaultConnectionString(chosen);
    gOption->SaveODBC(QStringLiteral("ODBC"));
    txtDatabase->setText(gOption->ODBCDatabase());
    LoadProgramData();
    LoadMainSettings();
    if (!m_panel.Type().isEmpty()) {
        SetStart(false);
        SetPhoneDataType();
        SetStart(true);
    }
    GetDataBaseProfile();
    return true;
}

void frmMain::cmdLastUpdate_Click()
{
    RunDNCImportWizard(true);
}

void frmMain::cmdViewDNC_Click()
{
    ShowAreaCodeScreen();
    vb::ResumeNext([&] { ShowTotalRecords(); });
}

// ---------------------------------------------------------------- web pane

void frmMain::OnStartPageLoaded()
{
    if (!WebBrowser1->HasDocument()) return;
    if (!mPageChecked && !WebBrowser1->DocumentURL().contains(LocalPageName()) && !mLocalPageShown) {
        Timer1->SetEnabled(true);
        return;
    }
    mPageChecked = true;
    if (mLocalPageShown) return;

    // A modification time that is not a date (or a stored time that is not)
    // leaves the stored time alone.
    double pageDate = 0;
    double storedDate = 0;
    const auto row = Setting(QStringLiteral("lastadtime"));
    if (!row) return;
    if (!vb::ParseDate(WebBrowser1->DocumentLastModified(), pageDate)) return;
    if (!vb::ParseDate(row->PropertyValue(), storedDate)) return;
    if (pageDate > storedDate) {
        vb::ResumeNext([&] {
            SaveSettingNow(
                *row, vb::Format(vb::CVDate(vb::Variant(pageDate)), QStringLiteral("yyyy-mm-dd HH:nn:ss")));
        });
    }
}

void frmMain::Timer1_Timer()
{
    Timer1->SetEnabled(false);
    mLocalPageShown = true;
    WebBrowser1->Navigate(vb::App::Path() + QLatin1Char('/') + LocalPageName());
}

// ---------------------------------------------------------------- shut-down

namespace {

// What the program answers once its session ends: nobody is there to ask.
// A box is not shown; a question is answered as a close answers it (No
// where offered, else the answer that stops); a form is not shown.
class SessionEndServices final : public ui::Services {
public:
    int MsgBox(const QString&, int style, const QString&) override
    {
        return (style & 0x7) == ui::vbYesNoCancel ? ui::vbNo : ui::SafeAnswer(style);
    }
    std::optional<QString> GetOpenFileName(const ui::FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> GetSaveFileName(const ui::FileDialogRequest&) override { return std::nullopt; }
    int ShowModal(QDialog*, QWidget*) override { return 0; }
    bool OpenDocument(const QString&) override { return false; }
    bool StartProgram(const QString&, const QStringList&) override { return false; }
    void ShowHelp(QWidget*, const QString&) override {}
    std::optional<QString> RegistryValue(const QString&, const QString&) override { return std::nullopt; }
};

} // namespace

void frmMain::EndSession()
{
    static SessionEndServices ending;
    if (m_unloaded || std::exchange(m_ending, true)) return;
    ui::setServices(&ending);
    Frame6->StopAtNextPause();
    // The open forms and boxes close one at a time, each as its own show
    // returns to the one below it; then the window closes, once any action
    // has ended.
    auto* closing = new QTimer(this);
    closing->setInterval(20);
    connect(closing, &QTimer::timeout, this, [this, closing] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
            auto* box = qobject_cast<QDialog*>(modal);
            if (!modal->close() && box) box->done(QDialog::Rejected);
            return;
        }
        closing->stop();
        close();
    });
    closing->start();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    if (m_actionRunning) {
        // A long action runs inside this window's events: the close waits
        // until the action has enabled the window again.
        m_closePending = true;
        event->ignore();
        return;
    }
    GuardedHandler(kForm, "Form_QueryUnload", [this] { Form_QueryUnload(); });
    event->accept();
    GuardedHandler(kForm, "Form_Unload", [this] { Form_Unload(); });
}

void frmMain::Form_QueryUnload()
{
    SaveProgramData();
}

void frmMain::SaveProgramData()
{
    vb::ResumeNext([] {
        if (gDataTypeInfos) gDataTypeInfos->Save(true);
    });
    if (!gDefPropertys) return;
    for (std::int32_t i = 1; i <= gDefPropertys->Count(); ++i)
        vb::ResumeNext([&] {
            if (const auto row = gDefPropertys->Item(i)) row->Save(true, true);
        });
}

void frmMain::LoadProgramData()
{
    vb::ResumeNext([] {
        if (!gDefPropertys) return;
        gDefPropertys->CheckKeys();
        gDefPropertys->LoadRelated(QString());
    });
    vb::ResumeNext([] {
        gCurDataTypeInfo.reset();
        if (!gDataTypeInfos) return;
        gDataTypeInfos->LoadRelated(QString(), QString());
        if (gDataTypeInfos->Count() >= 1) gCurDataTypeInfo = gDataTypeInfos->Item(1);
    });
}

void frmMain::Form_Unload()
{
    m_unloaded = true;
    Timer1->SetEnabled(false);
    mDataConnection.reset();
    ReleaseGlobalObjects();
    QCoreApplication::exit(0);
}

// ---------------------------------------------------------------- delete or mark

void frmMain::chkOptions_Click()
{
    if (!mIsLoading) m_runs.StoreDeleteChoice(chkOptions->isChecked());
}

void frmMain::OptionMark_Click(std::int16_t Index)
{
    (void)Index;
    for (std::int16_t i = 0; i <= 2; ++i)
        if (OptionMark(i) && OptionMark(i)->isChecked()) return m_runs.StoreMarkAction(i);
}

// ---------------------------------------------------------------- focus events

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    // Window switches and a combo's own popup are no focus changes of the
    // window's controls.
    const auto left = [event] {
        if (event->type() != QEvent::FocusOut) return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
    };
    // A box left for Start or View (the click takes the focus first) is read
    // for that action.
    if ((watched == DataTableName || watched == TxtPhoneData) && left())
        GuardedHandler(kForm, "CommitPanel", [this] {
            const QWidget* to = QApplication::focusWidget();
            CommitPanel(to == cmdStart || to == cmdViewData);
        });
    else if (watched == txtMarkChar && left())
        GuardedHandler(kForm, "txtMarkChar_LostFocus", [this] { txtMarkChar_LostFocus(); });
    return QMainWindow::eventFilter(watched, event);
}
