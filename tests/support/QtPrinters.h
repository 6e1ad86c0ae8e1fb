#pragma once

// How gtest shows Qt texts in a failure: "text" for a QString and
// { "a", "b" } for a QStringList, in place of their bytes. Every test
// translation unit sees these (the test support library includes this header
// first in each of them), so all of a binary's tests print a text alike.

#include <QString>
#include <QStringList>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *os << (i == 0 ? " " : ", ");
        PrintTo(list.at(i), os);
    }
    *os << (list.isEmpty() ? "}" : " }");
}
QT_END_NAMESPACE
