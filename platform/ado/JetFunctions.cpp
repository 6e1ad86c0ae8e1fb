#include "platform/ado/JetFunctions.h"

#include "platform/ado/JetSql.h"
#include "platform/ado/VirtualTables.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"
#include "platform/vb/Format.h"

#include <cmath>
#include <sqlite3.h>

namespace ado {

namespace {

QString text(sqlite3_value* v)
{
    const vb::Variant a = vtab::ValueOf(v);
    return a.isString() ? a.rawString() : a.text();
}

void resultText(sqlite3_context* ctx, const QString& s)
{
    const QByteArray b = s.toUtf8();
    sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
}

// Runs a function body; VB errors become SQL errors with VB's text.
template <typename F> void guarded(sqlite3_context* ctx, F&& f)
{
    try {
        f();
    } catch (const vb::ErrObject& e) {
        const QByteArray b = e.Description.toUtf8();
        sqlite3_result_error(ctx, b.constData(), int(b.size()));
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

bool anyNull(int argc, sqlite3_value** argv, int upto)
{
    for (int i = 0; i < argc && i < upto; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
    return false;
}

long longArg(sqlite3_value* v)
{
    return vb::CLng(vtab::ValueOf(v));
}

void fnMid(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
        const QString s = text(argv[0]);
        const long start = longArg(argv[1]);
        if (start < 1) vb::Raise(vb::errnum::InvalidProcedureCall);
        long len = -1;
        if (argc > 2) {
            len = longArg(argv[2]);
            if (len < 0) vb::Raise(vb::errnum::InvalidProcedureCall);
        }
        resultText(ctx, start > s.size() ? QString() : s.mid(start - 1, len));
    });
}

void fnLeft(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
        const long n = longArg(argv[1]);
        if (n < 0) vb::Raise(vb::errnum::InvalidProcedureCall);
        resultText(ctx, text(argv[0]).left(n));
    });
}

void fnRight(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
        const long n = longArg(argv[1]);
        if (n < 0) vb::Raise(vb::errnum::InvalidProcedureCall);
        resultText(ctx, text(argv[0]).right(n));
    });
}

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, text(argv[0]).size());
}

// InStr([start,] s1, s2 [, compare]): text compare unless compare is 0.
void fnInstr(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        int i = 0;
        long start = 1;
        const bool hasStart = argc >= 3;
        if (hasStart) {
            if (sqlite3_value_type(argv[0]) == SQLITE_NULL) vb::Raise(vb::errnum::InvalidUseOfNull);
            start = longArg(argv[0]);
            if (start < 1) vb::Raise(vb::errnum::InvalidProcedureCall);
            i = 1;
        }
        if (anyNull(2, argv + i, 2)) return sqlite3_result_null(ctx);
        Qt::CaseSensitivity cs = Qt::CaseInsensitive;
        if (argc == 4 && longArg(argv[3]) == 0) cs = Qt::CaseSensitive;
        const QString s1 = text(argv[i]);
        const QString s2 = text(argv[i + 1]);
        if (start > s1.size()) {
            sqlite3_result_int(ctx, 0);
            return;
        }
        if (s2.isEmpty()) {
            sqlite3_result_int64(ctx, start);
            return;
        }
        sqlite3_result_int64(ctx, s1.indexOf(s2, start - 1, cs) + 1);
    });
}

template <QString (*F)(const QString&)> void textFn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    resultText(ctx, F(text(argv[0])));
}

QString upper(const QString& s)
{
    return s.toUpper();
}
QString lower(const QString& s)
{
    return s.toLower();
}
QString trimBoth(const QString& s)
{
    int a = 0, b = int(s.size());
    while (a < b && s[a] == u' ')
        ++a;
    while (b > a && s[b - 1] == u' ')
        --b;
    return s.mid(a, b - a);
}
QString trimLeft(const QString& s)
{
    int a = 0;
    while (a < s.size() && s[a] == u' ')
        ++a;
    return s.mid(a);
}
QString trimRight(const QString& s)
{
    int b = int(s.size());
    while (b > 0 && s[b - 1] == u' ')
        --b;
    return s.left(b);
}

