// A calling list whose quote never closes: the run is refused before
// anything changes, naming the file and the line the quote opens on.

#include "TextScrubFixture.h"

namespace {

struct OpenQuoteCase {
    const char* body;
    int line; // the line named; 0: the list is sound
};

class OpenQuote : public TextScrubTest, public ::testing::WithParamInterface<OpenQuoteCase> {};

TEST_P(OpenQuote, AQuoteOpenAtTheEndRefusesTheRun)
{
    const OpenQuoteCase& c = GetParam();
    writeList(c.body);
    const scrub::ScrubResult r = scrub::ScrubTextFile(job, view, dnc);
    if (c.line == 0) {
        EXPECT_TRUE(r.completed);
        return;
    }
    EXPECT_FALSE(r.completed || r.failure);
    EXPECT_TRUE(r.refusal.contains(list())) << r.refusal.toStdString();
    EXPECT_TRUE(r.refusal.contains(QStringLiteral("line %1 ").arg(c.line))) << r.refusal.toStdString();
    EXPECT_EQ(listBytes(), QByteArray(c.body));
    EXPECT_FALSE(QFile::exists(folder + "ok.txt"));
    EXPECT_FALSE(QFile::exists(folder + "dnc.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, OpenQuote,
    ::testing::Values(
        OpenQuoteCase{"Name,Phone,Status\r\nA,2015551234,new\r\n\"B,3125550000\r\nC,2015551234,new\r\n", 3},
        OpenQuoteCase{"\xEF\xBB\xBFName,Phone,Status\r\n\"B,3125550000\r\nC,2015551234,new", 2},
        OpenQuoteCase{"Name,Phone,Status\nA,2015551234,\"x\ny\"\nC,2015551234,\"new\n", 4},
        OpenQuoteCase{"Name,Phone,Status\r\n\"A\r\nB\",2015551234,new\r\n", 0}, // a value over two lines
        OpenQuoteCase{"Name,Phone,Status\r\nA,2015551234,\"a \"\"b\"\" c\"\r\n", 0}));

} // namespace
