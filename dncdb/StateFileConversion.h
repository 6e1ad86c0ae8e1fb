#pragma once
// State DNC files into import text: the layout a user describes in the format
// transfer (delimiter word, first data line, quotes, chosen fields), the text
// a per-state format keeps of its chosen fields, and the conversion itself as
// an engine over files that needs no window.
//
// The conversion streams bytes: a line is never decoded, so the values are
// written exactly as the state file holds them (UTF-8 or Windows-1252 alike).
// Source lines may end in CRLF, LF or CR; written lines end in CRLF. The
// output is written beside its target and renamed over it only when the whole
// run succeeded; a failed run leaves the target as it was.

#include "core/EngineProgress.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace stateformat {

// The delimiter words the format transfer offers, in list order.
QStringList DelimiterWords();
// The delimiter a word stands for, compared without regard to letter case:
// Tab, Semicolon, Comma, Space; anything else (empty included) is the tab.
char DelimiterFor(const QString& word);

// A line split at every delimiter; two delimiters in a row give an empty
// field between them, and an empty line gives no field at all.
QStringList SplitLine(const QString& line, QChar delimiter);

// The number a From Row text begins with, as VB's Val reads it.
double LeadingNumber(const QString& text);
// The first data line a From Row text gives, rounded (halves to even).
std::int32_t FirstLineOf(const QString& text);
// The lines to pass over before the first data line: the leading number less
// one, rounded (halves to even); never below zero.
std::int64_t SkipCountOf(const QString& text);

// The stored text of the chosen fields: the checked names joined by ";;",
// "::", then every row's value joined by ";;". Nothing is escaped.
QString EncodeSelectFields(const QStringList& names, const std::vector<bool>& checked,
                           const QStringList& values);

struct SelectedFields {
    QStringList checkedNames; // names to check, as stored
    QStringList values;       // the sample line's values, one row each
};
// Reads a stored text back. It is split once, at its first "::"; a part that
// is missing is empty, and text without "::" gives no rows.
SelectedFields DecodeSelectFields(const QString& text);

// --- the conversion --------------------------------------------------------

struct StateConversionJob {
    QString input;
    QString output;
    QString delimiterWord;      // by DelimiterFor
    std::int64_t skipLines = 0; // lines before the first data line
    bool removeQuotes = true;   // every double quote of a line is removed before it is split
    // Which field positions (from 0) the output takes. One: its value is
    // written as its first three characters, a comma and the rest. More, or
    // none: the taken values joined by commas (none gives empty lines).
    std::vector<bool> checked;
};

// How a conversion ended: the lines written; a refusal ("Error:Open Import
// file") when the input cannot be opened or no output can be made beside the
// target, or naming both files when the output is a file the program keeps
// (writeguard); a failure (a read, write or commit error) after which nothing is
// put in place.
struct StateConversionResult : engine::Result {
    std::int64_t lines = 0;
    bool converted() const { return !failure && refusal.isEmpty(); }
};

// Runs one conversion. Progress: the lines written, beside the bar, every
// 1,000 lines, at the end, and before a failure.
StateConversionResult ConvertStateFile(const StateConversionJob& job, engine::EngineProgress& progress);

} // namespace stateformat
