#include "scrub/DuplicateRemoval.h"

#include "core/ErrorReport.h"
#include "dncdb/ModuleDNC.h"
#include "platform/ado/Connection.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/Recordset.h"
#include "platform/excel/Excel.h"
#include "platform/files/TextTable.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Err.h"
#include "scrub/ExcelSheetScrub.h"
#include "scrub/ListCopy.h"
#include "scrub/ScrubRule.h"
#include "scrub/ScrubRun.h"
#include "scrub/TableScrub.h"
#include "scrub/TextFileScrub.h"

#include <QFileInfo>
#include <algorithm>
#include <functional>

namespace scrub {

namespace {

// Duplicate removal writes no result files: a refusal it shares with the
// scrubs does not speak of them.
engine::Failure OwnFailure(const vb::ErrObject& error, const QString& module, const QString& function)
{
    engine::Failure failure = engine::FailureOf(error, module, function);
    failure.description.replace(QStringLiteral(", and so were the result files."), QStringLiteral("."));
    return failure;
}

// The symbols a packed number is made of, four bits each.
constexpr char kSymbols[] = "0123456789()-. #";
constexpr int kPackedMax = 14;

const QString kFinished = QStringLiteral("Action is finished!");

// The records-read counter and its progress every 100 records.
class RecordsRead {
public:
    RecordsRead(engine::EngineProgress& progress, std::int32_t total)
        : m_progress(progress), m_total(total), m_start(vb::Timer())
    {
        m_progress.Begin(total, QString::number(total));
    }
    void Step()
    {
        if (++m_records % 100 == 0) Report(false);
    }
    // The walk's final progress, shown before the list is changed.
    void WalkEnded()
    {
        Report(true);
        m_walkEnded = true;
    }
    void End(std::int32_t removed)
    {
        if (!m_walkEnded) Report(true);
        m_progress.Status(RemovedText(removed), 1);
    }
    std::int32_t Records() const { return m_records; }

private:
    void Report(bool final)
    {
        if (m_progress.Due(final)) {
            m_progress.Show(std::min(m_records, m_total), QString::number(m_records));
            m_progress.Status(ElapsedText(0, vb::Timer() - m_start), 2);
        }
        m_progress.Yield(!final);
    }

    engine::EngineProgress& m_progress;
    std::int32_t m_total;
    double m_start;
    std::int32_t m_records = 0;
    bool m_walkEnded = false;
};

// A text record's number: area value & phone value. False when the phone
// value is empty: such records are never duplicates of each other.
bool NumberOf(const files::TextTable& table, const files::TextRecord& record, int phone, int area,
              QString& number)
{
    number.resize(0);
    if (area >= 0) AppendFieldText(table, record, area, number);
    const qsizetype areaLength = number.size();
    AppendFieldText(table, record, phone, number);
    return number.size() > areaLength;
}

bool NumberOf(const excel::Worksheet& sheet, int row, int phone, int area, QString& number)
{
    const QString phoneText = sheet.Cells(row, phone).Text();
    number = area > 0 ? sheet.Cells(row, area).Text() + phoneText : phoneText;
    return !phoneText.isEmpty();
}

} // namespace

QString RemovedText(std::int32_t removed)
{
    return QString::number(removed) + QStringLiteral(" Duplicate Number(s) is (are) removed");
}

// ---------------------------------------------------------------- DuplicateGroups

bool DuplicateGroups::Pack(const QString& number, std::uint64_t& code)
{
    const qsizetype n = number.size();
    if (n > kPackedMax) return false;
    std::uint64_t packed = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = number[i].unicode();
        int symbol = -1;
        if (c >= u'0' && c <= u'9')
            symbol = c - u'0';
        else
            for (int k = 10; k < 16; ++k)
                if (c == char16_t(kSymbols[k])) symbol = k;
        if (symbol < 0) return false;
        packed = packed << 4 | std::uint64_t(symbol);
    }
    code = std::uint64_t(n) << 56 | packed;
    return true;
}

QString DuplicateGroups::Unpack(std::uint64_t code)
{
    const int n = int(code >> 56);
    QString text(n, u' ');
    for (int i = n - 1; i >= 0; --i, code >>= 4)
        text[i] = QLatin1Char(kSymbols[code & 15]);
    return text;
}

void DuplicateGroups::Count(const QString& number)
{
    std::uint64_t code = 0;
    if (Pack(number, code))
        m_codes.push_back(code);
    else
        ++m_others[number.toCaseFolded()];
}

