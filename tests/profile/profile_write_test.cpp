// Writing a profile file: only the line meant to change changes.
#include "platform/profile/Profile.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace profile;

namespace {

class ProfileWrite : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("test.ini"); }
    void put(const QByteArray& content)
    {
        QFile f(path());
        f.open(QIODevice::WriteOnly);
        f.write(content);
    }
    QByteArray content() const
    {
        QFile f(path());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ProfileWrite, FirstWriteCreatesTheFile)
{
    ASSERT_FALSE(QFile::exists(path()));
    EXPECT_TRUE(WritePrivateProfileString(QString("ODBC"), QString("ODBCDSN"), QString("Sales"), path()));
    EXPECT_EQ(content(), "[ODBC]\nODBCDSN=Sales\n");
}

TEST_F(ProfileWrite, WriteFailsWhenTheFolderIsMissing)
{
    const QString nowhere = dir.filePath("no/such/folder/x.ini");
    EXPECT_FALSE(WritePrivateProfileString(QString("a"), QString("k"), QString("v"), nowhere));
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(ProfileWrite, ExistingKeyChangesInPlaceKeepingEverythingElse)
{
    const QByteArray before =
        "; settings\r\n[ODBC]\r\nodbcdsn = Old\r\n  ; keep me \r\nODBCPWD=\r\n\r\n[Other]\r\nx=\xE9\r\n";
    put(before);
    EXPECT_TRUE(WritePrivateProfileString(QString("odbc"), QString("ODBCDSN"), QString("New"), path()));
    EXPECT_EQ(
        content(),
        "; settings\r\n[ODBC]\r\nodbcdsn =New\r\n  ; keep me \r\nODBCPWD=\r\n\r\n[Other]\r\nx=\xE9\r\n");
    EXPECT_EQ(GetPrivateProfileString(QString("ODBC"), QString("odbcdsn"), "", path()), "New");
}

TEST_F(ProfileWrite, NewKeyGoesToTheEndOfItsSection)
{
    put("[a]\r\nk1=1\r\n\r\n[b]\r\nk=2\r\n");
    EXPECT_TRUE(WritePrivateProfileString(QString("A"), QString("k2"), QString("two"), path()));
    EXPECT_EQ(content(), "[a]\r\nk1=1\r\nk2=two\r\n\r\n[b]\r\nk=2\r\n");
}

TEST_F(ProfileWrite, NewSectionGoesToTheEndOfTheFile)
{
    put("[a]\nk=1"); // no line end at the end
    EXPECT_TRUE(WritePrivateProfileString(QString("b"), QString("x"), QString("y"), path()));
    EXPECT_EQ(content(), "[a]\nk=1\n\n[b]\nx=y\n");
}

TEST_F(ProfileWrite, NullValueDeletesTheKeyAndNullKeyTheSection)
{
    put("[a]\nk=1\nj=2\n[b]\nx=y\n[c]\nz=1\n");
    EXPECT_TRUE(WritePrivateProfileString(QString("a"), QString("K"), std::nullopt, path()));
    EXPECT_EQ(content(), "[a]\nj=2\n[b]\nx=y\n[c]\nz=1\n");
    EXPECT_TRUE(WritePrivateProfileString(QString("B"), std::nullopt, std::nullopt, path()));
    EXPECT_EQ(content(), "[a]\nj=2\n[c]\nz=1\n");
    // Deleting what is not there succeeds and changes nothing.
    EXPECT_TRUE(WritePrivateProfileString(QString("a"), QString("none"), std::nullopt, path()));
    EXPECT_EQ(content(), "[a]\nj=2\n[c]\nz=1\n");
}

TEST_F(ProfileWrite, EmptyValueIsWrittenNotDeleted)
{
    EXPECT_TRUE(WritePrivateProfileString(QString("a"), QString("k"), QString(), path()));
    EXPECT_EQ(content(), "[a]\nk=\n");
    EXPECT_EQ(GetPrivateProfileString(QString("a"), QString("k"), "def", path()), "");
}

TEST_F(ProfileWrite, TextThatWouldBreakTheFileIsRefused)
{
    put("[a]\nk=1\n");
    EXPECT_FALSE(WritePrivateProfileString(QString("a"), QString("k"), QString("two\nlines"), path()));
    EXPECT_FALSE(WritePrivateProfileString(QString("a"), QString("k"), QString("cr\rhere"), path()));
    EXPECT_FALSE(WritePrivateProfileString(QString("a"), QString("x=y"), QString("v"), path()));
    EXPECT_FALSE(WritePrivateProfileString(QString("a]b"), QString("k"), QString("v"), path()));
    EXPECT_FALSE(WritePrivateProfileString(QString("a"), QString("[k"), QString("v"), path()));
    EXPECT_EQ(content(), "[a]\nk=1\n");
}

TEST_F(ProfileWrite, SectionReplacedKeepingItsNeighbours)
{
    put("[a]\nold=1\n; gone too\n\n[b]\nx=y\n");
    const QString data = QString("n1=1") + QChar(0) + "n2=2" + QChar(0);
    EXPECT_TRUE(WritePrivateProfileSection("A", data, path()));
    EXPECT_EQ(content(), "[a]\nn1=1\nn2=2\n\n[b]\nx=y\n");
    EXPECT_TRUE(WritePrivateProfileSection("a", QString(""), path()));
    EXPECT_EQ(content(), "[a]\n\n[b]\nx=y\n");
    EXPECT_TRUE(WritePrivateProfileSection("c", QString("k=v") + QChar(0), path()));
    EXPECT_EQ(content(), "[a]\n\n[b]\nx=y\n\n[c]\nk=v\n");
    EXPECT_TRUE(WritePrivateProfileSection("b", std::nullopt, path()));
    EXPECT_EQ(GetPrivateProfileString(std::nullopt, QString(), "", path()),
              QString("a") + QChar(0) + "c" + QChar(0));
}

TEST_F(ProfileWrite, WinIniTwinsUseTheirOwnFile)
{
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(WinIniPath());
    EXPECT_TRUE(WinIniPath().endsWith("/WIN.INI"));
    EXPECT_TRUE(WinIniPath().startsWith(GetWindowsDirectory()));
    EXPECT_TRUE(WriteProfileString(QString("windows"), QString("k"), QString("v")));
    EXPECT_EQ(GetProfileString(QString("WINDOWS"), QString("K"), "d"), "v");
    EXPECT_EQ(GetProfileInt("windows", "k", 3), 0);
    EXPECT_EQ(GetProfileSection("windows"), QString("k=v") + QChar(0));
    EXPECT_TRUE(WriteProfileSection("windows", std::nullopt));
    EXPECT_EQ(GetProfileString(QString("windows"), QString("k"), "d"), "d");
    QFile::remove(WinIniPath());
    QStandardPaths::setTestModeEnabled(false);
}
