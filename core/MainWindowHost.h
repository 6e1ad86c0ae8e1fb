#pragma once
// What the lower layers use of the main window, without knowing it: the
// status bar, the common dialog and the switch to another DNC database. The
// window registers itself when it is created and withdraws when it goes;
// until then (tests, early start-up) the callers do without it.

#include <QString>
#include <cstdint>

namespace ui {
class CommonDialog;
}

class MainWindowHost {
public:
    // Writes text into a panel of the status bar (1 messages, 2 elapsed
    // times, 3 and 4 date and time); another panel number raises error 35600.
    virtual void SetStatusBar(const QString& text, std::int32_t panel) = 0;
    // The text a panel of the status bar shows.
    virtual QString StatusBar(std::int32_t panel) const = 0;
    // The window's common dialog, which keeps the last chosen file name.
    virtual ui::CommonDialog& MainCommonDialog() = 0;
    // Asks for another database profile and, when the connection string
    // changed and start-up would take the new database, works with it from then
    // on (settings, source profiles, DNC tables and total reloaded). True when
    // the window now works with another database.
    virtual bool ChangeDatabase() = 0;

protected:
    ~MainWindowHost() = default;
};

// The registered window, or null.
MainWindowHost* MainWindow();
// Registers the window (null withdraws it).
void RegisterMainWindow(MainWindowHost* host);
// Writes text into a panel of the main window's status bar; does nothing
// without a main window.
void SetStatusBarText(const QString& text, std::int32_t panel);
