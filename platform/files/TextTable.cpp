#include "platform/files/TextTable.h"

#include "platform/vb/Err.h"

#include <QFileInfo>
#include <QSet>
#include <cstdint>
#include <cstring>
#include <limits>

namespace files {

namespace {

constexpr qint64 kChunk = 1 << 18;
const QString kSource = QStringLiteral("files::TextTable");
// The most columns a table of the text driver can have (the embedded
// database's own limit). A line with more fields is no table row: most
// often a file whose line ends were lost, read as one endless line.
constexpr int kMaxColumns = 2000;

[[noreturn]] void RefuseTooManyFields(const QString& path, qint64 line, int fields)
{
    vb::Raise(vb::errnum::PathFileAccessError, kSource,
              QStringLiteral("Line %1 of '%2' holds %3 fields, more than the %4 columns a table can have. "
                             "Does the file lack its line ends?")
                  .arg(line)
                  .arg(path)
                  .arg(fields)
                  .arg(kMaxColumns));
}

[[noreturn]] void raiseOpen(const QString& path)
{
    if (!QFileInfo::exists(path))
        vb::Raise(vb::errnum::FileNotFound, kSource, QStringLiteral("Could not find file '%1'.").arg(path));
    vb::Raise(vb::errnum::PermissionDenied, kSource, QStringLiteral("Cannot read file '%1'.").arg(path));
}

// How a value reads as a number. Only plain decimal notation counts, and a
// value that a number would not give back unchanged (a leading zero such as
// "0123", more digits than a Double holds) stays text.
enum class NumberKind { None, Int32, Integer, Decimal };

NumberKind classify(const QString& t)
{
    const qsizetype n = t.size();
    qsizetype i = 0;
    if (i < n && t[i] == QLatin1Char('-')) ++i;
    const qsizetype intStart = i;
    while (i < n && t[i].isDigit() && t[i].unicode() < 0x80)
        ++i;
    const qsizetype intDigits = i - intStart;
    qsizetype fracDigits = 0;
    bool point = false;
    if (i < n && t[i] == QLatin1Char('.')) {
        point = true;
        ++i;
        const qsizetype fracStart = i;
        while (i < n && t[i].isDigit() && t[i].unicode() < 0x80)
            ++i;
        fracDigits = i - fracStart;
        if (fracDigits == 0) return NumberKind::None;
    }
    if (i != n || intDigits + fracDigits == 0) return NumberKind::None;
    if (intDigits > 1 && t[intStart] == QLatin1Char('0')) return NumberKind::None;
    if (intDigits + fracDigits > 15) return NumberKind::None;
    if (point) return NumberKind::Decimal;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (ok && v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
        return NumberKind::Int32;
    return NumberKind::Integer;
}

struct ColumnGuess {
    bool sawValue = false;
    bool allNumbers = true;
    bool beyondLong = false;

    void add(const QString& t)
    {
        if (t.isEmpty()) return;
        sawValue = true;
        const NumberKind k = classify(t);
        if (k == NumberKind::None)
            allNumbers = false;
        else if (k != NumberKind::Int32)
            beyondLong = true;
    }
    TextColumnType type() const
    {
        if (!sawValue || !allNumbers) return TextColumnType::Text;
        return beyondLong ? TextColumnType::Double : TextColumnType::Long;
    }
};

// Splits extended properties at ";" outside parentheses, so that
// FMT=Delimited(;) stays one item.
QStringList splitProperties(const QString& s)
{
    QStringList out;
    QString cur;
    int depth = 0;
    for (const QChar c : s) {
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && depth > 0)
            --depth;
        if (c == QLatin1Char(';') && depth == 0) {
            out << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    out << cur;
    return out;
}

// Counts records the way TextReader::scan finds them, over bytes fed in
// pieces of any size, so that the pass that settles the encoding counts
// them too. Only where a record ends matters: a line end outside a quoted
// field ends a record that holds at least one byte (a CR LF pair is a
// record end and an empty line, which is no record).
class RecordCounter {
public:
    explicit RecordCounter(char delimiter) : m_delimiter(delimiter)
    {
        m_stop[static_cast<unsigned char>('\r')] = true;
        m_stop[static_cast<unsigned char>('\n')] = true;
        m_stop[static_cast<unsigned char>(delimiter)] = true;
    }

    void feed(const char* data, qsizetype size)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        const qint64 fedBefore = m_fed;
        m_fed += size;
        State st = m_state;
        bool inRecord = m_inRecord;
        qint64 count = m_count;
        qsizetype i = 0;
        while (i < size) {
            switch (st) {
            case State::Quoted: {
                // Only a quote can end a quoted field; line ends inside it are text.
                const void* q = std::memchr(p + i, '"', size_t(size - i));
                if (!q) {
                    i = size;
                    break;
                }
                i = static_cast<const unsigned char*>(q) - p + 1;
                st = State::QuoteInQuoted;
                break;
            }
            case State::QuoteInQuoted:
                if (p[i] == '"') { // a doubled quote: still inside the field
                    st = State::Quoted;
                    ++i;
                } else {
                    st = State::AfterQuote; // the byte is read again as such
                }
                break;
            case State::Unquoted:
            case State::AfterQuote: {
                const qsizetype from = i;
                while (i < size && !m_stop[p[i]])
                    ++i;
                if (i > from) inRecord = true;
                if (i == size) break;
                const unsigned char c = p[i++];
                if (c == '\r' || c == '\n') {
                    if (inRecord) ++count;
                    inRecord = false;
                } else {
                    inRecord = true; // the separator
                }
                st = State::Start;
                break;
            }
            case State::Start: {
                const unsigned char c = p[i++];
                if (c == '\r' || c == '\n') {
                    if (inRecord) ++count;
                    inRecord = false;
                    break;
                }
                inRecord = true;
                if (c == static_cast<unsigned char>(m_delimiter)) break;
                if (c == '"') {
                    st = State::Quoted;
                    m_quoteAt = fedBefore + i - 1;
                } else if (c != ' ' && c != '\t')
                    st = State::Unquoted;
                break;
            }
            }
        }
        m_state = st;
        m_inRecord = inRecord;
        m_count = count;
    }

    // The count once every byte was fed: a last record without a line end counts.
    qint64 total() const { return m_count + (m_inRecord ? 1 : 0); }
    // Where (counted in the bytes fed) the quote opens that is still open
    // once every byte was fed; -1 when none is.
    qint64 openQuote() const { return m_state == State::Quoted ? m_quoteAt : -1; }

private:
    enum class State : std::uint8_t { Start, Unquoted, Quoted, QuoteInQuoted, AfterQuote };
    char m_delimiter;
    bool m_stop[256] = {}; // bytes that end an unquoted stretch: line ends and the separator
    State m_state = State::Start;
    bool m_inRecord = false;
    qint64 m_count = 0;
    qint64 m_fed = 0;
    qint64 m_quoteAt = -1;
};

// The line (from 1) the byte at offset lies on.
qint64 LineAt(const QString& path, qint64 offset)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    qint64 line = 1;
    const QByteArray head = f.read(offset);
    return line + head.count('\n');
}

} // namespace

QString Utf16Refusal(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = f.read(4);
    const auto at = [&](int i) { return i < head.size() ? int(quint8(head[i])) : -1; };
    const bool mark = (at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF);
    const auto ascii = [](int c) { return c > 0 && c < 0x80; };
    const bool little = ascii(at(0)) && at(1) == 0 && ascii(at(2)) && at(3) == 0;
    const bool big = at(0) == 0 && ascii(at(1)) && at(2) == 0 && ascii(at(3));
    if (!mark && !little && !big) return {};
    return QStringLiteral("The file '%1' is UTF-16 text, which is not a text this program can read! Please "
                          "save it as plain text first.")
        .arg(path);
}

// ---------------------------------------------------------------- options

TextOptions TextOptions::fromExtendedProperties(const QString& properties)
{
    TextOptions o;
    QString props = properties.trimmed();
    if (props.size() >= 2 && props.startsWith(QLatin1Char('"')) && props.endsWith(QLatin1Char('"')))
        props = props.mid(1, props.size() - 2);
    for (const QString& item : splitProperties(props)) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = item.left(eq).trimmed();
        const QString value = item.mid(eq + 1).trimmed();
        if (key.compare(QLatin1String("HDR"), Qt::CaseInsensitive) == 0) {
            o.header = !(value.compare(QLatin1String("No"), Qt::CaseInsensitive) == 0 ||
                         value.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 ||
                         value == QLatin1String("0"));
        } else if (key.compare(QLatin1String("FMT"), Qt::CaseInsensitive) == 0) {
            if (value.compare(QLatin1String("TabDelimited"), Qt::CaseInsensitive) == 0) {
                o.delimiter = '\t';
            } else if (value.startsWith(QLatin1String("Delimited("), Qt::CaseInsensitive) &&
                       value.endsWith(QLatin1Char(')')) && value.size() == 12 && value[10].unicode() < 0x80 &&
                       value[10] != QLatin1Char('"')) {
                o.delimiter = static_cast<char>(value[10].unicode());
            } else {
                o.delimiter = ',';
            }
        } else if (key.compare(QLatin1String("LineRecords"), Qt::CaseInsensitive) == 0) {
            o.lineRecords = value.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0;
        } else if (key.compare(QLatin1String("MaxScanRows"), Qt::CaseInsensitive) == 0) {
            bool ok = false;
            const int n = value.toInt(&ok);
            if (ok && n > 0) o.scanRows = n;
        }
    }
    return o;
}

