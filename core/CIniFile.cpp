#include "core/CIniFile.h"

#include "platform/fso/FileSystemObject.h"
#include "platform/profile/Profile.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"
#include "platform/vb/Strings.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QChar kNul(0);

qsizetype lastSeparator(const QString& path)
{
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
}

// The program folder as the file system spells it, with a trailing "/";
// empty when the folder is empty or cannot be found.
QString storedFolder(const QString& folder)
{
    if (folder.isEmpty()) return {};
    const QFileInfo info(folder);
    if (!info.isDir()) return {};
    QString path = QDir::cleanPath(info.absoluteFilePath());
    if (!path.endsWith(u'/')) path += u'/';
    return path;
}

} // namespace

CIniFile::CIniFile()
{
    const QString exe = vb::Trim(vb::App::EXEName());
    if (exe.isEmpty()) return;
    SetSectionName(QStringLiteral("General"));
    SetFullPath(storedFolder(vb::App::Path()) + vb::StrConv(exe, vb::vbProperCase) + QStringLiteral(".ini"));
}

void CIniFile::SetUseWinINI(bool value)
{
    if (value == m_useWinINI) return;
    if (value) {
        const QString privPath = m_privPath;
        SetFullPath(profile::GetWindowsDirectory() + QStringLiteral("/WIN.INI"));
        m_privPath = privPath;
        m_useWinINI = true;
    } else {
        SetFullPath(m_privPath);
    }
}

void CIniFile::SetFullPath(const QString& path)
{
    m_privPath = path;
    m_fullPath = path;
    m_filePath = ExtractPath(path);
    m_fileName = ExtractName(path, 1);
    m_fileExt = ExtractName(path, 2);
    m_sectionSet = !vb::Trim(m_sectionName).isEmpty();
    m_useWinINI = false;
}

void CIniFile::SetSectionName(const QString& section)
{
    m_sectionName = section;
    m_sectionSet = !vb::Trim(m_sectionName).isEmpty();
}

QString CIniFile::ExtractName(const QString& path, std::int16_t mode) const
{
    const QString p = path.isEmpty() ? m_fullPath : path;
    QString name;
    const qsizetype sep = lastSeparator(p);
    if (sep >= 0)
        name = p.mid(sep + 1);
    else if (p.size() >= 2 && p[1] == u':')
        name = p.mid(2);
    else
        name = p;
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 0) return name;
    if (mode == 1) return name.left(dot);
    if (mode == 2) return name.mid(dot + 1);
    return name;
}

QString CIniFile::ExtractPath(const QString& path) const
{
    const QString p = path.isEmpty() ? m_fullPath : path;
    const qsizetype sep = lastSeparator(p);
    QString folder = sep >= 0 ? p.left(sep) : QDir::currentPath();
    if (folder.endsWith(u'/') || folder.endsWith(u'\\')) folder.chop(1);
    return folder;
}

bool CIniFile::checkSection() const
{
    if (m_sectionSet) return true;
    ui::MsgBox(QStringLiteral("[Section] and FileName Not Registered in Private.Ini!"),
               ui::vbInformation | ui::vbOKOnly, QStringLiteral("IniFile Logic Error"));
    return false;
}

QString CIniFile::readValue(const QString& key, const QString& defaultValue) const
{
    if (m_useWinINI) return profile::GetProfileString(m_sectionName, key, defaultValue);
    return profile::GetPrivateProfileString(m_sectionName, key, defaultValue, m_fullPath);
}

bool CIniFile::writeValue(const QString& key, const QString& value) const
{
    if (m_useWinINI) return profile::WriteProfileString(m_sectionName, key, value);
    return profile::WritePrivateProfileString(m_sectionName, key, value, m_fullPath);
}

void CIniFile::DeleteStrEntry(const QString& key)
{
    if (checkSection()) writeValue(key, QString(""));
}

void CIniFile::DeleteNumEntry(const QString& key)
{
    if (!checkSection()) return;
    if (m_useWinINI)
        profile::WriteProfileString(m_sectionName, key, std::nullopt);
    else
        profile::WritePrivateProfileString(m_sectionName, key, std::nullopt, m_fullPath);
}

void CIniFile::DeleteSection()
{
    if (!checkSection()) return;
    if (m_useWinINI)
        profile::WriteProfileSection(m_sectionName, QString(""));
    else
        profile::WritePrivateProfileSection(m_sectionName, QString(""), m_fullPath);
    m_sectionName.clear();
    m_sectionSet = false;
}

