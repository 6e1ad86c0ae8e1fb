#include "scrub/WorkTableScrub.h"

#include "core/CDataStrings.h"
#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "core/SqlLiterals.h"
#include "dncdb/ModuleDNC.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/adox/Catalog.h"
#include "platform/files/TextFormat.h"
#include "platform/files/TextTable.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"
#include "platform/vb/Format.h"
#include "scrub/ListCopy.h"
#include "scrub/ScrubRule.h"
#include "scrub/TableScrub.h"
#include "scrub/TextFileScrub.h"
#include "scrub/TextLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace scrub {

namespace {

const QString kWorkTable = QStringLiteral("tempworktable");
const QByteArray kCrLf("\r\n");

// Rows read through the link at a time: the link's read ends before the
// flags are written, so no read lock stands in the way of the writes.
constexpr int kChunk = 10000;

[[noreturn]] void RaiseRun(const QString& description)
{
    vb::Raise(vb::errnum::InvalidProcedureCall, QStringLiteral("ScrubByWorkTable"), description);
}

// Every number of the list into the work table with one statement, one row
// per record in the list's own order (an index on the phone field must not
// order the copy): a Null or blank number is copied as "".
void CopyNumbers(const WorkTableJob& job)
{
    auto src = ado::Connection::Create();
    src->Open(job.connectionString, QString(), QString());
    try {
        // A field is named as the list's field list shows it; a workbook's
        // list labels its columns ("Phone - (B)"), so a label stands for the
        // column at its place.
        QStringList columns;
        {
            auto rs = ado::Recordset::Create();
            rs->Open(QStringLiteral("select * from ") + ado::QuoteName(job.tableName), src,
                     ado::adOpenForwardOnly, ado::adLockReadOnly);
            for (int i = 0; i < rs->Fields().Count(); ++i)
                columns << rs->Fields().Item(i).Name();
            rs->Close();
        }
        const auto column = [&](const QString& field) {
            if (columns.contains(field, Qt::CaseInsensitive)) return ado::QuoteName(field);
            const qsizetype at = job.fieldNames.indexOf(field);
            return ado::QuoteName(at >= 0 && at < columns.size() ? columns[at] : field);
        };
        const QString phone = column(job.phoneField);
        const QString number =
            job.areaField.isEmpty() ? phone : column(job.areaField) + QStringLiteral(" & ") + phone;
        src->Execute(QStringLiteral("INSERT INTO ") + kWorkTable + QStringLiteral(" (phone) in ") +
                         sqllit::S(job.workDatabase) + QStringLiteral("  select nz(") + number +
                         QStringLiteral(", '') from ") + ado::QuoteName(job.tableName) +
                         QStringLiteral(" order by rowid"),
                     nullptr, ado::adExecuteNoRecords);
    } catch (...) {
        const vb::ErrObject error = vb::CatchError();
        src->Close();
        throw error;
    }
    src->Close();
}

// The format path: "markformat" on with pieces to strip.
bool FormatPath(const WorkTableJob& job)
{
    return job.markFormat && !job.formatChar.trimmed().isEmpty();
}

// The pieces removed from a number before its look-up ("formatchar").
QStringList StripPieces(const WorkTableJob& job)
{
    QStringList pieces;
    if (!FormatPath(job)) return pieces;
    for (const QString& piece : job.formatChar.split(u','))
        if (!piece.trimmed().isEmpty()) pieces << piece.trimmed();
    return pieces;
}

// Walks the work table through its link in ID order, looks each number up
// and flags the found rows in batches; gives the number of rows flagged.
class FlagWalk {
public:
    FlagWalk(const WorkTableJob& job, engine::EngineProgress& progress, std::shared_ptr<ado::Connection> dnc,
             std::shared_ptr<ado::Connection> work, QString link)
        : m_progress(progress), m_dnc(std::move(dnc)), m_work(std::move(work)), m_link(std::move(link)),
          m_strip(StripPieces(job)), m_batch(FormatPath(job) ? 1000 : 100)
    {
    }

