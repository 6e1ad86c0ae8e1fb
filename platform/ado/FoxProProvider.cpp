#include "platform/ado/FoxProProvider.h"

#include "platform/ado/Ado.h"
#include "platform/ado/JetSql.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/ado/VirtualTables.h"
#include "platform/files/DbfTable.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/Err.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>

namespace ado {

namespace {

// The file name a table name stands for (".dbf" added when it has none);
// "" for a name that is no file's. Blanks at either end are the file's own:
// " calls.dbf" is another file than "calls.dbf".
QString DbfFileName(const QString& name)
{
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\')) return {};
    return name.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive) ? name : name + QStringLiteral(".dbf");
}

QString declaredType(const files::DbfField& f)
{
    switch (f.type) {
    case 'C':
        return QStringLiteral("CHAR(%1)").arg(f.width);
    case 'N':
        return QStringLiteral("NUMERIC(%1,%2)").arg(f.width).arg(f.decimals);
    case 'F':
    case 'B':
        return QStringLiteral("DOUBLE");
    case 'I':
        return QStringLiteral("INTEGER");
    case 'Y':
        return QStringLiteral("CURRENCY");
    case 'D':
        return QStringLiteral("DATE");
    case 'T':
        return QStringLiteral("DATETIME");
    case 'L':
        return QStringLiteral("LOGICAL");
    case 'M':
        return QStringLiteral("MEMO");
    default:
        return QStringLiteral("VARCHAR(255)");
    }
}

class DbfVTable : public vtab::Table {
public:
    explicit DbfVTable(const QString& path)
    {
        try {
            m_dbf = std::make_unique<files::DbfTable>(path, files::DbfTable::Mode::ReadWrite);
        } catch (const vb::ErrObject& e) {
            if (e.Number != vb::errnum::PermissionDenied) throw;
            m_dbf = std::make_unique<files::DbfTable>(path, files::DbfTable::Mode::ReadOnly);
        }
    }

    QString declaration() const override
    {
        QStringList defs;
        for (const auto& f : m_dbf->fields())
            defs << QuoteNativeName(f.name) + QLatin1Char(' ') + declaredType(f);
        return vtab::Declaration(defs);
    }

    int bestIndex(sqlite3_index_info* info) override
    {
        if (vtab::PlanRowidLookup(info)) return SQLITE_OK;
        info->idxNum = 0;
        info->estimatedCost = double(m_dbf->recordCount()) + 10;
        info->estimatedRows = m_dbf->recordCount() + 1;
        return SQLITE_OK;
    }

    std::unique_ptr<vtab::Cursor> open() override;

    qint64 update(int argc, sqlite3_value** argv) override
    {
        if (argc == 1) {
            m_dbf->setDeleted(record(argv[0]), true);
            return 0;
        }
        const int n = m_dbf->fieldCount();
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            QVector<vb::Variant> values;
            for (int i = 0; i < n && i + 2 < argc; ++i)
                values << fieldValue(i, argv[i + 2]);
            // the record is checked whole before it is added
            return m_dbf->appendRecord(values) + 1;
        }
        const qint64 rec = record(argv[0]);
        if (sqlite3_value_int64(argv[1]) != sqlite3_value_int64(argv[0]))
            Raise(errnum::JetFailure, QStringLiteral("Operation is not supported for this type of object."),
                  JetSource());
        for (int i = 0; i < n && i + 2 < argc; ++i) {
            if (vtab::Unchanged(argv[i + 2])) continue;
            m_dbf->setValue(rec, i, fieldValue(i, argv[i + 2]));
        }
        return rec + 1;
    }

    // A transaction's writes are taken back byte for byte on rollback; the
    // table is never rewritten through a copy.
    void begin() override
    {
        if (!m_dbf->isReadOnly()) m_dbf->beginUndo();
    }
    void sync() override
    {
        if (!m_dbf->isReadOnly()) m_dbf->syncUndo();
    }
    void commit() override { m_dbf->commitUndo(); }
    void rollback() override { m_dbf->rollbackUndo(); }

    files::DbfTable& dbf() { return *m_dbf; }

private:
    qint64 record(sqlite3_value* rowid) const
    {
        const qint64 rec = sqlite3_value_int64(rowid) - 1;
        if (rec < 0 || rec >= m_dbf->recordCount()) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
        return rec;
    }

    // A value in the form the field takes.
    vb::Variant fieldValue(int i, sqlite3_value* v) const
    {
        vb::Variant value = vtab::ValueOf(v);
        if (value.isNull()) return value;
        switch (m_dbf->fields()[i].type) {
        case 'C':
        case 'M':
            return vb::Variant(value.text());
        case 'D':
        case 'T':
            if (value.isString()) {
                double ole = 0;
                if (vb::ParseDate(value.rawString(), ole)) return vb::Variant::fromDate(ole);
                return vb::Variant::fromDate(vb::CDate(value));
            }
            return vb::Variant::fromDate(value.toDouble());
        case 'L':
            return vb::Variant(vb::CBool(value));
        case 'N':
        case 'F':
        case 'B':
        case 'I':
        case 'Y':
            if (value.isString()) return vb::Variant(vb::CDbl(value));
            return value;
        default:
            return value;
        }
    }

