#pragma once
// CDuplicates: the keyed list of (count, number) pairs with which duplicate
// removal counts the copies of each phone number. The number is kept as text
// (an area code and a seven-digit number do not fit 32 bits) and the count in
// 32 bits (a list may repeat a number more than 32767 times).

#include "platform/vb/Collection.h"

#include <QString>
#include <cstdint>
#include <memory>

class CDuplicate {
public:
    std::int32_t Count = 0;
    QString Number;
};

class CDuplicates {
public:
    using Items = vb::Collection<std::shared_ptr<CDuplicate>>;

    // Appends an item holding count and number, under key when the key is not
    // empty. A key already held raises error 457 and nothing is added.
    std::shared_ptr<CDuplicate> Add(std::int32_t count, const QString& number,
                                    const QString& key = QString());
    // The item at a position (from 1) or under a key; nullptr when missing.
    std::shared_ptr<CDuplicate> Item(std::int32_t index) const;
    std::shared_ptr<CDuplicate> Item(const QString& key) const;
    std::shared_ptr<CDuplicate> Item(const char* key) const { return Item(QString::fromUtf8(key)); }
    std::int32_t Count() const { return m_items.Count(); }
    // Removes by position or key; a missing entry is passed over.
    void Remove(std::int32_t index);
    void Remove(const QString& key);
    void Remove(const char* key) { Remove(QString::fromUtf8(key)); }

    Items::const_iterator begin() const { return m_items.begin(); }
    Items::const_iterator end() const { return m_items.end(); }

private:
    Items m_items;
};
