#include "platform/ado/ServerWatch.h"

#include "platform/vb/Waiting.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace ado {

namespace {

using Clock = std::chrono::steady_clock;

struct OpenSocket {
    int fd;
    ino_t inode;
    bool operator==(const OpenSocket& o) const { return fd == o.fd && inode == o.inode; }
};

// The sockets among the process's open files; a file number and its inode
// together, so a number closed and used again counts as new.
std::vector<OpenSocket> openSockets()
{
    std::vector<OpenSocket> out;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return out;
    const int own = dirfd(dir);
    while (const dirent* e = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end || fd == own) continue;
        struct stat st;
        if (fstat(int(fd), &st) == 0 && S_ISSOCK(st.st_mode)) out.push_back({int(fd), st.st_ino});
    }
    closedir(dir);
    return out;
}

bool connectedPeer(int fd, sockaddr_storage& peer, socklen_t& length)
{
    std::memset(&peer, 0, sizeof peer);
    length = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return false;
    return peer.ss_family == AF_INET || peer.ss_family == AF_INET6 || peer.ss_family == AF_UNIX;
}

// Waits until fd has one of the events, up to the deadline; in short steps,
// so that a stop is seen soon.
bool waitFor(int fd, short events, Clock::time_point deadline, const std::atomic<bool>& stop)
{
    for (;;) {
        if (stop) return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, int(std::min<long long>(left, 100)));
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) return false;
    }
}

} // namespace

namespace {

// The one helper thread that runs the window thread's calls to the server.
class AsideHelper {
public:
    ~AsideHelper()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }

    // Hands the call over; false when the helper is busy with another.
    bool post(const std::function<void()>& call)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_call) return false;
        if (!m_thread.joinable()) m_thread = std::thread([this] { run(); });
        m_call = &call;
        m_done = false;
        m_error = nullptr;
        m_wake.notify_all();
        return true;
    }

    // Waits up to the time given for the call handed over; true once it
    // returned (its exception is thrown here).
    bool waitFor(std::chrono::milliseconds time)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_wake.wait_for(lock, time, [this] { return m_done; })) return false;
        m_call = nullptr;
        if (std::exception_ptr error = std::exchange(m_error, nullptr)) std::rethrow_exception(error);
        return true;
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (true) {
            m_wake.wait(lock, [this] { return m_stop || (m_call && !m_done); });
            if (m_stop) return;
            const std::function<void()>* call = m_call;
            lock.unlock();
            std::exception_ptr error;
            try {
                (*call)();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            m_error = error;
            m_done = true;
            m_wake.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    const std::function<void()>* m_call = nullptr;
    bool m_done = false;
    bool m_stop = false;
    std::exception_ptr m_error;
};

} // namespace

void ServerWatch::RunAside(const std::function<void()>& call)
{
    const QCoreApplication* app = QCoreApplication::instance();
    static AsideHelper helper;
    if (!app || QThread::currentThread() != app->thread() || !vb::WaitHookSet() || !helper.post(call)) {
        call();
        return;
    }
    vb::Wait wait(QStringLiteral("Waiting for the database server to answer ..."));
    const auto start = std::chrono::steady_clock::now();
    while (!helper.waitFor(std::chrono::milliseconds(100)))
        wait.Going(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

int ServerWatch::NewSocket(const std::function<bool()>& open, bool* result)
{
    const std::vector<OpenSocket> before = openSockets();
    *result = open();
    if (!*result) return -1;
    int found = -1;
    for (const OpenSocket& s : openSockets()) {
        if (std::find(before.begin(), before.end(), s) != before.end()) continue;
        sockaddr_storage peer;
        socklen_t length = 0;
        if (!connectedPeer(s.fd, peer, length)) continue;
        if (found >= 0) return -1;
        found = s.fd;
    }
    return found;
}

std::unique_ptr<ServerWatch> ServerWatch::Create(int fd, Knock knock)
{
    struct stat st;
    sockaddr_storage peer;
    socklen_t length = 0;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode) || !connectedPeer(fd, peer, length))
        return nullptr;
    return std::unique_ptr<ServerWatch>(new ServerWatch(fd, st.st_ino, peer, length, std::move(knock)));
}

