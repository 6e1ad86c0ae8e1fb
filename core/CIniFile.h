#pragma once
// CIniFile: access to one settings file in the profile ("ini") format. The
// object carries a current file and a current section; every keyed read and
// write goes to that section of that file, straight to the file (nothing is
// cached here).
//
// A keyed operation without a section shows "[Section] and FileName Not
// Registered in Private.Ini!" and returns its empty result without touching
// the file. Values come back whole, however long; a value holding a line break
// is refused by the writers (result 0), since it would split the file's line.

#include <QString>
#include <QStringList>
#include <cstdint>

class CIniFile {
public:
    // Section "General", file "<program folder>/<Exe name>.ini" (proper case).
    CIniFile();

    QString PrivPath() const { return m_privPath; }

    // True points the object at WIN.INI (remembering the private file in
    // PrivPath); False returns to PrivPath. Setting the current value does nothing.
    void SetUseWinINI(bool value);
    bool UseWinINI() const { return m_useWinINI; }

    // Sets the file (not checked; a missing file is created by the first write).
    void SetFullPath(const QString& path);
    QString FullPath() const { return m_fullPath; }

    void SetSectionName(const QString& section);
    QString SectionName() const { return m_sectionName; }

    QString FilePath() const { return m_filePath; } // folder of FullPath, no trailing separator
    QString FileExt() const { return m_fileExt; }   // text after the name's first "."
    QString FileName() const { return m_fileName; } // name up to its first "."
    bool SectionSet() const { return m_sectionSet; }

    // Path splitting; "/" and "\" both separate; an empty path means FullPath.
    // ExtractName mode 1: the name up to its first "."; 2: the text after it;
    // other: the whole name.
    QString ExtractName(const QString& path, std::int16_t mode) const;
    QString ExtractPath(const QString& path) const;

    void DeleteStrEntry(const QString& key); // keeps the key with an empty value
    void DeleteNumEntry(const QString& key); // removes the key
    void DeleteSection();                    // empties the section and forgets it as current
    // True when the file exists; a name without "." also matches any extension.
    bool Exists(const QString& fileName) const;
    std::int16_t GetInt(const QString& key, std::int16_t defaultValue);
    QString GetSectEntries(); // "key=value" entries, each NUL-ended
    std::int16_t GetSectEntriesEx(QStringList& keys, QStringList& values); // row 0 keys, row 1 values
    QString GetSections(); // section names, each NUL-ended, then a NUL
    std::int16_t GetSectionsEx(QStringList& sections);
    QString GetString(const QString& key, const QString& defaultValue);
    bool GetTF(const QString& key, bool defaultValue);
    void FlushCache();
    // Reads one value of any section of any file, without using or changing
    // the current ones: the integer read (as text) when readInt is set, else
    // the text read.
    QString IniRead(const QString& section, const QString& key, int intDefault, const QString& stringDefault,
                    bool readInt, const QString& fileName) const;
    void IniWrite(const QString& section, const QString& key, const QString& value,
                  const QString& fileName) const;
    std::int32_t PutInt(const QString& key, std::int16_t value);
    std::int32_t PutString(const QString& key, const QString& value);
    bool PutTF(const QString& key, bool value);
    bool SectExist(const QString& section);

private:
    bool checkSection() const;
    QString readValue(const QString& key, const QString& defaultValue) const;
    bool writeValue(const QString& key, const QString& value) const;

    QString m_sectionName;
    QString m_fileName;
    QString m_filePath;
    QString m_fullPath;
    QString m_privPath;
    QString m_fileExt;
    bool m_sectionSet = false;
    bool m_useWinINI = false;
};
