// The one-shot timer fires once per arming and can be disarmed before it fires.
#include "platform/ui/OneShotTimer.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Runs the event loop until `done` or a number of rounds has passed; rounds,
// not time, bound the wait.
template <typename Done> void runEvents(Done done, int rounds = 200)
{
    QTimer tick;
    tick.start(1);
    for (int i = 0; i < rounds && !done(); ++i)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

TEST(OneShotTimer, FiresOnceAndDisablesItself)
{
    ui::OneShotTimer timer;
    int fired = 0;
    timer.SetCallback([&] { ++fired; });
    timer.SetInterval(1);
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());

    runEvents([&] { return fired > 0; });
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer.Enabled());

    runEvents([] { return false; }, 20);
    EXPECT_EQ(fired, 1);

    timer.SetEnabled(true); // armed again, fires again
    runEvents([&] { return fired > 1; });
    EXPECT_EQ(fired, 2);
}

TEST(OneShotTimer, DisabledBeforeItFiresNeverFires)
{
    ui::OneShotTimer timer;
    int fired = 0;
    timer.SetCallback([&] { ++fired; });
    timer.SetInterval(1);
    timer.SetEnabled(true);
    timer.SetEnabled(false);
    runEvents([] { return false; }, 20);
    EXPECT_EQ(fired, 0);
}

TEST(OneShotTimer, ZeroIntervalNeverFires)
{
    ui::OneShotTimer timer;
    int fired = 0;
    timer.SetCallback([&] { ++fired; });
    timer.SetEnabled(true);
    runEvents([] { return false; }, 20);
    EXPECT_EQ(fired, 0);
}
