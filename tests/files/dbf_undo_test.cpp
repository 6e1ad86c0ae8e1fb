// A transaction over a .dbf: writes go to the file at once, and a rollback
// puts back every byte they changed, the header and the file's length too.

#include "DataFileHelpers.h"

#include "platform/files/DbfTable.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Err.h"

#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using filestest::TempFolder;

namespace {

struct UndoCase {
    const char* name;
    std::function<void(files::DbfTable&)> writes;
};

class DbfUndo : public ::testing::TestWithParam<UndoCase> {};

void MakeTable(const QString& path)
{
    files::DbfTable::create(path, {{QStringLiteral("PHONE"), 'C', 10}, {QStringLiteral("CODE"), 'N', 4}},
                            0x03);
    files::DbfTable t(path);
    t.appendRecord({vb::Variant(QStringLiteral("2015551234")), vb::Variant(1.0)});
    t.appendRecord({vb::Variant(QStringLiteral("2015550000")), vb::Variant(2.0)});
}

} // namespace

TEST_P(DbfUndo, ARollbackLeavesTheFileAsItWas)
{
    // A later day than the table's creation, so the header's date changes.
    vb::FakeClock clock{QDateTime(QDate(2031, 5, 6), QTime(9, 0))};
    vb::SetClock(&clock);
    TempFolder dir;
    const QString path = dir.path(QStringLiteral("calls.dbf"));
    {
        vb::FakeClock created{QDateTime(QDate(2007, 3, 2), QTime(9, 0))};
        vb::SetClock(&created);
        MakeTable(path);
        vb::SetClock(&clock);
    }
    const QByteArray before = filestest::ReadFile(path);

    files::DbfTable t(path);
    t.beginUndo();
    GetParam().writes(t);
    EXPECT_NE(filestest::ReadFile(path), before) << "the writes reach the file at once";
    t.rollbackUndo();

    EXPECT_EQ(filestest::ReadFile(path), before);
    EXPECT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.value(1, 0).text(), QStringLiteral("2015550000"));
    vb::SetClock(nullptr);
}

TEST_P(DbfUndo, ACommitKeepsTheWrites)
{
    TempFolder dir;
    const QString path = dir.path(QStringLiteral("calls.dbf"));
    MakeTable(path);
    QByteArray written;
    {
        files::DbfTable t(path);
        GetParam().writes(t);
        written = filestest::ReadFile(path);
    }
    MakeTable(path);
    files::DbfTable t(path);
    t.beginUndo();
    GetParam().writes(t);
    t.commitUndo();
    t.rollbackUndo(); // nothing left to take back

    EXPECT_EQ(filestest::ReadFile(path), written);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, DbfUndo,
    ::testing::Values(UndoCase{"field", [](files::DbfTable& t) { t.setValue(0, 1, vb::Variant(95.0)); }},
                      UndoCase{"sameFieldTwice",
                               [](files::DbfTable& t) {
                                   t.setValue(1, 0, vb::Variant(QStringLiteral("X")));
                                   t.setValue(1, 0, vb::Variant(QStringLiteral("Y")));
                               }},
                      UndoCase{"deletedFlag", [](files::DbfTable& t) { t.setDeleted(0, true); }},
                      UndoCase{
                          "appendedRecord",
                          [](files::DbfTable& t) {
                              t.appendRecord({vb::Variant(QStringLiteral("9731234567")), vb::Variant(3.0)});
                          }}),
    [](const ::testing::TestParamInfo<UndoCase>& info) { return std::string(info.param.name); });

namespace {

// The table and its journal as a process killed at this moment leaves them.
void LeaveAsKilled(const QString& path, const QString& folder)
{
    for (const QString& from : {path, files::DbfTable::undoJournalPath(path)})
        QFile::copy(from, QDir(folder).filePath(QFileInfo(from).fileName()));
}

} // namespace

TEST_P(DbfUndo, ATransactionCutShortIsUndoneWhenTheTableIsNextOpened)
{
    TempFolder dir;
    TempFolder killed;
    const QString path = dir.path(QStringLiteral("calls.dbf"));
    MakeTable(path);
    const QByteArray before = filestest::ReadFile(path);
    {
        files::DbfTable t(path);
        t.beginUndo();
        GetParam().writes(t);
        LeaveAsKilled(path, killed.path(QString()));
        t.commitUndo();
    }
    EXPECT_FALSE(QFileInfo::exists(files::DbfTable::undoJournalPath(path))) << "a commit drops the journal";

    const QString left = killed.path(QStringLiteral("calls.dbf"));
    ASSERT_TRUE(QFileInfo::exists(files::DbfTable::undoJournalPath(left)));
    {
        files::DbfTable reopened(left, files::DbfTable::Mode::ReadOnly);
        EXPECT_EQ(reopened.recordCount(), 2);
    }
    EXPECT_EQ(filestest::ReadFile(left), before);
    EXPECT_FALSE(QFileInfo::exists(files::DbfTable::undoJournalPath(left)));
}

