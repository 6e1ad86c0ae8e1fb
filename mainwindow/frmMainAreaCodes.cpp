// The DNC-database frame's "View": the area-code screen, modal over the
// main window (which shows its total again when the screen closes).

#include "dialogs/frmSelectArea.h"
#include "mainwindow/frmMain.h"
#include "platform/ui/Services.h"

void frmMain::ShowAreaCodeScreen()
{
    frmSelectArea screen(this);
    ui::services().ShowModal(&screen, this);
}
