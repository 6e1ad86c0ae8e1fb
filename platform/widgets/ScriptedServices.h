#pragma once
// Services for tests: each call that would wait for a person is answered
// from a script the test queued beforehand, in order. Every call is
// recorded. A call the script does not expect (none left, another kind
// first, or a prompt that does not match) is recorded as unexpected and
// answered at once with the answer that stops rather than proceeds: no
// window is ever shown that waits, so a test never hangs. The test support
// header tests/support/ScriptedUi.h turns the bookkeeping into failures.

#include "platform/ui/Services.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace ui {

class ScriptedServices : public Services {
public:
    enum class Kind { MsgBox, OpenFile, SaveFile, Modal, OpenDocument, StartProgram, Help, Registry };

    struct Call {
        Kind kind = Kind::MsgBox;
        QString text;              // prompt, document, program, help path, form name or registry key
        int style = 0;             // MsgBox style
        QString title;             // MsgBox title, dialog title or form caption
        FileDialogRequest request; // file dialogs
        QStringList arguments;     // program arguments; for the registry, the value name
        bool expected = false;     // answered from the script
    };

    using ModalHandler = std::function<int(QDialog*)>;

    // The next call is a message box; answer it with `answer`. When given,
    // the prompt must contain `promptContains` and the style must equal `style`.
    void expectMsgBox(int answer, const QString& promptContains = {},
                      std::optional<int> style = std::nullopt);
    // The next call is an open / save dialog; answer the path, or nullopt to cancel.
    // When given, the dialog title must contain `titleContains`.
    void expectOpenFile(std::optional<QString> path, const QString& titleContains = {});
    void expectSaveFile(std::optional<QString> path, const QString& titleContains = {});
    // The next call shows a form modally. The handler gets the form, shown
    // without modality so it can be driven; its return is ShowModal's result.
    // The form is hidden afterwards if the handler left it visible. When
    // given, the form's objectName must equal `formName`.
    void expectModal(ModalHandler handler, const QString& formName = {});
    void expectOpenDocument(bool result = true, const QString& contains = {});
    void expectStartProgram(bool result = true, const QString& programContains = {});
    void expectHelp(const QString& pathContains = {});

    // Everything asked so far, expected or not, in order.
    const std::vector<Call>& calls() const { return m_calls; }
    std::vector<Call> callsOf(Kind kind) const;
    // One line per call that was not expected.
    QStringList unexpectedCalls() const { return m_unexpected; }
    // The same, and forgets them (for a test that provokes one on purpose).
    QStringList takeUnexpectedCalls();
    // One line per expectation not used yet.
    QStringList pendingExpectations() const;
    // Forgets the script, the calls and the unexpected ones.
    void reset();

    static QString kindName(Kind kind);

    int MsgBox(const QString& prompt, int style, const QString& title) override;
    std::optional<QString> GetOpenFileName(const FileDialogRequest& request) override;
    std::optional<QString> GetSaveFileName(const FileDialogRequest& request) override;
    int ShowModal(QDialog* form, QWidget* owner) override;
    bool OpenDocument(const QString& pathOrUrl) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;
    void ShowHelp(QWidget* owner, const QString& helpPath) override;
    // Not scripted: reads the in-memory registry (ui::Registry); recorded.
    std::optional<QString> RegistryValue(const QString& key, const QString& name) override;

private:
    struct Expectation {
        Kind kind = Kind::MsgBox;
        QString match; // text the call's prompt/title/path must contain (form name: equal)
        std::optional<int> style;
        int answer = 0;
        std::optional<QString> path;
        ModalHandler handler;
        bool result = false;
    };

    static QString describe(const Expectation& expectation);
    static QString describe(const Call& call);
    // Records the call; takes the front expectation when it fits the call.
    std::optional<Expectation> take(Call call, const QString& matchText);

    std::deque<Expectation> m_script;
    std::vector<Call> m_calls;
    QStringList m_unexpected;
};

} // namespace ui
