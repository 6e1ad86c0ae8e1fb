// The DNC list import run from the main window: the settings name the
// prepared import text, the import engine (dncdb/DNCListImport) adds its new
// numbers to the store, and the window shows its progress, reports how it
// ended and stamps the last update and the total.

#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "dncdb/DNCImport.h"
#include "dncdb/DNCListImport.h"
#include "dncdb/ModuleDNC.h"
#include "mainwindow/frmMain.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"
#include "platform/vb/Format.h"
#include "platform/widgets/ProgressBar.h"
#include "records/ModuleConnectString.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>

namespace {

// Stores a setting and writes its row at once; a store without the row gets
// it added.
void SaveSetting(const QString& key, const QString& value)
{
    if (!gDefPropertys) return;
    auto p = gDefPropertys->Item(key);
    if (!p) {
        auto fresh = std::make_shared<CDefProperty>();
        fresh->SetPropertyKeys(key);
        fresh->SetPropertyName(key);
        fresh->SetDataType(CDefProperty::KindText);
        gDefPropertys->AddExisting(fresh, key);
        p = fresh;
    }
    p->SetPropertyValue(value);
    p->Save(true, true);
}

void SetCaption(QLabel* label, const QString& text)
{
    if (label) label->setText(text);
}

} // namespace

void frmMain::ImportDNCTextFile(bool& ok)
{
    ok = false;
    try {
        LoadTables();
        SetImport(false);

        const QString name = SettingText(QStringLiteral("dnctextfilename"));
        if (!name.isEmpty() && !QFile::exists(name)) return;

        QString fileName;
        QString folder = SplitFilePath(name, fileName);
        if (folder.isEmpty()) folder = vb::App::Path() + QStringLiteral("/");

        const QString hdr = vb::Val(SettingText(QStringLiteral("dnctextfilehearder"))) == 1
                                ? QStringLiteral("Yes")
                                : QStringLiteral("No");
        const QString fmt = vb::Val(SettingText(QStringLiteral("dnctextfiledelimited"))) == 1
                                ? QStringLiteral("Delimited")
                                : QString();
        const QString link = MakeTextLinkString(folder, hdr, fmt);

        const bool imported = ImportDNCList(link, fileName);

        // Only a finished import moves the last-update time: after a failure
        // the store may lack numbers of the file.
        if (imported) {
            SaveSetting(QStringLiteral("dnclastupdate"), vb::CStr(vb::Now()));
            if (txtLastUpdate) txtLastUpdate->setText(SettingText(QStringLiteral("dnclastupdate")));
        }

        SetImport(true);

        bool counted = false;
        const std::int32_t total = GetDNCCount(&counted);
        if (counted) SaveSetting(QStringLiteral("lasttotal"), vb::CStr(vb::Variant(total)));
        SetCaption(lblTotalRec, QStringLiteral("Total Records:") +
                                    vb::Format(vb::Variant(vb::Val(SettingText(QStringLiteral("lasttotal")))),
                                               QStringLiteral("##,###,###,##0")));
        ok = imported;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QString(), QStringLiteral("cmdLastUpdate_Click"), false);
        ok = false;
    }
}

namespace {

// The status bar, progress bar and its labels of the main window, for the
// import engine.
class WindowImportView : public dncimport::ImportView {
public:
    explicit WindowImportView(frmMain& form) : m_form(form) {}

    void Status(const QString& text, std::int32_t panel) override { dncimport::Status(text, panel); }
    void BeginProgress(double maximum, std::int32_t areaCodes) override
    {
        if (m_form.ProgressBar1) {
            m_form.ProgressBar1->SetMin(0);
            m_form.ProgressBar1->SetMax(maximum);
            m_form.ProgressBar1->SetValue(0);
        }
        SetCaption(m_form.lblMin, QStringLiteral("0"));
        SetCaption(m_form.lblStatus, QStringLiteral("0"));
        SetCaption(m_form.lblmax, QString::number(areaCodes));
    }
    void StepProgress() override
    {
        if (m_form.ProgressBar1) m_form.ProgressBar1->SetValue(m_form.ProgressBar1->Value() + 1);
    }
    void AreaCodeDone(std::int32_t done) override { SetCaption(m_form.lblStatus, QString::number(done)); }
    void EndProgress() override
    {
        if (m_form.ProgressBar1) m_form.ProgressBar1->SetValue(m_form.ProgressBar1->Max());
        if (m_form.lblStatus && m_form.lblmax) m_form.lblStatus->setText(m_form.lblmax->text());
    }
    void Yield() override { vb::DoEvents(); }

private:
    frmMain& m_form;
};

} // namespace

bool frmMain::ImportDNCList(const QString& linkProviderString, const QString& fileName)
{
    dncimport::ImportJob job;
    job.linkProviderString = linkProviderString;
    job.fileName = fileName;
    job.keptAreaCodes = SettingText(QStringLiteral("keptareacode"));
    WindowImportView view(*this);
    mLastImport = dncimport::ImportDNCList(job, view);

    switch (mLastImport.outcome) {
    case dncimport::ImportOutcome::Imported:
        break;
    case dncimport::ImportOutcome::NoValue: {
        // The lines passed over go on a line of their own below the message.
        const QString note = dncimport::SkippedLinesNote(mLastImport.stats);
        ui::MsgBox(QStringLiteral("No Value In the text file!") +
                       (note.isEmpty() ? QString() : QStringLiteral("\n\n") + note),
                   ui::vbExclamation);
        break;
    }
    case dncimport::ImportOutcome::TablesMissing:
        ui::MsgBox(QStringLiteral("There is problem during import. Please re-try!"), ui::vbExclamation);
        break;
    case dncimport::ImportOutcome::Failed:
        if (const auto& f = mLastImport.failure)
            HandleError(f->error.Number, f->error.Description, f->module, f->function, false);
        break;
    }
    return mLastImport.succeeded();
}
