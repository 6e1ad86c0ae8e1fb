#pragma once
// The scrub of a calling list that is a database table: a table of an
// embedded ("ACCESS") database, or a FoxPro or ACT! table (.dbf) of a folder.
// One pass over the table applies the record rule (eleven-digit numbers lose
// their first character); a found record has its mark field written in
// place, or, when deleting, its address kept and the row deleted after the
// walk. Everything the run writes to the table is one transaction of the
// source: the first error takes it all back, so a run either finishes or
// leaves the table as it was.

#include "scrub/TextFileScrub.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace ado {
class Command;
class Connection;
class Recordset;
} // namespace ado

namespace scrub {

struct TableScrubJob {
    enum class Kind { Access, FoxPro };
    Kind kind = Kind::Access;
    QString connectionString; // the profile's Access or FoxPro connection string
    QString tableName;        // DataTableName
    ScrubSettings settings;
};

// Runs the scrub; an error (function "CheckAccess" or "CheckFoxPro") leaves
// the table unchanged.
ScrubResult ScrubTable(const TableScrubJob& job, engine::EngineProgress& progress,
                       const std::shared_ptr<ado::Connection>& dncConn);

// The two source kinds by their routines' names.
ScrubResult ScrubAccessTable(TableScrubJob job, engine::EngineProgress& progress,
                             const std::shared_ptr<ado::Connection>& dncConn);
ScrubResult ScrubFoxProTable(TableScrubJob job, engine::EngineProgress& progress,
                             const std::shared_ptr<ado::Connection>& dncConn);

// The files of the list: the database file, or the table's .dbf.
QStringList TableFiles(const TableScrubJob& job);

// The position of a field of a recordset by name (without regard to case);
// a missing one raises 3265.
int FieldIndex(ado::Recordset& rs, const QString& name);

// Deletes the rows of a table at their addresses (Recordset::Bookmark),
// letting the window serve its events through the run's throttled progress
// as the walk before it did: a long deletion leaves the window drawn.
void DeleteRows(const std::shared_ptr<ado::Connection>& conn, const QString& table,
                const std::vector<qint64>& addresses, engine::EngineProgress& progress);

// Writes the mark field of rows of one table by their addresses.
class TableRows {
public:
    // The mark field is the recordset's field at markColumn.
    TableRows(const std::shared_ptr<ado::Connection>& conn, const QString& table, ado::Recordset& rs,
              int markColumn);
    // A numeric mark field takes a number (an emptied mark is Null); text
    // that is no number is refused, never stored as text in a number column.
    void Mark(qint64 address, const QString& marked);

private:
    bool m_numeric = false;
    std::shared_ptr<ado::Command> m_mark;
};

} // namespace scrub
