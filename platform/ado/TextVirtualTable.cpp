#include "platform/ado/TextProvider.h"

#include "platform/ado/Ado.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/ado/VirtualTables.h"
#include "platform/files/TextTable.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sqlite3.h>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace ado {

namespace {

qint64 gRecordsRead = 0;
qint64 gLinesPassedOver = 0;
qint64 gIndexThreshold = 256 * 1024;
constexpr size_t kMaxIndexKeys = size_t(1) << 20;

// The plans of xBestIndex.
enum Plan : int { FullScan = 0, ByRowid = 1, ByPrefix = 2, ByValue = 3, Distinct = 4 };
constexpr int kNoColumns = 0x100; // no column is read: records are skipped, not parsed

// ---------------------------------------------------------------- numbers, as Jet compares them

bool parseNumber(const QString& text, double& d)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    // the common case, plain digits, without the general parser
    if (t.size() <= 15) {
        bool digits = true;
        qint64 v = 0;
        for (QChar c : t) {
            if (c < u'0' || c > u'9') {
                digits = false;
                break;
            }
            v = v * 10 + (c.unicode() - u'0');
        }
        if (digits) {
            d = double(v);
            return true;
        }
    }
    bool ok = false;
    d = t.toDouble(&ok);
    if (!ok) ok = vb::ParseNumber(t, d);
    return ok;
}

QString numberKey(double d)
{
    if (d == std::trunc(d) && std::fabs(d) < 9.0e15) return QString::number(static_cast<qint64>(d));
    return QString::number(d, 'g', 17);
}

// An index key for a whole value: its number when it reads as one, else
// its text without regard to case (Jet compares text that way).
QString valueKey(const QString& text)
{
    double d = 0;
    if (parseNumber(text, d)) return numberKey(d);
    return QLatin1Char('\x01') + text.toLower();
}

bool isCanonicalInteger(const QString& t)
{
    int i = t.startsWith(u'-') ? 1 : 0;
    const int n = int(t.size()) - i;
    if (n <= 0 || n > 18) return false;
    if (t[i] == u'0' && n > 1) return false;
    for (; i < t.size(); ++i)
        if (t[i] < u'0' || t[i] > u'9') return false;
    return !(t == u"-0");
}

bool isCanonicalDecimal(const QString& t)
{
    const qsizetype dot = t.indexOf(u'.');
    if (dot <= 0 || dot == t.size() - 1) return false;
    const QString whole = t.left(dot);
    const QString frac = t.mid(dot + 1);
    if (!isCanonicalInteger(whole) && whole != u"-0") return false;
    if (frac.endsWith(u'0')) return false;
    for (QChar c : frac)
        if (c < u'0' || c > u'9') return false;
    return (whole.size() - (whole.startsWith(u'-') ? 1 : 0)) + frac.size() <= 15;
}

// The text of a value as Jet's string functions see it.
QString valueText(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return QString::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return vb::NumberToString(sqlite3_value_double(v));
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                 sqlite3_value_bytes(v));
    }
}

// left(text, len(p)) = p with Jet's number/text comparison.
bool prefixMatches(const QString& text, const QString& p, double pNumber, bool pIsNumber)
{
    const QString head = text.left(p.size());
    if (!pIsNumber) return head == p;
    double d = 0;
    return parseNumber(head, d) && d == pNumber;
}

void fnPrefix(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const QString p = valueText(argv[1]);
    double pn = 0;
    const bool pIsNumber = parseNumber(p, pn);
    sqlite3_result_int(ctx, prefixMatches(valueText(argv[0]), p, pn, pIsNumber) ? 1 : 0);
}

// ---------------------------------------------------------------- reading records without copies

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
    RecordReader(const QString& path, char delimiter, bool lineRecords = false)
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
    bool next(bool withFields)
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
                    if (c == '\r' && (m_pos + j + 1 < m_end || fill()) &&
                        m_buf[size_t(m_pos + j + 1)] == '\n')
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
            if (end == 0 && eol > 0) { // an empty line is no record
                m_pos += eol;
                continue;
            }
            if (m_lineRecords && (unreadable || std::memchr(m_buf.data() + m_pos, 0, size_t(end)))) {
                ++gLinesPassedOver;
                m_pos += end + eol;
                continue;
            }
            m_recOffset = m_bufOffset + m_pos;
            m_recStart = m_pos;
            m_recSize = end;
            m_recEol = eol;
            m_pos += end + eol;
            return true;
        }
    }

    qint64 offset() const { return m_recOffset; }
    const char* data() const { return m_buf.data() + m_recStart; }
    qsizetype size() const { return m_recSize; } // without the line end
    int lineEndLength() const { return m_recEol; }
    const std::vector<FieldSpan>& fields() const { return m_fields; }

private:
    enum : uchar { Plain, Blank, Quote, Delimiter, LineEnd };
    static constexpr qsizetype kFirstRead = 64 * 1024;
    static constexpr qsizetype kMostRead = 1024 * 1024;

    // Appends more of the file, keeping the bytes from m_pos on.
    bool fill()
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

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Printable ASCII and blanks: bytes that read the same in every encoding
// the text tables know, so their text needs no decoding.
bool isPlainAscii(const char* p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        const uchar c = uchar(p[i]);
        if (c > 0x7e || (c < 0x20 && !(c >= '\t' && c <= '\r'))) return false;
    }
    return true;
}

// Up to 15 digits and nothing else: the number parseNumber gives them.
bool digitsValue(const char* p, qsizetype n, qint64& v)
{
    if (n <= 0 || n > 15) return false;
    qint64 r = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned d = unsigned(uchar(p[i])) - '0';
        if (d > 9) return false;
        r = r * 10 + d;
    }
    v = r;
    return true;
}

