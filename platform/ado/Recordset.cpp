#include "platform/ado/Recordset.h"

#include "platform/ado/Connection.h"
#include "platform/ado/JetSql.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"

#include <cmath>
#include <deque>
#include <map>
#include <set>

namespace ado {

constexpr std::int32_t BadArguments = 3001;

struct Row {
    std::vector<vb::Variant> values;
    qint64 rowid = 0;
    bool deleted = false;
    // changes kept for UpdateBatch (batch-optimistic client recordsets)
    bool pendingNew = false;
    bool pendingDelete = false;
    std::vector<bool> changed;
    bool pendingChange() const
    {
        for (bool c : changed)
            if (c) return true;
        return false;
    }
};

class RowSource {
public:
    virtual ~RowSource() = default;
    // The row at a position from 0 (deleted rows keep their place); null past the end.
    virtual Row* at(qint64 index) = 0;
    // Rows including deleted ones; -1 when unknown (forward-only).
    virtual qint64 count() = 0;
    // Appends a row that this recordset added; returns its position.
    virtual qint64 append(Row row) = 0;
    virtual void noteDeleted(qint64 index, const Row& row) = 0;
    virtual void columns(std::vector<ColumnInfo>& out) = 0;
    virtual std::vector<Row>* all() { return nullptr; }
};

namespace {

Row readRow(Statement& st)
{
    Row r;
    r.values.reserve(size_t(st.columnCount()));
    for (int i = 0; i < st.columnCount(); ++i)
        r.values.push_back(st.value(i));
    r.rowid = st.rowid();
    return r;
}

class SnapshotSource : public RowSource {
public:
    SnapshotSource(Statement& st, long maxRecords)
    {
        st.execute(0);
        while ((maxRecords <= 0 || qint64(m_rows.size()) < maxRecords) && st.next())
            m_rows.push_back(readRow(st));
        st.finish();
        for (int i = 0; i < st.columnCount(); ++i)
            m_columns.push_back(st.column(i));
    }
    Row* at(qint64 i) override { return i >= 0 && i < qint64(m_rows.size()) ? &m_rows[size_t(i)] : nullptr; }
    qint64 count() override { return qint64(m_rows.size()); }
    qint64 append(Row row) override
    {
        m_rows.push_back(std::move(row));
        return qint64(m_rows.size()) - 1;
    }
    void noteDeleted(qint64, const Row&) override {}
    void columns(std::vector<ColumnInfo>& out) override { out = m_columns; }
    std::vector<Row>* all() override { return &m_rows; }

private:
    std::vector<Row> m_rows;
    std::vector<ColumnInfo> m_columns;
};

// Rows fetched from the statement into a bounded window. Streaming keeps the
// statement stepping between calls; windowed (static) fetches a window by
// offset and lets go of the statement after each one.
class WindowSource : public RowSource {
public:
    WindowSource(std::unique_ptr<Statement> st, bool streaming, bool forwardOnly, qint64 cap, long maxRecords)
        : m_st(std::move(st)), m_streaming(streaming), m_forwardOnly(forwardOnly),
          m_cap(std::max<qint64>(cap, 1)), m_max(maxRecords)
    {
        if (m_streaming) restart(0);
    }

    Row* at(qint64 i) override
    {
        if (i < 0) return nullptr;
        if (m_end >= 0 && i >= m_end) {
            const qint64 k = i - m_end;
            return k < qint64(m_added.size()) ? &m_added[size_t(k)] : nullptr;
        }
        if (Row* r = inWindow(i)) return r;
        if (auto d = m_deleted.find(i); d != m_deleted.end()) return &d->second;
        const bool reachable = m_live && i >= m_liveNext && i - m_liveNext <= 2 * m_cap;
        if (!reachable) {
            if (m_forwardOnly && i != 0 && !(m_live && i >= m_liveNext))
                RaiseAdo(errnum::FetchBackward, RecordsetSource());
            restart(i);
        }
        while (m_live && m_liveNext <= i)
            stepOne();
        if (!m_streaming) {
            while (m_live && qint64(m_win.size()) < m_cap && m_winStart + qint64(m_win.size()) == m_liveNext)
                stepOne();
            if (m_live) {
                m_st->finish();
                m_live = false;
            }
        }
        if (Row* r = inWindow(i)) return r;
        if (m_end >= 0 && i >= m_end) {
            const qint64 k = i - m_end;
            return k < qint64(m_added.size()) ? &m_added[size_t(k)] : nullptr;
        }
        return nullptr;
    }

