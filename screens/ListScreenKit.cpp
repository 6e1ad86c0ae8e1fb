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

bool AskSaveOnClose(bool pending, DataViewGrid& grid)
{
    if (!pending) return true;
    const int answer = ui::MsgBox(QStringLiteral("Record has been changed. Do you want To save it?"),
                                  ui::vbYesNoCancel | ui::vbQuestion);
    if (answer == ui::vbCancel) return false;
    if (answer == ui::vbYes) grid.Save();
    return true;
}
