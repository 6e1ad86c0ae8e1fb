#pragma once
// A control array: widgets of one kind that share a name and one handler,
// told apart by their index. Each element's objectName is the array's name,
// "_" and the index; the index is also kept in the widget's "Index" property.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <map>

template <class W> class ControlArray {
public:
    // Adds the widget under index; it keeps the array's name with the index.
    void Add(std::int32_t index, W* widget, const QString& arrayName)
    {
        widget->setObjectName(arrayName + QLatin1Char('_') + QString::number(index));
        widget->setProperty("Index", index);
        m_items[index] = widget;
    }
    // The element at index; nullptr when the array has none there.
    W* operator()(std::int32_t index) const
    {
        const auto it = m_items.find(index);
        return it == m_items.end() ? nullptr : it->second;
    }
    std::int32_t Count() const { return static_cast<std::int32_t>(m_items.size()); }
    std::int32_t LBound() const { return m_items.empty() ? 0 : m_items.begin()->first; }
    std::int32_t UBound() const { return m_items.empty() ? -1 : m_items.rbegin()->first; }

    typename std::map<std::int32_t, W*>::const_iterator begin() const { return m_items.begin(); }
    typename std::map<std::int32_t, W*>::const_iterator end() const { return m_items.end(); }

private:
    std::map<std::int32_t, W*> m_items;
};
