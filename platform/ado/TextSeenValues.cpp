#include "platform/ado/TextSeenValues.h"

#include <new>
#include <sqlite3.h>

namespace ado::text {

void SeenValues::spill()
{
    // an empty name: a private database on a temporary file
    if (sqlite3_open_v2("", &m_spill, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK ||
        sqlite3_exec(m_spill, "CREATE TABLE seen(v BLOB PRIMARY KEY) WITHOUT ROWID", nullptr, nullptr,
                     nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(m_spill, "INSERT OR IGNORE INTO seen VALUES(?)", -1, &m_insert, nullptr) !=
            SQLITE_OK) {
        closeSpill();
        throw std::bad_alloc();
    }
    sqlite3_exec(m_spill, "BEGIN", nullptr, nullptr, nullptr);
    for (qint64 v : m_integers)
        spillAdd(std::string(1, 'i') + bytesOf(v));
    for (const std::string& k : m_others)
        spillAdd(k);
    m_integers = {};
    m_others = {};
}

bool SeenValues::spillAdd(const std::string& key)
{
    sqlite3_bind_blob(m_insert, 1, key.data(), int(key.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(m_insert);
    sqlite3_reset(m_insert);
    if (rc != SQLITE_DONE) throw std::bad_alloc();
    return sqlite3_changes(m_spill) > 0;
}

void SeenValues::closeSpill()
{
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    if (m_spill) sqlite3_close(m_spill);
    m_spill = nullptr;
}

} // namespace ado::text
