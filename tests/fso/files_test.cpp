// File operations and the errors VB reports for them.
#include "platform/fso/FileSystemObject.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace fso;

namespace {

int errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const vb::ErrObject& e) {
        return e.Number;
    }
    return 0;
}

class Files : public ::testing::Test {
protected:
    QString file(const QString& name, const QByteArray& data = "data")
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return path;
    }
    QByteArray content(const QString& path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QTemporaryDir dir;
    FileSystemObject fs;
};

} // namespace

TEST_F(Files, ExistsTellsFilesFromFolders)
{
    const QString f = file("a.txt");
    EXPECT_TRUE(fs.FileExists(f));
    EXPECT_FALSE(fs.FolderExists(f));
    EXPECT_TRUE(fs.FolderExists(dir.path()));
    EXPECT_FALSE(fs.FileExists(dir.path()));
    EXPECT_FALSE(fs.FileExists(dir.filePath("none.txt")));
    EXPECT_FALSE(fs.FileExists(""));
}

TEST_F(Files, OpeningErrors)
{
    EXPECT_EQ(errorOf([&] { fs.OpenTextFile(dir.filePath("none.txt")); }), 53);
    EXPECT_EQ(errorOf([&] { fs.OpenTextFile(dir.filePath("none.txt"), ForWriting); }), 53);
    EXPECT_EQ(errorOf([&] { fs.OpenTextFile(dir.filePath("none.txt"), ForAppending); }), 53);
    EXPECT_EQ(errorOf([&] { fs.OpenTextFile(dir.filePath("no/such/x.txt"), ForWriting, true); }), 76);
    EXPECT_EQ(errorOf([&] { fs.OpenTextFile(dir.path()); }), 70);
    EXPECT_EQ(errorOf([&] { fs.CreateTextFile(file("there.txt"), false); }), 58);
    EXPECT_EQ(errorOf([&] { fs.OpenTextFile(file("m.txt"), IOMode(3)); }), 5);
}

TEST_F(Files, ReadOnlyFileCannotBeWritten)
{
    const QString f = file("ro.txt", "keep");
    QFile::setPermissions(f, QFile::ReadOwner);
    if (QFileInfo(f).isWritable()) GTEST_SKIP() << "running with rights that ignore file permissions";
    EXPECT_EQ(errorOf([&] { fs.OpenTextFile(f, ForWriting); }), 70);
    EXPECT_EQ(errorOf([&] { fs.CopyFile(file("src.txt"), f, true); }), 70);
    EXPECT_EQ(content(f), "keep");
}

TEST_F(Files, DeleteFile)
{
    const QString f = file("a.txt");
    fs.DeleteFile(f);
    EXPECT_FALSE(fs.FileExists(f));
    EXPECT_EQ(errorOf([&] { fs.DeleteFile(f); }), 53);
    EXPECT_EQ(errorOf([&] { fs.DeleteFile(dir.filePath("no/such/a.txt")); }), 76);
}

TEST_F(Files, MoveFile)
{
    const QString a = file("a.txt", "A");
    const QString b = dir.filePath("b.txt");
    fs.MoveFile(a, b);
    EXPECT_FALSE(fs.FileExists(a));
    EXPECT_EQ(content(b), "A");
    EXPECT_EQ(errorOf([&] { fs.MoveFile(a, b); }), 53);
    const QString c = file("c.txt", "C");
    EXPECT_EQ(errorOf([&] { fs.MoveFile(c, b); }), 58);
    EXPECT_EQ(content(b), "A");
    QDir(dir.path()).mkdir("sub");
    fs.MoveFile(c, dir.filePath("sub/"));
    EXPECT_EQ(content(dir.filePath("sub/c.txt")), "C");
}

TEST_F(Files, CopyFile)
{
    const QString a = file("a.txt", "A");
    const QString b = file("b.txt", "B");
    EXPECT_EQ(errorOf([&] { fs.CopyFile(a, b, false); }), 58);
    EXPECT_EQ(content(b), "B");
    fs.CopyFile(a, b);
    EXPECT_EQ(content(b), "A");
    EXPECT_EQ(content(a), "A");
    EXPECT_EQ(errorOf([&] { fs.CopyFile(dir.filePath("none"), b); }), 53);
    EXPECT_EQ(errorOf([&] { fs.CopyFile(a, dir.filePath("no/such/b")); }), 76);
}
