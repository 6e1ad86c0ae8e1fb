#pragma once
// Files and SQLite databases the tests make and read beside the program:
// whole-file reads and writes, a database opened with SQLite's own API (so a
// test reads what the program wrote without going through the program's
// code) and a fresh program database made from resources/schema.sql.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace testsupport {

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the file, making its folder; returns the path.
inline QString WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    f.write(bytes);
    return path;
}

class Db {
public:
    // Whether a query that cannot be prepared (such as one on a table that
    // does not exist) fails the test or just reads as no rows.
    enum class BadQuery { Fails, ReadsEmpty };

    explicit Db(const QString& path, BadQuery badQuery = BadQuery::Fails) : m_badQuery(badQuery)
    {
        if (sqlite3_open(path.toUtf8().constData(), &m_db) != SQLITE_OK)
            ADD_FAILURE() << "cannot open " << path.toStdString();
    }
    ~Db() { sqlite3_close(m_db); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    void exec(const QString& sql)
    {
        char* err = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            ADD_FAILURE() << "sqlite: " << (err ? err : "?") << " in " << sql.toStdString();
            sqlite3_free(err);
        }
    }
    // The first column of the first row as text; "" without rows.
    QString scalar(const QString& sql)
    {
        sqlite3_stmt* st = nullptr;
        QString out;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            if (m_badQuery == BadQuery::Fails)
                ADD_FAILURE() << "sqlite: " << sqlite3_errmsg(m_db) << " in " << sql.toStdString();
            return out;
        }
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
            out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return out;
    }

private:
    sqlite3* m_db = nullptr;
    BadQuery m_badQuery;
};

// Leaves a table of the database unreadable, as a damaged disk would: made
// (with one row) when missing, its first page is then overwritten. The
// store still lists it; every read of it fails.
inline void BreakTable(const QString& path, const QString& table)
{
    qint64 offset = 0;
    int size = 0;
    {
        Db db(path);
        db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (phone INTEGER NOT NULL PRIMARY KEY);"
                               "INSERT OR IGNORE INTO %1 VALUES (5550000);")
                    .arg(table));
        size = db.scalar(QStringLiteral("PRAGMA page_size")).toInt();
        offset = (db.scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(table))
                      .toLongLong() -
                  1) *
                 size;
    }
    QFile f(path);
    if (size <= 0 || offset <= 0 || !f.open(QIODevice::ReadWrite) || !f.seek(offset) ||
        f.write(QByteArray(size, '\xff')) != size)
        ADD_FAILURE() << "cannot break " << table.toStdString();
}

// A fresh program database at path, replacing any file there.
inline void MakeDatabase(const QString& path)
{
    QFile::remove(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    Db db(path);
    db.exec(QString::fromUtf8(ReadFile(QStringLiteral(TERVALA_SOURCE_DIR "/resources/schema.sql"))));
}

} // namespace testsupport
