#include "platform/widgets/ControlHelpers.h"

#include <QComboBox>
#include <QFrame>

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
