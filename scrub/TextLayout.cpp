#include "scrub/TextLayout.h"

#include "platform/files/TextFormat.h"
#include "platform/files/TextTable.h"
#include "platform/vb/vb.h"

namespace scrub {

namespace {

const QString kQuote = QStringLiteral("\"");

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString lineText(const files::TextRecord& record)
{
    QByteArray bytes = record.raw.left(record.raw.size() - record.lineEndLength);
    if (record.offset == 0 && bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    const auto encoding = files::isValidUtf8(bytes.constData(), bytes.size())
                              ? files::TextEncoding::Utf8
                              : files::TextEncoding::Windows1252;
    return files::decodeText(bytes, encoding);
}

// Index of the quote that closes a quoted field whose text starts at from;
// a doubled quote is part of the value. -1 when the field is not closed.
qsizetype closingQuote(const QString& text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] != u'"') continue;
        if (i + 1 < text.size() && text[i + 1] == u'"') {
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}

void tooManyFields()
{
    vb::Raise(9, QStringLiteral("GetDelimted"));
}

QStringList quotedPieces(QString rest, int n)
{
    QStringList pieces(n + 1);
    int i = 0;
    for (;;) {
        if (i >= n) tooManyFields();
        if (rest.startsWith(u'"')) {
            pieces[i] += kQuote;
            ++i;
            const qsizetype close = closingQuote(rest, 1);
            if (close < 0) {
                pieces[i] = kQuote;
                break;
            }
            rest = trimBlanks(rest.mid(close + 1));
            if (rest.isEmpty()) {
                pieces[i] = kQuote;
                break;
            }
            pieces[i] = kQuote + rest[0];
            rest = trimBlanks(rest.mid(1));
        } else {
            ++i;
            const qsizetype comma = rest.indexOf(u',');
            if (comma < 0) {
                pieces[i].clear();
                break;
            }
            rest = trimBlanks(rest.mid(comma + 1));
            pieces[i] = QStringLiteral(",");
        }
    }
    return pieces;
}

QStringList barePieces(const QString& line, int n)
{
    QString separator = QStringLiteral(",");
    for (const QString& candidate : {QStringLiteral("\t"), QStringLiteral(";"), QStringLiteral(":")}) {
        if (line.split(candidate).size() == n) {
            separator = candidate;
            break;
        }
    }
    if (n > 0 && line.split(separator).size() > n) tooManyFields();
    QStringList pieces(n + 1);
    for (int k = 1; k < n; ++k)
        pieces[k] = separator;
    return pieces;
}

} // namespace

QString getFirstLine(const QString& fileName, bool titleFirstLine, QString* titleLine)
{
    files::TextReader reader(fileName, ',');
    files::TextRecord record;
    if (titleFirstLine) {
        if (!reader.next(record)) return {};
        if (titleLine) *titleLine = lineText(record);
    }
    if (!reader.next(record)) return {};
    return lineText(record);
}

QStringList GetDelimted(const QString& line, int fieldCount)
{
    const int n = std::max(fieldCount, 0);
    const QString text = trimBlanks(line);
    const bool quoted = text.contains(QStringLiteral("\",\"")) || text.contains(QStringLiteral(",\"")) ||
                        text.contains(QStringLiteral("\","));
    if (quoted && n > 0) return quotedPieces(text, n);
    return barePieces(text, n);
}

bool IsChar(int start, const QString& text, const QString& ch)
{
    if (start < 1) return false;
    return text.indexOf(ch, start - 1) == start - 1;
}

QString RebuildLine(const QStringList& pieces, const QStringList& values)
{
    const int n = static_cast<int>(pieces.size()) - 1;
    if (n < 0) return {};
    if (values.size() > n) vb::Raise(9, QStringLiteral("RebuildLine"));

    char separator = ',';
    for (int k = 1; k < n; ++k) {
        const QString bare = QString(pieces[k]).remove(u'"');
        if (!bare.isEmpty() && bare[0].unicode() < 128) {
            separator = static_cast<char>(bare[0].unicode());
            break;
        }
    }

    QString line = pieces[0];
    for (int k = 1; k <= n; ++k) {
        const QString value = k <= values.size() ? values[k - 1] : QString();
        const bool quotedField = pieces[k - 1].endsWith(u'"') && pieces[k].startsWith(u'"');
        if (quotedField) {
            line += QString(value).replace(kQuote, QStringLiteral("\"\""));
        } else if (files::needsQuotes(value, separator)) {
            line += kQuote + QString(value).replace(kQuote, QStringLiteral("\"\"")) + kQuote;
        } else {
            line += value;
        }
        line += pieces[k];
    }
    return line;
}

} // namespace scrub
