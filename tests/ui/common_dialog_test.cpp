// The common dialog control: what it asks the dialog services and what the
// caller sees after OK or Cancel.
#include "platform/ui/CommonDialog.h"
#include "platform/vb/Err.h"
#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

using namespace ui;

using CommonDialogTest = ScriptedUiTest;

TEST_F(CommonDialogTest, OpenPassesTheMembersAndReturnsTheChosenPath)
{
    scripted.expectOpenFile(QString("/data/calls.txt"));
    CommonDialog dlg;
    dlg.InitDir = "/opt/tervala";
    dlg.Flags = cdlOFNPathMustExist;
    dlg.CancelError = true;
    dlg.DialogTitle = "Open a File";
    dlg.FileName = "calls.txt";
    dlg.Filter = "All Files (*.*)|*.*";
    dlg.ShowOpen();

    EXPECT_EQ(dlg.FileName, "/data/calls.txt");
    const auto call = scripted.callsOf(ScriptedServices::Kind::OpenFile).at(0);
    EXPECT_EQ(call.request.initDir, "/opt/tervala");
    EXPECT_EQ(call.request.flags, cdlOFNPathMustExist);
    EXPECT_EQ(call.request.title, "Open a File");
    EXPECT_EQ(call.request.fileName, "calls.txt");
    EXPECT_EQ(call.request.filter, "All Files (*.*)|*.*");
}

TEST_F(CommonDialogTest, CancelWithCancelErrorRaises32755)
{
    scripted.expectOpenFile(std::nullopt);
    CommonDialog dlg;
    dlg.CancelError = true;
    dlg.FileName = "old.txt";
    try {
        dlg.ShowOpen();
        FAIL() << "Cancel did not raise";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, 32755);
        EXPECT_EQ(e.Description, "Cancel was selected.");
    }
    EXPECT_TRUE(dlg.FileName.isEmpty());
}

TEST_F(CommonDialogTest, CancelWithoutCancelErrorLeavesFileNameEmpty)
{
    scripted.expectSaveFile(std::nullopt);
    CommonDialog dlg;
    dlg.FileName = "proposed.txt";
    EXPECT_NO_THROW(dlg.ShowSave());
    EXPECT_TRUE(dlg.FileName.isEmpty());
}

TEST_F(CommonDialogTest, SaveGoesToTheSaveDialog)
{
    scripted.expectSaveFile(QString("/out/listA.txt"), "with 'A'");
    CommonDialog dlg;
    dlg.Flags = cdlOFNOverwritePrompt;
    dlg.DialogTitle = "Open Text File to Save Phone Data with 'A'";
    dlg.ShowSave();
    EXPECT_EQ(dlg.FileName, "/out/listA.txt");
}
