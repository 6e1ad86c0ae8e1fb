// The scripted services answer in order, record every call, and never wait:
// a call nobody scripted is answered at once with the answer that stops and
// is reported, so a forgotten dialog fails a test instead of hanging it.
#include "platform/ui/Registry.h"
#include "platform/vb/App.h"
#include "support/ScriptedUi.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace ui;
using Kind = ScriptedServices::Kind;

TEST_F(ScriptedUiTest, AnswersMessageBoxesInTheOrderScripted)
{
    scripted.expectMsgBox(vbYes, "want to start");
    scripted.expectMsgBox(vbOK);

    EXPECT_EQ(MsgBox("Are you sure want to start?", vbYesNo | vbQuestion, "Tervala"), vbYes);
    EXPECT_EQ(MsgBox("Action is finished!"), vbOK);

    ASSERT_EQ(scripted.calls().size(), 2u);
    EXPECT_EQ(scripted.calls()[0].kind, Kind::MsgBox);
    EXPECT_EQ(scripted.calls()[0].text, "Are you sure want to start?");
    EXPECT_EQ(scripted.calls()[0].style, vbYesNo | vbQuestion);
    EXPECT_EQ(scripted.calls()[0].title, "Tervala");
    EXPECT_TRUE(scripted.calls()[1].expected);
}

TEST_F(ScriptedUiTest, MsgBoxWithoutTitleGetsTheProgramTitle)
{
    scripted.expectMsgBox(vbOK);
    MsgBox("Action is finished!");
    ASSERT_EQ(scripted.calls().size(), 1u);
    EXPECT_EQ(scripted.calls()[0].title, vb::App::Title());
}

TEST_F(ScriptedUiTest, UnscriptedMessageBoxReturnsTheSafeAnswerAtOnceAndIsReported)
{
    EXPECT_EQ(MsgBox("Do you want to delete these records?", vbYesNo | vbQuestion), vbNo);
    EXPECT_EQ(MsgBox("Continue?", vbOKCancel), vbCancel);
    EXPECT_EQ(MsgBox("Database is needed to set before to make any actions!"), vbOK);

    const QStringList unexpected = scripted.takeUnexpectedCalls();
    ASSERT_EQ(unexpected.size(), 3);
    EXPECT_TRUE(unexpected[0].contains("Do you want to delete these records?"));
    EXPECT_EQ(scripted.calls().size(), 3u);
    EXPECT_FALSE(scripted.calls()[0].expected);
}

TEST_F(ScriptedUiTest, UnscriptedFileDialogReturnsCancelAtOnceAndIsReported)
{
    FileDialogRequest request;
    request.title = "Open Phone Data File";
    EXPECT_EQ(services().GetOpenFileName(request), std::nullopt);
    EXPECT_EQ(services().GetSaveFileName(request), std::nullopt);

    const QStringList unexpected = scripted.takeUnexpectedCalls();
    ASSERT_EQ(unexpected.size(), 2);
    EXPECT_TRUE(unexpected[0].contains("Open Phone Data File"));
}

TEST_F(ScriptedUiTest, CallOfAnotherKindThanScriptedIsUnexpectedAndKeepsTheScript)
{
    scripted.expectOpenFile(QString("/data/list.txt"));

    EXPECT_EQ(MsgBox("Empty Excel file!", vbExclamation), vbOK);
    EXPECT_EQ(scripted.takeUnexpectedCalls().size(), 1);
    EXPECT_EQ(scripted.pendingExpectations().size(), 1);

    EXPECT_EQ(services().GetOpenFileName({}), QString("/data/list.txt"));
    EXPECT_TRUE(scripted.pendingExpectations().isEmpty());
}

TEST_F(ScriptedUiTest, PromptOrStyleThatDoesNotMatchIsUnexpected)
{
    scripted.expectMsgBox(vbYes, "want to start", vbYesNo | vbQuestion);
    EXPECT_EQ(MsgBox("Are you sure want to start?", vbOKCancel), vbCancel); // wrong style
    EXPECT_EQ(MsgBox("Something else", vbYesNo | vbQuestion), vbNo);        // wrong text
    EXPECT_EQ(scripted.takeUnexpectedCalls().size(), 2);
    EXPECT_EQ(MsgBox("Are you sure want to start?", vbYesNo | vbQuestion), vbYes);
}

