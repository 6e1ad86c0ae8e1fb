#pragma once
// VB's Format with US English rules on every machine.
//
// Number masks: 0 # . , % E+ E- with literal text ("quoted", \x, or other
// characters), up to four sections "positive;negative;zero;null". Rounding is
// half away from zero on the decimal digits ("#0.00" makes 12.345 "12.35").
// A single-section mask puts "-" in front of a negative number.
// Date masks: d dd ddd dddd ddddd dddddd w ww m mm mmm mmmm q y yy yyyy
// h hh n nn s ss ttttt c AM/PM am/pm A/P a/p AMPM, "/" and ":" literal; m
// right after an hour means minutes. Named formats: "General Number",
// "Currency", "Fixed", "Standard", "Percent", "Scientific", "Yes/No",
// "True/False", "On/Off", "General Date", "Long Date", "Medium Date",
// "Short Date", "Long Time", "Medium Time", "Short Time".
// String masks: @ & < > !.
// Without a mask: numbers as CStr, dates as the general date. Null gives ""
// (or the fourth section). A string that does not suit the mask comes back
// unchanged.

#include "platform/vb/Variant.h"

#include <QString>

namespace vb {

QString Format(const Variant& value, const QString& mask = {});

} // namespace vb
