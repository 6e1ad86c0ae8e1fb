#include "platform/widgets/ControlHelpers.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QMouseEvent>

std::int32_t FindComboIndex(const QComboBox* combo, const vb::Variant& value, bool byItemData)
{
    if (!combo) return -1;
    for (int i = 0; i < combo->count(); ++i) {
        const vb::Variant item = byItemData ? vb::Variant(combo->itemData(i, Qt::UserRole).toInt())
                                            : vb::Variant(combo->itemText(i));
        if (item.vbEquals(value)) return i;
    }
    return -1;
}

namespace ModuleControl {

void SetFlatBorder(QWidget* window, std::int16_t style)
{
    auto* frame = qobject_cast<QFrame*>(window);
    if (!frame) return;
    switch (style) {
    case -1:
        frame->setFrameStyle(QFrame::NoFrame);
        break;
    case 0:
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
        break;
    case 1:
        frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        break;
    default:
        break;
    }
}

} // namespace ModuleControl

namespace ui {

namespace {

class BlankClickKeepsChoice : public QObject {
public:
    explicit BlankClickKeepsChoice(QAbstractItemView* list) : QObject(list), m_list(list) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (m_list->indexAt(mouse->position().toPoint()).isValid()) return false;
            if (event->type() == QEvent::MouseMove) return mouse->buttons() != Qt::NoButton;
            if (event->type() == QEvent::MouseButtonPress) m_list->setFocus(Qt::MouseFocusReason);
            return true;
        }
        default:
            return false;
        }
    }

private:
    QAbstractItemView* m_list;
};

} // namespace

void KeepChoiceOnBlankClick(QAbstractItemView* list)
{
    list->viewport()->installEventFilter(new BlankClickKeepsChoice(list));
}

} // namespace ui
