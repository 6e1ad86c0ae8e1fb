// Saving a settings row: what each write state does to table DefProperty,
// the key of a new row, transactions, and what a failed save leaves behind.

#include "DataTestSupport.h"

#include "core/CDefProperty.h"

using datatest::DataTest;
using datatest::JetCs;

namespace {

class DefPropertySave : public DataTest {
protected:
    // A stored row, loaded clean.
    CDefProperty stored(int id, const QString& key, const QString& value = "v")
    {
        db.exec(QString("insert into DefProperty (ID, PropertyKeys, PropertyName, PropertyValue, DataType) "
                        "values (%1, '%2', 'Name %2', '%3', 3)")
                    .arg(id)
                    .arg(key, value));
        CDefProperty p;
        p.SetID(id);
        EXPECT_TRUE(p.Load());
        return p;
    }
    CDefProperty fresh(const QString& key)
    {
        CDefProperty p;
        p.SetPropertyKeys(key);
        p.SetPropertyName("Name " + key);
        p.SetPropertyValue("v");
        p.SetDataType(3);
        return p;
    }
};

} // namespace

TEST_F(DefPropertySave, CleanRowWritesNothingAndOpensNoConnection)
{
    CDefProperty p = stored(3, "a");
    p.SetPropertyValue("v");
    gDataAccess->SetDefaultConnectionString(JetCs(db.folder() + "/missing.mdb"));
    EXPECT_TRUE(p.Save(true, true)) << "no connection is tried";
    CDefProperty never;
    EXPECT_TRUE(never.Save(true, true)) << "a key of 0 without changes is not inserted";
}

TEST_F(DefPropertySave, NewRowIsInsertedAndTakesItsKey)
{
    db.exec("insert into DefProperty (ID, PropertyKeys) values (20, 'older')");
    CDefProperty p = fresh("k'ey");
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(p.ID(), 21);
    EXPECT_FALSE(p.IsDirty());
    EXPECT_FALSE(p.IsNew());
    EXPECT_EQ(db.scalar("select PropertyKeys from DefProperty where ID = 21"), "k'ey");
    EXPECT_FALSE(gDataAccess->IsConnected()) << "the connection it opened is closed again";
}

TEST_F(DefPropertySave, NewRowThroughARecordsetTakesItsKeyFromTheRecordset)
{
    db.exec("insert into DefProperty (ID, PropertyKeys) values (30, 'older')");
    CDefProperty p = fresh("viaRecordset");
    p.SetDataType(0);
    ASSERT_TRUE(p.Save(true, false));
    EXPECT_EQ(p.ID(), 31);
    EXPECT_EQ(db.scalar("select PropertyName || '|' || DataType from DefProperty where ID = 31"),
              "Name viaRecordset|0");
}

TEST_F(DefPropertySave, KeyIsReadOnTheSavingConnectionNotAsTheTableMaximum)
{
    ASSERT_TRUE(gDataAccess->OpenConnection());
    CDefProperty p = fresh("mine");
    ASSERT_TRUE(gDataAccess->ExecQuery("insert into DefProperty (ID, PropertyKeys) values (100, 'high')"));
    ASSERT_TRUE(gDataAccess->ExecQuery("delete from DefProperty where ID = 100"));
    // The next autonumber is 101 whatever Max(ID) says once row 100 is gone.
    ASSERT_TRUE(p.Save(false, true));
    EXPECT_EQ(p.ID(), 101);
    EXPECT_EQ(db.scalar("select PropertyKeys from DefProperty where ID = 101"), "mine");
    EXPECT_TRUE(gDataAccess->IsConnected()) << "it did not open it, so it leaves it open";
}

TEST_F(DefPropertySave, NewFlagInsertsEvenWithAKeyAndTheRowGetsItsRealKey)
{
    CDefProperty p = fresh("flagged");
    p.SetID(555);
    p.SetIsNew(true);
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(db.count("DefProperty"), 1);
    EXPECT_EQ(p.ID(), db.scalar("select ID from DefProperty").toInt());
}

