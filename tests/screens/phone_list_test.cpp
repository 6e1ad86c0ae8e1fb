// The phone list of one area code with its edit and find dialogs, as a user
// sees them: pages and labels, toolbar states, numbers added, refused,
// deleted and saved, the find condition, and what closing stores.

#include "ScreensFixture.h"
#include "support/SqliteFile.h"
#include "support/UserDrive.h"

#include "core/Settings.h"
#include "screens/DataViewGrid.h"
#include "screens/frmPhone.h"
#include "screens/frmPhoneFind.h"
#include "screens/frmPhoneList.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

class PhoneList : public ScreensDbTest {
protected:
    void SetUp() override
    {
        ScreensDbTest::SetUp();
        testsupport::Db db(dbPath);
        db.exec("create table phone201 (phone integer not null primary key)");
    }

    void numbers(int count, int first = 5550000)
    {
        testsupport::Db db(dbPath);
        db.exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
                               "insert into phone201 select %2 + i from n")
                    .arg(count - 1)
                    .arg(first));
    }

    QString stored(const QString& sql =
                       "select group_concat(phone, ',') from (select phone from phone201 order by phone)")
    {
        testsupport::Db db(dbPath);
        return db.scalar(sql);
    }

    std::unique_ptr<frmPhoneList> open()
    {
        auto list = std::make_unique<frmPhoneList>();
        list->SetPhoneTableName("phone201");
        list->show();
        return list;
    }

    static QStringList enabled(const frmPhoneList& list)
    {
        QStringList on;
        for (const char* key :
             {"New", "Delete", "Save", "Cancel", "Find", "Refresh", "Tools", "Column", "Help", "Close"})
            if (list.Button(key)->isEnabled()) on << key;
        return on;
    }

    // New, typing the number over the preset area code, and the given button.
    void addNumber(frmPhoneList& list, const QString& typed, const char* button = "cmdSave")
    {
        scripted.expectModal(
            [typed, button](QDialog* d) {
                auto* phone = qobject_cast<frmPhone*>(d);
                if (!phone) return 0;
                userdrive::Activate(phone);
                userdrive::Type(typed);
                phone->findChild<QPushButton*>(button)->click();
                if (phone->isVisible()) phone->cmdCancel->click();
                return 0;
            },
            "frmPhone");
        list.Button("New")->trigger();
    }
};

TEST_F(PhoneList, ShowsTheTableInPagesOfTheSettingsSize)
{
    numbers(700);
    SetSetting("m_pagesize", "500");
    auto list = open();
    EXPECT_EQ(list->windowTitle(), "Phone List for Area Code:201");
    EXPECT_EQ(list->DataViewGrid1->Rows(), 501);
    EXPECT_EQ(list->DataViewGrid1->TextMatrix(0, 1), "Phone Number");
    EXPECT_EQ(list->PageCaption->text(), "1");
    EXPECT_EQ(list->lblTotalPage->text(), " of 2");
    EXPECT_EQ(list->lblRecords->text(), "Records:1 - 500 of 700");
    list->cmdNext->click();
    EXPECT_EQ(list->DataViewGrid1->Rows(), 201);
    EXPECT_EQ(list->lblRecords->text(), "Records:501 - 700 of 700");
    EXPECT_EQ(list->DataViewGrid1->TextMatrix(1, 1), "5550500");
    list->cmdNext->click();
    EXPECT_EQ(list->PageCaption->text(), "2");
    list->PageCaption->setText("0");
    QTest::keyClick(list->PageCaption, Qt::Key_Return);
    EXPECT_EQ(list->PageCaption->text(), "1");
    EXPECT_EQ(list->lblRecords->text(), "Records:1 - 500 of 700");
    for (const char* name : {"tlBar", "DataViewGrid1", "NavigateBar", "PageCaption", "lblTotalPage",
                             "lblRecords", "cmdFirst", "cmdPrev", "cmdNext", "cmdLast"})
        EXPECT_NE(list->findChild<QWidget*>(name), nullptr) << name;
    for (const char* key : {"Import", "Export", "Setup"})
        EXPECT_TRUE(list->Button(key) && list->Button(key)->isEnabled()) << key;
}

TEST_F(PhoneList, EmptyTableShowsOnlyTheHeader)
{
    auto list = open();
    EXPECT_EQ(list->DataViewGrid1->Rows(), 1);
    EXPECT_EQ(list->lblRecords->text(), "Records:1 - 0 of 0");
    list->Button("Delete")->trigger();
    EXPECT_EQ(enabled(*list),
              (QStringList{"New", "Delete", "Find", "Refresh", "Tools", "Column", "Help", "Close"}));
}

