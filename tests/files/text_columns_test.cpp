// Column names and types of text tables, and how typed values render.

#include "DataFileHelpers.h"

#include "platform/files/TextTable.h"
#include "platform/vb/Err.h"

using files::TextColumnType;
using files::TextOptions;
using files::TextRecord;
using files::TextTable;
using filestest::TempFolder;

namespace {

TextOptions noHeader()
{
    TextOptions o;
    o.header = false;
    return o;
}

QStringList names(const TextTable& t)
{
    QStringList out;
    for (const auto& c : t.columns())
        out << c.name;
    return out;
}

} // namespace

TEST(TextColumns, WithoutHeaderColumnsAreF1F2)
{
    TempFolder dir;
    TextTable t(dir.write("n.txt", "201,5551234\n202,5551235,x\n"), noHeader());
    EXPECT_EQ(names(t), (QStringList{"F1", "F2", "F3"}));
    EXPECT_EQ(t.recordCount(), 2);
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    EXPECT_EQ(t.value(r, 0).toLong(), 201); // the first line is data
}

TEST(TextColumns, HeaderNamesEmptyAndRepeatedOnesNamedByPosition)
{
    TempFolder dir;
    TextTable t(dir.write("h.csv", "Phone, Name ,,phone,\"Mark\"\n1,2,3,4,5\n"));
    EXPECT_EQ(names(t), (QStringList{"Phone", "Name", "F3", "F4", "Mark"}));
    EXPECT_EQ(t.columnIndex("MARK"), 4);
    EXPECT_EQ(t.columnIndex("nothing"), -1);
    EXPECT_EQ(t.recordCount(), 1);
}

TEST(TextColumns, HeaderFixesTheColumnsWithoutItTheWidestRowDoes)
{
    TempFolder dir;
    TextTable withHeader(dir.write("w.csv", "A,B\n1,2,3\n"));
    EXPECT_EQ(names(withHeader), (QStringList{"A", "B"}));
    TextTable without(dir.write("n.csv", "1,2\n1,2,3\n4\n"), noHeader());
    EXPECT_EQ(names(without), (QStringList{"F1", "F2", "F3"}));
}

TEST(TextColumns, TypesGuessedFromFirstRows)
{
    TempFolder dir;
    TextTable t(dir.write("g.csv", "i,big,dec,txt,lead,empty,mixed\n"
                                   "1,2015551234,1.5,abc,0123,,12\n"
                                   "-7,9995551234,2,x1,0456,,abc\n"
                                   ",,,,,,\n"));
    const auto& c = t.columns();
    EXPECT_EQ(c[0].type, TextColumnType::Long);
    EXPECT_EQ(c[1].type, TextColumnType::Double); // past 32 bits
    EXPECT_EQ(c[2].type, TextColumnType::Double);
    EXPECT_EQ(c[3].type, TextColumnType::Text);
    EXPECT_EQ(c[4].type, TextColumnType::Text); // leading zeros stay
    EXPECT_EQ(c[5].type, TextColumnType::Text);
    EXPECT_EQ(c[6].type, TextColumnType::Text);
}

TEST(TextColumns, LeadingZerosAreNeverLost)
{
    TempFolder dir;
    TextTable t(dir.write("z.txt", "100\n0123\n0\n"), noHeader());
    EXPECT_EQ(t.columns()[0].type, TextColumnType::Text);
    TextRecord r;
    QStringList seen;
    while (t.next(r))
        seen << t.value(r, 0).toString();
    EXPECT_EQ(seen, (QStringList{"100", "0123", "0"}));
}

TEST(TextColumns, TenDigitNumbersRenderAsPlainDigits)
{
    TempFolder dir;
    TextTable t(dir.write("p.txt", "9995551234\n2015551234\n123456789012345\n"), noHeader());
    EXPECT_EQ(t.columns()[0].type, TextColumnType::Double);
    TextRecord r;
    QStringList seen;
    while (t.next(r)) {
        const vb::Variant v = t.value(r, 0);
        EXPECT_EQ(v.type(), vb::VarType::Double);
        seen << v.toString();
    }
    EXPECT_EQ(seen, (QStringList{"9995551234", "2015551234", "123456789012345"}));
}

TEST(TextColumns, NumbersTooLongForADoubleStayText)
{
    TempFolder dir;
    TextTable t(dir.write("a.txt", "12345678901234567890\n"), noHeader());
    EXPECT_EQ(t.columns()[0].type, TextColumnType::Text);
    TextRecord r;
    ASSERT_TRUE(t.next(r));
    EXPECT_EQ(t.value(r, 0).toString(), "12345678901234567890");
}

TEST(TextColumns, ValueUnlikeItsColumnAfterTheScannedRowsKeepsItsText)
{
    TempFolder dir;
    TextOptions o = noHeader();
    o.scanRows = 2;
    TextTable t(dir.write("late.txt", "1\n2\n0042\nn/a\n3000000000\n"), o);
    EXPECT_EQ(t.columns()[0].type, TextColumnType::Long);
    TextRecord r;
    QStringList seen;
    while (t.next(r))
        seen << t.value(r, 0).toString();
    EXPECT_EQ(seen, (QStringList{"1", "2", "0042", "n/a", "3000000000"}));
}

class TitleWithNul : public ::testing::TestWithParam<QByteArray> {};

TEST_P(TitleWithNul, IsRefusedWithTheFileAndTheLineNamed)
{
    TempFolder dir;
    const QString path = dir.write("title.txt", GetParam());
    try {
        TextTable t(path);
        FAIL() << "read a title holding a NUL byte";
    } catch (const vb::ErrObject& e) {
        EXPECT_TRUE(e.Description.contains(path)) << e.Description.toStdString();
        EXPECT_TRUE(e.Description.startsWith(QStringLiteral("Line 1 of"))) << e.Description.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Titles, TitleWithNul,
                         ::testing::Values(QByteArray("Area\0Code,Phone\n201,5551234\n", 28),
                                           QByteArray("\0,Phone\r\n201,5551234\r\n", 22),
                                           QByteArray("Area,\"Ph\0one\"\n201,5551234\n", 26)));
