// DNC numbers of one area-code table: SQL texts, what Save writes and
// reports (a changed number updates the row that held the old one), the
// duplicate count, and the page list.

#include "RecordsTestSupport.h"

#include "platform/ado/Recordset.h"
#include "records/CPhones.h"

using rectest::DataTest;
using rectest::SavedEvents;

namespace {

class PhoneTest : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        db.exec("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY)");
    }
    void store(std::initializer_list<int> numbers)
    {
        for (int n : numbers)
            db.exec(QString("insert into phone201 (phone) values (%1)").arg(n));
    }
    QString numbers()
    {
        return db.scalar(
            "select coalesce(group_concat(phone, ','), '') from (select phone from phone201 order by phone)");
    }
    // A record of phone201 loaded from the table.
    CPhone loaded(int number)
    {
        CPhone p;
        p.SetTableName("phone201");
        p.SetPhone(number);
        EXPECT_TRUE(p.Load());
        return p;
    }
    SavedEvents saved;
};

} // namespace

TEST(PhoneRecord, SqlTextsAndNames)
{
    CPhone p;
    EXPECT_EQ(p.TableName(), "Phone");
    p.SetTableName("phone201");
    p.SetPhone(5551234);
    EXPECT_EQ(p.StrInsert(), "Insert Into phone201 (Phone) Values (5551234)");
    EXPECT_EQ(p.StrDelete(), "Delete From phone201 Where Phone = 5551234");
    EXPECT_EQ(p.StrUpdate(), "Update phone201 Set Phone =5551234  Where Phone = 5551234");
    EXPECT_EQ(p.CheckDuplicateSql(), "Select count(*) from phone201 where phone=5551234");
    EXPECT_EQ(p.GetByName("PHONE"), vb::Variant(5551234));
    EXPECT_EQ(p.GetByName("phone"), vb::Variant(5551234));
    EXPECT_EQ(p.GetByName("ID"), vb::Variant(QString()));
    EXPECT_TRUE(p.GetDataByName("ID").isEmpty());
    EXPECT_EQ(p.GetData(1), vb::Variant(5551234));
    EXPECT_EQ(p.GetFieldCount(), 1);
    EXPECT_TRUE(p.Actions(1).isEmpty());
}

TEST(PhoneRecord, SetDataByNameTakesWholeNumbersOnly)
{
    CPhone p;
    p.SetDataByName("pHoNe", vb::Variant("5550001"));
    EXPECT_EQ(p.Phone(), 5550001);
    EXPECT_TRUE(p.IsDirty());
    p.SetDataByName("other", vb::Variant(1));
    EXPECT_EQ(p.Phone(), 5550001);
    EXPECT_THROW(p.SetDataByName("Phone", vb::Variant("")), vb::ErrObject);
    EXPECT_THROW(p.SetDataByName("Phone", vb::Variant("55a")), vb::ErrObject);
}

TEST_F(PhoneTest, NewNumberIsInsertedAndReported)
{
    CPhone p;
    p.SetTableName("phone201");
    p.SetIsNew(true);
    p.SetPhone(5551234);
    saved.attach(p);
    EXPECT_EQ(p.CheckDuplicate(true), 0);
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"5551234", 0}}));
    EXPECT_FALSE(p.IsNew());
    EXPECT_FALSE(p.IsDirty());
    EXPECT_EQ(numbers(), "5551234");
    EXPECT_EQ(p.CheckDuplicate(false), 1);
}

TEST_F(PhoneTest, NewNumberThroughARecordset)
{
    CPhone p;
    p.SetTableName("phone201");
    p.SetIsNew(true);
    p.SetPhone(5550002);
    saved.attach(p);
    ASSERT_TRUE(p.Save(true, false));
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"5550002", 0}}));
    EXPECT_EQ(numbers(), "5550002");
}

TEST_F(PhoneTest, DirtyRecordWithoutIsNewIsNeverInserted)
{
    CPhone p;
    p.SetTableName("phone201");
    p.SetPhone(5550003);
    saved.attach(p);
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(numbers(), "") << "an update of no row";
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"5550003", 1}}));
}

TEST_F(PhoneTest, NumberTheTableHoldsIsRefusedOnce)
{
    store({5551234});
    CPhone p;
    p.SetTableName("phone201");
    p.SetIsNew(true);
    p.SetPhone(5551234);
    saved.attach(p);
    expectError("ExecQuery");
    EXPECT_FALSE(p.Save(true, true));
    EXPECT_TRUE(p.IsNew());
    EXPECT_TRUE(p.IsDirty());
    EXPECT_TRUE(saved.events.isEmpty());
}

