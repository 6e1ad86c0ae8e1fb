#pragma once
// The registry stand-in: a small in-memory store of text values under a key
// and a value name. It is empty unless something (a test, a start-up step)
// puts values into it; keys and names compare without regard to case, as
// the Windows registry does.

#include <QString>
#include <optional>

namespace ui {

class Registry {
public:
    static void set(const QString& key, const QString& name, const QString& value);
    static void remove(const QString& key, const QString& name);
    static void clear();
    static std::optional<QString> value(const QString& key, const QString& name);
};

} // namespace ui
