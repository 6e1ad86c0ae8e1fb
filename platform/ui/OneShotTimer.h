#pragma once
// A timer that fires its callback once each time it is enabled: enabling
// arms it, firing disables it again. Changing the interval while armed
// starts the wait over, and an interval of 0 never fires, as with VB's timer.

#include <QObject>
#include <functional>

class QTimer;

namespace ui {

class OneShotTimer : public QObject {
    Q_OBJECT
public:
    explicit OneShotTimer(QObject* parent = nullptr);

    int Interval() const { return m_interval; }
    void SetInterval(int milliseconds);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    void SetCallback(std::function<void()> callback) { m_callback = std::move(callback); }

private:
    void arm();
    void fire();

    QTimer* m_timer;
    int m_interval = 0;
    bool m_enabled = false;
    std::function<void()> m_callback;
};

} // namespace ui