TEST_F(PhoneTest, DeletingAStoredNumber)
{
    store({5551234, 5559999});
    CPhone p = loaded(5551234);
    EXPECT_FALSE(p.IsDirty());
    saved.attach(p);
    p.SetIsDeleted(true);
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"5551234", 2}}));
    EXPECT_EQ(numbers(), "5559999");

    CPhone q = loaded(5559999);
    q.SetIsDeleted(true);
    q.SetIsDeleted(false);
    EXPECT_TRUE(q.IsDirty()) << "set and reset still counts as a change";
}

TEST_F(PhoneTest, ChangedNumberUpdatesTheRowThatHeldTheOldOne)
{
    store({5551234, 5557777});
    CPhone p = loaded(5551234);
    saved.attach(p);
    p.SetPhone(5550000);
    EXPECT_EQ(p.StrUpdate(), "Update phone201 Set Phone =5550000  Where Phone = 5551234");
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"5550000", 1}}));
    EXPECT_EQ(numbers(), "5550000,5557777");

    // Changed again: the row now holds the number last saved.
    p.SetPhone(5550001);
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(numbers(), "5550001,5557777");
    // And a delete addresses that row too, whatever the record shows now.
    p.SetPhone(5559999);
    p.SetIsDeleted(true);
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(numbers(), "5557777");
}

TEST_F(PhoneTest, NewNumberSavedThenChangedByTheEditScreen)
{
    CPhone p;
    p.SetTableName("phone201");
    p.Clear();
    p.SetIsNew(true);
    p.SetDataByName("Phone", vb::Variant(5550100));
    ASSERT_TRUE(p.Save(true, true));
    p.SetDataByName("Phone", vb::Variant(5550200));
    ASSERT_EQ(p.CheckDuplicate(true), 0);
    saved.attach(p);
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"5550200", 1}}));
    EXPECT_EQ(numbers(), "5550200");

    CPhone copy;
    copy.CopyMe(p);
    copy.SetPhone(5550300);
    ASSERT_TRUE(copy.Save(true, true));
    EXPECT_EQ(numbers(), "5550300") << "a copy addresses the same row";
}

TEST_F(PhoneTest, DuplicateCheckOnAMissingTableIsReportedAndGivesZero)
{
    CPhone p;
    p.SetTableName("phone999");
    p.SetPhone(1);
    expectError("GetAutoNumberID");
    EXPECT_EQ(p.CheckDuplicate(true), 0);
}

TEST_F(PhoneTest, PageListCarriesTheTableNameAndKeysNothing)
{
    store({1, 2, 3, 4, 5});
    auto rs = ado::Recordset::Create();
    rs->Open("select * from phone201 order by phone", db.cs(), ado::adOpenStatic, ado::adLockReadOnly);
    CPhones list;
    list.SetTableName("phone201");
    ASSERT_TRUE(list.LoadRecordset(rs, 2));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Item(1)->Phone(), 1);
    EXPECT_EQ(list.Item(2)->TableName(), "phone201");
    EXPECT_EQ(list.Item(":1"), nullptr);
    EXPECT_EQ(rs->Value("phone").toLong(), 3);
    ASSERT_TRUE(list.LoadRecordset(rs, 0));
    EXPECT_EQ(list.Count(), 0);

    ASSERT_TRUE(list.LoadRecordset(rs, 10));
    list.Item(1)->SetIsDeleted(true);
    ASSERT_TRUE(list.Item(1)->Save(true, true));
    EXPECT_EQ(numbers(), "1,2,4,5");
}

TEST_F(PhoneTest, PageListLoadRelatedAndSave)
{
    store({7, 8});
    CPhones list;
    list.SetTableName("phone201");
    EXPECT_FALSE(list.Save()) << "an empty list";
    EXPECT_EQ(list.RelatedQuery("phone > 7"), "Select * From  phone201  WHERE phone > 7");
    ASSERT_TRUE(list.LoadRelated());
    ASSERT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.Item(2)->IsDirty());
    EXPECT_EQ(list.GetFieldCount(), 1);
    EXPECT_EQ(list.GetFieldName(1), "Phone");
    EXPECT_EQ(list.GetData(1, 2), vb::Variant(8));

    list.SetData(1, 3, vb::Variant(9));
    ASSERT_EQ(list.Count(), 3);
    list.Item(3)->SetIsNew(true);
    list.Item(2)->SetIsDeleted(true);
    EXPECT_TRUE(list.Save());
    EXPECT_EQ(numbers(), "7,9");

    auto other = std::make_shared<CPhone>();
    other->SetPhone(11);
    list.SetItem(vb::Variant(":11"), other);
    ASSERT_TRUE(list.Item(":11"));
    EXPECT_EQ(list.Item(":11")->Phone(), 11);
}
