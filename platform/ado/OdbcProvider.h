#pragma once
// The odbc provider over unixODBC, for "PROVIDER=MSDASQL;DSN=...;UID=...;
// PWD=..." and driver strings ("PROVIDER=MSDASQL;Driver=...;Server=...;"),
// and for "PROVIDER=SQLOLEDB;Data Source=...;Initial Catalog=...;User
// Id=...;Password=..." through the FreeTDS driver. Integrated security is
// not available here: the typed user and password are used.
//
// SQL goes to the server as it is written (no Jet translation). Recordsets
// are read-only: forward-only ones stream from the statement, static ones
// are re-read from the start and skipped forward to the window they need.
//
// The login waits the connection timeout, each statement the command timeout
// (ODBC's login and query timeouts; psqlODBC makes them the server's
// connect_timeout and statement_timeout). A PostgreSQL server that stops
// answering altogether cannot time a statement out itself: a ServerWatch
// ends such a wait, and the call fails naming the lost connection.

#include "platform/ado/ConnectionString.h"
#include "platform/ado/Provider.h"

#include <QString>
#include <memory>

namespace ado {

std::shared_ptr<ProviderConnection> OpenOdbcProvider(const ConnectionString& cs, const QString& userId,
                                                     const QString& password, long connectionTimeout = 15);
// The login timeout the driver manager holds for an odbc provider
// connection (-1 for any other), for a check.
long OdbcLoginTimeout(ProviderConnection* connection);

// The ODBC connection string handed to the driver manager for an ADO one.
QString OdbcConnectionString(const ConnectionString& cs, const QString& userId = {},
                             const QString& password = {});

// Whether an error's text, as this provider raises it, tells of a
// connection to the server that is lost: the server went away or the watch
// found it gone. A new login would only wait for it again.
bool SaysConnectionLost(const QString& description);

// The ADO DataTypeEnum code for an ODBC SQL type.
int AdoTypeOfSqlType(int sqlType);

// ---- bulk work on a PostgreSQL server, in the server's own SQL
//
// Whole numbers travel as one array text per statement ("{1,2,3}"), so a
// batch of many thousand values costs one round trip and one statement.

// True for an odbc provider connection to PostgreSQL.
bool IsPostgresConnection(ProviderConnection* connection);
// Runs server SQL as written (no Jet translation), with values for its "?";
// the rows it changed.
qint64 ExecServerSql(ProviderConnection& connection, const QString& sql,
                     const std::vector<vb::Variant>& params = {});
// The first value of the first row of server SQL; Empty without a row.
vb::Variant ServerValue(ProviderConnection& connection, const QString& sql);
// Inserts the values as rows of table(column): "insert into table (column)
// select unnest(array)". The table may be a temporary one of the session.
void AppendServerNumbers(ProviderConnection& connection, const QString& table, const QString& column,
                         const qint64* values, std::size_t count);
// The values (given ascending) that table.column holds, ascending.
void FindServerNumbers(ProviderConnection& connection, const QString& table, const QString& column,
                       const std::vector<qint64>& values, std::vector<qint64>& found);

} // namespace ado