TEST(DbfUndoJournal, AJournalCutShortBeforeItsHeaderEndedChangesNothing)
{
    TempFolder dir;
    const QString path = dir.path(QStringLiteral("calls.dbf"));
    MakeTable(path);
    const QByteArray before = filestest::ReadFile(path);
    QFile journal(files::DbfTable::undoJournalPath(path));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.write("TVDBF");
    journal.close();

    files::DbfTable t(path);
    EXPECT_EQ(filestest::ReadFile(path), before);
    EXPECT_FALSE(journal.exists());
}

TEST(DbfUndoJournal, AnOpenWhileATransactionRunsLeavesItsJournalAlone)
{
    TempFolder dir;
    const QString path = dir.path(QStringLiteral("calls.dbf"));
    MakeTable(path);
    files::DbfTable writer(path);
    writer.beginUndo();
    writer.setValue(0, 0, vb::Variant(QStringLiteral("X")));
    {
        files::DbfTable reader(path, files::DbfTable::Mode::ReadOnly);
        // What the transaction has not committed yet is not seen from another open.
        EXPECT_EQ(reader.value(0, 0).text(), QStringLiteral("2015551234"));
    }
    EXPECT_TRUE(QFileInfo::exists(files::DbfTable::undoJournalPath(path)));
    writer.rollbackUndo();
    EXPECT_FALSE(QFileInfo::exists(files::DbfTable::undoJournalPath(path)));
    EXPECT_EQ(writer.value(0, 0).text(), QStringLiteral("2015551234"));
}

// A link planted at the journal's name, pointing at the name of a database's
// journal; another user's second name (a hard link, in a shared folder) of
// the user's own file that holds a journal of the table; a pipe: none is
// played back, written through, emptied or waited on, and no transaction
// starts over it.
TEST(DbfUndoJournal, ALinkAtTheJournalsNameIsRefusedAndNotWrittenThrough)
{
    for (const char* plant : {"link", "hardLink", "pipe"}) {
        SCOPED_TRACE(plant);
        if (plant[0] == 'h' && ::geteuid() != 0) {
            std::printf("another user's hard link is planted as root only: skipped\n");
            continue;
        }
        TempFolder dir;
        TempFolder killed;
        const QString path = dir.path(QStringLiteral("calls.dbf"));
        MakeTable(path);
        {
            files::DbfTable t(path);
            t.beginUndo();
            t.setDeleted(1, true);
            t.syncUndo();
            LeaveAsKilled(path, killed.path(QString()));
            t.rollbackUndo();
        }
        const QString left = killed.path(QStringLiteral("calls.dbf"));
        const QString notes = killed.path(QStringLiteral("notes.txt"));
        const QByteArray journal = QFile::encodeName(files::DbfTable::undoJournalPath(left));
        ASSERT_TRUE(QFile::rename(QFile::decodeName(journal), notes));
        const QByteArray table = filestest::ReadFile(left);
        const QByteArray note = filestest::ReadFile(notes);
        if (plant[0] == 'l') ASSERT_EQ(::symlink("Tervala.mdb-journal", journal.constData()), 0);
        if (plant[0] == 'p') ASSERT_EQ(::mkfifo(journal.constData(), 0600), 0);
        if (plant[0] == 'h') {
            // The user's group-writable file, linked by uid 4321 of the group.
            ASSERT_EQ(::chown(QFile::encodeName(notes).constData(), 0, 4321), 0);
            ::chmod(QFile::encodeName(notes).constData(), 0660),
                ::chmod(QFile::encodeName(killed.path("")), 0777);
            ::setegid(4321), ::seteuid(4321);
            const int linked = ::link(QFile::encodeName(notes).constData(), journal.constData());
            ::seteuid(0), ::setegid(0);
            ASSERT_EQ(linked, 0);
        }
        files::DbfTable t(left);
        EXPECT_THROW(t.beginUndo(), vb::ErrObject);
        EXPECT_EQ(filestest::ReadFile(left), table);
        EXPECT_EQ(filestest::ReadFile(notes), note);
        EXPECT_FALSE(QFileInfo::exists(killed.path(QStringLiteral("Tervala.mdb-journal"))));
    }
}
