// The program's Jet SQL on a PostgreSQL server: what each statement gives
// back when it runs there, against the same rows.

#include "PgDatabase.h"

#include "platform/ado/Connection.h"
#include "platform/adox/Catalog.h"
#include "platform/vb/Err.h"

namespace {

struct Case {
    const char* what;
    const char* jet;
    QStringList rows;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.what;
}

class JetSqlOnServer : public PgDatabaseTest, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override
    {
        PgDatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Psql("insert into CityState (AreaCode, City, State, Note) values "
             "('201', 'Jersey City', 'NJ', null), ('973', 'newark', 'nj', 'north'), "
             "('212', 'New York', 'NY', '5% more')");
        Psql("insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) values "
             "('DNCLastUpdate', 'Last', '3/2/2007', 2)");
        Psql("insert into DataTypeInfo (DataType, IsTitleFirstLine, Delimited) values ('CSV', 1, 0), "
             "('TEXT FILE', 0, 0)");
    }
};

TEST_P(JetSqlOnServer, GivesTheRowsJetWouldGive)
{
    auto c = Open();
    EXPECT_EQ(Rows(c, QString::fromUtf8(GetParam().jet)), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, JetSqlOnServer,
    ::testing::Values(
        Case{"top becomes limit", "Select top 1 CityStateID from CityState ORDER BY CityStateID DESC", {"3"}},
        Case{"bracketed names in any case",
             "select [city] from [CITYSTATE] where [AreaCode] = '201'",
             {"Jersey City"}},
        Case{"text compares without regard to case",
             "select City from CityState where State = 'NJ' order by City",
             {"Jersey City", "newark"}},
        Case{"setting keys found in any case",
             "select PropertyValue from DefProperty where PropertyKeys = 'dnclastupdate'",
             {"3/2/2007"}},
        Case{"text sorts without regard to case",
             "select City from CityState order by City",
             {"Jersey City", "New York", "newark"}},
        Case{"ampersand joins text and treats null as empty",
             "select City & ', ' & Note from CityState order by CityStateID",
             {"Jersey City, ", "newark, north", "New York, 5% more"}},
        Case{"like with star and question mark ignores case",
             "select AreaCode from CityState where City like 'NEW*' order by AreaCode",
             {"212", "973"}},
        Case{"like keeps a percent sign literal",
             "select AreaCode from CityState where Note like '5%*'",
             {"212"}},
        Case{"like with a digit and a set",
             "select City from CityState where AreaCode like '2#[2-9]'",
             {"New York"}},
        Case{"not like",
             "select AreaCode from CityState where City not like '*y' order by AreaCode",
             {"212", "973"}},
        Case{"jet functions",
             "select mid(City,1,3), left(State,1), len(City), ucase(City) from CityState "
             "where CityStateID = 2",
             {"new|n|6|NEWARK"}},
        Case{"a function of a number column takes its digits",
             "select CityStateID from CityState where left(AreaCode,1) = 9",
             {"2"}},
        Case{"nz and iif",
             "select nz(Note, '-'), iif(State = 'NJ', 'jersey', 'other') from CityState "
             "order by CityStateID",
             {"-|jersey", "north|jersey", "5% more|other"}},
        Case{"date literal", "select count(*) from CityState where #3/2/2007# < now()", {"3"}},
        Case{"yes/no columns against true and false",
             "select DataType from DataTypeInfo where IsTitleFirstLine = True and Delimited = False",
             {"CSV"}},
        Case{"distinctrow keeps one of each text whatever its case",
             "select count(*) from (select distinctrow State from CityState) as s",
             {"2"}},
        Case{"a number compared with a text column",
             "select City from CityState where AreaCode = 201",
             {"Jersey City"}},
        Case{"double-quoted text and an alias in quotes",
             "SELECT City AS 'Name' from CityState where State = \"ny\"",
             {"New York"}}));

TEST_F(PgDatabaseTest, StatementsThatChangeRowsCountTheirRowsAndIdentityGivesTheNewKey)
{
    auto c = Open();
    long affected = 0;
    c->Execute("Insert Into CityState (AreaCode, City, State, Note) Values ('201','A','NJ',NULL)", &affected,
               ado::adExecuteNoRecords);
    EXPECT_EQ(affected, 1);
    EXPECT_EQ(Rows(c, "SELECT @@IDENTITY AS 'Identity' "), QStringList{"1"});
    c->Execute("Update CityState Set Note = 'x' & City where State = 'nj'", &affected,
               ado::adExecuteNoRecords);
    EXPECT_EQ(affected, 1);
    c->Execute("DELETE * FROM CityState where AreaCode = 201", &affected, ado::adExecuteNoRecords);
    EXPECT_EQ(affected, 1);
    EXPECT_EQ(Query("select count(*) from citystate"), QStringList{"0"});
}

TEST_F(PgDatabaseTest, CatalogListsCreatesAndDropsAreaCodeTables)
{
    auto c = Open();
    auto catalog = adox::Catalog::Create();
    catalog->SetActiveConnection(c);
    auto table = adox::Table::Create("phone201");
    auto column = adox::Column::Create("phone", ado::adInteger, 0);
    column->SetParentCatalog(catalog.get());
    column->Properties().Item("Nullable").SetValue(vb::Variant(false));
    table->Columns().Append(column);
    auto index = adox::Index::Create("PrimaryKey");
    index->SetPrimaryKey(true);
    index->SetUnique(true);
    index->Columns().Append("phone");
    table->Indexes().Append(index);
    catalog->Tables().Append(table);

    QStringList names;
    for (const auto& t : catalog->Tables())
        if (t->Type() == u"TABLE") names << t->Name();
    names.sort();
    EXPECT_EQ(names, (QStringList{"citystate", "datatypeinfo", "defproperty", "gridproperty", "mytemptable",
                                  "phone201", "stateformat"}));

    c->Execute("Insert Into phone201 (Phone) Values (5551234)", nullptr, ado::adExecuteNoRecords);
    EXPECT_THROW(
        c->Execute("Insert Into phone201 (Phone) Values (5551234)", nullptr, ado::adExecuteNoRecords),
        vb::ErrObject);
    EXPECT_EQ(Query("select phone from phone201"), QStringList{"5551234"});

    catalog->Tables().Delete("Phone201");
    EXPECT_EQ(Query("select count(*) from pg_tables where tablename = 'phone201'"), QStringList{"0"});
}

TEST_F(PgDatabaseTest, ConnectionKnowsItTalksToPostgreSql)
{
    auto c = Open();
    EXPECT_EQ(c->providerConnection()->dbms(), QStringLiteral("PostgreSQL"));
}

} // namespace

