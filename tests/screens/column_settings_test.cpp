// Column settings as a host keeps them in table GridProperty: default rows
// for missing fields, stored captions and widths found by field name,
// widths that survive opening and closing, and the two editor windows.

#include "ScreensFixture.h"
#include "support/UserDrive.h"

#include "platform/widgets/Twips.h"
#include "screens/DataViewGrid.h"
#include "screens/GridColumns.h"
#include "screens/frmGridProperty.h"
#include "screens/frmGridPropertyList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolBar>

using screentest::FakeList;

namespace {

std::shared_ptr<FakeList> ThreeFields()
{
    using V = vb::Variant;
    return std::make_shared<FakeList>(QStringList{"A", "B", "C"},
                                      std::vector<std::vector<V>>{{V(1), V(2), V(3)}, {V(4), V(5), V(6)}});
}

std::vector<DefaultColumn> Defaults()
{
    return {{"A", "Ay default", 900, 0, false},
            {"B", "Bee", 2000, 0, false},
            {"C", "Cee default", 1100, 0, false}};
}

} // namespace

class ColumnSettings : public ScreensDbTest {
protected:
    // Every stored row of the list, one text per row, in ID order.
    QStringList stored(const QString& list = "TestList")
    {
        testsupport::Db db(dbPath);
        QStringList rows;
        const int n = db.scalar("select count(*) from GridProperty where ListName = '" + list + "'").toInt();
        for (int i = 0; i < n; ++i)
            rows << db.scalar(
                "select ID || '|' || ColName || '|' || ColCaption || '|' || ColWidth || '|' || "
                "Align || '|' || ControlType || '|' || Hidden from GridProperty where ListName = '" +
                list + "' order by ID limit 1 offset " + QString::number(i));
        return rows;
    }

    // A host's life: settings loaded, grid bound, widths taken back and saved.
    void openAndClose(const std::shared_ptr<FakeList>& list,
                      const std::function<void(DataViewGrid&)>& user = {})
    {
        GridColumns columns("TestList", Defaults(), "TestHost");
        DataViewGrid grid;
        columns.SetDefaultColumns(*list);
        columns.Attach(grid);
        grid.SetDataSource(list);
        if (user) user(grid);
        columns.SetColWidth(grid, true);
    }
};

TEST_F(ColumnSettings, ListWithoutStoredRowsShowsAndStoresTheDefaults)
{
    GridColumns columns("TestList", Defaults(), "TestHost");
    DataViewGrid grid;
    auto list = ThreeFields();
    columns.SetDefaultColumns(*list);
    columns.Attach(grid);
    grid.SetDataSource(list);
    EXPECT_EQ(grid.TextMatrix(0, 2), "Bee");
    EXPECT_EQ(grid.ColWidth(2), 2000);
    EXPECT_EQ(stored(), QStringList{}); // nothing written before the host saves
    columns.SetColWidth(grid, true);
    EXPECT_EQ(stored(),
              (QStringList{"1|A|Ay default|900|0|0|0", "2|B|Bee|2000|0|0|0", "3|C|Cee default|1100|0|0|0"}));
}

TEST_F(ColumnSettings, IncompleteRowsInReverseOrderKeepTheirNamesAndWidths)
{
    {
        testsupport::Db db(dbPath);
        db.exec("insert into GridProperty (ID, EmplID, ColName, ColCaption, ColWidth, Align, ControlType, "
                "ColFormat, "
                "Hidden, Editable, ListName) values "
                "(1, 0, 'C', 'See', 3000, 2, 0, '', 0, 0, 'TestList'),"
                "(2, 0, 'A', 'Ay', 1000, 0, 0, '', 0, 0, 'TestList')");
    }
    int dragged = 0;
    openAndClose(ThreeFields(), [&dragged](DataViewGrid& grid) {
        EXPECT_EQ(grid.TextMatrix(0, 1), "Ay");
        EXPECT_EQ(grid.TextMatrix(0, 2), "Bee");
        EXPECT_EQ(grid.TextMatrix(0, 3), "See");
        grid.View()->setColumnWidth(2, 140); // the user drags B
        dragged = ui::PixelsToTwips(140, &grid);
    });
    EXPECT_EQ(stored(), (QStringList{"1|C|See|3000|2|0|0", "2|A|Ay|1000|0|0|0",
                                     "3|B|Bee|" + QString::number(dragged) + "|0|0|0"}));
}

TEST_F(ColumnSettings, OpeningAndClosingTwiceLeavesTheRowsAsTheyWere)
{
    auto list = ThreeFields();
    openAndClose(list);
    const QStringList once = stored();
    openAndClose(list);
    openAndClose(list);
    EXPECT_EQ(stored(), once);
    EXPECT_EQ(once.at(1), "2|B|Bee|2000|0|0|0"); // 2000 twips is no whole number of pixels
}

