#include "platform/widgets/MessageBox.h"

#include "platform/ui/Services.h"

#include <QAbstractButton>

namespace ui {

MsgBoxLayout MsgBoxLayoutFor(int style)
{
    MsgBoxLayout layout;
    switch (style & 0x7) {
    case vbOKCancel:
        layout.answers = {vbOK, vbCancel};
        break;
    case vbAbortRetryIgnore:
        layout.answers = {vbAbort, vbRetry, vbIgnore};
        break;
    case vbYesNoCancel:
        layout.answers = {vbYes, vbNo, vbCancel};
        break;
    case vbYesNo:
        layout.answers = {vbYes, vbNo};
        break;
    case vbRetryCancel:
        layout.answers = {vbRetry, vbCancel};
        break;
    default:
        layout.answers = {vbOK};
        break;
    }

    switch (style & 0x70) {
    case vbCritical:
        layout.icon = QMessageBox::Critical;
        break;
    case vbQuestion:
        layout.icon = QMessageBox::Question;
        break;
    case vbExclamation:
        layout.icon = QMessageBox::Warning;
        break;
    case vbInformation:
        layout.icon = QMessageBox::Information;
        break;
    default:
        layout.icon = QMessageBox::NoIcon;
        break;
    }

    const int defaultIndex = (style & 0x300) >> 8; // 0, 1 or 2 (3 is the help button: none here)
    layout.defaultAnswer =
        defaultIndex < layout.answers.size() ? layout.answers.at(defaultIndex) : layout.answers.first();
    layout.safeAnswer = SafeAnswer(style);
    return layout;
}

QMessageBox::StandardButton StandardButtonFor(int answer)
{
    switch (answer) {
    case vbOK:
        return QMessageBox::Ok;
    case vbCancel:
        return QMessageBox::Cancel;
    case vbAbort:
        return QMessageBox::Abort;
    case vbRetry:
        return QMessageBox::Retry;
    case vbIgnore:
        return QMessageBox::Ignore;
    case vbYes:
        return QMessageBox::Yes;
    case vbNo:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

int AnswerForButton(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok:
        return vbOK;
    case QMessageBox::Cancel:
        return vbCancel;
    case QMessageBox::Abort:
        return vbAbort;
    case QMessageBox::Retry:
        return vbRetry;
    case QMessageBox::Ignore:
        return vbIgnore;
    case QMessageBox::Yes:
        return vbYes;
    case QMessageBox::No:
        return vbNo;
    default:
        return 0;
    }
}

std::unique_ptr<QMessageBox> BuildMessageBox(const QString& prompt, int style, const QString& title,
                                             QWidget* parent)
{
    const MsgBoxLayout layout = MsgBoxLayoutFor(style);
    auto box = std::make_unique<QMessageBox>(parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(prompt);
    box->setWindowTitle(title);
    box->setIcon(layout.icon);
    QMessageBox::StandardButtons buttons;
    for (int answer : layout.answers)
        buttons |= StandardButtonFor(answer);
    box->setStandardButtons(buttons);
    box->setDefaultButton(StandardButtonFor(layout.defaultAnswer));
    // Closing the box (Esc, the close box) gives the answer that stops.
    box->setEscapeButton(StandardButtonFor(layout.safeAnswer));
    return box;
}

int AnswerOf(const QMessageBox& box, int style)
{
    QAbstractButton* clicked = box.clickedButton();
    if (clicked) {
        const int answer = AnswerForButton(box.standardButton(clicked));
        if (answer != 0) return answer;
    }
    return SafeAnswer(style);
}

} // namespace ui
