// Reading delimited text files record by record: line ends, quoting,
// encodings, ragged lines and addressing records by offset.

#include "DataFileHelpers.h"

#include "platform/files/TextTable.h"
#include "platform/vb/Err.h"

using files::TextOptions;
using files::TextRecord;
using files::TextTable;
using filestest::TempFolder;

namespace {

TextOptions noHeader()
{
    TextOptions o;
    o.header = false;
    return o;
}

// Every record's fields as texts.
QList<QStringList> rows(TextTable& t)
{
    QList<QStringList> out;
    TextRecord r;
    t.rewind();
    while (t.next(r)) {
        QStringList row;
        for (int i = 0; i < t.columnCount(); ++i)
            row << t.text(r, i);
        out << row;
    }
    return out;
}

} // namespace

TEST(TextRead, LineEndsCrLfLfCrAndMixed)
{
    TempFolder dir;
    const QList<QStringList> expected = {{"1", "a"}, {"2", "b"}, {"3", "c"}};
    for (const QByteArray& sep : {QByteArray("\r\n"), QByteArray("\n"), QByteArray("\r")}) {
        TextTable t(dir.write("ends.txt", "1,a" + sep + "2,b" + sep + "3,c" + sep), noHeader());
        EXPECT_EQ(rows(t), expected) << sep.toHex().constData();
        EXPECT_EQ(t.recordCount(), 3);
        EXPECT_EQ(t.lineEnd(), sep);
    }
    TextTable mixed(dir.write("mixed.txt", "1,a\r\n2,b\r3,c\n"), noHeader());
    EXPECT_EQ(rows(mixed), expected);
    TextRecord r;
    mixed.rewind();
    QList<QByteArray> ends;
    while (mixed.next(r))
        ends << r.lineEnd();
    EXPECT_EQ(ends, (QList<QByteArray>{"\r\n", "\r", "\n"}));
}

TEST(TextRead, LastLineWithoutLineEndAndEmptyLinesSkipped)
{
    TempFolder dir;
    TextTable t(dir.write("t.txt", "1,a\n\n\r\n2,b\n3,c"), noHeader());
    EXPECT_EQ(rows(t), (QList<QStringList>{{"1", "a"}, {"2", "b"}, {"3", "c"}}));
    EXPECT_EQ(t.recordCount(), 3);
}

TEST(TextRead, QuotedValuesHoldSeparatorsQuotesAndLineEnds)
{
    TempFolder dir;
    const QByteArray data = "\"Smith, John\",\"say \"\"hi\"\"\",\"two\r\nlines\",\"\"\n"
                            "plain,\"a\rb\",x\"y,\n";
    TextTable t(dir.write("q.csv", data), noHeader());
    ASSERT_EQ(t.columnCount(), 4);
    const auto all = rows(t);
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0], (QStringList{"Smith, John", "say \"hi\"", "two\r\nlines", ""}));
    EXPECT_EQ(all[1], (QStringList{"plain", "a\rb", "x\"y", ""}));
    EXPECT_EQ(t.recordCount(), 2);
}

TEST(TextRead, UnquotedValuesLoseSurroundingBlanksQuotedKeepThem)
{
    TempFolder dir;
    TextTable t(dir.write("b.txt", "201, 5551234 , \" padded \"\n"), noHeader());
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    EXPECT_EQ(t.text(r, 1), "5551234");
    EXPECT_EQ(t.text(r, 2), " padded ");
    EXPECT_TRUE(r.fields[2].quoted);
}

TEST(TextRead, RaggedLinesMissingFieldsNullExtraIgnored)
{
    TempFolder dir;
    TextTable t(dir.write("r.txt", "A,B,C\n1,2,3\n4\n5,6,7,8,9\n"));
    ASSERT_EQ(t.columnCount(), 3);
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    ASSERT_TRUE(t.next(r));
    EXPECT_EQ(t.value(r, 0).toString(), "4");
    EXPECT_TRUE(t.value(r, 1).isNull());
    EXPECT_TRUE(t.value(r, 2).isNull());
    ASSERT_TRUE(t.next(r));
    EXPECT_EQ(t.value(r, 2).toString(), "7");
    EXPECT_EQ(t.text(r, 3), "8"); // still readable from the record itself
    EXPECT_FALSE(t.next(r));
}

TEST(TextRead, Utf8BomIsSkipped)
{
    TempFolder dir;
    TextTable t(dir.write("bom.csv", "\xEF\xBB\xBFPhone,Name\n2015551234,Ana\n"));
    EXPECT_TRUE(t.hasBom());
    EXPECT_EQ(t.columns()[0].name, "Phone");
    EXPECT_EQ(t.dataOffset(), 3 + qint64(sizeof("Phone,Name\n") - 1));
    EXPECT_EQ(t.recordCount(), 1);
}

