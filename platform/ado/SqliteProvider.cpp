#include "platform/ado/SqliteProvider.h"

#include "platform/ado/Ado.h"
#include "platform/ado/JetFunctions.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/JournalGuard.h"
#include "platform/ado/SqliteNumberSet.h"
#include "platform/ado/SqliteStatement.h"
#include "platform/ado/VirtualTables.h"
#include "platform/fso/FileReplace.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Err.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace ado {

namespace {

// SQLite keeps a count of its memory under one lock that every allocation
// of every connection takes; connections read on several threads at once
// (look-ups spread over helpers) would queue on it. Nothing here reads the
// count, so it is turned off before the library starts (it can only be set
// then): at load time, ahead of any connection.
[[maybe_unused]] const bool kNoMemoryCount = [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    // Every open, of the providers' and of any other part, judges the
    // engine's journals as the engine opens them.
    InstallJournalGuard();
    return true;
}();

QString qualified(const ColumnInfo& t)
{
    return (t.schema.isEmpty() ? QString() : QuoteNativeName(t.schema) + QLatin1Char('.')) +
           QuoteNativeName(t.table);
}

// The system's reason when a call on the database at path failed for want
// of room (a full disk, or a file-size limit, which the engine calls an I/O
// error); 0 for any other failure.
int NoRoomErrno(int rc, sqlite3* db, const QString& path)
{
    if ((rc & 0xff) == SQLITE_FULL) return ENOSPC;
    if ((rc & 0xff) != SQLITE_IOERR || !db) return 0;
    const int error = sqlite3_system_errno(db);
    if (error == ENOSPC || error == EDQUOT || error == EFBIG) return error;
    // The engine keeps the system's errno only when nothing overwrote it
    // before the failure came back (a rollback after it): a write that
    // failed with the database or its journal at this process's size limit
    // failed for it.
    rlimit limit{};
    if (sqlite3_extended_errcode(db) != SQLITE_IOERR_WRITE || ::getrlimit(RLIMIT_FSIZE, &limit) != 0 ||
        limit.rlim_cur == RLIM_INFINITY)
        return 0;
    for (const char* companion : {"", "-journal", "-wal"}) {
        struct stat st {};
        if (::stat(QFile::encodeName(path + QLatin1String(companion)).constData(), &st) == 0 &&
            quint64(st.st_size) + 65536 >= quint64(limit.rlim_cur))
            return EFBIG;
    }
    return 0;
}

} // namespace

// ---------------------------------------------------------------- connection

