// The source panel: choosing a source type makes its profile current and
// fills the path, table, count and field lists; every change made in the
// panel is stored into that profile.

#include "MainWindowFixture.h"

#include "core/CDefPropertys.h"
#include "platform/files/XlsxWriter.h"
#include "records/CDataTypeInfo.h"
#include "records/CDataTypeInfos.h"
#include "screens/frmViewData.h"
#include "support/UserDrive.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <memory>
#include <tuple>

namespace {

QStringList items(const QComboBox* combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

} // namespace

using mwtest::type;
namespace ud = userdrive;

class SourcePanelTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        lists = home.filePath(QStringLiteral("lists")) + QLatin1Char('/');
        QDir().mkpath(lists);
        QFile::copy(QStringLiteral(TERVALA_SOURCE_DIR "/tests/mainwindow/data/calls.csv"),
                    lists + "calls.csv");
    }

    void addProfile(const QString& type, const QString& db, const QString& table, const QString& phone = {},
                    const QString& area = {}, const QString& mark = {})
    {
        mwtest::Db d(databasePath());
        d.exec(QStringLiteral(
                   "insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, DataFieldName, "
                   "DataAreaName, DataMarkName, IsTitleFirstLine, Delimited) values "
                   "('%1', '(None)', '%2', '%3', '%4', '%5', '%6', 1, 1)")
                   .arg(type, db, table, phone, area, mark));
    }

    frmMain* startAndChoose(std::int16_t index)
    {
        frmMain* form = start();
        if (form) mwtest::ctl(form).OptPhoneType(index)->click();
        return form;
    }

    QString lists;
};

TEST_F(SourcePanelTest, ATextFileTypeFillsThePanelFromItsProfile)
{
    addProfile(QStringLiteral("TEXT FILE"), lists, QStringLiteral("calls.csv"), QStringLiteral("Phone"),
               QString(), QStringLiteral("Status"));
    frmMain* form = startAndChoose(1);
    ASSERT_NE(form, nullptr);

    ASSERT_NE(gCurDataTypeInfo, nullptr);
    EXPECT_EQ(gCurDataTypeInfo->DataType(), QStringLiteral("TEXT FILE"));
    EXPECT_EQ(mwtest::ctl(form).Label7->text(), QStringLiteral("File Pathway"));
    EXPECT_EQ(mwtest::ctl(form).TxtPhoneData->text(), lists);
    EXPECT_EQ(items(mwtest::ctl(form).DataTableName), QStringList{"calls.csv"});
    EXPECT_EQ(mwtest::ctl(form).DataTableName->currentText(), QStringLiteral("calls.csv"));
    EXPECT_FALSE(mwtest::ctl(form).DataTableName->isEnabled());
    EXPECT_TRUE(mwtest::ctl(form).cmdBrowserData->isEnabled());
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("3"));
    EXPECT_FALSE(gCurDataTypeInfo->GetConnectionString().isEmpty());

    const QStringList fields{"Name", "Phone", "Status", "Score"};
    EXPECT_EQ(items(mwtest::ctl(form).cboPhoneDataField), fields);
    EXPECT_EQ(items(mwtest::ctl(form).cboMarkField), fields);
    EXPECT_EQ(items(mwtest::ctl(form).cboAreaDataField), QStringList{""} + fields);
    EXPECT_EQ(mwtest::ctl(form).cboPhoneDataField->currentText(), QStringLiteral("Phone"));
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QStringLiteral("Status"));
    EXPECT_EQ(mwtest::ctl(form).cboAreaDataField->currentIndex(), 0);

    // The window is usable again and the choice is remembered in memory.
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_FALSE(form->ActionRunning());
    EXPECT_EQ(gDefPropertys->Item(QStringLiteral("phonedatatype"))->PropertyValue(),
              QStringLiteral("TEXT FILE"));
    // Filling the panel changed nothing in the profile.
    EXPECT_EQ(gCurDataTypeInfo->DataFieldName(), QStringLiteral("Phone"));
    EXPECT_EQ(gCurDataTypeInfo->DataMarkName(), QStringLiteral("Status"));
}

