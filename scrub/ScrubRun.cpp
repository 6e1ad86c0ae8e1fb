#include "scrub/ScrubRun.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/Globals.h"
#include "dncdb/ModuleDNC.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/files/DbfTable.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/FolderNames.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"
#include "platform/vb/Format.h"
#include "scrub/ListBackup.h"
#include "scrub/LookupThreads.h"
#include "scrub/ServerLookups.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <tuple>

namespace scrub {

namespace {

const QByteArray kCrLf("\r\n");

} // namespace

// ---------------------------------------------------------------- LineFile

LineFile::LineFile() = default;

LineFile::~LineFile()
{
    Discard();
}

void LineFile::Open(const QString& path)
{
    Discard();
    if (path.isEmpty())
        vb::Raise(vb::errnum::PathNotFound, QStringLiteral("LineFile"),
                  QStringLiteral("Path not found: '%1'").arg(path));
    // Whoever names the file, it never takes the place of one the program keeps.
    const QString clash = writeguard::WriteClash(QStringLiteral("file to write"), path);
    if (!clash.isEmpty()) vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("LineFile"), clash);
    fso::EnsureParentFolder(path);
    // Always beside the file and renamed over it: never written in place,
    // where a failure would leave a truncated file.
    auto file = std::make_unique<fso::ReplacementFile>(path);
    file->Open();
    // Judged again as the file Open resolved and holds to: a link switched
    // since the first judgement cannot lead the write elsewhere.
    const QString resolvedClash = writeguard::WriteClash(QStringLiteral("file to write"), file->Resolved());
    if (!resolvedClash.isEmpty())
        vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("LineFile"), resolvedClash);
    m_file = std::move(file);
    m_path = path;
}

void LineFile::Write(const QByteArray& bytes)
{
    Write(bytes.constData(), bytes.size());
}

// A write that failed has dropped the file: nothing can put it in place later.
template <class Step> void LineFile::checked(Step&& step)
{
    try {
        step();
    } catch (...) {
        m_file.reset();
        throw;
    }
}

void LineFile::Write(const char* data, qsizetype size)
{
    if (!m_file) vb::Raise(vb::errnum::BadFileMode, QStringLiteral("LineFile"));
    checked([&] { m_file->Write(data, size); });
}

void LineFile::Flush()
{
    if (m_file) checked([&] { m_file->Flush(); });
}

void LineFile::Close()
{
    if (!m_file) return;
    const std::unique_ptr<fso::ReplacementFile> file = std::move(m_file);
    file->Commit();
}

void LineFile::Discard()
{
    m_file.reset(); // not committed: the earlier file stays as it was
}

void LineFile::RequireUnchanged(const fso::FileStamp& asRead)
{
    if (m_file) m_file->RequireUnchanged(asRead);
}

void LineFile::CloseTogether(std::initializer_list<LineFile*> files, const std::function<void()>& between,
                             const QString& betweenJournal)
{
    CloseTogether(nullptr, files, between, betweenJournal);
}

void LineFile::CloseTogether(fso::ReplacementFile* first, std::initializer_list<LineFile*> files,
                             const std::function<void()>& between, const QString& betweenJournal)
{
    std::vector<std::unique_ptr<fso::ReplacementFile>> taken;
    std::vector<fso::ReplacementFile*> group{first};
    for (LineFile* f : files)
        if (f && f->m_file) {
            taken.push_back(std::move(f->m_file));
            group.push_back(taken.back().get());
        }
    fso::ReplacementFile::CommitTogether(group, between, betweenJournal);
}

// ---------------------------------------------------------------- ResultFiles

void ResultFiles::Open(const ScrubSettings& settings, const QString& dncHeader)
{
    if (settings.exportOk) {
        m_ok.Open(settings.okFile);
        m_ok.Write(kOkFileHeader.toUtf8() + kCrLf);
    }
    if (settings.exportDnc) {
        m_dnc.Open(settings.dncFile);
        m_dnc.Write(dncHeader.toUtf8() + kCrLf);
    }
}

namespace {

// The ten digits of a number, with its leading zeros, into d.
void TenDigits(std::uint64_t number, char* d)
{
    for (int k = 9; k >= 0; --k, number /= 10)
        d[k] = char('0' + number % 10);
}

} // namespace

