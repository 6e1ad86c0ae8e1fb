// What counts as a number or a date in text (IsNumeric, Val, IsDate), read by
// US English rules.

#include "platform/vb/Clock.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <gtest/gtest.h>

using namespace vb;

TEST(IsNumeric, AcceptsWhatCDblReads)
{
    for (const char* s : {"12", " 12 ", "1,234", "$12", "-$12", "$-12", "1e3", "1E-3", "&H1F", "&hff", "&O17",
                          "(12)", "+5", "-.5", "5.", "12-", "1,2", "\t7\t"})
        EXPECT_TRUE(IsNumeric(Variant(s))) << s;
    EXPECT_TRUE(IsNumeric(Variant(3.5)));
    EXPECT_TRUE(IsNumeric(Variant(true)));
    EXPECT_TRUE(IsNumeric(Variant()));
}

TEST(IsNumeric, RejectsOtherText)
{
    for (const char* s : {"", " ", "abc", "12abc", "1 2", ".", "$", "-", "1e", "e3", "&H", "&HG", "(12",
                          "12)", "--1", "1.2.3", ",12", "True", "1/2/2000"})
        EXPECT_FALSE(IsNumeric(Variant(s))) << s;
    EXPECT_FALSE(IsNumeric(Variant::Null()));
    EXPECT_FALSE(IsNumeric(Variant::fromDate(1.0)));
}

TEST(Val, ReadsTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(Val("12abc"), 12.0);
    EXPECT_DOUBLE_EQ(Val(" 1 2"), 12.0);
    EXPECT_DOUBLE_EQ(Val("&H10"), 16.0);
    EXPECT_DOUBLE_EQ(Val("&HFFFF"), -1.0);
    EXPECT_DOUBLE_EQ(Val("&H10000"), 65536.0);
    EXPECT_DOUBLE_EQ(Val("&O10"), 8.0);
    EXPECT_DOUBLE_EQ(Val("1,234"), 1.0);
    EXPECT_DOUBLE_EQ(Val("-3.5x"), -3.5);
    EXPECT_DOUBLE_EQ(Val("1.5.6"), 1.5);
    EXPECT_DOUBLE_EQ(Val("2e3"), 2000.0);
    EXPECT_DOUBLE_EQ(Val("2d2"), 200.0);
    EXPECT_DOUBLE_EQ(Val("2e"), 2.0);
    EXPECT_DOUBLE_EQ(Val(""), 0.0);
    EXPECT_DOUBLE_EQ(Val("abc"), 0.0);
    EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val("$12"), 0.0);
}

TEST(IsDate, UsEnglishDatesAndTimes)
{
    FakeClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0)));
    SetClock(&clock);
    double d = 0;
    EXPECT_TRUE(ParseDate("12/31/2001", d));
    EXPECT_EQ(FromOleDate(d), QDateTime(QDate(2001, 12, 31), QTime(0, 0)));
    EXPECT_TRUE(ParseDate("2001-12-31 15:04:05", d));
    EXPECT_EQ(FromOleDate(d), QDateTime(QDate(2001, 12, 31), QTime(15, 4, 5)));
    EXPECT_TRUE(ParseDate("12/31/01 3:04 PM", d));
    EXPECT_EQ(FromOleDate(d), QDateTime(QDate(2001, 12, 31), QTime(15, 4)));
    EXPECT_TRUE(ParseDate("1/2/45", d));
    EXPECT_EQ(FromOleDate(d).date(), QDate(1945, 1, 2));
    EXPECT_TRUE(ParseDate("Dec 31, 2001", d));
    EXPECT_EQ(FromOleDate(d).date(), QDate(2001, 12, 31));
    EXPECT_TRUE(ParseDate("31-Dec-2001", d));
    EXPECT_EQ(FromOleDate(d).date(), QDate(2001, 12, 31));
    EXPECT_TRUE(ParseDate("Monday, January 1, 2001", d));
    EXPECT_EQ(FromOleDate(d).date(), QDate(2001, 1, 1));
    EXPECT_TRUE(ParseDate("12:00 AM", d));
    EXPECT_DOUBLE_EQ(d, 0.0);
    EXPECT_TRUE(ParseDate("3 PM", d));
    EXPECT_DOUBLE_EQ(d, 0.625);
    EXPECT_TRUE(ParseDate("3/4", d)); // the current year
    EXPECT_EQ(FromOleDate(d).date(), QDate(2024, 3, 4));
    EXPECT_TRUE(ParseDate("13/1/2000", d)); // a month above 12 is read as the day
    EXPECT_EQ(FromOleDate(d).date(), QDate(2000, 1, 13));
    SetClock(nullptr);

    EXPECT_TRUE(IsDate(Variant("7/4/1776")));
    EXPECT_TRUE(IsDate(Variant::fromDate(0)));
    for (const char* s : {"", "12", "abc", "2/30/2001", "13/13/2001", "25:00", "10:61", "1/2/3/4", "13 PM"})
        EXPECT_FALSE(IsDate(Variant(s))) << s;
    EXPECT_FALSE(IsDate(Variant(36526)));
    EXPECT_FALSE(IsDate(Variant::Null()));
}

struct IsoDateCase {
    const char* text;
    QDateTime expected; // invalid: not a date
};

class IsoDates : public ::testing::TestWithParam<IsoDateCase> {};

TEST_P(IsoDates, AreReadWithATOrABlankAndFractionsOfASecond)
{
    double d = 0;
    const IsoDateCase& c = GetParam();
    EXPECT_EQ(ParseDate(QString::fromLatin1(c.text), d), c.expected.isValid()) << c.text;
    if (c.expected.isValid()) EXPECT_EQ(FromOleDate(d), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IsoDates,
    ::testing::Values(IsoDateCase{"2001-12-31T15:04:05", QDateTime(QDate(2001, 12, 31), QTime(15, 4, 5))},
                      IsoDateCase{"2001-12-31T15:04", QDateTime(QDate(2001, 12, 31), QTime(15, 4))},
                      IsoDateCase{"2001-12-31 15:04:05.250", QDateTime(QDate(2001, 12, 31), QTime(15, 4, 5))},
                      IsoDateCase{"2001-12-31T15:04:05Z", QDateTime(QDate(2001, 12, 31), QTime(15, 4, 5))},
                      IsoDateCase{"1890-01-02T06:00:00", QDateTime(QDate(1890, 1, 2), QTime(6, 0))},
                      IsoDateCase{"2001-12-31", QDateTime(QDate(2001, 12, 31), QTime(0, 0))},
                      IsoDateCase{"2001-13-31T15:04:05", QDateTime()},
                      IsoDateCase{"2001-12-31X15:04:05", QDateTime()}));
