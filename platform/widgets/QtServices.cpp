#include "platform/widgets/QtServices.h"

#include "platform/ui/FileFilter.h"
#include "platform/ui/Registry.h"
#include "platform/vb/App.h"
#include "platform/widgets/HelpWindow.h"
#include "platform/widgets/MessageBox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QStringDecoder>
#include <QUrl>
#include <QWindow>
#include <dirent.h>

namespace ui {

void UseQtServices()
{
    static QtServices instance;
    setProgramServices(&instance);
}

int QtServices::MsgBox(const QString& prompt, int style, const QString& title)
{
    auto box = BuildMessageBox(prompt, style, title.isEmpty() ? DefaultMsgBoxTitle() : title,
                               QApplication::activeWindow());
    box->exec();
    return AnswerOf(*box, style);
}

namespace {

// The files of a folder whose names are not UTF-8 (a Latin-1 "Müller.csv"):
// no file dialog lists them and no path of the program can name them.
QStringList NamesNotUtf8(const QString& folder)
{
    QStringList out;
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir) return out;
    while (const dirent* e = readdir(dir)) {
        const QByteArray name(e->d_name);
        // Stateless: a name that ends part way through a character is an
        // error, not a sequence left pending.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8(name);
        if (utf8.hasError()) out << QString::fromLatin1(name);
    }
    closedir(dir);
    out.sort();
    return out;
}

// Below the dialog's list: why a file the folder holds is not in it.
void NoteNamesNotUtf8(QFileDialog& dialog)
{
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid) return; // a desktop's own dialog has no room for it
    auto* note = new QLabel(&dialog);
    note->setObjectName(QStringLiteral("lblNamesNotUtf8"));
    note->setWordWrap(true);
    grid->addWidget(note, grid->rowCount(), 0, 1, grid->columnCount());
    const auto show = [note](const QString& folder) {
        const QStringList names = NamesNotUtf8(folder);
        note->setText(names.isEmpty() ? QString()
                                      : QStringLiteral("Not listed, as their names are not UTF-8 text: %1. "
                                                       "Rename them to open them.")
                                            .arg(names.join(QStringLiteral(", "))));
        note->setVisible(!names.isEmpty());
    };
    // Every way into a folder: a double-click, its path typed and Enter,
    // Open on the selected folder, the history and the side bar.
    QObject::connect(&dialog, &QFileDialog::directoryEntered, note, show);
    if (auto* model = dialog.findChild<QFileSystemModel*>())
        QObject::connect(model, &QFileSystemModel::rootPathChanged, note, show);
    show(dialog.directory().absolutePath());
}

std::optional<QString> runFileDialog(const FileDialogRequest& request, bool save)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    const bool fileMustExist = !save && (request.flags & cdlOFNFileMustExist);
    dialog.setFileMode(fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (save && !(request.flags & cdlOFNOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite);

    const QStringList filters = ConvertVbFilterList(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
            dialog.selectNameFilter(filters.at(request.filterIndex - 1));
    }

    // A preset name with a folder in it decides where the dialog opens, as
    // on Windows; a bare name opens in the initial folder.
    const QString name = request.fileName;
    if (name.contains(QLatin1Char('/'))) {
        const QFileInfo info(name);
        if (name.endsWith(QLatin1Char('/'))) {
            dialog.setDirectory(name);
        } else {
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
    } else {
        if (!request.initDir.isEmpty()) dialog.setDirectory(request.initDir);
        if (!name.isEmpty()) dialog.selectFile(name);
    }

    NoteNamesNotUtf8(dialog);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
        const QString chosen = files.first();
        const QFileInfo info(chosen);
        if ((request.flags & cdlOFNPathMustExist) && !QFileInfo(info.absolutePath()).isDir()) {
            auto box =
                BuildMessageBox(QStringLiteral("%1\nPath does not exist.\nCheck the path and try again.")
                                    .arg(info.fileName()),
                                vbOKOnly | vbExclamation, dialog.windowTitle(), &dialog);
            box->exec();
            continue;
        }
        if (fileMustExist && !info.isFile()) {
            auto box =
                BuildMessageBox(QStringLiteral("%1\nFile not found.\nCheck the file name and try again.")
                                    .arg(info.fileName()),
                                vbOKOnly | vbExclamation, dialog.windowTitle(), &dialog);
            box->exec();
            continue;
        }
        return chosen;
    }
}

} // namespace

std::optional<QString> QtServices::GetOpenFileName(const FileDialogRequest& request)
{
    return runFileDialog(request, false);
}

std::optional<QString> QtServices::GetSaveFileName(const FileDialogRequest& request)
{
    return runFileDialog(request, true);
}

int QtServices::ShowModal(QDialog* form, QWidget* owner)
{
    if (!form) return QDialog::Rejected;
    // The owner becomes the transient parent, not the Qt parent: the caller
    // keeps owning the form, and the form stays above its owner.
    if (owner && !form->parentWidget()) {
        QWidget* top = owner->window();
        top->winId();
        form->winId();
        if (form->windowHandle() && top->windowHandle())
            form->windowHandle()->setTransientParent(top->windowHandle());
    }
    // exec() returns as soon as the form is hidden or closed, which is how a
    // form ends its own modal show.
    return form->exec();
}

QUrl DocumentUrl(const QString& pathOrUrl)
{
    const QString text = pathOrUrl.trimmed();
    const QUrl asUrl(text, QUrl::TolerantMode);
    if (asUrl.isValid() && asUrl.scheme().size() > 1) return asUrl;
    const QFileInfo info(text);
    if (info.isAbsolute() || info.exists()) return QUrl::fromLocalFile(info.absoluteFilePath());
    return QUrl::fromUserInput(text, QDir::currentPath());
}

bool QtServices::OpenDocument(const QString& pathOrUrl)
{
    if (pathOrUrl.trimmed().isEmpty()) return false;
    return QDesktopServices::openUrl(DocumentUrl(pathOrUrl));
}

bool QtServices::StartProgram(const QString& program, const QStringList& arguments)
{
    if (program.trimmed().isEmpty()) return false;
    return QProcess::startDetached(program, arguments);
}

void QtServices::ShowHelp(QWidget* owner, const QString& helpPath)
{
    OpenHelp(owner, helpPath);
}

std::optional<QString> QtServices::RegistryValue(const QString& key, const QString& name)
{
    return Registry::value(key, name);
}

} // namespace ui
