#pragma once
// CDataConnection: one set of database connection parameters (provider, data
// source name, driver, server, database, user, password) and the connection
// string built from them. The string is built, cached and compared as an
// exact text: the data access layer chooses its provider by reading it.
//
// Every setter marks the object dirty; reading ConnectionString rebuilds the
// string when it is dirty or nothing is cached, and otherwise returns the
// cache as it stands (also a text stored through SetConnectionString).

#include <QString>
#include <functional>

class CDataConnection {
public:
    CDataConnection();

    static QString JetProvider() { return QStringLiteral("Microsoft.Jet.OLEDB.4.0"); }
    static QString NoDSN() { return QStringLiteral("(None)"); }

    void SetIsDirty(bool value) { m_isDirty = value; }
    bool IsDirty() const { return m_isDirty; }

    void SetProvider(const QString& value);
    QString Provider() const { return m_provider; }
    void SetDatabase(const QString& value);
    QString Database() const { return m_database; }
    void SetServer(const QString& value);
    QString Server() const { return m_server; }
    void SetDriver(const QString& value);
    QString Driver() const { return m_driver; }
    void SetPwd(const QString& value);
    QString Pwd() const { return m_pwd; }
    void SetUserID(const QString& value);
    QString UserID() const { return m_userID; }
    void SetDSN(const QString& value);
    QString DSN() const { return m_dsn; }

    // Builds the string from the fields, caches it and marks the object
    // clean. A provider this class cannot build for ("MSDAORA", FoxPro,
    // anything unknown or in another letter case), or one whose required
    // fields are empty, gives the empty text; the missing-field cases leave
    // the dirty flag as it was.
    QString MakeConnectionString();

    // Stores a text as the cached string; the dirty flag is not touched.
    void SetConnectionString(const QString& value) { m_connectionString = value; }
    QString ConnectionString();

    // Back to the cleared profile: Jet, no data source ("(None)"), all else empty.
    void Clear();

    // Edits this object in the connection dialog (modal when modal is 1);
    // without a registered dialog nothing changes.
    void ShowMe(int modal);

    // Copies the seven parameters and then the dirty flag; not the cached string.
    void CopyMe(const CDataConnection& source);

private:
    QString m_userID;
    QString m_pwd;
    QString m_dsn;
    QString m_driver;
    QString m_server;
    QString m_database;
    QString m_provider;
    QString m_connectionString;
    bool m_isDirty = false;
};

// How ShowMe shows the connection dialog: the dialog lives in a layer above
// this one and registers itself at start-up.
using ConnectionDialogFn = std::function<void(CDataConnection& connection)>;
void RegisterConnectionDialog(ConnectionDialogFn show);
