#include "platform/widgets/WaitCursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QWidget>

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

void PaintNow(QWidget* window)
{
    if (!window) return;
    window = window->window();
    // The window system's news first (the closed box's area to draw, the
    // pointer's new shape); no key or click of the user's is taken here.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (window->isVisible()) window->repaint();
}

} // namespace ui
