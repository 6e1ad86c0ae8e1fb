// Recordsets: snapshots that outlive their connection, streaming forward-only
// reads, moving, field access and types, and writing rows back by rowid.

#include "AdoTestSupport.h"

using adotest::ErrorOf;
using adotest::ScratchDb;

namespace {

class Recordsets : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.exec("CREATE TABLE DefProperty (ID counter, PropertyKeys text(50), PropertyName text(255), "
                "PropertyValue memo, DataType long)");
        db.exec("insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) values "
                "('dncfieldname','DNC Phone Number Field''s Name','Phone',3)");
        db.exec("insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) values "
                "('m_pagesize','Page Size','500',0)");
        db.exec("insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) values "
                "('empty',NULL,'',3)");
    }
    std::shared_ptr<ado::Recordset> open(const QString& sql, int location, int cursor, int lock)
    {
        auto rs = ado::Recordset::Create();
        rs->SetCursorLocation(location);
        rs->Open(sql, db.conn, cursor, lock);
        return rs;
    }
    ScratchDb db;
};

} // namespace

TEST_F(Recordsets, ClientSnapshotStaysReadableAfterItsConnectionCloses)
{
    auto rs = open("Select * from DefProperty order by ID", ado::adUseClient, ado::adOpenUnspecified,
                   ado::adLockBatchOptimistic);
    rs->SetActiveConnection(nullptr);
    db.conn->Close();
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->Value("PropertyKeys").toString(), "dncfieldname");
    rs->MoveLast();
    EXPECT_EQ(rs->Value("propertykeys").toString(), "empty");
    rs->MovePrevious();
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    rs->MoveFirst();
    EXPECT_EQ(rs->Value(0).toLong(), 1);
}

TEST_F(Recordsets, OwnConnectionFromAConnectionString)
{
    auto rs = ado::Recordset::Create();
    rs->SetCursorLocation(ado::adUseClient);
    rs->Open("select count(*) as MyCount from DefProperty", db.cs(), ado::adOpenForwardOnly,
             ado::adLockReadOnly);
    EXPECT_EQ(rs->Value("MyCount").toLong(), 3);
    EXPECT_EQ(rs->Fields().Item(0).Type(), ado::adInteger);
    rs->Close();
    EXPECT_EQ(rs->State(), ado::adStateClosed);
}

TEST_F(Recordsets, ForwardOnlyStreamsAndCannotGoBack)
{
    for (int i = 0; i < 500; ++i)
        db.exec(QStringLiteral("insert into DefProperty (PropertyKeys, DataType) values ('k%1', %1)").arg(i));
    auto rs = open("select DataType from DefProperty where PropertyKeys like 'k*' order by ID",
                   ado::adUseServer, ado::adOpenForwardOnly, ado::adLockReadOnly);
    EXPECT_EQ(rs->RecordCount(), -1);
    long sum = 0, n = 0;
    while (!rs->Eof()) {
        sum += rs->Value(0).toLong();
        ++n;
        rs->MoveNext();
    }
    EXPECT_EQ(n, 500);
    EXPECT_EQ(sum, 499 * 500 / 2);
    EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }).Number, -2147217884);
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }).Number, 3021);
    rs->MoveFirst(); // runs the query again
    EXPECT_EQ(rs->Value(0).toLong(), 0);
}

TEST_F(Recordsets, EmptyResultIsAtBothEnds)
{
    auto rs = open("select * from DefProperty where ID = -1", ado::adUseClient, ado::adOpenStatic,
                   ado::adLockReadOnly);
    EXPECT_TRUE(rs->Eof());
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_EQ(ErrorOf([&] { rs->Value(0); }).Number, 3021);
    EXPECT_EQ(ErrorOf([&] { rs->GetRows(); }).Number, 3021);
}

