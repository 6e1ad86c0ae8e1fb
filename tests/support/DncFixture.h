#pragma once
// A DNC database of its own for each test of the store, the import and the
// import wizard: a temporary folder with a database made from
// resources/schema.sql, the program-wide objects pointed at it, a main
// window (not started) whose runs and wizard loop import, scripted message
// boxes and dialogs, and a fake clock, so the import's fixed waits and the
// quick import's pause take no time.

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
#include "platform/widgets/WaitCursor.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolBar>

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
        testsupport::MakeDatabase(dbPath);
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
        ui::SetHourglass(false);
        vb::SetClock(nullptr);
        ScriptedUiTest::TearDown();
    }

    // Runs SQL straight on the database file, outside the program's objects.
    void sql(const QString& text) const
    {
        testsupport::Db db(dbPath);
        db.exec(text);
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

    // Rows of a table, -1 when it does not exist.
    long long rowCount(const QString& table) const
    {
        testsupport::Db db(dbPath, testsupport::Db::BadQuery::ReadsEmpty);
        const QString n = db.scalar(QStringLiteral("select count(*) from ") + table);
        return n.isEmpty() ? -1 : n.toLongLong();
    }

    bool tableExists(const QString& table) const { return rowCount(table) >= 0; }

    QString path(const QString& name) const { return dir.filePath(name); }
    // Writes a file in the test folder; returns its path.
    QString writeFile(const QString& name, const QByteArray& content) const
    {
        return testsupport::WriteFile(path(name), content);
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
