#include "scrub/LookupThreads.h"

#include "dncdb/ModuleDNC.h"
#include "platform/ado/Connection.h"
#include "platform/vb/Err.h"

#include <QThread>
#include <algorithm>

namespace scrub {

struct LookupThreads::Helper {
    std::shared_ptr<ado::Connection> conn;
    std::unique_ptr<DNCLookups> lookups;
    std::thread thread;
};

LookupThreads::LookupThreads(const std::shared_ptr<ado::Connection>& conn, int helpers)
{
    if (!conn || conn->State() != ado::adStateOpen) return;
    for (int i = 0; i < helpers; ++i) {
        auto helper = std::make_unique<Helper>();
        try {
            helper->conn = conn->OpenReader();
            if (!helper->conn) break;
            helper->conn->PrepareForLookups();
            helper->conn->BeginTrans();
        } catch (...) {
            // A store that takes no further reader is read by the engine's
            // own connection alone.
            vb::CatchError();
            break;
        }
        helper->lookups = std::make_unique<DNCLookups>(helper->conn);
        m_helpers.push_back(std::move(helper));
    }
    for (std::size_t i = 0; i < m_helpers.size(); ++i) {
        Helper& h = *m_helpers[i];
        h.thread = std::thread([this, &h, i] { serve(h, static_cast<int>(i)); });
    }
}

LookupThreads::~LookupThreads()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_all();
    for (auto& h : m_helpers) {
        if (h->thread.joinable()) h->thread.join();
        h->lookups.reset();
        try {
            h->conn->RollbackTrans(); // it only read
            h->conn->Close();
        } catch (...) {
            vb::CatchError();
        }
    }
}

int LookupThreads::DefaultCount()
{
    // The engine's thread writes the list meanwhile, and a text list is read
    // on a thread of its own: the helpers take the other processors, up to
    // a few, since each costs a connection and its page cache.
    return std::clamp(QThread::idealThreadCount() - 2, 0, 6);
}

void LookupThreads::Start(Part part)
{
    if (m_helpers.empty()) return;
    const std::lock_guard lock(m_mutex);
    m_part = std::move(part);
    m_pending = size();
    m_error = nullptr;
    m_busy = true;
    ++m_round;
    m_work.notify_all();
}

void LookupThreads::Wait()
{
    if (!m_busy) return;
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return m_pending == 0; });
    m_busy = false;
    if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
}

void LookupThreads::serve(Helper& helper, int index)
{
    std::uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_work.wait(lock, [&] { return m_stop || m_round != seen; });
            if (m_stop) return;
            seen = m_round;
        }
        // m_part is not changed before every helper has reported this round.
        std::exception_ptr error;
        try {
            m_part(*helper.lookups, index);
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(m_mutex);
            if (error && !m_error) m_error = error;
            if (--m_pending == 0) m_done.notify_one();
        }
    }
}

} // namespace scrub