TEST_F(Recordsets, FieldsByPositionAndNameWithJetTypes)
{
    auto rs = open("select * from DefProperty order by ID", ado::adUseClient, ado::adOpenStatic,
                   ado::adLockReadOnly);
    ado::Fields& f = rs->Fields();
    EXPECT_EQ(f.Count(), 5);
    EXPECT_EQ(f.Item(1).Name(), "PropertyKeys");
    EXPECT_EQ(f.Item("ID").Type(), ado::adInteger);
    EXPECT_EQ(f.Item("PropertyKeys").Type(), ado::adVarWChar);
    EXPECT_EQ(f.Item("PropertyKeys").DefinedSize(), 50);
    EXPECT_EQ(f.Item("PropertyKeys").ActualSize(), 12);
    EXPECT_EQ(f.Item("PropertyValue").Type(), ado::adLongVarWChar);
    EXPECT_EQ(f.Item("DataType").Value().type(), vb::VarType::Long);
    const auto e = ErrorOf([&] { f.Item("Nope"); });
    EXPECT_EQ(e.Number, 3265);
    EXPECT_EQ(e.Description,
              "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    EXPECT_EQ(ErrorOf([&] { f.Item(5); }).Number, 3265);
}

TEST_F(Recordsets, NullAndEmptyTextStayApart)
{
    auto rs = open("select PropertyName, PropertyValue from DefProperty where PropertyKeys = 'empty'",
                   ado::adUseClient, ado::adOpenStatic, ado::adLockReadOnly);
    EXPECT_TRUE(rs->Value("PropertyName").isNull());
    EXPECT_TRUE(rs->Value("PropertyValue").isString());
    EXPECT_EQ(rs->Value("PropertyValue").toString(), "");
}

TEST_F(Recordsets, ValuesOfEachJetType)
{
    db.exec("create table v (b yesno, c currency, d datetime, x double, s short, t text(5))");
    db.exec("insert into v values (True, 12.5, #12/31/2001 3:04:05 PM#, 0.25, 7, 'abc')");
    auto rs = open("select * from v", ado::adUseServer, ado::adOpenForwardOnly, ado::adLockReadOnly);
    EXPECT_EQ(rs->Item("b").Type(), ado::adBoolean);
    EXPECT_EQ(rs->Value("b").type(), vb::VarType::Boolean);
    EXPECT_TRUE(rs->Value("b").toBool());
    EXPECT_EQ(rs->Item("c").Type(), ado::adCurrency);
    EXPECT_EQ(rs->Value("c").type(), vb::VarType::Currency);
    EXPECT_EQ(rs->Value("c").rawInt(), 125000);
    EXPECT_EQ(rs->Item("d").Type(), ado::adDate);
    EXPECT_EQ(rs->Value("d").type(), vb::VarType::Date);
    EXPECT_NEAR(rs->Value("d").rawDouble(), 37256.0 + (15 * 3600 + 4 * 60 + 5) / 86400.0, 1e-9);
    EXPECT_EQ(rs->Item("x").Type(), ado::adDouble);
    EXPECT_EQ(rs->Item("s").Type(), ado::adSmallInt);
    EXPECT_EQ(rs->Item("t").DefinedSize(), 5);
    // an expression without a declared type takes its value's type
    auto e = db.conn->Execute("select count(*), 'x' & 'y', 1.5 from v");
    EXPECT_EQ(e->Item(0).Type(), ado::adInteger);
    EXPECT_EQ(e->Item(1).Type(), ado::adVarWChar);
    EXPECT_EQ(e->Item(2).Type(), ado::adDouble);
}

TEST_F(Recordsets, AddNewGivesTheNewAutonumberOnTheSameConnection)
{
    auto rs = open("Select * from DefProperty", ado::adUseServer, ado::adOpenDynamic, ado::adLockOptimistic);
    rs->AddNew();
    rs->Item("PropertyKeys").SetValue("lasttotal");
    rs->Item("PropertyValue").SetValue("0");
    rs->Item("DataType").SetValue("0");
    rs->UpdateBatch(ado::adAffectAll);
    EXPECT_EQ(rs->Value("ID").toLong(), 4);
    EXPECT_TRUE(rs->Value("PropertyName").isNull());
    EXPECT_EQ(rs->Value("DataType").type(), vb::VarType::Long);
    rs->Close();
    EXPECT_EQ(db.scalar("SELECT @@IDENTITY AS 'Identity' ").toLong(), 4);
    EXPECT_EQ(db.scalar("select PropertyKeys from DefProperty where ID = 4").toString(), "lasttotal");
}

TEST_F(Recordsets, UpdateAndDeleteAddressRowsByRowid)
{
    auto rs = open("select * from [DefProperty] order by PropertyKeys", ado::adUseServer, ado::adOpenDynamic,
                   ado::adLockOptimistic);
    while (!rs->Eof()) {
        if (rs->Value("PropertyKeys").toString() == "m_pagesize")
            rs->Update("PropertyValue", "250");
        else if (rs->Value("PropertyKeys").toString() == "empty")
            rs->Delete();
        rs->MoveNext();
    }
    rs->Close();
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where PropertyKeys='m_pagesize'").toString(),
              "250");
    EXPECT_EQ(db.scalar("select count(*) from DefProperty").toLong(), 2);
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where PropertyKeys='dncfieldname'").toString(),
              "Phone");
}

