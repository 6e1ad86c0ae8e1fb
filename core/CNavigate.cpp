#include "core/CNavigate.h"

#include "core/CDataAccess.h"
#include "core/Globals.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/vb/Err.h"

#include <algorithm>

CNavigate::~CNavigate()
{
    closeAll();
}

void CNavigate::closeAll()
{
    try {
        if (m_rs && m_rs->State() != ado::adStateClosed) m_rs->Close();
    } catch (...) {
    }
    m_rs.reset();
    try {
        if (m_conn && m_conn->State() != ado::adStateClosed) m_conn->Close();
    } catch (...) {
    }
    m_conn.reset();
}

void CNavigate::OpenRecordset(const QString& connectionString)
{
    closeAll();
    QString cs = connectionString;
    if (cs.isEmpty()) {
        if (!gDataAccess) vb::Raise(vb::errnum::ObjectVariableNotSet);
        cs = gDataAccess->DefaultConnectionString();
    }
    auto conn = ado::Connection::Create();
    conn->SetCursorLocation(ado::adUseServer);
    conn->Open(cs);
    auto rs = ado::Recordset::Create();
    rs->SetCursorLocation(ado::adUseServer);
    // A page is read in one window: a window smaller than the page would run
    // the positioning query again for every window of the page.
    rs->SetCacheSize(std::max<long>(CacheRows, m_pageSize > 0 ? m_pageSize : DefaultPageSize));
    rs->Open(m_queryStr, conn, ado::adOpenStatic, ado::adLockReadOnly);
    rs->SetPageSize(m_pageSize > 0 ? m_pageSize : DefaultPageSize);
    m_conn = conn;
    m_rs = rs;
    m_totalCount = std::int32_t(rs->RecordCount());
    m_totalPages = std::int32_t(rs->PageCount());
    m_isFirstTime = false;
    m_currPage = 1;
}

bool CNavigate::GetRecordset(std::shared_ptr<ado::Recordset>& rs, std::int32_t page,
                             const QString& connectionString)
{
    try {
        if (m_isFirstTime) OpenRecordset(connectionString);
        if (!m_rs) vb::Raise(vb::errnum::ObjectVariableNotSet);
        std::int32_t target = page == 0 ? m_currPage : page;
        const std::int32_t pages = std::int32_t(m_rs->PageCount());
        if (target > pages) target = pages;
        if (pages > 0 && target < 1) target = 1;
        if (target > 0) {
            m_rs->SetAbsolutePage(target);
            m_currPage = target;
        } else {
            m_currPage = 1;
        }
        rs = m_rs;
        return true;
    } catch (...) {
        vb::CatchError();
        return false;
    }
}

void CNavigate::Clear()
{
    m_isFirstTime = true;
    m_queryStr.clear();
    m_currPage = 0;
    m_pageSize = DefaultPageSize;
    m_totalPages = m_totalCount = m_currentCount = m_nexPage = m_prePage = 0;
    closeAll();
}
