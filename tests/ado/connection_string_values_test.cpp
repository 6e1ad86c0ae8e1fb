// A value put into a connection string reads back as it was given, whatever
// it holds, and ends no pair early; strings written before such values were
// quoted, and braced values written by hand, read as they always did.

#include "platform/ado/ConnectionString.h"

#include <gtest/gtest.h>

namespace {

struct WrittenCase {
    const char* name;
    const char* value;
    const char* written;
    friend void PrintTo(const WrittenCase& c, std::ostream* os) { *os << c.name; }
};

class WrittenValue : public ::testing::TestWithParam<WrittenCase> {};

TEST_P(WrittenValue, StandsInTheStringAsWrittenAndReadsBackWhole)
{
    const QString value = QString::fromUtf8(GetParam().value);
    const QString written = ado::QuoteConnectionValue(value);
    EXPECT_EQ(written, QString::fromUtf8(GetParam().written));
    const ado::ConnectionString cs("PROVIDER=MSDASQL;DSN=calls;PWD=" + written + ";Database=dnc");
    EXPECT_EQ(cs.value("PWD"), value);
    EXPECT_EQ(cs.value("Database"), "dnc");
    EXPECT_EQ(cs.items().size(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WrittenValue,
    ::testing::Values(WrittenCase{"Plain", "secret", "secret"}, WrittenCase{"Empty", "", ""},
                      WrittenCase{"InnerQuoteAndEquals", "a\"b=c'd", "a\"b=c'd"},
                      WrittenCase{"Semicolon", "a;b", "{a;b}"},
                      WrittenCase{"AnotherPair", "x;Database=other", "{x;Database=other}"},
                      WrittenCase{"Braces", "}{", "{}}{}"}, WrittenCase{"BracedWhole", "{x}", "{{x}}}"},
                      WrittenCase{"LeadingQuote", "\"x\"", "{\"x\"}"},
                      WrittenCase{"LeadingSingleQuote", "'x", "{'x}"},
                      WrittenCase{"EdgeBlanks", "  x ", "{  x }"},
                      WrittenCase{"NonAscii", "p\xc3\xa4;\xe2\x82\xac", "{p\xc3\xa4;\xe2\x82\xac}"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    const char* text;
    const char* pwd; // the value of PWD
    const char* uid; // the value of UID
    friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

class ReadValue : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadValue, ReadsAsItAlwaysDid)
{
    const ado::ConnectionString cs(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(cs.value("PWD"), QString::fromUtf8(GetParam().pwd));
    EXPECT_EQ(cs.value("UID"), QString::fromUtf8(GetParam().uid));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, ReadValue,
    ::testing::Values(ReadCase{"Plain", "PROVIDER=MSDASQL;DSN=d;UID=u;PWD=p;", "p", "u"},
                      ReadCase{"BlanksAroundBraces", "PWD = { a;b } ;UID=u", " a;b ", "u"},
                      ReadCase{"DoubledClosingBrace", "PWD={a}}b};UID=u", "a}b", "u"},
                      ReadCase{"DoubleQuoted", "PWD=\"a;\"\"b\";UID=u", "a;\"b", "u"},
                      ReadCase{"BraceNotEndingTheValue", "PWD={ab}cd;UID=u", "{ab}cd", "u"},
                      ReadCase{"UnclosedBrace", "PWD={ab;UID=u", "{ab", "u"},
                      ReadCase{"BraceInside", "PWD=a{b}c;UID=u", "a{b}c", "u"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadValue, ADriverInBracesIsItsName)
{
    const ado::ConnectionString cs("PROVIDER=MSDASQL;Driver={PostgreSQL Unicode};Server=db;Database=dnc;");
    EXPECT_EQ(cs.value("Driver"), "PostgreSQL Unicode");
    EXPECT_EQ(cs.value("Server"), "db");
    EXPECT_EQ(ado::ChooseProvider(cs).kind, "odbc");
}

} // namespace
