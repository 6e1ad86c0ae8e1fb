// The connection strings a connection profile builds from its parameters:
// every provider, data source name against driver, and the empty results.

#include "core/CDataConnection.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* provider;
    const char* dsn;
    const char* driver;
    const char* server;
    const char* database;
    const char* user;
    const char* pwd;
    const char* expected;
};

const Case kCases[] = {
    {"Microsoft.Jet.OLEDB.4.0", "(None)", "", "", "/d/Tervala.mdb", "", "",
     "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/Tervala.mdb"},
    {"Microsoft.Jet.OLEDB.4.0", "(None)", "", "", "/d/x.mdb", "", "pw",
     "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/x.mdb;Jet OLEDB:Database Password=pw"},
    {"Microsoft.Jet.OLEDB.4.0", "(None)", "", "", "", "", "pw", ""},
    {"MSDASQL", "Calls", "", "", "", "", "", "PROVIDER=MSDASQL;DSN=Calls;UID=;PWD=;"},
    {"MSDASQL", "Calls", "drv", "srv", "dnc", "ann", "pw",
     "PROVIDER=MSDASQL;DSN=Calls;UID=ann;PWD=pw;Database=dnc;"},
    {"MSDASQL", "(None)", "MariaDB Unicode", "db", "dnc", "ann", "",
     "PROVIDER=MSDASQL;Driver=MariaDB Unicode;Server=db;UID=ann;PWD=;Database=dnc;"},
    {"MSDASQL", "(None)", "", "db", "dnc", "", "", ""},
    {"MSDASQL", "", "drv", "", "dnc", "", "", ""},
    {"MSDASQL", "(None)", "drv", "db", "", "", "", ""},
    {"SQLOLEDB", "(None)", "", "sql01", "DNC", "", "",
     "PROVIDER=SQLOLEDB;Data Source=sql01;Initial Catalog=DNC;Integrated Security=SSPI;Persist Security "
     "Info=False;"
     "User Id=;Password=;"},
    {"SQLOLEDB", "(None)", "", "sql;01", "D{NC", "", "",
     "PROVIDER=SQLOLEDB;Data Source={sql;01};Initial Catalog={D{NC};Integrated Security=SSPI;Persist "
     "Security Info=False;User Id=;Password=;"},
    {"SQLOLEDB", "(None)", "", "", "DNC", "u", "p", ""},
    {"MSDAORA", "(None)", "", "orcl", "x", "u", "p", ""},
    {"Microsoft Visual FoxPro (DBF)", "(None)", "", "", "/tables/", "", "", ""},
    {"msdasql", "Calls", "", "", "", "", "", ""},
    {"microsoft.jet.oledb.4.0", "(None)", "", "", "/d/x.mdb", "", "", ""},
    {"Anything", "Calls", "d", "s", "/d/x.mdb", "u", "p", ""},
};

} // namespace

TEST(ConnectionString, BuildsEachProvidersTextExactly)
{
    for (const Case& c : kCases) {
        CDataConnection p;
        p.SetProvider(QString::fromUtf8(c.provider));
        p.SetDSN(QString::fromUtf8(c.dsn));
        p.SetDriver(QString::fromUtf8(c.driver));
        p.SetServer(QString::fromUtf8(c.server));
        p.SetDatabase(QString::fromUtf8(c.database));
        p.SetUserID(QString::fromUtf8(c.user));
        p.SetPwd(QString::fromUtf8(c.pwd));
        EXPECT_EQ(p.MakeConnectionString(), QString::fromUtf8(c.expected))
            << c.provider << " / " << c.database;
    }
}

TEST(ConnectionString, IncompleteServerProfilesStayMarkedChanged)
{
    CDataConnection odbc;
    odbc.SetProvider(QStringLiteral("MSDASQL"));
    EXPECT_EQ(odbc.MakeConnectionString(), QString());
    EXPECT_TRUE(odbc.IsDirty());

    CDataConnection jet; // cleared: Jet without a database
    jet.SetUserID(QStringLiteral("u"));
    EXPECT_EQ(jet.MakeConnectionString(), QString());
    EXPECT_FALSE(jet.IsDirty());
}
