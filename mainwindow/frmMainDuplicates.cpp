// Duplicate removal from the main window's toolbar: the checks of the
// source panel's choices by source type, then the routine of the type with
// the window disabled for the run, so that nothing else starts while it
// yields to the event loop.

#include "mainwindow/frmMain.h"

#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "records/CDataTypeInfo.h"
#include "scrub/DuplicateRemoval.h"

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

namespace {

// The progress frame and status bar of the main window, for a removal.
class WindowDuplicateView : public scrub::DuplicateView {
public:
    explicit WindowDuplicateView(frmMain& form) : m_form(form) {}

    void BeginProgress(std::int32_t total) override
    {
        m_total = total;
        m_form.BeginProgressFrame(total);
    }
    void ShowProgress(std::int32_t records, double elapsedSeconds, bool final) override
    {
        m_form.ShowProgressFrame(records, std::min(records, m_total), elapsedSeconds, final);
    }
    void ShowStatus(const QString& text) override { m_form.SetStatusBar(text, 1); }

private:
    frmMain& m_form;
    std::int32_t m_total = 0;
};

} // namespace

void frmMain::RemoveDuplicates()
{
    if (!gCurDataTypeInfo) return;
    CDataTypeInfo& profile = *gCurDataTypeInfo;
    const QString type = profile.DataType();
    const bool textFile = type == QLatin1String("TEXT FILE") || type == QLatin1String("CSV");
    const bool excel = type == QLatin1String("EXCEL");
    const bool access = type == QLatin1String("ACCESS");
    const bool foxPro = type == QLatin1String("FOXPRO") || type == QLatin1String("ACT!");
    if (!textFile && !excel && !access && !foxPro) return;

    const auto exclaim = [](const QString& prompt) {
        ui::MsgBox(prompt, ui::vbExclamation, vb::App::Title());
    };
    if (cboPhoneDataField->currentText().isEmpty()) {
        exclaim(QStringLiteral("Please select phone field name!"));
        return;
    }
    // The mark field plays no part; the list sources still ask for one.
    if (!excel && cboMarkField->currentText().isEmpty()) {
        exclaim(QStringLiteral("Please select mark field name!"));
        return;
    }
    const vb::Variant shown(txtPhoneDataTotal->text());
    if (!vb::IsNumeric(shown) || vb::CDbl(shown) == 0) return;
    const QString connectionString = textFile ? profile.GetTextConnString()
                                     : excel  ? profile.GetExcelConnString()
                                     : access ? profile.GetAccessConnString()
                                              : profile.GetFoxProConnString();
    if (connectionString.isEmpty()) return;

    SetStart(false);
    WindowDuplicateView view(*this);
    try {
        RunDuplicateRemoval(profile, connectionString, view);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, objectName(), QStringLiteral("RemoveDuplicates"), false);
    }
    SetStart(true);
}

void frmMain::RunDuplicateRemoval(CDataTypeInfo& profile, const QString& connectionString,
                                  scrub::DuplicateView& view)
{
    const QString type = profile.DataType();
    if (type == QLatin1String("ACCESS") || type == QLatin1String("FOXPRO") || type == QLatin1String("ACT!")) {
        scrub::TableDuplicatesJob job;
        job.kind = type == QLatin1String("ACCESS") ? scrub::TableDuplicatesJob::Kind::Access
                                                   : scrub::TableDuplicatesJob::Kind::FoxPro;
        job.connectionString = connectionString;
        job.tableName = profile.DataTableName();
        job.phoneField = profile.DataFieldName();
        job.areaField = profile.DataAreaName();
        scrub::RemoveTableDuplicates(job, view);
    } else if (type != QLatin1String("EXCEL")) {
        scrub::TextDuplicatesJob job;
        job.folder = profile.DataDBName();
        job.fileName = profile.DataTableName();
        job.connectionString = connectionString;
        job.titleFirstLine = profile.IsTitleFirstLine();
        job.phoneField = profile.DataFieldName();
        job.areaField = profile.DataAreaName();
        scrub::RemoveTextDuplicates(job, view);
    } else {
        scrub::ExcelDuplicatesJob job;
        job.workbookPath = profile.DataDBName();
        job.sheetName = profile.DataTableName();
        job.titleFirstLine = profile.IsTitleFirstLine();
        job.phoneColumn = cboPhoneDataField->currentIndex() + 1;
        job.areaColumn = std::max(0, cboAreaDataField->currentIndex());
        const scrub::DuplicatesResult r = scrub::RemoveExcelDuplicates(job, view);
        if (r.completed && r.removed > 0) {
            mRecordCount = r.recordCount;
            txtPhoneDataTotal->setText(QString::number(r.recordCount));
        }
    }
}
