#include "scrub/TableScrub.h"

#include "core/ErrorReport.h"
#include "dncdb/ModuleDNC.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/FoxProProvider.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/files/DbfTable.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"
#include "scrub/ListCopy.h"

#include <QFileInfo>
#include <vector>

namespace scrub {

namespace {

// Records read ahead for one round of look-ups, as in the text scrub: the
// look-ups of a round meet in the store's pages; memory stays small.
constexpr std::size_t kBatch = 65536;

bool IsNumericType(int type)
{
    switch (type) {
    case ado::adSmallInt:
    case ado::adInteger:
    case ado::adBigInt:
    case ado::adUnsignedTinyInt:
    case ado::adSingle:
    case ado::adDouble:
    case ado::adCurrency:
    case ado::adNumeric:
    case ado::adDecimal:
        return true;
    default:
        return false;
    }
}

// One record of a round: where it is, and what its mark field held.
struct Pending {
    qint64 address = 0;
    vb::Variant oldMark;
};

// The routine's name in its failure reports.
QString RoutineName(const TableScrubJob& job)
{
    return job.kind == TableScrubJob::Kind::Access ? QStringLiteral("CheckAccess")
                                                   : QStringLiteral("CheckFoxPro");
}

// Why the mark cannot be written into a FoxPro table: a character its code
// page lacks. Empty when it can, and for a database, which holds every one.
QString MarkRefusal(const TableScrubJob& job)
{
    const QString& mark = job.settings.markText;
    if (job.kind != TableScrubJob::Kind::FoxPro || job.settings.deleteFound || mark.isEmpty()) return {};
    const QString file = TableFiles(job).front();
    if (!QFileInfo::exists(file)) return {}; // the provider's open says what is missing
    const QString lacking = files::CodePage(files::DbfTable(file, files::DbfTable::Mode::ReadOnly).codePage())
                                .lacking(mark, file);
    if (lacking.isEmpty()) return {};
    return lacking + QStringLiteral(" The mark '%1' cannot be written into it; the table was left as it was.")
                         .arg(mark);
}

void CloseQuietly(const std::shared_ptr<ado::Recordset>& rs)
{
    try {
        if (rs && rs->State() == ado::adStateOpen) rs->Close();
    } catch (...) {
        vb::CatchError();
    }
}

} // namespace

QStringList TableFiles(const TableScrubJob& job)
{
    const ado::ConnectionString cs(job.connectionString);
    if (job.kind == TableScrubJob::Kind::Access) return {cs.dataSource()};
    const QString folder = FolderWithSeparator(
        cs.contains(QStringLiteral("SourceDB")) ? cs.value(QStringLiteral("SourceDB")) : cs.dataSource());
    // The file the provider reads for the name, or the name's own file when
    // the folder holds none yet.
    const QString file = ado::DbfFileOf(folder, job.tableName);
    if (!file.isEmpty()) return {folder + file};
    return {folder + (job.tableName.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive)
                          ? job.tableName
                          : job.tableName + QStringLiteral(".dbf"))};
}

void RequireWritableTable(const TableScrubJob& job, const QString& action)
{
    for (const QString& file : TableFiles(job))
        RequireWritableList(fso::ResolvedFilePath(file), file, action);
}

ScrubResult WritableTableCheck(const TableScrubJob& job)
{
    ScrubResult result;
    try {
        RequireWritableTable(job);
    } catch (...) {
        result.failure = engine::FailureOf(vb::CatchError(), QString(), RoutineName(job));
    }
    return result;
}

int FieldIndex(ado::Recordset& rs, const QString& name)
{
    ado::Field& wanted = rs.Fields().Item(name);
    for (int i = 0; i < rs.Fields().Count(); ++i)
        if (&rs.Fields().Item(i) == &wanted) return i;
    return -1;
}

RowAddresses::RowAddresses(const std::shared_ptr<ado::Connection>& conn, const QString& table,
                           ado::Recordset& rs)
{
    ado::SqliteConnection* db = conn->provider() ? conn->provider()->sqlite() : nullptr;
    if (!db) return;
    m_keyNames = db->keyWithoutRowid(table);
    for (const QString& name : m_keyNames)
        m_keyColumns.push_back(FieldIndex(rs, name));
}

