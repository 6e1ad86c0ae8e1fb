// DBF tables as files: headers of each version, record counts, the deleted
// flag, in-place writes that touch only their record, read-only opening.

#include "DataFileHelpers.h"

#include "platform/files/DbfTable.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Err.h"

#include <QtEndian>

using files::DbfField;
using files::DbfTable;
using filestest::makeDbf;
using filestest::RawField;
using filestest::ReadFile;
using filestest::TempFolder;

namespace {

const QVector<RawField> kNamePhone = {{"NAME", 'C', 5, 0}, {"PHONE", 'N', 10, 0}};

quint32 headerCount(const QByteArray& file)
{
    return qFromLittleEndian<quint32>(file.constData() + 4);
}

class FixedDate : public ::testing::Test {
protected:
    void SetUp() override { vb::SetClock(&clock); }
    void TearDown() override { vb::SetClock(nullptr); }
    vb::FakeClock clock{QDateTime(QDate(2024, 3, 15), QTime(10, 0))};
};

} // namespace

TEST(DbfHeader, EachVersionByteOpens)
{
    TempFolder dir;
    for (const unsigned char version : {0x03, 0x83, 0xF5, 0x30, 0x31, 0x32}) {
        const QString path =
            dir.write("v.dbf", makeDbf(version, 0x03, kNamePhone, {" Ann  2015551234", "*Bo   9995551234"}));
        DbfTable t(path, DbfTable::Mode::ReadOnly);
        SCOPED_TRACE(version);
        EXPECT_EQ(t.version(), version);
        EXPECT_EQ(t.recordCount(), 2);
        EXPECT_EQ(t.lastUpdate(), QDate(1999, 7, 4));
        ASSERT_EQ(t.fieldCount(), 2);
        EXPECT_EQ(t.fields()[1].name, "PHONE");
        EXPECT_EQ(t.value(0, 0).toString(), "Ann");
        EXPECT_EQ(t.value(0, 1).toString(), "2015551234");
        EXPECT_EQ(t.value(1, 1).toString(), "9995551234");
        EXPECT_FALSE(t.isDeleted(0));
        EXPECT_TRUE(t.isDeleted(1));
    }
}

TEST(DbfHeader, UnknownFileIsRefused)
{
    TempFolder dir;
    try {
        DbfTable t(dir.write("x.dbf", QByteArray(64, 'x')));
        FAIL() << "opened a file that is no table";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, files::dbferr::BadTable);
    }
    try {
        DbfTable t(dir.path("missing.dbf"));
        FAIL() << "opened a missing table";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, vb::errnum::FileNotFound);
    }
}

TEST(DbfHeader, CodePageFromLanguageDriver)
{
    TempFolder dir;
    const QByteArray rec(" Jos\x82 "
                         "         0"); // 0x82 is é in code page 437
    DbfTable dos(dir.write("dos.dbf", makeDbf(0x03, 0x01, kNamePhone, {rec})));
    EXPECT_EQ(dos.codePage(), 437);
    EXPECT_EQ(dos.value(0, 0).toString(), QString::fromUtf8("Jos\xC3\xA9"));
    DbfTable ansi(dir.write("ansi.dbf", makeDbf(0x03, 0x00, kNamePhone,
                                                {QByteArray(" Jos\xE9 "
                                                            "         0")})));
    EXPECT_EQ(ansi.codePage(), 1252);
    EXPECT_EQ(ansi.value(0, 0).toString(), QString::fromUtf8("Jos\xC3\xA9"));
}

TEST(DbfHeader, CountBeyondTheFileIsCutToWholeRecords)
{
    TempFolder dir;
    QByteArray bytes = makeDbf(0x03, 0x03, kNamePhone, {" Ann  2015551234", " Bo   9995551234"});
    bytes.chop(10); // the last record cut short (and no end mark)
    DbfTable t(dir.write("cut.dbf", bytes), DbfTable::Mode::ReadOnly);
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.value(0, 0).toString(), "Ann");
}

TEST_F(FixedDate, AppendKeepsHeaderCountAndDateRight)
{
    TempFolder dir;
    const QString path = dir.path("a.dbf");
    DbfTable::create(path, {{"NAME", 'C', 8}, {"PHONE", 'N', 10, 0}}, 0x03);
    {
        DbfTable t(path);
        EXPECT_EQ(t.recordCount(), 0);
        EXPECT_EQ(t.appendRecord({"Ann", 2015551234LL}), 0);
        EXPECT_EQ(t.appendRecord({"Bo"}), 1);
        EXPECT_EQ(t.appendRecord(), 2);
        EXPECT_EQ(t.recordCount(), 3);
    }
    const QByteArray file = ReadFile(path);
    EXPECT_EQ(headerCount(file), 3u);
    EXPECT_EQ(file.mid(1, 3), QByteArray("\x7C\x03\x0F", 3)); // 2024-03-15
    EXPECT_EQ(file.right(1), QByteArray("\x1A"));
    const int headerLength = qFromLittleEndian<quint16>(file.constData() + 8);
    EXPECT_EQ(file.size(), headerLength + 3 * 19 + 1);

    DbfTable again(path, DbfTable::Mode::ReadOnly);
    EXPECT_EQ(again.recordCount(), 3);
    EXPECT_EQ(again.lastUpdate(), QDate(2024, 3, 15));
    EXPECT_EQ(again.value(0, 1).toString(), "2015551234");
    EXPECT_EQ(again.value(1, 0).toString(), "Bo");
    EXPECT_TRUE(again.value(1, 1).isNull());
}

