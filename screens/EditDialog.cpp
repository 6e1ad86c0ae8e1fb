#include "screens/EditDialog.h"

#include "core/FormGuard.h"
#include "platform/ui/Services.h"

#include <QCloseEvent>
#include <QPushButton>

EditDialog::EditDialog(const QString& name, const QString& caption, QWidget* parent) : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(caption);
}

void EditDialog::reject()
{
    close();
}

void EditDialog::closeEvent(QCloseEvent* event)
{
    bool keepOpen = false;
    GuardedHandler(objectName(), "Form_QueryUnload", [&] {
        if (!cmdSave || !cmdSave->isEnabled()) return;
        const int answer = ui::MsgBox(QStringLiteral("Record has been changed. Do you want To save it?"),
                                      ui::vbYesNoCancel | ui::vbQuestion);
        if (answer == ui::vbCancel)
            keepOpen = true;
        else if (answer == ui::vbYes && m_Dirty)
            keepOpen = !SaveData();
    });
    if (keepOpen) {
        event->ignore();
        return;
    }
    GuardedHandler(objectName(), "Form_Unload", [&] {
        if (m_Record) m_Record->SetCancel(m_Cancelled);
    });
    event->accept();
}
