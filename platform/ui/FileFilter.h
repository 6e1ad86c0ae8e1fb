#pragma once
// VB common-dialog filters ("Text (*.txt)|*.txt;*.csv|All (*.*)|*.*": caption,
// patterns, caption, patterns, ...) in Qt's form ("Text (*.txt) (*.txt *.csv)"
// entries joined by ";;").

#include <QString>
#include <QStringList>

namespace ui {

// One Qt name filter per caption/pattern pair, in order. "*.*" becomes "*"
// so that it also matches names without an extension; empty patterns (a
// trailing ";") are dropped, and a pair without patterns matches everything.
QStringList ConvertVbFilterList(const QString& vbFilter);

// The same entries joined with ";;"; an empty VB filter gives an empty text.
QString ConvertVbFilter(const QString& vbFilter);

} // namespace ui
