// Area code/city/state rows: SQL texts, the duplicate check, what Save
// writes and reports, and the list's loaders and keys.

#include "RecordsTestSupport.h"

#include "platform/ado/Recordset.h"
#include "records/CCityStates.h"

using rectest::DataTest;
using rectest::SavedEvents;

namespace {

class CityStateTest : public DataTest {
protected:
    void storeRow(int id, const QString& area, const QString& city, const QString& state = "NJ")
    {
        db.exec(
            QString(
                "insert into CityState (CityStateID, AreaCode, City, State, Note) values (%1, '%2', '%3', "
                "'%4', 'n%1')")
                .arg(id)
                .arg(area, QString(city).replace("'", "''"), state));
    }
    SavedEvents saved;
};

CCityState newark()
{
    CCityState r;
    r.SetAreaCode("201");
    r.SetCity("Newark");
    r.SetState("NJ");
    r.SetNote("big");
    return r;
}

} // namespace

TEST(CityStateRecord, SqlTexts)
{
    CCityState r = newark();
    r.SetCity("O'Fallon");
    EXPECT_EQ(r.StrInsert(),
              "Insert Into CityState (AreaCode,City,State,[Note]) Values ('201','O''Fallon','NJ','big')");
    r.SetCityStateID(17);
    EXPECT_EQ(r.StrUpdate(), "Update CityState Set AreaCode ='201',City ='O''Fallon',State ='NJ',[Note] "
                             "='big'  Where CityStateID = 17");
    EXPECT_EQ(r.StrDelete(), "Delete From CityState Where CityStateID = 17");
    EXPECT_EQ(
        r.CheckDuplicateSql(true),
        "Select CityStateID from CityState where AreaCode='201' and City='O''Fallon' And CityStateID <> 17");
    EXPECT_EQ(r.CheckDuplicateSql(false),
              "Select CityStateID from CityState where AreaCode='201' and City='O''Fallon'");
    r.SetAreaCode("2'01");
    EXPECT_EQ(r.CheckDuplicateSql(false),
              "Select CityStateID from CityState where AreaCode='2''01' and City='O''Fallon'");
}

TEST(CityStateRecord, ByNameAccess)
{
    CCityState r = newark();
    EXPECT_EQ(r.GetByName("CITY").text(), "Newark");
    EXPECT_EQ(r.GetByName("city").text(), "Newark");
    EXPECT_EQ(r.GetByName("CityState").type(), vb::VarType::String);
    EXPECT_EQ(r.GetByName("CityState").text(), "");
    EXPECT_EQ(r.GetByName("citystateid").type(), vb::VarType::Long);
    EXPECT_EQ(r.GetFieldCount(), 5);
    EXPECT_EQ(r.GetFieldName(5), "Note");
    EXPECT_TRUE(r.Actions(2).isEmpty());
}

TEST_F(CityStateTest, NewRowIsInsertedReadsItsKeyAndReportsAnInsert)
{
    storeRow(30, "973", "Paterson");
    CCityState r = newark();
    saved.attach(r);
    ASSERT_TRUE(r.Save(true, true));
    EXPECT_EQ(r.CityStateID(), 31);
    EXPECT_FALSE(r.IsNew());
    EXPECT_FALSE(r.IsDirty());
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"31", 0}}));
    EXPECT_EQ(db.scalar("select AreaCode || City || State || Note from CityState where CityStateID = 31"),
              "201NewarkNJbig");
}

TEST_F(CityStateTest, UpdateAndDeleteReportTheirKey)
{
    storeRow(17, "201", "Newark");
    CCityState r;
    r.SetCityStateID(17);
    ASSERT_TRUE(r.Load());
    saved.attach(r);
    r.SetCity("O'Fallon");
    ASSERT_TRUE(r.Save(true, true));
    EXPECT_EQ(db.scalar("select City from CityState where CityStateID = 17"), "O'Fallon");
    r.SetIsDeleted(true);
    EXPECT_TRUE(r.IsDirty());
    ASSERT_TRUE(r.Save(true, true));
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"17", 1}, {"17", 2}}));
    EXPECT_EQ(db.count("CityState"), 0);
    EXPECT_EQ(r.CityStateID(), 17);
}

TEST_F(CityStateTest, RecordsetInsertWithoutIsNewIsReportedAsAnUpdate)
{
    CCityState r = newark();
    saved.attach(r);
    ASSERT_TRUE(r.Save(true, false));
    EXPECT_GT(r.CityStateID(), 0);
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{QString::number(r.CityStateID()), 1}}));
    EXPECT_EQ(db.scalar("select Note from CityState"), "big");
}