SqliteConnection::SqliteConnection(sqlite3* db, QString path, QString kind)
    : m_db(db), m_path(std::move(path)), m_kind(std::move(kind))
{
    sqlite3_extended_result_codes(m_db, 0);
    // A database's relationships hold as its own engine would hold them: a
    // delete its keys restrict fails, one they cascade takes the related
    // rows along. Rows that broke a key before are judged only when changed.
    sqlite3_exec(m_db, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
    sqlite3_busy_handler(m_db, &SqliteConnection::waitForLock, this);
    RegisterJetFunctions(m_db);
    RegisterNumberSetModule(m_db);
}

SqliteConnection::~SqliteConnection()
{
    close();
}

int SqliteConnection::waitForLock(void* connection, int tries)
{
    auto* self = static_cast<SqliteConnection*>(connection);
    const double now = vb::Timer();
    if (tries == 0) {
        // A run that has waited the whole wait is ending (its roll-back, its
        // clean-up): the other desktop is still at work, and the run's one
        // wait is over.
        if (self->m_lockGaveUp >= 0 && now - self->m_lockGaveUp >= 0 &&
            now - self->m_lockGaveUp < kLockWaitSeconds)
            return 0;
        self->m_lockWaitStart = now;
        self->m_lockWait = std::make_unique<vb::Wait>(
            QStringLiteral("Waiting for another desktop to finish with the database ..."));
    }
    if (now - self->m_lockWaitStart >= kLockWaitSeconds) {
        self->m_lockGaveUp = now;
        self->m_lockWait.reset();
        return 0;
    }
    // The window is drawn and says what it waits for.
    if (self->m_lockWait) self->m_lockWait->Going(now - self->m_lockWaitStart);
    // Short steps first: most locks are a commit of a moment.
    vb::Sleep(tries < 20 ? 0.002 : 0.05);
    return 1;
}

bool OnNetworkFileSystem(const QString& path)
{
    QFileInfo fi(path);
    const QString existing = fi.exists() ? fi.absoluteFilePath() : fi.absolutePath();
    struct statfs fs {};
    if (statfs(QFile::encodeName(existing).constData(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2/3
    case 0x5346414FUL: // AFS
    case 0x6B414653UL: // kAFS
    case 0x73757245UL: // Coda
    case 0x564CUL:     // NCP
    case 0x00C36400UL: // Ceph
    case 0x01021997UL: // 9p (shared folders of virtual machines)
        return true;
    default:
        return false;
    }
}

void SqliteConnection::CheckDatabaseFile(const QString& path)
{
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists() || fi.isDir())
        Raise(errnum::JetFailure, QStringLiteral("Could not find file '%1'.").arg(path), JetSource());
    QFile f(path);
    QByteArray head;
    if (f.open(QIODevice::ReadOnly))
        head = f.read(16);
    else
        Raise(errnum::JetFailure,
              QStringLiteral(
                  "The Microsoft Jet database engine cannot open the file '%1'.  It is already opened "
                  "exclusively by another user, or you need permission to view its data.")
                  .arg(path),
              JetSource());
    if (head != QByteArray("SQLite format 3\0", 16))
        Raise(errnum::JetFailure, QStringLiteral("Unrecognized database format '%1'.").arg(path),
              JetSource());
}

void SqliteConnection::BackUpFile(const QString& path, const QString& target)
{
    const auto source = OpenFile(path);
    sqlite3* from = source->handle();
    // The read transaction the copy is made in: begun by a first read, which
    // waits for a writer's commit as every open does and then refuses.
    source->exec(QStringLiteral("BEGIN"));
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(from, "SELECT count(*) FROM sqlite_master", -1, &s, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) RaiseFileInUse(path);
    if (rc != SQLITE_ROW) source->raise(rc);

    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    ::close(fso::CreateNewFile(target, st.st_mode & 0777));
    sqlite3* copy = nullptr;
    QString why;
    int error = 0;
    rc = sqlite3_open_v2(target.toUtf8().constData(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW,
                         nullptr);
    // The copy is new: nothing to roll back, so it keeps no journal beside it.
    if (rc == SQLITE_OK) rc = sqlite3_exec(copy, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup* b = sqlite3_backup_init(copy, "main", from, "main");
        rc = b ? sqlite3_backup_step(b, -1) : sqlite3_errcode(copy);
        const int finished = b ? sqlite3_backup_finish(b) : SQLITE_OK;
        if (rc == SQLITE_DONE) rc = finished;
    }
    int noRoom = 0;
    if (rc != SQLITE_OK) {
        error = rc;
        why = QString::fromUtf8(copy ? sqlite3_errmsg(copy) : sqlite3_errstr(rc));
        noRoom = NoRoomErrno(rc, copy, target);
    }
    sqlite3_close(copy);
    source->exec(QStringLiteral("COMMIT"));
    source->close();
    if (error != 0) {
        ::unlink(QFile::encodeName(target).constData()); // made above, exclusively
        if (noRoom != 0)
            vb::Raise(vb::errnum::DeviceIOError, QStringLiteral("CopyFile"),
                      fso::WriteFailure(target, noRoom));
        if (error == SQLITE_BUSY || error == SQLITE_LOCKED) RaiseFileInUse(path);
        Raise(errnum::JetFailure, why, JetSource());
    }
    fso::SyncFolderOf(target);
}

std::shared_ptr<SqliteConnection> SqliteConnection::OpenFile(const QString& path, const QString& kind)
{
    CheckDatabaseFile(path);
    TakeJournalRefusal();
    sqlite3* db = nullptr;
    const QByteArray p = path.toUtf8();
    int rc = sqlite3_open_v2(p.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        db = nullptr;
        rc = sqlite3_open_v2(p.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        Raise(errnum::JetFailure, msg, JetSource());
    }
    std::shared_ptr<SqliteConnection> c(new SqliteConnection(db, path, kind));
    // A file that merely starts like a database fails here, as Jet would on open.
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &s, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW) {
        c->close();
        const QString refused = TakeJournalRefusal();
        if (!refused.isEmpty()) Raise(errnum::JetFailure, refused, JetSource());
        // Another program holds the file: it is in use, not of another kind.
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) RaiseFileInUse(path);
        Raise(errnum::JetFailure, QStringLiteral("Unrecognized database format '%1'.").arg(path),
              JetSource());
    }
    c->loadLinks();
    return c;
}

std::shared_ptr<SqliteConnection> SqliteConnection::OpenMemory(const QString& kind)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        vb::Raise(vb::errnum::OutOfMemory);
    }
    return std::shared_ptr<SqliteConnection>(new SqliteConnection(db, QString(), kind));
}

