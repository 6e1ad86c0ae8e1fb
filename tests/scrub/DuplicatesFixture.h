#pragma once
// Duplicate removals on the scrub tests' temporary folder: a text list
// "calls.csv" and a workbook "calls.xlsx", the question answered Yes, and a
// view that records what the progress frame and status bar were shown.

#include "ExcelScrubFixture.h"

#include "files/workbook_biff.h"
#include "scrub/DuplicateRemoval.h"

namespace duptest {

class RecordingView : public scrub::DuplicateView {
public:
    std::int32_t barMaximum = -1;
    std::vector<std::int32_t> shownAt;
    QString status;
    // Fails when the progress reaches this count (0: never).
    std::int32_t failAt = 0;

    void BeginProgress(std::int32_t total) override { barMaximum = total; }
    void ShowProgress(std::int32_t records, double, bool) override
    {
        shownAt.push_back(records);
        if (failAt > 0 && records >= failAt)
            vb::Raise(vb::errnum::PermissionDenied, QStringLiteral("test"),
                      QStringLiteral("The disk went away."));
    }
    void ShowStatus(const QString& text) override { status = text; }
};

} // namespace duptest

class DuplicatesTest : public ExcelScrubTest {
protected:
    void SetUp() override
    {
        ExcelScrubTest::SetUp();
        tjob.folder = folder;
        tjob.fileName = QStringLiteral("calls.csv");
        tjob.phoneField = QStringLiteral("Phone");
        xdjob.workbookPath = xjob.workbookPath;
        xdjob.sheetName = QStringLiteral("Calls");
        xdjob.phoneColumn = 2;
    }

    void expectQuestion(int answer = ui::vbYes)
    {
        scripted.expectMsgBox(
            answer, QStringLiteral("Do you wish to delete the duplicate numbers from your phonelist."),
            ui::vbYesNo);
    }
    void expectFinished()
    {
        scripted.expectMsgBox(ui::vbOK, QStringLiteral("Action is finished!"), ui::vbInformation);
    }

    scrub::TextDuplicatesJob tjob;
    scrub::ExcelDuplicatesJob xdjob;
    duptest::RecordingView dview;
};
