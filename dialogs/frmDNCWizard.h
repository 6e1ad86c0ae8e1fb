#pragma once
// frmDNCWizard: the "Text Wizard" of the DNC import. It turns a DNC source
// file (national text, the registry's HTML page, a state file, an update
// file) into import text, splits a large import text, analyses it per area
// code and hands it to the import. It never writes to the DNC tables itself:
// Import records the file and its two layout flags in the settings and hides
// the wizard; the main window's wizard loop (frmMain::RunDNCImportWizard)
// then runs the import and shows the wizard again with the counts after it.
//
// The wizard ends each modal showing by hiding itself; the loop reads
// IsCancel() to tell Import from Close. Closing through the title bar or
// with Escape is Close.

#include "platform/widgets/ControlArray.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ado {
class Recordset;
}
namespace ui {
class StatusBar;
class OneShotTimer;
} // namespace ui

class frmDNCWizard : public QDialog {
    Q_OBJECT
public:
    // Source formats of cmdBrowser, the indexes of OptionFormat.
    enum Format : std::int16_t { NationalText = 0, NationalHtml = 1, OtherFormats = 2, NationalUpdate = 3 };
    // Columns of lstCode.
    enum Column : int { ColCode = 0, ColCountInText = 1, ColCountInDB = 2, ColCountAfterImport = 3 };

    explicit frmDNCWizard(QWidget* parent = nullptr);
    ~frmDNCWizard() override;

    // ---- public flags and members
    // True after Close (title bar and Escape included), False after Import.
    bool IsCancel() const { return m_isCancel; }
    void SetIsCancel(bool value) { m_isCancel = value; }
    // Set by the wizard loop before each showing. True at the first showing
    // starts the quick import; while True, Import asks no confirmation.
    bool IsQuickImport() const { return m_isQuickImport; }
    void SetIsQuickImport(bool value) { m_isQuickImport = value; }
    // Fills "Count After Import In DB" from the DNC tables as they are now.
    void ShowAfterInput();
    // The wizard's status line: the steps of the quick import, and after an
    // import what it passed over.
    void SetStatus(const QString& text);
    // The unattended road: Browser, Analysis, a five-second pause, Import.
    void QuickImport();
    // The file the last Browser chose or produced ("" when it gave none).
    QString CurrentFile() const { return m_currentFile; }

    // Opens the import text named in the file box through the text driver,
    // forward-only and read-only, into rs. 0 on success; 1 when the box is
    // empty or the file could not be opened (reported).
    std::int32_t OpenDNCTextRecordset(std::shared_ptr<ado::Recordset>& rs);

    // ---- event handlers
    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();
    void cmdBrowser_Click();
    void cmdView_Click();
    void cmdSplit_Click();
    void cmdAnalysis_Click();
    void cmdOK_Click();
    void cmdCancal_Click();
    void dnctextfilename_GotFocus();
    void dnctextfilename_LostFocus();

    // ---- controls
    QGroupBox* XPFrame1 = nullptr; // "DNC Data Profile"
    QLabel* Label1 = nullptr;      // "File Name"
    QLineEdit* dnctextfilename = nullptr;
    QPushButton* cmdBrowser = nullptr; // "Browser"
    QPushButton* cmdView = nullptr;    // "&View"
    QCheckBox* dnctextfilehearder = nullptr;
    QCheckBox* dnctextfiledelimited = nullptr;
    QGroupBox* Frame2 = nullptr; // "Format"
    ControlArray<QRadioButton> OptionFormat;
    QLabel* Label7 = nullptr; // "Lines Per File"
    QLineEdit* txtFileLines = nullptr;
    QPushButton* cmdSplit = nullptr; // "Split File"
    QLabel* Label2 = nullptr;        // the note on the import text's layout
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QTreeWidget* lstCode = nullptr;     // the analysis per area code
    QPushButton* cmdAnalysis = nullptr; // "Analysis"
    QPushButton* cmdOK = nullptr;       // "Import"
    QPushButton* cmdCancal = nullptr;   // "Close"
    ui::StatusBar* sbStatusBar = nullptr;
    ui::OneShotTimer* Timer1 = nullptr;

public slots:
    // Escape: the same as Close.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // The text connection of the file box's import text; fileName receives
    // the file's name without its folder.
    QString TextConnection(QString& fileName) const;
    // Shows a query of a connection in the data viewer.
    void ViewData(const QString& connectionString, QString sql, bool editable, const QString& caption);
    void SelectFormat(Format format);
    // The four conversions of cmdBrowser; each leaves its result in m_currentFile.
    void BrowseNationalText();
    void BrowseNationalHtml();
    void BrowseOtherFormats();
    void BrowseNationalUpdate();
    // Adds a row of the analysis list; the Total row is bold and blue.
    QTreeWidgetItem* AddCodeRow(const QString& code, const QString& inText, const QString& inDB, bool total);
    void SetQuickInputsEnabled(bool enabled);

    bool m_loaded = false;
    bool m_isCancel = false;
    bool m_isQuickImport = false;
    QString m_currentFile;
    QString m_fileNameTag;  // the file box's text when it took the focus
    QString m_analysedFile; // the file the analysis list was read from
};
