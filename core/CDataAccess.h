#pragma once
// CDataAccess: the one gateway between the program and its database. It keeps
// the default connection string and one shared connection, and runs SQL text:
// statements without rows, queries handed out as disconnected client-side
// recordsets, counts and the newest key of a table.
//
// Every call may name its own connection string; a connection is then opened
// for that call and closed after it. With no string, the call runs on the
// shared connection while that is open, otherwise on a connection of its own
// opened on the default string. Failures are reported through HandleError
// with the module name "DataAccessAPI" and give the member's failure value.

#include "platform/vb/Variant.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace ado {
class Connection;
class Recordset;
} // namespace ado

class CDataAccess {
public:
    CDataAccess() = default;
    ~CDataAccess();
    CDataAccess(const CDataAccess&) = delete;
    CDataAccess& operator=(const CDataAccess&) = delete;

    // Errors are raised to the caller instead of shown.
    void SetIsRaiseError(bool value) { m_isRaiseError = value; }
    bool IsRaiseError() const { return m_isRaiseError; }

    // Changing it to another text while the shared connection is open closes
    // that connection first, so no call goes on running on the old database.
    void SetDefaultConnectionString(const QString& connectionString);
    QString DefaultConnectionString() const { return m_defaultConnectionString; }

    // The shared connection, opened when needed (reopen: closed and opened
    // again); nullptr when it cannot be opened.
    std::shared_ptr<ado::Connection> GetConnection(const QString& connectionString = {}, bool shape = false,
                                                   bool reopen = false);
    bool BeginTrans();
    // Closes and releases the shared connection; a transaction on it ends.
    void CloseConnection();
    bool CommitTrans();
    bool DisconnectRecordset(std::shared_ptr<ado::Recordset>& rs);
    bool ExecQuery(const QString& sql, const QString& connectionString = {});
    // A keyset recordset on the shared connection that stays connected;
    // lockType 0 means batch optimistic.
    bool GetConnectedRecordset(const QString& sql, std::shared_ptr<ado::Recordset>& rs, int lockType = 0,
                               int options = -1);
    // The query as a static client-side recordset detached from every
    // connection; rs is reused when given. On failure rs is released.
    bool GetRecordset(const QString& sql, std::shared_ptr<ado::Recordset>& rs,
                      const QString& connectionString = {}, std::int32_t options = -1, bool shape = false);
    // The first field of the first row: of the text when it holds "SELECT",
    // else of "Select count(*) as MyCount from " + text. 0 without rows, -1
    // on failure.
    std::int32_t GetCount(const QString& sqlOrTable, const QString& connectionString = {});
    // As GetCount, for a bare table name "Select top 1 ID from <table> ORDER
    // BY ID DESC"; 0 without rows, for Null and on failure.
    std::int32_t GetAutoNumberID(const QString& sqlOrTable, const QString& connectionString = {});
    // Field `field` (from 0) of the first row; Empty without rows.
    vb::Variant GetFiledValue(const QString& sql, const QString& connectionString = {},
                              std::int32_t field = 0);
    // Every row as [field][row]; empty without rows.
    std::vector<std::vector<vb::Variant>> GetRowValue(const QString& sql,
                                                      const QString& connectionString = {});
    bool IsInTransaction() const { return m_inTransaction; }
    bool OpenConnection(const QString& connectionString = {}, bool shape = false);
    // Reattaches a disconnected recordset, writes its changes in one batch
    // and detaches it again.
    bool PutRecordset(const std::shared_ptr<ado::Recordset>& rs, const QString& connectionString = {});
    bool RollbackTrans();
    bool IsConnected() const { return m_connected; }
    // True when a connection on the effective string opens and closes.
    bool DataComponentsInstalled(const QString& connectionString = {});
    // The string a call with this argument runs on: the argument itself; else
    // "" while the shared connection is open (use it); else the default.
    QString GetConnectionString(const QString& connectionString) const;

    // The key the database gave the last row inserted on the shared
    // connection; 0 when there is none or the database cannot tell. Never
    // reports: callers fall back on their own key query.
    std::int32_t LastInsertID();

    // The last error a member trapped.
    std::int32_t LastErrorNumber() const { return m_errNumber; }
    QString LastErrorDescription() const { return m_errDescription; }

private:
    // Per-call connection for a non-empty effective string, else the shared
    // one (nullptr when it is not open).
    std::shared_ptr<ado::Connection> connectionFor(const QString& effective, bool shape, bool& perCall);
    static QString shaped(const QString& connectionString, bool shape);
    void report(const char* function);

    bool m_inTransaction = false;
    std::shared_ptr<ado::Connection> m_connection;
    QString m_defaultConnectionString;
    QString m_currentConnectionString;
    bool m_connected = false;
    std::int32_t m_errNumber = 0;
    QString m_errDescription;
    bool m_isRaiseError = false;
};
