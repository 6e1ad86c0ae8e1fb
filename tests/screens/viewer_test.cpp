// The paged viewer as a user sees it: the caption, pages of the setting's
// size, the page and record labels, the navigation buttons and "Go", cell
// values shown whole, and failures reported while the window stays.

#include "ScreensFixture.h"
#include "support/UserDrive.h"

#include "core/Settings.h"
#include "platform/widgets/Twips.h"
#include "screens/frmViewData.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

class Viewer : public ScreensDbTest {
protected:
    void SetUp() override
    {
        ScreensDbTest::SetUp();
        testsupport::Db db(dbPath);
        db.exec("create table People (ID integer primary key, Name text, Note text)");
        db.exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 6000) "
                "insert into People (ID, Name, Note) select i, 'Person ' || i, null from n");
        SetSetting("m_pagesize", "2500");
    }

    std::unique_ptr<frmViewData> open(const QString& sql, const QString& caption = "People")
    {
        auto viewer = std::make_unique<frmViewData>();
        viewer->Component(cs, sql, false, caption);
        viewer->show();
        return viewer;
    }

    static QString cell(const frmViewData& v, int row, int col)
    {
        return v.GridModel()->index(row, col).data().toString();
    }
};

TEST_F(Viewer, OpensOnTheFirstPageOfTheSettingsSize)
{
    auto viewer = open("select * from People");
    EXPECT_EQ(viewer->windowTitle(), "People");
    EXPECT_EQ(viewer->GridModel()->rowCount(), 2500);
    EXPECT_EQ(viewer->GridModel()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "ID");
    EXPECT_EQ(viewer->GridModel()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "Note");
    EXPECT_EQ(cell(*viewer, 2499, 2), "Person 2500");
    EXPECT_EQ(viewer->PageCaption->text(), "1");
    EXPECT_EQ(viewer->lblTotalPage->text(), " of 3");
    EXPECT_EQ(viewer->lblRecords->text(), "Records:1 - 2500 of 6000");
    EXPECT_EQ(viewer->PageCaption->toolTip(), "Go To Page");
    for (const char* name : {"grdDataGrid", "NavigateBar", "cmdFirst", "cmdPrev", "cmdNext", "cmdLast",
                             "PageCaption", "lblTotalPage", "lblRecords", "cmdClose"})
        EXPECT_NE(viewer->findChild<QWidget*>(name), nullptr) << name;
}

struct PagingCase {
    const char* name;
    // A button's name, "Go:<typed text>", or keys at the focus: "Tab",
    // "BackTab", "Type:<text>", "Enter"; "Focus:<name>" checks where the
    // focus is.
    std::vector<QString> steps;
    QString pageBox;
    QString records;
    QString firstName;
};

inline void PrintTo(const PagingCase& c, std::ostream* os)
{
    *os << c.name;
}

class ViewerPaging : public Viewer, public ::testing::WithParamInterface<PagingCase> {};

TEST_P(ViewerPaging, MovesAsTheButtonsSay)
{
    auto viewer = open("select * from People");
    userdrive::Activate(viewer.get());
    for (const QString& step : GetParam().steps) {
        if (step.startsWith("Go:")) {
            viewer->PageCaption->setText(step.mid(3));
            QTest::keyClick(viewer->PageCaption, Qt::Key_Return);
        } else if (step == "Tab") {
            userdrive::Tab();
        } else if (step == "BackTab") {
            userdrive::Key(Qt::Key_Tab, Qt::ShiftModifier);
        } else if (step.startsWith("Type:")) {
            userdrive::Type(step.mid(5));
        } else if (step == "Enter") {
            userdrive::Enter();
        } else if (step.startsWith("Focus:")) {
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            EXPECT_EQ(QApplication::focusWidget()->objectName(), step.mid(6));
        } else {
            viewer->findChild<QAbstractButton*>(step)->click();
        }
    }
    EXPECT_EQ(viewer->PageCaption->text(), GetParam().pageBox);
    EXPECT_EQ(viewer->lblRecords->text(), GetParam().records);
    EXPECT_EQ(cell(*viewer, 0, 2), GetParam().firstName);
}

