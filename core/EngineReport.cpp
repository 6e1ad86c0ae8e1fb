#include "core/EngineReport.h"

#include "core/ErrorReport.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"

void ReportFailure(const engine::Result& result)
{
    if (const auto& f = result.failure) HandleError(f->number, f->description, f->module, f->function, false);
}

void ReportResult(const engine::Result& result, int summaryStyle)
{
    ReportFailure(result);
    if (!result.refusal.isEmpty()) ui::MsgBox(result.refusal, ui::vbExclamation, vb::App::Title());
    if (!result.summary.isEmpty()) ui::MsgBox(result.summary, summaryStyle, vb::App::Title());
}
