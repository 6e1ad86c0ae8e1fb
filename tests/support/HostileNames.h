#pragma once
// Names a user's table, field or file may carry that would break or change
// a statement built by pasting them in: brackets, quotes, semicolons, line
// breaks, and one that tries to turn a count into another query.

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
            QStringLiteral("with blanks -- and a comment")};
}

} // namespace testsupport
