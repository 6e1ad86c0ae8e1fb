// The foxpro provider: a folder of .dbf tables, updated in place.

#include "ProvidersTestSupport.h"

#include "platform/ado/FoxProProvider.h"
#include "platform/ado/VirtualTables.h"
#include "platform/files/DbfTable.h"
#include "records/ModuleConnectString.h"

using namespace provtest;

namespace {

QString FoxCs(const QString& folder)
{
    return "Driver={Microsoft Visual FoxPro Driver};SourceType=DBF;SourceDB=" + folder + ";Exclusive=No";
}

class FoxProProvider : public ::testing::TestWithParam<unsigned char> {
protected:
    void SetUp() override
    {
        const QString path = folder.file("list.dbf");
        files::DbfTable::create(
            path, {{"NAME", 'C', 10}, {"PHONE", 'C', 12}, {"MARK", 'C', 10}, {"NUM", 'N', 9, 0}}, GetParam());
        files::DbfTable t(path);
        t.appendRecord({"Ann", "2015551234", vb::Variant(), 1});
        t.appendRecord({"Bob", "9735550000", "A", 2});
        t.appendRecord({"Cy", "2125550000", vb::Variant(), 3});
    }
    std::shared_ptr<ado::Connection> open() { return Open(FoxCs(folder.path())); }
    files::DbfTable table()
    {
        return files::DbfTable(folder.file("list.dbf"), files::DbfTable::Mode::ReadOnly);
    }

