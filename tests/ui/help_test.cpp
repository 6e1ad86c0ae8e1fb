// The program's help opened at a topic.
#include "platform/ui/Help.h"
#include "platform/vb/App.h"
#include "support/ScriptedUi.h"

class ShowHelpTest : public ScriptedUiTest {};

TEST_F(ShowHelpTest, OpensTheHelpFileAtTheTopic)
{
    scripted.expectHelp();
    scripted.expectHelp();
    ShowHelp(nullptr, "help/helpPhone.htm");
    ShowHelp(nullptr, "");
    const auto calls = scripted.callsOf(ui::ScriptedServices::Kind::Help);
    ASSERT_EQ(calls.size(), 2u);
    const QString file = vb::App::Path() + "/" + vb::App::HelpFile();
    EXPECT_EQ(calls[0].text, file + "::/help/helpPhone.htm");
    EXPECT_EQ(calls[1].text, file);
}
