#pragma once
// The one set of helpers the forms build their controls with: every control
// carries its design name as objectName, labels are not selectable, buttons
// never become a dialog's default by focus, a frame's bold caption does not
// make its contents bold, combo boxes keep what the user typed and tell a
// pick from the list apart from Qt's own matching (or keep their list index
// on the entry their text names), and the boxes of an edit dialog select
// their text on entry, move on with Enter and drop the keys they do not
// take.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QString>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>
#include <utility>

namespace ui {

// True for a focus change between the window's own controls: not a switch
// to another window, nor a combo box opening its own list. Only such a
// change enters or leaves a box.
inline bool isOwnFocusChange(const QEvent* event)
{
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

inline bool isEnterKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// True when a key types a character the box does not take. A key held
// with Ctrl, Alt or Meta is a shortcut (copy, paste), not typing.
inline bool typesRefused(const QKeyEvent* key, const std::function<bool(QChar)>& accepts)
{
    if (!accepts) return false;
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    for (const QChar c : key->text())
        if (c.isPrint() && !accepts(c)) return true;
    return false;
}

// What a number box takes when typed: digits, "." and "-".
inline bool isDigitDotOrDash(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u'.' || c == u'-';
}

// True when the focus that arrives enters the box: a change between the
// window's own controls, or the focus a window just shown gives its first
// box (which comes as the window's activation). Coming back from another
// window, or from a combo box's own list, enters nothing.
inline bool entersBox(const QEvent* event, bool windowJustShown)
{
    if (event->type() != QEvent::FocusIn) return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return isOwnFocusChange(event) || (windowJustShown && reason == Qt::ActiveWindowFocusReason);
}

// Selects a box's whole text once the event that gave it the focus is
// over (a click places the caret first).
inline void selectAllSoon(QLineEdit* box)
{
    QTimer::singleShot(0, box, [guarded = QPointer<QLineEdit>(box)] {
        if (guarded) guarded->selectAll();
    });
}

namespace detail {

// The manners of a text box: entering it selects its whole text, Enter
// moves the focus on (the key itself goes nowhere), and a key typing a
// character the box does not take is dropped.
class BoxManners : public QObject {
public:
    explicit BoxManners(QWidget* box) : QObject(box) {}

    bool manners = false;
    std::function<bool(QChar)> accepts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QWidget*>(watched);
        if (!box) return false;
        if (event->type() == QEvent::Show) m_justShown = true;
        if (event->type() == QEvent::FocusIn && manners &&
            entersBox(event, std::exchange(m_justShown, false))) {
            if (auto* edit = qobject_cast<QLineEdit*>(box)) selectAllSoon(edit);
            if (auto* area = qobject_cast<QPlainTextEdit*>(box))
                QTimer::singleShot(0, area, [guarded = QPointer<QPlainTextEdit>(area)] {
                    if (guarded) guarded->selectAll();
                });
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (typesRefused(key, accepts)) return true;
            if (manners && isEnterKey(key)) {
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QCoreApplication::sendEvent(box, &tab);
                return true;
            }
        }
        return false;
    }

private:
    // The window was shown and the box has not had the focus since.
    bool m_justShown = false;
};

inline BoxManners* boxManners(QWidget* box)
{
    for (QObject* child : box->children())
        if (auto* kept = dynamic_cast<BoxManners*>(child)) return kept;
    auto* made = new BoxManners(box);
    box->installEventFilter(made);
    return made;
}

} // namespace detail

// A combo box whose typed text stays as the user typed it. Qt's own
// matching of the text against the list, when the box is left or Enter is
// pressed in it, never changes the text (not even its case) and is no pick:
// an entry is taken then only when it reads exactly like the text. While
// typing, an entry that begins with the typed text exactly is completed in
// the box (the completed part selected); with setOffersEntries, the entries
// that begin with it in any case are offered under the box instead, and
// replace the text only when the user picks one. With setIndexFollowsText,
// the box completes nothing and its list index is kept on the entry its text
// names.
class EditCombo : public QComboBox {
    Q_OBJECT
public:
    explicit EditCombo(QWidget* parent = nullptr, bool editable = true) : QComboBox(parent)
    {
        setEditable(editable);
        setInsertPolicy(QComboBox::NoInsert);
        if (QCompleter* completion = completer()) completion->setCaseSensitivity(Qt::CaseSensitive);
        connect(this, &QComboBox::activated, this, [this](int index) {
            if (m_matching) return;
            emit picked(index);
            // A pick puts the entry's text in the box, even when its index
            // was the current one already.
            if (m_follows) emit textEdited(currentText());
        });
    }

