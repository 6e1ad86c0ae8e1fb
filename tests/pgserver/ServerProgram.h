#pragma once
// The real program in a temporary program folder whose settings file points
// the program's database at a fresh database on the throwaway server.

#include "PgDatabase.h"

#include "mainwindow/MainWindowFixture.h"

class ServerProgramTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        TERVALA_REQUIRE_PG_SERVER(server);
        ASSERT_TRUE(db.Make(server));
        QFile::remove(databasePath()); // nothing falls back on the local file
        mwtest::WriteFile(iniPath(), db.ProfileSection());
    }

    void restart()
    {
        if (gMainForm) gMainForm->close();
        ReleaseGlobalObjects();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        gOption.reset();
        vb::App::ReleaseInstanceLock();
    }

    testsupport::PgServer* server = nullptr;
    PgDatabase db;
};

