// The keyed string list and the duplicate list.
#include "core/CDataStrings.h"
#include "core/CDuplicates.h"

#include "platform/vb/Err.h"

#include <gtest/gtest.h>

TEST(DataStrings, KeysAreFoundWithoutRegardToCase)
{
    CDataStrings list;
    list.Add("phone201", "phone201");
    ASSERT_NE(list.Item("PHONE201"), nullptr);
    EXPECT_EQ(list.Item("PHONE201")->ItemValue(), "phone201");
}

TEST(DataStrings, MissingEntriesGiveNothing)
{
    CDataStrings list;
    list.Add("a", "k");
    EXPECT_EQ(list.Item(0), nullptr);
    EXPECT_EQ(list.Item(2), nullptr);
    EXPECT_EQ(list.Item("other"), nullptr);
    EXPECT_EQ(list.Item(""), nullptr);
}

TEST(DataStrings, ItemWithoutKeyIsReachedByPositionOnly)
{
    CDataStrings list;
    list.Add("x", "");
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Item(1)->ItemValue(), "x");
    EXPECT_EQ(list.Item("x"), nullptr);
}

TEST(DataStrings, DuplicateKeyRaisesAndAddsNothing)
{
    CDataStrings list;
    list.Add("a", "k");
    try {
        list.Add("b", "K");
        FAIL();
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, 457);
    }
    EXPECT_EQ(list.Count(), 1);
}

TEST(DataStrings, CopyKeepsTextsAndOrderButNotKeys)
{
    CDataStrings source;
    source.Add("one", "k1");
    source.Add("two", "k2");
    CDataStrings copy;
    copy.Add("old");
    copy.CopyMe(source);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Item(1)->ItemValue(), "one");
    EXPECT_EQ(copy.Item(2)->ItemValue(), "two");
    EXPECT_EQ(copy.Item("k1"), nullptr);
    copy.Item(1)->SetItemValue("changed");
    EXPECT_EQ(source.Item(1)->ItemValue(), "one"); // new items, not shared
}

TEST(DataStrings, RemoveRenumbersAndIgnoresMissing)
{
    CDataStrings list;
    list.Add("a", "ka");
    list.Add("b", "kb");
    list.Add("c", "kc");
    list.Remove(1);
    EXPECT_EQ(list.Item(1)->ItemValue(), "b");
    list.Remove(9);
    list.Remove("none");
    list.Remove("KC");
    EXPECT_EQ(list.Count(), 1);
    QStringList walked;
    for (const auto& item : list)
        walked << item->ItemValue();
    EXPECT_EQ(walked, QStringList({"b"}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Item("kb"), nullptr);
}

TEST(Duplicates, NumbersAreTextAndCountsAre32Bit)
{
    CDuplicates list;
    auto item = list.Add(40000, "2015550123", ":2015550123");
    EXPECT_EQ(item->Number, "2015550123");
    EXPECT_EQ(item->Count, 40000);
    ASSERT_NE(list.Item(":2015550123"), nullptr);
    list.Item(":2015550123")->Count -= 1;
    EXPECT_EQ(item->Count, 39999);
}

TEST(Duplicates, MissingLookupsGiveNothingAndRemovalOfMissingIsPassedOver)
{
    CDuplicates list;
    list.Add(2, "5551234", ":5551234");
    EXPECT_EQ(list.Item(":none"), nullptr);
    EXPECT_EQ(list.Item(0), nullptr);
    list.Remove(":none");
    list.Remove(5);
    EXPECT_EQ(list.Count(), 1);
    list.Remove(":5551234");
    EXPECT_EQ(list.Count(), 0);
}

TEST(Duplicates, DuplicateKeyRaises)
{
    CDuplicates list;
    list.Add(2, "1", ":1");
    EXPECT_THROW(list.Add(3, "1", ":1"), vb::ErrObject);
    EXPECT_EQ(list.Item(":1")->Count, 2);
    list.Add(1, "2");
    EXPECT_EQ(list.Count(), 2);
}
