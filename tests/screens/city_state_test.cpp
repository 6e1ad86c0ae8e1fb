// The area code/city/state list with its edit and find dialogs, as a user
// sees them: rows edited, added and refused, rows without an area code or
// state, the find condition, and what closing stores.

#include "ScreensFixture.h"
#include "support/UserDrive.h"

#include "screens/DataViewGrid.h"
#include "screens/frmCityState.h"
#include "screens/frmCityStateFind.h"
#include "screens/frmCityStateList.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

class CityStates : public ScreensDbTest {
protected:
    void SetUp() override
    {
        ScreensDbTest::SetUp();
        sql("insert into CityState (CityStateID, AreaCode, City, State, Note) values "
            "(1, '201', 'Newark', 'NJ', 'first'), (2, '212', 'New York', 'NY', ''), (3, '973', 'Paterson', "
            "'nj', '')");
    }

    void sql(const QString& text)
    {
        testsupport::Db db(dbPath);
        db.exec(text);
    }
    QString scalar(const QString& text)
    {
        testsupport::Db db(dbPath);
        return db.scalar(text);
    }
    QString rows()
    {
        return scalar(
            "select group_concat(r, ';') from (select CityStateID || '|' || ifnull(AreaCode, '') || '|' || "
            "ifnull(City, '') || '|' || ifnull(State, '') as r from CityState order by CityStateID)");
    }

    std::unique_ptr<frmCityStateList> open()
    {
        auto list = std::make_unique<frmCityStateList>();
        list->show();
        return list;
    }

    static QStringList column(const DataViewGrid& grid, int col)
    {
        QStringList out;
        for (int r = 1; r < grid.Rows(); ++r)
            out << grid.TextMatrix(r, col);
        return out;
    }

    // The edit dialog, driven by the test while it is shown.
    void expectDialog(std::function<void(frmCityState&)> drive)
    {
        scripted.expectModal(
            [drive](QDialog* d) {
                auto* dialog = qobject_cast<frmCityState*>(d);
                if (dialog) drive(*dialog);
                return 0;
            },
            "frmCityState");
    }
};

TEST_F(CityStates, ListShowsEveryRowUnderItsDefaultColumns)
{
    auto list = open();
    EXPECT_EQ(list->windowTitle(), "CityState List");
    DataViewGrid& grid = *list->DataViewGrid1;
    EXPECT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.ColWidth(1), 0); // CityStateID hidden
    EXPECT_EQ(grid.TextMatrix(0, 2), "AreaCode");
    EXPECT_EQ(grid.ColWidth(3), 2000);
    EXPECT_EQ(column(grid, 3), (QStringList{"Newark", "New York", "Paterson"}));
    EXPECT_EQ(list->Button("Form")->text(), "Edit");
    EXPECT_EQ(list->Button("Form")->toolTip(), "Show In a Form View");
    list->close();
    EXPECT_EQ(scalar("select count(*) from GridProperty where ListName = 'CityStateList'"), "5");
}

TEST_F(CityStates, EditedRowIsSavedAndRefreshedInPlace)
{
    auto list = open();
    list->DataViewGrid1->SetRow(2);
    expectDialog([](frmCityState& d) {
        EXPECT_EQ(d.AreaCode->currentText(), "212");
        EXPECT_EQ(d.City->text(), "New York");
        EXPECT_FALSE(d.cmdSave->isEnabled());
        d.City->setText("Manhattan");
        d.cmdSave->click();
    });
    list->Button("Form")->trigger();
    EXPECT_EQ(list->DataViewGrid1->TextMatrix(2, 3), "Manhattan");
    EXPECT_EQ(list->DataViewGrid1->Rows(), 4);
    EXPECT_EQ(rows(), "1|201|Newark|NJ;2|212|Manhattan|NY;3|973|Paterson|nj");
}

TEST_F(CityStates, NewRowIsAppendedOnceAndNotStoredAgainOnClose)
{
    auto list = open();
    expectDialog([](frmCityState& d) {
        QTest::keyClicks(d.AreaCode->lineEdit(), "2a0-1");
        EXPECT_EQ(d.AreaCode->currentText(), "20-1");
        d.AreaCode->setEditText("202");
        d.City->setText("Washington");
        d.State->setEditText("DC");
        d.cmdSave->click();
    });
    list->Button("New")->trigger();
    EXPECT_EQ(list->DataViewGrid1->Rows(), 5);
    EXPECT_EQ(list->DataViewGrid1->TextMatrix(4, 3), "Washington");
    list->DataViewGrid1->SetRow(1);
    list->Button("Delete")->trigger();
    scripted.expectMsgBox(ui::vbYes, "Record has been changed. Do you want To save it?");
    list->close();
    EXPECT_EQ(rows(), "2|212|New York|NY;3|973|Paterson|nj;4|202|Washington|DC");
}

