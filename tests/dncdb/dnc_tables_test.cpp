// The area-code tables: creating them, listing them and counting all numbers.

#include "support/DncFixture.h"

#include "platform/adox/Catalog.h"

using DncTables = DncTest;

TEST_F(DncTables, CreatePhoneTableMakesTheKeyedTableAndListsIt)
{
    auto conn = openDnc();
    CreatePhoneTable(QStringLiteral("201"), conn, 0);
    ASSERT_TRUE(gPhoneTables->Item(QStringLiteral("PHONE201")));
    EXPECT_EQ(gPhoneTables->Item(QStringLiteral("phone201"))->ItemValue(), QStringLiteral("phone201"));

    // A number with leading zeros is stored as the number without them, and
    // a number occurs once per area code.
    conn->Execute(QStringLiteral("insert into phone201 (phone) values (0012345)"));
    EXPECT_THROW(conn->Execute(QStringLiteral("insert into phone201 (phone) values (12345)")), vb::ErrObject);
    EXPECT_EQ(numbers(QStringLiteral("phone201")), (std::set<long long>{12345}));
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("0012345"), conn), 1);

    auto catalog = adox::Catalog::Create();
    catalog->SetActiveConnection(conn);
    auto table = catalog->Tables().Item(QStringLiteral("phone201"));
    EXPECT_EQ(table->Columns().Item(QStringLiteral("phone"))->Type(), ado::adInteger);
}

TEST_F(DncTables, AListedAreaCodeIsNotCreatedAgainNorQueried)
{
    gPhoneTables->Add(QStringLiteral("phone201"), QStringLiteral("phone201"));
    auto closed = ado::Connection::Create(); // never opened: any use would fail and report
    CreatePhoneTable(QStringLiteral("201"), closed, 0);
    EXPECT_EQ(gPhoneTables->Count(), 1);
    EXPECT_FALSE(tableExists(QStringLiteral("phone201")));
}

TEST_F(DncTables, AnExistingTableMissingFromTheListIsListedNotMadeAgain)
{
    // Another desktop made it after this one read its list.
    sql(QStringLiteral("CREATE TABLE phone973 (phone INTEGER NOT NULL PRIMARY KEY); "
                       "INSERT INTO phone973 VALUES (1234567)"));
    CreatePhoneTable(QStringLiteral("973"), openDnc(), 0);
    EXPECT_TRUE(gPhoneTables->Item(QStringLiteral("phone973")));
    EXPECT_EQ(GetDNCCount(), 1);
}

TEST_F(DncTables, LoadTablesListsPlainTablesBeginningWithPhone)
{
    sql(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "CREATE TABLE Phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "CREATE TABLE phonebook (name TEXT);"
                       "CREATE TABLE other (x INTEGER);"));
    // A linked table named like a DNC table is not one.
    const QString src = dir.filePath(QStringLiteral("src.mdb"));
    CreateJetDatabase(src);
    {
        sqlite3* db = nullptr;
        sqlite3_open(src.toUtf8().constData(), &db);
        sqlite3_exec(db, "CREATE TABLE phone999 (phone INTEGER)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    CreateLinkedTable(openDnc(), src, QStringLiteral("phone999"));

    gPhoneTables->Add(QStringLiteral("stale"), QStringLiteral("stale"));
    EXPECT_TRUE(LoadTables());
    QStringList names;
    for (const auto& item : *gPhoneTables)
        names << item->ItemValue();
    names.sort(Qt::CaseInsensitive);
    EXPECT_EQ(names, (QStringList{QStringLiteral("phone201"), QStringLiteral("Phone973"),
                                  QStringLiteral("phonebook")}));
    EXPECT_TRUE(gPhoneTables->Item(QStringLiteral("phone973")));
}

TEST_F(DncTables, LoadTablesOnADatabaseWithoutTablesGivesFalseAndAnEmptyList)
{
    const QString empty = dir.filePath(QStringLiteral("empty.mdb"));
    CreateJetDatabase(empty);
    gOption->SetConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + empty);
    gPhoneTables->Add(QStringLiteral("phone201"), QStringLiteral("phone201"));
    EXPECT_FALSE(LoadTables());
    EXPECT_EQ(gPhoneTables->Count(), 0);
}

TEST_F(DncTables, LoadTablesOnAMissingDatabaseReports)
{
    gOption->SetConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                 dir.filePath(QStringLiteral("gone.mdb")));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:LoadTables"), ui::vbCritical | ui::vbOKOnly);
    EXPECT_FALSE(LoadTables());
    EXPECT_EQ(gPhoneTables->Count(), 0);
}

TEST_F(DncTables, CreateJetDatabaseReplacesAnyFileThere)
{
    const QString path = writeFile(QStringLiteral("new.mdb"), "not a database");
    CreateJetDatabase(path);
    auto c = ado::Connection::Create();
    EXPECT_NO_THROW(c->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path));
}

TEST_F(DncTables, GetDNCCountAddsUpEveryListedTable)
{
    bool ok = false;
    EXPECT_EQ(GetDNCCount(&ok), 0);
    EXPECT_TRUE(ok);

    sql(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "CREATE TABLE phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "INSERT INTO phone201 VALUES (1),(2),(3);"
                       "INSERT INTO phone973 VALUES (4),(5);"));
    LoadTables();
    EXPECT_EQ(GetDNCCount(&ok), 5);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(gDataAccess->IsConnected());
}

TEST_F(DncTables, GetDNCCountAfterAFailureReportsItAndClosesItsConnection)
{
    sql(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "INSERT INTO phone201 VALUES (1);"));
    LoadTables();
    testsupport::BreakTable(dbPath, QStringLiteral("phone555")); // damaged behind our back
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Module:DataAccessAPI"), ui::vbCritical | ui::vbOKOnly);
    bool ok = true;
    EXPECT_EQ(GetDNCCount(&ok), -1);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(gDataAccess->IsConnected());
}
