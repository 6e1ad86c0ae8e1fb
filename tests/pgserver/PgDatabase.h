#pragma once
// A fixture whose test owns a fresh database on the throwaway PostgreSQL
// server, made with the program's schema script as an office makes it, and
// reached through the data source "Tervala" of the test's own odbc.ini.

#include "support/PgServer.h"

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"

#include <QStringList>
#include <unistd.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '{' << l.join(QStringLiteral(", ")).toStdString() << '}';
}
QT_END_NAMESPACE

class PgDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TERVALA_REQUIRE_PG_SERVER(server);
        static int counter = 0;
        database = QStringLiteral("t%1_%2").arg(getpid()).arg(++counter);
        QString error;
        ASSERT_TRUE(server->createDatabase(database, &error)) << error.toStdString();
        ASSERT_TRUE(server->psql(database, {"-f", TERVALA_SOURCE_DIR "/resources/schema-postgresql.sql"}, &error))
            << error.toStdString();
    }

    // The profile's connection string for the test's database: the data
    // source names the server, the profile the database (the driver manager
    // reads a data source once per process).
    QString ConnectionString() const
    {
        return QStringLiteral("PROVIDER=MSDASQL;DSN=Tervala;UID=%1;PWD=%2;Database=%3;")
            .arg(testsupport::PgServer::kUser, testsupport::PgServer::kPassword, database);
    }

    // Runs SQL on the database with psql, bypassing the program.
    void Psql(const QString& sql)
    {
        QString error;
        ASSERT_TRUE(server->psql(database, {"-c", sql}, &error)) << error.toStdString();
    }
    // The rows of a query by psql, "|" between columns.
    QStringList Query(const QString& sql)
    {
        QString out;
        EXPECT_TRUE(server->psql(database, {"-A", "-t", "-c", sql}, &out)) << out.toStdString();
        return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    std::shared_ptr<ado::Connection> Open()
    {
        auto c = ado::Connection::Create();
        c->Open(ConnectionString());
        return c;
    }

    // The rows of a Jet SQL query through the program's ADO layer.
    static QStringList Rows(const std::shared_ptr<ado::Connection>& c, const QString& sql)
    {
        auto rs = ado::Recordset::Create();
        rs->Open(sql, c, ado::adOpenForwardOnly, ado::adLockReadOnly);
        QStringList out;
        while (!rs->Eof()) {
            QStringList cells;
            for (int i = 0; i < rs->Fields().Count(); ++i) {
                const vb::Variant v = rs->Value(i);
                cells << (v.isNull() ? QStringLiteral("<null>") : v.text());
            }
            out << cells.join(QLatin1Char('|'));
            rs->MoveNext();
        }
        rs->Close();
        return out;
    }

    testsupport::PgServer* server = nullptr;
    QString database;
};