    qint64 count() override
    {
        if (m_end >= 0) return m_end + qint64(m_added.size());
        if (m_forwardOnly) return -1;
        return queryRows() + qint64(m_added.size());
    }

    qint64 append(Row row) override
    {
        m_addedRowids.insert(row.rowid);
        const qint64 base = m_end >= 0 ? m_end : queryRows();
        if (m_end < 0) m_end = base;
        m_added.push_back(std::move(row));
        return base + qint64(m_added.size()) - 1;
    }

    void noteDeleted(qint64 index, const Row& row) override
    {
        if (m_end >= 0 && index >= m_end) {
            m_addedRowids.erase(row.rowid);
            return;
        }
        m_deleted[index] = row;
        m_deleted[index].deleted = true;
    }

    void columns(std::vector<ColumnInfo>& out) override
    {
        out.clear();
        for (int i = 0; i < m_st->columnCount(); ++i)
            out.push_back(m_st->column(i));
    }

private:
    Row* inWindow(qint64 i)
    {
        if (i >= m_winStart && i < m_winStart + qint64(m_win.size())) return &m_win[size_t(i - m_winStart)];
        return nullptr;
    }

    qint64 queryRows()
    {
        if (m_queryCount < 0) {
            qint64 n = m_st->countRows();
            if (m_max > 0) n = std::min<qint64>(n, m_max);
            m_queryCount = n - qint64(m_addedRowids.size()) + qint64(m_deleted.size());
        }
        return m_queryCount;
    }

    void restart(qint64 i)
    {
        qint64 below = 0;
        for (const auto& d : m_deleted)
            if (d.first < i) ++below;
        m_win.clear();
        m_winStart = i;
        m_liveNext = i;
        m_startedAt = i;
        m_st->execute(i - below);
        m_live = true;
    }

    void stepOne()
    {
        while (m_deleted.count(m_liveNext)) {
            push(m_deleted[m_liveNext]);
        }
        for (;;) {
            if ((m_max > 0 && m_liveNext >= m_max) || !m_st->next()) {
                m_live = false;
                if (m_liveNext > m_startedAt || m_startedAt == 0)
                    m_end = m_liveNext;
                else if (!m_forwardOnly)
                    m_end = queryRows();
                return;
            }
            Row r = readRow(*m_st);
            if (!m_addedRowids.empty() && m_addedRowids.count(r.rowid)) continue;
            push(std::move(r));
            return;
        }
    }

    void push(Row r)
    {
        if (m_winStart + qint64(m_win.size()) != m_liveNext) {
            m_win.clear();
            m_winStart = m_liveNext;
        }
        m_win.push_back(std::move(r));
        ++m_liveNext;
        while (qint64(m_win.size()) > m_cap) {
            m_win.pop_front();
            ++m_winStart;
        }
    }

