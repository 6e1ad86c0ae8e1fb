// A text file linked into a jet database, read the way the DNC import reads
// it: one area code after the other into the work table.

#include "ProvidersTestSupport.h"

#include "platform/ado/TextProvider.h"
#include "platform/adox/Catalog.h"
#include "records/ModuleConnectString.h"

#include <QRandomGenerator>
#include <algorithm>

using namespace provtest;

namespace {

class TextLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        dbPath = folder.file("dnc.mdb");
        adox::Catalog cat;
        conn = cat.Create(cs());
        conn->Execute("create table MyTempTable (phone long)");
    }
    void TearDown() override { ado::SetTextIndexThreshold(256 * 1024); }

    QString cs() const { return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dbPath; }

    void link(const QString& file, const QString& hdr = "No")
    {
        adox::Catalog cat;
        cat.SetActiveConnection(conn);
        auto t = adox::Table::Create("MyLinkedTable");
        t->Properties().Item("Jet OLEDB:Create Link").SetValue(true);
        t->Properties()
            .Item("Jet OLEDB:Link Provider String")
            .SetValue(MakeTextLinkString(folder.path(), hdr, "Delimited"));
        t->Properties().Item("Jet OLEDB:Remote Table Name").SetValue(file);
        cat.Tables().Append(t);
    }

    // The import's statements for one area code; returns the numbers added.
    long importArea(const QString& area, int fields)
    {
        const QString t = "phone" + area;
        try {
            conn->Execute("create table " + t + " (phone long not null primary key)");
        } catch (const vb::ErrObject&) {
        }
        if (fields == 2)
            conn->Execute("Insert into MyTempTable (phone) select [F2] from MyLinkedTable where [F1] =" +
                          area);
        else
            conn->Execute(
                "Insert into MyTempTable (phone) select mid([F1],4) from MyLinkedTable where left([F1],3) =" +
                area);
        long added = 0;
        conn->Execute("Insert into " + t +
                          " (phone) SELECT distinct MyTempTable.Phone FROM MyTempTable LEFT JOIN " + t +
                          " ON MyTempTable.Phone = " + t + ".Phone  WHERE " + t + ".Phone Is Null",
                      &added);
        conn->Execute("delete from MyTempTable");
        return added;
    }

    QStringList distinctAreas(int fields)
    {
        auto other = Open(cs());
        return Rows(other, fields == 1 ? "select distinct mid([F1],1,3) from MyLinkedTable"
                                       : "select distinct F1 from MyLinkedTable");
    }

    Folder folder;
    QString dbPath;
    std::shared_ptr<ado::Connection> conn;
};

TEST_F(TextLink, OneFieldFileImportsPerAreaCode)
{
    folder.write("dnc.txt", "2015551234\r\n2010000123\r\n9735550000\r\n2015551234\r\n");
    link("dnc.txt");
    std::vector<QString> names;
    EXPECT_EQ(GetTableFieldNames(cs(), "MyLinkedTable", names), 1);
    EXPECT_EQ(names.at(0), "F1");
    QStringList areas = distinctAreas(1);
    areas.sort();
    EXPECT_EQ(areas, (QStringList{"201", "973"}));
    EXPECT_EQ(importArea("201", 1), 2);
    EXPECT_EQ(importArea("973", 1), 1);
    EXPECT_EQ(Rows(conn, "select phone from phone201 order by phone"), (QStringList{"123", "5551234"}));
    EXPECT_EQ(Rows(conn, "select phone from phone973"), QStringList{"5550000"});
    // a second run adds nothing
    EXPECT_EQ(importArea("201", 1), 0);
}

TEST_F(TextLink, TwoFieldFileImportsTheSameNumbers)
{
    folder.write("dnc.txt", "201,5551234\n201,0000123\n973,5550000\n");
    link("dnc.txt");
    std::vector<QString> names;
    EXPECT_EQ(GetTableFieldNames(cs(), "MyLinkedTable", names), 2);
    EXPECT_EQ(importArea("201", 2), 2);
    EXPECT_EQ(importArea("973", 2), 1);
    EXPECT_EQ(Rows(conn, "select phone from phone201 order by phone"), (QStringList{"123", "5551234"}));
}

