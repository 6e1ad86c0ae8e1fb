// Settings files that are not what they should be: a line of megabytes,
// binary garbage with NUL bytes. Reading never fails or changes the file;
// the settings that can be read are read, the rest give their defaults, and
// a write keeps every foreign byte as it was.

#include "platform/profile/Profile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace profile;

namespace {

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray b(size, '\0');
    for (char& c : b)
        c = char(gen.bounded(256));
    return b;
}

struct BadSettings {
    const char* what;
    QByteArray before; // bytes ahead of the [ODBC] section
    QByteArray after;  // bytes after it
};

void PrintTo(const BadSettings& b, std::ostream* os)
{
    *os << b.what;
}

class BadSettingsFile : public ::testing::TestWithParam<BadSettings> {};

TEST_P(BadSettingsFile, TheReadableKeysReadAndTheFileStaysAsItWas)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("Tervala.ini");
    const QByteArray content = GetParam().before + "\r\n[ODBC]\r\nODBCDSN=Sales\r\n" + GetParam().after;
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    EXPECT_EQ(GetPrivateProfileString(QString("ODBC"), QString("ODBCDSN"), "none", ini), "Sales");
    EXPECT_EQ(GetPrivateProfileString(QString("ODBC"), QString("ODBCServer"), "none", ini), "none");
    EXPECT_EQ(GetPrivateProfileInt("ODBC", "ODBCPort", 7, ini), 7);
    GetPrivateProfileString(std::nullopt, std::nullopt, "", ini);
    GetPrivateProfileSection("ODBC", ini);
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), content) << "reading changes nothing";
    f.close();

    ASSERT_TRUE(WritePrivateProfileString(QString("ODBC"), QString("ODBCServer"), QString("db1"), ini));
    EXPECT_EQ(GetPrivateProfileString(QString("ODBC"), QString("ODBCServer"), "none", ini), "db1");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray written = f.readAll();
    EXPECT_TRUE(written.startsWith(GetParam().before)) << "the foreign bytes are kept";
    EXPECT_TRUE(written.contains(GetParam().after));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadSettingsFile,
    ::testing::Values(BadSettings{"a line of ten megabytes", "x=" + QByteArray(10 << 20, 'A'), ""},
                      BadSettings{"binary garbage after", "", randomBytes(4096, 1).replace('[', 'x')},
                      BadSettings{"binary garbage before", randomBytes(4096, 2).replace('[', 'x'), ""},
                      BadSettings{"NUL bytes around", QByteArray(100, '\0'), QByteArray(100, '\0')}));

TEST(BadSettingsFile, AFileOfGarbageOnlyGivesTheDefaults)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("Tervala.ini");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(randomBytes(1 << 16, 3).replace('[', 'x').replace('=', 'y'));
    f.close();
    EXPECT_EQ(GetPrivateProfileString(QString("ODBC"), QString("ODBCDSN"), "none", ini), "none");
    EXPECT_EQ(GetPrivateProfileSection("ODBC", ini), "");
}

} // namespace
