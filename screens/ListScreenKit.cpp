#include "screens/ListScreenKit.h"

#include <QAction>
#include <QToolBar>
#include <QWidget>

void BuildToolbar(QToolBar* bar, std::initializer_list<ToolbarButtonDef> buttons,
                  const std::function<void(const QString& key)>& onClick)
{
    for (const ToolbarButtonDef& d : buttons) {
        QAction* a = bar->addAction(bar->style()->standardIcon(d.icon), QString::fromLatin1(d.caption));
        const QString key = QString::fromLatin1(d.key);
        a->setObjectName(key);
        a->setProperty("Key", key);
        a->setToolTip(QString::fromLatin1(d.tip));
        QObject::connect(a, &QAction::triggered, bar, [onClick, key] { onClick(key); });
    }
}

namespace {
void enable(QToolBar* bar, const char* key, bool on)
{
    if (auto* a = bar->findChild<QAction*>(QString::fromLatin1(key))) a->setEnabled(on);
}
} // namespace

void SetListToolbar(QToolBar* bar, bool editable)
{
    for (const char* key : {"Delete", "New", "Form", "Import", "Export", "Setup"})
        enable(bar, key, editable);
    enable(bar, "Save", false);
    enable(bar, "Cancel", false);
}

void SetListEditState(QToolBar* bar, bool pending, bool editable)
{
    enable(bar, "New", pending ? false : editable);
    enable(bar, "Save", pending ? editable : false);
    enable(bar, "Cancel", pending ? editable : false);
    enable(bar, "Refresh", !pending);
    enable(bar, "Form", pending ? false : editable);
}

bool AskSaveOnClose(bool pending, DataViewGrid& grid)
{
    if (!pending) return true;
    const int answer = ui::MsgBox(QStringLiteral("Record has been changed. Do you want To save it?"),
                                  ui::vbYesNoCancel | ui::vbQuestion);
    if (answer == ui::vbCancel) return false;
    if (answer == ui::vbYes) grid.Save();
    return true;
}
