// What the runs of the main window (RunController) ask of it: the source
// panel's choices as a command starts, the program's message boxes, the
// progress frame, and the texts a finished run changes.

#include "mainwindow/frmMain.h"

#include "core/EngineReport.h"
#include "core/ErrorReport.h"
#include "mainwindow/ProgressFrame.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"
#include "records/CDataTypeInfo.h"
#include "scrub/WorkTableScrub.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

PanelChoices frmMain::Choices()
{
    CommitPanel(true);
    PanelChoices c;
    for (const auto& [index, option] : OptPhoneType)
        c.typeChosen = c.typeChosen || (option && option->isChecked());
    c.tableName = DataTableName->currentText();
    c.phoneField = cboPhoneDataField->currentText();
    c.phoneIndex = cboPhoneDataField->currentIndex();
    c.areaField = cboAreaDataField->currentText();
    c.areaIndex = cboAreaDataField->currentIndex();
    // An area field chosen that the list read again lacks is asked for, not
    // dropped.
    if (c.areaField.isEmpty() && c.areaIndex < 0 && m_panel.Profile())
        c.areaField = m_panel.Profile()->DataAreaName();
    c.markField = cboMarkField->currentText();
    c.markIndex = cboMarkField->currentIndex();
    for (int i = 0; i < cboMarkField->count(); ++i)
        c.fields << cboMarkField->itemText(i);
    c.recordCount = txtPhoneDataTotal->text();
    c.deleteFound = chkOptions->isChecked();
    c.markText = txtMarkChar->text();
    c.excelTable = m_panel.ExcelTable();
    c.missingSource = m_panel.Missing();
    return c;
}

int frmMain::Say(const QString& prompt, int style)
{
    return ui::MsgBox(prompt, style, vb::App::Title());
}

void frmMain::Report(const engine::Result& result, int summaryStyle)
{
    ReportResult(result, summaryStyle);
}

engine::EngineProgress& frmMain::Progress()
{
    return *Frame6;
}

void frmMain::ShowRecordCount(std::int32_t count)
{
    m_panel.SetRecordCount(count);
    txtPhoneDataTotal->setText(QString::number(count));
}

void frmMain::FocusMarkText()
{
    txtMarkChar->setFocus();
}

void frmMain::ShowLastUpdate(const QString& text)
{
    txtLastUpdate->setText(text);
}

void frmMain::ShowTotal(const QString& caption)
{
    lblTotalRec->setText(caption);
}

void frmMain::CreateTempTable(const QString& tableName, std::shared_ptr<ado::Connection>& connection)
{
    try {
        scrub::CreateWorkTable(tableName, connection);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, e.Source, QStringLiteral("LoadTables"), false);
    }
}
