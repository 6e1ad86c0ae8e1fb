// The profile's connection-string builders: the exact texts per source
// type, the conditions that give "", the cache rule, and values holding ";".

#include "records/CDataTypeInfo.h"

#include "core/CDataConnection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/OdbcProvider.h"

#include <gtest/gtest.h>

TEST(DataTypeInfoConnectionStrings, TextFolder)
{
    CDataTypeInfo p;
    p.SetDataDBName("C:\\Lists\\");
    p.SetIsTitleFirstLine(true);
    p.SetDelimited(1);
    EXPECT_EQ(p.GetTextConnString(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Lists\\;Extended "
                                     "Properties=\"text;HDR=Yes;FMT=Delimited\"");
    p.SetIsTitleFirstLine(false);
    p.SetDelimited(0);
    EXPECT_EQ(
        p.GetTextConnString(),
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Lists\\;Extended Properties=\"text;HDR=No;\"");
    EXPECT_EQ(p.GetConnectionString(), p.GetTextConnString());
}

TEST(DataTypeInfoConnectionStrings, EmptyResultIsCachedToo)
{
    CDataTypeInfo p;
    p.SetDataDBName("/lists/");
    ASSERT_NE(p.GetTextConnString(), "");
    p.SetDataDBName("");
    EXPECT_NE(p.GetConnectionString(), "") << "a column change alone leaves the cache";
    EXPECT_EQ(p.GetTextConnString(), "");
    EXPECT_EQ(p.GetConnectionString(), "");
}

TEST(DataTypeInfoConnectionStrings, ExcelAccessAndFoxPro)
{
    CDataTypeInfo p;
    p.SetDataDBName("/w/book.xlsx");
    p.SetIsTitleFirstLine(true);
    EXPECT_EQ(p.GetExcelConnString(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/w/book.xlsx;Extended "
                                      "Properties=\"Excel 8.0;HDR=Yes\"");
    p.SetDataDBName("/w/calls.mdb");
    EXPECT_EQ(p.GetAccessConnString(), "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/w/calls.mdb");
    p.SetDataPWD("secret");
    EXPECT_EQ(p.GetAccessConnString(),
              "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/w/calls.mdb;Jet OLEDB:Database Password=secret");
    p.SetDataDBName("/w/dbf/");
    EXPECT_EQ(p.GetFoxProConnString(),
              "Driver={Microsoft Visual FoxPro Driver};SourceType=DBF;SourceDB=/w/dbf/;Exclusive=No");
    p.SetDataDBName("");
    EXPECT_EQ(p.GetExcelConnString(), "");
    EXPECT_EQ(p.GetAccessConnString(), "");
    EXPECT_EQ(p.GetFoxProConnString(), "");
}

TEST(DataTypeInfoConnectionStrings, ServerSources)
{
    CDataTypeInfo p;
    p.SetDataServer("db1");
    p.SetDataDBName("Calls");
    EXPECT_EQ(p.GetMSSQLConnString(), "PROVIDER=SQLOLEDB;Data Source=db1;Initial Catalog=Calls;Integrated "
                                      "Security=SSPI;Persist Security Info=False;User Id=;Password=;");
    p.SetDataUSERID("sa");
    p.SetDataPWD("pw");
    EXPECT_EQ(p.GetMySQLConnString(), "") << "no driver";
    p.SetDataDriver("{MySQL ODBC 8.0 Driver}");
    // The driver's braces are part of its stored name, kept in the braces
    // that quote a value; the driver manager gets the name in braces once.
    EXPECT_EQ(p.GetMySQLConnString(),
              "PROVIDER=MSDASQL;Driver={{MySQL ODBC 8.0 Driver}}};Server=db1;UID=sa;PWD=pw;Database=Calls;");
    EXPECT_EQ(ado::OdbcConnectionString(ado::ConnectionString(p.GetMySQLConnString())),
              "DRIVER={MySQL ODBC 8.0 Driver};Server=db1;UID=sa;PWD=pw;Database=Calls;");
    p.SetDataDSN("(None)");
    EXPECT_EQ(p.GetODBCConnString(), "");
    p.SetDataDSN("calls");
    EXPECT_EQ(p.GetODBCConnString(), "PROVIDER=MSDASQL;DSN=calls;UID=sa;PWD=pw;Database=Calls;");
    p.SetDataDBName("");
    EXPECT_EQ(p.GetODBCConnString(), "PROVIDER=MSDASQL;DSN=calls;UID=sa;PWD=pw;");
    EXPECT_EQ(p.GetMSSQLConnString(), "");
    p.SetDataDBName("Calls");
    p.SetDataServer("");
    EXPECT_EQ(p.GetMSSQLConnString(), "");
}

TEST(DataTypeInfoConnectionStrings, ValueHoldingASemicolonIsQuoted)
{
    CDataTypeInfo p;
    p.SetDataDBName("/w/a;b/");
    p.SetDelimited(1);
    EXPECT_EQ(p.GetTextConnString(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source={/w/a;b/};Extended "
                                     "Properties=\"text;HDR=No;FMT=Delimited\"");
    p.SetDataDBName("/w/c.mdb");
    p.SetDataPWD("x;Data Source=/etc/other");
    EXPECT_EQ(p.GetAccessConnString(),
              "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/w/c.mdb;Jet OLEDB:Database "
              "Password={x;Data Source=/etc/other}");
}

TEST(DataTypeInfoConnectionStrings, ParametersTravelToAndFromTheConnectionObject)
{
    CDataTypeInfo p;
    p.SetDataServer("srv");
    p.SetDataUSERID("me");
    p.SetDataProvider("SQLOLEDB");
    CDataConnection c;
    p.GetODBC(c);
    EXPECT_EQ(c.Server() + c.UserID() + c.Provider(), "srvmeSQLOLEDB");
    c.SetDatabase("Calls");
    c.SetPwd("pw");
    CDataTypeInfo back;
    back.SetODBC(c);
    EXPECT_TRUE(back.IsDirty()) << "through the setters";
    EXPECT_EQ(back.DataServer() + back.DataUSERID() + back.DataDBName() + back.DataPWD(), "srvmeCallspw");
}