    std::unique_ptr<Statement> m_st;
    bool m_streaming;
    bool m_forwardOnly;
    qint64 m_cap;
    long m_max;
    std::deque<Row> m_win;
    qint64 m_winStart = 0;
    bool m_live = false;
    qint64 m_liveNext = 0;
    qint64 m_startedAt = 0;
    qint64 m_end = -1;        // rows of the query, once the end was met
    qint64 m_queryCount = -1; // rows of the query, once counted
    std::vector<Row> m_added;
    std::set<qint64> m_addedRowids;
    std::map<qint64, Row> m_deleted;
};

// A bare table name (not SQL) is opened as "SELECT * FROM [name]".
bool looksLikeTableName(const QString& source)
{
    const QString s = source.trimmed();
    if (s.isEmpty()) return false;
    if (s.startsWith(u'[') && s.endsWith(u']') && s.count(u'[') == 1) return true;
    static const QStringList keywords{"SELECT", "INSERT", "UPDATE",    "DELETE",     "CREATE",
                                      "DROP",   "ALTER",  "TRANSFORM", "PARAMETERS", "WITH",
                                      "PRAGMA", "EXEC",   "EXECUTE"};
    if (s.startsWith(u'(')) return false;
    int end = 0;
    while (end < s.size() && !s[end].isSpace() && s[end] != u'(')
        ++end;
    if (keywords.contains(s.left(end), Qt::CaseInsensitive)) return false;
    return !s.contains(u' ') || (s.startsWith(u'[') && s.endsWith(u']'));
}

vb::Variant coerce(const ColumnInfo& c, const vb::Variant& v)
{
    if (v.isNull() || v.isEmpty()) return vb::Variant::Null();
    try {
        switch (c.type) {
        case adBoolean:
            return vb::Variant(vb::CBool(v));
        case adSmallInt:
            return vb::Variant(vb::CInt(v));
        case adInteger:
            return vb::Variant(vb::CLng(v));
        case adBigInt:
            return vb::Variant::fromLongLong(vb::CLngLng(v));
        case adUnsignedTinyInt: {
            const auto n = vb::CInt(v);
            if (n < 0 || n > 255) vb::Raise(vb::errnum::Overflow);
            return vb::Variant(n);
        }
        case adSingle:
            return vb::Variant(static_cast<float>(vb::CDbl(v)));
        case adDouble:
        case adNumeric:
        case adDecimal:
            return vb::Variant(vb::CDbl(v));
        case adCurrency:
            return vb::Variant::fromCurrency(std::llround(vb::CDbl(v) * 10000.0));
        case adDate:
            return vb::Variant::fromDate(vb::CDate(v));
        case adVarWChar:
        case adWChar:
        case adLongVarWChar:
        case adChar:
        case adVarChar:
        case adLongVarChar:
            return vb::Variant(vb::CStr(v));
        default:
            return v;
        }
    } catch (const vb::ErrObject&) {
        RaiseAdo(errnum::MultipleStep, RecordsetSource());
    }
}

} // namespace

// ---------------------------------------------------------------- Field / Fields

QString Field::Name() const
{
    return m_rs->columnInfo(m_index).name;
}

vb::Variant Field::Value() const
{
    m_rs->checkOpen();
    if (m_rs->m_edit.active) return m_rs->m_edit.values[size_t(m_index)];
    Row* r = m_rs->current();
    if (!r) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    return r->values[size_t(m_index)];
}

void Field::SetValue(const vb::Variant& value)
{
    m_rs->checkOpen();
    if (!m_rs->updatable()) RaiseAdo(errnum::NotUpdatable, RecordsetSource());
    const ColumnInfo& c = m_rs->columnInfo(m_index);
    if (!c.updatable)
        Raise(errnum::JetFailure,
              QStringLiteral("Field '%1' is based on an expression and cannot be edited.").arg(c.name),
              JetSource());
    const vb::Variant v = coerce(c, value);
    m_rs->beginEdit();
    m_rs->m_edit.values[size_t(m_index)] = v;
    m_rs->m_edit.changed[size_t(m_index)] = true;
}

int Field::Type() const
{
    return m_rs->columnInfo(m_index).type;
}

qint64 Field::DefinedSize() const
{
    return m_rs->columnInfo(m_index).definedSize;
}

qint64 Field::ActualSize() const
{
    const vb::Variant v = Value();
    if (v.isNull() || v.isEmpty()) return 0;
    switch (Type()) {
    case adVarWChar:
    case adWChar:
    case adLongVarWChar:
    case adChar:
    case adVarChar:
    case adLongVarChar:
        return v.text().size();
    default:
        return DefinedSize();
    }
}

Field& Fields::Item(int index)
{
    if (index < 0 || index >= int(m_fields.size())) RaiseAdo(errnum::ItemNotFound, FieldsSource());
    return m_fields[size_t(index)];
}

Field& Fields::Item(const QString& name)
{
    for (auto& f : m_fields)
        if (f.Name().compare(name, Qt::CaseInsensitive) == 0) return f;
    RaiseAdo(errnum::ItemNotFound, FieldsSource());
}

// ---------------------------------------------------------------- Recordset

Recordset::Recordset() = default;

Recordset::~Recordset()
{
    m_rows.reset();
    if (m_ownsConnection && m_conn && m_conn->State() == adStateOpen) m_conn->Close();
}

std::shared_ptr<Recordset> Recordset::Create()
{
    return std::shared_ptr<Recordset>(new Recordset());
}

void Recordset::checkOpen() const
{
    if (!m_open) RaiseAdo(errnum::ObjectClosed, RecordsetSource());
}

void Recordset::SetCursorLocation(int location)
{
    if (m_open) RaiseAdo(errnum::ObjectOpen, RecordsetSource());
    m_cursorLocation = location;
}

void Recordset::SetCursorType(int type)
{
    if (m_open) RaiseAdo(errnum::ObjectOpen, RecordsetSource());
    m_cursorType = type;
}

void Recordset::SetLockType(int type)
{
    if (m_open) RaiseAdo(errnum::ObjectOpen, RecordsetSource());
    m_lockType = type;
}

void Recordset::SetCacheSize(long rows)
{
    if (rows < 1)
        Raise(BadArguments,
              QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in "
                             "conflict with one another."),
              RecordsetSource());
    m_cacheSize = rows;
}

