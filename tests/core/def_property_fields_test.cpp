// CDefProperty on its own: the SQL texts it builds, the dirty rule of its
// setters, and access by name and position.

#include "core/CDefProperty.h"

#include <gtest/gtest.h>

namespace {

CDefProperty sample()
{
    CDefProperty p;
    p.SetID(7);
    p.SetPropertyKeys("dncfieldname");
    p.SetPropertyName("DNC Phone Number Field's Name");
    p.SetPropertyValue("Phone");
    p.SetDataType(3);
    return p;
}

} // namespace

TEST(DefPropertySql, InsertUpdateAndDeleteTexts)
{
    const CDefProperty p = sample();
    EXPECT_EQ(p.StrInsert(),
              "Insert Into DefProperty (PropertyKeys,PropertyName,PropertyValue,DataType) Values "
              "('dncfieldname','DNC Phone Number Field''s Name','Phone',3)");
    EXPECT_EQ(p.StrUpdate(),
              "Update DefProperty Set PropertyKeys ='dncfieldname',PropertyName ='DNC Phone Number "
              "Field''s Name',PropertyValue ='Phone',DataType =3  Where ID = 7");
    EXPECT_EQ(p.StrDelete(), "Delete From DefProperty Where ID = 7");
}

TEST(DefPropertyFields, SettersMarkDirtyOnlyOnARealChange)
{
    CDefProperty p;
    p.SetPropertyValue("");
    p.SetID(0);
    EXPECT_FALSE(p.IsDirty());
    p.SetPropertyValue("abc");
    EXPECT_TRUE(p.IsDirty());
    p.SetIsDirty(false);
    p.SetPropertyValue("abc");
    EXPECT_FALSE(p.IsDirty());
    p.SetPropertyValue("ABC");
    EXPECT_TRUE(p.IsDirty()) << "letter case counts";
}

TEST(DefPropertyFields, ByNameIgnoresLetterCase)
{
    CDefProperty p = sample();
    EXPECT_EQ(p.GetByName("propertyvalue"), vb::Variant("Phone"));
    EXPECT_EQ(p.GetByName("PropertyValue"), vb::Variant("Phone"));
    EXPECT_EQ(p.GetByName("id"), vb::Variant(7));
    EXPECT_EQ(p.GetByName("Notes"), vb::Variant(QString()));
    EXPECT_TRUE(p.GetDataByName("Notes").isEmpty());
    EXPECT_EQ(p.GetDataByName("TableName"), vb::Variant("DefProperty"));
    EXPECT_EQ(p.GetDataByName("isdirty"), vb::Variant(true));

    p.SetIsDirty(false);
    p.SetByName("DATATYPE", vb::Variant("12"));
    EXPECT_EQ(p.DataType(), 12);
    EXPECT_TRUE(p.IsDirty());
    p.SetByName("Notes", vb::Variant("x")); // not a column: nothing
    EXPECT_THROW(p.SetByName("ID", vb::Variant("not a number")), vb::ErrObject);
}

TEST(DefPropertyFields, PositionsCountFromOneOverFieldNames)
{
    CDefProperty p = sample();
    EXPECT_EQ(p.GetFieldName(0), "");
    EXPECT_EQ(p.GetFieldName(1), "ID");
    EXPECT_EQ(p.GetFieldName(5), "DataType");
    EXPECT_EQ(p.GetFieldName(6), "");
    EXPECT_EQ(p.GetByIndex(3), vb::Variant("DNC Phone Number Field's Name"));
    EXPECT_EQ(p.GetByIndex(6), vb::Variant(QString()));
    EXPECT_EQ(p.GetData(6), vb::Variant(QString()));
    p.SetByIndex(4, vb::Variant("Number"));
    EXPECT_EQ(p.PropertyValue(), "Number");
    p.SetByIndex(6, vb::Variant("x"));
    p.SetData(2, vb::Variant("newkey"));
    EXPECT_EQ(p.PropertyKeys(), "newkey");
    EXPECT_EQ(p.Actions(1), vb::Variant());
}

TEST(DefPropertyFields, CopyMeTakesValuesAndFlagsButNotCancel)
{
    CDefProperty source = sample();
    source.SetIsNew(true);
    source.SetIsDirty(false);
    source.SetCancel(true);
    auto copy = std::make_shared<CDefProperty>();
    copy->CopyMe(std::make_shared<CDefProperty>(source));
    EXPECT_EQ(copy->StrUpdate(), source.StrUpdate());
    EXPECT_TRUE(copy->IsNew());
    EXPECT_FALSE(copy->IsDirty()) << "the source's flag, not the setters' rule";
    EXPECT_FALSE(copy->Cancel());
}