TEST_F(CityStateTest, DeletedButCleanCopyWritesNothing)
{
    storeRow(4, "201", "Newark");
    CCityState r;
    r.SetCityStateID(4);
    ASSERT_TRUE(r.Load());
    r.SetIsDeleted(true);
    r.SetIsDirty(false);
    EXPECT_TRUE(r.Save(true, true));
    EXPECT_EQ(db.count("CityState"), 1);
}

TEST_F(CityStateTest, DuplicateCheck)
{
    storeRow(17, "201", "Newark");
    storeRow(18, "201", "O'Fallon");
    CCityState r;
    r.SetCityStateID(17);
    ASSERT_TRUE(r.Load());
    EXPECT_EQ(r.CheckDuplicate(true), 0) << "its own row is not a duplicate";
    EXPECT_EQ(r.CheckDuplicate(false), 17);
    CCityState fresh = newark();
    fresh.SetCity("o'fallon");
    EXPECT_EQ(fresh.CheckDuplicate(true), 18);
    EXPECT_EQ(fresh.CheckDuplicate(false), 18);
    EXPECT_EQ(fresh.Actions(1), vb::Variant(18));
    // A quote in the area code neither breaks the query nor widens it.
    fresh.SetAreaCode("201' or ''='");
    EXPECT_EQ(fresh.CheckDuplicate(false), 0);
}

TEST_F(CityStateTest, ListLoadsKeyedByIdAndAppliesTheWhereRule)
{
    storeRow(17, "201", "Newark");
    storeRow(3, "973", "Paterson");
    CCityStates list;
    EXPECT_EQ(list.RelatedQuery("AreaCode='201'"), "Select * From  CityState  WHERE AreaCode='201'");
    EXPECT_EQ(list.RelatedQuery("WHERE AreaCode='201'"), "Select * From  CityState WHERE AreaCode='201'");
    EXPECT_EQ(list.ListQuery(), "Select CityStateID, AreaCode, City, State, Note From  CityState ");
    ASSERT_TRUE(list.LoadRelated("AreaCode='201'"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Item(":17")->City(), "Newark");
    EXPECT_FALSE(list.Item(1)->IsDirty());

    expectError("GetRecordset");
    EXPECT_FALSE(list.LoadRelated(" WHERE AreaCode='201'")) << "a second WHERE breaks the query";

    ASSERT_TRUE(list.LoadList());
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.Item(":3")->IsDirty()) << "filled through its setters";
    EXPECT_EQ(list.Item(":3")->Note(), "n3");
}

TEST_F(CityStateTest, LoadRecordsetTakesOnePage)
{
    for (int i = 1; i <= 5; ++i)
        storeRow(i, QString::number(200 + i), "C");
    auto rs = ado::Recordset::Create();
    rs->Open("select * from CityState order by CityStateID", db.cs(), ado::adOpenStatic, ado::adLockReadOnly);
    CCityStates list;
    ASSERT_TRUE(list.LoadRecordset(rs, 2));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Item(":2")->AreaCode(), "202");
    EXPECT_EQ(rs->Value("CityStateID").toLong(), 3);
}

TEST_F(CityStateTest, ListInterface)
{
    CCityStates list;
    EXPECT_FALSE(list.Save()) << "an empty list";
    EXPECT_EQ(list.GetFieldCount(), 5);
    list.SetData(2, 1, vb::Variant("609"));
    list.SetData(3, 1, vb::Variant("Trenton"));
    ASSERT_EQ(list.GetRecordCount(), 1);
    EXPECT_EQ(list.GetData(3, 1).text(), "Trenton");
    EXPECT_TRUE(list.GetData(3, 2).isNull());

    auto other = std::make_shared<CCityState>(newark());
    other->SetCityStateID(12);
    other->SetIsNew(true);
    list.SetItem(vb::Variant(":12"), other);
    ASSERT_TRUE(list.Item(":12"));
    EXPECT_EQ(list.Item(":12")->City(), "Newark");

    // A new row marked deleted is dropped unwritten; the other rows are saved.
    auto gone = std::make_shared<CCityState>(newark());
    gone->SetIsNew(true);
    gone->SetIsDeleted(true);
    list.AddExisting(gone);
    ASSERT_TRUE(list.Save(true, true));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(db.count("CityState"), 2);
}