    std::int32_t Run(std::int32_t rows, double start)
    {
        // A step of the bar is a thousand rows.
        m_rows = rows;
        m_start = start;
        m_progress.Begin(rows / 1000.0 + 1, QString::number(rows));
        m_progress.Yield(false);
        std::int32_t done = 0;
        qint64 lastId = 0;
        std::vector<std::pair<qint64, QString>> chunk;
        std::vector<qint64> found;
        for (;;) {
            // A chunk is read and looked up in one read transaction of the
            // DNC database (not a lock per look-up), which ends before the
            // flags are written: the link's read must not hold the work
            // database while its flags change.
            const bool began = m_dnc->TransactionLevel() == 0;
            if (began) m_dnc->BeginReadTrans();
            try {
                ReadChunk(lastId, chunk);
                // Looked up in the order of the numbers, so that the store
                // is read front to back rather than at random.
                std::sort(chunk.begin(), chunk.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; });
                found.clear();
                for (auto& [id, number] : chunk) {
                    if (Listed(number)) found.push_back(id);
                    if (++done % 1000 == 0) Report(done);
                }
                std::sort(found.begin(), found.end());
            } catch (...) {
                const vb::ErrObject error = vb::CatchError();
                if (began) m_dnc->RollbackTrans();
                throw error;
            }
            if (began) m_dnc->CommitTrans();
            for (const qint64 id : found)
                Add(id);
            if (chunk.empty()) break;
            lastId = m_lastRead;
        }
        Flush();
        Report(done);
        return m_hits;
    }

private:
    void Report(std::int32_t done)
    {
        m_progress.Show(done >= m_rows ? m_rows / 1000.0 + 1 : done / 1000, QString::number(done));
        m_progress.Status(ElapsedText(0, vb::Timer() - m_start) + QStringLiteral(" seconds"), 2);
        m_progress.Yield(false);
    }

    void ReadChunk(qint64 lastId, std::vector<std::pair<qint64, QString>>& chunk)
    {
        chunk.clear();
        auto rs = ado::Recordset::Create();
        rs->SetCursorLocation(ado::adUseClient);
        rs->Open(QStringLiteral("select top %1 ID, phone from %2 where ID > %3 order by ID")
                     .arg(kChunk)
                     .arg(m_link)
                     .arg(lastId),
                 m_dnc, ado::adOpenForwardOnly, ado::adLockReadOnly);
        for (; !rs->Eof(); rs->MoveNext())
            chunk.emplace_back(vb::CLngLng(rs->Value(0)), StrippedNumber(rs->Value(1).text()));
        rs->Close();
        if (!chunk.empty()) m_lastRead = chunk.back().first;
    }

    QString StrippedNumber(QString number) const
    {
        for (const QString& piece : m_strip)
            number.remove(piece);
        return number;
    }

    bool Listed(const QString& number)
    {
        const QString area = number.left(3);
        if (area != m_lastArea) {
            // Read once, within the run: on a server it holds the area codes
            // other desktops created before the run began.
            if (!m_tables) m_tables = std::make_unique<PhoneTableList>(m_dnc);
            if (!m_tables->Has(QStringLiteral("phone") + area)) return false;
            m_lastArea = area;
        }
        // The number is bound, never pasted into SQL: a malformed one is
        // simply not on the list.
        return CountDNCPhone(area, number.mid(3), m_dnc) != 0;
    }

    void Add(qint64 id)
    {
        m_pending.push_back(id);
        if (int(m_pending.size()) >= m_batch) Flush();
    }

