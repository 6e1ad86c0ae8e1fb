#pragma once
// The box every reported error is shown in.

#include <QString>
#include <cstdint>

namespace ui {

// A critical message box titled with the program's title, giving the error's
// number, message, module and function on four lines. Once shown, the error
// is handled: vb::Err() is cleared, so that a later report without an error
// of its own does not show this one again.
void ShowErrorMessage(std::int32_t number, const QString& description, const QString& moduleName,
                      const QString& functionName);

} // namespace ui