void ResultFiles::WriteOk(std::uint64_t number)
{
    if (!m_ok.IsOpen()) return;
    char line[12];
    TenDigits(number, line);
    line[10] = '\r';
    line[11] = '\n';
    m_ok.Write(line, sizeof line);
}

void ResultFiles::WriteDnc(std::uint64_t number, const QString& separator)
{
    if (!m_dnc.IsOpen()) return;
    if (m_separator.isEmpty() || separator != m_separatorText) {
        m_separatorText = separator;
        m_separator = separator.toUtf8();
    }
    char digits[10];
    TenDigits(number, digits);
    m_dnc.Write(digits, sizeof digits);
    m_dnc.Write(m_separator);
    m_dnc.Write(m_stamp.Now());
    m_dnc.Write(kCrLf);
}

const QByteArray& DateStamp::Now()
{
    const double mono = vb::Timer();
    if (m_text.isEmpty() || mono >= m_until) {
        const QDateTime now = vb::CurrentClock().now();
        m_text = vb::CStr(vb::Variant::fromDate(vb::ToOleDate(now))).toUtf8();
        m_until = mono + (1000 - now.time().msec()) / 1000.0;
    }
    return m_text;
}

void ResultFiles::Discard()
{
    m_ok.Discard();
    m_dnc.Discard();
}

void ResultFiles::Close(LineFile* list, const std::function<void()>& between, const QString& betweenJournal)
{
    LineFile::CloseTogether({list, &m_ok, &m_dnc}, between, betweenJournal);
}

void SettleInterruptedCommits(const QString& listFile, const ScrubSettings* settings)
{
    QStringList files{listFile};
    if (settings && settings->exportOk) files << settings->okFile;
    if (settings && settings->exportDnc) files << settings->dncFile;
    fso::SettleGroupsNaming(files);
}

QString CommitJournalOf(const QString& listFile)
{
    // Where the engine keeps it: beside the file a link leads to.
    const QString table = fso::ResolvedFilePath(listFile);
    if (table.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive))
        return files::DbfTable::undoJournalPath(table);
    return table + QStringLiteral("-journal");
}

void ResultFiles::Close(fso::ReplacementFile* workbook)
{
    LineFile::CloseTogether(workbook, {&m_ok, &m_dnc});
}

// ---------------------------------------------------------------- RecordWalker

RecordWalker::RecordWalker(const ScrubSettings& settings, engine::EngineProgress& progress,
                           std::shared_ptr<ado::Connection> dncConn, QString dncSeparator)
    : m_settings(settings), m_progress(progress), m_dncConn(std::move(dncConn)),
      m_dncSeparator(std::move(dncSeparator)), m_dnc(m_dncConn), m_phoneTables(nullptr),
      m_lookup([this](const QString& table) { return m_phoneTables.Has(table); },
               [this](const QString& area, const QString& local) { return m_dnc.Count(area, local); },
               settings.nacNotInDnc)
{
}

RecordWalker::~RecordWalker()
{
    m_helpers.reset();
    if (!m_readTransaction) return;
    try {
        m_dncConn->RollbackTrans();
    } catch (...) {
        vb::CatchError();
    }
}

void RecordWalker::Begin(std::int32_t total)
{
    if (m_dncConn && m_dncConn->State() == ado::adStateOpen && m_dncConn->TransactionLevel() == 0) {
        m_dncConn->BeginReadTrans();
        m_readTransaction = true;
        // Helpers read the store beside the engine's connection; they see
        // what it sees only when it holds no changes of its own, as here.
        m_helpers = std::make_unique<LookupThreads>(m_dncConn, LookupThreads::DefaultCount());
    }
    // Read first in the run's transaction: on a server the table list is
    // then the one of the snapshot every look-up reads, with the area codes
    // another desktop created before the run began.
    m_phoneTables = PhoneTableList(m_dncConn);
    m_counters = ScrubCounters();
    m_counters.total = total;
    m_progress.Begin(m_counters.progressMaximum(), QString::number(m_counters.progressMaximum()));
    m_start = vb::Timer();
}

Outcome RecordWalker::Take(const QString& rawNumber, ResultFiles& files)
{
    Judgement judgement;
    if (std::optional<QString> number = CompleteNumber(rawNumber, m_settings.number)) {
        judgement.outcome = m_lookup.isListed(*number) ? Outcome::Found : Outcome::NotFound;
        judgement.number = number->toULongLong();
    }
    return Record(judgement, files);
}