TEST_F(ColumnSettings, HiddenColumnKeepsItsStoredWidth)
{
    {
        testsupport::Db db(dbPath);
        db.exec(
            "insert into GridProperty (EmplID, ColName, ColCaption, ColWidth, Align, ControlType, ColFormat, "
            "Hidden, Editable, ListName) values (0, 'B', 'Bee', 1700, 0, 0, '', 1, 0, 'TestList')");
    }
    openAndClose(ThreeFields(), [](DataViewGrid& grid) { EXPECT_EQ(grid.ColWidth(2), 0); });
    EXPECT_EQ(stored().at(0), "1|B|Bee|1700|0|0|1");
}

// ---------------------------------------------------------------- the one-column dialog

namespace {

std::shared_ptr<CGridProperty> Setting()
{
    auto row = std::make_shared<CGridProperty>();
    row->SetColName("Phone");
    row->SetColCaption("Phone");
    row->SetColWidth(1500);
    row->SetAlign(0);
    row->SetIsDirty(false);
    return row;
}

} // namespace

struct EndingCase {
    const char* name;
    std::function<void(frmGridProperty&)> finish;
    std::optional<int> answer; // the question "Record has been changed..."
    QString caption;           // the record's afterwards
    bool cancel;
};

inline void PrintTo(const EndingCase& c, std::ostream* os)
{
    *os << c.name;
}

class ColumnDialogEnding : public ScriptedUiTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(ColumnDialogEnding, DecidesWhetherTheEditStays)
{
    const EndingCase& c = GetParam();
    auto row = Setting();
    frmGridProperty dialog;
    dialog.Component(row);
    dialog.show();
    QTest::keyClicks(dialog.ColCaption, " Number");
    if (c.answer)
        scripted.expectMsgBox(*c.answer, "Record has been changed. Do you want To save it?",
                              ui::vbYesNoCancel | ui::vbQuestion);
    c.finish(dialog);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(row->ColCaption(), c.caption);
    EXPECT_EQ(row->Cancel(), c.cancel);
}

