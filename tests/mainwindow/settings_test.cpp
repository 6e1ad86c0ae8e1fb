// The window's settings: shown at start-up, changed in the window, saved at
// shut-down and shown again by the next start.

#include "MainWindowFixture.h"

#include "core/CDefPropertys.h"
#include "core/Settings.h"
#include "dncdb/DNCListImport.h"
#include "mainwindow/RunController.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Err.h"
#include "records/CDataTypeInfo.h"
#include "support/ChildKill.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <csignal>
#include <unistd.h>

class WindowSettingsTest : public MainWindowTest {
protected:
    // Runs Main once so that the database holds every default row, then
    // closes the program again.
    void seedDefaults()
    {
        ASSERT_NE(start(), nullptr);
        gMainForm->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        vb::App::ReleaseInstanceLock();
    }
    void store(const QString& key, const QString& value)
    {
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("update DefProperty set PropertyValue = '%1' where PropertyKeys = '%2'")
                    .arg(value, key));
    }
};

TEST_F(WindowSettingsTest, StartUpShowsTheStoredSettings)
{
    seedDefaults();
    store(QStringLiteral("deleterecords"), QStringLiteral("0"));
    store(QStringLiteral("markaction"), QStringLiteral("1"));
    store(QStringLiteral("defaultmark"), QStringLiteral("NOCALL"));
    store(QStringLiteral("dnclastupdate"), QStringLiteral("3/4/2024 10:15:00 AM"));
    store(QStringLiteral("lasttotal"), QStringLiteral("1234567"));
    store(QStringLiteral("okfile"), QStringLiteral("/lists/ok.txt"));
    store(QStringLiteral("addareacode"), QStringLiteral("1"));

    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(mwtest::ctl(form).chkOptions->isChecked());
    EXPECT_TRUE(mwtest::ctl(form).OptionMark(1)->isChecked());
    EXPECT_EQ(mwtest::ctl(form).txtMarkChar->text(), QStringLiteral("NOCALL"));
    EXPECT_EQ(mwtest::ctl(form).txtLastUpdate->text(), QStringLiteral("3/4/2024 10:15:00 AM"));
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:1,234,567"));
    EXPECT_EQ(mwtest::options(form).okFile, QStringLiteral("/lists/ok.txt"));
    EXPECT_EQ(mwtest::options(form).addAreaCode, 1);
    // Loading wrote nothing back.
    EXPECT_FALSE(gDefPropertys->Item(QStringLiteral("deleterecords"))->IsDirty());
    // Loading has ended: the delete box stores its value again.
    mwtest::ctl(form).chkOptions->click();
    EXPECT_EQ(gDefPropertys->Item(QStringLiteral("deleterecords"))->PropertyValue(), QStringLiteral("1"));
}

TEST_F(WindowSettingsTest, AMarkActionOutsideTheOptionsSelectsNone)
{
    seedDefaults();
    store(QStringLiteral("markaction"), QStringLiteral("7"));
    store(QStringLiteral("lasttotal"), QStringLiteral("0"));
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    for (const auto& [index, option] : mwtest::ctl(form).OptionMark)
        EXPECT_FALSE(option->isChecked()) << index;
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:0"));
    EXPECT_TRUE(form->isVisible());
}

