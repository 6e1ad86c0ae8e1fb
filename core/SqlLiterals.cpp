#include "core/SqlLiterals.h"

#include "platform/vb/Conversion.h"

QString EscapeQuotes(const QString& text, const QString& escape)
{
    QString result = text;
    qsizetype at = result.indexOf(u'\'');
    while (at >= 0) {
        result.insert(at, escape);
        // Go on after the quote just escaped, so it is escaped once.
        at = result.indexOf(u'\'', at + escape.size() + 1);
    }
    return result;
}

QString EscapeBackslash(const QString& text)
{
    QString result = text;
    qsizetype at = result.indexOf(u'\\');
    while (at >= 0) {
        const bool last = at + 1 >= result.size();
        if (last || result[at + 1] == u'\'' || result[at + 1] == u'\\') {
            at = result.indexOf(u'\\', at + 1);
        } else {
            result.insert(at, u'\\');
            at = result.indexOf(u'\\', at + 2);
        }
    }
    return result;
}

QString EscapeChars(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (c == EscapedChar) result += u'\\';
        result += c;
    }
    return result;
}

QString FormatSQLString(const vb::Variant& value, const std::int32_t& mode, const QString& escape)
{
    if (value.isNull()) return QStringLiteral("NULL");
    QString text = value.toString();
    switch (mode) {
    case 0:
        break;
    case 1:
        text = EscapeQuotes(text, escape);
        break;
    case 2:
        text = EscapeChars(text);
        break;
    case 3:
        text = EscapeBackslash(text);
        break;
    case 4:
        text = EscapeChars(EscapeQuotes(text, QStringLiteral("'")));
        break;
    case 5:
        text = EscapeQuotes(EscapeBackslash(text), escape);
        break;
    case 6:
        text = EscapeChars(EscapeBackslash(text));
        break;
    case 7:
        text = EscapeChars(EscapeQuotes(EscapeBackslash(text), escape));
        break;
    default:
        return QString();
    }
    return u'\'' + text + u'\'';
}

QString FormatSQLNumber(const vb::Variant& value)
{
    if (value.isNull() || !vb::IsNumeric(value)) return QStringLiteral("0");
    return QString::number(vb::CLng(value)); // out of range: error 6 to the caller
}

QString FormatSQLBool(const vb::Variant& value)
{
    if (value.isNull()) return QStringLiteral("False");
    return value.vbEquals(vb::Variant(true)) ? QStringLiteral("True") : QStringLiteral("False");
}
