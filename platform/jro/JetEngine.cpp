#include "platform/jro/JetEngine.h"

#include "platform/ado/Ado.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace jro {

namespace {

// Pages written back per step: small enough that a step is short, large
// enough that the steps cost nothing beside the copy.
constexpr int kPagesPerStep = 256;

CompactStepHook& Hook()
{
    static CompactStepHook hook;
    return hook;
}

void Step(CompactStep step)
{
    if (Hook()) Hook()(step);
}

// The file of a Jet connection string; raises for any other provider and
// for a database password.
QString JetFile(const ado::ConnectionString& cs)
{
    const ado::ProviderChoice p = ado::ChooseProvider(cs);
    if (p.kind != u"jet")
        ado::Raise(ado::errnum::NotAllowedInContext,
                   QStringLiteral("Only Jet databases can be compacted (provider: %1).").arg(p.name),
                   QStringLiteral("JRO.JetEngine"));
    if (!cs.value(QStringLiteral("Jet OLEDB:Database Password")).isEmpty())
        ado::Raise(
            ado::errnum::JetFailure,
            QStringLiteral("Password-protected databases are not supported; remove the database password."),
            ado::JetSource());
    return cs.value(QStringLiteral("Data Source"));
}

QString Quoted(QString text)
{
    return QLatin1Char('\'') + text.replace(u'\'', QStringLiteral("''")) + QLatin1Char('\'');
}

// Takes the database for this connection alone until it closes. A
// connection in exclusive locking mode keeps the lock its first write
// transaction takes; under a write-ahead journal that lock is one no other
// open connection lets it have, idle or not. Nobody is waited for: a
// database in use is refused at once.
void TakeAlone(ado::SqliteConnection& db)
{
    sqlite3* h = db.handle();
    sqlite3_busy_timeout(h, 0);
    db.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
    // The copy back is on the disk before it counts as done, the journal's
    // removal from the folder included: a journal that came back after a
    // power cut would undo a compaction already reported.
    db.exec(QStringLiteral("PRAGMA synchronous=EXTRA"));
    const int rc = sqlite3_exec(h, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) ado::RaiseFileInUse(db.path());
    if (rc != SQLITE_OK) db.raise(rc);
    db.exec(QStringLiteral("COMMIT"));
}

// Writes the pages of the compacted copy over the database, in one
// transaction of the database's own journal: the file is replaced as a
// whole or not at all, and shrinks to the copy's size.
void CopyBack(ado::SqliteConnection& db, const QString& workFile)
{
    sqlite3* work = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(workFile).constData(), &work, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(work));
        sqlite3_close(work);
        ado::Raise(ado::errnum::JetFailure, why, ado::JetSource());
    }
    sqlite3_backup* copy = sqlite3_backup_init(db.handle(), "main", work, "main");
    if (!copy) {
        sqlite3_close(work);
        db.raise(sqlite3_errcode(db.handle()));
    }
    int rc = SQLITE_OK;
    try {
        while ((rc = sqlite3_backup_step(copy, kPagesPerStep)) == SQLITE_OK)
            Step(CompactStep::PagesCopied);
    } catch (...) {
        sqlite3_backup_finish(copy); // rolls back what was copied
        sqlite3_close(work);
        throw;
    }
    // Finishing rolls back a copy that stopped short and says why.
    const int finished = sqlite3_backup_finish(copy);
    sqlite3_close(work);
    if (rc != SQLITE_DONE) db.raise(finished != SQLITE_OK ? finished : rc);
}

} // namespace

std::shared_ptr<JetEngine> JetEngine::Create()
{
    return std::make_shared<JetEngine>();
}

void JetEngine::CompactDatabase(const QString& sourceConnection, const QString& destConnection)
{
    const QString from = JetFile(ado::ConnectionString(sourceConnection));
    const QString to = JetFile(ado::ConnectionString(destConnection));
    ado::SqliteConnection::CheckDatabaseFile(from);
    if (to.isEmpty())
        ado::Raise(ado::errnum::JetFailure, QStringLiteral("Not a valid file name."), ado::JetSource());
    if (QFileInfo::exists(to))
        ado::Raise(ado::errnum::DatabaseExists, QStringLiteral("Database already exists."), ado::JetSource());
    if (fso::IsSameFile(from, to))
        ado::Raise(ado::errnum::DatabaseExists, QStringLiteral("Database already exists."), ado::JetSource());
    auto db = ado::SqliteConnection::OpenFile(from);
    db->exec(QStringLiteral("VACUUM main INTO ") + Quoted(to));
    db->close();
}

void JetEngine::CompactInPlace(const QString& connection, const QString& workFile)
{
    const QString path = JetFile(ado::ConnectionString(connection));
    ado::SqliteConnection::CheckDatabaseFile(path);
    if (workFile.isEmpty())
        ado::Raise(ado::errnum::JetFailure, QStringLiteral("Not a valid file name."), ado::JetSource());
    if (fso::IsSameFile(path, workFile))
        ado::Raise(ado::errnum::DatabaseExists, QStringLiteral("Database already exists."), ado::JetSource());

    auto db = ado::SqliteConnection::OpenFile(path);
    bool ownWork = false; // the work file is this run's to remove
    try {
        TakeAlone(*db);
        Step(CompactStep::Locked);
        // Only now: another desktop's run may be writing its work file.
        if (QFileInfo(workFile).isDir() || (QFileInfo::exists(workFile) && !QFile::remove(workFile)))
            ado::Raise(ado::errnum::DatabaseExists, QStringLiteral("Database already exists."),
                       ado::JetSource());
        ownWork = true;
        db->exec(QStringLiteral("VACUUM main INTO ") + Quoted(workFile));
        Step(CompactStep::WorkWritten);
        CopyBack(*db, workFile);
        Step(CompactStep::Replaced);
        // Under a write-ahead journal the pages are in the journal yet: into
        // the file with them, and the journal emptied.
        sqlite3_exec(db->handle(), "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    } catch (...) {
        const vb::ErrObject failure = vb::CatchError();
        db->close();
        if (ownWork) QFile::remove(workFile);
        throw failure;
    }
    db->close();
    QFile::remove(workFile);
}

void SetCompactStepHook(CompactStepHook hook)
{
    Hook() = std::move(hook);
}

} // namespace jro
