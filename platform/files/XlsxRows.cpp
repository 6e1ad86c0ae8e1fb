#include "platform/files/XlsxRows.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace files::detail {

RowMap::RowMap(std::vector<std::uint32_t> deleted) : m_del(std::move(deleted))
{
    std::sort(m_del.begin(), m_del.end());
}

bool RowMap::isDeleted(int row) const
{
    return std::binary_search(m_del.begin(), m_del.end(), std::uint32_t(row));
}

bool RowMap::mapRows(int top, int bottom, int& newTop, int& newBottom) const
{
    const auto below = std::lower_bound(m_del.begin(), m_del.end(), std::uint32_t(top)) - m_del.begin();
    const auto upTo = std::upper_bound(m_del.begin(), m_del.end(), std::uint32_t(bottom)) - m_del.begin();
    newTop = top - static_cast<int>(below);
    newBottom = bottom - static_cast<int>(upTo);
    return newBottom >= newTop;
}

int RowMap::landing(int row) const
{
    const auto before = std::lower_bound(m_del.begin(), m_del.end(), std::uint32_t(row)) - m_del.begin();
    return row - static_cast<int>(before);
}

namespace {

struct RefPart {
    QString colPart; // "$A", "B", or "" for a whole-row reference
    bool rowAbs = false;
    int row = 0; // 0 for a whole-column reference
};

bool splitRefPart(const QString& s, RefPart& p)
{
    qsizetype i = 0;
    if (i < s.size() && s[i] == u'$') ++i;
    while (i < s.size() && s[i].isLetter())
        ++i;
    p.colPart = s.left(i);
    if (p.colPart == u"$") return false;
    if (i < s.size() && s[i] == u'$') {
        p.rowAbs = true;
        ++i;
    }
    bool ok = true;
    const QString digits = s.mid(i);
    p.row = digits.isEmpty() ? 0 : digits.toInt(&ok);
    return ok && (p.row > 0 || digits.isEmpty()) && (!p.colPart.isEmpty() || p.row > 0);
}

QString joinRefPart(const RefPart& p)
{
    return p.colPart +
           (p.row > 0 ? (p.rowAbs ? QStringLiteral("$") : QString()) + QString::number(p.row) : QString());
}

} // namespace

QString mapRef(const QString& ref, const RowMap& map, bool dropSingleCell)
{
    const QStringList parts = ref.split(u':');
    if (parts.size() > 2) return ref;
    RefPart a, b;
    if (!splitRefPart(parts[0], a) || (parts.size() == 2 && !splitRefPart(parts[1], b))) return ref;
    if (parts.size() == 1) b = a;
    if (a.row == 0 || b.row == 0) return ref; // whole columns
    int top = 0, bottom = 0;
    if (!map.mapRows(a.row, b.row, top, bottom)) return {};
    a.row = top;
    b.row = bottom;
    if (parts.size() == 1) return joinRefPart(a);
    if (dropSingleCell && top == bottom && QString(a.colPart).remove(u'$') == QString(b.colPart).remove(u'$'))
        return {};
    return joinRefPart(a) + u':' + joinRefPart(b);
}

QString mapSqref(const QString& sqref, const RowMap& map)
{
    QStringList out;
    for (const QString& r : sqref.split(u' ', Qt::SkipEmptyParts)) {
        const QString m = mapRef(r, map);
        if (!m.isEmpty()) out << m;
    }
    return out.join(u' ');
}

