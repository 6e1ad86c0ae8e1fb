#include "platform/profile/Profile.h"

#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <climits>
#include <vector>

namespace profile {
namespace {

// Bytes 0x80-0x9F of Windows-1252; the rest of the upper half is Latin-1.
// Unassigned bytes keep their Latin-1 control code so that nothing is lost.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeLine(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    text.clear();
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(char16_t(b)));
    }
    return text;
}

enum class Kind { Blank, Comment, Header, Entry };

struct Line {
    QByteArray bytes; // without its line end
    QByteArray eol;   // "\r\n", "\n", "\r", or empty for a last line without one
    Kind kind = Kind::Blank;
    QString name;  // section name (Header) or key (Entry), trimmed
    QString value; // Entry: the text after the first "=", trimmed
};

void classify(Line& line)
{
    const QString text = decodeLine(line.bytes).trimmed();
    line.name.clear();
    line.value.clear();
    if (text.isEmpty()) {
        line.kind = Kind::Blank;
    } else if (text.startsWith(u';')) {
        line.kind = Kind::Comment;
    } else if (text.startsWith(u'[')) {
        line.kind = Kind::Header;
        const qsizetype close = text.indexOf(u']');
        line.name = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
    } else {
        line.kind = Kind::Entry;
        const qsizetype eq = text.indexOf(u'=');
        if (eq < 0) {
            line.name = text;
        } else {
            line.name = text.left(eq).trimmed();
            line.value = text.mid(eq + 1).trimmed();
        }
    }
}

struct IniFile {
    std::vector<Line> lines;
    bool exists = false;
    QByteArray eol = "\n"; // the line end of the file, used for lines we add

