#pragma once
// Runs a form's event handler so that no error leaves it: an error the
// handler did not trap itself is reported with the form's name as module and
// the handler's name as function. Every slot of every form goes through it.

#include "core/ErrorReport.h"
#include "platform/vb/Err.h"

#include <QString>

template <class F> void GuardedHandler(const QString& form, const char* function, F&& handler)
{
    try {
        handler();
    } catch (...) {
        const vb::ErrObject e = vb::CatchError();
        HandleError(e.Number, e.Description, form, QString::fromLatin1(function));
    }
    // The event's traps end with it: no error of it stays "being handled".
    vb::Err().Clear();
}