namespace {

// An optional sheet, then a cell, a cell range, a row range or a column
// range; not a function name ("LOG10(") nor part of a longer name.
const QRegularExpression& refPattern()
{
    static const QRegularExpression re(
        QStringLiteral(
            R"re((?<![\w.$'!])(?:('(?:[^']|'')+'|[\p{L}_][\w.]*)!)?)re"
            R"re((\$?[A-Za-z]{1,3}\$?\d+(?::\$?[A-Za-z]{1,3}\$?\d+)?|\$?\d+:\$?\d+|\$?[A-Za-z]{1,3}:\$?[A-Za-z]{1,3}))re"
            R"re((?![\w(!]))re"),
        QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

QString unquoteSheet(const QString& s)
{
    if (!s.startsWith(u'\'')) return s;
    return s.mid(1, s.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
}

QString quoteSheet(const QString& sheet)
{
    static const QRegularExpression plain(QStringLiteral(R"(^[\p{L}_][\w.]*$)"),
                                          QRegularExpression::UseUnicodePropertiesOption);
    if (plain.match(sheet).hasMatch()) return sheet;
    return u'\'' + QString(sheet).replace(QStringLiteral("'"), QStringLiteral("''")) + u'\'';
}

// The spans of the string literals of a formula (a quoted sheet name is
// not one, and may hold a double quote).
std::vector<std::pair<qsizetype, qsizetype>> stringSpans(const QString& formula)
{
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    QChar quote;
    qsizetype start = 0;
    for (qsizetype i = 0; i < formula.size(); ++i) {
        const QChar c = formula[i];
        if (quote.isNull()) {
            if (c == u'"' || c == u'\'') {
                quote = c;
                start = i;
            }
            continue;
        }
        if (c != quote) continue;
        if (i + 1 < formula.size() && formula[i + 1] == quote) {
            ++i; // a doubled quote stands for itself
            continue;
        }
        if (quote == u'"') spans.emplace_back(start, i);
        quote = QChar();
    }
    if (quote == u'"') spans.emplace_back(start, formula.size());
    return spans;
}

} // namespace

std::vector<FormulaRef> FindRefs(const QString& formula)
{
    std::vector<FormulaRef> refs;
    const auto spans = stringSpans(formula);
    auto it = refPattern().globalMatch(formula);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const bool inString = std::any_of(spans.begin(), spans.end(), [&](const auto& s) {
            return m.capturedStart() > s.first && m.capturedStart() < s.second;
        });
        if (inString) continue;
        FormulaRef r;
        r.start = m.capturedStart();
        r.length = m.capturedLength();
        r.sheet = unquoteSheet(m.captured(1));
        r.ref = m.captured(2);
        for (const QString& piece : r.ref.split(u':')) {
            RefPart part;
            if (!splitRefPart(piece, part)) continue;
            r.highestRow = std::max(r.highestRow, part.row);
            if (part.rowAbs || (part.colPart.isEmpty() && part.row > 0 && piece.startsWith(u'$')))
                r.absoluteRow = true;
        }
        refs.push_back(r);
    }
    return refs;
}

bool IsReferenceList(const QString& formula)
{
    const std::vector<FormulaRef> refs = FindRefs(formula);
    if (refs.empty()) return false;
    qsizetype at = 0;
    for (const FormulaRef& r : refs) {
        if (QStringView(formula).mid(at, r.start - at).trimmed() != (at == 0 ? u"" : u",")) return false;
        at = r.start + r.length;
    }
    return QStringView(formula).mid(at).trimmed().isEmpty();
}

QString MapReferenceList(const QString& formula, const std::function<const RowMap*(const QString&)>& mapOf)
{
    QString out;
    qsizetype at = 0;
    for (const FormulaRef& r : FindRefs(formula)) {
        out += QStringView(formula).mid(at, r.start - at);
        at = r.start + r.length;
        const RowMap* map = r.sheet.isEmpty() ? nullptr : mapOf(r.sheet);
        if (!map || map->empty()) {
            out += QStringView(formula).mid(r.start, r.length);
            continue;
        }
        const QString mapped = mapRef(r.ref, *map);
        out += quoteSheet(r.sheet) + u'!' + (mapped.isEmpty() ? QStringLiteral("#REF!") : mapped);
    }
    return out + formula.mid(at);
}

} // namespace files::detail
