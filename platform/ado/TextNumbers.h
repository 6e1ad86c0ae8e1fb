#pragma once
// Values of a text table as Jet compares them: a field that reads as a
// number is that number, any other text compares without regard to case.
// Shared by the pieces of the text provider.

#include <QString>
#include <QtGlobal>

struct sqlite3_context;
struct sqlite3_value;

namespace ado::text {

bool parseNumber(const QString& text, double& d);
QString numberKey(double d);

// An index key for a whole value: its number when it reads as one, else
// its text without regard to case (Jet compares text that way).
QString valueKey(const QString& text);

bool isCanonicalInteger(const QString& t);
bool isCanonicalDecimal(const QString& t);

// The text of a value as Jet's string functions see it.
QString valueText(sqlite3_value* v);

// left(text, len(p)) = p with Jet's number/text comparison.
bool prefixMatches(const QString& text, const QString& p, double pNumber, bool pIsNumber);

// tvprefix(text, p): prefixMatches as a SQL function.
void fnPrefix(sqlite3_context* ctx, int, sqlite3_value** argv);

// Up to 15 digits and nothing else: the number parseNumber gives them.
inline bool digitsValue(const char* p, qsizetype n, qint64& v)
{
    if (n <= 0 || n > 15) return false;
    qint64 r = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned d = unsigned(uchar(p[i])) - '0';
        if (d > 9) return false;
        r = r * 10 + d;
    }
    v = r;
    return true;
}

// isCanonicalInteger and its value, on bytes.
inline bool canonicalInteger(const char* p, qsizetype n, qint64& v)
{
    qsizetype i = n > 0 && p[0] == '-' ? 1 : 0;
    const qsizetype digits = n - i;
    if (digits <= 0 || digits > 18) return false;
    if (p[i] == '0' && digits > 1) return false;
    qint64 r = 0;
    for (; i < n; ++i) {
        const unsigned d = unsigned(uchar(p[i])) - '0';
        if (d > 9) return false;
        r = r * 10 + d;
    }
    if (p[0] == '-') {
        if (r == 0) return false; // "-0"
        r = -r;
    }
    v = r;
    return true;
}

} // namespace ado::text
