// The progress bar takes any value between Min and Max, fractions included,
// and clamps values outside instead of failing a long run.
#include "platform/widgets/ProgressBar.h"

#include <gtest/gtest.h>

using ui::ProgressBar;

TEST(ProgressBar, FractionalMaximumIsKept)
{
    ProgressBar bar;
    bar.SetMin(0);
    bar.SetMax(2500 / 1000.0 + 1); // 3.5
    bar.SetValue(0);
    EXPECT_DOUBLE_EQ(bar.Max(), 3.5);
    bar.SetValue(1);
    EXPECT_DOUBLE_EQ(bar.Value(), 1.0);
    EXPECT_EQ(bar.value(), ProgressBar::Steps * 2 / 7); // 1 of 3.5 drawn
    bar.SetValue(bar.Max());
    EXPECT_EQ(bar.value(), ProgressBar::Steps);
}

TEST(ProgressBar, ValuesOutsideTheRangeAreClamped)
{
    ProgressBar bar;
    bar.SetMin(0);
    bar.SetMax(100);
    bar.SetValue(250);
    EXPECT_DOUBLE_EQ(bar.Value(), 100.0);
    bar.SetValue(-3);
    EXPECT_DOUBLE_EQ(bar.Value(), 0.0);
    EXPECT_EQ(bar.value(), 0);
}

TEST(ProgressBar, ShrinkingTheRangeClampsTheValue)
{
    ProgressBar bar;
    bar.SetMax(1000);
    bar.SetValue(800);
    bar.SetMax(500);
    EXPECT_DOUBLE_EQ(bar.Value(), 500.0);
    bar.SetMin(600);
    EXPECT_DOUBLE_EQ(bar.Value(), 600.0);
}

TEST(ProgressBar, EmptyRangeShowsAnEmptyBarNotABusyOne)
{
    ProgressBar bar;
    bar.SetMin(0);
    bar.SetMax(0); // a list with no records
    bar.SetValue(0);
    EXPECT_DOUBLE_EQ(bar.Value(), 0.0);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_LT(bar.minimum(), bar.maximum());
}
