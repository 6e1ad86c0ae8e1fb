// The excel provider: a workbook's sheets as tables "<sheet>$".

#include "ProvidersTestSupport.h"

#include "platform/ado/Ado.h"
#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "records/ModuleConnectString.h"
#include "tests/support/ScriptedUi.h"

#include <QFile>
#include <functional>

using namespace provtest;

namespace {

class ExcelProvider : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = folder.file("calls.xlsx");
        files::XlsxWriter::write(path, {
                                           {"Sheet1",
                                            {{"Name", "Phone", "Mark"},
                                             {"Ann", 2015551234.0, vb::Variant()},
                                             {"Bob", 9735550000.0, "x"},
                                             {"Cy", 2125550000.0, vb::Variant()}}},
                                           {"Sheet10", {{"A"}, {1.0}}},
                                           {"My Sheet", {{"Code"}, {201.0}, {973.0}}},
                                       });
    }
    QString cs(const QString& hdr = "Yes") const { return MakeExcelConnectionString(path, hdr, "Delimited"); }

    Folder folder;
    QString path;
};

TEST_F(ExcelProvider, ListsSheetsAsDollarTablesQuotingNamesWithBlanks)
{
    QStringList names;
    for (const auto& t : ListSourceTables(cs()))
        names << t.name + ":" + t.type;
    EXPECT_EQ(names, (QStringList{"'My Sheet$':TABLE", "Sheet1$:TABLE", "Sheet10$:TABLE"}));
}

TEST_F(ExcelProvider, HeaderRowNamesTheFieldsWithTypeCodes)
{
    auto c = Open(cs());
    EXPECT_EQ(Fields(c, "select * from [Sheet1$]"), (QStringList{"Name:202", "Phone:5", "Mark:202"}));
    EXPECT_EQ(Scalar(c, "select count(*) from [Sheet1$]").toLong(), 3);
    EXPECT_EQ(Rows(c, "select * from [Sheet1$]"),
              (QStringList{"Ann|2015551234|<null>", "Bob|9735550000|x", "Cy|2125550000|<null>"}));
}

TEST_F(ExcelProvider, WithoutHeaderFieldsAreF1F2AndTheFirstRowIsData)
{
    auto c = Open(cs("No"));
    EXPECT_EQ(Fields(c, "select * from [Sheet1$]"), (QStringList{"F1:202", "F2:5", "F3:202"}));
    EXPECT_EQ(Scalar(c, "select count(*) from [Sheet1$]").toLong(), 4);
}

TEST_F(ExcelProvider, QuotedAndBareSheetNamesBothWork)
{
    auto c = Open(cs());
    EXPECT_EQ(Scalar(c, "select count(*) from ['My Sheet$']").toLong(), 2);
    EXPECT_EQ(Scalar(c, "select count(*) from [My Sheet$]").toLong(), 2);
    EXPECT_EQ(Scalar(c, "select count(*) from Sheet1$").toLong(), 3);
    EXPECT_EQ(Rows(c, "select Code from ['My Sheet$'] where Code = 973"), QStringList{"973"});
}

TEST_F(ExcelProvider, AdoTableOfASheetMatchesItsNameExactly)
{
    EXPECT_EQ(GetExcelAdoTable(cs(), "Sheet1"), "Sheet1$");
    EXPECT_EQ(GetExcelAdoTable(cs(), "Sheet10"), "Sheet10$");
    EXPECT_EQ(GetExcelAdoTable(cs(), "My Sheet"), "'My Sheet$'");
    EXPECT_EQ(GetExcelAdoTable(cs(), "Sheet"), "");
}

TEST_F(ExcelProvider, FieldLabelsCarryTheColumnLetters)
{
    const auto fields = ListSourceFields(cs(), "select  * from [Sheet1$]");
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(ExcelFieldLabel(fields[1].name, 1), "Phone - (B)");
    EXPECT_EQ(FieldTypeCode(fields[1].type), "999");
    EXPECT_EQ(FieldTypeCode(fields[0].type), "DNC");
}

TEST_F(ExcelProvider, UpdatesAreSavedToTheWorkbookWhenTheConnectionCloses)
{
    {
        auto c = Open(cs());
        auto rs = ado::Recordset::Create();
        rs->Open("select * from [Sheet1$]", c, ado::adOpenKeyset, ado::adLockOptimistic);
        rs->MoveNext();
        rs->Fields().Item("Mark").SetValue("DNC");
        rs->Update();
        rs->Close();
        c->Execute("update [Sheet1$] set Mark = 'X' where Name = 'Cy'");
        c->Execute("insert into [Sheet1$] (Name, Phone) values ('Dee', 3125550000)");
        c->Close();
    }
    files::Workbook wb;
    wb.open(path);
    files::Worksheet& ws = *wb.sheet("Sheet1");
    EXPECT_EQ(ws.value(3, 3).text(), "DNC");
    EXPECT_EQ(ws.value(4, 3).text(), "X");
    EXPECT_EQ(ws.value(5, 1).text(), "Dee");
    EXPECT_EQ(ws.value(5, 2).text(), "3125550000");
    EXPECT_TRUE(ws.value(2, 3).isEmpty());
    // the other sheets are untouched
    EXPECT_EQ(wb.sheet("My Sheet")->value(3, 1).text(), "973");
}

