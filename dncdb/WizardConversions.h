#pragma once
// The file side of the DNC import wizard as plain functions over files: the
// national text rename, the national HTML page, the national update file and
// the split of an import text into numbered files. The window chooses the
// files and calls these; each conversion traps its own errors, reports them
// through HandleError (module "frmDNCWizard") and then gives up, leaving the
// files it did not finish as they were.
//
// Source files are read line by line whatever their line ends (CRLF, LF, CR);
// written lines end in CRLF. An output replaces its file only when it is
// complete (written beside it, then renamed over it).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace dncwizard {

// Whether two names reach one file (another spelling of the path, a symbolic
// or a hard link); names of files that do not exist compare as absolute paths.
bool SameFile(const QString& a, const QString& b);

// --- National TEXT -------------------------------------------------------

// The name a national text file should be given: the same path when its
// extension is "txt" or "csv" in any letter case; otherwise the name up to
// its last dot (the whole name when it has none) followed by ".txt", or, when
// that exists, by "0.txt", "1.txt", ... the first that does not exist.
QString ProposeTextName(const QString& path);

// The question put before a rename: "File type should be *.txt or *.csv!,
// Would you like to change it to " line break and the proposed ".txt" name
// (the one before any numbering).
QString RenameQuestion(const QString& path);

// Makes the chosen national text usable as import text. A .txt or .csv file
// is returned unchanged without a question; any other file is renamed to
// ProposeTextName when askRename (given RenameQuestion) answers true.
// Returns the file to use, or "" when the answer was no or the rename failed
// (reported).
QString PrepareNationalText(const QString& path,
                            const std::function<bool(const QString& question)>& askRename);

// --- National HTML ---------------------------------------------------------

// The proposed output: the name up to and including its last dot & "txt"
// (no dot: name & ".txt").
QString HtmlOutputName(const QString& source);

// Writes the lines between the page's "<PRE>" and "</PRE>" into output: the
// text after "<PRE>" on its own line when not blank, then every line that is
// not blank after trimming, unchanged, up to the line holding "</PRE>" (not
// written). A page without "<PRE>" gives an empty output. An output that is
// the source itself is refused with a message. Returns true when written.
bool ConvertNationalHtml(const QString& source, const QString& output);

// --- National Update -------------------------------------------------------

// The proposed outputs: the name before its last dot & "A.txt" and & "D.txt".
QString UpdateOutputNameA(const QString& source);
QString UpdateOutputNameD(const QString& source);

// Splits a registry update file (number in field 1, flag in field 3,
// comma-delimited) into lines area code "," local number: flag "A" to aFile,
// any other flag to dFile. A first line whose number field is not all digits
// is a header and is skipped. Refuses, with a message and before anything is
// touched, an output equal to the source or an A file equal to the D file.
// Returns true when both files were written.
bool ConvertNationalUpdate(const QString& source, const QString& aFile, const QString& dFile);

// --- Split ---------------------------------------------------------------

// base and extension of a split: the name before its last dot and the dot
// with what follows (no dot: the whole name and "").
QString SplitBaseName(const QString& path);
QString SplitExtension(const QString& path);
// The name of split file number (from 1): base & number as "00" & extension.
QString SplitFileName(const QString& path, int number);

// Checks the "Lines Per File" text: empty gives "Lines Per File can not be
// empty!", anything but a whole number of at least 1 gives "Lines Per File
// must be digits!" (exclamation boxes). Returns the number, or 0 after a
// message.
std::int64_t CheckLinesPerFile(const QString& text);

struct SplitOutcome {
    bool done = false; // false: stopped by a check, the question or an error
    int files = 0;     // number of files written
    QString lastFile;  // the last file written
};

// Splits the import text into files of linesPerFile records named by
// SplitFileName, after the checks of the lines text and of the file and the
// question "Splitted Text File Names will be from ..."; each file starts with
// the header line when hasHeader is set. status receives "Output File:" and
// the name as each file is begun. Ends with an information box naming the
// first and the last file.
SplitOutcome SplitTextFile(const QString& path, const QString& linesPerFileText, bool hasHeader,
                           const std::function<void(const QString&)>& status = {});

// The fields of one delimited line: split at commas outside double quotes;
// quoted fields lose their quotes (doubled quotes become one), unquoted
// fields are trimmed.
QStringList SplitFields(const QString& line);

} // namespace dncwizard
