#pragma once
// The block index of a text table's column, and the shared source of a file
// that keeps its indexes: per value, the blocks of the file that hold it.

#include "platform/ado/TextNumbers.h"
#include "platform/files/TextTable.h"

#include <QHash>
#include <QString>
#include <cmath>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ado::text {

// A key of the index: a number that is a whole one is kept as such (the
// common case: an area code), any other number or text as valueKey's text.
struct IndexKey {
    bool whole = false;
    qint64 number = 0;
    QString text;

    static IndexKey ofNumber(double d)
    {
        if (d == std::trunc(d) && std::fabs(d) < 9.0e15) return {true, static_cast<qint64>(d), {}};
        return {false, 0, numberKey(d)};
    }
    static IndexKey ofValue(const QString& t)
    {
        double d = 0;
        if (parseNumber(t, d)) return ofNumber(d);
        return {false, 0, valueKey(t)};
    }
};

struct BlockIndex {
    std::vector<qint64> blockStart;
    std::unordered_map<qint64, std::vector<quint32>> wholeNumbers;
    std::unordered_map<QString, std::vector<quint32>> others;

    const std::vector<quint32>* blocksOf(const IndexKey& key) const
    {
        if (key.whole) {
            auto it = wholeNumbers.find(key.number);
            return it == wholeNumbers.end() ? nullptr : &it->second;
        }
        auto it = others.find(key.text);
        return it == others.end() ? nullptr : &it->second;
    }
};

// Collects a block index record by record during a pass over the whole
// file. Fails (and frees what it holds) past a number of distinct keys.
class IndexBuilder {
public:
    IndexBuilder(qint64 blockBytes, int prefix, size_t maxKeys)
        : m_idx(std::make_unique<BlockIndex>()), m_blockBytes(blockBytes), m_prefix(prefix),
          m_maxKeys(maxKeys)
    {
    }

    int prefix() const { return m_prefix; }
    bool failed() const { return !m_idx; }

    // A record starts at this offset; called for every record, in order.
    void record(qint64 offset)
    {
        if (m_blockBegin < 0 || offset - m_blockBegin >= m_blockBytes) {
            m_idx->blockStart.push_back(offset);
            m_block = quint32(m_idx->blockStart.size() - 1);
            m_blockBegin = offset;
        }
    }

    // The record's value is a whole number (a key the fast path makes).
    void addWhole(qint64 number)
    {
        if (m_last && m_lastNumber == number) {
            if (m_last->back() != m_block) m_last->push_back(m_block);
            return;
        }
        auto& list = m_idx->wholeNumbers[number];
        m_last = &list;
        m_lastNumber = number;
        push(list);
    }

    void add(const IndexKey& key)
    {
        if (key.whole) return addWhole(key.number);
        push(m_idx->others[key.text]);
    }

    std::unique_ptr<BlockIndex> take() { return std::move(m_idx); }

private:
    void push(std::vector<quint32>& list)
    {
        if (!list.empty() && list.back() == m_block) return;
        list.push_back(m_block);
        if (m_idx->wholeNumbers.size() + m_idx->others.size() > m_maxKeys) {
            m_idx.reset();
            m_last = nullptr;
        }
    }

    std::unique_ptr<BlockIndex> m_idx;
    qint64 m_blockBytes;
    int m_prefix;
    size_t m_maxKeys;
    qint64 m_blockBegin = -1;
    quint32 m_block = 0;
    // the list of the last whole number (map values keep their place)
    std::vector<quint32>* m_last = nullptr;
    qint64 m_lastNumber = 0;
};

class TextSource {
public:
    // The sources open on one connection, by file and layout: the tables of
    // a connection that name the same unchanged file share its records and
    // block indexes. Each connection has its own, so no two connections (or
    // runs on them) see each other's.
    using Cache = QHash<QString, std::weak_ptr<TextSource>>;

    static std::shared_ptr<TextSource> Open(const QString& path, const QString& properties, Cache& cache);

    files::TextTable& table() { return m_table; }
    qint64 size() const { return m_size; }

    // The block index of a column: whole values (prefix 0) or the first
    // `prefix` characters read as a number. Null when none is built.
    const BlockIndex* index(int column, int prefix) const
    {
        auto it = m_indexes.find(key(column, prefix));
        return it == m_indexes.end() ? nullptr : it->second.get();
    }

    // A builder for a pass over the whole file to fill, or null when the
    // file is small, the index is there or was found not to pay. A pass
    // that only guesses that lookups of the column follow (a scan of it)
    // gives up sooner.
    std::unique_ptr<IndexBuilder> builder(int column, int prefix, bool guess) const;

    // Keeps what a pass over the whole file built. A failed build is kept
    // too (as no index), so that the file is not indexed again in vain;
    // a guess that failed is merely dropped.
    void keep(int column, IndexBuilder& builder, bool guess);

private:
    static constexpr size_t kMaxGuessedKeys = 1 << 16;

    TextSource(const QString& path, const files::TextOptions& options, qint64 size)
        : m_table(path, options), m_size(size)
    {
    }

    static quint64 key(int column, int prefix) { return (quint64(column) << 16) | quint64(prefix); }

    files::TextTable m_table;
    qint64 m_size;
    std::map<quint64, std::unique_ptr<BlockIndex>> m_indexes;
};

} // namespace ado::text
