#include "dncdb/DNCListImport.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "dncdb/ModuleDNC.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/NumberSet.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/TextProvider.h"
#include "platform/adox/Catalog.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Conversion.h"

#include <QScopeGuard>
#include <QSet>
#include <algorithm>
#include <vector>

namespace dncimport {

namespace {

const QString kLinkedTable = QStringLiteral("MyLinkedTable");
// A link of that name already there (a stale one is replaced below).
constexpr std::int32_t kTableExists = -2147217857;

// The largest local number: seven digits.
constexpr std::int64_t kLargestLocalNumber = 9999999;

FillHook& Hook()
{
    static FillHook hook;
    return hook;
}

// While it lives, the data access object raises its errors instead of
// showing them, so that the engine can hand the first one to its caller.
class RaisingDataAccess {
public:
    explicit RaisingDataAccess(CDataAccess& access) : m_access(access), m_before(access.IsRaiseError())
    {
        m_access.SetIsRaiseError(true);
    }
    ~RaisingDataAccess() { m_access.SetIsRaiseError(m_before); }
    RaisingDataAccess(const RaisingDataAccess&) = delete;
    RaisingDataAccess& operator=(const RaisingDataAccess&) = delete;

private:
    CDataAccess& m_access;
    bool m_before;
};

// The module and function a raised error names: the data access object
// raises with "function IN module"; anything else is the import's own.
engine::Failure FailureOf(const vb::ErrObject& e)
{
    const QString separator = QStringLiteral(" IN ");
    const qsizetype at = e.Source.indexOf(separator);
    if (at > 0 && e.Source.mid(at + separator.size()) == u"DataAccessAPI")
        return engine::FailureOf(e, e.Source.mid(at + separator.size()), e.Source.left(at));
    return engine::FailureOf(e, QString(), QStringLiteral("LinkTables"));
}

class Run {
public:
    Run(const ImportJob& job, CDataAccess& access, CDataStrings& tables, engine::EngineProgress& progress)
        : m_job(job), m_access(access), m_tables(tables), m_progress(progress), m_start(vb::Timer())
    {
    }
    ImportResult Go();

private:
    void timerLine()
    {
        Status(m_progress,
               QStringLiteral("Timer:") + vb::CStr(vb::Variant(static_cast<float>(vb::Timer() - m_start))),
               2);
        m_progress.Yield(false);
    }
    void progressStep()
    {
        m_progress.Show(++m_bar, QString());
        m_progress.Yield(false);
    }
    void exec(const QString& sql) { m_access.ExecQuery(sql); }
    // Drops the link and closes the shared connection; what fails here is
    // passed over, so the error that stopped the run is the one reported.
    void dropLinkAndClose();
    // The end of a run that got through its steps (also after "No Value"):
    // the progress shows the end.
    void cleanUp()
    {
        m_progress.End();
        dropLinkAndClose();
    }
    bool linkImportText();
    // The fields of the linked import text; -1 when they cannot be read (a
    // failure of the field list, "GetExcelFields").
    std::int32_t linkedFieldNames(std::vector<QString>& names);
    std::vector<QString> readAreaCodes(bool oneField, const QString& f1);
    // Blanks the values that are no area code to import (not three digits,
    // not kept, seen before); false when no line starts with an area code.
    bool keepAreaCodes(std::vector<QString>& codes);
    // Runs a statement of the copy on the shared connection; gives the rows
    // it changed. Its error is the data access object's.
    long execCounted(const QString& sql);
    // Runs a step of the copy through a fast path of the store's provider;
    // its error is the data access object's, as a statement's would be.
    template <typename Step> std::int64_t fastStep(Step step);
    // The stored total follows each area code's commit.
    void storeTotal();
    // The area code's table, made in the run's transaction when the list
    // lacks it; false when it could not be made.
    bool ensureTable(const QString& a, const QString& t);
    bool importAreaCode(const QString& a, bool oneField, const QString& f1, const QString& f2);
    void noValue();

