#pragma once
// CDataStrings: an ordered list of texts (CDataString items), optionally keyed
// by a text compared without regard to case. The program-wide gPhoneTables
// holds the names of the DNC tables; each data-source profile keeps its table
// and field names in two more.

#include "platform/vb/Collection.h"

#include <QString>
#include <cstdint>
#include <memory>

class CDataString {
public:
    void SetItemValue(const QString& value) { m_itemValue = value; }
    QString ItemValue() const { return m_itemValue; }
    void Clear() { m_itemValue.clear(); }
    void CopyMe(const CDataString& other) { m_itemValue = other.m_itemValue; }

private:
    QString m_itemValue;
};

class CDataStrings {
public:
    using Items = vb::Collection<std::shared_ptr<CDataString>>;

    // Drops every item.
    void Clear();
    // Clear, then the other list's texts in order, without keys.
    void CopyMe(const CDataStrings& other);
    // Appends an item holding value, under key when the key is not empty. A
    // key already held raises error 457 and nothing is added.
    std::shared_ptr<CDataString> Add(const QString& value, const QString& key = QString());
    // The item at a position (from 1) or under a key; nullptr when missing.
    std::shared_ptr<CDataString> Item(std::int32_t index) const;
    std::shared_ptr<CDataString> Item(const QString& key) const;
    std::shared_ptr<CDataString> Item(const char* key) const { return Item(QString::fromUtf8(key)); }
    std::int32_t Count() const { return m_items.Count(); }
    // Removes by position or key; a missing entry is ignored.
    void Remove(std::int32_t index);
    void Remove(const QString& key);
    void Remove(const char* key) { Remove(QString::fromUtf8(key)); }

    // For each, in order.
    Items::const_iterator begin() const { return m_items.begin(); }
    Items::const_iterator end() const { return m_items.end(); }

private:
    Items m_items;
};
