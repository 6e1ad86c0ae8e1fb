#pragma once
// The look-ups of a run spread over helper threads. Each helper reads the
// DNC store through a connection of its own that only reads, with its own
// prepared look-ups, inside a read transaction that lasts the run. The
// engine's thread hands each helper a share of a round's numbers and waits
// for all of them; what a helper raises is raised again on the engine's
// thread, so a failed look-up is never taken for "not on the list".

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class DNCLookups;

namespace ado {
class Connection;
}

namespace scrub {

class LookupThreads {
public:
    // Up to `helpers` helpers on the store of conn. None when the store has
    // no second way in (a server, a list provider) or cannot be opened so.
    LookupThreads(const std::shared_ptr<ado::Connection>& conn, int helpers);
    ~LookupThreads(); // waits for the helpers and ends their transactions
    LookupThreads(const LookupThreads&) = delete;
    LookupThreads& operator=(const LookupThreads&) = delete;

    int size() const { return static_cast<int>(m_helpers.size()); }

    // One round: part(lookups, k) runs on helper k for every k, each with
    // that helper's look-ups. Start hands it out and returns at once; Wait
    // returns when every part is done and rethrows the first part's error.
    // One round at a time.
    using Part = std::function<void(DNCLookups& lookups, int part)>;
    void Start(Part part);
    void Wait();
    bool Busy() const { return m_busy; }

    // The helpers a run takes on this machine.
    static int DefaultCount();

private:
    struct Helper;
    void serve(Helper& helper, int index);

    std::vector<std::unique_ptr<Helper>> m_helpers;
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_done;
    Part m_part;
    bool m_busy = false;       // a round was started and not waited for
    std::uint64_t m_round = 0; // raised for every round handed out
    int m_pending = 0;         // helpers still at the current round
    bool m_stop = false;
    std::exception_ptr m_error;
};

} // namespace scrub
