#pragma once
// The Services of the running program: Qt's message boxes and file dialogs,
// modal forms, the desktop's document and program start, the help window
// and the registry stand-in.

#include "platform/ui/Services.h"

#include <QUrl>

namespace ui {

class QtServices : public Services {
public:
    int MsgBox(const QString& prompt, int style, const QString& title) override;
    std::optional<QString> GetOpenFileName(const FileDialogRequest& request) override;
    std::optional<QString> GetSaveFileName(const FileDialogRequest& request) override;
    int ShowModal(QDialog* form, QWidget* owner) override;
    bool OpenDocument(const QString& pathOrUrl) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;
    void ShowHelp(QWidget* owner, const QString& helpPath) override;
    std::optional<QString> RegistryValue(const QString& key, const QString& name) override;
};

// Makes the Qt services the program's: those ui::services() gives when no
// test installed its own. Needs the QApplication.
void UseQtServices();

// What OpenDocument hands to the desktop: a URL with a scheme (http:,
// mailto:, file:) as it is, an existing or absolute path as a local file,
// anything else as the desktop would read a typed address.
QUrl DocumentUrl(const QString& pathOrUrl);

} // namespace ui