    const ImportJob& m_job;
    CDataAccess& m_access;
    CDataStrings& m_tables;
    engine::EngineProgress& m_progress;
    const double m_start;
    ImportResult m_result;
    double m_bar = 0; // the bar's value
    std::shared_ptr<adox::Catalog> m_catalog;
    std::shared_ptr<ado::Connection> m_conn;
    // The numbers of the area code at work, when the store's provider takes
    // them in bulk (the program's own database): they are read straight
    // into it and added from it in ascending order, with no work table
    // between. Empty on a server, which goes through the work table.
    std::optional<ado::NumberSet> m_numbers;
    bool m_inTransaction = false;
    bool m_tablesMissing = false; // an area code's table could not be made
    std::int64_t m_total = 0;     // the store's total as committed so far
};

void Run::dropLinkAndClose()
{
    if (m_inTransaction) {
        m_inTransaction = false;
        m_result.tablesStale = true;
        try {
            m_access.RollbackTrans();
        } catch (...) {
            // A failure that ended the transaction itself (a full disk)
            // leaves nothing to roll back: that is no second error.
            vb::CatchError();
        }
    }
    try {
        if (m_catalog && m_catalog->ActiveConnection()) m_catalog->Tables().Delete(kLinkedTable);
    } catch (...) {
        vb::CatchError();
    }
    m_catalog.reset();
    m_conn.reset();
    try {
        m_access.CloseConnection();
    } catch (...) {
        vb::CatchError();
    }
}

long Run::execCounted(const QString& sql)
{
    long changed = 0;
    try {
        m_conn->Execute(sql, &changed, ado::adExecuteNoRecords);
    } catch (...) {
        const vb::ErrObject e = vb::CatchError();
        throw vb::ErrObject(e.Number, e.Description, QStringLiteral("ExecQuery IN DataAccessAPI"));
    }
    return changed;
}

template <typename Step> std::int64_t Run::fastStep(Step step)
{
    try {
        return step(*m_conn->provider());
    } catch (...) {
        const vb::ErrObject e = vb::CatchError();
        throw vb::ErrObject(e.Number, e.Description, QStringLiteral("ExecQuery IN DataAccessAPI"));
    }
}

void Run::storeTotal()
{
    if (!m_job.total) return;
    execCounted(QStringLiteral("update DefProperty set PropertyValue = '") + QString::number(m_total) +
                QStringLiteral("' where PropertyKeys = 'lasttotal'"));
}

// The import text is linked a line per record: a stray quote or a NUL byte
// costs its own line, never the rest of the file.
bool Run::linkImportText()
{
    // The shared connection is the catalog's.
    if (!m_access.OpenConnection(m_access.DefaultConnectionString())) return false;
    m_conn = m_access.GetConnection();
    // A large list's statements may run for minutes on a server: none is
    // cut for taking long (a server that stops answering still is).
    if (m_conn) m_conn->SetCommandTimeout(0);
    m_catalog = adox::Catalog::Create();
    m_catalog->SetActiveConnection(m_conn);

    auto linked = adox::Table::Create(kLinkedTable);
    linked->SetParentCatalog(m_catalog.get());
    linked->Properties().Item(QStringLiteral("Jet OLEDB:Create Link")).SetValue(vb::Variant(true));
    linked->Properties()
        .Item(QStringLiteral("Jet OLEDB:Link Provider String"))
        .SetValue(vb::Variant(m_job.linkProviderString + QStringLiteral(";LineRecords=Yes")));
    linked->Properties()
        .Item(QStringLiteral("Jet OLEDB:Remote Table Name"))
        .SetValue(vb::Variant(m_job.fileName));
    try {
        m_catalog->Tables().Delete(kLinkedTable);
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        if (e.Number != vb::errnum::ItemNotFound && e.Number != kTableExists) throw;
    }
    m_catalog->Tables().Append(linked);
    return true;
}

std::int32_t Run::linkedFieldNames(std::vector<QString>& names)
{
    std::shared_ptr<ado::Recordset> rs = ado::Recordset::Create();
    try {
        rs->SetCursorLocation(ado::adUseServer);
        rs->Open(QStringLiteral("select top 1 * from ") + m_conn->QuoteName(kLinkedTable), m_conn,
                 ado::adOpenForwardOnly, ado::adLockReadOnly);
        const int n = rs->Fields().Count();
        if (names.size() < size_t(n)) names.resize(size_t(n));
        for (int i = 0; i < n; ++i)
            names[size_t(i)] = rs->Fields().Item(i).Name();
        rs->Close();
        return n;
    } catch (...) {
        m_result.failure = engine::FailureOf(vb::CatchError(), QString(), QStringLiteral("GetExcelFields"));
        try {
            if (rs->State() != ado::adStateClosed) rs->Close();
        } catch (...) {
            vb::CatchError();
        }
        return -1;
    }
}

// The distinct first values (or first three characters of the one field);
// an entry that is not imported becomes "".
std::vector<QString> Run::readAreaCodes(bool oneField, const QString& f1)
{
    // The query reads the whole text once: the lines it passed over as
    // unreadable are those of the file.
    const qint64 passedOver = ado::TextLinesPassedOver();
    const auto countUnreadable =
        qScopeGuard([&] { m_result.stats.linesUnreadable = ado::TextLinesPassedOver() - passedOver; });
    std::shared_ptr<ado::Recordset> rs;
    const QString codesSql =
        oneField ? QStringLiteral("select distinct mid(") + f1 + QStringLiteral(",1,3) from MyLinkedTable")
                 : QStringLiteral("select distinct ") + f1 + QStringLiteral(" from MyLinkedTable");
    // On the shared connection: its reading of the text (the records, the
    // index of the first field built on the way) serves the area codes'
    // reads that follow.
    m_access.GetRecordset(codesSql, rs);
    timerLine();
    std::vector<QString> codes;
    if (rs->Eof()) {
        rs->Close();
        return codes;
    }
    const std::vector<std::vector<vb::Variant>> rows = rs->GetRows();
    rs->Close();
    if (!rows.empty()) {
        codes.reserve(rows[0].size());
        for (const vb::Variant& v : rows[0])
            codes.push_back(v.isNull() || v.isEmpty() ? QString() : v.text());
    }
    return codes;
}

bool Run::keepAreaCodes(std::vector<QString>& codes)
{
    const QString kept = QStringLiteral(",") + m_job.keptAreaCodes + QStringLiteral(",");
    QSet<QString> seen;
    bool usable = false; // a line of the text starts with an area code
    for (QString& a : codes) {
        usable = usable || IsAreaCode(a);
        if (!IsAreaCode(a) ||
            (kept != QStringLiteral(",,") && !kept.contains(QStringLiteral(",") + a + QStringLiteral(","))) ||
            seen.contains(a)) {
            a.clear();
            ++m_result.stats.areaCodesSkipped;
            continue;
        }
        seen.insert(a);
    }
    return usable;
}

// The table is made in the same transaction that fills it: a run that stops
// (an error, a full disk, the process killed) leaves no empty table, which
// would pass every number of its area code.
bool Run::ensureTable(const QString& a, const QString& t)
{
    if (m_tables.Item(t)) return true;
    m_result.tablesStale = true;
    try {
        AddPhoneTable(a, m_conn, m_tables);
    } catch (...) {
        const vb::ErrObject e = vb::CatchError();
        m_result.failure = engine::FailureOf(e, e.Source, QStringLiteral("LoadTables"));
    }
    if (m_tables.Item(t)) return true;
    m_tablesMissing = true;
    return false;
}

// One area code in a transaction of its own: the first statement that fails
// stops the import and its area code is rolled back, so the work table never
// carries numbers into the next code's table.
bool Run::importAreaCode(const QString& a, bool oneField, const QString& f1, const QString& f2)
{
    const QString t = QStringLiteral("phone") + a;
    Status(m_progress, QStringLiteral("Starting to Import Area Code:") + a + QStringLiteral(" ..."), 1);
    timerLine();

    if (!m_access.BeginTrans()) return false; // the shared connection is gone
    m_inTransaction = true;
    if (!ensureTable(a, t)) return false;

    // The local numbers of the area code, as the work table's integer
    // column stores them; what is no local number is counted and left out.
    const QString numbersSql =
        oneField ? QStringLiteral("select mid(") + f1 + QStringLiteral(",4) from MyLinkedTable where left(") +
                       f1 + QStringLiteral(",3) =") + a
                 : QStringLiteral("select ") + f2 + QStringLiteral(" from MyLinkedTable where ") + f1 +
                       QStringLiteral(" =") + a;
    if (m_numbers) {
        m_numbers->clear();
        m_result.stats.linesSkipped +=
            fastStep([&](ado::ProviderConnection& p) { return p.collectNumbers(numbersSql, *m_numbers); });
    } else {
        exec(QStringLiteral("Insert into MyTempTable (phone) ") + numbersSql);
        m_result.stats.linesSkipped += PrepareWorkTable(m_conn);
    }
    if (Hook()) Hook()(a);
    timerLine();
    progressStep();

    m_total += m_numbers
                   ? fastStep([&](ado::ProviderConnection& p) {
                         return p.addMissingNumbers(t, QStringLiteral("phone"), *m_numbers);
                     })
                   : execCounted(QStringLiteral("Insert into ") + t +
                                 QStringLiteral(" (phone) SELECT distinct MyTempTable.Phone FROM "
                                                "MyTempTable LEFT JOIN ") +
                                 t + QStringLiteral(" ON MyTempTable.Phone = ") + t +
                                 QStringLiteral(".Phone  WHERE ") + t + QStringLiteral(".Phone Is Null"));
    storeTotal();
    timerLine();
    progressStep();

    if (!m_numbers) {
        exec(QStringLiteral("delete from MyTempTable"));
        ReleaseWorkTable(m_conn);
    }
    timerLine();

    m_access.CommitTrans();
    m_inTransaction = false;
    m_result.tablesStale = false;
    if (m_job.total) m_result.storedTotal = m_total;
    ++m_result.stats.areaCodesImported;
    Status(m_progress, QStringLiteral("Finished to Import Area Code:") + a, 1);
    progressStep();
    return true;
}

void Run::noValue()
{
    // The lines passed over go on a line of their own below the message.
    const QString note = SkippedLinesNote(m_result.stats);
    m_result.outcome = ImportOutcome::NoValue;
    m_result.refusal = QStringLiteral("No Value In the text file!") +
                       (note.isEmpty() ? QString() : QStringLiteral("\n\n") + note);
    cleanUp();
}

ImportResult Run::Go()
{
    timerLine();
    m_total = m_job.total.value_or(0);
    const RaisingDataAccess raising(m_access);
    try {
        if (!linkImportText()) {
            dropLinkAndClose();
            return m_result;
        }

        // The work table, empty.
        EnsureWorkTable(m_conn);
        ReleaseWorkTable(m_conn);
        exec(QStringLiteral("delete from MyTempTable"));
        if (m_conn->provider()->takesNumbersInBulk()) m_numbers.emplace(kLargestLocalNumber);

        // The fields of the import text.
        std::vector<QString> names(101);
        const std::int32_t n = linkedFieldNames(names);
        if (n < 1) {
            dropLinkAndClose();
            return m_result;
        }
        names.resize(std::max<size_t>(names.size(), 2));
        const QString f1 = ado::QuoteName(names[0]);
        const QString f2 = ado::QuoteName(names[1]);
        const bool oneField = n == 1;

        std::vector<QString> codes = readAreaCodes(oneField, f1);
        // A text of which no line starts with an area code (random bytes,
        // the wrong file) holds no value: it is no import that succeeded.
        if (codes.empty() || !keepAreaCodes(codes)) {
            noValue();
            return m_result;
        }

        timerLine();

        // Progress, four steps per distinct value.
        timerLine();
        m_progress.Begin(double(codes.size()) * 4, QString::number(codes.size()));
        m_progress.Show(0, QStringLiteral("0"));

        for (size_t i = 0; i < codes.size(); ++i) {
            if (codes[i].size() != 3) continue;
            if (!importAreaCode(codes[i], oneField, f1, f2)) {
                // The progress stays at the area codes done: the import
                // did not reach its end.
                m_result.connectionLost =
                    m_result.failure && ado::SaysConnectionLost(m_result.failure->description);
                if (m_tablesMissing && !m_result.connectionLost) {
                    m_result.outcome = ImportOutcome::TablesMissing;
                    m_result.refusal = QStringLiteral("There is problem during import. Please re-try!");
                }
                dropLinkAndClose();
                return m_result;
            }
            WaitSeconds(3);
            m_progress.Show(m_bar, QString::number(i + 1));
            progressStep();
        }

        timerLine();
        m_result.outcome = ImportOutcome::Imported;
        cleanUp();
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        // Another desktop's import holds the store: a "try later", not a
        // fault to report with its number.
        if (e.Number == vb::errnum::PermissionDenied && e.Source == u"ImportDNCList")
            m_result.refusal = e.Description;
        else
            m_result.failure = FailureOf(e);
        m_result.connectionLost = ado::SaysConnectionLost(e.Description);
        m_result.outcome = ImportOutcome::Failed;
        dropLinkAndClose();
    }
    return m_result;
}

} // namespace

void SetFillHook(FillHook hook)
{
    Hook() = std::move(hook);
}

ImportResult ImportDNCList(const ImportJob& job, CDataAccess& dataAccess, CDataStrings& phoneTables,
                           engine::EngineProgress& progress)
{
    return Run(job, dataAccess, phoneTables, progress).Go();
}

} // namespace dncimport
