// Compacting the DNC database from the options dialog: the files on disk
// after success, after a refusal and after each kind of failure.

#include "OptionsFixture.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace {

class OptionsCompact : public OptionsTest {
protected:
    void SetUp() override
    {
        OptionsTest::SetUp();
        // 2000 rows of which 1990 are deleted again: pages to give back.
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

// A work "file" that cannot be moved into place.
class UnmovableResult : public frmOptions {
public:
    bool CompactDB(const QString&, const QString& destination) override
    {
        return QDir().mkpath(destination + "/x");
    }
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

TEST_F(OptionsCompact, FailedReplacementPutsTheOriginalBack)
{
    UnmovableResult substitute;
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Database Manager"), ui::vbCritical);
    EXPECT_FALSE(substitute.MakeCompact());
    EXPECT_TRUE(scripted.calls().back().text.contains(QStringLiteral("Compact Database")));
    EXPECT_EQ(readFile(databasePath()), original);
    EXPECT_FALSE(leftover("Old"));
}
