// OpenFile and ShowSaveDialog through the scripted dialogs.
#include "core/FakeMainWindow.h"
#include "core/Globals.h"
#include "dialogs/FileDialogs.h"

#include "platform/vb/App.h"
#include "support/ScriptedUi.h"

namespace {

class FileDialogsTest : public ScriptedUiTest {
protected:
    const ui::ScriptedServices::Call& lastCall() const { return scripted.calls().back(); }
};

} // namespace

TEST_F(FileDialogsTest, OpenFilePresetsTheDialog)
{
    scripted.expectOpenFile(QString("/data/list.csv"), "Open a File");
    EXPECT_EQ(OpenFile("/data/", "", ""), "/data/list.csv");
    const ui::FileDialogRequest& r = lastCall().request;
    EXPECT_EQ(r.fileName, "/data");
    EXPECT_EQ(r.initDir, vb::App::Path());
    EXPECT_EQ(r.flags, 2048);
    EXPECT_EQ(r.filter, "All Files (*.*)|*.*");
}

TEST_F(FileDialogsTest, OpenFileTrimsATrailingBackslash)
{
    scripted.expectOpenFile(QString("C:/lists/a.txt"), "Pick a list");
    OpenFile("C:\\lists\\", "Text File (*.txt)|*.txt", "Pick a list");
    EXPECT_EQ(lastCall().request.fileName, "C:\\lists");
    EXPECT_EQ(lastCall().request.filter, "Text File (*.txt)|*.txt");
}

TEST_F(FileDialogsTest, CancelGivesEmptyTextAndNoMessage)
{
    scripted.expectOpenFile(std::nullopt);
    EXPECT_EQ(OpenFile("a.txt", "", ""), "");
    scripted.expectSaveFile(std::nullopt);
    EXPECT_EQ(ShowSaveDialog("a.txt", "", ""), "");
    EXPECT_EQ(scripted.calls().size(), 2u); // no message box
}

TEST_F(FileDialogsTest, SaveDialogAsksBeforeReplacingAndKeepsTheName)
{
    scripted.expectSaveFile(QString("/out/ok.txt"), "Save results");
    EXPECT_EQ(ShowSaveDialog("ok.txt\\", "", "Save results"), "/out/ok.txt");
    EXPECT_EQ(lastCall().request.flags, 2);
    EXPECT_EQ(lastCall().request.fileName, "ok.txt\\");
    EXPECT_EQ(lastCall().request.title, "Save results");
}

TEST_F(FileDialogsTest, DialogsUseTheMainWindowsCommonDialog)
{
    FakeMainWindow form;
    form.dialog.FileName = "previous.txt";
    scripted.expectSaveFile(QString("/x/new.txt"));
    ShowSaveDialog("", "", "");
    EXPECT_EQ(lastCall().request.fileName, "previous.txt"); // an empty name leaves the dialog's own
    EXPECT_EQ(form.dialog.FileName, "/x/new.txt");
}
