#pragma once
// The excel provider, in place of Jet's "Excel 8.0" driver: the workbook of
// "Data Source" is the database and each worksheet a table named after it
// with "$" (Sheet1$; a name with blanks or signs is quoted, 'My Sheet$').
// With HDR=Yes the first row of the used range names the columns, else they
// are F1, F2, ...; the columns run from column A to the last used one, so
// field k of a table is column k + 1 of the sheet. Column types are guessed
// from the first rows: numbers give adDouble, dates adDate, TRUE/FALSE
// adBoolean, anything else text.
//
// Each sheet is a virtual table of the "sheet" module over one
// files::Workbook. Rows can be updated and added (xlsx only); the workbook is
// saved when a transaction commits and when the connection closes. A
// rollback drops the changes made since the last save, and so does a
// commit or close after a write that failed: a half-done write never
// reaches the file. Rows cannot be deleted, as with Jet.

#include "platform/ado/ConnectionString.h"
#include "platform/ado/Provider.h"

#include <QString>
#include <memory>

namespace ado {

std::shared_ptr<ProviderConnection> OpenExcelProvider(const ConnectionString& cs);

// The table name of a sheet as the provider lists it.
QString ExcelTableName(const QString& sheet);

} // namespace ado
