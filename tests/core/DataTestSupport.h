#pragma once
// Shared by the data tests: a temporary program database made from
// resources/schema.sql with SQLite's own API (so the tests check our code
// against the file, not against itself), and a fixture that gives every test
// a fresh gDataAccess on it with scripted message boxes.

#include "core/CDataAccess.h"
#include "core/DataAccessModule.h"
#include "core/Globals.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Err.h"
#include "support/ScriptedUi.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace datatest {

inline QString JetCs(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path;
}

class TempDatabase {
public:
    explicit TempDatabase(const QString& name = QStringLiteral("Tervala.mdb")) : m_path(m_dir.filePath(name))
    {
        QFile schema(QStringLiteral(TERVALA_SOURCE_DIR "/resources/schema.sql"));
        if (!schema.open(QIODevice::ReadOnly)) ADD_FAILURE() << "schema.sql not readable";
        exec(QString::fromUtf8(schema.readAll()));
    }
    ~TempDatabase()
    {
        if (m_db) sqlite3_close(m_db);
    }

    QString path() const { return m_path; }
    QString cs() const { return JetCs(m_path); }
    QString folder() const { return m_dir.path(); }

    void exec(const QString& sql)
    {
        char* err = nullptr;
        if (sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            ADD_FAILURE() << "sqlite: " << (err ? err : "?") << " in " << sql.toStdString();
            sqlite3_free(err);
        }
    }
    // The first column of the first row as text ("" without rows, "NULL" for Null).
    QString scalar(const QString& sql)
    {
        sqlite3_stmt* st = nullptr;
        QString out;
        if (sqlite3_prepare_v2(handle(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "sqlite: " << sqlite3_errmsg(handle()) << " in " << sql.toStdString();
            return out;
        }
        if (sqlite3_step(st) == SQLITE_ROW)
            out = sqlite3_column_type(st, 0) == SQLITE_NULL
                      ? QStringLiteral("NULL")
                      : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return out;
    }
    int count(const QString& table)
    {
        return scalar(QStringLiteral("select count(*) from ") + table).toInt();
    }

private:
    sqlite3* handle()
    {
        if (!m_db && sqlite3_open(m_path.toUtf8().constData(), &m_db) != SQLITE_OK)
            ADD_FAILURE() << "cannot open " << m_path.toStdString();
        return m_db;
    }

    QTemporaryDir m_dir;
    QString m_path;
    sqlite3* m_db = nullptr;
};

// A fresh gDataAccess whose default string is the temporary database.
class DataTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        InitDataAccess();
        gDataAccess->SetDefaultConnectionString(db.cs());
    }
    void TearDown() override
    {
        CloseDataAccess();
        ScriptedUiTest::TearDown();
    }
    // The critical error box of a data access member.
    void expectError(const QString& function, const QString& module = QStringLiteral("DataAccessAPI"))
    {
        scripted.expectMsgBox(ui::vbOK,
                              QStringLiteral("Module:") + module + QStringLiteral("\r\nFunction:") + function,
                              ui::vbCritical | ui::vbOKOnly);
    }

    TempDatabase db;
};

} // namespace datatest
