// VB's Collection: positions from 1, case-blind keys, VB's errors, and a
// large keyed list that is added to, looked up, walked and emptied.
#include "platform/vb/Collection.h"

#include <QString>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

using vb::Collection;

namespace {

template <class F> int errorOf(F&& action)
{
    try {
        action();
    } catch (const vb::ErrObject& e) {
        return e.Number;
    }
    return 0;
}

std::vector<QString> values(const Collection<QString>& c)
{
    std::vector<QString> out;
    for (const QString& s : c)
        out.push_back(s);
    return out;
}

} // namespace

TEST(Collection, PositionsFromOneInInsertionOrder)
{
    Collection<QString> c;
    EXPECT_EQ(c.Count(), 0);
    c.Add("a");
    c.Add("b", "KeyB");
    c.Add("c");
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(1), "a");
    EXPECT_EQ(c.Item(2), "b");
    EXPECT_EQ(c.Item(3), "c");
    EXPECT_EQ(values(c), (std::vector<QString>{"a", "b", "c"}));
}

TEST(Collection, KeysAreFoundWithoutRegardToCase)
{
    Collection<QString> c;
    c.Add("value", "phone201");
    EXPECT_EQ(c.Item("PHONE201"), "value");
    EXPECT_EQ(c.Item(QString("Phone201")), "value");
    EXPECT_TRUE(c.Contains("pHONE201"));
    ASSERT_NE(c.Find("PHONE201"), nullptr);
    EXPECT_EQ(*c.Find("PHONE201"), "value");
    EXPECT_EQ(c.Find("phone202"), nullptr);
}

TEST(Collection, DuplicateKeyIsRefusedAndNothingIsAdded)
{
    Collection<QString> c;
    c.Add("first", "k");
    EXPECT_EQ(errorOf([&] { c.Add("second", "K"); }), 457);
    EXPECT_EQ(c.Count(), 1);
    EXPECT_EQ(c.Item("k"), "first");
}

TEST(Collection, ItemsWithoutKeyAreReachedByPositionOnly)
{
    Collection<QString> c;
    c.Add("x", "");
    c.Add("y", "");
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Item(2), "y");
    EXPECT_FALSE(c.Contains(""));
    EXPECT_EQ(errorOf([&] { c.Item(""); }), 5);
}

TEST(Collection, MissingPositionOrKeyRaisesVbErrors)
{
    Collection<QString> c;
    c.Add("a", "k");
    EXPECT_EQ(errorOf([&] { c.Item(0); }), 9);
    EXPECT_EQ(errorOf([&] { c.Item(2); }), 9);
    EXPECT_EQ(errorOf([&] { c.Item(-1); }), 9);
    EXPECT_EQ(errorOf([&] { c.Item("none"); }), 5);
    EXPECT_EQ(errorOf([&] { c.Remove(2); }), 9);
    EXPECT_EQ(errorOf([&] { c.Remove("none"); }), 5);
    EXPECT_EQ(c.Count(), 1);
}

TEST(Collection, RemovingRenumbersTheLaterItemsAndFreesTheKey)
{
    Collection<QString> c;
    c.Add("a", "ka");
    c.Add("b", "kb");
    c.Add("c", "kc");
    c.Remove(1);
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Item(1), "b");
    EXPECT_EQ(c.Item(2), "c");
    EXPECT_FALSE(c.Contains("ka"));
    c.Remove("KC");
    EXPECT_EQ(values(c), (std::vector<QString>{"b"}));
    c.Add("a again", "KA");
    EXPECT_EQ(c.Item(2), "a again");
    EXPECT_EQ(c.Item("ka"), "a again");
}

TEST(Collection, ItemsAreSharedNotCopied)
{
    Collection<std::shared_ptr<int>> c;
    auto p = std::make_shared<int>(1);
    c.Add(p, "p");
    *c.Item("p") = 5;
    EXPECT_EQ(*p, 5);
    c.Remove(1);
    EXPECT_EQ(p.use_count(), 1); // the collection let go of its reference
    c.Add(std::make_shared<int>(2));
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
}

TEST(Collection, LargeKeyedListStaysConsistent)
{
    const int n = 200000;
    Collection<int> c;
    for (int i = 0; i < n; ++i)
        c.Add(i, QStringLiteral(":%1").arg(i));
    ASSERT_EQ(c.Count(), n);
    for (int i = 1; i <= n; i += 997)
        ASSERT_EQ(c.Item(i), i - 1);

    // Remove every third item by key, in a shuffled order, as duplicate
    // removal settles numbers in list order rather than key order.
    std::vector<int> gone;
    for (int i = 0; i < n; i += 3)
        gone.push_back(i);
    std::shuffle(gone.begin(), gone.end(), std::mt19937(7));
    for (int v : gone)
        c.Remove(QStringLiteral(":%1").arg(v));
    ASSERT_EQ(c.Count(), n - int(gone.size()));

    // Walk by position as "For i = 1 To Count: Item(i)" does.
    int expected = 0;
    for (int i = 1; i <= c.Count(); ++i) {
        if (expected % 3 == 0) ++expected;
        ASSERT_EQ(c.Item(i), expected) << "position " << i;
        ++expected;
    }
    for (int i = 0; i < n; i += 1000)
        ASSERT_EQ(c.Contains(QStringLiteral(":%1").arg(i)), i % 3 != 0) << i;

    // Remove from the front by position until half is gone, then check the rest.
    const int keep = c.Count() / 2;
    while (c.Count() > keep)
        c.Remove(1);
    int walked = 0;
    int previous = -1;
    for (int v : c) {
        ASSERT_GT(v, previous);
        ASSERT_NE(v % 3, 0);
        previous = v;
        ++walked;
    }
    EXPECT_EQ(walked, keep);
    EXPECT_EQ(c.Item(keep), previous);
    EXPECT_EQ(c.Item(QStringLiteral(":%1").arg(previous)), previous);
}
