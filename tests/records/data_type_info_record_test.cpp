// The data-source profile as a record of table DataTypeInfo: its field
// order, SQL texts, by-name access, Clear/CopyMe with its lists, and what
// Save writes and reports.

#include "RecordsTestSupport.h"

#include "records/CDataTypeInfo.h"

using rectest::DataTest;
using rectest::SavedEvents;

namespace {

CDataTypeInfo textProfile()
{
    CDataTypeInfo p;
    p.SetDataType("TEXT FILE");
    p.SetDataProvider("prov");
    p.SetDataDSN("(None)");
    p.SetDataServer("srv");
    p.SetDataUSERID("me");
    p.SetDataPWD("pw");
    p.SetDataDriver("drv");
    p.SetDataDBName("/lists/");
    p.SetDataTableName("o'neil.txt");
    p.SetDataAreaName("Area");
    p.SetDataFieldName("Phone");
    p.SetDataMarkName("Mark");
    p.SetIsTitleFirstLine(true);
    p.SetDelimited(1);
    p.SetNotes("n");
    return p;
}

class DataTypeInfoSave : public DataTest {
protected:
    void storeRow(int id, const QString& type, const QString& area = "Area")
    {
        db.exec(
            QString("insert into DataTypeInfo (ID, DataType, DataAreaName, DataFieldName, IsTitleFirstLine, "
                    "Delimited) values (%1, '%2', '%3', 'Phone', 1, 1)")
                .arg(id)
                .arg(type, area));
    }
    SavedEvents saved;
};

} // namespace

TEST(DataTypeInfoRecord, AreaFieldComesBeforePhoneFieldByPosition)
{
    CDataTypeInfo p = textProfile();
    EXPECT_EQ(p.GetFieldCount(), 16);
    EXPECT_EQ(p.GetFieldName(11), "DataAreaName");
    EXPECT_EQ(p.GetFieldName(12), "DataFieldName");
    EXPECT_EQ(p.GetByIndex(12).text(), "Phone");
    EXPECT_EQ(p.GetData(11).text(), "Area");
    EXPECT_EQ(p.GetFieldName(0), "");
    EXPECT_EQ(p.GetFieldName(17), "");
}

TEST(DataTypeInfoRecord, SqlTexts)
{
    CDataTypeInfo p = textProfile();
    EXPECT_EQ(
        p.StrInsert(),
        "Insert Into DataTypeInfo (DataType,DataProvider,DataDSN,DataServer,DataUSERID,DataPWD,DataDriver,"
        "DataDBName,DataTableName,DataAreaName,DataFieldName,DataMarkName,IsTitleFirstLine,Delimited,Notes) "
        "Values ('TEXT FILE','prov','(None)','srv','me','pw','drv','/lists/','o''neil.txt','Area','Phone',"
        "'Mark',True,1,'n')");
    p.SetID(7);
    EXPECT_EQ(
        p.StrUpdate(),
        "Update DataTypeInfo Set DataType ='TEXT FILE',DataProvider ='prov',DataDSN ='(None)',DataServer "
        "='srv',"
        "DataUSERID ='me',DataPWD ='pw',DataDriver ='drv',DataDBName ='/lists/',DataTableName ='o''neil.txt',"
        "DataFieldName ='Phone',DataAreaName ='Area',DataMarkName ='Mark',IsTitleFirstLine =True,"
        "Delimited =1,Notes ='n'  Where ID = 7");
    EXPECT_EQ(p.StrDelete(), "Delete From DataTypeInfo Where ID = 7");
}

TEST(DataTypeInfoRecord, ByNameAccess)
{
    CDataTypeInfo p = textProfile();
    EXPECT_EQ(p.GetByName("istitlefirstline").type(), vb::VarType::Boolean);
    EXPECT_EQ(p.GetByName("DELIMITED").type(), vb::VarType::Long);
    EXPECT_EQ(p.GetByName("dataareaname").text(), "Area");
    const vb::Variant none = p.GetByName("GetConnectionString");
    EXPECT_EQ(none.type(), vb::VarType::String);
    EXPECT_EQ(none.text(), "");
    p.SetByName("datafieldname", vb::Variant("Tel"));
    EXPECT_EQ(p.DataFieldName(), "Tel");
    EXPECT_TRUE(p.GetDataByName("Notes").text() == "n");
    EXPECT_TRUE(p.Actions(1).isEmpty());
    EXPECT_EQ(p.CheckDuplicate(true), 0);
}

TEST(DataTypeInfoRecord, ClearKeepsTheCachedStringAndEmptiesTheLists)
{
    CDataTypeInfo p = textProfile();
    EXPECT_EQ(CDataTypeInfo().GetConnectionString(), "");
    const QString cs = p.GetTextConnString();
    p.TableNameData()->Add("a.txt", "a.txt");
    p.TableFieldData()->Add("Phone");
    p.TableFieldType()->Add("999");
    p.SetCancel(true);
    p.Clear();
    EXPECT_EQ(p.GetConnectionString(), cs);
    EXPECT_EQ(p.TableNameData()->Count(), 0);
    EXPECT_EQ(p.TableFieldData()->Count(), 0);
    EXPECT_EQ(p.TableFieldType()->Count(), 0);
    EXPECT_FALSE(p.IsTitleFirstLine());
    EXPECT_EQ(p.Delimited(), 0);
    EXPECT_EQ(p.DataType(), "");
    EXPECT_TRUE(p.Cancel());
    EXPECT_EQ(p.TableName(), "DataTypeInfo");
}

