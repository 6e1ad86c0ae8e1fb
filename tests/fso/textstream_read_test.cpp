// Reading text files line by line, whatever their line ends and encoding.
#include "platform/fso/FileSystemObject.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fso;

namespace {

class TextRead : public ::testing::Test {
protected:
    QString write(const QByteArray& content, const QString& name = "in.txt")
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }
    QStringList readLines(const QString& path)
    {
        QStringList lines;
        auto ts = fs.OpenTextFile(path, ForReading);
        while (!ts->AtEndOfStream())
            lines << ts->ReadLine();
        ts->Close();
        return lines;
    }
    QTemporaryDir dir;
    FileSystemObject fs;
};

} // namespace

TEST_F(TextRead, CrLfLfAndCrAllEndLines)
{
    EXPECT_EQ(readLines(write("a\r\nb\nc\rd")), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(readLines(write("a\r\n\r\nb\r\n")), QStringList({"a", "", "b"}));
    EXPECT_EQ(readLines(write("\n\n")), QStringList({"", ""}));
    EXPECT_EQ(readLines(write("x\r")), QStringList({"x"}));
}

TEST_F(TextRead, EmptyFileIsAtEndAtOnce)
{
    auto ts = fs.OpenTextFile(write(""));
    EXPECT_TRUE(ts->AtEndOfStream());
    try {
        ts->ReadLine();
        FAIL() << "reading past the end must fail";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, 62);
    }
}

TEST_F(TextRead, LineEndsAcrossTheReadBufferAreOneLineEnd)
{
    // Put a CR LF pair across the reader's 64 KiB chunks, and a long line.
    QByteArray data(65535, 'a');
    data += "\r\nnext\r\n";
    data += QByteArray(200000, 'b');
    data += "\rlast";
    const QStringList lines = readLines(write(data));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0].size(), 65535);
    EXPECT_EQ(lines[1], "next");
    EXPECT_EQ(lines[2].size(), 200000);
    EXPECT_EQ(lines[3], "last");
}

TEST_F(TextRead, Utf8AndWindows1252LinesAreBothRead)
{
    auto ts = fs.OpenTextFile(write("Caf\xC3\xA9\nCaf\xE9 \x93q\x94\n"));
    EXPECT_EQ(ts->ReadLine(), QString::fromUtf8("Café"));
    EXPECT_EQ(ts->encoding(), Encoding::Utf8);
    EXPECT_EQ(ts->ReadLine(), QString::fromUtf8("Café “q”"));
    EXPECT_EQ(ts->encoding(), Encoding::Windows1252);
}

TEST_F(TextRead, Windows1252BytesRoundTrip)
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n') all.append(char(b));
    const QString in = write(all + "\r\n");
    auto reader = fs.OpenTextFile(in);
    const QString line = reader->ReadLine();
    reader->Close();

    const QString outPath = dir.filePath("out.txt");
    auto writer = fs.CreateTextFile(outPath);
    writer->setEncoding(reader->encoding());
    writer->WriteLine(line);
    writer->Close();

    QFile out(outPath);
    out.open(QIODevice::ReadOnly);
    EXPECT_EQ(out.readAll(), all + "\r\n");
}

TEST_F(TextRead, ReadAllKeepsTheRestAsItIs)
{
    auto ts = fs.OpenTextFile(write("one\r\ntwo\nthree"));
    EXPECT_EQ(ts->ReadLine(), "one");
    EXPECT_EQ(ts->ReadAll(), "two\nthree");
    EXPECT_TRUE(ts->AtEndOfStream());
}
