// A user's road from the main window to the DNC store by hand: the
// DNC-database frame's "View" opens the area-code screen, a code is added,
// its phone list opened, one number added and saved, the lists closed, the
// total refreshed; the main window then shows one record in the store.

#include "mainwindow/MainWindowFixture.h"

#include "dialogs/frmSelectArea.h"
#include "screens/DataViewGrid.h"
#include "screens/frmPhone.h"
#include "screens/frmPhoneList.h"

#include <QListWidget>
#include <QTest>

class AreaCodeRoad : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        const QString built = QStringLiteral(TERVALA_BINARY_DIR "/bin/Database/Tervala.mdb");
        ASSERT_TRUE(QFile::exists(built)) << "the build makes " << built.toStdString();
        QFile::remove(databasePath());
        ASSERT_TRUE(QFile::copy(built, databasePath()));
        QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::WriteOwner);
    }
};

TEST_F(AreaCodeRoad, AddACodeAndANumberByHandThenRefreshTheTotal)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    waitForPage(form);

    QStringList seen;
    scripted.expectModal(
        [&](QDialog* d) {
            auto* screen = qobject_cast<frmSelectArea*>(d);
            if (!screen) return 0;
            screen->txtCode->setText("201");
            screen->cmdGo->click();
            screen->lstArea->setCurrentRow(0);
            screen->cmdOK->click(); // the phone list, below
            screen->cmdRefresh->click();
            seen << screen->Label3->text();
            screen->cmdCancel->click();
            return 0;
        },
        "frmSelectArea");
    scripted.expectModal(
        [&](QDialog* d) {
            auto* list = qobject_cast<frmPhoneList*>(d);
            if (!list) return 0;
            seen << list->windowTitle();
            list->Button("New")->trigger(); // the phone dialog, below
            seen << list->DataViewGrid1->TextMatrix(1, 1);
            list->Button("Close")->trigger();
            return 0;
        },
        "frmPhoneList");
    scripted.expectModal(
        [&](QDialog* d) {
            auto* phone = qobject_cast<frmPhone*>(d);
            if (!phone) return 0;
            QTest::keyClicks(phone->Phone, "5551234");
            phone->cmdSave->click();
            return 0;
        },
        "frmPhone");
    mwtest::ctl(form).cmdViewDNC->click();

    EXPECT_EQ(seen, (QStringList{"Phone List for Area Code:201", "5551234", "1"}));
    EXPECT_EQ(mwtest::ctl(form).lblTotalRec->text(), "Total Records:1");
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.scalar("select group_concat(phone) from phone201"), "5551234");
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where PropertyKeys = 'lasttotal'"), "1");
}
