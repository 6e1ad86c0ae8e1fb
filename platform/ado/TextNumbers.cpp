#include "platform/ado/TextNumbers.h"

#include "platform/vb/Conversion.h"

#include <cmath>
#include <sqlite3.h>

namespace ado::text {

bool parseNumber(const QString& text, double& d)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    // the common case, plain digits, without the general parser
    if (t.size() <= 15) {
        bool digits = true;
        qint64 v = 0;
        for (QChar c : t) {
            if (c < u'0' || c > u'9') {
                digits = false;
                break;
            }
            v = v * 10 + (c.unicode() - u'0');
        }
        if (digits) {
            d = double(v);
            return true;
        }
    }
    bool ok = false;
    d = t.toDouble(&ok);
    if (!ok) ok = vb::ParseNumber(t, d);
    return ok;
}

QString numberKey(double d)
{
    if (d == std::trunc(d) && std::fabs(d) < 9.0e15) return QString::number(static_cast<qint64>(d));
    return QString::number(d, 'g', 17);
}

QString valueKey(const QString& text)
{
    double d = 0;
    if (parseNumber(text, d)) return numberKey(d);
    return QLatin1Char('\x01') + text.toLower();
}

bool isCanonicalInteger(const QString& t)
{
    int i = t.startsWith(u'-') ? 1 : 0;
    const int n = int(t.size()) - i;
    if (n <= 0 || n > 18) return false;
    if (t[i] == u'0' && n > 1) return false;
    for (; i < t.size(); ++i)
        if (t[i] < u'0' || t[i] > u'9') return false;
    return !(t == u"-0");
}

bool isCanonicalDecimal(const QString& t)
{
    const qsizetype dot = t.indexOf(u'.');
    if (dot <= 0 || dot == t.size() - 1) return false;
    const QString whole = t.left(dot);
    const QString frac = t.mid(dot + 1);
    if (!isCanonicalInteger(whole) && whole != u"-0") return false;
    if (frac.endsWith(u'0')) return false;
    for (QChar c : frac)
        if (c < u'0' || c > u'9') return false;
    return (whole.size() - (whole.startsWith(u'-') ? 1 : 0)) + frac.size() <= 15;
}

QString valueText(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return QString::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return vb::NumberToString(sqlite3_value_double(v));
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                 sqlite3_value_bytes(v));
    }
}

bool prefixMatches(const QString& text, const QString& p, double pNumber, bool pIsNumber)
{
    const QString head = text.left(p.size());
    if (!pIsNumber) return head == p;
    double d = 0;
    return parseNumber(head, d) && d == pNumber;
}

void fnPrefix(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const QString p = valueText(argv[1]);
    double pn = 0;
    const bool pIsNumber = parseNumber(p, pn);
    sqlite3_result_int(ctx, prefixMatches(valueText(argv[0]), p, pn, pIsNumber) ? 1 : 0);
}

} // namespace ado::text
