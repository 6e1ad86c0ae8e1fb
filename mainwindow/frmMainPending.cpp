// The command of the main window whose routine comes with another part of
// the program: duplicate removal. It does nothing yet; the part that brings
// the real command replaces its definition here.

#include "mainwindow/frmMain.h"

void frmMain::RunRemoveDuplicates() {}
