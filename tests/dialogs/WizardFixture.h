#pragma once
// The import wizard's tests: the store's fixture (support/DncFixture.h),
// whose main window's toolbar and "Import Data" button run the wizard loop,
// with the wizard's own steps.

#include "support/DncFixture.h"
#include "support/ProgramObjects.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUi.h"
#include "support/SqliteFile.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/COption.h"
#include "core/DataAccessModule.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "dialogs/frmDNCWizard.h"
#include "dncdb/ModuleDNC.h"
#include "mainwindow/MainWindowControls.h"
#include "mainwindow/frmMain.h"
#include "platform/ado/Recordset.h"
#include "platform/ui/OneShotTimer.h"
#include "platform/vb/Clock.h"
#include "platform/widgets/StatusBar.h"
#include "platform/widgets/WaitCursor.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <sqlite3.h>

namespace wiztest {

using testsupport::MakeDatabase;
using testsupport::ReadFile;
using testsupport::WriteFile;

// A database file beside the program; a query on a table that is not there
// reads as no rows.
class Db : public testsupport::Db {
public:
    explicit Db(const QString& path) : testsupport::Db(path, BadQuery::ReadsEmpty) {}

    // Rows of a table, -1 when it does not exist.
    long long count(const QString& table)
    {
        const QString n = scalar(QStringLiteral("select count(*) from ") + table);
        return n.isEmpty() ? -1 : n.toLongLong();
    }
};

// The rows of the analysis list, each as its four cells.
inline std::vector<QStringList> Rows(const frmDNCWizard& wizard)
{
    std::vector<QStringList> rows;
    for (int i = 0; i < wizard.lstCode->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = wizard.lstCode->topLevelItem(i);
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << item->text(c);
        rows.push_back(cells);
    }
    return rows;
}

inline frmDNCWizard* AsWizard(QDialog* dialog)
{
    auto* wizard = qobject_cast<frmDNCWizard*>(dialog);
    if (!wizard) ADD_FAILURE() << "the dialog shown is not the import wizard";
    return wizard;
}

} // namespace wiztest

// The store's fixture, with the wizard's own steps.
class WizardTest : public DncTest {
protected:
    // The toolbar's "Import" (the wizard loop without the quick import).
    void clickToolbarImport()
    {
        for (QAction* action : mwtest::ctl(form).TBLaunch->actions())
            if (action->property("Key").toString() == QLatin1String("Import")) {
                action->trigger();
                return;
            }
        ADD_FAILURE() << "no Import button on the toolbar";
    }

    // A wizard of its own, shown (loaded) but not modal.
    std::unique_ptr<frmDNCWizard> shownWizard()
    {
        auto wizard = std::make_unique<frmDNCWizard>();
        wizard->show();
        return wizard;
    }

    // Types the file into the wizard and analyses it.
    static void analyse(frmDNCWizard& wizard, const QString& file)
    {
        wizard.dnctextfilename->setText(file);
        wizard.cmdAnalysis->click();
    }

    // The first showing of the wizard: the file is analysed and imported,
    // the import confirmed.
    void expectImportOf(const QString& file)
    {
        scripted.expectModal(
            [file](QDialog* dialog) {
                frmDNCWizard* wizard = wiztest::AsWizard(dialog);
                analyse(*wizard, file);
                wizard->cmdOK->click();
                return 1;
            },
            QStringLiteral("frmDNCWizard"));
        scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure to import"));
    }
};
