#include "platform/ui/Services.h"

#include "platform/ui/Registry.h"
#include "platform/vb/App.h"

#include <QDebug>

namespace ui {
namespace {

Services* g_replacement = nullptr;
Services* g_program = nullptr;

// No person to ask: nothing is shown and nothing waits.
class Unattended final : public Services {
public:
    int MsgBox(const QString& prompt, int style, const QString& title) override
    {
        qWarning().noquote() << title << ':' << prompt;
        return SafeAnswer(style);
    }
    std::optional<QString> GetOpenFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> GetSaveFileName(const FileDialogRequest&) override { return std::nullopt; }
    int ShowModal(QDialog*, QWidget*) override { return 0; }
    bool OpenDocument(const QString&) override { return false; }
    bool StartProgram(const QString&, const QStringList&) override { return false; }
    void ShowHelp(QWidget*, const QString&) override {}
    std::optional<QString> RegistryValue(const QString& key, const QString& name) override
    {
        return Registry::value(key, name);
    }
};

} // namespace

Services& services()
{
    if (g_replacement) return *g_replacement;
    if (g_program) return *g_program;
    static Unattended unattended;
    return unattended;
}

void setServices(Services* replacement)
{
    g_replacement = replacement;
}

void setProgramServices(Services* program)
{
    g_program = program;
}

int SafeAnswer(int style)
{
    switch (style & 0x7) {
    case vbOKCancel:
    case vbYesNoCancel:
    case vbRetryCancel:
        return vbCancel;
    case vbYesNo:
        return vbNo;
    case vbAbortRetryIgnore:
        return vbAbort;
    default:
        return vbOK;
    }
}

QString DefaultMsgBoxTitle()
{
    return vb::App::Title();
}

int MsgBox(const QString& prompt, int style, const QString& title)
{
    return services().MsgBox(prompt, style, title.isEmpty() ? DefaultMsgBoxTitle() : title);
}

} // namespace ui