// ---------------------------------------------------------------- records

QByteArray TextRecord::fieldBytes(int index) const
{
    if (index < 0 || index >= fields.size()) return {};
    const TextField& f = fields[index];
    const char* p = raw.constData() + f.start;
    const qsizetype n = f.length;
    if (!f.quoted) return QByteArray(p, n);
    qsizetype k = 0;
    while (k < n && p[k] != '"')
        ++k;
    ++k;
    QByteArray out;
    out.reserve(n);
    while (k < n) {
        if (p[k] == '"') {
            if (k + 1 < n && p[k + 1] == '"') {
                out += '"';
                k += 2;
                continue;
            }
            ++k;
            break;
        }
        out += p[k++];
    }
    // Text after the closing quote is kept as it stands, without its blanks.
    if (k < n) out += QByteArray(p + k, n - k).trimmed();
    return out;
}

// ---------------------------------------------------------------- reader

TextReader::TextReader(const QString& path, char delimiter, qint64 start, bool lineRecords)
    : m_file(std::make_unique<QFile>(path)), m_delimiter(delimiter), m_lineRecords(lineRecords)
{
    // Read in large pieces straight into the reader's own buffer.
    if (!m_file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) raiseOpen(path);
    m_stop[unsigned('\r')] = true;
    m_stop[unsigned('\n')] = true;
    m_stop[static_cast<unsigned char>(delimiter)] = true;
    seek(start);
}

