// The program's own connection profile in "Tervala.ini": defaults, the keys
// written and their order, the round trip, and the kept string.

#include "core/COption.h"
#include "core/Globals.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class OptionsProfileFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("TERVALA_HOME");
        m_oldAppPath = gAppPath;
        qputenv("TERVALA_HOME", home.path().toLocal8Bit());
    }
    void TearDown() override
    {
        qputenv("TERVALA_HOME", m_oldHome);
        gAppPath = m_oldAppPath;
    }

    QString iniPath() const { return home.filePath(QStringLiteral("Tervala.ini")); }
    QByteArray iniText() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir home;

private:
    QByteArray m_oldHome;
    QString m_oldAppPath;
};

} // namespace

TEST_F(OptionsProfileFile, NoSettingsFileGivesTheProgramsOwnDatabase)
{
    COption option;
    option.ReadProperty();
    const QString database = home.path() + QStringLiteral("/Database/Tervala.mdb");
    EXPECT_EQ(gAppPath, home.path());
    EXPECT_EQ(option.ODBCDatabase(), database);
    EXPECT_EQ(option.ODBCDSN(), QStringLiteral("(None)"));
    EXPECT_EQ(option.ConnectionString(),
              QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") + database);
    EXPECT_FALSE(QFile::exists(iniPath())); // reading writes nothing
}

TEST_F(OptionsProfileFile, KeyWithEmptyValueReadsEmptyNotItsDefault)
{
    QFile f(iniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[ODBC]\r\nODBCDatabase=\r\n");
    f.close();
    COption option;
    option.ReadProperty();
    EXPECT_EQ(option.ODBCDatabase(), QString());
    EXPECT_EQ(option.ConnectionString(), QString());
}

TEST_F(OptionsProfileFile, SaveWritesTheSevenKeysInOrderAndReadsThemBack)
{
    const QString longDatabase = QString(254, QLatin1Char('d'));
    {
        COption option;
        option.SetODBCProvider(QStringLiteral("SQLOLEDB"));
        option.SetODBCDSN(QStringLiteral("Calls"));
        option.SetODBCUserID(QStringLiteral("Ann Lee"));
        option.SetODBCPWD(QStringLiteral("p;w=\"x\"ä"));
        option.SetODBCDriver(QStringLiteral("drv"));
        option.SetODBCServer(QStringLiteral("sql01\\inst"));
        option.SetODBCDatabase(longDatabase);
        option.SaveODBC(QStringLiteral("ODBC"));
    }
    EXPECT_EQ(
        QString::fromUtf8(iniText()).split(QRegularExpression(QStringLiteral("\\s*\\n")), Qt::SkipEmptyParts),
        (QStringList{QStringLiteral("[ODBC]"), QStringLiteral("ODBCDSN=Calls"),
                     QStringLiteral("ODBCProvider=SQLOLEDB"), QStringLiteral("ODBCUserID=Ann Lee"),
                     QStringLiteral("ODBCPWD=p;w=\"x\"ä"), QStringLiteral("ODBCDriver=drv"),
                     QStringLiteral("ODBCServer=sql01\\inst"),
                     QStringLiteral("ODBCDatabase=") + longDatabase}));

    COption again;
    again.ReadProperty();
    EXPECT_EQ(again.ODBCProvider(), QStringLiteral("SQLOLEDB"));
    EXPECT_EQ(again.ODBCDSN(), QStringLiteral("Calls"));
    EXPECT_EQ(again.ODBCUserID(), QStringLiteral("Ann Lee"));
    EXPECT_EQ(again.ODBCPWD(), QStringLiteral("p;w=\"x\"ä"));
    EXPECT_EQ(again.ODBCDriver(), QStringLiteral("drv"));
    EXPECT_EQ(again.ODBCServer(), QStringLiteral("sql01\\inst"));
    EXPECT_EQ(again.ODBCDatabase(), longDatabase);
}

TEST_F(OptionsProfileFile, KeptStringFollowsTheProfileOnlyWhenRebuilt)
{
    COption option;
    option.ReadProperty();
    const QString before = option.ConnectionString();
    option.SetODBCDatabase(QStringLiteral("/elsewhere.mdb"));
    EXPECT_EQ(option.ConnectionString(), before);
    option.MakeConnectionString();
    EXPECT_EQ(option.ConnectionString(),
              QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/elsewhere.mdb"));
    option.Clear();
    EXPECT_EQ(option.ConnectionString(), QString());
}
