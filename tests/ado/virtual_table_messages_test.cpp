// A file-backed table that fails inside a transaction (a full disk while a
// .dbf list is committed or put back) leaves its message with SQLite; closing
// the connection must give that memory back, whether or not SQLite reported
// the failure. A table that cannot be read must leave no half-made cursor
// behind either (that one only the sanitizer build sees).

#include "platform/ado/VirtualTables.h"
#include "platform/vb/Err.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

enum class FailingStep { None, Begin, Commit, Rollback };

struct MessageCase {
    const char* name;
    FailingStep failing;
    const char* sql;
};

void PrintTo(const MessageCase& c, std::ostream* os)
{
    *os << c.name;
}

class OneRowTable : public ado::vtab::Table {
public:
    explicit OneRowTable(FailingStep failing) : m_failing(failing) {}
    QString declaration() const override { return QStringLiteral("CREATE TABLE x(n)"); }
    std::unique_ptr<ado::vtab::Cursor> open() override
    {
        vb::Raise(vb::errnum::PermissionDenied, QStringLiteral("test"), QStringLiteral("not read here"));
    }
    qint64 update(int, sqlite3_value**) override { return 1; }
    void begin() override { failAt(FailingStep::Begin); }
    void commit() override { failAt(FailingStep::Commit); }
    void rollback() override { failAt(FailingStep::Rollback); }

private:
    void failAt(FailingStep step) const
    {
        if (step == m_failing)
            vb::Raise(vb::errnum::PermissionDenied, QStringLiteral("test"),
                      QStringLiteral("Cannot write to 'calls.dbf'."));
    }
    FailingStep m_failing;
};

// Opens a connection with the table, runs the statements, closes it again.
void RunAndClose(const MessageCase& c)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    ado::vtab::RegisterModule(db, "onerow",
                              [&](const QStringList&) { return std::make_unique<OneRowTable>(c.failing); });
    ASSERT_EQ(sqlite3_exec(db, "CREATE VIRTUAL TABLE calls USING onerow", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_exec(db, c.sql, nullptr, nullptr, nullptr);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(sqlite3_close(db), SQLITE_OK);
}

class VirtualTableMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(VirtualTableMessages, AFailingTableHoldsNoMemoryOnceTheConnectionIsClosed)
{
    const MessageCase c = GetParam();
    // Once, so that SQLite's own start-up allocations are behind us.
    RunAndClose({"", FailingStep::None, c.sql});
    const sqlite3_int64 before = sqlite3_memory_used();
    RunAndClose(c);
    EXPECT_EQ(sqlite3_memory_used(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, VirtualTableMessages,
    ::testing::Values(
        MessageCase{"BeginFails", FailingStep::Begin, "BEGIN; INSERT INTO calls VALUES (1); COMMIT"},
        MessageCase{"CommitFails", FailingStep::Commit, "BEGIN; INSERT INTO calls VALUES (1); COMMIT"},
        MessageCase{"RollbackFails", FailingStep::Rollback, "BEGIN; INSERT INTO calls VALUES (1); ROLLBACK"},
        MessageCase{"ReadFails", FailingStep::None, "SELECT * FROM calls"},
        MessageCase{"RollbackAfterAFailedWriteFails", FailingStep::Rollback,
                    "BEGIN; INSERT INTO calls VALUES (1); SELECT * FROM calls"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
