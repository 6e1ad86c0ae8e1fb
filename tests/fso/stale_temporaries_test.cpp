// Hidden temporaries a killed replacement left beside a file: the next
// replacement of that file removes those no live writer holds, and nothing
// else.

#include "platform/fso/FileReplace.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

struct Leftover {
    const char* name;  // the file lying beside ok.txt
    bool heldByWriter; // a live writer holds its lock
    bool removed;      // the next replacement of ok.txt removes it
};

class StaleTemporaries : public ::testing::TestWithParam<Leftover> {};

TEST_P(StaleTemporaries, TheNextReplacementRemovesOnlyUnheldTemporariesOfItsFile)
{
    const Leftover& c = GetParam();
    QTemporaryDir dir;
    const QString left = dir.filePath(QString::fromLatin1(c.name));
    {
        QFile f(left);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1234567890\r\n");
    }
    int writer = -1;
    if (c.heldByWriter) {
        writer = ::open(QFile::encodeName(left).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(writer, 0);
        ASSERT_EQ(::flock(writer, LOCK_SH | LOCK_NB), 0);
    }
    fso::WriteWholeFile(dir.filePath(QStringLiteral("ok.txt")), "new\r\n");
    if (writer >= 0) ::close(writer);
    EXPECT_EQ(QFile::exists(left), !c.removed) << c.name;
    QFile ok(dir.filePath(QStringLiteral("ok.txt")));
    ASSERT_TRUE(ok.open(QIODevice::ReadOnly));
    EXPECT_EQ(ok.readAll(), QByteArray("new\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Leftovers, StaleTemporaries,
    ::testing::Values(Leftover{".ok.txt.SLw9YypF", false, true}, Leftover{".ok.txt.SLw9YypF", true, false},
                      Leftover{".ok.txt.SLw9Yyp", false, false}, Leftover{".ok.txt.SLw9Yy-F", false, false},
                      Leftover{".dnc.txt.SLw9YypF", false, false}, Leftover{"ok.txt.SLw9YypF", false, false},
                      Leftover{".ok.txt.SLw9YypF.bak", false, false}));

} // namespace
