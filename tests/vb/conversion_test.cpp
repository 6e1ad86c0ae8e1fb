// Conversions between variants as VB makes them: rounding, overflow, the
// errors for Null and for text that is not a number, and CStr's renderings.

#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "platform/vb/Variant.h"

#include <gtest/gtest.h>

using namespace vb;

namespace {

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ErrObject& e) {
        return e.Number;
    }
    return 0;
}

} // namespace

TEST(Conversion, CLngRoundsHalfToEven)
{
    EXPECT_EQ(CLng(2.5), 2);
    EXPECT_EQ(CLng(3.5), 4);
    EXPECT_EQ(CLng(-2.5), -2);
    EXPECT_EQ(CLng(-3.5), -4);
    EXPECT_EQ(CLng(2.6), 3);
    EXPECT_EQ(CLng(-2.4), -2);
    EXPECT_EQ(CInt(0.5), 0);
    EXPECT_EQ(CInt(1.5), 2);
    EXPECT_EQ(CLng(Variant::fromCurrency(25000)), 2); // 2.5 as Currency
    EXPECT_EQ(CLng(Variant::fromCurrency(35000)), 4);
    EXPECT_EQ(CLng(Variant::fromCurrency(-25000)), -2);
}

TEST(Conversion, OutOfRangeRaisesOverflow)
{
    EXPECT_EQ(errorOf([] { CLng(2147483647.5); }), errnum::Overflow);
    EXPECT_EQ(CLng(2147483647.4), 2147483647);
    EXPECT_EQ(CLng(-2147483648.0), -2147483647 - 1);
    EXPECT_EQ(errorOf([] { CLng(-2147483649.0); }), errnum::Overflow);
    EXPECT_EQ(errorOf([] { CInt(32768); }), errnum::Overflow);
    EXPECT_EQ(CInt(-32768), -32768);
    EXPECT_EQ(errorOf([] { CLng(Variant::fromLongLong(5000000000LL)); }), errnum::Overflow);
    EXPECT_EQ(errorOf([] { CLng("99999999999"); }), errnum::Overflow);
    EXPECT_EQ(errorOf([] { CDbl("1e400"); }), errnum::Overflow);
}