TEST_F(Recordsets, ValueTheColumnCannotHoldFailsTheWrite)
{
    auto rs = open("select * from DefProperty", ado::adUseServer, ado::adOpenDynamic, ado::adLockOptimistic);
    const auto e = ErrorOf([&] { rs->Update("DataType", "DEL##"); });
    EXPECT_EQ(e.Number, -2147217887);
    rs->CancelUpdate();
    rs->Close();
    EXPECT_EQ(db.scalar("select DataType from DefProperty where ID = 1").toLong(), 3);
}

TEST_F(Recordsets, ReadOnlyAndExpressionFieldsRefuseWrites)
{
    auto ro =
        open("select * from DefProperty", ado::adUseServer, ado::adOpenForwardOnly, ado::adLockReadOnly);
    EXPECT_EQ(ErrorOf([&] { ro->Update("DataType", 1); }).Number, 3251);
    EXPECT_EQ(ErrorOf([&] { ro->AddNew(); }).Number, 3251);
    auto ex = open("select ID, len(PropertyKeys) as n from DefProperty", ado::adUseServer, ado::adOpenDynamic,
                   ado::adLockOptimistic);
    EXPECT_TRUE(ErrorOf([&] { ex->Update("n", 1); }).Description.contains("expression"));
}

TEST_F(Recordsets, BatchOptimisticClientKeepsChangesUntilUpdateBatch)
{
    auto rs = open("select * from DefProperty order by ID", ado::adUseClient, ado::adOpenStatic,
                   ado::adLockBatchOptimistic);
    rs->Update("PropertyValue", "Cell");
    rs->MoveNext();
    rs->Delete();
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where ID = 1").toString(), "Phone");
    rs->UpdateBatch();
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where ID = 1").toString(), "Cell");
    EXPECT_EQ(db.scalar("select count(*) from DefProperty").toLong(), 2);
}

TEST_F(Recordsets, DetachedClientRecordsetCannotWriteItsBatch)
{
    auto rs = open("select * from DefProperty order by ID", ado::adUseClient, ado::adOpenStatic,
                   ado::adLockBatchOptimistic);
    rs->SetActiveConnection(nullptr);
    rs->Update("PropertyValue", "x");
    EXPECT_EQ(ErrorOf([&] { rs->UpdateBatch(); }).Number, 3709);
}

TEST_F(Recordsets, GetRowsIsFieldThenRow)
{
    auto rs = open("select distinct DataType from DefProperty order by DataType", ado::adUseClient,
                   ado::adOpenStatic, ado::adLockReadOnly);
    const auto rows = rs->GetRows();
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), 2u);
    EXPECT_EQ(rows[0][0].toLong(), 0);
    EXPECT_EQ(rows[0][1].toLong(), 3);
    EXPECT_TRUE(rs->Eof());
}

TEST_F(Recordsets, GetStringRendersRowsWithDelimiters)
{
    auto rs = open("select PropertyKeys, PropertyName from DefProperty order by ID", ado::adUseServer,
                   ado::adOpenForwardOnly, ado::adLockReadOnly);
    EXPECT_EQ(rs->GetString(ado::adClipString, 1, "\",\"", "\r\n", "-"),
              "dncfieldname\",\"DNC Phone Number Field's Name\r\n");
    EXPECT_EQ(rs->Value(0).toString(), "m_pagesize");
    EXPECT_EQ(rs->GetString(ado::adClipString, -1, ",", ";", "-"), "m_pagesize,Page Size;empty,-;");
    EXPECT_TRUE(rs->Eof());
}

