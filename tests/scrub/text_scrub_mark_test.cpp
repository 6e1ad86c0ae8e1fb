// Marking found numbers in a text list: only the mark field of a found
// record changes; it is quoted when the new value needs it, and the rest of
// the line keeps its bytes.

#include "TextScrubFixture.h"

namespace {

const QByteArray kList = "Name,Phone,Status\r\n"
                         "\"Lee, Al\",2015551234,\"new\"\r\n"
                         "Kim,2015550000,old\r\n"
                         "Roy,(201) 555-9999,0042\r\n";

} // namespace

class TextMarkTest : public TextScrubTest {
protected:
    void SetUp() override
    {
        TextScrubTest::SetUp();
        job.settings.deleteFound = false;
        writeList(kList);
    }
};

TEST_F(TextMarkTest, PrefixPutsTheMarkBeforeTheValue)
{
    job.settings.markAction = 0;
    run();
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\n"
                                      "\"Lee, Al\",2015551234,\"DNCnew\"\r\n"
                                      "Kim,2015550000,old\r\n"
                                      "Roy,(201) 555-9999,DNC0042\r\n"));
}

TEST_F(TextMarkTest, SuffixPutsTheMarkAfterTheValue)
{
    job.settings.markAction = 1;
    run();
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\n"
                                      "\"Lee, Al\",2015551234,\"newDNC\"\r\n"
                                      "Kim,2015550000,old\r\n"
                                      "Roy,(201) 555-9999,0042DNC\r\n"));
}

TEST_F(TextMarkTest, ReplaceWritesTheMarkInstead)
{
    job.settings.markAction = 2;
    run();
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\n"
                                      "\"Lee, Al\",2015551234,\"DNC\"\r\n"
                                      "Kim,2015550000,old\r\n"
                                      "Roy,(201) 555-9999,DNC\r\n"));
}

TEST_F(TextMarkTest, AMarkHoldingTheSeparatorOrAQuoteIsQuoted)
{
    job.settings.markAction = 2;
    job.settings.markText = QStringLiteral("do \"not\", call");
    run();
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\n"
                                      "\"Lee, Al\",2015551234,\"do \"\"not\"\", call\"\r\n"
                                      "Kim,2015550000,old\r\n"
                                      "Roy,(201) 555-9999,\"do \"\"not\"\", call\"\r\n"));
}

TEST_F(TextMarkTest, AnEmptyMarkEmptiesOnlyWhenReplacing)
{
    job.settings.markText.clear();
    job.settings.markAction = 0;
    run();
    EXPECT_EQ(listBytes(), kList);

    job.settings.markAction = 2;
    run();
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\n"
                                      "\"Lee, Al\",2015551234,\"\"\r\n"
                                      "Kim,2015550000,old\r\n"
                                      "Roy,(201) 555-9999,\r\n"));
}

TEST_F(TextMarkTest, AMarkFieldNamedInAnotherCaseLeavesTheLinesAsTheyWere)
{
    job.settings.markField = QStringLiteral("status");
    job.settings.markAction = 2;
    const scrub::ScrubResult r = run();
    EXPECT_EQ(r.counters.found, 2);
    EXPECT_EQ(listBytes(), kList);
}

TEST_F(TextMarkTest, AShortRecordGetsItsMarkFieldAdded)
{
    writeList("Name,Phone,Status\r\nKim,2015551234\r\n");
    job.settings.markAction = 2;
    run();
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\nKim,2015551234,DNC\r\n"));
}
