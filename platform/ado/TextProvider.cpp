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
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cmath>
#include <sqlite3.h>

namespace ado {

namespace {

qint64 gRecordsRead = 0;
qint64 gIndexThreshold = 256 * 1024;
constexpr int kMaxIndexKeys = 1 << 20;

// The plans of xBestIndex.
enum Plan : int { FullScan = 0, ByRowid = 1, ByPrefix = 2, ByValue = 3 };
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

// ---------------------------------------------------------------- the shared source of a file

struct BlockIndex {
    std::vector<qint64> blockStart;
    QHash<QString, std::vector<quint32>> blocks;
};

class TextSource {
public:
    static std::shared_ptr<TextSource> Open(const QString& path, const QString& properties)
    {
        static QHash<QString, std::weak_ptr<TextSource>> cache;
        const QFileInfo fi(path);
        if (!fi.exists() || fi.isDir())
            Raise(
                errnum::JetFailure,
                QStringLiteral("The Microsoft Jet database engine could not find the object '%1'.  Make sure "
                               "the object exists and that you spell its name and the path name correctly.")
                    .arg(fi.fileName()),
                JetSource());
        const files::TextOptions options = files::TextOptions::fromExtendedProperties(properties);
        const QString key = QStringLiteral("%1|%2|%3|%4|%5")
                                .arg(fi.absoluteFilePath())
                                .arg(fi.size())
                                .arg(fi.lastModified().toMSecsSinceEpoch())
                                .arg(options.header ? 1 : 0)
                                .arg(int(options.delimiter));
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
    // `prefix` characters read as a number. Null when the file is small or
    // has too many distinct values for an index to pay.
    const BlockIndex* index(int column, int prefix)
    {
        if (m_size < gIndexThreshold) return nullptr;
        const quint64 key = (quint64(column) << 16) | quint64(prefix);
        auto it = m_indexes.find(key);
        if (it != m_indexes.end()) return it->second.get();
        auto idx = build(column, prefix);
        const BlockIndex* p = idx.get();
        m_indexes.emplace(key, std::move(idx));
        return p;
    }

private:
    TextSource(const QString& path, const files::TextOptions& options, qint64 size)
        : m_table(path, options), m_size(size)
    {
    }

    std::unique_ptr<BlockIndex> build(int column, int prefix)
    {
        auto idx = std::make_unique<BlockIndex>();
        files::TextReader r = m_table.reader();
        files::TextRecord rec;
        // Blocks small enough that a short run of one value costs little
        // beyond its own records, few enough that a value's list stays short.
        const qint64 blockBytes = std::clamp<qint64>(m_size / 8192, 4096, 65536);
        qint64 blockBegin = -1;
        quint32 block = 0;
        while (r.next(rec)) {
            ++gRecordsRead;
            if (blockBegin < 0 || rec.offset - blockBegin >= blockBytes) {
                idx->blockStart.push_back(rec.offset);
                block = quint32(idx->blockStart.size() - 1);
                blockBegin = rec.offset;
            }
            const QString t = m_table.text(rec, column);
            if (t.isEmpty()) continue;
            QString k;
            if (prefix > 0) {
                double d = 0;
                if (!parseNumber(t.left(prefix), d)) continue; // only numbers are looked up by prefix
                k = numberKey(d);
            } else {
                k = valueKey(t);
            }
            auto& list = idx->blocks[k];
            if (list.empty() || list.back() != block) {
                list.push_back(block);
                if (idx->blocks.size() > kMaxIndexKeys) return nullptr;
            }
        }
        return idx;
    }

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
        if (defs.isEmpty()) defs << QStringLiteral("\"F1\" VARCHAR(255)");
        return QStringLiteral("CREATE TABLE x(%1)").arg(defs.join(QStringLiteral(", ")));
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
        if (plan == FullScan && info->colUsed == 0) plan |= kNoColumns;
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
        : m_source(std::move(source)), m_table(m_source->table()), m_reader(m_table.reader())
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
            if (m_valueIsNumber && m_value.size() > 0) {
                const BlockIndex* idx = m_source->index(m_column, int(m_value.size()));
                if (idx) useIndex(idx, numberKey(m_number));
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
            const BlockIndex* idx = m_source->index(m_column, 0);
            if (idx) useIndex(idx, m_valueIsNumber ? numberKey(m_number) : valueKey(m_value));
            break;
        }
        default:
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
        const QString t = m_table.text(m_rec, i);
        if (t.isEmpty()) return sqlite3_result_null(ctx);
        const auto type = i < m_table.columnCount() ? m_table.columns()[i].type : files::TextColumnType::Text;
        if (type != files::TextColumnType::Text) {
            if (isCanonicalInteger(t)) return sqlite3_result_int64(ctx, t.toLongLong());
            if (type == files::TextColumnType::Double && isCanonicalDecimal(t))
                return sqlite3_result_double(ctx, t.toDouble());
        }
        const QByteArray b = t.toUtf8();
        sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }

