// SaveTextFile: the text written as it is, or the failure reported.
#include "platform/fso/SaveTextFile.h"

#include "support/ScriptedUi.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class SaveTextFileTest : public ScriptedUiTest {
protected:
    QByteArray content(const QString& path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(SaveTextFileTest, CreatesTheFileWithTheTextUnchanged)
{
    const QString path = dir.filePath("out.txt");
    EXPECT_TRUE(SaveTextFile(path, "line1\r\nline2", 2));
    EXPECT_EQ(content(path), "line1\r\nline2");
}

TEST_F(SaveTextFileTest, ReplacesTheContent)
{
    const QString path = dir.filePath("out.txt");
    ASSERT_TRUE(SaveTextFile(path, "a much longer first content", 2));
    EXPECT_TRUE(SaveTextFile(path, "short", 2));
    EXPECT_EQ(content(path), "short");
    EXPECT_TRUE(dir.isValid());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"out.txt"})); // nothing left beside it
}

TEST_F(SaveTextFileTest, AppendModeAddsToTheEnd)
{
    const QString path = dir.filePath("log.txt");
    ASSERT_TRUE(SaveTextFile(path, "one;", 2));
    EXPECT_TRUE(SaveTextFile(path, "two", 8));
    EXPECT_EQ(content(path), "one;two");
}

TEST_F(SaveTextFileTest, FailureIsReportedAndGivesFalse)
{
    const QString path = dir.filePath("missing/out.txt");
    scripted.expectMsgBox(
        ui::vbOK,
        "Error Number:76\r\nError Message:Path not found\r\nModule:\r\nFunction:Save Text File:" + path,
        ui::vbCritical);
    EXPECT_FALSE(SaveTextFile(path, "x", 2));
}