void fnSpace(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        const long n = longArg(argv[0]);
        if (n < 0) vb::Raise(vb::errnum::InvalidProcedureCall);
        resultText(ctx, QString(n, u' '));
    });
}

void fnVal(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) vb::Raise(vb::errnum::InvalidUseOfNull);
        const double d = vb::Val(text(argv[0]));
        if (d == std::trunc(d) && std::fabs(d) < 9.0e15)
            sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
        else
            sqlite3_result_double(ctx, d);
    });
}

void fnNz(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) return sqlite3_result_value(ctx, argv[0]);
    if (argc > 1) return sqlite3_result_value(ctx, argv[1]);
    resultText(ctx, QString());
}

void fnIsNull(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_result_int(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? 1 : 0);
}

void fnFormat(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
        const vb::Variant v = vtab::ValueOf(argv[0]);
        resultText(ctx, vb::Format(v, argc > 1 ? text(argv[1]) : QString()));
    });
}

void fnNow(sqlite3_context* ctx, int, sqlite3_value**)
{
    guarded(ctx, [&] { vtab::SetResult(ctx, vb::Now()); });
}

void fnDate(sqlite3_context* ctx, int, sqlite3_value**)
{
    guarded(ctx, [&] { vtab::SetResult(ctx, vb::Date()); });
}

void fnCStr(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] { resultText(ctx, vb::CStr(vtab::ValueOf(argv[0]))); });
}

void fnCLng(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] { sqlite3_result_int64(ctx, vb::CLng(vtab::ValueOf(argv[0]))); });
}

void fnCInt(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] { sqlite3_result_int64(ctx, vb::CInt(vtab::ValueOf(argv[0]))); });
}

void fnCDbl(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] { sqlite3_result_double(ctx, vb::CDbl(vtab::ValueOf(argv[0]))); });
}

// Int: the largest whole number not above the value.
void fnInt(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL:
            return sqlite3_result_null(ctx);
        case SQLITE_INTEGER:
            return sqlite3_result_value(ctx, argv[0]);
        default: {
            const double d = std::floor(vb::CDbl(vtab::ValueOf(argv[0])));
            if (std::fabs(d) < 9.0e15)
                sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
            else
                sqlite3_result_double(ctx, d);
        }
        }
    });
}

// A numeric text compares as its number, like Jet does against a number.
void fnJetCmp(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return sqlite3_result_value(ctx, argv[0]);
    const QString s = text(argv[0]);
    double d = 0;
    bool ok = false;
    const QString t = s.trimmed();
    if (!t.isEmpty()) {
        d = t.toDouble(&ok);
        if (!ok) ok = vb::ParseNumber(t, d);
    }
    if (!ok) return sqlite3_result_value(ctx, argv[0]);
    if (d == std::trunc(d) && std::fabs(d) < 9.0e15)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
    else
        sqlite3_result_double(ctx, d);
}

// "&": Null counts as "", the result is Null only when every part is.
void fnJetCat(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    guarded(ctx, [&] {
        QString s;
        bool allNull = true;
        for (int i = 0; i < argc; ++i) {
            if (sqlite3_value_type(argv[i]) == SQLITE_NULL) continue;
            allNull = false;
            const vb::Variant v = vtab::ValueOf(argv[i]);
            s += v.isString() ? v.rawString() : vb::CStr(v);
        }
        if (allNull)
            sqlite3_result_null(ctx);
        else
            resultText(ctx, s);
    });
}

void fnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    // like(pattern, value[, escape])
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    QString pattern = text(argv[0]);
    if (argc > 2 && sqlite3_value_type(argv[2]) != SQLITE_NULL) {
        // An escaped character becomes a one-character list, which matches itself.
        const QString esc = text(argv[2]);
        if (!esc.isEmpty()) {
            QString p;
            for (int i = 0; i < pattern.size(); ++i) {
                if (pattern[i] == esc[0] && i + 1 < pattern.size()) {
                    p += QLatin1Char('[') + pattern[++i] + QLatin1Char(']');
                } else {
                    p += pattern[i];
                }
            }
            pattern = p;
        }
    }
    sqlite3_result_int(ctx, JetLike(text(argv[1]), pattern) ? 1 : 0);
}

