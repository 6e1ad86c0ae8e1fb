#include "dncdb/DNCImport.h"

#include "core/MainWindowHost.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/adox/Catalog.h"
#include "platform/vb/Err.h"

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

QString SkippedLinesNote(const ImportStats& stats)
{
    const std::int64_t n = stats.linesSkipped + stats.linesUnreadable;
    if (n <= 0) return QString();
    return n == 1
               ? QStringLiteral("1 line of the text file holds no number that can be read: it was skipped.")
               : QStringLiteral(
                     "%1 lines of the text file hold no number that can be read: they were skipped.")
                     .arg(n);
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

std::int64_t PrepareWorkTable(const std::shared_ptr<ado::Connection>& connection)
{
    // The column's integer affinity has already turned every numeric text
    // ("0012345") into its number; what is left as text sorts above every
    // number, and a fraction differs from its whole part. On the program's
    // own database a fraction is the only value the column keeps as a real
    // number, which its type tells without a function call per row.
    const bool ownStore = connection->Provider() == u"jet";
    long dropped = 0;
    connection->Execute(QStringLiteral("delete from MyTempTable where phone is null or phone < 0 or "
                                       "phone > 9999999") +
                            (ownStore ? QStringLiteral(" or typeof(phone) = 'real'") : QString()),
                        &dropped, ado::adExecuteNoRecords);
    return dropped;
}

void ReleaseWorkTable(const std::shared_ptr<ado::Connection>& connection)
{
    if (ado::ProviderConnection* server = connection->provider(); ado::IsPostgresConnection(server)) {
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

void Status(engine::EngineProgress& progress, const QString& text, std::int32_t panel)
{
    progress.Status(text, panel);
    if (Trace()) Trace()(text, panel);
}

} // namespace dncimport