ServerWatch::ServerWatch(int fd, ino_t inode, const sockaddr_storage& peer, socklen_t peerLength, Knock knock)
    : m_fd(fd), m_inode(inode), m_peer(peer), m_peerLength(peerLength), m_knock(std::move(knock))
{
}

ServerWatch::~ServerWatch()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void ServerWatch::setPeriods(long waitSeconds, long knockSeconds)
{
    {
        std::lock_guard lock(m_mutex);
        m_waitSeconds = std::max(0L, waitSeconds);
        m_knockSeconds = knockSeconds > 0 ? knockSeconds : m_waitSeconds;
    }
    m_wake.notify_all();
}

bool ServerWatch::cutOff() const
{
    std::lock_guard lock(m_mutex);
    return m_cut;
}

QString ServerWatch::lostText() const
{
    std::lock_guard lock(m_mutex);
    return QStringLiteral("Timeout: the database server has not answered for %1 seconds; ")
               .arg(m_waitSeconds + m_knockSeconds) +
           LostMark();
}

QString ServerWatch::LostMark()
{
    return QStringLiteral("the connection to it is lost.");
}

void ServerWatch::begin()
{
    std::lock_guard lock(m_mutex);
    if (m_depth++ > 0 || m_waitSeconds <= 0 || m_cut) return; // a call within a call is part of it
    ++m_call;
    m_since = Clock::now();
    m_busy = true;
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    else if (m_idle)
        m_wake.notify_one();
    // A thread waiting for an earlier call's deadline finds this call when
    // it wakes, and waits on for this one's.
}

void ServerWatch::end()
{
    std::lock_guard lock(m_mutex);
    if (m_depth > 0 && --m_depth == 0) m_busy = false;
}

void ServerWatch::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (!m_busy || m_waitSeconds <= 0) {
            m_idle = true;
            m_wake.wait(lock);
            m_idle = false;
            continue;
        }
        const unsigned long long call = m_call;
        const Clock::time_point deadline = m_since + std::chrono::seconds(m_waitSeconds);
        if (Clock::now() < deadline) {
            m_wake.wait_until(lock, deadline);
            continue;
        }
        // This call has waited a whole period: is the server still there?
        const long knockSeconds = m_knockSeconds;
        lock.unlock();
        const bool answered = m_knock(m_peer, m_peerLength, knockSeconds, m_stop);
        lock.lock();
        if (m_stop || !m_busy || m_call != call) continue;
        if (answered) {
            m_since = Clock::now(); // at work on it: another period
            continue;
        }
        cut();
    }
}

void ServerWatch::cut()
{
    // The socket is the driver's; the connection outlives its watch, so the
    // number is still that socket, which fstat confirms.
    struct stat st;
    if (fstat(m_fd, &st) == 0 && st.st_ino == m_inode) shutdown(m_fd, SHUT_RDWR);
    m_cut = true;
    m_busy = false;
}

bool KnockPostgres(const sockaddr_storage& address, socklen_t length, long seconds,
                   const std::atomic<bool>& stop)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    const int s = socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0) return true; // no knock possible here: that is no sign of a lost server
    bool answered = false;
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), length) == 0 || errno == EINPROGRESS) {
        int error = 0;
        socklen_t errorLength = sizeof error;
        if (waitFor(s, POLLOUT, deadline, stop) &&
            getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &errorLength) == 0 && error == 0) {
            // The SSL request: its length, 8, and the code 1234 5679.
            const unsigned char request[8] = {0, 0, 0, 8, 0x04, 0xd2, 0x16, 0x2f};
            char reply = 0;
            answered = send(s, request, sizeof request, MSG_NOSIGNAL) == ssize_t(sizeof request) &&
                       waitFor(s, POLLIN, deadline, stop) && recv(s, &reply, 1, 0) == 1;
        }
    }
    close(s);
    return answered;
}

} // namespace ado
