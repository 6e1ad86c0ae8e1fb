#pragma once
// Options dialog tests: a temporary program folder with the program-wide
// option object on it (no settings file: the profile is the program's own
// database), scripted UI services, ODBC ini files of the test's own. The
// globals are put back afterwards.

#include "core/CDataAccess.h"
#include "core/COption.h"
#include "core/Globals.h"
#include "dialogs/RegisterDialogs.h"
#include "dialogs/frmOptions.h"
#include "odbc/OdbcIniFiles.h"
#include "support/ScriptedUi.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class OptionsTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        RegisterDialogs();
        m_oldHome = qgetenv("TERVALA_HOME");
        m_oldAppPath = gAppPath;
        m_oldConnectionString = gConnectionString;
        m_oldOption = gOption;
        m_oldDataAccess = gDataAccess;
        qputenv("TERVALA_HOME", home.path().toLocal8Bit());
        QDir(home.path()).mkpath(QStringLiteral("Database"));
        gOption = std::make_shared<COption>();
        gOption->ReadProperty();
        gConnectionString = gOption->ConnectionString();
        gDataAccess = std::make_shared<CDataAccess>();
        gDataAccess->SetDefaultConnectionString(gConnectionString);
    }
    void TearDown() override
    {
        gDataAccess = m_oldDataAccess;
        gOption = m_oldOption;
        gConnectionString = m_oldConnectionString;
        gAppPath = m_oldAppPath;
        qputenv("TERVALA_HOME", m_oldHome);
        ScriptedUiTest::TearDown();
    }

    QString databasePath() const { return home.filePath(QStringLiteral("Database/Tervala.mdb")); }
    QString iniPath() const { return home.filePath(QStringLiteral("Tervala.ini")); }

    static QByteArray readFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
    }

    QTemporaryDir home;
    OdbcIniFiles odbcFiles;

private:
    QByteArray m_oldHome;
    QString m_oldAppPath;
    QString m_oldConnectionString;
    std::shared_ptr<COption> m_oldOption;
    std::shared_ptr<CDataAccess> m_oldDataAccess;
};
