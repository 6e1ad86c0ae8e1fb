#pragma once
// frmMain: the program's main window.

#include "platform/ui/CommonDialog.h"

#include <QMainWindow>
#include <QString>
#include <cstdint>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;

namespace ui {
class StatusBar;
class ProgressBar;
}

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Writes text into a panel of sbStatusBar (1 messages, 2 elapsed times,
    // 3 and 4 date and time); a panel number outside 1..4 raises error 35600.
    void SetStatusBar(const QString& text, std::int32_t panel);

    // Enables or disables the input frames, the toolbar and Start while the
    // DNC import runs.
    void SetImport(bool enabled);

    // The DNC import run from the main window (defined with the DNC import in
    // dncdb/): links the prepared import text named in the settings and adds
    // its new numbers to the area-code tables. ok / the result tell whether
    // the import succeeded.
    void ImportDNCTextFile(bool& ok);
    bool ImportDNCList(const QString& linkProviderString, const QString& fileName);

    ui::StatusBar* sbStatusBar = nullptr;
    ui::CommonDialog dlgCommonDialog;

    // Controls that the DNC import and the scrub drive while they run.
    QGroupBox* Frame1 = nullptr;     // "Select Your File Type"
    QGroupBox* Frame2 = nullptr;     // the DNC database
    QGroupBox* Frame4 = nullptr;     // "Select The File to Scrub"
    QGroupBox* Frame5 = nullptr;     // delete / mark options
    QToolBar* TBLaunch = nullptr;
    QPushButton* cmdStart = nullptr;
    QPushButton* cmdLastUpdate = nullptr; // "Import Data"
    ui::ProgressBar* ProgressBar1 = nullptr;
    QLabel* lblMin = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblmax = nullptr;
    QLineEdit* txtLastUpdate = nullptr; // "Last Update:", read-only
    QLabel* lblTotalRec = nullptr;      // "Total Records:" and the DNC total
};
