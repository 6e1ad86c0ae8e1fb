#pragma once
// The Jet SQL dialect on SQLite. Every SQLite-backed provider sends its SQL
// through Translate. The text is first cut into tokens that know quoted
// strings, [bracketed] names, #date# literals and comments, and the rewrites
// work on tokens, so nothing inside a quoted text or a name ever changes.
//
// Number/text comparisons: Jet compares a text with a number as numbers, so
// left([F1],3) = 201 holds for "2015551234". SQLite compares a column with a
// literal under the column's affinity, which already behaves like Jet, but a
// function result has no affinity and a text never equals a number. So where
// a comparison has a function call on one side and a number literal on the
// other, the call is wrapped in jetcmp(), which turns a numeric text into its
// number and leaves everything else as it is.

#include "platform/vb/Variant.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace ado {

class JetSql {
public:
    enum class Kind { Space, Comment, Word, Number, String, QuotedName, Bracket, Date, Punct };
    struct Token {
        Kind kind;
        QString text;
    };

    struct Translation {
        QString sql;                     // the SQLite text
        std::vector<vb::Variant> params; // values for the "?" that stand for lifted literals, in order
        QStringList attach;              // IN '<file>' databases; the text names them ext1, ext2, ...
    };

    // Cuts SQL into tokens; concatenating the texts gives the input back.
    static std::vector<Token> Tokenize(const QString& sql);

    // Rewrites Jet SQL for SQLite. With liftLiterals, number and text literals
    // compared in a SELECT/INSERT/UPDATE/DELETE become bound parameters, so
    // statements that differ only in such values share one prepared statement.
    // Throws vb::ErrObject for a malformed #date#.
    static Translation Translate(const QString& jetSql, bool liftLiterals = false);

    // The SQLite column type for a Jet type name and its size arguments
    // ("text", "20" -> "TEXT(20) COLLATE NOCASE"); identity types give
    // "INTEGER PRIMARY KEY AUTOINCREMENT". Unknown names come back unchanged.
    static QString MapType(const QString& jetType, const QString& sizeArgs);

    // A date as it is stored: "yyyy-MM-dd HH:mm:ss".
    static QString DateText(double oleDate);

    // The name a [bracketed] or "quoted" name token stands for, its escapes
    // undone; other tokens give their text.
    static QString NameOf(const Token& t);
};

// A table, field or file name for a Jet SQL statement: in brackets, a "]"
// inside doubled, so no name can end the brackets early and change the
// statement. SQL Server reads the same form.
QString QuoteName(const QString& name);

} // namespace ado