TEST_F(WindowSettingsTest, ChangesMadeInTheWindowSurviveARestart)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    const bool wasDeleting = mwtest::ctl(form).chkOptions->isChecked();
    mwtest::ctl(form).chkOptions->click();
    mwtest::ctl(form).OptionMark(0)->click();
    mwtest::ctl(form).txtMarkChar->setText(QStringLiteral("XX"));
    mwtest::ctl(form).OptPhoneType(1)->click(); // "phonedatatype"
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    vb::App::ReleaseInstanceLock();

    {
        mwtest::Db db(databasePath());
        EXPECT_EQ(db.setting(QStringLiteral("deleterecords")),
                  wasDeleting ? QStringLiteral("0") : QStringLiteral("1"));
        EXPECT_EQ(db.setting(QStringLiteral("markaction")), QStringLiteral("0"));
        EXPECT_EQ(db.setting(QStringLiteral("defaultmark")), QStringLiteral("XX"));
        EXPECT_EQ(db.setting(QStringLiteral("phonedatatype")), QStringLiteral("TEXT FILE"));
        // The profile of the type chosen for the first time was written too.
        EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from DataTypeInfo where DataType = 'TEXT FILE'")),
                  QStringLiteral("1"));
    }

    form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(mwtest::ctl(form).chkOptions->isChecked(), !wasDeleting);
    EXPECT_TRUE(mwtest::ctl(form).OptionMark(0)->isChecked());
    EXPECT_EQ(mwtest::ctl(form).txtMarkChar->text(), QStringLiteral("XX"));
    // The stored type is not chosen again by itself.
    for (const auto& [index, option] : mwtest::ctl(form).OptPhoneType)
        EXPECT_FALSE(option->isChecked()) << index;
    ASSERT_NE(gCurDataTypeInfo, nullptr);
    EXPECT_EQ(gCurDataTypeInfo->DataType(), QStringLiteral("TEXT FILE"));
}

// A logout's signal ends the program as a close does: what changed is saved.
TEST_F(WindowSettingsTest, ALogoutSavesTheChangesAsACloseDoes)
{
    if (!testsupport::RunsInChild()) return;
    for (const int signal : {SIGTERM, SIGHUP}) {
        ASSERT_NE(start(), nullptr);
        mwtest::ctl(gMainForm).txtMarkChar->setText(QString::number(signal));
        mwtest::ctl(gMainForm).OptPhoneType(1)->click();
        ::kill(::getpid(), signal);
        while (gMainForm)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        vb::App::ReleaseInstanceLock();
        ui::setServices(&scripted);
        mwtest::Db db(databasePath());
        EXPECT_EQ(db.setting(QStringLiteral("defaultmark")), QString::number(signal));
        EXPECT_EQ(db.setting(QStringLiteral("phonedatatype")), QStringLiteral("TEXT FILE"));
    }
}

// A desktop whose import stopped and whose recount failed (the database gone
// from under it) holds the import's total in memory; another desktop then
// stores a newer total. Closing the first must not write its old one back.
TEST_F(WindowSettingsTest, ATotalAnotherDesktopStoredLaterIsNotWrittenOverAtClose)
{
    {
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY)"));
    }
    const QString text = mwtest::WriteFile(home.filePath(QStringLiteral("dnc.txt")),
                                           "201,5550001\r\n201,5550002\r\n212,5550003\r\n");
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    SetSetting(QStringLiteral("dnctextfilename"), text);
    SetSetting(QStringLiteral("dnctextfilehearder"), QStringLiteral("0"));
    SetSetting(QStringLiteral("dnctextfiledelimited"), QStringLiteral("1"));
    vb::FakeClock clock; // the import's pause after an area code
    vb::SetClock(&clock);
    const QString gone = databasePath() + QStringLiteral(".gone");
    dncimport::SetFillHook([&](const QString& area) {
        if (area != u"212") return;
        QFile::rename(databasePath(), gone);
        throw vb::ErrObject(3043, QStringLiteral("Disk or network error."), QStringLiteral("test"));
    });
    // The table list read again, the import's failure, the recount.
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Could not find file"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Disk or network error."));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Could not find file"));
    EXPECT_FALSE(form->Runs().ImportDNCTextFile());
    dncimport::SetFillHook(nullptr);
    vb::SetClock(nullptr);
    ASSERT_TRUE(QFile::rename(gone, databasePath()));

    store(QStringLiteral("lasttotal"), QStringLiteral("999"));
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.setting(QStringLiteral("lasttotal")), QStringLiteral("999"));
}
