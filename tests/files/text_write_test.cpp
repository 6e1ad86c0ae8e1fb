// Writing lines in a file's own layout: quoting rules, and records rewritten
// with every byte that was not meant to change kept as it was.

#include "DataFileHelpers.h"

#include "platform/files/TextTable.h"

using files::TextLayout;
using files::TextRecord;
using files::TextTable;
using filestest::TempFolder;

TEST(TextWrite, QuotesOnlyWhenAskedOrNeeded)
{
    TextLayout l;
    l.lineEnd = "\n";
    EXPECT_EQ(files::formatField("plain", false, l), QByteArray("plain"));
    EXPECT_EQ(files::formatField("plain", true, l), QByteArray("\"plain\""));
    EXPECT_EQ(files::formatField("a,b", false, l), QByteArray("\"a,b\""));
    EXPECT_EQ(files::formatField("say \"hi\"", false, l), QByteArray("\"say \"\"hi\"\"\""));
    EXPECT_EQ(files::formatField("two\nlines", false, l), QByteArray("\"two\nlines\""));
    EXPECT_EQ(files::formatField("cr\r", false, l), QByteArray("\"cr\r\""));
    l.delimiter = ';';
    EXPECT_EQ(files::formatField("a,b", false, l), QByteArray("a,b"));
    EXPECT_EQ(files::formatField("a;b", false, l), QByteArray("\"a;b\""));
}

TEST(TextWrite, RecordFollowsTheModelLine)
{
    TempFolder dir;
    TextTable t(dir.write("m.csv", "First,Last,Phone,Code\r\n\"Ann\",\"Lee\",2015551234,\"A\"\r\n"));
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    const TextLayout l = t.layoutOf(r);
    EXPECT_EQ(l.quoted, (QVector<bool>{true, true, false, true}));
    EXPECT_EQ(l.lineEnd, QByteArray("\r\n"));
    EXPECT_EQ(files::formatRecord({"Bo", "O\"Neil", "3015550000", ""}, l),
              QByteArray("\"Bo\",\"O\"\"Neil\",3015550000,\"\"\r\n"));
}

TEST(TextWrite, ReplacingAFieldKeepsEveryOtherByte)
{
    TempFolder dir;
    const QByteArray line = " \"Ann\" ,  Lee ,2015551234,\"old, mark\",x\"y\n";
    TextTable t(dir.write("k.csv", "a,b,c,d,e\n" + line));
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    ASSERT_EQ(r.raw, line);
    const TextLayout l = t.layoutOf(r);
    EXPECT_EQ(files::replaceFields(r, {}, l), line);
    EXPECT_EQ(files::replaceFields(r, {{3, "XA"}}, l),
              QByteArray(" \"Ann\" ,  Lee ,2015551234,\"XA\",x\"y\n"));
    EXPECT_EQ(files::replaceFields(r, {{2, "a,b"}}, l),
              QByteArray(" \"Ann\" ,  Lee ,\"a,b\",\"old, mark\",x\"y\n"));
}

TEST(TextWrite, ReplacingAFieldPastARaggedLineAddsSeparators)
{
    TempFolder dir;
    TextTable t(dir.write("r.csv", "a,b,c,d\r\n1,2\r\n"));
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    EXPECT_EQ(files::replaceFields(r, {{3, "X"}}, t.layoutOf(r)), QByteArray("1,2,,X\r\n"));
}

TEST(TextWrite, Windows1252FileRewrittenByteForByte)
{
    TempFolder dir;
    const QByteArray line("\"Fran\xE7ois\",M\xFCller,2015551234,old\r");
    TextTable t(dir.write("w.txt", "n,s,p,m\r" + line));
    ASSERT_EQ(t.encoding(), files::TextEncoding::Windows1252);
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    const TextLayout l = t.layoutOf(r);
    // Rebuilt from the values as read, the line comes back unchanged.
    QStringList values;
    for (int i = 0; i < t.columnCount(); ++i)
        values << t.text(r, i);
    EXPECT_EQ(files::formatRecord(values, l), line);
    // A new value is written in the file's encoding.
    EXPECT_EQ(files::replaceFields(r, {{3, QString::fromUtf8("\xC3\xA9t\xC3\xA9")}}, l),
              QByteArray("\"Fran\xE7ois\",M\xFCller,2015551234,\xE9t\xE9\r"));
}

TEST(TextWrite, CharacterOutsideWindows1252IsNotLost)
{
    const QString check = QString::fromUtf8("ok \xE2\x9C\x93");
    const QByteArray bytes = files::encodeText(check, files::TextEncoding::Windows1252);
    EXPECT_EQ(bytes, QByteArray("ok \xE2\x9C\x93"));
}
