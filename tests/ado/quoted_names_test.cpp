// Names quoted for a statement stay names: a table or field whose name holds
// brackets, quotes, semicolons or line breaks is reached as itself, and no
// name can change what the statement does.

#include "AdoTestSupport.h"
#include "platform/ado/JetSql.h"
#include "support/HostileNames.h"

using adotest::ScratchDb;

namespace {

class QuotedName : public ::testing::TestWithParam<QString> {};

TEST_P(QuotedName, ReachesTheTableAndFieldOfThatNameOnly)
{
    ScratchDb db;
    const QString name = GetParam();
    const QString q = ado::QuoteName(name);
    db.exec(QStringLiteral("create table plain (n integer)"));
    db.exec(QStringLiteral("insert into plain values (1)"));
    db.exec(QStringLiteral("create table %1 (%1 text, other integer)").arg(q));
    db.exec(QStringLiteral("insert into %1 (%1, other) values ('a', 1)").arg(q));
    db.exec(QStringLiteral("insert into %1 (%1, other) values ('b', 2)").arg(q));

    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from ") + q).toLong(), 2);
    EXPECT_EQ(db.scalar(QStringLiteral("select top 1 %1 from %1 where other = 2").arg(q)).toString(), "b");
    auto rs = db.conn->Execute(QStringLiteral("select * from ") + q);
    EXPECT_EQ(rs->Fields().Item(0).Name(), name);
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from plain")).toLong(), 1) << "plain is untouched";
    EXPECT_EQ(db.conn->QuoteName(name), q) << "a Jet connection quotes the same way";

    // A table opened whole by its name, bare or quoted (a name in brackets
    // is taken as quoted); a key look-up; a server's translation.
    const QString bare = name.startsWith(u'[') ? q : name;
    EXPECT_EQ(db.conn->Execute(q, nullptr, ado::adCmdTable)->Fields().Item(0).Name(), name);
    auto table = ado::Recordset::Create();
    table->Open(bare, db.conn, ado::adOpenStatic, ado::adLockReadOnly, ado::adCmdTable);
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_EQ(db.conn->Lookup(name, QStringLiteral("other")).count(qint64(2)), 1);
    EXPECT_EQ(ado::JetSql::TranslateForPostgres(QStringLiteral("select count(*) from ") + q),
              QStringLiteral("select count(*) from ") + ado::QuoteNativeName(name.toLower()));
}

INSTANTIATE_TEST_SUITE_P(Names, QuotedName, ::testing::ValuesIn(testsupport::HostileNames()));

TEST(QuotedNameText, DoublesTheClosingBracketOnly)
{
    EXPECT_EQ(ado::QuoteName("a]b"), "[a]]b]");
    EXPECT_EQ(ado::QuoteName("[x]"), "[[x]]]");
    EXPECT_EQ(ado::QuoteName("it's"), "[it's]");
    EXPECT_EQ(ado::QuoteName(""), "[]");
}

} // namespace