    std::unique_ptr<files::DbfTable> m_dbf;
};

class DbfCursor : public vtab::Cursor {
public:
    explicit DbfCursor(DbfVTable& t) : m_table(t) {}

    void filter(int idxNum, const char*, int, sqlite3_value** argv) override
    {
        m_count = m_table.dbf().recordCount();
        if (idxNum == 1) {
            const qint64 rec = sqlite3_value_int64(argv[0]) - 1;
            m_single = true;
            m_rec = rec;
            if (rec < 0 || rec >= m_count || m_table.dbf().isDeleted(rec)) m_rec = m_count;
            return;
        }
        m_single = false;
        m_rec = -1;
        next();
    }

    void next() override
    {
        if (m_single) {
            m_rec = m_count;
            return;
        }
        do
            ++m_rec;
        while (m_rec < m_count && m_table.dbf().isDeleted(m_rec));
    }

    bool eof() const override { return m_rec >= m_count; }

    void column(sqlite3_context* ctx, int i) override
    {
        if (vtab::NoChange(ctx)) return;
        vtab::SetResult(ctx, m_table.dbf().value(m_rec, i));
    }

    qint64 rowid() const override { return m_rec + 1; }

private:
    DbfVTable& m_table;
    qint64 m_rec = 0;
    qint64 m_count = 0;
    bool m_single = false;
};

std::unique_ptr<vtab::Cursor> DbfVTable::open()
{
    return std::make_unique<DbfCursor>(*this);
}

class FoxProCatalog : public ModuleConnection::Catalog {
public:
    explicit FoxProCatalog(QString folder) : m_folder(std::move(folder)) {}

    std::vector<TableInfo> tables() override
    {
        std::vector<TableInfo> out;
        for (const QString& f : DbfFiles(m_folder))
            out.push_back({QFileInfo(f).completeBaseName(), QStringLiteral("TABLE")});
        return out;
    }

    // A table's canonical name is its file's name: the file the table is
    // read, written and backed up as. Files that differ from the name in
    // case alone, none of them exactly, are no table of it: the statement
    // fails rather than guess.
    QString resolve(const QString& written) override
    {
        const QString wanted = DbfFileName(written);
        if (wanted.isEmpty()) return {};
        // A file found under the name exactly as written stays the name's
        // file (no other can take its place in the match): the folder is
        // listed once, not once per statement of a run.
        if (m_exact.contains(wanted)) return wanted;
        const QStringList files = DbfFiles(m_folder);
        const QString file = vtab::MatchFileName(files, {wanted});
        if (file == wanted) m_exact.insert(wanted);
        if (file.isEmpty() && files.contains(wanted, Qt::CaseInsensitive))
            Raise(errnum::NoSuchTable,
                  QStringLiteral("The Microsoft Jet database engine cannot find the input table or query "
                                 "'%1'.  Make sure it exists and that its name is spelled correctly.")
                      .arg(written),
                  JetSource());
        return file;
    }

    void create(SqliteConnection& db, const QString& table, const QString& canonical) override
    {
        db.exec(QStringLiteral("CREATE VIRTUAL TABLE main.%1 USING dbf(%2)")
                    .arg(QuoteNativeName(table), vtab::QuoteArg(QDir(m_folder).filePath(canonical))));
    }

private:
    QString m_folder;
    QSet<QString> m_exact; // names found as written
};

} // namespace

QStringList DbfFiles(const QString& folder)
{
    QDir dir(folder);
    dir.setNameFilters({QStringLiteral("*.dbf")});
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

QString DbfFileOf(const QString& folder, const QString& written)
{
    const QString file = DbfFileName(written);
    return file.isEmpty() ? QString() : vtab::MatchFileName(DbfFiles(folder), {file});
}

std::shared_ptr<ProviderConnection> OpenFoxProProvider(const ConnectionString& cs)
{
    QString folder =
        cs.contains(QStringLiteral("SourceDB")) ? cs.value(QStringLiteral("SourceDB")) : cs.dataSource();
    if (folder.contains(u'\\') && !QFileInfo::exists(folder)) folder.replace(u'\\', u'/');
    // A path to a table names its folder.
    if (QFileInfo(folder).isFile()) folder = QFileInfo(folder).absolutePath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        Raise(errnum::JetFailure,
              QStringLiteral("[Microsoft][ODBC Visual FoxPro Driver]Invalid path or file name. (%1)")
                  .arg(folder),
              QStringLiteral("Microsoft OLE DB Provider for ODBC Drivers"));
    auto db = SqliteConnection::OpenMemory(QStringLiteral("foxpro"));
    vtab::RegisterModule(db->handle(), "dbf", [](const QStringList& args) -> std::unique_ptr<vtab::Table> {
        return std::make_unique<DbfVTable>(args.value(0));
    });
    return std::make_shared<ModuleConnection>(db, std::make_unique<FoxProCatalog>(folder));
}

} // namespace ado
