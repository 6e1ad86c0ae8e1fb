#include "platform/ado/ExcelProvider.h"

#include "platform/ado/Ado.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/ado/VirtualTables.h"
#include "platform/files/Workbook.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <sqlite3.h>

namespace ado {

namespace {

constexpr int kGuessRows = 8;

enum class Kind { Text, Number, Date, Boolean };

struct Book {
    files::Workbook wb;
    bool header = true;
    // A write failed since the workbook was last saved or read: what the
    // model holds may be half a statement, so it is never saved.
    bool failed = false;

    // Reads the file again, dropping every change not yet saved.
    void reload()
    {
        failed = false;
        if (wb.isOpen() && wb.isModified()) wb.open(wb.path());
    }
};

bool plainName(const QString& sheet)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(sheet).hasMatch();
}

class SheetTable : public vtab::Table {
public:
    SheetTable(std::shared_ptr<Book> book, int index) : m_book(std::move(book)), m_index(index)
    {
        files::Worksheet& ws = sheet();
        const files::CellRange used = ws.usedRange();
        m_firstRow = used.isEmpty() ? 1 : used.firstRow;
        const int width = used.isEmpty() ? 0 : used.lastColumn;
        const int dataRow = m_firstRow + (m_book->header ? 1 : 0);
        QStringList taken;
        for (int c = 1; c <= width; ++c) {
            QString name;
            if (m_book->header) name = ws.value(m_firstRow, c).text().trimmed();
            if (name.isEmpty() || taken.contains(name, Qt::CaseInsensitive))
                name = QStringLiteral("F%1").arg(c);
            for (int k = 1; taken.contains(name, Qt::CaseInsensitive); ++k)
                name = QStringLiteral("F%1_%2").arg(c).arg(k);
            taken << name;
            m_names << name;
            // The kind most of the first rows hold; text when they tie or hold nothing.
            int counts[4] = {0, 0, 0, 0};
            for (int r = dataRow; r < dataRow + kGuessRows && r <= used.lastRow; ++r) {
                const vb::Variant v = ws.value(r, c);
                switch (v.type()) {
                case vb::VarType::Empty:
                case vb::VarType::Null:
                    break;
                case vb::VarType::Boolean:
                    ++counts[int(Kind::Boolean)];
                    break;
                case vb::VarType::Date:
                    ++counts[int(Kind::Date)];
                    break;
                case vb::VarType::String:
                    ++counts[int(Kind::Text)];
                    break;
                default:
                    ++counts[int(Kind::Number)];
                    break;
                }
            }
            Kind kind = Kind::Text;
            int best = counts[int(Kind::Text)];
            for (Kind k : {Kind::Number, Kind::Date, Kind::Boolean})
                if (counts[int(k)] > best) {
                    best = counts[int(k)];
                    kind = k;
                }
            m_kinds.push_back(kind);
        }
    }

    QString declaration() const override
    {
        QStringList defs;
        for (int i = 0; i < m_names.size(); ++i) {
            const char* type = m_kinds[size_t(i)] == Kind::Number    ? "DOUBLE"
                               : m_kinds[size_t(i)] == Kind::Date    ? "DATETIME"
                               : m_kinds[size_t(i)] == Kind::Boolean ? "BIT"
                                                                     : "VARCHAR(255)";
            defs << QuoteNativeName(m_names[i]) + QLatin1Char(' ') + QLatin1String(type);
        }
        return vtab::Declaration(defs);
    }

    int bestIndex(sqlite3_index_info* info) override
    {
        if (vtab::PlanRowidLookup(info)) return SQLITE_OK;
        info->idxNum = 0;
        info->estimatedCost = 100000;
        return SQLITE_OK;
    }

    std::unique_ptr<vtab::Cursor> open() override;

    qint64 update(int argc, sqlite3_value** argv) override
    {
        try {
            return write(argc, argv);
        } catch (...) {
            m_book->failed = true;
            throw;
        }
    }

    qint64 write(int argc, sqlite3_value** argv)
    {
        if (argc == 1) vtab::RaiseNotUpdatable(true);
        files::Worksheet& ws = sheet();
        int row = 0;
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            const files::CellRange used = ws.usedRange();
            row = std::max(used.isEmpty() ? 0 : used.lastRow, firstDataRow() - 1) + 1;
        } else {
            row = int(sqlite3_value_int64(argv[0]));
            if (sqlite3_value_int64(argv[1]) != row)
                Raise(errnum::JetFailure,
                      QStringLiteral("Operation is not supported for this type of object."), JetSource());
        }
        const bool inserting = sqlite3_value_type(argv[0]) == SQLITE_NULL;
        for (int i = 0; i < m_names.size() && i + 2 < argc; ++i) {
            sqlite3_value* v = argv[i + 2];
            if (!inserting && vtab::Unchanged(v)) continue;
            if (inserting && sqlite3_value_type(v) == SQLITE_NULL) continue;
            ws.setValue(row, i + 1, cellValue(i, v));
        }
        return row;
    }

    files::Worksheet& sheet() const { return m_book->wb.sheet(m_index); }
    int firstDataRow() const { return m_firstRow + (m_book->header ? 1 : 0); }
    int columnCount() const { return int(m_names.size()); }
    Kind kind(int i) const { return m_kinds[size_t(i)]; }

private:
    vb::Variant cellValue(int column, sqlite3_value* v) const
    {
        vb::Variant value = vtab::ValueOf(v);
        if (m_kinds[size_t(column)] == Kind::Date && value.isString()) {
            double ole = 0;
            if (vb::ParseDate(value.rawString(), ole)) return vb::Variant::fromDate(ole);
        }
        if (m_kinds[size_t(column)] == Kind::Boolean && !value.isString() && !value.isNull())
            return vb::Variant(value.rawInt() != 0 || value.rawDouble() != 0.0);
        return value;
    }

