#include "platform/vb/Clock.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <cmath>

namespace vb {

namespace {

const std::chrono::steady_clock::time_point g_origin = std::chrono::steady_clock::now();

RealClock& realClock()
{
    static RealClock clock;
    return clock;
}

std::atomic<Clock*> g_clock{nullptr};

} // namespace

double RealClock::monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - g_origin).count();
}

QDateTime RealClock::now()
{
    return QDateTime::currentDateTime();
}

void RealClock::sleep(double seconds)
{
    if (seconds > 0) QThread::usleep(static_cast<unsigned long>(std::llround(seconds * 1e6)));
}

FakeClock::FakeClock(const QDateTime& start) : m_start(start) {}

QDateTime FakeClock::now()
{
    return m_start.addMSecs(static_cast<qint64>(std::llround(m_elapsed * 1000.0)));
}

void FakeClock::sleep(double seconds)
{
    ++m_sleepCalls;
    if (seconds > 0) {
        m_slept += seconds;
        advance(seconds);
    }
}

void FakeClock::advance(double seconds)
{
    if (seconds > 0) m_elapsed += seconds;
}

void FakeClock::setNow(const QDateTime& dt)
{
    m_start = dt.addMSecs(-static_cast<qint64>(std::llround(m_elapsed * 1000.0)));
}

void SetClock(Clock* clock)
{
    g_clock.store(clock);
}

Clock& CurrentClock()
{
    Clock* c = g_clock.load();
    return c ? *c : realClock();
}

double Timer()
{
    return CurrentClock().monotonicSeconds();
}

void Sleep(double seconds)
{
    CurrentClock().sleep(seconds);
}

} // namespace vb
