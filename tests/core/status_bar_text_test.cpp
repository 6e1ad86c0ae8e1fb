// The status line: text written into a panel of the main window, if any.
#include "FakeMainWindow.h"
#include "core/MainWindowHost.h"

#include "platform/vb/Err.h"

#include <gtest/gtest.h>

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
