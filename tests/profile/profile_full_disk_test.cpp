// Profile writes on a disk that fills up: the write reports failure and the
// settings file keeps every byte it had, with nothing left beside it.

#include "platform/profile/Profile.h"

#include "support/FullDisk.h"

using testsupport::FullDiskCase;

namespace {

// An ini of `records` keys in [Data], before [ODBC].
QByteArray Ini(int records, const char* value)
{
    QByteArray bytes = "; kept as it is\r\n[Data]\r\n";
    for (int i = 0; i < records; ++i)
        bytes += "Key" + QByteArray::number(i) + '=' + value + QByteArray::number(i) + "\r\n";
    return bytes + "\r\n[ODBC]\r\nODBCDSN=(None)\r\nODBCPWD=secret\r\n";
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A refused write, as the functions that answer false report it.
vb::ErrObject Refused(bool written)
{
    return written ? vb::ErrObject() : vb::ErrObject(-1, QStringLiteral("refused"));
}

struct ProfileWriter {
    const char* name;
    bool (*write)(const QString& file, int records);
};

const ProfileWriter kWriters[] = {
    {"WritePrivateProfileString",
     [](const QString& file, int) {
         return profile::WritePrivateProfileString(QStringLiteral("ODBC"), QStringLiteral("ODBCPWD"),
                                                   QStringLiteral("changed"), file);
     }},
    {"WritePrivateProfileStringNewKey",
     [](const QString& file, int) {
         return profile::WritePrivateProfileString(QStringLiteral("Data"), QStringLiteral("Added"),
                                                   QStringLiteral("one more"), file);
     }},
    {"WritePrivateProfileSection",
     [](const QString& file, int records) {
         QString entries;
         for (int i = 0; i < records; ++i)
             entries += QStringLiteral("Key%1=new value %1").arg(i) + QChar(0);
         return profile::WritePrivateProfileSection(QStringLiteral("Data"), entries, file);
     }},
};

class ProfileFullDisk : public ::testing::TestWithParam<testsupport::WriterCase> {};

} // namespace

TEST_P(ProfileFullDisk, TheWriteFailsAndTheSettingsFileStays)
{
    const auto& [writer, c] = GetParam();
    testsupport::FullDisk disk(c.by);
    if (disk.RanInChild()) return;
    const QString file = disk.FilePath(QStringLiteral("Tervala.ini"));
    const int records = c.records;
    const ProfileWriter& w = kWriters[writer];
    testsupport::ExpectTheEarlierFilesStay(disk,
                                           {[=] { Put(file, Ini(records, "earlier value ")); },
                                            [=] { return Refused(w.write(file, records)); }, file},
                                           records == testsupport::kLargeRecords, -1);
}

INSTANTIATE_TEST_SUITE_P(Writers, ProfileFullDisk, testsupport::WriterCases(kWriters),
                         testsupport::WriterCaseName(kWriters));
