#include "mainwindow/SourceViewer.h"

#include "platform/ado/JetSql.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Err.h"
#include "records/ModuleConnectString.h"
#include "screens/ScreenHooks.h"

#include <QFileInfo>

namespace sourceview {

namespace {

void Exclaim(const QString& prompt)
{
    ui::MsgBox(prompt, ui::vbExclamation | ui::vbOKOnly, vb::App::Title());
}

} // namespace

void ViewData(QWidget* owner, const QString& connectionString, const QString& sqlOrTable, bool editable,
              const QString& caption)
{
    screenhooks::ViewData(owner, connectionString, sqlOrTable, editable, caption);
}

void ViewExcelSheet(QWidget* owner, const QString& file, const QString& sheet, bool editable,
                    const QString& caption)
{
    if (!QFileInfo(file).isFile()) {
        Exclaim(QStringLiteral("File ") + file + QStringLiteral(" does not exist!"));
        return;
    }
    ViewData(owner, MakeExcelConnectionString(file, QStringLiteral("Yes"), QStringLiteral("Delimited")),
             QStringLiteral("select * from ") + ado::QuoteName(sheet), editable, caption);
}

void ViewTextFile(QWidget* owner, const QString& file, bool editable, const QString& caption)
{
    vb::ResumeNext([&] {
        if (file.isEmpty()) return;
        QString name;
        QString folder = SplitFilePath(file, name);
        if (folder.isEmpty()) folder = vb::App::Path() + QLatin1Char('/');
        if (!QFileInfo(folder + name).isFile()) {
            Exclaim(QStringLiteral("File ") + folder + name + QStringLiteral(" is not exist!"));
            return;
        }
        // Bracketed, so that a name with blanks or dots opens.
        ViewData(owner, MakeTextConnectionString(folder, QStringLiteral("Yes"), QStringLiteral("Delimited")),
                 QStringLiteral("select * from ") + ado::QuoteName(name), editable, caption);
    });
}

} // namespace sourceview
