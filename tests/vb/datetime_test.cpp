// Dates as OLE numbers: conversion to and from Qt, the parts, DateAdd and
// DateDiff, and Now/Date/Time through the injected clock.

#include "platform/vb/Clock.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <gtest/gtest.h>

using namespace vb;

TEST(OleDate, RoundTripsWithQt)
{
    EXPECT_DOUBLE_EQ(ToOleDate(QDate(1899, 12, 30)), 0.0);
    EXPECT_DOUBLE_EQ(ToOleDate(QDate(2000, 1, 1)), 36526.0);
    EXPECT_DOUBLE_EQ(ToOleDate(QDate(2000, 1, 1), QTime(18, 0)), 36526.75);
    EXPECT_DOUBLE_EQ(ToOleDate(QDate(1899, 12, 29), QTime(6, 0)), -1.25);
    EXPECT_EQ(FromOleDate(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(FromOleDate(-0.5), QDateTime(QDate(1899, 12, 30), QTime(12, 0)));
    const QDateTime dt(QDate(2023, 7, 4), QTime(23, 59, 59));
    EXPECT_EQ(FromOleDate(ToOleDate(dt)), dt);
    // A hair below midnight rounds up to the next day, not to 24:00:00.
    EXPECT_EQ(FromOleDate(36526.9999999), QDateTime(QDate(2000, 1, 2), QTime(0, 0)));
}

TEST(OleDate, Parts)
{
    const Variant d = Variant::fromDate(ToOleDate(QDate(2007, 3, 2), QTime(14, 25, 30)));
    EXPECT_EQ(Year(d), 2007);
    EXPECT_EQ(Month(d), 3);
    EXPECT_EQ(Day(d), 2);
    EXPECT_EQ(Hour(d), 14);
    EXPECT_EQ(Minute(d), 25);
    EXPECT_EQ(Second(d), 30);
    EXPECT_EQ(Weekday(d), 6); // Friday
    EXPECT_EQ(Year(Variant("12/31/1999")), 1999);
    EXPECT_THROW(Year(Variant::Null()), ErrObject);
}

TEST(OleDate, SerialsCarryOver)
{
    EXPECT_EQ(FromOleDate(DateSerial(2001, 13, 1)).date(), QDate(2002, 1, 1));
    EXPECT_EQ(FromOleDate(DateSerial(2001, 3, 0)).date(), QDate(2001, 2, 28));
    EXPECT_EQ(FromOleDate(DateSerial(1, 1, 1)).date(), QDate(2001, 1, 1));
    EXPECT_DOUBLE_EQ(TimeSerial(18, 0, 0), 0.75);
    EXPECT_EQ(FromOleDate(TimeSerial(0, 90, 0)).time(), QTime(1, 30));
}

TEST(DateArithmetic, DateAdd)
{
    const Variant base = Variant::fromDate(ToOleDate(QDate(2001, 1, 31), QTime(23, 59, 30)));
    EXPECT_EQ(FromOleDate(DateAdd("s", 45, base).toDate()), QDateTime(QDate(2001, 2, 1), QTime(0, 0, 15)));
    EXPECT_EQ(FromOleDate(DateAdd("n", -60, base).toDate()),
              QDateTime(QDate(2001, 1, 31), QTime(22, 59, 30)));
    EXPECT_EQ(FromOleDate(DateAdd("h", 1, base).toDate()), QDateTime(QDate(2001, 2, 1), QTime(0, 59, 30)));
    EXPECT_EQ(FromOleDate(DateAdd("d", -31, base).toDate()),
              QDateTime(QDate(2000, 12, 31), QTime(23, 59, 30)));
    EXPECT_EQ(FromOleDate(DateAdd("m", 1, base).toDate()).date(), QDate(2001, 2, 28));
    EXPECT_EQ(FromOleDate(DateAdd("yyyy", -1, base).toDate()).date(), QDate(2000, 1, 31));
    EXPECT_EQ(DateAdd("d", 1, base).type(), VarType::Date);
    // Across the 1899-12-30 origin, where the fraction flips direction.
    const Variant origin = Variant::fromDate(0.25); // 12/30/1899 6:00
    EXPECT_EQ(FromOleDate(DateAdd("h", -12, origin).toDate()), QDateTime(QDate(1899, 12, 29), QTime(18, 0)));
    EXPECT_THROW(DateAdd("x", 1, base), ErrObject);
}

TEST(DateArithmetic, DateDiffCountsBoundaries)
{
    auto at = [](int h, int m, int s, int day = 1) {
        return Variant::fromDate(ToOleDate(QDate(2001, 1, day), QTime(h, m, s)));
    };
    EXPECT_EQ(DateDiff("s", at(10, 0, 0), at(10, 1, 5)), 65);
    EXPECT_EQ(DateDiff("n", at(10, 0, 59), at(10, 1, 0)), 1);
    EXPECT_EQ(DateDiff("n", at(10, 1, 0), at(10, 0, 59)), -1);
    EXPECT_EQ(DateDiff("h", at(10, 59, 59), at(11, 0, 0)), 1);
    EXPECT_EQ(DateDiff("d", at(23, 59, 59), at(0, 0, 0, 2)), 1);
    EXPECT_EQ(DateDiff("d", at(0, 0, 0, 2), at(23, 59, 59, 2)), 0);
    // 12/29/1899 6:00 to 12/30/1899 6:00, across the origin.
    EXPECT_EQ(DateDiff("s", Variant::fromDate(-1.25), Variant::fromDate(0.25)), 86400);
    EXPECT_EQ(DateDiff("m", Variant("1/31/2001"), Variant("2/1/2001")), 1);
    EXPECT_EQ(DateDiff("yyyy", Variant("12/31/2001"), Variant("1/1/2002")), 1);
}

TEST(ClockDates, NowDateTimeFollowTheClock)
{
    FakeClock clock(QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30)));
    SetClock(&clock);
    EXPECT_EQ(FromOleDate(Now().toDate()), QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30)));
    EXPECT_EQ(Now().type(), VarType::Date);
    EXPECT_DOUBLE_EQ(Date().toDate(), ToOleDate(QDate(2007, 3, 2)));
    EXPECT_EQ(FromOleDate(Time().toDate()), QDateTime(QDate(1899, 12, 30), QTime(14, 25, 30)));
    clock.advance(60);
    EXPECT_EQ(Minute(Now()), 26);
    SetClock(nullptr);
}
