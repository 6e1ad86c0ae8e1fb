// Reading a profile file as Windows reads it.
#include "platform/profile/Profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace profile;

namespace {

class ProfileRead : public ::testing::Test {
protected:
    QString write(const QByteArray& content)
    {
        const QString path = dir.filePath("test.ini");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ProfileRead, SectionsAndKeysMatchWithoutRegardToCase)
{
    const QString ini = write("[ODBC]\r\nODBCDSN=Sales\r\n");
    EXPECT_EQ(GetPrivateProfileString(QString("odbc"), QString("odbcdsn"), "x", ini), "Sales");
    EXPECT_EQ(GetPrivateProfileString(QString("OdBc"), QString("ODBCDSN"), "x", ini), "Sales");
}

TEST_F(ProfileRead, ValuesAreTrimmedAndOnePairOfQuotesDropped)
{
    const QString ini =
        write("[s]\n  a  =   spaced value  \nb=\"quoted \"\nc='single'\nd=\"\"inner\"\"\ne=\"open\n");
    EXPECT_EQ(GetPrivateProfileString(QString("s"), QString("a"), "", ini), "spaced value");
    EXPECT_EQ(GetPrivateProfileString(QString("s"), QString("b"), "", ini), "quoted ");
    EXPECT_EQ(GetPrivateProfileString(QString("s"), QString("c"), "", ini), "single");
    EXPECT_EQ(GetPrivateProfileString(QString("s"), QString("d"), "", ini), "\"inner\"");
    EXPECT_EQ(GetPrivateProfileString(QString("s"), QString("e"), "", ini), "\"open");
}

TEST_F(ProfileRead, MissingKeyGivesDefaultButEmptyValueGivesEmpty)
{
    const QString ini = write("[ODBC]\nODBCPWD=\n");
    EXPECT_EQ(GetPrivateProfileString(QString("ODBC"), QString("ODBCDSN"), "(None)", ini), "(None)");
    EXPECT_EQ(GetPrivateProfileString(QString("ODBC"), QString("ODBCPWD"), "(None)", ini), "");
    EXPECT_EQ(GetPrivateProfileString(QString("Other"), QString("ODBCPWD"), "d  ", ini), "d");
    EXPECT_EQ(GetPrivateProfileString(QString("ODBC"), QString("k"), "def", dir.filePath("missing.ini")),
              "def");
}

TEST_F(ProfileRead, KeysOutsideTheirSectionAndInCommentsAreNotFound)
{
    const QString ini = write("k=top\n[a]\n;k=commented\n[b]\nk=b value\n");
    EXPECT_EQ(GetPrivateProfileString(QString("a"), QString("k"), "none", ini), "none");
    EXPECT_EQ(GetPrivateProfileString(QString("b"), QString("k"), "none", ini), "b value");
}

TEST_F(ProfileRead, Utf8AndWindows1252Values)
{
    const QString ini = write("[a]\nu=Caf\xC3\xA9\nw=Caf\xE9 \x80\n");
    EXPECT_EQ(GetPrivateProfileString(QString("a"), QString("u"), "", ini), QString::fromUtf8("Café"));
    EXPECT_EQ(GetPrivateProfileString(QString("a"), QString("w"), "", ini), QString::fromUtf8("Café €"));
}

TEST_F(ProfileRead, NullSectionListsSectionsAndNullKeyListsKeys)
{
    const QString ini = write("[One]\na=1\nb\n; note\n[Two]\n");
    EXPECT_EQ(GetPrivateProfileString(std::nullopt, QString("x"), "", ini),
              QString("One") + QChar(0) + "Two" + QChar(0));
    EXPECT_EQ(GetPrivateProfileString(QString("one"), std::nullopt, "", ini),
              QString("a") + QChar(0) + "b" + QChar(0));
    EXPECT_EQ(GetPrivateProfileString(QString("three"), std::nullopt, "def", ini), "");
}

TEST_F(ProfileRead, IntegersReadTheirLeadingNumber)
{
    const QString ini = write("[n]\na=42\nb= -7 \nc=12abc\nd=abc\ne=\nf=0x1F\ng=99999999999\n");
    EXPECT_EQ(GetPrivateProfileInt("n", "a", 5, ini), 42);
    EXPECT_EQ(GetPrivateProfileInt("n", "b", 5, ini), -7);
    EXPECT_EQ(GetPrivateProfileInt("n", "c", 5, ini), 12);
    EXPECT_EQ(GetPrivateProfileInt("n", "d", 5, ini), 0);
    EXPECT_EQ(GetPrivateProfileInt("n", "e", 5, ini), 5);
    EXPECT_EQ(GetPrivateProfileInt("n", "f", 5, ini), 31);
    EXPECT_EQ(GetPrivateProfileInt("n", "g", 5, ini), 2147483647);
    EXPECT_EQ(GetPrivateProfileInt("n", "missing", 5, ini), 5);
}
