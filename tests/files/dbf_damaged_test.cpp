// Tables whose headers were written wrong, or lie: they are refused when
// opened, or read and written without a byte beyond the field they name.

#include "DataFileHelpers.h"
#include "support/Fixtures.h"

#include "platform/files/DbfTable.h"
#include "platform/vb/Err.h"

#include <QtEndian>

using files::DbfTable;
using filestest::makeDbf;
using filestest::RawField;
using filestest::ReadFile;
using filestest::TempFolder;

namespace {

int errorNumber(const std::function<void()>& f, QString* description = nullptr)
{
    try {
        f();
    } catch (const vb::ErrObject& e) {
        if (description) *description = e.Description;
        return e.Number;
    }
    return 0;
}

// ------------------------------------------- fields narrower than their value

struct NarrowField {
    char type;
    int width;
    vb::Variant value;
};

void PrintTo(const NarrowField& f, std::ostream* os)
{
    *os << f.type << " " << f.width << " wide";
}

class NarrowFieldWrite : public ::testing::TestWithParam<NarrowField> {};

TEST_P(NarrowFieldWrite, IsRefusedAndTheNextFieldKeepsItsText)
{
    const NarrowField& n = GetParam();
    TempFolder dir;
    const QByteArray record = " " + QByteArray(n.width, ' ') + "KEEPTHIS";
    const QString path = dir.write(
        "narrow.dbf", makeDbf(0x30, 0x03, {{"X", n.type, n.width, 0}, {"NAME", 'C', 8, 0}}, {record}));
    const QByteArray before = ReadFile(path);
    DbfTable t(path);
    EXPECT_NE(errorNumber([&] { t.setValue(0, 0, n.value); }), 0);
    EXPECT_NE(errorNumber([&] { t.setValues(0, {n.value, "OTHER"}); }), 0);
    EXPECT_NE(errorNumber([&] { t.appendRecord({n.value}); }), 0);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.value(0, 1).toString(), "KEEPTHIS");
    EXPECT_TRUE(t.value(0, 0).isNull());
}

INSTANTIATE_TEST_SUITE_P(EachFixedType, NarrowFieldWrite,
                         ::testing::Values(NarrowField{'D', 0, vb::Variant::fromDate(45000)},
                                           NarrowField{'D', 2, vb::Variant::fromDate(45000)},
                                           NarrowField{'D', 7, vb::Variant::fromDate(45000)},
                                           NarrowField{'L', 0, vb::Variant(true)},
                                           NarrowField{'I', 2, vb::Variant(7)},
                                           NarrowField{'B', 4, vb::Variant(1.5)},
                                           NarrowField{'T', 4, vb::Variant::fromDate(45000.5)},
                                           NarrowField{'Y', 4, vb::Variant(2.5)}));

class NarrowDateFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(NarrowDateFixture, WritingADateChangesNothingInTheFile)
{
    TempFolder dir;
    const QString path = testsupport::CopyFixture(GetParam(), dir.path("."));
    const QByteArray before = ReadFile(path);
    DbfTable t(path);
    QString why;
    EXPECT_EQ(errorNumber([&] { t.setValue(0, 0, vb::Variant::fromDate(45001)); }, &why),
              files::dbferr::FieldTooSmall);
    EXPECT_TRUE(why.contains("too narrow")) << why.toStdString();
    EXPECT_EQ(ReadFile(path), before);
}

INSTANTIATE_TEST_SUITE_P(Files, NarrowDateFixture,
                         ::testing::Values("dbf_date_field_zero_wide.dbf",
                                           "dbf_date_field_two_wide_before_name.dbf"));

TEST(NarrowDateFixture, TheNameAfterATwoByteDateStillReads)
{
    TempFolder dir;
    DbfTable t(testsupport::CopyFixture("dbf_date_field_two_wide_before_name.dbf", dir.path(".")));
    EXPECT_EQ(t.value(0, t.fieldIndex("NAME")).toString(), "KEEPTHIS");
}

// ------------------------------------------------------- headers that lie

struct LyingHeader {
    const char* what;
    int offset; // byte of the header to change
    QByteArray bytes;
};

void PrintTo(const LyingHeader& h, std::ostream* os)
{
    *os << h.what;
}

class LyingHeaderOpen : public ::testing::TestWithParam<LyingHeader> {};

TEST_P(LyingHeaderOpen, IsRefusedWithTheFilesName)
{
    TempFolder dir;
    QByteArray bytes =
        makeDbf(0x03, 0x03, {{"NAME", 'C', 5, 0}, {"PHONE", 'N', 10, 0}}, {" Ann  2015551234"});
    bytes.replace(GetParam().offset, GetParam().bytes.size(), GetParam().bytes);
    const QString path = dir.write("liar.dbf", bytes);
    QString why;
    EXPECT_EQ(errorNumber([&] { DbfTable t(path, DbfTable::Mode::ReadOnly); }, &why),
              files::dbferr::BadTable);
    EXPECT_TRUE(why.contains("liar.dbf")) << why.toStdString();
    EXPECT_EQ(ReadFile(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, LyingHeaderOpen,
    ::testing::Values(LyingHeader{"record shorter than its fields", 10, QByteArray("\x0A\x00", 2)},
                      LyingHeader{"record of no bytes", 10, QByteArray("\x00\x00", 2)},
                      LyingHeader{"a field wider than the record", 32 + 16, QByteArray("\xFF", 1)},
                      LyingHeader{"header shorter than one field", 8, QByteArray("\x10\x00", 2)},
                      LyingHeader{"header longer than the file", 8, QByteArray("\xFF\x7F", 2)}));

TEST(LyingHeaderOpen, ACountBeyondTheFileReadsTheWholeRecordsOnly)
{
    TempFolder dir;
    QByteArray bytes =
        makeDbf(0x03, 0x03, {{"NAME", 'C', 5, 0}, {"PHONE", 'N', 10, 0}}, {" Ann  2015551234"});
    qToLittleEndian<quint32>(0xFFFFFFFFu, bytes.data() + 4);
    DbfTable t(dir.write("many.dbf", bytes), DbfTable::Mode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(errorNumber([&] { t.value(1, 0); }), vb::errnum::SubscriptOutOfRange);
}

// ------------------------------------------------------------------ memos

// The fixture holds a memo file and its table: two bytes of the memo file's
// length (little-endian), the memo file, then the table.
QString splitMemoFixture(const TempFolder& dir, const QString& name)
{
    const QByteArray all = ReadFile(testsupport::FixturePath(name));
    const int memoLength = qFromLittleEndian<quint16>(all.constData());
    dir.write("memo.dbt", all.mid(2, memoLength));
    return dir.write("memo.dbf", all.mid(2 + memoLength));
}

TEST(DamagedMemo, ABlockNumberBeyondTheMemoFileReadsAsNull)
{
    TempFolder dir;
    DbfTable t(splitMemoFixture(dir, "dbf_memo_block_number_overflows.bin"), DbfTable::Mode::ReadOnly);
    ASSERT_EQ(t.recordCount(), 1);
    EXPECT_TRUE(t.value(0, 0).isNull());
}

} // namespace
