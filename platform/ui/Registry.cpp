#include "platform/ui/Registry.h"

#include <QHash>

namespace ui {
namespace {

using Store = QHash<QString, QString>;

Store& store()
{
    static Store values;
    return values;
}

// One lookup text for key and name; "\" and "/" both separate key parts,
// and a separator at either end of the key does not matter.
QString lookupText(const QString& key, const QString& name)
{
    QString k = key;
    k.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (k.endsWith(QLatin1Char('\\')))
        k.chop(1);
    while (k.startsWith(QLatin1Char('\\')))
        k.remove(0, 1);
    return k.toLower() + QChar(0) + name.toLower();
}

} // namespace

void Registry::set(const QString& key, const QString& name, const QString& value)
{
    store().insert(lookupText(key, name), value);
}

void Registry::remove(const QString& key, const QString& name)
{
    store().remove(lookupText(key, name));
}

void Registry::clear()
{
    store().clear();
}

std::optional<QString> Registry::value(const QString& key, const QString& name)
{
    const auto it = store().constFind(lookupText(key, name));
    if (it == store().constEnd()) return std::nullopt;
    return it.value();
}

} // namespace ui
