#include "dialogs/RegisterDialogs.h"

#include "core/CDataConnection.h"
#include "dialogs/frmMakeConnection.h"
#include "platform/ui/Services.h"

#include <QApplication>

void RegisterDialogs()
{
    RegisterConnectionDialog([](CDataConnection& connection) {
        // Every showing builds the form afresh, so its lists are read again.
        frmMakeConnection form;
        form.SetComponent(&connection);
        ui::services().ShowModal(&form, QApplication::activeWindow());
    });
}
