// A database file another program (another desktop) has open: every kind of
// write that meets its lock waits for it on the program's clock and says
// "Could not update; currently locked." only after the whole wait; the
// program's own store keeps a write-ahead journal, so that a reader's long
// run does not hold up a writer's commit.

#include "AdoTestSupport.h"

#include "platform/ado/SqliteProvider.h"
#include "platform/vb/Clock.h"
#include "support/SqliteFile.h"

#include <QFile>
#include <functional>

using adotest::ErrorOf;
using adotest::ScratchDb;

namespace {

// A fake clock that lets the other program go (runs release) once the
// waiting has lasted releaseAt seconds; never when releaseAt is negative.
class ReleasingClock : public vb::FakeClock {
public:
    void sleep(double seconds) override
    {
        vb::FakeClock::sleep(seconds);
        if (release && releaseAt >= 0 && monotonicSeconds() >= releaseAt) std::exchange(release, nullptr)();
    }
    double releaseAt = -1;
    std::function<void()> release;
};

struct Writer {
    const char* name;
    std::function<void(ado::Connection&)> write; // adds one row to t
};

const Writer kWriters[] = {
    {"Statement", [](ado::Connection& c) { c.Execute("insert into t values (1)"); }},
    {"Transaction", // as an import's area code or a settings save begins one
     [](ado::Connection& c) {
         c.BeginTrans();
         c.Execute("insert into t values (1)");
         c.CommitTrans();
     }},
    {"RecordsetUpdate",
     [](ado::Connection& c) {
         auto rs = ado::Recordset::Create();
         rs->Open("select * from t", c.shared_from_this(), ado::adOpenKeyset, ado::adLockOptimistic);
         rs->AddNew();
         rs->Fields().Item("a").SetValue(vb::Variant(1));
         rs->Update();
         rs->Close();
     }},
};

class LockedByAnother : public testing::TestWithParam<std::tuple<Writer, bool>> {
protected:
    void SetUp() override
    {
        db.exec("create table t (a long)");
        vb::SetClock(&clock);
    }
    void TearDown() override { vb::SetClock(nullptr); }

    ScratchDb db;
    ReleasingClock clock;
};

} // namespace

TEST_P(LockedByAnother, AWriterWaitsTheWholeWaitBeforeSayingItIsLocked)
{
    const auto& [writer, released] = GetParam();
    testsupport::Db other(db.path);
    other.exec("BEGIN IMMEDIATE; INSERT INTO t VALUES (7)");
    if (released) {
        clock.releaseAt = 10;
        clock.release = [&other] { other.exec("COMMIT"); };
    }
    if (released) {
        writer.write(*db.conn);
        EXPECT_EQ(db.scalar("select count(*) from t").toLong(), 2);
        EXPECT_LT(clock.monotonicSeconds(), ado::kLockWaitSeconds);
    } else {
        const vb::ErrObject e = ErrorOf([&] { writer.write(*db.conn); });
        EXPECT_EQ(e.Description, "Could not update; currently locked.");
        EXPECT_GE(clock.monotonicSeconds(), ado::kLockWaitSeconds)
            << "the message came before the wait ended";
        if (db.conn->TransactionLevel() > 0) db.conn->RollbackTrans();
        other.exec("ROLLBACK");
        EXPECT_EQ(db.scalar("select count(*) from t").toLong(), 0) << "nothing of the failed write stays";
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, LockedByAnother,
                         testing::Combine(testing::ValuesIn(kWriters), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_ReleasedMidway" : "_HeldThroughout");
                         });

TEST(SharedStore, AReadersOpenRunDoesNotHoldUpAWritersCommit)
{
    ScratchDb made;
    made.exec("create table t (a long)");
    made.conn->Close();
    ado::ShareDatabaseFile(made.path);
    vb::FakeClock clock;
    vb::SetClock(&clock);

    auto writer = ado::Connection::Create();
    writer->Open(made.cs());
    auto reader = ado::Connection::Create();
    reader->Open(made.cs());
    reader->BeginReadTrans();
    EXPECT_EQ(reader->Execute("select count(*) from t")->Value(0).toLong(), 0);

    writer->BeginTrans();
    writer->Execute("insert into t values (1)");
    writer->CommitTrans();
    EXPECT_EQ(clock.slept(), 0) << "the writer waited for the reader";
    EXPECT_TRUE(QFile::exists(made.path + "-wal"));
    // The reader's run reads the store as it stood when the run began.
    EXPECT_EQ(reader->Execute("select count(*) from t")->Value(0).toLong(), 0);
    reader->CommitTrans();
    EXPECT_EQ(reader->Execute("select count(*) from t")->Value(0).toLong(), 1);

    reader->Close();
    writer->Close();
    vb::SetClock(nullptr);
    // The last one out folds the journal back into the file.
    EXPECT_FALSE(QFile::exists(made.path + "-wal"));
    EXPECT_FALSE(ado::OnNetworkFileSystem(made.path));
}
