#pragma once
// frmMain: the program's main window. Start-up creates it and calls LoadPara;
// from then on everything the user starts runs from its events. It holds the
// toolbar, the DNC-database frame, the source panel (type, path, table,
// fields, delete or mark), Start, the web pane, the progress frame and the
// four-panel status bar. The runs it starts (Start, duplicate removal, the
// DNC import) are its run controller's (RunController.h): the window hands
// them the panel's choices, shows their boxes and progress and is disabled
// while they go on. Closing it saves the settings and the source profiles and
// ends the program.

#include "core/MainWindowHost.h"
#include "mainwindow/RunController.h"
#include "mainwindow/SourcePanel.h"
#include "platform/ui/CommonDialog.h"
#include "platform/widgets/ControlArray.h"

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <memory>

class CDataConnection;
class CDataTypeInfo;
namespace ado {
class Connection;
}
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolBar;
class ProgressFrame;
class WebBrowser;

namespace ui {
class StatusBar;
class OneShotTimer;
} // namespace ui

class frmMain : public QMainWindow, public MainWindowHost, public RunWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Addresses the window uses; configuration, not settings of the database.
    // The maker's page ends in "rodadureriv.html"; when it cannot be loaded
    // the local copy beside the program is shown instead.
    static QString MakerPageAddress();
    static void SetMakerPageAddress(const QString& address);
    static QString DNCRegistryAddress();
    static void SetDNCRegistryAddress(const QString& address);
    static QString LocalPageName() { return QStringLiteral("rodadureriv.html"); }

    // ---- public members
    // Rebuilds the list of DNC tables and shows the stored DNC total.
    void GetDataBaseProfile();
    // Enables or disables the input frames, Start and the toolbar around a
    // long action; disabling shows the hourglass.
    void SetStart(bool Enabled) override;
    // The DNC import's twin of SetStart; also shows the import's state in
    // status panel 1.
    void SetImport(bool enabled) override;
    // Start-up entry, called once by Main: caption, show, settings, DNC total.
    void LoadPara();
    // Writes text into a panel of sbStatusBar (1 messages, 2 elapsed times,
    // 3 and 4 date and time); a panel number outside 1..4 raises error 35600.
    void SetStatusBar(const QString& text, std::int32_t panel) override;
    QString StatusBar(std::int32_t panel) const override;
    ui::CommonDialog& MainCommonDialog() override { return dlgCommonDialog; }
    // The connection "Setting": another database profile, taken only when
    // its database opens; the settings and profiles in memory are saved to
    // the old database first and loaded afresh from the new one, with the
    // DNC tables, the database box and the total.
    bool ChangeDatabase() override;
    // Creates the work table on the connection; errors are reported.
    void CreateTempTable(const QString& tableName, std::shared_ptr<ado::Connection>& connection);

    // The runs of the window: Start, duplicate removal, the DNC import and
    // the work-table road, with the scrub options they use.
    RunController& Runs() { return m_runs; }

    // Ends the program as a close does, when the session ends (a logout's
    // signal): no box or form is shown any more and every question is
    // answered as a close answers it (No where offered, an unsaved edit not
    // saved); a running scrub or duplicate removal stops at its next pause,
    // its files as they were, any other action (the work-table road and the
    // import among them) ends first; the open forms are closed; then the
    // settings and profiles are saved and the program ends.
    void EndSession();

    // True from SetStart(False) or SetImport(False) until they are called
    // with True again: a long action runs.
    bool ActionRunning() const { return m_actionRunning; }

    // ---- what the runs ask of the window
    PanelChoices Choices() override;
    int Say(const QString& prompt, int style) override;
    void Report(const engine::Result& result, int summaryStyle) override;
    engine::EngineProgress& Progress() override;
    void ShowRecordCount(std::int32_t count) override;
    void FocusMarkText() override;
    void ShowLastUpdate(const QString& text) override;
    void ShowTotal(const QString& caption) override;

    // ---- event handlers
    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();
    void TBLaunch_ButtonClick(QAction* Button);
    void cmdBrowser_Click();
    void cmdLastUpdate_Click();
    void cmdViewDNC_Click();
    void Timer1_Timer();
    void OnStartPageLoaded();
    // Source panel.
    void OptPhoneType_Click(std::int16_t Index);
    void TxtPhoneData_Change();
    void DataTableName_Change();
    void DataTableName_Click();
    void cboPhoneDataField_Change();
    void cboPhoneDataField_Click();
    void cboAreaDataField_Change();
    void cboAreaDataField_Click();
    void cboMarkField_Change();
    void cboMarkField_Click();
    void txtMarkChar_Change();
    void txtMarkChar_LostFocus();
    // Delete or mark, and Start.
    void chkOptions_Click();
    void OptionMark_Click(std::int16_t Index);
    void cmdStart_Click() { m_runs.Start(); }
    // Source browsing and viewing.
    void cmdBrowserData_Click();
    void cmdViewData_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildToolbar();
    QGroupBox* buildDatabaseFrame();
    QGroupBox* buildTypeFrame();
    QGroupBox* buildSourceFrame();
    void connectSourcePanel();

    void InitMainWindow();
    void LoadMainSettings();
    void DoToolbarCommand(QAction* Button);
    // The source panel filled from the chosen type's profile: its controls,
    // and what was read of the source (SourcePanel).
    void SetPhoneDataType();
    void ShowTypeControls(SourceKind kind, CDataTypeInfo& profile);
    void ShowSource(bool filling);
    // Before anything takes the panel's choices: the box being edited is
    // taken, and a changed path or table read; for an action (forAction),
    // nothing the user chose is replaced by what the re-read shows.
    void CommitPanel(bool forAction);
    // "Total Records:" and the stored DNC total.
    void ShowTotalRecords();
    // Writes every source profile and then every settings row to the
    // database in use; failures are reported by the records themselves.
    void SaveProgramData();
    // Seeds missing settings, loads the settings and the source profiles of
    // the database in use; the first profile becomes the current one.
    void LoadProgramData();
    // Enables or disables the window's inputs, in this order, around a long
    // action; disabling shows the hourglass.
    void SetInputEnabled(std::initializer_list<QWidget*> inputs, bool enabled);
    // Panel routines, shared with source browsing.
    void FillTableList();
    std::int32_t FillFieldLists();
    // Selects the profile's area, phone and mark field names in their lists.
    void SelectStoredFieldNames();
    // Browser by kind of source.
    void BrowseFileSource(const std::shared_ptr<CDataTypeInfo>& profile);
    void BrowseWorkbook(const std::shared_ptr<CDataTypeInfo>& profile);
    void BrowseDatabase(const std::shared_ptr<CDataTypeInfo>& profile);

    // The toolbar's and the DNC frame's commands.
    void RunDNCImportWizard(bool quick);
    void ShowAreaCodeScreen();

    // ---- controls
    ui::StatusBar* sbStatusBar = nullptr;
    ui::CommonDialog dlgCommonDialog;
    QToolBar* TBLaunch = nullptr;

    QGroupBox* Frame2 = nullptr; // the DNC database
    QLineEdit* txtDatabase = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtPhoneField = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtLastUpdate = nullptr;   // "Last Update:", read-only
    QLabel* lblTotalRec = nullptr;        // "Total Records:" and the DNC total
    QPushButton* cmdLastUpdate = nullptr; // "Import Data"
    QPushButton* cmdViewDNC = nullptr;    // "View"
    QPushButton* cmdBrowser = nullptr;    // "Setting"

    QGroupBox* Frame1 = nullptr; // "Select Your File Type"
    ControlArray<QRadioButton> OptPhoneType;

    QGroupBox* Frame4 = nullptr; // "Select The File to Scrub"
    QPushButton* cmdStart = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* TxtPhoneData = nullptr;
    QPushButton* cmdBrowserData = nullptr; // "Browser"
    QLabel* Label12 = nullptr;
    QComboBox* DataTableName = nullptr;
    QPushButton* cmdViewData = nullptr; // "View"
    QLabel* Label10 = nullptr;
    QLineEdit* txtPhoneDataTotal = nullptr;
    QLabel* Label8 = nullptr;
    QComboBox* cboPhoneDataField = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cboAreaDataField = nullptr;
    QCheckBox* chkOptions = nullptr;
    QComboBox* cboMarkField = nullptr;
    QGroupBox* Frame5 = nullptr; // delete / mark options
    ControlArray<QRadioButton> OptionMark;
    QLabel* Label2 = nullptr;
    QLineEdit* txtMarkChar = nullptr;

    WebBrowser* WebBrowser1 = nullptr;
    ProgressFrame* Frame6 = nullptr; // the progress bar and its labels
    ui::OneShotTimer* Timer1 = nullptr;

    // ---- form variables
    SourcePanel m_panel;          // the chosen type and what was read of its source
    bool mIsFilling = false;      // the source panel is being filled
    bool m_showingFields = false; // the field boxes show what was read
    std::shared_ptr<CDataConnection> mDataConnection;
    bool mIsLoading = false;      // the window's settings are being loaded
    bool mLocalPageShown = false; // the web pane was sent to the local page
    bool mPageChecked = false;    // a loaded page was accepted; no fallback any more

    RunController m_runs{*this};
    bool m_loaded = false;        // Form_Load has run
    bool m_unloaded = false;      // shut-down has run
    bool m_actionRunning = false; // a long action has disabled the window
    bool m_closePending = false;  // a close request waits for the action to end
    bool m_ending = false;        // the session ends: the window closes unasked
};

// The main window; null until start-up creates it and after it is gone.
extern frmMain* gMainForm;
