#include "screens/RegisterScreens.h"

#include "platform/ui/Services.h"
#include "screens/ScreenHooks.h"
#include "screens/frmViewData.h"

void RegisterScreens()
{
    screenhooks::SetViewData([](QWidget* owner, const QString& connectionString, const QString& sql,
                                bool editable, const QString& caption) {
        frmViewData viewer(owner);
        viewer.Component(connectionString, sql, editable, caption);
        ui::services().ShowModal(&viewer, owner);
    });
}
