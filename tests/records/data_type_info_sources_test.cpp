// What the profile reads of its source through the cached connection
// string: row counts, field names with their type codes, table and sheet
// lists; for a text folder, an xlsx workbook, an Access database and a
// folder of DBF tables.

#include "records/CDataTypeInfo.h"

#include "platform/excel/Excel.h"
#include "platform/files/DbfTable.h"
#include "platform/files/XlsxWriter.h"
#include "support/ScriptedUi.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <sqlite3.h>

namespace {

class DataTypeInfoSources : public ScriptedUiTest {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString folder() const { return dir.path() + "/"; }

    void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // A database file of the jet provider (SQLite underneath).
    void makeDatabase(const QString& name, const QString& sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path(name).toUtf8().constData(), &db), SQLITE_OK);
        char* err = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err), SQLITE_OK)
            << (err ? err : "");
        sqlite3_free(err);
        sqlite3_close(db);
    }
    static QStringList values(const CDataStrings& list)
    {
        QStringList out;
        for (const auto& item : list)
            out << item->ItemValue();
        return out;
    }
    void expectFieldsError()
    {
        scripted.expectMsgBox(ui::vbOK, "Module:\r\nFunction:GetExcelFields", ui::vbCritical | ui::vbOKOnly);
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(DataTypeInfoSources, TextFolder)
{
    writeFile("calls.csv",
              "Name,Phone,Amount\r\nAnn,2015551234,1.5\r\nBob,2015559876,2\r\nCy,2015550000,3\r\n");
    writeFile("other.txt", "x\r\n");
    CDataTypeInfo p;
    p.SetDataType("CSV");
    p.SetDataDBName(folder());
    p.SetDataTableName("calls.csv");
    p.SetIsTitleFirstLine(true);
    p.SetDelimited(1);
    p.GetTextConnString();
    EXPECT_EQ(p.GetRecordCount(), 3);
    EXPECT_EQ(p.GetRecordCount("other.txt"), 0) << "the only line is the header";
    EXPECT_EQ(p.GetFields(), 3);
    EXPECT_EQ(values(*p.TableFieldData()), QStringList({"Name", "Phone", "Amount"}));
    EXPECT_EQ(values(*p.TableFieldType()), QStringList({"DNC", "999", "999"}));
    EXPECT_EQ(p.GetRecordCount("missing.csv"), -1);
}

TEST_F(DataTypeInfoSources, ExcelWorkbook)
{
    const QString book = path("book.xlsx");
    files::XlsxWriter::write(
        book,
        {{"Sheet10", {{"A"}, {"x"}}},
         {"Sheet1", {{"Name", "Phone", "Paid"}, {"Ann", 2015551234.0, true}, {"Bob", 2015559876.0, false}}}});
    CDataTypeInfo p;
    p.SetDataType("EXCEL");
    p.SetDataDBName(book);
    p.SetIsTitleFirstLine(true);
    p.GetExcelConnString();

    const auto wb = excel::Application::Instance().Workbooks().Open(book);
    ASSERT_TRUE(p.GetExcelSheet(wb.get()));
    EXPECT_EQ(values(*p.TableNameData()), QStringList({"Sheet10", "Sheet1"}));
    EXPECT_TRUE(p.TableNameData()->Item("sheet1")) << "keyed by name";

    // The sheet's own table, not the first one whose name contains it.
    const QString table = p.GetExcelAdoTable("Sheet1");
    EXPECT_EQ(table, "Sheet1$");
    EXPECT_EQ(p.GetExcelAdoTable("Sheet"), "");
    p.SetDataTableName(table);
    EXPECT_EQ(p.GetRecordCount(), 2);
    EXPECT_EQ(p.GetFields(), 3);
    EXPECT_EQ(values(*p.TableFieldData()), QStringList({"Name - (A)", "Phone - (B)", "Paid - (C)"}));
    EXPECT_EQ(values(*p.TableFieldType()), QStringList({"DNC", "999", "DNC"}));
}

TEST_F(DataTypeInfoSources, ExcelColumnsBeyondZKeepTheirOrderAndLetters)
{
    const QString book = path("wide.xlsx");
    QList<vb::Variant> header, row;
    for (int i = 1; i <= 28; ++i) {
        header << vb::Variant(QString("C%1").arg(i));
        row << vb::Variant(i);
    }
    files::XlsxWriter::write(book, {{"Wide", {header, row}}});
    CDataTypeInfo p;
    p.SetDataType("EXCEL");
    p.SetDataDBName(book);
    p.SetIsTitleFirstLine(true);
    p.GetExcelConnString();
    ASSERT_EQ(p.GetFields("Wide$"), 28);
    EXPECT_EQ(p.TableFieldData()->Item(26)->ItemValue(), "C26 - (Z)");
    EXPECT_EQ(p.TableFieldData()->Item(27)->ItemValue(), "C27 - (AA)");
    EXPECT_EQ(p.TableFieldData()->Item(28)->ItemValue(), "C28 - (AB)");
    EXPECT_EQ(p.TableFieldType()->Count(), 28);
}

TEST_F(DataTypeInfoSources, AccessDatabase)
{
    makeDatabase("calls.mdb", "create table Calls (Name TEXT, Phone DOUBLE, Amount CURRENCY, Code INTEGER);"
                              "create table [My Calls] (Phone INTEGER);"
                              "create view Recent as select * from Calls;"
                              "insert into Calls values ('Ann', 2015551234, 1.5, 7);"
                              "insert into Calls values ('Bob', 2015559876, 2, 8);"
                              "insert into [My Calls] values (1);");
    CDataTypeInfo p;
    p.SetDataType("ACCESS");
    p.SetDataDBName(path("calls.mdb"));
    p.SetDataTableName("My Calls");
    p.GetAccessConnString();
    ASSERT_TRUE(p.GetTables());
    EXPECT_EQ(values(*p.TableNameData()), QStringList({"Calls", "My Calls"})) << "views are not listed";
    EXPECT_EQ(p.GetRecordCount(), 1);
    EXPECT_EQ(p.GetRecordCount("Calls"), 2);
    EXPECT_EQ(p.GetFields("Calls"), 4);
    EXPECT_EQ(values(*p.TableFieldData()), QStringList({"Name", "Phone", "Amount", "Code"}));
    EXPECT_EQ(values(*p.TableFieldType()), QStringList({"DNC", "999", "DNC", "999"}));

    // ODBC and MySQL sources quote the table the way their server does
    // (here the connection is a Jet one): a name with a blank counts too.
    p.SetDataType("ODBC");
    EXPECT_EQ(p.GetRecordCount("Calls"), 2);
    EXPECT_EQ(p.GetRecordCount(), 1);
}

TEST_F(DataTypeInfoSources, DatabaseWithoutTablesListsNothing)
{
    makeDatabase("empty.mdb", "pragma user_version = 1;");
    CDataTypeInfo p;
    p.SetDataType("ACCESS");
    p.SetDataDBName(path("empty.mdb"));
    p.GetAccessConnString();
    p.TableNameData()->Add("stale", "stale");
    EXPECT_FALSE(p.GetTables());
    EXPECT_EQ(p.TableNameData()->Count(), 0);
}

TEST_F(DataTypeInfoSources, DbfFolder)
{
    files::DbfTable::create(path("calls.dbf"), {{"NAME", 'C', 20}, {"PHONE", 'N', 10, 0}, {"PAID", 'Y'}});
    {
        files::DbfTable t(path("calls.dbf"));
        t.appendRecord({vb::Variant("Ann"), vb::Variant(5551234), vb::Variant::fromCurrency(15000)});
        t.appendRecord({vb::Variant("Bob"), vb::Variant(5559876), vb::Variant::fromCurrency(20000)});
    }
    CDataTypeInfo p;
    p.SetDataType("FOXPRO");
    p.SetDataDBName(folder());
    p.SetDataTableName("calls.dbf");
    p.GetFoxProConnString();
    EXPECT_EQ(p.GetRecordCount(), 2);
    EXPECT_EQ(p.GetFields(), 3);
    EXPECT_EQ(values(*p.TableFieldData()).join(",").toUpper(), "NAME,PHONE,PAID");
    EXPECT_EQ(values(*p.TableFieldType()), QStringList({"DNC", "999", "DNC"}));
}

TEST_F(DataTypeInfoSources, FailedFieldListIsReportedOnceAndLeavesTheListsEmpty)
{
    CDataTypeInfo p;
    p.SetDataType("CSV");
    p.SetDataTableName("calls.csv");
    p.TableFieldData()->Add("old");
    p.TableFieldType()->Add("DNC");
    expectFieldsError();
    EXPECT_EQ(p.GetFields(), -1) << "nothing was built: the cached string is empty";
    EXPECT_EQ(p.TableFieldData()->Count(), 0);
    EXPECT_EQ(p.TableFieldType()->Count(), 0);
    EXPECT_EQ(p.GetRecordCount(), -1) << "no message";
}
