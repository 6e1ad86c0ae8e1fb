#include "screens/RegisterScreens.h"

#include "dncdb/ScreenHooks.h"
#include "platform/ui/Services.h"
#include "screens/frmPhoneList.h"
#include "screens/frmViewData.h"

void RegisterScreens()
{
    screenhooks::SetViewData([](QWidget* owner, const QString& connectionString, const QString& sql,
                                bool editable, const QString& caption) {
        frmViewData viewer(owner);
        viewer.Component(connectionString, sql, editable, caption);
        ui::services().ShowModal(&viewer, owner);
    });
    screenhooks::SetPhoneList([](QWidget* owner, const QString& tableName) {
        frmPhoneList list(owner);
        list.SetPhoneTableName(tableName);
        ui::services().ShowModal(&list, owner);
    });
}
