// A text scrub that cannot finish reports one error and leaves the list as
// it was; and the progress frame is updated every 100 records without ever
// passing its maximum, also for an empty list.

#include "TextScrubFixture.h"

TEST_F(TextScrubTest, ABrokenLookUpStopsTheRunAndLeavesTheListUnchanged)
{
    // A table of the store that cannot be read.
    testsupport::BreakTable(dbPath, QStringLiteral("phone312"));
    const QByteArray list = "Phone,Status\r\n2015551234,a\r\n3125550000,b\r\n2015550000,c\r\n";
    writeList(list);
    const scrub::ScrubResult r = runFailing();

    EXPECT_FALSE(r.completed);
    EXPECT_EQ(listBytes(), list);
    // No result file of a run that did not end.
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb"}));
}

class TextScrubCutShortTest : public TextScrubTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TextScrubCutShortTest, AListCutShortByAnotherProgramWhileItIsScrubbedIsNotPutInItsPlace)
{
    job.settings.deleteFound = GetParam();
    QByteArray list = "Phone,Status\r\n2015551234,a\r\n";
    for (int i = 0; i < 100000; ++i) // more than the copy reads ahead
        list += QByteArray::number(3125550000LL + i) + ",b\r\n";
    writeList(list);
    const QByteArray left = "Phone,Status\r\n";
    // At the first report of the progress, a hundred records in.
    view.onShow = [&] { scrubtest::Write(this->list(), left); };
    const scrub::ScrubResult r = runRefused(QStringLiteral("changed"));

    EXPECT_FALSE(r.completed);
    EXPECT_EQ(listBytes(), left);
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, TextScrubCutShortTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Deleting" : "Marking"; });

TEST_F(TextScrubTest, AClosedDncConnectionIsAnErrorNotANumberNotFound)
{
    dnc->Close();
    const QByteArray list = "Phone,Status\r\n2015551234,a\r\n";
    writeList(list);
    const scrub::ScrubResult r = runFailing();
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(listBytes(), list);
}

struct SurplusCase {
    const char* name;
    bool deleteFound;
    QByteArray list;
    QByteArray after;
};

void PrintTo(const SurplusCase& c, std::ostream* os)
{
    *os << c.name;
}

class TextScrubSurplusTest : public TextScrubTest, public ::testing::WithParamInterface<SurplusCase> {};

TEST_P(TextScrubSurplusTest, LaterLinesWithMoreFieldsKeepThemAsTheyStand)
{
    const SurplusCase& c = GetParam();
    job.fieldCount = 2;
    job.settings.deleteFound = c.deleteFound;
    writeList(c.list);
    const scrub::ScrubResult r = run();
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(listBytes(), c.after);
    EXPECT_EQ(r.counters.found, 2);
    EXPECT_EQ(r.counters.notFound, 1);
    EXPECT_EQ(file(QStringLiteral("ok.txt")), QByteArray("Numbers Not In DNC List\r\n2015550000\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Surplus, TextScrubSurplusTest,
    ::testing::Values(
        SurplusCase{"Deleting", true,
                    "Phone,Status\r\n2015551234,a\r\n2015550000,b,extra,more\r\n2015559999,c,x\r\n",
                    "Phone,Status\r\n2015550000,b,extra,more\r\n"},
        SurplusCase{
            "Marking", false,
            "Phone,Status\r\n2015551234,a\r\n2015550000,b,extra,more\r\n2015559999,c,\"x,y\"\r\n",
            "Phone,Status\r\n2015551234,DNCa\r\n2015550000,b,extra,more\r\n2015559999,DNCc,\"x,y\"\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WideFirstLineCase {
    const char* name;
    bool titleFirstLine;
    QByteArray list;
    const char* message;
};

void PrintTo(const WideFirstLineCase& c, std::ostream* os)
{
    *os << c.name;
}

class TextScrubWideFirstLineTest : public TextScrubTest,
                                   public ::testing::WithParamInterface<WideFirstLineCase> {};

TEST_P(TextScrubWideFirstLineTest, AFirstDataLineWiderThanTheListIsNamedWithItsFileAndLine)
{
    const WideFirstLineCase& c = GetParam();
    job.fieldCount = 1;
    job.titleFirstLine = c.titleFirstLine;
    if (!c.titleFirstLine) job.settings.phoneField = QStringLiteral("F1");
    writeList(c.list);
    const scrub::ScrubResult r = runFailing(QString::fromUtf8(c.message).arg(list()));
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(listBytes(), c.list);
    ASSERT_TRUE(r.failure.has_value());
    EXPECT_FALSE(r.failure->description.contains(QStringLiteral("Subscript out of range")));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TextScrubWideFirstLineTest,
    ::testing::Values(WideFirstLineCase{"AfterTheTitleLine", true, "Phone,Status\r\n2015551234,a\r\n",
                                        "Line 2 of '%1' has more than the 1 fields of the list."},
                      WideFirstLineCase{"WithoutATitleLine", false, "2015551234,a\n2015550000,b\n",
                                        "Line 1 of '%1' has more than the 1 fields of the list."},
                      WideFirstLineCase{"AfterEmptyLines", true, "Phone,Status\r\n\r\n\r\n2015551234,a\r\n",
                                        "Line 4 of '%1' has more than the 1 fields of the list."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextScrubTest, AMissingListOrPhoneFieldIsReported)
{
    EXPECT_FALSE(runFailing().completed);

    writeList("Phone,Status\r\n2015551234,a\r\n");
    job.settings.phoneField = QStringLiteral("Telephone");
    EXPECT_FALSE(runFailing(QStringLiteral("Telephone")).completed);
    EXPECT_EQ(listBytes(), QByteArray("Phone,Status\r\n2015551234,a\r\n"));
}

TEST_F(TextScrubTest, ProgressIsShownEveryHundredRecordsAndAtTheEnd)
{
    QByteArray text = "Phone,Status\r\n";
    for (int i = 0; i < 250; ++i)
        text += QByteArray::number(2015560000LL + i) + ",x\r\n";
    writeList(text);
    run();
    EXPECT_EQ(view.barMaximum, 250);
    EXPECT_EQ(view.shownAt, (std::vector<std::int32_t>{100, 200, 250}));
    EXPECT_TRUE(view.finalShown);
    EXPECT_EQ(view.status, QStringLiteral("250 Not in DNC List; 0(0.00%) in DNC List; 0 Null Numbers "));
}

TEST_F(TextScrubTest, AListWithoutRecordsNeverDividesByZero)
{
    writeList("Phone,Status\r\n");
    const scrub::ScrubResult r = run();
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(view.barMaximum, 0);
    EXPECT_EQ(view.barValues, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(view.status, QStringLiteral("0 Not in DNC List; 0(0.00%) in DNC List; 0 Null Numbers "));
    EXPECT_EQ(listBytes(), QByteArray("Phone,Status\r\n"));
}

TEST_F(TextScrubTest, ThePercentageIsOfAllRecords)
{
    QByteArray text = "Phone,Status\r\n2015551234,a\r\n2015559999,b\r\n9731234567,c\r\n";
    for (int i = 0; i < 197; ++i)
        text += QByteArray::number(2015560000LL + i) + ",x\r\n";
    writeList(text);
    run();
    EXPECT_EQ(view.status, QStringLiteral("197 Not in DNC List; 3(1.50%) in DNC List; 0 Null Numbers "));
}