    void Flush()
    {
        if (m_pending.empty()) return;
        QString list;
        for (const qint64 id : m_pending)
            list += (list.isEmpty() ? QString() : QStringLiteral(",")) + QString::number(id);
        m_work->Execute(QStringLiteral("Update ") + kWorkTable +
                            QStringLiteral(" set DNC=true where ID in (") + list + QLatin1Char(')'),
                        nullptr, ado::adExecuteNoRecords);
        m_hits += std::int32_t(m_pending.size());
        m_pending.clear();
    }

    engine::EngineProgress& m_progress;
    std::int32_t m_rows = 0;
    double m_start = 0;
    std::shared_ptr<ado::Connection> m_dnc;
    std::unique_ptr<PhoneTableList> m_tables;
    std::shared_ptr<ado::Connection> m_work;
    QString m_link; // the work table's link in the DNC database
    QStringList m_strip;
    int m_batch;
    std::vector<qint64> m_pending;
    std::int32_t m_hits = 0;
    QString m_lastArea;
    qint64 m_lastRead = 0;
};

// The flags, one per record, in ID order.
class Flags {
public:
    explicit Flags(const std::shared_ptr<ado::Connection>& work)
    {
        m_rs = ado::Recordset::Create();
        m_rs->Open(QStringLiteral("Select  DNC from ") + kWorkTable + QStringLiteral(" order by ID"), work,
                   ado::adOpenForwardOnly, ado::adLockReadOnly);
    }
    ~Flags()
    {
        try {
            if (m_rs->State() == ado::adStateOpen) m_rs->Close();
        } catch (...) {
            vb::CatchError();
        }
    }
    // The next record's flag; a record without one is an error.
    bool Next()
    {
        if (m_rs->Eof())
            RaiseRun(QStringLiteral("The list has more records than the work table has numbers."));
        const bool found = vb::CBool(m_rs->Value(0));
        m_rs->MoveNext();
        ++m_taken;
        return found;
    }
    // After the last record: a flag left over is an error too.
    void End()
    {
        if (!m_rs->Eof())
            RaiseRun(QStringLiteral("The list has fewer records than the work table has numbers (%1).")
                         .arg(m_taken));
    }

private:
    std::shared_ptr<ado::Recordset> m_rs;
    std::int32_t m_taken = 0;
};

// The OK and DNC files of a write-back: a header of the list's fields (or
// its title line) and ",Checked Time"; a line per record.
class CheckedFiles {
public:
    void Open(const WorkTableJob& job, const QString& titleLine)
    {
        const QString header =
            (job.titleFirstLine && !titleLine.isNull() ? titleLine : job.fieldNames.join(u',')) +
            QStringLiteral(",Checked Time");
        if (job.exportOk) {
            m_ok.Open(job.okFile);
            m_ok.Write(header.toUtf8() + kCrLf);
        }
        if (job.exportDnc) {
            m_dnc.Open(job.dncFile);
            m_dnc.Write(header.toUtf8() + kCrLf);
        }
    }
    const QByteArray& Stamp() { return m_stamp.Now(); }
    void Write(bool found, const QByteArray& line)
    {
        LineFile& file = found ? m_dnc : m_ok;
        if (file.IsOpen()) file.Write(line + kCrLf);
    }
    bool Wanted(bool found) const { return found ? m_dnc.IsOpen() : m_ok.IsOpen(); }
    // Both put in place together, and the rewritten list with them when
    // given, as a scrub's result files are (ResultFiles::Close).
    void Close(LineFile* list = nullptr, const std::function<void()>& between = {},
               const QString& betweenJournal = {})
    {
        LineFile::CloseTogether({list, &m_ok, &m_dnc}, between, betweenJournal);
    }
    // A write-back that failed wrote nothing back: its result files go too
    // (an earlier file of the name stays as it was).
    void Discard()
    {
        m_ok.Discard();
        m_dnc.Discard();
    }

private:
    LineFile m_ok;
    LineFile m_dnc;
    DateStamp m_stamp;
};

// The list file the road reads and writes back.
QString ListFile(const WorkTableJob& job);