void Recordset::SetPageSize(long rows)
{
    if (rows < 1)
        Raise(BadArguments,
              QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in "
                             "conflict with one another."),
              RecordsetSource());
    m_pageSize = rows;
}

void Recordset::SetActiveConnection(const std::shared_ptr<Connection>& connection)
{
    if (m_open && !m_snapshot) RaiseAdo(errnum::ObjectOpen, RecordsetSource());
    if (m_ownsConnection && m_conn && m_conn != connection && m_conn->State() == adStateOpen) m_conn->Close();
    m_ownsConnection = false;
    m_conn = connection;
}

void Recordset::SetActiveConnection(const QString& connectionString)
{
    auto c = Connection::Create();
    c->Open(connectionString);
    SetActiveConnection(c);
    m_ownsConnection = true;
}

void Recordset::Open(const QString& source, const std::shared_ptr<Connection>& connection, int cursorType,
                     int lockType, int options)
{
    if (m_open) RaiseAdo(errnum::ObjectOpen, RecordsetSource());
    if (connection) SetActiveConnection(connection);
    m_source = source;
    if (cursorType != adOpenUnspecified) m_cursorType = cursorType;
    if (lockType != adLockUnspecified) m_lockType = lockType;
    openResolved(options);
}

void Recordset::Open(const QString& source, const QString& connectionString, int cursorType, int lockType,
                     int options)
{
    if (m_open) RaiseAdo(errnum::ObjectOpen, RecordsetSource());
    SetActiveConnection(connectionString);
    m_source = source;
    if (cursorType != adOpenUnspecified) m_cursorType = cursorType;
    if (lockType != adLockUnspecified) m_lockType = lockType;
    openResolved(options);
}

void Recordset::Open(const QString& source)
{
    if (m_open) RaiseAdo(errnum::ObjectOpen, RecordsetSource());
    m_source = source;
    openResolved(adCmdUnspecified);
}

void Recordset::Open()
{
    Open(m_source);
}

void Recordset::openResolved(int options)
{
    if (!m_conn || m_conn->State() != adStateOpen) RaiseAdo(errnum::ConnectionInvalid, RecordsetSource());
    m_options = options;
    QString sql = m_source;
    if (options == adCmdTable || options == adCmdTableDirect ||
        (options != adCmdText && looksLikeTableName(sql))) {
        sql = TableStatement(sql);
    }
    auto provider = m_conn->providerConnection();
    auto st = provider->prepare(sql, m_lockType != adLockReadOnly);
    if (st->columnCount() == 0) {
        // a statement without rows runs, and the recordset stays closed
        st->execute(0);
        return;
    }
    attachSource(std::move(st));
}

void Recordset::openStatement(const std::shared_ptr<Connection>& conn, std::unique_ptr<Statement> statement,
                              int cursorLocation)
{
    m_conn = conn;
    m_ownsConnection = false;
    m_cursorLocation = cursorLocation;
    m_cursorType = cursorLocation == adUseClient ? adOpenStatic : adOpenForwardOnly;
    m_lockType = adLockReadOnly;
    attachSource(std::move(statement));
}

