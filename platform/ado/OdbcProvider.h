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

#include "platform/ado/ConnectionString.h"
#include "platform/ado/Provider.h"

#include <QString>
#include <memory>

namespace ado {

std::shared_ptr<ProviderConnection> OpenOdbcProvider(const ConnectionString& cs, const QString& userId,
                                                     const QString& password);

// The ODBC connection string handed to the driver manager for an ADO one.
QString OdbcConnectionString(const ConnectionString& cs, const QString& userId = {},
                             const QString& password = {});

// The ADO DataTypeEnum code for an ODBC SQL type.
int AdoTypeOfSqlType(int sqlType);

} // namespace ado
