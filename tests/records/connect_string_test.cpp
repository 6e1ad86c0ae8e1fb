// ModuleConnectString: the connection strings of text and Excel sources,
// the path split and the counts and field lists of a source table.

#include "ProvidersTestSupport.h"

#include "platform/ado/ConnectionString.h"
#include "platform/widgets/ScriptedServices.h"
#include "records/ModuleConnectString.h"
#include "tests/support/ScriptedUi.h"

using namespace provtest;

namespace {

TEST(ConnectStrings, TextStringsAreExact)
{
    EXPECT_EQ(MakeTextConnectionString("/lists/", "Yes", "Delimited"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/lists/;Extended "
              "Properties=\"text;HDR=Yes;FMT=Delimited\"");
    EXPECT_EQ(MakeTextConnectionString("/lists/", "No", ""),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/lists/;Extended Properties=\"text;HDR=No;\"");
    EXPECT_EQ(MakeTextLinkString("/lists/", "No", "Delimited"),
              "text;DATABASE=/lists/;Extended Properties=\"text;HDR=No;FMT=Delimited\"");
    EXPECT_EQ(MakeTextLinkString("/lists/", "Yes", ""),
              "text;DATABASE=/lists/;Extended Properties=\"text;HDR=Yes;\"");
    EXPECT_EQ(MakeExcelConnectionString("/lists/a.xls", "Yes", "Delimited"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/lists/a.xls;Extended Properties=\"Excel "
              "8.0;HDR=Yes\"");
}

TEST(ConnectStrings, AValueHoldingASemicolonIsQuotedAndReadsBackWhole)
{
    const QString cs = MakeTextConnectionString("/my;lists/", "Yes", "Delimited");
    EXPECT_EQ(cs, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source={/my;lists/};Extended "
                  "Properties=\"text;HDR=Yes;FMT=Delimited\"");
    const ado::ConnectionString parsed(cs);
    EXPECT_EQ(parsed.dataSource(), "/my;lists/");
    EXPECT_EQ(parsed.value("Extended Properties"), "text;HDR=Yes;FMT=Delimited");
    EXPECT_EQ(ConnectionStringValue("pa;ss"), "{pa;ss}");
    EXPECT_EQ(ConnectionStringValue("say \"hi\";"), "{say \"hi\";}");
    EXPECT_EQ(ado::ConnectionString("PWD=" + ConnectionStringValue("say \"hi\";") + ";UID=u").value("PWD"),
              "say \"hi\";");
    EXPECT_EQ(ConnectionStringValue("C:\\Lists\\"), "C:\\Lists\\");
}

TEST(ConnectStrings, AQuotedFolderStillOpens)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("a;b");
    const QString folder = dir.path() + "/a;b/";
    QFile f(folder + "x.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("phone\n2015551234\n");
    f.close();
    EXPECT_EQ(GetTableRecordCount(MakeTextConnectionString(folder, "Yes", "Delimited"), "x.txt"), 1);
}

TEST(ConnectStrings, SplitFilePathAtEitherSeparator)
{
    QString name;
    EXPECT_EQ(SplitFilePath("C:\\a\\b.txt", name), "C:\\a\\");
    EXPECT_EQ(name, "b.txt");
    EXPECT_EQ(SplitFilePath("b.txt", name), "");
    EXPECT_EQ(name, "b.txt");
    EXPECT_EQ(SplitFilePath("C:\\a\\", name), "C:\\a\\");
    EXPECT_EQ(name, "");
    EXPECT_EQ(SplitFilePath("/home/u/list.csv", name), "/home/u/");
    EXPECT_EQ(name, "list.csv");
    EXPECT_EQ(SplitFilePath("/home/u\\win/x.txt", name), "/home/u\\win/");
    EXPECT_EQ(SplitFilePath("", name), "");
    EXPECT_EQ(name, "");
    // one variable for both
    QString both = "/x/y.txt";
    EXPECT_EQ(SplitFilePath(both, both), "/x/");
    EXPECT_EQ(both, "y.txt");
}

TEST(ConnectStrings, TypeCodesAndExcelLabels)
{
    for (int t : {2, 3, 4, 5, 14, 19, 20, 131})
        EXPECT_EQ(FieldTypeCode(t), "999") << t;
    for (int t : {6, 11, 17, 7, 202, 200, 129, 130, 203})
        EXPECT_EQ(FieldTypeCode(t), "DNC") << t;
    EXPECT_EQ(ExcelFieldLabel("Name", 0), "Name - (A)");
    EXPECT_EQ(ExcelFieldLabel("Phone", 2), "Phone - (C)");
    EXPECT_EQ(ExcelFieldLabel("Z", 25), "Z - (Z)");
    EXPECT_EQ(ExcelFieldLabel("X", 26), "X - (AA)");
    EXPECT_EQ(ExcelFieldLabel("Y", 701), "Y - (ZZ)");
    EXPECT_EQ(ExcelFieldLabel("W", 702), "W - (AAA)");
}

TEST(ConnectStrings, CountsAndOpensATextTable)
{
    Folder folder;
    folder.write("one.txt", "2015551234\n9735550000\n");
    const QString cs = MakeTextConnectionString(folder.path(), "No", "Delimited");
    EXPECT_EQ(GetTableRecordCount(cs, "one.txt"), 2);
    EXPECT_EQ(GetTableRecordCount(cs, "none.txt"), -1);
    std::shared_ptr<ado::Recordset> rs;
    OpenTableRecordset(rs, cs, "one.txt");
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->State(), ado::adStateOpen);
    EXPECT_EQ(rs->Value(0).text(), "2015551234");
    rs->Close();
    OpenTableRecordset(rs, cs, "none.txt");
    EXPECT_EQ(rs->State(), ado::adStateClosed);
}

TEST(ConnectStrings, FieldNamesGrowPastAHundredAndOneFields)
{
    Folder folder;
    QByteArray line;
    for (int i = 0; i < 150; ++i)
        line += (i ? "," : "") + QByteArray::number(i);
    folder.write("wide.txt", line + "\n");
    std::vector<QString> names(101);
    EXPECT_EQ(
        GetTableFieldNames(MakeTextConnectionString(folder.path(), "No", "Delimited"), "wide.txt", names),
        150);
    ASSERT_EQ(names.size(), 150u);
    EXPECT_EQ(names[0], "F1");
    EXPECT_EQ(names[149], "F150");
}

TEST(ConnectStrings, FieldNamesOfAMissingTableReportTheError)
{
    ui_test::ScopedScriptedUi ui;
    ui.scripted.expectMsgBox(1, "GetExcelFields");
    Folder folder;
    std::vector<QString> names(101);
    EXPECT_EQ(
        GetTableFieldNames(MakeTextConnectionString(folder.path(), "No", "Delimited"), "none.txt", names),
        -1);
}

} // namespace