// isCanonicalInteger and its value, on bytes.
bool canonicalInteger(const char* p, qsizetype n, qint64& v)
{
    qsizetype i = n > 0 && p[0] == '-' ? 1 : 0;
    const qsizetype digits = n - i;
    if (digits <= 0 || digits > 18) return false;
    if (p[i] == '0' && digits > 1) return false;
    qint64 r = 0;
    for (; i < n; ++i) {
        const unsigned d = unsigned(uchar(p[i])) - '0';
        if (d > 9) return false;
        r = r * 10 + d;
    }
    if (p[0] == '-') {
        if (r == 0) return false; // "-0"
        r = -r;
    }
    v = r;
    return true;
}

// ---------------------------------------------------------------- the block index

// A key of the index: a number that is a whole one is kept as such (the
// common case: an area code), any other number or text as valueKey's text.
struct IndexKey {
    bool whole = false;
    qint64 number = 0;
    QString text;

    static IndexKey ofNumber(double d)
    {
        if (d == std::trunc(d) && std::fabs(d) < 9.0e15) return {true, static_cast<qint64>(d), {}};
        return {false, 0, numberKey(d)};
    }
    static IndexKey ofValue(const QString& t)
    {
        double d = 0;
        if (parseNumber(t, d)) return ofNumber(d);
        return {false, 0, valueKey(t)};
    }
};

struct BlockIndex {
    std::vector<qint64> blockStart;
    std::unordered_map<qint64, std::vector<quint32>> wholeNumbers;
    std::unordered_map<QString, std::vector<quint32>> others;

    const std::vector<quint32>* blocksOf(const IndexKey& key) const
    {
        if (key.whole) {
            auto it = wholeNumbers.find(key.number);
            return it == wholeNumbers.end() ? nullptr : &it->second;
        }
        auto it = others.find(key.text);
        return it == others.end() ? nullptr : &it->second;
    }
};

// Collects a block index record by record during a pass over the whole
// file. Fails (and frees what it holds) past a number of distinct keys.
class IndexBuilder {
public:
    IndexBuilder(qint64 blockBytes, int prefix, size_t maxKeys)
        : m_idx(std::make_unique<BlockIndex>()), m_blockBytes(blockBytes), m_prefix(prefix),
          m_maxKeys(maxKeys)
    {
    }

    int prefix() const { return m_prefix; }
    bool failed() const { return !m_idx; }

    // A record starts at this offset; called for every record, in order.
    void record(qint64 offset)
    {
        if (m_blockBegin < 0 || offset - m_blockBegin >= m_blockBytes) {
            m_idx->blockStart.push_back(offset);
            m_block = quint32(m_idx->blockStart.size() - 1);
            m_blockBegin = offset;
        }
    }

    // The record's value is a whole number (a key the fast path makes).
    void addWhole(qint64 number)
    {
        if (m_last && m_lastNumber == number) {
            if (m_last->back() != m_block) m_last->push_back(m_block);
            return;
        }
        auto& list = m_idx->wholeNumbers[number];
        m_last = &list;
        m_lastNumber = number;
        push(list);
    }

    void add(const IndexKey& key)
    {
        if (key.whole) return addWhole(key.number);
        push(m_idx->others[key.text]);
    }

    std::unique_ptr<BlockIndex> take() { return std::move(m_idx); }

private:
    void push(std::vector<quint32>& list)
    {
        if (!list.empty() && list.back() == m_block) return;
        list.push_back(m_block);
        if (m_idx->wholeNumbers.size() + m_idx->others.size() > m_maxKeys) {
            m_idx.reset();
            m_last = nullptr;
        }
    }

    std::unique_ptr<BlockIndex> m_idx;
    qint64 m_blockBytes;
    int m_prefix;
    size_t m_maxKeys;
    qint64 m_blockBegin = -1;
    quint32 m_block = 0;
    // the list of the last whole number (map values keep their place)
    std::vector<quint32>* m_last = nullptr;
    qint64 m_lastNumber = 0;
};

// ---------------------------------------------------------------- values handed out once

// A column value as the table hands it to SQLite.
enum class ValueKind { Null, Integer, Real, Text };

// The values a "select distinct" has handed out, to hand out each once.
// Kept in memory up to a number of values, then in a private temporary
// database, whose pages go to a file past a small cache, as SQLite's own
// removal of repeats does.
class SeenValues {
public:
    SeenValues() = default;
    SeenValues(const SeenValues&) = delete;
    SeenValues& operator=(const SeenValues&) = delete;
    ~SeenValues() { closeSpill(); }

    void clear()
    {
        m_null = false;
        m_integers.clear();
        m_others.clear();
        closeSpill();
    }

    // True the first time a value is offered. NULL is one value; an integer
    // and a real never meet (a real is only ever a decimal with a fraction);
    // texts compare byte for byte, as the column's collation does.
    bool add(ValueKind kind, qint64 integer, double real, const char* text, qsizetype size)
    {
        if (kind == ValueKind::Null) return !std::exchange(m_null, true);
        if (kind == ValueKind::Integer && !m_spill) {
            if (!m_integers.insert(integer).second) return false;
        } else {
            std::string key = kind == ValueKind::Integer ? std::string(1, 'i') + bytesOf(integer)
                              : kind == ValueKind::Real
                                  ? std::string(1, 'r') + bytesOf(real)
                                  : std::string(1, 't') + std::string(text, size_t(size));
            if (m_spill) return spillAdd(key);
            if (!m_others.insert(std::move(key)).second) return false;
        }
        if (m_integers.size() + m_others.size() > kMaxInMemory) spill();
        return true;
    }

private:
    static constexpr size_t kMaxInMemory = size_t(1) << 16;

