// Browser, Split and View as the window runs them: the dialogs asked for,
// the import text left in the file box, the format set back to National
// TEXT, the analysis cleared; "&View" shows the file in the paged viewer.

#include "WizardFixture.h"

#include "screens/frmViewData.h"

#include "platform/ado/Recordset.h"

using wiztest::ReadFile;
using Browser = WizardTest;

namespace {

// An analysis list with something in it, to see Browser clear it.
void fillAnalysis(frmDNCWizard& wizard)
{
    new QTreeWidgetItem(wizard.lstCode, QStringList{"201", "1", "", ""});
}

} // namespace

TEST_F(Browser, NationalTextOffersToRenameAnotherExtension)
{
    const QString dat = writeFile(QStringLiteral("list.dat"), "2015551234\r\n");
    auto wizard = shownWizard();
    fillAnalysis(*wizard);
    scripted.expectOpenFile(dat, QStringLiteral("Open Phone Data File"));
    scripted.expectMsgBox(
        ui::vbYes, QStringLiteral("Would you like to change it to \r\n") + path(QStringLiteral("list.txt?")),
        ui::vbYesNo | ui::vbQuestion);
    wizard->cmdBrowser->click();
    EXPECT_EQ(wizard->dnctextfilename->text(), path(QStringLiteral("list.txt")));
    EXPECT_EQ(ReadFile(path(QStringLiteral("list.txt"))), "2015551234\r\n");
    EXPECT_EQ(wizard->lstCode->topLevelItemCount(), 0);
    const auto opened = scripted.callsOf(ui::ScriptedServices::Kind::OpenFile);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].request.filter,
              QStringLiteral("All File (*.*)|*.*|Text File (*.txt,*.csv)|*.txt;*.csv"));
}

TEST_F(Browser, NationalTextKeptAsItIsWhenTheRenameIsDeclined)
{
    const QString dat = writeFile(QStringLiteral("list.dat"), "2015551234\r\n");
    auto wizard = shownWizard();
    wizard->dnctextfilename->setText(QStringLiteral("before.txt"));
    fillAnalysis(*wizard);
    scripted.expectOpenFile(dat);
    scripted.expectMsgBox(ui::vbNo, QStringLiteral("File type should be"));
    wizard->cmdBrowser->click();
    EXPECT_EQ(wizard->dnctextfilename->text(), QStringLiteral("before.txt"));
    EXPECT_EQ(wizard->lstCode->topLevelItemCount(), 1);
    EXPECT_TRUE(QFile::exists(dat));
    EXPECT_EQ(wizard->CurrentFile(), QString());
}

TEST_F(Browser, ACsvFileIsTakenWithoutAQuestionAndACancelChangesNothing)
{
    const QString csv = writeFile(QStringLiteral("LIST.CSV"), "201,5551234\r\n");
    auto wizard = shownWizard();
    scripted.expectOpenFile(csv);
    wizard->cmdBrowser->click();
    EXPECT_EQ(wizard->dnctextfilename->text(), csv);

    fillAnalysis(*wizard);
    scripted.expectOpenFile(std::nullopt);
    wizard->cmdBrowser->click();
    EXPECT_EQ(wizard->dnctextfilename->text(), csv);
    EXPECT_EQ(wizard->lstCode->topLevelItemCount(), 1);
}

TEST_F(Browser, NationalHtmlWritesTheListBetweenThePreTags)
{
    const QString page =
        writeFile(QStringLiteral("page.htm"),
                  "<html><body>\r\n<PRE>\r\n2015551234\r\n\r\n9735551234\r\n</PRE>\r\n</body></html>\r\n");
    const QString output = path(QStringLiteral("out.txt"));
    auto wizard = shownWizard();
    wizard->dnctextfilehearder->setChecked(true);
    wizard->OptionFormat(frmDNCWizard::NationalHtml)->setChecked(true);
    scripted.expectOpenFile(page, QStringLiteral("Open Phone Data File"));
    scripted.expectSaveFile(output, QStringLiteral("Open Text File to Save Phone Data"));
    wizard->cmdBrowser->click();

    EXPECT_EQ(ReadFile(output), "2015551234\r\n9735551234\r\n");
    EXPECT_EQ(wizard->dnctextfilename->text(), output);
    EXPECT_FALSE(wizard->dnctextfilehearder->isChecked());
    EXPECT_TRUE(wizard->OptionFormat(frmDNCWizard::NationalText)->isChecked());
    const auto saved = scripted.callsOf(ui::ScriptedServices::Kind::SaveFile);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].request.fileName, path(QStringLiteral("page.txt")));
}

