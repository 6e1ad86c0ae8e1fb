#pragma once
// The main window's progress frame (Frame6): the bar ProgressBar1 with
// lblMin, lblStatus and lblmax, and the first two panels of the status bar.
// Every long run of the window reports to it; its texts are set at most
// every tenth of a second, the last report always.

#include "core/EngineProgress.h"

#include <QFrame>

class QLabel;
namespace ui {
class ProgressBar;
class StatusBar;
} // namespace ui

class ProgressFrame : public QFrame, public engine::EngineProgress {
    Q_OBJECT
public:
    ProgressFrame(ui::StatusBar* statusBar, QWidget* parent);

    void Begin(double maximum, const QString& maximumText) override;
    void Show(double value, const QString& countText) override;
    void End() override;
    void Status(const QString& text, std::int32_t panel) override;
    void Yield(bool throttled) override;
    bool Due(bool final) override { return m_throttle.Due(final); }
    // A run is to stop: its next pause in a walk over the records (a
    // throttled yield, before anything is committed) raises "User interrupt
    // occurred" (18), which the run reports as a failure with its files as
    // they were.
    void StopAtNextPause() { m_stop = true; }

private:
    ui::StatusBar* m_statusBar;
    ui::ProgressBar* m_bar;
    QLabel* m_min;
    QLabel* m_status;
    QLabel* m_max;
    engine::ProgressThrottle m_throttle;
    bool m_stop = false;
};
