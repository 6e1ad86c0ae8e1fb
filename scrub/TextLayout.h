#pragma once
// The layout of a text calling list's lines, taken from its first data line:
// the literal pieces (quotes and separators) that stand around the fields.
// For n fields there are n + 1 pieces; a line is rebuilt as piece 0, value 1,
// piece 1, ..., value n, piece n.

#include <QString>
#include <QStringList>

namespace scrub {

// Reads the file's first data line (without its line end). When
// titleFirstLine is true the line before it is the title line, stored in
// *titleLine when given. Empty text when the file has no such line.
QString getFirstLine(const QString& fileName, bool titleFirstLine, QString* titleLine);

// The n + 1 layout pieces of a line of fieldCount fields. A line with a
// quote next to a comma is walked field by field (doubled quotes inside a
// quoted field belong to the field); any other line uses the first of Tab,
// ";", ":" that splits it into exactly fieldCount parts, else ",".
// Raises 9 when the line holds more fields than fieldCount.
QStringList GetDelimted(const QString& line, int fieldCount);

// True when the first occurrence of ch in text at or after the 1-based
// position start is at start.
bool IsChar(int start, const QString& text, const QString& ch);

// A line in the layout of the pieces. A value of a quoted field has its
// quotes doubled; a value of a bare field is quoted only when it holds the
// separator, a quote or a line end. Missing values are written empty;
// raises 9 when there are more values than the layout has fields.
QString RebuildLine(const QStringList& pieces, const QStringList& values);

} // namespace scrub
