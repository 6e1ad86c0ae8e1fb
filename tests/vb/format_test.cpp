// Format with the masks the program uses and VB's general rules: rounding
// half away from zero, grouping, padding, sections, dates and Null.

#include "platform/vb/DateTime.h"
#include "platform/vb/Format.h"

#include <gtest/gtest.h>

using namespace vb;

namespace {
Variant dateOf(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return Variant::fromDate(ToOleDate(QDate(y, mo, d), QTime(h, mi, s)));
}
} // namespace

TEST(FormatNumber, TwoDecimals)
{
    EXPECT_EQ(Format(12.345, "#0.00"), "12.35");
    EXPECT_EQ(Format(0, "#0.00"), "0.00");
    EXPECT_EQ(Format(12.5, "#0.00"), "12.50");
    EXPECT_EQ(Format(0.005, "#0.00"), "0.01");
    EXPECT_EQ(Format(2.675, "#0.00"), "2.68");
    EXPECT_EQ(Format(-2.675, "#0.00"), "-2.68");
    EXPECT_EQ(Format(12.0 * 100 / 343, "##0.00"), "3.50");
    EXPECT_EQ(Format(100, "##0.00"), "100.00");
    EXPECT_EQ(Format(1234.5, "##0.00"), "1234.50");
    EXPECT_EQ(Format(9.999, "#0.00"), "10.00");
    EXPECT_EQ(Format(-0.001, "#0.00"), "0.00");
}

TEST(FormatNumber, Grouping)
{
    EXPECT_EQ(Format(1234567, "##,###,###,##0"), "1,234,567");
    EXPECT_EQ(Format(0, "##,###,###,##0"), "0");
    EXPECT_EQ(Format(999, "##,###,###,##0"), "999");
    EXPECT_EQ(Format(1000, "##,###,###,##0"), "1,000");
    EXPECT_EQ(Format(-1234567, "##,###,###,##0"), "-1,234,567");
    EXPECT_EQ(Format(Variant::fromLongLong(123456789012LL), "##,###,###,##0"), "123,456,789,012");
    EXPECT_EQ(Format("1234567", "##,###,###,##0"), "1,234,567");
    EXPECT_EQ(Format(1234.5678, "#,##0.00"), "1,234.57");
    EXPECT_EQ(Format(1234567, "#,##0,"), "1,235");
}

TEST(FormatNumber, Padding)
{
    EXPECT_EQ(Format(5, "00"), "05");
    EXPECT_EQ(Format(12, "00"), "12");
    EXPECT_EQ(Format(123, "00"), "123");
    EXPECT_EQ(Format(5, "00#"), "005");
    EXPECT_EQ(Format(20, "00#"), "020");
    EXPECT_EQ(Format(1234, "00#"), "1234");
    EXPECT_EQ(Format(0, "#"), "");
    EXPECT_EQ(Format(0.5, "#.00"), ".50");
    EXPECT_EQ(Format(2.5, "0"), "3");
    EXPECT_EQ(Format(3.5, "0"), "4");
    EXPECT_EQ(Format(1, "0.##"), "1.");
    EXPECT_EQ(Format(1.5, "0.0#"), "1.5");
}

TEST(FormatNumber, LiteralsSectionsPercentAndExponent)
{
    EXPECT_EQ(Format(1234567890LL, "(###) ###-####"), "(123) 456-7890");
    EXPECT_EQ(Format(5, "\"Item \"0"), "Item 5");
    EXPECT_EQ(Format(-5, "0;(0)"), "(5)");
    EXPECT_EQ(Format(0, "0;(0);\"none\""), "none");
    EXPECT_EQ(Format(0.125, "0.0%"), "12.5%");
    EXPECT_EQ(Format(5, "%"), "500%");
    EXPECT_EQ(Format(1234.5, "0.00E+00"), "1.23E+03");
    EXPECT_EQ(Format(0.00012, "0.0E-00"), "1.2E-04");
    EXPECT_EQ(Format(-5, "$0"), "-$5");
    EXPECT_EQ(Format(1234.5, "Currency"), "$1,234.50");
    EXPECT_EQ(Format(-1234.5, "Currency"), "($1,234.50)");
    EXPECT_EQ(Format(3, "Fixed"), "3.00");
    EXPECT_EQ(Format(0.5, "Percent"), "50.00%");
    EXPECT_EQ(Format(1, "Yes/No"), "Yes");
    EXPECT_EQ(Format(true, "0"), "-1");
}

