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
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Leftover {
    const char* name;  // the file lying beside ok.txt; "%ino": its own inode, in hex
    bool heldByWriter; // a live writer holds its lock
    bool removed;      // the next replacement of ok.txt removes it
    const char* content = "1234567890\r\n";
    bool secondName = false; // another name links to it as well
};

class StaleTemporaries : public ::testing::TestWithParam<Leftover> {};

TEST_P(StaleTemporaries, TheNextReplacementRemovesOnlyUnheldTemporariesOfItsFile)
{
    const Leftover& c = GetParam();
    QTemporaryDir dir;
    const QString made = dir.filePath(QStringLiteral("made"));
    {
        QFile f(made);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(made).constData(), &st), 0);
    const QString left = dir.filePath(
        QString::fromLatin1(c.name).replace(QLatin1String("%ino"), QString::number(quint64(st.st_ino), 16)));
    ASSERT_TRUE(QFile::rename(made, left));
    if (c.secondName)
        ASSERT_TRUE(::link(QFile::encodeName(left).constData(), QFile::encodeName(made).constData()) == 0);
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

// Then a group journal a kill cut short as it was made (empty), held or
// not, another name's (a hard link another user may make to a file of the
// user's), and a user's look-alike; last, a user's hidden files that look
// like an older temporary.
INSTANTIATE_TEST_SUITE_P(
    Leftovers, StaleTemporaries,
    ::testing::Values(
        Leftover{".ok.txt.tervala-journal-Ab12Cd34", false, true, ""},
        Leftover{".ok.txt.tervala-journal-Ab12Cd34", false, false, "", true},
        Leftover{".ok.txt.tervala-journal-Ab12Cd34", true, false, ""},
        Leftover{".ok.txt.tervala-journal-Ab12Cd34", false, false},
        Leftover{".ok.txt.tervala-%ino", false, true}, Leftover{".ok.txt.tervala-%ino", true, false},
        Leftover{".ok.txt.tervala-1", false, false}, Leftover{".ok.txt.tervala-%ino0", false, false},
        Leftover{".dnc.txt.tervala-%ino", false, false}, Leftover{"ok.txt.tervala-%ino", false, false},
        Leftover{".ok.txt.SLw9YypF", false, false}, Leftover{".ok.txt.original", false, false},
        Leftover{".ok.txt.20261201", false, false}, Leftover{".ok.txt.SLw9Yy-F", false, false},
        Leftover{".ok.txt.SLw9YypF.bak", false, false}));

} // namespace
