#pragma once
// What beside a sheet's cells is anchored to its rows: notes and their
// drawing, threaded comments, pictures and charts, tables, the workbook's
// defined names. A save after rows were deleted moves each with its row (or
// drops it with a deleted row); what cannot be moved is found beforehand so
// that a deletion that would disturb it is refused before anything changes.

#include "platform/files/XlsxParts.h"
#include "platform/files/XlsxRows.h"

#include <functional>
#include <unordered_map>

namespace files::detail {

// Rewrites a part in place; the reason when it cannot.
using PartRewrite = std::function<QString(QByteArray& part)>;

// The rewrites a save needs for the sheets whose rows were deleted, keyed
// by part name in lower case.
void AddRowAnchorRewrites(BookData& book, std::unordered_map<QString, PartRewrite>& rewrites);

// What of the sheet a deletion could not move: read from the sheet's own
// part (form controls, formulas of conditional formats and validations),
// the other sheets' parts (their conditional formats and validations), the
// parts beside it and the workbook's names and charts.
std::vector<RowHold> FindRowHolds(BookData& book, const SheetData& sheet);

} // namespace files::detail