TextReader::TextReader(TextReader&&) noexcept = default;
TextReader& TextReader::operator=(TextReader&&) noexcept = default;
TextReader::~TextReader() = default;

void TextReader::seek(qint64 offset)
{
    if (offset < 0) offset = 0;
    if (offset >= m_bufOffset && offset <= m_bufOffset + m_buf.size()) {
        m_pos = offset - m_bufOffset;
        return;
    }
    m_buf.resize(0); // keeps the buffer's room
    m_bufOffset = offset;
    m_pos = 0;
    m_eof = false;
    m_file->seek(offset);
}

qint64 TextReader::position() const
{
    return m_bufOffset + m_pos;
}

bool TextReader::fill()
{
    if (m_eof) return false;
    const qsizetype kept = m_buf.size() - m_pos;
    if (m_pos > 0) {
        // Only the unread tail (part of one record) moves to the front.
        std::memmove(m_buf.data(), m_buf.constData() + m_pos, size_t(kept));
        m_bufOffset += m_pos;
        m_pos = 0;
    }
    m_buf.resize(kept + kChunk);
    const qint64 n = m_file->read(m_buf.data() + kept, kChunk);
    if (n <= 0) {
        m_buf.resize(kept);
        m_eof = true;
        return false;
    }
    m_buf.resize(kept + n);
    return true;
}

