// The duplicate list: which copies a walk drops, for numbers that pack into
// one word and for numbers that do not.

#include "scrub/DuplicateRemoval.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

struct GroupsCase {
    const char* name;
    QStringList numbers; // in list order
    QString dropped;     // one letter per record: d dropped, k kept
    std::int32_t groups; // numbers listed after the first pass
};

void PrintTo(const GroupsCase& c, std::ostream* os)
{
    *os << c.name;
}

class Groups : public ::testing::TestWithParam<GroupsCase> {};

TEST_P(Groups, EveryCopyButTheLastIsDropped)
{
    scrub::DuplicateGroups g;
    for (const QString& n : GetParam().numbers)
        g.Count(n);
    g.Settle();
    EXPECT_EQ(g.List().Count(), GetParam().groups);
    QString seen;
    for (const QString& n : GetParam().numbers)
        seen += g.Drop(n) ? u'd' : u'k';
    EXPECT_EQ(seen, GetParam().dropped);
    EXPECT_TRUE(g.Empty()) << "every number settled by its last copy";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Groups,
    ::testing::Values(
        GroupsCase{"Digits", {"2015551234", "1", "2015551234", "2015551234"}, "dkdk", 1},
        GroupsCase{"LeadingZerosCount", {"0123", "123", "0123"}, "dkk", 1},
        GroupsCase{"FormattedNumbers", {"(201) 555-1234", "2015551234", "(201) 555-1234"}, "dkk", 1},
        GroupsCase{
            "LongerThanAWord", {"+1 (201) 555-1234 ext. 7", "x", "+1 (201) 555-1234 EXT. 7"}, "dkk", 1},
        GroupsCase{"LettersWithoutRegardToCase", {"abc", "ABC", "Abc"}, "ddk", 1},
        GroupsCase{"NoRepeats", {"1", "2", "3"}, "kkk", 0}),
    [](const ::testing::TestParamInfo<GroupsCase>& info) { return std::string(info.param.name); });

} // namespace
