// String functions at their edges: 1-based positions, beyond-the-end
// arguments, VB's trimming and splitting.

#include "platform/vb/Err.h"
#include "platform/vb/Strings.h"

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

TEST(Strings, LeftRightMid)
{
    EXPECT_EQ(Left("abcdef", 2), "ab");
    EXPECT_EQ(Left("ab", 10), "ab");
    EXPECT_EQ(Right("abcdef", 2), "ef");
    EXPECT_EQ(Right("ab", 10), "ab");
    EXPECT_EQ(Mid("abcdef", 3), "cdef");
    EXPECT_EQ(Mid("abcdef", 3, 2), "cd");
    EXPECT_EQ(Mid("abcdef", 5, 10), "ef");
    EXPECT_EQ(Mid("abc", 4), "");
    EXPECT_EQ(Mid("abc", 10, 2), "");
    EXPECT_EQ(Mid("abc", 2, 0), "");
    EXPECT_EQ(errorOf([] { Mid("abc", 0); }), errnum::InvalidProcedureCall);
    EXPECT_EQ(errorOf([] { Mid("abc", 1, -1); }), errnum::InvalidProcedureCall);
    EXPECT_EQ(errorOf([] { Left("abc", -1); }), errnum::InvalidProcedureCall);
    EXPECT_EQ(Len(QString()), 0);
    EXPECT_EQ(Len("abc"), 3);
}

TEST(Strings, InStr)
{
    EXPECT_EQ(InStr("abcabc", "c"), 3);
    EXPECT_EQ(InStr(4, "abcabc", "c"), 6);
    EXPECT_EQ(InStr(7, "abcabc", "c"), 0); // start beyond the end
    EXPECT_EQ(InStr(100, "abc", ""), 0);
    EXPECT_EQ(InStr(2, "abc", ""), 2);
    EXPECT_EQ(InStr("", "a"), 0);
    EXPECT_EQ(InStr("abc", "C"), 0);
    EXPECT_EQ(InStr(1, "abc", "C", vbTextCompare), 3);
    EXPECT_EQ(errorOf([] { InStr(0, "abc", "a"); }), errnum::InvalidProcedureCall);
    EXPECT_EQ(InStrRev("c:\\dir\\file.txt", "\\"), 7);
    EXPECT_EQ(InStrRev("abcabc", "abc", 5), 1);
    EXPECT_EQ(InStrRev("abcabc", "abc", 6), 4);
    EXPECT_EQ(InStrRev("abc", "x"), 0);
    EXPECT_EQ(InStrRev("abc", "b", 10), 0);
}

TEST(Strings, TrimOnlyBlanks)
{
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(LTrim("  a "), "a ");
    EXPECT_EQ(RTrim("  a "), "  a");
    EXPECT_EQ(Trim("\ta\t"), "\ta\t");
    EXPECT_EQ(Trim("   "), "");
}

TEST(Strings, Split)
{
    EXPECT_TRUE(Split("").isEmpty());
    EXPECT_TRUE(Split("", ",").isEmpty());
    EXPECT_EQ(Split("a,b,,c", ","), (QStringList{"a", "b", "", "c"}));
    EXPECT_EQ(Split("a,b,", ","), (QStringList{"a", "b", ""}));
    EXPECT_EQ(Split("a b"), (QStringList{"a", "b"}));
    EXPECT_EQ(Split("abc", ""), (QStringList{"abc"}));
    EXPECT_EQ(Split("a;;b;;c", ";;", 2), (QStringList{"a", "b;;c"}));
    EXPECT_EQ(Split("aXbxc", "x", -1, vbTextCompare), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(Join({"a", "b", "c"}, ", "), "a, b, c");
    EXPECT_EQ(Join({}, ","), "");
}

TEST(Strings, ReplaceStartsAtStart)
{
    EXPECT_EQ(Replace("a-b-c", "-", "+"), "a+b+c");
    EXPECT_EQ(Replace("a-b-c", "-", "+", 1, 1), "a+b-c");
    EXPECT_EQ(Replace("a-b-c", "-", "+", 3), "b+c");
    EXPECT_EQ(Replace("aAa", "a", "x", 1, -1, vbTextCompare), "xxx");
    EXPECT_EQ(Replace("abc", "", "x"), "abc");
    EXPECT_EQ(Replace("aaa", "a", "aa"), "aaaaaa");
}

TEST(Strings, CaseAndConversions)
{
    EXPECT_EQ(UCase("abc"), "ABC");
    EXPECT_EQ(LCase("ABC"), "abc");
    EXPECT_EQ(StrConv("hello WORLD", vbProperCase), "Hello World");
    EXPECT_EQ(StrConv("tervala.exe", vbProperCase), "Tervala.exe");
    EXPECT_EQ(StrConv("o'neil-smith  jr", vbProperCase), "O'neil-smith  Jr");
    EXPECT_EQ(StrConv("abc", vbUpperCase), "ABC");
    EXPECT_EQ(StrConv("ABC", vbLowerCase), "abc");
    EXPECT_EQ(Space(3), "   ");
    EXPECT_EQ(String(3, QChar('x')), "xxx");
    EXPECT_EQ(String(2, QStringLiteral("yz")), "yy");
    EXPECT_EQ(Chr(65), "A");
    EXPECT_EQ(Chr(128), QString(QChar(0x20AC)));
    EXPECT_EQ(Asc(QString(QChar(0x20AC))), 128);
    EXPECT_EQ(Asc("A"), 65);
    EXPECT_EQ(errorOf([] { Asc(""); }), errnum::InvalidProcedureCall);
    EXPECT_EQ(errorOf([] { Chr(256); }), errnum::InvalidProcedureCall);
    EXPECT_EQ(StrComp("a", "b"), -1);
    EXPECT_EQ(StrComp("a", "A"), 1);
    EXPECT_EQ(StrComp("a", "A", vbTextCompare), 0);
    EXPECT_EQ(StrReverse("abc"), "cba");
}
