// Compacting the DNC database from the options dialog: the files on disk
// after success, after a refusal and after each kind of failure.

#include "OptionsFixture.h"

#include "support/SqliteFile.h"

#include <QFileInfo>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class OptionsCompact : public OptionsTest {
protected:
    void SetUp() override
    {
        OptionsTest::SetUp();
        // The program's tables, and 2000 rows of which 1990 are deleted
        // again: pages to give back.
        testsupport::MakeDatabase(databasePath());
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(databasePath()).constData(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE phone201 (phone INTEGER PRIMARY KEY, note TEXT);"
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)"
                     " INSERT INTO phone201 SELECT 5550000 + i, printf('%.200c', 'x') FROM n;"
                     "DELETE FROM phone201 WHERE phone > 5550010;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        original = readFile(databasePath());
    }

    // Presses "Compact Database", answering the question and then the
    // messages that follow in order.
    void press(int answer, std::initializer_list<std::pair<QString, int>> then = {})
    {
        scripted.expectMsgBox(answer,
                              QStringLiteral("It may take a few minutes to compact the DNC database, "
                                             "press Yes to continue."),
                              ui::vbYesNo | ui::vbQuestion);
        for (const auto& [text, style] : then)
            scripted.expectMsgBox(ui::vbOK, text, style);
        form.AdminCP.at(5)->click();
    }
    // Rows of phone201, or -1 when the file is no readable database.
    int rowCount() const
    {
        sqlite3* db = nullptr;
        sqlite3_stmt* st = nullptr;
        int count = -1;
        sqlite3_open_v2(QFile::encodeName(databasePath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM phone201", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            count = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return count;
    }
    bool leftover(const char* suffix) const
    {
        return QFileInfo::exists(databasePath() + QLatin1String(suffix));
    }

    const QString failed = QStringLiteral("Database Compaction failed! Please try again.");
    QByteArray original;
    frmOptions form;
};

} // namespace

TEST_F(OptionsCompact, SuccessLeavesOnlyTheCompactedDatabase)
{
    writeFile(databasePath() + QStringLiteral("CMP"), "stale work file of an earlier run");
    writeFile(databasePath() + QStringLiteral("Old"), "old copy of an earlier run");
    press(ui::vbYes, {{QStringLiteral("Database has been Compacted successfully!"), ui::vbInformation}});
    EXPECT_EQ(rowCount(), 10);
    EXPECT_LT(QFileInfo(databasePath()).size(), original.size());
    EXPECT_FALSE(leftover("CMP") || leftover("Old"));
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(OptionsCompact, SharedConnectionIsReopenedOnTheCompactedFile)
{
    ASSERT_TRUE(gDataAccess->OpenConnection());
    EXPECT_TRUE(form.MakeCompact());
    EXPECT_TRUE(gDataAccess->IsConnected());
    // A row written through the shared connection now lands in the file
    // under the database's name, not in the replaced one.
    EXPECT_TRUE(gDataAccess->ExecQuery(QStringLiteral("INSERT INTO phone201 (phone) VALUES (5559999)")));
    EXPECT_EQ(rowCount(), 11);
}

TEST_F(OptionsCompact, RelativeDatabaseIsTakenUnderTheProgramFolder)
{
    gOption->SetODBCDatabase(QStringLiteral("Database/Tervala.mdb"));
    EXPECT_TRUE(form.MakeCompact());
    EXPECT_LT(QFileInfo(databasePath()).size(), original.size());
}

TEST_F(OptionsCompact, AnsweringNoChangesNothing)
{
    press(ui::vbNo);
    EXPECT_EQ(readFile(databasePath()), original);
}

TEST_F(OptionsCompact, WhatIsNoDatabaseFileOfOursIsRefusedUntouchedAndSaysWhy)
{
    writeFile(databasePath() + QStringLiteral("CMP"), "stale");
    writeFile(databasePath(), "not a database at all");
    press(ui::vbYes, {{QStringLiteral("is not a database file of this program."), ui::vbExclamation},
                      {failed, ui::vbExclamation}});
    EXPECT_EQ(readFile(databasePath()), QByteArray("not a database at all"));
    EXPECT_EQ(readFile(databasePath() + QStringLiteral("CMP")), QByteArray("stale"));

    // A database of another program: the engine's own kind, not ours.
    const QString customers = home.filePath(QStringLiteral("customers.db"));
    {
        testsupport::Db db(customers);
        db.exec(QStringLiteral("create table Customers (Name text, Phone text);"
                               "insert into Customers values ('Ann', '2015550000');"
                               "create table Gone (x); drop table Gone;"));
    }
    const QByteArray customersBytes = readFile(customers);
    gOption->SetODBCDatabase(customers);
    press(ui::vbYes,
          {{QStringLiteral("customers.db' is not a database file of this program."), ui::vbExclamation},
           {failed, ui::vbExclamation}});
    EXPECT_EQ(readFile(customers), customersBytes);
    EXPECT_FALSE(QFileInfo::exists(customers + QStringLiteral("CMP")));

    gOption->SetODBCDatabase(home.filePath(QStringLiteral("Missing.mdb")));
    press(ui::vbYes,
          {{QStringLiteral("Missing.mdb' does not exist."), ui::vbExclamation}, {failed, ui::vbExclamation}});
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("Missing.mdb"))));

    gOption->SetODBCDatabase(databasePath());
    gOption->SetODBCProvider(QStringLiteral("SQLOLEDB"));
    press(ui::vbYes, {{QStringLiteral("only a database file can be compacted."), ui::vbExclamation},
                      {failed, ui::vbExclamation}});
}

