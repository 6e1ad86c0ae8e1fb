#pragma once
// The scrub of a calling list that is a database table: a table of an
// embedded ("ACCESS") database, or a FoxPro or ACT! table (.dbf) of a folder.
// One pass over the table applies the record rule (eleven-digit numbers lose
// their first character); a found record has its mark field written in
// place, or, when deleting, its address kept and the row deleted after the
// walk. Everything the run writes to the table is one transaction of the
// source: the first error takes it all back, so a run either finishes or
// leaves the table as it was.

#include "platform/vb/Variant.h"
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

// A list the run could not change (its file, or the folder its journal goes
// to) is refused as the text scrub refuses one (RequireWritableList), by its
// mode bits as well as by access, so a run as root changes no read-only
// list either; action is the word the refusal uses. Raises 75.
void RequireWritableTable(const TableScrubJob& job, const QString& action = QStringLiteral("scrubbed"));
// Its refusal as the routine reports it (a failure), none when the table may
// be changed: what the Start run asks before it backs the table up.
ScrubResult WritableTableCheck(const TableScrubJob& job);

// The position of a field of a recordset by name (without regard to case);
// a missing one raises 3265.
int FieldIndex(ado::Recordset& rs, const QString& name);

// Where the rows of a list table are found again once a walk has moved on:
// by their rowid (Recordset::Bookmark), or, in a table made WITHOUT ROWID,
// by the values of its primary key, which are kept here and named by a
// number of their own.
class RowAddresses {
public:
    // rs walks the whole table ("select * from" it) on conn.
    RowAddresses(const std::shared_ptr<ado::Connection>& conn, const QString& table, ado::Recordset& rs);
    // The address of the recordset's current row.
    qint64 Of(ado::Recordset& rs);
    // The condition that picks one row by address: "rowid = ?", or one
    // "[key] = ?" per key column.
    QString Where() const;
    // Sets the "?" of Where, from position first on.
    void Bind(ado::Command& command, int first, qint64 address) const;
    // Raises when a mark by key reached no row: the key read back was not
    // the key stored, and the row would silently stay as it was.
    void RequireOneRow(long changed) const;

private:
    std::vector<int> m_keyColumns; // none: by rowid
    QStringList m_keyNames;
    std::vector<vb::Variant> m_keys; // the key values of each address, one after the other
};

// Deletes the rows of a table at their addresses, letting the window serve
// its events through the run's throttled progress as the walk before it
// did: a long deletion leaves the window drawn.
void DeleteRows(const std::shared_ptr<ado::Connection>& conn, const QString& table, const RowAddresses& at,
                const std::vector<qint64>& addresses, engine::EngineProgress& progress);

// Writes the mark field of rows of one table by their addresses.
class TableRows {
public:
    // The mark field is the recordset's field at markColumn.
    TableRows(const std::shared_ptr<ado::Connection>& conn, const QString& table, ado::Recordset& rs,
              int markColumn, const RowAddresses& at);
    // A numeric mark field takes a number (an emptied mark is Null); text
    // that is no number is refused, never stored as text in a number column.
    void Mark(qint64 address, const QString& marked);

private:
    bool m_numeric = false;
    const RowAddresses& m_at;
    std::shared_ptr<ado::Command> m_mark;
};

} // namespace scrub
