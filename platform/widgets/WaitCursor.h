#pragma once
// The hourglass pointer. WaitCursor shows it for the life of a scope and
// nests; SetHourglass is the screen-wide on/off switch for code that turns
// it on in one place and off in another (it does not nest).

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

} // namespace ui