INSTANTIATE_TEST_SUITE_P(
    Viewer, ViewerPaging,
    ::testing::Values(
        PagingCase{"Next", {"cmdNext"}, "2", "Records:2501 - 5000 of 6000", "Person 2501"},
        PagingCase{"LastHasTheRest", {"cmdLast"}, "3", "Records:5001 - 6000 of 6000", "Person 5001"},
        PagingCase{"NextOnTheLastPageStays",
                   {"cmdLast", "cmdNext"},
                   "3",
                   "Records:5001 - 6000 of 6000",
                   "Person 5001"},
        PagingCase{"PrevOnTheFirstPageStays", {"cmdPrev"}, "1", "Records:1 - 2500 of 6000", "Person 1"},
        PagingCase{"FirstFromTheLast", {"cmdLast", "cmdFirst"}, "1", "Records:1 - 2500 of 6000", "Person 1"},
        PagingCase{"GoToTwo", {"Go:2"}, "2", "Records:2501 - 5000 of 6000", "Person 2501"},
        PagingCase{"GoRoundsTheNumber", {"Go:2.6"}, "3", "Records:5001 - 6000 of 6000", "Person 5001"},
        PagingCase{"GoZeroIsTheFirstPage", {"cmdLast", "Go:0"}, "1", "Records:1 - 2500 of 6000", "Person 1"},
        PagingCase{
            "GoNoNumberIsTheFirstPage", {"cmdNext", "Go:abc"}, "1", "Records:1 - 2500 of 6000", "Person 1"},
        PagingCase{"GoZeroOnTheFirstPageShowsOne", {"Go:0"}, "1", "Records:1 - 2500 of 6000", "Person 1"},
        PagingCase{"TabLeavesTheGridForThePageBox",
                   {"Focus:grdDataGrid", "Tab", "Tab", "Tab", "Focus:PageCaption", "Type:3", "Enter"},
                   "3",
                   "Records:5001 - 6000 of 6000",
                   "Person 5001"},
        PagingCase{"ShiftTabGoesBackTheWayItCame",
                   {"Tab", "Tab", "Tab", "BackTab", "Focus:cmdPrev", "BackTab", "BackTab",
                    "Focus:grdDataGrid", "Tab", "Tab", "Enter"},
                   "1",
                   "Records:1 - 2500 of 6000",
                   "Person 1"},
        PagingCase{"NextPressedWithEnter",
                   {"Tab", "Tab", "Tab", "Tab", "Focus:cmdNext", "Enter"},
                   "2",
                   "Records:2501 - 5000 of 6000",
                   "Person 2501"},
        PagingCase{"GoPastTheEndKeepsTheTypedNumber",
                   {"cmdNext", "Go:9"},
                   "9",
                   "Records:2501 - 5000 of 6000",
                   "Person 2501"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Viewer, ValuesWithTabsAndLineEndsStayWholeAndNullShowsEmpty)
{
    {
        testsupport::Db db(dbPath);
        db.exec("create table Odd (A text, B text, C integer)");
        db.exec("insert into Odd values ('one' || char(9) || 'two', 'line1' || char(13) || char(10) || "
                "'line2', null)");
        db.exec("insert into Odd values ('last' || char(10), '', 7)");
    }
    auto viewer = open("select * from Odd");
    ASSERT_EQ(viewer->GridModel()->rowCount(), 2);
    EXPECT_EQ(cell(*viewer, 0, 1), "one\ttwo");
    EXPECT_EQ(cell(*viewer, 0, 2), "line1\r\nline2");
    EXPECT_EQ(cell(*viewer, 0, 3), "");
    EXPECT_EQ(cell(*viewer, 1, 1), "last\n");
    EXPECT_EQ(cell(*viewer, 1, 3), "7");
}

TEST_F(Viewer, QueryWithoutRowsShowsTheHeaderAndNoRecords)
{
    auto viewer = open("select * from People where ID < 0");
    EXPECT_EQ(viewer->GridModel()->rowCount(), 0);
    EXPECT_EQ(viewer->GridModel()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Name");
    EXPECT_EQ(viewer->lblRecords->text(), "Records:1 - 0 of 0");
}

TEST_F(Viewer, OneFieldGetsAWideColumn)
{
    auto viewer = open("select Name from People");
    EXPECT_EQ(viewer->grdDataGrid->columnWidth(1), ui::TwipsToPixels(3000, viewer.get()));
}

TEST_F(Viewer, BadQueryIsReportedAndTheWindowStays)
{
    scripted.expectMsgBox(ui::vbOK, "Function:LoadRecords", ui::vbCritical);
    auto viewer = open("select * from NoSuchTable", "");
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), "View Data");
    EXPECT_EQ(viewer->GridModel()->rowCount(), 0);
    viewer->cmdClose->click();
    EXPECT_FALSE(viewer->isVisible());
}
