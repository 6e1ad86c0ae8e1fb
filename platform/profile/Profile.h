#pragma once
// The private profile ("ini" file) functions with the behaviour Windows gives
// them: sections and keys matched without regard to case, values trimmed and
// one pair of surrounding quotes dropped on read, a new key appended at the end
// of its section, a new section at the end of the file, the file created on the
// first write and every other line (comments, blank lines, foreign bytes) kept
// exactly as it was.
//
// Where Windows takes a NULL pointer, these take std::nullopt; an empty text
// is an ordinary (empty) value. Every call reads or writes the file itself:
// there is no cache, so nothing needs flushing. Files are read as UTF-8 (a
// line that is not valid UTF-8 is read as Windows-1252) and new text is written
// as UTF-8. Writes are atomic: the new content is written beside the file,
// synced and renamed over it, so a full disk or a kill leaves the file as it
// was. A new file is made readable by its owner only (settings files hold
// passwords); a file that exists keeps its mode.
//
// Deliberate differences from Windows:
// - values are returned whole (there is no caller buffer to cut them);
// - a write that would break the file's line structure is refused and returns
//   false with the file unchanged: a section, key or value holding a line break
//   or a NUL, a key holding "=" or a section name holding "]".

#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace profile {

using Text = std::optional<QString>;

// GetPrivateProfileString. The value of key in section, or def (trailing blanks
// removed) when the file, section or key is missing; a key present with an
// empty value gives "". With section = nullopt: every section name, each
// followed by a NUL. With key = nullopt: every key of the section, each
// followed by a NUL.
QString GetPrivateProfileString(const Text& section, const Text& key, const QString& def,
                                const QString& fileName);

// GetPrivateProfileInt: the key's value read as a whole number (leading blanks,
// an optional sign, decimal digits or "0x" hex; reading stops at the first other
// character; no digits gives 0); def when the key is missing.
int GetPrivateProfileInt(const QString& section, const QString& key, int def, const QString& fileName);

// GetPrivateProfileSection: the section's entries ("key=value", or the line as
// it stands when it holds no "="), each followed by a NUL; comment and blank
// lines are left out; "" when the section is missing.
QString GetPrivateProfileSection(const QString& section, const QString& fileName);

// WritePrivateProfileString. key = nullopt deletes the whole section; value =
// nullopt deletes the key; section, key and value all nullopt is the cache
// flush, which has nothing to do here and succeeds. Returns true when written.
bool WritePrivateProfileString(const Text& section, const Text& key, const Text& value,
                               const QString& fileName);

// Sets several keys of one section in one replacement of the file: a reader,
// a kill or a full disk finds either all the new values or none of them.
// Other keys and lines stay as they were; a missing section or key is added as
// WritePrivateProfileString adds it. Raises vb::ErrObject 5 for a section,
// key or value the file cannot keep (see above), 57 when the file cannot be
// written (its description names a full disk), 70 when it cannot be read or
// replaced.
void WritePrivateProfileKeys(const QString& section, const std::vector<std::pair<QString, QString>>& entries,
                             const QString& fileName);

// WritePrivateProfileSection: replaces every line of the section with the
// entries of data ("key=value" texts each followed by a NUL, as
// GetPrivateProfileSection gives them); an empty data leaves the header with
// an empty body; data = nullopt deletes the section. A missing section is
// added at the end of the file.
bool WritePrivateProfileSection(const QString& section, const Text& data, const QString& fileName);

// The system folder's stand-in: a folder of ours under the user's
// configuration folder, holding "WIN.INI".
QString GetWindowsDirectory();
QString WinIniPath();

// The WIN.INI twins: the functions above on WinIniPath().
QString GetProfileString(const Text& section, const Text& key, const QString& def);
int GetProfileInt(const QString& section, const QString& key, int def);
QString GetProfileSection(const QString& section);
bool WriteProfileString(const Text& section, const Text& key, const Text& value);
bool WriteProfileSection(const QString& section, const Text& data);

} // namespace profile