TEST_F(PhoneList, ToolbarFollowsPendingDeletions)
{
    numbers(3);
    auto list = open();
    const QStringList idle{"New", "Delete", "Find", "Refresh", "Tools", "Column", "Help", "Close"};
    EXPECT_EQ(enabled(*list), idle);
    list->DataViewGrid1->SetRow(2);
    list->Button("Delete")->trigger();
    EXPECT_EQ(enabled(*list),
              (QStringList{"Delete", "Save", "Cancel", "Find", "Tools", "Column", "Help", "Close"}));
    list->Button("Cancel")->trigger();
    EXPECT_EQ(enabled(*list), idle);
    EXPECT_FALSE(list->DataViewGrid1->IsRowDeleted(2));
    list->DataViewGrid1->SetRow(2);
    list->Button("Delete")->trigger();
    list->Button("Save")->trigger();
    EXPECT_EQ(enabled(*list), idle);
    EXPECT_EQ(stored(), "5550000,5550002");
    EXPECT_EQ(list->DataViewGrid1->Rows(), 3);
}

TEST_F(PhoneList, NewNumberIsSavedAndAppendedOnce)
{
    numbers(2);
    auto list = open();
    QString preset;
    scripted.expectModal(
        [&](QDialog* d) {
            auto* phone = qobject_cast<frmPhone*>(d);
            if (!phone) return 0;
            userdrive::Activate(phone);
            preset = phone->Phone->selectedText();
            userdrive::Type("5551234");
            userdrive::Enter();
            EXPECT_EQ(QApplication::focusWidget(), phone->cmdSave);
            EXPECT_TRUE(phone->isVisible());
            userdrive::Enter(); // on Save
            EXPECT_FALSE(phone->isVisible());
            return 0;
        },
        "frmPhone");
    list->Button("New")->trigger();
    EXPECT_EQ(preset, "201");
    EXPECT_EQ(stored(), "5550000,5550001,5551234");
    EXPECT_EQ(list->DataViewGrid1->Rows(), 4);
    EXPECT_EQ(list->DataViewGrid1->TextMatrix(3, 1), "5551234");
}

struct RefusedNumberCase {
    const char* name;
    QString typed;
    QString message;
};

inline void PrintTo(const RefusedNumberCase& c, std::ostream* os)
{
    *os << c.name;
}

class PhoneRefused : public PhoneList, public ::testing::WithParamInterface<RefusedNumberCase> {};

