#pragma once
// Keeps a call that waits on a database server from waiting for ever. A
// server that is stopped, or a network that drops its packets, leaves the
// driver waiting on its socket with no end: no timeout of the server's own
// can fire, and the kernel keeps answering for a stopped server. The watch
// notes when each call starts; when one has waited a whole period, it knocks
// at the server's door on a connection of its own. A server that answers the
// knock is at work and the call goes on waiting; one that does not is gone,
// and the watch shuts the connection's socket, so the call returns with an
// error at once.

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/socket.h>
#include <sys/types.h>
#include <thread>

namespace ado {

class ServerWatch {
public:
    // Whether a server at that address answers within the seconds given;
    // it gives up early once *stop is set.
    using Knock = std::function<bool(const sockaddr_storage& address, socklen_t length, long seconds,
                                     const std::atomic<bool>& stop)>;

    // Watches the connected socket fd; null when fd is no connected socket.
    static std::unique_ptr<ServerWatch> Create(int fd, Knock knock);
    ~ServerWatch();

    // Seconds a call waits before the knock, and seconds the knock waits
    // for its answer. A period of 0 turns the watch off.
    void setPeriods(long waitSeconds, long knockSeconds);
    // True once the watch has shut the socket: the connection is lost.
    bool cutOff() const;
    // The text of the failure of a call whose connection the watch cut,
    // and the words of it that tell so.
    QString lostText() const;
    static QString LostMark();

    // A call that may wait on the server, from its start to its end. A
    // null watch watches nothing.
    class Call {
    public:
        explicit Call(ServerWatch* watch) : m_watch(watch)
        {
            if (m_watch) m_watch->begin();
        }
        ~Call()
        {
            if (m_watch) m_watch->end();
        }
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

    private:
        ServerWatch* m_watch;
    };

    // Runs a call that may wait on the server. On the window's thread, while
    // a window is there to draw (vb::WaitHookSet), the call runs on a helper
    // thread and this one reports the wait (vb::Wait) until it returns, so
    // the window is drawn and says what it waits for; elsewhere, or when the
    // helper is busy with an outer call, it runs where it is.
    static void RunAside(const std::function<void()>& call);

    // The one connected socket that `open` leaves open among the process's
    // files and that was not open before, or -1 (none, or several because
    // another thread opened one meanwhile). Returns open's result in *result.
    static int NewSocket(const std::function<bool()>& open, bool* result);

private:
    ServerWatch(int fd, ino_t inode, const sockaddr_storage& peer, socklen_t peerLength, Knock knock);
    void begin();
    void end();
    void run();
    // Shuts the socket when it is still the one watched.
    void cut();

    const int m_fd;
    const ino_t m_inode;
    const sockaddr_storage m_peer;
    const socklen_t m_peerLength;
    const Knock m_knock;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    long m_waitSeconds = 0;
    long m_knockSeconds = 0;
    int m_depth = 0;     // calls begun and not ended
    bool m_busy = false; // a call is waiting
    bool m_idle = false; // the thread sleeps until a call starts
    std::atomic<bool> m_stop{false};
    bool m_cut = false;
    unsigned long long m_call = 0; // counts the calls, so a wake knows its own
    std::chrono::steady_clock::time_point m_since;
};

// Whether a PostgreSQL server answers at the address: it is asked whether it
// speaks SSL, which its postmaster answers at once with one byte, before any
// login.
bool KnockPostgres(const sockaddr_storage& address, socklen_t length, long seconds,
                   const std::atomic<bool>& stop);

} // namespace ado
