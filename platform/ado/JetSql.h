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
//
// The same rewrites serve PostgreSQL (the program's database on a server,
// through psqlODBC) with that server's words: names in brackets are folded to
// lower case as the server folds unquoted names, so a schema made with
// unquoted names answers to every spelling; Jet's functions become the
// server's, Like patterns become ILIKE or a regular expression, True and
// False the 1 and 0 that the Yes/No columns hold, and Create Table types the
// server's, text as citext (compared without regard to case, as Jet does).

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

    // Rewrites Jet SQL for a PostgreSQL server. "?" parameters stay as they
    // are. Throws vb::ErrObject for a malformed #date#.
    static QString TranslateForPostgres(const QString& jetSql);

    // The SQLite column type for a Jet type name and its size arguments
    // ("text", "20" -> "TEXT(20) COLLATE NOCASE"); identity types give
    // "INTEGER PRIMARY KEY AUTOINCREMENT". Unknown names come back unchanged.
    static QString MapType(const QString& jetType, const QString& sizeArgs);
    // The same for PostgreSQL ("text" -> "citext", "counter" -> an identity).
    static QString MapTypePostgres(const QString& jetType, const QString& sizeArgs);

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

// A name in SQL's own double quotes, a '"' inside doubled: the form SQLite
// and the servers read, for statements that do not pass the translator.
QString QuoteNativeName(const QString& name);

// The statement that reads a table named by a caller, bare or as one
// bracketed name: "SELECT * FROM [name]".
QString TableStatement(const QString& name);

} // namespace ado