void SqliteConnection::close()
{
    if (!m_db) return;
    for (SqliteStatement* s : m_live)
        s->abandon();
    for (auto& e : m_lru)
        sqlite3_finalize(e.second);
    m_lru.clear();
    m_cache.clear();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_attached.clear();
    m_lockWait.reset();
}

void SqliteConnection::raise(int rc) const
{
    // A database file that found no room: error 57, as every writer says
    // it, naming the file.
    if (const int noRoom = m_path.isEmpty() ? 0 : NoRoomErrno(rc, m_db, m_path))
        vb::Raise(vb::errnum::DeviceIOError, JetSource(), fso::WriteFailure(m_path, noRoom));
    const QString msg = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    // A journal the guard would not let the engine use: named as such.
    if (const QString refused = TakeJournalRefusal(); !refused.isEmpty() && rc == SQLITE_CANTOPEN)
        Raise(errnum::JetFailure, refused, JetSource());
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:\\w+\\.)?(.*)$"));
    static const QRegularExpression notNull(QStringLiteral("^NOT NULL constraint failed: (.*)$"));
    static const QRegularExpression exists(QStringLiteral("^(?:table|view) (.*) already exists$"));
    // A file-backed table's write that found no room: error 57, as every
    // writer says it, naming the user's file.
    static const QRegularExpression noRoom(
        QStringLiteral("^Cannot write the file '.*': (?:the disk is full|it would be larger than this system "
                       "allows)\\.$"));
    QRegularExpressionMatch m;
    if (noRoom.match(msg).hasMatch()) vb::Raise(vb::errnum::DeviceIOError, JetSource(), msg);
    if ((m = noTable.match(msg)).hasMatch())
        Raise(errnum::NoSuchTable,
              QStringLiteral(
                  "The Microsoft Jet database engine cannot find the input table or query '%1'.  Make "
                  "sure it exists and that its name is spelled correctly.")
                  .arg(m.captured(1)),
              JetSource());
    if (msg.startsWith(QStringLiteral("no such column")))
        Raise(errnum::MissingParameter, QStringLiteral("No value given for one or more required parameters."),
              JetSource());
    if (msg.startsWith(QStringLiteral("UNIQUE constraint failed")) ||
        msg.startsWith(QStringLiteral("PRIMARY KEY must be unique")))
        Raise(
            errnum::JetFailure,
            QStringLiteral("The changes you requested to the table were not successful because they would "
                           "create duplicate values in the index, primary key, or relationship.  Change the "
                           "data in the field or fields that contain duplicate data, remove the index, or "
                           "redefine the index to permit duplicate entries and try again."),
            JetSource());
    if ((m = notNull.match(msg)).hasMatch())
        Raise(errnum::JetFailure,
              QStringLiteral(
                  "The field '%1' cannot contain a Null value because the Required property for this "
                  "field is set to True.  Enter a value in this field.")
                  .arg(m.captured(1)),
              JetSource());
    if ((m = exists.match(msg)).hasMatch()) {
        QString name = m.captured(1);
        if (name.startsWith(u'"') || name.startsWith(u'[')) name = name.mid(1, name.size() - 2);
        Raise(errnum::ErrorsInCommand, QStringLiteral("Table '%1' already exists.").arg(name), JetSource());
    }
    if (msg.startsWith(QStringLiteral("FOREIGN KEY constraint failed")))
        Raise(errnum::JetFailure,
              QStringLiteral("The record cannot be deleted or changed because a table of the database "
                             "includes related records that a relationship requires it for."),
              JetSource());
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        Raise(errnum::JetFailure, QStringLiteral("Could not update; currently locked."), JetSource());
    if (rc == SQLITE_READONLY)
        Raise(errnum::JetFailure, QStringLiteral("Cannot update.  Database or object is read-only."),
              JetSource());
    if (msg.contains(QStringLiteral("syntax error")) || msg.startsWith(QStringLiteral("incomplete input")))
        Raise(errnum::ErrorsInCommand, QStringLiteral("Syntax error in SQL statement (%1).").arg(msg),
              JetSource());
    Raise(errnum::JetFailure, msg.isEmpty() ? QStringLiteral("Unspecified error") : msg, JetSource());
}