bool CIniFile::Exists(const QString& fileName) const
{
    if (fileName.isEmpty()) return false;
    const qsizetype sep = lastSeparator(fileName);
    const QString name = fileName.mid(sep + 1);
    if (name.contains(u'.')) return QFileInfo(fileName).isFile();
    // "name.*" matches "name" itself and "name" with any extension.
    const QDir folder(sep >= 0 ? fileName.left(sep + 1) : QStringLiteral("."));
    if (!folder.exists()) return false;
    const QStringList found =
        folder.entryList({name, name + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    return !found.isEmpty();
}

std::int16_t CIniFile::GetInt(const QString& key, std::int16_t defaultValue)
{
    if (!checkSection()) return 0;
    const int value = m_useWinINI
                          ? profile::GetProfileInt(m_sectionName, key, defaultValue)
                          : profile::GetPrivateProfileInt(m_sectionName, key, defaultValue, m_fullPath);
    if (value < INT16_MIN || value > INT16_MAX) vb::Raise(vb::errnum::Overflow);
    return std::int16_t(value);
}

QString CIniFile::GetSectEntries()
{
    if (!checkSection()) return {};
    const QString entries = m_useWinINI ? profile::GetProfileSection(m_sectionName)
                                        : profile::GetPrivateProfileSection(m_sectionName, m_fullPath);
    return entries + kNul;
}

std::int16_t CIniFile::GetSectEntriesEx(QStringList& keys, QStringList& values)
{
    const QString entries = GetSectEntries();
    if (entries.size() <= 1) return 0;
    keys.clear();
    values.clear();
    qsizetype start = 0;
    while (start < entries.size() && entries[start] != kNul) {
        qsizetype end = entries.indexOf(kNul, start);
        if (end < 0) end = entries.size();
        const QString entry = entries.mid(start, end - start);
        const qsizetype eq = entry.indexOf(u'=');
        keys << (eq < 0 ? entry : entry.left(eq));
        values << (eq < 0 ? QString() : entry.mid(eq + 1));
        start = end + 1;
    }
    return std::int16_t(keys.size());
}

QString CIniFile::GetSections()
{
    if (!checkSection()) return {};
    QString names;
    try {
        fso::FileSystemObject fs;
        const fso::TextStreamPtr ts = fs.OpenTextFile(m_fullPath, fso::ForReading);
        while (!ts->AtEndOfStream()) {
            QString line = ts->ReadLine();
            const qsizetype comment = line.indexOf(u';');
            if (comment >= 0) line.truncate(comment);
            line = vb::Trim(line);
            if (line.startsWith(u'[') && line.indexOf(u']') == line.size() - 1)
                names += line.mid(1, line.size() - 2) + kNul;
        }
    } catch (const vb::ErrObject&) {
        // A file that cannot be read has no sections.
    }
    return names + kNul + (names.isEmpty() ? QString(kNul) : QString());
}

std::int16_t CIniFile::GetSectionsEx(QStringList& sections)
{
    const QString names = GetSections();
    sections.clear();
    for (const QString& name : names.split(kNul))
        if (!name.isEmpty()) sections << name;
    return std::int16_t(sections.size());
}

QString CIniFile::GetString(const QString& key, const QString& defaultValue)
{
    if (!checkSection()) return {};
    return readValue(key, defaultValue);
}

bool CIniFile::GetTF(const QString& key, bool defaultValue)
{
    const QString value =
        vb::UCase(vb::Trim(GetString(key, defaultValue ? QStringLiteral("True") : QStringLiteral("False"))));
    static const QStringList yes = {"YES", "Y", "TRUE", "T", "ON", "1", "-1"};
    return yes.contains(value);
}

void CIniFile::FlushCache()
{
    if (!checkSection()) return;
    if (m_useWinINI)
        profile::WriteProfileString(std::nullopt, std::nullopt, std::nullopt);
    else
        profile::WritePrivateProfileString(std::nullopt, std::nullopt, std::nullopt, m_fullPath);
}

QString CIniFile::IniRead(const QString& section, const QString& key, int intDefault,
                          const QString& stringDefault, bool readInt, const QString& fileName) const
{
    if (readInt) return QString::number(profile::GetPrivateProfileInt(section, key, intDefault, fileName));
    return profile::GetPrivateProfileString(section, key, stringDefault, fileName);
}

void CIniFile::IniWrite(const QString& section, const QString& key, const QString& value,
                        const QString& fileName) const
{
    profile::WritePrivateProfileString(section, key, value.isNull() ? QString("") : value, fileName);
}

std::int32_t CIniFile::PutInt(const QString& key, std::int16_t value)
{
    if (!checkSection()) return 0;
    return writeValue(key, QString::number(value)) ? 1 : 0;
}

std::int32_t CIniFile::PutString(const QString& key, const QString& value)
{
    if (!checkSection()) return 0;
    return writeValue(key, value.isNull() ? QString("") : value) ? 1 : 0;
}

bool CIniFile::PutTF(const QString& key, bool value)
{
    return PutString(key, value ? QStringLiteral("True") : QStringLiteral("False")) != 0;
}

bool CIniFile::SectExist(const QString& section)
{
    const QString names = GetSections();
    if (names.isEmpty()) return false;
    return (kNul + vb::UCase(names)).contains(kNul + vb::UCase(section) + kNul);
}
