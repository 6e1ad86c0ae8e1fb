// Writing and appending text files.
#include "platform/fso/FileSystemObject.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fso;

namespace {

class TextWrite : public ::testing::Test {
protected:
    QByteArray content(const QString& path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    void put(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(data);
    }
    QTemporaryDir dir;
    FileSystemObject fs;
};

} // namespace

TEST_F(TextWrite, WriteLineEndsWithCrLfAndWriteAddsNothing)
{
    const QString path = dir.filePath("out.txt");
    auto ts = fs.OpenTextFile(path, ForWriting, true);
    ts->Write("a");
    ts->WriteLine("b");
    ts->WriteBlankLines(1);
    ts->Write(QString::fromUtf8("é"));
    ts->Close();
    EXPECT_EQ(content(path), "ab\r\n\r\n\xC3\xA9");
}

TEST_F(TextWrite, WritingReplacesTheFileOnlyWhenClosed)
{
    const QString path = dir.filePath("out.txt");
    put(path, "old content");
    auto ts = fs.OpenTextFile(path, ForWriting);
    ts->Write("new");
    EXPECT_EQ(content(path), "old content");
    ts->Close();
    EXPECT_EQ(content(path), "new");
    ts->Close(); // a second close does nothing
}

TEST_F(TextWrite, ReleasingAStreamClosesIt)
{
    const QString path = dir.filePath("out.txt");
    fs.CreateTextFile(path)->Write("kept");
    EXPECT_EQ(content(path), "kept");
}

TEST_F(TextWrite, AppendingAddsToTheEnd)
{
    const QString path = dir.filePath("log.txt");
    put(path, "first\r\n");
    auto ts = fs.OpenTextFile(path, ForAppending);
    ts->WriteLine("second");
    ts->Close();
    EXPECT_EQ(content(path), "first\r\nsecond\r\n");
}

TEST_F(TextWrite, ReadingAWriteStreamIsABadFileMode)
{
    auto ts = fs.CreateTextFile(dir.filePath("w.txt"));
    try {
        ts->ReadLine();
        FAIL();
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, 54);
    }
}
