// Looking one number up: found, not found, no table, and failures that must
// never read as "not on the list".

#include "support/DncFixture.h"

class DncLookup : public DncTest {
protected:
    void SetUp() override
    {
        DncTest::SetUp();
        sql(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                           "INSERT INTO phone201 VALUES (5551234),(12);"
                           "CREATE TABLE phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
                           "INSERT INTO phone973 VALUES (5551234);"));
    }
};

TEST_F(DncLookup, FindsANumberOnlyInItsOwnAreaCode)
{
    auto conn = openDnc();
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551234"), conn), 1);
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551235"), conn), 0);
    EXPECT_EQ(CountDNCPhone(QStringLiteral("973"), QStringLiteral("5551234"), conn), 1);
    EXPECT_EQ(CountDNCPhone(QStringLiteral("973"), QStringLiteral("0000012"), conn), 0);
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("0000012"), conn), 1);
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551234"), conn), 1);
}

TEST_F(DncLookup, SeesNumbersAddedAfterEarlierLookups)
{
    auto conn = openDnc();
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("7654321"), conn), 0);
    conn->Execute(QStringLiteral("insert into phone201 (phone) values (7654321)"));
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("7654321"), conn), 1);
}

TEST_F(DncLookup, AnotherConnectionOnAnotherDatabaseIsAskedItself)
{
    auto first = openDnc();
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551234"), first), 1);
    first->Close();

    const QString other = dir.filePath(QStringLiteral("other.mdb"));
    CreateJetDatabase(other);
    auto second = ado::Connection::Create();
    second->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + other);
    second->Execute(QStringLiteral("create table phone201 (phone integer not null primary key)"));
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551234"), second), 0);
}

TEST_F(DncLookup, AnAreaCodeWithoutATableGivesZeroWithoutAMessage)
{
    auto conn = openDnc();
    EXPECT_EQ(CountDNCPhone(QStringLiteral("555"), QStringLiteral("5551234"), conn), 0);
    EXPECT_EQ(CountRecords(QStringLiteral("phone555"), conn), 0);
}

TEST_F(DncLookup, AClosedConnectionIsAnErrorForTheCaller)
{
    auto conn = openDnc();
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551234"), conn), 1);
    conn->Close();
    EXPECT_THROW(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551234"), conn), vb::ErrObject);
    EXPECT_THROW(CountRecords(QStringLiteral("phone201"), conn), vb::ErrObject);
    EXPECT_THROW(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551234"), nullptr), vb::ErrObject);
}

TEST_F(DncLookup, ABrokenDatabaseFileIsAnErrorForTheCaller)
{
    auto conn = openDnc();
    EXPECT_EQ(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551234"), conn), 1);
    {
        QFile f(dbPath);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(QByteArray(int(f.size()), 'x'));
    }
    EXPECT_THROW(CountDNCPhone(QStringLiteral("201"), QStringLiteral("5551234"), conn), vb::ErrObject);
    EXPECT_THROW(CountRecords(QStringLiteral("phone201"), conn), vb::ErrObject);
}

TEST_F(DncLookup, CountRecordsCountsTheClauseAndLeavesTheSharedRecordsetClosed)
{
    auto conn = openDnc();
    EXPECT_EQ(CountRecords(QStringLiteral("phone201"), conn), 2);
    EXPECT_EQ(CountRecords(QStringLiteral("phone201 where phone > 100"), conn), 1);
    EXPECT_EQ(gRecordset->State(), ado::adStateClosed);
}