void SqliteConnection::exec(const QString& sql)
{
    if (!m_db) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    const QByteArray b = sql.toUtf8();
    const int rc = sqlite3_exec(m_db, b.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) raise(rc);
}

void SqliteConnection::attachExternal(const QStringList& files)
{
    int done = 0;
    try {
        for (const QString& f : files) {
            CheckDatabaseFile(f);
            QString path = f;
            exec(QStringLiteral("ATTACH DATABASE '%1' AS ext%2")
                     .arg(path.replace(u'\'', QStringLiteral("''")))
                     .arg(++done));
        }
    } catch (...) {
        detachExternal(done > 0 ? done - 1 : 0);
        throw;
    }
}

void SqliteConnection::detachExternal(int count)
{
    if (!m_db) return;
    for (int i = 1; i <= count; ++i) {
        const QByteArray b = QStringLiteral("DETACH DATABASE ext%1").arg(i).toUtf8();
        sqlite3_exec(m_db, b.constData(), nullptr, nullptr, nullptr);
    }
}

QString SqliteConnection::attachFile(const QString& path)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (m_attached.contains(key)) return m_attached.value(key);
    CheckDatabaseFile(path);
    const QString alias = QStringLiteral("lnk%1").arg(m_nextAlias++);
    QString p = path;
    exec(QStringLiteral("ATTACH DATABASE '%1' AS %2").arg(p.replace(u'\'', QStringLiteral("''")), alias));
    m_attached.insert(key, alias);
    return alias;
}

void SqliteConnection::detachFile(const QString& path)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (!m_attached.contains(key) || !m_db) return;
    const QByteArray b = QStringLiteral("DETACH DATABASE %1").arg(m_attached.take(key)).toUtf8();
    sqlite3_exec(m_db, b.constData(), nullptr, nullptr, nullptr);
}

std::vector<LinkSpec> SqliteConnection::links()
{
    std::vector<LinkSpec> out;
    if (!m_db) return out;
    sqlite3_stmt* s = nullptr;
    const QByteArray q =
        QStringLiteral("SELECT Name, ProviderString, DataSource, RemoteTable FROM main.%1 ORDER BY Name")
            .arg(linksTable())
            .toUtf8();
    if (sqlite3_prepare_v2(m_db, q.constData(), -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return out; // no links table: no links
    }
    while (sqlite3_step(s) == SQLITE_ROW) {
        auto col = [&](int i) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
        };
        out.push_back({col(0), col(1), col(2), col(3)});
    }
    sqlite3_finalize(s);
    return out;
}

void SqliteConnection::loadLinks()
{
    for (const auto& spec : links()) {
        try {
            CreateLink(*this, spec);
        } catch (const vb::ErrObject&) {
            // A link whose file is gone fails when it is used, as in Jet.
        }
    }
}

