#pragma once
// A stand-in for the main window as the lower layers see it: a status bar,
// a common dialog and a count of database changes asked for. It registers
// itself for as long as it lives.

#include "core/MainWindowHost.h"
#include "platform/ui/CommonDialog.h"
#include "platform/widgets/StatusBar.h"

class FakeMainWindow : public MainWindowHost {
public:
    FakeMainWindow() { RegisterMainWindow(this); }
    ~FakeMainWindow() { RegisterMainWindow(nullptr); }
    FakeMainWindow(const FakeMainWindow&) = delete;
    FakeMainWindow& operator=(const FakeMainWindow&) = delete;

    void SetStatusBar(const QString& text, std::int32_t panel) override
    {
        statusBar.SetPanelText(panel, text);
    }
    QString StatusBar(std::int32_t panel) const override { return statusBar.PanelText(panel); }
    ui::CommonDialog& MainCommonDialog() override { return dialog; }
    bool ChangeDatabase() override
    {
        ++databaseChanges;
        return changeResult;
    }

    ui::StatusBar statusBar{4};
    ui::CommonDialog dialog;
    int databaseChanges = 0;
    bool changeResult = true;
};