void DuplicateGroups::Settle()
{
    std::sort(m_codes.begin(), m_codes.end());
    for (std::size_t i = 0; i < m_codes.size();) {
        std::size_t j = i + 1;
        while (j < m_codes.size() && m_codes[j] == m_codes[i])
            ++j;
        if (j - i > 1) {
            m_listed.push_back(m_codes[i]);
            const QString number = Unpack(m_codes[i]);
            m_list.Add(std::int32_t(j - i), number, QStringLiteral(":") + number);
        }
        i = j;
    }
    m_codes.clear();
    m_codes.shrink_to_fit();
    for (auto it = m_others.cbegin(); it != m_others.cend(); ++it)
        if (it.value() > 1) m_list.Add(it.value(), it.key(), QStringLiteral(":") + it.key());
    m_others.clear();
}

bool DuplicateGroups::Drop(const QString& number)
{
    std::uint64_t code = 0;
    if (Pack(number, code) && !std::binary_search(m_listed.begin(), m_listed.end(), code)) return false;
    const QString key = QStringLiteral(":") + number;
    const std::shared_ptr<CDuplicate> item = m_list.Item(key);
    if (!item) return false;
    if (item->Count < 2) {
        m_list.Remove(key); // its last copy: settled
        return false;
    }
    --item->Count;
    return true;
}

// ---------------------------------------------------------------- text lists

DuplicatesResult RemoveTextDuplicates(const TextDuplicatesJob& job, engine::EngineProgress& out)
{
    DuplicatesResult result;
    const QString folder = FolderWithSeparator(job.folder);
    const QString source = folder + job.fileName;
    LineFile copy;
    try {
        // What a killed run left is settled before the list is read.
        SettleInterruptedCommits(source);
        // A list that is a symbolic link is rewritten where it lies.
        const QString target = fso::ResolvedFilePath(source);
        RequireWritableList(target, source, QStringLiteral("changed"));
        const fso::FileStamp asRead = fso::StampOf(target); // see ScrubTextFile
        files::TextTable table(source, ReaderOptions(job.connectionString, job.titleFirstLine));
        table.RefuseOpenQuote();
        const int phone = RequiredColumn(table, job.phoneField);
        const int area = job.areaField.isEmpty() ? -1 : RequiredColumn(table, job.areaField);

        DuplicateGroups groups;
        files::TextRecord record;
        QString number;
        table.rewind();
        while (table.next(record))
            if (NumberOf(table, record, phone, area, number)) groups.Count(number);
        groups.Settle();
        if (groups.Empty()) {
            out.Status(kNoDuplicateNumber, 1);
            result.completed = true;
            return result;
        }

        RecordsRead progress(out, std::int32_t(std::min<qint64>(table.recordCount(), INT32_MAX)));
        // Written as the list's own replacement (see ScrubTextFile): a kill
        // leaves no second copy of the list beside it.
        copy.Open(target);
        copy.RequireUnchanged(asRead);
        RecordCopy records(source, table.dataOffset(), copy);
        table.rewind();
        while (table.next(record)) {
            if (NumberOf(table, record, phone, area, number) && groups.Drop(number)) {
                records.Drop(record);
                ++result.removed;
            } else {
                records.Keep(record);
            }
            progress.Step();
        }
        records.Finish();
        result.records = progress.Records();
        progress.End(result.removed);
        copy.Close();
        result.completed = true;
    } catch (...) {
        const vb::ErrObject error = vb::CatchError();
        copy.Discard();
        // A refusal (the list changed) as well as a failure, in the words
        // duplicate removal owns.
        DuplicatesResult failed;
        if (error.Number == vb::errnum::PathFileAccessError)
            failed.refusal = OwnFailure(error, QString(), QString()).description;
        else
            failed.failure = OwnFailure(error, QString(), QStringLiteral("GetExcelFields"));
        return failed;
    }
    result.summary = kFinished;
    return result;
}

// ---------------------------------------------------------------- workbooks

DuplicatesResult RemoveExcelDuplicates(const ExcelDuplicatesJob& job, engine::EngineProgress& out)
{
    DuplicatesResult result;
    const std::shared_ptr<excel::Worksheet> sheet = job.sheet;
    if (!sheet) return result;
    excel::Workbook& book = *sheet->Parent();
    try {
        RequireWritableList(fso::ResolvedFilePath(book.FullName()), book.FullName(),
                            QStringLiteral("changed"));
        const files::CellRange used = sheet->UsedRange();
        const SheetRecords rows = RecordsOfRange(used.firstRow, used.lastRow, job.titleFirstLine);

        DuplicateGroups groups;
        QString number;
        for (std::int32_t i = 0; i < rows.count; ++i)
            if (NumberOf(*sheet, rows.firstRow + i, job.phoneColumn, job.areaColumn, number))
                groups.Count(number);
        groups.Settle();
        if (groups.Empty()) {
            out.Status(kNoDuplicateNumber, 1);
            result.completed = true;
            result.recordCount = rows.count;
            return result;
        }
        result.refusal = SheetRefusal(*sheet, rows.firstRow, true, 0);
        if (!result.refusal.isEmpty()) return result;

        // A deleted row moves the rows below it up: the next record is read
        // from the same row.
        RecordsRead progress(out, rows.count);
        int row = rows.firstRow;
        for (std::int32_t i = 0; i < rows.count; ++i) {
            if (NumberOf(*sheet, row, job.phoneColumn, job.areaColumn, number) && groups.Drop(number)) {
                sheet->Rows(QString::number(row) + u':' + QString::number(row)).Delete();
                ++result.removed;
            } else {
                ++row;
            }
            progress.Step();
        }
        result.records = progress.Records();
        progress.End(result.removed);
        const files::CellRange after = sheet->UsedRange();
        result.recordCount = RecordsOfRange(after.firstRow, after.lastRow, job.titleFirstLine).count;
        book.Close(true);
        result.completed = true;
    } catch (...) {
        const vb::ErrObject error = vb::CatchError();
        CloseWithoutSaving(book);
        DuplicatesResult failed;
        failed.failure = OwnFailure(error, QString(), QStringLiteral("CheckExcel"));
        return failed;
    }
    result.summary = kFinished;
    return result;
}

