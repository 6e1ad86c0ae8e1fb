// Start-up with the program's database on the server: the settings seeded
// there, changed in the window, saved at shut-down and read back by the
// next start; a server that refuses the login gives the connection dialog.

#include "ServerProgram.h"

#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "records/CDataTypeInfos.h"

TEST_F(ServerProgramTest, SeedsTheSettingsOnTheServerAndReadsBackWhatTheWindowSaved)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(gDataAccess->DefaultConnectionString(), db.ConnectionString());
    EXPECT_EQ(db.Query("select PropertyValue from DefProperty where PropertyKeys = 'markaction'"),
              QStringList{"2"});
    const QStringList seeded = db.Query("select count(*) from DefProperty");
    ASSERT_EQ(seeded.size(), 1);
    EXPECT_GT(seeded[0].toInt(), 10);

    // A setting changed in memory, saved with the rest at shut-down.
    gDefPropertys->Item(QStringLiteral("DefaultMark"))->SetPropertyValue(QStringLiteral("Do Not Call"));
    restart();
    EXPECT_EQ(db.Query("select PropertyValue from DefProperty where PropertyKeys = 'defaultmark'"),
              QStringList{"Do Not Call"});
    EXPECT_EQ(db.Query("select count(*) from DefProperty"), seeded) << "no setting is added twice";

    form = start();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(gDefPropertys->Item(QStringLiteral("defaultmark"))->PropertyValue(),
              QStringLiteral("Do Not Call"));
}

TEST_F(ServerProgramTest, ARefusedLoginGivesTheConnectionDialogWithTheDriversMessage)
{
    mwtest::WriteFile(iniPath(), db.ProfileSection(QStringLiteral("wrong")));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("password authentication failed for user \"tervala\""),
                          ui::vbCritical);
    scripted.expectModal(mwtest::cancelDialog(), QStringLiteral("frmMakeConnection"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("password authentication failed"), ui::vbCritical);
    EXPECT_EQ(start(), nullptr);
}
