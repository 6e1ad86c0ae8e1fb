// A text table read from start to end: "select distinct" of one column hands
// out each value once, in the order of the lines where it first stands, and
// the pass indexes the column for the lookups of its values that follow.

#include "ProvidersTestSupport.h"

#include "platform/ado/TextProvider.h"

#include <QSet>

using namespace provtest;

namespace {

class TextScan : public ::testing::Test {
protected:
    void TearDown() override { ado::SetTextIndexThreshold(256 * 1024); }
    std::shared_ptr<ado::Connection> open() { return Open(TextCs(folder.path(), "No")); }
    Folder folder;
};

TEST_F(TextScan, DistinctGivesEachValueOnceInTheOrderOfItsFirstLine)
{
    // numbers first, so that the column is a numeric one
    QByteArray text;
    for (int i = 0; i < 30; ++i)
        text += QByteArray::number(900 - (i % 3) * 7) + ",1\r\n";
    text += "201,1\r\n"
            ",2\r\n"        // no value
            "0201,3\r\n"    // text: no number gives it back
            " 201 ,4\r\n"   // blanks around a number
            "\"201\",5\r\n" // quoted
            "1.5,6\r\n"
            "abc,7\r\n"
            "ABC,8\r\n"
            ",9\r\n"
            "abc,10\r\n";
    folder.write("codes.txt", text);
    auto c = open();
    EXPECT_EQ(Rows(c, "select distinct F1 from [codes.txt]"),
              (QStringList{"900", "893", "886", "201", "<null>", "0201", "1.5", "abc", "ABC"}));
    // with a test on the rows SQLite removes the repeats itself: the same values
    EXPECT_EQ(Rows(c, "select distinct F1 from [codes.txt] where F2 > 0"),
              Rows(c, "select distinct F1 from [codes.txt]"));
}

TEST_F(TextScan, DistinctOfManyValuesGivesEachOnce)
{
    // more values than are kept in memory, each several times
    QByteArray text;
    QStringList expected;
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 70000; ++i) {
            const int v = (i * 7919) % 70000;
            text += QByteArray::number(v) + "\n";
            if (round == 0) expected << QString::number(v);
        }
    text += "x\nx\n";
    expected << "x";
    folder.write("many.txt", text);
    auto c = open();
    EXPECT_EQ(Rows(c, "select distinct F1 from [many.txt]"), expected);
}

TEST_F(TextScan, TheDistinctPassIndexesTheColumnForTheLookupsThatFollow)
{
    ado::SetTextIndexThreshold(0);
    QByteArray text;
    constexpr int kAreas = 20;
    constexpr int kPerArea = 2000;
    for (int a = 0; a < kAreas; ++a)
        for (int i = 0; i < kPerArea; ++i)
            text += QByteArray::number(201 + a) + "," + QByteArray::number(1000000 + i) + "\r\n";
    folder.write("national.txt", text);
    auto c = open();

    qint64 before = ado::TextRecordsRead();
    EXPECT_EQ(Rows(c, "select distinct F1 from [national.txt]").size(), kAreas);
    EXPECT_EQ(ado::TextRecordsRead() - before, kAreas * kPerArea); // one pass

    before = ado::TextRecordsRead();
    for (int a = 0; a < kAreas; ++a)
        EXPECT_EQ(Scalar(c, QStringLiteral("select count(F2) from [national.txt] where F1 = %1").arg(201 + a))
                      .toLong(),
                  kPerArea);
    // each area code reads its own blocks: about one pass in all, no pass
    // to build the index
    EXPECT_LT(ado::TextRecordsRead() - before, qint64(kAreas) * kPerArea * 3 / 2);
}

TEST_F(TextScan, ALookupWithoutAnIndexBuildsItOnItsOwnPass)
{
    ado::SetTextIndexThreshold(0);
    QByteArray text;
    for (int a = 0; a < 10; ++a)
        for (int i = 0; i < 1000; ++i)
            text += QByteArray::number(2010000000LL + a * 10000000LL + i) + "\n";
    folder.write("ten.txt", text);
    auto c = open();

    qint64 before = ado::TextRecordsRead();
    EXPECT_EQ(Scalar(c, "select count(*) from [ten.txt] where left([F1],3) =201").toLong(), 1000);
    EXPECT_EQ(ado::TextRecordsRead() - before, 10000); // the whole file once, index and all

    before = ado::TextRecordsRead();
    EXPECT_EQ(Scalar(c, "select count(*) from [ten.txt] where left([F1],3) =205").toLong(), 1000);
    EXPECT_LT(ado::TextRecordsRead() - before, 2000);
}

// The provider reads a file in pieces of growing size (64 KiB first); a
// record cut by a piece's end, inside a doubled quote, a quoted line end or a
// CR LF pair, reads and counts the same as when it is whole.
class TextScanCut : public ::testing::TestWithParam<int> {
protected:
    Folder folder;
};

TEST_P(TextScanCut, ARecordCutByTheProvidersPieceReadsTheSame)
{
    const int piece = 64 * 1024;
    QByteArray text;
    const QByteArray line = "n,2015550000\r\n";
    while (text.size() + line.size() < piece - GetParam())
        text += line;
    while (text.size() < piece - GetParam())
        text += "\r\n";
    const int before = int(text.count(line));
    text += "\"say \"\"hi\"\"\r\nthere\",2015551234\r\n\r\nlast,\"q\"\r\n";
    folder.write("cut.txt", text);
    auto c = Open(TextCs(folder.path(), "No"));
    EXPECT_EQ(Rows(c, "select count(*) from [cut.txt]"), QStringList{QString::number(before + 2)});
    EXPECT_EQ(Rows(c, "select F1, F2 from [cut.txt] where F1 <> 'n'"),
              (QStringList{"say \"hi\"\r\nthere|2015551234", "last|q"}));
}

INSTANTIATE_TEST_SUITE_P(Cuts, TextScanCut, ::testing::Range(0, 44));

} // namespace
