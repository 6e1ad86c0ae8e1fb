// When a connection profile rebuilds its string and when it hands back the
// cached one.

#include "core/CDataConnection.h"

#include <gtest/gtest.h>

TEST(ConnectionCache, EverySetterMakesTheNextReadRebuild)
{
    using Setter = void (CDataConnection::*)(const QString&);
    for (Setter set : {&CDataConnection::SetProvider, &CDataConnection::SetDatabase,
                       &CDataConnection::SetServer, &CDataConnection::SetDriver, &CDataConnection::SetPwd,
                       &CDataConnection::SetUserID, &CDataConnection::SetDSN}) {
        CDataConnection c;
        c.SetDatabase(QStringLiteral("/a.mdb"));
        c.MakeConnectionString();
        c.SetConnectionString(QStringLiteral("PROVIDER=Foreign;"));
        (c.*set)(QStringLiteral("x"));
        EXPECT_TRUE(c.IsDirty());
        EXPECT_NE(c.ConnectionString(), QStringLiteral("PROVIDER=Foreign;"));
        EXPECT_FALSE(c.IsDirty());
    }
}

TEST(ConnectionCache, WithoutASetterTheCacheIsReturnedEvenAForeignText)
{
    CDataConnection c;
    c.SetDatabase(QStringLiteral("/a.mdb"));
    EXPECT_EQ(c.ConnectionString(), QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb"));
    c.SetConnectionString(QStringLiteral("PROVIDER=Foreign;"));
    EXPECT_EQ(c.ConnectionString(), QStringLiteral("PROVIDER=Foreign;"));
}

TEST(ConnectionCache, ClearGivesTheClearedProfile)
{
    CDataConnection c;
    c.SetProvider(QStringLiteral("MSDASQL"));
    c.SetDSN(QStringLiteral("Calls"));
    c.SetPwd(QStringLiteral("p"));
    c.MakeConnectionString();
    c.Clear();
    EXPECT_EQ(c.Provider(), QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
    EXPECT_EQ(c.DSN(), QStringLiteral("(None)"));
    EXPECT_TRUE(c.Pwd().isEmpty() && c.Database().isEmpty());
    EXPECT_FALSE(c.IsDirty());
    EXPECT_EQ(c.ConnectionString(), QString());
}
