#include "platform/ado/VirtualTables.h"

#include "platform/ado/Ado.h"
#include "platform/ado/JetSql.h"
#include "platform/vb/Err.h"

#include <sqlite3.h>

namespace ado::vtab {

namespace {

struct Aux {
    TableFactory factory;
};

struct VTab {
    sqlite3_vtab base;
    std::unique_ptr<Table> table;
};

struct VCursor {
    sqlite3_vtab_cursor base;
    std::unique_ptr<Cursor> cursor;
};

Table& tableOf(sqlite3_vtab* v)
{
    return *reinterpret_cast<VTab*>(v)->table;
}

Cursor& cursorOf(sqlite3_vtab_cursor* c)
{
    return *reinterpret_cast<VCursor*>(c)->cursor;
}

char* message(const QString& text)
{
    return sqlite3_mprintf("%s", text.toUtf8().constData());
}

// Runs f; an exception becomes the table's error message and SQLITE_ERROR.
template <typename F> int guarded(sqlite3_vtab* v, F&& f)
{
    try {
        return f();
    } catch (const vb::ErrObject& e) {
        sqlite3_free(v->zErrMsg);
        v->zErrMsg = message(e.Description.isEmpty() ? vb::DefaultDescription(e.Number) : e.Description);
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    } catch (const std::exception& e) {
        sqlite3_free(v->zErrMsg);
        v->zErrMsg = sqlite3_mprintf("%s", e.what());
    }
    return SQLITE_ERROR;
}

QString dequote(const char* arg)
{
    QString s = QString::fromUtf8(arg).trimmed();
    if (s.size() >= 2 && (s.startsWith(u'\'') || s.startsWith(u'"')) && s.endsWith(s.front())) {
        const QChar q = s.front();
        s = s.mid(1, s.size() - 2);
        s.replace(QString(2, q), QString(q));
    }
    return s;
}

int xConnect(sqlite3* db, void* pAux, int argc, const char* const* argv, sqlite3_vtab** out, char** err)
{
    auto* aux = static_cast<Aux*>(pAux);
    QStringList args;
    for (int i = 3; i < argc; ++i)
        args << dequote(argv[i]);
    try {
        std::unique_ptr<Table> t = aux->factory(args);
        const int rc = sqlite3_declare_vtab(db, t->declaration().toUtf8().constData());
        if (rc != SQLITE_OK) {
            *err = sqlite3_mprintf("%s", sqlite3_errmsg(db));
            return rc;
        }
        auto* v = new VTab{};
        v->table = std::move(t);
        *out = &v->base;
        return SQLITE_OK;
    } catch (const vb::ErrObject& e) {
        *err = message(e.Description.isEmpty() ? vb::DefaultDescription(e.Number) : e.Description);
    } catch (const std::exception& e) {
        *err = sqlite3_mprintf("%s", e.what());
    }
    return SQLITE_ERROR;
}

int xBestIndex(sqlite3_vtab* v, sqlite3_index_info* info)
{
    return guarded(v, [&] { return tableOf(v).bestIndex(info); });
}

int xDisconnect(sqlite3_vtab* v)
{
    // SQLite takes a table's message only from the calls whose result it
    // reports; one left by a commit or rollback (whose failure it ignores)
    // is still the table's.
    sqlite3_free(v->zErrMsg);
    delete reinterpret_cast<VTab*>(v);
    return SQLITE_OK;
}

int xOpen(sqlite3_vtab* v, sqlite3_vtab_cursor** out)
{
    return guarded(v, [&] {
        auto c = std::make_unique<VCursor>();
        c->cursor = tableOf(v).open();
        *out = &c.release()->base;
        return SQLITE_OK;
    });
}

int xClose(sqlite3_vtab_cursor* c)
{
    delete reinterpret_cast<VCursor*>(c);
    return SQLITE_OK;
}

int xFilter(sqlite3_vtab_cursor* c, int idxNum, const char* idxStr, int argc, sqlite3_value** argv)
{
    return guarded(c->pVtab, [&] {
        cursorOf(c).filter(idxNum, idxStr, argc, argv);
        return SQLITE_OK;
    });
}

int xNext(sqlite3_vtab_cursor* c)
{
    return guarded(c->pVtab, [&] {
        cursorOf(c).next();
        return SQLITE_OK;
    });
}

int xEof(sqlite3_vtab_cursor* c)
{
    return cursorOf(c).eof() ? 1 : 0;
}

int xColumn(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int i)
{
    return guarded(c->pVtab, [&] {
        cursorOf(c).column(ctx, i);
        return SQLITE_OK;
    });
}

int xRowid(sqlite3_vtab_cursor* c, sqlite3_int64* rowid)
{
    *rowid = cursorOf(c).rowid();
    return SQLITE_OK;
}

int xUpdate(sqlite3_vtab* v, int argc, sqlite3_value** argv, sqlite3_int64* rowid)
{
    return guarded(v, [&] {
        const qint64 r = tableOf(v).update(argc, argv);
        if (argc > 1 && sqlite3_value_type(argv[0]) == SQLITE_NULL) *rowid = r;
        return SQLITE_OK;
    });
}

int xFindFunction(sqlite3_vtab* v, int nArg, const char* name,
                  void (**fn)(sqlite3_context*, int, sqlite3_value**), void** arg)
{
    return tableOf(v).findFunction(nArg, name, fn, arg);
}

int xBegin(sqlite3_vtab* v)
{
    return guarded(v, [&] {
        tableOf(v).begin();
        return SQLITE_OK;
    });
}

int xSync(sqlite3_vtab* v)
{
    return guarded(v, [&] {
        tableOf(v).sync();
        return SQLITE_OK;
    });
}

int xCommit(sqlite3_vtab* v)
{
    return guarded(v, [&] {
        tableOf(v).commit();
        return SQLITE_OK;
    });
}

int xRollback(sqlite3_vtab* v)
{
    return guarded(v, [&] {
        tableOf(v).rollback();
        return SQLITE_OK;
    });
}

int xRename(sqlite3_vtab*, const char*)
{
    return SQLITE_ERROR;
}

const sqlite3_module kModule = {
    /* iVersion */ 2,
    /* xCreate */ xConnect,
    /* xConnect */ xConnect,
    /* xBestIndex */ xBestIndex,
    /* xDisconnect */ xDisconnect,
    /* xDestroy */ xDisconnect,
    /* xOpen */ xOpen,
    /* xClose */ xClose,
    /* xFilter */ xFilter,
    /* xNext */ xNext,
    /* xEof */ xEof,
    /* xColumn */ xColumn,
    /* xRowid */ xRowid,
    /* xUpdate */ xUpdate,
    /* xBegin */ xBegin,
    /* xSync */ xSync,
    /* xCommit */ xCommit,
    /* xRollback */ xRollback,
    /* xFindFunction */ xFindFunction,
    /* xRename */ xRename,
    /* xSavepoint */ nullptr,
    /* xRelease */ nullptr,
    /* xRollbackTo */ nullptr,
    /* xShadowName */ nullptr,
};

} // namespace

int Table::bestIndex(sqlite3_index_info* info)
{
    info->estimatedCost = 1e9;
    info->estimatedRows = 1000000;
    return SQLITE_OK;
}

qint64 Table::update(int argc, sqlite3_value**)
{
    RaiseNotUpdatable(argc == 1);
}

int Table::findFunction(int, const char*, void (**)(sqlite3_context*, int, sqlite3_value**), void**)
{
    return 0;
}

void RegisterModule(sqlite3* db, const char* name, TableFactory factory)
{
    auto* aux = new Aux{std::move(factory)};
    sqlite3_create_module_v2(db, name, &kModule, aux, [](void* p) { delete static_cast<Aux*>(p); });
}

QString QuoteArg(const QString& text)
{
    QString t = text;
    return QLatin1Char('\'') + t.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

QString Declaration(const QStringList& columnDefs)
{
    const QString columns =
        columnDefs.isEmpty() ? QStringLiteral("\"F1\" VARCHAR(255)") : columnDefs.join(QStringLiteral(", "));
    return QStringLiteral("CREATE TABLE x(%1)").arg(columns);
}

QString MatchFileName(const QStringList& entries, const QStringList& names)
{
    for (const QString& name : names)
        if (entries.contains(name)) return name;
    QString only;
    for (const QString& e : entries)
        for (const QString& name : names)
            if (e.compare(name, Qt::CaseInsensitive) == 0) {
                if (!only.isEmpty() && only != e) return {};
                only = e;
            }
    return only;
}

bool PlanRowidLookup(sqlite3_index_info* info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.usable && c.iColumn < 0 && c.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->idxNum = 1;
            info->estimatedCost = 1;
            info->estimatedRows = 1;
            info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
            return true;
        }
    }
    return false;
}

