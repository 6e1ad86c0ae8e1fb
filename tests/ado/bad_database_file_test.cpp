// A program database that is not one (another kind of file, nothing, or a
// database cut off halfway): opening it or reading from it fails with an
// error naming the file, and the file is left exactly as it was.

#include "AdoTestSupport.h"

#include <QFile>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using adotest::ScratchDb;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A database of some size, to cut.
QByteArray wholeDatabase()
{
    ScratchDb db("whole.mdb");
    db.exec("create table phone201 (phone integer not null primary key)");
    db.conn->BeginTrans();
    for (int i = 0; i < 3000; ++i)
        db.exec(QStringLiteral("insert into phone201 values (%1)").arg(5550000 + i));
    db.conn->CommitTrans();
    db.conn->Close();
    return fileBytes(db.path);
}

// A journal another user left beside a database, as its rollback would
// read it: it puts back the one page of an empty database.
QByteArray OnePageJournal()
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("tiny.mdb"));
    sqlite3* db = nullptr;
    sqlite3_open(path.constData(), &db);
    sqlite3_exec(db,
                 "pragma user_version=1; pragma cache_size=1; begin; create table t (a);"
                 "with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000) "
                 "insert into t select randomblob(100) from n;",
                 nullptr, nullptr, nullptr);
    const QByteArray journal = fileBytes(QString::fromLocal8Bit(path) + "-journal");
    sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return journal;
}

// Who put the journal there, and when.
enum class Plant { OtherUser, HardLinkToUsersFile, OtherUserAfterTheChecks };

struct BadDatabase {
    const char* what;
    std::function<QByteArray()> bytes;
    const char* journal = nullptr; // "-journal" or "-wal": of OnePageJournal
    Plant plant = Plant::OtherUser;
};

// Runs a plant as the engine opens the database file, after every check
// made before the open: a layer over the engine's file access above the
// program's own.
struct PlantAtOpen {
    static inline sqlite3_vfs* below = nullptr;
    static inline std::function<void()> plant;
    sqlite3_vfs vfs{};
    explicit PlantAtOpen(std::function<void()> p)
    {
        below = sqlite3_vfs_find(nullptr);
        vfs = *below;
        vfs.zName = "plant-at-open";
        vfs.pNext = nullptr;
        vfs.xOpen = [](sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out) {
            const int rc = below->xOpen(below, name, f, flags, out);
            if ((flags & SQLITE_OPEN_MAIN_DB) && plant) std::exchange(plant, nullptr)();
            return rc;
        };
        plant = std::move(p);
        sqlite3_vfs_register(&vfs, 1);
    }
    ~PlantAtOpen() { sqlite3_vfs_unregister(&vfs); }
};

void PrintTo(const BadDatabase& b, std::ostream* os)
{
    *os << b.what;
}

class BadDatabaseFile : public ::testing::TestWithParam<BadDatabase> {};

TEST_P(BadDatabaseFile, FailsWithItsNameAndStaysAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Broken.mdb");
    const QByteArray bytes = GetParam().bytes();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const Plant plant = GetParam().plant;
    if (GetParam().journal && plant != Plant::HardLinkToUsersFile && ::geteuid() != 0)
        GTEST_SKIP() << "only root can make a file of another user";
    const auto putJournal = [&] {
        const QString journal = path + GetParam().journal, mine = dir.filePath("ok.txt");
        QFile f(plant == Plant::HardLinkToUsersFile ? mine : journal);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(OnePageJournal()) > 0 && f.flush());
        if (plant == Plant::HardLinkToUsersFile)
            ASSERT_EQ(::link(QFile::encodeName(mine).constData(), QFile::encodeName(journal).constData()), 0);
        else
            ASSERT_EQ(::fchown(f.handle(), 4321, 4321), 0);
    };
    if (GetParam().journal && plant != Plant::OtherUserAfterTheChecks) putJournal();
    try {
        std::optional<PlantAtOpen> late;
        if (plant == Plant::OtherUserAfterTheChecks) late.emplace(putJournal);
        auto conn = ado::Connection::Create();
        conn->Open(adotest::JetCs(path));
        auto rs = conn->Execute("select count(*) from phone201");
        long n = 0;
        for (; !rs->Eof(); rs->MoveNext())
            ++n;
        auto all = conn->Execute("select sum(phone) from phone201");
        FAIL() << "a damaged database must not read as good";
    } catch (const vb::ErrObject& e) {
        EXPECT_TRUE(e.Description.contains("Broken.mdb")) << e.Description.toStdString();
    }
    EXPECT_EQ(fileBytes(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadDatabaseFile,
    ::testing::Values(
        BadDatabase{"a text file", [] { return QByteArray("Phone,Name\r\n2015551234,Ann\r\n"); }},
        BadDatabase{"no bytes", [] { return QByteArray(); }},
        BadDatabase{"cut off halfway",
                    [] {
                        const QByteArray whole = wholeDatabase();
                        return whole.left(whole.size() / 2);
                    }},
        BadDatabase{"whole beside another user's journal", wholeDatabase, "-journal"},
        BadDatabase{"whole beside another user's wal", wholeDatabase, "-wal"},
        BadDatabase{"whole beside a hard link at its journal", wholeDatabase, "-journal",
                    Plant::HardLinkToUsersFile},
        BadDatabase{"whole beside a hard link at its wal", wholeDatabase, "-wal", Plant::HardLinkToUsersFile},
        BadDatabase{"whole as another user's journal appears after the checks", wholeDatabase, "-journal",
                    Plant::OtherUserAfterTheChecks}));

} // namespace

namespace {

// A journal a colleague's crashed run left beside a database everyone may
// write (a shared office folder) is the database's own: it is played back,
// and the database reads as it was before that run.
TEST(ColleaguesJournal, IsPlayedBackWhereTheColleagueMayWriteTheDatabase)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a file of another user";
    QTemporaryDir dir;
    const QString path = dir.filePath("Shared.mdb");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(wholeDatabase()) > 0);
    }
    // The colleague's run, caught with half its deletions in the file.
    QByteArray crashed, journal;
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        sqlite3_exec(db, "pragma cache_size=1; begin; delete from phone201 where phone % 2 = 0;", nullptr,
                     nullptr, nullptr);
        crashed = fileBytes(path);
        journal = fileBytes(path + "-journal");
        sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    ASSERT_FALSE(journal.isEmpty());
    for (const auto& [name, bytes] : {std::pair{path, crashed}, std::pair{path + "-journal", journal}}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush());
        if (name != path) {
            ASSERT_EQ(::fchown(f.handle(), 4321, 4321), 0);
        }
    }
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);
    auto conn = ado::Connection::Create();
    conn->Open(adotest::JetCs(path));
    auto rs = conn->Execute("select count(*) from phone201");
    EXPECT_EQ(rs->Fields().Item(0).Value().toLong(), 3000);
    conn->Close();
}

} // namespace