TEST_P(PhoneRefused, WithItsMessageAndNothingStored)
{
    numbers(1, 5551234);
    auto list = open();
    scripted.expectModal(
        [&](QDialog* d) {
            auto* phone = qobject_cast<frmPhone*>(d);
            if (!phone) return 0;
            phone->Phone->setText(GetParam().typed);
            scripted.expectMsgBox(ui::vbOK, GetParam().message, ui::vbExclamation);
            phone->cmdSave->click();
            EXPECT_TRUE(phone->isVisible());
            scripted.expectMsgBox(ui::vbNo, "Record has been changed. Do you want To save it?");
            phone->cmdCancel->click();
            return 0;
        },
        "frmPhone");
    list->Button("New")->trigger();
    EXPECT_EQ(stored(), "5551234");
    EXPECT_EQ(list->DataViewGrid1->Rows(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    PhoneList, PhoneRefused,
    ::testing::Values(RefusedNumberCase{"Duplicate", "5551234", "Phone Number is duplicated!"},
                      RefusedNumberCase{"SixDigits", "555123", "Phone Number must be 7 digits!"},
                      RefusedNumberCase{"DecimalPoint", "55.5123", "Phone Number must be 7 digits!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedUiTest, PhoneBoxNeverKeepsALetterAndTakesSevenCharacters)
{
    auto record = std::make_shared<CPhone>();
    record->SetTableName("phone201");
    record->SetIsNew(true);
    record->SetPhone(201);
    frmPhone dialog;
    dialog.Component(record);
    dialog.show();
    EXPECT_EQ(dialog.Phone->text(), "201");
    EXPECT_FALSE(dialog.cmdSave->isEnabled());
    EXPECT_FALSE(dialog.cmdDuplicate->isEnabled());
    dialog.Phone->setCursorPosition(3);
    QTest::keyClicks(dialog.Phone, "5x");
    EXPECT_EQ(dialog.Phone->text(), "2015");
    EXPECT_EQ(record->Phone(), 2015);
    // An eighth character typed is not taken, each time.
    QTest::keyClicks(dialog.Phone, "55123");
    EXPECT_EQ(dialog.Phone->text(), "2015551");
    EXPECT_TRUE(dialog.cmdSave->isEnabled());
    // A whole number pasted: seven digits set out with a dash, or ten of the
    // list's area code, are its local seven; other longer input is refused
    // and the box keeps what it had.
    for (const auto& [pasted, refused] :
         {std::pair{"555-9876", false}, std::pair{"2015559876", false}, std::pair{"(201) 555-9876", false},
          std::pair{"2125559876", true}, std::pair{"20155598761", true}}) {
        QApplication::clipboard()->setText(pasted);
        if (refused) scripted.expectMsgBox(ui::vbOK, "Phone Number must be 7 digits!", ui::vbExclamation);
        dialog.Phone->selectAll();
        QTest::keyClick(dialog.Phone, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(dialog.Phone->text(), "5559876") << pasted;
    }
    for (const char* name : {"lblPhone", "Phone", "cmdSave", "cmdDuplicate", "cmdCancel"})
        EXPECT_NE(dialog.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(dialog.cmdDuplicate->text(), "Save && New");
    scripted.expectMsgBox(ui::vbNo, "Record has been changed. Do you want To save it?");
    dialog.cmdCancel->click();
    EXPECT_TRUE(record->Cancel());
}

TEST_F(PhoneList, SaveAndNewAddsOneRowPerNumber)
{
    auto list = open();
    scripted.expectModal(
        [&](QDialog* d) {
            auto* phone = qobject_cast<frmPhone*>(d);
            if (!phone) return 0;
            phone->Phone->setText("5551111");
            phone->cmdDuplicate->click();
            EXPECT_EQ(phone->Phone->text(), "201");
            EXPECT_TRUE(phone->cmdSave->isEnabled());
            phone->Phone->setText("5552222");
            phone->cmdSave->click();
            return 0;
        },
        "frmPhone");
    list->Button("New")->trigger();
    EXPECT_EQ(stored(), "5551111,5552222");
    EXPECT_EQ(list->DataViewGrid1->Rows(), 3);
}

struct PhonePickCase {
    const char* name;
    std::vector<std::pair<int, Qt::KeyboardModifiers>> clicks; // grid rows
    bool closeWithYes;                                         // else Save
    QString left;                                              // the numbers afterwards
};

inline void PrintTo(const PhonePickCase& c, std::ostream* os)
{
    *os << c.name;
}

class PhonePicks : public PhoneList, public ::testing::WithParamInterface<PhonePickCase> {};

TEST_P(PhonePicks, DeleteRemovesOnlyTheRowsShownDeleted)
{
    numbers(5, 5550001);
    auto list = open();
    userdrive::Activate(list.get());
    for (const auto& [row, keys] : GetParam().clicks)
        userdrive::ClickRow(list->DataViewGrid1->View(), row - 1, keys);
    list->Button("Delete")->trigger();
    if (GetParam().closeWithYes) {
        scripted.expectMsgBox(ui::vbYes, "Record has been changed. Do you want To save it?");
        list->close();
    } else {
        list->Button("Save")->trigger();
    }
    EXPECT_EQ(stored(), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(
    Phone, PhonePicks,
    ::testing::Values(
        PhonePickCase{"TwoCtrlClicksSaved",
                      {{2, Qt::ControlModifier}, {5, Qt::ControlModifier}},
                      false,
                      "5550001,5550003,5550004"},
        PhonePickCase{"ARowCtrlClickedAgainIsDroppedAndSaved",
                      {{2, Qt::ControlModifier}, {5, Qt::ControlModifier}, {2, Qt::ControlModifier}},
                      false,
                      "5550001,5550002,5550003,5550004"},
        PhonePickCase{"ARowCtrlClickedAgainIsDroppedAndClosedWithYes",
                      {{2, Qt::ControlModifier}, {5, Qt::ControlModifier}, {2, Qt::ControlModifier}},
                      true,
                      "5550001,5550002,5550003,5550004"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PhoneList, ClosingWithYesAfterAnAddStoresItOnce)
{
    numbers(2);
    auto list = open();
    addNumber(*list, "5551234");
    list->DataViewGrid1->SetRow(1);
    list->Button("Delete")->trigger();
    scripted.expectMsgBox(ui::vbYes, "Record has been changed. Do you want To save it?",
                          ui::vbYesNoCancel | ui::vbQuestion);
    list->Button("Close")->trigger();
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(stored(), "5550001,5551234");
}

TEST_F(PhoneList, ClosingWithYesAfterDeletingANewNumberRemovesIt)
{
    numbers(1);
    auto list = open();
    addNumber(*list, "5551234");
    ASSERT_EQ(stored(), "5550000,5551234");
    list->DataViewGrid1->SetRow(2);
    list->Button("Delete")->trigger();
    scripted.expectMsgBox(ui::vbYes, "Record has been changed. Do you want To save it?");
    list->close();
    EXPECT_EQ(stored(), "5550000");
}

TEST_F(PhoneList, ClosingWithCancelKeepsTheMarks)
{
    numbers(2);
    auto list = open();
    list->DataViewGrid1->SetRow(1);
    list->Button("Delete")->trigger();
    scripted.expectMsgBox(ui::vbCancel, "Record has been changed. Do you want To save it?");
    list->close();
    EXPECT_TRUE(list->isVisible());
    EXPECT_TRUE(list->DataViewGrid1->IsRowDeleted(1));
    scripted.expectMsgBox(ui::vbNo, "Record has been changed. Do you want To save it?");
    list->close();
    EXPECT_EQ(stored(), "5550000,5550001");
}

TEST_F(PhoneList, ClosingStoresTheColumnSettings)
{
    auto list = open();
    list->close();
    EXPECT_EQ(
        stored("select ColName || '|' || ColCaption || '|' || ColWidth || '|' || ListName from GridProperty"),
        "Phone|Phone Number|2000|PhoneList");
}

TEST_F(PhoneList, FindNarrowsTheListAndRefreshShowsAllAgain)
{
    numbers(3, 5551000);
    numbers(2, 4440000);
    auto list = open();
    scripted.expectModal(
        [](QDialog* d) {
            auto* find = qobject_cast<frmPhoneFind*>(d);
            if (!find) return 0;
            EXPECT_EQ(find->cboCondition(0)->currentText(), "Like");
            userdrive::Activate(find);
            userdrive::ClickInto(find->txtFields(0));
            userdrive::Type("555");
            userdrive::Enter();
            EXPECT_TRUE(find->isVisible());
            for (int tabs = 0; tabs < 10 && QApplication::focusWidget() != find->OKButton; ++tabs)
                userdrive::Tab();
            userdrive::Enter(); // on OK
            EXPECT_FALSE(find->isVisible());
            return 0;
        },
        "frmPhoneFind");
    list->Button("Find")->trigger();
    EXPECT_EQ(list->lblRecords->text(), "Records:1 - 3 of 3");
    list->Button("Refresh")->trigger();
    EXPECT_EQ(list->lblRecords->text(), "Records:1 - 5 of 5");
}

TEST_F(PhoneList, HelpOpensThePhonePage)
{
    auto list = open();
    scripted.expectHelp("help/helpPhone.htm");
    list->Button("Help")->trigger();
    // The page names the Tools items by their captions and says they do nothing.
    const QString page = QString::fromUtf8(testsupport::ReadFile(
        QStringLiteral(TERVALA_SOURCE_DIR "/resources/pages/TervalaManual/help/helpPhone.htm")));
    for (const QAction* item : list->Button("Tools")->menu()->actions())
        EXPECT_TRUE(page.contains("<b>" + item->text() + "</b>")) << item->text().toStdString();
    EXPECT_TRUE(page.contains("choosing one does nothing"));
}

struct FindCase {
    const char* name;
    QString op;
    QString text;
    QString sql;
    QString boxAfter;
};

inline void PrintTo(const FindCase& c, std::ostream* os)
{
    *os << c.name;
}

class PhoneFindCondition : public ScriptedUiTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(PhoneFindCondition, IsBuiltFromTheOperatorAndText)
{
    frmPhoneFind find;
    find.show();
    EXPECT_FALSE(find.cboCondition(0)->isEditable());
    EXPECT_EQ(find.cboCondition(0)->count(), 7);
    find.cboCondition(0)->setCurrentText(GetParam().op);
    find.txtFields(0)->setText(GetParam().text);
    EXPECT_EQ(find.GetSQL(), GetParam().sql);
    EXPECT_EQ(find.txtFields(0)->text(), GetParam().boxAfter);
}

INSTANTIATE_TEST_SUITE_P(
    PhoneFind, PhoneFindCondition,
    ::testing::Values(FindCase{"LikeBeginning", "Like", "555", "Phone Like '555%'", "555%"},
                      FindCase{"LikeSixCharacters", "Like", "555123", "Phone Like '555123%'", "555123%"},
                      FindCase{"LikeWholeNumber", "Like", "5551234", "Phone Like '%5551234'", "%5551234"},
                      FindCase{"LikeWithPercentAsTyped", "Like", "5%4", "Phone Like '5%4'", "5%4"},
                      FindCase{"EqualsUnchanged", "=", "5551234", "Phone = '5551234'", "5551234"},
                      FindCase{"QuoteDoubled", "=", "55'1", "Phone = '55''1'", "55'1"},
                      FindCase{"EmptyTextNoCondition", "<>", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });
