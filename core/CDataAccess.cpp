#include "core/CDataAccess.h"

#include "core/ErrorReport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"

namespace {

const QString kModule = QStringLiteral("DataAccessAPI");

void closeQuietly(const std::shared_ptr<ado::Connection>& conn)
{
    try {
        if (conn && conn->State() != ado::adStateClosed) conn->Close();
    } catch (...) {
    }
}

void closeQuietly(const std::shared_ptr<ado::Recordset>& rs)
{
    try {
        if (rs && rs->State() != ado::adStateClosed) rs->Close();
    } catch (...) {
    }
}

} // namespace

CDataAccess::~CDataAccess()
{
    try {
        CloseConnection();
    } catch (...) {
    }
}

void CDataAccess::report(const char* function)
{
    const vb::ErrObject& e = vb::CatchError();
    m_errNumber = e.Number;
    m_errDescription = e.Description;
    HandleError(m_errNumber, m_errDescription, kModule, QString::fromLatin1(function), m_isRaiseError);
}

void CDataAccess::SetDefaultConnectionString(const QString& connectionString)
{
    // The shared connection belongs to the old database: leaving it open
    // would send every later call there.
    if (connectionString != m_defaultConnectionString && m_connected) CloseConnection();
    m_defaultConnectionString = connectionString;
}

QString CDataAccess::GetConnectionString(const QString& connectionString) const
{
    if (!connectionString.isEmpty()) return connectionString;
    if (m_connected) return QString();
    return m_defaultConnectionString;
}

QString CDataAccess::shaped(const QString& connectionString, bool shape)
{
    return shape ? QStringLiteral("Provider=MSDataShape; Data ") + connectionString : connectionString;
}

std::shared_ptr<ado::Connection> CDataAccess::connectionFor(const QString& effective, bool shape,
                                                            bool& perCall)
{
    perCall = !effective.isEmpty();
    if (!perCall) {
        if (!m_connection) vb::Raise(vb::errnum::ObjectVariableNotSet);
        return m_connection;
    }
    auto conn = ado::Connection::Create();
    conn->Open(shaped(effective, shape), QString(), QString());
    return conn;
}

bool CDataAccess::OpenConnection(const QString& connectionString, bool shape)
{
    try {
        m_currentConnectionString = GetConnectionString(connectionString);
        if (!m_currentConnectionString.isEmpty()) {
            if (!m_connection)
                m_connection = ado::Connection::Create();
            else if (m_connection->State() != ado::adStateClosed)
                m_connection->Close();
            m_connected = false;
            m_inTransaction = false;
            m_connection->Open(shaped(m_currentConnectionString, shape), QString(), QString());
        }
        m_connected = true;
        return true;
    } catch (...) {
        m_connected = false;
        report("OpenConnection");
        return false;
    }
}

void CDataAccess::CloseConnection()
{
    try {
        if (m_connection) {
            auto conn = std::move(m_connection);
            m_connection.reset();
            if (conn->State() != ado::adStateClosed) conn->Close();
        }
    } catch (...) {
        m_connected = false;
        m_inTransaction = false;
        report("CloseConnection");
        return;
    }
    m_connected = false;
    m_inTransaction = false;
}

std::shared_ptr<ado::Connection> CDataAccess::GetConnection(const QString& connectionString, bool shape,
                                                            bool reopen)
{
    if (reopen) {
        if (m_connected) CloseConnection();
        if (!OpenConnection(connectionString, shape)) return nullptr;
    } else if (!m_connected) {
        if (!OpenConnection(connectionString, shape)) return nullptr;
    }
    return m_connection;
}

bool CDataAccess::BeginTrans()
{
    m_inTransaction = false;
    try {
        if (!m_connected) return false;
        if (!m_connection) vb::Raise(vb::errnum::ObjectVariableNotSet);
        m_connection->BeginTrans();
        m_inTransaction = true;
        return true;
    } catch (...) {
        report("BeginTrans");
        return false;
    }
}

bool CDataAccess::CommitTrans()
{
    try {
        if (!m_connection) vb::Raise(vb::errnum::ObjectVariableNotSet);
        m_connection->CommitTrans();
        m_inTransaction = false;
        return true;
    } catch (...) {
        report("CommitTrans");
        return false;
    }
}

bool CDataAccess::RollbackTrans()
{
    try {
        if (m_connected) {
            if (!m_connection) vb::Raise(vb::errnum::ObjectVariableNotSet);
            m_connection->RollbackTrans();
        }
        m_inTransaction = false;
        return true;
    } catch (...) {
        m_inTransaction = false;
        report("RollbackTrans");
        return false;
    }
}