TEST_F(SourcePanelTest, ChangesInThePanelAreStoredInTheProfileAndSavedAtShutDown)
{
    addProfile(QStringLiteral("TEXT FILE"), lists, QStringLiteral("calls.csv"), QStringLiteral("Phone"),
               QString(), QStringLiteral("Status"));
    frmMain* form = startAndChoose(1);
    ASSERT_NE(form, nullptr);

    mwtest::ctl(form).cboPhoneDataField->setCurrentIndex(
        mwtest::ctl(form).cboPhoneDataField->findText(QStringLiteral("Name")));
    mwtest::ctl(form).cboAreaDataField->setCurrentIndex(
        mwtest::ctl(form).cboAreaDataField->findText(QStringLiteral("Score")));
    mwtest::ctl(form).cboMarkField->setCurrentIndex(-1);
    mwtest::ctl(form).cboMarkField->lineEdit()->clear();
    type(mwtest::ctl(form).cboMarkField, QStringLiteral("Flag"));
    mwtest::ctl(form).TxtPhoneData->setText(lists + QStringLiteral("new/"));

    EXPECT_EQ(gCurDataTypeInfo->DataFieldName(), QStringLiteral("Name"));
    EXPECT_EQ(gCurDataTypeInfo->DataAreaName(), QStringLiteral("Score"));
    EXPECT_EQ(gCurDataTypeInfo->DataMarkName(), QStringLiteral("Flag"));
    EXPECT_EQ(gCurDataTypeInfo->DataDBName(), lists + QStringLiteral("new/"));

    form->close();
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.scalar(QStringLiteral(
                  "select DataFieldName || '|' || DataAreaName || '|' || DataMarkName || '|' || "
                  "DataDBName from DataTypeInfo where DataType = 'TEXT FILE'")),
              QStringLiteral("Name|Score|Flag|") + lists + QStringLiteral("new/"));
}

TEST_F(SourcePanelTest, AChosenPhoneFieldIsAlsoMarkedWhenNoMarkFieldIsChosen)
{
    addProfile(QStringLiteral("TEXT FILE"), lists, QStringLiteral("calls.csv"));
    frmMain* form = startAndChoose(1);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QString());

    mwtest::ctl(form).cboPhoneDataField->setCurrentIndex(1);
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->currentIndex(), 1);
    EXPECT_EQ(gCurDataTypeInfo->DataFieldName(), QStringLiteral("Phone"));
    EXPECT_EQ(gCurDataTypeInfo->DataMarkName(), QStringLiteral("Phone"));

    // A mark field already chosen stays.
    mwtest::ctl(form).cboPhoneDataField->setCurrentIndex(0);
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QStringLiteral("Phone"));
}

TEST_F(SourcePanelTest, AMissingSourceClearsTheListsAndThePreviousTypesCount)
{
    addProfile(QStringLiteral("TEXT FILE"), lists, QStringLiteral("calls.csv"), QStringLiteral("Phone"));
    addProfile(QStringLiteral("FOXPRO"), lists, QStringLiteral("gone.dbf"), QStringLiteral("PHONE"));
    frmMain* form = startAndChoose(1);
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("3"));

    mwtest::ctl(form).OptPhoneType(2)->click();
    EXPECT_EQ(gCurDataTypeInfo->DataType(), QStringLiteral("FOXPRO"));
    EXPECT_EQ(mwtest::ctl(form).TxtPhoneData->text(), lists);
    EXPECT_EQ(mwtest::ctl(form).DataTableName->count(), 0);
    EXPECT_EQ(mwtest::ctl(form).cboPhoneDataField->count(), 0);
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->count(), 0);
    // The text file's count and connection are not shown for the table that is not there.
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QString());
    EXPECT_EQ(gCurDataTypeInfo->DataTableName(), QStringLiteral("gone.dbf"));
    EXPECT_TRUE(scripted.calls().empty());
}

