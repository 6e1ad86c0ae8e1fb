#pragma once
// The end-to-end tests' start: a fresh program folder holding the database
// the build makes, a fixed clock at 2 March 2007 14:25:30, and a folder
// "work" for the user's lists and result files.

#include "mainwindow/MainWindowFixture.h"

#include "platform/vb/Clock.h"

inline void choose(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
}

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

    // The scrub options as the options dialog stores them: both result
    // files in the work folder, a backup, no-table numbers not found.
    void storeScrubOptions(mwtest::Db& db) const
    {
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
