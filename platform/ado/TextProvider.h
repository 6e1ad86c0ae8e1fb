#pragma once
// The text provider, in place of the Jet text driver: a folder is the
// database and each file of it a table (list.csv is written list.csv,
// [list.csv] or list#csv). Extended Properties "text;HDR=Yes|No;FMT=..."
// set the header line and the separator; files::TextTable reads the files.
//
// Each file is a virtual table of the "text" module on an in-memory SQLite
// connection, so any Jet SQL runs on it. The same module serves text files
// linked into a jet database ("Jet OLEDB:Create Link" with a "text;..."
// provider string).
//
// Values come out as the file writes them: a field of a numeric column that
// reads back exactly as its number (201, 5551234, 1.5) is that number, any
// other (0201, 1.50, a stray word) its text, so no leading zero is lost.
//
// Big files: a test on a field's value ([F1] = 201) or on its first
// characters (left([F1],3) = 201) is answered from an index of the file. The
// index records, per value, the blocks (4 to 64 KB) of the file that hold
// it, so the import of a national list, which selects one area code after
// the other, reads each block of a sorted file about once instead of the
// whole file once per area code. No pass is made for the index alone: the
// first query that reads the whole file builds it on the way, the test that
// asks for it or a scan of that one column (as "select distinct" of the area
// codes reads it). A file read by one area code only is thus read once, as a
// plain scan would. The prefix test reaches the table as tvprefix(col, 'N'),
// a rewrite of the Jet text that keeps Jet's result (number/text comparison
// included).

#include "platform/ado/ConnectionString.h"
#include "platform/ado/Provider.h"

#include <QString>
#include <memory>

namespace ado {

class SqliteConnection;

// Opens the text provider on "Data Source=<folder>".
std::shared_ptr<ProviderConnection> OpenTextProvider(const ConnectionString& cs);

// The link module of kind "text": makes spec.name a virtual table over the
// linked file in the connection's temp schema.
void CreateTextLink(SqliteConnection& conn, const LinkSpec& spec);

// Registers the "text" module, the tvprefix function and the prefix rewrite
// on a connection.
void InstallTextModule(SqliteConnection& conn);

// Rewrites "left(<column>,n) = N" (N a whole number of n digits, standing
// alone beside the "=") into "tvprefix(<column>, 'N')", which means the same.
QString RewritePrefixTests(const QString& jetSql);

// Records read by text tables since the program started (a record that one
// pass reads both to answer a query and to index the file counts once), for
// seeing what a query costs.
qint64 TextRecordsRead();

// Lines that text tables read a line per record (LineRecords=Yes) passed
// over because they cannot be read (a quote left open, a NUL byte), since
// the program started; a line that several passes read counts each time.
qint64 TextLinesPassedOver();

// Files smaller than this are scanned, not indexed (bytes; 256 KB unless
// set, as tests do to index small files).
void SetTextIndexThreshold(qint64 bytes);

} // namespace ado
