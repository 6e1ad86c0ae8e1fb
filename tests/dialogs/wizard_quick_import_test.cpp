// The quick import of "Import Data": the wizard's timer asks for the file,
// analyses it, pauses five seconds on the program's clock and imports it
// without the confirmation question; the wizard is then shown again with
// the counts after the import.

#include "WizardFixture.h"

#include <QTimer>

using wiztest::AsWizard;
using wiztest::Rows;
using QuickImport = WizardTest;

namespace {

const QByteArray kTwoField = "201,5551234\r\n"
                             "973,5551234\r\n"
                             "973,7777777\r\n";

} // namespace

TEST_F(QuickImport, ChoosesAnalysesPausesAndImportsWithoutAQuestion)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), kTwoField);
    QPointer<frmDNCWizard> first;
    double paused = 0;
    scripted.expectModal(
        [&](QDialog* dialog) {
            first = AsWizard(dialog);
            EXPECT_TRUE(first->IsQuickImport());
            EXPECT_TRUE(first->Timer1->Enabled()) << "the first showing arms the timer";
            EXPECT_EQ(first->Timer1->Interval(), 100);
            const double before = clock.monotonicSeconds();
            first->Timer1_Timer();
            paused = clock.monotonicSeconds() - before;
            EXPECT_FALSE(first->isVisible()) << "Import ended the showing";
            EXPECT_EQ(first->sbStatusBar->PanelText(1), QString());
            EXPECT_TRUE(first->cmdOK->isEnabled());
            EXPECT_TRUE(first->XPFrame1->isEnabled());
            return 1;
        },
        QStringLiteral("frmDNCWizard"));
    scripted.expectOpenFile(file, QStringLiteral("Open Phone Data File"));
    scripted.expectModal(
        [&](QDialog* dialog) {
            frmDNCWizard* again = AsWizard(dialog);
            EXPECT_TRUE(again->IsQuickImport()) << "set again before each showing";
            EXPECT_FALSE(again->Timer1->Enabled()) << "no second quick import";
            const std::vector<QStringList> expected{
                {"201", "1", "", "1"}, {"973", "2", "", "2"}, {"Total", "3", "0", "3"}};
            EXPECT_EQ(Rows(*again), expected);
            again->cmdCancal->click();
            return 0;
        },
        QStringLiteral("frmDNCWizard"));
    mwtest::ctl(form).cmdLastUpdate->click();

    EXPECT_GE(paused, 5.0);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(rowCount(QStringLiteral("phone201")), 1);
    EXPECT_EQ(rowCount(QStringLiteral("phone973")), 2);
    EXPECT_EQ(setting(QStringLiteral("dnctextfilename")), file);
}

TEST_F(QuickImport, ThePauseEndsAcrossMidnight)
{
    clock.setNow(QDateTime(QDate(2024, 3, 9), QTime(23, 59, 58)));
    const QString file = writeFile(QStringLiteral("dnc.txt"), kTwoField);
    auto wizard = shownWizard();
    wizard->SetIsQuickImport(true);
    scripted.expectOpenFile(file);
    wizard->QuickImport();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(wizard->IsCancel());
    EXPECT_FALSE(wizard->IsQuickImport());
    EXPECT_EQ(clock.now().date(), QDate(2024, 3, 10));
    EXPECT_EQ(setting(QStringLiteral("dnctextfilename")), file);
}

TEST_F(QuickImport, ACancelledFileDialogStopsWithoutAMessage)
{
    scripted.expectModal(
        [&](QDialog* dialog) {
            frmDNCWizard* wizard = AsWizard(dialog);
            wizard->Timer1_Timer();
            EXPECT_TRUE(wizard->isVisible());
            EXPECT_EQ(wizard->lstCode->topLevelItemCount(), 0);
            EXPECT_EQ(wizard->sbStatusBar->PanelText(1), QString()) << "no file is being chosen";
            EXPECT_TRUE(wizard->cmdAnalysis->isEnabled()) << "inputs back after the quick import";
            wizard->cmdCancal->click();
            return 0;
        },
        QStringLiteral("frmDNCWizard"));
    scripted.expectOpenFile(std::nullopt);
    mwtest::ctl(form).cmdLastUpdate->click();
    EXPECT_EQ(clock.slept(), 0.0) << "no pause without a file";
}

TEST_F(QuickImport, DecliningTheRenameStopsRatherThanImportingTheOldFile)
{
    const QString old = writeFile(QStringLiteral("old.txt"), kTwoField);
    const QString dat = writeFile(QStringLiteral("list.dat"), "2015551234\r\n");
    setSetting(QStringLiteral("dnctextfilename"), old);
    auto wizard = shownWizard();
    wizard->SetIsQuickImport(true);
    scripted.expectOpenFile(dat);
    scripted.expectMsgBox(ui::vbNo, QStringLiteral("File type should be *.txt or *.csv!"));
    wizard->QuickImport();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(wizard->dnctextfilename->text(), old);
    EXPECT_EQ(wizard->lstCode->topLevelItemCount(), 0);
    EXPECT_TRUE(QFile::exists(dat));
}

TEST_F(QuickImport, ClosingTheWizardMeanwhileImportsNothing)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), kTwoField);
    auto wizard = shownWizard();
    wizard->SetIsQuickImport(true);
    scripted.expectOpenFile(file);
    // The title bar's close arrives while the analysis serves the event loop.
    QTimer::singleShot(0, wizard.get(), [&] { wizard->close(); });
    wizard->QuickImport();
    EXPECT_TRUE(wizard->IsCancel());
    EXPECT_EQ(setting(QStringLiteral("dnctextfilename")), QString());
}