    template <typename T> static std::string bytesOf(T v)
    {
        std::string b(sizeof v, '\0');
        std::memcpy(b.data(), &v, sizeof v);
        return b;
    }

    void spill()
    {
        // an empty name: a private database on a temporary file
        if (sqlite3_open_v2("", &m_spill, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK ||
            sqlite3_exec(m_spill, "CREATE TABLE seen(v BLOB PRIMARY KEY) WITHOUT ROWID", nullptr, nullptr,
                         nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(m_spill, "INSERT OR IGNORE INTO seen VALUES(?)", -1, &m_insert, nullptr) !=
                SQLITE_OK) {
            closeSpill();
            throw std::bad_alloc();
        }
        sqlite3_exec(m_spill, "BEGIN", nullptr, nullptr, nullptr);
        for (qint64 v : m_integers)
            spillAdd(std::string(1, 'i') + bytesOf(v));
        for (const std::string& k : m_others)
            spillAdd(k);
        m_integers = {};
        m_others = {};
    }

    bool spillAdd(const std::string& key)
    {
        sqlite3_bind_blob(m_insert, 1, key.data(), int(key.size()), SQLITE_STATIC);
        const int rc = sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
        if (rc != SQLITE_DONE) throw std::bad_alloc();
        return sqlite3_changes(m_spill) > 0;
    }

    void closeSpill()
    {
        sqlite3_finalize(m_insert);
        m_insert = nullptr;
        if (m_spill) sqlite3_close(m_spill);
        m_spill = nullptr;
    }

    bool m_null = false;
    std::unordered_set<qint64> m_integers;
    std::unordered_set<std::string> m_others;
    sqlite3* m_spill = nullptr;
    sqlite3_stmt* m_insert = nullptr;
};

// ---------------------------------------------------------------- the shared source of a file

class TextSource {
public:
    // The sources open on one connection, by file and layout: the tables of
    // a connection that name the same unchanged file share its records and
    // block indexes. Each connection has its own, so no two connections (or
    // runs on them) see each other's.
    using Cache = QHash<QString, std::weak_ptr<TextSource>>;

    static std::shared_ptr<TextSource> Open(const QString& path, const QString& properties, Cache& cache)
    {
        const QFileInfo fi(path);
        if (!fi.exists() || fi.isDir())
            Raise(
                errnum::JetFailure,
                QStringLiteral("The Microsoft Jet database engine could not find the object '%1'.  Make sure "
                               "the object exists and that you spell its name and the path name correctly.")
                    .arg(fi.fileName()),
                JetSource());
        const files::TextOptions options = files::TextOptions::fromExtendedProperties(properties);
        const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6")
                                .arg(fi.absoluteFilePath())
                                .arg(fi.size())
                                .arg(fi.lastModified().toMSecsSinceEpoch())
                                .arg(options.header ? 1 : 0)
                                .arg(int(options.delimiter))
                                .arg(options.lineRecords ? 1 : 0);
        if (auto s = cache.value(key).lock()) return s;
        std::shared_ptr<TextSource> s(new TextSource(path, options, fi.size()));
        for (auto it = cache.begin(); it != cache.end();)
            it = it.value().expired() ? cache.erase(it) : std::next(it);
        cache.insert(key, s);
        return s;
    }

    files::TextTable& table() { return m_table; }
    qint64 size() const { return m_size; }

    // The block index of a column: whole values (prefix 0) or the first
    // `prefix` characters read as a number. Null when none is built.
    const BlockIndex* index(int column, int prefix) const
    {
        auto it = m_indexes.find(key(column, prefix));
        return it == m_indexes.end() ? nullptr : it->second.get();
    }

    // A builder for a pass over the whole file to fill, or null when the
    // file is small, the index is there or was found not to pay. A pass
    // that only guesses that lookups of the column follow (a scan of it)
    // gives up sooner.
    std::unique_ptr<IndexBuilder> builder(int column, int prefix, bool guess) const
    {
        if (column < 0 || m_size < gIndexThreshold || m_indexes.count(key(column, prefix))) return nullptr;
        // Blocks small enough that a short run of one value costs little
        // beyond its own records, few enough that a value's list stays short.
        const qint64 blockBytes = std::clamp<qint64>(m_size / 8192, 4096, 65536);
        return std::make_unique<IndexBuilder>(blockBytes, prefix, guess ? kMaxGuessedKeys : kMaxIndexKeys);
    }

    // Keeps what a pass over the whole file built. A failed build is kept
    // too (as no index), so that the file is not indexed again in vain;
    // a guess that failed is merely dropped.
    void keep(int column, IndexBuilder& builder, bool guess)
    {
        const quint64 k = key(column, builder.prefix());
        if (m_indexes.count(k)) return;
        if (builder.failed() && guess) return;
        m_indexes.emplace(k, builder.take());
    }

private:
    static constexpr size_t kMaxGuessedKeys = 1 << 16;

    TextSource(const QString& path, const files::TextOptions& options, qint64 size)
        : m_table(path, options), m_size(size)
    {
    }

    static quint64 key(int column, int prefix) { return (quint64(column) << 16) | quint64(prefix); }

    files::TextTable m_table;
    qint64 m_size;
    std::map<quint64, std::unique_ptr<BlockIndex>> m_indexes;
};

// ---------------------------------------------------------------- the virtual table

class TextCursor;

class TextVTable : public vtab::Table {
public:
    explicit TextVTable(std::shared_ptr<TextSource> source) : m_source(std::move(source)) {}

    QString declaration() const override
    {
        const auto& cols = m_source->table().columns();
        QStringList defs;
        for (const auto& c : cols) {
            const char* type = c.type == files::TextColumnType::Long     ? "INTEGER"
                               : c.type == files::TextColumnType::Double ? "DOUBLE"
                                                                         : "VARCHAR(255)";
            defs << vtab::QuoteName(c.name) + QLatin1Char(' ') + QLatin1String(type);
        }
        return vtab::Declaration(defs);
    }

    int bestIndex(sqlite3_index_info* info) override
    {
        int rowidAt = -1, prefixAt = -1, valueAt = -1;
        for (int i = 0; i < info->nConstraint; ++i) {
            const auto& c = info->aConstraint[i];
            if (!c.usable) continue;
            if (c.iColumn < 0 && c.op == SQLITE_INDEX_CONSTRAINT_EQ)
                rowidAt = i;
            else if (c.iColumn >= 0 && c.op == SQLITE_INDEX_CONSTRAINT_FUNCTION && prefixAt < 0)
                prefixAt = i;
            else if (c.iColumn >= 0 && c.op == SQLITE_INDEX_CONSTRAINT_EQ && valueAt < 0)
                valueAt = i;
        }
        const double rows = std::max<double>(1.0, double(m_source->size()) / 20.0);
        int plan = FullScan;
        int use = -1;
        if (rowidAt >= 0) {
            plan = ByRowid;
            use = rowidAt;
            info->estimatedCost = 1;
            info->estimatedRows = 1;
            info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
        } else if (prefixAt >= 0 || valueAt >= 0) {
            plan = prefixAt >= 0 ? ByPrefix : ByValue;
            use = prefixAt >= 0 ? prefixAt : valueAt;
            info->estimatedCost = rows / 50.0;
            info->estimatedRows = sqlite3_int64(rows / 100.0) + 1;
        } else {
            info->estimatedCost = rows;
            info->estimatedRows = sqlite3_int64(rows);
        }
        if (use >= 0) {
            info->aConstraintUsage[use].argvIndex = 1;
            info->aConstraintUsage[use].omit = 1;
            if (plan != ByRowid) info->idxStr = sqlite3_mprintf("%d", info->aConstraint[use].iColumn);
            info->needToFreeIdxStr = plan != ByRowid ? 1 : 0;
        }
        if (plan == FullScan) {
            const sqlite3_uint64 used = info->colUsed;
            if (used == 0) {
                plan |= kNoColumns;
            } else if ((used & (used - 1)) == 0 && used < (sqlite3_uint64(1) << 63)) {
                // a scan of one column, the way a "select distinct" of it reads
                int column = 0;
                while (!(used & (sqlite3_uint64(1) << column)))
                    ++column;
                info->idxStr = sqlite3_mprintf("%d", column);
                info->needToFreeIdxStr = 1;
                // "select distinct" of it, with no test on the rows: the
                // table hands out each value once, at its first line (the
                // order SQLite's own removal of repeats keeps), so that the
                // query's own work is per value, not per line.
                if (info->nConstraint == 0 && info->nOrderBy == 1 && info->aOrderBy[0].iColumn == column &&
                    sqlite3_vtab_distinct(info) == 2) {
                    plan = Distinct;
                    info->orderByConsumed = 1;
                    info->estimatedCost = rows * 0.9;
                }
            }
        }
        info->idxNum = plan;
        return SQLITE_OK;
    }

    std::unique_ptr<vtab::Cursor> open() override;

    qint64 update(int argc, sqlite3_value**) override { vtab::RaiseNotUpdatable(argc == 1); }

    int findFunction(int nArg, const char* name, void (**fn)(sqlite3_context*, int, sqlite3_value**),
                     void** arg) override
    {
        if (nArg == 2 && sqlite3_stricmp(name, "tvprefix") == 0) {
            *fn = fnPrefix;
            *arg = nullptr;
            return SQLITE_INDEX_CONSTRAINT_FUNCTION;
        }
        return 0;
    }

    std::shared_ptr<TextSource> source() const { return m_source; }

private:
    std::shared_ptr<TextSource> m_source;
};

class TextCursor : public vtab::Cursor {
public:
    explicit TextCursor(std::shared_ptr<TextSource> source)
        : m_source(std::move(source)), m_table(m_source->table()),
          m_reader(m_table.path(), m_table.options().delimiter, m_table.options().lineRecords)
    {
    }

    void filter(int idxNum, const char* idxStr, int argc, sqlite3_value** argv) override
    {
        m_plan = idxNum & 0xff;
        m_skipOnly = (idxNum & kNoColumns) != 0;
        m_blocks = nullptr;
        m_blockAt = 0;
        m_eof = false;
        m_single = false;
        m_builder.reset();
        m_column = idxStr ? atoi(idxStr) : -1;
        switch (m_plan) {
        case ByRowid: {
            m_single = true;
            m_reader.seek(std::max(sqlite3_value_int64(argv[0]), m_table.dataOffset()));
            m_eof = !read();
            return;
        }
        case ByPrefix: {
            m_value = argc > 0 ? valueText(argv[0]) : QString();
            m_valueIsNumber = parseNumber(m_value, m_number);
            if (argc == 0 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
                m_eof = true;
                return;
            }
            m_valueLatin1 = isAsciiText(m_value) ? m_value.toLatin1() : QByteArray();
            if (m_valueIsNumber && m_value.size() > 0) {
                const int prefix = int(m_value.size());
                if (const BlockIndex* idx = m_source->index(m_column, prefix))
                    useIndex(idx, IndexKey::ofNumber(m_number));
                else
                    startBuilding(m_source->builder(m_column, prefix, false), false);
            }
            break;
        }
        case ByValue: {
            if (argc == 0 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
                m_eof = true;
                return;
            }
            m_valueType = sqlite3_value_type(argv[0]);
            m_value = valueText(argv[0]);
            m_valueIsNumber = m_valueType == SQLITE_INTEGER || m_valueType == SQLITE_FLOAT
                                  ? (m_number = sqlite3_value_double(argv[0]), true)
                                  : parseNumber(m_value, m_number);
            m_columnIsText = m_table.columns().value(m_column).type == files::TextColumnType::Text;
            if (const BlockIndex* idx = m_source->index(m_column, 0))
                useIndex(idx, m_valueIsNumber ? IndexKey::ofNumber(m_number) : IndexKey::ofValue(m_value));
            else
                startBuilding(m_source->builder(m_column, 0, false), false);
            break;
        }
        case Distinct:
            m_seen.clear();
            startBuilding(m_source->builder(m_column, 0, true), true);
            break;
        default:
            if (!m_skipOnly) startBuilding(m_source->builder(m_column, 0, true), true);
            break;
        }
        if (!m_blocks)
            m_reader.seek(m_table.dataOffset());
        else if (m_eof)
            return;
        advance();
    }

    void next() override
    {
        if (m_single) {
            m_eof = true;
            return;
        }
        advance();
    }

    bool eof() const override { return m_eof; }

    void column(sqlite3_context* ctx, int i) override
    {
        qint64 integer = 0;
        double real = 0;
        const char* text = nullptr;
        qsizetype size = 0;
        switch (value(i, integer, real, text, size)) {
        case ValueKind::Null:
            return sqlite3_result_null(ctx);
        case ValueKind::Integer:
            return sqlite3_result_int64(ctx, integer);
        case ValueKind::Real:
            return sqlite3_result_double(ctx, real);
        case ValueKind::Text:
            return sqlite3_result_text(ctx, text, int(size), SQLITE_TRANSIENT);
        }
    }

    qint64 rowid() const override { return m_rowid; }

private:
    enum class Field { Empty, Plain, Coded };

    // The value of a column of the current record: a field of a numeric
    // column that reads back exactly as its number is that number, any
    // other its text. A text's bytes stay valid until the next call.
    ValueKind value(int i, qint64& integer, double& real, const char*& text, qsizetype& size)
    {
        const auto type = i < m_table.columnCount() ? m_table.columns()[i].type : files::TextColumnType::Text;
        switch (plainField(i, text, size)) {
        case Field::Empty:
            return ValueKind::Null;
        case Field::Plain:
            if (type != files::TextColumnType::Text) {
                if (canonicalInteger(text, size, integer)) return ValueKind::Integer;
                // a decimal goes the general way
                if (type == files::TextColumnType::Double && std::memchr(text, '.', size_t(size))) break;
            }
            return ValueKind::Text;
        case Field::Coded:
            break;
        }
        const QString t = fieldText(i);
        if (t.isEmpty()) return ValueKind::Null;
        if (type != files::TextColumnType::Text) {
            if (isCanonicalInteger(t)) {
                integer = t.toLongLong();
                return ValueKind::Integer;
            }
            if (type == files::TextColumnType::Double && isCanonicalDecimal(t)) {
                real = t.toDouble();
                return ValueKind::Real;
            }
        }
        m_text = t.toUtf8();
        text = m_text.constData();
        size = m_text.size();
        return ValueKind::Text;
    }

    static bool isAsciiText(const QString& s)
    {
        for (QChar c : s)
            if (c.unicode() > 0x7e || c.unicode() < 0x20) return false;
        return true;
    }

    // A field of the current record: empty (or missing), plain ASCII (p, n:
    // its bytes without surrounding blanks, which is its text), or one that
    // takes the table's decoding (quoted, or other bytes).
    Field plainField(int column, const char*& p, qsizetype& n) const
    {
        const auto& fields = m_reader.fields();
        if (column < 0 || size_t(column) >= fields.size()) return Field::Empty;
        const FieldSpan& f = fields[size_t(column)];
        if (f.quoted) return Field::Coded;
        const char* s = m_reader.data() + f.start;
        qsizetype len = f.length;
        if (!isPlainAscii(s, len)) return Field::Coded;
        while (len > 0 && isBlank(*s)) {
            ++s;
            --len;
        }
        while (len > 0 && isBlank(s[len - 1]))
            --len;
        if (len == 0) return Field::Empty;
        p = s;
        n = len;
        return Field::Plain;
    }

    // A field as text, exactly as the table gives it.
    QString fieldText(int column) const
    {
        const char* p = nullptr;
        qsizetype n = 0;
        switch (plainField(column, p, n)) {
        case Field::Empty:
            return QString();
        case Field::Plain:
            return QString::fromLatin1(p, n);
        case Field::Coded:
            break;
        }
        files::TextRecord rec;
        rec.offset = m_reader.offset();
        rec.raw = QByteArray(m_reader.data(), m_reader.size() + m_reader.lineEndLength());
        rec.lineEndLength = m_reader.lineEndLength();
        for (const FieldSpan& f : m_reader.fields())
            rec.fields.push_back(files::TextField{f.start, f.length, f.quoted});
        return m_table.text(rec, column);
    }

    void useIndex(const BlockIndex* idx, const IndexKey& key)
    {
        static const std::vector<quint32> none;
        m_index = idx;
        const std::vector<quint32>* blocks = idx ? idx->blocksOf(key) : nullptr;
        m_blocks = blocks ? blocks : &none;
        m_blockAt = 0;
        m_blockEnd = -1;
        if (m_blocks->empty())
            m_eof = true;
        else
            enterBlock();
    }

    void enterBlock()
    {
        const quint32 b = (*m_blocks)[m_blockAt];
        m_reader.seek(m_index->blockStart[b]);
        m_blockEnd = b + 1 < m_index->blockStart.size() ? m_index->blockStart[b + 1] : -1;
    }

    // An index is built on the way of this pass when it reads the whole file.
    void startBuilding(std::unique_ptr<IndexBuilder> builder, bool guess)
    {
        m_builder = std::move(builder);
        m_guess = guess;
    }

    // Adds the current record to the index being built.
    void index()
    {
        IndexBuilder& b = *m_builder;
        b.record(m_reader.offset());
        const int prefix = b.prefix();
        const char* p = nullptr;
        qsizetype n = 0;
        switch (plainField(m_column, p, n)) {
        case Field::Empty:
            return;
        case Field::Plain: {
            // only numbers are looked up by prefix
            const qsizetype head = prefix > 0 ? std::min<qsizetype>(prefix, n) : n;
            qint64 v = 0;
            if (digitsValue(p, head, v)) return b.addWhole(v);
            break;
        }
        case Field::Coded:
            break;
        }
        const QString t = fieldText(m_column);
        if (t.isEmpty()) return;
        if (prefix > 0) {
            double d = 0;
            if (!parseNumber(t.left(prefix), d)) return;
            b.add(IndexKey::ofNumber(d));
        } else {
            b.add(IndexKey::ofValue(t));
        }
    }

    bool read()
    {
        if (m_skipOnly) {
            m_rowid = m_reader.position();
            if (!m_reader.next(false)) return false;
        } else {
            if (!m_reader.next(true)) return false;
            m_rowid = m_reader.offset();
        }
        ++gRecordsRead;
        if (m_builder) {
            index();
            if (m_builder->failed()) {
                m_source->keep(m_column, *m_builder, m_guess);
                m_builder.reset();
            }
        }
        return true;
    }

    bool wanted()
    {
        if (m_plan == Distinct) {
            qint64 integer = 0;
            double real = 0;
            const char* text = nullptr;
            qsizetype size = 0;
            const ValueKind kind = value(m_column, integer, real, text, size);
            return m_seen.add(kind, integer, real, text, size);
        }
        if (m_plan == ByPrefix) {
            const char* p = nullptr;
            qsizetype n = 0;
            switch (plainField(m_column, p, n)) {
            case Field::Empty:
                return false;
            case Field::Plain: {
                const qsizetype head = std::min<qsizetype>(m_value.size(), n);
                if (!m_valueIsNumber) {
                    if (m_valueLatin1.isNull()) break;
                    return head == m_valueLatin1.size() &&
                           std::memcmp(p, m_valueLatin1.constData(), size_t(head)) == 0;
                }
                qint64 v = 0;
                if (digitsValue(p, head, v)) return double(v) == m_number;
                break;
            }
            case Field::Coded:
                break;
            }
            const QString t = fieldText(m_column);
            return !t.isEmpty() && prefixMatches(t, m_value, m_number, m_valueIsNumber);
        }
        if (m_plan == ByValue) {
            const char* p = nullptr;
            qsizetype n = 0;
            switch (plainField(m_column, p, n)) {
            case Field::Empty:
                return false;
            case Field::Plain: {
                qint64 v = 0;
                if (digitsValue(p, n, v) &&
                    (m_valueType != SQLITE_TEXT || (m_valueIsNumber && !m_columnIsText)))
                    return double(v) == m_number;
                break;
            }
            case Field::Coded:
                break;
            }
            const QString t = fieldText(m_column);
            if (t.isEmpty()) return false;
            double d = 0;
            const bool tIsNumber = parseNumber(t, d);
            if (m_valueType != SQLITE_TEXT) return tIsNumber && d == m_number;
            if (tIsNumber && m_valueIsNumber && !m_columnIsText) return d == m_number;
            return t.compare(m_value, Qt::CaseInsensitive) == 0;
        }
        return true;
    }

    void advance()
    {
        for (;;) {
            if (m_blocks) {
                if (m_blockEnd >= 0 && m_reader.position() >= m_blockEnd) {
                    if (++m_blockAt >= m_blocks->size()) {
                        m_eof = true;
                        return;
                    }
                    enterBlock();
                }
            }
            if (!read()) {
                if (m_blocks && ++m_blockAt < m_blocks->size()) {
                    enterBlock();
                    continue;
                }
                m_eof = true;
                // the pass read the whole file: its index is complete
                if (m_builder) {
                    m_source->keep(m_column, *m_builder, m_guess);
                    m_builder.reset();
                }
                return;
            }
            if (m_blocks && m_blockEnd >= 0 && m_reader.offset() >= m_blockEnd) {
                // a record that starts in the next block belongs to it
                if (++m_blockAt >= m_blocks->size()) {
                    m_eof = true;
                    return;
                }
                enterBlock();
                continue;
            }
            if (wanted()) return;
        }
    }

    std::shared_ptr<TextSource> m_source;
    files::TextTable& m_table;
    RecordReader m_reader;
    qint64 m_rowid = 0;
    int m_plan = FullScan;
    bool m_skipOnly = false;
    bool m_eof = true;
    bool m_single = false;
    int m_column = -1;
    bool m_columnIsText = true;
    QString m_value;
    QByteArray m_valueLatin1; // m_value when it is plain ASCII, else null
    int m_valueType = SQLITE_TEXT;
    bool m_valueIsNumber = false;
    double m_number = 0;
    const BlockIndex* m_index = nullptr;
    const std::vector<quint32>* m_blocks = nullptr;
    size_t m_blockAt = 0;
    qint64 m_blockEnd = -1;
    std::unique_ptr<IndexBuilder> m_builder;
    bool m_guess = false; // the index being built is a guess (a scan of one column)
    SeenValues m_seen;    // the values a distinct scan handed out
    QByteArray m_text;    // the bytes of the last value decoded
};

std::unique_ptr<vtab::Cursor> TextVTable::open()
{
    return std::make_unique<TextCursor>(m_source);
}

// ---------------------------------------------------------------- folder and names

QString usablePath(const QString& path)
{
    if (path.contains(u'\\') && !QFileInfo::exists(path)) {
        QString p = path;
        p.replace(u'\\', u'/');
        return p;
    }
    return path;
}

// The file of a folder that a table name means: the name itself, with "#"
// standing for "." as Jet writes it, matched without regard to case.
QString findFile(const QString& folder, const QString& written)
{
    QString name = written.trimmed();
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\')) return {};
    const QDir dir(folder);
    for (const QString& candidate : {name, QString(name).replace(u'#', u'.')}) {
        const QFileInfo fi(dir.filePath(candidate));
        if (fi.isFile()) return fi.fileName();
    }
    const QString dotted = QString(name).replace(u'#', u'.');
    const auto entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& e : entries)
        if (e.compare(dotted, Qt::CaseInsensitive) == 0 || e.compare(name, Qt::CaseInsensitive) == 0)
            return e;
    return {};
}

[[noreturn]] void raiseNoObject(const QString& name)
{
    Raise(errnum::JetFailure,
          QStringLiteral(
              "The Microsoft Jet database engine could not find the object '%1'.  Make sure the object "
              "exists and that you spell its name and the path name correctly.")
              .arg(name),
          JetSource());
}

[[noreturn]] void raiseBadFolder(const QString& folder)
{
    Raise(errnum::JetFailure,
          QStringLiteral(
              "'%1' is not a valid path.  Make sure that the path name is spelled correctly and that "
              "you are connected to the server on which the file resides.")
              .arg(folder),
          JetSource());
}

class TextCatalog : public ModuleConnection::Catalog {
public:
    TextCatalog(QString folder, QString properties)
        : m_folder(std::move(folder)), m_properties(std::move(properties))
    {
    }

