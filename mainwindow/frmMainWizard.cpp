// The wizard loop of the DNC import: the wizard prepares and analyses the
// import text and records it in the settings; this loop runs the import and
// shows the wizard again with the counts after it, until the user closes it
// or an import fails.

#include "dialogs/frmDNCWizard.h"
#include "dncdb/DNCImport.h"
#include "dncdb/DNCListImport.h"
#include "mainwindow/frmMain.h"
#include "platform/ui/Services.h"

#include <QPointer>

void frmMain::RunDNCImportWizard(bool quick)
{
    // One wizard for the whole loop: Import only hides it, so its file, its
    // analysis and its flags are there again at the next pass.
    QPointer<frmDNCWizard> wizard = new frmDNCWizard(this);
    const auto unload = [&wizard] {
        if (!wizard) return;
        wizard->Form_Unload();
        delete wizard.data();
    };
    try {
        for (;;) {
            wizard->SetIsQuickImport(quick);
            ui::services().ShowModal(wizard, this);
            if (!wizard || wizard->IsCancel()) break;

            // The import enables the window again on every way out. A text
            // without a value was read to its end: the wizard is shown again
            // with its counts, as after an import.
            if (!m_runs.ImportDNCTextFile() &&
                m_runs.LastImport().outcome != dncimport::ImportOutcome::NoValue)
                break;
            if (!wizard) break;
            wizard->ShowAfterInput();
            wizard->SetStatus(dncimport::SkippedLinesNote(m_runs.LastImport().stats));
        }
    } catch (...) {
        unload();
        throw;
    }
    unload();
}
