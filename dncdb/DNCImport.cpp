#include "dncdb/DNCImport.h"

#include "core/DBClassModule.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/adox/Catalog.h"

#include <QThread>
#include <algorithm>
#include <sqlite3.h>

namespace dncimport {

namespace {

StatusTrace& Trace()
{
    static StatusTrace trace;
    return trace;
}

} // namespace

bool IsAreaCode(const QString& value)
{
    if (value.size() != 3) return false;
    for (QChar c : value)
        if (c < u'0' || c > u'9') return false;
    return true;
}

void EnsureWorkTable(const std::shared_ptr<ado::Connection>& connection)
{
    auto catalog = adox::Catalog::Create();
    catalog->SetActiveConnection(connection);
    for (const auto& t : catalog->Tables())
        if (t->Name().compare(QStringLiteral("MyTempTable"), Qt::CaseInsensitive) == 0) return;
    auto table = adox::Table::Create(QStringLiteral("MyTempTable"));
    auto column = adox::Column::Create(QStringLiteral("phone"), ado::adInteger, 0);
    column->SetAttributes(adox::adColNullable);
    table->Columns().Append(column);
    catalog->Tables().Append(table);
}

namespace {

const QString kSortIndex = QStringLiteral("MyTempTable_phone");

// The SQLite database under a jet connection; null for other providers.
ado::SqliteConnection* Sqlite(const std::shared_ptr<ado::Connection>& connection)
{
    auto provider = connection ? connection->providerConnection() : nullptr;
    return provider && provider->kind() == u"jet" ? provider->sqlite() : nullptr;
}

// Lets the sorts of a connection use helper threads while this object lives.
class SortThreads {
public:
    explicit SortThreads(sqlite3* db)
        : m_db(db), m_before(sqlite3_limit(db, SQLITE_LIMIT_WORKER_THREADS,
                                           std::clamp(QThread::idealThreadCount() - 1, 0, 4)))
    {
    }
    ~SortThreads() { sqlite3_limit(m_db, SQLITE_LIMIT_WORKER_THREADS, m_before); }
    SortThreads(const SortThreads&) = delete;
    SortThreads& operator=(const SortThreads&) = delete;

private:
    sqlite3* m_db;
    int m_before;
};

} // namespace

std::int64_t PrepareWorkTable(const std::shared_ptr<ado::Connection>& connection)
{
    long dropped = 0;
    if (ado::SqliteConnection* db = Sqlite(connection)) {
        // The column's integer affinity has already turned every numeric text
        // ("0012345") into its number; what is left as text or a fraction is
        // no local number.
        db->exec(QStringLiteral("DELETE FROM MyTempTable WHERE phone IS NULL OR typeof(phone) <> 'integer' "
                                "OR phone < 0 OR phone > 9999999"));
        dropped = long(sqlite3_changes(db->handle()));
        // The sort behind the index takes most of this step on a large
        // area code; helper threads share it. They change how the sort
        // runs, not what is written or when.
        const SortThreads threads(db->handle());
        db->exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON MyTempTable (phone)").arg(kSortIndex));
    } else {
        connection->Execute(
            QStringLiteral("delete from MyTempTable where phone is null or phone < 0 or phone > 9999999"),
            &dropped, ado::adExecuteNoRecords);
    }
    return dropped;
}

void ReleaseWorkTable(const std::shared_ptr<ado::Connection>& connection)
{
    if (ado::SqliteConnection* db = Sqlite(connection)) {
        db->exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(kSortIndex));
    } else if (ado::ProviderConnection* server = connection ? connection->provider() : nullptr;
               ado::IsPostgresConnection(server)) {
        // On a server each session fills a work table of its own, which
        // hides the shared one from it, and empties it for the next area
        // code by truncating: the rows it deletes would otherwise stay in
        // the table as dead rows that every later area code reads through.
        ado::ExecServerSql(*server,
                           QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS mytemptable (phone integer)"));
        ado::ExecServerSql(*server, QStringLiteral("TRUNCATE pg_temp.mytemptable"));
    }
}

void SetStatusTrace(StatusTrace trace)
{
    Trace() = std::move(trace);
}

void Status(const QString& text, std::int32_t panel)
{
    SetStatusBarText(text, panel);
    if (Trace()) Trace()(text, panel);
}

} // namespace dncimport
