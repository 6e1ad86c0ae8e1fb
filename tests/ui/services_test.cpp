// Which services answer: a test's, else the program's, else ones that ask
// nobody and stop at once.
#include "platform/ui/Registry.h"
#include "platform/ui/Services.h"
#include "platform/widgets/QtServices.h"
#include "platform/widgets/ScriptedServices.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {

// No test services and no program services, as in a process without
// windows; the Qt services are put back afterwards.
class NobodyToAsk : public ::testing::Test {
protected:
    void SetUp() override
    {
        setServices(nullptr);
        setProgramServices(nullptr);
    }
    void TearDown() override { UseQtServices(); }
};

struct StyleAnswer {
    int style;
    int answer;
};

class NobodyToAskMsgBox : public NobodyToAsk, public ::testing::WithParamInterface<StyleAnswer> {};

} // namespace

TEST_P(NobodyToAskMsgBox, AnswersWhatStopsAtOnce)
{
    EXPECT_EQ(MsgBox("Delete the records?", GetParam().style), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(Styles, NobodyToAskMsgBox,
                         ::testing::Values(StyleAnswer{vbOKOnly | vbCritical, vbOK},
                                           StyleAnswer{vbOKCancel, vbCancel},
                                           StyleAnswer{vbYesNo | vbDefaultButton1, vbNo},
                                           StyleAnswer{vbYesNoCancel | vbQuestion, vbCancel},
                                           StyleAnswer{vbAbortRetryIgnore, vbAbort},
                                           StyleAnswer{vbRetryCancel, vbCancel}));

TEST_F(NobodyToAsk, ChoosesNoFileShowsNothingAndStartsNothing)
{
    FileDialogRequest request;
    request.fileName = "calls.txt";
    EXPECT_EQ(services().GetOpenFileName(request), std::nullopt);
    EXPECT_EQ(services().GetSaveFileName(request), std::nullopt);
    EXPECT_EQ(services().ShowModal(nullptr, nullptr), 0);
    EXPECT_FALSE(services().OpenDocument("/tmp/report.txt"));
    EXPECT_FALSE(services().StartProgram("/bin/true", {}));
    services().ShowHelp(nullptr, "help.htm");
}

TEST_F(NobodyToAsk, StillReadsTheRegistry)
{
    Registry::set("HKEY_LOCAL_MACHINE\\Software\\Tervala", "Path", "/opt/tervala");
    EXPECT_EQ(services().RegistryValue("hkey_local_machine\\software\\tervala", "path"), "/opt/tervala");
    EXPECT_EQ(services().RegistryValue("HKEY_LOCAL_MACHINE\\Software\\Other", "Path"), std::nullopt);
    Registry::clear();
}

TEST_F(NobodyToAsk, ATestsServicesComeBeforeTheProgramsAndLeaveThemInPlace)
{
    ScriptedServices program;
    ScriptedServices test;
    setProgramServices(&program);
    setServices(&test);
    test.expectMsgBox(vbYes);
    EXPECT_EQ(MsgBox("Go on?", vbYesNo), vbYes);
    setServices(nullptr);
    program.expectMsgBox(vbYes);
    EXPECT_EQ(MsgBox("Go on?", vbYesNo), vbYes);
    EXPECT_EQ(test.calls().size(), 1u);
    EXPECT_EQ(program.calls().size(), 1u);
    EXPECT_TRUE(test.unexpectedCalls().isEmpty());
    EXPECT_TRUE(program.unexpectedCalls().isEmpty());
}
