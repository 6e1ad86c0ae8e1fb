// A user's road through Options to another database: the database is
// switched on the options panel, then a number typed into the window is
// looked up, and the answer comes from the new database's DNC list.

#include "EndToEndFixture.h"

#include <QFileInfo>

TEST_F(EndToEndTest, ANumberOnlyTheNewDatabaseListsIsCaughtAfterASwitchThroughOptions)
{
    storeScrubOptions();
    const QString other = home.filePath(QStringLiteral("other/DNC.mdb"));
    QDir().mkpath(QFileInfo(other).path());
    ASSERT_TRUE(QFile::copy(databasePath(), other));
    QFile::setPermissions(other, QFile::ReadOwner | QFile::WriteOwner);
    {
        mwtest::Db db(other);
        db.exec(QStringLiteral("create table phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
                               "insert into phone973 values (5550000);"));
    }
    frmMain* form = start();
    ASSERT_NE(form, nullptr);

    scripted.expectModal(mwtest::pressOnOptions(0), QStringLiteral("frmOptions"));
    scripted.expectModal(mwtest::applyDatabase(other), QStringLiteral("frmMakeConnection"));
    toolbarButton(form, QStringLiteral("Options"))->trigger();
    EXPECT_EQ(mwtest::ctl(form).txtDatabase->text(), other);

    mwtest::ctl(form).OptPhoneType(0)->click();
    e2e::type(mwtest::ctl(form).TxtPhoneData, QStringLiteral("9735550000"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Warning:  Do Not Call Number"), ui::vbOKOnly);
    mwtest::ctl(form).cmdStart->click();

    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1),
              QStringLiteral("WARNING: This Number IS in DNC List!"));
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("dnc.txt")),
              QByteArray("Numbers are in DNC List\r\n9735550000"));
}
