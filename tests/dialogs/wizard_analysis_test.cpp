// The analysis per area code: one row per code with its count in the text
// and in the DNC store, a bold blue Total row, and the counts after an
// import filled in by ShowAfterInput.

#include "WizardFixture.h"

#include "support/Fixtures.h"

#include <QBrush>
#include <QCoreApplication>
#include <QFocusEvent>

using wiztest::Rows;
using Analysis = WizardTest;

namespace {

const QByteArray kTwoField = "201,5551234\r\n"
                             "201,5550001\r\n"
                             "201,5550002\r\n"
                             "973,5551234\r\n"
                             "973,7777777\r\n";

} // namespace

TEST_F(Analysis, CountsEachCodeInTheTextAndInTheStore)
{
    sql(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10) "
                       "INSERT INTO phone201 SELECT 1000000 + i FROM n;"));
    auto wizard = shownWizard();
    wizard->dnctextfiledelimited->setChecked(true);
    analyse(*wizard, writeFile(QStringLiteral("dnc.txt"), kTwoField));

    const std::vector<QStringList> expected{
        {"201", "3", "10", ""}, {"973", "2", "", ""}, {"Total", "5", "10", ""}};
    EXPECT_EQ(Rows(*wizard), expected);

    const QTreeWidgetItem* total = wizard->lstCode->topLevelItem(2);
    for (int c = 0; c < 4; ++c) {
        EXPECT_TRUE(total->font(c).bold()) << c;
        EXPECT_EQ(total->foreground(c).color(), QColor(0, 0, 255)) << c;
    }
    EXPECT_FALSE(wizard->lstCode->topLevelItem(0)->font(0).bold());
}

TEST_F(Analysis, WithoutTablesTheStoreColumnStaysEmptyAndTotalsZero)
{
    auto wizard = shownWizard();
    analyse(*wizard, writeFile(QStringLiteral("dnc.txt"), kTwoField));
    const std::vector<QStringList> expected{
        {"201", "3", "", ""}, {"973", "2", "", ""}, {"Total", "5", "0", ""}};
    EXPECT_EQ(Rows(*wizard), expected);
}

TEST_F(Analysis, AStrayQuoteCostsItsOwnLineOnlyAsInTheImport)
{
    auto wizard = shownWizard();
    wizard->dnctextfiledelimited->setChecked(true);
    analyse(*wizard, testsupport::CopyFixture(QStringLiteral("dnc_import_stray_quote.txt"), dir.path()));
    const std::vector<QStringList> expected{{"207", "1001", "", ""}, {"Total", "1001", "0", ""}};
    EXPECT_EQ(Rows(*wizard), expected);
}

TEST_F(Analysis, TenDigitLinesAreGroupedByTheirFirstThreeDigits)
{
    auto wizard = shownWizard();
    analyse(*wizard, writeFile(QStringLiteral("ten.txt"), "2015551234\r\n2015550001\r\n9735551234\r\n"));
    const std::vector<QStringList> expected{
        {"201", "2", "", ""}, {"973", "1", "", ""}, {"Total", "3", "0", ""}};
    EXPECT_EQ(Rows(*wizard), expected);
}

TEST_F(Analysis, AHeaderLineIsNotCountedWhenTicked)
{
    auto wizard = shownWizard();
    wizard->dnctextfilehearder->setChecked(true);
    analyse(*wizard, writeFile(QStringLiteral("hdr.txt"), "AreaCode,Phone\r\n" + kTwoField));
    ASSERT_EQ(Rows(*wizard).size(), 3u);
    EXPECT_EQ(Rows(*wizard)[2], (QStringList{"Total", "5", "0", ""}));
}

TEST_F(Analysis, AMissingOrEmptyFileNameIsRefused)
{
    auto wizard = shownWizard();
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please select text file!"), ui::vbExclamation);
    analyse(*wizard, QStringLiteral("   "));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("File dose not exist!"), ui::vbExclamation);
    analyse(*wizard, path(QStringLiteral("gone.txt")));
    EXPECT_EQ(wizard->lstCode->topLevelItemCount(), 0);
}

