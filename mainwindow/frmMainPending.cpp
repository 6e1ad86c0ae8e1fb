// Commands of the main window whose forms and routines come with other parts
// of the program: source browsing and viewing, the scrub options dialog, the
// about box and duplicate removal. Each does nothing yet; the part that brings the real
// command replaces its definition here.

#include "mainwindow/frmMain.h"

void frmMain::cmdBrowserData_Click() {}

void frmMain::cmdViewData_Click() {}

void frmMain::ShowScrubOptions() {}

void frmMain::ShowAboutBox() {}

void frmMain::RunRemoveDuplicates() {}
