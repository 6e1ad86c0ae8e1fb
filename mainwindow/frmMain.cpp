#include "mainwindow/frmMain.h"

#include "core/Globals.h"
#include "platform/ui/StatusBar.h"

#include <QGroupBox>
#include <QPushButton>
#include <QToolBar>

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    sbStatusBar = new ui::StatusBar(4, this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->SetPanelStyle(3, ui::StatusBar::PanelStyle::Date);
    sbStatusBar->SetPanelStyle(4, ui::StatusBar::PanelStyle::Time);
    setStatusBar(sbStatusBar);
}

frmMain::~frmMain()
{
    if (gMainForm == this) gMainForm = nullptr;
}

void frmMain::SetStatusBar(const QString& text, std::int32_t panel)
{
    sbStatusBar->SetPanelText(panel, text);
}

void frmMain::SetImport(bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(Frame4), static_cast<QWidget*>(Frame5),
                       static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Frame2),
                       static_cast<QWidget*>(TBLaunch), static_cast<QWidget*>(cmdStart)}) {
        if (w) w->setEnabled(enabled);
    }
}
