// The work-table scrub of the main window: the current source and the
// window's scrub choices handed to the engine, its progress shown in the
// progress frame and the status bar.

#include "mainwindow/frmMain.h"

#include "core/CDataAccess.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DoEvents.h"
#include "platform/widgets/ProgressBar.h"
#include "records/CDataTypeInfo.h"
#include "scrub/ScrubRule.h"
#include "scrub/WorkTableScrub.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

namespace {

class WindowWorkTableView : public scrub::WorkTableView {
public:
    explicit WindowWorkTableView(frmMain& form) : m_form(form) {}

    void Status(const QString& text, int panel) override
    {
        m_form.SetStatusBar(text, panel);
        vb::DoEvents();
    }

    void BeginProgress(std::int32_t rows) override
    {
        // A step of the bar is a thousand rows.
        m_form.ProgressBar1->SetMin(0);
        m_form.ProgressBar1->SetMax(rows / 1000.0 + 1);
        m_form.ProgressBar1->SetValue(0);
        m_form.lblmax->setText(QString::number(rows));
        m_form.lblMin->setText(QStringLiteral("0"));
        m_rows = rows;
        vb::DoEvents();
    }

    void ShowProgress(std::int32_t rows, double elapsedSeconds) override
    {
        const bool last = rows >= m_rows;
        m_form.ProgressBar1->SetValue(last ? m_rows / 1000.0 + 1 : rows / 1000);
        m_form.lblStatus->setText(QString::number(rows));
        m_form.SetStatusBar(scrub::ElapsedText(0, elapsedSeconds) + QStringLiteral(" seconds"), 2);
        vb::DoEvents();
    }

    QString MarkText() override { return m_form.txtMarkChar->text(); }

private:
    frmMain& m_form;
    std::int32_t m_rows = 0;
};

scrub::WorkTableJob::Source SourceOf(const QString& type)
{
    if (type == QLatin1String("TEXT FILE") || type == QLatin1String("CSV"))
        return scrub::WorkTableJob::Source::Text;
    if (type == QLatin1String("EXCEL")) return scrub::WorkTableJob::Source::Excel;
    if (type == QLatin1String("ACCESS")) return scrub::WorkTableJob::Source::Access;
    return scrub::WorkTableJob::Source::Other;
}

} // namespace

void frmMain::CreateTempTable(const QString& tableName, std::shared_ptr<ado::Connection>& connection)
{
    scrub::CreateTempTable(tableName, connection);
}

void frmMain::ScrubByWorkTable()
{
    if (!gCurDataTypeInfo || !gDataAccess) return;
    CDataTypeInfo& profile = *gCurDataTypeInfo;
    scrub::WorkTableJob job;
    job.source = SourceOf(profile.DataType());
    job.workDatabase = QDir(vb::App::Path()).filePath(QStringLiteral("DNCTempWork.mdb"));
    job.connectionString = profile.GetConnectionString();
    job.tableName = job.source == scrub::WorkTableJob::Source::Excel ? mExcelTable : profile.DataTableName();
    job.folder = profile.DataDBName();
    job.phoneField = profile.DataFieldName();
    job.areaField = profile.DataAreaName();
    for (int i = 0; i < cboMarkField->count(); ++i)
        job.fieldNames << cboMarkField->itemText(i);
    job.markPosition = cboMarkField->currentIndex();
    job.titleFirstLine = profile.IsTitleFirstLine();
    job.markFormat = mMarkFormat == 1;
    job.formatChar = mFormatChar;
    job.addAreaCode = mAddAreaCode == 1;
    job.defaultCode = mDefaultCode;
    job.exportOk = mExportOK == 1;
    job.exportDnc = mExportDNC == 1;
    job.okFile = mOKFile;
    job.dncFile = mDNCFile;
    job.markAction = vb::CLng(vb::Variant(SettingText(QStringLiteral("markaction"))));
    job.deleteFound = chkOptions->isChecked();

    // The look-ups and the link run on the shared connection, opened anew.
    gDataAccess->CloseConnection();
    gDataAccess->OpenConnection();
    const std::shared_ptr<ado::Connection> dnc = gDataAccess->GetConnection();
    WindowWorkTableView view(*this);
    if (dnc) scrub::ScrubByWorkTable(job, view, dnc);
    gDataAccess->CloseConnection();
}
