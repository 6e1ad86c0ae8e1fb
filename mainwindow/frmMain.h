#pragma once
// frmMain: the program's main window. Start-up creates it and calls LoadPara;
// from then on everything the user starts runs from its events. It holds the
// toolbar, the DNC-database frame, the source panel (type, path, table,
// fields, delete or mark), Start, the web pane, the progress frame and the
// four-panel status bar. Closing it saves the settings and the source
// profiles and ends the program.

#include "core/MainWindowHost.h"
#include "dncdb/DNCListImport.h"
#include "platform/ui/CommonDialog.h"
#include "platform/widgets/ControlArray.h"

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>

class CDataConnection;
class CDataTypeInfo;
namespace ado {
class Connection;
}
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolBar;
class WebBrowser;

namespace scrub {
class DuplicateView;
}
namespace ui {
class StatusBar;
class ProgressBar;
class OneShotTimer;
} // namespace ui

class frmMain : public QMainWindow, public MainWindowHost {
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
    void SetStart(bool Enabled);
    // The DNC import's twin of SetStart; also shows the import's state in
    // status panel 1.
    void SetImport(bool enabled);
    // Start-up entry, called once by Main: caption, show, settings, DNC total.
    void LoadPara();
    // Writes text into a panel of sbStatusBar (1 messages, 2 elapsed times,
    // 3 and 4 date and time); a panel number outside 1..4 raises error 35600.
    void SetStatusBar(const QString& text, std::int32_t panel) override;
    ui::CommonDialog& MainCommonDialog() override { return dlgCommonDialog; }
    // The connection "Setting": another database profile, taken only when
    // its database opens; the settings and profiles in memory are saved to
    // the old database first and loaded afresh from the new one, with the
    // DNC tables, the database box and the total.
    bool ChangeDatabase() override;

    // The DNC import run from the main window (defined with the DNC import in
    // dncdb/): links the prepared import text named in the settings and adds
    // its new numbers to the area-code tables. ok / the result tell whether
    // the import succeeded.
    void ImportDNCTextFile(bool& ok);
    bool ImportDNCList(const QString& linkProviderString, const QString& fileName);
    // What the last import run did.
    const dncimport::ImportResult& LastImport() const { return mLastImport; }

    // The progress frame of a scrub or duplicate removal: the bar from 0 to
    // total; then the count in lblStatus, the bar and the seconds in status
    // panel 2, and a yield to the event loop. The window is repainted at
    // most every tenth of a second, so the texts and the bar are set only
    // when it may be (ProgressDue), and always at the end.
    void BeginProgressFrame(std::int32_t total);
    void ShowProgressFrame(std::int32_t count, std::int32_t barValue, double elapsedSeconds, bool final);
    bool ProgressDue(bool final) const;

    // True from SetStart(False) or SetImport(False) until they are called
    // with True again: a long action runs.
    bool ActionRunning() const { return m_actionRunning; }

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
    void DataTableName_GotFocus();
    void DataTableName_LostFocus();
    void cboPhoneDataField_Change();
    void cboPhoneDataField_Click();
    void cboAreaDataField_Change();
    void cboAreaDataField_Click();
    void cboMarkField_Change();
    void cboMarkField_Click();
    void txtMarkChar_Change();
    void txtMarkChar_LostFocus();
    // Delete or mark, and the Start run.
    void chkOptions_Click();
    void OptionMark_Click(std::int16_t Index);
    void cmdStart_Click();
    // Source browsing and viewing.
    void cmdBrowserData_Click();
    void cmdViewData_Click();
    // The paged viewer, without an owner: a query or a table name (which
    // becomes "select * from " and the name), a workbook's sheet, a text file.
    void ViewData(const QString& connectionString, const QString& sql, bool editable, const QString& caption);
    void ViewExcelSheet(const QString& file, const QString& sheet, bool editable, const QString& caption);
    void ViewTextFile(const QString& file, bool editable, const QString& caption);

