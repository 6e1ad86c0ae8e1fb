#pragma once
// VB's conversion and inspection functions (CLng, CStr, Val, IsNumeric, ...),
// with numbers read and written by fixed US English rules.

#include "platform/vb/Variant.h"

#include <QString>
#include <cstdint>

namespace vb {

std::int32_t CLng(const Variant& v); // round half to even; 6 Overflow, 13, 94
std::int16_t CInt(const Variant& v);
std::int64_t CLngLng(const Variant& v);
double CDbl(const Variant& v);
QString CStr(const Variant& v); // Null -> 94
bool CBool(const Variant& v);
double CDate(const Variant& v);   // OLE date number; 13 when not a date
Variant CVDate(const Variant& v); // the same as a Date variant

// The number at the start of the text: spaces anywhere are skipped, the
// first character that cannot continue a number ends it. "&H"/"&O" read hex
// and octal (a value up to &HFFFF is a 16-bit Integer, so "&HFFFF" is -1).
double Val(const QString& s);

bool IsNumeric(const Variant& v); // numbers and Boolean, and strings that CDbl accepts
bool IsDate(const Variant& v);    // Date values and strings CDate accepts
bool IsNull(const Variant& v);
bool IsEmpty(const Variant& v);

// Reads a whole string as a number the way CDbl and IsNumeric do: blanks
// around it, "$", a leading or trailing sign, "(12)" for -12, thousands
// commas, decimal point, exponent, "&H1F" / "&O17". Returns false for
// anything else, including "".
bool ParseNumber(const QString& s, double& out);

// A double as CStr renders it: up to `digits` significant digits (15 for a
// Double, 7 for a Single), exponent form only below 1E-4 or from 1E+digits.
QString NumberToString(double v, int digits = 15);

} // namespace vb
