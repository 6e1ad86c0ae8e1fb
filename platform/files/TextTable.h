#pragma once
// Delimited text files read as tables the way the Jet text driver reads them:
// one record per line (a quoted value may hold separators and line ends),
// column names from a header line or F1, F2, ..., column types guessed from
// the first rows. Reading streams: a record at a time, each with its byte
// offset and its bytes as they stand in the file, so a caller can address a
// record by offset and write untouched records back byte for byte.

#include "platform/files/TextFormat.h"
#include "platform/vb/Variant.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

namespace files {

struct TextOptions {
    bool header = true;   // HDR=Yes: the first line names the columns
    char delimiter = ','; // FMT=Delimited
    int scanRows = 25;    // data rows read to guess the column types
    // LineRecords=Yes: every line is a record of its own. A quote opens no
    // value that runs on past the line end, and a line that cannot be read
    // as such (a quote left open, a NUL byte) is passed over, so one bad
    // line costs that line only.
    bool lineRecords = false;

    // Reads the driver's extended properties, such as "text;HDR=No;FMT=Delimited".
    // HDR is Yes unless it says No (or False, 0); FMT Delimited, CSVDelimited
    // or none gives ",", TabDelimited a tab and Delimited(x) the character x.
    static TextOptions fromExtendedProperties(const QString& properties);
};

// One field of a record as it stands in the record's bytes.
struct TextField {
    qsizetype start = 0;  // in TextRecord::raw; leading blanks and the opening quote included
    qsizetype length = 0; // up to the separator or line end, closing quote included
    bool quoted = false;
};

struct TextRecord {
    qint64 offset = -1;    // file offset of the record's first byte
    QByteArray raw;        // the record's bytes, its line end included
    int lineEndLength = 0; // 2 for CRLF, 1 for CR or LF, 0 for a last line without one
    QVector<TextField> fields;

    int fieldCount() const { return static_cast<int>(fields.size()); }
    QByteArray lineEnd() const { return raw.right(lineEndLength); }
    qint64 nextOffset() const { return offset + raw.size(); }
    // The field's bytes with the quotes taken off and doubled quotes undone
    // (an unquoted field as it stands, blanks included). Empty past the end.
    QByteArray fieldBytes(int index) const;
};

// A forward reader over a delimited file. Empty lines are no records: they
// are skipped, so the bytes between one record's nextOffset() and the next
// record's offset are empty lines; so are the lines that cannot be read
// when every line is a record of its own (lineRecords).
class TextReader {
public:
    TextReader(const QString& path, char delimiter, qint64 start = 0, bool lineRecords = false);
    TextReader(TextReader&&) noexcept;
    TextReader& operator=(TextReader&&) noexcept;
    ~TextReader();

    // Reads the next record; false at the end of the file.
    bool next(TextRecord& record);
    // Moves past the next record without keeping it; false at the end.
    bool skip();
    // The next record read starts at this file offset.
    void seek(qint64 offset);
    qint64 position() const;

private:
    bool scan(TextRecord* record);
    bool fill();

    std::unique_ptr<QFile> m_file;
    QByteArray m_buf;
    qint64 m_bufOffset = 0; // file offset of m_buf[0]
    qsizetype m_pos = 0;    // next unread byte in m_buf
    bool m_eof = false;
    char m_delimiter = ',';
    bool m_lineRecords = false;
    bool m_stop[256] = {}; // bytes that end an unquoted stretch: line ends and the separator
};

// Every text reader of the program reads bytes in UTF-8 or Windows-1252;
// a UTF-16 text (a byte-order mark, or its first two characters ASCII in
// UTF-16) is none of them. The refusal each reader gives such a file, or ""
// when it is not UTF-16 or cannot be opened (the reader's open says why).
QString Utf16Refusal(const QString& path);

enum class TextColumnType { Text, Long, Double };

struct TextColumn {
    QString name;
    TextColumnType type = TextColumnType::Text;
};

class TextTable {
public:
    // Opens the file and reads its header and first rows. Raises 53 when the
    // file does not exist and 70 when it cannot be read.
    explicit TextTable(const QString& path, const TextOptions& options = {});

    const QString& path() const { return m_path; }
    const TextOptions& options() const { return m_options; }
    TextEncoding encoding() const { return m_encoding; }
    bool hasBom() const { return m_bom; }

    const QVector<TextColumn>& columns() const { return m_columns; }
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    // Index of a column by name, without regard to case; -1 when none.
    int columnIndex(const QString& name) const;

    // The header line as it stands (empty without HDR), and the offset of
    // the first data record.
    const QByteArray& headerBytes() const { return m_headerRaw; }
    qint64 dataOffset() const { return m_dataOffset; }
    // The line end of the file's first line (CRLF for a file of one line without one).
    QByteArray lineEnd() const { return m_lineEnd; }

    // Raises 75 naming the file and the line when a quote is still open at
    // the file's end (never with LineRecords), which a list that is to be
    // rewritten must not have.
    void RefuseOpenQuote() const;

    // Number of data records; counted on first use with one pass over the file.
    qint64 recordCount();

    // The table's own cursor: rewind() goes to the first data record,
    // seek() to a record offset taken from TextRecord::offset.
    void rewind();
    void seek(qint64 offset);
    bool next(TextRecord& record);
    // A further independent cursor, positioned on the first data record.
    TextReader reader() const;

    // A field as text: decoded, an unquoted one without surrounding blanks.
    // A field the record lacks is a null QString.
    QString text(const TextRecord& record, int column) const;
    // A field as the column's type: empty -> Null; a Long column gives Long
    // (Double past 32 bits); a Double column Double; a value that does not
    // read as the column's type comes back as its text, never as Null.
    vb::Variant value(const TextRecord& record, int column) const;

    // The layout of a record (this table's separator, encoding and the
    // record's quoting and line end) for writing lines the same way.
    TextLayout layoutOf(const TextRecord& record) const;

private:
    QString m_path;
    TextOptions m_options;
    TextEncoding m_encoding = TextEncoding::Utf8;
    bool m_bom = false;
    QVector<TextColumn> m_columns;
    QByteArray m_headerRaw;
    qint64 m_dataOffset = 0;
    QByteArray m_lineEnd = "\r\n";
    qint64 m_count = -1;
    qint64 m_openQuoteLine = 0; // the line a quote left open at the end opens on
    TextReader m_reader;
};

} // namespace files