TEST_F(CityStates, DuplicateAreaCodeAndCityIsRefusedButTheSameRowUnchangedSaves)
{
    auto list = open();
    list->DataViewGrid1->SetRow(2);
    expectDialog([this](frmCityState& d) {
        d.AreaCode->setEditText("201");
        d.City->setText("newark");
        scripted.expectMsgBox(ui::vbOK, "Duplicate Record!", ui::vbExclamation);
        d.cmdSave->click();
        EXPECT_TRUE(d.isVisible());
        d.cmdReset->click();
        EXPECT_EQ(d.City->text(), "New York");
        EXPECT_FALSE(d.cmdSave->isEnabled());
        d.Note->setPlainText("kept");
        d.cmdSave->click();
        EXPECT_FALSE(d.isVisible());
    });
    list->Button("Form")->trigger();
    EXPECT_EQ(scalar("select Note from CityState where CityStateID = 2"), "kept");
    EXPECT_EQ(scalar("select count(*) from CityState"), "3");
}

TEST_F(CityStates, SaveAndNewAddsTheNextRow)
{
    auto list = open();
    expectDialog([](frmCityState& d) {
        d.AreaCode->setEditText("301");
        d.City->setText("Bethesda");
        d.cmdDuplicate->click();
        EXPECT_TRUE(d.cmdSave->isEnabled());
        d.City->setText("Rockville");
        d.cmdSave->click();
    });
    list->Button("New")->trigger();
    EXPECT_EQ(list->DataViewGrid1->Rows(), 6);
    EXPECT_EQ(scalar("select group_concat(City) from CityState where AreaCode = '301'"),
              "Bethesda,Rockville");
}

TEST_F(CityStates, ClosingTheDialogAfterAChangeAsksAndNoWritesNothing)
{
    auto list = open();
    list->DataViewGrid1->SetRow(1);
    expectDialog([this](frmCityState& d) {
        d.City->setText("Elsewhere");
        scripted.expectMsgBox(ui::vbNo, "Record has been changed. Do you want To save it?",
                              ui::vbYesNoCancel | ui::vbQuestion);
        d.cmdCancel->click();
    });
    list->Button("Form")->trigger();
    EXPECT_EQ(list->DataViewGrid1->TextMatrix(1, 3), "Newark");
    EXPECT_EQ(scalar("select City from CityState where CityStateID = 1"), "Newark");
}

// ---------------------------------------------------------------- typed and picked as a user does

namespace ud = userdrive;

struct PickCase {
    const char* name;
    std::vector<std::pair<int, Qt::KeyboardModifiers>> clicks; // grid rows
    QString left;                                              // the rows after Delete and Save
};

inline void PrintTo(const PickCase& c, std::ostream* os)
{
    *os << c.name;
}

class CityStatePicks : public CityStates, public ::testing::WithParamInterface<PickCase> {};