void RecordWalker::Judge(const std::vector<QString>& rawNumbers, std::vector<Judgement>& judgements)
{
    JudgeStart(rawNumbers, judgements);
    JudgeFinish(judgements);
}

void RecordWalker::JudgeStart(const std::vector<QString>& rawNumbers, std::vector<Judgement>& judgements)
{
    std::vector<std::uint64_t> keys;
    keys.swap(m_order); // keeps the keys' room from run to run
    Complete(rawNumbers, judgements, keys);
    JudgeKeys(keys, judgements);
}

void RecordWalker::Complete(const std::vector<QString>& rawNumbers, std::vector<Judgement>& judgements,
                            std::vector<std::uint64_t>& keys) const
{
    judgements.resize(rawNumbers.size());
    keys.clear();
    for (std::size_t i = 0; i < rawNumbers.size(); ++i) {
        judgements[i] = Complete(rawNumbers[i]);
        if (judgements[i].number != Judgement::kNone) keys.push_back(Key(judgements[i].number, i));
    }
}

RecordWalker::Judgement RecordWalker::Complete(const QString& rawNumber) const
{
    // Ten digits (below 2^34) and the record's place (below 2^24) share one
    // key: one word to sort rather than a pair.
    Judgement j;
    if (std::optional<QString> number = CompleteNumber(rawNumber, m_settings.number))
        j.number = number->toULongLong();
    return j;
}

void RecordWalker::JudgeKeys(std::vector<std::uint64_t>& keys, std::vector<Judgement>& judgements)
{
    m_order.swap(keys);
    keys.clear();
    m_listed.assign(judgements.size(), 0);
    if (judgements.size() > kIndexMask) {
        // Too many records for the shared key (never a scrub's run): one by one.
        for (Judgement& j : judgements)
            if (j.outcome == Outcome::Unusable && j.number != Judgement::kNone)
                j.outcome = m_lookup.isListed(QStringLiteral("%1").arg(j.number, 10, 10, QLatin1Char('0')))
                                ? Outcome::Found
                                : Outcome::NotFound;
        m_listed.assign(judgements.size(), 0);
        return;
    }
    if (m_helpers && m_helpers->size() > 0 && m_order.size() >= kHelpedRound) {
        StartOnHelpers();
        return;
    }
    // The look-ups touch only the sorted values and one small table of
    // answers, so that the store's pages keep the processor's cache.
    std::sort(m_order.begin(), m_order.end());
    if (!JudgeOnServer(m_dncConn, m_order, kIndexBits, m_lookup, m_listed)) LookUpEach();
}

void RecordWalker::JudgeFinish(std::vector<Judgement>& judgements)
{
    if (m_helpers) m_helpers->Wait();
    for (std::size_t i = 0; i < judgements.size() && i < m_listed.size(); ++i)
        if (m_listed[i] != 0) judgements[i].outcome = m_listed[i] == 1 ? Outcome::Found : Outcome::NotFound;
}

void RecordWalker::LookUpEach()
{
    QString digits(10, u'0');
    std::uint64_t last = ~std::uint64_t(0);
    std::uint8_t listed = 0;
    for (const std::uint64_t key : m_order) {
        const std::uint64_t value = key >> kIndexBits;
        if (value != last) {
            QChar* d = digits.data();
            std::uint64_t v = value;
            for (int k = 9; k >= 0; --k, v /= 10)
                d[k] = QChar(u'0' + char16_t(v % 10));
            listed = m_lookup.isListed(digits) ? 1 : 2;
            last = value;
        }
        m_listed[key & kIndexMask] = listed;
    }
}

