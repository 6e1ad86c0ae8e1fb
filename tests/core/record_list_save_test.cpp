// The list side of VAVURDataSource::Save.
#include "core/VAVURDataSource.h"

#include "platform/vb/Collection.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

struct Record {
    QString name;
    bool isNew = false;
    bool isDeleted = false;
    bool fails = false;
    int saves = 0;
    bool IsNew() const { return isNew; }
    bool IsDeleted() const { return isDeleted; }
    bool Save(bool startTran, bool useInsert)
    {
        lastArgs = {startTran, useInsert};
        ++saves;
        return !fails;
    }
    std::pair<bool, bool> lastArgs;
};

using List = vb::Collection<std::shared_ptr<Record>>;

std::shared_ptr<Record> add(List& list, const QString& name)
{
    auto r = std::make_shared<Record>();
    r->name = name;
    list.Add(r, name);
    return r;
}

} // namespace

TEST(SaveRecordList, NewAndDeletedRecordIsDroppedWithoutWriting)
{
    List list;
    auto only = add(list, "a");
    only->isNew = only->isDeleted = true;
    EXPECT_TRUE(SaveRecordList(list, true, false));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(only->saves, 0);
}

TEST(SaveRecordList, SavesEveryOtherRecordWithTheSameArguments)
{
    List list;
    auto a = add(list, "a");
    auto dropped1 = add(list, "b");
    auto dropped2 = add(list, "c");
    auto d = add(list, "d");
    auto deletedOld = add(list, "e");
    dropped1->isNew = dropped1->isDeleted = true;
    dropped2->isNew = dropped2->isDeleted = true; // moves into the same position
    deletedOld->isDeleted = true;                 // an existing row: its Save deletes it
    EXPECT_TRUE(SaveRecordList(list, false, true));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item(2)->name, "d");
    for (const auto& r : {a, d, deletedOld}) {
        EXPECT_EQ(r->saves, 1);
        EXPECT_EQ(r->lastArgs, std::make_pair(false, true));
    }
}

TEST(SaveRecordList, StopsAtTheFirstFailure)
{
    List list;
    auto a = add(list, "a");
    auto b = add(list, "b");
    auto c = add(list, "c");
    b->fails = true;
    EXPECT_FALSE(SaveRecordList(list, true, true));
    EXPECT_EQ(a->saves, 1);
    EXPECT_EQ(b->saves, 1);
    EXPECT_EQ(c->saves, 0);
}
