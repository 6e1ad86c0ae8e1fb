#include "platform/vb/DoEvents.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>

namespace vb {

namespace {
std::atomic<std::int64_t> g_lastRun{std::numeric_limits<std::int64_t>::min()};
}

void DoEvents()
{
    QCoreApplication* app = QCoreApplication::instance();
    // Events belong to the thread that owns the application object.
    if (!app || QThread::currentThread() != app->thread()) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    g_lastRun = std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count();
}

void DoEventsThrottled(double minSeconds)
{
    const std::int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
    const std::int64_t last = g_lastRun.load();
    if (last != std::numeric_limits<std::int64_t>::min() &&
        static_cast<double>(now - last) < minSeconds * 1e6)
        return;
    DoEvents();
}

} // namespace vb