    qint64 rowid() const override { return m_rowid; }

private:
    void useIndex(const BlockIndex* idx, const QString& key)
    {
        static const std::vector<quint32> none;
        m_index = idx;
        auto it = idx->blocks.constFind(key);
        m_blocks = it == idx->blocks.constEnd() ? &none : &it.value();
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

    bool read()
    {
        if (m_skipOnly) {
            m_rowid = m_reader.position();
            if (!m_reader.skip()) return false;
        } else {
            if (!m_reader.next(m_rec)) return false;
            m_rowid = m_rec.offset;
        }
        ++gRecordsRead;
        return true;
    }

    bool wanted() const
    {
        if (m_plan == ByPrefix) {
            const QString t = m_table.text(m_rec, m_column);
            return !t.isEmpty() && prefixMatches(t, m_value, m_number, m_valueIsNumber);
        }
        if (m_plan == ByValue) {
            const QString t = m_table.text(m_rec, m_column);
            if (t.isEmpty()) return false;
            double d = 0;
            const bool tIsNumber = parseNumber(t, d);
            if (m_valueType != SQLITE_TEXT) return tIsNumber && d == m_number;
            if (tIsNumber && m_valueIsNumber &&
                m_table.columns().value(m_column).type != files::TextColumnType::Text)
                return d == m_number;
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
                return;
            }
            if (m_blocks && m_blockEnd >= 0 && m_rec.offset >= m_blockEnd) {
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
    files::TextReader m_reader;
    files::TextRecord m_rec;
    qint64 m_rowid = 0;
    int m_plan = FullScan;
    bool m_skipOnly = false;
    bool m_eof = true;
    bool m_single = false;
    int m_column = -1;
    QString m_value;
    int m_valueType = SQLITE_TEXT;
    bool m_valueIsNumber = false;
    double m_number = 0;
    const BlockIndex* m_index = nullptr;
    const std::vector<quint32>* m_blocks = nullptr;
    size_t m_blockAt = 0;
    qint64 m_blockEnd = -1;
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
    vtab::RegisterModule(conn.handle(), "text", [](const QStringList& args) -> std::unique_ptr<vtab::Table> {
        if (args.isEmpty()) vb::Raise(vb::errnum::InvalidProcedureCall);
        return std::make_unique<TextVTable>(TextSource::Open(args.value(0), args.value(1)));
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
    return std::make_shared<ModuleConnection>(
        db, std::make_unique<TextCatalog>(folder, cs.value(QStringLiteral("Extended Properties"))));
}

void CreateTextLink(SqliteConnection& conn, const LinkSpec& spec)
{
    const ConnectionString ps(spec.providerString);
    QString folder = spec.dataSource;
    if (folder.isEmpty()) folder = ps.value(QStringLiteral("DATABASE"));
    folder = usablePath(folder);
    // "text;DATABASE=...;Extended Properties="text;HDR=No;FMT=Delimited"",
    // or Jet's own form with HDR and FMT in the provider string itself
    const QString props = ps.contains(QStringLiteral("Extended Properties"))
                              ? ps.value(QStringLiteral("Extended Properties"))
                              : spec.providerString;
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