TEST_F(OptionsCompact, EngineFailureLeavesTheDatabaseUntouched)
{
    QDir().mkpath(databasePath() + QStringLiteral("CMP")); // the engine cannot write its work file
    press(ui::vbYes,
          {{QStringLiteral("Database already exists."), ui::vbExclamation}, {failed, ui::vbExclamation}});
    EXPECT_EQ(readFile(databasePath()), original);
    EXPECT_FALSE(leftover("Old"));
}

namespace {

// Another connection to the database: its journal mode, and what it is doing
// as Compact Database is pressed.
struct OtherUse {
    const char* name;
    const char* journal; // "delete" (a rollback journal) or "wal"
    const char* doing;   // run on the other connection before the press
    bool inUse;          // the compaction is refused as in use
    int rows;            // the rows of phone201 in the end
};

void PrintTo(const OtherUse& u, std::ostream* os)
{
    *os << u.name;
}

class OptionsCompactBeside : public OptionsCompact, public ::testing::WithParamInterface<OtherUse> {};

} // namespace

// The file is compacted only when no other connection could lose anything
// by it: one inside a transaction (reading or writing), or one that has the
// file open at all under a write-ahead journal, makes it "in use" and the
// file stays as it was. An idle connection under a rollback journal holds
// no lock and cannot be seen; the file is compacted where it is, so that
// connection goes on with the compacted file and its later rows land in it.
TEST_P(OptionsCompactBeside, AFileAnotherConnectionUsesIsLeftAsItIsAndItsRowsStay)
{
    const OtherUse& use = GetParam();
    {
        testsupport::Db db(databasePath());
        db.exec(QStringLiteral("PRAGMA journal_mode=%1").arg(QLatin1String(use.journal)));
    }
    original = readFile(databasePath());
    testsupport::Db other(databasePath());
    other.exec(QStringLiteral("select count(*) from phone201"));
    other.exec(QLatin1String(use.doing));

    if (use.inUse) {
        press(ui::vbYes, {{QStringLiteral("Tervala.mdb'; file already in use."), ui::vbExclamation},
                          {failed, ui::vbExclamation}});
        EXPECT_EQ(readFile(databasePath()), original);
        EXPECT_FALSE(leftover("CMP"));
    } else {
        press(ui::vbYes, {{QStringLiteral("Database has been Compacted successfully!"), ui::vbInformation}});
        EXPECT_LT(QFileInfo(databasePath()).size(), original.size());
    }
    if (QByteArray(use.doing).startsWith("begin")) other.exec(QStringLiteral("commit"));
    other.exec(QStringLiteral("insert into phone201 (phone) values (5558888)"));
    EXPECT_EQ(rowCount(), use.rows) << "rows the other connection wrote are in the file";
    EXPECT_EQ(testsupport::Db(databasePath()).scalar(QStringLiteral("pragma integrity_check")),
              QStringLiteral("ok"));
}

INSTANTIATE_TEST_SUITE_P(
    Compact, OptionsCompactBeside,
    ::testing::Values(OtherUse{"WritingUnderARollbackJournal", "delete",
                               "begin; insert into phone201 (phone) values (5557777)", true, 12},
                      OtherUse{"ReadingUnderARollbackJournal", "delete",
                               "begin; select count(*) from phone201", true, 11},
                      OtherUse{"IdleUnderARollbackJournal", "delete", "select 1", false, 11},
                      OtherUse{"HoldingItExclusively", "delete", "begin exclusive", true, 11},
                      OtherUse{"WritingUnderAWriteAheadJournal", "wal",
                               "begin; insert into phone201 (phone) values (5557777)", true, 12},
                      OtherUse{"IdleUnderAWriteAheadJournal", "wal",
                               "insert into phone201 (phone) values (5557777)", true, 12}),
    [](const auto& info) { return std::string(info.param.name); });

// Compacting keeps what the file is beside its pages: its mode, owner and
// group, and a symbolic link stays a link with the file it names compacted.
TEST_F(OptionsCompact, ModeOwnerGroupAndASymbolicLinkAreKept)
{
    const QString real = home.filePath(QStringLiteral("store/DNC.mdb"));
    QDir().mkpath(home.filePath(QStringLiteral("store")));
    ASSERT_TRUE(QFile::rename(databasePath(), real));
    ASSERT_TRUE(QFile::link(real, databasePath()));
    const QByteArray file = QFile::encodeName(real);
    ASSERT_EQ(::chmod(file.constData(), 0640), 0);
    // Another owner and group where this process may give them.
    const bool chowned = ::geteuid() == 0 && ::chown(file.constData(), 4321, 4322) == 0;
    struct stat before {};
    ASSERT_EQ(::stat(file.constData(), &before), 0);

    press(ui::vbYes, {{QStringLiteral("Database has been Compacted successfully!"), ui::vbInformation}});
    struct stat after {};
    ASSERT_EQ(::stat(file.constData(), &after), 0);
    EXPECT_TRUE(QFileInfo(databasePath()).isSymLink());
    EXPECT_EQ(QFileInfo(databasePath()).symLinkTarget(), real);
    EXPECT_LT(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    if (chowned) EXPECT_EQ(after.st_gid, gid_t(4322));
    EXPECT_EQ(rowCount(), 10);
    EXPECT_EQ(QDir(home.filePath(QStringLiteral("store"))).entryList(QDir::Files), QStringList{"DNC.mdb"});
}
