#include "scrub/ExcelSheetScrub.h"

#include "core/ErrorReport.h"
#include "core/ModuleExcel.h"
#include "platform/excel/Excel.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"
#include "scrub/ListCopy.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <vector>

namespace scrub {

namespace {

const QString kFunction = QStringLiteral("CheckExcel");

// Rows read ahead for one round of look-ups (see the text scrub).
constexpr int kBatch = 65536;

// The highest row a formula refers to on the sheet `sheetName` (a whole
// column counts as every row); 0 when it refers to none of its rows.
int HighestRowReferred(const QString& formula, bool onSheet, const QString& sheetName)
{
    // An optional sheet, then a cell, a cell range, a row range or a column range.
    static const QRegularExpression ref(QStringLiteral(
        R"re((?<![\w.$'])(?:('(?:[^']|'')+'|[A-Za-z_][\w.]*)!)?)re"
        R"re((?:(\$?[A-Za-z]{1,3}\$?(\d+))(?::\$?[A-Za-z]{1,3}\$?(\d+))?|\$?(\d+):\$?(\d+)|(\$?[A-Za-z]{1,3}:\$?[A-Za-z]{1,3}))(?![\w(]))re"));
    int highest = 0;
    auto it = ref.globalMatch(formula);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QString sheet = m.captured(1);
        if (sheet.startsWith(u'\''))
            sheet = sheet.mid(1, sheet.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
        const bool here = sheet.isEmpty() ? onSheet : sheet.compare(sheetName, Qt::CaseInsensitive) == 0;
        if (!here) continue;
        if (!m.captured(7).isEmpty()) return std::numeric_limits<int>::max();
        for (int group : {3, 4, 5, 6})
            highest = std::max(highest, m.captured(group).toInt());
    }
    return highest;
}

} // namespace

SheetRecords RecordsOfRange(int usedFirstRow, int usedLastRow, bool titleFirstLine)
{
    SheetRecords r;
    if (usedLastRow <= 0) return r;
    r.firstRow = usedFirstRow + (titleFirstLine ? 1 : 0);
    r.count = std::max(0, usedLastRow - r.firstRow + 1);
    return r;
}

bool FormulasReferToRows(excel::Workbook& book, const QString& sheetName, int firstRow, bool* onlyInRows)
{
    // A reference to the rows is what a refusal names first.
    bool inRows = false;
    for (const QString& name : book.WorksheetNames()) {
        const std::shared_ptr<excel::Worksheet> sheet = book.Worksheets(name);
        const bool onSheet = name.compare(sheetName, Qt::CaseInsensitive) == 0;
        for (const excel::Worksheet::FormulaCell& f : sheet->Formulas()) {
            if (HighestRowReferred(f.text, onSheet, sheetName) >= firstRow) {
                if (onlyInRows) *onlyInRows = false;
                return true;
            }
            inRows = inRows || (onSheet && f.row >= firstRow);
        }
    }
    if (onlyInRows) *onlyInRows = inRows;
    return inRows;
}

QString FormulaRowsMessage(const QString& sheetName, bool onlyInRows)
{
    if (onlyInRows)
        return QStringLiteral(
                   "The sheet %1 has formulas in its data rows, which deleting rows would move or "
                   "delete, so no row is deleted. Mark the numbers instead, or remove the formulas "
                   "first.")
            .arg(sheetName);
    return QStringLiteral("The sheet %1 has formulas that refer to its data rows. Deleting rows would leave "
                          "them pointing at the wrong cells, so no row is deleted. Mark the numbers instead, "
                          "or remove the formulas first.")
        .arg(sheetName);
}

QString ReadOnlyWorkbookMessage(const QString& fileName)
{
    return QStringLiteral("%1 is an Excel 97-2003 (.xls) workbook, which can only be read. Save it as an "
                          ".xlsx workbook in Excel first.")
        .arg(fileName);
}

QString ProtectedSheetMessage(const QString& sheetName)
{
    return QStringLiteral("The sheet %1 is protected, so none of its cells is changed. Remove the sheet's "
                          "protection in Excel first.")
        .arg(sheetName);
}

QString SheetRefusal(excel::Worksheet& sheet, int firstRow, bool deleting, int markColumn)
{
    excel::Workbook& book = *sheet.Parent();
    if (book.ReadOnly()) return ReadOnlyWorkbookMessage(book.Name());
    if ((deleting || markColumn > 0) && sheet.ProtectsCells(firstRow, deleting ? 0 : markColumn))
        return ProtectedSheetMessage(sheet.Name());
    bool onlyInRows = false;
    if (deleting && FormulasReferToRows(book, sheet.Name(), firstRow, &onlyInRows))
        return FormulaRowsMessage(sheet.Name(), onlyInRows);
    if (deleting) return sheet.RowsHeldMessage(firstRow);
    return {};
}

void CloseWithoutSaving(excel::Workbook& book)
{
    try {
        book.Close(false);
    } catch (...) {
        vb::CatchError();
    }
}

ExcelScrubResult WritableWorkbookCheck(const QString& path)
{
    ExcelScrubResult result;
    try {
        RequireWritableList(fso::ResolvedFilePath(path), path, QStringLiteral("scrubbed"));
    } catch (...) {
        result.failure = engine::FailureOf(vb::CatchError(), QString(), kFunction);
    }
    return result;
}

ExcelScrubResult ScrubExcelSheet(const ExcelScrubJob& job, engine::EngineProgress& progress,
                                 const std::shared_ptr<ado::Connection>& dncConn)
{
    ExcelScrubResult result;
    if (!job.sheet) return result;
    excel::Worksheet* const sheet = job.sheet.get();
    excel::Workbook& book = *sheet->Parent();
    ExcelScrubResult refused = WritableWorkbookCheck(book.FullName());
    if (refused.failure) {
        CloseWithoutSaving(book);
        return refused;
    }
    ResultFiles results;
    try {
        const files::CellRange used = sheet->UsedRange();
        const SheetRecords records = RecordsOfRange(used.firstRow, used.lastRow, job.titleFirstLine);
        result.refusal = SheetRefusal(*sheet, records.firstRow, job.settings.deleteFound && records.count > 0,
                                      job.markColumn);
        if (!result.refusal.isEmpty()) return result;

        ScrubSettings settings = job.settings;
        settings.number.dropElevenFirst = true;
        results.Open(settings, kTableDncFileHeader);
        RecordWalker walker(settings, progress, dncConn, kTableDncSeparator);
        walker.Begin(records.count);

        // Rows are taken in runs: their numbers are read and looked up
        // together, then each row is settled in order. A deleted row moves
        // the rows below it up, so a record's row is its place in the list
        // less the rows deleted before it.
        std::vector<QString> numbers;
        std::vector<RecordWalker::Judgement> judgements;
        std::int32_t deleted = 0;
        for (std::int32_t at = 0; at < records.count; at += kBatch) {
            const std::int32_t n = std::min<std::int32_t>(kBatch, records.count - at);
            numbers.resize(std::size_t(n));
            for (std::int32_t k = 0; k < n; ++k) {
                const int row = records.firstRow + at + k - deleted;
                QString& number = numbers[std::size_t(k)];
                number = job.areaColumn > 0 ? sheet->Cells(row, job.areaColumn).Text() : QString();
                number += sheet->Cells(row, job.phoneColumn).Text();
            }
            walker.Judge(numbers, judgements);
            for (std::int32_t k = 0; k < n; ++k) {
                const int row = records.firstRow + at + k - deleted;
                if (walker.Record(judgements[std::size_t(k)], results) != Outcome::Found) continue;
                if (settings.deleteFound) {
                    sheet->Rows(QString::number(row) + u':' + QString::number(row)).Delete();
                    ++deleted;
                    continue;
                }
                excel::Range mark = sheet->Cells(row, job.markColumn);
                if (const std::optional<QString> marked =
                        MarkedValue(vb::Variant(mark.Text()), settings.markText, settings.markAction))
                    mark.SetValue(vb::Variant(*marked));
            }
        }
        walker.End();
        result.counters = walker.Counters();

        const files::CellRange after = sheet->UsedRange();
        result.recordCount = RecordsOfRange(after.firstRow, after.lastRow, job.titleFirstLine).count;
        // The workbook and the result files take the earlier ones' place
        // as one: a save or a rename that fails leaves the workbook and the
        // earlier result files as they were.
        book.Save([&](fso::ReplacementFile* workbook) { results.Close(workbook); });
        book.Close(false);
        result.completed = true;
    } catch (...) {
        const vb::ErrObject error = vb::CatchError();
        // Half-written result files never take the place of earlier ones.
        results.Discard();
        CloseWithoutSaving(book);
        result.failure = engine::FailureOf(error, QString(), kFunction);
        return result;
    }
    result.summary = result.counters.summaryText();
    return result;
}

} // namespace scrub
