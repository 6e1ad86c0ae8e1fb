#pragma once
// Encoding and writing of delimited text lines in a given file's own layout.
// A calling list that the program rewrites must keep every byte it does not
// mean to change, so the writers either copy a record's bytes and replace
// only chosen fields, or build a line the way the file's model line is built.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

namespace files {

struct TextRecord;

// A file is UTF-8 when all of its bytes are valid UTF-8, else Windows-1252
// (every byte then stands for one character and encodes back to itself).
enum class TextEncoding { Utf8, Windows1252 };

// True when the bytes are valid UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(const char* data, qsizetype size);
QString decodeText(const char* data, qsizetype size, TextEncoding encoding);
inline QString decodeText(const QByteArray& bytes, TextEncoding encoding)
{
    return decodeText(bytes.constData(), bytes.size(), encoding);
}
// A character that Windows-1252 lacks is written as UTF-8 rather than lost.
QByteArray encodeText(const QString& text, TextEncoding encoding);

// How the lines of a file are written.
struct TextLayout {
    char delimiter = ',';
    QByteArray lineEnd = "\r\n";
    TextEncoding encoding = TextEncoding::Utf8;
    QVector<bool> quoted; // field k of the model line is quoted

    bool isQuoted(int field) const { return field >= 0 && field < quoted.size() && quoted[field]; }
};

// A value must be quoted when it holds the separator, a quote or a line end.
bool needsQuotes(const QString& value, char delimiter);

// One field: quoted (with its quotes doubled) when asked or when needed.
QByteArray formatField(const QString& value, bool quoted, const TextLayout& layout);

// A whole line: field k quoted as the layout's field k (or when needed),
// fields joined by the separator, the layout's line end after the last.
QByteArray formatRecord(const QStringList& values, const TextLayout& layout);

// The record's bytes with the given fields (by index) replaced and every
// other byte, its own line end included, unchanged. A replaced field keeps
// the quoting it had (or is quoted when needed); a field past the record's
// end is reached by adding separators.
QByteArray replaceFields(const TextRecord& record, const QHash<int, QString>& values,
                         const TextLayout& layout);

} // namespace files
