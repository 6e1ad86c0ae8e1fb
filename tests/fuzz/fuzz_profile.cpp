// The profile-file parser on arbitrary bytes: every section and key listed
// and read, then a key written and a section replaced.

#include "FuzzSupport.h"
#include "platform/profile/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::WriteInput(QStringLiteral("Tervala.ini"), data, size);
    const QStringList sections = profile::GetPrivateProfileString(std::nullopt, std::nullopt, {}, path)
                                     .split(QChar(0), Qt::SkipEmptyParts);
    for (const QString& section : sections.mid(0, 20)) {
        profile::GetPrivateProfileSection(section, path);
        const QStringList keys = profile::GetPrivateProfileString(section, std::nullopt, {}, path)
                                     .split(QChar(0), Qt::SkipEmptyParts);
        for (const QString& key : keys.mid(0, 20)) {
            profile::GetPrivateProfileString(section, key, QStringLiteral("d"), path);
            profile::GetPrivateProfileInt(section, key, 7, path);
        }
    }
    profile::WritePrivateProfileString(QStringLiteral("ODBC"), QStringLiteral("ODBCDSN"), QStringLiteral("x"),
                                       path);
    profile::WritePrivateProfileString(QStringLiteral("ODBC"), QStringLiteral("ODBCPWD"), std::nullopt, path);
    profile::WritePrivateProfileSection(QStringLiteral("New"), QStringLiteral("a=1"), path);
    profile::GetPrivateProfileString(QStringLiteral("ODBC"), QStringLiteral("ODBCDSN"), {}, path);
    return 0;
}
