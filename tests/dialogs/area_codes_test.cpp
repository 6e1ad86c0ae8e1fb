// The area-code screen as a user sees it: the codes held, codes refused
// with their messages and no table touched, adding and dropping tables, the
// stored total refreshed, and the phone list of one code opened.

#include "screens/ScreensFixture.h"
#include "support/UserDrive.h"

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/Settings.h"
#include "dialogs/frmSelectArea.h"
#include "dncdb/ModuleDNC.h"
#include "screens/RegisterScreens.h"
#include "screens/frmPhoneList.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

class AreaCodes : public ScreensDbTest {
protected:
    void SetUp() override
    {
        ScreensDbTest::SetUp();
        RegisterScreens();
    }

    void tables(std::initializer_list<const char*> codes)
    {
        testsupport::Db db(dbPath);
        for (const char* code : codes)
            db.exec(QStringLiteral("create table phone%1 (phone integer not null primary key)").arg(code));
        LoadTables();
    }

    QString tableNames()
    {
        testsupport::Db db(dbPath);
        return db.scalar(
            "select group_concat(name, ',') from (select name from sqlite_master where type = 'table' "
            "and name like 'phone%' order by name)");
    }

    static QStringList listed(const frmSelectArea& screen)
    {
        QStringList out;
        for (int i = 0; i < screen.lstArea->count(); ++i)
            out << screen.lstArea->item(i)->text();
        return out;
    }

    static QString chosen(const frmSelectArea& screen)
    {
        const QListWidgetItem* item = screen.lstArea->currentItem();
        return item && item->isSelected() ? item->text() : QString();
    }

    std::unique_ptr<frmSelectArea> open()
    {
        auto screen = std::make_unique<frmSelectArea>();
        screen->show();
        return screen;
    }
};

TEST_F(AreaCodes, OpensWithTheCodesHeldAndTheStoredTotal)
{
    tables({"201", "973"});
    SetSetting("lasttotal", "1234567");
    auto screen = open();
    EXPECT_EQ(screen->windowTitle(), "Create, Delete Area Codes in DNC - Add/View Numbers");
    EXPECT_EQ(listed(*screen), (QStringList{"201", "973"}));
    EXPECT_EQ(chosen(*screen), "201");
    EXPECT_EQ(screen->Label3->text(), "1234567");
    for (const char* name :
         {"lstArea", "txtCode", "cmdGo", "cmdDelete", "cmdOK", "cmdRefresh", "Label3", "cmdCancel"})
        EXPECT_NE(screen->findChild<QWidget*>(name), nullptr) << name;
}

struct RefusedCase {
    const char* name;
    QString code;
    QString kept;
    QString message;
    int style;
};

inline void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.name;
}