// The list's file as the numbers were copied from it; a database's with
// its write-ahead log, which takes its writes first (an empty log is made
// by every open, the road's own included, and counts as none).
struct ListStamp {
    fso::FileStamp list;
    fso::FileStamp log;
    bool operator==(const ListStamp&) const = default;
};

ListStamp StampList(const WorkTableJob& job)
{
    const QString file = fso::ResolvedFilePath(ListFile(job));
    ListStamp stamp{fso::StampOf(file), {}};
    if (job.source == WorkTableJob::Source::Access) {
        const fso::FileStamp log = fso::StampOf(file + QStringLiteral("-wal"));
        if (log.exists && log.size > 0) stamp.log = log;
    }
    return stamp;
}

// The write-back pairs the flags with the records by their place: a list
// another program wrote since the copy (records added, moved or removed)
// is left as it was.
void RequireListAsRead(const WorkTableJob& job, const ListStamp& asRead)
{
    if (!(StampList(job) == asRead)) RaiseListChanged(ListFile(job));
}

// The list's line as read, without its line end.
QByteArray LineOf(const files::TextRecord& record)
{
    QByteArray line = record.raw;
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

// The text list rewritten beside itself: a found record left out (delete)
// or with its mark field, and only that field, changed; every other byte
// kept. The copy takes the list's place only when a number was found and
// every record had its flag.
void MarkTextFromWorkTable(const WorkTableJob& job, const std::shared_ptr<ado::Connection>& work,
                           const ListStamp& asRead)
{
    const QString folder = FolderWithSeparator(job.folder);
    const QString source = folder + job.tableName;
    // A list that is a symbolic link is rewritten where it lies.
    const QString target = fso::ResolvedFilePath(source);
    RequireWritableList(target, source, QStringLiteral("scrubbed"));
    // Another program's lines added or moved since the numbers were copied
    // are not lost: the list is then left as it was (see ScrubTextFile).
    RequireListAsRead(job, asRead);
    files::TextTable table(source, ReaderOptions(job.connectionString, job.titleFirstLine));
    table.RefuseOpenQuote();
    QString titleLine;
    if (job.titleFirstLine) getFirstLine(source, true, &titleLine);
    const int markColumn = job.markPosition;

    Flags flags(work);
    CheckedFiles results;
    results.Open(job, job.titleFirstLine ? titleLine : QString());
    // The list's own replacement (see ScrubTextFile): a kill leaves no
    // second copy of the list beside it.
    LineFile copy;
    copy.Open(target);
    copy.RequireUnchanged(asRead.list);
    try {
        RecordCopy out(source, table.dataOffset(), copy);
        bool changed = false;
        files::TextRecord record;
        table.rewind();
        while (table.next(record)) {
            const bool found = flags.Next();
            if (results.Wanted(found)) results.Write(found, LineOf(record) + ", " + results.Stamp());
            if (!found) {
                out.Keep(record);
                continue;
            }
            changed = true;
            if (job.deleteFound) {
                out.Drop(record);
                continue;
            }
            // The mark goes before or after the value as it stands in the
            // line, blanks around it included.
            const std::optional<QString> marked =
                markColumn >= 0 && markColumn < table.columnCount()
                    ? MarkedValue(
                          vb::Variant(markColumn < record.fieldCount()
                                          ? files::decodeText(record.fieldBytes(markColumn), table.encoding())
                                          : QString()),
                          job.markText, job.markAction)
                    : std::nullopt;
            if (marked)
                out.Write(record,
                          files::replaceFields(record, {{markColumn, *marked}}, table.layoutOf(record)));
            else
                out.Keep(record);
        }
        flags.End();
        out.Finish();
        // The list and the result files take their places together: when
        // one cannot, the earlier ones all stay.
        if (!changed) copy.Discard();
        results.Close(changed ? &copy : nullptr);
    } catch (...) {
        copy.Discard();
        results.Discard();
        throw;
    }
}

// A record as the result files show it: "v1","v2",... and the time.
QByteArray RenderRecord(ado::Recordset& rs, const QByteArray& stamp)
{
    QString line = QStringLiteral("\"");
    for (int i = 0; i < rs.Fields().Count(); ++i) {
        if (i > 0) line += QStringLiteral("\",\"");
        const vb::Variant v = rs.Value(i);
        if (!v.isNull() && !v.isEmpty()) line += v.text();
    }
    return (line + QStringLiteral("\",")).toUtf8() + stamp;
}

// A sheet or an embedded table marked (or its found rows deleted, by
// address, after the walk) in one transaction of the source: any error
// takes every change back, and a workbook is then not saved.
void MarkTableFromWorkTable(const WorkTableJob& job, const std::shared_ptr<ado::Connection>& work,
                            engine::EngineProgress& progress, const ListStamp& asRead)
{
    const bool deleting = job.deleteFound && job.source == WorkTableJob::Source::Access;
    auto src = ado::Connection::Create();
    src->Open(job.connectionString, QString(), QString());
    auto rs = ado::Recordset::Create();
    CheckedFiles results;
    try {
        src->BeginTrans();
        rs->SetCursorLocation(ado::adUseServer);
        rs->Open(QStringLiteral("Select * from ") + ado::QuoteName(job.tableName) +
                     QStringLiteral(" order by rowid"),
                 src, ado::adOpenDynamic, ado::adLockOptimistic);
        // Judged once the walk's own read stands: what changed before it
        // would pair the flags with the wrong records.
        RequireListAsRead(job, asRead);
        if (job.markPosition < 0 || job.markPosition >= rs->Fields().Count())
            vb::Raise(vb::errnum::ItemNotFound, QStringLiteral("ADODB.Fields"),
                      QStringLiteral("The mark field is not a field of the list."));
        RowAddresses at(src, job.tableName, *rs);
        TableRows rows(src, job.tableName, *rs, job.markPosition, at);
        Flags flags(work);
        results.Open(job, QString());
        std::vector<qint64> doomed;
        for (; !rs->Eof(); rs->MoveNext()) {
            const bool found = flags.Next();
            // The line shows the record as it was, before its mark.
            if (results.Wanted(found)) results.Write(found, RenderRecord(*rs, results.Stamp()));
            if (!found) continue;
            if (deleting) {
                doomed.push_back(at.Of(*rs));
                continue;
            }
            const std::optional<QString> marked =
                MarkedValue(rs->Value(job.markPosition), job.markText, job.markAction);
            if (marked) rows.Mark(at.Of(*rs), *marked);
        }
        flags.End();
        rs->Close();
        DeleteRows(src, job.tableName, at, doomed, progress);
        // The table is committed once the result files are ready, and they
        // take their places only then (see ScrubTable).
        results.Close(
            nullptr, [&] { src->CommitTrans(); }, CommitJournalOf(ListFile(job)));
        src->Close();
    } catch (...) {
        const vb::ErrObject error = vb::CatchError();
        results.Discard();
        try {
            if (rs->State() == ado::adStateOpen) rs->Close();
            if (src->State() == ado::adStateOpen) {
                if (src->TransactionLevel() > 0) src->RollbackTrans();
                src->Close();
            }
        } catch (...) {
            vb::CatchError();
        }
        throw error;
    }
}

// The write-backs of a workbook's sheet and of an embedded table: one
// routine, which tells the two apart by the job's source.
void MarkExcelFromWorkTable(const WorkTableJob& job, const std::shared_ptr<ado::Connection>& work,
                            engine::EngineProgress& progress, const ListStamp& asRead)
{
    MarkTableFromWorkTable(job, work, progress, asRead);
}

void MarkAccessFromWorkTable(const WorkTableJob& job, const std::shared_ptr<ado::Connection>& work,
                             engine::EngineProgress& progress, const ListStamp& asRead)
{
    MarkTableFromWorkTable(job, work, progress, asRead);
}

void DropLink(const std::shared_ptr<ado::Connection>& dnc, const QString& link)
{
    auto catalog = adox::Catalog::Create();
    catalog->SetActiveConnection(dnc);
    catalog->Tables().Delete(link);
}

// The run's own work database and link: runs of two users (or two copies of
// one) in one program folder and on one DNC database never meet. Named
// beside the program's work database with the user's number and a random
// part, and held (flock) for the run, so that a later run of the user's
// removes only the databases no live run holds (a killed run's); another
// user's are never touched.
class RunWorkNames {
public:
    explicit RunWorkNames(const QString& workDatabase)
    {
        const QFileInfo base(workDatabase);
        m_folder = base.absolutePath();
        m_prefix = base.completeBaseName() + u'-' + QString::number(::geteuid()) + u'-';
        m_suffix = base.suffix().isEmpty() ? QString() : u'.' + base.suffix();
        QString random;
        for (int i = 0; i < 8; ++i)
            random += QChar(u'a' + QRandomGenerator::global()->bounded(26));
        database = m_folder + u'/' + m_prefix + random + m_suffix;
        link = kWorkTable + u'_' + random;
    }
    ~RunWorkNames()
    {
        if (m_held >= 0) ::close(m_held);
    }
    RunWorkNames(const RunWorkNames&) = delete;
    RunWorkNames& operator=(const RunWorkNames&) = delete;

    // The user's work databases no live run holds, with their journals.
    void RemoveEarlier() const
    {
        const QDir folder(m_folder);
        for (const QString& name :
             folder.entryList({m_prefix + u'*' + m_suffix}, QDir::Files | QDir::System)) {
            const QByteArray path = QFile::encodeName(folder.filePath(name));
            const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            if (fd < 0) continue;
            struct stat st {};
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                ::unlink((path + "-journal").constData());
                ::unlink(path.constData());
            }
            ::close(fd);
        }
    }
    void Hold()
    {
        m_held = ::open(QFile::encodeName(database).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (m_held >= 0) ::flock(m_held, LOCK_SH | LOCK_NB);
    }
    // Once the run is over, its database is left under the program's name
    // for it, as every run leaves it, in place of the user's own entry
    // there; where another user's lies, it goes instead.
    void Leave(const QString& programName)
    {
        if (m_held < 0) return;
        const QByteArray from = QFile::encodeName(database);
        const QByteArray to = QFile::encodeName(programName);
        struct stat st {};
        const bool free = ::lstat(to.constData(), &st) != 0
                              ? errno == ENOENT
                              : st.st_uid == ::geteuid() && !S_ISDIR(st.st_mode);
        if (!free || ::rename(from.constData(), to.constData()) != 0) ::unlink(from.constData());
        ::unlink((from + "-journal").constData());
        ::close(m_held);
        m_held = -1;
    }

    QString database;
    QString link;

private:
    QString m_folder, m_prefix, m_suffix;
    int m_held = -1;
};

// Links a killed run left in the DNC database whose work database is gone
// (a live run's, of whatever user, keeps its database).
void DropLeftLinks(adox::Catalog& catalog, const std::shared_ptr<ado::Connection>& dnc)
{
    ado::SqliteConnection* db = dnc->providerConnection() ? dnc->providerConnection()->sqlite() : nullptr;
    if (!db) return;
    for (const ado::LinkSpec& l : db->links())
        if (l.name.startsWith(kWorkTable, Qt::CaseInsensitive) && l.remoteTable == kWorkTable &&
            !QFileInfo::exists(l.dataSource))
            catalog.Tables().Delete(l.name);
}

// A status line, after which the window serves its events.
void Say(engine::EngineProgress& progress, const QString& text, std::int32_t panel)
{
    progress.Status(text, panel);
    progress.Yield(false);
}

// The list file the road reads and writes back.
QString ListFile(const WorkTableJob& job)
{
    if (job.source == WorkTableJob::Source::Text) return FolderWithSeparator(job.folder) + job.tableName;
    return ado::ConnectionString(job.connectionString).dataSource();
}

// Neither a result file nor the work database (the program's name for it,
// and the run's own, runDatabase) may take the place of the list, of each
// other or of a file the program keeps.
void RefuseResultFileClash(const WorkTableJob& job, const QString& runDatabase)
{
    const QString list = ListFile(job);
    const QString work = writeguard::WriteClash(
        QStringLiteral("work database"), job.workDatabase,
        {writeguard::RunFile(list, QStringLiteral("the calling list"))}, writeguard::Omit::WorkDatabase);
    if (!work.isEmpty()) vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("ScrubByWorkTable"), work);
    ScrubSettings names;
    names.exportOk = job.exportOk;
    names.exportDnc = job.exportDnc;
    names.okFile = job.okFile;
    names.dncFile = job.dncFile;
    const QString clash =
        ResultFileClash(names, {list},
                        writeguard::DatabaseFiles(job.workDatabase, QStringLiteral("the work database")) +
                            writeguard::DatabaseFiles(runDatabase, QStringLiteral("the work database")));
    if (!clash.isEmpty())
        vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("ScrubByWorkTable"), clash);
}

