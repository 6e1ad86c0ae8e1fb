#include "core/COption.h"

#include "core/CDataConnection.h"
#include "core/CIniFile.h"
#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "core/WriteGuard.h"
#include "platform/profile/Profile.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"

namespace {

const QString kProvider = QStringLiteral("ODBCProvider");
const QString kDSN = QStringLiteral("ODBCDSN");
const QString kUserID = QStringLiteral("ODBCUserID");
const QString kPWD = QStringLiteral("ODBCPWD");
const QString kDriver = QStringLiteral("ODBCDriver");
const QString kServer = QStringLiteral("ODBCServer");
const QString kDatabase = QStringLiteral("ODBCDatabase");

} // namespace

COption::COption()
{
    m_inifile = std::make_shared<CIniFile>();
    gAppPath = GetRootPath();
    m_inifile->SetFullPath(gAppPath + QStringLiteral("/Tervala.ini"));
    m_odbcSetting = std::make_shared<CDataConnection>();
    Clear();
}

COption::~COption() = default;

void COption::ReadGeneral(const QString& section)
{
    if (m_inifile) m_inifile->SetSectionName(section);
}

void COption::SaveGeneral(const QString& section)
{
    if (m_inifile) m_inifile->SetSectionName(section);
}

// The forwarders tolerate a profile object that a caller has taken away.
void COption::SetODBCProvider(const QString& value)
{
    if (m_odbcSetting) m_odbcSetting->SetProvider(value);
}
QString COption::ODBCProvider() const
{
    return m_odbcSetting ? m_odbcSetting->Provider() : QString();
}
void COption::SetODBCDatabase(const QString& value)
{
    if (m_odbcSetting) m_odbcSetting->SetDatabase(value);
}
QString COption::ODBCDatabase() const
{
    return m_odbcSetting ? m_odbcSetting->Database() : QString();
}
void COption::SetODBCServer(const QString& value)
{
    if (m_odbcSetting) m_odbcSetting->SetServer(value);
}
QString COption::ODBCServer() const
{
    return m_odbcSetting ? m_odbcSetting->Server() : QString();
}
void COption::SetODBCDriver(const QString& value)
{
    if (m_odbcSetting) m_odbcSetting->SetDriver(value);
}
QString COption::ODBCDriver() const
{
    return m_odbcSetting ? m_odbcSetting->Driver() : QString();
}
void COption::SetODBCPWD(const QString& value)
{
    if (m_odbcSetting) m_odbcSetting->SetPwd(value);
}
QString COption::ODBCPWD() const
{
    return m_odbcSetting ? m_odbcSetting->Pwd() : QString();
}
void COption::SetODBCUserID(const QString& value)
{
    if (m_odbcSetting) m_odbcSetting->SetUserID(value);
}
QString COption::ODBCUserID() const
{
    return m_odbcSetting ? m_odbcSetting->UserID() : QString();
}
void COption::SetODBCDSN(const QString& value)
{
    if (m_odbcSetting) m_odbcSetting->SetDSN(value);
}
QString COption::ODBCDSN() const
{
    return m_odbcSetting ? m_odbcSetting->DSN() : QString();
}

void COption::SaveProperty()
{
    SaveGeneral(QStringLiteral("General"));
    SaveODBC(QStringLiteral("ODBC"));
}

void COption::ReadProperty()
{
    ReadGeneral(QStringLiteral("General"));
    ReadODBC(QStringLiteral("ODBC"));
}

bool COption::SaveODBC(const QString& section)
{
    if (!m_inifile) return false;
    m_inifile->SetSectionName(section);
    // Without a section the settings file object shows why nothing is written.
    if (!m_inifile->SectionSet()) return m_inifile->PutString(kDSN, ODBCDSN()) != 0;
    // One replacement of the file: a kill or a full disk leaves the whole
    // earlier profile or the whole new one, never keys of both.
    try {
        // The settings file must not be (a link to) a database the program keeps.
        const QString clash = writeguard::WriteClash(QStringLiteral("settings file"), m_inifile->FullPath(),
                                                     {}, writeguard::Omit::Settings);
        if (!clash.isEmpty()) vb::Raise(vb::errnum::PathFileAccessError, QStringLiteral("SaveODBC"), clash);
        profile::WritePrivateProfileKeys(section,
                                         {{kDSN, ODBCDSN()},
                                          {kProvider, ODBCProvider()},
                                          {kUserID, ODBCUserID()},
                                          {kPWD, ODBCPWD()},
                                          {kDriver, ODBCDriver()},
                                          {kServer, ODBCServer()},
                                          {kDatabase, ODBCDatabase()}},
                                         m_inifile->FullPath());
        return true;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QStringLiteral("COption"), QStringLiteral("SaveODBC"));
        return false;
    }
}

void COption::ReadODBC(const QString& section)
{
    if (!m_inifile) return;
    m_inifile->SetSectionName(section);
    SetODBCProvider(m_inifile->GetString(kProvider, CDataConnection::JetProvider()));
    SetODBCDSN(m_inifile->GetString(kDSN, CDataConnection::NoDSN()));
    SetODBCUserID(m_inifile->GetString(kUserID, QString()));
    SetODBCPWD(m_inifile->GetString(kPWD, QString()));
    SetODBCDriver(m_inifile->GetString(kDriver, QString()));
    SetODBCServer(m_inifile->GetString(kServer, QString()));
    SetODBCDatabase(m_inifile->GetString(kDatabase, DefaultDatabase()));
    MakeConnectionString();
}

QString COption::MakeConnectionString()
{
    m_connectionString = m_odbcSetting ? m_odbcSetting->MakeConnectionString() : QString();
    return m_connectionString;
}

QString COption::ConnectionString()
{
    if (m_connectionString.isEmpty() && m_odbcSetting) {
        m_connectionString = m_odbcSetting->ConnectionString();
        if (m_connectionString.isEmpty()) MakeConnectionString();
    }
    return m_connectionString;
}

void COption::Clear()
{
    m_connectionString.clear();
    SetODBCDSN(CDataConnection::NoDSN());
    SetODBCUserID(QString());
    SetODBCPWD(QString());
    SetODBCDriver(QString());
    SetODBCServer(QString());
    SetODBCDatabase(QString());
    SetODBCProvider(CDataConnection::JetProvider());
}

void COption::ShowODBCSetting(int modal)
{
    if (m_odbcSetting) m_odbcSetting->ShowMe(modal);
    MakeConnectionString();
}

QString COption::GetRootPath() const
{
    return vb::App::Path();
}

QString COption::DefaultDatabase() const
{
    return GetRootPath() + QStringLiteral("/Database/Tervala.mdb");
}
