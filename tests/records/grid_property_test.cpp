// Column settings of the data grids: SQL texts, the in-memory extra text,
// what Save writes, and the list of one grid keyed by column name.

#include "RecordsTestSupport.h"

#include "records/CGridPropertys.h"

using rectest::DataTest;

namespace {

class GridPropertyTest : public DataTest {
protected:
    void storeRow(int id, const QString& list, const QString& col, int empl = 0)
    {
        db.exec(
            QString(
                "insert into GridProperty (ID, EmplID, ColName, ColCaption, ColWidth, Align, ControlType, "
                "ColFormat, Hidden, Editable, ListName) values (%1, %2, '%3', 'Cap %3', 100, 2, 1, '', 0, "
                "1, '%4')")
                .arg(id)
                .arg(empl)
                .arg(col, QString(list).replace("'", "''")));
    }
};

CGridProperty phoneColumn()
{
    CGridProperty r;
    r.SetColName("phone");
    r.SetColCaption("Phone #");
    r.SetColWidth(1200);
    r.SetAlign(CGridProperty::AlignRight);
    r.SetControlType(3);
    r.SetColFormat("000-0000");
    r.SetHidden(true);
    r.SetListName("Bob's List");
    return r;
}

} // namespace

TEST(GridPropertyRecord, SqlTexts)
{
    CGridProperty r = phoneColumn();
    EXPECT_EQ(r.StrInsert(),
              "Insert Into GridProperty (EmplID,ColName,ColCaption,ColWidth,Align,ControlType,ColFormat,"
              "Hidden,Editable,ListName) Values (0,'phone','Phone #',1200,2,3,'000-0000',True,False,"
              "'Bob''s List')");
    r.SetID(9);
    EXPECT_EQ(r.StrUpdate(),
              "Update GridProperty Set EmplID =0,ColName ='phone',ColCaption ='Phone #',ColWidth =1200,"
              "Align =2,ControlType =3,ColFormat ='000-0000',Hidden =True,Editable =False,"
              "ListName ='Bob''s List'  Where ID = 9");
    EXPECT_EQ(r.StrDelete(), "Delete From GridProperty Where ID = 9");
}

TEST(GridPropertyRecord, AdditionalInfoIsKnownByItsNameNotByTheProperty)
{
    CGridProperty r;
    r.SetAddtionalInfo("extra");
    EXPECT_TRUE(r.IsDirty());
    EXPECT_EQ(r.GetByName("AdditionalInfo").text(), "extra");
    EXPECT_EQ(r.GetByName("ADDITIONALINFO").text(), "extra");
    EXPECT_EQ(r.GetByName("AddtionalInfo").text(), "");
    EXPECT_EQ(r.GetDataByName("AddtionalInfo").text(), "extra");
    r.SetByName("additionalinfo", vb::Variant("x"));
    EXPECT_EQ(r.AddtionalInfo(), "x");
    EXPECT_EQ(r.GetFieldCount(), 11);
    EXPECT_EQ(r.GetFieldName(11), "ListName");
    EXPECT_EQ(r.GetByName("hidden").type(), vb::VarType::Boolean);
    CGridProperty copy;
    copy.CopyMe(r);
    EXPECT_EQ(copy.AddtionalInfo(), "x");
    copy.Clear();
    EXPECT_EQ(copy.AddtionalInfo(), "");
}

TEST_F(GridPropertyTest, NewRowIsInsertedAndExtraTextIsNotStored)
{
    storeRow(20, "PhoneList", "x");
    CGridProperty r = phoneColumn();
    r.SetAddtionalInfo("memory only");
    ASSERT_TRUE(r.Save(true, true));
    EXPECT_EQ(r.ID(), 21);
    EXPECT_FALSE(r.IsDirty());
    EXPECT_EQ(db.scalar("select Hidden || Editable || ListName from GridProperty where ID = 21"),
              "10Bob's List");
    CGridProperty back;
    back.SetID(21);
    ASSERT_TRUE(back.Load());
    EXPECT_EQ(back.AddtionalInfo(), "");
    EXPECT_TRUE(back.Hidden());
    EXPECT_EQ(back.ColFormat(), "000-0000");

    back.SetColWidth(800);
    ASSERT_TRUE(back.Save(true, false));
    EXPECT_EQ(db.scalar("select ColWidth from GridProperty where ID = 21"), "800");
}

TEST_F(GridPropertyTest, RecordsetInsertReadsItsKey)
{
    storeRow(7, "PhoneList", "x");
    CGridProperty r = phoneColumn();
    ASSERT_TRUE(r.Save(true, false));
    EXPECT_EQ(r.ID(), 8);
    EXPECT_EQ(db.scalar("select ColCaption || Align from GridProperty where ID = 8"), "Phone #2");
}

TEST_F(GridPropertyTest, LoadRelatedReadsTheSharedRowsOfOneList)
{
    storeRow(4, "PhoneList", "phone");
    storeRow(9, "PhoneList", "Phone");
    storeRow(5, "PhoneList", "note", 3);
    storeRow(6, "CityStateList", "City");
    storeRow(2, "PhoneList", "area");
    CGridPropertys list;
    EXPECT_EQ(list.RelatedQuery("PhoneList"),
              "Select * From  GridProperty  WHERE EmplID=0 and ListName='PhoneList' order by ID");
    EXPECT_EQ(list.RelatedQuery("Bob's"),
              "Select * From  GridProperty  WHERE EmplID=0 and ListName='Bob''s' order by ID");
    ASSERT_TRUE(list.LoadRelated("PhoneList"));
    EXPECT_EQ(list.ListName(), "PhoneList");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Item(1)->ColName(), "area");
    EXPECT_EQ(list.Item(":Phone")->ID(), 4) << "the lower ID of one column name stays";
    EXPECT_EQ(list.Item(":phone")->ID(), 4);
    EXPECT_EQ(list.Item(":note"), nullptr);

    ASSERT_TRUE(list.LoadRelated());
    EXPECT_EQ(list.Count(), 2) << "the held list name";
}

TEST_F(GridPropertyTest, ListInterface)
{
    storeRow(4, "PhoneList", "phone");
    CGridPropertys list;
    ASSERT_TRUE(list.LoadRelated("PhoneList"));
    EXPECT_EQ(list.GetFieldCount(), 7);
    EXPECT_EQ(list.GetFieldName(7), "Hidden");
    EXPECT_EQ(list.GetData(4, 1), vb::Variant(100));
    EXPECT_EQ(list.GetData(3, 1).text(), "Cap phone");

    auto r = std::make_shared<CGridProperty>(phoneColumn());
    r->SetID(12);
    list.SetItem(vb::Variant(":x"), r);
    ASSERT_TRUE(list.Item(":12"));
    EXPECT_EQ(list.Item(":12")->ColName(), "phone");
    EXPECT_EQ(list.Item(":phone")->ID(), 4);

    list.Item(":phone")->SetColWidth(555);
    auto gone = std::make_shared<CGridProperty>(phoneColumn());
    gone->SetIsNew(true);
    gone->SetIsDeleted(true);
    list.AddExisting(gone);
    list.Item(":12")->SetTableName("NoSuchTable");
    expectError("ExecQuery");
    EXPECT_FALSE(list.Save(true, true)) << "stops at the row that fails";
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(db.scalar("select ColWidth from GridProperty where ID = 4"), "555");
}