TEST_F(DefPropertySave, ChangedRowIsUpdatedByItsKey)
{
    CDefProperty a = stored(3, "a");
    stored(4, "b");
    a.SetPropertyValue("changed");
    ASSERT_TRUE(a.Save(true, true));
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where ID = 3"), "changed");
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where ID = 4"), "v");
    EXPECT_FALSE(a.IsDirty());
}

TEST_F(DefPropertySave, DeletedRowIsDeletedOnceAndKeepsItsKey)
{
    CDefProperty a = stored(3, "a");
    a.SetIsDeleted(true);
    ASSERT_TRUE(a.Save(true, true));
    EXPECT_EQ(db.count("DefProperty"), 0);
    EXPECT_EQ(a.ID(), 3);
    EXPECT_FALSE(a.IsDeleted());
    db.exec("insert into DefProperty (ID, PropertyKeys) values (3, 'again')");
    EXPECT_TRUE(a.Save(true, true)) << "nothing is left to write";
    EXPECT_EQ(db.count("DefProperty"), 1);
}

TEST_F(DefPropertySave, FailedStatementIsReportedOnceAndChangesNothing)
{
    CDefProperty a = stored(3, "a");
    a.SetPropertyValue("changed");
    a.SetTableName("NoSuchTable");
    expectError("ExecQuery");
    EXPECT_FALSE(a.Save(true, true));
    EXPECT_TRUE(a.IsDirty());
    EXPECT_EQ(a.ID(), 3);
    EXPECT_FALSE(gDataAccess->IsConnected());
    EXPECT_FALSE(gDataAccess->IsInTransaction());
    a.SetTableName("DefProperty");
    EXPECT_TRUE(a.Save(true, true)) << "it can be saved again";
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where ID = 3"), "changed");
}

TEST_F(DefPropertySave, FailedSaveWithoutTransactionClosesTheConnectionItOpened)
{
    CDefProperty p = fresh("x");
    p.SetTableName("NoSuchTable");
    expectError("ExecQuery");
    EXPECT_FALSE(p.Save(false, true));
    EXPECT_FALSE(gDataAccess->IsConnected());
    EXPECT_EQ(p.ID(), 0);
}

TEST_F(DefPropertySave, FailedRecordsetInsertIsReportedAsSaveRs)
{
    CDefProperty p = fresh("x");
    p.SetTableName("NoSuchTable");
    expectError("SaveRs", "CDefProperty");
    EXPECT_FALSE(p.Save(true, false));
    EXPECT_EQ(p.ID(), 0);
    EXPECT_TRUE(p.IsDirty());
    EXPECT_FALSE(gDataAccess->IsConnected());
}

TEST_F(DefPropertySave, UnreadableKeyFailsTheSaveAndUndoesTheInsert)
{
    // A table whose rows carry no rowid and whose ID the database does not
    // assign: neither the connection nor Max(ID) can name the new row.
    db.exec("create table NoKeys (ID INTEGER DEFAULT 0, PropertyKeys TEXT PRIMARY KEY, PropertyName TEXT, "
            "PropertyValue TEXT, DataType INTEGER) WITHOUT ROWID");
    CDefProperty p = fresh("lost");
    p.SetTableName("NoKeys");
    expectError("Save", "CDefProperty");
    EXPECT_FALSE(p.Save(true, true));
    EXPECT_EQ(p.ID(), 0);
    EXPECT_TRUE(p.IsDirty());
    EXPECT_EQ(db.count("NoKeys"), 0) << "its own transaction is rolled back";
    EXPECT_FALSE(gDataAccess->IsConnected());
}

TEST_F(DefPropertySave, KeyQueryOfTheTableIsTheFallback)
{
    db.exec(
        "create table FixedKeys (ID INTEGER DEFAULT 42, PropertyKeys TEXT PRIMARY KEY, PropertyName TEXT, "
        "PropertyValue TEXT, DataType INTEGER) WITHOUT ROWID");
    CDefProperty p = fresh("fallback");
    p.SetTableName("FixedKeys");
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(p.ID(), 42);
}
