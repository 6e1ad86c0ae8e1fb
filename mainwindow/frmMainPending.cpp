// Commands of the main window whose forms and routines come with other parts
// of the program: source browsing and viewing, the scrub options dialog, the
// about box and duplicate removal. Until each comes,
// it says so in one information box and changes nothing; the part that
// brings the real command replaces its definition here.

#include "mainwindow/frmMain.h"

#include "platform/ui/Services.h"
#include "platform/vb/App.h"

namespace {

void NotAvailableYet(const QString& what)
{
    ui::MsgBox(what + QStringLiteral(" is not available yet."), ui::vbInformation, vb::App::Title());
}

} // namespace

void frmMain::cmdBrowserData_Click()
{
    NotAvailableYet(QStringLiteral("Browsing for the file to scrub"));
}

void frmMain::cmdViewData_Click()
{
    NotAvailableYet(QStringLiteral("Viewing the file to scrub"));
}

void frmMain::ShowScrubOptions()
{
    NotAvailableYet(QStringLiteral("Scrub Options"));
}

void frmMain::ShowAboutBox()
{
    NotAvailableYet(QStringLiteral("About"));
}

void frmMain::RunRemoveDuplicates()
{
    NotAvailableYet(QStringLiteral("Remove Duplicate"));
}