    std::shared_ptr<Book> m_book;
    int m_index;
    int m_firstRow = 1;
    QStringList m_names;
    std::vector<Kind> m_kinds;
};

class SheetCursor : public vtab::Cursor {
public:
    explicit SheetCursor(const SheetTable& t) : m_table(t) {}

    void filter(int idxNum, const char*, int, sqlite3_value** argv) override
    {
        const files::CellRange used = m_table.sheet().usedRange();
        m_last = used.isEmpty() ? 0 : used.lastRow;
        if (idxNum == 1) {
            const qint64 r = sqlite3_value_int64(argv[0]);
            m_row = int(r);
            if (r < m_table.firstDataRow() || r > m_last)
                m_row = m_last + 1;
            else
                m_last = m_row;
        } else {
            m_row = m_table.firstDataRow();
        }
    }

    void next() override { ++m_row; }
    bool eof() const override { return m_row > m_last; }

    void column(sqlite3_context* ctx, int i) override
    {
        if (vtab::NoChange(ctx)) return;
        const vb::Variant v = m_table.sheet().value(m_row, i + 1);
        if (v.type() == vb::VarType::Date && m_table.kind(i) == Kind::Date)
            return sqlite3_result_double(ctx, v.rawDouble());
        vtab::SetResult(ctx, v);
    }

    qint64 rowid() const override { return m_row; }

private:
    const SheetTable& m_table;
    int m_row = 0;
    int m_last = 0;
};

std::unique_ptr<vtab::Cursor> SheetTable::open()
{
    return std::make_unique<SheetCursor>(*this);
}

class ExcelCatalog : public ModuleConnection::Catalog {
public:
    explicit ExcelCatalog(std::shared_ptr<Book> book) : m_book(std::move(book)) {}

    std::vector<TableInfo> tables() override
    {
        std::vector<TableInfo> out;
        for (const QString& s : m_book->wb.sheetNames())
            out.push_back({ExcelTableName(s), QStringLiteral("TABLE")});
        std::stable_sort(out.begin(), out.end(), [](const TableInfo& a, const TableInfo& b) {
            return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
        });
        return out;
    }

    QString resolve(const QString& written) override
    {
        QString n = written;
        if (n.size() >= 2 && n.startsWith(u'\'') && n.endsWith(u'\''))
            n = n.mid(1, n.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
        if (!n.endsWith(u'$')) return {};
        n.chop(1);
        const int i = m_book->wb.sheetIndex(n);
        return i < 0 ? QString() : ExcelTableName(m_book->wb.sheetNames().at(i));
    }

    void create(SqliteConnection& db, const QString& table, const QString& canonical) override
    {
        QString n = canonical;
        if (n.startsWith(u'\''))
            n = n.mid(1, n.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
        n.chop(1);
        const int i = m_book->wb.sheetIndex(n);
        db.exec(QStringLiteral("CREATE VIRTUAL TABLE main.%1 USING sheet(%2)")
                    .arg(QuoteNativeName(table))
                    .arg(i));
    }

    // Commit and close save the changes, unless a write failed since the
    // last save: then they are dropped, as a rollback drops them.
    void flush() override
    {
        if (m_book->failed) return m_book->reload();
        if (m_book->wb.isOpen() && m_book->wb.isModified()) m_book->wb.save();
    }

    void discard() override { m_book->reload(); }

private:
    std::shared_ptr<Book> m_book;
};

} // namespace

QString ExcelTableName(const QString& sheet)
{
    if (plainName(sheet)) return sheet + QLatin1Char('$');
    return QLatin1Char('\'') + QString(sheet).replace(QStringLiteral("'"), QStringLiteral("''")) +
           QStringLiteral("$'");
}

std::shared_ptr<ProviderConnection> OpenExcelProvider(const ConnectionString& cs)
{
    const QString path = cs.dataSource();
    auto book = std::make_shared<Book>();
    const QString header =
        ConnectionString(cs.value(QStringLiteral("Extended Properties"))).value(QStringLiteral("HDR"));
    book->header = !(header.compare(QStringLiteral("No"), Qt::CaseInsensitive) == 0 ||
                     header.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0 || header == u"0");
    if (path.isEmpty() || !QFileInfo(path).isFile())
        Raise(errnum::JetFailure, QStringLiteral("Could not find file '%1'.").arg(path), JetSource());
    try {
        book->wb.open(path);
    } catch (const vb::ErrObject& e) {
        if (e.Number == vb::errnum::FileNotFound)
            Raise(errnum::JetFailure, QStringLiteral("Could not find file '%1'.").arg(path), JetSource());
        throw;
    }
    auto db = SqliteConnection::OpenMemory(QStringLiteral("excel"));
    vtab::RegisterModule(db->handle(), "sheet",
                         [book](const QStringList& args) -> std::unique_ptr<vtab::Table> {
                             bool ok = false;
                             const int index = args.value(0).toInt(&ok);
                             if (!ok || index < 0 || index >= book->wb.sheetCount())
                                 vb::Raise(vb::errnum::SubscriptOutOfRange);
                             return std::make_unique<SheetTable>(book, index);
                         });
    return std::make_shared<ModuleConnection>(db, std::make_unique<ExcelCatalog>(book));
}

} // namespace ado
