// DBF field values: each type written and read back, width checks that
// refuse what does not fit, code-page text, memo fields and Null.

#include "DataFileHelpers.h"

#include "platform/files/DbfTable.h"
#include "platform/vb/Err.h"

#include <QtEndian>

using files::DbfField;
using files::DbfTable;
using filestest::ReadFile;
using filestest::TempFolder;

namespace {

double oleDate(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return QDate(1899, 12, 30).daysTo(QDate(y, m, d)) + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

const QVector<DbfField> kAllTypes = {
    {"NAME", 'C', 10}, {"PHONE", 'N', 10, 0}, {"AMOUNT", 'N', 8, 2}, {"RATE", 'F', 6, 1}, {"BORN", 'D'},
    {"OK", 'L'},       {"COUNT", 'I'},        {"RATIO", 'B'},        {"SEEN", 'T'},       {"PRICE", 'Y'},
};

int errorNumber(const std::function<void()>& f)
{
    try {
        f();
    } catch (const vb::ErrObject& e) {
        return e.Number;
    }
    return 0;
}

} // namespace

TEST(DbfFields, EachTypeWrittenAndReadBack)
{
    TempFolder dir;
    const QString path = dir.path("all.dbf");
    DbfTable::create(path, kAllTypes);
    {
        DbfTable t(path);
        t.appendRecord({"Ann Lee", 9995551234LL, 12.5, -3.25, vb::Variant::fromDate(oleDate(1970, 1, 2)),
                        true, -123456, 0.125, vb::Variant::fromDate(oleDate(2024, 3, 15, 13, 45, 30)),
                        vb::Variant::fromCurrency(123456789)});
    }
    DbfTable t(path, DbfTable::Mode::ReadOnly);
    EXPECT_EQ(t.version(), 0x30);
    const auto v = t.values(0);
    ASSERT_EQ(v.size(), 10);
    EXPECT_EQ(v[0], vb::Variant("Ann Lee"));
    EXPECT_EQ(v[1].toString(), "9995551234");
    EXPECT_DOUBLE_EQ(v[2].toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(v[3].toDouble(), -3.3); // F 6,1 keeps one decimal
    EXPECT_EQ(v[4].type(), vb::VarType::Date);
    EXPECT_DOUBLE_EQ(v[4].rawDouble(), oleDate(1970, 1, 2));
    EXPECT_EQ(v[5], vb::Variant(true));
    EXPECT_EQ(v[6], vb::Variant(-123456));
    EXPECT_EQ(v[7], vb::Variant(0.125));
    EXPECT_EQ(v[8].type(), vb::VarType::Date);
    EXPECT_NEAR(v[8].rawDouble(), oleDate(2024, 3, 15, 13, 45, 30), 1e-9);
    EXPECT_EQ(v[9], vb::Variant::fromCurrency(123456789));
}

TEST(DbfFields, FixedTextOnDisk)
{
    TempFolder dir;
    const QString path = dir.path("disk.dbf");
    DbfTable::create(path, {{"NAME", 'C', 6}, {"AMOUNT", 'N', 8, 2}, {"BORN", 'D'}, {"OK", 'L'}}, 0x03);
    {
        DbfTable t(path);
        t.appendRecord({"Bo", 7, "12/31/2001", false});
    }
    const QByteArray file = ReadFile(path);
    const int headerLength = qFromLittleEndian<quint16>(file.constData() + 8);
    EXPECT_EQ(file.mid(headerLength, 24), QByteArray(" Bo        7.0020011231F"));
}

TEST(DbfFields, BlankFieldsOfANewRecord)
{
    TempFolder dir;
    const QString path = dir.path("blank.dbf");
    DbfTable::create(path, kAllTypes);
    DbfTable t(path);
    t.appendRecord();
    const auto v = t.values(0);
    EXPECT_EQ(v[0], vb::Variant(""));
    EXPECT_TRUE(v[1].isNull());
    EXPECT_TRUE(v[4].isNull());
    EXPECT_TRUE(v[5].isNull());
    EXPECT_EQ(v[6], vb::Variant(0));
    EXPECT_TRUE(v[8].isNull());
}

TEST(DbfFields, ValueTooWideIsAnErrorAndNothingIsWritten)
{
    TempFolder dir;
    const QString path = dir.path("w.dbf");
    DbfTable::create(path, kAllTypes);
    DbfTable t(path);
    t.appendRecord({"Ann", 2015551234LL, 1.0});
    const QByteArray before = ReadFile(path);

    EXPECT_EQ(errorNumber([&] { t.setValue(0, 0, "Eleven char"); }), files::dbferr::FieldTooSmall);
    EXPECT_EQ(errorNumber([&] { t.setValue(0, 1, 99999999999LL); }), files::dbferr::NumericOverflow);
    EXPECT_EQ(errorNumber([&] { t.setValue(0, 1, -999999999.0 * 10); }), files::dbferr::NumericOverflow);
    EXPECT_EQ(errorNumber([&] { t.setValue(0, 2, 123456.0); }),
              files::dbferr::NumericOverflow); // "123456.00"
    EXPECT_EQ(errorNumber([&] { t.setValue(0, 6, 3000000000LL); }), files::dbferr::NumericOverflow);
    EXPECT_EQ(errorNumber([&] { t.setValue(0, 1, "X999"); }), vb::errnum::TypeMismatch);
    EXPECT_EQ(errorNumber([&] { t.setValues(0, {"ok", 1, 1e12}); }), files::dbferr::NumericOverflow);

    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(t.value(0, 0).toString(), "Ann");
    EXPECT_EQ(t.value(0, 1).toString(), "2015551234");
}

TEST(DbfFields, ValuesThatJustFit)
{
    TempFolder dir;
    const QString path = dir.path("fit.dbf");
    DbfTable::create(path, kAllTypes);
    DbfTable t(path);
    t.appendRecord();
    t.setValue(0, 0, "Ten chars!");
    t.setValue(0, 0, "Ten chars!   "); // trailing blanks are padding anyway
    t.setValue(0, 1, 9999999999LL);
    t.setValue(0, 2, -9999.99);
    t.setValue(0, 2, 1.005); // rounded to the field's decimals
    EXPECT_EQ(t.value(0, 0).toString(), "Ten chars!");
    EXPECT_EQ(t.value(0, 1).toString(), "9999999999");
    EXPECT_NEAR(t.value(0, 2).toDouble(), 1.0, 0.011);
    t.setValue(0, 1, "  42 ");
    EXPECT_EQ(t.value(0, 1), vb::Variant(42));
}

TEST(DbfFields, TextInTheTablesCodePage)
{
    TempFolder dir;
    const QString name = QString::fromUtf8("Jos\xC3\xA9 \xE2\x82\xAC");
    for (const int cp : {1252, 437, 850}) {
        const QString path = dir.path(QStringLiteral("cp%1.dbf").arg(cp));
        DbfTable::create(path, {{"NAME", 'C', 6}}, 0x03, cp);
        {
            DbfTable t(path);
            EXPECT_EQ(t.codePage(), cp);
            t.appendRecord({cp == 1252 ? name : QString::fromUtf8("Jos\xC3\xA9")});
        }
        const QByteArray file = ReadFile(path);
        const int headerLength = qFromLittleEndian<quint16>(file.constData() + 8);
        if (cp == 1252) {
            EXPECT_EQ(file.mid(headerLength + 1, 6), QByteArray("Jos\xE9 \x80"));
            EXPECT_EQ(DbfTable(path).value(0, 0).toString(), name);
        } else {
            EXPECT_EQ(file.mid(headerLength + 1, 6), QByteArray("Jos\x82  ")) << cp;
            EXPECT_EQ(DbfTable(path).value(0, 0).toString(), QString::fromUtf8("Jos\xC3\xA9"));
        }
    }
}

TEST(DbfFields, MemoIsReadButNeverWritten)
{
    TempFolder dir;
    const QString path = dir.path("memo.dbf");
    DbfTable::create(path, {{"NAME", 'C', 4}, {"NOTES", 'M'}}, 0x30);
    {
        DbfTable t(path);
        t.appendRecord({"Ann"});
        EXPECT_TRUE(t.value(0, 1).isNull());
        EXPECT_EQ(errorNumber([&] { t.setValue(0, 1, "text"); }), files::dbferr::ReadOnly);
    }
    // Put a memo in block 8 the way FoxPro lays it out, and point the record at it.
    QFile fpt(dir.path("memo.fpt"));
    ASSERT_TRUE(fpt.open(QIODevice::ReadWrite));
    QByteArray block(64, '\0');
    qToBigEndian<quint32>(1, block.data());
    const QByteArray text("Call \xE9t\xE9 ok");
    qToBigEndian<quint32>(quint32(text.size()), block.data() + 4);
    block.replace(8, text.size(), text);
    fpt.seek(512);
    fpt.write(block);
    fpt.close();
    QFile dbf(path);
    ASSERT_TRUE(dbf.open(QIODevice::ReadWrite));
    const QByteArray head = dbf.read(32);
    const int headerLength = qFromLittleEndian<quint16>(head.constData() + 8);
    QByteArray number(4, '\0');
    qToLittleEndian<quint32>(8, number.data());
    dbf.seek(headerLength + 1 + 4);
    dbf.write(number);
    dbf.close();

    DbfTable t(path, DbfTable::Mode::ReadOnly);
    EXPECT_EQ(t.value(0, 1).toString(), QString::fromUtf8("Call \xC3\xA9t\xC3\xA9 ok"));
}

TEST(DbfFields, NullableFieldsOfVisualFoxPro)
{
    TempFolder dir;
    const QString path = dir.path("null.dbf");
    DbfField count{"COUNT", 'I'};
    count.nullable = true;
    DbfField name{"NAME", 'C', 5};
    name.nullable = true;
    DbfTable::create(path, {name, {"PLAIN", 'I'}, count});
    DbfTable t(path);
    ASSERT_EQ(t.fieldCount(), 3); // the null flags stay hidden
    t.appendRecord({"Ann", 1});
    EXPECT_EQ(t.value(0, 0).toString(), "Ann");
    EXPECT_TRUE(t.value(0, 2).isNull());
    t.setValue(0, 2, 7);
    t.setValue(0, 0, vb::Variant::Null());
    DbfTable again(path, DbfTable::Mode::ReadOnly);
    EXPECT_TRUE(again.value(0, 0).isNull());
    EXPECT_EQ(again.value(0, 1), vb::Variant(1));
    EXPECT_EQ(again.value(0, 2), vb::Variant(7));
}
