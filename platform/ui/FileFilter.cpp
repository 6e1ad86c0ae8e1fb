#include "platform/ui/FileFilter.h"

namespace ui {

namespace {

// True when the caption already ends with its patterns in parentheses and
// separated by blanks, as "Input Files (*.txt)" does: the file dialog reads
// them from there.
bool captionShows(const QString& caption, const QStringList& patterns)
{
    if (!caption.endsWith(QLatin1Char(')'))) return false;
    const qsizetype open = caption.lastIndexOf(QLatin1Char('('));
    if (open < 0) return false;
    const QString inside = caption.mid(open + 1, caption.size() - open - 2);
    QStringList shown;
    for (const QString& piece : inside.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (!shown.contains(piece)) shown << piece;
    return shown == patterns;
}

} // namespace

QStringList ConvertVbFilterList(const QString& vbFilter)
{
    QStringList result;
    if (vbFilter.trimmed().isEmpty()) return result;

    const QStringList parts = vbFilter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString caption = parts.at(i).trimmed();
        const QString patternText = i + 1 < parts.size() ? parts.at(i + 1) : QString();
        if (caption.isEmpty() && patternText.trimmed().isEmpty()) continue; // a trailing "|" or "||"

        QStringList patterns;
        for (const QString& piece : patternText.split(QLatin1Char(';'))) {
            QString pattern = piece.trimmed();
            if (pattern.isEmpty()) continue;
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
            if (!patterns.contains(pattern)) patterns << pattern;
        }
        if (patterns.isEmpty() || patterns.contains(QLatin1String("*")))
            patterns = QStringList{QStringLiteral("*")};

        if (captionShows(caption, patterns)) {
            result << caption;
            continue;
        }
        const QString shown = caption.isEmpty() ? patterns.join(QLatin1Char(' ')) : caption;
        result << QStringLiteral("%1 (%2)").arg(shown, patterns.join(QLatin1Char(' ')));
    }
    return result;
}

QString ConvertVbFilter(const QString& vbFilter)
{
    return ConvertVbFilterList(vbFilter).join(QStringLiteral(";;"));
}

} // namespace ui
