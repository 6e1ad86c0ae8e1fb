#include "scrub/TextLayout.h"

#include "platform/vb/Err.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace scrub;

namespace {

const QString Q = "\"";

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath("list.csv");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

} // namespace

TEST(ScrubLayout, AllQuotedLine)
{
    const QStringList pieces = GetDelimted(R"("Ann","Lee","2015551234")", 3);
    EXPECT_EQ(pieces, QStringList({Q, "\",\"", "\",\"", Q}));
    EXPECT_EQ(RebuildLine(pieces, {"Bo", "Ng", "9735550000"}), QString(R"("Bo","Ng","9735550000")"));
}

TEST(ScrubLayout, MixedQuotingKeepsEachFieldsQuoting)
{
    const QStringList pieces = GetDelimted(R"("Ann","Lee",2015551234,"NJ")", 4);
    EXPECT_EQ(pieces, QStringList({Q, "\",\"", "\",", ",\"", Q}));
    EXPECT_EQ(RebuildLine(pieces, {"Bo", "Ng", "9735550000", "NY"}), QString(R"("Bo","Ng",9735550000,"NY")"));
}

TEST(ScrubLayout, QuotedFieldsHoldingCommasAndQuotes)
{
    // Doubled quotes inside a quoted field belong to the field.
    const QStringList pieces = GetDelimted(R"("Lee, ""Bo""",2015551234,"x")", 3);
    EXPECT_EQ(pieces, QStringList({Q, "\",", ",\"", Q}));
    EXPECT_EQ(RebuildLine(pieces, {R"(Ng, "Al")", "9735550000", "y"}),
              QString(R"("Ng, ""Al""",9735550000,"y")"));
    // A bare field whose new value holds the separator or a quote is quoted.
    EXPECT_EQ(RebuildLine(pieces, {"a", "1,2", "b"}), QString(R"("a","1,2","b")"));
    EXPECT_EQ(RebuildLine(pieces, {"a", R"(say "hi")", "b"}), QString(R"("a","say ""hi""","b")"));
}

TEST(ScrubLayout, BlanksAfterSeparatorsAreDroppedInQuotedLayout)
{
    const QStringList pieces = GetDelimted(R"(  "Ann",  "Lee" ,  12  )", 3);
    EXPECT_EQ(pieces, QStringList({Q, "\",\"", "\",", ""}));
    EXPECT_EQ(RebuildLine(pieces, {"Ann", "Lee", "12"}), QString(R"("Ann","Lee",12)"));
}

TEST(ScrubLayout, UnquotedSeparators)
{
    EXPECT_EQ(GetDelimted("Ann;Lee;2015551234", 3), QStringList({"", ";", ";", ""}));
    EXPECT_EQ(GetDelimted("Ann\tLee\t2015551234", 3), QStringList({"", "\t", "\t", ""}));
    EXPECT_EQ(GetDelimted("Ann,Lee,2015551234", 3), QStringList({"", ",", ",", ""}));
    // A tab file whose values hold commas still splits at the tab.
    const QStringList tabs = GetDelimted("Lee, Ann\t2015551234", 2);
    EXPECT_EQ(tabs, QStringList({"", "\t", ""}));
    EXPECT_EQ(RebuildLine(tabs, {"Ng, Bo", "9735550000"}), QString("Ng, Bo\t9735550000"));
    EXPECT_EQ(RebuildLine(tabs, {"a\tb", "1"}), QString("\"a\tb\"\t1"));
}

TEST(ScrubLayout, MoreFieldsThanTheLayoutHoldsIsAnError)
{
    EXPECT_THROW(GetDelimted("a,b,c", 2), vb::ErrObject);
    EXPECT_THROW(GetDelimted(R"("a","b","c")", 2), vb::ErrObject);
    EXPECT_THROW(RebuildLine({"", ",", ""}, {"a", "b", "c"}), vb::ErrObject);
    EXPECT_EQ(RebuildLine({"", ",", ""}, {"a"}), QString("a,"));
}

TEST(ScrubLayout, IsCharLooksAtTheFirstOccurrenceFromStart)
{
    EXPECT_TRUE(IsChar(1, "\"a\",b", "\""));
    EXPECT_FALSE(IsChar(2, "\"a\",b", "\""));
    EXPECT_TRUE(IsChar(3, "\"a\",b", "\""));
    EXPECT_FALSE(IsChar(1, "abc", "x"));
    EXPECT_FALSE(IsChar(0, "abc", "a"));
}

TEST(ScrubLayout, FirstLineWithAndWithoutTitle)
{
    QTemporaryDir dir;
    const QString path =
        writeFile(dir, "\xEF\xBB\xBFName,Phone\r\n\"Lee, Ann\",2015551234\r\nBo,9735550000\r\n");
    QString title = "untouched";
    EXPECT_EQ(getFirstLine(path, true, &title), QString("\"Lee, Ann\",2015551234"));
    EXPECT_EQ(title, QString("Name,Phone"));

    title = "untouched";
    EXPECT_EQ(getFirstLine(path, false, &title), QString("Name,Phone"));
    EXPECT_EQ(title, QString("untouched"));
}

TEST(ScrubLayout, FirstLineOfShortOrLegacyFiles)
{
    QTemporaryDir dir;
    QString title;
    EXPECT_EQ(getFirstLine(writeFile(dir, "Name,Phone\n"), true, &title), QString());
    EXPECT_EQ(getFirstLine(writeFile(dir, "Ren\xE9\tx\n"), false, nullptr), QString::fromUtf8("René\tx"));
}