    // The scrub through a work table of a work database of its own; no
    // command of the window starts it.
    void ScrubByWorkTable();
    // Creates the work table on the connection; errors are reported.
    void CreateTempTable(const QString& tableName, std::shared_ptr<ado::Connection>& connection);

    // Panel routines, shared with source browsing.
    void RefreshTableFields();
    void FillTableList();
    std::int32_t FillFieldLists();

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

    QFrame* Frame6 = nullptr; // progress
    ui::ProgressBar* ProgressBar1 = nullptr;
    QLabel* lblMin = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblmax = nullptr;

    ui::OneShotTimer* Timer1 = nullptr;

    // ---- form variables, shared with the scrub run and source browsing
    QString mDataType;             // the chosen source type (Tag of OptPhoneType)
    std::int32_t mRecordCount = 0; // record count of the current source
    bool mIsFilling = false;       // the source panel is being filled
    QString mConnString;           // connection string of the current source
    std::shared_ptr<CDataConnection> mDataConnection;
    QString mExcelTable;     // ADO table of the chosen Excel sheet
    bool mIsLoading = false; // the window's settings are being loaded
    QString mOKFile;
    QString mDNCFile;
    QString mDefaultCode;
    std::int32_t mMarkFormat = 0;
    QString mFormatChar;
    bool mLocalPageShown = false; // the web pane was sent to the local page
    bool mPageChecked = false;    // a loaded page was accepted; no fallback any more
    std::int32_t mAddAreaCode = 0;
    std::int32_t mExportOK = 0;
    std::int32_t mExportDNC = 0;
    std::int32_t mBackupOriginal = 0;
    std::int32_t mNacNotInDNC = 0;
    dncimport::ImportResult mLastImport;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildToolbar();
    QGroupBox* buildDatabaseFrame();
    QGroupBox* buildTypeFrame();
    QGroupBox* buildSourceFrame();
    QFrame* buildProgressFrame();
    void connectSourcePanel();

    void InitMainWindow();
    void LoadMainSettings();
    void LoadScrubOptions();
    void DoToolbarCommand(QAction* Button);
    void SetPhoneDataType();
    // "Total Records:" and the stored DNC total.
    void ShowTotalRecords();
    // Writes every source profile and then every settings row to the
    // database in use; failures are reported by the records themselves.
    void SaveProgramData();
    // Seeds missing settings, loads the settings and the source profiles of
    // the database in use; the first profile becomes the current one.
    void LoadProgramData();
    // Combo helpers with VB's behaviour: clearing and adding select nothing
    // and raise no Click; selecting an index raises it.
    static void ComboClear(QComboBox* combo);
    static void ComboAddItem(QComboBox* combo, const QString& text);
    // Selects the profile's area, phone and mark field names in their lists.
    void SelectStoredFieldNames();
    // Browser by kind of source.
    void BrowseFileSource(const std::shared_ptr<CDataTypeInfo>& profile);
    void BrowseWorkbook(const std::shared_ptr<CDataTypeInfo>& profile);
    void BrowseDatabase(const std::shared_ptr<CDataTypeInfo>& profile);
    // The numeric-mark rule: the type code of the chosen mark field is "999".
    bool MarkFieldIsNumeric() const;

    // Commands whose forms and routines come with other parts of the
    // program; they are defined in frmMainPending.cpp until then.
    void RunDNCImportWizard(bool quick);
    void ShowScrubOptions();
    void ShowAboutBox();
    void ShowAreaCodeScreen();
    // Duplicate removal of the current source (toolbar "Tools").
    void RemoveDuplicates();
    void RunDuplicateRemoval(CDataTypeInfo& profile, const QString& connectionString,
                             scrub::DuplicateView& view);

    bool m_loaded = false;        // Form_Load has run
    bool m_unloaded = false;      // shut-down has run
    bool m_actionRunning = false; // a long action has disabled the window
    bool m_closePending = false;  // a close request waits for the action to end
    QString m_tableNameTag;       // DataTableName's text when it took the focus
    double m_barShown = -1e9;     // when the progress bar was last repainted
};

// The main window; null until start-up creates it and after it is gone.
extern frmMain* gMainForm;
