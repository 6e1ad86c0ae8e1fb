#include "scrub/ScrubRule.h"

#include "platform/vb/vb.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace scrub;

namespace {

std::optional<QString> complete(const QString& raw, bool addAreaCode = false, bool dropEleven = false)
{
    NumberOptions options;
    options.addAreaCode = addAreaCode;
    options.defaultCode = QStringLiteral("201");
    options.dropElevenFirst = dropEleven;
    return CompleteNumber(raw, options);
}

} // namespace

TEST(ScrubNumber, CleansWrittenForms)
{
    EXPECT_EQ(complete("(201) 555-1234"), QString("2015551234"));
    EXPECT_EQ(complete("201-555-1234"), QString("2015551234"));
    EXPECT_EQ(complete("2015551234"), QString("2015551234"));
    EXPECT_EQ(complete("#201 555 1234"), QString("2015551234"));
}

TEST(ScrubNumber, SevenDigitsTakeTheDefaultAreaCodeOnlyWhenAsked)
{
    EXPECT_EQ(complete("5551234", true), QString("2015551234"));
    EXPECT_EQ(complete("555-1234", true), QString("2015551234"));
    EXPECT_EQ(complete("5551234", false), std::nullopt);
}

TEST(ScrubNumber, ElevenDigitsOnlyInTheTableVariant)
{
    EXPECT_EQ(complete("12015551234"), std::nullopt);
    EXPECT_EQ(complete("12015551234", false, true), QString("2015551234"));
    EXPECT_EQ(complete("1-201-555-1234", false, true), QString("2015551234"));
    EXPECT_EQ(complete("X2015551234", false, true), QString("2015551234"));
}

TEST(ScrubNumber, UnusableValues)
{
    EXPECT_EQ(complete(""), std::nullopt);
    EXPECT_EQ(complete("555123", true), std::nullopt);               // too short, even with completion on
    EXPECT_EQ(complete("201555123X"), std::nullopt);                 // ten characters, not ten digits
    EXPECT_EQ(complete("CALL-ME-NOW"), std::nullopt);                // letters
    EXPECT_EQ(complete("201555123456"), std::nullopt);               // twelve digits
    EXPECT_EQ(complete("(20) 555-1", true), std::nullopt);           // cleaned to six digits
    EXPECT_EQ(complete("(20) 555-12", true), QString("2012055512")); // seven after cleaning
}

TEST(ScrubNumber, StripListCanBeGiven)
{
    NumberOptions options;
    options.stripTexts = {".", " "};
    EXPECT_EQ(CompleteNumber("201.555.1234", options), QString("2015551234"));
    EXPECT_EQ(CompleteNumber("201-555-1234", options), std::nullopt);
}

TEST(ScrubNumber, BuildJoinsAreaAndPhoneWithNullAsEmpty)
{
    const vb::Variant null = vb::Variant::Null();
    EXPECT_EQ(BuildNumber(null, null, false), QString());
    EXPECT_EQ(BuildNumber(vb::Variant(5551234), vb::Variant(201), true), QString("2015551234"));
    EXPECT_EQ(BuildNumber(vb::Variant("555-1234"), vb::Variant("201"), true), QString("201555-1234"));
    EXPECT_EQ(BuildNumber(vb::Variant("2015551234"), vb::Variant("999"), false), QString("2015551234"));
    EXPECT_EQ(BuildNumber(null, vb::Variant("201"), true), QString("201"));
    EXPECT_EQ(complete(BuildNumber(vb::Variant("555-1234"), vb::Variant("201"), true)),
              QString("2015551234"));
}