TEST_F(Browser, NationalHtmlWithTheSaveCancelledShowsThePage)
{
    const QString page = writeFile(QStringLiteral("page.htm"), "<PRE>2015551234</PRE>\r\n");
    auto wizard = shownWizard();
    wizard->OptionFormat(frmDNCWizard::NationalHtml)->setChecked(true);
    scripted.expectOpenFile(page);
    scripted.expectSaveFile(std::nullopt);
    wizard->cmdBrowser->click();
    EXPECT_EQ(wizard->dnctextfilename->text(), page);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("page.txt"))));
    EXPECT_TRUE(wizard->OptionFormat(frmDNCWizard::NationalHtml)->isChecked());
}

TEST_F(Browser, NationalUpdateLeavesTheAdditionsToImport)
{
    const QString update =
        writeFile(QStringLiteral("upd.dat"), "2015551234,x,A\r\n9735550000,x,D\r\n2017777777,x,A\r\n");
    const QString aFile = path(QStringLiteral("updA.txt"));
    const QString dFile = path(QStringLiteral("updD.txt"));
    auto wizard = shownWizard();
    wizard->OptionFormat(frmDNCWizard::NationalUpdate)->setChecked(true);
    scripted.expectOpenFile(update, QStringLiteral("Open Phone Data File"));
    scripted.expectSaveFile(aFile, QStringLiteral("with 'A'"));
    scripted.expectSaveFile(dFile, QStringLiteral("with 'D'"));
    wizard->cmdBrowser->click();

    EXPECT_EQ(ReadFile(aFile), "201,5551234\r\n201,7777777\r\n");
    EXPECT_EQ(ReadFile(dFile), "973,5550000\r\n");
    EXPECT_EQ(wizard->dnctextfilename->text(), aFile);
    EXPECT_TRUE(wizard->OptionFormat(frmDNCWizard::NationalText)->isChecked());
    const auto opened = scripted.callsOf(ui::ScriptedServices::Kind::OpenFile);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].request.filter,
              QStringLiteral("Natioanl Update File (*.txt,*.dat)|*.txt;*.dat|All File (*.*)|*.*"));
}

TEST_F(Browser, ViewShowsTheChosenTextFileInTheViewerOverTheWizard)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), "201,5551234\r\n202,5550000\r\n");
    auto wizard = shownWizard();
    wizard->dnctextfilename->setText(file);
    QStringList seen;
    QWidget* owner = nullptr;
    scripted.expectModal(
        [&](QDialog* dialog) {
            auto* viewer = qobject_cast<frmViewData*>(dialog);
            if (!viewer) return 0;
            owner = viewer->parentWidget();
            seen << viewer->windowTitle() << viewer->lblRecords->text();
            for (int r = 0; r < viewer->GridModel()->rowCount(); ++r)
                seen << viewer->GridModel()->index(r, 1).data().toString() + "|" +
                            viewer->GridModel()->index(r, 2).data().toString();
            return 0;
        },
        QStringLiteral("frmViewData"));
    wizard->cmdView->click();
    EXPECT_EQ(seen, (QStringList{"View DNC Text File", "Records:1 - 2 of 2", "201|5551234", "202|5550000"}));
    EXPECT_EQ(owner, wizard.get());

    wizard->dnctextfilename->clear();
    wizard->cmdView->click(); // nothing to view: no window
}

