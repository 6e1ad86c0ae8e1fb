#pragma once
// Connection dialog tests: the dialog registered as start-up does, scripted
// UI services and ODBC ini files of the test's own, so the dialog's lists
// never depend on the machine.

#include "core/CDataConnection.h"
#include "dialogs/RegisterDialogs.h"
#include "dialogs/frmMakeConnection.h"
#include "odbc/OdbcIniFiles.h"
#include "support/ScriptedUi.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

class ConnectionDialogTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        RegisterDialogs();
    }
    // Picks a list entry as a user does: the box's Click follows.
    static void pick(QComboBox* box, const QString& text)
    {
        box->setCurrentIndex(box->findText(text, Qt::MatchExactly));
        emit box->activated(box->currentIndex());
    }
    static QStringList items(const QComboBox* box)
    {
        QStringList result;
        for (int i = 0; i < box->count(); ++i)
            result << box->itemText(i);
        return result;
    }

    OdbcIniFiles odbcFiles;
};
