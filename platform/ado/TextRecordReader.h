#pragma once
// Reading the records of a text table without copies: each record is a
// view into the reader's buffer, its fields spans of it.

#include <QFile>
#include <QString>
#include <vector>

namespace ado::text {

// A field of the current record in the reader's buffer.
struct FieldSpan {
    qsizetype start = 0;  // from the record's first byte; blanks and the opening quote included
    qsizetype length = 0; // up to the separator or line end
    bool quoted = false;
};

// A forward reader over the records of a delimited file, by the rules of
// files::TextReader (a quoted value may hold separators and line ends, an
// empty line is no record, CR, LF and CRLF end a line), that hands out each
// record as a view into its buffer instead of a copy: the national lists it
// reads run to tens of millions of short lines, where a copy, a field list
// and a text per field cost several times the parsing itself. The view
// stays valid until the next read or seek.
class RecordReader {
public:
    RecordReader(const QString& path, char delimiter, bool lineRecords = false);

    // The next record read starts at this file offset.
    void seek(qint64 offset)
    {
        if (offset < 0) offset = 0;
        if (offset >= m_bufOffset && offset <= m_bufOffset + m_end) {
            m_pos = offset - m_bufOffset;
            return;
        }
        m_bufOffset = offset;
        m_pos = 0;
        m_end = 0;
        m_eof = false;
        // a jump reads little at first: an index block is a few kilobytes
        m_readSize = kFirstRead;
        m_file.seek(offset);
    }

    qint64 position() const { return m_bufOffset + m_pos; }

    // Reads the next record, its fields too when asked; false at the end.
    bool next(bool withFields);

    qint64 offset() const { return m_recOffset; }
    const char* data() const { return m_buf.data() + m_recStart; }
    qsizetype size() const { return m_recSize; } // without the line end
    int lineEndLength() const { return m_recEol; }
    const std::vector<FieldSpan>& fields() const { return m_fields; }

private:
    enum : uchar { Plain, Blank, Quote, Delimiter, LineEnd };
    static constexpr qsizetype kFirstRead = 64 * 1024;
    static constexpr qsizetype kMostRead = 1024 * 1024;

    bool takeLine(qsizetype end, int eol, bool unreadable);
    bool fill();

    QFile m_file;
    std::vector<char> m_buf;
    qint64 m_bufOffset = 0; // file offset of m_buf[0]
    qsizetype m_pos = 0;    // next unread byte
    qsizetype m_end = 0;    // end of the bytes read
    qsizetype m_readSize = kFirstRead;
    bool m_eof = false;
    bool m_lineRecords = false;
    uchar m_class[256];
    qint64 m_recOffset = -1;
    qsizetype m_recStart = 0;
    qsizetype m_recSize = 0;
    int m_recEol = 0;
    std::vector<FieldSpan> m_fields;
};

inline bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Printable ASCII and blanks: bytes that read the same in every encoding
// the text tables know, so their text needs no decoding.
inline bool isPlainAscii(const char* p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        const uchar c = uchar(p[i]);
        if (c > 0x7e || (c < 0x20 && !(c >= '\t' && c <= '\r'))) return false;
    }
    return true;
}

} // namespace ado::text
