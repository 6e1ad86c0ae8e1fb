#pragma once
// Everything that waits for a person goes through one replaceable Services
// object: the real one uses Qt's dialogs, the scripted one (ScriptedServices.h)
// answers from a test's script and fails the test on a call it did not expect.

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;
class QDialog;

namespace ui {

// VB MsgBox styles (buttons | icon | default button), combinable with |.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

// VB MsgBox answers.
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7
};

// Common dialog flags the program uses.
enum FileDialogFlags : int {
    cdlOFNOverwritePrompt = 2,
    cdlOFNHideReadOnly = 4,
    cdlOFNPathMustExist = 2048,
    cdlOFNFileMustExist = 4096,
};

struct FileDialogRequest {
    QString initDir;
    int flags = 0;
    QString title;
    QString fileName;
    QString filter; // VB filter text: "Text File (*.txt)|*.txt|All File (*.*)|*.*"
    int filterIndex = 1;
};

class Services {
public:
    virtual ~Services() = default;

    // Shows a message box; returns the MsgBoxResult of the button pressed.
    virtual int MsgBox(const QString& prompt, int style, const QString& title) = 0;
    // Open / save dialogs: the chosen path, or nullopt when cancelled.
    virtual std::optional<QString> GetOpenFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> GetSaveFileName(const FileDialogRequest& request) = 0;
    // Shows a form modally with an owner (may be null); returns when it is hidden or closed.
    virtual int ShowModal(QDialog* form, QWidget* owner) = 0;
    // ShellExecute "open": a document, folder, web address or mailto: address.
    virtual bool OpenDocument(const QString& pathOrUrl) = 0;
    // Starts a program; true when it started.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;
    // Opens a help page (path, optionally "::/topic") for the owner window.
    virtual void ShowHelp(QWidget* owner, const QString& helpPath) = 0;
    // Registry stand-in: the value under key / name, or nullopt when absent.
    virtual std::optional<QString> RegistryValue(const QString& key, const QString& name) = 0;
};

// The services in use: those a test installed, else the program's, else
// (before start-up installed them, or in a process without windows) ones
// that ask nobody: each question gets the answer that stops, at once, and a
// message is written to the log.
Services& services();
// Installs replacement services (not owned); nullptr restores the program's.
void setServices(Services* replacement);
// Installs the program's services (not owned): the window library's
// ui::UseQtServices() does this at start-up.
void setProgramServices(Services* program);

// The answer that stops rather than proceeds: Cancel when the box has it,
// else No, else Abort, else OK. Used when a box is closed or cannot be asked.
int SafeAnswer(int style);
// The title a message box gets when its caller gives none: the program's.
QString DefaultMsgBoxTitle();

// Convenience: MsgBox with VB's defaults (title = App.Title when empty).
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = {});

} // namespace ui
