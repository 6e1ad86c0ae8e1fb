// CNavigate paging a query: totals, pages and their edges, reopening, and
// failures that stay silent.

#include "DataTestSupport.h"

#include "core/CNavigate.h"
#include "platform/ado/Recordset.h"

using datatest::DataTest;

namespace {

class Navigate : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        db.exec("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY)");
        db.exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 1234) "
                "insert into phone201 (phone) select 5550000 + i from n");
        nav.SetQueryStr("select phone from phone201 order by phone");
        nav.SetPageSize(100);
    }
    // The first number of the page the pager hands out.
    long firstOf(std::int32_t page)
    {
        std::shared_ptr<ado::Recordset> rs;
        EXPECT_TRUE(nav.GetRecordset(rs, page));
        return rs ? long(rs->Value(0).toLong()) - 5550000 : -1;
    }
    CNavigate nav;
};

} // namespace

TEST_F(Navigate, FirstFetchOpensTheQueryAndSetsTheTotals)
{
    EXPECT_EQ(firstOf(1), 1);
    EXPECT_FALSE(nav.IsFirstTime());
    EXPECT_EQ(nav.TotalCount(), 1234);
    EXPECT_EQ(nav.TotalPages(), 13);
    EXPECT_EQ(nav.CurrPage(), 1);
}

TEST_F(Navigate, PagesAndTheirEdges)
{
    EXPECT_EQ(firstOf(3), 201);
    EXPECT_EQ(nav.CurrPage(), 3);
    EXPECT_EQ(firstOf(0), 201) << "page 0 is the current page";
    EXPECT_EQ(firstOf(99), 1201) << "beyond the end is the last page";
    EXPECT_EQ(nav.CurrPage(), 13);
    EXPECT_EQ(firstOf(-4), 1) << "below 1 is the first page";
    EXPECT_EQ(nav.CurrPage(), 1);
}

TEST_F(Navigate, EmptyQueryHasNoPages)
{
    nav.SetQueryStr("select phone from phone201 where phone < 0");
    std::shared_ptr<ado::Recordset> rs;
    ASSERT_TRUE(nav.GetRecordset(rs, 1));
    EXPECT_EQ(nav.TotalCount(), 0);
    EXPECT_EQ(nav.TotalPages(), 0);
    EXPECT_EQ(nav.CurrPage(), 1);
    EXPECT_TRUE(rs->Eof());
}

TEST_F(Navigate, NewPageSizeWaitsForTheQueryToBeReopened)
{
    EXPECT_EQ(firstOf(2), 101);
    nav.SetPageSize(250);
    EXPECT_EQ(firstOf(2), 101);
    nav.SetIsFirstTime(true);
    EXPECT_EQ(firstOf(2), 251);
    EXPECT_EQ(nav.TotalPages(), 5);
}

TEST_F(Navigate, PageSizeOfZeroOrLessIsTheDefault)
{
    nav.SetPageSize(0);
    EXPECT_EQ(nav.PageSize(), 500);
    nav.SetPageSize(-3);
    EXPECT_EQ(firstOf(2), 501);
    EXPECT_EQ(nav.TotalPages(), 3);
}

TEST_F(Navigate, BadQueryFailsSilently)
{
    nav.SetQueryStr("select nothing from nowhere");
    std::shared_ptr<ado::Recordset> rs;
    EXPECT_FALSE(nav.GetRecordset(rs, 1));
    EXPECT_EQ(rs, nullptr);
    EXPECT_THROW(nav.OpenRecordset(), vb::ErrObject) << "called directly, the error reaches the caller";
}