INSTANTIATE_TEST_SUITE_P(
    Editor, ColumnDialogEnding,
    ::testing::Values(
        EndingCase{"ApplyKeepsIt", [](frmGridProperty& d) { d.cmdSave->click(); }, {}, "Phone Number", false},
        EndingCase{"CancelAnsweredNoRestores", [](frmGridProperty& d) { d.cmdCancel->click(); }, ui::vbNo,
                   "Phone", true},
        EndingCase{"CloseBoxAnsweredNoRestores", [](frmGridProperty& d) { d.close(); }, ui::vbNo, "Phone",
                   true},
        EndingCase{"CloseBoxAnsweredYesKeepsIt", [](frmGridProperty& d) { d.close(); }, ui::vbYes,
                   "Phone Number", false},
        EndingCase{"CancelAnsweredCancelStaysThenApply",
                   [](frmGridProperty& d) {
                       d.close();
                       EXPECT_TRUE(d.isVisible());
                       d.cmdSave->click();
                   },
                   ui::vbCancel, "Phone Number", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedUiTest, ColumnDialogShowsTheSettingAndTakesOnlyNumbersAsWidth)
{
    auto row = Setting();
    row->SetAlign(2);
    row->SetHidden(true);
    frmGridProperty dialog;
    dialog.Component(row);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Column Property");
    EXPECT_EQ(dialog.ColName->text(), "Phone");
    EXPECT_FALSE(dialog.ColName->isEnabled());
    EXPECT_EQ(dialog.ColWidth->text(), "1500");
    EXPECT_EQ(dialog.Align->currentText(), "Align Right");
    EXPECT_TRUE(dialog.Hidden->isChecked());
    EXPECT_FALSE(dialog.cmdSave->isEnabled());
    EXPECT_FALSE(dialog.cmdReset->isEnabled());

    dialog.ColWidth->clear();
    QTest::keyClicks(dialog.ColWidth, "2a0b0");
    EXPECT_EQ(dialog.ColWidth->text(), "200");
    EXPECT_EQ(row->ColWidth(), 200);
    dialog.Align->setCurrentIndex(1);
    EXPECT_EQ(row->Align(), 1);
    dialog.Hidden->setChecked(false);
    EXPECT_FALSE(row->Hidden());
    EXPECT_TRUE(dialog.cmdSave->isEnabled());

    dialog.cmdReset->click();
    EXPECT_EQ(row->ColWidth(), 1500);
    EXPECT_EQ(row->Align(), 2);
    EXPECT_TRUE(row->Hidden());
    EXPECT_EQ(dialog.ColWidth->text(), "1500");
    EXPECT_FALSE(dialog.cmdSave->isEnabled());
    for (const char* name : {"ColName", "ColCaption", "ColWidth", "Align", "ColFormat", "Hidden", "cmdSave",
                             "cmdCancel", "cmdReset"})
        EXPECT_NE(dialog.findChild<QWidget*>(name), nullptr) << name;
    dialog.cmdSave->click();
    EXPECT_FALSE(row->Cancel());
}

// The one-column dialog over a setting, shown and active as the user meets it.
struct OpenColumnDialog {
    explicit OpenColumnDialog(std::shared_ptr<CGridProperty> setting = Setting()) : row(std::move(setting))
    {
        dialog.Component(row);
        userdrive::Activate(&dialog);
    }

    std::shared_ptr<CGridProperty> row;
    frmGridProperty dialog;
};

struct WidthCase {
    const char* name;
    QString typed;
    QString shown;
    std::int32_t stored;
};

inline void PrintTo(const WidthCase& c, std::ostream* os)
{
    *os << c.name;
}

class ColumnWidthTyped : public ScriptedUiTest, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(ColumnWidthTyped, StopsAtTheLargestWidth)
{
    OpenColumnDialog open;
    auto& [row, dialog] = open;
    userdrive::ClickInto(dialog.ColWidth);
    userdrive::Type(GetParam().typed); // no message may come
    EXPECT_EQ(dialog.ColWidth->text(), GetParam().shown);
    EXPECT_EQ(row->ColWidth(), GetParam().stored);
    userdrive::Enter();
    EXPECT_EQ(QApplication::focusWidget(), dialog.Align);
    dialog.cmdSave->click();
}

INSTANTIATE_TEST_SUITE_P(
    Editor, ColumnWidthTyped,
    ::testing::Values(WidthCase{"LargestTakesEveryDigit", "2147483647", "2147483647", 2147483647},
                      WidthCase{"OneDigitMoreIsDropped", "21474836470", "2147483647", 2147483647},
                      WidthCase{"TenNinesStopAtNine", "99999999999", "999999999", 999999999},
                      WidthCase{"SmallestNegative", "-2147483648", "-2147483648", -2147483647 - 1},
                      WidthCase{"BelowTheSmallest", "-2147483649", "-214748364", -214748364},
                      WidthCase{"AFractionRoundingPastTheLargest", "2147483647.5", "2147483647.", 2147483647},
                      WidthCase{"LettersBetween", "1a2b0", "120", 120}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedUiTest, ColumnDialogWalkedThroughUnchangedAsksNothing)
{
    auto setting = Setting();
    setting->SetColFormat("0.00");
    OpenColumnDialog open(setting);
    auto& [row, dialog] = open;
    userdrive::ClickInto(dialog.ColCaption);
    for (int i = 0; i < 4; ++i)
        userdrive::Tab();
    EXPECT_EQ(QApplication::focusWidget(), dialog.Hidden);
    EXPECT_FALSE(dialog.cmdSave->isEnabled());
    dialog.close(); // no question scripted: none may come
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(row->ColCaption(), "Phone");
    EXPECT_EQ(row->ColWidth(), 1500);
    EXPECT_EQ(row->ColFormat(), "0.00");
}

TEST_F(ScriptedUiTest, ColumnWidthPastedPastTheLargestIsNotTaken)
{
    OpenColumnDialog open;
    auto& [row, dialog] = open;
    userdrive::ClickInto(dialog.ColWidth);
    QGuiApplication::clipboard()->setText("3000000000");
    userdrive::Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(dialog.ColWidth->text(), "1500");
    QGuiApplication::clipboard()->setText("3000");
    userdrive::Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(dialog.ColWidth->text(), "3000");
    EXPECT_EQ(row->ColWidth(), 3000);
    dialog.cmdSave->click();
}

// ---------------------------------------------------------------- the list window

TEST_F(ColumnSettings, EditorListOpensARowAndRefreshesItWithoutSavingTheHostsList)
{
    auto list = ThreeFields();
    GridColumns columns("TestList", Defaults(), "TestHost");
    columns.SetDefaultColumns(*list);
    auto settings = columns.List();

    frmGridPropertyList editor;
    editor.Component(settings, "");
    editor.show();
    DataViewGrid& grid = *editor.DataViewGrid1;
    EXPECT_EQ(editor.windowTitle(), "Grid Property List");
    EXPECT_EQ(grid.Rows(), 4);
    EXPECT_EQ(grid.TextMatrix(0, 2), "Name");
    EXPECT_EQ(grid.TextMatrix(0, 3), "Caption");
    EXPECT_EQ(grid.ColWidth(1), 0); // ID hidden
    EXPECT_EQ(grid.TextMatrix(2, 3), "Bee");
    ASSERT_NE(editor.ToolbarButton("Open"), nullptr);
    ASSERT_NE(editor.ToolbarButton("Up One Level"), nullptr);

    grid.SetRow(2);
    scripted.expectModal(
        [](QDialog* d) {
            auto* dialog = qobject_cast<frmGridProperty*>(d);
            if (!dialog) return 0;
            dialog->ColCaption->setText("Bee caption");
            dialog->cmdSave->click();
            return 0;
        },
        "frmGridProperty");
    editor.ToolbarButton("Open")->trigger();
    EXPECT_EQ(grid.TextMatrix(2, 3), "Bee caption");
    EXPECT_EQ(settings->Item(":B")->ColCaption(), "Bee caption");

    editor.ToolbarButton("Up One Level")->trigger();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(stored(), QStringList{});          // the host saves its own list
    EXPECT_EQ(stored("GridProperty").size(), 7); // the editor's own layout is kept
}
