#pragma once
// Small helpers on controls: the combo-box lookup, the window border and
// the list box's keeping of its choice.

#include "platform/vb/Variant.h"

#include <cstdint>

class QAbstractItemView;
class QComboBox;
class QWidget;

// Index (from 0) of the first item whose text, or item data (Qt::UserRole
// int) when byItemData is set, equals value; -1 when none.
std::int32_t FindComboIndex(const QComboBox* combo, const vb::Variant& value, bool byItemData);

namespace ModuleControl {
// The window's border: -1 flat, 0 thin, 1 sunken; any other value and any
// window that has no frame change nothing.
void SetFlatBorder(QWidget* window, std::int16_t style);
} // namespace ModuleControl

namespace ui {
// A list box keeps its chosen entry when a click lands on its blank part
// below the entries: the click only gives it the focus.
void KeepChoiceOnBlankClick(QAbstractItemView* list);
} // namespace ui