vb::Variant ValueOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return vb::Variant::Null();
    case SQLITE_INTEGER:
        return vb::Variant(static_cast<long long>(sqlite3_value_int64(v)));
    case SQLITE_FLOAT:
        return vb::Variant(sqlite3_value_double(v));
    default:
        return vb::Variant(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v)));
    }
}

void SetResult(sqlite3_context* ctx, const vb::Variant& v)
{
    switch (v.type()) {
    case vb::VarType::Empty:
    case vb::VarType::Null:
        sqlite3_result_null(ctx);
        break;
    case vb::VarType::Boolean:
        sqlite3_result_int(ctx, v.rawInt() != 0 ? 1 : 0);
        break;
    case vb::VarType::Integer:
    case vb::VarType::Long:
    case vb::VarType::LongLong:
    case vb::VarType::Byte:
        sqlite3_result_int64(ctx, v.rawInt());
        break;
    case vb::VarType::Single:
    case vb::VarType::Double:
        sqlite3_result_double(ctx, v.rawDouble());
        break;
    case vb::VarType::Currency:
        sqlite3_result_double(ctx, double(v.rawInt()) / 10000.0);
        break;
    case vb::VarType::Date: {
        const QByteArray b = JetSql::DateText(v.rawDouble()).toUtf8();
        sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    case vb::VarType::String: {
        const QByteArray b = v.rawString().toUtf8();
        sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    }
}

bool Unchanged(sqlite3_value* v)
{
    return sqlite3_value_nochange(v) != 0;
}

bool NoChange(sqlite3_context* ctx)
{
    return sqlite3_vtab_nochange(ctx) != 0;
}

void RaiseNotUpdatable(bool deleting)
{
    Raise(errnum::JetFailure,
          deleting ? QStringLiteral("Deleting data in a linked table is not supported by this ISAM.")
                   : QStringLiteral("Updating data in a linked table is not supported by this ISAM."),
          JetSource());
}

} // namespace ado::vtab

// ---------------------------------------------------------------- ModuleConnection

namespace ado {

namespace {

using K = JetSql::Kind;

bool isWord(const JetSql::Token& t, const char* w)
{
    return t.kind == K::Word && t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
}

bool clauseEnd(const JetSql::Token& t)
{
    static const char* words[] = {"WHERE",  "GROUP",  "ORDER", "HAVING", "UNION", "ON",   "LIMIT", "SET",
                                  "VALUES", "SELECT", "INNER", "LEFT",   "RIGHT", "JOIN", "OUTER"};
    if (t.kind != K::Word) return false;
    for (const char* w : words)
        if (isWord(t, w)) return true;
    return false;
}

// The table name as written from token i on, possibly several tokens run
// together (list.csv, list#csv, Sheet1$ are cut at "." and "#"); gives its
// last token, or -1 when the token is no name.
int writtenName(const std::vector<JetSql::Token>& toks, int i, QString& written)
{
    const int n = int(toks.size());
    const auto& t = toks[size_t(i)];
    int last = i;
    if (t.kind == K::Bracket || t.kind == K::QuotedName) {
        written = JetSql::NameOf(t);
    } else if (t.kind == K::Word) {
        written = t.text;
        while (last + 2 < n && toks[size_t(last + 1)].kind == K::Punct &&
               (toks[size_t(last + 1)].text == u"." || toks[size_t(last + 1)].text == u"#") &&
               (toks[size_t(last + 2)].kind == K::Word || toks[size_t(last + 2)].kind == K::Number)) {
            written += toks[size_t(last + 1)].text + toks[size_t(last + 2)].text;
            last += 2;
        }
        while (last + 1 < n && toks[size_t(last + 1)].kind == K::Punct &&
               toks[size_t(last + 1)].text == u"$") {
            written += QLatin1Char('$');
            ++last;
        }
    } else {
        return -1;
    }
    return last;
}

// A table of another database ("t IN 'file'", "INTO t (c) IN 'file'"),
// whose name ends at token last, is not the provider's.
bool inOtherDatabase(const std::vector<JetSql::Token>& toks, int last)
{
    const int n = int(toks.size());
    const auto skipSpace = [&](int at) {
        while (at < n && (toks[size_t(at)].kind == K::Space || toks[size_t(at)].kind == K::Comment))
            ++at;
        return at;
    };
    int after = skipSpace(last + 1);
    if (after < n && toks[size_t(after)].kind == K::Punct && toks[size_t(after)].text == u"(") {
        int open = 0;
        for (; after < n; ++after) {
            const auto& p = toks[size_t(after)];
            if (p.kind == K::Punct && p.text == u"(") ++open;
            if (p.kind == K::Punct && p.text == u")" && --open == 0) break;
        }
        after = skipSpace(after + 1);
    }
    if (after < n && isWord(toks[size_t(after)], "IN")) {
        int file = after + 1;
        while (file < n && toks[size_t(file)].kind == K::Space)
            ++file;
        if (file < n && toks[size_t(file)].kind == K::String) return true;
    }
    return false;
}

} // namespace

ModuleConnection::ModuleConnection(std::shared_ptr<SqliteConnection> db, std::unique_ptr<Catalog> catalog)
    : m_db(std::move(db)), m_catalog(std::move(catalog))
{
}

ModuleConnection::~ModuleConnection()
{
    try {
        close();
    } catch (...) {
        // a destructor reports nothing; close() is where a failed save shows
    }
}

QString ModuleConnection::ensure(const QString& canonical)
{
    const auto made = m_made.constFind(canonical);
    if (made != m_made.cend()) return made.value();
    QSet<QString> taken;
    for (const QString& t : std::as_const(m_made))
        taken.insert(t.toLower());
    QString table = canonical;
    for (int n = 2; taken.contains(table.toLower()); ++n)
        table = canonical + QStringLiteral("~%1").arg(n);
    m_catalog->create(*m_db, table, canonical);
    m_made.insert(canonical, table);
    return table;
}

QString ModuleConnection::resolveNames(const QString& jetSql)
{
    auto toks = JetSql::Tokenize(jetSql);
    const int n = int(toks.size());
    bool changed = false;
    bool expect = false; // the next name is a table
    bool fromList = false;
    int depth = 0;
    int fromDepth = -1;
    for (int i = 0; i < n; ++i) {
        auto& t = toks[size_t(i)];
        if (t.kind == K::Space || t.kind == K::Comment) continue;
        if (t.kind == K::Punct && t.text == u"(") {
            ++depth;
            expect = false;
            continue;
        }
        if (t.kind == K::Punct && t.text == u")") {
            --depth;
            if (depth < fromDepth) {
                fromList = false;
                fromDepth = -1;
            }
            continue;
        }
        if (isWord(t, "FROM") || isWord(t, "JOIN") || isWord(t, "INTO") || isWord(t, "UPDATE") ||
            isWord(t, "TABLE")) {
            expect = true;
            fromList = isWord(t, "FROM");
            fromDepth = fromList ? depth : -1;
            continue;
        }
        if (fromList && depth == fromDepth && t.kind == K::Punct && t.text == u",") {
            expect = true;
            continue;
        }
        if (clauseEnd(t) && depth <= fromDepth) {
            fromList = false;
            fromDepth = -1;
        }
        if (!expect) continue;
        expect = false;
        QString written;
        const int last = writtenName(toks, i, written);
        if (last < 0 || inOtherDatabase(toks, last)) continue;
        const QString canonical = m_catalog->resolve(written);
        if (canonical.isEmpty()) continue;
        t.kind = K::Bracket;
        t.text = ado::QuoteName(ensure(canonical));
        for (int j = i + 1; j <= last; ++j)
            toks[size_t(j)].text.clear();
        i = last;
        changed = true;
    }
    if (!changed) return jetSql;
    QString out;
    for (const auto& t : toks)
        out += t.text;
    return out;
}

std::unique_ptr<Statement> ModuleConnection::prepare(const QString& jetSql, bool withRowid)
{
    return m_db->prepare(resolveNames(jetSql), withRowid);
}

void ModuleConnection::commitTrans(int level)
{
    m_db->commitTrans(level);
    if (level <= 1) m_catalog->flush();
}

void ModuleConnection::rollbackTrans(int level)
{
    m_db->rollbackTrans(level);
    // A table made inside the transaction went with it; it is made again
    // when next named.
    for (auto it = m_made.begin(); it != m_made.end();) {
        sqlite3_stmt* st = nullptr;
        bool there = false;
        if (sqlite3_prepare_v2(m_db->handle(), "SELECT 1 FROM main.sqlite_master WHERE name = ?1", -1, &st,
                               nullptr) == SQLITE_OK) {
            const QByteArray name = it.value().toUtf8();
            sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            there = sqlite3_step(st) == SQLITE_ROW;
        }
        sqlite3_finalize(st);
        it = there ? std::next(it) : m_made.erase(it);
    }
    if (level <= 1) m_catalog->discard();
}

std::vector<TableInfo> ModuleConnection::tables()
{
    if (!m_db->isOpen()) RaiseAdo(errnum::ObjectClosed, ConnectionSource());
    return m_catalog->tables();
}

void ModuleConnection::updateRow(const ColumnInfo& table, qint64 rowid,
                                 const std::vector<ColumnInfo>& columns,
                                 const std::vector<vb::Variant>& values)
{
    m_db->updateRow(table, rowid, columns, values);
}

qint64 ModuleConnection::insertRow(const ColumnInfo& table, const std::vector<ColumnInfo>& columns,
                                   const std::vector<vb::Variant>& values)
{
    return m_db->insertRow(table, columns, values);
}

void ModuleConnection::close()
{
    if (!m_db->isOpen()) return;
    // The changes are written before the tables go, and a failed write
    // still lets the connection close.
    try {
        m_catalog->flush();
    } catch (...) {
        m_db->close();
        throw;
    }
    m_db->close();
}

} // namespace ado