TEST_F(SourcePanelTest, OneNumberShowsTheTypedNumberAndDisablesTheRest)
{
    addProfile(QStringLiteral("TEXT FILE"), lists, QStringLiteral("calls.csv"), QStringLiteral("Phone"));
    addProfile(QStringLiteral("ONE NUMBER"), QStringLiteral("2015551234"), QString());
    frmMain* form = startAndChoose(1);
    ASSERT_NE(form, nullptr);

    mwtest::ctl(form).OptPhoneType(0)->click();
    EXPECT_EQ(mwtest::ctl(form).Label7->text(), QStringLiteral("Phone Number"));
    EXPECT_EQ(mwtest::ctl(form).TxtPhoneData->text(), QStringLiteral("2015551234"));
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QString());
    for (QWidget* w : {static_cast<QWidget*>(mwtest::ctl(form).cmdBrowserData),
                       static_cast<QWidget*>(mwtest::ctl(form).cmdViewData),
                       static_cast<QWidget*>(mwtest::ctl(form).DataTableName),
                       static_cast<QWidget*>(mwtest::ctl(form).cboPhoneDataField),
                       static_cast<QWidget*>(mwtest::ctl(form).cboAreaDataField),
                       static_cast<QWidget*>(mwtest::ctl(form).cboMarkField)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(mwtest::ctl(form).cboPhoneDataField->count(), 0);
    EXPECT_EQ(form->focusWidget(), mwtest::ctl(form).TxtPhoneData);

    // A newly typed number is the profile's.
    mwtest::ctl(form).TxtPhoneData->setText(QStringLiteral("9735550000"));
    EXPECT_EQ(gCurDataTypeInfo->DataDBName(), QStringLiteral("9735550000"));
}

TEST_F(SourcePanelTest, SwitchingTypesKeepsEachTypesChoices)
{
    addProfile(QStringLiteral("TEXT FILE"), lists, QStringLiteral("calls.csv"), QStringLiteral("Phone"),
               QString(), QStringLiteral("Status"));
    frmMain* form = startAndChoose(1);
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).cboPhoneDataField->setCurrentIndex(
        mwtest::ctl(form).cboPhoneDataField->findText(QStringLiteral("Name")));

    mwtest::ctl(form).OptPhoneType(4)->click(); // MS-Access, never chosen before
    EXPECT_EQ(gCurDataTypeInfo->DataType(), QStringLiteral("ACCESS"));
    EXPECT_EQ(mwtest::ctl(form).TxtPhoneData->text(), QString());
    EXPECT_TRUE(mwtest::ctl(form).DataTableName->isEnabled());
    EXPECT_EQ(gDataTypeInfos->Count(), 2);

    mwtest::ctl(form).OptPhoneType(1)->click();
    EXPECT_EQ(mwtest::ctl(form).TxtPhoneData->text(), lists);
    EXPECT_EQ(mwtest::ctl(form).cboPhoneDataField->currentText(), QStringLiteral("Name"));
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QStringLiteral("Status"));
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("3"));
}

TEST_F(SourcePanelTest, ANumericMarkFieldTakesANumberAsItsMark)
{
    addProfile(QStringLiteral("TEXT FILE"), lists, QStringLiteral("calls.csv"), QStringLiteral("Phone"));
    frmMain* form = startAndChoose(1);
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).txtMarkChar->setText(QStringLiteral("DNC"));

    mwtest::ctl(form).cboMarkField->setCurrentIndex(
        mwtest::ctl(form).cboMarkField->findText(QStringLiteral("Score")));
    EXPECT_EQ(mwtest::ctl(form).txtMarkChar->text(), QStringLiteral("999"));
    EXPECT_EQ(gDefPropertys->Item(QStringLiteral("defaultmark"))->PropertyValue(), QStringLiteral("999"));

    // A text mark field leaves any mark alone.
    mwtest::ctl(form).txtMarkChar->setText(QStringLiteral("DNC"));
    mwtest::ctl(form).cboMarkField->setCurrentIndex(
        mwtest::ctl(form).cboMarkField->findText(QStringLiteral("Status")));
    EXPECT_EQ(mwtest::ctl(form).txtMarkChar->text(), QStringLiteral("DNC"));
}