    // Index of the first header named section, or -1.
    int findSection(const QString& section) const
    {
        const QString wanted = section.trimmed();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].kind == Kind::Header && lines[i].name.compare(wanted, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
    // One past the last line of the section whose header is at index header.
    int sectionEnd(int header) const
    {
        size_t i = size_t(header) + 1;
        while (i < lines.size() && lines[i].kind != Kind::Header)
            ++i;
        return int(i);
    }
    int findKey(int header, const QString& key) const
    {
        const QString wanted = key.trimmed();
        const int end = sectionEnd(header);
        for (int i = header + 1; i < end; ++i)
            if (lines[size_t(i)].kind == Kind::Entry &&
                lines[size_t(i)].name.compare(wanted, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    void insert(int at, const QByteArray& bytes)
    {
        // The line before the new one must end, or the two would run together.
        if (at > 0 && lines[size_t(at) - 1].eol.isEmpty()) lines[size_t(at) - 1].eol = eol;
        Line line;
        line.bytes = bytes;
        line.eol = eol;
        classify(line);
        lines.insert(lines.begin() + at, line);
    }
    void appendSection(const QString& section)
    {
        if (!lines.empty() && lines.back().kind != Kind::Blank) insert(int(lines.size()), QByteArray());
        insert(int(lines.size()), "[" + section.trimmed().toUtf8() + "]");
    }
    // Where a new key of the section goes: after its last non-blank line, so
    // that blank lines separating it from the next section stay at its end.
    int insertionPoint(int header) const
    {
        int at = sectionEnd(header);
        while (at > header + 1 && lines[size_t(at) - 1].kind == Kind::Blank)
            --at;
        return at;
    }
};

IniFile load(const QString& fileName, bool* ok = nullptr)
{
    IniFile ini;
    if (ok) *ok = true;
    QFile file(fileName);
    if (!file.exists()) return ini;
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok) *ok = false;
        return ini;
    }
    ini.exists = true;
    const QByteArray data = file.readAll();
    bool eolKnown = false;
    qsizetype start = 0;
    const qsizetype n = data.size();
    while (start < n) {
        qsizetype i = start;
        while (i < n && data[i] != '\n' && data[i] != '\r')
            ++i;
        Line line;
        line.bytes = data.mid(start, i - start);
        if (i < n) {
            const qsizetype eolLength = (data[i] == '\r' && i + 1 < n && data[i + 1] == '\n') ? 2 : 1;
            line.eol = data.mid(i, eolLength);
            if (!eolKnown) {
                ini.eol = line.eol;
                eolKnown = true;
            }
            i += eolLength;
        }
        classify(line);
        ini.lines.push_back(std::move(line));
        start = i;
    }
    return ini;
}

// Settings files may hold passwords: a new one is readable by its owner
// only; one that exists keeps the mode its owner gave it.
constexpr unsigned kNewFileMode = 0600;

void saveOrRaise(const IniFile& ini, const QString& fileName)
{
    QByteArray bytes;
    for (const Line& line : ini.lines)
        bytes += line.bytes + line.eol;
    fso::WriteWholeFile(fileName, bytes, kNewFileMode);
}

bool save(const IniFile& ini, const QString& fileName)
{
    try {
        saveOrRaise(ini, fileName);
        return true;
    } catch (const vb::ErrObject&) {
        return false; // the file is as it was
    }
}

// A NUL, CR or LF would end the line early, or end the text for the readers
// that take NUL as its end.
bool breaksLine(const QString& s)
{
    return s.contains(u'\r') || s.contains(u'\n') || s.contains(QChar(0));
}

bool validSection(const QString& s)
{
    return !breaksLine(s) && !s.contains(u']');
}

bool validKey(const QString& s)
{
    const QString t = s.trimmed();
    return !breaksLine(s) && !t.contains(u'=') && !t.startsWith(u'[') && !t.startsWith(u';');
}

// Sets key's value in the section, adding the section or the key where missing.
void setKey(IniFile& ini, const QString& section, const QString& key, const QString& value)
{
    int header = ini.findSection(section);
    const int at = header < 0 ? -1 : ini.findKey(header, key);
    const QByteArray valueBytes = value.toUtf8();
    if (at >= 0) {
        Line& line = ini.lines[size_t(at)];
        const qsizetype eq = line.bytes.indexOf('=');
        // Keep the key exactly as the file spells it; only the value changes.
        line.bytes = (eq < 0 ? line.bytes + "=" : line.bytes.left(eq + 1)) + valueBytes;
        classify(line);
        return;
    }
    if (header < 0) {
        ini.appendSection(section);
        header = int(ini.lines.size()) - 1;
    }
    ini.insert(ini.insertionPoint(header), key.trimmed().toUtf8() + "=" + valueBytes);
}

QString unquote(const QString& value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

QString trimRight(const QString& s)
{
    qsizetype n = s.size();
    while (n > 0 && s[n - 1].isSpace())
        --n;
    return s.left(n);
}

} // namespace

QString GetPrivateProfileString(const Text& section, const Text& key, const QString& def,
                                const QString& fileName)
{
    const IniFile ini = load(fileName);
    if (!section) {
        QString names;
        for (const Line& line : ini.lines)
            if (line.kind == Kind::Header) names += line.name + QChar(0);
        return names;
    }
    const int header = ini.findSection(*section);
    if (!key) {
        QString keys;
        if (header < 0) return keys;
        const int end = ini.sectionEnd(header);
        for (int i = header + 1; i < end; ++i)
            if (ini.lines[size_t(i)].kind == Kind::Entry) keys += ini.lines[size_t(i)].name + QChar(0);
        return keys;
    }
    const int at = header < 0 ? -1 : ini.findKey(header, *key);
    if (at < 0) return trimRight(def);
    return unquote(ini.lines[size_t(at)].value);
}

int GetPrivateProfileInt(const QString& section, const QString& key, int def, const QString& fileName)
{
    const QString text = GetPrivateProfileString(section, key, QString(), fileName).trimmed();
    if (text.isEmpty()) return def;
    qsizetype i = 0;
    bool negative = false;
    if (text[i] == u'-' || text[i] == u'+') negative = text[i++] == u'-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int d = -1;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        if (d < 0) break;
        value = value * base + d;
        if (value > (long long)INT_MAX + 1) break; // saturated below; more digits change nothing
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}

QString GetPrivateProfileSection(const QString& section, const QString& fileName)
{
    const IniFile ini = load(fileName);
    const int header = ini.findSection(section);
    QString entries;
    if (header < 0) return entries;
    const int end = ini.sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const Line& line = ini.lines[size_t(i)];
        if (line.kind == Kind::Entry) entries += decodeLine(line.bytes).trimmed() + QChar(0);
    }
    return entries;
}

bool WritePrivateProfileString(const Text& section, const Text& key, const Text& value,
                               const QString& fileName)
{
    if (!section) return !key && !value; // the cache flush: there is no cache to write
    if (!validSection(*section) || (key && !validKey(*key)) || (value && breaksLine(*value))) return false;
    bool ok = false;
    IniFile ini = load(fileName, &ok);
    if (!ok) return false;
    const int header = ini.findSection(*section);

    if (!key) { // delete the section
        if (header < 0) return true;
        const int end = ini.sectionEnd(header);
        ini.lines.erase(ini.lines.begin() + header, ini.lines.begin() + end);
        return save(ini, fileName);
    }
    if (!value) { // delete the key
        const int at = header < 0 ? -1 : ini.findKey(header, *key);
        if (at < 0) return true;
        ini.lines.erase(ini.lines.begin() + at);
        return save(ini, fileName);
    }
    setKey(ini, *section, *key, *value);
    return save(ini, fileName);
}

void WritePrivateProfileKeys(const QString& section, const std::vector<std::pair<QString, QString>>& entries,
                             const QString& fileName)
{
    const QString source = QStringLiteral("WritePrivateProfileKeys");
    if (!validSection(section))
        vb::Raise(vb::errnum::InvalidProcedureCall, source,
                  QStringLiteral("The section name '%1' cannot be kept in a settings file.").arg(section));
    for (const auto& [key, value] : entries) {
        if (!validKey(key))
            vb::Raise(vb::errnum::InvalidProcedureCall, source,
                      QStringLiteral("The key name '%1' cannot be kept in a settings file.").arg(key));
        if (breaksLine(value))
            vb::Raise(
                vb::errnum::InvalidProcedureCall, source,
                QStringLiteral("The value of %1 holds a line break or a NUL character, which a settings "
                               "file cannot keep.")
                    .arg(key));
    }
    bool ok = false;
    IniFile ini = load(fileName, &ok);
    if (!ok)
        vb::Raise(vb::errnum::PermissionDenied, source,
                  QStringLiteral("Cannot read the settings file '%1'.").arg(fileName));
    for (const auto& [key, value] : entries)
        setKey(ini, section, key, value);
    saveOrRaise(ini, fileName);
}

bool WritePrivateProfileSection(const QString& section, const Text& data, const QString& fileName)
{
    if (!data) return WritePrivateProfileString(section, std::nullopt, std::nullopt, fileName);
    // NULs separate the entries here; a line break would split one.
    if (!validSection(section) || data->contains(u'\r') || data->contains(u'\n')) return false;
    bool ok = false;
    IniFile ini = load(fileName, &ok);
    if (!ok) return false;
    int header = ini.findSection(section);
    if (header < 0) {
        ini.appendSection(section);
        header = int(ini.lines.size()) - 1;
    }
    // Drop the old body but keep the blank lines that close it.
    const int bodyEnd = ini.insertionPoint(header);
    ini.lines.erase(ini.lines.begin() + header + 1, ini.lines.begin() + bodyEnd);
    int at = header + 1;
    for (const QString& entry : data->split(QChar(0), Qt::SkipEmptyParts)) {
        if (entry.trimmed().isEmpty()) continue;
        ini.insert(at++, entry.toUtf8());
    }
    return save(ini, fileName);
}

QString GetWindowsDirectory()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return (config.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : config) +
           QStringLiteral("/tervala");
}

QString WinIniPath()
{
    return GetWindowsDirectory() + QStringLiteral("/WIN.INI");
}

QString GetProfileString(const Text& section, const Text& key, const QString& def)
{
    return GetPrivateProfileString(section, key, def, WinIniPath());
}

int GetProfileInt(const QString& section, const QString& key, int def)
{
    return GetPrivateProfileInt(section, key, def, WinIniPath());
}

QString GetProfileSection(const QString& section)
{
    return GetPrivateProfileSection(section, WinIniPath());
}

bool WriteProfileString(const Text& section, const Text& key, const Text& value)
{
    QDir().mkpath(GetWindowsDirectory());
    return WritePrivateProfileString(section, key, value, WinIniPath());
}

bool WriteProfileSection(const QString& section, const Text& data)
{
    QDir().mkpath(GetWindowsDirectory());
    return WritePrivateProfileSection(section, data, WinIniPath());
}

} // namespace profile
