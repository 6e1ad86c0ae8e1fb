// A state file converted into import text without the window: what the
// output holds for each layout, the progress a caller sees, and what is left
// on disk when a run cannot finish.

#include "support/SqliteFile.h"

#include "dncdb/StateFileConversion.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <vector>

using stateformat::StateConversionJob;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

struct ConversionCase {
    const char* name;
    QByteArray input;
    const char* delimiter;
    const char* fromRow;
    bool removeQuotes;
    std::vector<bool> checked;
    QByteArray output;
    std::int64_t lines;
};

void PrintTo(const ConversionCase& c, std::ostream* os)
{
    *os << c.name;
}

// The lines written, as the progress shows them.
class Recorder : public engine::NoProgress {
public:
    void Show(double, const QString& lines) override { seen.push_back(lines.toLongLong()); }
    std::vector<std::int64_t> seen;
};

class ConvertedOutput : public ::testing::TestWithParam<ConversionCase> {
protected:
    QTemporaryDir dir;
};

} // namespace

TEST_P(ConvertedOutput, HoldsOneCrlfLinePerDataLine)
{
    const ConversionCase& c = GetParam();
    StateConversionJob job;
    job.input = WriteFile(dir.filePath(QStringLiteral("state.txt")), c.input);
    job.output = dir.filePath(QStringLiteral("import.txt"));
    job.delimiterWord = QString::fromLatin1(c.delimiter);
    job.skipLines = stateformat::SkipCountOf(QString::fromLatin1(c.fromRow));
    job.removeQuotes = c.removeQuotes;
    job.checked = c.checked;
    Recorder progress;
    EXPECT_EQ(stateformat::ConvertStateFile(job, progress).lines, c.lines);
    EXPECT_EQ(ReadFile(job.output), c.output);
    ASSERT_FALSE(progress.seen.empty());
    EXPECT_EQ(progress.seen.back(), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ConvertedOutput,
    ::testing::Values(
        ConversionCase{"one_ten_digit_field_is_split_after_the_area_code",
                       "\"2015551234\"\t\"NJ\"\r\n\"9735550000\"\t\"NJ\"\r\n",
                       "Tab",
                       "1",
                       true,
                       {true, false},
                       "201,5551234\r\n973,5550000\r\n",
                       2},
        ConversionCase{"two_checked_fields_are_joined_by_a_comma",
                       "201\t5551234\tNJ\r\n",
                       "Tab",
                       "1",
                       true,
                       {true, true, false},
                       "201,5551234\r\n",
                       1},
        ConversionCase{"unchecked_fields_between_checked_ones_are_left_out",
                       "a\tb\tc\td\r\n",
                       "Tab",
                       "1",
                       true,
                       {true, false, true, true},
                       "a,c,d\r\n",
                       1},
        ConversionCase{"a_missing_last_field_adds_nothing",
                       "201\t5551234\r\n312\r\n",
                       "tab",
                       "1",
                       true,
                       {true, true},
                       "201,5551234\r\n312\r\n",
                       2},
        ConversionCase{"a_blank_line_gives_an_empty_line_in_the_one_field_layout",
                       "2015551234\r\n\r\n",
                       "Tab",
                       "1",
                       true,
                       {true},
                       "201,5551234\r\n\r\n",
                       2},
        ConversionCase{"a_short_value_keeps_its_characters_and_an_empty_one_gives_a_comma",
                       "12\r\n\tx\r\n",
                       "Tab",
                       "1",
                       true,
                       {true, false},
                       "12,\r\n,\r\n",
                       2},
        ConversionCase{"no_checked_field_gives_empty_lines",
                       "a\tb\r\nc\td\r\n",
                       "Tab",
                       "1",
                       true,
                       {false, false},
                       "\r\n\r\n",
                       2},
        ConversionCase{"from_row_three_skips_two_lines",
                       "Title\r\nDate\r\n2015551234\r\n",
                       "Tab",
                       "3",
                       true,
                       {true},
                       "201,5551234\r\n",
                       1},
        ConversionCase{"a_fractional_from_row_rounds_halves_to_even",
                       "h1\r\nh2\r\n2015551234\r\n",
                       "Tab",
                       "2.5",
                       true,
                       {true},
                       "201,5551234\r\n",
                       1},
        ConversionCase{
            "from_row_past_the_end_gives_an_empty_file", "2015551234\r\n", "Tab", "9", true, {true}, "", 0},
        ConversionCase{"quotes_go_before_the_split_so_a_quoted_delimiter_splits",
                       "\"20,15551234\",\"NJ\"\r\n",
                       "Comma",
                       "1",
                       true,
                       {true, true},
                       "20,15551234\r\n",
                       1},
        ConversionCase{"quotes_stay_when_not_removed",
                       "\"2015551234\";x\r\n",
                       "SEMICOLON",
                       "1",
                       false,
                       {true, false},
                       "\"20,15551234\"\r\n",
                       1},
        ConversionCase{"double_blanks_with_space_give_an_empty_field",
                       "201  5551234\r\n",
                       "Space",
                       "1",
                       true,
                       {true, true, true},
                       "201,,5551234\r\n",
                       1},
        ConversionCase{"an_unknown_word_splits_at_tabs",
                       "201,1\t5551234\r\n",
                       "Pipe",
                       "1",
                       true,
                       {false, true},
                       "555,1234\r\n",
                       1},
        ConversionCase{"lf_cr_and_a_missing_last_line_end_all_end_lines",
                       "2015551234\n9735551234\r3125551234",
                       "Tab",
                       "1",
                       true,
                       {true},
                       "201,5551234\r\n973,5551234\r\n312,5551234\r\n",
                       3},
        ConversionCase{"values_keep_their_bytes_and_characters_are_counted_as_characters",
                       "\xC3\xA9\xC3\xA8"
                       "15551234\t\xE9t\xE9\r\n",
                       "Tab",
                       "1",
                       true,
                       {true, true},
                       "\xC3\xA9\xC3\xA8"
                       "15551234,\xE9t\xE9\r\n",
                       1},
        ConversionCase{"a_leading_multibyte_character_counts_as_one",
                       "\xC3\xA9"
                       "015551234\r\n",
                       "Tab",
                       "1",
                       true,
                       {true},
                       "\xC3\xA9"
                       "01,5551234\r\n",
                       1}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.name); });

