// The shared connection of CDataAccess against connections of one call, the
// effective connection string, and opening a database that is not there.

#include "DataTestSupport.h"

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"

#include <QFileInfo>

using datatest::DataTest;
using datatest::JetCs;
using datatest::TempDatabase;

TEST_F(DataTest, EffectiveStringFollowsTheSharedConnection)
{
    EXPECT_EQ(gDataAccess->GetConnectionString(QString()), db.cs());
    EXPECT_EQ(gDataAccess->GetConnectionString("X"), "X");
    ASSERT_TRUE(gDataAccess->OpenConnection());
    EXPECT_TRUE(gDataAccess->IsConnected());
    EXPECT_EQ(gDataAccess->GetConnectionString(QString()), QString());
    EXPECT_EQ(gDataAccess->GetConnectionString("X"), "X");
}

TEST_F(DataTest, CallWithoutStringRunsOnTheOpenSharedConnectionAndLeavesItOpen)
{
    ASSERT_TRUE(gDataAccess->OpenConnection());
    auto shared = gDataAccess->GetConnection();
    ASSERT_TRUE(shared);
    shared->Execute("create temp table seen (x integer)");
    // A temporary table exists only on the connection that made it.
    EXPECT_TRUE(gDataAccess->ExecQuery("insert into seen (x) values (1)"));
    EXPECT_EQ(gDataAccess->GetCount("seen"), 1);
    EXPECT_TRUE(gDataAccess->IsConnected());
    EXPECT_EQ(shared->State(), ado::adStateOpen);
}

TEST_F(DataTest, CallWithoutStringWhileClosedUsesAConnectionOfItsOwn)
{
    EXPECT_TRUE(gDataAccess->ExecQuery("insert into MyTempTable (phone) values (5551234)"));
    EXPECT_FALSE(gDataAccess->IsConnected());
    EXPECT_EQ(gDataAccess->GetCount("MyTempTable"), 1);
    EXPECT_EQ(db.count("MyTempTable"), 1);
}

TEST_F(DataTest, OpenConnectionOnANewStringClosesTheOldOne)
{
    TempDatabase other(QStringLiteral("other.mdb"));
    other.exec("insert into MyTempTable (phone) values (7)");
    ASSERT_TRUE(gDataAccess->OpenConnection());
    auto first = gDataAccess->GetConnection();
    ASSERT_TRUE(gDataAccess->OpenConnection(other.cs()));
    EXPECT_EQ(first->State(), ado::adStateOpen) << "the same object, reopened";
    EXPECT_EQ(gDataAccess->GetCount("MyTempTable"), 1);
}

TEST_F(DataTest, ChangingTheDefaultStringClosesTheOpenSharedConnection)
{
    TempDatabase other(QStringLiteral("other.mdb"));
    other.exec("insert into MyTempTable (phone) values (7)");
    ASSERT_TRUE(gDataAccess->OpenConnection());
    gDataAccess->SetDefaultConnectionString(db.cs());
    EXPECT_TRUE(gDataAccess->IsConnected()) << "the same text changes nothing";
    gDataAccess->SetDefaultConnectionString(other.cs());
    EXPECT_FALSE(gDataAccess->IsConnected());
    EXPECT_EQ(gDataAccess->GetCount("MyTempTable"), 1) << "calls now reach the new database";
}

TEST_F(DataTest, ShapeFlagOpensThroughTheShapeProvider)
{
    ASSERT_TRUE(gDataAccess->OpenConnection(QString(), true));
    EXPECT_TRUE(
        gDataAccess->GetConnection()->ConnectionString().startsWith("Provider=MSDataShape; Data Provider="));
    EXPECT_EQ(gDataAccess->GetCount("DefProperty"), 0);
    std::shared_ptr<ado::Recordset> rs;
    EXPECT_TRUE(gDataAccess->GetRecordset("select * from DefProperty", rs, db.cs(), -1, true));
}

TEST_F(DataTest, CloseConnectionEndsTheTransactionFlag)
{
    ASSERT_TRUE(gDataAccess->OpenConnection());
    ASSERT_TRUE(gDataAccess->BeginTrans());
    EXPECT_TRUE(gDataAccess->IsInTransaction());
    gDataAccess->CloseConnection();
    EXPECT_FALSE(gDataAccess->IsConnected());
    EXPECT_FALSE(gDataAccess->IsInTransaction());
}

TEST_F(DataTest, RecordsetOutlivesItsConnection)
{
    db.exec("insert into DefProperty (PropertyKeys) values ('a'); insert into DefProperty (PropertyKeys) "
            "values ('b')");
    std::shared_ptr<ado::Recordset> rs;
    ASSERT_TRUE(gDataAccess->GetRecordset("select PropertyKeys from DefProperty order by ID", rs));
    EXPECT_FALSE(gDataAccess->IsConnected());
    EXPECT_EQ(rs->ActiveConnection(), nullptr);
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->Value(0).text(), "a");
    rs->MoveNext();
    EXPECT_EQ(rs->Value(0).text(), "b");
}

TEST_F(DataTest, DataComponentsInstalledOnAMissingFileFailsWithoutCreatingIt)
{
    const QString missing = db.folder() + "/missing.mdb";
    gDataAccess->SetDefaultConnectionString(JetCs(missing));
    expectError("DataComponentsInstalled");
    EXPECT_FALSE(gDataAccess->DataComponentsInstalled(QString()));
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(DataTest, DataComponentsInstalledOnAFileThatIsNoDatabaseFailsAndLeavesIt)
{
    const QString text = db.folder() + "/notes.mdb";
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("just some words, not a database\n");
    f.close();
    expectError("DataComponentsInstalled");
    EXPECT_FALSE(gDataAccess->DataComponentsInstalled(JetCs(text)));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("just some words, not a database\n"));
}
