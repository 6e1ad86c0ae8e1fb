#pragma once
// Names a user's table, field or file may carry that would break or change
// a statement built by pasting them in: brackets, quotes, semicolons, line
// breaks, one that tries to turn a count into another query, and ones whose
// "]" would end the brackets early and leave another table's name ("calls")
// before a comment, and ones that are "calls" but for a blank at either end.

#include <QString>
#include <QStringList>

namespace testsupport {

inline QStringList HostileNames()
{
    return {QStringLiteral("plain] having 0 union select 4242 from [plain"),
            QStringLiteral("closing]bracket"),
            QStringLiteral("[bracketed]"),
            QStringLiteral("O'Brien's list"),
            QStringLiteral("double\"quote"),
            QStringLiteral("semi;colon; drop table plain"),
            QStringLiteral("line\nbreak"),
            QStringLiteral("with blanks -- and a comment"),
            QStringLiteral("calls] --"),
            QStringLiteral("o'b]x [c]"),
            QStringLiteral(" calls"),
            QStringLiteral("calls ")};
}

// The extension goes before a blank at a name's end: it stays the file's.
inline QString WithExtension(const QString& name, const QString& extension)
{
    return name.endsWith(u' ') ? name.chopped(1) + extension + u' ' : name + extension;
}

} // namespace testsupport