TEST_F(Recordsets, RequeryAndTableNameSources)
{
    auto rs = open("DefProperty", ado::adUseServer, ado::adOpenStatic, ado::adLockReadOnly);
    EXPECT_EQ(rs->RecordCount(), 3);
    db.exec("delete from DefProperty where ID = 3");
    rs->Requery();
    EXPECT_EQ(rs->RecordCount(), 2);
}

TEST_F(Recordsets, OpeningAStatementWithoutRowsRunsIt)
{
    auto rs = ado::Recordset::Create();
    rs->Open("delete from DefProperty where ID = 2", db.conn);
    EXPECT_EQ(rs->State(), ado::adStateClosed);
    EXPECT_EQ(db.scalar("select count(*) from DefProperty").toLong(), 2);
}

TEST_F(Recordsets, ServerRecordsetStopsWhenItsConnectionCloses)
{
    for (int i = 0; i < 300; ++i)
        db.exec(QStringLiteral("insert into DefProperty (PropertyKeys, DataType) values ('k%1', %1)").arg(i));
    auto server = open("select * from DefProperty order by ID", ado::adUseServer, ado::adOpenForwardOnly,
                       ado::adLockReadOnly);
    auto client = open("select * from DefProperty order by ID", ado::adUseClient, ado::adOpenStatic,
                       ado::adLockReadOnly);
    db.conn->Close();
    EXPECT_EQ(client->RecordCount(), 303);
    const auto e = ErrorOf([&] {
        while (!server->Eof())
            server->MoveNext();
    });
    EXPECT_EQ(e.Number, 3704);
}

TEST_F(Recordsets, KeysetMovesBothWaysAndCounts)
{
    auto rs = open("select * from DefProperty order by ID", ado::adUseServer, ado::adOpenKeyset,
                   ado::adLockOptimistic);
    EXPECT_EQ(rs->RecordCount(), 3);
    rs->MoveLast();
    EXPECT_EQ(rs->Value("ID").toLong(), 3);
    rs->MovePrevious();
    rs->MovePrevious();
    EXPECT_EQ(rs->Value("ID").toLong(), 1);
    rs->Move(2);
    EXPECT_EQ(rs->Value("ID").toLong(), 3);
    rs->AddNew();
    rs->Item("PropertyKeys").SetValue("new");
    rs->Update();
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(rs->Value("ID").toLong(), 4);
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
}

TEST_F(Recordsets, VirtualTableRowsAreWrittenByRowid)
{
    db.exec("create virtual table notes using fts5(body)");
    db.exec("insert into notes (body) values ('first'), ('second')");
    auto rs = open("select * from notes", ado::adUseServer, ado::adOpenDynamic, ado::adLockOptimistic);
    rs->MoveNext();
    rs->Update("body", "changed");
    rs->MoveFirst();
    rs->Delete();
    rs->Close();
    EXPECT_EQ(db.scalar("select count(*) from notes").toLong(), 1);
    EXPECT_EQ(db.scalar("select body from notes").toString(), "changed");
}

TEST_F(Recordsets, DatesWrittenAndComparedWithDateLiterals)
{
    db.exec("create table ev (ID counter, At datetime)");
    auto rs = open("select * from ev", ado::adUseServer, ado::adOpenDynamic, ado::adLockOptimistic);
    rs->AddNew();
    rs->Item("At").SetValue(vb::Variant::fromDate(37256.5)); // 12/31/2001 12:00 PM
    rs->Update();
    EXPECT_EQ(rs->Value("At").type(), vb::VarType::Date);
    EXPECT_DOUBLE_EQ(rs->Value("At").rawDouble(), 37256.5);
    rs->Close();
    EXPECT_EQ(db.scalar("select count(*) from ev where At > #12/31/2001# and At < #1/1/2002#").toLong(), 1);
}