// The work database, made anew, and the list's numbers in it; gives its rows.
std::int32_t FillWorkDatabase(const WorkTableJob& job, std::shared_ptr<ado::Connection>& work,
                              RunWorkNames& names)
{
    CreateJetDatabase(job.workDatabase);
    names.Hold();
    work = ado::Connection::Create();
    work->Open(JetFileConnectionString(job.workDatabase), QString(), QString());
    CreateWorkTable(kWorkTable, work);
    CopyNumbers(job);
    if (FormatPath(job) && job.addAreaCode && job.defaultCode.size() == 3)
        work->Execute(QStringLiteral("Update ") + kWorkTable + QStringLiteral(" Set phone='") +
                          job.defaultCode + QStringLiteral("' & phone where len(phone)<10"),
                      nullptr, ado::adExecuteNoRecords);
    return CountRecords(kWorkTable, work);
}

// The flags written must be the flags found, and every row must have one,
// before anything of the list is touched.
void CountFlags(WorkTableResult& result, std::int32_t hits, const std::shared_ptr<ado::Connection>& work)
{
    result.flagged = CountRecords(kWorkTable + QStringLiteral(" where dnc=true"), work);
    if (result.flagged != hits)
        RaiseRun(QStringLiteral("The work table holds %1 flags for %2 numbers found.")
                     .arg(result.flagged)
                     .arg(hits));
    result.notFlagged = CountRecords(kWorkTable + QStringLiteral(" where dnc=false"), work);
    if (result.flagged + result.notFlagged != result.rows)
        RaiseRun(QStringLiteral("The work table's %1 rows have %2 flags.")
                     .arg(result.rows)
                     .arg(result.flagged + result.notFlagged));
}

