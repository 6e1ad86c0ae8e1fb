// The hourglass: scoped ones nest, the on/off switch does not.
#include "platform/widgets/WaitCursor.h"

#include <gtest/gtest.h>

TEST(WaitCursor, ScopedHourglassNestsAndEnds)
{
    EXPECT_FALSE(ui::HourglassShown());
    {
        ui::WaitCursor outer;
        {
            ui::WaitCursor inner;
        }
        EXPECT_TRUE(ui::HourglassShown());
    }
    EXPECT_FALSE(ui::HourglassShown());
}

TEST(WaitCursor, SwitchOnTwiceNeedsOnlyOneOff)
{
    ui::SetHourglass(false);
    ui::SetHourglass(true);
    ui::SetHourglass(true);
    EXPECT_TRUE(ui::HourglassShown());
    ui::SetHourglass(false);
    EXPECT_FALSE(ui::HourglassShown());
}
