// The area-code box of the properties dialog as a user meets it: a click
// into the box selects what stands there, so the code typed replaces it,
// and Enter adds it to the list.

#include "MainWindowFixture.h"
#include "support/UserDrive.h"

#include "core/Settings.h"
#include "mainwindow/frmProperties.h"

#include <QLineEdit>
#include <QListWidget>

namespace ud = userdrive;

TEST_F(MainWindowTest, AClickIntoTheAreaCodeBoxSelectsItsTextForTheNextCode)
{
    ASSERT_NE(start(), nullptr);
    SetSetting(QStringLiteral("keptareacode"), QStringLiteral("201"));
    frmProperties properties;
    ud::Activate(&properties);
    properties.txtCode->setText(QStringLiteral("312"));

    ud::ClickInto(properties.txtCode);
    EXPECT_EQ(properties.txtCode->selectedText(), QStringLiteral("312"));
    ud::Type(QStringLiteral("415"));
    ud::Enter();
    ASSERT_EQ(properties.lstArea->count(), 2);
    EXPECT_EQ(properties.lstArea->item(1)->text(), QStringLiteral("415"));
    properties.cmdClose->click();
}
