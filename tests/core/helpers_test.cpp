// The small shared helpers: combo lookup, status line, help, border style.
#include "FakeMainWindow.h"
#include "core/DBClassModule.h"
#include "core/Globals.h"

#include "platform/vb/App.h"
#include "platform/vb/Err.h"
#include "platform/widgets/StatusBar.h"
#include "support/ScriptedUi.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>

TEST(FindComboIndex, ByTextOrByItemData)
{
    QComboBox combo;
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant("x"), false), -1);
    combo.addItem("TEXT FILE", 3);
    combo.addItem("EXCEL", 7);
    combo.addItem("EXCEL", 9);
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant("EXCEL"), false), 1);
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant("excel"), false), -1);
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant(9), true), 2);
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant(4), true), -1);
    EXPECT_EQ(FindComboIndex(nullptr, vb::Variant(4), true), -1);
}

TEST(SetStatusBarText, WritesThePanelOfTheMainWindow)
{
    SetStatusBarText("no window yet", 1); // does nothing
    {
        FakeMainWindow window;
        SetStatusBarText("Scrubbing...", 1);
        SetStatusBarText("Timer: 3", 2);
        EXPECT_EQ(window.statusBar.PanelText(1), "Scrubbing...");
        EXPECT_EQ(window.statusBar.PanelText(2), "Timer: 3");
        EXPECT_THROW(SetStatusBarText("x", 5), vb::ErrObject);
    }
    SetStatusBarText("window gone", 1); // does nothing again
}

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

TEST(SetFlatBorder, FlatThinSunkenOrUnchanged)
{
    QFrame frame;
    ModuleControl::SetFlatBorder(&frame, 1);
    EXPECT_EQ(frame.frameShape(), QFrame::StyledPanel);
    EXPECT_EQ(frame.frameShadow(), QFrame::Sunken);
    ModuleControl::SetFlatBorder(&frame, 0);
    EXPECT_EQ(frame.frameShape(), QFrame::Box);
    EXPECT_EQ(frame.frameShadow(), QFrame::Plain);
    ModuleControl::SetFlatBorder(&frame, 7);
    EXPECT_EQ(frame.frameShape(), QFrame::Box);
    ModuleControl::SetFlatBorder(&frame, -1);
    EXPECT_EQ(frame.frameShape(), QFrame::NoFrame);
    QWidget plain;
    ModuleControl::SetFlatBorder(&plain, 1); // no frame: nothing to change
    ModuleControl::SetFlatBorder(nullptr, 1);
}
