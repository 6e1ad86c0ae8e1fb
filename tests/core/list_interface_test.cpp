// A collection as the data grid sees it through VAVURDataSource, and the
// list operations the template gives every collection.

#include "DataTestSupport.h"

#include "core/CDefPropertys.h"

using datatest::DataTest;

namespace {

class ListInterface : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        db.exec("insert into DefProperty (ID, PropertyKeys, PropertyName, PropertyValue, DataType) values "
                "(1, 'a', 'A', '1', 3), (2, 'b', 'B', '2', 3), (3, 'c', 'C', '3', 3)");
        ASSERT_TRUE(store.LoadRelated());
        list = &store;
    }
    CDefPropertys store;
    VAVURDataSource* list = nullptr;
};

} // namespace

TEST_F(ListInterface, CellsByColumnAndRow)
{
    EXPECT_EQ(list->GetFieldCount(), 5);
    EXPECT_EQ(list->GetRecordCount(), 3);
    EXPECT_EQ(list->GetFieldName(4), "PropertyValue");
    EXPECT_EQ(list->GetFieldName(0), "");
    EXPECT_EQ(list->GetData(2, 3), vb::Variant("c"));
    EXPECT_EQ(list->GetData(1, 1), vb::Variant(1));
    EXPECT_TRUE(list->GetData(2, 0).isNull());
    EXPECT_TRUE(list->GetData(2, 4).isNull());
    EXPECT_TRUE(list->GetData(0, 1).isNull()) << "a column outside the list gives Null too";
    EXPECT_TRUE(list->GetData(6, 1).isNull());
}

TEST_F(ListInterface, SetDataChangesARowOrAppendsOne)
{
    list->SetData(4, 2, vb::Variant("changed"));
    EXPECT_EQ(store.Item("b")->PropertyValue(), "changed");
    EXPECT_TRUE(store.Item("b")->IsDirty());
    list->SetData(2, 4, vb::Variant("d"));
    EXPECT_EQ(list->GetRecordCount(), 4);
    EXPECT_EQ(store.Item(4)->PropertyKeys(), "d");
    EXPECT_EQ(store.Item("d"), nullptr) << "appended without a key";
    list->SetData(2, 9, vb::Variant("far"));
    list->SetData(9, 1, vb::Variant("x"));
    EXPECT_EQ(list->GetRecordCount(), 4);
}

TEST_F(ListInterface, SaveWritesEveryRowAndDropsNewDeletedOnes)
{
    list->SetData(4, 1, vb::Variant("one"));
    list->SetIsDeleted(3, true);
    list->SetData(2, 4, vb::Variant("never"));
    list->SetIsDeleted(4, true);
    store.Item(4)->SetIsNew(true);
    list->SetData(2, 5, vb::Variant("added"));
    ASSERT_TRUE(list->Save(true, true));
    EXPECT_EQ(list->GetRecordCount(), 4);
    EXPECT_EQ(db.scalar("select group_concat(PropertyKeys || '=' || PropertyValue, ',') from "
                        "(select * from DefProperty order by ID)"),
              "a=one,b=2,added=");
    EXPECT_EQ(db.scalar("select count(*) from DefProperty where PropertyKeys = 'never'"), "0");
}

TEST_F(ListInterface, SaveStopsAtTheFirstFailure)
{
    list->SetData(4, 1, vb::Variant("one"));
    list->SetData(4, 2, vb::Variant("two"));
    store.Item(2)->SetTableName("NoSuchTable");
    list->SetData(4, 3, vb::Variant("three"));
    expectError("ExecQuery");
    EXPECT_FALSE(list->Save(true, true));
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where ID = 1"), "one");
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where ID = 3"), "3");
    EXPECT_TRUE(store.Item(3)->IsDirty());
}

TEST_F(ListInterface, GetItemAndSetItem)
{
    auto b = list->GetItem(vb::Variant("B"));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->GetDataByName("PropertyKeys"), vb::Variant("b"));
    EXPECT_EQ(list->GetItem(vb::Variant(3)), store.Item(3));
    EXPECT_EQ(list->GetItem(vb::Variant("zz")), nullptr);

    auto other = std::make_shared<CDefProperty>();
    other->CopyMe(*store.Item("a"));
    other->SetPropertyValue("copied");
    list->SetItem(vb::Variant("b"), other);
    EXPECT_EQ(store.Item("b")->PropertyValue(), "copied");
    EXPECT_EQ(store.Item("b")->PropertyKeys(), "a");
    EXPECT_NE(store.Item("b"), other);

    auto outsider = std::make_shared<CDefProperty>();
    outsider->SetID(44);
    list->SetItem(vb::Variant("nothere"), outsider);
    EXPECT_EQ(list->GetRecordCount(), 4);
    ASSERT_TRUE(store.Item(":44"));
    EXPECT_EQ(store.Item(":44")->ID(), 44);
}

TEST(ListCounters, MoreThan32767RecordsNeedNoOverflow)
{
    CDefPropertys big;
    for (int i = 0; i < 40000; ++i) {
        auto r = std::make_shared<CDefProperty>();
        r->SetID(i + 1);
        big.AddExisting(r, QString());
    }
    big.SetIsDeleted(true);
    EXPECT_TRUE(big.IsDeleted(40000));
    CDefPropertys copy;
    copy.CopyMe(big);
    EXPECT_EQ(copy.GetRecordCount(), 40000);
    EXPECT_EQ(copy.GetData(1, 40000), vb::Variant(40000));
}
