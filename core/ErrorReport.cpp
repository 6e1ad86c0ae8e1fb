#include "core/ErrorReport.h"

#include "platform/ui/ErrorMessage.h"
#include "platform/vb/Err.h"

void HandleError(std::int32_t number, const QString& description, const QString& moduleName,
                 const QString& functionName, bool raise)
{
    const vb::ErrObject& handled = vb::Err();
    if (number == 0) number = handled.Number;
    if (number == 0) return;
    const QString text = description.isEmpty() ? handled.Description : description;
    if (raise) throw vb::ErrObject(number, text, functionName + QStringLiteral(" IN ") + moduleName);
    ui::ShowErrorMessage(number, text, moduleName, functionName);
}

void HandleError2(std::int32_t number, const QString& description, const QString& moduleName,
                  const QString& functionName, bool raise)
{
    HandleError(number, description, moduleName, functionName, raise);
}