TEST_F(Browser, SplitStoresTheLinesPerFileAndWritesNumberedFiles)
{
    const QString file =
        writeFile(QStringLiteral("big.txt"), "AreaCode,Phone\r\n201,1\r\n201,2\r\n201,3\r\n");
    auto wizard = shownWizard();
    wizard->dnctextfilename->setText(file);
    wizard->dnctextfilehearder->setChecked(true);
    wizard->txtFileLines->setText(QStringLiteral("2"));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Splitted Text File Names will be from ") +
                                         path(QStringLiteral("big01.txt")));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Text File has been splitted into files from"),
                          ui::vbInformation);
    wizard->cmdSplit->click();

    EXPECT_EQ(ReadFile(path(QStringLiteral("big01.txt"))), "AreaCode,Phone\r\n201,1\r\n201,2\r\n");
    EXPECT_EQ(ReadFile(path(QStringLiteral("big02.txt"))), "AreaCode,Phone\r\n201,3\r\n");
    EXPECT_EQ(wizard->sbStatusBar->PanelText(1),
              QStringLiteral("Output File:") + path(QStringLiteral("big02.txt")));
    analyse(*wizard, file); // a later step
    EXPECT_EQ(wizard->sbStatusBar->PanelText(1), QString());
    wiztest::Db db(dbPath);
    EXPECT_EQ(db.scalar(QStringLiteral(
                  "select PropertyValue from DefProperty where PropertyKeys = 'linesperfile'")),
              QStringLiteral("2"));
}

TEST_F(Browser, SplitRefusesLinesPerFileThatAreNoNumber)
{
    auto wizard = shownWizard();
    wizard->txtFileLines->setText(QStringLiteral("10a"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Lines Per File must be digits!"), ui::vbExclamation);
    wizard->cmdSplit->click();
    EXPECT_EQ(setting(QStringLiteral("linesperfile")), QStringLiteral("100000"));
}

TEST_F(Browser, SplitStopsBeforeWritingAtEachOfItsChecksAndAtNo)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), "201,1\r\n201,2\r\n");
    const struct {
        QString box;    // the file box
        QString prompt; // the message shown
        int style;
        int answer;
    } cases[] = {
        {QString(), QStringLiteral("Text File Name Is Empty!"), ui::vbExclamation, ui::vbOK},
        {path(QStringLiteral("none.txt")), QStringLiteral("Text File Does Not Exist!"), ui::vbExclamation,
         ui::vbOK},
        {file, QStringLiteral("Are you sure to continue?"), ui::vbYesNo | ui::vbQuestion, ui::vbNo},
    };
    auto wizard = shownWizard();
    wizard->txtFileLines->setText(QStringLiteral("1"));
    for (const auto& c : cases) {
        wizard->dnctextfilename->setText(c.box);
        scripted.expectMsgBox(c.answer, c.prompt, c.style);
        wizard->cmdSplit->click();
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("dnc01.txt")))) << c.prompt.toStdString();
    }
}

TEST_F(Browser, ASplitFileThatCannotBeWrittenIsReportedOnce)
{
    const QString file = writeFile(QStringLiteral("dnc.txt"), "201,1\r\n201,2\r\n");
    QDir(dir.path()).mkdir(QStringLiteral("dnc01.txt")); // a folder where the first file goes
    auto wizard = shownWizard();
    wizard->dnctextfilename->setText(file);
    wizard->txtFileLines->setText(QStringLiteral("1"));
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Splitted Text File Names will be from "));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:CmdSplit"), ui::vbCritical);
    wizard->cmdSplit->click();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("dnc02.txt"))));
}

TEST_F(Browser, TheImportTextOpensAsARecordsetWithItsLayout)
{
    auto wizard = shownWizard();
    std::shared_ptr<ado::Recordset> rs;
    EXPECT_EQ(wizard->OpenDNCTextRecordset(rs), 1) << "an empty file box";

    wizard->dnctextfilename->setText(
        writeFile(QStringLiteral("dnc.txt"), "AreaCode,Phone\r\n201,5551234\r\n"));
    wizard->dnctextfilehearder->setChecked(true);
    wizard->dnctextfiledelimited->setChecked(true);
    ASSERT_EQ(wizard->OpenDNCTextRecordset(rs), 0);
    ASSERT_EQ(rs->Fields().Count(), 2);
    EXPECT_EQ(rs->Fields().Item(0).Name(), QStringLiteral("AreaCode"));
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Value(QStringLiteral("Phone")).text(), QStringLiteral("5551234"));

    wizard->dnctextfilename->setText(path(QStringLiteral("gone.txt")));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Function:GetCount"), ui::vbCritical);
    std::shared_ptr<ado::Recordset> none;
    EXPECT_EQ(wizard->OpenDNCTextRecordset(none), 1);
}