TEST(TextRead, Utf8FileDecodesAsUtf8)
{
    TempFolder dir;
    TextTable t(dir.write("u.txt", "Jos\xC3\xA9,\xE2\x82\xAC"
                                   "5\n"),
                noHeader());
    EXPECT_EQ(t.encoding(), files::TextEncoding::Utf8);
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    EXPECT_EQ(t.text(r, 0), QString::fromUtf8("Jos\xC3\xA9"));
    EXPECT_EQ(t.text(r, 1), QString::fromUtf8("\xE2\x82\xAC"
                                              "5"));
}

TEST(TextRead, Windows1252BytesDecodeAndEncodeBackUnchanged)
{
    TempFolder dir;
    // Bytes that are no valid UTF-8: é, €, the undefined 0x81, ü.
    const QByteArray name("Jos\xE9 \x80\x81\xFC", 8);
    TextTable t(dir.write("w.txt", "id,name\n1," + name + "\n"));
    EXPECT_EQ(t.encoding(), files::TextEncoding::Windows1252);
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    const QString text = t.text(r, 1);
    EXPECT_EQ(text,
              QString::fromUtf8("Jos\xC3\xA9 \xE2\x82\xAC") + QChar(0x81) + QString::fromUtf8("\xC3\xBC"));
    EXPECT_EQ(files::encodeText(text, t.encoding()), name);
}

TEST(TextRead, LateInvalidByteMakesTheWholeFileWindows1252)
{
    TempFolder dir;
    QByteArray data = "n\n\xC3\xA9\n";
    for (int i = 0; i < 200000; ++i)
        data += "filler line\n";
    data += "caf\xE9\n";
    TextTable t(dir.write("late.txt", data));
    EXPECT_EQ(t.encoding(), files::TextEncoding::Windows1252);
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    // Read byte for byte, so that it is written back byte for byte.
    EXPECT_EQ(files::encodeText(t.text(r, 0), t.encoding()), QByteArray("\xC3\xA9"));
}

TEST(TextRead, RecordsCarryOffsetsAndRawBytes)
{
    TempFolder dir;
    const QByteArray data = "h1,h2\r\n1,\"x\r\ny\"\r\n2,z\r\n";
    TextTable t(dir.write("o.csv", data));
    TextRecord a, b;
    ASSERT_TRUE(t.next(a));
    ASSERT_TRUE(t.next(b));
    EXPECT_EQ(a.offset, 7);
    EXPECT_EQ(a.raw, QByteArray("1,\"x\r\ny\"\r\n"));
    EXPECT_EQ(b.offset, a.nextOffset());
    EXPECT_EQ(b.raw, QByteArray("2,z\r\n"));
    EXPECT_EQ(t.headerBytes(), QByteArray("h1,h2\r\n"));
}

TEST(TextRead, SeekToARecordOffset)
{
    TempFolder dir;
    QByteArray data = "n,v\n";
    for (int i = 0; i < 5000; ++i)
        data += QByteArray::number(i) + ",\"v" + QByteArray::number(i) + "\"\n";
    TextTable t(dir.write("s.csv", data));
    QVector<qint64> offsets;
    TextRecord r;
    while (t.next(r))
        offsets << r.offset;
    ASSERT_EQ(offsets.size(), 5000);
    for (const int k : {4321, 7, 0, 4999}) {
        t.seek(offsets[k]);
        ASSERT_TRUE(t.next(r));
        EXPECT_EQ(t.value(r, 0).toLong(), k);
        EXPECT_EQ(t.text(r, 1), QStringLiteral("v%1").arg(k));
    }
    // A second cursor is independent of the first.
    files::TextReader other = t.reader();
    ASSERT_TRUE(other.next(r));
    EXPECT_EQ(t.text(r, 1), "v0");
}

TEST(TextRead, TabAndCustomSeparators)
{
    TempFolder dir;
    const auto tab = TextOptions::fromExtendedProperties("text;HDR=No;FMT=TabDelimited");
    TextTable t(dir.write("t.tab", "a,b\tc\n"), tab);
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    EXPECT_EQ(t.text(r, 0), "a,b");
    EXPECT_EQ(t.text(r, 1), "c");

    const auto semi = TextOptions::fromExtendedProperties("\"text;HDR=Yes;FMT=Delimited(;)\"");
    EXPECT_TRUE(semi.header);
    EXPECT_EQ(semi.delimiter, ';');
    const auto plain = TextOptions::fromExtendedProperties("text;HDR=No;");
    EXPECT_FALSE(plain.header);
    EXPECT_EQ(plain.delimiter, ',');
}

