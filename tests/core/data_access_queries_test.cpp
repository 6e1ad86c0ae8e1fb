// CDataAccess running SQL: counts, newest keys, single values and rows,
// statements, and the one transaction of the shared connection.

#include "DataTestSupport.h"

#include "platform/ado/Connection.h"

using datatest::DataTest;

namespace {

class Queries : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        db.exec("insert into MyTempTable (phone) values (5550001);"
                "insert into MyTempTable (phone) values (5550002);"
                "insert into MyTempTable (phone) values (5550003);");
    }
};

} // namespace

TEST_F(Queries, GetCountOfABareTableNameCountsItsRows)
{
    EXPECT_EQ(gDataAccess->GetCount("MyTempTable"), 3);
    EXPECT_EQ(gDataAccess->GetCount("DefProperty"), 0);
}

TEST_F(Queries, GetCountRunsATextHoldingSelectAsItStands)
{
    EXPECT_EQ(gDataAccess->GetCount("select max(phone) from MyTempTable"), 5550003);
    EXPECT_EQ(gDataAccess->GetCount("SeLeCt count(*) from MyTempTable where phone > 5550001"), 2);
}

TEST_F(Queries, GetCountOfNoRowsIsZeroAndOfAFailureMinusOne)
{
    EXPECT_EQ(gDataAccess->GetCount("select phone from MyTempTable where phone = 1"), 0);
    expectError("GetCount");
    EXPECT_EQ(gDataAccess->GetCount("NoSuchTable"), -1);
}

TEST_F(Queries, GetAutoNumberIDOfATableIsItsHighestID)
{
    EXPECT_EQ(gDataAccess->GetAutoNumberID("DefProperty"), 0);
    db.exec("insert into DefProperty (ID, PropertyKeys) values (41, 'a');"
            "insert into DefProperty (ID, PropertyKeys) values (7, 'b')");
    EXPECT_EQ(gDataAccess->GetAutoNumberID("DefProperty"), 41);
    EXPECT_EQ(gDataAccess->GetAutoNumberID("Select Max(ID) as MaxID from DefProperty"), 41);
}

TEST_F(Queries, GetAutoNumberIDOfNullOrFailureIsZero)
{
    EXPECT_EQ(gDataAccess->GetAutoNumberID("Select Max(ID) as MaxID from DefProperty"), 0);
    expectError("GetAutoNumberID");
    EXPECT_EQ(gDataAccess->GetAutoNumberID("NoSuchTable"), 0);
}

TEST_F(Queries, BeginTransWhileNotConnectedBeginsNothing)
{
    EXPECT_FALSE(gDataAccess->BeginTrans());
    EXPECT_FALSE(gDataAccess->IsInTransaction());
    expectError("CommitTrans");
    EXPECT_FALSE(gDataAccess->CommitTrans());
}

TEST_F(Queries, RollbackUndoesAndCommitKeeps)
{
    ASSERT_TRUE(gDataAccess->OpenConnection());
    ASSERT_TRUE(gDataAccess->BeginTrans());
    ASSERT_TRUE(gDataAccess->ExecQuery("delete from MyTempTable"));
    EXPECT_EQ(gDataAccess->GetCount("MyTempTable"), 0);
    EXPECT_TRUE(gDataAccess->RollbackTrans());
    EXPECT_FALSE(gDataAccess->IsInTransaction());
    EXPECT_EQ(db.count("MyTempTable"), 3);

    ASSERT_TRUE(gDataAccess->BeginTrans());
    ASSERT_TRUE(gDataAccess->ExecQuery("delete from MyTempTable where phone = 5550001"));
    EXPECT_TRUE(gDataAccess->CommitTrans());
    EXPECT_FALSE(gDataAccess->IsInTransaction());
    EXPECT_EQ(db.count("MyTempTable"), 2);
}

TEST_F(Queries, LastInsertIDIsTheKeyOfTheLastInsertOnTheSharedConnection)
{
    EXPECT_EQ(gDataAccess->LastInsertID(), 0) << "not connected";
    ASSERT_TRUE(gDataAccess->OpenConnection());
    ASSERT_TRUE(gDataAccess->ExecQuery("insert into DefProperty (ID, PropertyKeys) values (90, 'x')"));
    ASSERT_TRUE(gDataAccess->ExecQuery("insert into DefProperty (PropertyKeys) values ('y')"));
    EXPECT_EQ(gDataAccess->LastInsertID(), 91);
    db.exec("insert into DefProperty (ID, PropertyKeys) values (500, 'elsewhere')");
    EXPECT_EQ(gDataAccess->LastInsertID(), 91) << "another connection's insert does not count";
}
