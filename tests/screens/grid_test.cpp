// The data grid as a host and a user see it: captions and layout from the
// host's answers, rows from the list, sorting by the header, Ctrl/Alt
// selection, deleted marks reaching the list, refreshed and appended rows.

#include "ScreensFixture.h"
#include "support/UserDrive.h"

#include "platform/vb/Err.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WaitCursor.h"
#include "screens/DataViewGrid.h"

#include <QHeaderView>
#include <QTableView>
#include <QTest>

using screentest::FakeList;

namespace {

std::shared_ptr<FakeList> Names()
{
    using V = vb::Variant;
    return std::make_shared<FakeList>(
        QStringList{QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Amount"),
                    QStringLiteral("When")},
        std::vector<std::vector<V>>{
            {V(1), V(QStringLiteral("delta")), V(10.5), V(QStringLiteral("3/1/2020"))},
            {V(2), V(QStringLiteral("Alpha")), V(2), V(QStringLiteral("1/15/2021"))},
            {V(3), V(QStringLiteral("charlie")), V(100), V(QStringLiteral("not a date"))},
            {V(4), V(QStringLiteral("bravo")), V::Null(), V(QStringLiteral("7/4/2019"))},
        });
}

void DoubleClickHeader(DataViewGrid& grid, int column)
{
    QHeaderView* header = grid.View()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void ReleaseOverRow(DataViewGrid& grid, int row, Qt::KeyboardModifiers keys)
{
    QTableView* view = grid.View();
    view->scrollTo(grid.Model()->index(row - 1, 1));
    const QRect r = view->visualRect(grid.Model()->index(row - 1, 1));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, keys, r.center());
}

QStringList Column(const DataViewGrid& grid, int col)
{
    QStringList out;
    for (int r = 1; r < grid.Rows(); ++r)
        out << grid.TextMatrix(r, col);
    return out;
}

} // namespace

// ---------------------------------------------------------------- columns

struct ColumnCase {
    const char* name;
    std::function<void(ColumnSetup&)> host;
    QString caption;
    int widthTwips; // -1: the caption's width plus 400
    Qt::Alignment alignment;
    QString cellOfRow1;
};

inline void PrintTo(const ColumnCase& c, std::ostream* os)
{
    *os << c.name;
}

class GridColumnsShow : public ScriptedUiTest, public ::testing::WithParamInterface<ColumnCase> {};