TEST(FormatNumber, TextThatIsNoNumberComesBack)
{
    EXPECT_EQ(Format("abc", "00"), "abc");
    EXPECT_EQ(Format("", "#0.00"), "");
}

TEST(FormatDate, Masks)
{
    const Variant d = dateOf(2007, 3, 2, 14, 25, 30);
    EXPECT_EQ(Format(d, "yymmddHHnnss"), "070302142530");
    EXPECT_EQ(Format(d, "mm/dd/yyyy"), "03/02/2007");
    EXPECT_EQ(Format(d, "yyyy-mm-dd HH:nn:ss"), "2007-03-02 14:25:30");
    EXPECT_EQ(Format(Variant::fromDate(0), "yyyy-mm-dd HH:nn:ss"), "1899-12-30 00:00:00");
    EXPECT_EQ(Format(d, "hh:mm AM/PM"), "02:25 PM");
    EXPECT_EQ(Format(d, "h:mm am/pm"), "2:25 pm");
    EXPECT_EQ(Format(d, "dddd, mmmm d, yyyy"), "Friday, March 2, 2007");
    EXPECT_EQ(Format(d, "ddd d-mmm-yy"), "Fri 2-Mar-07");
    EXPECT_EQ(Format(d, "Long Date"), "Friday, March 2, 2007");
    EXPECT_EQ(Format(d, "Short Time"), "14:25");
    EXPECT_EQ(Format(d, "q"), "1");
    EXPECT_EQ(Format(dateOf(2006, 5, 31, 0, 5, 9), "yymmddHHnnss"), "060531000509");
    EXPECT_EQ(Format(dateOf(2006, 5, 31, 12, 0, 0), "h AM/PM"), "12 PM");
    EXPECT_EQ(Format(dateOf(2006, 5, 31, 0, 0, 0), "h AM/PM"), "12 AM");
    // Text and numbers are read as dates for a date mask.
    EXPECT_EQ(Format("12/31/2001", "yyyy-mm-dd"), "2001-12-31");
    EXPECT_EQ(Format(36526, "mm/dd/yyyy"), "01/01/2000");
    EXPECT_EQ(Format("nonsense", "mm/dd/yyyy"), "nonsense");
}

TEST(FormatDate, GeneralDate)
{
    EXPECT_EQ(Format(dateOf(2007, 3, 2, 14, 25, 30)), "3/2/2007 2:25:30 PM");
    EXPECT_EQ(Format(dateOf(2007, 3, 2)), "3/2/2007");
    EXPECT_EQ(Format(Variant::fromDate(0)), "12:00:00 AM");
    EXPECT_EQ(Format(Variant::fromDate(0.75)), "6:00:00 PM");
    EXPECT_EQ(Format(dateOf(2007, 12, 25, 0, 0, 1), "General Date"), "12/25/2007 12:00:01 AM");
    EXPECT_EQ(Format(dateOf(1899, 12, 29, 6, 0, 0)), "12/29/1899 6:00:00 AM");
}

TEST(FormatOther, WithoutMaskNullAndText)
{
    EXPECT_EQ(Format(12.5), "12.5");
    EXPECT_EQ(Format(7), "7");
    EXPECT_EQ(Format(true), "True");
    EXPECT_EQ(Format(Variant::Null()), "");
    EXPECT_EQ(Format(Variant::Null(), "#0.00"), "");
    EXPECT_EQ(Format(Variant::Null(), "mm/dd/yyyy"), "");
    EXPECT_EQ(Format(Variant::Null(), "0;0;0;\"n/a\""), "n/a");
    EXPECT_EQ(Format(Variant()), "");
    EXPECT_EQ(Format("hello", ">"), "HELLO");
    EXPECT_EQ(Format("ab", "@@@@"), "  ab");
    EXPECT_EQ(Format("ab", "!@@@@"), "ab  ");
    EXPECT_EQ(Format("5551234", "@@@-@@@@"), "555-1234");
}
