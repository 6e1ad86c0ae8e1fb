#include "dncdb/ScreenHooks.h"

namespace screenhooks {
namespace {
ViewDataFn& viewData()
{
    static ViewDataFn fn;
    return fn;
}
PhoneListFn& phoneList()
{
    static PhoneListFn fn;
    return fn;
}
} // namespace

void SetViewData(ViewDataFn fn)
{
    viewData() = std::move(fn);
}

void SetPhoneList(PhoneListFn fn)
{
    phoneList() = std::move(fn);
}

bool ViewData(QWidget* owner, const QString& connectionString, const QString& sql, bool editable,
              const QString& caption)
{
    if (!viewData()) return false;
    viewData()(owner, connectionString, sql, editable, caption);
    return true;
}

bool ShowPhoneList(QWidget* owner, const QString& tableName)
{
    if (!phoneList()) return false;
    phoneList()(owner, tableName);
    return true;
}

} // namespace screenhooks
