// The templates used as the other record classes use them: a record of table
// CityState declared in a few lines, with its own key column, the switches
// that differ from the settings record, and the RecordsetSaved event.

#include "DataTestSupport.h"

#include "core/CollectionTemplate.h"
#include "core/RecordTemplate.h"

using datatest::DataTest;

namespace {

class TestCity : public RecordTemplate<TestCity> {
public:
    static constexpr RecordTraits Traits{
        .sqlInsertSetsIsNew = true, .updateClearsIsNew = true, .raisesRecordsetSaved = true};
    static const RecordSpec<TestCity>& Spec()
    {
        using C = RecordColumn<TestCity>;
        static const RecordSpec<TestCity> spec{"TestCity",
                                               "CityState",
                                               "CityStateID",
                                               {"CityStateID", "AreaCode", "City"},
                                               {C::Long("CityStateID", &TestCity::m_id),
                                                C::Text("AreaCode", &TestCity::m_areaCode),
                                                C::Text("City", &TestCity::m_city)}};
        return spec;
    }
    std::int32_t CityStateID() const { return m_id; }
    QString City() const { return m_city; }
    void SetCity(const QString& v) { Assign(m_city, v); }
    void SetAreaCode(const QString& v) { Assign(m_areaCode, v); }
    QString StrInsert() const
    {
        return "Insert Into " + TableName() + " (AreaCode,City) Values (" + FormatSQLString(m_areaCode) +
               "," + FormatSQLString(m_city) + ")";
    }
    QString StrUpdate() const
    {
        return "Update " + TableName() + " Set AreaCode =" + FormatSQLString(m_areaCode) +
               ",City =" + FormatSQLString(m_city) + "  Where CityStateID = " + FormatSQLNumber(m_id);
    }

private:
    friend class RecordTemplate<TestCity>;
    QString KeyReadBackSql() const { return "SELECT @@IDENTITY AS 'Identity' "; }
    std::int32_t m_id = 0;
    QString m_areaCode;
    QString m_city;
};

class TestCities : public CollectionTemplate<TestCities, TestCity> {
public:
    static inline const QString ModuleName = "TestCities";
    TestCities() : CollectionTemplate({"CityStateID", "AreaCode", "City"}) {}
};

struct Saved {
    vb::Variant key;
    std::int32_t action;
};

class TemplateRecord : public DataTest {
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        db.exec("insert into CityState (CityStateID, AreaCode, City) values "
                "(1, '201', 'Newark'), (2, '212', 'New York'), (3, '213', 'Los Angeles'), "
                "(4, '312', 'Chicago'), (5, '415', 'San Francisco')");
    }
    std::shared_ptr<TestCity> watched(std::vector<Saved>& log)
    {
        auto city = std::make_shared<TestCity>();
        city->OnRecordsetSaved([&log](const vb::Variant& key, std::int32_t action) {
            log.push_back({key, action});
        });
        return city;
    }
};

} // namespace

TEST_F(TemplateRecord, InsertReportsTheNewKeyWithActionZero)
{
    std::vector<Saved> log;
    auto city = watched(log);
    city->SetAreaCode("201");
    city->SetCity("O'Fallon");
    ASSERT_TRUE(city->Save(true, true));
    EXPECT_EQ(city->CityStateID(), 6);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].key, vb::Variant(6));
    EXPECT_EQ(log[0].action, RecordInserted);
    EXPECT_FALSE(city->IsNew());
    EXPECT_EQ(db.scalar("select City from CityState where CityStateID = 6"), "O'Fallon");
}

TEST_F(TemplateRecord, UpdateAndDeleteReportTheirActions)
{
    std::vector<Saved> log;
    auto city = watched(log);
    city->SetIsNew(false);
    ASSERT_TRUE(city->Load("CityStateID = 2"));
    city->SetCity("Manhattan");
    ASSERT_TRUE(city->Save(true, true));
    city->SetIsDeleted(true);
    EXPECT_TRUE(city->IsDirty()) << "this class's deleted flag marks it dirty";
    ASSERT_TRUE(city->Save(true, true));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].action, RecordUpdated);
    EXPECT_EQ(log[1].action, RecordDeleted);
    EXPECT_EQ(log[1].key, vb::Variant(2));
    EXPECT_EQ(db.count("CityState"), 4);
}

TEST_F(TemplateRecord, RecordsetInsertOfANewRecordReportsAnUpdate)
{
    std::vector<Saved> log;
    auto city = watched(log);
    city->SetCity("Trenton");
    ASSERT_TRUE(city->Save(true, false));
    EXPECT_EQ(city->CityStateID(), 6);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].action, RecordUpdated) << "only an insert by SQL text raises the new flag";
}

TEST_F(TemplateRecord, FailedSaveRaisesNoEvent)
{
    std::vector<Saved> log;
    auto city = watched(log);
    city->SetCity("x");
    city->SetTableName("NoSuchTable");
    EXPECT_FALSE(city->Save(true, false)) << "its recordset insert fails silently";
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(city->IsNew());
    EXPECT_FALSE(gDataAccess->IsConnected());
}

TEST_F(TemplateRecord, LoadRelatedKeysByTheKeyColumn)
{
    TestCities cities;
    EXPECT_EQ(cities.RelatedQuery("AreaCode='201'"), "Select * From  CityState  WHERE AreaCode='201'");
    ASSERT_TRUE(cities.LoadRelated());
    EXPECT_EQ(cities.Count(), 5);
    ASSERT_TRUE(cities.Item(":4"));
    EXPECT_EQ(cities.Item(":4")->City(), "Chicago");
    EXPECT_FALSE(cities.Item(":4")->IsDirty());
    ASSERT_TRUE(cities.LoadRelated("City like 'New*'"));
    EXPECT_EQ(cities.Count(), 2);
    ASSERT_TRUE(cities.LoadRelated("", "Select * From CityState where CityStateID > 3"));
    EXPECT_EQ(cities.Count(), 2);
}

TEST_F(TemplateRecord, LoadListFillsThroughTheSettersAndLeavesRecordsDirty)
{
    db.exec("update CityState set City = NULL where CityStateID = 5");
    TestCities cities;
    EXPECT_EQ(cities.ListQuery(), "Select CityStateID, AreaCode, City From  CityState ");
    ASSERT_TRUE(cities.LoadList());
    EXPECT_EQ(cities.Count(), 5);
    EXPECT_TRUE(cities.Item(":1")->IsDirty());
    EXPECT_EQ(cities.Item(":5")->City(), "");
}

TEST_F(TemplateRecord, LoadRecordsetTakesOnePageAndLeavesThePosition)
{
    std::shared_ptr<ado::Recordset> rs;
    ASSERT_TRUE(gDataAccess->GetRecordset("select * from CityState order by CityStateID", rs));
    TestCities cities;
    ASSERT_TRUE(cities.LoadRecordset(rs, 2));
    EXPECT_EQ(cities.Count(), 2);
    EXPECT_EQ(rs->Value("CityStateID").toLong(), 3);
    ASSERT_TRUE(cities.Item(":2"));
    ASSERT_TRUE(cities.LoadRecordset(rs, 0));
    EXPECT_EQ(cities.Count(), 0);
    ASSERT_TRUE(cities.LoadRecordset(rs, 500));
    EXPECT_EQ(cities.Count(), 3);
    EXPECT_TRUE(rs->Eof());
}
