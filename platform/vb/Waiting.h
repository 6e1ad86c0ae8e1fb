#pragma once
// Waits on something outside the program (another desktop's lock on the
// database file, a database server that has not answered yet), and long
// reads and writes of the platform that no engine progress reaches (a large
// workbook sheet): the code that waits says so now and then, and the
// program's window, through the hook it registers, draws itself and says
// what it waits for.

#include <QString>

#include <functional>

namespace vb {

// Called on the waiting thread with what is awaited while a wait lasts, and
// with an empty text once it is over.
using WaitHook = std::function<void(const QString& what)>;
// Registers the hook (an empty one withdraws it).
void SetWaitHook(WaitHook hook);
// True when a hook is registered.
bool WaitHookSet();

// One wait, from its start to its end. Going reports it to the hook with
// the seconds it has lasted, on the clock of the one who waits: not before a
// quarter of a second (most locks are a commit of a moment), then at most
// every tenth of a second. The end is reported when anything was.
class Wait {
public:
    explicit Wait(QString what) : m_what(std::move(what)) {}
    ~Wait();
    Wait(const Wait&) = delete;
    Wait& operator=(const Wait&) = delete;
    void Going(double seconds);

private:
    QString m_what;
    double m_last = -1;
};

// Long work timed on the program's clock: Step now and then reports it.
class LongWork {
public:
    explicit LongWork(QString what);
    void Step();

private:
    Wait m_wait;
    double m_start;
};

} // namespace vb