TEST_F(FixedDate, DeletedFlagIsWrittenInPlace)
{
    TempFolder dir;
    const QString path =
        dir.write("d.dbf", makeDbf(0x30, 0x03, kNamePhone, {" Ann  2015551234", " Bo   9995551234"}));
    {
        DbfTable t(path);
        t.setDeleted(1, true);
        EXPECT_TRUE(t.isDeleted(1));
    }
    QByteArray file = ReadFile(path);
    const int headerLength = qFromLittleEndian<quint16>(file.constData() + 8);
    EXPECT_EQ(file.at(headerLength), ' ');
    EXPECT_EQ(file.at(headerLength + 16), '*');
    DbfTable t(path);
    EXPECT_TRUE(t.isDeleted(1));
    t.setDeleted(1, false);
    EXPECT_FALSE(DbfTable(path, DbfTable::Mode::ReadOnly).isDeleted(1));
}

TEST_F(FixedDate, FieldWriteChangesOnlyItsRecordAndTheDate)
{
    TempFolder dir;
    const QString path =
        dir.write("w.dbf", makeDbf(0x03, 0x03, kNamePhone,
                                   {" Ann  2015551234", " Bo   9995551234", " Cy   3015550000"}));
    const QByteArray before = ReadFile(path);
    {
        DbfTable t(path);
        t.setValue(1, t.fieldIndex("phone"), 999000000);
    }
    const QByteArray after = ReadFile(path);
    ASSERT_EQ(after.size(), before.size());
    const int headerLength = qFromLittleEndian<quint16>(before.constData() + 8);
    QByteArray expected = before;
    expected.replace(headerLength + 16, 16, " Bo    999000000");
    expected.replace(1, 3, QByteArray("\x7C\x03\x0F", 3));
    EXPECT_EQ(after, expected);
}

TEST(DbfTableModes, ReadOnlyTableRefusesWrites)
{
    TempFolder dir;
    const QString path = dir.write("r.dbf", makeDbf(0x03, 0x03, kNamePhone, {" Ann  2015551234"}));
    const QByteArray before = ReadFile(path);
    DbfTable t(path, DbfTable::Mode::ReadOnly);
    EXPECT_TRUE(t.isReadOnly());
    for (const auto& write : std::vector<std::function<void()>>{
             [&] { t.setValue(0, 0, "Bo"); }, [&] { t.setDeleted(0, true); }, [&] { t.appendRecord(); }}) {
        try {
            write();
            ADD_FAILURE() << "wrote to a read-only table";
        } catch (const vb::ErrObject& e) {
            EXPECT_EQ(e.Number, files::dbferr::ReadOnly);
        }
    }
    EXPECT_EQ(ReadFile(path), before);
}

TEST(DbfCreate, VersionLimitsTheFieldTypes)
{
    TempFolder dir;
    const auto errorOf = [&](const QVector<DbfField>& fields, unsigned char version) {
        try {
            DbfTable::create(dir.path("c.dbf"), fields, version);
        } catch (const vb::ErrObject& e) {
            return e.Number;
        }
        return 0;
    };
    EXPECT_EQ(errorOf({{"N", 'I'}}, 0x03), vb::errnum::InvalidProcedureCall);
    EXPECT_EQ(errorOf({{"N", 'M'}}, 0x03), vb::errnum::InvalidProcedureCall);
    EXPECT_EQ(errorOf({{"N", 'C', 300}}, 0x30), vb::errnum::InvalidProcedureCall);
    EXPECT_EQ(errorOf({{"A", 'C', 1}, {"a", 'C', 1}}, 0x30), vb::errnum::InvalidProcedureCall);
    EXPECT_EQ(errorOf({{"TOOLONGNAME1", 'C', 1}}, 0x30), vb::errnum::InvalidProcedureCall);
    EXPECT_EQ(errorOf({{"N", 'M'}}, 0x83), 0);
    EXPECT_TRUE(QFile::exists(dir.path("c.dbt")));
    EXPECT_EQ(errorOf({{"N", 'I'}, {"M", 'M'}}, 0x30), 0);
    EXPECT_TRUE(QFile::exists(dir.path("c.fpt")));
}