// The flags carried back into the list; function is what a failure of it names.
bool WriteBack(const WorkTableJob& job, const std::shared_ptr<ado::Connection>& work,
               engine::EngineProgress& progress, QString& function, const ListStamp& asRead)
{
    switch (job.source) {
    case WorkTableJob::Source::Text:
        function = QStringLiteral("Output Text");
        MarkTextFromWorkTable(job, work, asRead);
        break;
    case WorkTableJob::Source::Excel:
        function = QStringLiteral("Output Excel");
        MarkExcelFromWorkTable(job, work, progress, asRead);
        break;
    case WorkTableJob::Source::Access:
        function = QStringLiteral("Output Excel");
        MarkAccessFromWorkTable(job, work, progress, asRead);
        break;
    case WorkTableJob::Source::Other:
        return false;
    }
    function = QStringLiteral("CheckAccess");
    return true;
}

} // namespace

void CreateWorkTable(const QString& name, const std::shared_ptr<ado::Connection>& conn)
{
    conn->Execute(
        QStringLiteral("Create Table ") + name +
            QStringLiteral(" (ID int  NOT NULL identity Primary Key ,Phone varchar(20) NOT NULL,DNC "
                           "BIT  NOT NULL );"),
        nullptr, ado::adExecuteNoRecords);
}

