#include "platform/ado/JetSql.h"

#include "platform/ado/Ado.h"
#include "platform/vb/DateTime.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <cmath>
#include <functional>

namespace ado {

using Kind = JetSql::Kind;
using Token = JetSql::Token;

// ---------------------------------------------------------------- tokenizer

std::vector<Token> JetSql::Tokenize(const QString& sql)
{
    std::vector<Token> out;
    const int n = int(sql.size());
    int i = 0;
    auto isWordStart = [](QChar c) { return c.isLetter() || c == u'_' || c == u'@' || c == u'$'; };
    auto isWordChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'$'; };
    while (i < n) {
        const QChar c = sql[i];
        const int start = i;
        Kind kind = Kind::Punct;
        if (c.isSpace()) {
            while (i < n && sql[i].isSpace())
                ++i;
            kind = Kind::Space;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
            kind = Kind::Comment;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const int end = int(sql.indexOf(QStringLiteral("*/"), i + 2));
            i = end < 0 ? n : end + 2;
            kind = Kind::Comment;
        } else if (c == u'\'' || c == u'"' || c == u'`') {
            ++i;
            while (i < n) {
                if (sql[i] == c) {
                    if (i + 1 < n && sql[i + 1] == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            kind = c == u'\'' ? Kind::String : (c == u'"' ? Kind::QuotedName : Kind::Bracket);
        } else if (c == u'[') {
            // "]]" inside a bracketed name stands for one "]" (see QuoteName).
            int end = int(sql.indexOf(u']', i + 1));
            while (end >= 0 && end + 1 < n && sql[end + 1] == u']')
                end = int(sql.indexOf(u']', end + 2));
            i = end < 0 ? n : end + 1;
            kind = Kind::Bracket;
        } else if (c == u'#') {
            const int end = int(sql.indexOf(u'#', i + 1));
            const int nl = int(sql.indexOf(u'\n', i + 1));
            if (end > i + 1 && (nl < 0 || end < nl)) {
                i = end + 1;
                kind = Kind::Date;
            } else {
                ++i;
            }
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            while (i < n && (sql[i].isDigit() || sql[i] == u'.'))
                ++i;
            if (i < n && (sql[i] == u'e' || sql[i] == u'E')) {
                int j = i + 1;
                if (j < n && (sql[j] == u'+' || sql[j] == u'-')) ++j;
                if (j < n && sql[j].isDigit()) {
                    i = j;
                    while (i < n && sql[i].isDigit())
                        ++i;
                }
            }
            kind = Kind::Number;
        } else if (isWordStart(c)) {
            while (i < n && isWordChar(sql[i]))
                ++i;
            kind = Kind::Word;
        } else {
            static const char* two[] = {"<>", "<=", ">=", "!=", "||", "==", "<<", ">>"};
            i += 1;
            if (start + 1 < n)
                for (const char* t : two)
                    if (sql[start] == QLatin1Char(t[0]) && sql[start + 1] == QLatin1Char(t[1])) {
                        i = start + 2;
                        break;
                    }
        }
        out.push_back({kind, sql.mid(start, i - start)});
    }
    return out;
}

// ---------------------------------------------------------------- helpers

QString JetSql::DateText(double oleDate)
{
    double days = std::trunc(oleDate);
    double frac = std::fabs(oleDate - days);
    qint64 secs = std::llround(frac * 86400.0);
    QDate d = QDate(1899, 12, 30).addDays(qint64(days));
    if (secs >= 86400) {
        d = d.addDays(1);
        secs -= 86400;
    }
    return QStringLiteral("%1 %2:%3:%4")
        .arg(d.toString(QStringLiteral("yyyy-MM-dd")))
        .arg(secs / 3600, 2, 10, QChar(u'0'))
        .arg((secs / 60) % 60, 2, 10, QChar(u'0'))
        .arg(secs % 60, 2, 10, QChar(u'0'));
}

QString JetSql::MapType(const QString& jetType, const QString& sizeArgs)
{
    const QString t = jetType.trimmed().toUpper();
    const QString size = sizeArgs.trimmed();
    auto sized = [&](const QString& name, const QString& def) {
        return QStringLiteral("%1(%2) COLLATE NOCASE").arg(name, size.isEmpty() ? def : size);
    };
    if (t == u"COUNTER" || t == u"AUTOINCREMENT" || t == u"IDENTITY")
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    if (t == u"TEXT" || t == u"STRING" || t == u"ALPHANUMERIC")
        return sized(QStringLiteral("TEXT"), QStringLiteral("255"));
    if (t == u"VARCHAR" || t == u"NVARCHAR" || t == u"CHARACTER VARYING")
        return sized(QStringLiteral("VARCHAR"), QStringLiteral("255"));
    if (t == u"CHAR" || t == u"NCHAR" || t == u"CHARACTER")
        return sized(QStringLiteral("CHAR"), QStringLiteral("255"));
    if (t == u"MEMO" || t == u"LONGTEXT" || t == u"LONGCHAR" || t == u"NOTE" || t == u"NTEXT")
        return QStringLiteral("LONGTEXT COLLATE NOCASE");
    if (t == u"LONG" || t == u"INT" || t == u"INTEGER" || t == u"INTEGER4" || t == u"INT4")
        return QStringLiteral("INTEGER");
    if (t == u"SHORT" || t == u"SMALLINT" || t == u"INTEGER2" || t == u"INT2")
        return QStringLiteral("SMALLINT");
    if (t == u"BYTE" || t == u"TINYINT" || t == u"INTEGER1") return QStringLiteral("TINYINT");
    if (t == u"BIGINT") return QStringLiteral("BIGINT");
    if (t == u"SINGLE" || t == u"REAL" || t == u"FLOAT4" || t == u"IEEESINGLE")
        return QStringLiteral("SINGLE");
    if (t == u"DOUBLE" || t == u"FLOAT" || t == u"FLOAT8" || t == u"IEEEDOUBLE" || t == u"NUMBER")
        return QStringLiteral("DOUBLE");
    if (t == u"CURRENCY" || t == u"MONEY") return QStringLiteral("CURRENCY");
    if (t == u"DATETIME" || t == u"DATE" || t == u"TIME" || t == u"TIMESTAMP")
        return QStringLiteral("DATETIME");
    if (t == u"BIT" || t == u"YESNO" || t == u"LOGICAL" || t == u"LOGICAL1" || t == u"BOOLEAN")
        return QStringLiteral("BOOLEAN");
    if (t == u"DECIMAL" || t == u"NUMERIC" || t == u"DEC")
        return size.isEmpty() ? QStringLiteral("DECIMAL") : QStringLiteral("DECIMAL(%1)").arg(size);
    if (t == u"GUID" || t == u"UNIQUEIDENTIFIER") return QStringLiteral("GUID");
    if (t == u"BINARY" || t == u"VARBINARY" || t == u"LONGBINARY" || t == u"IMAGE" || t == u"OLEOBJECT" ||
        t == u"GENERAL")
        return QStringLiteral("BLOB");
    return size.isEmpty() ? jetType : QStringLiteral("%1(%2)").arg(jetType, size);
}

QString JetSql::MapTypePostgres(const QString& jetType, const QString& sizeArgs)
{
    const QString t = jetType.trimmed().toUpper();
    const QString size = sizeArgs.trimmed();
    if (t == u"COUNTER" || t == u"AUTOINCREMENT" || t == u"IDENTITY")
        return QStringLiteral("integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    // Text of any length compares without regard to case, as Jet's does.
    if (t == u"TEXT" || t == u"STRING" || t == u"ALPHANUMERIC" || t == u"VARCHAR" || t == u"NVARCHAR" ||
        t == u"CHARACTER VARYING" || t == u"CHAR" || t == u"NCHAR" || t == u"CHARACTER" || t == u"MEMO" ||
        t == u"LONGTEXT" || t == u"LONGCHAR" || t == u"NOTE" || t == u"NTEXT")
        return QStringLiteral("citext");
    if (t == u"LONG" || t == u"INT" || t == u"INTEGER" || t == u"INTEGER4" || t == u"INT4")
        return QStringLiteral("integer");
    if (t == u"SHORT" || t == u"SMALLINT" || t == u"INTEGER2" || t == u"INT2" || t == u"BYTE" ||
        t == u"TINYINT" || t == u"INTEGER1")
        return QStringLiteral("smallint");
    if (t == u"BIGINT") return QStringLiteral("bigint");
    if (t == u"SINGLE" || t == u"REAL" || t == u"FLOAT4" || t == u"IEEESINGLE") return QStringLiteral("real");
    if (t == u"DOUBLE" || t == u"FLOAT" || t == u"FLOAT8" || t == u"IEEEDOUBLE" || t == u"NUMBER")
        return QStringLiteral("double precision");
    if (t == u"CURRENCY" || t == u"MONEY") return QStringLiteral("numeric(19,4)");
    if (t == u"DATETIME" || t == u"DATE" || t == u"TIME" || t == u"TIMESTAMP")
        return QStringLiteral("timestamp");
    // Yes/No holds 0 or 1 as on the embedded store (True and False are
    // written as those numbers).
    if (t == u"BIT" || t == u"YESNO" || t == u"LOGICAL" || t == u"LOGICAL1" || t == u"BOOLEAN")
        return QStringLiteral("integer");
    if (t == u"DECIMAL" || t == u"NUMERIC" || t == u"DEC")
        return size.isEmpty() ? QStringLiteral("numeric") : QStringLiteral("numeric(%1)").arg(size);
    if (t == u"GUID" || t == u"UNIQUEIDENTIFIER") return QStringLiteral("uuid");
    if (t == u"BINARY" || t == u"VARBINARY" || t == u"LONGBINARY" || t == u"IMAGE" || t == u"OLEOBJECT" ||
        t == u"GENERAL")
        return QStringLiteral("bytea");
    return size.isEmpty() ? jetType : QStringLiteral("%1(%2)").arg(jetType, size);
}

namespace {

// A Jet Like pattern as an ILIKE pattern, when it has only * and ? for
// wildcards; else as a case-blind regular expression (for # and [...]).
bool likeToIlike(const QString& jet, QString& out)
{
    out.clear();
    for (const QChar c : jet) {
        if (c == u'#' || c == u'[') return false;
        if (c == u'*')
            out += u'%';
        else if (c == u'?')
            out += u'_';
        else if (c == u'%' || c == u'_' || c == u'\\')
            out += QLatin1Char('\\') + c;
        else
            out += c;
    }
    return true;
}

QString likeToRegex(const QString& jet)
{
    QString out = QStringLiteral("^");
    for (qsizetype i = 0; i < jet.size(); ++i) {
        const QChar c = jet[i];
        if (c == u'*')
            out += QStringLiteral(".*");
        else if (c == u'?')
            out += u'.';
        else if (c == u'#')
            out += QStringLiteral("[0-9]");
        else if (c == u'[') {
            const qsizetype end = jet.indexOf(u']', i + 1);
            if (end < 0) {
                out += QStringLiteral("\\[");
                continue;
            }
            QString set = jet.mid(i + 1, end - i - 1);
            if (set.startsWith(u'!')) set[0] = u'^';
            out += QLatin1Char('[') + set.replace(QStringLiteral("\\"), QStringLiteral("\\\\")) +
                   QLatin1Char(']');
            i = end;
        } else if (QStringLiteral("\\.^$|()+{}").contains(c))
            out += QLatin1Char('\\') + c;
        else
            out += c;
    }
    return out + QLatin1Char('$');
}

QString quoteText(const QString& s)
{
    return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

QString unquoteText(const QString& literal)
{
    return literal.mid(1, literal.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
}

// A token of the working list, with text that may be put before or after it.
struct Tok {
    Kind kind;
    QString text;
    QString pre;
    QString post;
    QString up; // the word in upper case
    bool sig() const { return kind != Kind::Space && kind != Kind::Comment && !(kind == Kind::Space); }
};

// w is given in upper case
bool isWord(const Tok& t, const char* w)
{
    return t.kind == Kind::Word && t.up == QLatin1String(w);
}
bool isPunct(const Tok& t, const char* p)
{
    return t.kind == Kind::Punct && t.text == QLatin1String(p);
}
bool isComparison(const Tok& t)
{
    if (t.kind != Kind::Punct || t.text.isEmpty() || t.text.size() > 2) return false;
    const QChar a = t.text[0];
    if (t.text.size() == 1) return a == u'=' || a == u'<' || a == u'>';
    const QChar b = t.text[1];
    return (a == u'<' && (b == u'>' || b == u'=')) || (a == u'>' && b == u'=') || (a == u'!' && b == u'=') ||
           (a == u'=' && b == u'=');
}

// Words that end an operand of "&".
bool isBoundaryWord(const Tok& t)
{
    if (t.kind != Kind::Word) return false;
    static const QSet<QString> words{
        "SELECT", "FROM",    "WHERE",  "AND",      "OR",          "NOT",    "SET",   "ON",     "WHEN",
        "THEN",   "ELSE",    "CASE",   "END",      "BY",          "HAVING", "AS",    "IS",     "LIKE",
        "IN",     "BETWEEN", "VALUES", "DISTINCT", "DISTINCTROW", "ALL",    "INTO",  "UNION",  "ORDER",
        "GROUP",  "LIMIT",   "JOIN",   "LEFT",     "RIGHT",       "INNER",  "OUTER", "UPDATE", "DELETE",
        "INSERT", "GLOB",    "ESCAPE", "ASC",      "DESC",        "TOP"};
    return words.contains(t.up);
}

class Rewriter {
public:
    explicit Rewriter(const QString& sql, bool postgres = false) : pg(postgres)
    {
        for (auto& t : JetSql::Tokenize(sql))
            toks.push_back({t.kind, t.text, {}, {}, t.kind == Kind::Word ? t.text.toUpper() : QString()});
        match.assign(toks.size(), -1);
        std::vector<int> stack;
        for (int i = 0; i < int(toks.size()); ++i) {
            if (isPunct(toks[i], "("))
                stack.push_back(i);
            else if (isPunct(toks[i], ")") && !stack.empty()) {
                match[i] = stack.back();
                match[stack.back()] = i;
                stack.pop_back();
            }
        }
    }

    bool pg = false; // the PostgreSQL target
    std::vector<Tok> toks;
    std::vector<int> match; // matching parenthesis
    JetSql::Translation result;

    bool sig(int i) const
    {
        return i >= 0 && i < int(toks.size()) && toks[i].kind != Kind::Space &&
               toks[i].kind != Kind::Comment && !(toks[i].kind == Kind::Punct && toks[i].text.isEmpty());
    }
    int next(int i) const
    {
        for (++i; i < int(toks.size()); ++i)
            if (sig(i)) return i;
        return -1;
    }
    int prev(int i) const
    {
        for (--i; i >= 0; --i)
            if (sig(i)) return i;
        return -1;
    }
    void blank(int i)
    {
        toks[i].kind = Kind::Space;
        toks[i].text.clear();
    }

    void literals()
    {
        for (auto& t : toks) {
            if (t.kind == Kind::QuotedName) {
                // Jet reads "..." as a text literal.
                QString inner =
                    t.text.mid(1, t.text.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
                t.kind = Kind::String;
                t.text = QLatin1Char('\'') + inner.replace(QLatin1Char('\''), QStringLiteral("''")) +
                         QLatin1Char('\'');
            } else if (t.kind == Kind::Date) {
                double ole = 0;
                const QString inner = t.text.mid(1, t.text.size() - 2).trimmed();
                if (!vb::ParseDate(inner, ole))
                    Raise(errnum::ErrorsInCommand,
                          QStringLiteral("Syntax error in date in query expression '%1'.").arg(t.text),
                          JetSource());
                t.kind = Kind::String;
                t.text = QLatin1Char('\'') + JetSql::DateText(ole) + QLatin1Char('\'');
                if (pg) t.pre += QStringLiteral("TIMESTAMP ");
            }
        }
    }

    void words()
    {
        static const QSet<QString> keywordFunctions{"LEFT", "RIGHT", "ISNULL"};
        for (int i = 0; i < int(toks.size()); ++i) {
            Tok& t = toks[i];
            if (t.kind == Kind::Word) {
                const QString& up = t.up;
                if (up == u"DISTINCTROW")
                    t.text = QStringLiteral("DISTINCT");
                else if (up == u"@@IDENTITY")
                    t.text = pg ? QStringLiteral("lastval()") : QStringLiteral("last_insert_rowid()");
                else if (pg && up == u"TRUE" && !isCall(i))
                    t.text = QStringLiteral("1");
                else if (pg && up == u"FALSE" && !isCall(i))
                    t.text = QStringLiteral("0");
                else if (up == u"DELETE") {
                    const int s = next(i);
                    if (s >= 0 && isPunct(toks[s], "*")) {
                        const int f = next(s);
                        if (f >= 0 && isWord(toks[f], "FROM")) blank(s);
                    }
                } else if (!pg && keywordFunctions.contains(up)) {
                    const int p = next(i);
                    if (p == i + 1 && isPunct(toks[p], "(")) {
                        t.text = QLatin1Char('"') + t.text.toLower() + QLatin1Char('"');
                        t.kind = Kind::QuotedName;
                    }
                }
            }
        }
    }

    // SELECT [DISTINCT] TOP n ... -> SELECT ... LIMIT n
    void top()
    {
        for (int i = 0; i < int(toks.size()); ++i) {
            if (!isWord(toks[i], "SELECT")) continue;
            int j = next(i);
            if (j >= 0 && (isWord(toks[j], "DISTINCT") || isWord(toks[j], "ALL"))) j = next(j);
            if (j < 0 || !isWord(toks[j], "TOP")) continue;
            const int num = next(j);
            if (num < 0 || toks[num].kind != Kind::Number) continue;
            const QString n = toks[num].text;
            blank(j);
            blank(num);
            // end of this SELECT's scope: the ")" that closes it, a ";" or the end
            int depth = 0;
            int end = int(toks.size());
            for (int k = i + 1; k < int(toks.size()); ++k) {
                if (isPunct(toks[k], "("))
                    ++depth;
                else if (isPunct(toks[k], ")")) {
                    if (depth == 0) {
                        end = k;
                        break;
                    }
                    --depth;
                } else if (depth == 0 && isPunct(toks[k], ";")) {
                    end = k;
                    break;
                }
            }
            int last = prev(end);
            if (last < 0) last = i;
            toks[last].post += QStringLiteral(" LIMIT ") + n;
        }
    }

    // INSERT INTO t (cols) IN 'file' ... / FROM t IN 'file' -> extN.t
    void external()
    {
        for (int i = 0; i < int(toks.size()); ++i) {
            if (!isWord(toks[i], "IN")) continue;
            const int s = next(i);
            if (s < 0 || toks[s].kind != Kind::String) continue;
            int name = prev(i);
            if (name >= 0 && isPunct(toks[name], ")") && match[name] >= 0) name = prev(match[name]);
            if (name < 0 || (toks[name].kind != Kind::Word && toks[name].kind != Kind::Bracket &&
                             toks[name].kind != Kind::QuotedName))
                continue;
            const QString file = toks[s]
                                     .text.mid(1, toks[s].text.size() - 2)
                                     .replace(QStringLiteral("''"), QStringLiteral("'"));
            int index = int(result.attach.indexOf(file));
            if (index < 0) {
                result.attach.append(file);
                index = int(result.attach.size()) - 1;
            }
            toks[name].pre = QStringLiteral("ext%1.").arg(index + 1) + toks[name].pre;
            blank(i);
            blank(s);
        }
    }

    // Wraps a function call compared with a number literal in jetcmp().
    void wrapCall(int close)
    {
        const int open = match[close];
        if (open < 0) return;
        const int fn = prev(open);
        if (fn < 0 || fn != open - 1 || (toks[fn].kind != Kind::Word && toks[fn].kind != Kind::QuotedName) ||
            isBoundaryWord(toks[fn]))
            return;
        toks[fn].pre = QStringLiteral("jetcmp(") + toks[fn].pre;
        toks[close].post += QStringLiteral(")");
    }

    bool numberAt(int i) const
    {
        if (i < 0) return false;
        if (toks[i].kind == Kind::Number) return true;
        return (isPunct(toks[i], "-") || isPunct(toks[i], "+")) && next(i) >= 0 &&
               toks[next(i)].kind == Kind::Number;
    }

    // A number literal standing alone on its side of the comparison: the
    // token after it (and its sign) is no arithmetic.
    int loneNumber(int i, bool left) const
    {
        if (!numberAt(i)) return -1;
        const int num = toks[i].kind == Kind::Number ? i : next(i);
        if (left) {
            const int before = prev(toks[i].kind == Kind::Number ? i : i);
            if (before >= 0 &&
                (isPunct(toks[before], "+") || isPunct(toks[before], "-") || isPunct(toks[before], "*") ||
                 isPunct(toks[before], "/") || isPunct(toks[before], "&") || isPunct(toks[before], ".")))
                return -1;
            return num;
        }
        const int after = next(num);
        if (after >= 0 &&
            (isPunct(toks[after], "(") || isPunct(toks[after], "*") || isPunct(toks[after], "/") ||
             isPunct(toks[after], "+") || isPunct(toks[after], "-") || isPunct(toks[after], "&") ||
             isPunct(toks[after], ".")))
            return -1;
        return num;
    }

    // Jet compares a number with a text as numbers; the server has no
    // operator between text and a number. A lone number literal becomes an
    // untyped literal, which the server reads as the other side's type: a
    // number against a number column, a text against a text column.
    void comparisonsPostgres()
    {
        for (int i = 0; i < int(toks.size()); ++i) {
            if (!isComparison(toks[i])) continue;
            for (const int n : {loneNumber(next(i), false), loneNumber(prev(i), true)}) {
                if (n < 0) continue;
                const int sign = prev(n);
                QString text = toks[n].text;
                if (sign >= 0 && sign != i && isPunct(toks[sign], "-")) {
                    text = QLatin1Char('-') + text;
                    blank(sign);
                }
                toks[n].text = QLatin1Char('\'') + text + QLatin1Char('\'');
                toks[n].kind = Kind::String;
            }
        }
    }

    void comparisons()
    {
        if (pg) return comparisonsPostgres();
        for (int i = 0; i < int(toks.size()); ++i) {
            if (!isComparison(toks[i])) continue;
            const int l = prev(i), r = next(i);
            if (l >= 0 && isPunct(toks[l], ")") && numberAt(r)) {
                // the number must stand alone on its side
                int after = next(isPunct(toks[r], "-") || isPunct(toks[r], "+") ? next(r) : r);
                if (after < 0 ||
                    !(isPunct(toks[after], "(") || isPunct(toks[after], "*") || isPunct(toks[after], "/")))
                    wrapCall(l);
            } else if (numberAt(l) && r >= 0) {
                // number <op> f(...)
                if (toks[r].kind == Kind::Word || toks[r].kind == Kind::QuotedName) {
                    const int open = next(r);
                    if (open == r + 1 && isPunct(toks[open], "(") && match[open] > 0 &&
                        !isBoundaryWord(toks[r])) {
                        const int close = match[open];
                        const int after = next(close);
                        if (after < 0 || !(isPunct(toks[after], "+") || isPunct(toks[after], "-") ||
                                           isPunct(toks[after], "*") || isPunct(toks[after], "/") ||
                                           isPunct(toks[after], "&") || isPunct(toks[after], "||")))
                            wrapCall(close);
                    }
                }
            }
        }
    }

    // a & b & c -> jetcat(a, b, c), per level of parentheses.
    void concatenation(int begin, int end)
    {
        int segStart = -1;
        std::vector<int> amps;
        auto flush = [&](int segEnd) {
            if (!amps.empty() && segStart >= 0) {
                const int last = prev(segEnd);
                if (last >= segStart) {
                    toks[segStart].pre =
                        (pg ? QStringLiteral("concat(") : QStringLiteral("jetcat(")) + toks[segStart].pre;
                    toks[last].post += QStringLiteral(")");
                    for (int a : amps)
                        toks[a].text = QStringLiteral(",");
                }
            }
            amps.clear();
            segStart = -1;
        };
        for (int i = begin; i < end; ++i) {
            if (!sig(i)) continue;
            const Tok& t = toks[i];
            if (isPunct(t, "(") && match[i] > i) {
                concatenation(i + 1, match[i]);
                if (segStart < 0) segStart = i;
                i = match[i];
                continue;
            }
            const bool boundary =
                isPunct(t, ",") || isPunct(t, ";") || isComparison(t) || isBoundaryWord(t) || isPunct(t, ")");
            if (boundary) {
                flush(i);
                continue;
            }
            if (isPunct(t, "&")) {
                amps.push_back(i);
                continue;
            }
            if (segStart < 0) segStart = i;
        }
        flush(end);
    }

    // CREATE TABLE t (col type constraints, ...): Jet types to SQLite ones.
    void createTable()
    {
        const int c = next(-1);
        if (c < 0 || !isWord(toks[c], "CREATE")) return;
        const int t = next(c);
        if (t < 0 || !isWord(toks[t], "TABLE")) return;
        int open = -1;
        for (int i = next(t); i >= 0; i = next(i))
            if (isPunct(toks[i], "(")) {
                open = i;
                break;
            }
        if (open < 0 || match[open] < 0) return;
        const int close = match[open];
        int defStart = next(open);
        for (int i = defStart; i >= 0 && i <= close; i = next(i)) {
            if (isPunct(toks[i], "(") && match[i] > i) {
                i = match[i];
                continue;
            }
            if (i == close || isPunct(toks[i], ",")) {
                if (defStart >= 0 && defStart < i) columnDef(defStart, prev(i));
                defStart = next(i);
            }
        }
    }

    void columnDef(int first, int last)
    {
        static const QSet<QString> tableConstraints{"CONSTRAINT", "PRIMARY", "UNIQUE", "FOREIGN", "CHECK"};
        if (toks[first].kind == Kind::Word && tableConstraints.contains(toks[first].text.toUpper())) return;
        std::vector<int> idx;
        for (int i = first; i >= 0 && i <= last; i = next(i))
            idx.push_back(i);
        if (idx.size() < 2) return;
        auto text = [&](int k) { return toks[idx[k]].text; };
        auto upper = [&](int k) { return toks[idx[k]].text.toUpper(); };
        // type name and its "(n[,m])"
        size_t k = 1;
        QString type = text(k++);
        if (k < idx.size() && toks[idx[k]].kind == Kind::Word &&
            (type.compare(QStringLiteral("DOUBLE"), Qt::CaseInsensitive) == 0) && upper(k) == u"PRECISION")
            ++k;
        QString size;
        if (k < idx.size() && isPunct(toks[idx[k]], "(")) {
            ++k;
            while (k < idx.size() && !isPunct(toks[idx[k]], ")"))
                size += text(k++);
            ++k;
        }
        bool identity = false;
        QString tail;
        bool dropPrimary = false;
        for (; k < idx.size(); ++k) {
            const QString u = upper(k);
            if (u == u"IDENTITY" || u == u"COUNTER" || u == u"AUTOINCREMENT") {
                identity = true;
                if (k + 1 < idx.size() && isPunct(toks[idx[k + 1]], "(")) {
                    while (k < idx.size() && !isPunct(toks[idx[k]], ")"))
                        ++k;
                }
                continue;
            }
            if (u == u"WITH" && k + 1 < idx.size() &&
                (upper(k + 1) == u"COMPRESSION" || upper(k + 1) == u"COMP")) {
                ++k;
                continue;
            }
            if (u == u"PRIMARY" && k + 1 < idx.size() && upper(k + 1) == u"KEY") {
                if (!dropPrimary) {
                    tail += QStringLiteral(" PRIMARY KEY");
                }
                ++k;
                continue;
            }
            tail += QLatin1Char(' ') + text(k);
        }
        QString mapped = pg ? JetSql::MapTypePostgres(type, size) : MapType(type, size);
        if (pg && (identity || mapped.startsWith(QStringLiteral("integer GENERATED")))) {
            mapped = QStringLiteral("integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
            tail.replace(QStringLiteral(" PRIMARY KEY"), QString());
        } else if (!pg && (identity || mapped.startsWith(QStringLiteral("INTEGER PRIMARY KEY")))) {
            mapped = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
            tail.replace(QStringLiteral(" PRIMARY KEY"), QString());
        }
        // A Yes/No column of Jet is never Null: a row added without it holds False.
        if (mapped == u"BOOLEAN" && !tail.contains(QStringLiteral("DEFAULT"), Qt::CaseInsensitive))
            tail += QStringLiteral(" DEFAULT 0");
        const QString def = toks[idx[0]].pre + sqliteText(toks[idx[0]]) + QLatin1Char(' ') + mapped + tail;
        for (int i = first; i <= last; ++i)
            if (i != first) blank(i);
        toks[first].text = def;
        toks[first].pre.clear();
        toks[first].kind = Kind::Word;
    }

    static QString MapType(const QString& t, const QString& s) { return JetSql::MapType(t, s); }

    bool isCall(int i) const
    {
        const int p = next(i);
        return p == i + 1 && isPunct(toks[p], "(") && match[p] > p;
    }

    // [Name] -> "name": the server folds unquoted names to lower case, so a
    // bracketed name is folded the same way and both reach one table.
    // A string after AS is an alias: AS 'x' -> AS "x".
    void names()
    {
        for (int i = 0; i < int(toks.size()); ++i) {
            Tok& t = toks[i];
            if (t.kind == Kind::Bracket) {
                t.text = QuoteNativeName(JetSql::NameOf({t.kind, t.text}).toLower());
                t.kind = Kind::QuotedName;
            } else if (t.kind == Kind::String) {
                const int p = prev(i);
                if (p >= 0 && isWord(toks[p], "AS")) {
                    t.text = QuoteNativeName(unquoteText(t.text).toLower());
                    t.kind = Kind::QuotedName;
                }
            }
        }
    }

    // The index of the top-level commas of a call's arguments.
    std::vector<int> commas(int open) const
    {
        std::vector<int> out;
        for (int k = open + 1; k < match[open]; ++k) {
            if (isPunct(toks[k], "(") && match[k] > k)
                k = match[k];
            else if (isPunct(toks[k], ","))
                out.push_back(k);
        }
        return out;
    }

    // Jet's functions as the server's. Text functions take their first
    // argument as text, as Jet turns a number into its digits.
    void functions()
    {
        static const QHash<QString, QString> textFunctions{
            {"MID", "substr"},  {"LEFT", "left"},    {"RIGHT", "right"}, {"LEN", "length"},
            {"UCASE", "upper"}, {"LCASE", "lower"},  {"TRIM", "btrim"},  {"LTRIM", "ltrim"},
            {"RTRIM", "rtrim"}, {"INSTR", "strpos"}, {"CSTR", "concat"}, {"STR", "concat"}};
        for (int i = 0; i < int(toks.size()); ++i) {
            Tok& t = toks[i];
            if (t.kind != Kind::Word || !isCall(i)) continue;
            const int open = i + 1;
            const int close = match[open];
            const int first = next(open);
            if (textFunctions.contains(t.up)) {
                t.text = textFunctions.value(t.up);
                if (first >= 0 && first < close && t.up != u"CSTR" && t.up != u"STR") {
                    const std::vector<int> cs = commas(open);
                    const int end = prev(cs.empty() ? close : cs.front());
                    toks[first].pre = QStringLiteral("CAST(") + toks[first].pre;
                    toks[end].post += QStringLiteral(" AS text)");
                }
            } else if (t.up == u"NZ") {
                if (commas(open).empty()) toks[close].pre += QStringLiteral(", ''");
                t.text = QStringLiteral("coalesce");
            } else if (t.up == u"IIF") {
                const std::vector<int> cs = commas(open);
                if (cs.size() != 2) continue;
                t.text = QStringLiteral("(CASE WHEN");
                toks[open].text = QStringLiteral(" ");
                toks[cs[0]].text = QStringLiteral(" THEN ");
                toks[cs[1]].text = QStringLiteral(" ELSE ");
                toks[close].text = QStringLiteral(" END)");
            } else if (t.up == u"ISNULL") {
                t.text.clear();
                toks[close].pre += QStringLiteral(" IS NULL");
            } else if ((t.up == u"NOW" || t.up == u"DATE" || t.up == u"TIME") && first == close) {
                t.text = t.up == u"NOW"    ? QStringLiteral("LOCALTIMESTAMP(0)")
                         : t.up == u"DATE" ? QStringLiteral("CURRENT_DATE")
                                           : QStringLiteral("LOCALTIME(0)");
                blank(open);
                blank(close);
            }
        }
    }

    // x Like 'pattern' -> x ILIKE 'pattern' (% and _), or a case-blind
    // regular expression when the pattern uses # or [...]. Jet's Like
    // ignores case; a pattern that is not a literal is left to the server.
    void like()
    {
        for (int i = 0; i < int(toks.size()); ++i) {
            if (!isWord(toks[i], "LIKE")) continue;
            const int p = next(i);
            if (p < 0 || toks[p].kind != Kind::String) continue;
            const int before = prev(i);
            const bool negated = before >= 0 && isWord(toks[before], "NOT");
            QString pattern;
            if (likeToIlike(unquoteText(toks[p].text), pattern)) {
                toks[i].text = QStringLiteral("ILIKE");
                toks[p].text = quoteText(pattern);
            } else {
                if (negated) blank(before);
                toks[i].text = negated ? QStringLiteral("!~*") : QStringLiteral("~*");
                toks[p].text = quoteText(likeToRegex(unquoteText(toks[p].text)));
            }
        }
    }

    void lift()
    {
        const int f = next(-1);
        if (f < 0 || !(isWord(toks[f], "SELECT") || isWord(toks[f], "INSERT") || isWord(toks[f], "UPDATE") ||
                       isWord(toks[f], "DELETE")))
            return;
        for (const auto& t : toks)
            if (isPunct(t, "?")) return; // the caller's own parameters keep their numbers
        for (int i = 0; i < int(toks.size()); ++i) {
            Tok& t = toks[i];
            if (t.kind != Kind::Number && t.kind != Kind::String) continue;
            const int p = prev(i);
            if (p < 0 || !isComparison(toks[p])) continue;
            const int nx = next(i);
            if (nx >= 0 && (isPunct(toks[nx], "(") || isPunct(toks[nx], "."))) continue;
            if (t.kind == Kind::String) {
                QString v =
                    t.text.mid(1, t.text.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
                result.params.emplace_back(v);
            } else {
                bool ok = false;
                const qlonglong n = t.text.toLongLong(&ok);
                if (ok)
                    result.params.push_back(vb::Variant::fromLongLong(n));
                else {
                    const double d = t.text.toDouble(&ok);
                    if (!ok) continue;
                    result.params.emplace_back(d);
                }
            }
            t.text = QStringLiteral("?");
        }
    }

    // SQLite's brackets cannot hold a "]": such a name goes in double quotes.
    static QString sqliteText(const Tok& t)
    {
        if (t.kind != Kind::Bracket || !t.text.contains(QStringLiteral("]]"))) return t.text;
        return QuoteNativeName(JetSql::NameOf({t.kind, t.text}));
    }
    void escapedNames()
    {
        for (auto& t : toks)
            t.text = sqliteText(t);
    }

    QString text() const
    {
        QString s;
        for (const auto& t : toks)
            s += t.pre + t.text + t.post;
        return s;
    }
};

} // namespace

QString JetSql::TranslateForPostgres(const QString& jetSql)
{
    Rewriter r(jetSql, true);
    r.literals();
    r.like();
    r.names();
    r.words();
    r.top();
    r.createTable();
    r.comparisons();
    r.concatenation(0, int(r.toks.size()));
    r.functions();
    return r.text();
}

JetSql::Translation JetSql::Translate(const QString& jetSql, bool liftLiterals)
{
    Rewriter r(jetSql);
    r.literals();
    r.words();
    r.top();
    r.external();
    r.createTable();
    r.comparisons();
    r.concatenation(0, int(r.toks.size()));
    if (liftLiterals) r.lift();
    r.escapedNames();
    r.result.sql = r.text();
    return r.result;
}

QString JetSql::NameOf(const Token& t)
{
    if (t.kind == Kind::Bracket) {
        const qsizetype inner = t.text.size() - (t.text.endsWith(u']') ? 2 : 1);
        return t.text.mid(1, std::max<qsizetype>(inner, 0))
            .replace(QStringLiteral("]]"), QStringLiteral("]"));
    }
    if (t.kind == Kind::QuotedName)
        return t.text.mid(1, std::max<qsizetype>(t.text.size() - 2, 0))
            .replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return t.text;
}

QString QuoteName(const QString& name)
{
    return QLatin1Char('[') + QString(name).replace(u']', QStringLiteral("]]")) + QLatin1Char(']');
}

QString QuoteNativeName(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(u'"', QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString TableStatement(const QString& name)
{
    // Blanks around a name in brackets are the statement's; blanks of a
    // bare name are the table's own (" calls.dbf" is not "calls.dbf").
    const QString written = name.trimmed();
    const auto toks = JetSql::Tokenize(written);
    const bool bracketed = toks.size() == 1 && toks.front().kind == Kind::Bracket && written.endsWith(u']');
    return QStringLiteral("SELECT * FROM ") + (bracketed ? written : QuoteName(name));
}

} // namespace ado
