#include "core/CDuplicates.h"

std::shared_ptr<CDuplicate> CDuplicates::Add(std::int32_t count, const QString& number, const QString& key)
{
    auto item = std::make_shared<CDuplicate>();
    item->Count = count;
    item->Number = number;
    m_items.Add(item, key);
    return item;
}

std::shared_ptr<CDuplicate> CDuplicates::Item(std::int32_t index) const
{
    if (index < 1 || index > m_items.Count()) return nullptr;
    return m_items.Item(index);
}

std::shared_ptr<CDuplicate> CDuplicates::Item(const QString& key) const
{
    const auto* found = m_items.Find(key);
    return found ? *found : nullptr;
}

void CDuplicates::Remove(std::int32_t index)
{
    if (index >= 1 && index <= m_items.Count()) m_items.Remove(index);
}

void CDuplicates::Remove(const QString& key)
{
    if (m_items.Contains(key)) m_items.Remove(key);
}
