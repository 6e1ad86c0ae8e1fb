// The odbc provider over unixODBC, against the SQLite ODBC driver through a
// data source written for the test.

#include "ProvidersTestSupport.h"

#include "platform/ado/Ado.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/OdbcProvider.h"
#include "records/ModuleConnectString.h"

#include <QFileInfo>
#include <sqlite3.h>

using namespace provtest;

namespace {

QString SqliteOdbcDriver()
{
    for (const char* p :
         {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
          "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/odbc/libsqlite3odbc.so"})
        if (QFileInfo::exists(p)) return p;
    return {};
}

class OdbcProvider : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver = SqliteOdbcDriver();
        if (driver.isEmpty()) GTEST_SKIP() << "the SQLite ODBC driver (libsqliteodbc) is not installed";
        dbPath = folder.file("calls.db");
        sqlite3* db = nullptr;
        sqlite3_open(dbPath.toUtf8().constData(), &db);
        sqlite3_exec(db,
                     "create table calls (id integer primary key, name varchar(20), phone varchar(12), "
                     "amount double);"
                     "insert into calls values (1,'Ann','2015551234',1.5),(2,'Bob','9735550000',NULL);"
                     "create view named as select name from calls;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        folder.write("odbcinst.ini",
                     ("[SQLite3 Test]\nDescription=SQLite3\nDriver=" + driver + "\n").toUtf8());
        folder.write("odbc.ini", ("[TestDsn]\nDriver=SQLite3 Test\nDatabase=" + dbPath + "\n").toUtf8());
        qputenv("ODBCSYSINI", folder.dir.path().toUtf8());
        qputenv("ODBCINSTINI", "odbcinst.ini");
        qputenv("ODBCINI", folder.file("odbc.ini").toUtf8());
    }
    void TearDown() override
    {
        qunsetenv("ODBCSYSINI");
        qunsetenv("ODBCINSTINI");
        qunsetenv("ODBCINI");
    }

    QString dsnCs() const { return "PROVIDER=MSDASQL;DSN=TestDsn;UID=;PWD=;"; }

    Folder folder;
    QString driver;
    QString dbPath;
};

TEST_F(OdbcProvider, ConnectsThroughADataSourceName)
{
    auto c = Open(dsnCs());
    EXPECT_EQ(c->Provider(), "odbc");
    EXPECT_EQ(Scalar(c, "select count(*) from calls").toLong(), 2);
    EXPECT_EQ(Rows(c, "select name, phone, amount from calls order by id"),
              (QStringList{"Ann|2015551234|1.5", "Bob|9735550000|<null>"}));
}

TEST_F(OdbcProvider, ConnectsThroughADriverString)
{
    auto c = Open("PROVIDER=MSDASQL;Driver=SQLite3 Test;Database=" + dbPath + ";UID=;PWD=;");
    EXPECT_EQ(Scalar(c, "select name from calls where id = 2").toString(), "Bob");
}