void Recordset::attachSource(std::unique_ptr<Statement> st)
{
    m_snapshot = m_cursorLocation == adUseClient;
    if (m_snapshot) m_cursorType = adOpenStatic;
    m_forwardOnly = !m_snapshot && m_cursorType == adOpenForwardOnly;
    m_hasRowid = st->hasRowid();
    const qint64 cap = std::max<long>(m_cacheSize, 100);
    if (m_snapshot) {
        m_rows = std::make_unique<SnapshotSource>(*st, m_maxRecords);
        st.reset();
    } else if (m_cursorType == adOpenStatic) {
        m_rows = std::make_unique<WindowSource>(std::move(st), false, false, cap, m_maxRecords);
    } else {
        m_rows = std::make_unique<WindowSource>(std::move(st), true, m_forwardOnly, cap, m_maxRecords);
    }
    m_rows->at(0); // fetches the first row, which also types expression columns
    m_rows->columns(m_columns);
    m_table = ColumnInfo();
    for (const auto& c : m_columns)
        if (c.updatable) {
            m_table = c;
            break;
        }
    if (m_table.table.isEmpty()) m_hasRowid = false;
    m_fields.m_fields.clear();
    for (int i = 0; i < int(m_columns.size()); ++i)
        m_fields.m_fields.push_back(Field(this, i));
    m_pos = 0;
    m_edit = Edit();
    m_open = true;
}

void Recordset::Close()
{
    checkOpen();
    m_edit = Edit();
    m_rows.reset();
    m_open = false;
    if (m_ownsConnection && m_conn) {
        if (m_conn->State() == adStateOpen) m_conn->Close();
        m_conn.reset();
        m_ownsConnection = false;
    }
}

qint64 Recordset::Bookmark()
{
    checkOpen();
    if (!m_hasRowid) RaiseAdo(errnum::NotUpdatable, RecordsetSource());
    Row* r = current();
    if (!r) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    return r->rowid;
}

ado::Fields& Recordset::Fields()
{
    checkOpen();
    return m_fields;
}

Row* Recordset::rowAt(qint64 index)
{
    return m_rows ? m_rows->at(index) : nullptr;
}

Row* Recordset::current()
{
    if (m_pos < 0) return nullptr;
    return rowAt(m_pos);
}

bool Recordset::Eof()
{
    checkOpen();
    if (m_edit.active && m_edit.isNew) return false;
    return m_pos >= 0 && rowAt(m_pos) == nullptr;
}

bool Recordset::Bof()
{
    checkOpen();
    if (m_edit.active && m_edit.isNew) return false;
    if (m_pos < 0) return true;
    // an empty recordset is at both ends
    return m_pos == 0 && rowAt(0) == nullptr;
}

void Recordset::skipDeleted(int direction)
{
    for (Row* r = current(); r && r->deleted; r = current())
        m_pos += direction;
    if (m_pos < -1) m_pos = -1;
}

void Recordset::MoveNext()
{
    checkOpen();
    flushEdit();
    if (Eof()) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    ++m_pos;
    skipDeleted(+1);
}

void Recordset::MovePrevious()
{
    checkOpen();
    flushEdit();
    if (m_forwardOnly) RaiseAdo(errnum::FetchBackward, RecordsetSource());
    if (m_pos < 0) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    --m_pos;
    skipDeleted(-1);
}

void Recordset::MoveFirst()
{
    checkOpen();
    flushEdit();
    m_pos = 0;
    skipDeleted(+1);
}

void Recordset::MoveLast()
{
    checkOpen();
    flushEdit();
    const qint64 n = m_rows->count();
    if (n >= 0) {
        m_pos = n - 1;
    } else {
        while (rowAt(m_pos + 1))
            ++m_pos;
    }
    if (m_pos < 0) m_pos = 0;
    skipDeleted(-1);
    if (m_pos < 0) m_pos = 0;
}

void Recordset::Move(long rows)
{
    checkOpen();
    flushEdit();
    if (rows < 0 && m_forwardOnly) RaiseAdo(errnum::FetchBackward, RecordsetSource());
    if (rows == 0) return;
    if ((rows > 0 && Eof()) || (rows < 0 && m_pos < 0)) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    qint64 p = m_pos + rows;
    if (p < 0) p = -1;
    m_pos = p;
    skipDeleted(rows > 0 ? +1 : -1);
}

