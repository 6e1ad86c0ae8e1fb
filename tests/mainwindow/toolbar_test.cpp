// The toolbar: its eight buttons and what each key starts.

#include "MainWindowFixture.h"

#include "core/CDefPropertys.h"
#include "dialogs/frmOptions.h"

#include <QToolButton>

TEST_F(MainWindowTest, ToolbarHoldsTheEightButtonsInOrder)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    const QList<QAction*> actions = mwtest::ctl(form).TBLaunch->actions();
    ASSERT_EQ(actions.size(), 8);
    const QStringList captions{"Options", "Scrub Options", "Tools",  "Import",
                               "&Help",   "&DNC Gov",      "A&bout", "&Exit"};
    const QStringList keys{"Options", "addopt", "Tools", "Import", "Help", "dncgov", "About", "Exit"};
    const QStringList tips{"Options", "",    "Remove Duplicate", "Import Wizard", "Help", "Got DNC Gov",
                           "About",   "Exit"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(actions[i]->text(), captions[i]);
        EXPECT_EQ(actions[i]->property("Key").toString(), keys[i]);
        if (!tips[i].isEmpty()) {
            EXPECT_EQ(actions[i]->toolTip(), tips[i]);
        }
        EXPECT_FALSE(actions[i]->icon().isNull()) << keys[i].toStdString();
    }
}

TEST_F(MainWindowTest, OptionsOpensTheOptionsPanelOwnedByTheWindow)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    QWidget* owner = nullptr;
    scripted.expectModal(
        [&](QDialog* dialog) {
            owner = dialog->parentWidget();
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Options Panel"));
            return 0;
        },
        QStringLiteral("frmOptions"));
    toolbarButton(form, QStringLiteral("Options"))->trigger();
    EXPECT_EQ(owner, form);
}

TEST_F(MainWindowTest, DncGovOpensTheRegistryPage)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    scripted.expectOpenDocument(true, QStringLiteral("https://registry.invalid/"));
    toolbarButton(form, QStringLiteral("dncgov"))->trigger();
    // Without a browser to open it the user is told.
    scripted.expectOpenDocument(false, QStringLiteral("https://registry.invalid/"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("https://registry.invalid/ could not be opened"),
                          ui::vbExclamation);
    toolbarButton(form, QStringLiteral("dncgov"))->trigger();
}

TEST_F(MainWindowTest, HelpOpensTheProgramManual)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    scripted.expectHelp(home.path() + QStringLiteral("/TervalaManual.chm"));
    toolbarButton(form, QStringLiteral("Help"))->trigger();
}

TEST_F(MainWindowTest, ScrubOptionsReloadsTheScrubValues)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    gDefPropertys->Item(QStringLiteral("okfile"))->SetPropertyValue(QStringLiteral("/tmp/ok-list.txt"));
    gDefPropertys->Item(QStringLiteral("exportok"))->SetPropertyValue(QStringLiteral("1"));
    gDefPropertys->Item(QStringLiteral("defaultcode"))->SetPropertyValue(QStringLiteral("201"));
    scripted.expectModal(
        [](QDialog* dialog) {
            dialog->close();
            return 0;
        },
        QStringLiteral("frmASC"));
    toolbarButton(form, QStringLiteral("addopt"))->trigger();
    EXPECT_EQ(mwtest::options(form).okFile, QStringLiteral("/tmp/ok-list.txt"));
    EXPECT_EQ(mwtest::options(form).exportOK, 1);
    EXPECT_EQ(mwtest::options(form).defaultCode, QStringLiteral("201"));
}

TEST_F(MainWindowTest, ExitClosesTheWindowAndSavesTheSettings)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    QPointer<frmMain> guard = form;
    gDefPropertys->Item(QStringLiteral("formatchar"))->SetPropertyValue(QStringLiteral("#"));
    toolbarButton(form, QStringLiteral("Exit"))->trigger();

    EXPECT_FALSE(guard && guard->isVisible());
    EXPECT_EQ(gMainForm, nullptr);
    EXPECT_EQ(gDataAccess, nullptr);
    EXPECT_EQ(gDefPropertys, nullptr);
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.setting(QStringLiteral("formatchar")), QStringLiteral("#"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}
