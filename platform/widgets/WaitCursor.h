#pragma once
// The hourglass pointer. WaitCursor shows it for the life of a scope and
// nests; SetHourglass is the screen-wide on/off switch for code that turns
// it on in one place and off in another (it does not nest). PaintNow draws
// a window as it stands before long work that serves no events.

class QWidget;

namespace ui {

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void SetHourglass(bool on);
bool HourglassShown(); // by either of the two

// Draws the window at once, as it stands (its controls disabled, the
// hourglass over it), and what a box or dialog closed over it left: the
// work that follows serves no events for a while.
void PaintNow(QWidget* window);

} // namespace ui
