#include "screens/EditBoxes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace {

class EditBoxManners : public QObject {
public:
    explicit EditBoxManners(QLineEdit* box) : QObject(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (!box) return false;
        if (event->type() == QEvent::FocusIn) {
            // After the mouse press that brought the focus has placed the caret.
            QPointer<QLineEdit> guarded(box);
            QTimer::singleShot(0, box, [guarded] {
                if (guarded) guarded->selectAll();
            });
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QCoreApplication::sendEvent(box, &tab);
                return true;
            }
        }
        return false;
    }
};

} // namespace

void UseEditBoxManners(QLineEdit* box)
{
    if (box) box->installEventFilter(new EditBoxManners(box));
}

bool IsOwnFocusChange(const QEvent* event)
{
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}
