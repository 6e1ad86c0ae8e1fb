#include "platform/widgets/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace ui {
namespace {
bool g_switchOn = false;
}

WaitCursor::WaitCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

void SetHourglass(bool on)
{
    if (on == g_switchOn) return;
    g_switchOn = on;
    if (on)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

bool HourglassShown()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

} // namespace ui