TEST_F(SourcePanelTest, LeavingALetterMarkOfANumericFieldWarnsOnce)
{
    addProfile(QStringLiteral("TEXT FILE"), lists, QStringLiteral("calls.csv"), QStringLiteral("Phone"),
               QString(), QStringLiteral("Score"));
    frmMain* form = startAndChoose(1);
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QStringLiteral("Score"));

    mwtest::ctl(form).txtMarkChar->setText(QStringLiteral("X"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Mark should be digits for this mark field -Score"),
                          ui::vbExclamation);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(mwtest::ctl(form).txtMarkChar, &leave);
    EXPECT_EQ(mwtest::ctl(form).txtMarkChar->text(), QStringLiteral("X"));

    // Window switches are no leaving, and an empty mark is no mistake.
    QFocusEvent deactivate(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(mwtest::ctl(form).txtMarkChar, &deactivate);
    mwtest::ctl(form).txtMarkChar->clear();
    QCoreApplication::sendEvent(mwtest::ctl(form).txtMarkChar, &leave);
}

TEST_F(SourcePanelTest, AnAccessSourceListsItsTablesAndRereadsATableTypedByHand)
{
    const QString source = lists + QStringLiteral("leads.mdb");
    mwtest::MakeDatabase(source);
    {
        mwtest::Db db(source);
        db.exec(QStringLiteral("create table calls (ID INTEGER PRIMARY KEY, Phone TEXT, Mark TEXT);"
                               "insert into calls (Phone) values ('2015551234'), ('2015550000');"
                               "create table leads (Phone TEXT, Who TEXT, Amount INTEGER);"
                               "insert into leads (Phone) values ('9735550000');"));
    }
    addProfile(QStringLiteral("ACCESS"), source, QStringLiteral("calls"), QStringLiteral("Phone"), QString(),
               QStringLiteral("Mark"));
    frmMain* form = startAndChoose(4);
    ASSERT_NE(form, nullptr);

    EXPECT_TRUE(mwtest::ctl(form).DataTableName->isEnabled());
    EXPECT_TRUE(items(mwtest::ctl(form).DataTableName).contains(QStringLiteral("calls")));
    EXPECT_TRUE(items(mwtest::ctl(form).DataTableName).contains(QStringLiteral("leads")));
    EXPECT_EQ(mwtest::ctl(form).DataTableName->currentText(), QStringLiteral("calls"));
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("2"));
    EXPECT_EQ(items(mwtest::ctl(form).cboPhoneDataField), (QStringList{"ID", "Phone", "Mark"}));
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QStringLiteral("Mark"));

    // Another table typed into the box is read when the box is left.
    QFocusEvent enter(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(mwtest::ctl(form).DataTableName, &enter);
    mwtest::ctl(form).DataTableName->lineEdit()->clear();
    type(mwtest::ctl(form).DataTableName, QStringLiteral("leads"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(mwtest::ctl(form).DataTableName, &leave);

    EXPECT_EQ(gCurDataTypeInfo->DataTableName(), QStringLiteral("leads"));
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("1"));
    EXPECT_EQ(items(mwtest::ctl(form).cboPhoneDataField), (QStringList{"Phone", "Who", "Amount"}));
    EXPECT_EQ(mwtest::ctl(form).cboPhoneDataField->currentText(), QStringLiteral("Phone"));
    // "Mark" is no field of leads: the phone field, chosen while no mark
    // field was, is marked too.
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QStringLiteral("Phone"));
}

