#pragma once
// The scrub through a work table: every number of the calling list is
// copied, in the list's own order, into table "tempworktable" of a work
// database of its own (one row per record, a blank number as ""); the rows
// are read through a link from the DNC database in ID order and looked up,
// and the found ones flagged in batches; the flags are counted and then
// carried back into the list (a text file, a workbook sheet or a table of an
// embedded database), pairing the n-th flag with the n-th record, with the
// OK and DNC result files written on the way. The first error ends the run
// with one report: nothing is written back unless every step before it
// succeeded and every record has its flag.

#include "core/EngineProgress.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace ado {
class Connection;
}

namespace scrub {

struct WorkTableJob {
    enum class Source { Text, Excel, Access, Other };
    Source source = Source::Other;
    QString workDatabase;     // the program folder's "DNCTempWork.mdb"
    QString connectionString; // the profile's connection string for the list
    QString tableName;        // file name, the sheet's table name (mExcelTable) or the table
    QString folder;           // text lists: DataDBName
    QString phoneField;       // DataFieldName
    QString areaField;        // DataAreaName; empty: none
    QStringList fieldNames;   // the list's fields in order (the mark-field list)
    int markPosition = -1;    // the mark field's place among them
    bool titleFirstLine = true;
    // Cleaning before the look-ups: "markformat" 1 with the "formatchar"
    // pieces, and seven digits completed with "defaultcode".
    bool markFormat = false;
    QString formatChar;
    bool addAreaCode = false;
    QString defaultCode;
    bool exportOk = false;
    bool exportDnc = false;
    QString okFile;
    QString dncFile;
    std::int32_t markAction = 0; // 0 prefix, 1 suffix, other replace
    bool deleteFound = false;    // text and embedded tables; a sheet is always marked
    QString markText;
};

struct WorkTableResult : engine::Result {
    bool completed = false; // false: the run failed
    bool writtenBack = false;
    std::int32_t rows = 0;
    std::int32_t flagged = 0;
    std::int32_t notFlagged = 0;
    QString status; // status panel 1 at the end
};

// The run. dncConn is an open connection to the DNC database (the program's
// shared one); the link to the work table is made in it and dropped again.
// Progress: a step of the bar per thousand rows, the rows beside it, the
// seconds in panel 2; the run's stages and its end in panel 1.
WorkTableResult ScrubByWorkTable(const WorkTableJob& job, engine::EngineProgress& progress,
                                 const std::shared_ptr<ado::Connection>& dncConn);

// Creates the work table on the connection; errors reach the caller.
void CreateWorkTable(const QString& name, const std::shared_ptr<ado::Connection>& conn);

// "n (p%) numbers in DNC List"; a run without rows shows 0.00.
QString WorkTableStatus(std::int32_t flagged, std::int32_t notFlagged);

} // namespace scrub
