#pragma once
// frmFormatTransfer: the "Format Transfer" dialog. The user describes the
// layout of a state's DNC file from a sample line (first data line,
// delimiter, quotes, the fields that make the number), may keep it as that
// state's format, and converts the file into import text with Transfer.
//
// The import wizard shows it modally and, once it is hidden, reads the
// output name from txtTextPathOutput. Only Close keeps that name: closing
// through the title bar (or Escape) discards it, and the wizard then gets
// none. A close request during a Transfer waits until the run has ended.

#include "platform/ui/CommonDialog.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class CStateFormat;
class CStateFormats;

class frmFormatTransfer : public QDialog {
    Q_OBJECT
public:
    explicit frmFormatTransfer(QWidget* parent = nullptr);
    ~frmFormatTransfer() override;

    // Chooses entry index (from 0) of State as a user's pick does.
    void ChooseState(int index);
    // The entry of State that is chosen; -1 when the text was typed.
    int StateListIndex() const { return m_stateIndex; }
    // The stored formats, in the order of State's entries.
    const CStateFormats* Formats() const { return m_formats.get(); }

    // ---- event handlers
    void Form_Load();
    void Form_Unload();
    void cmdGetTextPath_Click();
    void cmdGetTextPathOutput_Click();
    void cmdListFields_Click();
    void State_Click();
    void cmdDefault_Click();
    void cmdDelete_Click();
    void cmdTransfer_Click();
    void cmdClose_Click();

    // ---- controls
    QLabel* Label5 = nullptr; // "State"
    QComboBox* State = nullptr;
    QLabel* Label3 = nullptr; // "Select the Text File you want to Convert"
    QLineEdit* txtTextPath = nullptr;
    QPushButton* cmdGetTextPath = nullptr; // "Broswer"
    QCheckBox* chkDQuote = nullptr;
    QLabel* Label6 = nullptr; // "Fields Delimited"
    QComboBox* Delimited = nullptr;
    QLabel* Label7 = nullptr; // "From Row"
    QComboBox* rowNumber = nullptr;
    QPushButton* cmdListFields = nullptr; // "Fields"
    QTreeWidget* ListView4 = nullptr;
    QLabel* Label4 = nullptr; // "Type the Text File Name you want to Convert it to"
    QLineEdit* txtTextPathOutput = nullptr;
    QPushButton* cmdGetTextPathOutput = nullptr; // "Broswer"
    QLabel* Label1 = nullptr;                    // "Records:"
    QLabel* Label2 = nullptr;                    // lines written by Transfer
    QPushButton* cmdDefault = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdTransfer = nullptr;
    QPushButton* cmdClose = nullptr;
    ui::CommonDialog CommonDialog1;

public slots:
    // Escape: as the title bar's close.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QString SelectTextFile(const QString& current, bool input);
    void InitFieldList();
    bool LoadSampleFields(const QString& fileName);
    void AddFieldRow(int index, const QString& value);
    void SetColumnWidths();
    void ErrorMsg(std::int32_t number, const QString& source, const QString& description);
    void RunTransfer();
    void SetTransferButtons(bool enabled);

    std::unique_ptr<CStateFormats> m_formats;
    std::shared_ptr<CStateFormat> m_current; // the format being loaded, saved or deleted
    char m_delimiter = '\t';
    int m_stateIndex = -1;
    bool m_loaded = false;
    bool m_running = false;
    bool m_closePending = false;
};

// The sample line: lines 1 to lineNumber read, the last one read returned
// (a short file gives its last line, an empty or missing file "").
QString LoadFileLine(const QString& fileName, std::int32_t lineNumber);
