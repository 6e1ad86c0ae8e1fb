#include "platform/vb/Waiting.h"

#include "platform/vb/Clock.h"

#include <mutex>

namespace vb {

namespace {
std::mutex g_mutex;
WaitHook g_hook;

void Report(const QString& what)
{
    WaitHook hook;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        hook = g_hook;
    }
    if (hook) hook(what);
}
} // namespace

void SetWaitHook(WaitHook hook)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_hook = std::move(hook);
}

bool WaitHookSet()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return bool(g_hook);
}

Wait::~Wait()
{
    if (m_last >= 0) Report(QString());
}

void Wait::Going(double seconds)
{
    if (seconds < 0.25 || (m_last >= 0 && seconds - m_last < 0.1)) return;
    m_last = seconds;
    Report(m_what);
}

LongWork::LongWork(QString what) : m_wait(std::move(what)), m_start(Timer()) {}

void LongWork::Step()
{
    m_wait.Going(Timer() - m_start);
}

} // namespace vb
