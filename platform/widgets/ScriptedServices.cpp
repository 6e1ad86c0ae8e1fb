#include "platform/widgets/ScriptedServices.h"

#include "platform/ui/Registry.h"

#include <QDialog>
#include <QPointer>
#include <utility>

namespace ui {

void ScriptedServices::expectMsgBox(int answer, const QString& promptContains, std::optional<int> style)
{
    Expectation e;
    e.kind = Kind::MsgBox;
    e.answer = answer;
    e.match = promptContains;
    e.style = style;
    m_script.push_back(std::move(e));
}

void ScriptedServices::expectOpenFile(std::optional<QString> path, const QString& titleContains)
{
    Expectation e;
    e.kind = Kind::OpenFile;
    e.path = std::move(path);
    e.match = titleContains;
    m_script.push_back(std::move(e));
}

void ScriptedServices::expectSaveFile(std::optional<QString> path, const QString& titleContains)
{
    Expectation e;
    e.kind = Kind::SaveFile;
    e.path = std::move(path);
    e.match = titleContains;
    m_script.push_back(std::move(e));
}

void ScriptedServices::expectModal(ModalHandler handler, const QString& formName)
{
    Expectation e;
    e.kind = Kind::Modal;
    e.handler = std::move(handler);
    e.match = formName;
    m_script.push_back(std::move(e));
}

void ScriptedServices::expectOpenDocument(bool result, const QString& contains)
{
    Expectation e;
    e.kind = Kind::OpenDocument;
    e.result = result;
    e.match = contains;
    m_script.push_back(std::move(e));
}

void ScriptedServices::expectStartProgram(bool result, const QString& programContains)
{
    Expectation e;
    e.kind = Kind::StartProgram;
    e.result = result;
    e.match = programContains;
    m_script.push_back(std::move(e));
}

void ScriptedServices::expectHelp(const QString& pathContains)
{
    Expectation e;
    e.kind = Kind::Help;
    e.match = pathContains;
    m_script.push_back(std::move(e));
}

std::vector<ScriptedServices::Call> ScriptedServices::callsOf(Kind kind) const
{
    std::vector<Call> result;
    for (const Call& call : m_calls)
        if (call.kind == kind) result.push_back(call);
    return result;
}

QStringList ScriptedServices::takeUnexpectedCalls()
{
    return std::exchange(m_unexpected, {});
}

QStringList ScriptedServices::pendingExpectations() const
{
    QStringList result;
    for (const Expectation& e : m_script)
        result << describe(e);
    return result;
}

void ScriptedServices::reset()
{
    m_script.clear();
    m_calls.clear();
    m_unexpected.clear();
}

QString ScriptedServices::kindName(Kind kind)
{
    switch (kind) {
    case Kind::MsgBox:
        return QStringLiteral("MsgBox");
    case Kind::OpenFile:
        return QStringLiteral("GetOpenFileName");
    case Kind::SaveFile:
        return QStringLiteral("GetSaveFileName");
    case Kind::Modal:
        return QStringLiteral("ShowModal");
    case Kind::OpenDocument:
        return QStringLiteral("OpenDocument");
    case Kind::StartProgram:
        return QStringLiteral("StartProgram");
    case Kind::Help:
        return QStringLiteral("ShowHelp");
    case Kind::Registry:
        return QStringLiteral("RegistryValue");
    }
    return {};
}

QString ScriptedServices::describe(const Expectation& e)
{
    QString text = kindName(e.kind);
    if (!e.match.isEmpty())
        text += e.kind == Kind::Modal ? QStringLiteral(" of form \"%1\"").arg(e.match)
                                      : QStringLiteral(" containing \"%1\"").arg(e.match);
    if (e.style) text += QStringLiteral(" with style %1").arg(*e.style);
    return text;
}

QString ScriptedServices::describe(const Call& call)
{
    switch (call.kind) {
    case Kind::MsgBox:
        return QStringLiteral("MsgBox(\"%1\", style %2, title \"%3\")")
            .arg(call.text)
            .arg(call.style)
            .arg(call.title);
    case Kind::OpenFile:
    case Kind::SaveFile:
        return QStringLiteral("%1(title \"%2\", file \"%3\", filter \"%4\")")
            .arg(kindName(call.kind), call.request.title, call.request.fileName, call.request.filter);
    case Kind::Modal:
        return QStringLiteral("ShowModal(form \"%1\", \"%2\")").arg(call.text, call.title);
    case Kind::StartProgram:
        return QStringLiteral("StartProgram(\"%1\" %2)")
            .arg(call.text, call.arguments.join(QLatin1Char(' ')));
    default:
        return QStringLiteral("%1(\"%2\")").arg(kindName(call.kind), call.text);
    }
}

std::optional<ScriptedServices::Expectation> ScriptedServices::take(Call call, const QString& matchText)
{
    std::optional<Expectation> taken;
    QString problem;
    if (m_script.empty()) {
        problem = QStringLiteral("nothing was scripted");
    } else {
        const Expectation& next = m_script.front();
        bool fits = next.kind == call.kind;
        if (fits && !next.match.isEmpty())
            fits = call.kind == Kind::Modal ? matchText == next.match : matchText.contains(next.match);
        if (fits && next.style) fits = *next.style == call.style;
        if (fits) {
            taken = std::move(m_script.front());
            m_script.pop_front();
        } else {
            problem = QStringLiteral("the script expected %1").arg(describe(next));
        }
    }
    call.expected = taken.has_value();
    if (!taken) m_unexpected << QStringLiteral("Unexpected call %1: %2").arg(describe(call), problem);
    m_calls.push_back(std::move(call));
    return taken;
}

int ScriptedServices::MsgBox(const QString& prompt, int style, const QString& title)
{
    Call call;
    call.kind = Kind::MsgBox;
    call.text = prompt;
    call.style = style;
    call.title = title;
    const auto e = take(std::move(call), prompt);
    return e ? e->answer : SafeAnswer(style);
}

std::optional<QString> ScriptedServices::GetOpenFileName(const FileDialogRequest& request)
{
    Call call;
    call.kind = Kind::OpenFile;
    call.text = request.fileName;
    call.title = request.title;
    call.request = request;
    const auto e = take(std::move(call), request.title);
    return e ? e->path : std::nullopt;
}

std::optional<QString> ScriptedServices::GetSaveFileName(const FileDialogRequest& request)
{
    Call call;
    call.kind = Kind::SaveFile;
    call.text = request.fileName;
    call.title = request.title;
    call.request = request;
    const auto e = take(std::move(call), request.title);
    return e ? e->path : std::nullopt;
}

int ScriptedServices::ShowModal(QDialog* form, QWidget* owner)
{
    Call call;
    call.kind = Kind::Modal;
    call.text = form ? form->objectName() : QString();
    call.title = form ? form->windowTitle() : QString();
    const auto e = take(std::move(call), form ? form->objectName() : QString());
    if (!e || !form) return QDialog::Rejected;

    QPointer<QDialog> guard(form);
    form->show();
    const int result = e->handler ? e->handler(form) : QDialog::Rejected;
    // A modal show is over once it returns: the form is hidden either way.
    if (guard && guard->isVisible()) guard->hide();
    return result;
}

bool ScriptedServices::OpenDocument(const QString& pathOrUrl)
{
    Call call;
    call.kind = Kind::OpenDocument;
    call.text = pathOrUrl;
    const auto e = take(std::move(call), pathOrUrl);
    return e ? e->result : false;
}

bool ScriptedServices::StartProgram(const QString& program, const QStringList& arguments)
{
    Call call;
    call.kind = Kind::StartProgram;
    call.text = program;
    call.arguments = arguments;
    const auto e = take(std::move(call), program);
    return e ? e->result : false;
}

void ScriptedServices::ShowHelp(QWidget* owner, const QString& helpPath)
{
    Call call;
    call.kind = Kind::Help;
    call.text = helpPath;
    take(std::move(call), helpPath);
}

std::optional<QString> ScriptedServices::RegistryValue(const QString& key, const QString& name)
{
    Call call;
    call.kind = Kind::Registry;
    call.text = key;
    call.arguments = QStringList{name};
    call.expected = true;
    m_calls.push_back(std::move(call));
    return Registry::value(key, name);
}

} // namespace ui