TEST_P(GridColumnsShow, AsTheHostAnswers)
{
    const ColumnCase& c = GetParam();
    DataViewGrid grid;
    grid.resize(600, 300);
    grid.FetchColumnSetup = [&](ColumnSetup& s) {
        if (s.ColName == QLatin1String("Amount")) c.host(s);
    };
    grid.SetDataSource(Names());
    EXPECT_EQ(grid.TextMatrix(0, 3), c.caption);
    const int expected =
        c.widthTwips >= 0
            ? c.widthTwips
            : ui::PixelsToTwips(QFontMetrics(grid.View()->font()).horizontalAdvance(c.caption), &grid) + 400;
    EXPECT_EQ(grid.ColWidth(3), expected);
    EXPECT_EQ(grid.View()->isColumnHidden(3), expected == 0);
    EXPECT_EQ(Qt::Alignment(grid.Model()->index(0, 3).data(Qt::TextAlignmentRole).toInt()), c.alignment);
    EXPECT_EQ(grid.TextMatrix(1, 3), c.cellOfRow1);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, GridColumnsShow,
    ::testing::Values(ColumnCase{"HostSilentShowsFieldNameFittedLeft", [](ColumnSetup&) {}, "Amount", -1,
                                 Qt::AlignLeft | Qt::AlignVCenter, "10.5"},
                      ColumnCase{"CaptionAndWidthKeptExactly",
                                 [](ColumnSetup& s) {
                                     s.ColName = "Sum";
                                     s.ColWidth = 2000;
                                 },
                                 "Sum", 2000, Qt::AlignLeft | Qt::AlignVCenter, "10.5"},
                      ColumnCase{"HiddenColumnHasNoWidth",
                                 [](ColumnSetup& s) {
                                     s.Hidden = true;
                                     s.ColWidth = 1500;
                                 },
                                 "Amount", 0, Qt::AlignLeft | Qt::AlignVCenter, "10.5"},
                      ColumnCase{"CentredColumn", [](ColumnSetup& s) { s.Alignment = 1; }, "Amount", -1,
                                 Qt::AlignCenter, "10.5"},
                      ColumnCase{"RightColumn", [](ColumnSetup& s) { s.Alignment = 2; }, "Amount", -1,
                                 Qt::AlignRight | Qt::AlignVCenter, "10.5"},
                      ColumnCase{"UnknownAlignmentLeavesDefault", [](ColumnSetup& s) { s.Alignment = 7; },
                                 "Amount", -1, Qt::AlignLeft | Qt::AlignVCenter, "10.5"},
                      ColumnCase{"FormattedCells", [](ColumnSetup& s) { s.ColFormat = "0.00"; }, "Amount", -1,
                                 Qt::AlignLeft | Qt::AlignVCenter, "10.50"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedUiTest, GridOfAnEmptyListShowsOnlyTheHeader)
{
    DataViewGrid grid;
    int dirty = 0;
    grid.Dirty = [&] { ++dirty; };
    grid.SetDataSource(
        std::make_shared<FakeList>(QStringList{"Phone"}, std::vector<std::vector<vb::Variant>>{}));
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.Cols(), 2);
    EXPECT_EQ(grid.TextMatrix(0, 1), "Phone");
    EXPECT_EQ(grid.CurrentRecord(), 0);
    grid.Delete();
    EXPECT_EQ(dirty, 0);
    EXPECT_EQ(grid.GetSelectedRows(1, true), "");
}

TEST_F(ScriptedUiTest, GridOfAListWithoutFieldsShowsOnlyTheMarkerColumn)
{
    DataViewGrid grid;
    grid.SetDataSource(
        std::make_shared<FakeList>(QStringList{}, std::vector<std::vector<vb::Variant>>{{}, {}}));
    EXPECT_EQ(grid.Cols(), 1);
    EXPECT_EQ(grid.Rows(), 3);
}

TEST_F(ScriptedUiTest, NullValuesShowAsEmptyCells)
{
    DataViewGrid grid;
    grid.SetDataSource(Names());
    EXPECT_EQ(Column(grid, 3), (QStringList{"10.5", "2", "100", ""}));
}

// ---------------------------------------------------------------- long lists

TEST_F(ScriptedUiTest, RowsAbove32767AreSelectedAndDeletedOnTheirOwnRecords)
{
    std::vector<std::vector<vb::Variant>> rows;
    for (int i = 1; i <= 40000; ++i)
        rows.push_back({vb::Variant(i)});
    auto list = std::make_shared<FakeList>(QStringList{"N"}, std::move(rows));
    DataViewGrid grid;
    grid.resize(300, 300);
    int dirty = 0;
    grid.Dirty = [&] { ++dirty; };
    grid.SetDataSource(list);
    ASSERT_EQ(grid.Rows(), 40001);

    // Dragged upwards from 32,770 to 32,765 with Ctrl held.
    grid.SetSelectionRange(32770, 32765);
    ReleaseOverRow(grid, 32770, Qt::ControlModifier);
    EXPECT_EQ(grid.GetSelectedRowIndexs(), "32765 32766 32767 32768 32769 32770");
    EXPECT_EQ(grid.GetSelectedRows(1, false), "32765,32766,32767,32768,32769,32770");

    grid.Delete();
    EXPECT_EQ(dirty, 1);
    EXPECT_EQ(list->DeletedRecords(), (std::vector<int>{32765, 32766, 32767, 32768, 32769, 32770}));
    EXPECT_TRUE(grid.IsRowDeleted(32768));
    EXPECT_FALSE(grid.IsRowDeleted(32771));
    EXPECT_EQ(grid.Model()->index(32767, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_TRUE(grid.Model()->index(32767, 1).data(Qt::FontRole).value<QFont>().strikeOut());
}

// ---------------------------------------------------------------- sorting

TEST_F(ScriptedUiTest, HeaderDoubleClicksCycleATextColumnThroughThreeSorts)
{
    DataViewGrid grid;
    grid.resize(600, 300);
    grid.show();
    grid.SetDataSource(Names());
    std::vector<std::pair<int, QStringList>> seen;
    for (int i = 0; i < 4; ++i) {
        DoubleClickHeader(grid, 2);
        seen.emplace_back(grid.SortSetting(), Column(grid, 2));
    }
    const QStringList up{"Alpha", "bravo", "charlie", "delta"};
    const QStringList down{"delta", "charlie", "bravo", "Alpha"};
    EXPECT_EQ(seen[0], (std::pair<int, QStringList>{1, up}));
    EXPECT_EQ(seen[1], (std::pair<int, QStringList>{2, down}));
    EXPECT_EQ(seen[2].first, 3);
    EXPECT_EQ(seen[3], (std::pair<int, QStringList>{1, up}));
}

TEST_F(ScriptedUiTest, RowsKeepTheirRecordsThroughASort)
{
    auto list = Names();
    DataViewGrid grid;
    grid.resize(600, 300);
    grid.show();
    int dirty = 0;
    grid.Dirty = [&] { ++dirty; };
    grid.SetDataSource(list);
    DoubleClickHeader(grid, 2); // Alpha, bravo, charlie, delta
    grid.SetRow(2);
    EXPECT_EQ(grid.CurrentRecord(), 4); // bravo
    EXPECT_EQ(grid.GetID(1), 4.0);

    list->rows[3][1] = vb::Variant(QStringLiteral("bravo changed"));
    grid.Update(2);
    EXPECT_EQ(grid.TextMatrix(2, 2), "bravo changed");
    EXPECT_EQ(grid.TextMatrix(1, 2), "Alpha");

    grid.SetRow(4); // delta
    grid.Delete();
    EXPECT_EQ(list->DeletedRecords(), std::vector<int>{1});
    EXPECT_EQ(dirty, 1);
}

TEST_F(ScriptedUiTest, DateColumnsSortAscendingFirstThenFlip)
{
    auto list = Names();
    DataViewGrid grid;
    grid.resize(600, 300);
    grid.show();
    grid.FetchColumnSetup = [](ColumnSetup& s) {
        if (s.ColName == QLatin1String("When")) s.ControlType = 4;
    };
    grid.SetDataSource(list);
    DoubleClickHeader(grid, 4);
    EXPECT_EQ(grid.SortSetting(), 9);
    // Not a date counts as the earliest day.
    EXPECT_EQ(Column(grid, 4), (QStringList{"not a date", "7/4/2019", "3/1/2020", "1/15/2021"}));
    DoubleClickHeader(grid, 4);
    EXPECT_EQ(Column(grid, 4), (QStringList{"1/15/2021", "3/1/2020", "7/4/2019", "not a date"}));
    // A text column in between starts the dates ascending again.
    DoubleClickHeader(grid, 2);
    DoubleClickHeader(grid, 4);
    EXPECT_EQ(Column(grid, 4).first(), "not a date");
}

TEST_F(ScriptedUiTest, NumericSortOrdersByValue)
{
    DataViewGrid grid;
    grid.resize(600, 300);
    grid.show();
    grid.SetDataSource(Names());
    DoubleClickHeader(grid, 3);
    EXPECT_EQ(Column(grid, 3), (QStringList{"2", "10.5", "100", ""}));
    DoubleClickHeader(grid, 3);
    DoubleClickHeader(grid, 3);
    EXPECT_EQ(grid.SortSetting(), 3);
    EXPECT_EQ(Column(grid, 3), (QStringList{"", "2", "10.5", "100"}));
}

// ---------------------------------------------------------------- selection

struct SelectionCase {
    const char* name;
    std::vector<Qt::KeyboardModifiers> releases; // each over row 2
    QString selected;                            // GetSelectedRowIndexs afterwards
};

inline void PrintTo(const SelectionCase& c, std::ostream* os)
{
    *os << c.name;
}

class GridSelection : public ScriptedUiTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(GridSelection, FollowsTheKeysHeld)
{
    DataViewGrid grid;
    grid.resize(600, 300);
    grid.show();
    grid.SetDataSource(Names());
    grid.SetSelectionRange(3, 3);
    ReleaseOverRow(grid, 3, Qt::ControlModifier); // row 3 selected to begin with
    grid.SetSelectionRange(2, 2);
    for (Qt::KeyboardModifiers keys : GetParam().releases)
        ReleaseOverRow(grid, 2, keys);
    EXPECT_EQ(grid.GetSelectedRowIndexs(), GetParam().selected);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, GridSelection,
    ::testing::Values(SelectionCase{"CtrlSelects", {Qt::ControlModifier}, "2 3"},
                      SelectionCase{"CtrlTwiceDeselects", {Qt::ControlModifier, Qt::ControlModifier}, "3"},
                      SelectionCase{"CtrlShiftDoesNothing", {Qt::ControlModifier | Qt::ShiftModifier}, "3"},
                      SelectionCase{"ShiftDoesNothing", {Qt::ShiftModifier}, "3"},
                      SelectionCase{"PlainClickDoesNothing", {Qt::NoModifier}, "3"},
                      SelectionCase{"AltClearsEverything", {Qt::ControlModifier, Qt::AltModifier}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedUiTest, DeselectedRowsGetTheirBandColourBack)
{
    DataViewGrid grid;
    grid.show();
    grid.SetDataSource(Names());
    const QVariant band = grid.Model()->index(1, 1).data(Qt::BackgroundRole);
    grid.SetSelectionRange(2, 2);
    ReleaseOverRow(grid, 2, Qt::ControlModifier);
    EXPECT_EQ(grid.Model()->index(1, 1).data(Qt::BackgroundRole).value<QColor>(), QColor(0xC0, 0xC0, 0xFF));
    ReleaseOverRow(grid, 2, Qt::ControlModifier);
    EXPECT_EQ(grid.Model()->index(1, 1).data(Qt::BackgroundRole), band);
}

struct SelectedRowsCase {
    const char* name;
    std::vector<int> selectedRows;
    bool includeFull;
    QString expected;
};

inline void PrintTo(const SelectedRowsCase& c, std::ostream* os)
{
    *os << c.name;
}

class GridSelectedRows : public ScriptedUiTest, public ::testing::WithParamInterface<SelectedRowsCase> {};

TEST_P(GridSelectedRows, JoinTheTextsWithCommas)
{
    DataViewGrid grid;
    grid.show();
    grid.SetDataSource(Names());
    for (int row : GetParam().selectedRows) {
        grid.SetSelectionRange(row, row);
        ReleaseOverRow(grid, row, Qt::ControlModifier);
    }
    EXPECT_EQ(grid.GetSelectedRows(2, GetParam().includeFull), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Grid, GridSelectedRows,
                         ::testing::Values(SelectedRowsCase{"NoneWithoutFull", {}, false, ""},
                                           SelectedRowsCase{
                                               "NoneWithFull", {}, true, "delta,Alpha,charlie,bravo"},
                                           SelectedRowsCase{"TwoOfFour", {4, 2}, true, "Alpha,bravo"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- the mouse

namespace {

std::shared_ptr<FakeList> Numbers(int count)
{
    std::vector<std::vector<vb::Variant>> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({vb::Variant(i)});
    return std::make_shared<FakeList>(QStringList{"N"}, std::move(rows));
}

// One press-and-release of the mouse: over one row, or dragged from one
// row to another (grid rows, from 1).
struct Gesture {
    int from;
    int to;
    Qt::KeyboardModifiers keys;
};

Gesture Click(int row, Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    return {row, row, keys};
}

Gesture Drag(int from, int to, Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    return {from, to, keys};
}

} // namespace

struct MouseCase {
    const char* name;
    std::vector<Gesture> gestures;
    QString picked;           // the rows in the selection colour
    std::vector<int> deleted; // the records Delete marks afterwards
};

inline void PrintTo(const MouseCase& c, std::ostream* os)
{
    *os << c.name;
}

class GridMouse : public ScriptedUiTest, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(GridMouse, DeleteMarksWhatTheUserSelected)
{
    const MouseCase& c = GetParam();
    auto list = Numbers(8);
    DataViewGrid grid;
    grid.resize(300, 400);
    userdrive::Activate(&grid);
    grid.SetDataSource(list);
    for (const Gesture& g : c.gestures)
        userdrive::DragRows(grid.View(), g.from - 1, g.to - 1, g.keys);
    EXPECT_EQ(grid.GetSelectedRowIndexs(), c.picked);
    grid.Delete();
    EXPECT_EQ(list->DeletedRecords(), c.deleted);
    for (int row = 1; row <= 8; ++row)
        EXPECT_EQ(grid.IsRowDeleted(row), std::count(c.deleted.begin(), c.deleted.end(), row) == 1) << row;
}

INSTANTIATE_TEST_SUITE_P(
    Grid, GridMouse,
    ::testing::Values(
        MouseCase{
            "ClickThenCtrlClickPicksOnlyTheSecondRow", {Click(2), Click(5, Qt::ControlModifier)}, "5", {5}},
        MouseCase{"CtrlClicksPickRowsApart",
                  {Click(2, Qt::ControlModifier), Click(5, Qt::ControlModifier)},
                  "2 5",
                  {2, 5}},
        MouseCase{
            "CtrlClickOnAPickedRowDropsIt",
            {Click(2, Qt::ControlModifier), Click(5, Qt::ControlModifier), Click(2, Qt::ControlModifier)},
            "5",
            {5}},
        MouseCase{"CtrlClickOnTheOnlyPickedRowLeavesTheCurrentRow",
                  {Click(2, Qt::ControlModifier), Click(2, Qt::ControlModifier)},
                  "",
                  {2}},
        MouseCase{"CtrlClickDropsARowOfACtrlDrag",
                  {Drag(2, 5, Qt::ControlModifier), Click(3, Qt::ControlModifier)},
                  "2 4 5",
                  {2, 4, 5}},
        MouseCase{
            "ShiftClickSelectsTheRowsBetween", {Click(2), Click(5, Qt::ShiftModifier)}, "", {2, 3, 4, 5}},
        MouseCase{"DragSelectsTheRowsPassed", {Drag(2, 4)}, "", {2, 3, 4}},
        MouseCase{"CtrlDragPicksTheRowsPassed", {Drag(2, 4, Qt::ControlModifier)}, "2 3 4", {2, 3, 4}},
        MouseCase{
            "CtrlDragUpwardsPicksLikeDownwards", {Drag(6, 3, Qt::ControlModifier)}, "3 4 5 6", {3, 4, 5, 6}},
        MouseCase{"CtrlShiftClickPicksNothing",
                  {Click(2), Click(4, Qt::ControlModifier | Qt::ShiftModifier)},
                  "",
                  {2, 3, 4}},
        MouseCase{"AltClickDropsEveryPick",
                  {Click(2, Qt::ControlModifier), Click(5, Qt::ControlModifier), Click(7, Qt::AltModifier)},
                  "",
                  {7}},
        MouseCase{"PlainClickKeepsThePicks", {Click(2, Qt::ControlModifier), Click(7)}, "2", {2, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- rows

TEST_F(ScriptedUiTest, UpdatePastTheLastRowAppendsOneRowForTheNewRecord)
{
    auto list = Names();
    DataViewGrid grid;
    std::vector<std::pair<int, int>> moves;
    grid.SetDataSource(list);
    grid.RowMove = [&](std::int32_t record, std::int32_t count) { moves.emplace_back(record, count); };
    list->rows.push_back(
        {vb::Variant(5), vb::Variant(QStringLiteral("echo")), vb::Variant(1), vb::Variant()});
    grid.Update(99);
    EXPECT_EQ(grid.Rows(), 6);
    EXPECT_EQ(grid.Row(), 5);
    EXPECT_EQ(grid.CurrentRecord(), 5);
    EXPECT_EQ(grid.TextMatrix(5, 2), "echo");
    EXPECT_EQ(moves.back(), (std::pair<int, int>{5, 5}));
}

TEST_F(ScriptedUiTest, LastRowFirstReportsNoMarker)
{
    DataViewGrid grid;
    std::vector<int> last;
    grid.LastRow = [&](std::int32_t row) { last.push_back(row); };
    grid.SetDataSource(Names());
    grid.SetRow(3);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(last.front(), -1);
    EXPECT_EQ(last.back(), 1);
    EXPECT_FALSE(grid.Model()->index(0, 0).data(Qt::DecorationRole).isValid());
    EXPECT_TRUE(grid.Model()->index(2, 0).data(Qt::DecorationRole).isValid());
}

TEST_F(ScriptedUiTest, SaveHandsTheListBothFlags)
{
    auto list = Names();
    DataViewGrid grid;
    grid.SetDataSource(list);
    grid.Save();
    EXPECT_EQ(list->saves, 1);
    EXPECT_EQ(list->lastSaveArgs, (std::pair<bool, bool>{true, true}));
}

TEST_F(ScriptedUiTest, ThrowingHostIsReportedAndLeavesNoHourglass)
{
    DataViewGrid grid;
    grid.FetchColumnSetup = [](ColumnSetup&) { vb::Raise(5, QString(), QStringLiteral("host failed")); };
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("host failed"));
    scripted.expectMsgBox(ui::vbNo, QStringLiteral("Dou you want to continue?"),
                          ui::vbYesNo | ui::vbQuestion);
    grid.SetDataSource(Names());
    EXPECT_FALSE(ui::HourglassShown());
    EXPECT_TRUE(grid.View()->updatesEnabled());
}
