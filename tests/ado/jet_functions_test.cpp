// Jet functions inside queries behave as VB's do, and Jet's comparisons of
// numeric text with numbers hold.

#include "AdoTestSupport.h"
#include "platform/ado/JetFunctions.h"
#include "platform/ado/SqliteProvider.h"

using adotest::ErrorOf;

namespace {

class JetFunctions : public ::testing::Test {
protected:
    std::shared_ptr<ado::SqliteConnection> db = ado::SqliteConnection::OpenMemory(QStringLiteral("test"));

    vb::Variant eval(const QString& expr)
    {
        auto st = db->prepare(QStringLiteral("select ") + expr, false);
        st->execute(0);
        EXPECT_TRUE(st->next());
        return st->value(0);
    }
    QString text(const QString& expr) { return eval(expr).text(); }
    long long number(const QString& expr) { return eval(expr).toLongLong(); }
};

} // namespace

TEST_F(JetFunctions, MidLeftRightLen)
{
    EXPECT_EQ(text("mid('2015551234',4)"), "5551234");
    EXPECT_EQ(text("mid('2015551234',1,3)"), "201");
    EXPECT_EQ(text("mid('abc',5)"), "");
    EXPECT_EQ(text("left('2015551234',3)"), "201");
    EXPECT_EQ(text("right('2015551234',4)"), "1234");
    EXPECT_EQ(text("left('ab',9)"), "ab");
    EXPECT_EQ(number("len('hello')"), 5);
    EXPECT_TRUE(eval("len(NULL)").isNull());
    EXPECT_TRUE(eval("mid(NULL,2)").isNull());
    // numbers are read as their text
    EXPECT_EQ(text("left(2015551234,3)"), "201");
}

TEST_F(JetFunctions, MidWithAStartBelowOneIsAnError)
{
    const auto e = ErrorOf([&] { eval("mid('abc',0)"); });
    EXPECT_NE(e.Number, 0);
    EXPECT_TRUE(e.Description.contains("Invalid procedure call"));
}

TEST_F(JetFunctions, InstrIsCaseBlindAndOneBased)
{
    EXPECT_EQ(number("instr('Hello World','world')"), 7);
    EXPECT_EQ(number("instr(8,'abcabcabc','abc')"), 0);
    EXPECT_EQ(number("instr(2,'abcabc','abc')"), 4);
    EXPECT_EQ(number("instr(1,'ABC','b',0)"), 0);
    EXPECT_EQ(number("instr('abc','')"), 1);
}

TEST_F(JetFunctions, CaseAndTrimming)
{
    EXPECT_EQ(text("ucase('aBc')"), "ABC");
    EXPECT_EQ(text("lcase('aBc')"), "abc");
    EXPECT_EQ(text("'[' || trim('  a b  ') || ']'"), "[a b]");
    EXPECT_EQ(text("'[' || ltrim('  a ') || ']'"), "[a ]");
    EXPECT_EQ(text("'[' || rtrim('  a ') || ']'"), "[  a]");
    EXPECT_EQ(text("'[' || space(3) || ']'"), "[   ]");
}

TEST_F(JetFunctions, ValNzIsNullAndConversions)
{
    EXPECT_EQ(number("val('  12 34abc')"), 1234);
    EXPECT_DOUBLE_EQ(eval("val('1.5x')").toDouble(), 1.5);
    EXPECT_EQ(text("nz(NULL,'x')"), "x");
    EXPECT_EQ(text("nz(NULL)"), "");
    EXPECT_EQ(number("nz(5,0)"), 5);
    EXPECT_EQ(number("isnull(NULL)"), 1);
    EXPECT_EQ(number("isnull('')"), 0);
    EXPECT_EQ(text("cstr(12.5)"), "12.5");
    EXPECT_EQ(number("clng('2.5')"), 2); // round half to even
    EXPECT_EQ(number("clng('3.5')"), 4);
    EXPECT_EQ(number("cint(7.6)"), 8);
    EXPECT_DOUBLE_EQ(eval("cdbl('1,234.5')").toDouble(), 1234.5);
    EXPECT_EQ(number("int(-2.5)"), -3);
    EXPECT_EQ(number("int(2.9)"), 2);
    EXPECT_EQ(number("iif(1=1, 10, 20)"), 10);
}

TEST_F(JetFunctions, ConversionOfNonNumbersFails)
{
    const auto e = ErrorOf([&] { eval("clng('abc')"); });
    EXPECT_TRUE(e.Description.contains("Type mismatch"));
}

TEST_F(JetFunctions, FormatUsesVbFormat)
{
    EXPECT_EQ(text("format(1234.5,'#,##0.00')"), "1,234.50");
    EXPECT_EQ(text("format(7)"), "7");
}

TEST_F(JetFunctions, NowAndDateGiveStoredDateText)
{
    const QString now = text("now()");
    EXPECT_EQ(now.size(), 19);
    EXPECT_EQ(now.mid(4, 1), "-");
    EXPECT_TRUE(text("date()").endsWith("00:00:00"));
}

TEST_F(JetFunctions, AmpersandTreatsNullAsEmpty)
{
    EXPECT_EQ(text("'a' & NULL & 'b'"), "ab");
    EXPECT_TRUE(eval("NULL & NULL").isNull());
    EXPECT_EQ(text("'201' & 5551234"), "2015551234");
    EXPECT_EQ(text("1.5 & 'x'"), "1.5x");
}

TEST_F(JetFunctions, NumericTextFromAFunctionEqualsANumber)
{
    EXPECT_EQ(number("left('2015551234',3) = 201"), 1);
    EXPECT_EQ(number("left('0201',4) = 201"), 1);
    EXPECT_EQ(number("left('20x',3) = 201"), 0);
    EXPECT_EQ(number("left('2015551234',3) = '201'"), 1);
    db->exec("create table t (F1 TEXT)");
    db->exec("insert into t values ('2015551234'), ('9735550000'), ('201')");
    auto st = db->prepare("select count(*) from t where left([F1],3) =201", false);
    st->execute(0);
    ASSERT_TRUE(st->next());
    EXPECT_EQ(st->value(0).toLongLong(), 2);
}

TEST_F(JetFunctions, LikeUsesJetWildcardsWithoutCase)
{
    EXPECT_TRUE(ado::JetLike("Phone201", "phone*"));
    EXPECT_TRUE(ado::JetLike("abc", "a?c"));
    EXPECT_FALSE(ado::JetLike("abbc", "a?c"));
    EXPECT_TRUE(ado::JetLike("a1c", "a#c"));
    EXPECT_FALSE(ado::JetLike("abc", "a#c"));
    EXPECT_TRUE(ado::JetLike("b", "[a-c]"));
    EXPECT_FALSE(ado::JetLike("b", "[!a-c]"));
    EXPECT_TRUE(ado::JetLike("a*c", "a[*]c"));
    EXPECT_FALSE(ado::JetLike("abc", "a[*]c"));
    EXPECT_TRUE(ado::JetLike("xyz", "*"));
    EXPECT_TRUE(ado::JetLike("", "*"));
    EXPECT_EQ(number("'PHONE201' like 'phone2*'"), 1);
    EXPECT_EQ(number("'PHONE201' not like 'phone3*'"), 1);
    EXPECT_EQ(number("'555-1234' like '###-####'"), 1);
}
