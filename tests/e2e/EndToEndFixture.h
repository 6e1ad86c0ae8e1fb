#pragma once
// A user's road through the real program: start-up in a fresh program
// folder with the database the build makes, on the program's clock at
// 2 March 2007 14:25:30, with a folder "work" for the user's files; typing
// and choosing in the window as a user does.

#include "mainwindow/MainWindowFixture.h"

#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "platform/vb/Clock.h"
#include "platform/widgets/StatusBar.h"

#include <QKeyEvent>

namespace e2e {

using mwtest::choose;
using mwtest::type;

} // namespace e2e

class EndToEndTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        vb::SetClock(&clock);
        const QString built = QStringLiteral(TERVALA_BINARY_DIR "/bin/Database/Tervala.mdb");
        ASSERT_TRUE(QFile::exists(built)) << "the build makes " << built.toStdString();
        QFile::remove(databasePath());
        ASSERT_TRUE(QFile::copy(built, databasePath()));
        QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::WriteOwner);
        work = home.filePath(QStringLiteral("work")) + QLatin1Char('/');
        QDir().mkpath(work);
    }

    void TearDown() override
    {
        MainWindowTest::TearDown();
        vb::SetClock(nullptr);
    }

    // The program's scrub options, as the options dialog stores them: both
    // result files in the work folder, a backup, no table meaning listed.
    void storeScrubOptions()
    {
        mwtest::Db db(databasePath());
        const QString rows = QStringLiteral(
            "insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) values "
            "('exportok', 'Export OK', '1', 0), ('exportdnc', 'Export DNC', '1', 0), "
            "('okfile', 'OK file', '%1ok.txt', 3), ('dncfile', 'DNC file', '%1dnc.txt', 3), "
            "('backuporginal', 'Backup', '1', 0), ('nacnotindnc', 'No table', '0', 0)");
        db.exec(rows.arg(work));
    }

    vb::FakeClock clock{QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30))};
    QString work;
};
