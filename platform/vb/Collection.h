#pragma once
// vb::Collection<T>: VB's Collection object. Items are numbered from 1 in
// insertion order; an item may carry a text key, unique in the collection and
// compared without regard to case; removing an item renumbers the later ones.
//
// Errors, as VB raises them (vb::ErrObject):
// - Add with a key already held: 457, and the item is not added;
// - Item or Remove with a position outside 1..Count: 9 (subscript out of range);
// - Item or Remove with a key that is not held: 5 (invalid procedure call).
// Find() and Contains() answer without throwing, for hot loops that expect
// misses.
//
// Built for lists of hundreds of thousands of keyed items that are looked up,
// removed and walked by position: items sit in slots; a removed item leaves a
// hole (compacted once holes outnumber items); a Fenwick tree over the slots
// turns a position into a slot in O(log n) (O(1) while there are no holes);
// a hash from the case-folded key to the slot gives key lookup and removal in
// constant time.

#include "platform/vb/Err.h"
#include "platform/vb/Variant.h"

#include <QHash>
#include <QString>
#include <cstdint>
#include <iterator>
#include <vector>

namespace vb {

template <class T> class Collection {
    struct Slot {
        T item;
        QString key; // case-folded; empty for an item without a key
        bool live = true;
    };

public:
    Collection() = default;

    std::int32_t Count() const { return m_count; }

    // Appends an item, under key when the key is not empty.
    void Add(const T& item, const QString& key = QString())
    {
        QString folded;
        if (!key.isEmpty()) {
            folded = key.toCaseFolded();
            if (m_keys.contains(folded)) Raise(errnum::KeyAlreadyAssociated);
        }
        const std::size_t slot = m_slots.size();
        m_slots.push_back(Slot{item, folded, true});
        fenwickAppend();
        if (!folded.isEmpty()) m_keys.insert(folded, slot);
        ++m_count;
    }

    T& Item(std::int32_t index) { return m_slots[slotAt(index)].item; }
    const T& Item(std::int32_t index) const { return m_slots[slotAt(index)].item; }
    T& Item(const QString& key) { return m_slots[slotOf(key)].item; }
    const T& Item(const QString& key) const { return m_slots[slotOf(key)].item; }
    T& Item(const char* key) { return Item(QString::fromUtf8(key)); }
    // VB's index-or-key argument: a number is a position, anything else a key.
    T& Item(const Variant& indexOrKey)
    {
        return indexOrKey.isNumeric() ? Item(indexOrKey.toLong()) : Item(indexOrKey.toString());
    }

    void Remove(std::int32_t index) { removeSlot(slotAt(index)); }
    void Remove(const QString& key) { removeSlot(slotOf(key)); }
    void Remove(const char* key) { Remove(QString::fromUtf8(key)); }
    void Remove(const Variant& indexOrKey)
    {
        if (indexOrKey.isNumeric())
            Remove(indexOrKey.toLong());
        else
            Remove(indexOrKey.toString());
    }

    // The item under key, or nullptr; never throws.
    T* Find(const QString& key)
    {
        if (key.isEmpty()) return nullptr;
        const auto it = m_keys.constFind(key.toCaseFolded());
        return it == m_keys.constEnd() ? nullptr : &m_slots[*it].item;
    }
    const T* Find(const QString& key) const { return const_cast<Collection*>(this)->Find(key); }
    bool Contains(const QString& key) const { return !key.isEmpty() && m_keys.contains(key.toCaseFolded()); }

    void Clear()
    {
        m_slots.clear();
        m_tree.clear();
        m_keys.clear();
        m_count = 0;
    }

    // Walks the items in order (VB's For Each).
    template <bool Const> class Iter {
    public:
        using SlotVec = std::conditional_t<Const, const std::vector<Slot>, std::vector<Slot>>;
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using reference = std::conditional_t<Const, const T&, T&>;
        using pointer = std::conditional_t<Const, const T*, T*>;

        Iter() = default;
        Iter(SlotVec* vec, std::size_t at) : m_slots(vec), m_at(at) { skip(); }
        reference operator*() const { return (*m_slots)[m_at].item; }
        pointer operator->() const { return &(*m_slots)[m_at].item; }
        Iter& operator++()
        {
            ++m_at;
            skip();
            return *this;
        }
        Iter operator++(int)
        {
            Iter old = *this;
            ++*this;
            return old;
        }
        bool operator==(const Iter& other) const { return m_at == other.m_at; }

    private:
        void skip()
        {
            while (m_at < m_slots->size() && !(*m_slots)[m_at].live)
                ++m_at;
        }
        SlotVec* m_slots = nullptr;
        std::size_t m_at = 0;
    };
    using iterator = Iter<false>;
    using const_iterator = Iter<true>;

    iterator begin() { return iterator(&m_slots, 0); }
    iterator end() { return iterator(&m_slots, m_slots.size()); }
    const_iterator begin() const { return const_iterator(&m_slots, 0); }
    const_iterator end() const { return const_iterator(&m_slots, m_slots.size()); }

private:
    // m_tree[i] (1-based) holds the number of live slots in (i - lowbit(i), i].
    static std::size_t lowbit(std::size_t i) { return i & (~i + 1); }

    std::int32_t prefix(std::size_t i) const
    {
        std::int32_t sum = 0;
        for (; i > 0; i -= lowbit(i))
            sum += m_tree[i];
        return sum;
    }

    void fenwickAppend()
    {
        if (m_tree.empty()) m_tree.push_back(0); // index 0 is unused
        const std::size_t i = m_tree.size();
        m_tree.push_back(1 + prefix(i - 1) - prefix(i - lowbit(i)));
    }

    void fenwickRemove(std::size_t slot)
    {
        for (std::size_t i = slot + 1; i < m_tree.size(); i += lowbit(i))
            --m_tree[i];
    }

    std::size_t slotAt(std::int32_t index) const
    {
        if (index < 1 || index > m_count) Raise(errnum::SubscriptOutOfRange);
        if (m_count == std::int32_t(m_slots.size()))
            return std::size_t(index) - 1; // no holes: position = slot
        // Descend the tree for the smallest slot whose prefix count reaches index.
        std::size_t pos = 0;
        std::size_t step = 1;
        while (step * 2 < m_tree.size())
            step *= 2;
        std::int32_t rest = index;
        for (; step > 0; step /= 2) {
            if (pos + step < m_tree.size() && m_tree[pos + step] < rest) {
                pos += step;
                rest -= m_tree[pos];
            }
        }
        return pos; // the 1-based tree index pos + 1 is slot pos
    }

    std::size_t slotOf(const QString& key) const
    {
        if (!key.isEmpty()) {
            const auto it = m_keys.constFind(key.toCaseFolded());
            if (it != m_keys.constEnd()) return *it;
        }
        Raise(errnum::InvalidProcedureCall);
    }

    void removeSlot(std::size_t slot)
    {
        Slot& s = m_slots[slot];
        if (!s.key.isEmpty()) m_keys.remove(s.key);
        s = Slot{T{}, QString(), false};
        fenwickRemove(slot);
        --m_count;
        const std::size_t holes = m_slots.size() - std::size_t(m_count);
        if (holes > 1024 && holes > std::size_t(m_count)) compact();
    }

    void compact()
    {
        std::vector<Slot> live;
        live.reserve(std::size_t(m_count));
        for (Slot& s : m_slots)
            if (s.live) live.push_back(std::move(s));
        m_slots = std::move(live);
        m_keys.clear();
        m_tree.assign(1, 0);
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            fenwickAppend();
            if (!m_slots[i].key.isEmpty()) m_keys.insert(m_slots[i].key, i);
        }
    }

    std::vector<Slot> m_slots;
    std::vector<std::int32_t> m_tree;
    QHash<QString, std::size_t> m_keys;
    std::int32_t m_count = 0;
};

} // namespace vb
