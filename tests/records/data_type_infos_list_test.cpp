// The list of data-source profiles: keys by source type, the loaders, the
// list-wide Save, and a profile loaded without its area-code field.

#include "RecordsTestSupport.h"

#include "platform/ado/Recordset.h"
#include "records/CDataTypeInfos.h"

using rectest::DataTest;

namespace {

class DataTypeInfosList : public DataTest {
protected:
    void storeRow(int id, const QString& type, const QString& area = "Area")
    {
        db.exec(
            QString("insert into DataTypeInfo (ID, DataType, DataAreaName, DataFieldName, IsTitleFirstLine, "
                    "Delimited) values (%1, '%2', '%3', 'Phone', 1, 0)")
                .arg(id)
                .arg(type, area));
    }
};

} // namespace

TEST_F(DataTypeInfosList, EmptyTableLoadsNothingAndSaveReturnsFalse)
{
    CDataTypeInfos list;
    EXPECT_TRUE(list.LoadRelated());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Save());
}

TEST_F(DataTypeInfosList, ProfilesAreKeyedByColonAndTypeWithoutRegardToCase)
{
    storeRow(1, "EXCEL");
    storeRow(2, "TEXT FILE");
    storeRow(3, "excel", "Second");
    CDataTypeInfos list;
    EXPECT_EQ(list.RelatedQuery(), "Select * From  DataTypeInfo ");
    ASSERT_TRUE(list.LoadRelated());
    ASSERT_EQ(list.Count(), 2) << "the second row of a type is dropped";
    ASSERT_TRUE(list.Item(":excel"));
    EXPECT_EQ(list.Item(":excel")->ID(), 1);
    EXPECT_EQ(list.Item(":EXCEL")->DataAreaName(), "Area");
    EXPECT_EQ(list.Item("EXCEL"), nullptr);
    EXPECT_EQ(list.Item(2)->DataType(), "TEXT FILE");
    EXPECT_FALSE(list.Item(1)->IsDirty());
    EXPECT_EQ(db.count("DataTypeInfo"), 3);
}

TEST_F(DataTypeInfosList, ListInterfaceHasFifteenColumnsWithoutTheAreaField)
{
    storeRow(1, "CSV");
    CDataTypeInfos list;
    ASSERT_TRUE(list.LoadRelated());
    EXPECT_EQ(list.GetFieldCount(), 15);
    EXPECT_EQ(list.GetFieldName(11), "DataFieldName");
    EXPECT_EQ(list.GetData(2, 1).text(), "CSV");
    EXPECT_TRUE(list.GetData(2, 2).isNull());
    EXPECT_TRUE(list.GetData(2, 0).isNull());
}

TEST_F(DataTypeInfosList, SaveWritesEveryProfileAndReturnsTheLastResult)
{
    storeRow(1, "CSV");
    storeRow(2, "EXCEL");
    storeRow(3, "ACCESS");
    CDataTypeInfos list;
    ASSERT_TRUE(list.LoadRelated());
    for (int i = 1; i <= 3; ++i)
        list.Item(i)->SetNotes(QString("note %1").arg(i));
    // The second profile's update cannot run: its text breaks the statement.
    list.Item(2)->SetTableName("NoSuchTable");
    expectError("ExecQuery");
    EXPECT_TRUE(list.Save());
    EXPECT_EQ(db.scalar("select group_concat(n, ',') from (select coalesce(Notes, '-') as n from "
                        "DataTypeInfo order by ID)"),
              "note 1,-,note 3");
}

TEST_F(DataTypeInfosList, LoadRecordsetTakesOnePageKeyedById)
{
    for (int i = 1; i <= 5; ++i)
        storeRow(i * 10, QString("T%1").arg(i));
    auto rs = ado::Recordset::Create();
    rs->Open("select * from DataTypeInfo order by ID", db.cs(), ado::adOpenStatic, ado::adLockReadOnly);
    CDataTypeInfos list;
    ASSERT_TRUE(list.LoadRecordset(rs, 2));
    EXPECT_EQ(list.Count(), 2);
    ASSERT_TRUE(list.Item(":20"));
    EXPECT_EQ(list.Item(":20")->DataType(), "T2");
    EXPECT_EQ(list.Item(":T1"), nullptr);
    EXPECT_EQ(rs->Value("ID").toLong(), 30) << "left on the third row";
}

TEST_F(DataTypeInfosList, ProfileLoadedWithoutTheAreaFieldKeepsTheStoredOneWhenSaved)
{
    storeRow(4, "TEXT FILE", "AreaCol");
    CDataTypeInfos list;
    ASSERT_TRUE(list.LoadList());
    ASSERT_EQ(list.Count(), 1);
    auto p = list.Item(":TEXT FILE");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->IsDirty()) << "filled through its setters";
    EXPECT_TRUE(p->AreaNameUnknown());
    EXPECT_EQ(p->StrUpdate().indexOf("DataAreaName"), -1);
    p->SetNotes("changed");
    ASSERT_TRUE(p->Save(true, true));
    EXPECT_EQ(db.scalar("select DataAreaName || '|' || Notes from DataTypeInfo where ID = 4"),
              "AreaCol|changed");

    // A value given to the area field is written again.
    p->SetDataAreaName("");
    EXPECT_FALSE(p->AreaNameUnknown());
    p->SetIsDirty(true);
    ASSERT_TRUE(p->Save(true, true));
    EXPECT_EQ(db.scalar("select coalesce(DataAreaName, 'null') from DataTypeInfo where ID = 4"), "");
}

TEST_F(DataTypeInfosList, CollectionLoadrsReadsTheAreaFieldWhenTheRowHasIt)
{
    storeRow(6, "CSV", "AC");
    auto rs = ado::Recordset::Create();
    rs->Open("select * from DataTypeInfo", db.cs(), ado::adOpenStatic, ado::adLockReadOnly);
    CDataTypeInfos list;
    CDataTypeInfo p;
    ASSERT_TRUE(list.Loadrs(rs, p));
    EXPECT_EQ(p.DataAreaName(), "AC");
    EXPECT_FALSE(p.AreaNameUnknown());
    rs->MoveNext();
    EXPECT_FALSE(list.Loadrs(rs, p));
}
