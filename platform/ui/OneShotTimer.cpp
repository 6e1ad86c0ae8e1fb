#include "platform/ui/OneShotTimer.h"

#include <QTimer>
#include <algorithm>

namespace ui {

OneShotTimer::OneShotTimer(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &OneShotTimer::fire);
}

void OneShotTimer::SetInterval(int milliseconds)
{
    m_interval = std::max(0, milliseconds);
    if (m_enabled) arm();
}

void OneShotTimer::SetEnabled(bool enabled)
{
    if (enabled == m_enabled) return; // enabling an armed timer does not restart its wait
    m_enabled = enabled;
    if (enabled)
        arm();
    else
        m_timer->stop();
}

void OneShotTimer::arm()
{
    if (m_interval > 0)
        m_timer->start(m_interval);
    else
        m_timer->stop();
}

void OneShotTimer::fire()
{
    // Disarmed before the callback runs, so the callback may arm it again.
    m_enabled = false;
    if (m_callback) m_callback();
}

} // namespace ui