bool TextReader::next(TextRecord& record)
{
    return scan(&record);
}

bool TextReader::skip()
{
    return scan(nullptr);
}

bool TextReader::scan(TextRecord* record)
{
    enum class State { Start, Unquoted, Quoted, AfterQuote };
    for (;;) {
        if (m_pos >= m_buf.size() && !fill()) return false;
        // The record's bytes from m_pos on; filling may move them, but always
        // keeps the record's start at m_pos.
        const char* p = m_buf.constData() + m_pos;
        qsizetype n = m_buf.size() - m_pos;
        const auto more = [&] {
            if (!fill()) return false;
            p = m_buf.constData() + m_pos;
            n = m_buf.size() - m_pos;
            return true;
        };
        State st = State::Start;
        qsizetype j = 0;
        qsizetype fieldStart = 0;
        bool quoted = false;
        qsizetype end = 0;
        int eol = 0;
        bool unreadable = false; // a quote left open at the line end (lineRecords)
        // The fields are written over those of the record's last read and
        // the list cut to length at the end: no growth check per field.
        qsizetype fieldCount = 0;
        const auto endField = [&](qsizetype at) {
            if (!record) return;
            const TextField f{fieldStart, at - fieldStart, quoted};
            if (fieldCount < record->fields.size())
                record->fields.data()[fieldCount] = f;
            else
                record->fields.push_back(f);
            ++fieldCount;
        };
        for (;;) {
            if (j >= n && !more()) {
                end = j;
                endField(j);
                break;
            }
            if (st == State::Quoted && m_lineRecords) {
                // The line end ends the record even inside quotes; the open
                // quote makes the line unreadable.
                while (j < n && p[j] != '"' && p[j] != '\r' && p[j] != '\n')
                    ++j;
                if (j >= n) continue;
                if (p[j] != '"') {
                    unreadable = true;
                    st = State::AfterQuote;
                    continue;
                }
            }
            if (st == State::Quoted) {
                // Only a quote can end a quoted field; line ends inside it are text.
                const void* q = std::memchr(p + j, '"', size_t(n - j));
                if (!q) {
                    j = n;
                    continue;
                }
                j = static_cast<const char*>(q) - p;
                if (j + 1 < n || more()) {
                    if (p[j + 1] == '"') { // a doubled quote: still inside the field
                        j += 2;
                        continue;
                    }
                }
                st = State::AfterQuote;
                ++j;
                continue;
            }
            if (st != State::Start) {
                // The rest of a field: only a separator or a line end matters.
                while (j < n && !m_stop[static_cast<unsigned char>(p[j])])
                    ++j;
                if (j >= n) continue;
            }
            const char c = p[j];
            if (c == '\r' || c == '\n') {
                end = j;
                endField(j);
                eol = 1;
                if (c == '\r' && (j + 1 < n || more()) && p[j + 1] == '\n') eol = 2;
                break;
            }
            if (c == m_delimiter) {
                endField(j);
                ++j;
                fieldStart = j;
                quoted = false;
                st = State::Start;
                continue;
            }
            if (c == '"') {
                quoted = true;
                st = State::Quoted;
            } else if (c != ' ' && c != '\t') {
                st = State::Unquoted;
            }
            ++j;
        }
        if (end == 0 && eol > 0) { // an empty line is no record
            m_pos += eol;
            continue;
        }
        if (m_lineRecords && (unreadable || std::memchr(p, 0, size_t(end)))) {
            m_pos += end + eol;
            continue;
        }
        if (record) {
            record->fields.resize(fieldCount);
            record->offset = m_bufOffset + m_pos;
            // A record read into again keeps its buffer: no allocation per
            // record when a caller reuses its records.
            const qsizetype size = end + eol;
            if (record->raw.isDetached() && record->raw.capacity() >= size) {
                record->raw.resize(size);
                std::memcpy(record->raw.data(), m_buf.constData() + m_pos, size_t(size));
            } else {
                record->raw = QByteArray(m_buf.constData() + m_pos, size);
            }
            record->lineEndLength = eol;
        }
        m_pos += end + eol;
        return true;
    }
}