QString WorkTableStatus(std::int32_t flagged, std::int32_t notFlagged)
{
    const std::int32_t all = flagged + notFlagged;
    const double share = all > 0 ? flagged * 100.0 / all : 0.0;
    return QString::number(flagged) + QStringLiteral(" (") +
           vb::Format(vb::Variant(share), QStringLiteral("##0.00")) +
           QStringLiteral("%) numbers in DNC List");
}

WorkTableResult ScrubByWorkTable(const WorkTableJob& programJob, engine::EngineProgress& progress,
                                 const std::shared_ptr<ado::Connection>& dncConn)
{
    RunWorkNames names(programJob.workDatabase);
    WorkTableJob job = programJob;
    job.workDatabase = names.database;
    WorkTableResult result;
    QString function = QStringLiteral("CheckAccess");
    bool linked = false;
    std::shared_ptr<ado::Connection> work;
    try {
        Say(progress, QStringLiteral("Analyzing data ...."), 1);
        {
            ScrubSettings results;
            results.exportOk = job.exportOk;
            results.exportDnc = job.exportDnc;
            results.okFile = job.okFile;
            results.dncFile = job.dncFile;
            SettleInterruptedCommits(ListFile(job), &results);
        }
        RefuseResultFileClash(programJob, names.database);
        ListStamp asRead = StampList(job);
        names.RemoveEarlier();
        result.rows = FillWorkDatabase(job, work, names);

        const double start = vb::Timer();
        Say(progress, ElapsedText(start, vb::Timer()) + QStringLiteral(" seconds"), 2);
        {
            auto catalog = adox::Catalog::Create();
            catalog->SetActiveConnection(dncConn);
            DropLeftLinks(*catalog, dncConn);
            AppendLinkedTable(*catalog, job.workDatabase, kWorkTable, names.link);
            linked = true;
        }
        // The link is the road's own write to the DNC database, which may
        // hold the list too.
        if (job.source == WorkTableJob::Source::Access &&
            fso::IsSameFile(ListFile(job), ado::ConnectionString(dncConn->ConnectionString()).dataSource()))
            asRead = StampList(job);
        Say(progress, QStringLiteral("Start to Check ..."), 1);

        MapDncStore(dncConn);
        FlagWalk walk(job, progress, dncConn, work, names.link);
        const std::int32_t hits = walk.Run(result.rows, start);
        Say(progress, ElapsedText(start, vb::Timer()) + QStringLiteral(" seconds"), 2);
        CountFlags(result, hits, work);
        result.writtenBack = WriteBack(job, work, progress, function, asRead);

        result.status = WorkTableStatus(result.flagged, result.notFlagged);
        Say(progress, result.status, 1);
        linked = false;
        DropLink(dncConn, names.link);
        work->Close();
        names.Leave(programJob.workDatabase);
        result.completed = true;
    } catch (...) {
        const vb::ErrObject error = vb::CatchError();
        try {
            Say(progress, QString(), 1); // "Analyzing data ...." is over either way
            if (linked) DropLink(dncConn, names.link);
            if (work && work->State() == ado::adStateOpen) work->Close();
            names.Leave(programJob.workDatabase);
        } catch (...) {
            vb::CatchError();
        }
        result.failure = engine::FailureOf(error, QString(), function);
    }
    return result;
}

} // namespace scrub
