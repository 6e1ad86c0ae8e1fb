// The Jet-to-SQLite translator: each rewrite, and the texts it must leave alone.

#include "platform/ado/JetSql.h"
#include "platform/vb/Err.h"

#include <gtest/gtest.h>

using ado::JetSql;

namespace {

QString tr(const QString& sql)
{
    return JetSql::Translate(sql).sql;
}

} // namespace

TEST(JetSqlTokenize, RoundTripsEveryCharacter)
{
    const QString sql =
        QStringLiteral("Select [a b], 'it''s', \"x\" -- note\n from t /* c */ where d=#1/2/2003#");
    QString joined;
    for (const auto& t : JetSql::Tokenize(sql))
        joined += t.text;
    EXPECT_EQ(joined, sql);
}

TEST(JetSqlTokenize, KnowsQuotedTextBracketsDatesAndComments)
{
    const auto toks = JetSql::Tokenize(QStringLiteral("'a & b' [c & d] #1/2/2003# -- x & y"));
    std::vector<JetSql::Kind> kinds;
    for (const auto& t : toks)
        if (t.kind != JetSql::Kind::Space) kinds.push_back(t.kind);
    EXPECT_EQ(kinds, (std::vector<JetSql::Kind>{JetSql::Kind::String, JetSql::Kind::Bracket,
                                                JetSql::Kind::Date, JetSql::Kind::Comment}));
}

TEST(JetSqlTranslate, TopBecomesLimitAtTheEnd)
{
    EXPECT_EQ(tr("Select top 1 ID from DefProperty ORDER BY ID DESC"),
              QStringLiteral("Select   ID from DefProperty ORDER BY ID DESC LIMIT 1"));
    EXPECT_EQ(tr("select top 1 * from [calls.txt]"), QStringLiteral("select   * from [calls.txt] LIMIT 1"));
}

TEST(JetSqlTranslate, TopInsideASubqueryStaysInside)
{
    EXPECT_EQ(tr("select * from (select top 5 a from t) where a > 1"),
              QStringLiteral("select * from (select   a from t LIMIT 5) where a > 1"));
}

TEST(JetSqlTranslate, IdentityAndDistinctRow)
{
    EXPECT_EQ(tr("SELECT @@IDENTITY AS 'Identity' "),
              QStringLiteral("SELECT last_insert_rowid() AS 'Identity' "));
    EXPECT_EQ(tr("SELECT DISTINCTROW [P], Count(*) from [T]"),
              QStringLiteral("SELECT DISTINCT [P], Count(*) from [T]"));
}

TEST(JetSqlTranslate, DeleteStarFrom)
{
    EXPECT_EQ(tr("DELETE * FROM MyTempTable"), QStringLiteral("DELETE  FROM MyTempTable"));
    EXPECT_EQ(tr("delete from MyTempTable"), QStringLiteral("delete from MyTempTable"));
}

TEST(JetSqlTranslate, AmpersandJoinsWholeOperands)
{
    EXPECT_EQ(tr("select [A] & [P] from [T]"), QStringLiteral("select jetcat([A] , [P]) from [T]"));
    EXPECT_EQ(tr("Update t Set phone='201' & phone where len(phone)<10"),
              QStringLiteral("Update t Set phone=jetcat('201' , phone) where jetcmp(len(phone))<10"));
    EXPECT_EQ(tr("select a & b + 1, c from t"), QStringLiteral("select jetcat(a , b + 1), c from t"));
}

TEST(JetSqlTranslate, QuotedTextBracketsAndCommentsDoNotChange)
{
    const QString sql =
        QStringLiteral("select [a & b], 'top 1 & DISTINCTROW @@IDENTITY' from [delete * from] -- & top 2");
    EXPECT_EQ(tr(sql), sql);
}

TEST(JetSqlTranslate, DoubleQuotedTextIsALiteral)
{
    EXPECT_EQ(tr("select * from t where a = \"it's \"\"x\"\"\""),
              QStringLiteral("select * from t where a = 'it''s \"x\"'"));
}

TEST(JetSqlTranslate, DateLiteralsBecomeStoredDateText)
{
    EXPECT_EQ(
        tr("select * from t where d >= #12/31/2001# and d < #1/1/2002 3:04:05 PM#"),
        QStringLiteral("select * from t where d >= '2001-12-31 00:00:00' and d < '2002-01-01 15:04:05'"));
    const vb::ErrObject e = [] {
        try {
            tr("select * from t where d = #not a date#");
        } catch (const vb::ErrObject& x) {
            return x;
        }
        return vb::ErrObject();
    }();
    EXPECT_EQ(e.Number, -2147217900);
}

