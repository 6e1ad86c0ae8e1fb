// The text provider: a folder of delimited files read as tables the way the
// Jet text driver reads them.

#include "ProvidersTestSupport.h"

#include "platform/ado/Ado.h"
#include "platform/ado/TextProvider.h"

using namespace provtest;

namespace {

class TextProvider : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.write("list.csv", "Name,Phone,Zip\r\n"
                                 "\"Smith, John\",2015551234,07001\r\n"
                                 "\"O\"\"Brien\",9735550000,10001\r\n"
                                 "Lee,2015559999,00501\r\n");
        folder.write("bare.txt", "2015551234\n9735550000\n2015550001\n");
        folder.write("pairs.txt", "201,5551234\n973,5550000\n201,0550001\n");
    }
    std::shared_ptr<ado::Connection> open(const QString& hdr = QStringLiteral("Yes"))
    {
        return Open(TextCs(folder.path(), hdr));
    }
    Folder folder;
};

TEST_F(TextProvider, ReadsQuotedFieldsAsWrittenWithLeadingZerosKept)
{
    auto c = open();
    EXPECT_EQ(
        Rows(c, "select * from [list.csv]"),
        (QStringList{"Smith, John|2015551234|07001", "O\"Brien|9735550000|10001", "Lee|2015559999|00501"}));
}

TEST_F(TextProvider, AcceptsTheTableNameFormsJetAccepts)
{
    auto c = open();
    EXPECT_EQ(Scalar(c, "select count(*) from [list.csv]").toLong(), 3);
    EXPECT_EQ(Scalar(c, "select count(*) from list.csv").toLong(), 3);
    EXPECT_EQ(Scalar(c, "select count(*) from list#csv").toLong(), 3);
    EXPECT_EQ(Scalar(c, "select count(*) from [LIST.CSV]").toLong(), 3);
    // A file whose name differs in case only is a table of its own, also
    // after the other was read on the same connection.
    folder.write("LIST.CSV", "Name\r\nAnn\r\n");
    EXPECT_EQ(Scalar(c, "select count(*) from [LIST.CSV]").toLong(), 1);
    EXPECT_EQ(Scalar(c, "select count(*) from [list.csv]").toLong(), 3);
    EXPECT_NE(ErrorOf([&] { Scalar(c, "select count(*) from [List.csv]"); }).Number, 0);
}

TEST_F(TextProvider, NamesHeaderlessColumnsF1F2WithTypeCodes)
{
    auto c = open("No");
    EXPECT_EQ(Fields(c, "select * from [pairs.txt]"), (QStringList{"F1:3", "F2:202"}));
    EXPECT_EQ(Scalar(c, "select count(*) from [pairs.txt]").toLong(), 3);
    // with HDR=No the header line of list.csv is a row like any other
    EXPECT_EQ(Scalar(c, "select count(*) from [list.csv]").toLong(), 4);
    EXPECT_EQ(Fields(c, "select * from [list.csv]"), (QStringList{"F1:202", "F2:202", "F3:202"}));
}

TEST_F(TextProvider, HeaderNamesAndGuessedTypes)
{
    // ten-digit numbers pass 32 bits (Double); zip codes with leading zeros stay text
    auto c = open();
    EXPECT_EQ(Fields(c, "select * from [list.csv]"), (QStringList{"Name:202", "Phone:5", "Zip:202"}));
}

TEST_F(TextProvider, LeadingZeroOfANumericColumnIsKept)
{
    // the first rows make the column numeric; a later value keeps its zeros
    QByteArray text;
    for (int i = 0; i < 30; ++i)
        text += "201," + QByteArray::number(5550000 + i) + "\n";
    text += "201,0550001\n";
    folder.write("late.txt", text);
    auto c = open("No");
    EXPECT_EQ(Fields(c, "select * from [late.txt]"), (QStringList{"F1:3", "F2:3"}));
    EXPECT_EQ(Rows(c, "select F2 from [late.txt] where F2 = 550001"), QStringList{"0550001"});
    EXPECT_EQ(Rows(c, "select F2 from [pairs.txt]"), (QStringList{"5551234", "5550000", "0550001"}));
}

TEST_F(TextProvider, LineEndsLfCrlfAndCrAllRead)
{
    folder.write("lf.txt", "a,b\n1,2\n3,4\n");
    folder.write("crlf.txt", "a,b\r\n1,2\r\n3,4");
    folder.write("cr.txt", "a,b\r1,2\r3,4\r");
    auto c = open();
    for (const char* t : {"lf.txt", "crlf.txt", "cr.txt"})
        EXPECT_EQ(Rows(c, QStringLiteral("select * from [%1]").arg(t)), (QStringList{"1|2", "3|4"})) << t;
}

TEST_F(TextProvider, RunsTheQueriesTheProgramSendsToTextFiles)
{
    auto c = open("No");
    EXPECT_EQ(Rows(c, "select top 1 * from [bare.txt]"), QStringList{"2015551234"});
    EXPECT_EQ(Rows(c, "select distinct mid([F1],1,3) from [bare.txt] order by 1"),
              (QStringList{"201", "973"}));
    EXPECT_EQ(Rows(c,
                   "Select distinct left([F1],3), count(*) from [bare.txt] where [F1] is not null  group by "
                   "left([F1],3)"),
              (QStringList{"201|2", "973|1"}));
    EXPECT_EQ(Rows(c, "select mid([F1],4) from [bare.txt] where left([F1],3) =201"),
              (QStringList{"5551234", "5550001"}));
    EXPECT_EQ(Rows(c, "select [F2] from [pairs.txt] where [F1] =201"), (QStringList{"5551234", "0550001"}));
    EXPECT_EQ(Rows(c, "select distinct F1 from [pairs.txt]"), (QStringList{"201", "973"}));
}

