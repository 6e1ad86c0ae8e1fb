#pragma once
// A fixture whose test owns a fresh database on the throwaway PostgreSQL
// server, made with the program's schema script as an office makes it, and
// reached through the data source "Tervala" of the test's own odbc.ini.

#include "support/PgServer.h"
#include "support/QtPrinters.h"

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Err.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

// The shared server, or a skip (a failure under CI=true) with the reason.
#define TERVALA_REQUIRE_PG_SERVER(server)                                                                    \
    do {                                                                                                     \
        server = ::testsupport::PgServer::Shared();                                                          \
        if (!server) {                                                                                       \
            if (qgetenv("CI") == "true")                                                                     \
                FAIL() << "PostgreSQL is needed under CI: "                                                  \
                       << ::testsupport::PgServer::Reason().toStdString();                                   \
            GTEST_SKIP() << "no PostgreSQL server for this test: "                                           \
                         << ::testsupport::PgServer::Reason().toStdString();                                 \
        }                                                                                                    \
    } while (0)

// A database of the test's own on the shared server.
class PgDatabase {
public:
    // Makes the database with the schema script; false (with a failure)
    // when that does not work.
    bool Make(testsupport::PgServer* onServer)
    {
        server = onServer;
        static int counter = 0;
        name = QStringLiteral("t%1_%2").arg(getpid()).arg(++counter);
        QString error;
        if (!server->createDatabase(name, &error) ||
            !server->psql(name, {"-f", TERVALA_SOURCE_DIR "/resources/schema-postgresql.sql"}, &error)) {
            ADD_FAILURE() << error.toStdString();
            return false;
        }
        return true;
    }

    // A database made by another process of the test.
    void Use(testsupport::PgServer* onServer, const QString& existing)
    {
        server = onServer;
        name = existing;
    }

    // The profile's connection string for the database: the data source
    // names the server, the profile the database (the driver manager reads
    // a data source once per process).
    QString ConnectionString() const
    {
        return QStringLiteral("PROVIDER=MSDASQL;DSN=Tervala;UID=%1;PWD=%2;Database=%3;")
            .arg(testsupport::PgServer::kUser, testsupport::PgServer::kPassword, name);
    }
    // The same as the settings file's [ODBC] section.
    QByteArray ProfileSection(const QString& password = testsupport::PgServer::kPassword) const
    {
        return QStringLiteral("[ODBC]\nODBCProvider=MSDASQL\nODBCDSN=Tervala\nODBCUserID=%1\nODBCPWD=%2\n"
                              "ODBCDatabase=%3\n")
            .arg(testsupport::PgServer::kUser, password, name)
            .toUtf8();
    }

    // Runs SQL on the database with psql, bypassing the program.
    void Psql(const QString& sql)
    {
        QString error;
        EXPECT_TRUE(server->psql(name, {"-c", sql}, &error)) << error.toStdString();
    }
    // The rows of a query by psql, "|" between columns.
    QStringList Query(const QString& sql)
    {
        QString out;
        EXPECT_TRUE(server->psql(name, {"-A", "-t", "-c", sql}, &out)) << out.toStdString();
        return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    std::shared_ptr<ado::Connection> Open() const
    {
        auto c = ado::Connection::Create();
        c->Open(ConnectionString());
        return c;
    }

    testsupport::PgServer* server = nullptr;
    QString name;
};

// The rows of a Jet SQL query through the program's ADO layer.
inline QStringList Rows(const std::shared_ptr<ado::Connection>& c, const QString& sql)
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

// The error a call raises; number 0 when it raises none.
inline vb::ErrObject ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const vb::ErrObject& e) {
        return e;
    }
    return {};
}

class PgDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TERVALA_REQUIRE_PG_SERVER(server);
        ASSERT_TRUE(db.Make(server));
    }

    QString ConnectionString() const { return db.ConnectionString(); }
    void Psql(const QString& sql) { db.Psql(sql); }
    QStringList Query(const QString& sql) { return db.Query(sql); }
    std::shared_ptr<ado::Connection> Open() const { return db.Open(); }

    testsupport::PgServer* server = nullptr;
    PgDatabase db;
};