namespace {

TEST_F(PgDatabaseTest, CreateTableInJetSqlMakesATableOfTheServersTypes)
{
    auto c = Open();
    c->Execute("Create Table [Call Notes] (ID counter, Title text(50), Done yesno, Amount currency, "
               "At datetime, Body memo)",
               nullptr, ado::adExecuteNoRecords);
    c->Execute("Insert Into [Call Notes] (Title, Done, Amount, At, Body) Values ('Call Back', True, 12.5, "
               "#3/2/2007 2:25:30 PM#, 'x')",
               nullptr, ado::adExecuteNoRecords);
    EXPECT_EQ(Rows(c, "select ID, Title, Done, Amount, At from [call notes] where title = 'CALL BACK'"),
              QStringList{"1|Call Back|1|12.5|3/2/2007 2:25:30 PM"});
    EXPECT_EQ(Query("select data_type from information_schema.columns where table_name = 'call notes' "
                    "order by ordinal_position"),
              (QStringList{"integer", "USER-DEFINED", "integer", "numeric", "timestamp without time zone",
                           "USER-DEFINED"}));
}

} // namespace

TEST_F(PgDatabaseTest, AReaderSeesOneStateOfTheStoreWhileAnotherDesktopCommitsAndTheNextTransactionSeesNews)
{
    Psql("create table phone415 (phone integer not null primary key)");
    auto reader = Open();
    const QString count = QStringLiteral("select count(*) from phone415");
    reader->BeginReadTrans();
    EXPECT_EQ(Rows(reader, count), QStringList{"0"});
    Psql("insert into phone415 values (5550001), (5550002)");
    EXPECT_EQ(Rows(reader, count), QStringList{"0"}) << "a look-up after another's commit";
    reader->CommitTrans();

    // Later transactions are as before: each statement sees what is committed.
    reader->BeginTrans();
    EXPECT_EQ(Rows(reader, count), QStringList{"2"});
    Psql("insert into phone415 values (5550003)");
    EXPECT_EQ(Rows(reader, count), QStringList{"3"});
    reader->CommitTrans();
    reader->Close();
}