    // The list index follows the text as the user types it: the entry the
    // text names, else none (-1); a name that reads like an entry but for
    // case names that entry, and takes its text when the box is left or
    // Enter is pressed. Nothing is completed in the box, so what it shows is
    // what was typed. Every change of the text by the user is reported by
    // textEdited.
    void setIndexFollowsText(bool on)
    {
        m_follows = on;
        if (!on || !lineEdit()) return;
        setCompleter(nullptr);
        if (m_followWired) return;
        m_followWired = true;
        connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
            if (!m_follows) return;
            followText(text);
            emit textEdited(text);
        });
    }

    // In a box whose index follows its text: a name typed in another case
    // than the entry it names becomes the entry's own text.
    void takeNamedEntry()
    {
        if (!m_follows || !lineEdit() || currentIndex() < 0) return;
        const QString entry = itemText(currentIndex());
        if (lineEdit()->text() == entry) return;
        lineEdit()->setText(entry);
        emit textEdited(entry);
    }

    // Entries are offered in a list under the box while typing, instead of
    // being completed in the box.
    void setOffersEntries(bool on)
    {
        if (QCompleter* completion = completer()) {
            completion->setCompletionMode(on ? QCompleter::PopupCompletion : QCompleter::InlineCompletion);
            completion->setCaseSensitivity(on ? Qt::CaseInsensitive : Qt::CaseSensitive);
        }
    }

    // The characters the box takes when they are typed; a key typing any
    // other one is dropped. Unset: every key.
    void setAcceptedChars(std::function<bool(QChar)> accepts)
    {
        m_accepts = std::move(accepts);
        // Keys sent to the text itself, not through the box, are held to the same.
        if (lineEdit()) detail::boxManners(lineEdit())->accepts = m_accepts;
    }
    // Entering the box selects its whole text; Enter moves the focus on to
    // the next control.
    void setEditBoxManners(bool on)
    {
        m_manners = on;
        if (lineEdit()) detail::boxManners(lineEdit())->manners = on;
    }

    // True while the box matches the typed text against the list (Qt on
    // leaving the box or on Enter, or the index following the text): an
    // index changed then is no choice of anyone's.
    bool isMatching() const { return m_matching; }

signals:
    // The user chose the entry: clicked or confirmed in the open list or
    // among the entries offered while typing, or stepped to with the arrow
    // keys.
    void picked(int index);
    // In a box whose index follows its text: the user changed the text
    // (typed, picked, or a name taken as the entry it names).
    void textEdited(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (typesRefused(event, m_accepts)) {
            event->accept();
            return;
        }
        if (isEnterKey(event) && choosingOffered()) {
            // Left to the list of entries offered, which takes the one
            // highlighted.
            event->ignore();
            return;
        }
        if (isEnterKey(event) && m_manners) {
            event->accept();
            focusNextPrevChild(true);
            return;
        }
        if (isEnterKey(event)) {
            takeNamedEntry();
            withoutMatching([&] { QComboBox::keyPressEvent(event); });
            return;
        }
        QComboBox::keyPressEvent(event);
    }

    void focusInEvent(QFocusEvent* event) override
    {
        QComboBox::focusInEvent(event);
        if (m_manners && lineEdit() && entersBox(event, std::exchange(m_justShown, false)))
            selectAllSoon(lineEdit());
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        if (isOwnFocusChange(event)) takeNamedEntry();
        withoutMatching([&] { QComboBox::focusOutEvent(event); });
    }

    void showEvent(QShowEvent* event) override
    {
        m_justShown = true;
        QComboBox::showEvent(event);
    }