TEST_F(TextProvider, DuplicateQueriesRun)
{
    folder.write("dups.csv", "Area,Phone\n201,5551234\n201,5551234\n973,5550000\n");
    auto c = open();
    EXPECT_EQ(
        Rows(
            c,
            "SELECT DISTINCTROW [Phone], Count(*) from [dups.csv]  GROUP BY [Phone] HAVING count([Phone])>1"),
        QStringList{"5551234|2"});
    EXPECT_EQ(
        Rows(c, "SELECT DISTINCTROW  [Area], [Phone]  , Count(*) from [dups.csv]  GROUP BY [Area], [Phone] "
                "HAVING count([Phone])>1"),
        QStringList{"201|5551234|2"});
}

TEST(TextPrefixRewrite, OnlyAStandAloneTestOfAllTheDigitsIsRewritten)
{
    EXPECT_EQ(ado::RewritePrefixTests("select mid([F1],4) from T where left([F1],3) =201"),
              "select mid([F1],4) from T where tvprefix([F1], '201')");
    EXPECT_EQ(ado::RewritePrefixTests("select * from T where 973 = LEFT(T.[F1], 3) and x = 1"),
              "select * from T where tvprefix(T.[F1], '973') and x = 1");
    for (const char* unchanged :
         {"select * from T where left([F1],3) = 2015", "select * from T where left([F1],3) = '201'",
          "select * from T where x + left([F1],3) = 201", "select * from T where left([F1],3) = 201 + 1",
          "select * from T where left(trim([F1]),3) = 201"})
        EXPECT_EQ(ado::RewritePrefixTests(unchanged), unchanged);
}

TEST_F(TextProvider, PrefixTestKeepsJetsResultForEveryKindOfValue)
{
    folder.write("odd.txt", "2015551234\n\"201\"\n20\n 201x\n201.5\n\n0201\nabc\n");
    auto c = open("No");
    // "=" goes through the rewrite, "<>" through Jet's own comparison: the
    // two split the rows between them
    EXPECT_EQ(Rows(c, "select F1 from [odd.txt] where left([F1],3) =201"),
              (QStringList{"2015551234", "201", "201x", "201.5"}));
    EXPECT_EQ(Rows(c, "select F1 from [odd.txt] where left([F1],3) <> 201"),
              (QStringList{"20", "0201", "abc"}));
}

TEST_F(TextProvider, NumberAndTextCompareAsJetDoes)
{
    folder.write("mixed.txt", "code,name\n201,a\n0201,b\n973,c\n");
    auto c = open();
    // a numeric column compared with a number, and with a text
    EXPECT_EQ(Rows(c, "select name from [mixed.txt] where code = 201"), (QStringList{"a", "b"}));
    EXPECT_EQ(Rows(c, "select name from [mixed.txt] where code = '973'"), QStringList{"c"});
    // a text function result compared with a number
    EXPECT_EQ(Rows(c, "select name from [mixed.txt] where left(code,2) = 20"), QStringList{"a"});
}

TEST_F(TextProvider, TextComparisonIgnoresCase)
{
    auto c = open();
    EXPECT_EQ(Rows(c, "select Zip from [list.csv] where Name = 'lee'"), QStringList{"00501"});
}

TEST_F(TextProvider, ListsTheFolderTextFilesAsTables)
{
    folder.write("notes.doc", "x");
    auto c = open();
    QStringList names;
    for (const auto& t : c->providerConnection()->tables())
        names << t.name + ":" + t.type;
    EXPECT_EQ(names, (QStringList{"bare#txt:TABLE", "list#csv:TABLE", "pairs#txt:TABLE"}));
}

TEST_F(TextProvider, WritesAreRefused)
{
    auto c = open();
    const auto e = ErrorOf([&] { c->Execute("update [list.csv] set Zip = '1'"); });
    EXPECT_NE(e.Description.indexOf("not supported by this ISAM"), -1) << e.Description.toStdString();
}

TEST_F(TextProvider, AMissingFolderOrFileFailsWithJetsWords)
{
    const auto e = ErrorOf([&] { Open(TextCs(folder.path() + "nowhere/")); });
    EXPECT_EQ(e.Number, ado::errnum::JetFailure);
    EXPECT_NE(e.Description.indexOf("is not a valid path"), -1);
    auto c = open();
    const auto e2 = ErrorOf([&] { c->Execute("select * from [gone.txt]"); });
    EXPECT_NE(e2.Description.indexOf("could not find the object 'gone.txt'"), -1)
        << e2.Description.toStdString();
}

TEST_F(TextProvider, ForwardOnlyAndStaticRecordsetsAgree)
{
    auto c = open("No");
    auto rs = ado::Recordset::Create();
    rs->Open("select * from [bare.txt]", c, ado::adOpenStatic, ado::adLockReadOnly);
    EXPECT_EQ(rs->RecordCount(), 3);
    rs->MoveLast();
    EXPECT_EQ(rs->Value(0).text(), "2015550001");
    rs->Close();
    rs->Open("select * from [bare.txt]", c, ado::adOpenForwardOnly, ado::adLockReadOnly);
    int n = 0;
    for (; !rs->Eof(); rs->MoveNext())
        ++n;
    EXPECT_EQ(n, 3);
}

TEST_F(TextProvider, WindowsEncodedFileDecodes)
{
    folder.write("w.txt", "name\nJos\xe9\n");
    auto c = open();
    EXPECT_EQ(Rows(c, "select * from [w.txt]"), QStringList{QString::fromUtf8("Jos\xc3\xa9")});
}

} // namespace
