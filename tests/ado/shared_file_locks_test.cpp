// A database file another program (another desktop) has open: every kind of
// write that meets its lock, a writer's or a reader's whose run holds up the
// commit, waits for it on the program's clock and says "Could not update;
// currently locked." only after the whole wait.

#include "AdoTestSupport.h"

#include "platform/ado/SqliteProvider.h"
#include "platform/vb/Clock.h"
#include "support/SqliteFile.h"

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

// What the other program holds: a write of its own not yet committed, or a
// read transaction (a scrub's run) that a commit has to wait for.
struct Holder {
    const char* name;
    const char* begin;
    const char* end;
};

const Holder kHolders[] = {{"Writer", "BEGIN IMMEDIATE; INSERT INTO t VALUES (7)", "ROLLBACK"},
                           {"Reader", "BEGIN; SELECT count(*) FROM t", "COMMIT"}};

class LockedByAnother : public testing::TestWithParam<std::tuple<Writer, Holder, bool>> {
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
    const auto& [writer, holder, released] = GetParam();
    testsupport::Db other(db.path);
    other.exec(holder.begin);
    if (released) {
        clock.releaseAt = 10;
        clock.release = [&other, &holder] { other.exec(holder.end); };
        writer.write(*db.conn);
        EXPECT_EQ(db.scalar("select count(*) from t where a = 1").toLong(), 1);
        EXPECT_LT(clock.monotonicSeconds(), ado::kLockWaitSeconds);
        return;
    }
    const vb::ErrObject e = ErrorOf([&] { writer.write(*db.conn); });
    EXPECT_EQ(e.Description, "Could not update; currently locked.");
    EXPECT_GE(clock.monotonicSeconds(), ado::kLockWaitSeconds) << "the message came before the wait ended";
    if (db.conn->TransactionLevel() > 0) db.conn->RollbackTrans();
    other.exec(holder.end);
    EXPECT_EQ(db.scalar("select count(*) from t").toLong(), 0) << "nothing of the failed write stays";
}

INSTANTIATE_TEST_SUITE_P(Writers, LockedByAnother,
                         testing::Combine(testing::ValuesIn(kWriters), testing::ValuesIn(kHolders),
                                          testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name +
                                    (std::get<2>(info.param) ? "_ReleasedMidway" : "_HeldThroughout");
                         });
