#include "platform/ui/Help.h"

#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"

void ShowHelp(QWidget* owner, const QString& topic)
{
    const QString helpFile = vb::App::HelpFile();
    if (helpFile.isEmpty()) {
        ui::MsgBox(
            QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."),
            ui::vbInformation);
        return;
    }
    try {
        QString path = vb::App::Path() + u'/' + helpFile;
        if (!topic.isEmpty()) path += QStringLiteral("::/") + topic;
        cHTMLHelp().DisplayHelp(owner, path);
    } catch (...) {
        ui::MsgBox(vb::CatchError().Description, ui::vbOKOnly);
    }
}

void cHTMLHelp::DisplayHelp(QWidget* hwndCaller, const QString& helpPath)
{
    ui::services().ShowHelp(hwndCaller, helpPath);
}