qint64 RowAddresses::Of(ado::Recordset& rs)
{
    if (m_keyColumns.empty()) return rs.Bookmark();
    const auto address = qint64(m_keys.size() / m_keyColumns.size());
    for (const int column : m_keyColumns)
        m_keys.push_back(rs.Value(column));
    return address;
}

QString RowAddresses::Where() const
{
    if (m_keyColumns.empty()) return QStringLiteral("rowid = ?");
    QStringList terms;
    for (const QString& name : m_keyNames)
        terms << ado::QuoteName(name) + QStringLiteral(" = ?");
    return terms.join(QStringLiteral(" and "));
}

void RowAddresses::Bind(ado::Command& command, int first, qint64 address) const
{
    if (m_keyColumns.empty()) {
        command.SetParameter(first, vb::Variant::fromLongLong(address));
        return;
    }
    const std::size_t n = m_keyColumns.size();
    for (std::size_t i = 0; i < n; ++i)
        command.SetParameter(first + int(i), m_keys[std::size_t(address) * n + i]);
}

void RowAddresses::RequireOneRow(long changed) const
{
    if (m_keyColumns.empty() || changed == 1) return;
    vb::Raise(vb::errnum::ItemNotFound, QStringLiteral("ScrubTable"),
              QStringLiteral("A row of the table was not found again by its key (%1).")
                  .arg(m_keyNames.join(QStringLiteral(", "))));
}

TableRows::TableRows(const std::shared_ptr<ado::Connection>& conn, const QString& table, ado::Recordset& rs,
                     int markColumn, const RowAddresses& at)
    : m_numeric(IsNumericType(rs.Fields().Item(markColumn).Type())), m_at(at)
{
    m_mark = conn->Prepare(QStringLiteral("update ") + ado::QuoteName(table) + QStringLiteral(" set ") +
                           ado::QuoteName(rs.Fields().Item(markColumn).Name()) +
                           QStringLiteral(" = ? where ") + at.Where());
}

void TableRows::Mark(qint64 address, const QString& marked)
{
    vb::Variant value(marked);
    if (m_numeric) {
        if (marked.isEmpty()) {
            value = vb::Variant::Null();
        } else {
            if (!vb::IsNumeric(value))
                vb::Raise(
                    vb::errnum::TypeMismatch, QStringLiteral("ScrubTable"),
                    QStringLiteral("Data type mismatch: '%1' is no number for the mark field.").arg(marked));
            value = vb::Variant(vb::CDbl(value));
        }
    }
    m_mark->SetParameter(0, value);
    m_at.Bind(*m_mark, 1, address);
    long changed = 0;
    m_mark->Execute(&changed);
    m_at.RequireOneRow(changed);
}

void DeleteRows(const std::shared_ptr<ado::Connection>& conn, const QString& table, const RowAddresses& at,
                const std::vector<qint64>& addresses, engine::EngineProgress& progress)
{
    if (addresses.empty()) return;
    // The row found, and only it, goes; its own values play no part.
    auto remove = conn->Prepare(QStringLiteral("delete from ") + ado::QuoteName(table) +
                                QStringLiteral(" where ") + at.Where());
    std::size_t done = 0;
    for (const qint64 address : addresses) {
        // No row may be left to delete: the database's own relationships
        // may have taken it along with an earlier one.
        at.Bind(*remove, 0, address);
        remove->Execute();
        if (++done % 100 == 0) progress.Yield(true);
    }
}

