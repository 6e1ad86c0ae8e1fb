#pragma once
// Points the ODBC driver manager at odbc.ini / odbcinst.ini files of the
// test's own. unixODBC reads the files afresh for every list but takes their
// folder from the environment once per process, so the folder is one for the
// whole run, set before the first call; each object empties the files.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class OdbcIniFiles {
public:
    OdbcIniFiles() { clear(); }
    ~OdbcIniFiles() { clear(); }

    void writeUser(const QByteArray& text) { write(QStringLiteral("user-odbc.ini"), text); }
    void writeSystem(const QByteArray& text) { write(QStringLiteral("odbc.ini"), text); }
    void writeDrivers(const QByteArray& text) { write(QStringLiteral("odbcinst.ini"), text); }

private:
    void clear()
    {
        writeUser({});
        writeSystem({});
        writeDrivers({});
    }
    static void write(const QString& name, const QByteArray& text)
    {
        static QTemporaryDir dir;
        static const bool pointed = [] {
            qputenv("ODBCSYSINI", dir.path().toLocal8Bit());
            qputenv("ODBCINI", QDir(dir.path()).filePath(QStringLiteral("user-odbc.ini")).toLocal8Bit());
            qunsetenv("ODBCINSTINI");
            return true;
        }();
        (void)pointed;
        QFile file(QDir(dir.path()).filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text);
    }
};
