// Writes the seed corpora of the fuzz targets into <folder>/<target>/:
// workbooks, tables, settings files, calling lists and statements made with
// the project's own writers, in the shapes the program meets.

#include "WorkbookBiff.h"
#include "WorkbookSupport.h"
#include "platform/files/DbfTable.h"
#include "platform/files/XlsxWriter.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

QString g_root;

void seed(const QString& target, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(g_root + u'/' + target);
    QFile f(g_root + u'/' + target + u'/' + name);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Elements nested 300,000 deep in a sheet's tail, its cell data, the shared
// strings and a drawing: a few kilobytes in the zip, a stack overflow for a
// reader that recurses per level.
void deepWorkbooks(const QString& path)
{
    const QByteArray main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray drawingRels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Target=\"../drawings/drawing1.xml\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing\"/>"
        "</Relationships>";
    const auto deep = [](const char* open, const char* close) {
        return QByteArray(open).repeated(300000) + QByteArray(close).repeated(300000);
    };
    const QByteArray rows = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
                            "<row r=\"2\"><c r=\"A1\"><v>2015551234</v></c></row>";
    const QByteArray plainDrawing =
        "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"/>";
    struct Deep {
        const char* name;
        QByteArray sheet, shared, drawing;
    };
    const Deep books[] = {
        {"deep-sheet-tail.xlsx",
         "<worksheet " + main + "><sheetData>" + rows + "</sheetData><extLst>" + deep("<ext>", "</ext>") +
             "</extLst></worksheet>",
         {},
         {}},
        {"deep-sheet-data.xlsx",
         "<worksheet " + main + "><sheetData>" + rows + "<row r=\"3\"><c r=\"A1\">" + deep("<x>", "</x>") +
             "</c></row></sheetData></worksheet>",
         {},
         {}},
        {"deep-shared-strings.xlsx", {}, "<sst " + main + "><si>" + deep("<r>", "</r>") + "</si></sst>", {}},
        {"deep-drawing.xlsx",
         {},
         {},
         plainDrawing.chopped(2) + ">" + deep("<xdr:grpSp>", "</xdr:grpSp>") + "</xdr:wsDr>"},
    };
    for (const Deep& d : books) {
        wbtest::Package p;
        p.sheets = {{QStringLiteral("Calls"), d.sheet.isEmpty() ? "<worksheet " + main + "><sheetData>" +
                                                                      rows + "</sheetData></worksheet>"
                                                                : d.sheet}};
        p.sharedStrings = d.shared.isEmpty() ? wbtest::sstXml({QStringLiteral("<t>Phone</t>")}) : d.shared;
        p.extraParts = {
            {QStringLiteral("xl/worksheets/_rels/sheet1.xml.rels"), drawingRels},
            {QStringLiteral("xl/drawings/drawing1.xml"), d.drawing.isEmpty() ? plainDrawing : d.drawing}};
        wbtest::writePackage(path, p);
        seed(QStringLiteral("xlsx"), QLatin1String(d.name), readFile(path));
    }
    QFile::remove(path);
}

void workbooks()
{
    const QString path = g_root + QStringLiteral("/scratch.xlsx");
    using vb::Variant;
    files::XlsxWriter::write(
        path, {{QStringLiteral("Calls"),
                {{Variant("Phone"), Variant("Name"), Variant("Since"), Variant("Ok")},
                 {Variant(2015551234.0), Variant("Ann \"A\""), Variant::fromDate(45000.5), Variant(true)},
                 {Variant("(201) 555-9876"), Variant(), Variant(1.5), Variant(false)}}},
               {QStringLiteral("Other"), {{Variant("x")}}}});
    seed(QStringLiteral("xlsx"), QStringLiteral("calls.xlsx"), readFile(path));
    files::XlsxWriter::Options inlineText;
    inlineText.sharedStrings = false;
    files::XlsxWriter::write(path, {{QStringLiteral("S"), {{Variant("a"), Variant(1.0)}, {Variant("b")}}}},
                             inlineText);
    seed(QStringLiteral("xlsx"), QStringLiteral("inline.xlsx"), readFile(path));
    // The longest text a cell may hold, and one character more (refused), in
    // the shared strings and inline: the length checks on every text path.
    for (const int length : {32767, 32768}) {
        const QList<Variant> row{Variant(QString(length, u'a')), Variant(QStringLiteral("x_x0041_"))};
        files::XlsxWriter::write(path, {{QStringLiteral("Long"), {row}}});
        seed(QStringLiteral("xlsx"), QStringLiteral("cell-%1.xlsx").arg(length), readFile(path));
        files::XlsxWriter::write(path, {{QStringLiteral("Long"), {row}}}, inlineText);
        seed(QStringLiteral("xlsx"), QStringLiteral("inline-cell-%1.xlsx").arg(length), readFile(path));
    }
    QFile::remove(path);
    deepWorkbooks(path);

    using wbtest::Biff;
    QByteArray calls = Biff::labelSst(0, 0, 0) + Biff::labelSst(0, 1, 1) +
                       Biff::number(1, 0, 15, 2015551234) + Biff::number(1, 1, 16, 45000) +
                       Biff::boolErr(2, 0, true);
    const QByteArray book = wbtest::biffWorkbook({QStringLiteral("Phone"), QStringLiteral("Since")},
                                                 {{QStringLiteral("Calls"), 3, 3, calls}});
    seed(QStringLiteral("xls"), QStringLiteral("calls.xls"),
         wbtest::compoundFile(QStringLiteral("Workbook"), book));

    seed(QStringLiteral("xls"), QStringLiteral("records.xls"), wbtest::everyRecordWorkbook());
    seed(QStringLiteral("xls"), QStringLiteral("excel95.xls"), wbtest::biff5Workbook("Liste", "Caf\xE9"));
    seed(QStringLiteral("xls"), QStringLiteral("small.xls"),
         wbtest::compoundFile(QStringLiteral("Workbook"), book, true));
}

void tables()
{
    const QString path = g_root + QStringLiteral("/scratch.dbf");
    const QVector<files::DbfField> all = {{"NAME", 'C', 10}, {"PHONE", 'N', 10, 0}, {"AMOUNT", 'N', 8, 2},
                                          {"BORN", 'D'},     {"OK", 'L'},           {"COUNT", 'I'},
                                          {"RATIO", 'B'},    {"SEEN", 'T'},         {"PRICE", 'Y'}};
    for (const unsigned char version : {0x30, 0x03, 0xF5}) {
        QVector<files::DbfField> fields;
        for (const auto& f : all)
            if (version == 0x30 || QByteArrayLiteral("CNDL").contains(f.type)) fields << f;
        files::DbfTable::create(path, fields, version);
        {
            files::DbfTable t(path);
            t.appendRecord({vb::Variant("Ann"), vb::Variant(2015551234LL), vb::Variant(1.5)});
            t.appendRecord({vb::Variant("Bob"), vb::Variant(9735559876LL)});
            t.setDeleted(1, true);
        }
        // No memo file: two bytes of zero length before the table.
        seed(QStringLiteral("dbf"), QStringLiteral("v%1.dbf").arg(version, 2, 16, QLatin1Char('0')),
             QByteArray(2, '\0') + readFile(path));
    }
    QFile::remove(path);
}

void texts()
{
    seed(QStringLiteral("text_table"), QStringLiteral("header.csv"),
         "\x04Phone,Name,Amount\r\n2015551234,\"Ann, A\",1.5\r\n\"201-555-9876\",\"Bo \"\"B\"\"\",2\r\n");
    seed(QStringLiteral("text_table"), QStringLiteral("tabs.txt"),
         "\x01"
         "2015551234\tAnn\n9735551234\tBob\n");
    seed(QStringLiteral("text_table"), QStringLiteral("semicolons.txt"),
         "\x06"
         "a;b;c\r201;555;1234\r");
    seed(QStringLiteral("text_table"), QStringLiteral("one_field.txt"),
         QByteArray("\x00", 1) + "2015551234\r\n");
}

void settings()
{
    seed(QStringLiteral("profile"), QStringLiteral("Tervala.ini"),
         "; settings\r\n[ODBC]\r\nODBCProvider=Microsoft.Jet.OLEDB.4.0\r\nODBCDSN = \"Tervala\" \r\n"
         "ODBCServer=\r\n\r\n[Other]\r\nkey=value=more\r\n  [ spaced ]  \r\nnovalue\r\n");
    seed(QStringLiteral("profile"), QStringLiteral("latin1.ini"), "[odbc]\nodbcuserid=Jos\xE9\n");
}

void statements()
{
    const char* sql[] = {
        "select count(*) from [My Calls]",
        "Select distinct left([F1],3), count(*) from [list.txt] where [F1] is not null  group by "
        "left([F1],3)",
        "Insert into MyTempTable (phone) select mid([Area Code],4) from MyLinkedTable where left([Area "
        "Code],3) =201",
        "SELECT TOP 5 DISTINCTROW * FROM phone201 WHERE phone Like '55*' AND d > #1/2/2024 10:00 AM#",
        "DELETE * FROM [a]]b] WHERE x = 'it''s' & \"q\" -- c",
        "select iif(nz([x],0)=1,'a','b') from t IN 'C:\\db.mdb' where ucase(trim([n])) = \"X\"",
        "create table [phone201] (phone long not null primary key, note text(20), id counter)",
        "Update DefProperty Set PropertyValue ='1' Where PropertyKeys='lasttotal'; select @@IDENTITY",
    };
    int i = 0;
    for (const char* s : sql)
        seed(QStringLiteral("jet_sql"), QStringLiteral("s%1.sql").arg(++i), s);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_root);
    workbooks();
    tables();
    texts();
    settings();
    statements();
    return 0;
}
