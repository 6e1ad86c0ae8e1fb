// The window's progress frame as a run reports to it: the bar and the texts
// beside it, the status panels, and the reports it lets through, at most
// every tenth of a second on the program's clock and always the last one.

#include "mainwindow/ProgressFrame.h"
#include "platform/vb/Clock.h"
#include "platform/widgets/ProgressBar.h"
#include "platform/widgets/StatusBar.h"

#include <QLabel>
#include <gtest/gtest.h>
#include <memory>

namespace {

class ProgressFrameTest : public ::testing::Test {
protected:
    void SetUp() override { vb::SetClock(&clock); }
    void TearDown() override { vb::SetClock(nullptr); }

    QString text(const char* label) const
    {
        return frame.findChild<QLabel*>(QString::fromLatin1(label))->text();
    }
    const ui::ProgressBar& bar() const
    {
        return *frame.findChild<ui::ProgressBar*>(QStringLiteral("ProgressBar1"));
    }

    vb::FakeClock clock;
    ui::StatusBar status{4};
    ProgressFrame frame{&status, nullptr};
};

} // namespace

TEST_F(ProgressFrameTest, BeginShowAndEndSetTheBarAndItsLabels)
{
    frame.Show(7, QStringLiteral("old")); // a text left from an earlier run
    frame.Begin(12, QStringLiteral("3"));
    EXPECT_DOUBLE_EQ(bar().Min(), 0);
    EXPECT_DOUBLE_EQ(bar().Max(), 12);
    EXPECT_DOUBLE_EQ(bar().Value(), 0);
    EXPECT_EQ(text("lblMin"), QStringLiteral("0"));
    EXPECT_EQ(text("lblmax"), QStringLiteral("3"));
    EXPECT_EQ(text("lblStatus"), QStringLiteral("old"));

    frame.Show(5, QString()); // a null count leaves the text
    EXPECT_DOUBLE_EQ(bar().Value(), 5);
    EXPECT_EQ(text("lblStatus"), QStringLiteral("old"));
    frame.Show(6, QStringLiteral("2"));
    EXPECT_EQ(text("lblStatus"), QStringLiteral("2"));

    frame.End();
    EXPECT_DOUBLE_EQ(bar().Value(), 12);
    EXPECT_EQ(text("lblStatus"), QStringLiteral("3"));

    frame.Status(QStringLiteral("Finished"), 1);
    frame.Status(QStringLiteral("Timer:6"), 2);
    EXPECT_EQ(status.PanelText(1), QStringLiteral("Finished"));
    EXPECT_EQ(status.PanelText(2), QStringLiteral("Timer:6"));
}

TEST_F(ProgressFrameTest, ReportsAreLetThroughAtMostEveryTenthOfASecondAndAlwaysTheLast)
{
    const struct {
        double after; // seconds on the clock before the question
        bool final;
        bool due;
    } steps[] = {
        {0, false, true},                      // the first report of all
        {0.05, false, false},                  // a moment later
        {0.04, false, false}, {0, true, true}, // the last one always
        {0.05, false, false},                  // counted from the last report let through
        {0.06, false, true},
    };
    for (const auto& s : steps) {
        clock.advance(s.after);
        EXPECT_EQ(frame.Due(s.final), s.due) << "at " << clock.monotonicSeconds();
    }
}
