#pragma once
// The one error reporter of the program: an error is shown in the error box
// or raised again to the caller.

#include <QString>
#include <cstdint>

// Reports an error. A zero number takes the number of the error being handled
// (vb::Err()), and when that is zero too nothing happens; an empty description
// takes its description. Without raise: one critical message box titled with
// the program's title. With raise: throws vb::ErrObject(number, description,
// function + " IN " + module).
void HandleError(std::int32_t number, const QString& description, const QString& moduleName,
                 const QString& functionName, bool raise = false);
// The second entry, used by the grid control; the same as HandleError.
void HandleError2(std::int32_t number, const QString& description, const QString& moduleName,
                  const QString& functionName, bool raise = false);
