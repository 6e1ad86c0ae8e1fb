// A user fills the DNC store through the wizard: the program started in a
// program folder of its own, the toolbar's "Import", Browser, Analysis,
// Import, the wizard shown again with the counts, Close; then the area-code
// tables and the stored total in the database, and the main window's total.

#include "WizardFixture.h"

#include "mainwindow/ModuleMain.h"
#include "platform/vb/App.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

class UserRoad : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        ASSERT_TRUE(home.isValid());
        vb::SetClock(&clock);
        m_oldHome = qgetenv("TERVALA_HOME");
        m_oldMaker = frmMain::MakerPageAddress();
        qputenv("TERVALA_HOME", home.path().toLocal8Bit());
        wiztest::MakeDatabase(databasePath());
        // No network: the maker's page is a local file that is not there.
        frmMain::SetMakerPageAddress(home.filePath(QStringLiteral("maker/missing/rodadureriv.html")));
    }

    void TearDown() override
    {
        if (gMainForm) {
            QPointer<frmMain> form = gMainForm;
            if (form->isVisible()) form->close();
        }
        ReleaseGlobalObjects();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        gOption.reset();
        gConnectionString.clear();
        gAppPath.clear();
        ui::SetHourglass(false);
        vb::App::ReleaseInstanceLock();
        frmMain::SetMakerPageAddress(m_oldMaker);
        qputenv("TERVALA_HOME", m_oldHome);
        vb::SetClock(nullptr);
        ScriptedUiTest::TearDown();
    }

    QString databasePath() const { return home.filePath(QStringLiteral("Database/Tervala.mdb")); }

    QTemporaryDir home;
    vb::FakeClock clock;

private:
    QByteArray m_oldHome;
    QString m_oldMaker;
};

QAction* ToolbarButton(frmMain* form, const QString& key)
{
    for (QAction* action : mwtest::ctl(form).TBLaunch->actions())
        if (action->property("Key").toString() == key) return action;
    ADD_FAILURE() << "no toolbar button " << key.toStdString();
    return nullptr;
}

// The file picked by its name, a leading blank too.
class UserRoadNamed : public UserRoad, public ::testing::WithParamInterface<const char*> {};

} // namespace

TEST_P(UserRoadNamed, TheToolbarImportFillsTheStoreThroughTheWizard)
{
    const QString name = QString::fromUtf8(GetParam());
    const QString list = wiztest::WriteFile(home.filePath(QStringLiteral("downloads/") + name),
                                            "2015551234\r\n2015550001\r\n9735551234\r\n2015551234\r\n");
    Main();
    frmMain* form = gMainForm;
    ASSERT_NE(form, nullptr);
    QAction* import = ToolbarButton(form, QStringLiteral("Import"));
    ASSERT_NE(import, nullptr);

    scripted.expectModal(
        [&](QDialog* dialog) {
            frmDNCWizard* wizard = wiztest::AsWizard(dialog);
            EXPECT_TRUE(wizard->isVisible());
            wizard->cmdBrowser->click();
            EXPECT_EQ(wizard->dnctextfilename->text(), list);
            wizard->cmdAnalysis->click();
            const std::vector<QStringList> analysed{
                {"201", "3", "", ""}, {"973", "1", "", ""}, {"Total", "4", "0", ""}};
            EXPECT_EQ(wiztest::Rows(*wizard), analysed);
            wizard->cmdOK->click();
            return 1;
        },
        QStringLiteral("frmDNCWizard"));
    scripted.expectOpenFile(list, QStringLiteral("Open Phone Data File"));
    scripted.expectMsgBox(ui::vbYes,
                          QStringLiteral("Are you sure to import this text file into DNC database?"));
    scripted.expectModal(
        [&](QDialog* dialog) {
            frmDNCWizard* wizard = wiztest::AsWizard(dialog);
            const std::vector<QStringList> after{
                {"201", "3", "", "2"}, {"973", "1", "", "1"}, {"Total", "4", "0", "3"}};
            EXPECT_EQ(wiztest::Rows(*wizard), after);
            wizard->cmdCancal->click();
            return 0;
        },
        QStringLiteral("frmDNCWizard"));
    import->trigger();

    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), QStringLiteral("Total Records:3"));
    EXPECT_TRUE(mwtest::ctl(form).TBLaunch->isEnabled());
    EXPECT_FALSE(mwtest::ctl(form).txtLastUpdate->text().isEmpty());
    {
        wiztest::Db db(databasePath());
        EXPECT_EQ(db.scalar(QStringLiteral("select group_concat(phone) from (select phone from phone201 "
                                           "order by phone)")),
                  QStringLiteral("5550001,5551234"));
        EXPECT_EQ(db.scalar(QStringLiteral("select group_concat(phone) from phone973")),
                  QStringLiteral("5551234"));
        EXPECT_EQ(db.scalar(QStringLiteral("select PropertyValue from DefProperty where PropertyKeys = "
                                           "'lasttotal'")),
                  QStringLiteral("3"));
    }

    // The file and its layout are kept with the settings when the program ends.
    form->close();
    wiztest::Db db(databasePath());
    EXPECT_EQ(db.scalar(QStringLiteral("select PropertyValue from DefProperty where PropertyKeys = "
                                       "'dnctextfilename'")),
              list);
}

INSTANTIATE_TEST_SUITE_P(Names, UserRoadNamed, ::testing::Values("dnc-2024.txt", " dnc-2024.txt"),
                         [](const auto& info) { return "Name" + std::to_string(info.index); });
