#pragma once
// The file side of the DNC import wizard as plain functions over files: the
// national text rename, the national HTML page, the national update file and
// the split of an import text into numbered files. The window chooses the
// files, asks its questions and calls these; each conversion gives up at its
// first error, leaving the files it did not finish as they were, and hands
// the error back for the window to report (module "frmDNCWizard").
//
// Source files are read line by line whatever their line ends (CRLF, LF, CR);
// written lines end in CRLF. An output replaces its file only when it is
// complete (written beside it, then renamed over it).

#include "core/EngineProgress.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace dncwizard {

// Whether two names reach one file (another spelling of the path, a symbolic
// or a hard link, fso::IsSameFile); names of files that do not exist compare
// as their folder compares names.
bool SameFile(const QString& a, const QString& b);

// Why a file cannot be converted as text: it begins with a UTF-16
// byte-order mark or holds NUL bytes in its first lines. Empty when it can
// (or cannot be opened: the conversion says why).
QString UnreadableText(const QString& path);

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

// Whether a national text must be renamed before it is imported: its
// extension is neither "txt" nor "csv" (in any letter case).
bool NeedsTextName(const QString& path);

// What a conversion made: the file to go on with, or "" after a refusal or
// a failure.
struct ConversionResult : engine::Result {
    QString file;
};

// Renames the chosen national text to ProposeTextName (failure function
// "cmdBrowser_Click").
ConversionResult RenameNationalText(const QString& path);

// --- National HTML ---------------------------------------------------------

// The proposed output: the name up to and including its last dot & "txt"
// (no dot: name & ".txt").
QString HtmlOutputName(const QString& source);

// Writes the lines between the page's "<PRE>" and "</PRE>" into output: the
// text after "<PRE>" on its own line when not blank, then every line that is
// not blank after trimming, unchanged, up to the line holding "</PRE>" (not
// written). A page without "<PRE>" gives an empty output. An output that is
// the source itself or a file the program keeps (writeguard), and a page
// that is not such text (UnreadableText), are refused. A failure names
// "cmdBrowser_Click".
ConversionResult ConvertNationalHtml(const QString& source, const QString& output);

// --- National Update -------------------------------------------------------

// The proposed outputs: the name before its last dot & "A.txt" and & "D.txt".
QString UpdateOutputNameA(const QString& source);
QString UpdateOutputNameD(const QString& source);

// Splits a registry update file (number in field 1, flag in field 3,
// comma-delimited) into lines area code "," local number: flag "A" to aFile,
// any other flag to dFile. A first line whose number field is not all digits
// is a header and is skipped. Refuses, before anything is touched, an output
// equal to the source, an A file equal to the D file, an output that is a
// file the program keeps (writeguard) and a source that is not such text
// (UnreadableText). The file made is the
// A file. A failure names "cmdBrowser_Click".
ConversionResult ConvertNationalUpdate(const QString& source, const QString& aFile, const QString& dFile);

// --- Split ---------------------------------------------------------------

// base and extension of a split: the name before its last dot and the dot
// with what follows (no dot: the whole name and "").
QString SplitBaseName(const QString& path);
QString SplitExtension(const QString& path);
// The name of split file number (from 1): base & number as "00" & extension.
QString SplitFileName(const QString& path, int number);

// The "Lines Per File" text as a number; 0 with the problem ("Lines Per
// File can not be empty!" for an empty text, "Lines Per File must be
// digits!" for anything but a whole number of at least 1).
std::int64_t LinesPerFile(const QString& text, QString& problem);
// What stops a split of the file before its question ("Text File Name Is
// Empty!", "Text File Does Not Exist!"); empty when nothing does.
QString SplitFileProblem(const QString& path);
// The question put before a split: the names the files will take.
QString SplitQuestion(const QString& path);

struct SplitJob {
    QString path;
    std::int64_t linesPerFile = 0;
    bool hasHeader = false; // the first line is a header, and starts every file
};

// The summary names the first and the last file written; a text that cannot
// be read is refused ("Error:Read File!"), and so is a file name that is a
// file the program keeps or the text itself (writeguard), when that file is
// begun; a failure names "CmdSplit".
struct SplitResult : engine::Result {
    bool done = false; // false: refused or failed
    int files = 0;     // number of files written
    QString lastFile;  // the last file written
};

// Splits the import text into files of linesPerFile records named by
// SplitFileName. Progress: "Output File:" and the name in panel 1 as each
// file is begun.
SplitResult SplitTextFile(const SplitJob& job, engine::EngineProgress& progress);

// The fields of one delimited line: split at commas outside double quotes;
// quoted fields lose their quotes (doubled quotes become one), unquoted
// fields are trimmed.
QStringList SplitFields(const QString& line);

} // namespace dncwizard
