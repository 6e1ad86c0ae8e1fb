// Several keys of a section in one replacement of the file, the values a
// settings file cannot keep, and the permissions of the file: a new one is
// its owner's alone (it holds passwords), one that exists keeps its mode.

#include "platform/profile/Profile.h"
#include "platform/vb/Err.h"

#include "support/FullDisk.h" // FileBytes

#include <QTemporaryDir>
#include <sys/stat.h>

using namespace profile;
using Entries = std::vector<std::pair<QString, QString>>;

namespace {

class ProfileKeys : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("Tervala.ini")); }
    void put(const QByteArray& bytes)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray content() const { return testsupport::FileBytes(path()); }
    unsigned mode() const
    {
        struct stat st {};
        return ::stat(QFile::encodeName(path()).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ProfileKeys, KeysAreSetInOneWriteKeepingEveryOtherLine)
{
    put("; mine\r\n[odbc]\r\nODBCPWD = old\r\n; note\r\n\r\n[Other]\r\nx=1\r\n");
    WritePrivateProfileKeys(QStringLiteral("ODBC"),
                            {{QStringLiteral("ODBCDSN"), QStringLiteral("Calls")},
                             {QStringLiteral("odbcpwd"), QStringLiteral("new")},
                             {QStringLiteral("ODBCServer"), QString()}},
                            path());
    EXPECT_EQ(content(), "; mine\r\n[odbc]\r\nODBCPWD =new\r\n; note\r\nODBCDSN=Calls\r\nODBCServer=\r\n\r\n"
                         "[Other]\r\nx=1\r\n");
}

TEST_F(ProfileKeys, AMissingFileAndSectionAreMade)
{
    WritePrivateProfileKeys(QStringLiteral("ODBC"), {{QStringLiteral("ODBCDSN"), QStringLiteral("(None)")}},
                            path());
    EXPECT_EQ(content(), "[ODBC]\nODBCDSN=(None)\n");
}

struct RefusedCase {
    const char* name;
    QString section;
    Entries entries;
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProfileKeysRefused : public ProfileKeys, public ::testing::WithParamInterface<RefusedCase> {};

// A value the file cannot keep would split its line or end its text early:
// nothing of the write reaches the file, the other keys included.
TEST_P(ProfileKeysRefused, NothingIsWrittenAndTheCauseIsRaised)
{
    const QByteArray before = "[ODBC]\r\nODBCDSN=Old\r\nODBCPWD=old\r\n";
    put(before);
    int number = 0;
    QString description;
    try {
        WritePrivateProfileKeys(GetParam().section, GetParam().entries, path());
    } catch (const vb::ErrObject& e) {
        number = e.Number;
        description = e.Description;
    }
    EXPECT_EQ(number, vb::errnum::InvalidProcedureCall);
    EXPECT_FALSE(description.isEmpty());
    EXPECT_EQ(content(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ProfileKeysRefused,
    ::testing::Values(
        RefusedCase{"LineFeedInValue", "ODBC", {{"ODBCDSN", "New"}, {"ODBCPWD", "pass\nODBCDSN=Injected"}}},
        RefusedCase{"CarriageReturnInValue", "ODBC", {{"ODBCDSN", "New"}, {"ODBCPWD", "pass\rword"}}},
        RefusedCase{"NulInValue", "ODBC", {{"ODBCDSN", "New"}, {"ODBCPWD", QString("pa") + QChar(0) + "ss"}}},
        RefusedCase{"NulInKey", "ODBC", {{QString("ODBC") + QChar(0) + "DSN", "New"}}},
        RefusedCase{"EqualsInKey", "ODBC", {{"ODBC=DSN", "New"}}},
        RefusedCase{"LineBreakInSection", "OD\nBC", {{"ODBCDSN", "New"}}}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

struct ByteCase {
    const char* name;
    QString value;
};

class ProfileStringRefused : public ProfileKeys, public ::testing::WithParamInterface<ByteCase> {};

TEST_P(ProfileStringRefused, OneKeyWriteIsRefusedAndTheFileStays)
{
    const QByteArray before = "[ODBC]\r\nODBCPWD=old\r\n";
    put(before);
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("ODBC"), QStringLiteral("ODBCPWD"),
                                           GetParam().value, path()));
    EXPECT_EQ(content(), before);
}

INSTANTIATE_TEST_SUITE_P(Values, ProfileStringRefused,
                         ::testing::Values(ByteCase{"Nul", QString("a") + QChar(0) + "b"},
                                           ByteCase{"LineFeed", "a\nb"}, ByteCase{"CarriageReturn", "a\rb"}),
                         [](const ::testing::TestParamInfo<ByteCase>& info) {
                             return std::string(info.param.name);
                         });

struct ModeCase {
    const char* name;
    unsigned before; // 0: no file yet
    unsigned after;
};

class ProfileFileMode : public ProfileKeys, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ProfileFileMode, ANewFileIsTheOwnersAloneAndAnOldOneKeepsItsMode)
{
    if (GetParam().before != 0) {
        put("[ODBC]\r\nODBCPWD=old\r\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), GetParam().before), 0);
    }
    const mode_t mask = ::umask(022);
    EXPECT_TRUE(WritePrivateProfileString(QStringLiteral("ODBC"), QStringLiteral("ODBCPWD"),
                                          QStringLiteral("s3"), path()));
    EXPECT_EQ(mode(), GetParam().after);
    WritePrivateProfileKeys(QStringLiteral("ODBC"), {{QStringLiteral("ODBCPWD"), QStringLiteral("s4")}},
                            path());
    EXPECT_EQ(mode(), GetParam().after);
    ::umask(mask);
}

INSTANTIATE_TEST_SUITE_P(Modes, ProfileFileMode,
                         ::testing::Values(ModeCase{"NewFile", 0, 0600}, ModeCase{"Kept0644", 0644, 0644},
                                           ModeCase{"Kept0640", 0640, 0640},
                                           ModeCase{"Kept0600", 0600, 0600}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) {
                             return std::string(info.param.name);
                         });
