#pragma once
// The one way the program opens the data viewer. What it opens is
// registered at start-up (RegisterScreens), so a test can put something
// else in its place.

#include <QString>
#include <functional>

class QWidget;

namespace screenhooks {

// Shows the paged viewer on a query, modal over the owner.
using ViewDataFn = std::function<void(QWidget* owner, const QString& connectionString, const QString& sql,
                                      bool editable, const QString& caption)>;

void SetViewData(ViewDataFn fn);
// The query the viewer runs for what a caller names: a query that begins
// with the word SELECT as it stands, anything else (a table name, bracketed
// or not) with "select * from " before it.
QString ViewQuery(const QString& sqlOrTable);
// Shows ViewQuery(sqlOrTable) in the viewer. False when no viewer was
// registered.
bool ViewData(QWidget* owner, const QString& connectionString, const QString& sqlOrTable, bool editable,
              const QString& caption);

} // namespace screenhooks
