#pragma once
// Duplicate removal: a number that stands more than once in a calling list
// keeps only its last copy. One pass counts the numbers, a second walks the
// list and drops every copy that a later one follows. A text list is
// rewritten into a copy beside it (the records that stay byte for byte)
// that then takes its place; a workbook loses the rows of the dropped
// copies, the rows below moving up. No DNC look-up, no result file.

#include "core/CDuplicates.h"

#include <QHash>
#include <QString>
#include <cstdint>
#include <vector>

namespace scrub {

// The window a removal reports to.
class DuplicateView {
public:
    virtual ~DuplicateView() = default;
    // Before the walk: the bar runs from 0 to total.
    virtual void BeginProgress(std::int32_t total) = 0;
    // Every 100 records read and once after the last (final = true).
    virtual void ShowProgress(std::int32_t records, double elapsedSeconds, bool final) = 0;
    // Status-bar panel 1.
    virtual void ShowStatus(const QString& text) = 0;
};

struct TextDuplicatesJob {
    QString folder;           // DataDBName
    QString fileName;         // DataTableName
    QString connectionString; // the profile's text connection string (header flag, format)
    bool titleFirstLine = true;
    QString phoneField; // DataFieldName
    QString areaField;  // DataAreaName; empty: none
};

struct ExcelDuplicatesJob {
    QString workbookPath; // DataDBName
    QString sheetName;    // DataTableName
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

struct DuplicatesResult {
    bool completed = false; // false: declined, stopped with a message, or an error reported
    std::int32_t records = 0;
    std::int32_t removed = 0;
    std::int32_t recordCount = -1; // a workbook's records after the run
};

// Each asks first whether to go on; each reports its own errors once
// (text "GetExcelFields", workbook "CheckExcel") and then leaves the list
// as it was. The finished run shows "Action is finished!".
DuplicatesResult RemoveTextDuplicates(const TextDuplicatesJob& job, DuplicateView& view);
DuplicatesResult RemoveExcelDuplicates(const ExcelDuplicatesJob& job, DuplicateView& view);
// A table loses the rows of the dropped copies, by their row addresses, in
// one transaction of the source: an error takes every deletion back
// (reported as "CheckAccess" or "CheckFoxPro").
DuplicatesResult RemoveTableDuplicates(const TableDuplicatesJob& job, DuplicateView& view);

inline const QString kNoDuplicateNumber = QStringLiteral("No Duplicate Number");
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
