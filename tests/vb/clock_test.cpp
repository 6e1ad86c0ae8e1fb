// Timer, Sleep and the event loop helpers through the injectable clock.

#include "platform/vb/Clock.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/DoEvents.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vb;

namespace {
struct ClockGuard {
    explicit ClockGuard(Clock* c) { SetClock(c); }
    ~ClockGuard() { SetClock(nullptr); }
};
} // namespace

TEST(Timer, NeverRunsBackwardsAcrossMidnight)
{
    FakeClock clock(QDateTime(QDate(2007, 3, 2), QTime(23, 59, 58)));
    ClockGuard guard(&clock);
    const double start = Timer();
    clock.advance(1.5);
    EXPECT_DOUBLE_EQ(Timer() - start, 1.5);
    clock.advance(1.0); // now past midnight
    EXPECT_EQ(Day(Now()), 3);
    EXPECT_DOUBLE_EQ(Timer() - start, 2.5);
}

TEST(Timer, MovingTheWallClockDoesNotMoveTimer)
{
    FakeClock clock;
    ClockGuard guard(&clock);
    const double start = Timer();
    clock.setNow(QDateTime(QDate(1999, 1, 1), QTime(0, 0)));
    EXPECT_DOUBLE_EQ(Timer(), start);
    EXPECT_EQ(Year(Now()), 1999);
}

TEST(Timer, RealClockIsMonotonic)
{
    const double a = Timer();
    const double b = Timer();
    EXPECT_GE(a, 0.0);
    EXPECT_GE(b, a);
}

TEST(Sleep, FakeClockAdvancesInsteadOfWaiting)
{
    FakeClock clock(QDateTime(QDate(2007, 3, 2), QTime(12, 0)));
    ClockGuard guard(&clock);
    const double start = Timer();
    Sleep(3600);
    EXPECT_DOUBLE_EQ(Timer() - start, 3600.0);
    EXPECT_EQ(Hour(Now()), 13);
    EXPECT_EQ(clock.sleepCalls(), 1);
    EXPECT_DOUBLE_EQ(clock.slept(), 3600.0);
    Sleep(-1);
    EXPECT_DOUBLE_EQ(Timer() - start, 3600.0);
}

TEST(DoEvents, RunsPendingEvents)
{
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    DoEvents();
    EXPECT_TRUE(ran);
}

TEST(DoEvents, ThrottledSkipsWhileTheIntervalHasNotPassed)
{
    int runs = 0;
    DoEvents(); // marks the last run as now
    QTimer::singleShot(0, [&] { ++runs; });
    DoEventsThrottled(3600.0);
    EXPECT_EQ(runs, 0);
    DoEventsThrottled(0.0);
    EXPECT_EQ(runs, 1);
}
