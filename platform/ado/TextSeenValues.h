#pragma once
// The values a "select distinct" of a text table has handed out.

#include <QtGlobal>
#include <cstring>
#include <string>
#include <unordered_set>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace ado::text {

// A column value as the table hands it to SQLite.
enum class ValueKind { Null, Integer, Real, Text };

// The values a "select distinct" has handed out, to hand out each once.
// Kept in memory up to a number of values, then in a private temporary
// database, whose pages go to a file past a small cache, as SQLite's own
// removal of repeats does.
class SeenValues {
public:
    SeenValues() = default;
    SeenValues(const SeenValues&) = delete;
    SeenValues& operator=(const SeenValues&) = delete;
    ~SeenValues() { closeSpill(); }

    void clear()
    {
        m_null = false;
        m_integers.clear();
        m_others.clear();
        closeSpill();
    }

    // True the first time a value is offered. NULL is one value; an integer
    // and a real never meet (a real is only ever a decimal with a fraction);
    // texts compare byte for byte, as the column's collation does.
    bool add(ValueKind kind, qint64 integer, double real, const char* text, qsizetype size)
    {
        if (kind == ValueKind::Null) return !std::exchange(m_null, true);
        if (kind == ValueKind::Integer && !m_spill) {
            if (!m_integers.insert(integer).second) return false;
        } else {
            std::string key = kind == ValueKind::Integer ? std::string(1, 'i') + bytesOf(integer)
                              : kind == ValueKind::Real
                                  ? std::string(1, 'r') + bytesOf(real)
                                  : std::string(1, 't') + std::string(text, size_t(size));
            if (m_spill) return spillAdd(key);
            if (!m_others.insert(std::move(key)).second) return false;
        }
        if (m_integers.size() + m_others.size() > kMaxInMemory) spill();
        return true;
    }

private:
    static constexpr size_t kMaxInMemory = size_t(1) << 16;

    template <typename T> static std::string bytesOf(T v)
    {
        std::string b(sizeof v, '\0');
        std::memcpy(b.data(), &v, sizeof v);
        return b;
    }

    void spill();
    bool spillAdd(const std::string& key);
    void closeSpill();

    bool m_null = false;
    std::unordered_set<qint64> m_integers;
    std::unordered_set<std::string> m_others;
    sqlite3* m_spill = nullptr;
    sqlite3_stmt* m_insert = nullptr;
};

} // namespace ado::text