TEST_F(SourcePanelTest, AnExcelSourceListsTheSheetsOfItsWorkbook)
{
    const QString book = lists + QStringLiteral("calls.xlsx");
    {
        files::XlsxWriter writer(book);
        writer.addSheet(QStringLiteral("Notes"));
        writer.addRow({vb::Variant(QStringLiteral("nothing here"))});
        writer.addSheet(QStringLiteral("Calls"));
        writer.addRow({vb::Variant(QStringLiteral("Name")), vb::Variant(QStringLiteral("Phone"))});
        writer.addRow({vb::Variant(QStringLiteral("Ann")), vb::Variant(QStringLiteral("2015551234"))});
        writer.addRow({vb::Variant(QStringLiteral("Bo")), vb::Variant(QStringLiteral("2015550000"))});
        writer.finish();
    }
    addProfile(QStringLiteral("EXCEL"), book, QStringLiteral("Calls"));
    frmMain* form = startAndChoose(3);
    ASSERT_NE(form, nullptr);

    EXPECT_EQ(items(mwtest::ctl(form).DataTableName), (QStringList{"Notes", "Calls"}));
    EXPECT_EQ(mwtest::ctl(form).DataTableName->currentText(), QStringLiteral("Calls"));
    EXPECT_FALSE(form->Choices().excelTable.isEmpty());
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("2"));
    EXPECT_EQ(mwtest::ctl(form).cboPhoneDataField->count(), 2);
    EXPECT_TRUE(mwtest::ctl(form).cboPhoneDataField->itemText(1).startsWith(QStringLiteral("Phone")));
}

// ---------------------------------------------------------------- a folder typed into the path box

struct TypedPathCase {
    const char* name;
    std::int16_t option;
    const char* type;
    QString table;
    QString phone; // the profile's phone and mark fields, in both files
    QString mark;
    // Writes the table with two records into the folder, and with three
    // records under other fields into its "sub/".
    std::function<void(const QString& folder)> make;
    QStringList subFields;
    bool leftForTheToolbar = false; // the box is left for duplicate removal, else with Tab
};

inline void PrintTo(const TypedPathCase& c, std::ostream* os)
{
    *os << c.name;
}

class TypedPath : public SourcePanelTest, public ::testing::WithParamInterface<TypedPathCase> {};

TEST_P(TypedPath, IsReadAgainSoCountFieldsViewAndStartAreTheNewFiles)
{
    const TypedPathCase& c = GetParam();
    c.make(lists);
    addProfile(QString::fromLatin1(c.type), lists, c.table, c.phone, QString(), c.mark);
    frmMain* form = startAndChoose(c.option);
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("2"));

    ud::Activate(form);
    ud::ClickInto(mwtest::ctl(form).TxtPhoneData);
    ud::Key(Qt::Key_End);
    ud::Type(QStringLiteral("sub/"));
    if (c.leftForTheToolbar) {
        scripted.expectMsgBox(ui::vbNo, QStringLiteral("Do you wish to delete the duplicate numbers"));
        toolbarButton(form, QStringLiteral("Tools"))->trigger();
    } else {
        ud::Tab();
    }
    EXPECT_EQ(gCurDataTypeInfo->DataDBName(), lists + QStringLiteral("sub/"));
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("3"));
    EXPECT_EQ(items(mwtest::ctl(form).cboPhoneDataField), c.subFields);
    EXPECT_EQ(mwtest::ctl(form).cboPhoneDataField->currentText(), c.phone);

    QString viewed;
    scripted.expectModal(
        [&viewed](QDialog* dialog) {
            if (auto* viewer = qobject_cast<frmViewData*>(dialog)) viewed = viewer->lblRecords->text();
            dialog->close();
            return 0;
        },
        QStringLiteral("frmViewData"));
    ud::ClickInto(mwtest::ctl(form).cmdViewData);
    EXPECT_EQ(viewed, QStringLiteral("Records:1 - 3 of 3"));

    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("3 Not in DNC List"));
    ud::ClickInto(mwtest::ctl(form).cmdStart);
}

void MakeTextLists(const QString& folder)
{
    mwtest::WriteFile(folder + "list.txt", "Phone,Name\r\n2015551234,Ann\r\n2015550000,Bo\r\n");
    mwtest::WriteFile(folder + "sub/list.txt",
                      "Name,Phone,Status\r\nCy,2015551111,\r\nDi,2015552222,\r\nEd,2015553333,\r\n");
}

