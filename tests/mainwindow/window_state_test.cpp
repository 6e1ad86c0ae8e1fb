// SetStart and SetImport around long actions, the status bar, and a close
// asked for while an action runs.

#include "MainWindowFixture.h"

#include "core/CDefPropertys.h"
#include "platform/widgets/StatusBar.h"

#include <QGroupBox>
#include <QPushButton>

namespace {

std::vector<QWidget*> inputs(frmMain* form)
{
    return {mwtest::ctl(form).Frame1, mwtest::ctl(form).Frame2,   mwtest::ctl(form).Frame4,
            mwtest::ctl(form).Frame5, mwtest::ctl(form).cmdStart, mwtest::ctl(form).TBLaunch};
}

} // namespace

TEST_F(MainWindowTest, SetStartDisablesTheInputsWithTheHourglassAndEnablesThemAgain)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    form->SetStart(false);
    for (QWidget* w : inputs(form))
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(mwtest::ctl(form).cboPhoneDataField->isEnabled()); // inside a disabled frame
    EXPECT_TRUE(ui::HourglassShown());

    form->SetStart(true);
    for (QWidget* w : inputs(form))
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(ui::HourglassShown());
}

TEST_F(MainWindowTest, SetImportShowsTheImportStateInTheStatusBar)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    form->SetImport(false);
    for (QWidget* w :
         {static_cast<QWidget*>(mwtest::ctl(form).Frame1), static_cast<QWidget*>(mwtest::ctl(form).Frame2),
          static_cast<QWidget*>(mwtest::ctl(form).Frame5), static_cast<QWidget*>(mwtest::ctl(form).cmdStart),
          static_cast<QWidget*>(mwtest::ctl(form).TBLaunch)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(ui::HourglassShown());
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1), QStringLiteral("Analyzing data ..."));

    form->SetImport(true);
    EXPECT_TRUE(mwtest::ctl(form).Frame2->isEnabled());
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_FALSE(ui::HourglassShown());
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1), QStringLiteral("Finished to import DNC list"));
}

TEST_F(MainWindowTest, ACloseDuringALongActionWaitsUntilTheActionEnds)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    QPointer<frmMain> guard = form;

    form->SetStart(false);
    gDefPropertys->Item(QStringLiteral("formatchar"))->SetPropertyValue(QStringLiteral("*"));
    EXPECT_FALSE(form->close()); // the action still runs inside the window's events
    QCoreApplication::processEvents();
    EXPECT_TRUE(guard && guard->isVisible());
    ASSERT_TRUE(gDefPropertys);

    form->SetStart(true);                     // the action ends
    EXPECT_TRUE(guard && guard->isVisible()); // and returns to the event loop first
    QCoreApplication::processEvents();
    EXPECT_FALSE(guard && guard->isVisible());
    EXPECT_EQ(gMainForm, nullptr);
    EXPECT_EQ(gDefPropertys, nullptr);
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.setting(QStringLiteral("formatchar")), QStringLiteral("*"));
}

TEST_F(MainWindowTest, DuringAnImportNoControlOfTheFourFramesTakesInput)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    form->SetImport(false);
    std::vector<QWidget*> controls{mwtest::ctl(form).TxtPhoneData,      mwtest::ctl(form).cmdBrowserData,
                                   mwtest::ctl(form).DataTableName,     mwtest::ctl(form).cmdViewData,
                                   mwtest::ctl(form).cboPhoneDataField, mwtest::ctl(form).cboAreaDataField,
                                   mwtest::ctl(form).chkOptions,        mwtest::ctl(form).cboMarkField,
                                   mwtest::ctl(form).txtMarkChar,       mwtest::ctl(form).cmdLastUpdate,
                                   mwtest::ctl(form).cmdViewDNC,        mwtest::ctl(form).cmdBrowser,
                                   mwtest::ctl(form).cmdStart,          mwtest::ctl(form).TBLaunch};
    for (const auto& [index, option] : mwtest::ctl(form).OptPhoneType)
        controls.push_back(option);
    for (const auto& [index, option] : mwtest::ctl(form).OptionMark)
        controls.push_back(option);
    for (QWidget* w : controls)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    form->SetImport(true);
    EXPECT_TRUE(mwtest::ctl(form).TxtPhoneData->isEnabled());
    EXPECT_TRUE(mwtest::ctl(form).cmdBrowserData->isEnabled());
}
