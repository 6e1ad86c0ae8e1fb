#pragma once
// Duplicate removal: a number that stands more than once in a calling list
// keeps only its last copy. One pass counts the numbers, a second walks the
// list and drops every copy that a later one follows. A text list is
// rewritten into a copy beside it (the records that stay byte for byte)
// that then takes its place; a workbook loses the rows of the dropped
// copies, the rows below moving up. No DNC look-up, no result file.

#include "core/CDuplicates.h"
#include "core/EngineProgress.h"

#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace excel {
class Worksheet;
}

namespace scrub {

struct TextDuplicatesJob {
    QString folder;           // DataDBName
    QString fileName;         // DataTableName
    QString connectionString; // the profile's text connection string (header flag, format)
    bool titleFirstLine = true;
    QString phoneField; // DataFieldName
    QString areaField;  // DataAreaName; empty: none
};

// The list's sheet, opened before the run.
struct ExcelDuplicatesJob {
    std::shared_ptr<excel::Worksheet> sheet;
    bool titleFirstLine = true;
    int phoneColumn = 1; // from 1 (column A)
    int areaColumn = 0;  // 0: no area field
};

// A table of an embedded ("ACCESS") database or a FoxPro or ACT! table.
struct TableDuplicatesJob {
    enum class Kind { Access, FoxPro };
    Kind kind = Kind::Access;
    QString connectionString; // the profile's Access or FoxPro connection string
    QString tableName;        // DataTableName
    QString phoneField;       // DataFieldName
    QString areaField;        // DataAreaName; empty: none
};

// The summary of a run that went through the list is "Action is finished!";
// a list without duplicates ends without one, with "No Duplicate Number" in
// status panel 1.
struct DuplicatesResult : engine::Result {
    bool completed = false; // false: stopped with a message, or failed
    std::int32_t records = 0;
    std::int32_t removed = 0;
    std::int32_t recordCount = -1; // a workbook's records after the run
};

// The window asks first whether to go on. A refusal or an error (text: see
// StopTextRun; workbook "CheckExcel") leaves the list as it was. Progress: the records
// read beside the bar, the seconds in panel 2, what was removed in panel 1.
DuplicatesResult RemoveTextDuplicates(const TextDuplicatesJob& job, engine::EngineProgress& progress);
DuplicatesResult RemoveExcelDuplicates(const ExcelDuplicatesJob& job, engine::EngineProgress& progress);
// A table loses the rows of the dropped copies, by their row addresses, in
// one transaction of the source: an error ("CheckAccess" or "CheckFoxPro")
// takes every deletion back.
DuplicatesResult RemoveTableDuplicates(const TableDuplicatesJob& job, engine::EngineProgress& progress);

inline const QString kNoDuplicateNumber = QStringLiteral("No Duplicate Number");
inline const QString kRemoveDuplicatesQuestion =
    QStringLiteral("Do you wish to delete the duplicate numbers from your phonelist.");
// removed & " Duplicate Number(s) is (are) removed"
QString RemovedText(std::int32_t removed);

// The numbers that stand more than once, with the copies still to drop.
// Numbers are compared as texts, without regard to case, so a number typed
// as text and the same number held as a number are one. Counting keeps one
// word per record for the usual phone texts (digits, blanks, "()-.#", up to
// 14 characters) and the text itself only for others.
class DuplicateGroups {
public:
    // The first pass: one record's number (area value & phone value).
    void Count(const QString& number);
    // After the first pass: the numbers seen more than once make the list.
    void Settle();
    bool Empty() const { return m_list.Count() == 0; }
    // The second pass, in list order: true when this copy is dropped, a
    // later copy of its number following.
    bool Drop(const QString& number);
    const CDuplicates& List() const { return m_list; }

private:
    static bool Pack(const QString& number, std::uint64_t& code);
    static QString Unpack(std::uint64_t code);

    std::vector<std::uint64_t> m_codes;    // first pass: packed numbers
    QHash<QString, std::int32_t> m_others; // first pass: numbers that do not pack, case-folded
    std::vector<std::uint64_t> m_listed;   // packed numbers of the list, sorted
    CDuplicates m_list;
};

} // namespace scrub
