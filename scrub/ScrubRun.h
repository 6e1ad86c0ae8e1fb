#pragma once
// What every scrub routine needs around the record rule: the settings fixed
// for one run, the OK and DNC result files, and the walker that applies the
// rule to one number after another and keeps the counters and the progress
// cadence.

#include "core/EngineProgress.h"
#include "core/WriteGuard.h"
#include "dncdb/ModuleDNC.h"
#include "scrub/ScrubRule.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace ado {
class Connection;
}
namespace fso {
class ReplacementFile;
struct FileStamp;
} // namespace fso

namespace scrub {

class LookupThreads;

// The choices one run works with; copied from the window and the current
// source profile before the run starts and not changed during it (the
// window is disabled while it runs).
struct ScrubSettings {
    QString phoneField;   // DataFieldName
    QString areaField;    // DataAreaName; empty: none
    QString markField;    // DataMarkName
    NumberOptions number; // "addareacode", "defaultcode"
    bool nacNotInDnc = false;
    bool exportOk = false;
    bool exportDnc = false;
    QString okFile;
    QString dncFile;
    std::int32_t markAction = 0; // 0 prefix, 1 suffix, other replace
    bool backupOriginal = false;
    bool deleteFound = false; // a found record is deleted; else its mark field is marked
    QString markText;         // the mark
};

// A text file written through a buffer and put in place when closed: until
// then an earlier file of the same name stays as it was, and a file that could
// not be written whole never takes its place.
class LineFile {
public:
    LineFile();
    ~LineFile(); // a file not closed is unfinished: it is discarded
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // Creates the file's folder when it is missing. Throws vb::ErrObject 70 /
    // 76 when the file cannot be created.
    void Open(const QString& path);
    bool IsOpen() const { return m_file != nullptr; }
    void Write(const QByteArray& bytes);
    void Write(const char* data, qsizetype size);
    // Writes out what is buffered; throws 57 when it cannot, and the file is
    // then cancelled.
    void Flush();
    // Flushes and puts the file in place; throws 57 when it cannot (a short
    // write, a full disk), and the earlier file stays.
    void Close();
    // Drops what was written; an earlier file of the name stays as it was.
    void Discard();
    // Closes the open ones as one (fso::ReplacementFile::CommitTogether):
    // all written out and synced, then between(), then put in place back to
    // back; a failure leaves every earlier file as it was.
    // betweenJournal: see CommitTogether.
    static void CloseTogether(std::initializer_list<LineFile*> files,
                              const std::function<void()>& between = {}, const QString& betweenJournal = {});
    // The same with another replacement in front of them (a workbook's).
    static void CloseTogether(fso::ReplacementFile* first, std::initializer_list<LineFile*> files,
                              const std::function<void()>& between = {}, const QString& betweenJournal = {});
    // The file was read as asRead: the close refuses (75) when it changed
    // since (see fso::ReplacementFile::RequireUnchanged).
    void RequireUnchanged(const fso::FileStamp& asRead);

private:
    template <class Step> void checked(Step&& step);
    std::unique_ptr<fso::ReplacementFile> m_file;
    QString m_path;
};

// The file whose existence shows that a table list's transaction is not
// committed yet: a FoxPro table's undo journal, a database's "-journal"
// (beside the file a link leads to). A group commit of the result files
// follows it (see CommitTogether).
QString CommitJournalOf(const QString& listFile);
// Finishes or undoes the group commits a kill cut short that name the list
// or (when settings are given) its result files: called before the list is
// opened, judged or stamped, as the table's own undo journal is played back
// at its open.
void SettleInterruptedCommits(const QString& listFile, const ScrubSettings* settings = nullptr);

// The present date and time as result lines show them. The text changes
// once a second; reading the local time and formatting it for every line
// would cost more than the look-up.
class DateStamp {
public:
    const QByteArray& Now();

private:
    double m_until = 0; // the monotonic time at which m_text's second ends
    QByteArray m_text;
};

// The OK and DNC result files of one run, each opened only when the
// settings ask for it, with its header line.
class ResultFiles {
public:
    void Open(const ScrubSettings& settings, const QString& dncHeader);
    // The ten digits of a number.
    void WriteOk(std::uint64_t number);
    // The ten digits & separator & the present date and time.
    void WriteDnc(std::uint64_t number, const QString& separator);
    // Puts both in place together, and the rewritten list with them when
    // one is given (LineFile::CloseTogether): a failure leaves the earlier
    // files and the list as they were. The list is renamed first: a kill
    // between the renames may leave a finished list beside earlier result
    // files, never result files that tell of a change the list lacks. between() runs once everything is
    // written and synced, before the first rename: the commit of a table
    // changed in place, so that result files never tell of a change a kill
    // could still take back.
    void Close(LineFile* list = nullptr, const std::function<void()>& between = {},
               const QString& betweenJournal = {});
    // The same with a workbook's replacement as the list (none when it
    // needs no new content).
    void Close(fso::ReplacementFile* workbook);
    // After a failed run: earlier result files stay as they were.
    void Discard();

private:
    LineFile m_ok;
    LineFile m_dnc;
    DateStamp m_stamp;
    QByteArray m_separator; // of the DNC lines, as written
    QString m_separatorText;
};

// The record rule over a run: completes each number, looks it up on the DNC
// connection (through the program's table list), writes the result line,
// raises the counters and reports the progress every 100 records: the
// counts in panel 1, the records beside the bar, the seconds in panel 2.
class RecordWalker {
public:
    RecordWalker(const ScrubSettings& settings, engine::EngineProgress& progress,
                 std::shared_ptr<ado::Connection> dncConn, QString dncSeparator);
    ~RecordWalker(); // ends the look-ups' read transaction when End did not
    RecordWalker(const RecordWalker&) = delete;
    RecordWalker& operator=(const RecordWalker&) = delete;

