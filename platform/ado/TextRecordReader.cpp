#include "platform/ado/TextRecordReader.h"

#include "platform/ado/TextProvider.h"
#include "platform/vb/Err.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace ado {

namespace {

qint64 gLinesPassedOver = 0;

} // namespace

qint64 TextLinesPassedOver()
{
    return gLinesPassedOver;
}

namespace text {

RecordReader::RecordReader(const QString& path, char delimiter, bool lineRecords)
    : m_file(path), m_lineRecords(lineRecords)
{
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (!QFileInfo::exists(path))
            vb::Raise(vb::errnum::FileNotFound, QStringLiteral("files::TextTable"),
                      QStringLiteral("Could not find file '%1'.").arg(path));
        vb::Raise(vb::errnum::PermissionDenied, QStringLiteral("files::TextTable"),
                  QStringLiteral("Cannot read file '%1'.").arg(path));
    }
    for (int c = 0; c < 256; ++c)
        m_class[c] = Plain;
    m_class[uchar(' ')] = Blank;
    m_class[uchar('\t')] = Blank;
    m_class[uchar('"')] = Quote;
    m_class[uchar(delimiter)] = Delimiter;
    m_class[uchar('\r')] = LineEnd;
    m_class[uchar('\n')] = LineEnd;
}

bool RecordReader::next(bool withFields)
{
    enum State { Start, Unquoted, Quoted, AfterQuote };
    for (;;) {
        if (m_pos >= m_end && !fill()) return false;
        m_fields.clear();
        State st = Start;
        qsizetype j = 0;
        qsizetype fieldStart = 0;
        bool quoted = false;
        qsizetype end = 0;
        int eol = 0;
        bool unreadable = false;
        auto endField = [&](qsizetype at) {
            if (withFields) m_fields.push_back(FieldSpan{fieldStart, at - fieldStart, quoted});
        };
        for (;;) {
            if (m_pos + j >= m_end && !fill()) {
                end = j;
                endField(j);
                break;
            }
            if (st == Quoted && m_lineRecords) {
                // The line end ends the record even inside quotes; the
                // open quote makes the line unreadable.
                const char* b = m_buf.data() + m_pos;
                const qsizetype n = m_end - m_pos;
                while (j < n && b[j] != '"' && b[j] != '\r' && b[j] != '\n')
                    ++j;
                if (j >= n) continue;
                if (b[j] != '"') {
                    unreadable = true;
                    st = AfterQuote;
                    continue;
                }
            }
            if (st == Quoted) {
                // Only a quote can end a quoted field; line ends inside it are text.
                const char* from = m_buf.data() + m_pos + j;
                const void* q = std::memchr(from, '"', size_t(m_end - m_pos - j));
                if (!q) {
                    j = m_end - m_pos;
                    continue;
                }
                j += static_cast<const char*>(q) - from;
                if (m_pos + j + 1 < m_end || fill()) {
                    if (m_buf[size_t(m_pos + j + 1)] == '"') {
                        j += 2;
                        continue;
                    }
                }
                st = AfterQuote;
                ++j;
                continue;
            }
            if (st != Start) {
                // The rest of a field: only a separator or a line end matters.
                const char* b = m_buf.data() + m_pos;
                const qsizetype n = m_end - m_pos;
                while (j < n && m_class[uchar(b[j])] < Delimiter)
                    ++j;
                if (j >= n) continue;
            }
            const char c = m_buf[size_t(m_pos + j)];
            const uchar k = m_class[uchar(c)];
            if (k == Plain) {
                if (st == Start) st = Unquoted;
                ++j;
            } else if (k == LineEnd) {
                end = j;
                endField(j);
                eol = 1;
                if (c == '\r' && (m_pos + j + 1 < m_end || fill()) && m_buf[size_t(m_pos + j + 1)] == '\n')
                    eol = 2;
                break;
            } else if (k == Delimiter) {
                endField(j);
                ++j;
                fieldStart = j;
                quoted = false;
                st = Start;
            } else if (k == Quote) {
                if (st == Start) {
                    quoted = true;
                    st = Quoted;
                }
                ++j;
            } else { // a blank
                ++j;
            }
        }
        if (takeLine(end, eol, unreadable)) return true;
    }
}

// Moves past the line found at m_pos, end bytes and a line end of eol; true
// when it is the next record, false when it is none (an empty line) or one
// that cannot be read (a quote left open or a NUL byte, read a line per
// record).
inline bool RecordReader::takeLine(qsizetype end, int eol, bool unreadable)
{
    if (end == 0 && eol > 0) { // an empty line is no record
        m_pos += eol;
        return false;
    }
    if (m_lineRecords && (unreadable || std::memchr(m_buf.data() + m_pos, 0, size_t(end)))) {
        ++gLinesPassedOver;
        m_pos += end + eol;
        return false;
    }
    m_recOffset = m_bufOffset + m_pos;
    m_recStart = m_pos;
    m_recSize = end;
    m_recEol = eol;
    m_pos += end + eol;
    return true;
}

// Appends more of the file, keeping the bytes from m_pos on.
inline bool RecordReader::fill()
{
    if (m_eof) return false;
    if (m_pos > 0) {
        std::memmove(m_buf.data(), m_buf.data() + m_pos, size_t(m_end - m_pos));
        m_bufOffset += m_pos;
        m_end -= m_pos;
        m_pos = 0;
    }
    if (qsizetype(m_buf.size()) < m_end + m_readSize) m_buf.resize(size_t(m_end + m_readSize));
    const qint64 n = m_file.read(m_buf.data() + m_end, m_readSize);
    if (n <= 0) {
        m_eof = true;
        return false;
    }
    m_end += n;
    // reading on from where the last read ended: larger reads
    m_readSize = std::min(m_readSize * 2, kMostRead);
    return true;
}

} // namespace text

} // namespace ado