void MakeFoxProTables(const QString& folder)
{
    QDir().mkpath(folder + "sub");
    ASSERT_TRUE(mwtest::MakeDbf(folder + "calls.dbf", "PHONE C(12); NAME C(10)",
                                {"2015551234|Ann", "2015550000|Bo"}));
    ASSERT_TRUE(mwtest::MakeDbf(folder + "sub/calls.dbf", "NAME C(10); PHONE C(12); STATUS C(10)",
                                {"Cy|2015551111|", "Di|2015552222|", "Ed|2015553333|"}));
}

const QStringList kTextFields{"Name", "Phone", "Status"};

INSTANTIATE_TEST_SUITE_P(SourcePanel, TypedPath,
                         ::testing::Values(TypedPathCase{"TextFile", 1, "TEXT FILE", "list.txt", "Phone",
                                                         "Name", MakeTextLists, kTextFields},
                                           TypedPathCase{"TextFileLeftForTheToolbar", 1, "TEXT FILE",
                                                         "list.txt", "Phone", "Name", MakeTextLists,
                                                         kTextFields, true},
                                           TypedPathCase{"FoxPro",
                                                         2,
                                                         "FOXPRO",
                                                         "calls.dbf",
                                                         "PHONE",
                                                         "NAME",
                                                         MakeFoxProTables,
                                                         {"NAME", "PHONE", "STATUS"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- an action takes what the panel shows

// Writes tables of a source type into the file (a folder for text and
// FoxPro): each a name and its rows, the titles first, cells joined by "|".
void WriteSource(const QString& type, const QString& path,
                 const QList<std::pair<QString, QStringList>>& tables)
{
    std::unique_ptr<files::XlsxWriter> book;
    if (type == "EXCEL") book = std::make_unique<files::XlsxWriter>(path);
    for (const auto& [name, rows] : tables) {
        const QStringList titles = rows.first().split('|');
        if (type == "TEXT FILE")
            mwtest::WriteFile(path + name,
                              QStringList(rows).replaceInStrings("|", ",").join("\r\n").toUtf8());
        if (type == "FOXPRO")
            EXPECT_TRUE(mwtest::MakeDbf(path + name, titles.join(" C(12); ") + " C(12)", rows.mid(1)));
        if (type == "ACCESS") {
            mwtest::Db db(path);
            db.exec(QStringLiteral("create table %1 (%2 TEXT)").arg(name, titles.join(" TEXT, ")));
            for (const QString& row : rows.mid(1))
                db.exec(QStringLiteral("insert into %1 values ('%2')")
                            .arg(name, QString(row).replace("|", "','")));
        }
        if (book) book->addSheet(name);
        for (const QString& row : book ? rows : QStringList()) {
            QList<vb::Variant> cells;
            for (const QString& cell : row.split('|'))
                cells << vb::Variant(cell);
            book->addRow(cells);
        }
    }
    if (book) book->finish();
}

// Each type's first source (fields Phone, Alt, Status; two records, the
// first a DNC number) and its second (Name, Phone, Status; three records,
// the DNC number in every Name, one phone number twice): another file at the
// typed path, and another table "Other" beside the first.
struct PanelSources {
    QString path, table, phone, mark, typedPath, typedField;
};

PanelSources MakePanelSources(const QString& type, const QString& dir, bool firstMissing)
{
    const bool fox = type == "FOXPRO";
    const QString titles = fox ? "PHONE|ALT|STATUS" : "Phone|Alt|Status";
    const QStringList a{titles, "2015551234|2015557777|-", "2015550000|2015557777|-"};
    const QStringList b{fox ? "NAME|PHONE|STATUS" : "Name|Phone|Status", "2015551234|2015552222|-",
                        "2015551234|2015552222|-", "2015551234|2015553333|-"};
    const auto [phone, alt, status] =
        std::tuple(titles.section('|', 0, 0), titles.section('|', 1, 1), titles.section('|', 2, 2));
    if (fox || type == "TEXT FILE") {
        const QString file = fox ? "calls.dbf" : "calls.csv";
        QDir().mkpath(dir + "sub");
        if (!firstMissing) WriteSource(type, dir, {{file, a}});
        WriteSource(type, dir + "sub/", {{file, b}});
        return {dir, file, phone, status, dir + "sub/", alt};
    }
    const QString ext = type == "EXCEL" ? ".xlsx" : ".mdb";
    WriteSource(type, dir + "a" + ext, {{"Calls", a}, {"Other", b}});
    WriteSource(type, dir + "b" + ext, {{"Calls", b}});
    if (type == "EXCEL")
        return {dir + "a.xlsx", "Calls", "Phone - (A)", "Status - (C)", dir + "b.xlsx", "Alt - (B)"};
    return {dir + "a.mdb", "Calls", phone, status, dir + "b.mdb", alt};
}

enum class Change { Path, TypedTable, KeyedTable, Field };
enum class Action { Start, Tools, View };

// A source type (by its option), the change made in the panel and the
// action taken: the boxes the action shows in order, each answered Yes (View:
// the viewer's records), and the count the panel shows afterwards.
struct PanelRunCase {
    std::int16_t option;
    Change change;
    Action action;
    QStringList says;
    QString count;
    bool firstMissing = false;
};

const char* const kPanelTypes[] = {"ONE NUMBER", "TEXT FILE", "FOXPRO", "EXCEL", "ACCESS"};

std::string NameOf(const PanelRunCase& c)
{
    const char* types[] = {"OneNumberLookUp", "Text", "FoxPro", "Excel", "Access"};
    const char* changes[] = {"Path", "TypedTable", "KeyedTable", "Field"};
    const char* actions[] = {"Start", "Tools", "View"};
    return std::string(types[c.option]) + changes[int(c.change)] +
           (c.firstMissing ? "FromAFolderWithoutIt" : "") + actions[int(c.action)];
}

const QString kSure = QStringLiteral("Are you sure want to start?");
const QString kDuplicates = QStringLiteral("Do you wish to delete the duplicate numbers");
const QString kNoPhone = QStringLiteral("Please select phone field name!");
const QString kFinished = QStringLiteral("Action is finished!");
const QString kSecondScrubbed = QStringLiteral("3 Not in DNC List; 0");
const QString kAltScrubbed = QStringLiteral("2 Not in DNC List; 0");
const QString kSecondViewed = QStringLiteral("Records:1 - 3 of 3");

class PanelRun : public SourcePanelTest, public ::testing::WithParamInterface<PanelRunCase> {};

TEST_P(PanelRun, TouchesTheFileTableAndColumnThePanelShows)
{
    const PanelRunCase& c = GetParam();
    const QString type = QString::fromLatin1(kPanelTypes[c.option]);
    const bool lookUp = type == "ONE NUMBER";
    const PanelSources s = lookUp ? PanelSources{"2015550000", {}, {}, {}, "2015551234", {}}
                                  : MakePanelSources(type, lists, c.firstMissing);
    mwtest::Db(databasePath())
        .exec("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
              "insert into phone201 values (5551234);");
    addProfile(type, s.path, s.table, s.phone, QString(), s.mark);
    frmMain* form = startAndChoose(c.option);
    ASSERT_NE(form, nullptr);
    const mwtest::Controls w = mwtest::ctl(form);
    ASSERT_EQ(w.txtPhoneDataTotal->text(), lookUp || c.firstMissing ? QString() : QStringLiteral("2"));

    ud::Activate(form);
    ud::ClickInto(c.change == Change::Path    ? static_cast<QWidget*>(w.TxtPhoneData)
                  : c.change == Change::Field ? w.cboPhoneDataField
                                              : w.DataTableName);
    ud::Key(Qt::Key_A, Qt::ControlModifier);
    if (c.change == Change::KeyedTable)
        ud::Key(Qt::Key_Down);
    else
        ud::Type(c.change == Change::Path ? s.typedPath : c.change == Change::Field ? s.typedField : "Other");

    for (const QString& say : c.says)
        if (c.action != Action::View) scripted.expectMsgBox(ui::vbYes, say);
    QString viewed;
    if (c.action == Action::View)
        scripted.expectModal(
            [&viewed](QDialog* dialog) {
                if (auto* viewer = qobject_cast<frmViewData*>(dialog)) viewed = viewer->lblRecords->text();
                dialog->close();
                return 0;
            },
            QStringLiteral("frmViewData"));
    if (c.action == Action::Tools)
        // A toolbar button takes no focus: the box is not left.
        QTest::mouseClick(w.TBLaunch->widgetForAction(toolbarButton(form, "Tools")), Qt::LeftButton);
    else
        ud::ClickInto(c.action == Action::View ? w.cmdViewData : w.cmdStart);

    EXPECT_EQ(w.txtPhoneDataTotal->text(), c.count);
    if (c.action == Action::View) EXPECT_EQ(viewed, c.says.value(0));
    if (c.says.contains(kFinished))
        EXPECT_EQ(w.sbStatusBar->PanelText(1), QStringLiteral("1 Duplicate Number(s) is (are) removed"));
}

INSTANTIATE_TEST_SUITE_P(
    SourcePanel, PanelRun,
    ::testing::Values(
        PanelRunCase{1, Change::Path, Action::Start, {kSure, kSecondScrubbed}, "3"},
        PanelRunCase{1, Change::Path, Action::Tools, {kDuplicates, kFinished}, "2"},
        PanelRunCase{1, Change::Path, Action::View, {kSecondViewed}, "3"},
        PanelRunCase{1, Change::Field, Action::Start, {kSure, kAltScrubbed}, "2"},
        PanelRunCase{1, Change::Field, Action::Tools, {kDuplicates, kFinished}, "1"},
        PanelRunCase{2, Change::Path, Action::Start, {kSure, kSecondScrubbed}, "3"},
        PanelRunCase{2, Change::Path, Action::Tools, {kDuplicates, kFinished}, "2"},
        PanelRunCase{2, Change::Path, Action::View, {kSecondViewed}, "3"},
        PanelRunCase{2, Change::Path, Action::Start, {kSure, kSecondScrubbed}, "3", true},
        PanelRunCase{2, Change::Path, Action::View, {kSecondViewed}, "3", true},
        PanelRunCase{2, Change::Field, Action::Tools, {kDuplicates, kFinished}, "1"},
        PanelRunCase{3, Change::Path, Action::Start, {kSure, kNoPhone}, "3"},
        PanelRunCase{3, Change::Path, Action::Tools, {kNoPhone}, "3"},
        PanelRunCase{3, Change::Path, Action::View, {kSecondViewed}, "3"},
        PanelRunCase{3, Change::TypedTable, Action::Start, {kSure, kNoPhone}, "3"},
        PanelRunCase{3, Change::KeyedTable, Action::Tools, {kNoPhone}, "3"},
        PanelRunCase{3, Change::KeyedTable, Action::View, {kSecondViewed}, "3"},
        PanelRunCase{3, Change::Field, Action::Start, {kSure, kAltScrubbed}, "2"},
        PanelRunCase{3, Change::Field, Action::Tools, {kDuplicates, kFinished}, "1"},
        PanelRunCase{4, Change::Path, Action::Start, {kSure, kSecondScrubbed}, "3"},
        PanelRunCase{4, Change::Path, Action::Tools, {kDuplicates, kFinished}, "2"},
        PanelRunCase{4, Change::Path, Action::View, {kSecondViewed}, "3"},
        PanelRunCase{4, Change::TypedTable, Action::Tools, {kDuplicates, kFinished}, "2"},
        PanelRunCase{4, Change::KeyedTable, Action::Start, {kSure, kSecondScrubbed}, "3"},
        PanelRunCase{4, Change::KeyedTable, Action::View, {kSecondViewed}, "3"},
        PanelRunCase{4, Change::Field, Action::Start, {kSure, kAltScrubbed}, "2"},
        PanelRunCase{0, Change::Path, Action::Start, {QStringLiteral("Warning:  Do Not Call Number")}, ""}),
    [](const auto& info) { return NameOf(info.param); });