// ---------------------------------------------------------------- table

void TextTable::RefuseOpenQuote() const
{
    // A quoted value may hold line ends, but one still open at the end would
    // take every later line into one value.
    if (m_openQuoteLine > 0)
        vb::Raise(vb::errnum::PathFileAccessError, kSource,
                  QStringLiteral("The file '%1' is damaged: the quote opened on line %2 is never closed, so "
                                 "every line after it would be read as one value.")
                      .arg(m_path)
                      .arg(m_openQuoteLine));
}

TextTable::TextTable(const QString& path, const TextOptions& options)
    : m_path(path), m_options(options), m_reader(path, options.delimiter, 0, options.lineRecords)
{
    if (m_options.scanRows < 1) m_options.scanRows = 1;

    // The encoding is settled for the whole file before anything is decoded,
    // so that every field decodes, and encodes back, the same way. The same
    // pass counts the records (the header line among them), so that the
    // count costs no pass of its own.
    qint64 counted = -1;
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) raiseOpen(path);
        if (const QString why = Utf16Refusal(path); !why.isEmpty())
            vb::Raise(vb::errnum::PathFileAccessError, kSource, why);
        QByteArray carry = f.read(3);
        m_bom = carry == QByteArray("\xEF\xBB\xBF", 3);
        if (m_bom) carry.clear();
        RecordCounter counter(m_options.delimiter);
        counter.feed(carry.constData(), carry.size());
        bool valid = true;
        while (valid) {
            const QByteArray chunk = f.read(1 << 20);
            counter.feed(chunk.constData(), chunk.size());
            QByteArray data = carry + chunk;
            if (chunk.isEmpty()) {
                valid = isValidUtf8(data.constData(), data.size());
                // The whole file was read: the count is complete.
                counted = counter.total();
                if (counter.openQuote() >= 0 && !m_options.lineRecords)
                    m_openQuoteLine = LineAt(path, counter.openQuote() + (m_bom ? 3 : 0));
                break;
            }
            // Keep back a sequence cut by the chunk's end.
            qsizetype cut = data.size();
            for (qsizetype k = data.size() - 1; k >= 0 && k >= data.size() - 4; --k) {
                const auto b = static_cast<unsigned char>(data[k]);
                if ((b & 0xC0) == 0x80) continue;
                if (b >= 0xC0) cut = k;
                break;
            }
            valid = isValidUtf8(data.constData(), cut);
            carry = data.mid(cut);
        }
        m_encoding = valid ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    }

    const qint64 start = m_bom ? 3 : 0;
    m_dataOffset = start;
    QStringList headerNames;
    TextRecord rec;
    bool haveLineEnd = false;
    // The title line is read as it stands, never passed over: one that
    // cannot be read is refused below, naming the file and the line.
    TextReader titleReader(path, m_options.delimiter, start);
    if (m_options.header && titleReader.next(rec)) {
        if (counted > 0) --counted; // the header line is no data record
        if (rec.fieldCount() > kMaxColumns) RefuseTooManyFields(path, 1, rec.fieldCount());
        m_headerRaw = rec.raw;
        m_dataOffset = rec.nextOffset();
        for (int i = 0; i < rec.fieldCount(); ++i) {
            headerNames << text(rec, i);
            // A name with a NUL byte cannot stand in a statement: the file
            // is refused here, where its name and line can still be told.
            if (headerNames.back().contains(QChar(0)))
                vb::Raise(vb::errnum::PathFileAccessError, kSource,
                          QStringLiteral("Line 1 of '%1' holds a NUL byte: its column names cannot be read.")
                              .arg(path));
        }
        if (rec.lineEndLength > 0) {
            m_lineEnd = rec.lineEnd();
            haveLineEnd = true;
        }
    }

    m_reader.seek(m_dataOffset);
    QVector<ColumnGuess> guesses;
    int width = static_cast<int>(headerNames.size());
    for (int row = 0; row < m_options.scanRows && m_reader.next(rec); ++row) {
        if (rec.fieldCount() > kMaxColumns)
            RefuseTooManyFields(path, LineAt(path, rec.offset), rec.fieldCount());
        if (!haveLineEnd && rec.lineEndLength > 0) {
            m_lineEnd = rec.lineEnd();
            haveLineEnd = true;
        }
        // A header fixes the columns; without one the widest row does.
        if (!m_options.header || m_headerRaw.isEmpty()) width = std::max(width, rec.fieldCount());
        if (guesses.size() < width) guesses.resize(width);
        for (int i = 0; i < std::min(width, rec.fieldCount()); ++i)
            guesses[i].add(text(rec, i));
    }
    guesses.resize(width);

    // Names: the header's, with an empty or repeated one named by its
    // position like a headerless column; F1, F2, ... without a header.
    QSet<QString> taken;
    m_columns.resize(width);
    for (int i = 0; i < width; ++i) {
        QString name = i < headerNames.size() ? headerNames[i].trimmed() : QString();
        if (name.isEmpty() || taken.contains(name.toLower())) {
            const QString base = QStringLiteral("F%1").arg(i + 1);
            name = base;
            for (int k = 1; taken.contains(name.toLower()); ++k)
                name = base + QLatin1Char('_') + QString::number(k);
        }
        taken.insert(name.toLower());
        m_columns[i].name = name;
        m_columns[i].type = guesses[i].type();
    }
    // -1 (counted on first use) when the check stopped early, or when lines
    // that cannot be read are passed over, which the check does not see.
    m_count = m_options.lineRecords ? -1 : counted;
    rewind();
}

