// The source panel's field boxes as a user meets them: a field name typed
// and left is taken as typed, and only a pick from the list acts as a
// choice (the mark field follows the phone field picked).

#include "MainWindowFixture.h"
#include "support/UserDrive.h"

#include "records/CDataTypeInfo.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <functional>

namespace ud = userdrive;

struct FieldBoxCase {
    const char* name;
    std::function<void(QComboBox*)> user; // in the phone field box
    QString phoneField;                   // stored afterwards
    QString markField;                    // shown afterwards
};

inline void PrintTo(const FieldBoxCase& c, std::ostream* os)
{
    *os << c.name;
}

class SourceFieldBoxes : public MainWindowTest, public ::testing::WithParamInterface<FieldBoxCase> {};

TEST_P(SourceFieldBoxes, TakeATypedNameWithoutChoosingForTheUser)
{
    const QString lists = home.filePath(QStringLiteral("lists")) + QLatin1Char('/');
    QDir().mkpath(lists);
    QFile::copy(QStringLiteral(TERVALA_SOURCE_DIR "/tests/mainwindow/data/calls.csv"), lists + "calls.csv");
    {
        mwtest::Db d(databasePath());
        d.exec(
            QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                           "DataFieldName, DataAreaName, DataMarkName, IsTitleFirstLine, Delimited) values "
                           "('TEXT FILE', '(None)', '%1', 'calls.csv', '', '', '', 1, 1)")
                .arg(lists));
    }
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(1)->click();
    QComboBox* phone = mwtest::ctl(form).cboPhoneDataField;
    ASSERT_GE(phone->findText(QStringLiteral("Phone")), 0);
    ASSERT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QString());

    ud::Activate(form);
    ud::ClickInto(phone);
    GetParam().user(phone);
    EXPECT_EQ(gCurDataTypeInfo->DataFieldName(), GetParam().phoneField);
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->currentText(), GetParam().markField);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, SourceFieldBoxes,
                         ::testing::Values(FieldBoxCase{"TypedAndLeftWithTab",
                                                        [](QComboBox*) {
                                                            ud::Type("Phone");
                                                            ud::Tab();
                                                        },
                                                        "Phone", ""},
                                           FieldBoxCase{"PickedFromTheList",
                                                        [](QComboBox* box) {
                                                            ASSERT_TRUE(ud::PickFromList(box, "Phone"));
                                                        },
                                                        "Phone", "Phone"}),
                         [](const auto& info) { return std::string(info.param.name); });
