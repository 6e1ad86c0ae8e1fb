#pragma once
// How a VB MsgBox style becomes a Qt message box, kept apart from showing it
// so that the mapping can be checked without a window on screen.

#include "platform/ui/Services.h"

#include <QList>
#include <QMessageBox>
#include <QString>
#include <memory>

class QWidget;

namespace ui {

struct MsgBoxLayout {
    QList<int> answers; // MsgBoxResult of each button, in VB's order
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int defaultAnswer = 0; // the button that Enter presses
    int safeAnswer = 0;    // what closing the box without a button means
};

// The buttons, icon and default of a style (buttons | icon | default button).
// Unknown button sets fall back to OK only and an out-of-range default
// button to the first one, as VB does.
MsgBoxLayout MsgBoxLayoutFor(int style);

QMessageBox::StandardButton StandardButtonFor(int answer);
int AnswerForButton(QMessageBox::StandardButton button);

// A ready, not yet shown message box for the prompt. The prompt is plain
// text: markup characters in a message are shown as typed.
std::unique_ptr<QMessageBox> BuildMessageBox(const QString& prompt, int style, const QString& title,
                                             QWidget* parent = nullptr);

// The VB answer of a finished box: the button clicked, or the safe answer
// when it was closed without one.
int AnswerOf(const QMessageBox& box, int style);

} // namespace ui