long Recordset::RecordCount()
{
    checkOpen();
    const qint64 n = m_rows->count();
    if (n < 0) return -1;
    qint64 deleted = 0;
    if (m_snapshot) {
        for (const Row& r : *m_rows->all())
            if (r.deleted) ++deleted;
    } else {
        deleted = m_deletedCount;
    }
    return long(n - deleted);
}

long Recordset::AbsolutePosition()
{
    checkOpen();
    if (m_pos < 0) return adPosBOF;
    if (Eof()) return adPosEOF;
    return long(m_pos + 1);
}

void Recordset::SetAbsolutePosition(long position)
{
    checkOpen();
    flushEdit();
    if (position < 1)
        Raise(BadArguments,
              QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in "
                             "conflict with one another."),
              RecordsetSource());
    m_pos = position - 1;
}

long Recordset::PageCount()
{
    const long n = RecordCount();
    if (n < 0) return -1;
    return (n + m_pageSize - 1) / m_pageSize;
}

long Recordset::AbsolutePage()
{
    checkOpen();
    if (m_pos < 0) return adPosBOF;
    if (Eof()) return adPosEOF;
    return long(m_pos / m_pageSize + 1);
}

void Recordset::SetAbsolutePage(long page)
{
    checkOpen();
    flushEdit();
    if (page < 1)
        Raise(BadArguments,
              QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in "
                             "conflict with one another."),
              RecordsetSource());
    const qint64 target = qint64(page - 1) * m_pageSize;
    if (m_forwardOnly && target < m_pos) RaiseAdo(errnum::FetchBackward, RecordsetSource());
    m_pos = target;
    skipDeleted(+1);
}

// ---------------------------------------------------------------- editing

bool Recordset::updatable() const
{
    return m_lockType != adLockReadOnly && m_hasRowid;
}

bool Recordset::batchMode() const
{
    return m_snapshot && m_lockType == adLockBatchOptimistic;
}

bool Recordset::EditModePending() const
{
    return m_edit.active;
}

void Recordset::beginEdit()
{
    if (m_edit.active) return;
    Row* r = current();
    if (!r || r->deleted) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    m_edit.active = true;
    m_edit.isNew = false;
    m_edit.values = r->values;
    m_edit.changed.assign(m_columns.size(), false);
}

void Recordset::AddNew()
{
    checkOpen();
    if (!updatable()) RaiseAdo(errnum::NotUpdatable, RecordsetSource());
    flushEdit();
    m_edit.active = true;
    m_edit.isNew = true;
    m_edit.values.assign(m_columns.size(), vb::Variant::Null());
    m_edit.changed.assign(m_columns.size(), false);
}

void Recordset::flushEdit()
{
    if (m_edit.active) Update();
}

namespace {

std::shared_ptr<ProviderConnection> providerOf(const std::shared_ptr<Connection>& conn)
{
    if (!conn || conn->State() != adStateOpen) RaiseAdo(errnum::ConnectionInvalid, RecordsetSource());
    return conn->providerConnection();
}

} // namespace

// Writes one row's changes to its table and reads the stored row back.
void Recordset::writeRow(Row& row)
{
    auto provider = providerOf(m_conn);
    std::vector<ColumnInfo> cols;
    std::vector<vb::Variant> vals;
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (i < row.changed.size() && row.changed[i] && m_columns[i].updatable) {
            cols.push_back(m_columns[i]);
            vals.push_back(row.values[i]);
        }
    if (row.pendingDelete) {
        if (!row.pendingNew) provider->deleteRow(m_table, row.rowid);
    } else if (row.pendingNew) {
        row.rowid = provider->insertRow(m_table, cols, vals);
        std::vector<vb::Variant> stored;
        if (provider->fetchRow(m_table, row.rowid, m_columns, stored)) row.values = stored;
    } else if (!cols.empty()) {
        provider->updateRow(m_table, row.rowid, cols, vals);
    }
    row.pendingNew = row.pendingDelete = false;
    row.changed.assign(m_columns.size(), false);
}

