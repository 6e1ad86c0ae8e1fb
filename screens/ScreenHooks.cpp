#include "screens/ScreenHooks.h"

#include <QRegularExpression>

namespace screenhooks {
namespace {
ViewDataFn& viewData()
{
    static ViewDataFn fn;
    return fn;
}
} // namespace

void SetViewData(ViewDataFn fn)
{
    viewData() = std::move(fn);
}

QString ViewQuery(const QString& sqlOrTable)
{
    // A word of its own: a table named "Preselected" is still a table.
    static const QRegularExpression select(QStringLiteral("^SELECT\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (select.match(sqlOrTable.trimmed()).hasMatch()) return sqlOrTable;
    return QStringLiteral("select * from ") + sqlOrTable;
}

bool ViewData(QWidget* owner, const QString& connectionString, const QString& sqlOrTable, bool editable,
              const QString& caption)
{
    if (!viewData()) return false;
    viewData()(owner, connectionString, ViewQuery(sqlOrTable), editable, caption);
    return true;
}

} // namespace screenhooks