void SqliteConnection::beginTrans(int level)
{
    if (level > 1) {
        exec(QStringLiteral("SAVEPOINT tv%1").arg(level));
        return;
    }
    // A transaction of a file that may write takes the write lock at once,
    // waiting for another program's as every statement does: begun as a
    // reader, it could not wait for it later (SQLite then fails at once
    // rather than risk two programs waiting for each other).
    const bool writes = !m_path.isEmpty() && m_db && sqlite3_db_readonly(m_db, "main") == 0;
    exec(writes ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
}

void SqliteConnection::beginReadTrans()
{
    exec(QStringLiteral("BEGIN"));
}

void SqliteConnection::commitTrans(int level)
{
    exec(level <= 1 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE tv%1").arg(level));
}

void SqliteConnection::rollbackTrans(int level)
{
    if (level <= 1)
        exec(QStringLiteral("ROLLBACK"));
    else
        exec(QStringLiteral("ROLLBACK TO tv%1; RELEASE tv%1").arg(level));
}

QStringList SqliteConnection::keyWithoutRowid(const QString& table)
{
    QStringList key;
    sqlite3_stmt* s = nullptr;
    const char* sql = "SELECT name FROM pragma_table_info(?1) WHERE pk > 0 AND EXISTS "
                      "(SELECT 1 FROM pragma_table_list(?1) WHERE wr = 1 AND schema = 'main') ORDER BY pk";
    if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        raise(sqlite3_errcode(m_db));
    }
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(s, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(s) == SQLITE_ROW)
        key << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
    return key;
}

std::vector<TableInfo> SqliteConnection::tables()
{
    std::vector<TableInfo> out;
    if (!m_db) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    const auto linkList = links();
    QSet<QString> linkNames;
    for (const auto& l : linkList) {
        linkNames.insert(l.name.toLower());
        out.push_back({l.name, QStringLiteral("LINK")});
    }
    auto scan = [&](const char* master) {
        sqlite3_stmt* s = nullptr;
        const QByteArray q = QStringLiteral("SELECT name, type FROM %1 WHERE type IN ('table','view') AND "
                                            "substr(name,1,7) <> 'sqlite_'")
                                 .arg(QLatin1String(master))
                                 .toUtf8();
        if (sqlite3_prepare_v2(m_db, q.constData(), -1, &s, nullptr) != SQLITE_OK) {
            sqlite3_finalize(s);
            raise(SQLITE_ERROR);
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
            const QString type = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
            if (linkNames.contains(name.toLower())) continue;
            if (type == u"view")
                out.push_back({name, QStringLiteral("VIEW")});
            else if (name.startsWith(QStringLiteral("MSys"), Qt::CaseInsensitive))
                out.push_back({name, QStringLiteral("SYSTEM TABLE")});
            else
                out.push_back({name, QStringLiteral("TABLE")});
        }
        sqlite3_finalize(s);
    };
    scan("main.sqlite_master");
    scan("temp.sqlite_master");
    std::stable_sort(out.begin(), out.end(), [](const TableInfo& a, const TableInfo& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return out;
}

void SqliteConnection::updateRow(const ColumnInfo& table, qint64 rowid,
                                 const std::vector<ColumnInfo>& columns,
                                 const std::vector<vb::Variant>& values)
{
    if (columns.empty()) return;
    QStringList sets;
    for (const auto& c : columns)
        sets << QuoteNativeName(c.column) + QStringLiteral("=?");
    const QString sql =
        QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(qualified(table), sets.join(QLatin1Char(',')));
    sqlite3_stmt* s = acquire(sql);
    int pos = 1;
    for (const auto& v : values)
        BindVariant(s, pos++, v);
    sqlite3_bind_int64(s, pos, rowid);
    stepToEnd(sql, s);
}

qint64 SqliteConnection::insertRow(const ColumnInfo& table, const std::vector<ColumnInfo>& columns,
                                   const std::vector<vb::Variant>& values)
{
    QString sql;
    if (columns.empty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(qualified(table));
    } else {
        QStringList names, marks;
        for (const auto& c : columns) {
            names << QuoteNativeName(c.column);
            marks << QStringLiteral("?");
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(qualified(table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    }
    sqlite3_stmt* s = acquire(sql);
    int pos = 1;
    for (const auto& v : values)
        BindVariant(s, pos++, v);
    stepToEnd(sql, s);
    return sqlite3_last_insert_rowid(m_db);
}

void SqliteConnection::deleteRow(const ColumnInfo& table, qint64 rowid)
{
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(qualified(table));
    sqlite3_stmt* s = acquire(sql);
    sqlite3_bind_int64(s, 1, rowid);
    stepToEnd(sql, s);
}

bool SqliteConnection::fetchRow(const ColumnInfo& table, qint64 rowid, const std::vector<ColumnInfo>& columns,
                                std::vector<vb::Variant>& values)
{
    QStringList names;
    for (const auto& c : columns)
        names << (c.column.isEmpty() ? QStringLiteral("NULL") : QuoteNativeName(c.column));
    if (names.isEmpty()) names << QStringLiteral("1");
    const QString sql =
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?").arg(names.join(QLatin1Char(',')), qualified(table));
    sqlite3_stmt* s = acquire(sql);
    sqlite3_bind_int64(s, 1, rowid);
    const int rc = sqlite3_step(s);
    bool found = false;
    if (rc == SQLITE_ROW) {
        found = true;
        values.clear();
        for (size_t i = 0; i < columns.size(); ++i)
            values.push_back(ValueFromSqlite(s, int(i), columns[i].type, columns[i].typeKnown));
    }
    release(sql, s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) raise(rc);
    return found;
}

// ---- fast paths

namespace {

// One statement kept ready for the life of the look-up, the key bound and
// one step per call: the store's key is the table's rowid, so a look-up
// is one b-tree descent.
class SqliteKeyLookup : public KeyLookup {
public:
    SqliteKeyLookup(SqliteConnection& db, const QString& table, const QString& column) : m_db(db)
    {
        const QByteArray sql = (QStringLiteral("SELECT count(*) FROM ") + QuoteNativeName(table) +
                                QStringLiteral(" WHERE ") + QuoteNativeName(column) + QStringLiteral("=?"))
                                   .toUtf8();
        const int rc = sqlite3_prepare_v3(db.handle(), sql.constData(), int(sql.size()),
                                          SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            db.raise(rc);
        }
    }
    ~SqliteKeyLookup() override { sqlite3_finalize(m_stmt); }

    qint64 count(qint64 key) override
    {
        sqlite3_bind_int64(m_stmt, 1, key);
        return step();
    }
    qint64 count(const vb::Variant& key) override
    {
        BindVariant(m_stmt, 1, key);
        return step();
    }

private:
    qint64 step()
    {
        const int rc = sqlite3_step(m_stmt);
        const qint64 n = rc == SQLITE_ROW ? sqlite3_column_int64(m_stmt, 0) : 0;
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) m_db.raise(rc);
        return n;
    }

    SqliteConnection& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace

std::unique_ptr<KeyLookup> SqliteConnection::keyLookup(const QString& table, const QString& column)
{
    if (!m_db) RaiseAdo(errnum::ObjectClosed, QStringLiteral("ADODB.Connection"));
    return std::make_unique<SqliteKeyLookup>(*this, table, column);
}

void SqliteConnection::prepareForLookups()
{
    // One random look-up per record. The pages read stay in a page cache of
    // a fixed size rather than a memory map of the file: a map grows the
    // process by every page it touched, which for the whole registry is
    // the whole store, once for every connection that reads it.
    if (!m_db || m_path.isEmpty()) return;
    sqlite3_exec(m_db, "PRAGMA mmap_size=0; PRAGMA cache_size=-4096", nullptr, nullptr, nullptr);
}

std::shared_ptr<ProviderConnection> SqliteConnection::openReader()
{
    // Only a database file has a second way in; an in-memory database of
    // the text, workbook and table providers is this connection's alone.
    if (!m_db || m_path.isEmpty() || m_kind != u"jet") return nullptr;
    sqlite3* db = nullptr;
    // One thread at a time uses the reader, so SQLite's own lock per call is
    // not needed.
    const int rc = sqlite3_open_v2(m_path.toUtf8().constData(), &db,
                                   SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        Raise(errnum::JetFailure, msg, JetSource());
    }
    return std::shared_ptr<SqliteConnection>(new SqliteConnection(db, m_path, m_kind));
}

} // namespace ado
