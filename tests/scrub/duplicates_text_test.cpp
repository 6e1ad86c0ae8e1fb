// Duplicate removal on a text list: every copy of a number but the last is
// dropped; the records that stay are copied byte for byte; a list without
// duplicates, or a run that fails, leaves the file exactly as it was.

#include "DuplicatesFixture.h"

namespace {

struct TextCase {
    const char* name;
    QByteArray before;
    const char* areaField; // "" for none
    bool title;
    QByteArray after;     // the list afterwards
    std::int32_t removed; // -1: no duplicates, the file untouched
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

class TextDuplicates : public DuplicatesTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextDuplicates, TheLastCopyOfEachNumberStays)
{
    const TextCase& c = GetParam();
    writeList(c.before);
    tjob.titleFirstLine = c.title;
    tjob.phoneField = c.title ? QStringLiteral("Phone") : QStringLiteral("F2");
    tjob.areaField = QString::fromLatin1(c.areaField);
    const scrub::DuplicatesResult r = scrub::RemoveTextDuplicates(tjob, dview);

    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.summary, c.removed >= 0 ? QStringLiteral("Action is finished!") : QString());
    EXPECT_EQ(listBytes(), c.after);
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb"})) << "no copy is left behind";
    if (c.removed < 0) {
        EXPECT_EQ(dview.status, QStringLiteral("No Duplicate Number"));
        EXPECT_TRUE(dview.shownAt.empty());
    } else {
        EXPECT_EQ(r.removed, c.removed);
        EXPECT_EQ(dview.status,
                  QString::number(c.removed) + QStringLiteral(" Duplicate Number(s) is (are) removed"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextDuplicates,
    ::testing::Values(
        TextCase{"NoDuplicatesLeavesTheFileAlone", "Name,Phone\r\nA,2015551234\r\nB,2015550000\r\n", "", true,
                 "Name,Phone\r\nA,2015551234\r\nB,2015550000\r\n", -1},
        TextCase{"ATripleKeepsItsThirdCopy",
                 "Name,Phone\r\nA,2015551234\r\nB,2015551234\r\nC,2015550000\r\nD,2015551234\r\n", "", true,
                 "Name,Phone\r\nC,2015550000\r\nD,2015551234\r\n", 2},
        TextCase{"EmptyPhonesAreNeverDuplicates", "Name,Phone\r\nA,\r\nB,\r\nC,5\r\nD,\"\"\r\nE,5\r\n", "",
                 true, "Name,Phone\r\nA,\r\nB,\r\nD,\"\"\r\nE,5\r\n", 1},
        TextCase{"DifferentAreaCodesAreDifferentNumbers",
                 "Area,Phone\r\n201,5551234\r\n973,5551234\r\n201,5551234\r\n", "Area", true,
                 "Area,Phone\r\n973,5551234\r\n201,5551234\r\n", 1},
        TextCase{"AreaAndPhoneAreOneNumberWhereverTheySplit", "Area,Phone\r\n201,5551234\r\n2015,551234\r\n",
                 "Area", true, "Area,Phone\r\n2015,551234\r\n", 1},
        TextCase{"QuotedAndBareCopiesAreOneNumber", "Name,Phone\r\nA,\"2015551234\"\r\nB, 2015551234\r\n", "",
                 true, "Name,Phone\r\nB, 2015551234\r\n", 1},
        TextCase{
            "KeptRecordsKeepTheirBytes",
            "Name,Phone,Zip,Since\r\n\"Lee, "
            "Al\",0123456789,007,2020-01-02\r\n\r\n\"Kim\",0123456789,\"08\",1/2/2020\r\n"
            "Roy,(201) 555-1234,00123,x\r\nMax,(201) 555-1234,1,y\n\n",
            "", true,
            "Name,Phone,Zip,Since\r\n\r\n\"Kim\",0123456789,\"08\",1/2/2020\r\nMax,(201) 555-1234,1,y\n\n",
            2},
        TextCase{"AListWithoutTitleLine", "A,2015551234\r\nB,2015551234\r\n", "", false, "B,2015551234\r\n",
                 1}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST_F(DuplicatesTest, FortyThousandCopiesOfOneNumberLeaveOne)
{
    QByteArray list = "Name,Phone\r\n";
    for (int i = 0; i < 40000; ++i)
        list += "n" + QByteArray::number(i) + ",2015551234\r\n";
    writeList(list);
    const scrub::DuplicatesResult r = scrub::RemoveTextDuplicates(tjob, dview);
    scrubtest::ExpectFinished(r);
    EXPECT_EQ(r.removed, 39999);
    EXPECT_EQ(r.records, 40000);
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone\r\nn39999,2015551234\r\n"));
    EXPECT_EQ(dview.barMaximum, 40000);
    EXPECT_EQ(dview.shownAt.size(), 401u) << "every 100 records and at the end";
}

TEST_F(DuplicatesTest, AnErrorMidRunLeavesTheListAndNoCopyBehind)
{
    QByteArray list = "Name,Phone\r\n";
    for (int i = 0; i < 300; ++i)
        list += "n,20155512" + QByteArray::number(10 + i % 50) + "\r\n";
    writeList(list);
    dview.failAt = 200;
    const scrub::DuplicatesResult r = scrub::RemoveTextDuplicates(tjob, dview);
    EXPECT_FALSE(r.completed);
    scrubtest::ExpectFailure(r, QStringLiteral("GetExcelFields"), QStringLiteral("The disk went away."));
    EXPECT_EQ(listBytes(), list);
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb"}));
}

TEST_F(DuplicatesTest, AMissingPhoneFieldIsReportedOnce)
{
    writeList("Name,Tel\r\nA,1\r\nB,1\r\n");
    const scrub::DuplicatesResult r = scrub::RemoveTextDuplicates(tjob, dview);
    EXPECT_FALSE(r.completed);
    scrubtest::ExpectFailure(r, QStringLiteral("GetExcelFields"), QStringLiteral("(Phone)"));
    EXPECT_EQ(listBytes(), QByteArray("Name,Tel\r\nA,1\r\nB,1\r\n"));
}

} // namespace
