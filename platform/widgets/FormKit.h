#pragma once
// The one set of helpers the forms build their controls with: every control
// carries its design name as objectName, labels are not selectable, buttons
// never become a dialog's default by focus, and a frame's bold caption does
// not make its contents bold.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

namespace ui {

template <class W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

template <class W> W* named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

inline QLabel* newLabel(const char* name, const QString& caption, QWidget* parent)
{
    auto* label = named(new QLabel(caption, parent), name);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// minimumWidth 0 keeps the style's own width.
inline QPushButton* newButton(const char* name, const QString& caption, QWidget* parent, int minimumWidth = 0)
{
    auto* button = named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    if (minimumWidth > 0) button->setMinimumWidth(minimumWidth);
    return button;
}

inline QLineEdit* newEdit(const char* name, QWidget* parent)
{
    return named(new QLineEdit(parent), name);
}

// An editable combo whose Enter never adds the typed text to the list; a
// drop-down list (editable false) only offers its items.
inline QComboBox* newCombo(const char* name, QWidget* parent, bool editable = true, int minimumChars = 16)
{
    auto* combo = named(new QComboBox(parent), name);
    combo->setEditable(editable);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(minimumChars);
    return combo;
}

// A frame with a bold caption whose contents keep the normal font: the
// returned widget is where the frame's controls go.
inline QWidget* framed(QGroupBox* frame)
{
    QFont bold = frame->font();
    bold.setBold(true);
    frame->setFont(bold);
    auto* inner = new QWidget(frame);
    QFont normal = inner->font();
    normal.setBold(false);
    inner->setFont(normal);
    auto* outer = new QVBoxLayout(frame);
    outer->setContentsMargins(8, 4, 8, 6);
    outer->addWidget(inner);
    return inner;
}

} // namespace ui
