#include "core/CDataConnection.h"

#include "platform/ado/ConnectionString.h"

CDataConnection::CDataConnection()
{
    Clear();
}

void CDataConnection::SetProvider(const QString& value)
{
    m_provider = value;
    m_isDirty = true;
}

void CDataConnection::SetDatabase(const QString& value)
{
    m_database = value;
    m_isDirty = true;
}

void CDataConnection::SetServer(const QString& value)
{
    m_server = value;
    m_isDirty = true;
}

void CDataConnection::SetDriver(const QString& value)
{
    m_driver = value;
    m_isDirty = true;
}

void CDataConnection::SetPwd(const QString& value)
{
    m_pwd = value;
    m_isDirty = true;
}

void CDataConnection::SetUserID(const QString& value)
{
    m_userID = value;
    m_isDirty = true;
}

void CDataConnection::SetDSN(const QString& value)
{
    m_dsn = value;
    m_isDirty = true;
}

QString CDataConnection::MakeConnectionString()
{
    m_connectionString.clear();
    QString result;

    using ado::ConnectionItem;
    if (m_provider == QLatin1String("MSDASQL")) {
        QString parts;
        if (!m_dsn.isEmpty() && m_dsn != NoDSN()) {
            parts = ConnectionItem(QStringLiteral("DSN"), m_dsn);
        } else {
            if (m_driver.isEmpty() || m_server.isEmpty() || m_database.isEmpty()) return {};
            parts = ConnectionItem(QStringLiteral("Driver"), m_driver) +
                    ConnectionItem(QStringLiteral("Server"), m_server);
        }
        parts +=
            ConnectionItem(QStringLiteral("UID"), m_userID) + ConnectionItem(QStringLiteral("PWD"), m_pwd);
        if (!m_database.isEmpty()) parts += ConnectionItem(QStringLiteral("Database"), m_database);
        result = ConnectionItem(QStringLiteral("PROVIDER"), m_provider) + parts;
    } else if (m_provider == QLatin1String("SQLOLEDB")) {
        if (m_server.isEmpty() || m_database.isEmpty()) return {};
        result = QStringLiteral("PROVIDER=SQLOLEDB;") +
                 ConnectionItem(QStringLiteral("Data Source"), m_server) +
                 ConnectionItem(QStringLiteral("Initial Catalog"), m_database) +
                 QStringLiteral("Integrated Security=SSPI;Persist Security Info=False;") +
                 ConnectionItem(QStringLiteral("User Id"), m_userID) +
                 ConnectionItem(QStringLiteral("Password"), m_pwd);
    } else if (m_provider == JetProvider()) {
        if (!m_database.isEmpty()) {
            result = QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;") +
                     ConnectionItem(QStringLiteral("Data Source"), m_database);
            if (!m_pwd.isEmpty())
                result += ConnectionItem(QStringLiteral("Jet OLEDB:Database Password"), m_pwd);
            result.chop(1);
        }
    }

    m_connectionString = result;
    m_isDirty = false;
    return result;
}

QString CDataConnection::ConnectionString()
{
    if (!m_connectionString.isEmpty() && !m_isDirty) return m_connectionString;
    return MakeConnectionString();
}

void CDataConnection::Clear()
{
    m_userID.clear();
    m_pwd.clear();
    m_dsn = NoDSN();
    m_driver.clear();
    m_server.clear();
    m_database.clear();
    m_provider = JetProvider();
    m_connectionString.clear();
    m_isDirty = false;
}

namespace {
ConnectionDialogFn& connectionDialog()
{
    static ConnectionDialogFn show;
    return show;
}
} // namespace

void RegisterConnectionDialog(ConnectionDialogFn show)
{
    connectionDialog() = std::move(show);
}

void CDataConnection::ShowMe(int modal)
{
    // The dialog is always shown modally; all callers ask for that anyway.
    (void)modal;
    if (connectionDialog()) connectionDialog()(*this);
}

void CDataConnection::CopyMe(const CDataConnection& source)
{
    m_userID = source.m_userID;
    m_pwd = source.m_pwd;
    m_dsn = source.m_dsn;
    m_driver = source.m_driver;
    m_server = source.m_server;
    m_database = source.m_database;
    m_provider = source.m_provider;
    m_isDirty = source.m_isDirty;
}
