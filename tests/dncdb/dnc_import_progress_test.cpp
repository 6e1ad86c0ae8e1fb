// What the window shows while an import runs: the status lines of panel 1,
// the "Timer:" lines of panel 2, the fixed waits, the progress bar and its
// labels.

#include "support/DncFixture.h"

#include "platform/widgets/StatusBar.h"

namespace {

struct Seen {
    std::int32_t panel;
    QString text;
    double progress;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* os)
{
    *os << s.panel << " \"" << s.text.toStdString() << "\" " << s.progress;
}

} // namespace

class DncImportProgress : public DncTest {
protected:
    void SetUp() override
    {
        DncTest::SetUp();
        dncimport::SetStatusTrace([this](const QString& text, std::int32_t panel) {
            seen.push_back({panel, text, mwtest::ctl(form).ProgressBar1->Value()});
        });
    }
    std::vector<Seen> seen;
};

TEST_F(DncImportProgress, StatusAndTimerLinesFollowEachAreaCode)
{
    // three distinct values, of which "20" is no area code: it counts in the
    // bar's maximum but never advances it
    prepareImport(writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n20,1234567\r\n973,7777777\r\n"));
    EXPECT_TRUE(runImport());

    const std::vector<Seen> expected{
        {2, QStringLiteral("Timer:0"), 0}, // start
        {2, QStringLiteral("Timer:0"), 0}, // area codes read
        {2, QStringLiteral("Timer:0"), 0}, // tables made
        {2, QStringLiteral("Timer:0"), 0}, // tables checked
        {1, QStringLiteral("Starting to Import Area Code:201 ..."), 0},
        {2, QStringLiteral("Timer:0"), 0},
        {2, QStringLiteral("Timer:0"), 0}, // work table filled
        {2, QStringLiteral("Timer:0"), 1}, // new numbers copied
        {2, QStringLiteral("Timer:0"), 2}, // work table emptied
        {1, QStringLiteral("Finished to Import Area Code:201"), 2},
        {1, QStringLiteral("Starting to Import Area Code:973 ..."), 4},
        {2, QStringLiteral("Timer:3"), 4}, // after the 3 seconds' wait
        {2, QStringLiteral("Timer:3"), 4},
        {2, QStringLiteral("Timer:3"), 5},
        {2, QStringLiteral("Timer:3"), 6},
        {1, QStringLiteral("Finished to Import Area Code:973"), 6},
        {2, QStringLiteral("Timer:6"), 8}, // the end
    };
    EXPECT_EQ(seen, expected);

    EXPECT_DOUBLE_EQ(mwtest::ctl(form).ProgressBar1->Min(), 0);
    EXPECT_DOUBLE_EQ(mwtest::ctl(form).ProgressBar1->Max(), 12);
    EXPECT_DOUBLE_EQ(mwtest::ctl(form).ProgressBar1->Value(), 12);
    EXPECT_EQ(mwtest::ctl(form).lblMin->text(), QStringLiteral("0"));
    EXPECT_EQ(mwtest::ctl(form).lblmax->text(), QStringLiteral("3"));
    EXPECT_EQ(mwtest::ctl(form).lblStatus->text(), QStringLiteral("3"));
    EXPECT_DOUBLE_EQ(clock.monotonicSeconds(), 6.0);
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1), QStringLiteral("Finished to import DNC list"));
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(2), QStringLiteral("Timer:6"));
}

TEST_F(DncImportProgress, AnAreaCodeWhoseTableCannotBeMadeStopsTheImportAtOnce)
{
    // "phone201" cannot be made: a view of that name is in the way, so the
    // table never shows in the list.
    sql(QStringLiteral("CREATE VIEW phone201 AS SELECT 1 AS phone"));
    prepareImport(writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:LoadTables"), ui::vbCritical | ui::vbOKOnly);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("There is problem during import. Please re-try!"),
                          ui::vbExclamation);
    const QString before = setting(QStringLiteral("dnclastupdate"));
    EXPECT_FALSE(runImport());
    // The table is made in the transaction that fills it: there is no
    // separate check to wait for.
    EXPECT_DOUBLE_EQ(clock.monotonicSeconds(), 0.0);
    EXPECT_EQ(setting(QStringLiteral("dnclastupdate")), before);
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
}

TEST_F(DncImportProgress, AnErrorLeavesTheProgressWhereItStopped)
{
    sql(QStringLiteral(
        "CREATE TABLE phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
        "CREATE TRIGGER refuse BEFORE INSERT ON phone973 BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    prepareImport(writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n973,5551234\r\n"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:ExecQuery"), ui::vbCritical | ui::vbOKOnly);
    EXPECT_FALSE(runImport());
    EXPECT_DOUBLE_EQ(mwtest::ctl(form).ProgressBar1->Value(),
                     5); // 201's four steps and 973's filled work table
    EXPECT_EQ(mwtest::ctl(form).lblStatus->text(), QStringLiteral("1"));
    EXPECT_NE(seen.back().text, QStringLiteral("Finished to Import Area Code:973"));
}
