// Names of the user's tables, fields and files go into the statements that
// count, list and open a source; whatever they hold, the statement reaches
// that table and does nothing else.

#include "records/CDataTypeInfo.h"
#include "records/ModuleConnectString.h"

#include "platform/ado/Connection.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Recordset.h"
#include "support/HostileNames.h"
#include "support/ScriptedUi.h"

#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

namespace {

QString sqliteName(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(u'"', QStringLiteral("\"\"")) + QLatin1Char('"');
}

QStringList fieldList(const CDataStrings& list)
{
    QStringList out;
    for (const auto& item : list)
        out << item->ItemValue();
    return out;
}

class SourceNamed : public ScriptedUiTest, public ::testing::WithParamInterface<QString> {
protected:
    // A user's database with a table "plain" of one row beside a table of
    // three rows whose table and field both carry the name.
    QString makeDatabase()
    {
        const QString path = dir.filePath("calls.mdb");
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        const QString q = sqliteName(GetParam());
        const QString sql =
            QStringLiteral("create table plain (n integer); insert into plain values (1);"
                           "create table %1 (%1 text); insert into %1 values ('a'), ('b'), ('c');")
                .arg(q);
        char* err = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err), SQLITE_OK)
            << (err ? err : "");
        sqlite3_free(err);
        sqlite3_close(db);
        return path;
    }
    QTemporaryDir dir;
};

TEST_P(SourceNamed, AnAccessTableIsCountedListedAndOpenedByItsName)
{
    const QString name = GetParam();
    CDataTypeInfo p;
    p.SetDataType("ACCESS");
    p.SetDataDBName(makeDatabase());
    p.SetDataTableName(name);
    const QString cs = p.GetAccessConnString();

    EXPECT_EQ(p.GetRecordCount(), 3);
    EXPECT_EQ(p.GetFields(), 1);
    EXPECT_EQ(fieldList(*p.TableFieldData()), QStringList{name});

    EXPECT_EQ(GetTableRecordCount(cs, name), 3);
    std::vector<QString> names;
    EXPECT_EQ(GetTableFieldNames(cs, name, names), 1);
    EXPECT_EQ(names.at(0), name);
    std::shared_ptr<ado::Recordset> rs;
    OpenTableRecordset(rs, cs, name);
    ASSERT_EQ(rs->State(), ado::adStateOpen);
    int rows = 0;
    for (; !rs->Eof(); rs->MoveNext())
        ++rows;
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(GetTableRecordCount(cs, "plain"), 1) << "the other table is untouched";
}

TEST_P(SourceNamed, ATextFileIsCountedAndListedByItsName)
{
    const QString file = testsupport::WithExtension(QString(GetParam()).replace(u'\n', u' '), ".txt");
    // "calls.txt" beside " calls.txt" and "calls.txt " has one record.
    for (const QString& f : {QStringLiteral("calls.txt"), file}) {
        QFile out(dir.filePath(f));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(f == file ? "Phone,Name\r\n2015551234,Ann\r\n2015559876,Bob\r\n" : "Phone\r\n0\r\n");
    }
    CDataTypeInfo p;
    p.SetDataType("TEXT FILE");
    p.SetDataDBName(dir.path() + "/");
    p.SetDataTableName(file);
    p.SetIsTitleFirstLine(true);
    p.SetDelimited(1);
    const QString cs = p.GetTextConnString();
    EXPECT_EQ(p.GetRecordCount(), 2);
    EXPECT_EQ(p.GetFields(), 2);
    EXPECT_EQ(GetTableRecordCount(cs, file), 2);
    auto conn = ado::Connection::Create();
    conn->Open(cs);
    EXPECT_EQ(conn->Lookup(file, QStringLiteral("Phone")).count(qint64(2015559876)), 1);
}

INSTANTIATE_TEST_SUITE_P(Names, SourceNamed, ::testing::ValuesIn(testsupport::HostileNames()));

} // namespace