TEST(JetSqlTranslate, KeywordFunctionsAreCalledByQuotedName)
{
    EXPECT_EQ(tr("select left([F1],3), right(x, 2) from t LEFT JOIN u ON t.a = u.a"),
              QStringLiteral("select \"left\"([F1],3), \"right\"(x, 2) from t LEFT JOIN u ON t.a = u.a"));
}

TEST(JetSqlTranslate, FunctionComparedWithANumberComparesNumerically)
{
    EXPECT_EQ(tr("select mid([F1],4) from MyLinkedTable where left([F1],3) =201"),
              QStringLiteral("select mid([F1],4) from MyLinkedTable where jetcmp(\"left\"([F1],3)) =201"));
    EXPECT_EQ(tr("select * from t where 201 = mid(a,1,3)"),
              QStringLiteral("select * from t where 201 = jetcmp(mid(a,1,3))"));
    // a column against a number is left to the column's own type
    EXPECT_EQ(tr("select * from t where [F1] =201"), QStringLiteral("select * from t where [F1] =201"));
}

TEST(JetSqlTranslate, ExternalDatabaseIsAttached)
{
    const auto t = JetSql::Translate(
        "INSERT INTO tempworktable (phone) in '/w/DNCTempWork.mdb'  select [A] & [P] from [calls.txt]");
    EXPECT_EQ(t.sql,
              QStringLiteral(
                  "INSERT INTO ext1.tempworktable (phone)    select jetcat([A] , [P]) from [calls.txt]"));
    EXPECT_EQ(t.attach, QStringList{QStringLiteral("/w/DNCTempWork.mdb")});
    const auto u = JetSql::Translate("select * from t IN 'it''s.mdb' where a in (1,2)");
    EXPECT_EQ(u.sql, QStringLiteral("select * from ext1.t   where a in (1,2)"));
    EXPECT_EQ(u.attach, QStringList{QStringLiteral("it's.mdb")});
}

TEST(JetSqlTranslate, CreateTableMapsJetTypes)
{
    EXPECT_EQ(
        tr("Create Table tempworktable (ID int  NOT NULL identity Primary Key ,Phone varchar(20) NOT "
           "NULL,DNC "
           "BIT  NOT NULL );"),
        QStringLiteral("Create Table tempworktable (ID INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL ,Phone "
                       "VARCHAR(20) COLLATE NOCASE NOT NULL,DNC BOOLEAN NOT NULL DEFAULT 0 );"));
    EXPECT_EQ(
        tr("CREATE TABLE x (ID counter, Name text(50), Notes memo, N long, D datetime, C currency, Y yesno)"),
        QStringLiteral(
            "CREATE TABLE x (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT(50) COLLATE NOCASE, "
            "Notes LONGTEXT COLLATE NOCASE, N INTEGER, D DATETIME, C CURRENCY, Y BOOLEAN DEFAULT 0)"));
    EXPECT_EQ(
        tr("create table p (a text, b autoincrement, CONSTRAINT pk PRIMARY KEY (a))"),
        QStringLiteral("create table p (a TEXT(255) COLLATE NOCASE, b INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "CONSTRAINT pk PRIMARY KEY (a))"));
}

TEST(JetSqlTranslate, LiftsComparedLiteralsIntoParameters)
{
    const auto t =
        JetSql::Translate("Select count(*)  from phone201 where phone=5551234 and n = 'O''Neil'", true);
    EXPECT_EQ(t.sql, QStringLiteral("Select count(*)  from phone201 where phone=? and n = ?"));
    ASSERT_EQ(t.params.size(), 2u);
    EXPECT_EQ(t.params[0].toLongLong(), 5551234);
    EXPECT_EQ(t.params[1].toString(), QStringLiteral("O'Neil"));
    // nothing is lifted from DDL, and ORDER BY positions stay literal
    EXPECT_TRUE(JetSql::Translate("create table t (a int default 1)", true).params.empty());
    EXPECT_EQ(JetSql::Translate("select a from t order by 1", true).sql,
              QStringLiteral("select a from t order by 1"));
}
