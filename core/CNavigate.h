#pragma once
// CNavigate: reads a large query one page at a time. The query is opened
// once on a connection of the pager's own, as a server-side static cursor
// whose cache holds at least one page (300 rows at least), and kept open; moving to a page only repositions
// it, so a table of millions of rows is never loaded whole.

#include <QString>
#include <cstdint>
#include <memory>

namespace ado {
class Connection;
class Recordset;
} // namespace ado

class CNavigate {
public:
    static constexpr std::int32_t DefaultPageSize = 500;
    static constexpr long CacheRows = 300;

    CNavigate() = default;
    ~CNavigate();
    CNavigate(const CNavigate&) = delete;
    CNavigate& operator=(const CNavigate&) = delete;

    void SetPrePage(std::int32_t value) { m_prePage = value; }
    std::int32_t PrePage() const { return m_prePage; }
    void SetNexPage(std::int32_t value) { m_nexPage = value; }
    std::int32_t NexPage() const { return m_nexPage; }
    void SetCurrentCount(std::int32_t value) { m_currentCount = value; }
    std::int32_t CurrentCount() const { return m_currentCount; }
    void SetTotalCount(std::int32_t value) { m_totalCount = value; }
    std::int32_t TotalCount() const { return m_totalCount; }
    void SetTotalPages(std::int32_t value) { m_totalPages = value; }
    std::int32_t TotalPages() const { return m_totalPages; }
    // True makes the next GetRecordset open the query again.
    void SetIsFirstTime(bool value) { m_isFirstTime = value; }
    bool IsFirstTime() const { return m_isFirstTime; }

    // Hands out the pager's own recordset (shared, not a copy) positioned on
    // a page: 0 is the current page, a page above the page count the last
    // one, below 1 the first. Opens the query first while IsFirstTime. False,
    // without a message, when the query cannot be opened or positioned; rs is
    // then left as it was.
    bool GetRecordset(std::shared_ptr<ado::Recordset>& rs, std::int32_t page = 0,
                      const QString& connectionString = {});
    // Opens QueryStr again (on the string, or on gDataAccess's default
    // string when empty) and sets the totals; CurrPage becomes 1. Errors go
    // to the caller.
    void OpenRecordset(const QString& connectionString = {});

    // Records per page; a size of 0 or less means the default, 500. A new
    // size reaches the open query when it is opened again.
    void SetPageSize(std::int32_t value) { m_pageSize = value > 0 ? value : DefaultPageSize; }
    std::int32_t PageSize() const { return m_pageSize; }
    void SetCurrPage(std::int32_t value) { m_currPage = value; }
    std::int32_t CurrPage() const { return m_currPage; }
    void SetQueryStr(const QString& value) { m_queryStr = value; }
    QString QueryStr() const { return m_queryStr; }

    // Back to the initial state; the recordset and connection are closed.
    void Clear();

private:
    void closeAll();

    QString m_queryStr;
    std::int32_t m_currPage = 0;
    std::int32_t m_pageSize = DefaultPageSize;
    bool m_isFirstTime = true;
    std::int32_t m_totalPages = 0;
    std::int32_t m_totalCount = 0;
    std::int32_t m_currentCount = 0;
    std::int32_t m_nexPage = 0;
    std::int32_t m_prePage = 0;
    std::shared_ptr<ado::Recordset> m_rs;
    std::shared_ptr<ado::Connection> m_conn;
};