bool CDataAccess::DisconnectRecordset(std::shared_ptr<ado::Recordset>& rs)
{
    try {
        if (!rs) vb::Raise(vb::errnum::ObjectVariableNotSet);
        if (rs->State() != ado::adStateClosed) rs->Close();
        rs->SetActiveConnection(std::shared_ptr<ado::Connection>());
        return true;
    } catch (...) {
        report("DisconnectRecordset");
        return false;
    }
}

bool CDataAccess::ExecQuery(const QString& sql, const QString& connectionString)
{
    std::shared_ptr<ado::Connection> conn;
    bool perCall = false;
    try {
        m_currentConnectionString = GetConnectionString(connectionString);
        conn = connectionFor(m_currentConnectionString, false, perCall);
        conn->Execute(sql, nullptr, ado::adExecuteNoRecords);
        if (perCall) conn->Close();
        return true;
    } catch (...) {
        if (perCall) closeQuietly(conn);
        report("ExecQuery");
        return false;
    }
}

bool CDataAccess::GetConnectedRecordset(const QString& sql, std::shared_ptr<ado::Recordset>& rs, int lockType,
                                        int options)
{
    try {
        auto conn = GetConnection();
        if (!conn) return false;
        if (rs)
            closeQuietly(rs);
        else
            rs = ado::Recordset::Create();
        rs->SetCursorLocation(ado::adUseServer);
        rs->Open(sql, conn, ado::adOpenKeyset, lockType == 0 ? ado::adLockBatchOptimistic : lockType,
                 options);
        return true;
    } catch (...) {
        report("GetConnectedRecordset");
        return false;
    }
}

bool CDataAccess::GetRecordset(const QString& sql, std::shared_ptr<ado::Recordset>& rs,
                               const QString& connectionString, std::int32_t options, bool shape)
{
    std::shared_ptr<ado::Connection> conn;
    bool perCall = false;
    try {
        m_currentConnectionString = GetConnectionString(connectionString);
        conn = connectionFor(m_currentConnectionString, shape, perCall);
        if (rs)
            closeQuietly(rs);
        else
            rs = ado::Recordset::Create();
        rs->SetActiveConnection(conn);
        rs->SetCursorLocation(ado::adUseClient);
        rs->SetCursorType(ado::adOpenStatic);
        rs->SetLockType(ado::adLockBatchOptimistic);
        rs->Open(sql, conn, ado::adOpenUnspecified, ado::adLockUnspecified, options);
        rs->SetActiveConnection(std::shared_ptr<ado::Connection>());
        if (perCall) conn->Close();
        return true;
    } catch (...) {
        closeQuietly(rs);
        rs.reset();
        if (perCall) closeQuietly(conn);
        report("GetRecordset");
        return false;
    }
}