TEST(StateFileConversion, ReportsProgressEveryThousandLinesAndAtTheEnd)
{
    QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 2500; ++i)
        text += "2015551234\r\n";
    StateConversionJob job;
    job.input = WriteFile(dir.filePath(QStringLiteral("in.txt")), text);
    job.output = dir.filePath(QStringLiteral("out.txt"));
    job.checked = {true};
    Recorder progress;
    EXPECT_EQ(stateformat::ConvertStateFile(job, progress).lines, 2500);
    EXPECT_EQ(progress.seen, (std::vector<std::int64_t>{1000, 2000, 2500}));
}

TEST(StateFileConversion, AnOutputThatIsTheInputUnderAnotherNameIsRefusedUntouched)
{
    QTemporaryDir dir;
    StateConversionJob job;
    job.input = WriteFile(dir.filePath(QStringLiteral("in.txt")), "2015551234\r\n");
    job.checked = {true};
    ASSERT_TRUE(QFile::link(job.input, dir.filePath(QStringLiteral("alias.txt"))));
    for (const QString& output : {dir.filePath(QStringLiteral("alias.txt")),
                                  dir.path() + QStringLiteral("/./sub/../in.txt"), job.input}) {
        QDir(dir.path()).mkpath(QStringLiteral("sub"));
        job.output = output;
        Recorder progress;
        const stateformat::StateConversionResult r = stateformat::ConvertStateFile(job, progress);
        EXPECT_EQ(r.refusal, QStringLiteral("Error:Open Import file")) << output.toStdString();
        EXPECT_TRUE(progress.seen.empty());
        EXPECT_EQ(ReadFile(job.input), "2015551234\r\n");
    }
}

TEST(StateFileConversion, AFailedWriteLeavesTheOldOutputAndNoFinishedLookingFile)
{
    QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 120000; ++i)
        text += "\"2015551234\"\t\"NJ\"\r\n";
    StateConversionJob job;
    job.input = WriteFile(dir.filePath(QStringLiteral("in.txt")), text);
    job.output = WriteFile(dir.filePath(QStringLiteral("out.txt")), "old\r\n");
    job.checked = {true, false};

    // Files of this process may not grow past 64 KiB while the run writes.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Recorder progress;
    const stateformat::StateConversionResult r = stateformat::ConvertStateFile(job, progress);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_TRUE(r.failure.has_value());
    EXPECT_TRUE(r.failure->description.contains(QStringLiteral("out.txt")))
        << r.failure->description.toStdString();
    EXPECT_EQ(ReadFile(job.output), "old\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("in.txt"), QStringLiteral("out.txt")}));
    ASSERT_FALSE(progress.seen.empty());
    EXPECT_GT(progress.seen.back(), 0);
    EXPECT_LT(progress.seen.back(), 120000);
}

TEST(StateLayout, StoredFieldTextsReadBackAsRowsAndChecks)
{
    using stateformat::DecodeSelectFields;
    EXPECT_EQ(
        stateformat::EncodeSelectFields({"Field0", "Field1", "Field2"}, {true, false, true}, {"x", "y", "z"}),
        QStringLiteral("Field0;;Field2::x;;y;;z"));
    EXPECT_EQ(stateformat::EncodeSelectFields({"Field0", "Field1"}, {false, false}, {"x", ""}),
              QStringLiteral("::x;;"));

    struct Stored {
        const char* text;
        QStringList names;
        QStringList values;
    };
    const Stored cases[] = {
        {"Field0::", {"Field0"}, {}},
        {"::x;;y", {}, {"x", "y"}},
        {"Field1::x;;y::z", {"Field1"}, {"x", "y::z"}},
        {"Field0;;Field1", {}, {}},
        {"", {}, {}},
    };
    for (const Stored& c : cases) {
        const auto got = DecodeSelectFields(QString::fromLatin1(c.text));
        EXPECT_EQ(got.checkedNames, c.names) << c.text;
        EXPECT_EQ(got.values, c.values) << c.text;
    }
}

TEST(StateLayout, FromRowTextsGiveTheFirstLineAndTheLinesToSkip)
{
    struct Row {
        const char* text;
        std::int32_t firstLine;
        std::int64_t skip;
    };
    const Row rows[] = {{"1", 1, 0},      {"3", 3, 2},   {"2.5", 2, 2}, {"3.5", 4, 2},
                        {"7 rows", 7, 6}, {"abc", 0, 0}, {"-2", -2, 0}, {"", 0, 0}};
    for (const Row& r : rows) {
        EXPECT_EQ(stateformat::FirstLineOf(QString::fromLatin1(r.text)), r.firstLine) << r.text;
        EXPECT_EQ(stateformat::SkipCountOf(QString::fromLatin1(r.text)), r.skip) << r.text;
    }
}
