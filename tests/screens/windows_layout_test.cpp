// Every grid screen as it first appears over real rows: each named control
// inside its window with room for its text. With TERVALA_SCREENSHOT_DIR
// set, each window is saved there as a PNG.

#include "ScreensFixture.h"
#include "support/UserDrive.h"

#include "core/Settings.h"
#include "dialogs/frmSelectArea.h"
#include "dncdb/ModuleDNC.h"
#include "records/CGridProperty.h"
#include "screens/DataViewGrid.h"
#include "screens/GridColumns.h"
#include "screens/frmCityState.h"
#include "screens/frmCityStateFind.h"
#include "screens/frmCityStateList.h"
#include "screens/frmGridProperty.h"
#include "screens/frmGridPropertyList.h"
#include "screens/frmPhone.h"
#include "screens/frmPhoneFind.h"
#include "screens/frmPhoneList.h"
#include "screens/frmViewData.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>

class WindowsLayout : public ScreensDbTest {
protected:
    void SetUp() override
    {
        ScreensDbTest::SetUp();
        testsupport::Db db(dbPath);
        db.exec("create table phone201 (phone integer not null primary key)");
        db.exec("with recursive n(i) as (select 0 union all select i + 1 from n where i < 1499) "
                "insert into phone201 select 5550000 + i * 3 from n");
        db.exec("create table phone973 (phone integer not null primary key)");
        db.exec("insert into CityState (AreaCode, City, State, Note) values ('201', 'Newark', 'NJ', 'Essex "
                "County'), "
                "('212', 'New York', 'NY', ''), ('973', 'Paterson', 'NJ', 'Passaic County')");
        LoadTables();
        SetSetting("lasttotal", "1500");
    }

    // Every named control shown inside the window, labels and buttons wide
    // enough for their texts, every column of a grid wide enough for its
    // caption; the same once the user has narrowed the window as far as it
    // goes; the window saved when asked.
    void check(QWidget* window, const QString& file)
    {
        window->show();
        QCoreApplication::processEvents();
        fits(window);
        const QString dir = qEnvironmentVariable("TERVALA_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            window->grab().save(dir + QLatin1Char('/') + file);
        }
        const QSize opened = window->size();
        window->resize(1, 1);
        QCoreApplication::processEvents();
        SCOPED_TRACE("narrowed");
        fits(window);
        if (!dir.isEmpty()) window->grab().save(dir + QStringLiteral("/narrowed_") + file);
        window->resize(opened);
    }

    void fits(QWidget* window)
    {
        const QRect inside = window->rect();
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(window) || w->objectName().isEmpty() ||
                w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
            EXPECT_FALSE(r.isEmpty()) << w->objectName().toStdString();
            EXPECT_TRUE(inside.contains(r)) << w->objectName().toStdString();
            if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
                EXPECT_GE(label->width(), label->sizeHint().width())
                    << "cut: " << label->text().toStdString();
            }
            if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty()) {
                EXPECT_GE(button->width(), button->sizeHint().width())
                    << "cut: " << button->text().toStdString();
            }
        }
        for (QTableView* grid : window->findChildren<QTableView*>()) {
            QHeaderView* header = grid->horizontalHeader();
            for (int c = 0; c < header->count(); ++c) {
                if (grid->isColumnHidden(c)) continue;
                EXPECT_GE(grid->columnWidth(c), header->sectionSizeHint(c))
                    << "cut: " << grid->model()->headerData(c, Qt::Horizontal).toString().toStdString();
            }
        }
    }
};

TEST_F(WindowsLayout, ViewerOverADncTable)
{
    SetSetting("m_pagesize", "500");
    frmViewData viewer;
    viewer.Component(cs, "select * from phone201", false, "View Phone Data");
    check(&viewer, "tervala_viewer.png");
}

TEST_F(WindowsLayout, AreaCodeScreen)
{
    frmSelectArea screen;
    check(&screen, "tervala_area_codes.png");
}

TEST_F(WindowsLayout, PhoneListWithItsDialogs)
{
    SetSetting("m_pagesize", "500");
    frmPhoneList list;
    list.SetPhoneTableName("phone201");
    userdrive::Activate(&list);
    // Rows 6 to 8 dragged over and marked deleted, rows 2 and 4 picked.
    QTableView* rows = list.DataViewGrid1->View();
    userdrive::DragRows(rows, 5, 7);
    list.Button("Delete")->trigger();
    userdrive::ClickRow(rows, 1, Qt::ControlModifier);
    userdrive::ClickRow(rows, 3, Qt::ControlModifier);
    EXPECT_EQ(list.DataViewGrid1->GetSelectedRowIndexs(), "2 4");
    check(&list, "tervala_phone_list.png");
    list.Button("Cancel")->trigger();

    auto phone = std::make_shared<CPhone>();
    phone->SetTableName("phone201");
    phone->SetIsNew(true);
    phone->SetPhone(201);
    frmPhone dialog;
    dialog.Component(phone);
    check(&dialog, "tervala_phone.png");
    frmPhoneFind find;
    check(&find, "tervala_phone_find.png");
}

