#pragma once
// The grid screens sit above this layer, yet the import wizard opens the
// data viewer and the area-code screen opens the phone list of one area
// code. The screens register how to open them at start-up; this layer only
// calls what was registered.

#include <QString>
#include <functional>

class QWidget;

namespace screenhooks {

// Shows the paged viewer on a query, modal over the owner.
using ViewDataFn = std::function<void(QWidget* owner, const QString& connectionString, const QString& sql,
                                      bool editable, const QString& caption)>;
// Shows the phone list of one DNC table ("phone" + area code), modal over
// the owner.
using PhoneListFn = std::function<void(QWidget* owner, const QString& tableName)>;

void SetViewData(ViewDataFn fn);
void SetPhoneList(PhoneListFn fn);
// The query the viewer runs for what a caller names: a query that begins
// with the word SELECT as it stands, anything else (a table name, bracketed
// or not) with "select * from " before it.
QString ViewQuery(const QString& sqlOrTable);
// Shows ViewQuery(sqlOrTable) in the viewer. False when no viewer or phone
// list was registered.
bool ViewData(QWidget* owner, const QString& connectionString, const QString& sqlOrTable, bool editable,
              const QString& caption);
bool ShowPhoneList(QWidget* owner, const QString& tableName);

} // namespace screenhooks
