// Reading a settings row: Load by key or clause, and the values of number
// and date kinds brought to the system's own form.

#include "DataTestSupport.h"

#include "core/CDefProperty.h"
#include "platform/ado/Recordset.h"

using datatest::DataTest;

namespace {

class DefPropertyLoad : public DataTest {
protected:
    QString loaded(const QString& value, int kind)
    {
        db.exec(QString("delete from DefProperty; insert into DefProperty (ID, PropertyKeys, PropertyValue, "
                        "DataType) "
                        "values (1, 'k', '%1', %2)")
                    .arg(value)
                    .arg(kind));
        CDefProperty p;
        p.SetID(1);
        EXPECT_TRUE(p.Load());
        return p.PropertyValue();
    }
};

} // namespace

TEST_F(DefPropertyLoad, NumberKindsAreReadAsNumbers)
{
    EXPECT_EQ(loaded("010", 0), "10");
    EXPECT_EQ(loaded("1,000", 0), "1000");
    EXPECT_EQ(loaded("1.50", 1), "1.5");
    EXPECT_EQ(loaded("abc", 0), "abc") << "a value that is no number stays";
    EXPECT_EQ(loaded("1,000", 3), "1,000") << "text is never changed";
}

TEST_F(DefPropertyLoad, DateKindIsReadAsADate)
{
    EXPECT_EQ(loaded("2024-03-05 14:07:00", 2), "3/5/2024 2:07:00 PM");
    EXPECT_EQ(loaded("soon", 2), "soon");
}

TEST_F(DefPropertyLoad, LoadedRowIsClean)
{
    db.exec("insert into DefProperty (ID, PropertyKeys, PropertyName, PropertyValue, DataType) "
            "values (4, 'markaction', NULL, '2', NULL)");
    CDefProperty p;
    p.SetID(4);
    p.SetIsNew(true);
    ASSERT_TRUE(p.Load());
    EXPECT_EQ(p.PropertyKeys(), "markaction");
    EXPECT_EQ(p.PropertyName(), "") << "Null reads as empty text";
    EXPECT_EQ(p.DataType(), 0) << "Null reads as 0";
    EXPECT_FALSE(p.IsDirty());
    EXPECT_FALSE(p.IsNew());
}

TEST_F(DefPropertyLoad, LoadByClauseAndMissingRow)
{
    db.exec("insert into DefProperty (ID, PropertyKeys, PropertyValue, DataType) values (9, 'lasttotal', "
            "'5', 0)");
    CDefProperty p;
    EXPECT_FALSE(p.Load()) << "ID 0 has no row";
    EXPECT_EQ(p.PropertyKeys(), "");
    ASSERT_TRUE(p.Load("PropertyKeys = 'LASTTOTAL'"));
    EXPECT_EQ(p.ID(), 9);
}

TEST_F(DefPropertyLoad, MissingColumnIsReportedAsLoadRs)
{
    std::shared_ptr<ado::Recordset> rs;
    ASSERT_TRUE(gDataAccess->GetRecordset("select 5 as ID, 'k' as PropertyKeys", rs));
    CDefProperty p;
    expectError("LoadRs", "CDefProperty");
    EXPECT_FALSE(p.Loadrs(rs));
    EXPECT_EQ(p.ID(), 5) << "values read before the error stay";
}
