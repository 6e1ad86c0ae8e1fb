// The catalog: creating databases and tables, the types it reports, linked
// tables, and compaction through the Jet engine object.

#include "AdoTestSupport.h"
#include "platform/ado/Provider.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/jro/JetEngine.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

using adotest::ErrorOf;
using adotest::JetCs;
using adotest::ScratchDb;

namespace {

QString schemaOf(const QString& path, const QString& table)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "select sql from sqlite_master where name = ?", -1, &s, nullptr);
    const QByteArray t = table.toUtf8();
    sqlite3_bind_text(s, 1, t.constData(), -1, SQLITE_TRANSIENT);
    QString sql;
    if (sqlite3_step(s) == SQLITE_ROW)
        sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return sql;
}

QString typeOf(adox::Catalog& cat, const QString& name)
{
    return cat.Tables().Item(name)->Type();
}

} // namespace

TEST(Catalog, CreateMakesAnEmptyDatabaseAndRefusesAnExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("new.mdb");
    adox::Catalog cat;
    auto conn = cat.Create("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=" + path);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(conn->State(), ado::adStateOpen);
    EXPECT_EQ(cat.Tables().Count(), 0);
    // a plain connection opens it
    auto c = ado::Connection::Create();
    c->Open(JetCs(path));
    adox::Catalog again;
    const auto e = ErrorOf([&] { again.Create(JetCs(path)); });
    EXPECT_EQ(e.Description, "Database already exists.");
}

TEST(Catalog, DncTableHasItsExactSchema)
{
    ScratchDb db;
    adox::Catalog cat;
    cat.SetActiveConnection(db.conn);
    auto tbl = adox::Table::Create("phone201");
    auto col = adox::Column::Create("phone", ado::adInteger, 0);
    col->SetParentCatalog(&cat);
    col->Properties().Item("Nullable").SetValue(false);
    col->Properties().Item("Jet OLEDB:Allow Zero Length").SetValue(false);
    tbl->Columns().Append(col);
    auto idx = adox::Index::Create("PrimaryKey");
    idx->SetPrimaryKey(true);
    idx->SetUnique(true);
    idx->Columns().Append("phone");
    tbl->Indexes().Append(idx);
    cat.Tables().Append(tbl);
    EXPECT_EQ(schemaOf(db.path, "phone201"), "CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY)");
    EXPECT_EQ(typeOf(cat, "PHONE201"), "TABLE");
    db.exec("insert into phone201 (phone) values (0555123)");
    EXPECT_EQ(db.scalar("select count(*) from phone201 where phone=555123").toLong(), 1);
    EXPECT_NE(ErrorOf([&] { db.exec("insert into phone201 (phone) values (555123)"); }).Number, 0);
    // the same table again is refused with ADOX's number
    EXPECT_EQ(ErrorOf([&] { cat.Tables().Append(adox::Table::Create("phone201")); }).Number, -2147217857);
}

TEST(Catalog, ColumnsAreRequiredUnlessNullableAndCanAutoIncrement)
{
    ScratchDb db;
    adox::Catalog cat;
    cat.SetActiveConnection(db.conn);
    auto t = adox::Table::Create("MyTempTable");
    auto id = adox::Column::Create("ID", ado::adInteger);
    id->Properties().Item("Autoincrement").SetValue(true);
    t->Columns().Append(id);
    auto name = adox::Column::Create("Name", ado::adVarWChar, 40);
    name->SetAttributes(adox::adColNullable);
    t->Columns().Append(name);
    t->Columns().Append("phone", ado::adInteger);
    t->Keys().Append("PrimaryKey", adox::adKeyPrimary, "ID");
    cat.Tables().Append(t);
    EXPECT_EQ(
        schemaOf(db.path, "MyTempTable"),
        "CREATE TABLE MyTempTable (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT(40) COLLATE NOCASE, phone "
        "INTEGER NOT NULL)");
    auto cols = cat.Tables().Item("MyTempTable");
    EXPECT_EQ(cols->Columns().Count(), 3);
    EXPECT_EQ(cols->Columns().Item("Name")->DefinedSize(), 40);
    EXPECT_EQ(cols->Columns().Item("phone")->Type(), ado::adInteger);
}

TEST(Catalog, ReportsTablesViewsSystemTablesAndNeverSqliteOwn)
{
    ScratchDb db;
    db.exec("create table phonebook (a long)");
    db.exec("create table CityState (ID counter, AreaCode text(3))");
    db.exec("create view v as select * from phonebook");
    db.exec("create table MSysTest (a long)");
    adox::Catalog cat;
    cat.SetActiveConnection(db.conn);
    QStringList names;
    for (const auto& t : cat.Tables())
        names << t->Name() + ":" + t->Type();
    EXPECT_EQ(names, (QStringList{"CityState:TABLE", "MSysTest:SYSTEM TABLE", "phonebook:TABLE", "v:VIEW"}));
}