TEST(ScrubLookup, TableListAskedOncePerAreaCode)
{
    int tableAsks = 0;
    QStringList counted;
    DncLookup lookup(
        [&](const QString& table) {
            ++tableAsks;
            return table == "phone201";
        },
        [&](const QString& area, const QString& local) {
            counted << area + "/" + local;
            return local == "5551234" ? 1 : 0;
        },
        false);
    EXPECT_TRUE(lookup.isListed("2015551234"));
    EXPECT_FALSE(lookup.isListed("2015550000"));
    EXPECT_EQ(tableAsks, 1);
    EXPECT_EQ(counted, QStringList({"201/5551234", "201/5550000"}));
    EXPECT_EQ(lookup.lastAreaCode(), QString("201"));
}

TEST(ScrubLookup, AreaCodeWithoutTableFollowsNacNotInDnc)
{
    for (bool nac : {false, true}) {
        int counts = 0;
        int tableAsks = 0;
        DncLookup lookup(
            [&](const QString& table) {
                ++tableAsks;
                return table == "phone201";
            },
            [&](const QString&, const QString&) {
                ++counts;
                return 0;
            },
            nac);
        lookup.isListed("2015551234");
        EXPECT_EQ(lookup.isListed("9735551234"), nac);
        EXPECT_EQ(lookup.isListed("9735550000"), nac);
        EXPECT_EQ(counts, 1) << "no count query for an area code without a table";
        EXPECT_EQ(tableAsks, 3) << "a missing table is asked for again";
        EXPECT_EQ(lookup.lastAreaCode(), QString("201"));
    }
}

TEST(ScrubLookup, ExistingTableIsNeverJudgedByNacNotInDnc)
{
    DncLookup lookup([](const QString&) { return true; }, [](const QString&, const QString&) { return 0; },
                     true);
    EXPECT_FALSE(lookup.isListed("2015551234"));
}

TEST(ScrubLookup, DatabaseErrorIsNotTakenForNotFound)
{
    DncLookup lookup([](const QString&) { return true; },
                     [](const QString&, const QString&) -> std::int32_t {
                         throw vb::ErrObject(3078, "The table does not exist.");
                     },
                     false);
    EXPECT_THROW(lookup.isListed("2015551234"), vb::ErrObject);
}

TEST(ScrubCountersTest, EveryRecordRaisesOneCounterAndProgressEveryHundred)
{
    ScrubCounters c;
    c.total = 250;
    std::vector<int> due;
    for (int r = 1; r <= 250; ++r)
        if (c.add(r % 3 == 0 ? Outcome::Found : r % 3 == 1 ? Outcome::NotFound : Outcome::Unusable))
            due.push_back(r);
    EXPECT_EQ(due, std::vector<int>({100, 200}));
    EXPECT_EQ(c.found + c.notFound + c.unusable, 250);
    EXPECT_EQ(c.records, 250);
    EXPECT_EQ(c.progressValue(), 250);
    EXPECT_EQ(c.progressMaximum(), 250);
}

TEST(ScrubCountersTest, PercentageAndStatusTexts)
{
    ScrubCounters c;
    c.total = 200;
    c.found = 3;
    c.notFound = 190;
    c.unusable = 7;
    c.records = 200;
    EXPECT_EQ(c.percentText(), QString("1.50"));
    EXPECT_EQ(c.statusText(), QString("190 Not in DNC List; 3(1.50%) in DNC List; 7 Null Numbers "));
    EXPECT_EQ(c.summaryText(),
              QString("Action is finished!\r\n190 Not in DNC List; 3(1.50%) in DNC List; 7 Null Numbers "));
}

TEST(ScrubCountersTest, ZeroOrShortTotalNeitherDividesByZeroNorOverflowsProgress)
{
    ScrubCounters empty;
    EXPECT_EQ(empty.percentText(), QString("0.00"));
    EXPECT_EQ(empty.progressValue(), 0);

    ScrubCounters failedCount; // the count query gave 0 while records came
    failedCount.add(Outcome::Found);
    failedCount.add(Outcome::NotFound);
    EXPECT_EQ(failedCount.percentText(), QString("50.00"));
    EXPECT_EQ(failedCount.progressMaximum(), 0);
    EXPECT_EQ(failedCount.progressValue(), 0);

    ScrubCounters shortTotal;
    shortTotal.total = 1;
    shortTotal.add(Outcome::Found);
    shortTotal.add(Outcome::Found);
    EXPECT_EQ(shortTotal.percentText(), QString("100.00"));
    EXPECT_EQ(shortTotal.progressValue(), 1);
}

