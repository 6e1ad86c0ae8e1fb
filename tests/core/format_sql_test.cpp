// The SQL literal builders.
#include "core/SqlLiterals.h"

#include "platform/vb/Err.h"

#include <gtest/gtest.h>

using vb::Variant;

TEST(FormatSQLString, NullAndQuotes)
{
    EXPECT_EQ(FormatSQLString(Variant::Null(), 1, "'"), "NULL");
    EXPECT_EQ(FormatSQLString(Variant::Null(), 99, "'"), "NULL");
    EXPECT_EQ(FormatSQLString(Variant("O'Brien"), 1, "'"), "'O''Brien'");
    EXPECT_EQ(FormatSQLString(Variant("''"), 1, "'"), "''''''");
    EXPECT_EQ(FormatSQLString(Variant(""), 1, "'"), "''");
    EXPECT_EQ(FormatSQLString(Variant(), 1, "'"), "''");
    EXPECT_EQ(FormatSQLString(Variant(201), 1, "'"), "'201'");
}

TEST(FormatSQLString, ModesOutsideTheTableGiveNothing)
{
    EXPECT_EQ(FormatSQLString(Variant("x"), -1, "'"), "");
    EXPECT_EQ(FormatSQLString(Variant("x"), 8, "'"), "");
}

TEST(FormatSQLString, EachModeAppliesItsEscapes)
{
    const Variant v("a'b\\c%d");
    EXPECT_EQ(FormatSQLString(v, 0, "'"), "'a'b\\c%d'");
    EXPECT_EQ(FormatSQLString(v, 1, "\\"), "'a\\'b\\c%d'");
    EXPECT_EQ(FormatSQLString(v, 2, "'"), "'a'b\\c\\%d'");
    EXPECT_EQ(FormatSQLString(v, 3, "'"), "'a'b\\\\c%d'");
    EXPECT_EQ(FormatSQLString(v, 4, "\\"), "'a''b\\c\\%d'");
    EXPECT_EQ(FormatSQLString(v, 5, "'"), "'a''b\\\\c%d'");
    EXPECT_EQ(FormatSQLString(v, 6, "'"), "'a'b\\\\c\\%d'");
    EXPECT_EQ(FormatSQLString(v, 7, "'"), "'a''b\\\\c\\%d'");
}

TEST(Escapes, BackslashEscapeKeepsBackslashesBeforeQuotesBackslashesAndAtTheEnd)
{
    EXPECT_EQ(EscapeBackslash("a\\b"), "a\\\\b");
    EXPECT_EQ(EscapeBackslash("a\\'b"), "a\\'b");
    EXPECT_EQ(EscapeBackslash("a\\"), "a\\");
    EXPECT_EQ(EscapeBackslash("a\\\\b"), "a\\\\\\b");
    EXPECT_EQ(EscapeBackslash("\\x\\y"), "\\\\x\\\\y");
}

TEST(Escapes, QuoteEscapeEscapesEachQuoteOnceWhateverTheEscapeText)
{
    EXPECT_EQ(EscapeQuotes("it's", "'"), "it''s");
    EXPECT_EQ(EscapeQuotes("'a'", "\\"), "\\'a\\'");
    EXPECT_EQ(EscapeQuotes("a'b'c", "''"), "a'''b'''c");
    EXPECT_EQ(EscapeQuotes("a'b", ""), "a'b");
}

TEST(FormatSQLNumber, RoundsHalvesToEven)
{
    EXPECT_EQ(FormatSQLNumber(Variant(12.5)), "12");
    EXPECT_EQ(FormatSQLNumber(Variant(13.5)), "14");
    EXPECT_EQ(FormatSQLNumber(Variant(-2.5)), "-2");
    EXPECT_EQ(FormatSQLNumber(Variant("42")), "42");
    EXPECT_EQ(FormatSQLNumber(Variant("abc")), "0");
    EXPECT_EQ(FormatSQLNumber(Variant::Null()), "0");
    EXPECT_EQ(FormatSQLNumber(Variant(true)), "-1");
}

TEST(FormatSQLNumber, NumbersBeyond32BitsRaiseOverflow)
{
    for (const Variant& v : {Variant(3e9), Variant(QString("3000000000")), Variant(-3e9)}) {
        try {
            FormatSQLNumber(v);
            FAIL() << v.text().toStdString() << " must not wrap";
        } catch (const vb::ErrObject& e) {
            EXPECT_EQ(e.Number, 6);
        }
    }
    EXPECT_EQ(FormatSQLNumber(Variant(2147483647.0)), "2147483647");
}

TEST(FormatSQLBool, OnlyTrueIsTrue)
{
    EXPECT_EQ(FormatSQLBool(Variant(true)), "True");
    EXPECT_EQ(FormatSQLBool(Variant(-1)), "True");
    EXPECT_EQ(FormatSQLBool(Variant(false)), "False");
    EXPECT_EQ(FormatSQLBool(Variant(1)), "False");
    EXPECT_EQ(FormatSQLBool(Variant::Null()), "False");
    EXPECT_EQ(FormatSQLBool(Variant("maybe")), "False");
}
