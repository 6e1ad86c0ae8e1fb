// Every grid screen as it first appears over real rows: each named control
// inside its window with room for its text. With TERVALA_SCREENSHOT_DIR
// set, each window is saved there as a PNG.

#include "ScreensFixture.h"

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
#include <QCoreApplication>
#include <QDir>
#include <QLabel>

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
    // enough for their texts; the window saved when asked.
    void check(QWidget* window, const QString& file)
    {
        window->show();
        QCoreApplication::processEvents();
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
        const QString dir = qEnvironmentVariable("TERVALA_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            window->grab().save(dir + QLatin1Char('/') + file);
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
    list.show();
    list.DataViewGrid1->SetSelectionRange(3, 5);
    list.Button("Delete")->trigger();
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
    frmGridProperty dialog;
    dialog.Component(columns.List()->Item(1));
    check(&dialog, "tervala_grid_property.png");
}
