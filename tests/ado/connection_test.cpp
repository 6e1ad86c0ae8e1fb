// Opening connections: provider choice from the connection string, Jet's
// failures on missing or foreign files (never creating one), Execute and
// transactions.

#include "AdoTestSupport.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/Provider.h"

#include <QFile>
#include <QFileInfo>
#include <thread>

using adotest::ErrorOf;
using adotest::JetCs;
using adotest::ScratchDb;

TEST(ConnectionString, ReadsKeysWithoutCaseAndQuotedValues)
{
    const ado::ConnectionString cs(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/lists/;Extended "
                       "Properties=\"text;HDR=Yes;FMT=Delimited\""));
    EXPECT_EQ(cs.value("provider"), "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(cs.value("DATA SOURCE"), "/lists/");
    EXPECT_EQ(cs.value("Extended Properties"), "text;HDR=Yes;FMT=Delimited");
    const ado::ConnectionString ext(cs.value("Extended Properties"));
    EXPECT_EQ(ext.value("HDR"), "Yes");
    EXPECT_EQ(ext.items().first().first, "text");
    EXPECT_EQ(ado::ConnectionString("a='x;''y''';b=2").value("a"), "x;'y'");
}

TEST(ConnectionString, ChoosesTheProviderOfEachForm)
{
    auto kind = [](const QString& s) { return ado::ChooseProvider(ado::ConnectionString(s)).kind; };
    EXPECT_EQ(kind("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/db/Tervala.mdb"), "jet");
    EXPECT_EQ(kind("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb;Jet OLEDB:Database Password=x"),
              "jet");
    EXPECT_EQ(kind("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=/w.mdb"), "jet");
    EXPECT_EQ(kind("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/l/;Extended Properties=\"text;HDR=No;\""),
              "text");
    EXPECT_EQ(
        kind("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/b.xls;Extended Properties=\"Excel 8.0;HDR=Yes\""),
        "excel");
    EXPECT_EQ(kind("Driver={Microsoft Visual FoxPro Driver};SourceType=DBF;SourceDB=/f/;Exclusive=No"),
              "foxpro");
    EXPECT_EQ(kind("PROVIDER=MSDASQL;DSN=crm;UID=u;PWD=p;"), "odbc");
    EXPECT_EQ(kind("PROVIDER=SQLOLEDB;Data Source=srv;Initial Catalog=db;User Id=u;Password=p;"), "odbc");
    EXPECT_EQ(kind("PROVIDER=MSDASQL;Driver={MySQL ODBC 3.51 Driver};Server=s;UID=u;PWD=p;Database=d;"),
              "odbc");
    EXPECT_EQ(kind("Provider=MSDataShape; Data Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb"), "jet");
}

TEST(ConnectionString, UnknownProvidersFailNamingTheProvider)
{
    const auto e =
        ErrorOf([] { ado::ChooseProvider(ado::ConnectionString("Provider=MSDAORA;Data Source=orcl")); });
    EXPECT_EQ(e.Number, 3706);
    EXPECT_TRUE(e.Description.contains("Provider cannot be found. It may not be properly installed."));
    EXPECT_TRUE(e.Description.contains("MSDAORA"));
    EXPECT_NE(ErrorOf([] { ado::ChooseProvider(ado::ConnectionString("")); }).Number, 0);
}

TEST(JetOpen, MissingFileFailsAndIsNotCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nothere.mdb");
    auto c = ado::Connection::Create();
    const auto e = ErrorOf([&] { c->Open(JetCs(path)); });
    EXPECT_EQ(e.Number, -2147467259);
    EXPECT_EQ(e.Description, QStringLiteral("Could not find file '%1'.").arg(path));
    EXPECT_EQ(e.Source, "Microsoft JET Database Engine");
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(c->State(), ado::adStateClosed);
}

TEST(JetOpen, FileThatIsNotADatabaseFails)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.mdb");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("2015551234\r\n9735551234\r\n");
    }
    const QString empty = dir.filePath("empty.mdb");
    QFile(empty).open(QIODevice::WriteOnly);
    auto c = ado::Connection::Create();
    const auto e = ErrorOf([&] { c->Open(JetCs(path)); });
    EXPECT_EQ(e.Description, QStringLiteral("Unrecognized database format '%1'.").arg(path));
    EXPECT_EQ(ErrorOf([&] { c->Open(JetCs(empty)); }).Description,
              QStringLiteral("Unrecognized database format '%1'.").arg(empty));
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), QByteArray("2015551234\r\n9735551234\r\n"));
}