    std::vector<TableInfo> tables() override
    {
        std::vector<TableInfo> out;
        const QStringList filters{"*.txt", "*.csv", "*.tab", "*.asc"};
        QDir dir(m_folder);
        dir.setNameFilters(filters);
        dir.setFilter(QDir::Files);
        dir.setSorting(QDir::Name | QDir::IgnoreCase);
        for (const QString& f : dir.entryList())
            out.push_back({QString(f).replace(u'.', u'#'), QStringLiteral("TABLE")});
        return out;
    }

    // Every table of a text database is a file, so a name that is none is
    // reported as Jet's text driver does.
    QString resolve(const QString& written) override
    {
        const QString file = findFile(m_folder, written);
        if (file.isEmpty()) raiseNoObject(written);
        return file;
    }

    void create(SqliteConnection& db, const QString& canonical) override
    {
        InstallTextModule(db);
        db.exec(QStringLiteral("CREATE VIRTUAL TABLE main.%1 USING text(%2, %3)")
                    .arg(vtab::QuoteName(canonical), vtab::QuoteArg(QDir(m_folder).filePath(canonical)),
                         vtab::QuoteArg(m_properties)));
    }

private:
    QString m_folder;
    QString m_properties;
};

// The tokens of one column reference: [t].[c], t.c, [c] or c.
bool columnRef(const std::vector<JetSql::Token>& toks, int from, int to)
{
    using K = JetSql::Kind;
    bool expectName = true;
    for (int i = from; i < to; ++i) {
        const auto& t = toks[size_t(i)];
        if (t.kind == K::Space) continue;
        if (expectName) {
            if (t.kind != K::Bracket && t.kind != K::Word) return false;
            expectName = false;
        } else {
            if (t.kind != K::Punct || t.text != u".") return false;
            expectName = true;
        }
    }
    return !expectName;
}

} // namespace

