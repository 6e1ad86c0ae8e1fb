#pragma once
// ado::Recordset, Fields and Field.
//
// Where the rows live depends on the cursor, as in ADO:
// - client-side (CursorLocation adUseClient): a snapshot of every row, which
//   stays readable and movable after its connection closes or is detached;
// - server-side forward-only: rows streamed from the prepared statement, one
//   at a time (RecordCount is -1);
// - server-side static: the count comes from the engine and rows are fetched
//   in windows of about CacheSize rows (at least 100), so paging through a
//   table of millions of rows never holds more than one window;
// - server-side keyset/dynamic: streamed like forward-only, but movable
//   both ways through a window of recent rows.
// Rows of a query on one table carry their rowid, so AddNew, Update and
// Delete write that table row (virtual-table rows included).

#include "platform/ado/Ado.h"
#include "platform/ado/Provider.h"
#include "platform/vb/Variant.h"

#include <QString>
#include <memory>
#include <vector>

namespace ado {

class Connection;
class Recordset;
class RowSource;
struct Row;

class Field {
public:
    QString Name() const;
    // The current row's value (the edited one while an edit is pending).
    // Raises 3021 without a current record.
    vb::Variant Value() const;
    // Changes the value of the current row (or the new row after AddNew);
    // written by Update. A value the column cannot hold raises -2147217887.
    void SetValue(const vb::Variant& value);
    int Type() const;
    qint64 DefinedSize() const;
    qint64 ActualSize() const;

private:
    friend class Recordset;
    Field(Recordset* rs, int index) : m_rs(rs), m_index(index) {}
    Recordset* m_rs;
    int m_index;
};

class Fields {
public:
    long Count() const { return long(m_fields.size()); }
    // By position from 0, or by name without regard to case; a missing one
    // raises 3265.
    Field& Item(int index);
    Field& Item(const QString& name);
    Field& operator[](int index) { return Item(index); }
    Field& operator[](const QString& name) { return Item(name); }
    auto begin() { return m_fields.begin(); }
    auto end() { return m_fields.end(); }

private:
    friend class Recordset;
    std::vector<Field> m_fields;
};

class Recordset : public std::enable_shared_from_this<Recordset> {
public:
    static std::shared_ptr<Recordset> Create();
    ~Recordset();

    // Source: SQL text or a table name. The connection is an open Connection
    // or a connection string (the recordset then opens and owns its own
    // connection). Unspecified cursor and lock types keep the properties.
    void Open(const QString& source, const std::shared_ptr<Connection>& connection,
              int cursorType = adOpenUnspecified, int lockType = adLockUnspecified,
              int options = adCmdUnspecified);
    void Open(const QString& source, const QString& connectionString, int cursorType = adOpenUnspecified,
              int lockType = adLockUnspecified, int options = adCmdUnspecified);
    // With the Source and ActiveConnection already set.
    void Open(const QString& source);
    void Open();
    void Close();
    int State() const { return m_open ? adStateOpen : adStateClosed; }

    std::shared_ptr<Connection> ActiveConnection() const { return m_conn; }
    // nullptr detaches a client-side recordset from its connection.
    void SetActiveConnection(const std::shared_ptr<Connection>& connection);
    void SetActiveConnection(const QString& connectionString);
    void SetActiveConnection(std::nullptr_t) { SetActiveConnection(std::shared_ptr<Connection>()); }
    QString Source() const { return m_source; }
    void SetSource(const QString& source) { m_source = source; }

    int CursorLocation() const { return m_cursorLocation; }
    void SetCursorLocation(int location);
    int CursorType() const { return m_cursorType; }
    void SetCursorType(int type);
    int LockType() const { return m_lockType; }
    void SetLockType(int type);
    long CacheSize() const { return m_cacheSize; }
    void SetCacheSize(long rows);
    long MaxRecords() const { return m_maxRecords; }
    void SetMaxRecords(long rows) { m_maxRecords = rows; }

    bool Eof();
    bool Bof();
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void Move(long rows);

    // -1 for a server-side forward-only recordset; otherwise the rows, less
    // those deleted through it.
    long RecordCount();
    // 1-based position; adPosBOF / adPosEOF / adPosUnknown when off the rows.
    long AbsolutePosition();
    void SetAbsolutePosition(long position);
    long PageSize() const { return m_pageSize; }
    void SetPageSize(long rows);
    long PageCount();
    long AbsolutePage();
    // Moves to the first row of the page; beyond the last page is EOF.
    void SetAbsolutePage(long page);

    ado::Fields& Fields();
    Field& Item(int index) { return Fields().Item(index); }
    Field& Item(const QString& name) { return Fields().Item(name); }
    vb::Variant Value(int index) { return Fields().Item(index).Value(); }
    vb::Variant Value(const QString& name) { return Fields().Item(name).Value(); }

    // The current row's address in its table, for reaching the row again
    // after the cursor has moved on (SQL names it rowid). Raises 3251 when
    // the rows carry no address (a read-only or multi-table query).
    qint64 Bookmark();

    void AddNew();
    // Writes the pending edit (batch-optimistic client recordsets keep it
    // until UpdateBatch). The form with a field and value sets it first.
    void Update();
    void Update(const QString& field, const vb::Variant& value);
    void UpdateBatch(int affectRecords = adAffectAll);
    void CancelUpdate();
    void CancelBatch(int affectRecords = adAffectAll);
    void Delete(int affectRecords = adAffectCurrent);
    bool EditModePending() const;

    // Rows from the current one on, as [field][row]; moves past them.
    // rows < 0: all the rest.
    std::vector<std::vector<vb::Variant>> GetRows(long rows = adGetRowsRest);
    // Rows from the current one on as text; Null gives nullExpr; moves past them.
    QString GetString(int format = adClipString, long numRows = -1,
                      const QString& columnDelimiter = QStringLiteral("\t"),
                      const QString& rowDelimiter = QStringLiteral("\r"),
                      const QString& nullExpr = QString());
    void Requery(int options = -1);

    // Opens on a prepared statement (Connection::Execute and Command).
    void openStatement(const std::shared_ptr<Connection>& conn, std::unique_ptr<Statement> statement,
                       int cursorLocation);

private:
    friend class Field;
    Recordset();
    void checkOpen() const;
    void openResolved(int options);
    void attachSource(std::unique_ptr<Statement> statement);
    Row* current();
    Row* rowAt(qint64 index);
    const ColumnInfo& columnInfo(int index) const { return m_columns.at(size_t(index)); }
    void beginEdit();
    void flushEdit();
    bool batchMode() const;
    void writeRow(Row& row);
    void skipDeleted(int direction);
    bool updatable() const;

    bool m_open = false;
    std::shared_ptr<Connection> m_conn;
    bool m_ownsConnection = false;
    QString m_source;
    int m_cursorLocation = adUseServer;
    int m_cursorType = adOpenForwardOnly;
    int m_lockType = adLockReadOnly;
    long m_cacheSize = 1;
    long m_pageSize = 10;
    long m_maxRecords = 0;
    int m_options = adCmdUnspecified;
    std::vector<ColumnInfo> m_columns;
    ColumnInfo m_table;
    bool m_hasRowid = false;
    ado::Fields m_fields;
    std::unique_ptr<RowSource> m_rows;
    qint64 m_pos = 0;
    bool m_snapshot = false;
    bool m_forwardOnly = false;
    qint64 m_deletedCount = 0;

    struct Edit {
        bool active = false;
        bool isNew = false;
        std::vector<vb::Variant> values;
        std::vector<bool> changed;
    } m_edit;
};

} // namespace ado