TEST(JetOpen, DatabasePasswordIsRefusedClearly)
{
    ScratchDb db;
    auto c = ado::Connection::Create();
    const auto e = ErrorOf([&] { c->Open(db.cs() + ";Jet OLEDB:Database Password=secret"); });
    EXPECT_TRUE(e.Description.contains("password"));
    // an empty password clause is no password
    c->Open(db.cs() + ";Jet OLEDB:Database Password=");
    EXPECT_EQ(c->State(), ado::adStateOpen);
}

TEST(JetOpen, ProvidersNotInstalledFailClearly)
{
    auto c = ado::Connection::Create();
    const auto e = ErrorOf([&] { c->Open("Provider=MSDAORA;Data Source=orcl;User Id=u;Password=p"); });
    EXPECT_EQ(e.Number, 3706);
    EXPECT_TRUE(e.Description.contains("MSDAORA"));
}

TEST(JetOpen, StateAndDoubleOpenClose)
{
    ScratchDb db;
    auto c = ado::Connection::Create();
    c->SetConnectionString(db.cs());
    c->Open();
    EXPECT_EQ(c->State(), ado::adStateOpen);
    EXPECT_EQ(c->Provider(), "jet");
    EXPECT_EQ(ErrorOf([&] { c->Open(); }).Number, 3705);
    c->Close();
    EXPECT_EQ(c->State(), ado::adStateClosed);
    EXPECT_EQ(ErrorOf([&] { c->Close(); }).Number, 3704);
    EXPECT_EQ(ErrorOf([&] { c->Execute("select 1"); }).Number, 3704);
}

TEST(Execute, ReportsRecordsAffectedAndReturnsRows)
{
    ScratchDb db;
    db.exec("create table t (a long, b text(10))");
    long n = 0;
    db.conn->Execute("insert into t values (1,'x'); insert into t values (2,'y')", &n);
    EXPECT_EQ(n, 2);
    db.conn->Execute("update t set b = 'z'", &n, ado::adExecuteNoRecords);
    EXPECT_EQ(n, 2);
    auto rs = db.conn->Execute("select a from t order by a");
    ASSERT_EQ(rs->State(), ado::adStateOpen);
    EXPECT_EQ(rs->Value(0).toLong(), 1);
    EXPECT_EQ(rs->RecordCount(), -1);
    EXPECT_EQ(db.conn->Execute("delete from t where a = 1")->State(), ado::adStateClosed);
    EXPECT_EQ(db.conn->Execute("delete from t", nullptr, ado::adExecuteNoRecords), nullptr);
}

TEST(Execute, MissingTableSpeaksLikeJet)
{
    ScratchDb db;
    const auto e = ErrorOf([&] { db.exec("select * from nosuch"); });
    EXPECT_EQ(e.Description,
              "The Microsoft Jet database engine cannot find the input table or query 'nosuch'.  "
              "Make sure it exists and that its name is spelled correctly.");
    EXPECT_EQ(e.Source, "Microsoft JET Database Engine");
    db.exec("create table t (a long)");
    EXPECT_EQ(ErrorOf([&] { db.exec("create table t (a long)"); }).Description, "Table 't' already exists.");
}

TEST(Transactions, CommitKeepsAndRollbackDrops)
{
    ScratchDb db;
    db.exec("create table t (a long)");
    EXPECT_EQ(db.conn->BeginTrans(), 1);
    db.exec("insert into t values (1)");
    db.conn->CommitTrans();
    db.conn->BeginTrans();
    db.exec("insert into t values (2)");
    db.conn->RollbackTrans();
    EXPECT_EQ(db.scalar("select count(*) from t").toLong(), 1);

    // another connection sees only what was committed
    auto other = ado::Connection::Create();
    other->Open(db.cs());
    EXPECT_EQ(other->Execute("select sum(a) from t")->Value(0).toLong(), 1);
}

TEST(Transactions, NestAndFailWithoutABegin)
{
    ScratchDb db;
    db.exec("create table t (a long)");
    db.conn->BeginTrans();
    db.exec("insert into t values (1)");
    EXPECT_EQ(db.conn->BeginTrans(), 2);
    db.exec("insert into t values (2)");
    db.conn->RollbackTrans();
    db.conn->CommitTrans();
    EXPECT_EQ(db.scalar("select count(*) from t").toLong(), 1);
    const auto e = ErrorOf([&] { db.conn->CommitTrans(); });
    EXPECT_EQ(e.Description, "No transaction is active.");
}