TEST_P(CityStatePicks, DeleteAndSaveRemoveOnlyThePickedRows)
{
    sql("insert into CityState (CityStateID, AreaCode, City, State) values (4, '301', 'Bethesda', 'MD'), "
        "(5, '302', 'Dover', 'DE'), (6, '303', 'Denver', 'CO')");
    auto list = open();
    ud::Activate(list.get());
    for (const auto& [row, keys] : GetParam().clicks)
        ud::ClickRow(list->DataViewGrid1->View(), row - 1, keys);
    list->Button("Delete")->trigger();
    list->Button("Save")->trigger();
    EXPECT_EQ(scalar("select group_concat(CityStateID) from (select CityStateID from CityState order by 1)"),
              GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(
    CityState, CityStatePicks,
    ::testing::Values(
        PickCase{"ClickThenCtrlClick", {{2, Qt::NoModifier}, {5, Qt::ControlModifier}}, "1,2,3,4,6"},
        PickCase{"TwoCtrlClicks", {{2, Qt::ControlModifier}, {5, Qt::ControlModifier}}, "1,3,4,6"},
        PickCase{"ClickThenShiftClick", {{2, Qt::NoModifier}, {4, Qt::ShiftModifier}}, "1,5,6"},
        PickCase{"ARowCtrlClickedAgainIsDropped",
                 {{2, Qt::ControlModifier}, {5, Qt::ControlModifier}, {2, Qt::ControlModifier}},
                 "1,2,3,4,6"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TypedCase {
    const char* name;
    QString areaCode; // typed into the boxes of a new row
    QString state;
    QString stored; // AreaCode|State as saved
};

inline void PrintTo(const TypedCase& c, std::ostream* os)
{
    *os << c.name;
}

class CityStateTyped : public CityStates, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(CityStateTyped, IsSavedAsTheBoxesShowIt)
{
    const TypedCase& c = GetParam();
    auto list = open();
    expectDialog([&c](frmCityState& d) {
        ud::Activate(&d);
        ud::ClickInto(d.AreaCode);
        ud::Type(c.areaCode);
        ud::Enter();
        EXPECT_EQ(QApplication::focusWidget(), d.City);
        ud::Type("Springfield");
        ud::Enter();
        EXPECT_EQ(QApplication::focusWidget(), d.State);
        ud::Type(c.state);
        ud::Tab();
        EXPECT_EQ(QApplication::focusWidget(), d.Note);
        EXPECT_EQ(d.AreaCode->currentText() + "|" + d.State->currentText(), c.stored);
        d.cmdSave->click();
    });
    list->Button("New")->trigger();
    EXPECT_EQ(scalar("select AreaCode || '|' || State from CityState where City = 'Springfield'"), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    CityState, CityStateTyped,
    ::testing::Values(TypedCase{"LettersBlanksAndQuotesNeverReachTheAreaCode", "2a b.-'9", "IL", "2.-9|IL"},
                      TypedCase{"DigitsDotsAndDashesAreKept", "20.5-1", "IL", "20.5-1|IL"},
                      TypedCase{"TheStartOfAListedCodeStaysAsTyped", "20", "N", "20|N"},
                      TypedCase{"AStateKeepsTheCaseItWasTypedIn", "301", "ny", "301|ny"}),
    [](const auto& info) { return std::string(info.param.name); });

struct EnterCase {
    const char* name;
    const char* from;
    const char* to;
};

inline void PrintTo(const EnterCase& c, std::ostream* os)
{
    *os << c.name;
}

class CityStateEnter : public CityStates, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(CityStateEnter, MovesToTheNextControl)
{
    auto list = open();
    list->DataViewGrid1->SetRow(1);
    expectDialog([](frmCityState& d) {
        ud::Activate(&d);
        ud::ClickInto(d.findChild<QWidget*>(GetParam().from));
        ud::Enter();
        EXPECT_EQ(QApplication::focusWidget(), d.findChild<QWidget*>(GetParam().to));
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.Note->toPlainText(), "first");
        EXPECT_FALSE(d.cmdSave->isEnabled());
        d.cmdCancel->click();
    });
    list->Button("Form")->trigger();
}

INSTANTIATE_TEST_SUITE_P(CityState, CityStateEnter,
                         ::testing::Values(EnterCase{"FromAreaCode", "AreaCode", "City"},
                                           EnterCase{"FromCity", "City", "State"},
                                           EnterCase{"FromState", "State", "Note"},
                                           EnterCase{"FromNote", "Note", "cmdDuplicate"}),
                         [](const auto& info) { return std::string(info.param.name); });

class CityStateUnchanged : public CityStates, public ::testing::WithParamInterface<int> {};

TEST_P(CityStateUnchanged, RowWalkedThroughAndClosedAsksNothing)
{
    auto list = open();
    list->DataViewGrid1->SetRow(GetParam());
    const QString before = rows();
    expectDialog([](frmCityState& d) {
        ud::Activate(&d);
        ud::ClickInto(d.AreaCode);
        for (int i = 0; i < 4; ++i)
            ud::Tab();
        ud::ClickInto(d.State);
        ud::ClickInto(d.AreaCode);
        EXPECT_FALSE(d.cmdSave->isEnabled());
        d.cmdCancel->click(); // no question scripted: none may come
        EXPECT_FALSE(d.isVisible());
    });
    list->Button("Form")->trigger();
    EXPECT_EQ(rows(), before);
}

// Newark/NJ is its lists' first entries; New York/NY the second; Paterson's
// "nj" is in the state list only as "NJ".
INSTANTIATE_TEST_SUITE_P(CityState, CityStateUnchanged, ::testing::Values(1, 2, 3));

struct PickWay {
    const char* name;
    std::function<void(frmCityState&)> pick; // NY for the state
};

inline void PrintTo(const PickWay& c, std::ostream* os)
{
    *os << c.name;
}

class CityStatePicked : public CityStates, public ::testing::WithParamInterface<PickWay> {};

TEST_P(CityStatePicked, StateIsAChange)
{
    auto list = open();
    list->DataViewGrid1->SetRow(1);
    expectDialog([](frmCityState& d) {
        ud::Activate(&d);
        GetParam().pick(d);
        EXPECT_EQ(d.State->currentText(), "NY");
        EXPECT_TRUE(d.cmdSave->isEnabled());
        d.cmdSave->click();
    });
    list->Button("Form")->trigger();
    EXPECT_EQ(scalar("select State from CityState where CityStateID = 1"), "NY");
}

INSTANTIATE_TEST_SUITE_P(CityState, CityStatePicked,
                         ::testing::Values(PickWay{"FromTheOpenList",
                                                   [](frmCityState& d) {
                                                       EXPECT_TRUE(ud::PickFromList(d.State, "NY"));
                                                   }},
                                           PickWay{"FromTheEntriesOfferedWhileTyping",
                                                   [](frmCityState& d) {
                                                       ud::ClickInto(d.State);
                                                       ud::Type("n");
                                                       EXPECT_TRUE(ud::PickFromOpenList("NY"));
                                                   }},
                                           PickWay{"WithTheDownArrow",
                                                   [](frmCityState& d) {
                                                       ud::ClickInto(d.State);
                                                       ud::Key(Qt::Key_Down);
                                                   }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CityStates, RowsWithoutAreaCodeOrStateFillTheListsWithoutThem)
{
    sql("insert into CityState (CityStateID, AreaCode, City, State) values (9, null, 'Nowhere', null)");
    auto list = open();
    EXPECT_EQ(list->DataViewGrid1->Rows(), 5);
    expectDialog([](frmCityState& d) {
        QStringList codes, states;
        for (int i = 0; i < d.AreaCode->count(); ++i)
            codes << d.AreaCode->itemText(i);
        for (int i = 0; i < d.State->count(); ++i)
            states << d.State->itemText(i);
        EXPECT_EQ(codes, (QStringList{"201", "212", "973"}));
        EXPECT_EQ(states, (QStringList{"NJ", "NY"})); // "nj" is the same state
        d.cmdCancel->click();
    });
    list->Button("New")->trigger();
}

TEST_F(CityStates, DialogWithAnUnreadableTableReportsOnceAndStaysEmpty)
{
    sql("drop table CityState");
    auto record = std::make_shared<CCityState>();
    frmCityState dialog;
    dialog.Component(record);
    scripted.expectMsgBox(ui::vbOK, "CityState", ui::vbCritical);
    dialog.show();
    EXPECT_EQ(dialog.AreaCode->count(), 0);
    EXPECT_EQ(dialog.State->count(), 0);
    for (const char* name : {"lblAreaCode", "AreaCode", "lblCity", "City", "lblState", "State", "lblNote",
                             "Note", "cmdDuplicate", "cmdSave", "cmdReset", "cmdCancel"})
        EXPECT_NE(dialog.findChild<QWidget*>(name), nullptr) << name;
    dialog.close();
}

TEST_F(CityStates, EditOnAnEmptyListOpensNothing)
{
    sql("delete from CityState");
    auto list = open();
    EXPECT_EQ(list->DataViewGrid1->Rows(), 1);
    list->Button("Form")->trigger();
    list->Button("Delete")->trigger();
    EXPECT_FALSE(list->Button("Save")->isEnabled());
}

TEST_F(CityStates, DeletedRowsBlockEditingUntilCancel)
{
    auto list = open();
    list->DataViewGrid1->SetRow(1);
    list->Button("Delete")->trigger();
    EXPECT_FALSE(list->Button("Form")->isEnabled());
    list->Button("Form")->trigger(); // nothing opens
    list->Button("Cancel")->trigger();
    EXPECT_TRUE(list->Button("Form")->isEnabled());
    EXPECT_EQ(scalar("select count(*) from CityState"), "3");
}

TEST_F(CityStates, FindNarrowsTheListWithoutRegardToCase)
{
    auto list = open();
    scripted.expectModal(
        [](QDialog* d) {
            auto* find = qobject_cast<frmCityStateFind*>(d);
            if (!find) return 0;
            find->cboCondition(2)->setCurrentText("=");
            find->txtFields(2)->setText("NJ");
            find->OKButton->click();
            return 0;
        },
        "frmCityStateFind");
    list->Button("Find")->trigger();
    EXPECT_EQ(column(*list->DataViewGrid1, 3), (QStringList{"Newark", "Paterson"}));
}

struct FindDriveCase {
    const char* name;
    int row;       // the condition row used
    QString pick;  // the operator picked from its list; empty: "Like" kept
    QString typed; // into the row's text box
    QString sql;
};

inline void PrintTo(const FindDriveCase& c, std::ostream* os)
{
    *os << c.name;
}

class CityStateFindDriven : public ScriptedUiTest, public ::testing::WithParamInterface<FindDriveCase> {};

TEST_P(CityStateFindDriven, PickingAnOperatorGoesToItsTextAndEnterMovesOn)
{
    const FindDriveCase& c = GetParam();
    frmCityStateFind find;
    ud::Activate(&find);
    if (c.pick.isEmpty()) {
        ud::ClickInto(find.txtFields(c.row));
    } else {
        EXPECT_TRUE(ud::PickFromList(find.cboCondition(c.row), c.pick));
        EXPECT_EQ(QApplication::focusWidget(), find.txtFields(c.row));
    }
    ud::Type(c.typed);
    ud::Enter();
    // On to the next row's operator, or to OK from the last row.
    QWidget* next = c.row < 2 ? static_cast<QWidget*>(find.cboCondition(c.row + 1)) : find.OKButton;
    EXPECT_EQ(QApplication::focusWidget(), next);
    EXPECT_TRUE(find.isVisible());
    ud::ClickInto(find.OKButton);
    EXPECT_TRUE(find.OK());
    EXPECT_EQ(find.GetSQL(), c.sql);
}

INSTANTIATE_TEST_SUITE_P(CityStateFind, CityStateFindDriven,
                         ::testing::Values(FindDriveCase{"AreaCodeEquals", 0, "=", "201", "AreaCode = '201'"},
                                           FindDriveCase{"CityOtherThan", 1, "<>", "O'Hare",
                                                         "City <> 'O''Hare'"},
                                           FindDriveCase{"StateLikeKept", 2, "", "N", "State Like 'N%'"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CityFindCase {
    const char* name;
    std::vector<std::pair<QString, QString>> rows; // operator and text per row
    QString sql;
};

inline void PrintTo(const CityFindCase& c, std::ostream* os)
{
    *os << c.name;
}

class CityStateFindCondition : public ScriptedUiTest, public ::testing::WithParamInterface<CityFindCase> {};

TEST_P(CityStateFindCondition, JoinsTheFilledRows)
{
    frmCityStateFind find;
    find.show();
    EXPECT_EQ(find.windowTitle(), "Search CityState");
    for (int i = 0; i < int(GetParam().rows.size()); ++i) {
        find.cboCondition(i)->setCurrentText(GetParam().rows[std::size_t(i)].first);
        find.txtFields(i)->setText(GetParam().rows[std::size_t(i)].second);
    }
    EXPECT_EQ(find.GetSQL(), GetParam().sql);
}

INSTANTIATE_TEST_SUITE_P(
    CityStateFind, CityStateFindCondition,
    ::testing::Values(
        CityFindCase{
            "LikeAndEquals", {{"Like", "20"}, {"=", "O'Hare"}}, "AreaCode Like '20%' And City = 'O''Hare'"},
        CityFindCase{"LikeKeepsAPercent", {{"Like", "2%5"}}, "AreaCode Like '2%5'"},
        CityFindCase{"EqualsAsTyped", {{"=", "20"}}, "AreaCode = '20'"},
        CityFindCase{"OnlyTheState", {{"Like", ""}, {"Like", ""}, {"<>", "NY"}}, "State <> 'NY'"},
        CityFindCase{"AllEmpty", {{"Like", ""}, {"=", ""}, {"Like", ""}}, ""}),
    [](const auto& info) { return std::string(info.param.name); });