class AreaCodeRefused : public AreaCodes, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(AreaCodeRefused, WithItsMessageAndNoTableTouched)
{
    tables({"201"});
    SetSetting("keptareacode", GetParam().kept);
    auto screen = open();
    screen->txtCode->setText(GetParam().code);
    scripted.expectMsgBox(ui::vbOK, GetParam().message, GetParam().style);
    screen->cmdGo->click();
    EXPECT_EQ(listed(*screen), QStringList{"201"});
    EXPECT_EQ(tableNames(), "phone201");
    EXPECT_EQ(gPhoneTables->Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    AreaCodes, AreaCodeRefused,
    ::testing::Values(RefusedCase{"TwoCharacters", "20", "", "Area Code must be 3 digits", ui::vbOKOnly},
                      RefusedCase{"FourCharacters", "2011", "", "Area Code must be 3 digits", ui::vbOKOnly},
                      RefusedCase{"Letter", "2a1", "", "Area Code must be numbers", ui::vbOKOnly},
                      RefusedCase{"DecimalPoint", "2.1", "", "Area Code must be numbers", ui::vbOKOnly},
                      RefusedCase{"MinusSign", "-21", "", "Area Code must be numbers", ui::vbOKOnly},
                      RefusedCase{"OtherScriptDigits", QString::fromUtf8("\u0662\u0660\u0661"), "",
                                  "Area Code must be numbers", ui::vbOKOnly},
                      RefusedCase{"AlreadyListed", "201", "", "Area Code aready is in the list",
                                  ui::vbOKOnly},
                      RefusedCase{"OutsideTheKeptCodes", "203", "201,202",
                                  "Area Code is not in the given list!", ui::vbExclamation},
                      RefusedCase{"KeptCodesWithBlanks", "202", "201, 202",
                                  "Area Code is not in the given list!", ui::vbExclamation}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AreaCodes, AddedCodeGetsItsTableWithinTheKeptCodes)
{
    tables({"201"});
    SetSetting("keptareacode", "201,202");
    SetSetting("lasttotal", "5");
    auto screen = open();
    screen->txtCode->setText("202");
    screen->cmdGo->click();
    EXPECT_EQ(listed(*screen), (QStringList{"201", "202"}));
    EXPECT_EQ(chosen(*screen), "201");
    EXPECT_EQ(tableNames(), "phone201,phone202");
    EXPECT_NE(gPhoneTables->Item("phone202"), nullptr);
    EXPECT_EQ(screen->Label3->text(), "5");
    EXPECT_EQ(screen->txtCode->text(), "202");
}

TEST_F(AreaCodes, CodeWhoseTableCannotBeMadeIsReportedAndNotListed)
{
    {
        testsupport::Db db(dbPath);
        db.exec("create view phone203 as select 1 as phone");
    }
    auto screen = open();
    screen->txtCode->setText("203");
    scripted.expectMsgBox(ui::vbOK, "LoadTables", ui::vbCritical);
    screen->cmdGo->click();
    EXPECT_EQ(listed(*screen), QStringList{});
    EXPECT_EQ(gPhoneTables->Item("phone203"), nullptr);
}

TEST_F(AreaCodes, CodeIsNotListedWhenTheDatabaseCannotBeOpened)
{
    auto screen = open();
    gDataAccess->SetDefaultConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                                            dir.filePath("missing/Tervala.mdb"));
    screen->txtCode->setText("204");
    scripted.expectMsgBox(ui::vbOK, "Function:cmdGo_Click", ui::vbCritical);
    screen->cmdGo->click();
    EXPECT_EQ(listed(*screen), QStringList{});
    EXPECT_EQ(tableNames(), "");
}

struct DropCase {
    const char* name;
    int row; // clicked
    int answer;
    QStringList left;
    QString chosen;
    bool blankClicked = false; // then a click on the list below its entries
};

inline void PrintTo(const DropCase& c, std::ostream* os)
{
    *os << c.name;
}

class AreaCodeDrop : public AreaCodes, public ::testing::WithParamInterface<DropCase> {};

TEST_P(AreaCodeDrop, ChoosesTheNextEntry)
{
    tables({"201", "202", "203"});
    auto screen = open();
    userdrive::ClickRow(screen->lstArea, GetParam().row, Qt::NoModifier, 0);
    if (GetParam().blankClicked) {
        QWidget* page = screen->lstArea->viewport();
        QTest::mouseClick(page, Qt::LeftButton, Qt::NoModifier,
                          QPoint(page->width() / 2, page->height() - 4));
    }
    const QString code = screen->lstArea->item(GetParam().row)->text();
    scripted.expectMsgBox(GetParam().answer,
                          "Are you sure to delete this area code:" + code + " from database?", ui::vbYesNo);
    screen->cmdDelete->click();
    EXPECT_EQ(listed(*screen), GetParam().left);
    EXPECT_EQ(chosen(*screen), GetParam().chosen);
    EXPECT_EQ(QStringList(tableNames().split(',')).replaceInStrings("phone", ""), GetParam().left);
    EXPECT_EQ(gPhoneTables->Count(), GetParam().left.size());
}

INSTANTIATE_TEST_SUITE_P(
    AreaCodes, AreaCodeDrop,
    ::testing::Values(DropCase{"Middle", 1, ui::vbYes, {"201", "203"}, "203"},
                      DropCase{"Last", 2, ui::vbYes, {"201", "202"}, "202"},
                      DropCase{"AnsweredNo", 1, ui::vbNo, {"201", "202", "203"}, "202"},
                      DropCase{"AfterABlankClick", 0, ui::vbYes, {"202", "203"}, "202", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AreaCodes, DroppingTheOnlyCodeLeavesNothingChosen)
{
    tables({"201"});
    auto screen = open();
    scripted.expectMsgBox(ui::vbYes, "201 from database?", ui::vbYesNo);
    screen->cmdDelete->click();
    EXPECT_EQ(listed(*screen), QStringList{});
    EXPECT_EQ(tableNames(), "");
    screen->cmdDelete->click(); // nothing chosen: no question
    screen->cmdOK->click();     // nothing to view
}

TEST_F(AreaCodes, FailedDropKeepsTheCode)
{
    tables({"201"});
    gPhoneTables->Add("phone209", "phone209"); // listed, but no such table
    auto screen = open();
    screen->lstArea->setCurrentRow(1);
    scripted.expectMsgBox(ui::vbYes, "209 from database?", ui::vbYesNo);
    scripted.expectMsgBox(ui::vbOK, "ExecQuery", ui::vbCritical);
    screen->cmdDelete->click();
    EXPECT_EQ(listed(*screen), (QStringList{"201", "209"}));
    EXPECT_NE(gPhoneTables->Item("phone209"), nullptr);
}

TEST_F(AreaCodes, RefreshCountsAndStoresTheTotal)
{
    tables({"201", "202"});
    {
        testsupport::Db db(dbPath);
        db.exec("insert into phone201 values (5551234), (5551235); insert into phone202 values (5550000)");
    }
    SetSetting("lasttotal", "7");
    auto screen = open();
    screen->cmdRefresh->click();
    EXPECT_EQ(screen->Label3->text(), "3");
    testsupport::Db db(dbPath);
    EXPECT_EQ(db.scalar("select PropertyValue from DefProperty where PropertyKeys = 'lasttotal'"), "3");
}

TEST_F(AreaCodes, RefreshKeepsTheTotalWhenTheCountFails)
{
    tables({"201"});
    testsupport::BreakTable(dbPath, "phone209");
    SetSetting("lasttotal", "7");
    auto screen = open();
    scripted.expectMsgBox(ui::vbOK, "", ui::vbCritical);
    screen->cmdRefresh->click();
    EXPECT_EQ(screen->Label3->text(), "7");
    EXPECT_EQ(SettingText("lasttotal"), "7");
}

TEST_F(AreaCodes, ViewOpensThePhoneListOfTheChosenCode)
{
    tables({"201", "202"});
    auto screen = open();
    QString caption;
    QWidget* owner = nullptr;
    scripted.expectModal(
        [&](QDialog* d) {
            caption = d->windowTitle();
            owner = d->parentWidget();
            auto* list = qobject_cast<frmPhoneList*>(d);
            if (list) {
                EXPECT_EQ(list->PhoneTableName(), "phone201");
            }
            d->close();
            return 0;
        },
        "frmPhoneList");
    screen->cmdOK->click();
    EXPECT_EQ(caption, "Phone List for Area Code:201");
    EXPECT_EQ(owner, screen.get());
}
