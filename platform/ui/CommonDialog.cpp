#include "platform/ui/CommonDialog.h"

#include "platform/ui/Services.h"
#include "platform/vb/Err.h"

namespace ui {

void CommonDialog::ShowOpen()
{
    show(false);
}

void CommonDialog::ShowSave()
{
    show(true);
}

void CommonDialog::show(bool save)
{
    FileDialogRequest request;
    request.initDir = InitDir;
    request.flags = Flags;
    request.title = DialogTitle;
    request.fileName = FileName;
    request.filter = Filter;
    request.filterIndex = FilterIndex;

    const std::optional<QString> chosen =
        save ? services().GetSaveFileName(request) : services().GetOpenFileName(request);
    if (chosen && !chosen->isEmpty()) {
        FileName = *chosen;
        return;
    }
    FileName.clear();
    if (CancelError) vb::Raise(vb::errnum::DialogCancelled, QStringLiteral("CommonDialog"));
}

} // namespace ui
