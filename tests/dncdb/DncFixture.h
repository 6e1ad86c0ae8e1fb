#pragma once
// A DNC database of its own for each test: a temporary folder with a database
// made from resources/schema.sql, the program-wide objects pointed at it, a
// main window (not started) whose runs import, scripted message boxes and a
// fake clock.

#include "support/ProgramObjects.h"
#include "support/ScriptedUi.h"
#include "support/SqliteFile.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/COption.h"
#include "core/DataAccessModule.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "dncdb/DNCImport.h"
#include "dncdb/ModuleDNC.h"
#include "mainwindow/MainWindowControls.h"
#include "mainwindow/frmMain.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Clock.h"
#include "platform/widgets/ProgressBar.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolBar>
#include <sqlite3.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

class DncTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        vb::SetClock(&clock);
        dbPath = dir.filePath(QStringLiteral("Tervala.mdb"));
        makeDatabase(dbPath);
        cs = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath;

        testsupport::OpenProgramObjects(cs);

        form = std::make_unique<frmMain>();
        gMainForm = form.get();
    }

    void TearDown() override
    {
        dncimport::SetStatusTrace({});
        gMainForm = nullptr;
        form.reset();
        testsupport::CloseProgramObjects();
        vb::SetClock(nullptr);
        ScriptedUiTest::TearDown();
    }

    static void makeDatabase(const QString& path)
    {
        QFile schema(QStringLiteral(TERVALA_SOURCE_DIR "/resources/schema.sql"));
        ASSERT_TRUE(schema.open(QIODevice::ReadOnly));
        const QByteArray sql = schema.readAll();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        char* err = nullptr;
        const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &err);
        sqlite3_free(err);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK);
    }

    // Runs SQL straight on the database file, outside the program's objects.
    void sql(const QString& text) const
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(dbPath.toUtf8().constData(), &db), SQLITE_OK);
        char* err = nullptr;
        const int rc = sqlite3_exec(db, text.toUtf8().constData(), nullptr, nullptr, &err);
        const QString message = err ? QString::fromUtf8(err) : QString();
        sqlite3_free(err);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << message.toStdString();
    }

    // The numbers of a table, or nothing when it does not exist.
    std::set<long long> numbers(const QString& table) const
    {
        std::set<long long> out;
        sqlite3* db = nullptr;
        if (sqlite3_open(dbPath.toUtf8().constData(), &db) != SQLITE_OK) return out;
        sqlite3_stmt* st = nullptr;
        const QByteArray q = (QStringLiteral("SELECT phone FROM ") + table).toUtf8();
        if (sqlite3_prepare_v2(db, q.constData(), -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                out.insert(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }

    long long rowCount(const QString& table) const
    {
        long long n = -1;
        sqlite3* db = nullptr;
        if (sqlite3_open(dbPath.toUtf8().constData(), &db) != SQLITE_OK) return n;
        sqlite3_stmt* st = nullptr;
        const QByteArray q = (QStringLiteral("SELECT count(*) FROM ") + table).toUtf8();
        if (sqlite3_prepare_v2(db, q.constData(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return n;
    }

    bool tableExists(const QString& table) const { return rowCount(table) >= 0; }

    // Writes a file in the test folder; returns its path.
    QString writeFile(const QString& name, const QByteArray& content) const
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        return path;
    }

    QString setting(const QString& key) const { return SettingText(key); }
    void setSetting(const QString& key, const QString& value) { testsupport::PutSetting(key, value); }

    // The import text the wizard would leave: name and its two flags.
    void prepareImport(const QString& path, bool header = false, bool delimited = true)
    {
        setSetting(QStringLiteral("dnctextfilename"), path);
        setSetting(QStringLiteral("dnctextfilehearder"), header ? QStringLiteral("1") : QStringLiteral("0"));
        setSetting(QStringLiteral("dnctextfiledelimited"),
                   delimited ? QStringLiteral("1") : QStringLiteral("0"));
    }

    bool runImport() { return form->Runs().ImportDNCTextFile(); }

    std::shared_ptr<ado::Connection> openDnc() const
    {
        auto c = ado::Connection::Create();
        c->Open(cs);
        return c;
    }

    QTemporaryDir dir;
    QString dbPath;
    QString cs;
    vb::FakeClock clock;
    std::unique_ptr<frmMain> form;
};
