#pragma once
// The real program in a temporary program folder whose settings file points
// the program's database at a fresh database on the throwaway server.

#include "PgDatabase.h"

#include "mainwindow/MainWindowFixture.h"
#include "scrub/TextFileScrub.h"

// The scrub of "calls.txt" in the folder: a title line, the number in the
// field "Phone", which is also the mark field (so marking leaves the list as
// it was).
inline scrub::TextScrubJob ListJob(const QString& folder)
{
    scrub::TextScrubJob job;
    job.folder = folder;
    job.fileName = QStringLiteral("calls.txt");
    job.connectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + folder +
                           QStringLiteral(";Extended Properties=\"text;HDR=Yes;FMT=Delimited\"");
    job.settings.phoneField = QStringLiteral("Phone");
    job.settings.markField = QStringLiteral("Phone");
    return job;
}

class ServerProgramTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        TERVALA_REQUIRE_PG_SERVER(server);
        // A second desktop, started by a test, shares its parent's database.
        const QString shared = qEnvironmentVariable("TERVALA_PG_DATABASE");
        if (shared.isEmpty())
            ASSERT_TRUE(db.Make(server));
        else
            db.Use(server, shared);
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
