#pragma once
// Dates as VB keeps them: an OLE date number, days since 1899-12-30 with the
// time of day as the fraction (negative days carry the fraction away from
// zero: -1.25 is 1899-12-29 06:00). Local time throughout.

#include "platform/vb/Variant.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

namespace vb {

// Conversions between OLE dates and Qt (local time, to the second; a
// fraction of a second is rounded to the nearest second).
double ToOleDate(const QDateTime& dt);
double ToOleDate(const QDate& d, const QTime& t = QTime(0, 0));
QDateTime FromOleDate(double oaDate);

// Building dates like DateSerial / TimeSerial (VB carries out-of-range parts
// over: month 13 is January of the next year). Returns the OLE number.
double DateSerial(int year, int month, int day);
double TimeSerial(int hour, int minute, int second);

// Reads a date and/or time written in US English: "12/31/2001",
// "2001-12-31", "12/31/01 3:04 PM", "Dec 31, 2001", "31-Dec-2001",
// "15:04:05", "3 PM". Two-digit years 00-29 are 20xx, 30-99 are 19xx.
bool ParseDate(const QString& s, double& oaDate);

// The general date: "M/d/yyyy h:mm:ss AM/PM", without the time at
// midnight and without the date on 12/30/1899.
QString GeneralDate(double oaDate);

Variant Now();  // through the injected clock
Variant Date(); // today at midnight
Variant Time(); // the time of day on 12/30/1899

int Year(const Variant& d);
int Month(const Variant& d);
int Day(const Variant& d);
int Hour(const Variant& d);
int Minute(const Variant& d);
int Second(const Variant& d);
int Weekday(const Variant& d); // 1 = Sunday

// interval: "s" seconds, "n" minutes, "h" hours, "d"/"y"/"w" days,
// "ww" weeks, "m" months, "q" quarters, "yyyy" years. Other intervals raise 5.
Variant DateAdd(const QString& interval, double number, const Variant& date);
// Counts interval boundaries crossed from date1 to date2, as VB does.
std::int64_t DateDiff(const QString& interval, const Variant& date1, const Variant& date2);

} // namespace vb
