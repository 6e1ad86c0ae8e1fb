// Status bar panels are addressed from 1; a wrong index is VB's error 35600.
#include "platform/vb/Err.h"
#include "platform/widgets/StatusBar.h"

#include <QLabel>
#include <QRegularExpression>
#include <gtest/gtest.h>

using ui::StatusBar;

TEST(StatusBar, PanelsKeepTheirOwnTexts)
{
    StatusBar bar(4);
    bar.SetPanelText(1, "Action is finished!");
    bar.SetPanelText(2, "Timer: 12");
    EXPECT_EQ(bar.PanelText(1), "Action is finished!");
    EXPECT_EQ(bar.PanelText(2), "Timer: 12");
    EXPECT_EQ(bar.PanelText(3), "");
    EXPECT_EQ(bar.Panel(1)->text(), "Action is finished!");
}

TEST(StatusBar, IndexOutsideThePanelsRaises35600)
{
    StatusBar bar(2);
    for (int index : {0, 3, -1}) {
        try {
            bar.SetPanelText(index, "x");
            ADD_FAILURE() << "index " << index << " accepted";
        } catch (const vb::ErrObject& e) {
            EXPECT_EQ(e.Number, 35600);
            EXPECT_EQ(e.Description, "Index out of bounds");
        }
    }
    EXPECT_THROW(bar.PanelText(3), vb::ErrObject);
    EXPECT_EQ(bar.PanelText(2), "");
}

TEST(StatusBar, DateAndTimePanelsFillThemselves)
{
    StatusBar bar(4);
    bar.SetPanelStyle(3, StatusBar::PanelStyle::Date);
    bar.SetPanelStyle(4, StatusBar::PanelStyle::Time);
    EXPECT_TRUE(QRegularExpression("^\\d{1,2}/\\d{1,2}/\\d{4}$").match(bar.PanelText(3)).hasMatch())
        << bar.PanelText(3).toStdString();
    EXPECT_TRUE(QRegularExpression("^\\d{1,2}:\\d{2} (AM|PM)$").match(bar.PanelText(4)).hasMatch())
        << bar.PanelText(4).toStdString();
}