// ---------------------------------------------------------------- public

qint64 TextRecordsRead()
{
    return gRecordsRead;
}

qint64 TextLinesPassedOver()
{
    return gLinesPassedOver;
}

void SetTextIndexThreshold(qint64 bytes)
{
    gIndexThreshold = bytes;
}

QString RewritePrefixTests(const QString& jetSql)
{
    using K = JetSql::Kind;
    if (!jetSql.contains(QLatin1String("left"), Qt::CaseInsensitive)) return jetSql;
    auto toks = JetSql::Tokenize(jetSql);
    const int n = int(toks.size());
    auto sig = [&](int i) { return toks[size_t(i)].kind != K::Space && toks[size_t(i)].kind != K::Comment; };
    auto nextSig = [&](int i) {
        for (int j = i + 1; j < n; ++j)
            if (sig(j)) return j;
        return -1;
    };
    auto prevSig = [&](int i) {
        for (int j = i - 1; j >= 0; --j)
            if (sig(j)) return j;
        return -1;
    };
    auto isPunct = [&](int i, const char* p) {
        return i >= 0 && toks[size_t(i)].kind == K::Punct && toks[size_t(i)].text == QLatin1String(p);
    };
    // Where a comparison stands alone: nothing binds tighter around it.
    auto opensTerm = [&](int i) {
        if (i < 0) return true;
        const auto& t = toks[size_t(i)];
        if (isPunct(i, "(")) return true;
        if (t.kind != K::Word) return false;
        for (const char* w : {"WHERE", "AND", "OR", "NOT", "ON", "HAVING"})
            if (t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0) return true;
        return false;
    };
    auto closesTerm = [&](int i) {
        if (i < 0) return true;
        const auto& t = toks[size_t(i)];
        if (t.kind == K::Punct) return t.text == u")" || t.text == u";" || t.text == u",";
        return t.kind == K::Word;
    };
    auto digitsOnly = [](const QString& s) {
        for (QChar c : s)
            if (c < u'0' || c > u'9') return false;
        return !s.isEmpty();
    };
    // Matches left(<col>, k) starting at i; gives the ")" and the column's tokens.
    auto leftCall = [&](int i, int& close, int& colFrom, int& colTo, int& k) {
        if (i < 0 || toks[size_t(i)].kind != K::Word ||
            toks[size_t(i)].text.compare(QLatin1String("left"), Qt::CaseInsensitive) != 0)
            return false;
        const int open = nextSig(i);
        if (!isPunct(open, "(")) return false;
        int comma = -1;
        for (int j = open + 1; j < n; ++j)
            if (isPunct(j, ",")) {
                comma = j;
                break;
            } else if (isPunct(j, "(") || isPunct(j, ")")) {
                return false;
            }
        if (comma < 0 || !columnRef(toks, open + 1, comma)) return false;
        const int num = nextSig(comma);
        if (num < 0 || toks[size_t(num)].kind != K::Number || !digitsOnly(toks[size_t(num)].text))
            return false;
        close = nextSig(num);
        if (!isPunct(close, ")")) return false;
        colFrom = open + 1;
        colTo = comma;
        k = toks[size_t(num)].text.toInt();
        return k > 0 && k <= 15;
    };
    QString out;
    bool changed = false;
    int i = 0;
    while (i < n) {
        int close = -1, colFrom = -1, colTo = -1, k = 0;
        // left(col,k) = N
        if (leftCall(i, close, colFrom, colTo, k) && opensTerm(prevSig(i))) {
            const int eq = nextSig(close);
            const int num = nextSig(eq);
            if (isPunct(eq, "=") && num >= 0 && toks[size_t(num)].kind == K::Number &&
                digitsOnly(toks[size_t(num)].text) && toks[size_t(num)].text.size() == k &&
                closesTerm(nextSig(num))) {
                QString col;
                for (int j = colFrom; j < colTo; ++j)
                    col += toks[size_t(j)].text;
                out += QStringLiteral("tvprefix(%1, '%2')").arg(col.trimmed(), toks[size_t(num)].text);
                i = num + 1;
                changed = true;
                continue;
            }
        }
        // N = left(col,k)
        if (toks[size_t(i)].kind == K::Number && digitsOnly(toks[size_t(i)].text) && opensTerm(prevSig(i))) {
            const int eq = nextSig(i);
            const int fn = nextSig(eq);
            if (isPunct(eq, "=") && leftCall(fn, close, colFrom, colTo, k) &&
                toks[size_t(i)].text.size() == k && closesTerm(nextSig(close))) {
                QString col;
                for (int j = colFrom; j < colTo; ++j)
                    col += toks[size_t(j)].text;
                out += QStringLiteral("tvprefix(%1, '%2')").arg(col.trimmed(), toks[size_t(i)].text);
                i = close + 1;
                changed = true;
                continue;
            }
        }
        out += toks[size_t(i)].text;
        ++i;
    }
    return changed ? out : jetSql;
}

