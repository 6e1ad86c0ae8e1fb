#include "dialogs/FileDialogs.h"

#include "core/ErrorReport.h"
#include "core/MainWindowHost.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"

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
