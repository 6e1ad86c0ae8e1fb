#pragma once
// Driving a window as a user does: keys go where the keyboard sends them (an
// open popup, else the widget with the focus), a box is left with Tab or
// Enter, rows of a view are clicked and dragged with the mouse on its
// viewport while keys are held, and an entry is picked from a combo box's
// open list with the mouse. Setting values on inner widgets skips what Qt
// does on the way (focus changes, completion, selection commands) and hides
// the faults a user meets.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QWidget>

namespace userdrive {

// What the event loop does between two things a user does: timers due at
// once and posted events run (a box selects its text after the click that
// focused it).
inline void Settle()
{
    QCoreApplication::processEvents();
}

// The window comes to the front and takes the keyboard, as a click on it
// does; focus changes inside it are then real ones.
inline void Activate(QWidget* window)
{
    window = window->window();
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    Settle();
}

// Where a key pressed now arrives.
inline QWidget* KeyTarget()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;
    return QApplication::focusWidget();
}

// Types the text one key at a time; each key goes where the keyboard is at
// that moment (a list of completions may open on the way).
inline void Type(const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = KeyTarget();
        if (!target) return;
        QTest::keyClicks(target, QString(c));
        Settle();
    }
}

inline void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    if (QWidget* target = KeyTarget()) QTest::keyClick(target, key, modifiers);
    Settle();
}

inline void Tab()
{
    Key(Qt::Key_Tab);
}

inline void Enter()
{
    Key(Qt::Key_Return);
}

// A click in the middle of a box, as a user gives it the focus with the
// mouse; the click lands on what lies there (the text of an editable combo
// box, the page of a text area).
inline void ClickInto(QWidget* box)
{
    QPoint at = box->rect().center();
    while (QWidget* inner = box->childAt(at)) {
        at = inner->mapFrom(box, at);
        box = inner;
    }
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, at);
    Settle();
}

// The centre of a row's cell in the given column, or in the next column
// that shows, in viewport coordinates; the view scrolls the row into sight
// first, as the user would.
inline QPoint RowPoint(QAbstractItemView* view, int row, int column)
{
    QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    while (index.isValid() && view->visualRect(index).isEmpty())
        index = index.siblingAtColumn(index.column() + 1);
    return view->visualRect(index).center();
}

// Press over one row (a model row), move with the button held over every
// row to the other (up or down), release there; keys held throughout.
inline void DragRows(QAbstractItemView* view, int from, int to, Qt::KeyboardModifiers keys = Qt::NoModifier,
                     int column = 1)
{
    QTest::mousePress(view->viewport(), Qt::LeftButton, keys, RowPoint(view, from, column));
    const int step = to >= from ? 1 : -1;
    for (int row = from + step; row != to + step; row += step) {
        QMouseEvent move(QEvent::MouseMove, RowPoint(view, row, column),
                         view->viewport()->mapToGlobal(RowPoint(view, row, column)), Qt::NoButton,
                         Qt::LeftButton, keys);
        QApplication::sendEvent(view->viewport(), &move);
    }
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, keys, RowPoint(view, to, column));
    Settle();
}

// Press and release over one row with the keys held.
inline void ClickRow(QAbstractItemView* view, int row, Qt::KeyboardModifiers keys = Qt::NoModifier,
                     int column = 1)
{
    DragRows(view, row, row, keys, column);
}

// Opens the combo box's list with a click on its arrow, the mouse moved
// there first (the list notes where the mouse was when it opened).
inline void OpenList(QComboBox* combo)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.subControls = QStyle::SC_All;
    const QRect arrow =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo);
    QTest::mouseMove(combo, arrow.center());
    QTest::mouseClick(combo, Qt::LeftButton, Qt::NoModifier, arrow.center());
    Settle();
}

// Clicks the entry with the given text in the list that is open now: a
// combo box's own list, or the entries offered while typing. False when no
// list is open or it has no such entry.
inline bool PickFromOpenList(const QString& entry)
{
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup) return false;
    auto* list = qobject_cast<QAbstractItemView*>(popup);
    if (!list) list = popup->findChild<QAbstractItemView*>();
    if (!list) return false;
    const auto* column = qobject_cast<QListView*>(list);
    const QModelIndexList found =
        list->model()->match(list->model()->index(0, column ? column->modelColumn() : 0), Qt::DisplayRole,
                             entry, 1, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty()) return false;
    list->scrollTo(found.first());
    const QPoint at = list->visualRect(found.first()).center();
    QTest::mouseMove(list->viewport(), at);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    Settle();
    return true;
}

// Opens the combo box's list and clicks the entry with the given text.
inline bool PickFromList(QComboBox* combo, const QString& entry)
{
    OpenList(combo);
    return PickFromOpenList(entry);
}

} // namespace userdrive