void InstallTextModule(SqliteConnection& conn)
{
    auto sources = std::make_shared<TextSource::Cache>();
    vtab::RegisterModule(
        conn.handle(), "text", [sources](const QStringList& args) -> std::unique_ptr<vtab::Table> {
            if (args.isEmpty()) vb::Raise(vb::errnum::InvalidProcedureCall);
            return std::make_unique<TextVTable>(TextSource::Open(args.value(0), args.value(1), *sources));
        });
    sqlite3_create_function_v2(conn.handle(), "tvprefix", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               fnPrefix, nullptr, nullptr, nullptr);
    conn.setRewriter(QStringLiteral("text-prefix"), RewritePrefixTests);
}

std::shared_ptr<ProviderConnection> OpenTextProvider(const ConnectionString& cs)
{
    const QString folder = usablePath(cs.dataSource());
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) raiseBadFolder(cs.dataSource());
    auto db = SqliteConnection::OpenMemory(QStringLiteral("text"));
    InstallTextModule(*db);
    // LineRecords=Yes beside the extended properties reads each file a line
    // per record, as a link's does.
    QString props = cs.value(QStringLiteral("Extended Properties"));
    if (cs.contains(QStringLiteral("LineRecords")))
        props += QStringLiteral(";LineRecords=") + cs.value(QStringLiteral("LineRecords"));
    return std::make_shared<ModuleConnection>(db, std::make_unique<TextCatalog>(folder, props));
}

