#pragma once
// The runs the main window starts, apart from its widgets: the choices a run
// is made with, their checks in the program's order, the dispatch by source
// type (Start, the one-number look-up, duplicate removal, the DNC import,
// the work-table road), the engines run with the window's progress, and what
// they hand back. The window (RunWindow) answers for the source panel, shows
// the boxes and disables itself around a run; the controller says when.

#include "core/EngineProgress.h"
#include "dncdb/DNCListImport.h"
#include "mainwindow/SourceKind.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class CDataTypeInfo;
namespace ado {
class Connection;
}
namespace excel {
class Worksheet;
}

// The scrub options of the settings ("Long" flags are 1 = on), as the window
// loads them at start-up and after the scrub options dialog.
struct ScrubOptions {
    std::int32_t addAreaCode = 0;    // "addareacode": seven digits take defaultCode in front
    QString defaultCode;             // "defaultcode"
    std::int32_t exportOK = 0;       // "exportok": the OK file is written
    std::int32_t exportDNC = 0;      // "exportdnc": the DNC file is written
    std::int32_t backupOriginal = 0; // "backuporginal"
    std::int32_t nacNotInDNC = 0;    // "nacnotindnc": a number without a table counts as found
    std::int32_t markFormat = 0;     // "markformat": the work-table road strips formatChar
    QString formatChar;              // "formatchar"
    QString okFile;                  // "okfile"
    QString dncFile;                 // "dncfile"

    // Reads the ten settings in their order; one that cannot be read leaves
    // its value as it was.
    void Load();
};

// What the source panel shows as a command starts.
struct PanelChoices {
    bool typeChosen = false; // a source type is chosen (OptPhoneType)
    QString tableName;       // DataTableName
    QString phoneField;      // cboPhoneDataField: its text and place
    int phoneIndex = -1;
    QString areaField;  // cboAreaDataField: its text and place
    int areaIndex = -1; // 0, its empty entry, is no area field
    QString markField;  // cboMarkField: its text and place
    int markIndex = -1;
    QStringList fields;       // cboMarkField's entries: the list's fields in order
    QString recordCount;      // txtPhoneDataTotal
    bool deleteFound = false; // chkOptions: found records are deleted, else marked
    QString markText;         // txtMarkChar
    QString excelTable;       // the table the Excel driver knows the chosen sheet by
    QString missingSource;    // the message naming the list file that is not there
};

// What a run needs of the window.
class RunWindow {
public:
    // The panel's choices, a box still being edited taken first: what a run
    // takes is what the panel shows.
    virtual PanelChoices Choices() = 0;
    // A message box with the program's title; the answer.
    virtual int Say(const QString& prompt, int style) = 0;
    // How an engine's run ended: failure, refusal, then the summary in a box
    // of the style.
    virtual void Report(const engine::Result& result, int summaryStyle) = 0;
    // Disable (false) or enable the window around a scrub or duplicate
    // removal; and around an import, with its status line.
    virtual void SetStart(bool enabled) = 0;
    virtual void SetImport(bool enabled) = 0;
    virtual void SetStatusBar(const QString& text, std::int32_t panel) = 0;
    virtual engine::EngineProgress& Progress() = 0;
    // The list's record count after a run changed it.
    virtual void ShowRecordCount(std::int32_t count) = 0;
    // The mark box takes the focus: its mark does not suit the mark field.
    virtual void FocusMarkText() = 0;
    // The DNC frame after an import: the last update, and the total's caption.
    virtual void ShowLastUpdate(const QString& text) = 0;
    virtual void ShowTotal(const QString& caption) = 0;

protected:
    ~RunWindow() = default;
};

class RunController {
public:
    explicit RunController(RunWindow& window) : m_window(window) {}

    ScrubOptions& Options() { return m_options; }
    const ScrubOptions& Options() const { return m_options; }
    // The delete-or-mark choice and the mark action (0 prefix, 1 suffix, 2
    // replace) as the user changes them, into the settings "deleterecords"
    // and "markaction"; they reach the database when the window closes.
    void StoreDeleteChoice(bool deleteFound);
    void StoreMarkAction(std::int16_t action);

    // Start: the checks in their order, each failing one with its message;
    // the confirmation; then, with the window disabled, the one-number
    // look-up or the scrub of the chosen list.
    void Start();
    // Duplicate removal of the current source (toolbar "Tools").
    void RemoveDuplicates();
    // The DNC import of the text the settings name ("dnctextfilename" and
    // its two flags), with the window disabled; then the last update and the
    // total. False when the file is missing or the import failed. The
    // window is enabled again on every way out; only an import that ran to
    // its end is reported finished.
    bool ImportDNCTextFile();
    const dncimport::ImportResult& LastImport() const { return m_lastImport; }
    // The scrub through a work table of a work database of its own; no
    // command of the window starts it.
    void ScrubByWorkTable();

private:
    bool StartChecks(const PanelChoices& panel);
    bool FieldsNameEntries(const PanelChoices& panel, bool markNeeded) const;
    void LookUpOneNumber(double startTime, std::shared_ptr<ado::Connection>& dncConn);
    void RunSource(const PanelChoices& panel, SourceKind kind, std::shared_ptr<ado::Connection>& dncConn);
    bool BackUpSource(CDataTypeInfo& profile, SourceKind kind);
    // False, with the routine's report shown, when the list is one the run
    // could not change (read-only, or in a folder that takes no new file).
    bool ListIsWritable(const CDataTypeInfo& profile, SourceKind kind, const QString& connectionString);
    void ScrubText(const PanelChoices& panel, CDataTypeInfo& profile, const QString& connectionString,
                   const std::shared_ptr<ado::Connection>& dncConn);
    // The workbook's sheet, opened and checked as the scrub will check it,
    // so that a run refused makes no backup; null (after the message) when
    // the run is not to go on.
    std::shared_ptr<excel::Worksheet> SheetToScrub(const PanelChoices& panel, const CDataTypeInfo& profile);
    void ScrubExcel(const PanelChoices& panel, CDataTypeInfo& profile,
                    std::shared_ptr<excel::Worksheet> sheet, const std::shared_ptr<ado::Connection>& dncConn);
    void ScrubTable(const PanelChoices& panel, CDataTypeInfo& profile, SourceKind kind,
                    const QString& connectionString, const std::shared_ptr<ado::Connection>& dncConn);
    void RunDuplicateRemoval(const PanelChoices& panel, CDataTypeInfo& profile, SourceKind kind,
                             const QString& connectionString);
    bool ImportDNCList(const QString& linkProviderString, const QString& fileName);
    void EndImport(bool imported);
    void Exclaim(const QString& prompt) const;
    // The list's sheet, its workbook opened; null after the message that
    // says why there is none.
    std::shared_ptr<excel::Worksheet> OpenListSheet(const CDataTypeInfo& profile) const;

    RunWindow& m_window;
    ScrubOptions m_options;
    dncimport::ImportResult m_lastImport;
};

// The list's sheet, its workbook opened through the automation (which
// reports its own problems first), or the message that says why there is
// none. The window opens it before a workbook's run.
struct ListSheet {
    std::shared_ptr<excel::Worksheet> sheet;
    QString refusal;
};
ListSheet OpenListSheet(const QString& workbookPath, const QString& sheetName);

// Whether the profile's field at the mark list's place is numeric (its type
// code is "999"): such a mark field takes only a number as its mark.
bool MarkFieldIsNumeric(const CDataTypeInfo* profile, int markIndex);