TEST_F(ScriptedUiTest, FileDialogsAnswerAndRecordTheRequest)
{
    scripted.expectSaveFile(QString("/out/ok.txt"), "Save Phone Data");
    scripted.expectOpenFile(std::nullopt);

    FileDialogRequest request;
    request.initDir = "/opt/tervala";
    request.flags = cdlOFNOverwritePrompt;
    request.title = "Open Text File to Save Phone Data";
    request.fileName = "list.txt";
    request.filter = "Text File (*.txt)|*.txt|All File (*.*)|*.*";
    EXPECT_EQ(services().GetSaveFileName(request), QString("/out/ok.txt"));
    EXPECT_EQ(services().GetOpenFileName(request), std::nullopt);

    const auto saves = scripted.callsOf(Kind::SaveFile);
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0].request.initDir, "/opt/tervala");
    EXPECT_EQ(saves[0].request.flags, cdlOFNOverwritePrompt);
    EXPECT_EQ(saves[0].request.fileName, "list.txt");
    EXPECT_EQ(saves[0].request.filter, "Text File (*.txt)|*.txt|All File (*.*)|*.*");
}

TEST_F(ScriptedUiTest, ModalHandlerDrivesTheFormAndGivesTheResult)
{
    QDialog form;
    form.setObjectName("frmTextWizard");
    auto* name = new QLineEdit(&form);
    auto* ok = new QPushButton("OK", &form);
    QObject::connect(ok, &QPushButton::clicked, &form, &QDialog::hide);

    bool wasVisible = false;
    scripted.expectModal(
        [&](QDialog* shown) {
            wasVisible = shown->isVisible();
            name->setText("typed");
            ok->click();
            return 1;
        },
        "frmTextWizard");

    EXPECT_EQ(services().ShowModal(&form, nullptr), 1);
    EXPECT_TRUE(wasVisible);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(name->text(), "typed");
    ASSERT_EQ(scripted.callsOf(Kind::Modal).size(), 1u);
    EXPECT_EQ(scripted.callsOf(Kind::Modal)[0].text, "frmTextWizard");
}

TEST_F(ScriptedUiTest, CallsInsideAModalFormUseTheNextAnswers)
{
    QDialog form;
    scripted.expectModal([](QDialog*) { return MsgBox("Phone Numner must be 10 digits!", vbExclamation); });
    scripted.expectMsgBox(vbOK, "10 digits");
    EXPECT_EQ(services().ShowModal(&form, nullptr), vbOK);
}

TEST_F(ScriptedUiTest, UnscriptedModalFormIsNeitherShownNorAccepted)
{
    QDialog form;
    EXPECT_EQ(services().ShowModal(&form, nullptr), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(scripted.takeUnexpectedCalls().size(), 1);
}

TEST_F(ScriptedUiTest, DocumentsProgramsAndHelpAreRecorded)
{
    scripted.expectOpenDocument(true, "mailto:");
    scripted.expectStartProgram(true, "msinfo");
    scripted.expectHelp("TervalaManual.chm::/help/helpPhone.htm");

    EXPECT_TRUE(services().OpenDocument("mailto:sales@example.com"));
    EXPECT_TRUE(services().StartProgram("/usr/bin/msinfo", {"-a"}));
    services().ShowHelp(nullptr, "/opt/tervala/TervalaManual.chm::/help/helpPhone.htm");
    // Nothing scripted is left for these: false, without waiting.
    EXPECT_FALSE(services().OpenDocument("https://example.com"));
    EXPECT_FALSE(services().StartProgram("/bin/true", {}));

    EXPECT_EQ(scripted.callsOf(Kind::StartProgram)[0].arguments, QStringList{"-a"});
    EXPECT_EQ(scripted.takeUnexpectedCalls().size(), 2);
}

TEST_F(ScriptedUiTest, RegistryIsEmptyByDefaultAndReadsWhatWasSet)
{
    const QString key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    EXPECT_EQ(services().RegistryValue(key, "PATH"), std::nullopt);
    Registry::set(key, "PATH", "/usr/bin/msinfo");
    EXPECT_EQ(services().RegistryValue("software\\microsoft\\shared tools\\msinfo", "path"),
              QString("/usr/bin/msinfo"));
    Registry::clear();
    EXPECT_EQ(services().RegistryValue(key, "PATH"), std::nullopt);
    EXPECT_EQ(scripted.callsOf(Kind::Registry).size(), 3u);
}

// The fixture's own bookkeeping: what it would report at the end of a test.
TEST(ScriptedUiReport, UnexpectedCallsAndUnusedAnswersBecomeFailures)
{
    static ScriptedServices s;
    s.reset();
    s.MsgBox("Continue?", vbOKCancel, "Tervala");
    EXPECT_NONFATAL_FAILURE(ui_test::ReportScriptProblems(s), "Continue?");
    s.reset();
    s.expectOpenFile(QString("/x"), "Open a File");
    EXPECT_NONFATAL_FAILURE(ui_test::ReportScriptProblems(s), "GetOpenFileName containing \"Open a File\"");
    s.reset();
}
