#pragma once
// COption: the program's option object. It owns the settings file
// "Tervala.ini" in the program folder and the connection profile of the
// program's own DNC database, kept in its section [ODBC]. Its
// ConnectionString is the DNC database's connection string everywhere in the
// program.

#include <QString>
#include <memory>

class CDataConnection;
class CIniFile;

class COption {
public:
    COption();
    ~COption();

    void SetODBCSetting(std::shared_ptr<CDataConnection> value) { m_odbcSetting = std::move(value); }
    std::shared_ptr<CDataConnection> ODBCSetting() const { return m_odbcSetting; }

    // Select that section of the settings file; nothing is read or written.
    void ReadGeneral(const QString& section);
    void SaveGeneral(const QString& section);

    void SetInifile(std::shared_ptr<CIniFile> value) { m_inifile = std::move(value); }
    std::shared_ptr<CIniFile> Inifile() const { return m_inifile; }

    // The profile's parameters, forwarded to ODBCSetting.
    void SetODBCProvider(const QString& value);
    QString ODBCProvider() const;
    void SetODBCDatabase(const QString& value);
    QString ODBCDatabase() const;
    void SetODBCServer(const QString& value);
    QString ODBCServer() const;
    void SetODBCDriver(const QString& value);
    QString ODBCDriver() const;
    void SetODBCPWD(const QString& value);
    QString ODBCPWD() const;
    void SetODBCUserID(const QString& value);
    QString ODBCUserID() const;
    void SetODBCDSN(const QString& value);
    QString ODBCDSN() const;

    void SaveProperty(); // sections "General" then "ODBC"
    void ReadProperty();
    // Writes the seven keys of the profile into the section, all in one
    // replacement of the settings file. A value the file cannot keep (a line
    // break, a NUL) or a file that cannot be written (a full disk) is
    // reported and gives false; the file then stays as it was.
    bool SaveODBC(const QString& section);
    // Reads the seven keys (missing ones take their defaults) and rebuilds the string.
    void ReadODBC(const QString& section);

    // Rebuilds the profile's string and keeps it as ConnectionString.
    QString MakeConnectionString();
    void SetConnectionString(const QString& value) { m_connectionString = value; }
    // The kept string; when none is kept, the profile's (built when needed).
    QString ConnectionString();

    // The cleared profile: Jet, no data source, no database.
    void Clear();
    // Edits the profile in the connection dialog, then rebuilds the string
    // from whatever the dialog left in it.
    void ShowODBCSetting(int modal);

    QString GetRootPath() const;
    // "<program folder>/Database/Tervala.mdb": the database when none is set.
    QString DefaultDatabase() const;

private:
    QString m_connectionString;
    std::shared_ptr<CIniFile> m_inifile;
    std::shared_ptr<CDataConnection> m_odbcSetting;
};
