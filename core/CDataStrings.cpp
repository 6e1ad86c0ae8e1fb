#include "core/CDataStrings.h"

void CDataStrings::Clear()
{
    m_items = Items();
}

void CDataStrings::CopyMe(const CDataStrings& other)
{
    if (&other == this) {
        // Copying a list onto itself only forgets the keys.
        CDataStrings copy;
        copy.CopyMe(other);
        m_items = copy.m_items;
        return;
    }
    Clear();
    for (std::int32_t i = 1; i <= other.Count(); ++i)
        Add(other.Item(i)->ItemValue());
}

std::shared_ptr<CDataString> CDataStrings::Add(const QString& value, const QString& key)
{
    auto item = std::make_shared<CDataString>();
    item->SetItemValue(value);
    m_items.Add(item, key);
    return item;
}

std::shared_ptr<CDataString> CDataStrings::Item(std::int32_t index) const
{
    if (index < 1 || index > m_items.Count()) return nullptr;
    return m_items.Item(index);
}

std::shared_ptr<CDataString> CDataStrings::Item(const QString& key) const
{
    const auto* found = m_items.Find(key);
    return found ? *found : nullptr;
}

void CDataStrings::Remove(std::int32_t index)
{
    if (index >= 1 && index <= m_items.Count()) m_items.Remove(index);
}

void CDataStrings::Remove(const QString& key)
{
    if (m_items.Contains(key)) m_items.Remove(key);
}
