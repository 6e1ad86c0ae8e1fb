#pragma once
// The record rule every scrub routine shares: how a record's telephone
// number is built, cleaned and completed, how it is looked up in the DNC
// store, which counter it raises, how a found record's mark is built, and
// the texts of the result files, the progress line and the summaries.
// Everything here is plain logic; the routines own the files and windows.

#include "platform/vb/Variant.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

namespace scrub {

// The texts removed from a number that is not plain digits, in this order.
QStringList DefaultStripTexts();

struct NumberOptions {
    bool addAreaCode = false;     // "addareacode" 1: seven digits take defaultCode in front
    QString defaultCode;          // "defaultcode"
    bool dropElevenFirst = false; // the table and workbook routines: 11 characters lose the first
    QStringList stripTexts = DefaultStripTexts();
};

// The raw number of a record: the phone value, with the area value in front
// when the source names an area field. Null counts as empty text.
QString BuildNumber(const vb::Variant& phoneValue, const vb::Variant& areaValue, bool hasAreaField);

// Cleans and completes a raw number. Gives the ten-digit number to look up,
// or nothing when the record is unusable (shorter than 7 characters, or not
// ten digits after cleaning, completion and the eleven-digit step).
std::optional<QString> CompleteNumber(const QString& rawNumber, const NumberOptions& options);

// Looks ten-digit numbers up in the DNC store. The table list is asked only
// when the area code changes; a number whose area code has no table counts
// as found exactly when "nacnotindnc" is on. An error of the count (an
// exception thrown by countPhone) passes through to the caller: it is the
// run's error, never a "not found".
class DncLookup {
public:
    using TableExists = std::function<bool(const QString& tableName)>;
    using CountPhone = std::function<std::int32_t(const QString& areaCode, const QString& localNumber)>;

    DncLookup(TableExists tableExists, CountPhone countPhone, bool nacNotInDnc);

    bool isListed(const QString& tenDigits);
    const QString& lastAreaCode() const { return m_lastAreaCode; }
    // Whether the store has the table of the three-digit area code, and
    // what a number without one counts as; for look-ups made in bulk.
    bool HasTable(const QString& areaCode) { return m_tableExists(QStringLiteral("phone") + areaCode); }
    bool NacNotInDnc() const { return m_nacNotInDnc; }

private:
    TableExists m_tableExists;
    CountPhone m_countPhone;
    bool m_nacNotInDnc;
    QString m_lastAreaCode;
};

enum class Outcome { Found, NotFound, Unusable };

// The counters of one run and the texts built from them.
struct ScrubCounters {
    std::int32_t found = 0;
    std::int32_t notFound = 0;
    std::int32_t unusable = 0;
    std::int32_t records = 0;
    std::int32_t total = 0; // counted before the walk; may be 0 when the count failed

    // Raises the outcome's counter and the record counter; true when the
    // progress is due (every 100 records).
    bool add(Outcome outcome);

    // Found records as a share of all records, "#0.00". A total that the
    // walk outgrows (or a failed count of 0) gives way to the records seen,
    // so nothing divides by zero and the share never passes 100.
    QString percentText() const;
    // The progress bar's maximum and value: the value never passes the maximum.
    std::int32_t progressMaximum() const;
    std::int32_t progressValue() const;

    // Status-bar panel 1 during and after the walk.
    QString statusText() const;
    // Summary of the table and workbook routines.
    QString summaryText() const;
    // Summary of the text-file routine; backupName empty when no backup was made.
    QString textFileSummary(const QString& backupName) const;
};

// Seconds since the start time as status-bar panel 2 shows them.
QString ElapsedText(double startSeconds, double nowSeconds);

// "markaction": 0 prefix, 1 suffix, any other value replace.
// The new value of a found record's mark field; nothing when the record is
// left as it was (an empty mark text with prefix or suffix).
std::optional<QString> MarkedValue(const vb::Variant& oldValue, const QString& markText,
                                   std::int32_t markAction);

// Result files: first lines and one line per record (without line ends).
inline const QString kOkFileHeader = QStringLiteral("Numbers Not In DNC List");
inline const QString kTextDncFileHeader = QStringLiteral("Numbers In DNC List,Remove Time");
inline const QString kTableDncFileHeader = QStringLiteral("Numbers In DNC List, Remove Time");
inline const QString kTextDncSeparator = QStringLiteral(", ");
inline const QString kTableDncSeparator = QStringLiteral(",");

QString OkFileLine(const QString& number);
// number & separator & the present moment (the program's clock) in the
// general date form.
QString DncFileLine(const QString& number, const QString& separator = kTextDncSeparator);

} // namespace scrub
