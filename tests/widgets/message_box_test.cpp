// VB message box styles on the Qt side: buttons, icon, default, and the
// answer a click gives back. Boxes are built and clicked, never shown.
#include "platform/ui/Services.h"
#include "platform/widgets/MessageBox.h"

#include <QAbstractButton>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace ui;

namespace {

// Clicks the button of `answer` on a box built for `style`; returns the VB answer.
int click(int style, int answer)
{
    auto box = BuildMessageBox("Are you sure want to start?", style, "Tervala");
    QAbstractButton* button = box->button(StandardButtonFor(answer));
    if (!button) return -1;
    button->click();
    return AnswerOf(*box, style);
}

} // namespace

TEST(MessageBox, EachButtonSetGivesItsAnswers)
{
    EXPECT_EQ(MsgBoxLayoutFor(vbOKOnly).answers, (QList<int>{vbOK}));
    EXPECT_EQ(MsgBoxLayoutFor(vbOKCancel).answers, (QList<int>{vbOK, vbCancel}));
    EXPECT_EQ(MsgBoxLayoutFor(vbAbortRetryIgnore).answers, (QList<int>{vbAbort, vbRetry, vbIgnore}));
    EXPECT_EQ(MsgBoxLayoutFor(vbYesNoCancel).answers, (QList<int>{vbYes, vbNo, vbCancel}));
    EXPECT_EQ(MsgBoxLayoutFor(vbYesNo | vbQuestion).answers, (QList<int>{vbYes, vbNo}));
    EXPECT_EQ(MsgBoxLayoutFor(vbRetryCancel).answers, (QList<int>{vbRetry, vbCancel}));

    EXPECT_EQ(click(vbYesNo | vbQuestion, vbYes), vbYes);
    EXPECT_EQ(click(vbYesNo | vbQuestion, vbNo), vbNo);
    EXPECT_EQ(click(vbAbortRetryIgnore, vbIgnore), vbIgnore);
    EXPECT_EQ(click(vbYesNoCancel, vbCancel), vbCancel);
    EXPECT_EQ(click(vbRetryCancel, vbRetry), vbRetry);
    EXPECT_EQ(click(vbOKOnly, vbOK), vbOK);
    EXPECT_EQ(click(vbOKOnly, vbCancel), -1); // an OK box has no Cancel button
}

TEST(MessageBox, IconsFollowTheStyle)
{
    EXPECT_EQ(BuildMessageBox("x", vbCritical, "t")->icon(), QMessageBox::Critical);
    EXPECT_EQ(BuildMessageBox("x", vbYesNo | vbQuestion, "t")->icon(), QMessageBox::Question);
    EXPECT_EQ(BuildMessageBox("x", vbExclamation, "t")->icon(), QMessageBox::Warning);
    EXPECT_EQ(BuildMessageBox("x", vbInformation, "t")->icon(), QMessageBox::Information);
    EXPECT_EQ(BuildMessageBox("x", vbOKOnly, "t")->icon(), QMessageBox::NoIcon);
}

TEST(MessageBox, DefaultButtonCountsFromTheFirst)
{
    auto box = BuildMessageBox("x", vbYesNoCancel | vbDefaultButton2, "t");
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));
    box = BuildMessageBox("x", vbYesNoCancel | vbDefaultButton3, "t");
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Cancel));
    box = BuildMessageBox("x", vbOKCancel, "t");
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Ok));
    // A third default on a two-button box falls back to the first, as VB does.
    EXPECT_EQ(MsgBoxLayoutFor(vbYesNo | vbDefaultButton3).defaultAnswer, vbYes);
}

TEST(MessageBox, ClosingWithoutAButtonStops)
{
    auto box = BuildMessageBox("x", vbYesNoCancel, "t");
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel));
    EXPECT_EQ(AnswerOf(*box, vbYesNoCancel), vbCancel);
    EXPECT_EQ(SafeAnswer(vbYesNo), vbNo);
    EXPECT_EQ(SafeAnswer(vbAbortRetryIgnore), vbAbort);
    EXPECT_EQ(SafeAnswer(vbOKOnly | vbCritical), vbOK);
}

TEST(MessageBox, PromptIsPlainTextAndTitleIsKept)
{
    auto box = BuildMessageBox("Error Number:5\nError Message:<b>x</b>", vbCritical, "Tervala");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->text(), "Error Number:5\nError Message:<b>x</b>");
    EXPECT_EQ(box->windowTitle(), "Tervala");
}
