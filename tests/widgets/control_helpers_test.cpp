// The control helpers: the combo-box lookup and the window border.
#include "platform/widgets/ControlHelpers.h"

#include <QComboBox>
#include <QFrame>
#include <gtest/gtest.h>

TEST(FindComboIndex, ByTextOrByItemData)
{
    QComboBox combo;
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant("x"), false), -1);
    combo.addItem("TEXT FILE", 3);
    combo.addItem("EXCEL", 7);
    combo.addItem("EXCEL", 9);
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant("EXCEL"), false), 1);
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant("excel"), false), -1);
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant(9), true), 2);
    EXPECT_EQ(FindComboIndex(&combo, vb::Variant(4), true), -1);
    EXPECT_EQ(FindComboIndex(nullptr, vb::Variant(4), true), -1);
}

TEST(SetFlatBorder, FlatThinSunkenOrUnchanged)
{
    QFrame frame;
    ModuleControl::SetFlatBorder(&frame, 1);
    EXPECT_EQ(frame.frameShape(), QFrame::StyledPanel);
    EXPECT_EQ(frame.frameShadow(), QFrame::Sunken);
    ModuleControl::SetFlatBorder(&frame, 0);
    EXPECT_EQ(frame.frameShape(), QFrame::Box);
    EXPECT_EQ(frame.frameShadow(), QFrame::Plain);
    ModuleControl::SetFlatBorder(&frame, 7);
    EXPECT_EQ(frame.frameShape(), QFrame::Box);
    ModuleControl::SetFlatBorder(&frame, -1);
    EXPECT_EQ(frame.frameShape(), QFrame::NoFrame);
    QWidget plain;
    ModuleControl::SetFlatBorder(&plain, 1); // no frame: nothing to change
    ModuleControl::SetFlatBorder(nullptr, 1);
}