void Recordset::Update()
{
    checkOpen();
    if (!m_edit.active) return;
    Edit edit = std::move(m_edit);
    m_edit = Edit();
    if (edit.isNew) {
        Row row;
        row.values = edit.values;
        row.changed = edit.changed;
        row.pendingNew = true;
        if (!batchMode()) {
            try {
                writeRow(row);
            } catch (...) {
                m_edit = std::move(edit); // the edit stays pending, as in ADO
                throw;
            }
        }
        m_pos = m_rows->append(std::move(row));
        return;
    }
    Row* r = current();
    if (!r) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    Row updated = *r;
    updated.values = edit.values;
    if (updated.changed.size() != m_columns.size()) updated.changed.assign(m_columns.size(), false);
    for (size_t i = 0; i < edit.changed.size(); ++i)
        if (edit.changed[i]) updated.changed[i] = true;
    if (!batchMode()) {
        try {
            writeRow(updated);
        } catch (...) {
            m_edit = std::move(edit);
            throw;
        }
    }
    *r = std::move(updated);
}

void Recordset::Update(const QString& field, const vb::Variant& value)
{
    Fields().Item(field).SetValue(value);
    Update();
}

void Recordset::UpdateBatch(int)
{
    checkOpen();
    flushEdit();
    if (!batchMode()) return;
    for (Row& r : *m_rows->all())
        if (r.pendingNew || r.pendingDelete || r.pendingChange()) writeRow(r);
}

void Recordset::CancelUpdate()
{
    checkOpen();
    m_edit = Edit();
}

void Recordset::CancelBatch(int)
{
    checkOpen();
    m_edit = Edit();
    if (!batchMode()) return;
    // Rows added in the batch stay out; deletions and changes are forgotten
    // (a changed row keeps the values shown until it is read again).
    for (Row& r : *m_rows->all()) {
        if (r.pendingNew) r.deleted = true;
        if (r.pendingDelete) r.deleted = false;
        r.pendingNew = r.pendingDelete = false;
        r.changed.assign(m_columns.size(), false);
    }
}

void Recordset::Delete(int)
{
    checkOpen();
    if (!updatable()) RaiseAdo(errnum::NotUpdatable, RecordsetSource());
    if (m_edit.active && m_edit.isNew) {
        m_edit = Edit();
        return;
    }
    m_edit = Edit();
    Row* r = current();
    if (!r || r->deleted) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    if (batchMode()) {
        r->pendingDelete = true;
    } else {
        providerOf(m_conn)->deleteRow(m_table, r->rowid);
        ++m_deletedCount;
    }
    r->deleted = true;
    m_rows->noteDeleted(m_pos, *r);
}

// ---------------------------------------------------------------- bulk reads

std::vector<std::vector<vb::Variant>> Recordset::GetRows(long rows)
{
    checkOpen();
    flushEdit();
    if (Eof() || m_pos < 0) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    std::vector<std::vector<vb::Variant>> out(m_columns.size());
    long taken = 0;
    for (Row* r = current(); r && (rows < 0 || taken < rows); r = current()) {
        if (!r->deleted) {
            for (size_t f = 0; f < out.size(); ++f)
                out[f].push_back(r->values[f]);
            ++taken;
        }
        ++m_pos;
    }
    skipDeleted(+1);
    return out;
}

QString Recordset::GetString(int, long numRows, const QString& columnDelimiter, const QString& rowDelimiter,
                             const QString& nullExpr)
{
    checkOpen();
    flushEdit();
    if (Eof() || m_pos < 0) RaiseAdo(errnum::NoCurrentRecord, RecordsetSource());
    QString out;
    long taken = 0;
    for (Row* r = current(); r && (numRows < 0 || taken < numRows); r = current()) {
        if (!r->deleted) {
            for (size_t f = 0; f < r->values.size(); ++f) {
                const vb::Variant& v = r->values[f];
                out += v.isNull() ? nullExpr : v.text();
                out += f + 1 < r->values.size() ? columnDelimiter : rowDelimiter;
            }
            ++taken;
        }
        ++m_pos;
    }
    skipDeleted(+1);
    return out;
}

void Recordset::Requery(int)
{
    checkOpen();
    m_edit = Edit();
    m_rows.reset();
    m_open = false;
    m_deletedCount = 0;
    openResolved(m_options);
}

} // namespace ado
