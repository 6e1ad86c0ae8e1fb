#pragma once
// The main window's and the scrub options' ways into the paged data viewer:
// a query or table of a connection, a sheet of a workbook, a text file.
// Each goes through the one viewer launcher the import wizard uses too.

#include <QString>

class QWidget;

namespace sourceview {

// A query, or a table name that becomes "select * from " and the name.
void ViewData(QWidget* owner, const QString& connectionString, const QString& sqlOrTable, bool editable,
              const QString& caption);
// One sheet of a workbook, its first row as the column names. A missing
// workbook: "File <file> does not exist!".
void ViewExcelSheet(QWidget* owner, const QString& file, const QString& sheet, bool editable,
                    const QString& caption);
// A delimited text file with a title line; a name without a folder is
// looked for in the program folder. A missing file: "File <path> is not
// exist!". Errors are passed over.
void ViewTextFile(QWidget* owner, const QString& file, bool editable, const QString& caption);

} // namespace sourceview
