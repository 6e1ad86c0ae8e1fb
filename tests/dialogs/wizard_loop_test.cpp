// The wizard loop of the main window: Close ends it without importing,
// Import runs the import and shows the wizard again with the counts after
// it, a failed import ends it with the main window usable again. Closing
// the wizard through its title bar or with Escape is Close.

#include "WizardFixture.h"

#include "support/Fixtures.h"
#include "support/UserDrive.h"

namespace ud = userdrive;
using wiztest::AsWizard;
using wiztest::Rows;
using WizardLoop = WizardTest;

namespace {

const QByteArray kTwoField = "201,5551234\r\n"
                             "201,5550001\r\n"
                             "973,5551234\r\n";

} // namespace

TEST_F(WizardLoop, CloseEndsTheLoopWithoutImporting)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), kTwoField);
    QPointer<frmDNCWizard> shown;
    scripted.expectModal(
        [&](QDialog* dialog) {
            shown = AsWizard(dialog);
            EXPECT_EQ(dialog->parentWidget(), form.get());
            EXPECT_FALSE(shown->IsQuickImport());
            analyse(*shown, file);
            shown->cmdCancal->click();
            EXPECT_TRUE(shown->IsCancel());
            return 0;
        },
        QStringLiteral("frmDNCWizard"));
    clickToolbarImport();
    EXPECT_TRUE(shown.isNull()) << "the wizard is unloaded after Close";
    EXPECT_EQ(rowCount(QStringLiteral("phone201")), -1);
    EXPECT_EQ(setting(QStringLiteral("dnctextfilename")), QString());
}

TEST_F(WizardLoop, ASuccessfulImportShowsTheWizardAgainWithTheCountsAfterIt)
{
    sql(QStringLiteral("CREATE TABLE phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                       "INSERT INTO phone201 VALUES (5551234), (1111111);"));
    const QString file = writeFile(QStringLiteral("dnc.txt"), kTwoField);
    QPointer<frmDNCWizard> first;
    scripted.expectModal(
        [&](QDialog* dialog) {
            first = AsWizard(dialog);
            analyse(*first, file);
            first->cmdOK->click();
            return 1;
        },
        QStringLiteral("frmDNCWizard"));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure to import"));
    scripted.expectModal(
        [&](QDialog* dialog) {
            frmDNCWizard* again = AsWizard(dialog);
            EXPECT_EQ(again, first.data()) << "the same wizard, kept loaded";
            EXPECT_EQ(again->dnctextfilename->text(), file);
            const std::vector<QStringList> expected{
                {"201", "2", "2", "3"}, {"973", "1", "", "1"}, {"Total", "3", "2", "4"}};
            EXPECT_EQ(Rows(*again), expected);
            again->cmdCancal->click();
            return 0;
        },
        QStringLiteral("frmDNCWizard"));
    clickToolbarImport();

    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(rowCount(QStringLiteral("phone201")), 3);
    EXPECT_EQ(rowCount(QStringLiteral("phone973")), 1);
    EXPECT_EQ(setting(QStringLiteral("lasttotal")), QStringLiteral("4"));
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:4"));
    EXPECT_TRUE(mwtest::ctl(form).TBLaunch->isEnabled());
}

TEST_F(WizardLoop, AFailedImportEndsTheLoopWithTheMainWindowEnabled)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), kTwoField);
    QPointer<frmDNCWizard> shown;
    scripted.expectModal(
        [&](QDialog* dialog) {
            shown = AsWizard(dialog);
            analyse(*shown, file);
            QFile::remove(file); // gone before the import reads it
            shown->cmdOK->click();
            return 1;
        },
        QStringLiteral("frmDNCWizard"));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure to import"));
    clickToolbarImport();

    EXPECT_TRUE(shown.isNull());
    for (QWidget* w :
         {static_cast<QWidget*>(mwtest::ctl(form).Frame1), static_cast<QWidget*>(mwtest::ctl(form).Frame2),
          static_cast<QWidget*>(mwtest::ctl(form).Frame5), static_cast<QWidget*>(mwtest::ctl(form).cmdStart),
          static_cast<QWidget*>(mwtest::ctl(form).TBLaunch)})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(ui::HourglassShown());
    EXPECT_EQ(rowCount(QStringLiteral("phone201")), -1);
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1), QString()) << "nothing finished";
}