    // Before the first record: the counters' total, the progress bar and the
    // start time. The look-ups of the run share one read transaction on the
    // DNC connection, so the database is not locked and checked anew for
    // every number.
    void Begin(std::int32_t total);
    // One record: the raw number (area value & phone value) in, the outcome
    // out. For a found number the caller deletes or marks the record.
    Outcome Take(const QString& rawNumber, ResultFiles& files);

    // The same in two steps for a run of records: Judge completes and looks
    // up all their numbers, in the order of the numbers so that the store is
    // read front to back rather than at random; Record then takes each
    // record's judgement in the list's own order (result line, counters,
    // progress). The outcome of every record is the one Take gives.
    struct Judgement {
        static constexpr std::uint64_t kNone = ~std::uint64_t(0);
        Outcome outcome = Outcome::Unusable;
        // The ten digits looked up, as a number (a number of ten digits
        // gives its text back with its leading zeros); kNone when the
        // record has no usable number.
        std::uint64_t number = kNone;
    };
    void Judge(const std::vector<QString>& rawNumbers, std::vector<Judgement>& judgements);
    // Judge in two halves, so that the caller can read its next run of
    // records while the look-ups of this one go on beside it: JudgeStart
    // completes the numbers and hands out their look-ups, JudgeFinish waits
    // for the answers. One run at a time is between the two; the numbers'
    // texts may be changed once JudgeStart returned.
    void JudgeStart(const std::vector<QString>& rawNumbers, std::vector<Judgement>& judgements);
    void JudgeFinish(std::vector<Judgement>& judgements);
    // JudgeStart in two halves again, so that completing the numbers can be
    // done on a thread that reads the list: Complete touches nothing of the
    // walker's and gives each usable number's key; JudgeKeys hands out the
    // look-ups of those keys and takes them over (keys is left empty).
    void Complete(const std::vector<QString>& rawNumbers, std::vector<Judgement>& judgements,
                  std::vector<std::uint64_t>& keys) const;
    // One number completed, not judged yet; and its key at a place of the run.
    Judgement Complete(const QString& rawNumber) const;
    static std::uint64_t Key(std::uint64_t number, std::size_t place)
    {
        return number << kIndexBits | (place & kIndexMask);
    }
    void JudgeKeys(std::vector<std::uint64_t>& keys, std::vector<Judgement>& judgements);
    Outcome Record(const Judgement& judgement, ResultFiles& files);
    // After the last record: the final progress.
    void End();

    const ScrubCounters& Counters() const { return m_counters; }

private:
    // Judge's answers for m_order, one look-up per distinct number.
    void LookUpEach();
    // The same handed out to the helpers, each taking a stretch of m_order.
    void StartOnHelpers();
    void Report(bool final);

    const ScrubSettings& m_settings;
    engine::EngineProgress& m_progress;
    std::shared_ptr<ado::Connection> m_dncConn;
    QString m_dncSeparator;
    DNCLookups m_dnc;
    PhoneTableList m_phoneTables;
    DncLookup m_lookup;
    ScrubCounters m_counters;
    double m_start = 0;
    bool m_readTransaction = false;
    static constexpr int kIndexBits = 24;
    static constexpr std::uint64_t kIndexMask = (std::uint64_t(1) << kIndexBits) - 1;
    // Rounds smaller than this are looked up on the engine's thread: handing
    // them out would cost more than it saves.
    static constexpr std::size_t kHelpedRound = 1024;
    std::vector<std::uint64_t> m_order; // Judge's numbers: value above, record's place below

    std::vector<std::uint8_t> m_listed; // Judge's answers: 0 none, 1 listed, 2 not
    std::unique_ptr<LookupThreads> m_helpers;
    std::vector<std::uint64_t> m_dealt;       // m_order dealt into the helpers' stretches
    std::vector<std::size_t> m_sliceCounts;   // keys per slice of the range, then where each slice starts
    std::vector<std::size_t> m_partStarts;    // where each helper's stretch of m_dealt begins
    std::array<std::int8_t, 1000> m_tables{}; // per area code: 0 not asked yet, 1 a table, -1 none
};

// The DNC database's connection string: the data access object's default.
QString DncConnectionString();
// A connection to the DNC database opened for one run (empty user and
// password). Throws vb::ErrObject when it cannot be opened.
std::shared_ptr<ado::Connection> OpenDncConnection();
// Readies an open DNC connection for a run's look-ups (they jump around the
// file): a page cache of a fixed size; a connection that has none is left
// alone.
void MapDncStore(const std::shared_ptr<ado::Connection>& conn);

// Why a run must not start: its OK or DNC file is one of the source's files
// or their companions (memo, index and journal files, a workbook's save in
// progress), one of the program's own files (writeguard::ProgramFiles), one
// of runFiles, or the two are one file; whatever the spelling of the paths.
// Empty when the names are sound. Only the result files the settings ask for
// count.
QString ResultFileClash(const ScrubSettings& settings, const QStringList& sourcePaths,
                        const QList<writeguard::Kept>& runFiles = {});
// The same for one result file, named kind ("OK", "DNC"); empty for no name.
QString ResultFileClash(const QString& kind, const QString& path, const QStringList& sourcePaths,
                        const QList<writeguard::Kept>& runFiles = {});

// Raises 75 from function when the file named kind ("backup file") at path
// may not be written: it is one of the program's own files or the list.
void RefuseWriteClash(const QString& kind, const QString& path, const QString& list, const QString& function);

// "yymmddHHnnss" of the present moment, for backup names.
QString FileStamp();

} // namespace scrub