TEST(Conversion, NumbersFromText)
{
    EXPECT_EQ(CLng("1,234"), 1234);
    EXPECT_EQ(CLng(" 12 "), 12);
    EXPECT_EQ(CLng("$12"), 12);
    EXPECT_EQ(CLng("(12)"), -12);
    EXPECT_EQ(CLng("&H1F"), 31);
    EXPECT_EQ(CLng("&O17"), 15);
    EXPECT_DOUBLE_EQ(CDbl("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(CDbl("-1.5"), -1.5);
    EXPECT_DOUBLE_EQ(CDbl(".5"), 0.5);
    EXPECT_DOUBLE_EQ(CDbl("12-"), -12.0);
    EXPECT_EQ(CLng("2.5"), 2);
    EXPECT_EQ(CLng("True"), -1);
}

TEST(Conversion, TextThatIsNotANumberIsATypeMismatch)
{
    EXPECT_EQ(errorOf([] { CLng("12abc"); }), errnum::TypeMismatch);
    EXPECT_EQ(errorOf([] { CDbl(""); }), errnum::TypeMismatch);
    EXPECT_EQ(errorOf([] { CDbl("1 2"); }), errnum::TypeMismatch);
    EXPECT_EQ(errorOf([] { CBool("maybe"); }), errnum::TypeMismatch);
    EXPECT_EQ(errorOf([] { CDate("not a date"); }), errnum::TypeMismatch);
}

TEST(Conversion, NullIsInvalidUseOfNullAndEmptyIsZero)
{
    const Variant null = Variant::Null();
    EXPECT_EQ(errorOf([&] { CLng(null); }), errnum::InvalidUseOfNull);
    EXPECT_EQ(errorOf([&] { CStr(null); }), errnum::InvalidUseOfNull);
    EXPECT_EQ(errorOf([&] { CBool(null); }), errnum::InvalidUseOfNull);
    EXPECT_EQ(errorOf([&] { CDbl(null); }), errnum::InvalidUseOfNull);
    EXPECT_EQ(null.text(), QString());
    EXPECT_EQ(CLng(Variant()), 0);
    EXPECT_EQ(CStr(Variant()), QString());
    EXPECT_FALSE(CBool(Variant()));
}

TEST(Conversion, CBool)
{
    EXPECT_TRUE(CBool("true"));
    EXPECT_TRUE(CBool(" TRUE "));
    EXPECT_FALSE(CBool("False"));
    EXPECT_TRUE(CBool("-1"));
    EXPECT_FALSE(CBool("0"));
    EXPECT_TRUE(CBool(0.1));
    EXPECT_FALSE(CBool(0));
    EXPECT_EQ(CLng(true), -1);
}

TEST(Conversion, CStrRendersLikeVB)
{
    EXPECT_EQ(CStr(12.5), "12.5");
    EXPECT_EQ(CStr(1e15), "1E+15");
    EXPECT_EQ(CStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(CStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(CStr(-0.0001), "-0.0001");
    EXPECT_EQ(CStr(0.00001), "1E-05");
    EXPECT_EQ(CStr(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(CStr(2.0f / 3.0f), "0.6666667");
    EXPECT_EQ(CStr(3.0), "3");
    EXPECT_EQ(CStr(true), "True");
    EXPECT_EQ(CStr(false), "False");
    EXPECT_EQ(CStr(Variant::fromCurrency(123450)), "12.345");
    EXPECT_EQ(CStr(Variant::fromCurrency(-50000)), "-5");
    EXPECT_EQ(CStr(Variant::fromLongLong(9000000000LL)), "9000000000");
    EXPECT_EQ(CStr(Variant::fromDate(36526.5)), "1/1/2000 12:00:00 PM");
}

TEST(Conversion, VariantKinds)
{
    EXPECT_EQ(Variant(5).type(), VarType::Long);
    EXPECT_EQ(Variant(5000000000LL).type(), VarType::LongLong);
    EXPECT_EQ(Variant(std::int16_t(5)).type(), VarType::Integer);
    EXPECT_EQ(Variant("x").type(), VarType::String);
    EXPECT_EQ(Variant(1.5f).type(), VarType::Single);
    EXPECT_TRUE(Variant().isEmpty());
    EXPECT_TRUE(Variant::Null().isNull());
    EXPECT_EQ(Variant(true).rawInt(), -1);
}

TEST(Conversion, VbEquals)
{
    EXPECT_TRUE(Variant(5).vbEquals(Variant(5.0)));
    EXPECT_TRUE(Variant(5).vbEquals(Variant("5")));
    EXPECT_TRUE(Variant("1,000").vbEquals(Variant(1000)));
    EXPECT_FALSE(Variant(5).vbEquals(Variant("five")));
    EXPECT_FALSE(Variant("a").vbEquals(Variant("A")));
    EXPECT_FALSE(Variant::Null().vbEquals(Variant::Null()));
    EXPECT_FALSE(Variant::Null().vbEquals(Variant(0)));
    EXPECT_TRUE(Variant().vbEquals(Variant(0)));
    EXPECT_TRUE(Variant().vbEquals(Variant("")));
    EXPECT_FALSE(Variant().vbEquals(Variant("0x")));
    EXPECT_TRUE(Variant(true).vbEquals(Variant(-1)));
    EXPECT_TRUE(Variant::fromLongLong(7).vbEquals(Variant(7)));
    // Identity comparison keeps types apart.
    EXPECT_FALSE(Variant(5) == Variant(5.0));
    EXPECT_TRUE(Variant(5) == Variant(5));
}