void CreateTextLink(SqliteConnection& conn, const LinkSpec& spec)
{
    const ConnectionString ps(spec.providerString);
    QString folder = spec.dataSource;
    if (folder.isEmpty()) folder = ps.value(QStringLiteral("DATABASE"));
    folder = usablePath(folder);
    // "text;DATABASE=...;Extended Properties="text;HDR=No;FMT=Delimited"",
    // or Jet's own form with HDR and FMT in the provider string itself
    QString props = ps.contains(QStringLiteral("Extended Properties"))
                        ? ps.value(QStringLiteral("Extended Properties"))
                        : spec.providerString;
    // The link's own LineRecords=Yes reads the file a line per record.
    if (ps.contains(QStringLiteral("Extended Properties")) && ps.contains(QStringLiteral("LineRecords")))
        props += QStringLiteral(";LineRecords=") + ps.value(QStringLiteral("LineRecords"));
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) raiseBadFolder(folder);
    const QString remote = spec.remoteTable.isEmpty() ? spec.name : spec.remoteTable;
    const QString file = findFile(folder, remote);
    if (file.isEmpty()) raiseNoObject(remote);
    InstallTextModule(conn);
    conn.exec(QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(vtab::QuoteName(spec.name)));
    conn.exec(QStringLiteral("CREATE VIRTUAL TABLE temp.%1 USING text(%2, %3)")
                  .arg(vtab::QuoteName(spec.name), vtab::QuoteArg(QDir(folder).filePath(file)),
                       vtab::QuoteArg(props)));
}

} // namespace ado
