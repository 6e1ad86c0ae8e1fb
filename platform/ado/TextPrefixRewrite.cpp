#include "platform/ado/TextProvider.h"

#include "platform/ado/JetSql.h"

#include <utility>
#include <vector>

namespace ado {

namespace {

// The tokens of one column reference: [t].[c], t.c, [c] or c.
bool columnRef(const std::vector<JetSql::Token>& toks, int from, int to)
{
    using K = JetSql::Kind;
    bool expectName = true;
    for (int i = from; i < to; ++i) {
        const auto& t = toks[size_t(i)];
        if (t.kind == K::Space) continue;
        if (expectName) {
            if (t.kind != K::Bracket && t.kind != K::Word) return false;
            expectName = false;
        } else {
            if (t.kind != K::Punct || t.text != u".") return false;
            expectName = true;
        }
    }
    return !expectName;
}

// The prefix tests of one statement's tokens, found and rewritten.
class PrefixTests {
public:
    explicit PrefixTests(std::vector<JetSql::Token> toks) : m_toks(std::move(toks)), m_n(int(m_toks.size()))
    {
    }

    // Appends the statement with each prefix test rewritten to out; false
    // when it has none.
    bool rewrite(QString& out) const
    {
        bool changed = false;
        int i = 0;
        while (i < m_n) {
            int next = leftCallEqualsNumber(i, out);
            if (next < 0) next = numberEqualsLeftCall(i, out);
            if (next >= 0) {
                i = next;
                changed = true;
                continue;
            }
            out += m_toks[size_t(i)].text;
            ++i;
        }
        return changed;
    }

private:
    using K = JetSql::Kind;

    // A call left(<col>, k): its ")" and the column's tokens.
    struct LeftCall {
        int close = -1;
        int colFrom = -1;
        int colTo = -1;
        int k = 0;
    };

    bool sig(int i) const
    {
        return m_toks[size_t(i)].kind != K::Space && m_toks[size_t(i)].kind != K::Comment;
    }

    int nextSig(int i) const
    {
        for (int j = i + 1; j < m_n; ++j)
            if (sig(j)) return j;
        return -1;
    }

    int prevSig(int i) const
    {
        for (int j = i - 1; j >= 0; --j)
            if (sig(j)) return j;
        return -1;
    }

    bool isPunct(int i, const char* p) const
    {
        return i >= 0 && m_toks[size_t(i)].kind == K::Punct && m_toks[size_t(i)].text == QLatin1String(p);
    }

    // Where a comparison stands alone: nothing binds tighter around it.
    bool opensTerm(int i) const
    {
        if (i < 0) return true;
        const auto& t = m_toks[size_t(i)];
        if (isPunct(i, "(")) return true;
        if (t.kind != K::Word) return false;
        for (const char* w : {"WHERE", "AND", "OR", "NOT", "ON", "HAVING"})
            if (t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0) return true;
        return false;
    }

    bool closesTerm(int i) const
    {
        if (i < 0) return true;
        const auto& t = m_toks[size_t(i)];
        if (t.kind == K::Punct) return t.text == u")" || t.text == u";" || t.text == u",";
        return t.kind == K::Word;
    }

    static bool digitsOnly(const QString& s)
    {
        for (QChar c : s)
            if (c < u'0' || c > u'9') return false;
        return !s.isEmpty();
    }

    // Matches left(<col>, k) starting at i.
    bool leftCall(int i, LeftCall& call) const
    {
        if (i < 0 || m_toks[size_t(i)].kind != K::Word ||
            m_toks[size_t(i)].text.compare(QLatin1String("left"), Qt::CaseInsensitive) != 0)
            return false;
        const int open = nextSig(i);
        if (!isPunct(open, "(")) return false;
        int comma = -1;
        for (int j = open + 1; j < m_n; ++j)
            if (isPunct(j, ",")) {
                comma = j;
                break;
            } else if (isPunct(j, "(") || isPunct(j, ")")) {
                return false;
            }
        if (comma < 0 || !columnRef(m_toks, open + 1, comma)) return false;
        const int num = nextSig(comma);
        if (num < 0 || m_toks[size_t(num)].kind != K::Number || !digitsOnly(m_toks[size_t(num)].text))
            return false;
        call.close = nextSig(num);
        if (!isPunct(call.close, ")")) return false;
        call.colFrom = open + 1;
        call.colTo = comma;
        call.k = m_toks[size_t(num)].text.toInt();
        return call.k > 0 && call.k <= 15;
    }

    QString prefixCall(const LeftCall& call, const QString& number) const
    {
        QString col;
        for (int j = call.colFrom; j < call.colTo; ++j)
            col += m_toks[size_t(j)].text;
        return QStringLiteral("tvprefix(%1, '%2')").arg(col.trimmed(), number);
    }

    // left(col,k) = N at i: appends its rewrite and gives the token after
    // it, or -1 when there is none.
    int leftCallEqualsNumber(int i, QString& out) const
    {
        LeftCall call;
        if (!leftCall(i, call) || !opensTerm(prevSig(i))) return -1;
        const int eq = nextSig(call.close);
        const int num = nextSig(eq);
        if (!isPunct(eq, "=") || num < 0 || m_toks[size_t(num)].kind != K::Number ||
            !digitsOnly(m_toks[size_t(num)].text) || m_toks[size_t(num)].text.size() != call.k ||
            !closesTerm(nextSig(num)))
            return -1;
        out += prefixCall(call, m_toks[size_t(num)].text);
        return num + 1;
    }

    // N = left(col,k) at i, the same way.
    int numberEqualsLeftCall(int i, QString& out) const
    {
        const auto& number = m_toks[size_t(i)];
        if (number.kind != K::Number || !digitsOnly(number.text) || !opensTerm(prevSig(i))) return -1;
        const int eq = nextSig(i);
        const int fn = nextSig(eq);
        LeftCall call;
        if (!isPunct(eq, "=") || !leftCall(fn, call) || number.text.size() != call.k ||
            !closesTerm(nextSig(call.close)))
            return -1;
        out += prefixCall(call, number.text);
        return call.close + 1;
    }

    std::vector<JetSql::Token> m_toks;
    int m_n;
};

} // namespace

QString RewritePrefixTests(const QString& jetSql)
{
    if (!jetSql.contains(QLatin1String("left"), Qt::CaseInsensitive)) return jetSql;
    QString out;
    return PrefixTests(JetSql::Tokenize(jetSql)).rewrite(out) ? out : jetSql;
}

} // namespace ado
