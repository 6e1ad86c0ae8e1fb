#pragma once
// Runs an event handler of the main window so that no error leaves it: an
// error that the handler did not trap itself is reported with the window's
// name as module and the handler's name as function.

#include "core/DBClassModule.h"
#include "platform/vb/Err.h"

#include <QString>

template <class F> void GuardedHandler(const char* function, F&& handler)
{
    try {
        handler();
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QStringLiteral("frmMain"), QString::fromLatin1(function));
    }
}
