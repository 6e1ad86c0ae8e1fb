#pragma once
// Duplicate removals on the scrub tests' temporary folder: a text list
// "calls.csv" and a workbook "calls.xlsx" (its sheet opened as the window
// opens it, after its question), and a view that records what the progress
// frame and status bar were shown.

#include "ExcelScrubFixture.h"

#include "files/WorkbookBiff.h"
#include "scrub/DuplicateRemoval.h"

namespace duptest {

class RecordingView : public engine::EngineProgress {
public:
    std::int32_t barMaximum = -1;
    std::vector<std::int32_t> shownAt;
    QString status;
    // Fails when the progress reaches this count (0: never).
    std::int32_t failAt = 0;

    void Begin(double total, const QString&) override { barMaximum = std::int32_t(total); }
    void Show(double, const QString& records) override
    {
        shownAt.push_back(records.toInt());
        if (failAt > 0 && records.toInt() >= failAt)
            vb::Raise(vb::errnum::PermissionDenied, QStringLiteral("test"),
                      QStringLiteral("The disk went away."));
    }
    void End() override {}
    void Status(const QString& text, std::int32_t panel) override
    {
        if (panel == 1) status = text;
    }
    void Yield(bool) override {}
    bool Due(bool) override { return true; }
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
        xdjob.phoneColumn = 2;
    }

    // The workbook's removal with its sheet opened first; "" or why the
    // sheet cannot be opened.
    scrub::DuplicatesResult removeFromWorkbook(QString* refusal = nullptr)
    {
        const ListSheet opened = OpenListSheet(workbookPath, sheetName);
        if (refusal) *refusal = opened.refusal;
        xdjob.sheet = opened.sheet;
        return scrub::RemoveExcelDuplicates(xdjob, dview);
    }

    scrub::TextDuplicatesJob tjob;
    scrub::ExcelDuplicatesJob xdjob;
    duptest::RecordingView dview;
};
