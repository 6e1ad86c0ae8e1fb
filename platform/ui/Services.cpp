#include "platform/ui/Services.h"

#include "platform/ui/QtServices.h"

namespace ui {
namespace {

Services* g_replacement = nullptr;

QtServices& qtServices()
{
    static QtServices instance;
    return instance;
}

} // namespace

Services& services()
{
    return g_replacement ? *g_replacement : qtServices();
}

void setServices(Services* replacement)
{
    g_replacement = replacement;
}

int MsgBox(const QString& prompt, int style, const QString& title)
{
    return services().MsgBox(prompt, style, title.isEmpty() ? DefaultMsgBoxTitle() : title);
}

} // namespace ui
