#pragma once
// How a window tells the user how an engine's run ended (core/EngineProgress.h),
// with the program's own boxes: the failure through the error report, then
// the refusal in an exclamation box, then the summary in a box of the given
// style; each only when the result has one.

#include "core/EngineProgress.h"

void ReportResult(const engine::Result& result, int summaryStyle);
// The failure alone, when there is one.
void ReportFailure(const engine::Result& result);
