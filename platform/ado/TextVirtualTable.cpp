#include "platform/ado/TextProvider.h"

#include "platform/ado/JetSql.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/ado/TextBlockIndex.h"
#include "platform/ado/TextNumbers.h"
#include "platform/ado/TextRecordReader.h"
#include "platform/ado/TextSeenValues.h"
#include "platform/ado/VirtualTables.h"
#include "platform/files/TextTable.h"
#include "platform/vb/Err.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>
#include <vector>

namespace ado {

namespace text {

namespace {

qint64 gRecordsRead = 0;

// The plans of xBestIndex.
enum Plan : int { FullScan = 0, ByRowid = 1, ByPrefix = 2, ByValue = 3, Distinct = 4 };
constexpr int kNoColumns = 0x100; // no column is read: records are skipped, not parsed

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
            defs << QuoteNativeName(c.name) + QLatin1Char(' ') + QLatin1String(type);
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

} // namespace

} // namespace text

qint64 TextRecordsRead()
{
    return text::gRecordsRead;
}

void InstallTextModule(SqliteConnection& conn)
{
    auto sources = std::make_shared<text::TextSource::Cache>();
    vtab::RegisterModule(conn.handle(), "text",
                         [sources](const QStringList& args) -> std::unique_ptr<vtab::Table> {
                             if (args.isEmpty()) vb::Raise(vb::errnum::InvalidProcedureCall);
                             return std::make_unique<text::TextVTable>(
                                 text::TextSource::Open(args.value(0), args.value(1), *sources));
                         });
    sqlite3_create_function_v2(conn.handle(), "tvprefix", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               text::fnPrefix, nullptr, nullptr, nullptr);
    conn.setRewriter(QStringLiteral("text-prefix"), RewritePrefixTests);
}

} // namespace ado