struct Fn {
    const char* name;
    int args;
    void (*f)(sqlite3_context*, int, sqlite3_value**);
};

} // namespace

bool JetLike(const QString& value, const QString& pattern)
{
    const QString v = value.toCaseFolded();
    const QString p = pattern.toCaseFolded();
    // Matches one pattern element at p[pi] against v[vi]; returns the element's length, 0 when no match.
    auto element = [&](int pi, QChar c, int& len) -> bool {
        const QChar pc = p[pi];
        if (pc == u'?' || pc == u'_') {
            len = 1;
            return true;
        }
        if (pc == u'#') {
            len = 1;
            return c.isDigit();
        }
        if (pc == u'[') {
            const int close = int(p.indexOf(u']', pi + 1 + (pi + 1 < p.size() && p[pi + 1] == u']' ? 1 : 0)));
            if (close < 0) {
                len = 1;
                return c == pc;
            }
            len = close - pi + 1;
            int i = pi + 1;
            bool negate = false;
            if (i < close && p[i] == u'!') {
                negate = true;
                ++i;
            }
            bool hit = false;
            for (; i < close; ++i) {
                if (i + 2 < close && p[i + 1] == u'-') {
                    if (c >= p[i] && c <= p[i + 2]) hit = true;
                    i += 2;
                } else if (p[i] == c) {
                    hit = true;
                }
            }
            return hit != negate;
        }
        len = 1;
        return c == pc;
    };
    // Iterative matching with backtracking to the last star.
    int vi = 0, pi = 0, starP = -1, starV = 0;
    while (vi < v.size()) {
        if (pi < p.size() && (p[pi] == u'*' || p[pi] == u'%')) {
            starP = pi++;
            starV = vi;
            continue;
        }
        int len = 1;
        if (pi < p.size() && element(pi, v[vi], len)) {
            pi += len;
            ++vi;
            continue;
        }
        if (starP < 0) return false;
        pi = starP + 1;
        vi = ++starV;
    }
    while (pi < p.size() && (p[pi] == u'*' || p[pi] == u'%'))
        ++pi;
    return pi == p.size();
}

void RegisterJetFunctions(sqlite3* db)
{
    static const Fn fns[] = {
        {"mid", 2, fnMid},
        {"mid", 3, fnMid},
        {"left", 2, fnLeft},
        {"right", 2, fnRight},
        {"len", 1, fnLen},
        {"instr", 2, fnInstr},
        {"instr", 3, fnInstr},
        {"instr", 4, fnInstr},
        {"ucase", 1, textFn<upper>},
        {"lcase", 1, textFn<lower>},
        {"trim", 1, textFn<trimBoth>},
        {"ltrim", 1, textFn<trimLeft>},
        {"rtrim", 1, textFn<trimRight>},
        {"space", 1, fnSpace},
        {"val", 1, fnVal},
        {"nz", 1, fnNz},
        {"nz", 2, fnNz},
        {"isnull", 1, fnIsNull},
        {"format", 1, fnFormat},
        {"format", 2, fnFormat},
        {"now", 0, fnNow},
        {"date", 0, fnDate},
        {"cstr", 1, fnCStr},
        {"clng", 1, fnCLng},
        {"cint", 1, fnCInt},
        {"cdbl", 1, fnCDbl},
        {"int", 1, fnInt},
        {"jetcmp", 1, fnJetCmp},
        {"jetcat", -1, fnJetCat},
        {"like", 2, fnLike},
        {"like", 3, fnLike},
    };
    for (const auto& f : fns) {
        const bool deterministic =
            QLatin1String(f.name) != QLatin1String("now") && QLatin1String(f.name) != QLatin1String("date");
        sqlite3_create_function_v2(db, f.name, f.args,
                                   SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC : 0), nullptr, f.f,
                                   nullptr, nullptr, nullptr);
    }
}

} // namespace ado
