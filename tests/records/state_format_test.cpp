// Saved per-state layouts: SQL texts, what Save writes, and the list the
// format transfer reads in State order.

#include "RecordsTestSupport.h"

#include "records/CStateFormats.h"

using rectest::DataTest;

namespace {

class StateFormatTest : public DataTest {
protected:
    void storeRow(int id, const QString& state, const QString& delim = "Tab")
    {
        db.exec(
            QString("insert into StateFormat (ID, State, FirstLine, Delimited, IncludeQuote, SelectFields) "
                    "values (%1, '%2', 1, '%3', 0, 'Field0')")
                .arg(id)
                .arg(state, delim));
    }
};

CStateFormat ny()
{
    CStateFormat f;
    f.SetIsNew(true);
    f.SetState("NY");
    f.SetFirstLine(2);
    f.SetDelimited("Comma");
    f.SetIncludeQuote(true);
    f.SetSelectFields("Field0;;Field1::x;;y;;z");
    return f;
}

} // namespace

TEST(StateFormatRecord, SqlTexts)
{
    CStateFormat f = ny();
    EXPECT_EQ(f.StrInsert(),
              "Insert Into StateFormat (State,FirstLine,Delimited,IncludeQuote,SelectFields) Values "
              "('NY',2,'Comma',True,'Field0;;Field1::x;;y;;z')");
    f.SetID(3);
    f.SetIncludeQuote(false);
    f.SetState("N'Y");
    EXPECT_EQ(f.StrUpdate(),
              "Update StateFormat Set State ='N''Y',FirstLine =2,Delimited ='Comma',IncludeQuote =False,"
              "SelectFields ='Field0;;Field1::x;;y;;z'  Where ID = 3");
    EXPECT_EQ(f.StrDelete(), "Delete From StateFormat Where ID = 3");
    EXPECT_EQ(f.GetByName("includequote").type(), vb::VarType::Boolean);
    EXPECT_EQ(f.GetByName("Notes"), vb::Variant(QString()));
    EXPECT_EQ(f.GetFieldCount(), 6);
}

TEST_F(StateFormatTest, NewFormatTakesTheHighestKey)
{
    storeRow(5, "CA");
    CStateFormat f = ny();
    ASSERT_TRUE(f.Save(true, true));
    EXPECT_EQ(f.ID(), 6);
    EXPECT_FALSE(f.IsDirty());
    EXPECT_FALSE(f.IsNew());
    EXPECT_EQ(
        db.scalar("select State || FirstLine || Delimited || IncludeQuote || SelectFields from StateFormat "
                  "where ID = 6"),
        "NY2Comma1Field0;;Field1::x;;y;;z");
}

TEST_F(StateFormatTest, NewFormatThroughARecordset)
{
    storeRow(8, "CA");
    CStateFormat f = ny();
    ASSERT_TRUE(f.Save(true, false));
    EXPECT_EQ(f.ID(), 9);
    EXPECT_EQ(db.scalar("select (IncludeQuote <> 0) || FirstLine from StateFormat where ID = 9"), "12");
}

TEST_F(StateFormatTest, ChangeAndDelete)
{
    storeRow(3, "TX");
    CStateFormat f;
    f.SetID(3);
    ASSERT_TRUE(f.Load());
    f.SetDelimited("Comma");
    f.SetSelectFields("it's");
    ASSERT_TRUE(f.Save(true, true));
    EXPECT_EQ(db.scalar("select Delimited || '|' || SelectFields from StateFormat where ID = 3"),
              "Comma|it's");
    f.SetIsDeleted(true);
    EXPECT_TRUE(f.IsDirty());
    ASSERT_TRUE(f.Save(true, true));
    EXPECT_EQ(f.ID(), 3);
    EXPECT_EQ(db.count("StateFormat"), 0);
}

TEST_F(StateFormatTest, ListInStateOrder)
{
    storeRow(3, "TX");
    storeRow(1, "NY");
    storeRow(2, "CA");
    CStateFormats list;
    EXPECT_EQ(list.RelatedQuery(), "Select * From  StateFormat  Order By State");
    EXPECT_EQ(list.RelatedQuery("State='NY'"), "Select * From  StateFormat  WHERE State='NY' Order By State");
    EXPECT_EQ(list.RelatedQuery("WHERE State='NY'"),
              "Select * From  StateFormat WHERE State='NY' Order By State");
    EXPECT_EQ(list.ListQuery(),
              "Select ID, State, FirstLine, Delimited, IncludeQuote, SelectFields From  StateFormat ");
    ASSERT_TRUE(list.LoadRelated());
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item(1)->State(), "CA");
    EXPECT_EQ(list.Item(":3")->State(), "TX");

    auto added = std::make_shared<CStateFormat>(ny());
    ASSERT_TRUE(added->Save(true, true));
    list.AddExisting(added, QString());
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Item(4), added);
    EXPECT_EQ(list.Item(":" + QString::number(added->ID())), nullptr);
    list.Remove(4);
    EXPECT_EQ(list.Count(), 3);

    ASSERT_TRUE(list.LoadRelated("State='NY'"));
    EXPECT_EQ(list.Count(), 2);
    ASSERT_TRUE(list.LoadList());
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.GetFieldCount(), 6);
}