TEST_F(Analysis, ImportWithoutAnAnalysisKeepsTheWizardOpen)
{
    auto wizard = shownWizard();
    wizard->dnctextfilename->setText(writeFile(QStringLiteral("dnc.txt"), kTwoField));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please make analysis before import!"), ui::vbExclamation);
    wizard->cmdOK->click();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(setting(QStringLiteral("dnctextfilename")), QString());
}

TEST_F(Analysis, ImportAskedAndDeclinedChangesNothing)
{
    auto wizard = shownWizard();
    analyse(*wizard, writeFile(QStringLiteral("dnc.txt"), kTwoField));
    scripted.expectMsgBox(ui::vbNo,
                          QStringLiteral("Are you sure to import this text file into DNC database?"),
                          ui::vbYesNo | ui::vbQuestion);
    wizard->cmdOK->click();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(setting(QStringLiteral("dnctextfilename")), QString());
}

TEST_F(Analysis, ImportRecordsTheFileAndItsLayoutAndHidesTheWizard)
{
    auto wizard = shownWizard();
    wizard->dnctextfilehearder->setChecked(true);
    wizard->dnctextfiledelimited->setChecked(false);
    const QString file = writeFile(QStringLiteral("dnc.txt"), "Phone\r\n2015551234\r\n");
    analyse(*wizard, QStringLiteral("  ") + file + QStringLiteral(" "));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure to import"));
    wizard->cmdOK->click();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(wizard->IsCancel());
    EXPECT_EQ(setting(QStringLiteral("dnctextfilename")), file);
    EXPECT_EQ(setting(QStringLiteral("dnctextfilehearder")), QStringLiteral("1"));
    EXPECT_EQ(setting(QStringLiteral("dnctextfiledelimited")), QStringLiteral("0"));
}

TEST_F(Analysis, CountsAfterImportLeaveCodesWithoutATableEmpty)
{
    // 973 is not kept: the import makes no table for it, and the counts
    // after the import show nothing for it rather than an error.
    setSetting(QStringLiteral("keptareacode"), QStringLiteral("201"));
    auto wizard = shownWizard();
    wizard->dnctextfiledelimited->setChecked(true);
    const QString file = writeFile(QStringLiteral("dnc.txt"), kTwoField);
    analyse(*wizard, file);
    setSetting(QStringLiteral("dnctextfilename"), file);
    setSetting(QStringLiteral("dnctextfiledelimited"), QStringLiteral("1"));
    ASSERT_TRUE(form->Runs().ImportDNCTextFile());

    wizard->ShowAfterInput();
    const std::vector<QStringList> expected{
        {"201", "3", "", "3"}, {"973", "2", "", ""}, {"Total", "5", "0", "3"}};
    EXPECT_EQ(Rows(*wizard), expected);
    EXPECT_EQ(rowCount(QStringLiteral("phone973")), -1);
}

TEST_F(Analysis, ANewFileTypedInClearsTheAnalysis)
{
    auto wizard = shownWizard();
    analyse(*wizard, writeFile(QStringLiteral("dnc.txt"), kTwoField));
    ASSERT_GT(wizard->lstCode->topLevelItemCount(), 0);
    const QString other = writeFile(QStringLiteral("other.txt"), kTwoField);

    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(wizard->dnctextfilename, &in);
    wizard->dnctextfilename->setText(path(QStringLiteral("missing.txt")));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("File dose not exist!"), ui::vbExclamation);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(wizard->dnctextfilename, &out);
    EXPECT_EQ(wizard->lstCode->topLevelItemCount(), 0) << "the analysis was of the file named before";

    // Switching to another window is no focus change of the box.
    analyse(*wizard, path(QStringLiteral("dnc.txt")));
    QCoreApplication::sendEvent(wizard->dnctextfilename, &in);
    wizard->dnctextfilename->setText(other);
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(wizard->dnctextfilename, &away);
    EXPECT_GT(wizard->lstCode->topLevelItemCount(), 0);

    QCoreApplication::sendEvent(wizard->dnctextfilename, &out);
    EXPECT_EQ(wizard->lstCode->topLevelItemCount(), 0);
}