void RecordWalker::StartOnHelpers()
{
    // The table list is asked here, on the engine's thread, once per area
    // code of the run; the helpers only read the store.
    constexpr std::uint64_t kLocal = 10000000; // seven digits
    // Each helper takes a stretch of the numbers' range, so that it reads
    // its own part of the store; the keys are dealt into the stretches by
    // their leading bits, which is cheaper than sorting them here. Each
    // helper sorts its own stretch and reads its part front to back.
    constexpr int kShift = kIndexBits + 20;               // about a tenth of an area code
    constexpr std::size_t kSlices = std::size_t(1) << 14; // ten digits are below 2^34
    m_sliceCounts.assign(kSlices + 1, 0);
    for (const std::uint64_t key : m_order) {
        std::int8_t& state = m_tables[std::size_t((key >> kIndexBits) / kLocal)];
        if (state == 0) {
            const auto area = (key >> kIndexBits) / kLocal;
            state = m_lookup.HasTable(QStringLiteral("%1").arg(area, 3, 10, QLatin1Char('0'))) ? 1 : -1;
        }
        ++m_sliceCounts[std::size_t(key >> kShift) + 1];
    }
    const std::size_t parts = std::size_t(m_helpers->size());
    // Where each part's stretch begins; a slice is never split.
    m_partStarts.assign(parts + 1, m_order.size());
    m_partStarts[0] = 0;
    std::size_t part = 1;
    for (std::size_t i = 1; i <= kSlices; ++i) {
        m_sliceCounts[i] += m_sliceCounts[i - 1];
        while (part < parts && m_sliceCounts[i] >= m_order.size() * part / parts)
            m_partStarts[part++] = m_sliceCounts[i];
    }
    m_dealt.resize(m_order.size());
    for (const std::uint64_t key : m_order)
        m_dealt[m_sliceCounts[std::size_t(key >> kShift)]++] = key;

    const std::uint8_t noTable = m_lookup.NacNotInDnc() ? 1 : 2;
    m_helpers->Start([this, noTable](DNCLookups& lookups, int part) {
        const auto begin = m_dealt.begin() + std::ptrdiff_t(m_partStarts[std::size_t(part)]);
        const auto end = m_dealt.begin() + std::ptrdiff_t(m_partStarts[std::size_t(part) + 1]);
        std::sort(begin, end);
        std::uint64_t last = ~std::uint64_t(0);
        std::uint8_t listed = 0;
        for (auto k = begin; k != end; ++k) {
            const std::uint64_t key = *k;
            const std::uint64_t value = key >> kIndexBits;
            if (value != last) {
                const auto area = int(value / kLocal);
                listed = m_tables[std::size_t(area)] > 0
                             ? (lookups.Count(area, std::int64_t(value % kLocal)) != 0 ? 1 : 2)
                             : noTable;
                last = value;
            }
            m_listed[key & kIndexMask] = listed;
        }
    });
}

Outcome RecordWalker::Record(const Judgement& judgement, ResultFiles& files)
{
    if (judgement.outcome == Outcome::Found)
        files.WriteDnc(judgement.number, m_dncSeparator);
    else if (judgement.outcome == Outcome::NotFound)
        files.WriteOk(judgement.number);
    if (m_counters.add(judgement.outcome)) Report(false);
    return judgement.outcome;
}

void RecordWalker::Report(bool final)
{
    if (m_progress.Due(final)) {
        m_progress.Status(m_counters.statusText(), 1);
        m_progress.Show(m_counters.progressValue(), QString::number(m_counters.records));
        m_progress.Status(ElapsedText(0, vb::Timer() - m_start), 2);
    }
    m_progress.Yield(!final);
}

void RecordWalker::End()
{
    m_helpers.reset();
    if (m_readTransaction) {
        m_readTransaction = false;
        m_dncConn->CommitTrans();
    }
    Report(true);
}

// ---------------------------------------------------------------- helpers

QString DncConnectionString()
{
    if (gDataAccess) return gDataAccess->DefaultConnectionString();
    return gConnectionString;
}

std::shared_ptr<ado::Connection> OpenDncConnection()
{
    auto conn = ado::Connection::Create();
    conn->Open(DncConnectionString(), QString(), QString());
    MapDncStore(conn);
    return conn;
}

void MapDncStore(const std::shared_ptr<ado::Connection>& conn)
{
    // A run makes one random look-up per record.
    conn->PrepareForLookups();
}

