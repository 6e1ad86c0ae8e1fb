#include "core/ModuleExcel.h"

#include "platform/excel/Excel.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"

std::shared_ptr<excel::Workbook> OpenExcelWorkbook(const QString& fileName, bool visible)
{
    if (fileName.isEmpty()) {
        ui::MsgBox(QStringLiteral("No File Name!"), ui::vbExclamation, vb::App::Title());
        return nullptr;
    }
    // The stand-in application always exists; "Can not Open Excel Program!"
    // has no cause here.
    excel::Application& app = excel::Application::Instance();
    try {
        std::shared_ptr<excel::Workbook> book;
        for (const auto& open : app.Workbooks().Items())
            if (open->FullName() == fileName) {
                book = open;
                break;
            }
        if (!book) book = app.Workbooks().Open(fileName);
        book->Activate();
        if (!app.Visible()) app.SetVisible(visible);
        return book;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        ui::MsgBox(e.Description + QStringLiteral("(") + QString::number(e.Number) + QStringLiteral(")"),
                   ui::vbOKOnly, vb::App::Title());
        return nullptr;
    }
}