TEST(Catalog, JetLinkIsReportedAsLinkAndSurvivesReconnecting)
{
    QTemporaryDir dir;
    ScratchDb work("DNCTempWork.mdb");
    work.exec(
        "Create Table tempworktable (ID int  NOT NULL identity Primary Key ,Phone varchar(20) NOT NULL,DNC "
        "BIT  NOT NULL );");
    work.exec("insert into tempworktable (Phone, DNC) values ('2015551234', False)");
    ScratchDb dnc;
    {
        adox::Catalog cat;
        cat.SetActiveConnection(dnc.conn);
        auto t = adox::Table::Create("tempworktable");
        t->SetParentCatalog(&cat);
        t->Properties().Item("Jet OLEDB:Create Link").SetValue(true);
        t->Properties().Item("Jet OLEDB:Link Datasource").SetValue(work.path);
        t->Properties().Item("Jet OLEDB:Link Provider String").SetValue(";");
        t->Properties().Item("Jet OLEDB:Remote Table Name").SetValue("tempworktable");
        cat.Tables().Append(t);
        EXPECT_EQ(typeOf(cat, "tempworktable"), "LINK");
        EXPECT_EQ(typeOf(cat, "MSysLinks"), "SYSTEM TABLE");
        EXPECT_EQ(dnc.scalar("select phone from tempworktable").toString(), "2015551234");
    }
    auto again = ado::Connection::Create();
    again->Open(dnc.cs());
    EXPECT_EQ(again->Execute("select count(*) from tempworktable")->Value(0).toLong(), 1);
    adox::Catalog cat;
    cat.SetActiveConnection(again);
    cat.Tables().Delete("tempworktable");
    EXPECT_EQ(ErrorOf([&] { cat.Tables().Item("tempworktable"); }).Number, 3265);
    EXPECT_NE(ErrorOf([&] { again->Execute("select * from tempworktable"); }).Number, 0);
    // the linked table itself is untouched
    EXPECT_EQ(work.scalar("select count(*) from tempworktable").toLong(), 1);
}

TEST(Catalog, LinkOfAnUnknownKindFailsAndLeavesNothing)
{
    ScratchDb db;
    adox::Catalog cat;
    cat.SetActiveConnection(db.conn);
    auto t = adox::Table::Create("MyLinkedTable");
    t->Properties().Item("Jet OLEDB:Create Link").SetValue(true);
    t->Properties()
        .Item("Jet OLEDB:Link Provider String")
        .SetValue("paradox 5.x;DATABASE=/x/;Extended Properties=\"\"");
    t->Properties().Item("Jet OLEDB:Remote Table Name").SetValue("dnc.txt");
    const auto e = ErrorOf([&] { cat.Tables().Append(t); });
    EXPECT_TRUE(e.Description.contains("paradox 5.x"));
    EXPECT_EQ(ErrorOf([&] { cat.Tables().Item("MyLinkedTable"); }).Number, 3265);
}

TEST(Catalog, RegisteredLinkModuleMakesTheTable)
{
    ado::RegisterLinkModule("fake", [](ado::SqliteConnection& conn, const ado::LinkSpec& spec) {
        conn.exec(
            QStringLiteral("CREATE TEMP TABLE \"%1\" AS SELECT '%2' AS F1").arg(spec.name, spec.remoteTable));
    });
    ScratchDb db;
    adox::Catalog cat;
    cat.SetActiveConnection(db.conn);
    auto t = adox::Table::Create("MyLinkedTable");
    t->Properties().Item("Jet OLEDB:Create Link").SetValue(true);
    t->Properties().Item("Jet OLEDB:Link Provider String").SetValue("fake;DATABASE=/lists/");
    t->Properties().Item("Jet OLEDB:Remote Table Name").SetValue("dnc.txt");
    cat.Tables().Append(t);
    EXPECT_EQ(typeOf(cat, "MyLinkedTable"), "LINK");
    EXPECT_EQ(db.scalar("select F1 from MyLinkedTable").toString(), "dnc.txt");
    cat.Tables().Delete("MyLinkedTable");
    EXPECT_EQ(cat.Tables().Count(), 1); // MSysLinks
}

TEST(Catalog, DeletingAMissingTableIsItemNotFound)
{
    ScratchDb db;
    adox::Catalog cat;
    cat.SetActiveConnection(db.conn);
    EXPECT_EQ(ErrorOf([&] { cat.Tables().Delete("MyLinkedTable"); }).Number, 3265);
}

TEST(Compact, WritesACopyAndRefusesAnExistingDestination)
{
    ScratchDb db;
    db.exec("create table t (a long)");
    db.exec("insert into t values (42)");
    const QString dest = db.dir.filePath("compact.mdb");
    auto engine = jro::JetEngine::Create();
    engine->CompactDatabase(db.cs(), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dest +
                                         ";Jet OLEDB:Engine Type=5");
    auto c = ado::Connection::Create();
    c->Open(JetCs(dest));
    EXPECT_EQ(c->Execute("select a from t")->Value(0).toLong(), 42);
    const auto e = ErrorOf([&] { engine->CompactDatabase(db.cs(), JetCs(dest)); });
    EXPECT_EQ(e.Description, "Database already exists.");
    const QString missing = db.dir.filePath("missing.mdb");
    EXPECT_TRUE(ErrorOf([&] {
                    engine->CompactDatabase(JetCs(missing), JetCs(db.dir.filePath("x.mdb")));
                }).Description.startsWith("Could not find file"));
    EXPECT_FALSE(QFileInfo::exists(db.dir.filePath("x.mdb")));
}
