// The settings store: seeding the default rows, loading them keyed by
// setting key without regard to case, and the WHERE rule of its loader.

#include "DataTestSupport.h"

#include "core/CDefPropertys.h"

using datatest::DataTest;

namespace {

class SettingsStore : public DataTest {
protected:
    void row(int id, const QString& key, const QString& name, const QString& value = "v")
    {
        db.exec(QString("insert into DefProperty (ID, PropertyKeys, PropertyName, PropertyValue, DataType) "
                        "values (%1, %2, '%3', '%4', 3)")
                    .arg(id)
                    .arg(key.isNull() ? QString("NULL") : "'" + key + "'", name, value));
    }
    CDefPropertys store;
};

} // namespace

TEST_F(SettingsStore, FirstStartSeedsEveryDefaultRow)
{
    store.CheckKeys();
    EXPECT_EQ(db.count("DefProperty"), 31);
    EXPECT_EQ(store.Count(), 0) << "the new rows are not left in the list";
    ASSERT_TRUE(store.LoadRelated());
    EXPECT_EQ(store.Count(), 31);
    for (std::int32_t i = 2; i <= store.Count(); ++i)
        EXPECT_LE(
            store.Item(i - 1)->PropertyName().compare(store.Item(i)->PropertyName(), Qt::CaseInsensitive), 0);
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where PropertyKeys = 'dncfieldname'"),
              "Phone");
    EXPECT_EQ(db.scalar("select PropertyName from DefProperty where PropertyKeys = 'dncfieldname'"),
              "DNC Phone Number Field's Name");
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where PropertyKeys = 'lastadtime'"),
              "1899-12-30 00:00:00");
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where PropertyKeys = 'dnclastupdate'"),
              "12:00:00 AM");
    EXPECT_EQ(db.scalar("select DataType from DefProperty where PropertyKeys = 'dnclastupdate'"), "2");
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where PropertyKeys = 'm_pagesize'"), "1000");
    EXPECT_TRUE(db.scalar("select PropertyValue from DefProperty where PropertyKeys = 'okfile'")
                    .endsWith("/results/oklist.txt"));
    EXPECT_EQ(
        db.scalar("select PropertyKeys from DefProperty where PropertyKeys = 'keptareacode' collate binary"),
        "")
        << "seeded with its capital K";
    EXPECT_EQ(
        db.scalar("select count(*) from DefProperty where PropertyKeys = 'Keptareacode' collate binary"),
        "1");
}

TEST_F(SettingsStore, LaterStartsAddOnlyMissingRowsAndChangeNone)
{
    store.CheckKeys();
    db.exec("update DefProperty set PropertyValue = '250', PropertyName = 'mine' where PropertyKeys = "
            "'m_pagesize';"
            "delete from DefProperty where PropertyKeys = 'okfile';"
            "insert into DefProperty (PropertyKeys, PropertyValue) values ('userextra', 'x')");
    CDefPropertys again;
    again.CheckKeys();
    EXPECT_EQ(db.count("DefProperty"), 32);
    EXPECT_EQ(
        db.scalar("select PropertyValue || PropertyName from DefProperty where PropertyKeys = 'm_pagesize'"),
        "250mine");
    EXPECT_EQ(db.scalar("select count(*) from DefProperty where PropertyKeys = 'okfile'"), "1");
}

TEST_F(SettingsStore, LowerCaseKeptAreaCodeCountsAsPresent)
{
    row(1, "keptareacode", "Kept", "201");
    store.CheckKeys();
    EXPECT_EQ(db.scalar("select count(*) from DefProperty where PropertyKeys like 'keptareacode'"), "1");
    ASSERT_TRUE(store.LoadRelated());
    ASSERT_TRUE(store.Item("Keptareacode"));
    EXPECT_EQ(store.Item("KEPTAREACODE")->PropertyValue(), "201");
}

TEST_F(SettingsStore, KeysDifferingInCaseKeepTheFirstByDisplayName)
{
    row(1, "markaction", "B second");
    row(2, "MarkAction", "A first");
    row(3, "other", "C");
    ASSERT_TRUE(store.LoadRelated());
    EXPECT_EQ(store.Count(), 2);
    EXPECT_EQ(store.Item("markaction")->ID(), 2);
    EXPECT_EQ(store.Item(1)->PropertyName(), "A first");
}

TEST_F(SettingsStore, RowsWithoutKeyAreHeldByPositionOnly)
{
    row(1, QString(), "A null key");
    row(2, "", "B empty key");
    row(3, "k", "C");
    ASSERT_TRUE(store.LoadRelated());
    EXPECT_EQ(store.Count(), 3);
    EXPECT_EQ(store.Item(1)->ID(), 1);
    EXPECT_EQ(store.Item(""), nullptr);
    EXPECT_EQ(store.Item("nosuchkey"), nullptr);
    EXPECT_EQ(store.Item(0), nullptr);
    EXPECT_EQ(store.Item(4), nullptr);
}

TEST_F(SettingsStore, ValueOfAMissingSettingIsTheFallback)
{
    row(1, "lasttotal", "Total", "12");
    ASSERT_TRUE(store.LoadRelated());
    EXPECT_EQ(store.ValueOf("LastTotal"), "12");
    EXPECT_EQ(store.ValueOf("m_pagesize", "1000"), "1000");
}

TEST_F(SettingsStore, WhereRuleOfTheQuery)
{
    EXPECT_EQ(store.RelatedQuery(), "Select * From  DefProperty  order by PropertyName");
    EXPECT_EQ(store.RelatedQuery("PropertyKeys='a'"),
              "Select * From  DefProperty  WHERE PropertyKeys='a' order by PropertyName");
    EXPECT_EQ(store.RelatedQuery("where PropertyKeys='a'"),
              "Select * From  DefProperty where PropertyKeys='a' order by PropertyName");
    EXPECT_EQ(store.RelatedQuery(" where PropertyKeys='a'"),
              "Select * From  DefProperty  WHERE  where PropertyKeys='a' order by PropertyName");
    EXPECT_EQ(
        store.ListQuery("ID > 3"),
        "Select ID, PropertyKeys, PropertyName, PropertyValue, DataType From  DefProperty  WHERE ID > 3");
    EXPECT_EQ(store.FieldList(), "ID, PropertyKeys, PropertyName, PropertyValue, DataType");
}

TEST_F(SettingsStore, LoadRelatedWithAClause)
{
    row(1, "a", "A");
    row(2, "b", "B");
    ASSERT_TRUE(store.LoadRelated("PropertyKeys='b'"));
    EXPECT_EQ(store.Count(), 1);
    ASSERT_TRUE(store.LoadRelated("WHERE PropertyKeys='a'"));
    EXPECT_EQ(store.Item(1)->PropertyKeys(), "a");
    expectError("GetRecordset");
    EXPECT_FALSE(store.LoadRelated(" where PropertyKeys='a'"));
    EXPECT_EQ(store.Count(), 0);
}

TEST_F(SettingsStore, CopyFromAnotherStoreIsReachedByPositionOnly)
{
    row(1, "a", "A");
    row(2, "b", "B");
    ASSERT_TRUE(store.LoadRelated());
    CDefPropertys copy;
    copy.CopyMe(store);
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Item("a"), nullptr);
    EXPECT_EQ(copy.Item(2)->PropertyKeys(), "b");
    EXPECT_NE(copy.Item(2), store.Item(2)) << "copies, not the same records";
}
