// How a window reports a run's result: the failure through the error report,
// then the refusal, then the summary in its style; each only when there is one.

#include "core/EngineReport.h"
#include "platform/vb/App.h"
#include "support/ScriptedUi.h"

namespace {

struct ReportCase {
    const char* name;
    bool failure;
    const char* refusal;
    const char* summary;
    std::vector<std::pair<QString, int>> boxes; // text each box holds, and its style
};

void PrintTo(const ReportCase& c, std::ostream* os)
{
    *os << c.name;
}

class EngineReport : public ScriptedUiTest, public ::testing::WithParamInterface<ReportCase> {};

} // namespace

TEST_P(EngineReport, ShowsFailureRefusalAndSummaryInThatOrder)
{
    const ReportCase& c = GetParam();
    engine::Result r;
    if (c.failure)
        r.failure = engine::Failure{57, QStringLiteral("disk full"), QString(), QStringLiteral("LinkTables")};
    r.refusal = QString::fromLatin1(c.refusal);
    r.summary = QString::fromLatin1(c.summary);
    for (const auto& [text, style] : c.boxes)
        scripted.expectMsgBox(ui::vbOK, text, style);
    ReportResult(r, ui::vbInformation);
    for (const auto& call : scripted.callsOf(ui::ScriptedServices::Kind::MsgBox))
        EXPECT_EQ(call.title, vb::App::Title());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineReport,
    ::testing::Values(
        ReportCase{"NothingToSay", false, "", "", {}},
        ReportCase{
            "ASummary", false, "", "Action is finished!", {{"Action is finished!", ui::vbInformation}}},
        ReportCase{
            "ARefusal", false, "Sheet is not found!.", "", {{"Sheet is not found!.", ui::vbExclamation}}},
        ReportCase{"AFailureNamesNumberMessageAndFunction",
                   true,
                   "",
                   "",
                   {{"Error Number:57\r\nError Message:disk full\r\nModule:\r\nFunction:LinkTables",
                     ui::vbCritical | ui::vbOKOnly}}},
        ReportCase{"AFailureBeforeTheRefusalItCaused",
                   true,
                   "There is problem during import. Please re-try!",
                   "",
                   {{"Function:LinkTables", ui::vbCritical | ui::vbOKOnly},
                    {"There is problem during import. Please re-try!", ui::vbExclamation}}}),
    [](const auto& info) { return std::string(info.param.name); });
