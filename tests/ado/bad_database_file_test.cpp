// A program database that is not one (another kind of file, nothing, or a
// database cut off halfway): opening it or reading from it fails with an
// error naming the file, and the file is left exactly as it was.

#include "AdoTestSupport.h"

#include <QFile>

using adotest::ScratchDb;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A database of some size, to cut.
QByteArray wholeDatabase()
{
    ScratchDb db("whole.mdb");
    db.exec("create table phone201 (phone integer not null primary key)");
    db.conn->BeginTrans();
    for (int i = 0; i < 3000; ++i)
        db.exec(QStringLiteral("insert into phone201 values (%1)").arg(5550000 + i));
    db.conn->CommitTrans();
    db.conn->Close();
    return fileBytes(db.path);
}

struct BadDatabase {
    const char* what;
    std::function<QByteArray()> bytes;
};

void PrintTo(const BadDatabase& b, std::ostream* os)
{
    *os << b.what;
}

class BadDatabaseFile : public ::testing::TestWithParam<BadDatabase> {};

TEST_P(BadDatabaseFile, FailsWithItsNameAndStaysAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Broken.mdb");
    const QByteArray bytes = GetParam().bytes();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    try {
        auto conn = ado::Connection::Create();
        conn->Open(adotest::JetCs(path));
        auto rs = conn->Execute("select count(*) from phone201");
        long n = 0;
        for (; !rs->Eof(); rs->MoveNext())
            ++n;
        auto all = conn->Execute("select sum(phone) from phone201");
        FAIL() << "a damaged database must not read as good";
    } catch (const vb::ErrObject& e) {
        EXPECT_TRUE(e.Description.contains("Broken.mdb")) << e.Description.toStdString();
    }
    EXPECT_EQ(fileBytes(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadDatabaseFile,
    ::testing::Values(BadDatabase{"a text file",
                                  [] { return QByteArray("Phone,Name\r\n2015551234,Ann\r\n"); }},
                      BadDatabase{"no bytes", [] { return QByteArray(); }},
                      BadDatabase{"cut off halfway", [] {
                                      const QByteArray whole = wholeDatabase();
                                      return whole.left(whole.size() / 2);
                                  }}));

} // namespace
