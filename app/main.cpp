// The process entry: the application object, start-up, and the event loop
// for as long as the main window is shown.

#include "core/Globals.h"
#include "mainwindow/ModuleMain.h"
#include "mainwindow/frmMain.h"
#include "platform/widgets/QtServices.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tervala"));
    ui::UseQtServices();
    Main();
    if (!gMainForm || !gMainForm->isVisible()) return 0;
    return QApplication::exec();
}
