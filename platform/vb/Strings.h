#pragma once
// VB's string functions on QString. Positions are 1-based as in VB; a bad
// argument (negative length, start below 1) raises error 5.

#include <QString>
#include <QStringList>

namespace vb {

enum CompareMethod { vbBinaryCompare = 0, vbTextCompare = 1 };
enum StrConvMode { vbUpperCase = 1, vbLowerCase = 2, vbProperCase = 3 };

inline const QString vbCrLf = QStringLiteral("\r\n");
inline const QString vbCr = QStringLiteral("\r");
inline const QString vbLf = QStringLiteral("\n");
inline const QString vbNewLine = QStringLiteral("\r\n");
inline const QString vbTab = QStringLiteral("\t");
inline const QString vbNullString;

int Len(const QString& s);
QString Left(const QString& s, int length);
QString Right(const QString& s, int length);
QString Mid(const QString& s, int start); // from start to the end; "" beyond the end
QString Mid(const QString& s, int start, int length);

// Position of `find` in `s` from `start` (1-based), 0 when absent or when
// start is beyond the end. An empty `find` gives start.
int InStr(const QString& s, const QString& find, CompareMethod compare = vbBinaryCompare);
int InStr(int start, const QString& s, const QString& find, CompareMethod compare = vbBinaryCompare);
// Searches backwards from `start` (-1 = the end); the match must end at or before start.
int InStrRev(const QString& s, const QString& find, int start = -1, CompareMethod compare = vbBinaryCompare);

// Blanks (spaces) only, as VB trims; tabs and line breaks stay.
QString Trim(const QString& s);
QString LTrim(const QString& s);
QString RTrim(const QString& s);
QString UCase(const QString& s);
QString LCase(const QString& s);

// The result starts at `start` (VB drops what is before it); count -1 = all.
QString Replace(const QString& s, const QString& find, const QString& with, int start = 1, int count = -1,
                CompareMethod compare = vbBinaryCompare);

// "" gives an empty list; an empty delimiter gives the whole text as one item.
QStringList Split(const QString& s, const QString& delimiter = QStringLiteral(" "), int limit = -1,
                  CompareMethod compare = vbBinaryCompare);
QString Join(const QStringList& list, const QString& delimiter = QStringLiteral(" "));

// vbUpperCase, vbLowerCase, vbProperCase (first letter of each blank-separated
// word upper case, the rest lower case).
QString StrConv(const QString& s, int mode);

QString Space(int n);
QString String(int n, QChar ch);
QString String(int n, const QString& ch); // the first character of ch
QString StrReverse(const QString& s);

// Chr/Asc use the Windows-1252 character set for codes 128-159, Latin-1
// otherwise; ChrW/AscW are plain UTF-16 code units.
QString Chr(int code);
QString ChrW(int code);
int Asc(const QString& s);
int AscW(const QString& s);

// -1, 0 or 1.
int StrComp(const QString& a, const QString& b, CompareMethod compare = vbBinaryCompare);

} // namespace vb
