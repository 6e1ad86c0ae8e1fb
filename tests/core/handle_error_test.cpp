// HandleError: the one error report, shown or raised again.
#include "core/ErrorReport.h"
#include "core/FormGuard.h"

#include "platform/vb/Err.h"
#include "support/ScriptedUi.h"

namespace {

class HandleErrorTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        vb::Err().Clear();
    }
    void TearDown() override
    {
        vb::Err().Clear();
        ScriptedUiTest::TearDown();
    }
    // Makes err the error being handled, as a trap does.
    static void handling(const vb::ErrObject& err)
    {
        try {
            throw err;
        } catch (...) {
            vb::CatchError();
        }
    }
};

} // namespace

TEST_F(HandleErrorTest, NothingHappensWithoutAnError)
{
    HandleError(0, "ignored", "Module", "Function", false);
    EXPECT_NO_THROW(HandleError(0, "", "Module", "Function", true));
    EXPECT_TRUE(scripted.calls().empty());
}

TEST_F(HandleErrorTest, ShowsFourLinesInACriticalBox)
{
    scripted.expectMsgBox(ui::vbOK, {}, ui::vbCritical);
    HandleError(3265, "Item not found", "CDefPropertys", "LoadRelated", false);
    ASSERT_EQ(scripted.calls().size(), 1u);
    EXPECT_EQ(
        scripted.calls()[0].text,
        "Error Number:3265\r\nError Message:Item not found\r\nModule:CDefPropertys\r\nFunction:LoadRelated");
    EXPECT_EQ(scripted.calls()[0].title, "Tervala");
}

TEST_F(HandleErrorTest, ZeroNumberAndEmptyDescriptionComeFromTheHandledError)
{
    handling(vb::ErrObject(53, "File not found"));
    scripted.expectMsgBox(ui::vbOK, "Error Number:53\r\nError Message:File not found\r\n");
    HandleError(0, "", "", "OpenFile", false);
}

TEST_F(HandleErrorTest, EmptyDescriptionMayStayEmpty)
{
    scripted.expectMsgBox(ui::vbOK, "Error Number:5\r\nError Message:\r\nModule:");
    HandleError(5, "", "", "f", false);
}

TEST_F(HandleErrorTest, RaiseHandsTheErrorToTheCaller)
{
    try {
        HandleError(-2147217900, "Syntax error", "CDefProperty", "Save", true);
        FAIL() << "expected the error to be raised";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, -2147217900);
        EXPECT_EQ(e.Description, "Syntax error");
        EXPECT_EQ(e.Source, "Save IN CDefProperty");
    }
    EXPECT_TRUE(scripted.calls().empty());
}

TEST_F(HandleErrorTest, SecondEntryBehavesTheSame)
{
    EXPECT_THROW(HandleError2(13, "Type mismatch", "DataViewGrid", "Save", true), vb::ErrObject);
    scripted.expectMsgBox(ui::vbOK, "Module:DataViewGrid\r\nFunction:Refresh");
    HandleError2(13, "Type mismatch", "DataViewGrid", "Refresh", false);
}

TEST_F(HandleErrorTest, AReportedErrorIsNotShownAgainByALaterCallWithoutOne)
{
    handling(vb::ErrObject(53, "File not found"));
    scripted.expectMsgBox(ui::vbOK, "Error Message:File not found");
    HandleError(0, "", "", "OpenFile", false);
    HandleError(0, "", "", "OpenFile", false); // nothing in hand: nothing shown
    EXPECT_EQ(scripted.calls().size(), 1u);
}

TEST_F(HandleErrorTest, ALaterErrorNeverTakesTheDescriptionOfAnOlderOne)
{
    handling(vb::ErrObject(53, "File not found"));
    scripted.expectMsgBox(ui::vbOK, "Error Message:File not found");
    HandleError(0, "", "", "OpenFile", false);
    scripted.expectMsgBox(ui::vbOK, "Error Number:3265\r\nError Message:\r\n");
    HandleError(3265, "", "", "LoadRelated", false);
}

TEST_F(HandleErrorTest, AnErrorPassedOverInAnEventIsGoneWhenTheEventEnds)
{
    GuardedHandler(QStringLiteral("frmMain"), "cmdViewDNC_Click",
                   [] { handling(vb::ErrObject(3265, "Item not found")); });
    HandleError(0, "", "", "Later", false);
    EXPECT_TRUE(scripted.calls().empty());
}
