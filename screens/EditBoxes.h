#pragma once
// The text-box manners of the edit and find dialogs: gaining the focus
// selects the whole text, and Enter moves the focus on to the next control
// (the key itself goes nowhere).

class QLineEdit;
class QWidget;

void UseEditBoxManners(QLineEdit* box);
// True for a focus change between the dialog's own controls (not a window
// switch or a popup), the only kind that counts as leaving a box.
bool IsOwnFocusChange(const class QEvent* event);
