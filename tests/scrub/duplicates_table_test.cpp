// Duplicate removal on a database table or a FoxPro/ACT! table: the rows of
// every copy of a number but the last are deleted by their addresses, in one
// transaction that an error takes back whole.

#include "DuplicatesFixture.h"
#include "TableScrubFixture.h"
#include "support/RecordingProgress.h"

namespace {

using scrubtest::ListRow;

class TableDuplicates : public TableScrubTest {
protected:
    scrub::TableDuplicatesJob duplicatesJob() const
    {
        scrub::TableDuplicatesJob d;
        d.kind = job.kind == scrubtest::Kind::Access ? scrub::TableDuplicatesJob::Kind::Access
                                                     : scrub::TableDuplicatesJob::Kind::FoxPro;
        d.connectionString = job.connectionString;
        d.tableName = job.tableName;
        d.phoneField = QStringLiteral("Phone");
        return d;
    }
    duptest::RecordingView dview;
};

TEST_P(TableDuplicates, EveryCopyButTheLastGoesAndEmptyPhonesStay)
{
    makeList({{"A", "2015551234", "a", 1},
              {"B", "2015551234", "b", 2},
              {"C", std::nullopt, "c", 3},
              {"D", std::nullopt, "d", 4},
              {"E", "2015550000", "e", 5},
              {"F", "2015551234", "f", 6}});
    const scrub::DuplicatesResult r = scrub::RemoveTableDuplicates(duplicatesJob(), dview);
    scrubtest::ExpectFinished(r);
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.removed, 2);
    const QString none = foxPro() ? QString() : QStringLiteral("<null>"); // a .dbf has blanks, not Null
    EXPECT_EQ(listRows(), (QStringList{none + "|c|3", none + "|d|4", "2015550000|e|5", "2015551234|f|6"}));
    EXPECT_EQ(dview.status, QStringLiteral("2 Duplicate Number(s) is (are) removed"));
    EXPECT_EQ(dview.barMaximum, 6);
}

TEST_P(TableDuplicates, ANumericAreaFieldGoesInFrontOfThePhone)
{
    makeList({{"A", "5551234", "a", 201}, {"B", "5551234", "b", 973}, {"C", "5551234", "c", 201}});
    auto d = duplicatesJob();
    d.areaField = QStringLiteral("Code");
    EXPECT_EQ(scrub::RemoveTableDuplicates(d, dview).removed, 1);
    EXPECT_EQ(listRows(), (QStringList{"5551234|b|973", "5551234|c|201"}));
}

TEST_P(TableDuplicates, ATableWithoutDuplicatesIsLeftAlone)
{
    makeList({{"A", "2015551234", "a", 1}, {"B", "2015550000", "b", 2}});
    const scrub::DuplicatesResult r = scrub::RemoveTableDuplicates(duplicatesJob(), dview);
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(dview.status, QStringLiteral("No Duplicate Number"));
    EXPECT_EQ(listRows(), (QStringList{"2015551234|a|1", "2015550000|b|2"}));
}

TEST_P(TableDuplicates, AnErrorTakesEveryDeletionBack)
{
    std::vector<ListRow> list;
    for (int i = 0; i < 300; ++i)
        list.push_back({"n", QString::number(2015551200 + i % 50), "s", double(i)});
    makeList(list);
    const QStringList before = listRows();
    dview.failAt = 200;
    const scrub::DuplicatesResult r = scrub::RemoveTableDuplicates(duplicatesJob(), dview);
    EXPECT_FALSE(r.completed);
    scrubtest::ExpectFailure(r, function(), QStringLiteral("The disk went away."));
    EXPECT_EQ(listRows(), before);
}

TEST_P(TableDuplicates, TheLastProgressShowsBeforeDeletingAndTheWindowDrawsWhileCopiesGo)
{
    std::vector<ListRow> list;
    for (int i = 0; i < 300; ++i)
        list.push_back({"n", QStringLiteral("2015551234"), "s", double(i)});
    makeList(list);
    testsupport::RecordingProgress progress;

    EXPECT_EQ(scrub::RemoveTableDuplicates(duplicatesJob(), progress).removed, 299);

    ASSERT_TRUE(progress.finalDue);
    EXPECT_GE(progress.yields - progress.yieldsAtFinal, 2) << "299 deletions after the last report";
}

INSTANTIATE_TEST_SUITE_P(Kinds, TableDuplicates,
                         ::testing::Values(scrubtest::Kind::Access, scrubtest::Kind::FoxPro),
                         scrubtest::KindName);

} // namespace