    Folder folder;
};

TEST_P(FoxProProvider, ReadsTheTableByEveryNameForm)
{
    auto c = open();
    EXPECT_EQ(Scalar(c, "select count(*) from [list.dbf]").toLong(), 3);
    EXPECT_EQ(Scalar(c, "select count(*) from list.dbf").toLong(), 3);
    EXPECT_EQ(Scalar(c, "select count(*) from list").toLong(), 3);
    EXPECT_EQ(Rows(c, "select * from list.dbf"),
              (QStringList{"Ann|2015551234||1", "Bob|9735550000|A|2", "Cy|2125550000||3"}));
}

TEST_P(FoxProProvider, FieldTypesGiveTheTypeCodes)
{
    const auto fields = ListSourceFields(FoxCs(folder.path()), "select  * from [list.dbf]");
    QStringList codes;
    for (const auto& f : fields)
        codes << f.name + ":" + FieldTypeCode(f.type);
    EXPECT_EQ(codes, (QStringList{"NAME:DNC", "PHONE:DNC", "MARK:DNC", "NUM:999"}));
}

TEST_P(FoxProProvider, RecordsetUpdateWritesTheFieldInPlace)
{
    auto c = open();
    auto rs = ado::Recordset::Create();
    rs->SetCursorLocation(ado::adUseServer);
    rs->Open("select * from list.dbf", c, ado::adOpenDynamic, ado::adLockOptimistic);
    rs->MoveNext();
    rs->Update("MARK", "XA");
    rs->Close();
    c->Close();
    files::DbfTable t = table();
    EXPECT_EQ(t.value(1, 2).text(), "XA");
    EXPECT_EQ(t.value(0, 2).text(), "");
    EXPECT_EQ(t.recordCount(), 3);
}

TEST_P(FoxProProvider, AValueWiderThanItsFieldFailsAndWritesNothing)
{
    auto c = open();
    const auto e =
        ErrorOf([&] { c->Execute("update list.dbf set MARK = '99900000000000' where NAME = 'Ann'"); });
    EXPECT_NE(e.Number, 0);
    const auto e2 = ErrorOf([&] { c->Execute("update list.dbf set NUM = 9990000000 where NAME = 'Ann'"); });
    EXPECT_NE(e2.Number, 0);
    files::DbfTable t = table();
    EXPECT_EQ(t.value(0, 2).text(), "");
    EXPECT_EQ(t.value(0, 3).text(), "1");
}

TEST_P(FoxProProvider, DeleteSetsTheFlagAndDeletedRecordsAreNotReturned)
{
    auto c = open();
    c->Execute("update list.dbf set NUM = 999000000 where NAME = 'Bob'");
    long n = 0;
    c->Execute("delete from list.dbf where NUM=999000000", &n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(Rows(c, "select NAME from list.dbf"), (QStringList{"Ann", "Cy"}));
    EXPECT_EQ(Scalar(c, "select count(*) from [list.dbf]").toLong(), 2);
    c->Execute("update list.dbf set MARK = '999000000' where NAME = 'Cy'");
    c->Execute("delete from list.dbf where MARK='999000000'");
    EXPECT_EQ(Rows(c, "select NAME from list"), QStringList{"Ann"});
    files::DbfTable t = table();
    EXPECT_EQ(t.recordCount(), 3);
    EXPECT_TRUE(t.isDeleted(1));
    EXPECT_TRUE(t.isDeleted(2));
    EXPECT_FALSE(t.isDeleted(0));
}

TEST_P(FoxProProvider, TablesAreTheFolderDbfFiles)
{
    folder.write("other.txt", "x");
    files::DbfTable::create(folder.file("act.dbf"), {{"PHONE", 'C', 12}}, GetParam());
    QStringList names;
    for (const auto& t : ListSourceTables(FoxCs(folder.path())))
        names << t.name;
    EXPECT_EQ(names, (QStringList{"act", "list"}));
}

TEST_P(FoxProProvider, AMissingFolderFails)
{
    EXPECT_NE(ErrorOf([&] { Open(FoxCs(folder.path() + "none/")); }).Number, 0);
}

TEST_P(FoxProProvider, TablesWhoseNamesDifferInCaseAreEachTheirOwnFile)
{
    files::DbfTable::create(folder.file("LIST.DBF"), {{"PHONE", 'C', 12}}, GetParam());
    files::DbfTable(folder.file("LIST.DBF")).appendRecord({"2015551234"});
    auto c = open();
    EXPECT_EQ(Scalar(c, "select count(*) from [list.dbf]").toLong(), 3);
    EXPECT_EQ(Scalar(c, "select count(*) from [LIST.DBF]").toLong(), 1);
    EXPECT_EQ(Scalar(c, "select count(*) from list").toLong(), 3);
    EXPECT_EQ(Scalar(c, "select count(*) from LIST.DBF").toLong(), 1);
    EXPECT_NE(ErrorOf([&] { Scalar(c, "select count(*) from [List.dbf]"); }).Number, 0)
        << "two files match without case, neither exactly";
    EXPECT_EQ(ado::DbfFileOf(folder.path(), "LIST.DBF"), "LIST.DBF");
    EXPECT_EQ(ado::DbfFileOf(folder.path(), "list"), "list.dbf");
}

INSTANTIATE_TEST_SUITE_P(DbfVersions, FoxProProvider, ::testing::Values(0x03, 0x30),
                         [](const auto& info) { return info.param == 0x03 ? "dBaseIII" : "VisualFoxPro"; });

// The file a table name means, over a folder's listing in either order.
TEST(TableFileOfAName, AnExactNameWinsAndACaseBlindOneOnlyWhenItIsTheOnlyOne)
{
    const struct {
        QStringList entries;
        QString name;
        QString file;
    } cases[] = {
        {{"calls.dbf", "CALLS.DBF"}, "calls.dbf", "calls.dbf"},
        {{"calls.dbf", "CALLS.DBF"}, "CALLS.DBF", "CALLS.DBF"},
        {{"calls.dbf", "CALLS.DBF"}, "Calls.dbf", ""},
        {{"other.dbf", "CALLS.DBF"}, "calls.dbf", "CALLS.DBF"},
        {{"other.dbf"}, "calls.dbf", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ado::vtab::MatchFileName(c.entries, {c.name}), c.file)
            << c.name.toStdString() << " in " << c.entries.join(' ').toStdString();
        QStringList reversed = c.entries;
        std::reverse(reversed.begin(), reversed.end());
        EXPECT_EQ(ado::vtab::MatchFileName(reversed, {c.name}), c.file);
    }
}

} // namespace