TEST(Command, RunsOneTextWithChangingValues)
{
    ScratchDb db;
    db.exec("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY)");
    auto ins = db.conn->Prepare("insert into phone201 (phone) values (?)");
    for (int n : {5551234, 5550000, 1234567}) {
        ins->SetParameter(0, n);
        long affected = 0;
        ins->Execute(&affected);
        EXPECT_EQ(affected, 1);
    }
    auto look = db.conn->Prepare("Select count(*) from phone201 where phone=?");
    look->SetParameter(0, 5550000);
    EXPECT_EQ(look->Execute()->Value(0).toLong(), 1);
    look->SetParameter(0, 5559999);
    EXPECT_EQ(look->Execute()->Value(0).toLong(), 0);
}

TEST(Execute, InsertIntoAnExternalDatabase)
{
    ScratchDb work("DNCTempWork.mdb");
    work.exec(
        "Create Table tempworktable (ID int  NOT NULL identity Primary Key ,Phone varchar(20) NOT NULL,DNC "
        "BIT  NOT NULL );");
    ScratchDb src;
    src.exec("create table calls (Area text(3), Phone text(7), Name text(20))");
    src.exec("insert into calls values ('201','5551234','Ann'), (NULL,'9735550000','Bob')");
    long n = 0;
    src.conn->Execute("INSERT INTO tempworktable (phone, DNC) in '" + work.path +
                          "'  select [Area] & [Phone], False from [calls]",
                      &n);
    EXPECT_EQ(n, 2);
    auto rs = work.conn->Execute("select Phone from tempworktable order by ID");
    EXPECT_EQ(rs->Value(0).toString(), "2015551234");
    rs->MoveNext();
    EXPECT_EQ(rs->Value(0).toString(), "9735550000");
    // the external database is let go afterwards
    EXPECT_NE(ErrorOf([&] { src.exec("select * from ext1.tempworktable"); }).Number, 0);
}

TEST(Execute, ExternalDatabaseMustExist)
{
    ScratchDb src;
    src.exec("create table calls (Phone text(10))");
    const QString missing = src.dir.filePath("gone.mdb");
    const auto e =
        ErrorOf([&] { src.exec("INSERT INTO t (phone) in '" + missing + "' select Phone from calls"); });
    EXPECT_EQ(e.Description, QStringLiteral("Could not find file '%1'.").arg(missing));
    EXPECT_FALSE(QFileInfo::exists(missing));
}

// A second connection for a helper thread: it reads what the first one
// committed, on a thread of its own, and never writes.
TEST(JetReader, ReadsTheCommittedStoreOnAnotherThreadAndRefusesWrites)
{
    ScratchDb db;
    db.exec("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY)");
    db.exec("INSERT INTO phone201 (phone) VALUES (5551234)");
    const std::shared_ptr<ado::Connection> reader = db.conn->OpenReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Provider(), "jet");

    std::int64_t counts[3] = {-1, -1, -1};
    std::thread helper([&] {
        ado::KeyLookup& lookup = reader->Lookup("phone201", "phone");
        counts[0] = lookup.count(5551234);
        counts[1] = lookup.count(5550000);
        counts[2] = reader->Execute("SELECT count(*) FROM phone201")->Value(0).toLongLong();
    });
    helper.join();
    EXPECT_EQ(counts[0], 1);
    EXPECT_EQ(counts[1], 0);
    EXPECT_EQ(counts[2], 1);

    const vb::ErrObject e = ErrorOf([&] { reader->Execute("INSERT INTO phone201 (phone) VALUES (1)"); });
    EXPECT_EQ(e.Description, "Cannot update.  Database or object is read-only.");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM phone201").toLongLong(), 1);
}

TEST(JetReader, StoresWithoutASecondWayInGiveNone)
{
    QTemporaryDir dir;
    auto text = ado::Connection::Create();
    text->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dir.path() +
               QStringLiteral("/;Extended Properties=\"text;HDR=Yes;FMT=Delimited\""));
    EXPECT_FALSE(text->OpenReader());
    auto closed = ado::Connection::Create();
    EXPECT_FALSE(closed->OpenReader());
}
