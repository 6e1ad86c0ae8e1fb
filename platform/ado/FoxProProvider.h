#pragma once
// The foxpro provider, in place of the Visual FoxPro ODBC driver over a
// folder of free tables (also ACT! tables): "SourceDB=<folder>" is the
// database and each .dbf of it a table, written list, list.dbf or
// [list.dbf]. Each table is a virtual table of the "dbf" module over
// files::DbfTable:
// - UPDATE writes the changed fields of the record in place; a value that
//   does not fit its field fails the statement (never asterisks);
// - DELETE sets the record's deleted flag; INSERT appends a record;
// - deleted records are not returned (SET DELETED ON);
// - the writes of a transaction are taken back in place on rollback.

#include "platform/ado/ConnectionString.h"
#include "platform/ado/Provider.h"

#include <QString>
#include <memory>

namespace ado {

std::shared_ptr<ProviderConnection> OpenFoxProProvider(const ConnectionString& cs);

// The .dbf files of a folder.
QStringList DbfFiles(const QString& folder);
// The file of a folder that a table name means (list, list.dbf): the file
// of that name, or else the only one whose name differs in case alone;
// empty when there is none. The table a run reads, writes and backs up.
QString DbfFileOf(const QString& folder, const QString& written);

} // namespace ado
