#include "platform/vb/Strings.h"

#include "platform/vb/Err.h"

namespace vb {

namespace {

Qt::CaseSensitivity cs(CompareMethod c)
{
    return c == vbTextCompare ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

void requireNonNegative(int n)
{
    if (n < 0) Raise(errnum::InvalidProcedureCall);
}

void requireStart(int start)
{
    if (start < 1) Raise(errnum::InvalidProcedureCall);
}

// Windows-1252 characters for the codes 0x80-0x9F (0 = unassigned, kept as the code).
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

int Len(const QString& s)
{
    return static_cast<int>(s.size());
}

QString Left(const QString& s, int length)
{
    requireNonNegative(length);
    return s.left(length);
}

QString Right(const QString& s, int length)
{
    requireNonNegative(length);
    return s.right(length);
}

QString Mid(const QString& s, int start)
{
    requireStart(start);
    if (start > s.size()) return {};
    return s.mid(start - 1);
}

QString Mid(const QString& s, int start, int length)
{
    requireStart(start);
    requireNonNegative(length);
    if (start > s.size()) return {};
    return s.mid(start - 1, length);
}

int InStr(const QString& s, const QString& find, CompareMethod compare)
{
    return InStr(1, s, find, compare);
}

int InStr(int start, const QString& s, const QString& find, CompareMethod compare)
{
    requireStart(start);
    if (start > s.size()) return 0;
    if (find.isEmpty()) return start;
    return static_cast<int>(s.indexOf(find, start - 1, cs(compare))) + 1;
}

int InStrRev(const QString& s, const QString& find, int start, CompareMethod compare)
{
    if (start == 0 || start < -1) Raise(errnum::InvalidProcedureCall);
    const int len = static_cast<int>(s.size());
    if (start == -1) start = len;
    if (start > len) return 0;
    if (find.isEmpty()) return start;
    // The match has to lie wholly within the first `start` characters.
    const int from = start - static_cast<int>(find.size());
    if (from < 0) return 0;
    return static_cast<int>(s.lastIndexOf(find, from, cs(compare))) + 1;
}

QString LTrim(const QString& s)
{
    int i = 0;
    while (i < s.size() && s[i] == QLatin1Char(' '))
        ++i;
    return s.mid(i);
}

QString RTrim(const QString& s)
{
    int n = static_cast<int>(s.size());
    while (n > 0 && s[n - 1] == QLatin1Char(' '))
        --n;
    return s.left(n);
}

QString Trim(const QString& s)
{
    return LTrim(RTrim(s));
}

QString UCase(const QString& s)
{
    return s.toUpper();
}

QString LCase(const QString& s)
{
    return s.toLower();
}

QString Replace(const QString& s, const QString& find, const QString& with, int start, int count,
                CompareMethod compare)
{
    requireStart(start);
    if (count < -1) Raise(errnum::InvalidProcedureCall);
    if (start > s.size()) return {};
    const QString src = s.mid(start - 1);
    if (find.isEmpty() || count == 0) return src;
    QString out;
    out.reserve(src.size());
    qsizetype pos = 0;
    int done = 0;
    while (count == -1 || done < count) {
        const qsizetype hit = src.indexOf(find, pos, cs(compare));
        if (hit < 0) break;
        out += QStringView(src).mid(pos, hit - pos);
        out += with;
        pos = hit + find.size();
        ++done;
    }
    out += QStringView(src).mid(pos);
    return out;
}

QStringList Split(const QString& s, const QString& delimiter, int limit, CompareMethod compare)
{
    if (limit < -1) Raise(errnum::InvalidProcedureCall);
    QStringList out;
    if (s.isEmpty() || limit == 0) return out;
    if (delimiter.isEmpty() || limit == 1) {
        out << s;
        return out;
    }
    qsizetype pos = 0;
    for (;;) {
        if (limit != -1 && out.size() == limit - 1) break;
        const qsizetype hit = s.indexOf(delimiter, pos, cs(compare));
        if (hit < 0) break;
        out << s.mid(pos, hit - pos);
        pos = hit + delimiter.size();
    }
    out << s.mid(pos);
    return out;
}

QString Join(const QStringList& list, const QString& delimiter)
{
    return list.join(delimiter);
}

QString StrConv(const QString& s, int mode)
{
    switch (mode) {
    case vbUpperCase:
        return s.toUpper();
    case vbLowerCase:
        return s.toLower();
    case vbProperCase: {
        QString out = s.toLower();
        bool wordStart = true;
        for (qsizetype i = 0; i < out.size(); ++i) {
            const char16_t c = out[i].unicode();
            // VB starts a word after a blank, a tab, a line break, a form
            // feed or a null, not after punctuation.
            if (c == ' ' || c == 0 || (c >= 9 && c <= 13)) {
                wordStart = true;
            } else {
                if (wordStart) out[i] = out[i].toUpper();
                wordStart = false;
            }
        }
        return out;
    }
    default:
        Raise(errnum::InvalidProcedureCall);
    }
}

QString Space(int n)
{
    requireNonNegative(n);
    return QString(n, QLatin1Char(' '));
}

QString String(int n, QChar ch)
{
    requireNonNegative(n);
    return QString(n, ch);
}

QString String(int n, const QString& ch)
{
    requireNonNegative(n);
    if (ch.isEmpty()) Raise(errnum::InvalidProcedureCall);
    return QString(n, ch[0]);
}

QString StrReverse(const QString& s)
{
    QString out(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i)
        out[s.size() - 1 - i] = s[i];
    return out;
}

QString Chr(int code)
{
    if (code < 0 || code > 255) Raise(errnum::InvalidProcedureCall);
    if (code >= 0x80 && code <= 0x9F) return QString(QChar(kCp1252High[code - 0x80]));
    return QString(QChar(static_cast<char16_t>(code)));
}

QString ChrW(int code)
{
    if (code < -32768 || code > 65535) Raise(errnum::InvalidProcedureCall);
    return QString(QChar(static_cast<char16_t>(code & 0xFFFF)));
}

int Asc(const QString& s)
{
    if (s.isEmpty()) Raise(errnum::InvalidProcedureCall);
    const char16_t c = s[0].unicode();
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c) return 0x80 + i;
    return '?';
}

int AscW(const QString& s)
{
    if (s.isEmpty()) Raise(errnum::InvalidProcedureCall);
    return s[0].unicode();
}

int StrComp(const QString& a, const QString& b, CompareMethod compare)
{
    const int r = a.compare(b, cs(compare));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

} // namespace vb
