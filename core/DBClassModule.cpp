#include "core/DBClassModule.h"

#include "core/Globals.h"
#include "core/MainWindowHost.h"
#include "platform/fso/FileSystemObject.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"

#include <QComboBox>
#include <QFrame>

void HandleError(std::int32_t number, const QString& description, const QString& moduleName,
                 const QString& functionName, bool raise)
{
    const vb::ErrObject& handled = vb::Err();
    if (number == 0) number = handled.Number;
    if (number == 0) return;
    const QString text = description.isEmpty() ? handled.Description : description;
    if (raise) throw vb::ErrObject(number, text, functionName + QStringLiteral(" IN ") + moduleName);
    const QString crlf = QStringLiteral("\r\n");
    ui::MsgBox(QStringLiteral("Error Number:") + QString::number(number) + crlf +
                   QStringLiteral("Error Message:") + text + crlf + QStringLiteral("Module:") + moduleName +
                   crlf + QStringLiteral("Function:") + functionName,
               ui::vbCritical | ui::vbOKOnly, vb::App::Title());
}

void HandleError2(std::int32_t number, const QString& description, const QString& moduleName,
                  const QString& functionName, bool raise)
{
    HandleError(number, description, moduleName, functionName, raise);
}

QString EscapeQuotes(const QString& text, const QString& escape)
{
    QString result = text;
    qsizetype at = result.indexOf(u'\'');
    while (at >= 0) {
        result.insert(at, escape);
        // Go on after the quote just escaped, so it is escaped once.
        at = result.indexOf(u'\'', at + escape.size() + 1);
    }
    return result;
}

QString EscapeBackslash(const QString& text)
{
    QString result = text;
    qsizetype at = result.indexOf(u'\\');
    while (at >= 0) {
        const bool last = at + 1 >= result.size();
        if (last || result[at + 1] == u'\'' || result[at + 1] == u'\\') {
            at = result.indexOf(u'\\', at + 1);
        } else {
            result.insert(at, u'\\');
            at = result.indexOf(u'\\', at + 2);
        }
    }
    return result;
}

QString EscapeChars(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (c == EscapedChar) result += u'\\';
        result += c;
    }
    return result;
}

QString FormatSQLString(const vb::Variant& value, const std::int32_t& mode, const QString& escape)
{
    if (value.isNull()) return QStringLiteral("NULL");
    QString text = value.toString();
    switch (mode) {
    case 0:
        break;
    case 1:
        text = EscapeQuotes(text, escape);
        break;
    case 2:
        text = EscapeChars(text);
        break;
    case 3:
        text = EscapeBackslash(text);
        break;
    case 4:
        text = EscapeChars(EscapeQuotes(text, QStringLiteral("'")));
        break;
    case 5:
        text = EscapeQuotes(EscapeBackslash(text), escape);
        break;
    case 6:
        text = EscapeChars(EscapeBackslash(text));
        break;
    case 7:
        text = EscapeChars(EscapeQuotes(EscapeBackslash(text), escape));
        break;
    default:
        return QString();
    }
    return u'\'' + text + u'\'';
}

QString FormatSQLNumber(const vb::Variant& value)
{
    if (value.isNull() || !vb::IsNumeric(value)) return QStringLiteral("0");
    return QString::number(vb::CLng(value)); // out of range: error 6 to the caller
}

QString FormatSQLBool(const vb::Variant& value)
{
    if (value.isNull()) return QStringLiteral("False");
    return value.vbEquals(vb::Variant(true)) ? QStringLiteral("True") : QStringLiteral("False");
}

namespace {

QString defaultTitle(const QString& title)
{
    return title.isEmpty() ? QStringLiteral("Open a File") : title;
}

QString defaultFilter(const QString& filter)
{
    return filter.isEmpty() ? QStringLiteral("All Files (*.*)|*.*") : filter;
}

} // namespace

QString OpenFile(const QString& fileName, const QString& filter, const QString& title)
{
    try {
        QString name = fileName;
        if (name.endsWith(u'\\') || name.endsWith(u'/')) name.chop(1);
        ui::CommonDialog own;
        ui::CommonDialog& dialog = MainWindow() ? MainWindow()->MainCommonDialog() : own;
        dialog.InitDir = vb::App::Path();
        dialog.Flags = ui::cdlOFNPathMustExist;
        dialog.CancelError = true;
        dialog.DialogTitle = defaultTitle(title);
        dialog.FileName = name;
        dialog.Filter = defaultFilter(filter);
        dialog.ShowOpen();
        return dialog.FileName;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        if (e.Number != vb::errnum::DialogCancelled)
            HandleError(e.Number, e.Description, QString(), QStringLiteral("OpenFile"), false);
        return QString();
    }
}

QString ShowSaveDialog(const QString& fileName, const QString& filter, const QString& title)
{
    try {
        ui::CommonDialog own;
        ui::CommonDialog& dialog = MainWindow() ? MainWindow()->MainCommonDialog() : own;
        dialog.InitDir = vb::App::Path();
        dialog.Flags = ui::cdlOFNOverwritePrompt;
        dialog.CancelError = true;
        dialog.DialogTitle = defaultTitle(title);
        if (!fileName.isEmpty()) dialog.FileName = fileName;
        dialog.Filter = defaultFilter(filter);
        dialog.ShowSave();
        return dialog.FileName;
    } catch (...) {
        vb::CatchError();
        return QString();
    }
}

bool SaveTextFile(const QString& path, const QString& text, std::int16_t openMode)
{
    fso::TextStreamPtr stream;
    try {
        fso::FileSystemObject fs;
        stream = fs.OpenTextFile(path, fso::IOMode(openMode), true);
        stream->Write(text);
        stream->Close();
        return true;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QString(), QStringLiteral("Save Text File:") + path, false);
        if (stream) {
            try {
                stream->Close();
            } catch (...) {
                vb::CatchError();
            }
        }
        return false;
    }
}

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

void SetStatusBarText(const QString& text, std::int32_t panel)
{
    if (MainWindowHost* window = MainWindow()) window->SetStatusBar(text, panel);
}

void ShowHelp(QWidget* owner, const QString& topic)
{
    const QString helpFile = vb::App::HelpFile();
    if (helpFile.isEmpty()) {
        ui::MsgBox(
            QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."),
            ui::vbInformation);
        return;
    }
    try {
        QString path = vb::App::Path() + u'/' + helpFile;
        if (!topic.isEmpty()) path += QStringLiteral("::/") + topic;
        cHTMLHelp().DisplayHelp(owner, path);
    } catch (...) {
        ui::MsgBox(vb::CatchError().Description, ui::vbOKOnly);
    }
}

void cHTMLHelp::DisplayHelp(QWidget* hwndCaller, const QString& helpPath)
{
    ui::services().ShowHelp(hwndCaller, helpPath);
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