TEST(DataTypeInfoRecord, CopyMeCopiesListContentsButNotTheCache)
{
    CDataTypeInfo src = textProfile();
    src.GetTextConnString();
    src.TableFieldData()->Add("Name");
    src.TableFieldData()->Add("Phone");
    src.TableNameData()->Add("a.txt", "a.txt");
    src.SetIsDeleted(true);
    CDataTypeInfo copy;
    copy.CopyMe(src);
    EXPECT_EQ(copy.DataTableName(), "o'neil.txt");
    EXPECT_EQ(copy.DataAreaName(), "Area");
    EXPECT_TRUE(copy.IsDeleted());
    EXPECT_TRUE(copy.IsDirty());
    EXPECT_EQ(copy.GetConnectionString(), "");
    ASSERT_EQ(copy.TableFieldData()->Count(), 2);
    EXPECT_EQ(copy.TableFieldData()->Item(2)->ItemValue(), "Phone");
    EXPECT_EQ(copy.TableNameData()->Item("a.txt"), nullptr) << "copied without keys";
    copy.TableFieldData()->Add("Extra");
    EXPECT_EQ(src.TableFieldData()->Count(), 2);
    EXPECT_NE(copy.TableFieldData(), src.TableFieldData());
}

TEST_F(DataTypeInfoSave, NewProfileIsInsertedTakesItsKeyAndReportsAnInsert)
{
    storeRow(40, "ACCESS");
    CDataTypeInfo p = textProfile();
    saved.attach(p);
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(p.ID(), 41);
    EXPECT_FALSE(p.IsDirty());
    EXPECT_FALSE(p.IsNew());
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"41", 0}}));
    EXPECT_EQ(db.scalar("select DataAreaName || '|' || DataFieldName || '|' || IsTitleFirstLine || '|' || "
                        "DataTableName from DataTypeInfo where ID = 41"),
              "Area|Phone|1|o'neil.txt");
    EXPECT_TRUE(p.Save(true, true)) << "unchanged: nothing to write";
    EXPECT_EQ(saved.events.size(), 1);
    EXPECT_EQ(db.count("DataTypeInfo"), 2);
}

TEST_F(DataTypeInfoSave, ChangedProfileIsUpdatedByItsKey)
{
    storeRow(3, "EXCEL");
    CDataTypeInfo p;
    p.SetID(3);
    ASSERT_TRUE(p.Load());
    EXPECT_FALSE(p.IsDirty());
    EXPECT_EQ(p.DataType(), "EXCEL");
    EXPECT_TRUE(p.IsTitleFirstLine());
    saved.attach(p);
    p.SetDataFieldName("Tel");
    p.SetIsTitleFirstLine(false);
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"3", 1}}));
    EXPECT_EQ(
        db.scalar("select DataFieldName || '|' || IsTitleFirstLine || '|' || DataAreaName from DataTypeInfo "
                  "where ID = 3"),
        "Tel|0|Area");
}

TEST_F(DataTypeInfoSave, DeletedProfileIsRemovedAndReportsADelete)
{
    storeRow(5, "CSV");
    CDataTypeInfo p;
    ASSERT_TRUE(p.Load("DataType = 'CSV'"));
    saved.attach(p);
    p.SetIsDeleted(true);
    EXPECT_TRUE(p.IsDirty());
    ASSERT_TRUE(p.Save(true, true));
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"5", 2}}));
    EXPECT_EQ(db.count("DataTypeInfo"), 0);
    EXPECT_EQ(p.ID(), 5);
}

TEST_F(DataTypeInfoSave, InsertThroughARecordsetReadsItsKeyAndReportsAnUpdate)
{
    storeRow(9, "ACCESS");
    CDataTypeInfo p = textProfile();
    saved.attach(p);
    ASSERT_TRUE(p.Save(true, false));
    EXPECT_EQ(p.ID(), 10);
    EXPECT_EQ(saved.events, (QList<QPair<QString, int>>{{"10", 1}}));
    EXPECT_EQ(
        db.scalar("select DataAreaName || '|' || Delimited || '|' || Notes from DataTypeInfo where ID = 10"),
        "Area|1|n");
}

TEST_F(DataTypeInfoSave, RefusedStatementKeepsKeyAndFlagsAndRaisesNoEvent)
{
    db.exec("drop table DataTypeInfo");
    CDataTypeInfo p = textProfile();
    saved.attach(p);
    expectError("ExecQuery");
    EXPECT_FALSE(p.Save(true, true));
    EXPECT_EQ(p.ID(), 0);
    EXPECT_TRUE(p.IsDirty());
    EXPECT_TRUE(saved.events.isEmpty());
}
