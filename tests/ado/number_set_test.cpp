// Whole numbers in bulk on the program's own database: a query's values are
// kept as a column of integer type stores them (checked against such a
// column), and a set's numbers are added to a table that lacks them.

#include "AdoTestSupport.h"

#include "platform/ado/NumberSet.h"
#include "platform/ado/Provider.h"
#include "platform/ado/SqliteProvider.h"

#include <set>

namespace {

constexpr qint64 kBound = 9999999;

struct StoredCase {
    const char* name;
    const char* value; // an SQL literal, stored as it is in a column without a type
    qint64 kept;       // the number kept, -1 for none
};

void PrintTo(const StoredCase& c, std::ostream* os)
{
    *os << c.name;
}

class NumbersAsStored : public ::testing::TestWithParam<StoredCase> {};

} // namespace

TEST_P(NumbersAsStored, AValueIsKeptAsAnIntegerColumnStoresIt)
{
    const StoredCase& c = GetParam();
    adotest::ScratchDb db;
    db.exec(QStringLiteral("create table vals (v)"));
    db.exec(QStringLiteral("insert into vals (v) values (%1)").arg(QLatin1String(c.value)));
    ado::NumberSet numbers(kBound);
    EXPECT_EQ(db.conn->provider()->collectNumbers(QStringLiteral("select v from vals"), numbers),
              c.kept < 0 ? 1 : 0);
    EXPECT_EQ(numbers.count(), c.kept < 0 ? 0 : 1);
    EXPECT_EQ(numbers.nextFrom(0), c.kept);

    // What the work table's column keeps of the same value.
    db.exec(QStringLiteral("create table typed (phone integer)"));
    db.exec(QStringLiteral("insert into typed (phone) select v from vals"));
    const vb::Variant stored = db.scalar(QStringLiteral(
        "select phone from typed where typeof(phone) = 'integer' and phone between 0 and 9999999"));
    EXPECT_EQ(stored.isEmpty() ? -1 : stored.toLongLong(), c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumbersAsStored,
    ::testing::Values(StoredCase{"SevenDigits", "'5551234'", 5551234},
                      StoredCase{"LeadingZeros", "'0000042'", 42},
                      StoredCase{"ManyLeadingZeros", "'000000000000000000005'", 5},
                      StoredCase{"SpacesAround", "' 5551234 '", 5551234},
                      StoredCase{"APlusSign", "'+42'", 42}, StoredCase{"MinusZero", "'-0'", 0},
                      StoredCase{"ANegativeNumber", "'-5'", -1}, StoredCase{"ALetterInside", "'55x1234'", -1},
                      StoredCase{"EmptyText", "''", -1}, StoredCase{"EightDigits", "'12345678'", -1},
                      StoredCase{"TheLargest", "'9999999'", 9999999}, StoredCase{"AFraction", "'1.5'", -1},
                      StoredCase{"AWholeDecimal", "'7.0'", 7}, StoredCase{"AnExponent", "'1e3'", 1000},
                      StoredCase{"Null", "NULL", -1}, StoredCase{"AnInteger", "42", 42},
                      StoredCase{"AWholeReal", "42.0", 42}, StoredCase{"ARealFraction", "2.5", -1},
                      StoredCase{"ABlob", "x'3432'", -1}),
    [](const ::testing::TestParamInfo<StoredCase>& info) { return std::string(info.param.name); });

struct AddCase {
    const char* name;
    std::vector<qint64> held;  // the table's numbers before
    std::vector<qint64> added; // the set's numbers
    qint64 count;              // how many were new
};

void PrintTo(const AddCase& c, std::ostream* os)
{
    *os << c.name;
}

class AddMissingNumbers : public ::testing::TestWithParam<AddCase> {};

TEST_P(AddMissingNumbers, OnlyTheNumbersTheTableLacksAreAddedAndCounted)
{
    const AddCase& c = GetParam();
    adotest::ScratchDb db;
    db.exec(QStringLiteral("create table phone201 (phone integer not null primary key)"));
    ado::NumberSet numbers(kBound);
    std::set<qint64> expected;
    for (qint64 n : c.held) {
        db.exec(QStringLiteral("insert into phone201 (phone) values (%1)").arg(n));
        expected.insert(n);
    }
    for (qint64 n : c.added) {
        EXPECT_TRUE(numbers.insert(n));
        expected.insert(n);
    }
    EXPECT_EQ(
        db.conn->provider()->addMissingNumbers(QStringLiteral("phone201"), QStringLiteral("phone"), numbers),
        c.count);
    std::set<qint64> held;
    auto rs = db.conn->Execute(QStringLiteral("select phone from phone201"));
    for (; !rs->Eof(); rs->MoveNext())
        held.insert(rs->Value(0).toLongLong());
    EXPECT_EQ(held, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, AddMissingNumbers,
                         ::testing::Values(AddCase{"IntoAnEmptyTable", {}, {0, 63, 64, 5551234, 9999999}, 5},
                                           AddCase{"SomeHeldAlready", {5, 100}, {1, 5, 99, 100, 9999999}, 3},
                                           AddCase{"AllHeldAlready", {7, 8}, {7, 8}, 0},
                                           AddCase{"AnEmptySet", {7}, {}, 0}),
                         [](const ::testing::TestParamInfo<AddCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(AddMissingNumbersFailing, ATableThatRefusesARowAddsNoneAndTellsWhy)
{
    adotest::ScratchDb db;
    db.exec(QStringLiteral("create table phone201 (phone integer not null primary key)"));
    db.conn->provider()->sqlite()->exec(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON phone201 WHEN NEW.phone = 5551234 "
                       "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    ado::NumberSet numbers(kBound);
    numbers.insert(42);
    numbers.insert(5551234);
    const vb::ErrObject e = adotest::ErrorOf([&] {
        db.conn->provider()->addMissingNumbers(QStringLiteral("phone201"), QStringLiteral("phone"), numbers);
    });
    EXPECT_TRUE(e.Description.contains(QStringLiteral("refused"))) << e.Description.toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from phone201")).toLongLong(), 0);
}

TEST(NumberSetBounds, NumbersOutsideTheBoundAreRefusedAndTheRestComeOutAscending)
{
    ado::NumberSet numbers(1000);
    EXPECT_FALSE(numbers.insert(-1));
    EXPECT_FALSE(numbers.insert(1001));
    for (qint64 n : {1000, 3, 640, 3, 64, 0})
        EXPECT_TRUE(numbers.insert(n));
    std::vector<qint64> order;
    for (qint64 n = numbers.nextFrom(0); n >= 0; n = numbers.nextFrom(n + 1))
        order.push_back(n);
    EXPECT_EQ(order, (std::vector<qint64>{0, 3, 64, 640, 1000}));
    EXPECT_EQ(numbers.count(), 5);
    numbers.clear();
    EXPECT_EQ(numbers.nextFrom(0), -1);
}