TEST(ScrubCountersTest, TextFileSummaries)
{
    ScrubCounters c;
    c.notFound = 10;
    c.unusable = 2;
    EXPECT_EQ(c.textFileSummary("/data/B260305140709list.csv"),
              QString("Action is finished!\r\n10 Not in DNC List; 0 in DNC List;2  Null Numbers;"));
    c.found = 4;
    EXPECT_EQ(c.textFileSummary(QString()),
              QString("Action is finished!\r\n10 Not in DNC List; 4 in DNC List; 2  Null Numbers;"));
    EXPECT_EQ(c.textFileSummary("/data/B260305140709list.csv"),
              QString("Action is finished!\r\nBackup of Original: /data/B260305140709list.csv\r\n"
                      "10 Not in DNC List; 4 in DNC List; 2  Null Numbers;"));
}

TEST(ScrubMark, EachMarkAction)
{
    const vb::Variant old("Smith");
    EXPECT_EQ(MarkedValue(old, "DNC-", 0), QString("DNC-Smith"));
    EXPECT_EQ(MarkedValue(old, "-DNC", 1), QString("Smith-DNC"));
    EXPECT_EQ(MarkedValue(old, "DNC", 2), QString("DNC"));
    EXPECT_EQ(MarkedValue(old, "DNC", 7), QString("DNC"));
    EXPECT_EQ(MarkedValue(vb::Variant::Null(), "DNC", 0), QString("DNC"));
    EXPECT_EQ(MarkedValue(vb::Variant(42), "#", 1), QString("42#"));
}

TEST(ScrubMark, EmptyMarkTextEmptiesOnlyOnReplace)
{
    EXPECT_EQ(MarkedValue(vb::Variant("Smith"), "", 2), QString(""));
    EXPECT_EQ(MarkedValue(vb::Variant("Smith"), "", 0), std::nullopt);
    EXPECT_EQ(MarkedValue(vb::Variant::Null(), "", 1), std::nullopt);
}

class ScrubResultLines : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock.setNow(QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9)));
        vb::SetClock(&clock);
    }
    void TearDown() override { vb::SetClock(nullptr); }
    vb::FakeClock clock;
};

TEST_F(ScrubResultLines, HeadersAndLines)
{
    EXPECT_EQ(kOkFileHeader, QString("Numbers Not In DNC List"));
    EXPECT_EQ(kTextDncFileHeader, QString("Numbers In DNC List,Remove Time"));
    EXPECT_EQ(kTableDncFileHeader, QString("Numbers In DNC List, Remove Time"));
    EXPECT_EQ(OkFileLine("2015551234"), QString("2015551234"));
    EXPECT_EQ(DncFileLine("2015551234"), QString("2015551234, 3/5/2026 2:07:09 PM"));
    EXPECT_EQ(DncFileLine("2015551234", kTableDncSeparator), QString("2015551234,3/5/2026 2:07:09 PM"));
}

TEST(ScrubElapsed, PlainSecondsNeverNegative)
{
    EXPECT_EQ(ElapsedText(10.0, 13.5), QString("3.5"));
    EXPECT_EQ(ElapsedText(10.0, 10.0), QString("0"));
    EXPECT_EQ(ElapsedText(10.0, 9.0), QString("0"));
    // Seven digits, as the single-precision timer gives them.
    EXPECT_EQ(ElapsedText(0.0, 0.000622406999998049), QString("0.000622407"));
    EXPECT_EQ(ElapsedText(100.0, 100.000000384), QString("3.84E-07"));
    EXPECT_EQ(ElapsedText(0.0, 6.0282470001), QString("6.028247"));
}
