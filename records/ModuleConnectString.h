#pragma once
// ModuleConnectString: the connection strings of the user's text and Excel
// sources, the path split, and counts, recordsets, tables and fields of a
// source named by its connection string and table. The data-source profile
// (CDataTypeInfo) builds on the same helpers.
//
// A value that holds ";" (a folder, a password) is written in braces so that
// it cannot end its pair early and change what the string says; every other
// value stands in the string exactly as given.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace ado {
class Connection;
class Recordset;
} // namespace ado

// A value as it is put into a connection string (ado::QuoteConnectionValue).
QString ConnectionStringValue(const QString& value);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<folder>;Extended
// Properties="text;HDR=<hdr>;FMT=<fmt>"", without ";FMT=..." (but with the
// ";") when fmt is empty.
QString MakeTextConnectionString(const QString& folder, const QString& hdr, const QString& fmt);
// "text;DATABASE=<folder>;Extended Properties="text;HDR=<hdr>;FMT=<fmt>"":
// the provider string of a linked text table.
QString MakeTextLinkString(const QString& folder, const QString& hdr, const QString& fmt);
// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<file>;Extended
// Properties="Excel 8.0;HDR=<hdr>""; the third argument has no effect.
QString MakeExcelConnectionString(const QString& file, const QString& hdr, const QString& unused = {});

// Splits at the last "/" or "\": returns the folder with its separator and
// puts the rest into fileName. Without a separator the folder is "" and the
// name the whole path. The folder is taken before fileName is written, so
// one variable may be passed for both.
QString SplitFilePath(const QString& path, QString& fileName);

// The number of tables (sheets) and of fields listed in the current profile
// gCurDataTypeInfo. Without a current profile they raise error 91.
std::int32_t GetTableNameCount();
std::int32_t GetTableFieldCount();

// "select count(*) from [<table>]" on a connection of its own; -1 when it fails.
std::int32_t GetTableRecordCount(const QString& connectionString, const QString& table);
// Opens the recordset (made when null) on "select * from [<table>]" over a
// connection of its own, forward-only and read-only. On failure it stays
// closed and nothing is reported.
void OpenTableRecordset(std::shared_ptr<ado::Recordset>& rs, const QString& connectionString,
                        const QString& table);
// The field names of "select top 1 * from [<table>]" into names, which
// grows to hold them all; returns the field count, or -1 after reporting the
// error (function "GetExcelFields").
std::int32_t GetTableFieldNames(const QString& connectionString, const QString& table,
                                std::vector<QString>& names);
// The same on a connection that is open already (and stays open).
std::int32_t GetTableFieldNames(const std::shared_ptr<ado::Connection>& conn, const QString& table,
                                std::vector<QString>& names);

// ---- what the data-source profile lists

struct SourceTable {
    QString name;
    QString type; // "TABLE", "VIEW", "LINK", "SYSTEM TABLE"
};
struct SourceField {
    QString name;
    int type = 0; // ADO DataTypeEnum, as the source's provider reports it
};

// The catalog's tables of a source, in the catalog's order. Throws vb::ErrObject.
std::vector<SourceTable> ListSourceTables(const QString& connectionString);
// The fields of a query's result, in order, with their ADO types. Throws
// vb::ErrObject.
std::vector<SourceField> ListSourceFields(const QString& connectionString, const QString& query);
// The same with the query built on the open connection (to quote names the
// way its data source reads them).
std::vector<SourceField> ListSourceFields(const QString& connectionString,
                                          const std::function<QString(const ado::Connection&)>& query);
// "999" for a numeric ADO type (small, long, single, double, decimal,
// unsigned, big integer, numeric), "DNC" for any other.
QString FieldTypeCode(int adoType);
// The label of an Excel field: name, " - (", the column's letters, ")"
// (Phone - (C); the 27th column is AA).
QString ExcelFieldLabel(const QString& fieldName, int index);
// The catalog table of a worksheet: the "TABLE" named after the sheet
// exactly (Sheet1$ or 'My Sheet$'), never one whose name merely contains
// it (Sheet1 does not give Sheet10$); "" when none. Errors are reported
// (function "GetTables") and give "".
QString GetExcelAdoTable(const QString& connectionString, const QString& sheetName);