private:
    // Keeps the list index on the entry the typed text names, the text
    // staying as typed.
    void followText(const QString& text)
    {
        int index = findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (index < 0) index = findText(text, Qt::MatchFixedString);
        if (index == currentIndex()) return;
        QLineEdit* edit = lineEdit();
        const int caret = edit->cursorPosition();
        // Qt puts the entry's text (or none) in the box with the index.
        withoutMatching([&] { setCurrentIndex(index); });
        if (edit->text() == text) return;
        edit->setText(text);
        edit->setCursorPosition(caret);
    }

    // True while the entries offered under the box are open with one of
    // them highlighted.
    bool choosingOffered() const
    {
        const QCompleter* completion = completer();
        const QAbstractItemView* offered = completion ? completion->popup() : nullptr;
        return offered && offered->isVisible() && offered->currentIndex().isValid();
    }

    // Runs Qt's handling of leaving the box or of Enter: whatever entry it
    // matches the text with must read exactly like it, and is not reported
    // as picked.
    template <class F> void withoutMatching(F&& handle)
    {
        QCompleter* completion = completer();
        const Qt::CaseSensitivity was = completion ? completion->caseSensitivity() : Qt::CaseSensitive;
        if (completion && was != Qt::CaseSensitive) completion->setCaseSensitivity(Qt::CaseSensitive);
        const bool outer = std::exchange(m_matching, true);
        struct Restore {
            EditCombo* self;
            QPointer<QCompleter> offer;
            Qt::CaseSensitivity was;
            bool outer;
            ~Restore()
            {
                self->m_matching = outer;
                if (offer && offer->caseSensitivity() != was) offer->setCaseSensitivity(was);
            }
        } restore{this, completion, was, outer};
        handle();
    }

    std::function<bool(QChar)> m_accepts;
    bool m_manners = false;
    bool m_matching = false;
    bool m_follows = false;
    bool m_followWired = false;
    bool m_justShown = false; // shown, and not focused since
};

// Shows a value in a combo box that the user did not choose: the entry that
// reads exactly like it becomes the current one (none when there is no such
// entry), so that leaving the box later finds nothing to match; no pick is
// reported. A drop-down list without such an entry shows nothing.
inline void showText(QComboBox* combo, const QString& text)
{
    combo->setCurrentIndex(combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive));
    if (combo->isEditable() && combo->currentText() != text) combo->setEditText(text);
}

// The manners of an edit dialog's box (a text box, a text area or an
// EditCombo): entering it selects the whole text, and Enter moves the focus
// on to the next control.
inline void useEditBoxManners(QWidget* box)
{
    if (!box) return;
    if (auto* combo = qobject_cast<EditCombo*>(box)) {
        combo->setEditBoxManners(true);
        return;
    }
    detail::boxManners(box)->manners = true;
}

// The characters a box (a text box or an EditCombo) takes when typed; a key
// typing any other one is dropped.
inline void acceptOnly(QWidget* box, std::function<bool(QChar)> accepts)
{
    if (!box) return;
    if (auto* combo = qobject_cast<EditCombo*>(box)) {
        combo->setAcceptedChars(std::move(accepts));
        return;
    }
    detail::boxManners(box)->accepts = std::move(accepts);
}

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

namespace detail {

// Enter on a focused button presses it, as Space does, and goes no further:
// not to the dialog's default button, nor to the window.
class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !isEnterKey(static_cast<QKeyEvent*>(event))) return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !button->isEnabled()) return false;
        button->click();
        return true;
    }
};

} // namespace detail

// Enter on the button, when it has the focus, presses it.
inline void pressOnEnter(QAbstractButton* button)
{
    button->installEventFilter(new detail::EnterPresses(button));
}

// minimumWidth 0 keeps the style's own width. A button becomes no dialog's
// default by taking the focus (Enter in a box is the box's own), yet Enter
// on it presses it.
inline QPushButton* newButton(const char* name, const QString& caption, QWidget* parent, int minimumWidth = 0)
{
    auto* button = named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    pressOnEnter(button);
    if (minimumWidth > 0) button->setMinimumWidth(minimumWidth);
    return button;
}

inline QLineEdit* newEdit(const char* name, QWidget* parent)
{
    return named(new QLineEdit(parent), name);
}

// An editable combo (see EditCombo) whose Enter never adds the typed text to
// the list; a drop-down list (editable false) only offers its items.
inline EditCombo* newCombo(const char* name, QWidget* parent, bool editable = true, int minimumChars = 16)
{
    auto* combo = named(new EditCombo(parent, editable), name);
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