namespace {

// The first field of the first row of a query, read through a client-side
// forward-only read-only recordset. Empty at the end of the rows.
vb::Variant firstValue(const std::shared_ptr<ado::Connection>& conn, const QString& sql,
                       std::shared_ptr<ado::Recordset>& rs, int field = 0)
{
    rs = ado::Recordset::Create();
    rs->SetCursorLocation(ado::adUseClient);
    rs->Open(sql, conn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    vb::Variant value;
    if (!rs->Eof()) value = rs->Value(field);
    rs->Close();
    return value;
}

} // namespace

std::int32_t CDataAccess::GetCount(const QString& sqlOrTable, const QString& connectionString)
{
    std::int32_t result = -1;
    std::shared_ptr<ado::Connection> conn;
    std::shared_ptr<ado::Recordset> rs;
    bool perCall = false;
    try {
        m_currentConnectionString = GetConnectionString(connectionString);
        conn = connectionFor(m_currentConnectionString, false, perCall);
        const QString sql = sqlOrTable.toUpper().contains(QStringLiteral("SELECT"))
                                ? sqlOrTable
                                : QStringLiteral("Select count(*) as MyCount from ") + sqlOrTable;
        const vb::Variant v = firstValue(conn, sql, rs);
        result = v.isEmpty() ? 0 : vb::CLng(v);
        if (perCall) conn->Close();
        return result;
    } catch (...) {
        closeQuietly(rs);
        if (perCall) closeQuietly(conn);
        report("GetCount");
        return -1;
    }
}

std::int32_t CDataAccess::GetAutoNumberID(const QString& sqlOrTable, const QString& connectionString)
{
    std::shared_ptr<ado::Connection> conn;
    std::shared_ptr<ado::Recordset> rs;
    bool perCall = false;
    try {
        m_currentConnectionString = GetConnectionString(connectionString);
        conn = connectionFor(m_currentConnectionString, false, perCall);
        const QString sql =
            sqlOrTable.toUpper().contains(QStringLiteral("SELECT"))
                ? sqlOrTable
                : QStringLiteral("Select top 1 ID from ") + sqlOrTable + QStringLiteral(" ORDER BY ID DESC");
        const vb::Variant v = firstValue(conn, sql, rs);
        const std::int32_t result = (v.isEmpty() || v.isNull()) ? 0 : vb::CLng(v);
        if (perCall) conn->Close();
        return result;
    } catch (...) {
        closeQuietly(rs);
        if (perCall) closeQuietly(conn);
        report("GetAutoNumberID");
        return 0;
    }
}

std::int32_t CDataAccess::LastInsertID()
{
    if (!m_connected || !m_connection) return 0;
    try {
        std::shared_ptr<ado::Recordset> rs;
        const vb::Variant v =
            firstValue(m_connection, QStringLiteral("SELECT @@IDENTITY AS 'Identity' "), rs);
        return (v.isEmpty() || v.isNull()) ? 0 : vb::CLng(v);
    } catch (...) {
        return 0;
    }
}

vb::Variant CDataAccess::GetFiledValue(const QString& sql, const QString& connectionString,
                                       std::int32_t field)
{
    std::shared_ptr<ado::Connection> conn;
    std::shared_ptr<ado::Recordset> rs;
    bool perCall = false;
    try {
        m_currentConnectionString = GetConnectionString(connectionString);
        conn = connectionFor(m_currentConnectionString, false, perCall);
        vb::Variant v = firstValue(conn, sql, rs, field);
        if (perCall) conn->Close();
        return v;
    } catch (...) {
        closeQuietly(rs);
        if (perCall) closeQuietly(conn);
        report("GetFiledValue");
        return vb::Variant();
    }
}

std::vector<std::vector<vb::Variant>> CDataAccess::GetRowValue(const QString& sql,
                                                               const QString& connectionString)
{
    std::shared_ptr<ado::Connection> conn;
    std::shared_ptr<ado::Recordset> rs;
    bool perCall = false;
    try {
        m_currentConnectionString = GetConnectionString(connectionString);
        conn = connectionFor(m_currentConnectionString, false, perCall);
        rs = ado::Recordset::Create();
        rs->SetCursorLocation(ado::adUseClient);
        rs->Open(sql, conn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        std::vector<std::vector<vb::Variant>> rows;
        if (!rs->Eof()) rows = rs->GetRows();
        rs->Close();
        if (perCall) conn->Close();
        return rows;
    } catch (...) {
        closeQuietly(rs);
        if (perCall) closeQuietly(conn);
        report("GetFiledValue");
        return {};
    }
}

bool CDataAccess::PutRecordset(const std::shared_ptr<ado::Recordset>& rs, const QString& connectionString)
{
    std::shared_ptr<ado::Connection> conn;
    bool perCall = false;
    try {
        if (!rs) vb::Raise(vb::errnum::ObjectVariableNotSet);
        m_currentConnectionString = GetConnectionString(connectionString);
        conn = connectionFor(m_currentConnectionString, false, perCall);
        rs->SetActiveConnection(conn);
        rs->UpdateBatch(ado::adAffectAll);
        rs->SetActiveConnection(std::shared_ptr<ado::Connection>());
        if (perCall) conn->Close();
        return true;
    } catch (...) {
        try {
            if (rs) rs->SetActiveConnection(std::shared_ptr<ado::Connection>());
        } catch (...) {
        }
        if (perCall) closeQuietly(conn);
        report("PutRecordset");
        return false;
    }
}

bool CDataAccess::DataComponentsInstalled(const QString& connectionString)
{
    std::shared_ptr<ado::Connection> conn;
    try {
        m_currentConnectionString = GetConnectionString(connectionString);
        if (m_currentConnectionString.isEmpty()) return false;
        conn = ado::Connection::Create();
        conn->Open(m_currentConnectionString, QString(), QString());
        conn->Close();
        return true;
    } catch (...) {
        closeQuietly(conn);
        report("DataComponentsInstalled");
        return false;
    }
}
