#include "platform/odbc/DriverManager.h"

#include <sql.h>
#include <sqlext.h>

#include <array>

namespace odbc {

namespace {

// The buffers of one list call; the driver manager never writes more.
constexpr SQLSMALLINT BufferSize = 1024;

QString fromBuffer(const SQLCHAR* buffer, SQLSMALLINT reported)
{
    // A reported length past the buffer means the text was cut to fit.
    const int length = qBound(0, static_cast<int>(reported), BufferSize - 1);
    return QString::fromUtf8(reinterpret_cast<const char*>(buffer), length);
}

bool succeeded(int rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

} // namespace

Environment::Environment()
{
    SQLHENV env = SQL_NULL_HENV;
    m_allocResult = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    if (!succeeded(m_allocResult)) {
        m_allocResult = SQL_ERROR;
        return;
    }
    // Without a declared version the driver manager refuses the list calls.
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    m_env = env;
}

Environment::~Environment()
{
    if (m_env) SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(m_env));
}

int Environment::NextDataSource(int direction, DataSource& out)
{
    if (!m_env) return SQL_ERROR;
    std::array<SQLCHAR, BufferSize> name{};
    std::array<SQLCHAR, BufferSize> description{};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    const SQLRETURN rc =
        SQLDataSources(static_cast<SQLHENV>(m_env), static_cast<SQLUSMALLINT>(direction), name.data(),
                       BufferSize, &nameLength, description.data(), BufferSize, &descriptionLength);
    if (succeeded(rc)) {
        out.name = fromBuffer(name.data(), nameLength);
        out.description = fromBuffer(description.data(), descriptionLength);
    }
    return rc;
}

int Environment::NextDriver(int direction, QString& out)
{
    if (!m_env) return SQL_ERROR;
    std::array<SQLCHAR, BufferSize> name{};
    std::array<SQLCHAR, BufferSize> attributes{};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    const SQLRETURN rc =
        SQLDrivers(static_cast<SQLHENV>(m_env), static_cast<SQLUSMALLINT>(direction), name.data(), BufferSize,
                   &nameLength, attributes.data(), BufferSize, &attributesLength);
    if (succeeded(rc)) out = fromBuffer(name.data(), nameLength);
    return rc;
}

std::vector<DataSource> DataSources()
{
    std::vector<DataSource> result;
    Environment env;
    if (!env.IsValid()) return result;
    DataSource source;
    // A cut name comes back "with info"; the walk goes on past it.
    while (succeeded(env.NextDataSource(FetchNext, source)))
        result.push_back(source);
    return result;
}

QStringList Drivers()
{
    QStringList result;
    Environment env;
    if (!env.IsValid()) return result;
    QString name;
    while (succeeded(env.NextDriver(FetchNext, name)))
        result << name;
    return result;
}

} // namespace odbc
