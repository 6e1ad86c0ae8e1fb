#pragma once
// frmMain: the program's main window.

#include "platform/ui/CommonDialog.h"

#include <QMainWindow>
#include <QString>
#include <cstdint>

namespace ui {
class StatusBar;
}

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Writes text into a panel of sbStatusBar (1 messages, 2 elapsed times,
    // 3 and 4 date and time); a panel number outside 1..4 raises error 35600.
    void SetStatusBar(const QString& text, std::int32_t panel);

    ui::StatusBar* sbStatusBar = nullptr;
    ui::CommonDialog dlgCommonDialog;
};
