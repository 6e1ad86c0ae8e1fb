#include "platform/files/TextFormat.h"

#include "platform/files/CodePage.h"
#include "platform/files/TextTable.h"

#include <cstdint>
#include <cstring>

namespace files {

bool isValidUtf8(const char* data, qsizetype size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    while (i < size) {
        // A whole list is checked before it is read, and a calling list is
        // nearly all ASCII: eight bytes without a high bit are passed at once.
        while (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, p + i, sizeof word);
            if (word & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= size) break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned min;
        unsigned cp;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= size) return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char t = p[i + k];
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

QString decodeText(const char* data, qsizetype size, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8) return QString::fromUtf8(data, size);
    static const CodePage cp1252(1252);
    return cp1252.decode(data, size);
}

QByteArray encodeText(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8) return text.toUtf8();
    static const CodePage cp1252(1252);
    bool lossless = true;
    QByteArray out = cp1252.encode(text, &lossless);
    if (lossless) return out;
    out.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Surrogate pairs travel together.
        const qsizetype n = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString ch = text.mid(i, n);
        bool one = true;
        const QByteArray b = cp1252.encode(ch, &one);
        out += one ? b : ch.toUtf8();
        i += n - 1;
    }
    return out;
}

bool needsQuotes(const QString& value, char delimiter)
{
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\r' || u == u'\n' || u == static_cast<unsigned char>(delimiter)) return true;
    }
    return false;
}

QByteArray formatField(const QString& value, bool quoted, const TextLayout& layout)
{
    const QByteArray bytes = encodeText(value, layout.encoding);
    if (!quoted && !needsQuotes(value, layout.delimiter)) return bytes;
    QByteArray out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (const char c : bytes) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

QByteArray formatRecord(const QStringList& values, const TextLayout& layout)
{
    QByteArray out;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) out += layout.delimiter;
        out += formatField(values[i], layout.isQuoted(static_cast<int>(i)), layout);
    }
    out += layout.lineEnd;
    return out;
}

QByteArray replaceFields(const TextRecord& record, const QHash<int, QString>& values,
                         const TextLayout& layout)
{
    const QByteArray body = record.raw.left(record.raw.size() - record.lineEndLength);
    int last = record.fieldCount() - 1;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        last = std::max(last, it.key());

    QByteArray out;
    out.reserve(record.raw.size() + 16);
    qsizetype copied = 0; // bytes of body already in out
    for (int i = 0; i <= last; ++i) {
        const auto it = values.constFind(i);
        if (i < record.fieldCount()) {
            if (it == values.cend()) continue;
            const TextField& f = record.fields[i];
            out += body.mid(copied, f.start - copied);
            out += formatField(it.value(), f.quoted, layout);
            copied = f.start + f.length;
        } else {
            if (copied < body.size()) {
                out += body.mid(copied);
                copied = body.size();
            }
            if (i > 0) out += layout.delimiter;
            if (it != values.cend()) out += formatField(it.value(), layout.isQuoted(i), layout);
        }
    }
    if (copied < body.size()) out += body.mid(copied);
    out += record.lineEnd();
    return out;
}

} // namespace files
