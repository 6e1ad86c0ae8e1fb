#include "platform/ui/FileFilter.h"

namespace ui {

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
