// Paging a query through a server-side static recordset: counts from the
// engine, pages positioned by AbsolutePage, and the edges a pager meets.

#include "AdoTestSupport.h"

using adotest::ErrorOf;
using adotest::ScratchDb;

namespace {

class Paging : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.exec("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY)");
        db.conn->BeginTrans();
        auto ins = db.conn->Prepare("insert into phone201 (phone) values (?)");
        for (int i = 1; i <= 2345; ++i) {
            ins->SetParameter(0, 5550000 + i);
            ins->Execute();
        }
        db.conn->CommitTrans();
    }
    std::shared_ptr<ado::Recordset> openPaged(const QString& sql, long pageSize)
    {
        auto rs = ado::Recordset::Create();
        rs->SetCursorLocation(ado::adUseServer);
        rs->SetCacheSize(300);
        rs->Open(sql, db.conn, ado::adOpenStatic, ado::adLockReadOnly);
        rs->SetPageSize(pageSize);
        return rs;
    }
    ScratchDb db;
};

} // namespace

TEST_F(Paging, CountsAndPagesComeFromTheEngine)
{
    auto rs = openPaged("select * from phone201 order by phone", 500);
    EXPECT_EQ(rs->RecordCount(), 2345);
    EXPECT_EQ(rs->PageCount(), 5);
    EXPECT_EQ(rs->AbsolutePage(), 1);
}

TEST_F(Paging, AbsolutePageLandsOnTheFirstRowOfThePage)
{
    auto rs = openPaged("select * from phone201 order by phone", 500);
    rs->SetAbsolutePage(3);
    EXPECT_EQ(rs->Value("phone").toLong(), 5550000 + 1001);
    EXPECT_EQ(rs->AbsolutePosition(), 1001);
    // reading the whole page moves through more than one window
    long last = 0;
    for (int i = 0; i < 500; ++i) {
        last = rs->Value(0).toLong();
        rs->MoveNext();
    }
    EXPECT_EQ(last, 5550000 + 1500);
    EXPECT_EQ(rs->AbsolutePage(), 4);
    // and back again
    rs->SetAbsolutePage(1);
    EXPECT_EQ(rs->Value(0).toLong(), 5550001);
    rs->MovePrevious();
    EXPECT_TRUE(rs->Bof());
}

TEST_F(Paging, LastPageIsShortAndBeyondItIsEof)
{
    auto rs = openPaged("select * from phone201 order by phone", 500);
    rs->SetAbsolutePage(5);
    long n = 0;
    while (!rs->Eof()) {
        ++n;
        rs->MoveNext();
    }
    EXPECT_EQ(n, 345);
    rs->SetAbsolutePage(6);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->AbsolutePage(), ado::adPosEOF);
    EXPECT_NE(ErrorOf([&] { rs->SetAbsolutePage(0); }).Number, 0);
}

TEST_F(Paging, EmptyQueryHasNoPages)
{
    auto rs = openPaged("select * from phone201 where phone < 0", 500);
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_EQ(rs->PageCount(), 0);
    EXPECT_TRUE(rs->Eof());
    EXPECT_TRUE(rs->Bof());
}

TEST_F(Paging, PageSizeChangesThePageCount)
{
    auto rs = openPaged("select * from phone201", 1000);
    EXPECT_EQ(rs->PageCount(), 3);
    rs->SetPageSize(2345);
    EXPECT_EQ(rs->PageCount(), 1);
    EXPECT_NE(ErrorOf([&] { rs->SetPageSize(0); }).Number, 0);
}

TEST_F(Paging, MoveLastAndBackwardsOverWindows)
{
    auto rs = openPaged("select * from phone201 order by phone desc", 100);
    rs->MoveLast();
    EXPECT_EQ(rs->Value(0).toLong(), 5550001);
    for (int i = 0; i < 700; ++i)
        rs->MovePrevious();
    EXPECT_EQ(rs->Value(0).toLong(), 5550701);
    EXPECT_EQ(rs->AbsolutePosition(), 2345 - 700);
}

TEST_F(Paging, WritesElsewhereAreNotBlockedBetweenPages)
{
    auto rs = openPaged("select * from phone201 order by phone", 500);
    rs->SetAbsolutePage(2);
    auto other = ado::Connection::Create();
    other->Open(db.cs());
    other->Execute("insert into phone201 (phone) values (1)");
    EXPECT_EQ(other->Execute("select count(*) from phone201")->Value(0).toLong(), 2346);
}