TEST_F(OdbcProvider, ExecutesStatementsAndCountsTheRowsTheyChange)
{
    auto c = Open(dsnCs());
    long n = 0;
    c->Execute("insert into calls (id, name, phone) values (3, 'Cy', '2125550000')", &n);
    EXPECT_EQ(n, 1);
    c->Execute("update calls set name = 'X' where id > 1", &n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(Scalar(Open(dsnCs()), "select count(*) from calls where name = 'X'").toLong(), 2);
}

TEST_F(OdbcProvider, FieldNamesAndTypes)
{
    const auto fields = ListSourceFields(dsnCs(), "select  * from calls");
    QStringList out;
    for (const auto& f : fields)
        out << f.name + ":" + FieldTypeCode(f.type);
    EXPECT_EQ(out, (QStringList{"id:999", "name:DNC", "phone:DNC", "amount:999"}));
}

TEST_F(OdbcProvider, ForwardOnlyAndSnapshotRecordsets)
{
    auto c = Open(dsnCs());
    auto fwd = ado::Recordset::Create();
    fwd->Open("select name from calls order by id", c, ado::adOpenForwardOnly, ado::adLockReadOnly);
    EXPECT_EQ(fwd->RecordCount(), -1);
    EXPECT_EQ(fwd->Value(0).text(), "Ann");
    fwd->MoveNext();
    EXPECT_EQ(fwd->Value(0).text(), "Bob");
    fwd->Close();

    auto snap = ado::Recordset::Create();
    snap->SetCursorLocation(ado::adUseClient);
    snap->Open("select name from calls order by id", c, ado::adOpenStatic, ado::adLockReadOnly);
    snap->SetActiveConnection(nullptr);
    c->Close();
    EXPECT_EQ(snap->RecordCount(), 2);
    snap->MoveLast();
    EXPECT_EQ(snap->Value(0).text(), "Bob");
    snap->MoveFirst();
    EXPECT_EQ(snap->Value(0).text(), "Ann");
}

TEST_F(OdbcProvider, StaticServerRecordsetCountsAndMovesBack)
{
    auto c = Open(dsnCs());
    auto rs = ado::Recordset::Create();
    rs->Open("select name from calls order by id", c, ado::adOpenStatic, ado::adLockReadOnly);
    EXPECT_EQ(rs->RecordCount(), 2);
    rs->MoveLast();
    rs->MovePrevious();
    EXPECT_EQ(rs->Value(0).text(), "Ann");
}

TEST_F(OdbcProvider, ListsTablesAndViews)
{
    QStringList out;
    for (const auto& t : ListSourceTables(dsnCs()))
        out << t.name + ":" + t.type;
    EXPECT_TRUE(out.contains("calls:TABLE")) << out.join(",").toStdString();
    EXPECT_TRUE(out.contains("named:VIEW")) << out.join(",").toStdString();
}

TEST_F(OdbcProvider, RowsAreReadOnly)
{
    auto c = Open(dsnCs());
    auto rs = ado::Recordset::Create();
    rs->Open("select name from calls", c, ado::adOpenKeyset, ado::adLockOptimistic);
    EXPECT_NE(ErrorOf([&] { rs->Fields().Item(0).SetValue("Z"); }).Number, 0);
}

TEST_F(OdbcProvider, AnUnknownDataSourceFailsWithTheDriverManagersMessage)
{
    const auto e = ErrorOf([&] { Open("PROVIDER=MSDASQL;DSN=NoSuchDsn;UID=;PWD=;"); });
    EXPECT_EQ(e.Number, ado::errnum::JetFailure);
    EXPECT_NE(e.Description.indexOf("Data source name not found"), -1) << e.Description.toStdString();
}

TEST(OdbcConnectionString, SqlOledbGoesThroughFreeTdsWithTheTypedCredentials)
{
    const ado::ConnectionString cs(
        "PROVIDER=SQLOLEDB;Data Source=dbhost,1433;Initial Catalog=Calls;Integrated "
        "Security=SSPI;Persist Security Info=False;User Id=sa;Password=pa;");
    EXPECT_EQ(ado::OdbcConnectionString(cs),
              "DRIVER={FreeTDS};SERVER=dbhost;PORT=1433;DATABASE=Calls;UID=sa;PWD=pa;");
    const ado::ConnectionString quoted(
        "PROVIDER=SQLOLEDB;Data Source=h;Initial Catalog=c;User Id=u;Password=\"p;w\";");
    EXPECT_EQ(ado::OdbcConnectionString(quoted), "DRIVER={FreeTDS};SERVER=h;DATABASE=c;UID=u;PWD={p;w};");
}

TEST(OdbcConnectionString, MySqlDriverStringKeepsItsPairs)
{
    const ado::ConnectionString cs(
        "PROVIDER=MSDASQL;Driver=MySQL ODBC 8.0 Unicode Driver;Server=db;UID=u;PWD=p;"
        "Database=calls;");
    EXPECT_EQ(ado::OdbcConnectionString(cs),
              "DRIVER={MySQL ODBC 8.0 Unicode Driver};Server=db;UID=u;PWD=p;Database=calls;");
    EXPECT_EQ(ado::OdbcConnectionString(cs, "other", "secret"),
              "DRIVER={MySQL ODBC 8.0 Unicode Driver};Server=db;UID=other;PWD=secret;Database=calls;");
}

} // namespace
