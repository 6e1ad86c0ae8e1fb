#pragma once
// The shared procedures every part of the program calls: the one error
// reporter, the SQL literal builders, the open and save file dialogs, the text
// file writer, the combo-box lookup, the status-line forwarder and help; with
// the border-style helper (ModuleControl) and the help call (cHTMLHelp).

#include "platform/vb/Variant.h"

#include <QString>
#include <cstdint>

class QComboBox;
class QWidget;

// Reports an error. A zero number takes the number of the error being handled
// (vb::Err()), and when that is zero too nothing happens; an empty description
// takes its description. Without raise: one critical message box titled with
// the program's title. With raise: throws vb::ErrObject(number, description,
// function + " IN " + module).
void HandleError(std::int32_t number, const QString& description, const QString& moduleName,
                 const QString& functionName, bool raise = false);
// The second entry, used by the grid control; the same as HandleError.
void HandleError2(std::int32_t number, const QString& description, const QString& moduleName,
                  const QString& functionName, bool raise = false);

// The escapes of FormatSQLString.
// Before each "'", inserts escape (each quote is escaped once, whatever escape is).
QString EscapeQuotes(const QString& text, const QString& escape);
// Doubles each "\" that is not the last character and not followed by "'" or "\".
QString EscapeBackslash(const QString& text);
// Puts "\" before each EscapedChar.
QString EscapeChars(const QString& text);
inline constexpr char16_t EscapedChar = u'%';

// An SQL text literal. Null gives "NULL"; otherwise the value's text with the
// escapes of the mode, in single quotes:
// 0 none, 1 quotes (escape), 2 chars, 3 backslashes, 4 quotes ("'") then chars,
// 5 backslashes then quotes (escape), 6 backslashes then chars,
// 7 backslashes, quotes (escape), chars. Any other mode gives "".
QString FormatSQLString(const vb::Variant& value, const std::int32_t& mode = 1, const QString& escape = "'");
// An SQL number literal: Null or a non-numeric value gives "0"; a number is
// rounded to a 32-bit integer (halves to even). A number outside the 32-bit
// range raises error 6 (overflow) to the caller.
QString FormatSQLNumber(const vb::Variant& value);
// "True" for a value equal to True, else "False" (Null included).
QString FormatSQLBool(const vb::Variant& value);

// The open-file dialog of the main window (or of its own when there is no
// main window), starting in the program folder, requiring an existing path.
// Returns the chosen path, or "" when cancelled (no message) or failed
// (reported).
QString OpenFile(const QString& fileName, const QString& filter, const QString& title);
// The save-file dialog, asking before an existing file is replaced; "" on
// cancel or any failure, without a message.
QString ShowSaveDialog(const QString& fileName, const QString& filter, const QString& title);
// Writes text into the file as it is (no line end added), creating the file;
// openMode is a fso::IOMode (2 replaces the content, atomically; 8 appends).
// Failures are reported and give false.
bool SaveTextFile(const QString& path, const QString& text, std::int16_t openMode = 2);
// Index (from 0) of the first item whose text, or item data (Qt::UserRole
// int) when byItemData is set, equals value; -1 when none.
std::int32_t FindComboIndex(const QComboBox* combo, const vb::Variant& value, bool byItemData);
// Writes text into a panel of the main window's status bar; does nothing
// without a main window.
void SetStatusBarText(const QString& text, std::int32_t panel);
// Opens the program's help at topic (its default page when topic is empty).
void ShowHelp(QWidget* owner, const QString& topic);

class cHTMLHelp {
public:
    void DisplayHelp(QWidget* hwndCaller, const QString& helpPath);
};

namespace ModuleControl {
// The window's border: -1 flat, 0 thin, 1 sunken; any other value and any
// window that has no frame change nothing.
void SetFlatBorder(QWidget* window, std::int16_t style);
} // namespace ModuleControl
