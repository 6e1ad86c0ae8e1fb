#include "dncdb/ServerImport.h"

#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/ado/Provider.h"
#include "platform/files/TextTable.h"
#include "platform/vb/Err.h"

#include <QDir>

namespace dncimport {

namespace {

constexpr std::size_t kBatch = 100000; // lines per statement

// The area code as the embedded store reads it from a number column: digits
// lose their leading zeros ("0201" is 201); anything else stays as written.
QString AreaValue(const QString& text)
{
    bool digits = !text.isEmpty() && text.size() <= 18;
    for (QChar c : text)
        if (c < u'0' || c > u'9') digits = false;
    return digits ? QString::number(text.toLongLong()) : text;
}

// The local number: one to seven digits after any leading zeros; -1 for no
// local number (empty, not digits, a fraction, too long).
qint64 LocalValue(const QString& text)
{
    if (text.isEmpty() || text.size() > 18) return -1;
    qint64 v = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') return -1;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v <= 9999999 ? v : -1;
}

// One batch as the two array texts of an "unnest" insert.
class Batch {
public:
    void add(const QString& area, qint64 local)
    {
        m_areas += m_count ? QStringLiteral(",\"") : QStringLiteral("\"");
        for (QChar c : area) {
            if (c == u'"' || c == u'\\') m_areas += u'\\';
            m_areas += c;
        }
        m_areas += u'"';
        if (m_count) m_locals += u',';
        m_locals += local < 0 ? QStringLiteral("NULL") : QString::number(local);
        ++m_count;
    }
    std::size_t size() const { return m_count; }
    void flush(ado::ProviderConnection& server)
    {
        if (!m_count) return;
        ado::ExecServerSql(server,
                           QStringLiteral("INSERT INTO mylinkedtable (f1, f2) SELECT * FROM "
                                          "unnest(?::text[], ?::bigint[])"),
                           {vb::Variant(QLatin1Char('{') + m_areas + QLatin1Char('}')),
                            vb::Variant(QLatin1Char('{') + m_locals + QLatin1Char('}'))});
        m_areas.resize(0);
        m_locals.resize(0);
        m_count = 0;
    }

private:
    QString m_areas;
    QString m_locals;
    std::size_t m_count = 0;
};

// The lock of the import link, one per server database.
const QString kLockKey = QStringLiteral("hashtext('tervala.dncimport')");

bool TryLock(ado::ProviderConnection& server)
{
    return ado::ServerValue(
               server,
               QStringLiteral("SELECT CASE WHEN pg_try_advisory_lock(%1) THEN 1 ELSE 0 END").arg(kLockKey))
               .toLongLong() == 1;
}

[[noreturn]] void RaiseBusy()
{
    vb::Raise(vb::errnum::PermissionDenied, QStringLiteral("ImportDNCList"),
              QStringLiteral("Another desktop is importing into this DNC database. Please try again when "
                             "its import has finished."));
}

bool IsImportLink(const QString& name)
{
    return name.compare(QStringLiteral("MyLinkedTable"), Qt::CaseInsensitive) == 0;
}

void StageImportText(ado::ProviderConnection& server, const ado::LinkSpec& spec)
{
    if (!IsImportLink(spec.name) || ado::LinkKind(spec.providerString) != u"text")
        vb::Raise(vb::errnum::InvalidProcedureCall, QStringLiteral("CreateLink"),
                  QStringLiteral("Linked table '%1' cannot be made on a database server.").arg(spec.name));
    if (!TryLock(server)) RaiseBusy();
    const ado::ConnectionString link(spec.providerString);
    files::TextTable text(QDir(link.value(QStringLiteral("DATABASE"))).filePath(spec.remoteTable),
                          files::TextOptions::fromExtendedProperties(spec.providerString));
    const bool oneField = text.columnCount() == 1;

    ado::ExecServerSql(server, QStringLiteral("DROP TABLE IF EXISTS mylinkedtable"));
    ado::ExecServerSql(server, QStringLiteral("CREATE UNLOGGED TABLE mylinkedtable (f1 text, f2 bigint)"));
    Batch batch;
    files::TextRecord record;
    while (text.next(record)) {
        if (record.fieldCount() == 0) continue;
        const QString first = text.text(record, 0);
        if (oneField)
            batch.add(first.left(3), LocalValue(first.mid(3)));
        else
            batch.add(AreaValue(first), LocalValue(text.text(record, 1)));
        if (batch.size() == kBatch) batch.flush(server);
    }
    batch.flush(server);
    ado::ExecServerSql(server, QStringLiteral("CREATE INDEX ON mylinkedtable (f1)"));
    ado::ExecServerSql(server, QStringLiteral("ANALYZE mylinkedtable"));
}

bool DropImportLink(ado::ProviderConnection& server, const QString& name)
{
    if (!IsImportLink(name)) return false;
    if (!TryLock(server)) RaiseBusy();
    ado::ExecServerSql(server, QStringLiteral("DROP TABLE IF EXISTS mylinkedtable"));
    ado::ExecServerSql(server, QStringLiteral("DROP TABLE IF EXISTS pg_temp.mytemptable"));
    ado::ExecServerSql(server, QStringLiteral("SELECT pg_advisory_unlock_all()"));
    return true;
}

} // namespace

void UseServerLinks()
{
    ado::SetServerLinkModule({StageImportText, DropImportLink});
}

} // namespace dncimport