TEST_F(WizardLoop, AnAnalysedFileRenamedToAMissingOneIsNotImported)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), kTwoField);
    scripted.expectModal(
        [&](QDialog* dialog) {
            frmDNCWizard* wizard = AsWizard(dialog);
            ud::Activate(wizard);
            ud::ClickInto(wizard->dnctextfilename);
            ud::Type(file);
            ud::Tab();
            ud::ClickInto(wizard->cmdAnalysis);
            EXPECT_EQ(Rows(*wizard).size(), 3u);
            ud::ClickInto(wizard->dnctextfilename);
            wizard->dnctextfilename->selectAll();
            ud::Type(path(QStringLiteral("missing.txt")));
            scripted.expectMsgBox(ui::vbOK, QStringLiteral("File dose not exist!"), ui::vbExclamation);
            ud::Tab();
            EXPECT_EQ(Rows(*wizard).size(), 0u) << "the analysis was of the file named before";
            scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please make analysis before import!"),
                                  ui::vbExclamation);
            ud::ClickInto(wizard->cmdOK);
            EXPECT_TRUE(wizard->isVisible());
            ud::ClickInto(wizard->cmdCancal);
            return 0;
        },
        QStringLiteral("frmDNCWizard"));
    clickToolbarImport();
    EXPECT_EQ(rowCount(QStringLiteral("phone201")), -1);
    EXPECT_EQ(setting(QStringLiteral("dnctextfilename")), QString());
    EXPECT_NE(mwtest::ctl(form).sbStatusBar->PanelText(1), QStringLiteral("Finished to import DNC list"));
}

TEST_F(WizardLoop, TheTitleBarCloseIsCloseEvenAfterAnImport)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), kTwoField);
    const QString more = writeFile(QStringLiteral("more.txt"), "908,1234567\r\n");
    expectImportOf(file);
    scripted.expectModal(
        [&](QDialog* dialog) {
            frmDNCWizard* wizard = AsWizard(dialog);
            analyse(*wizard, more);
            EXPECT_TRUE(wizard->close());
            EXPECT_TRUE(wizard->IsCancel());
            return 0;
        },
        QStringLiteral("frmDNCWizard"));
    clickToolbarImport();

    EXPECT_EQ(rowCount(QStringLiteral("phone201")), 2);
    EXPECT_EQ(rowCount(QStringLiteral("phone908")), -1) << "nothing imported after the close";
}

TEST_F(WizardLoop, EscapeIsCloseToo)
{
    auto wizard = shownWizard();
    wizard->SetIsCancel(false);
    wizard->reject();
    EXPECT_TRUE(wizard->IsCancel());
    EXPECT_FALSE(wizard->isVisible());
}

namespace {

struct AfterImportStatusCase {
    const char* name;
    QByteArray text;
    QString status;             // the wizard's status line when it is shown again
    const char* said = nullptr; // the import's exclamation
    QString windowStatus = QStringLiteral("Finished to import DNC list");
};

void PrintTo(const AfterImportStatusCase& c, std::ostream* os)
{
    *os << c.name;
}

class WizardLoopStatus : public WizardTest, public ::testing::WithParamInterface<AfterImportStatusCase> {};

} // namespace

TEST_P(WizardLoopStatus, TheWizardShownAgainTellsHowManyLinesWereSkipped)
{
    expectImportOf(writeFile(QStringLiteral("dnc.txt"), GetParam().text));
    if (GetParam().said)
        scripted.expectMsgBox(ui::vbOK, QString::fromLatin1(GetParam().said), ui::vbExclamation);
    QString shown = QStringLiteral("(not shown again)");
    scripted.expectModal(
        [&](QDialog* dialog) {
            frmDNCWizard* wizard = AsWizard(dialog);
            shown = wizard->sbStatusBar->PanelText(1);
            wizard->cmdCancal->click();
            return 0;
        },
        QStringLiteral("frmDNCWizard"));
    clickToolbarImport();
    EXPECT_EQ(shown, GetParam().status);
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1), GetParam().windowStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WizardLoopStatus,
    ::testing::Values(
        AfterImportStatusCase{"EveryLineRead", kTwoField, QString()},
        AfterImportStatusCase{"AnEmptyFile", QByteArray(), QString(), "No Value In the text file!",
                              QString()},
        AfterImportStatusCase{
            "AStrayQuote",
            testsupport::ReadFile(testsupport::FixturePath(QStringLiteral("dnc_import_stray_quote.txt"))),
            QStringLiteral("1 line of the text file holds no number that can be read: it was skipped.")},
        AfterImportStatusCase{"ANulByteAndAShortLine",
                              QByteArray("201,5551234\r\n201,55\0"
                                         "51234\r\n201,\r\n973,7777777\r\n",
                                         46),
                              QStringLiteral("2 lines of the text file hold no number that can be read: they "
                                             "were skipped.")}),
    [](const ::testing::TestParamInfo<AfterImportStatusCase>& info) { return std::string(info.param.name); });
