#pragma once
// Rows of a sheet before and after rows were deleted from it, and the
// references ("B3", "A1:C9", "2:5", "'My calls'!$A$2") that follow them.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace files::detail {

// Rows deleted since the sheet was read, in the numbering of that file.
class RowMap {
public:
    RowMap() = default;
    explicit RowMap(std::vector<std::uint32_t> deleted);
    bool empty() const { return m_del.empty(); }
    bool isDeleted(int row) const;
    // Maps rows top..bottom to the rows they occupy now; false when every
    // one of them was deleted.
    bool mapRows(int top, int bottom, int& newTop, int& newBottom) const;
    // The row where what stood at `row` stands now; a deleted row gives the
    // row that took its place.
    int landing(int row) const;

private:
    std::vector<std::uint32_t> m_del;
};

// One reference ("B3", "A1:C9", "2:5", "A:C"); an empty result when all of
// its rows were deleted. A reference it cannot read is kept as it is. With
// dropSingleCell, a range that shrinks to one cell goes too.
QString mapRef(const QString& ref, const RowMap& map, bool dropSingleCell = false);
// A space-separated list of references; what is left of it.
QString mapSqref(const QString& sqref, const RowMap& map);

// A reference inside a formula, outside its string literals.
struct FormulaRef {
    qsizetype start = 0; // of the whole match, sheet included
    qsizetype length = 0;
    QString sheet;            // unquoted; "" when the reference names no sheet
    QString ref;              // "$A$2", "A1:C9", "2:5", "A:C"
    bool absoluteRow = false; // some row of it is written with "$"
    int highestRow = 0;       // 0 for whole columns
};
std::vector<FormulaRef> FindRefs(const QString& formula);

// Whether a formula is only references, separated by commas (a print area,
// a named range), so that moving its rows is a rewrite of each.
bool IsReferenceList(const QString& formula);

// Rewrites each reference of such a list to the sheet whose rows moved
// (mapOf gives its RowMap, or nullptr for a sheet whose rows did not move).
// A reference whose rows all went becomes "<sheet>!#REF!", as in Excel.
QString MapReferenceList(const QString& formula, const std::function<const RowMap*(const QString&)>& mapOf);

} // namespace files::detail