TEST_F(TextLink, LinkIsListedAndMadeAgainOnEveryConnection)
{
    folder.write("dnc.txt", "2015551234\n");
    link("dnc.txt");
    auto other = Open(cs());
    EXPECT_EQ(Scalar(other, "select count(*) from MyLinkedTable").toLong(), 1);
    adox::Catalog cat;
    cat.SetActiveConnection(other);
    EXPECT_EQ(cat.Tables().Item("MyLinkedTable")->Type(), "LINK");
    cat.Tables().Delete("MyLinkedTable");
    EXPECT_NE(ErrorOf([&] { other->Execute("select * from MyLinkedTable"); }).Number, 0);
}

TEST_F(TextLink, LinkToAMissingFileFails)
{
    const auto e = ErrorOf([&] { link("gone.txt"); });
    EXPECT_NE(e.Description.indexOf("gone.txt"), -1);
}

// A national list: sorted by area code, far larger than one index block.
class BigTextLink : public TextLink {
protected:
    static constexpr int kAreas = 40;
    static constexpr int kPerArea = 2500;

    QByteArray nationalList(bool shuffled, bool twoFields)
    {
        QList<QByteArray> lines;
        for (int a = 0; a < kAreas; ++a)
            for (int i = 0; i < kPerArea; ++i) {
                const QByteArray area = QByteArray::number(201 + a);
                const QByteArray local = QByteArray::number(i * 37 + 1000000).rightJustified(7, '0');
                lines << (twoFields ? area + "," + local : area + local);
            }
        if (shuffled) std::shuffle(lines.begin(), lines.end(), *QRandomGenerator::global());
        return lines.join("\r\n") + "\r\n";
    }
};

TEST_F(BigTextLink, EachAreaCodeReadsItsOwnPartOfTheFileNotTheWholeFile)
{
    ado::SetTextIndexThreshold(0);
    folder.write("national.txt", nationalList(false, false));
    link("national.txt");
    const qint64 before = ado::TextRecordsRead();
    long total = 0;
    for (int a = 0; a < kAreas; ++a)
        total += importArea(QString::number(201 + a), 1);
    const qint64 read = ado::TextRecordsRead() - before;
    EXPECT_EQ(total, kAreas * kPerArea);
    // one pass to index, then about one pass more in all; a scan per area
    // code would read kAreas passes
    EXPECT_LT(read, qint64(3) * kAreas * kPerArea);
    EXPECT_EQ(Scalar(conn, "select count(*) from phone230").toLong(), kPerArea);
}

TEST_F(BigTextLink, TwoFieldFormIsIndexedToo)
{
    ado::SetTextIndexThreshold(0);
    folder.write("national.txt", nationalList(false, true));
    link("national.txt");
    const qint64 before = ado::TextRecordsRead();
    long total = 0;
    for (int a = 0; a < kAreas; ++a)
        total += importArea(QString::number(201 + a), 2);
    EXPECT_EQ(total, kAreas * kPerArea);
    EXPECT_LT(ado::TextRecordsRead() - before, qint64(4) * kAreas * kPerArea);
}

TEST_F(BigTextLink, UnsortedFileGivesTheSameRowsThroughTheIndex)
{
    ado::SetTextIndexThreshold(0);
    folder.write("national.txt", nationalList(true, false));
    link("national.txt");
    EXPECT_EQ(importArea("205", 1), kPerArea);
    EXPECT_EQ(importArea("240", 1), kPerArea);
    EXPECT_EQ(Scalar(conn, "select count(*) from phone205 where phone = 1000037").toLong(), 1);
    EXPECT_EQ(Scalar(conn, "select count(*) from MyLinkedTable where left([F1],3) =999").toLong(), 0);
}

} // namespace
