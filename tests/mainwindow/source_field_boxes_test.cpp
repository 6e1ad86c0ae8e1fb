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

// ---------------------------------------------------------------- the text shown is the one used

// One step of the user in a box: an entry picked from its open list, or a
// text typed over the whole text; either way the box is then left with Tab.
struct BoxStep {
    bool pick;
    QString text;
};

struct ShownCase {
    std::string name;
    const char* box;
    std::vector<BoxStep> steps;
    QString shown;    // shown, stored in the profile and named by the index afterwards
    bool entry;       // it is an entry of the box's list
    int readFailures; // tables that could not be read on the way
    QString count;    // the record count shown afterwards; empty: not looked at
    QString refusal;  // Start's answer to a field box naming no entry; empty: Start not pressed
};

inline void PrintTo(const ShownCase& c, std::ostream* os)
{
    *os << c.name;
}

namespace {

QString Stored(const QString& box)
{
    if (box == QLatin1String("DataTableName")) return gCurDataTypeInfo->DataTableName();
    if (box == QLatin1String("cboPhoneDataField")) return gCurDataTypeInfo->DataFieldName();
    if (box == QLatin1String("cboAreaDataField")) return gCurDataTypeInfo->DataAreaName();
    return gCurDataTypeInfo->DataMarkName();
}

// The six ways a user fills a box, with the box's words: an entry, the
// start of another entry, a name of no entry, an entry picked before the
// name of no entry is typed over it, and the entry typed in other case.
std::vector<ShownCase> WaysToFill(const char* box, const QString& entry, const QString& prefix,
                                  const QString& none, const QString& other, const QString& otherCase,
                                  int failures, const QString& count, const QString& refusal)
{
    const std::string b(box);
    return {
        {b + "_Picked", box, {{true, entry}}, entry, true, 0, count, {}},
        {b + "_TypedEntry", box, {{false, entry}}, entry, true, 0, count, {}},
        {b + "_TypedStartOfAnotherEntry", box, {{false, prefix}}, prefix, false, failures, {}, refusal},
        {b + "_TypedNameOfNoEntry", box, {{false, none}}, none, false, failures, {}, refusal},
        {b + "_TypedNameAfterAPick", box, {{true, other}, {false, none}}, none, false, failures, {}, refusal},
        {b + "_EntryTypedInOtherCase", box, {{false, otherCase}}, entry, true, 0, count, {}},
    };
}

std::vector<ShownCase> ShownCases()
{
    std::vector<ShownCase> all;
    for (auto&& rows : {WaysToFill("DataTableName", "leads", "lea", "nowhere", "leads", "LEADS", 1, "1", {}),
                        WaysToFill("cboPhoneDataField", "Phone", "Pho", "Nothing", "Status", "phone", 0, {},
                                   "Please select phone field name!"),
                        WaysToFill("cboAreaDataField", "Phone", "Pho", "Nothing", "Status", "PHONE", 0, {},
                                   "Please select area field name!"),
                        WaysToFill("cboMarkField", "Status", "Stat", "Remark", "Phone", "status", 0, {},
                                   "Please select mark field name!")})
        all.insert(all.end(), rows.begin(), rows.end());
    // A table that could not be read is read when its name changes again.
    all.push_back({"DataTableName_TypedAfterAFailedRead",
                   "DataTableName",
                   {{false, "lea"}, {false, "leads"}},
                   "leads",
                   true,
                   1,
                   "1",
                   {}});
    return all;
}

} // namespace

class SourceBoxShows : public MainWindowTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(SourceBoxShows, TheTextTheProfileStoresAndTheEntryTheRunUses)
{
    const ShownCase& c = GetParam();
    const QString lists = home.filePath(QStringLiteral("lists")) + QLatin1Char('/');
    QDir().mkpath(lists);
    {
        mwtest::Db source(lists + QStringLiteral("calls.mdb"));
        source.exec(QStringLiteral(
            "create table calls (Phone2 TEXT, Phone TEXT, Mark TEXT, Status TEXT, Amount INTEGER);"
            "insert into calls values ('', '2015551234', '', 'new', 1), ('', '2015550000', '', 'new', 2);"
            "create table leads (Phone TEXT, Who TEXT);"
            "insert into leads values ('9735550000', 'Ann');"));
        mwtest::Db d(databasePath());
        d.exec(
            QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                           "DataFieldName, DataAreaName, DataMarkName, IsTitleFirstLine, Delimited) values "
                           "('ACCESS', '(None)', '%1', 'calls', 'Phone2', '', 'Mark', 1, 1)")
                .arg(lists + QStringLiteral("calls.mdb")));
    }
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(4)->click();
    mwtest::options(form).backupOriginal = 1;
    auto* box = form->findChild<QComboBox*>(QString::fromLatin1(c.box));
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(mwtest::ctl(form).cboPhoneDataField->currentText(), QStringLiteral("Phone2"));

    for (int i = 0; i < c.readFailures; ++i)
        scripted.expectMsgBox(ui::vbOK);
    ud::Activate(form);
    for (const BoxStep& step : c.steps) {
        if (step.pick) {
            ASSERT_TRUE(ud::PickFromList(box, step.text)) << step.text.toStdString();
        } else {
            ud::ClickInto(box);
            ud::Key(Qt::Key_A, Qt::ControlModifier);
            ud::Type(step.text);
        }
        ud::Tab();
    }

    EXPECT_EQ(box->currentText(), c.shown);
    EXPECT_EQ(Stored(QString::fromLatin1(c.box)), c.shown);
    if (c.entry) {
        ASSERT_GE(box->currentIndex(), 0);
        EXPECT_EQ(box->itemText(box->currentIndex()), c.shown);
    } else {
        EXPECT_EQ(box->currentIndex(), -1);
        EXPECT_EQ(box->findText(c.shown, Qt::MatchFixedString), -1);
    }
    if (!c.count.isEmpty()) EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), c.count);
    if (c.refusal.isEmpty()) return;

    // A run is refused before anything is copied.
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"));
    scripted.expectMsgBox(ui::vbOK, c.refusal);
    ud::ClickInto(mwtest::ctl(form).cmdStart);
    EXPECT_EQ(QDir(lists).entryList({QStringLiteral("B*")}, QDir::Files), QStringList());
}

INSTANTIATE_TEST_SUITE_P(MainWindow, SourceBoxShows, ::testing::ValuesIn(ShownCases()),
                         [](const auto& info) { return info.param.name; });