namespace {

// The files that belong to a list file: a table's memo and index files and
// its undo journal, a database's journals, each named as the list's.
QList<writeguard::Kept> CompanionFiles(const QString& source)
{
    QList<writeguard::Kept> files = writeguard::DatabaseFiles(source, QStringLiteral("the calling list"));
    const QString what = QStringLiteral("a file of the calling list");
    for (const QString& companion : files::DbfTable::companionPaths(source))
        files << writeguard::Kept{companion, what, source};
    files << writeguard::Kept{files::DbfTable::undoJournalPath(source), what, source};
    return files;
}

// A workbook's save in progress lies beside it as ".<name>.XXXXXX".
bool IsSaveFileOf(const QString& path, const QString& source)
{
    const QFileInfo result(fso::ResolvedFilePath(path));
    const QFileInfo list(fso::ResolvedFilePath(source));
    if (!fso::IsSameFile(result.path(), list.path())) return false;
    const QString prefix = u'.' + list.fileName() + u'.';
    const QString name = result.fileName();
    return name.size() == prefix.size() + 6 && fso::SameName(list.path(), name.left(prefix.size()), prefix);
}

} // namespace

QString ResultFileClash(const QString& kind, const QString& path, const QStringList& sourcePaths,
                        const QList<writeguard::Kept>& runFiles)
{
    if (path.isEmpty()) return {};
    const QString retry = QStringLiteral(" Please input another %1 File Name!").arg(kind);
    // Refused as a read-only list is, before anything is written.
    if (fso::IsReadOnlyFile(fso::ResolvedFilePath(path)))
        return QStringLiteral("The %1 file '%2' is read-only!").arg(kind, path) + retry;
    for (const QString& source : sourcePaths) {
        if (fso::IsSameFile(path, source))
            return QStringLiteral("The %1 file is the calling list itself!").arg(kind) + retry;
        if (IsSaveFileOf(path, source))
            return QStringLiteral("The %1 file '%2' is a file of the calling list '%3'!")
                       .arg(kind, path, source) +
                   retry;
    }
    // The file itself is the last of a list's names (a table's ".dbf").
    QList<writeguard::Kept> kept = runFiles;
    for (auto source = sourcePaths.crbegin(); source != sourcePaths.crend(); ++source)
        kept << CompanionFiles(*source);
    const QString clash = writeguard::WriteClash(kind + QStringLiteral(" file"), path, kept);
    return clash.isEmpty() ? clash : clash + retry;
}

QString ResultFileClash(const ScrubSettings& settings, const QStringList& sourcePaths,
                        const QList<writeguard::Kept>& runFiles)
{
    // The list is the first file a run writes: never one the program keeps.
    for (const QString& source : sourcePaths) {
        const QString clash = writeguard::WriteClash(QStringLiteral("calling list"), source);
        if (!clash.isEmpty()) return clash;
    }
    // The backup and its companions are outputs of the run too; their
    // stamp is not known yet, so a result file named as any of them is
    // refused before anything is copied.
    if (settings.backupOriginal)
        for (const auto& [kind, file, on] :
             {std::tuple{QStringLiteral("OK"), settings.okFile, settings.exportOk},
              std::tuple{QStringLiteral("DNC"), settings.dncFile, settings.exportDnc}})
            for (auto source = sourcePaths.crbegin(); source != sourcePaths.crend(); ++source)
                if (on && IsBackupNameOf(file, *source))
                    return QStringLiteral("The %1 file '%2' is named as a backup of the calling list '%3'! "
                                          "Please input another %1 File Name!")
                        .arg(kind, file, *source);
    if (settings.exportOk) {
        const QString clash = ResultFileClash(QStringLiteral("OK"), settings.okFile, sourcePaths, runFiles);
        if (!clash.isEmpty()) return clash;
    }
    if (settings.exportDnc) {
        const QString clash = ResultFileClash(QStringLiteral("DNC"), settings.dncFile, sourcePaths, runFiles);
        if (!clash.isEmpty()) return clash;
    }
    if (settings.exportOk && settings.exportDnc && fso::IsSameFile(settings.okFile, settings.dncFile))
        return QStringLiteral(
            "The OK file and the DNC file are one file! Please input two different file names!");
    return {};
}

void RefuseWriteClash(const QString& kind, const QString& path, const QString& list, const QString& function)
{
    const QString clash =
        writeguard::WriteClash(kind, path, {writeguard::RunFile(list, QStringLiteral("the calling list"))});
    if (!clash.isEmpty()) vb::Raise(vb::errnum::PathFileAccessError, function, clash);
}

QString FileStamp()
{
    return vb::Format(vb::Now(), QStringLiteral("yymmddHHnnss"));
}

} // namespace scrub