// ---------------------------------------------------------------- tables

DuplicatesResult RemoveTableDuplicates(const TableDuplicatesJob& job, engine::EngineProgress& out)
{
    DuplicatesResult result;
    const QString table = ado::QuoteName(job.tableName);
    auto src = ado::Connection::Create();
    std::shared_ptr<ado::Recordset> rs;
    try {
        TableScrubJob list;
        list.kind = job.kind == TableDuplicatesJob::Kind::Access ? TableScrubJob::Kind::Access
                                                                 : TableScrubJob::Kind::FoxPro;
        list.connectionString = job.connectionString;
        list.tableName = job.tableName;
        RequireWritableTable(list, QStringLiteral("changed"));
        src->SetCursorLocation(ado::adUseServer);
        src->Open(job.connectionString, QString(), QString());
        const bool hasArea = !job.areaField.isEmpty();
        // One walk over the table (with row addresses when asked for): each
        // record's number, and whether its phone value is empty.
        const auto walk = [&](bool addresses, const std::function<void(bool, const QString&)>& take) {
            rs = ado::Recordset::Create();
            rs->SetCursorLocation(ado::adUseServer);
            rs->Open(QStringLiteral("select * from ") + table, src,
                     addresses ? ado::adOpenDynamic : ado::adOpenForwardOnly,
                     addresses ? ado::adLockOptimistic : ado::adLockReadOnly);
            ado::Field& phone = rs->Fields().Item(job.phoneField);
            ado::Field* area = hasArea ? &rs->Fields().Item(job.areaField) : nullptr;
            for (; !rs->Eof(); rs->MoveNext()) {
                const vb::Variant phoneValue = phone.Value();
                take(!phoneValue.text().isEmpty(),
                     BuildNumber(phoneValue, area ? area->Value() : vb::Variant(), hasArea));
            }
            rs->Close();
        };

        DuplicateGroups groups;
        walk(false, [&](bool usable, const QString& number) {
            if (usable) groups.Count(number);
        });
        groups.Settle();
        if (groups.Empty()) {
            src->Close();
            out.Status(kNoDuplicateNumber, 1);
            result.completed = true;
            return result;
        }

        // The copies to drop are found by a read-only walk and deleted by
        // their addresses after it, all in one transaction of the source.
        RecordsRead progress(out, CountRecords(table, src));
        src->BeginTrans();
        std::vector<qint64> doomed;
        std::unique_ptr<RowAddresses> at;
        walk(true, [&](bool usable, const QString& number) {
            if (!at) at = std::make_unique<RowAddresses>(src, job.tableName, *rs);
            if (usable && groups.Drop(number)) doomed.push_back(at->Of(*rs));
            progress.Step();
        });
        progress.WalkEnded();
        if (at) DeleteRows(src, job.tableName, *at, doomed, out);
        src->CommitTrans();
        src->Close();
        result.removed = std::int32_t(doomed.size());
        result.records = progress.Records();
        progress.End(result.removed);
        result.completed = true;
    } catch (...) {
        const vb::ErrObject error = vb::CatchError();
        try {
            if (rs && rs->State() == ado::adStateOpen) rs->Close();
            if (src->State() == ado::adStateOpen) {
                if (src->TransactionLevel() > 0) src->RollbackTrans();
                src->Close();
            }
        } catch (...) {
            vb::CatchError();
        }
        DuplicatesResult failed;
        failed.failure =
            OwnFailure(error, QString(),
                       job.kind == TableDuplicatesJob::Kind::Access ? QStringLiteral("CheckAccess")
                                                                    : QStringLiteral("CheckFoxPro"));
        return failed;
    }
    result.summary = kFinished;
    return result;
}

} // namespace scrub