ScrubResult ScrubTable(const TableScrubJob& job, engine::EngineProgress& progress,
                       const std::shared_ptr<ado::Connection>& dncConn)
{
    ScrubResult result;
    const ScrubSettings& settings = job.settings;
    const QString table = ado::QuoteName(job.tableName);
    const QString function = RoutineName(job);
    auto src = ado::Connection::Create();
    auto rs = ado::Recordset::Create();
    ResultFiles results;
    try {
        SettleInterruptedCommits(TableFiles(job).front(), &settings);
        // A result file must never take the place of the list's own file.
        const QString clash = ResultFileClash(settings, TableFiles(job));
        if (!clash.isEmpty()) vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("ScrubTable"), clash);
        RequireWritableTable(job);
        // A mark the table's code page cannot hold is refused before anything changes.
        result.refusal = MarkRefusal(job);
        if (!result.refusal.isEmpty()) return result;
        src->SetCursorLocation(ado::adUseServer);
        src->Open(job.connectionString, QString(), QString());
        results.Open(settings, kTableDncFileHeader);
        const std::int32_t total = CountRecords(table, src);

        // Every write of the run belongs to one transaction of the source;
        // the walk reads inside it, so its marks and deletes see one table.
        src->BeginTrans();
        rs->SetCursorLocation(ado::adUseServer);
        rs->Open(QStringLiteral("select * from ") + table, src, ado::adOpenDynamic, ado::adLockOptimistic);
        const int phoneColumn = FieldIndex(*rs, settings.phoneField);
        const bool hasArea = !settings.areaField.isEmpty();
        const int areaColumn = hasArea ? FieldIndex(*rs, settings.areaField) : -1;
        const int markColumn = FieldIndex(*rs, settings.markField);
        RowAddresses at(src, job.tableName, *rs);
        TableRows rows(src, job.tableName, *rs, markColumn, at);
        std::vector<qint64> doomed; // found rows to delete after the walk, by address

        ScrubSettings runSettings = settings;
        runSettings.number.dropElevenFirst = true;
        RecordWalker walker(runSettings, progress, dncConn, kTableDncSeparator);
        walker.Begin(total);

        // Records are taken in rounds: their numbers are looked up together,
        // then each record is counted, written to the result files and
        // marked in the table's own order.
        std::vector<QString> numbers;
        std::vector<Pending> pending;
        std::vector<RecordWalker::Judgement> judgements;
        numbers.reserve(kBatch);
        pending.reserve(kBatch);
        while (!rs->Eof()) {
            numbers.clear();
            pending.clear();
            while (numbers.size() < kBatch && !rs->Eof()) {
                numbers.push_back(BuildNumber(rs->Value(phoneColumn),
                                              hasArea ? rs->Value(areaColumn) : vb::Variant(), hasArea));
                pending.push_back({at.Of(*rs), rs->Value(markColumn)});
                rs->MoveNext();
            }
            walker.Judge(numbers, judgements);
            for (std::size_t i = 0; i < numbers.size(); ++i) {
                if (walker.Record(judgements[i], results) != Outcome::Found) continue;
                if (settings.deleteFound) {
                    doomed.push_back(pending[i].address);
                    continue;
                }
                const std::optional<QString> marked =
                    MarkedValue(pending[i].oldMark, settings.markText, settings.markAction);
                if (marked) rows.Mark(pending[i].address, *marked);
            }
        }
        rs->Close();

        // The walk's final progress shows as it ends, before the table is
        // changed; the look-ups' read transaction ends with it, before the
        // source commits: a list kept in the DNC database's own file cannot
        // commit under it.
        walker.End();
        DeleteRows(src, job.tableName, at, doomed, progress);
        result.counters = walker.Counters();
        // The table's changes are made lasting before the result files take
        // their places: a kill between the two then leaves no undo journal
        // that would take back a scrub the new result files tell of. The
        // result files are written and synced first, so that the renames
        // follow the commit at once; one that fails then leaves the earlier
        // result files beside the committed table.
        results.Close(
            nullptr, [&] { src->CommitTrans(); }, CommitJournalOf(TableFiles(job).front()));
        src->Close();
        result.completed = true;
        result.replaced = result.counters.found > 0;
    } catch (...) {
        const vb::ErrObject error = vb::CatchError();
        CloseQuietly(rs);
        try {
            if (src->State() == ado::adStateOpen) {
                if (src->TransactionLevel() > 0) src->RollbackTrans();
                src->Close();
            }
        } catch (...) {
            vb::CatchError();
        }
        results.Discard();
        result.failure = engine::FailureOf(error, QString(), function);
        return result;
    }
    result.summary = result.counters.summaryText();
    return result;
}

ScrubResult ScrubAccessTable(TableScrubJob job, engine::EngineProgress& progress,
                             const std::shared_ptr<ado::Connection>& dncConn)
{
    job.kind = TableScrubJob::Kind::Access;
    return ScrubTable(job, progress, dncConn);
}

ScrubResult ScrubFoxProTable(TableScrubJob job, engine::EngineProgress& progress,
                             const std::shared_ptr<ado::Connection>& dncConn)
{
    job.kind = TableScrubJob::Kind::FoxPro;
    return ScrubTable(job, progress, dncConn);
}

} // namespace scrub
