#pragma once
// A set of the whole numbers from 0 to a bound, one bit each. The local
// numbers of an area code (ten million at most) take 1.25 MB however many
// lines name them, a repeat costs nothing, and they come out in ascending
// order without a sort.

#include <QtGlobal>
#include <algorithm>
#include <bit>
#include <vector>

namespace ado {

class NumberSet {
public:
    explicit NumberSet(qint64 bound) : m_bound(bound), m_words(size_t(bound / 64 + 1), 0) {}

    qint64 bound() const { return m_bound; }
    // False when n lies outside 0 to the bound (and is not kept).
    bool insert(qint64 n)
    {
        if (n < 0 || n > m_bound) return false;
        m_words[size_t(n >> 6)] |= quint64(1) << (n & 63);
        return true;
    }
    bool contains(qint64 n) const
    {
        return n >= 0 && n <= m_bound && ((m_words[size_t(n >> 6)] >> (n & 63)) & 1) != 0;
    }
    void clear() { std::fill(m_words.begin(), m_words.end(), 0); }
    qint64 count() const
    {
        qint64 n = 0;
        for (quint64 w : m_words)
            n += std::popcount(w);
        return n;
    }
    // The smallest number of the set from n on; -1 when there is none.
    qint64 nextFrom(qint64 n) const
    {
        if (n > m_bound) return -1;
        n = std::max<qint64>(n, 0);
        size_t w = size_t(n >> 6);
        quint64 bits = m_words[w] & (~quint64(0) << (n & 63));
        while (bits == 0) {
            if (++w >= m_words.size()) return -1;
            bits = m_words[w];
        }
        return qint64(w << 6) + std::countr_zero(bits);
    }

private:
    qint64 m_bound;
    std::vector<quint64> m_words;
};

} // namespace ado