TEST_F(WindowsLayout, CityStateListWithItsDialogs)
{
    frmCityStateList list;
    check(&list, "tervala_city_state_list.png");
    auto row = std::make_shared<CCityState>();
    row->SetCityStateID(1);
    ASSERT_TRUE(row->Load());
    frmCityState dialog;
    dialog.Component(row);
    check(&dialog, "tervala_city_state.png");
    frmCityStateFind find;
    check(&find, "tervala_city_state_find.png");
}

TEST_F(WindowsLayout, ColumnSettingsEditor)
{
    GridColumns columns("PhoneList", {{"PHONE", "Phone Number", 2000, 0, false}}, "Host");
    screentest::FakeList data(QStringList{"Phone"}, {});
    columns.SetDefaultColumns(data);
    frmGridPropertyList editor;
    editor.Component(columns.List(), "");
    check(&editor, "tervala_grid_property_list.png");
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.DataViewGrid1->View()->horizontalScrollBar()->maximum(), 0); // every column in sight
    frmGridProperty dialog;
    dialog.Component(columns.List()->Item(1));
    check(&dialog, "tervala_grid_property.png");
}

struct FirstBoxCase {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> open; // over the fixture's rows, not shown yet
    QString typed;
    QString shown; // in the box that has the focus afterwards
};

inline void PrintTo(const FirstBoxCase& c, std::ostream* os)
{
    *os << c.name;
}

class EditDialogOpened : public WindowsLayout, public ::testing::WithParamInterface<FirstBoxCase> {};

TEST_P(EditDialogOpened, TypingReplacesTheWholeTextOfItsFirstBox)
{
    const std::unique_ptr<QDialog> dialog = GetParam().open();
    userdrive::Activate(dialog.get());
    QWidget* box = QApplication::focusWidget();
    ASSERT_NE(box, nullptr);
    userdrive::Type(GetParam().typed);
    auto* edit = qobject_cast<QLineEdit*>(box);
    if (!edit) edit = box->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr) << box->objectName().toStdString();
    EXPECT_EQ(edit->text(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, EditDialogOpened,
    ::testing::Values(
        FirstBoxCase{
            "ColumnSettings",
            [] {
                GridColumns columns("PhoneList", {{"PHONE", "Phone Number", 2000, 0, false}}, "Host");
                screentest::FakeList data(QStringList{"Phone"}, {});
                columns.SetDefaultColumns(data);
                auto dialog = std::make_unique<frmGridProperty>();
                dialog->Component(columns.List()->Item(1));
                return std::unique_ptr<QDialog>(std::move(dialog));
            },
            "Tel", "Tel"},
        FirstBoxCase{"CityState",
                     [] {
                         auto row = std::make_shared<CCityState>();
                         row->SetCityStateID(1);
                         row->Load();
                         auto dialog = std::make_unique<frmCityState>();
                         dialog->Component(row);
                         return std::unique_ptr<QDialog>(std::move(dialog));
                     },
                     "3", "3"},
        FirstBoxCase{"Phone",
                     [] {
                         auto phone = std::make_shared<CPhone>();
                         phone->SetTableName("phone201");
                         phone->SetIsNew(true);
                         phone->SetPhone(201);
                         auto dialog = std::make_unique<frmPhone>();
                         dialog->Component(phone);
                         return std::unique_ptr<QDialog>(std::move(dialog));
                     },
                     "5", "5"}),
    [](const auto& info) { return std::string(info.param.name); });

class PagedScreenNarrowed : public WindowsLayout, public ::testing::WithParamInterface<bool> {};

TEST_P(PagedScreenNarrowed, KeepsRoomForFiveRows)
{
    SetSetting("m_pagesize", "500");
    std::unique_ptr<QDialog> window;
    QTableView* rows = nullptr;
    if (GetParam()) {
        auto viewer = std::make_unique<frmViewData>();
        viewer->Component(cs, "select * from phone201", false, "View Phone Data");
        rows = viewer->grdDataGrid;
        window = std::move(viewer);
    } else {
        auto list = std::make_unique<frmPhoneList>();
        list->SetPhoneTableName("phone201");
        rows = list->DataViewGrid1->View();
        window = std::move(list);
    }
    window->show();
    window->resize(1, 1);
    QCoreApplication::processEvents();
    EXPECT_GE(rows->viewport()->height(), 5 * rows->verticalHeader()->defaultSectionSize());
}

INSTANTIATE_TEST_SUITE_P(Paged, PagedScreenNarrowed, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "Viewer" : "PhoneList"); });