TEST_F(ExcelProvider, RowsCannotBeDeleted)
{
    auto c = Open(cs());
    const auto e = ErrorOf([&] { c->Execute("delete from [Sheet1$] where Name = 'Ann'"); });
    EXPECT_NE(e.Description.indexOf("Deleting data in a linked table is not supported"), -1);
    EXPECT_EQ(Scalar(c, "select count(*) from [Sheet1$]").toLong(), 3);
}

TEST_F(ExcelProvider, MissingWorkbookFails)
{
    const auto e = ErrorOf([&] { Open(MakeExcelConnectionString(folder.file("none.xlsx"), "Yes")); });
    EXPECT_NE(e.Description.indexOf("Could not find file"), -1);
}

TEST_F(ExcelProvider, CountOfAnUnknownSheetIsMinusOne)
{
    EXPECT_EQ(GetTableRecordCount(cs(), "Sheet1$"), 3);
    EXPECT_EQ(GetTableRecordCount(cs(), "Nope$"), -1);
}

} // namespace

namespace {

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// What reaches the file after a write that is rolled back or fails.
struct DiscardCase {
    const char* name;
    std::function<void(ado::Connection&)> work;
    const char* markOfCy; // column C of row 4 after the connection closed; nullptr: file unchanged
};

void PrintTo(const DiscardCase& c, std::ostream* os)
{
    *os << c.name;
}

class ExcelProviderDiscards : public ExcelProvider, public ::testing::WithParamInterface<DiscardCase> {};

TEST_P(ExcelProviderDiscards, OnlyWorkThatSucceededAndWasNotRolledBackIsSaved)
{
    const QByteArray before = FileBytes(path);
    {
        auto c = Open(cs());
        try {
            GetParam().work(*c);
        } catch (const vb::ErrObject&) {
            vb::CatchError(); // the failed write's error reaches its caller
        }
        c->Close();
    }
    if (!GetParam().markOfCy) {
        EXPECT_EQ(FileBytes(path), before);
        return;
    }
    files::Workbook wb;
    wb.open(path);
    EXPECT_EQ(wb.sheet("Sheet1")->value(4, 3).text(), QString::fromLatin1(GetParam().markOfCy));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExcelProviderDiscards,
    ::testing::Values(DiscardCase{"ARolledBackUpdate",
                                  [](ado::Connection& c) {
                                      c.BeginTrans();
                                      c.Execute("update [Sheet1$] set Mark = 'X' where Name = 'Cy'");
                                      c.RollbackTrans();
                                  },
                                  nullptr},
                      DiscardCase{"AStatementThatFailsHalfWay",
                                  [](ado::Connection& c) {
                                      c.Execute("update [Sheet1$] set Mark = iif(Name = 'Cy', 9e999, 'Z')");
                                  },
                                  nullptr},
                      DiscardCase{"ACommittedUpdateThenARolledBackOne",
                                  [](ado::Connection& c) {
                                      c.BeginTrans();
                                      c.Execute("update [Sheet1$] set Mark = 'X' where Name = 'Cy'");
                                      c.CommitTrans();
                                      c.BeginTrans();
                                      c.Execute("update [Sheet1$] set Mark = 'Y' where Name = 'Cy'");
                                      c.RollbackTrans();
                                  },
                                  "X"},
                      DiscardCase{"AnUpdateAfterARollback",
                                  [](ado::Connection& c) {
                                      c.BeginTrans();
                                      c.Execute("update [Sheet1$] set Mark = 'Y' where Name = 'Cy'");
                                      c.RollbackTrans();
                                      c.Execute("update [Sheet1$] set Mark = 'Z' where Name = 'Cy'");
                                  },
                                  "Z"},
                      DiscardCase{"AnUpdateAfterARollbackOfATableMadeBeforeIt",
                                  [](ado::Connection& c) {
                                      c.Execute("update [Sheet1$] set Mark = 'X' where Name = 'Cy'");
                                      c.BeginTrans();
                                      c.RollbackTrans();
                                      c.Execute("update [Sheet1$] set Mark = 'Z' where Name = 'Cy'");
                                  },
                                  "Z"}),
    [](const ::testing::TestParamInfo<DiscardCase>& info) { return std::string(info.param.name); });

} // namespace