TEST(TextRead, MissingFileRaisesFileNotFound)
{
    TempFolder dir;
    try {
        TextTable t(dir.path("none.txt"));
        FAIL() << "opened a missing file";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, vb::errnum::FileNotFound);
    }
}

// A file whose line ends were lost reads as one endless line of fields; it
// is refused, naming the file and the line, before any column is made.
struct TooWideCase {
    const char* name;
    bool header;
    QByteArray text;
    QString line;
};

class TextReadTooWide : public ::testing::TestWithParam<TooWideCase> {};

TEST_P(TextReadTooWide, ALineWithMoreFieldsThanATableHasIsRefusedNamingIt)
{
    const TooWideCase& c = GetParam();
    TempFolder dir;
    const QString path = dir.write("lost.txt", c.text);
    TextOptions options;
    options.header = c.header;
    try {
        TextTable t(path, options);
        FAIL() << "opened a file of " << t.columnCount() << " columns";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, vb::errnum::PathFileAccessError);
        EXPECT_TRUE(e.Description.contains(c.line + " of '" + path + "'")) << e.Description.toStdString();
        EXPECT_TRUE(e.Description.contains("line ends")) << e.Description.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextReadTooWide,
    ::testing::Values(TooWideCase{"NoLineEndAtAll", false, "201,5550000," + QByteArray(6000, ','), "Line 1"},
                      TooWideCase{"AfterASoundTitle", true,
                                  "AreaCode,Phone\r\n" + QByteArray(3000, ';').replace(';', ","), "Line 2"},
                      TooWideCase{"ATitleThatIsTheWholeFile", true, QByteArray(2500, ','), "Line 1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextRead, EmptyFileHasNoRecords)
{
    TempFolder dir;
    TextTable t(dir.write("e.txt", ""));
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_EQ(t.columnCount(), 0);
    TextRecord r;
    EXPECT_FALSE(t.next(r));
}

// The count is taken while the file is opened, apart from the reader; it
// must agree with the records the reader gives on every kind of line.
TEST(TextRead, CountAgreesWithTheRecordsRead)
{
    TempFolder dir;
    const QList<QByteArray> bodies = {
        "a,b\r\n\r\n1,2\r\n",
        "a,b\n\"x\r\ny\",2\n\n\n3,\"q\"\"\n\"\r\n",
        "a,b\r  \"q,\n\",1\r\"\"\"\",2 \"z\r\nlast,no end",
        "\xEF\xBB\xBF"
        "a,b\r\n\"open,\r\n",
        "a\tb\n\" t\"\t\"\n\"\n\t\n",
        "\n\r\n\r",
        "",
        "a,b\r\n   \r\n1,\"\"\r\n",
    };
    for (const bool header : {true, false}) {
        for (const QByteArray& body : bodies) {
            TextOptions o;
            o.header = header;
            o.delimiter = body.contains('\t') ? '\t' : ',';
            TextTable t(dir.write("count.txt", body), o);
            qint64 read = 0;
            TextRecord r;
            t.rewind();
            while (t.next(r))
                ++read;
            EXPECT_EQ(t.recordCount(), read) << body.toHex().constData() << " header " << header;
        }
    }
}

// The reader takes the file in large pieces; a record may be cut by a
// piece's end anywhere, also inside a doubled quote, a quoted line end or a
// CR LF pair, and must read the same as when it is whole.
class TextReadCutTest : public ::testing::TestWithParam<int> {};

TEST_P(TextReadCutTest, ARecordCutByTheReadersPieceReadsTheSame)
{
    TempFolder dir;
    const QByteArray tricky = "\"say \"\"hi\"\"\r\nthere\",2015551234,x\r\n\r\nlast,\"q\"\r\n";
    // Lines before it push the tricky record across the first piece's end
    // (256 KiB) at every byte of its length.
    const qint64 piece = 1 << 18;
    QByteArray body = "Name,Phone,Status\r\n";
    const QByteArray line = "n,2015550000,s\r\n";
    while (body.size() + line.size() < piece - GetParam())
        body += line;
    while (body.size() < piece - GetParam())
        body += "\r\n";
    const int before = int(body.count(line));
    body += tricky;
    TextTable t(dir.write("cut.csv", body));
    const QList<QStringList> all = rows(t);
    ASSERT_EQ(all.size(), before + 2);
    EXPECT_EQ(all[before], (QStringList{"say \"hi\"\r\nthere", "2015551234", "x"}));
    EXPECT_EQ(all[before + 1], (QStringList{"last", "q", ""}));
    EXPECT_EQ(t.recordCount(), before + 2);
}

INSTANTIATE_TEST_SUITE_P(Cuts, TextReadCutTest, ::testing::Range(0, 48));
