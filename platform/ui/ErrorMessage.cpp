#include "platform/ui/ErrorMessage.h"

#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"

namespace ui {

void ShowErrorMessage(std::int32_t number, const QString& description, const QString& moduleName,
                      const QString& functionName)
{
    // The text first: the description may be that of the error cleared next.
    const QString crlf = QStringLiteral("\r\n");
    const QString prompt = QStringLiteral("Error Number:") + QString::number(number) + crlf +
                           QStringLiteral("Error Message:") + description + crlf + QStringLiteral("Module:") +
                           moduleName + crlf + QStringLiteral("Function:") + functionName;
    vb::Err().Clear();
    MsgBox(prompt, vbCritical | vbOKOnly, vb::App::Title());
}

} // namespace ui