int TextTable::columnIndex(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

qint64 TextTable::recordCount()
{
    if (m_count < 0) {
        TextReader r = reader();
        qint64 n = 0;
        while (r.skip())
            ++n;
        m_count = n;
    }
    return m_count;
}

void TextTable::rewind()
{
    m_reader.seek(m_dataOffset);
}

void TextTable::seek(qint64 offset)
{
    m_reader.seek(std::max(offset, m_dataOffset));
}

bool TextTable::next(TextRecord& record)
{
    return m_reader.next(record);
}

TextReader TextTable::reader() const
{
    return TextReader(m_path, m_options.delimiter, m_dataOffset, m_options.lineRecords);
}

QString TextTable::text(const TextRecord& record, int column) const
{
    if (column < 0 || column >= record.fieldCount()) return QString();
    const QString s = decodeText(record.fieldBytes(column), m_encoding);
    return record.fields[column].quoted ? s : s.trimmed();
}

vb::Variant TextTable::value(const TextRecord& record, int column) const
{
    const QString t = text(record, column);
    if (t.isEmpty()) return vb::Variant::Null();
    const TextColumnType type = column < m_columns.size() ? m_columns[column].type : TextColumnType::Text;
    if (type == TextColumnType::Text) return vb::Variant(t);
    switch (classify(t)) {
    case NumberKind::Int32:
        if (type == TextColumnType::Long) return vb::Variant(t.toInt());
        return vb::Variant(t.toDouble());
    case NumberKind::Integer:
    case NumberKind::Decimal:
        return vb::Variant(t.toDouble());
    case NumberKind::None:
        break;
    }
    return vb::Variant(t);
}

TextLayout TextTable::layoutOf(const TextRecord& record) const
{
    TextLayout l;
    l.delimiter = m_options.delimiter;
    l.encoding = m_encoding;
    l.lineEnd = record.lineEndLength > 0 ? record.lineEnd() : m_lineEnd;
    l.quoted.resize(record.fieldCount());
    for (int i = 0; i < record.fieldCount(); ++i)
        l.quoted[i] = record.fields[i].quoted;
    return l;
}

} // namespace files
