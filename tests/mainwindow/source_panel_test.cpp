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
#include <QRegularExpression>
#include <functional>

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

    // The viewer View opens: its record line is kept in viewed, and it is closed.
    void expectViewer(QString& viewed)
    {
        scripted.expectModal(
            [&viewed](QDialog* dialog) {
                if (auto* viewer = qobject_cast<frmViewData*>(dialog)) viewed = viewer->lblRecords->text();
                dialog->close();
                return 0;
            },
            QStringLiteral("frmViewData"));
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
    expectViewer(viewed);
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
    QList<files::XlsxWriter::Sheet> sheets;
    for (const auto& [name, rows] : tables) {
        const QStringList titles = rows.first().split('|');
        // A column of one-digit values is a numeric field.
        const bool numeric = rows.size() > 1 && rows[1].back().isDigit();
        QStringList foxFields = titles, sqlFields = titles;
        foxFields.replaceInStrings(QRegularExpression("$"), " C(12)");
        sqlFields.replaceInStrings(QRegularExpression("$"), " TEXT");
        if (numeric)
            foxFields.last().replace(" C(12)", " N(2,0)"), sqlFields.last().replace("TEXT", "INTEGER");
        if (type == "TEXT FILE")
            mwtest::WriteFile(path + name,
                              QStringList(rows).replaceInStrings("|", ",").join("\r\n").toUtf8());
        if (type == "FOXPRO") EXPECT_TRUE(mwtest::MakeDbf(path + name, foxFields.join("; "), rows.mid(1)));
        if (type == "ACCESS")
            mwtest::Db(path).exec(
                QStringLiteral("create table %1 (%2); insert into %1 values ('%3')")
                    .arg(name, sqlFields.join(", "),
                         QStringList(rows.mid(1)).replaceInStrings("|", "','").join("'), ('")));
        sheets.append(files::XlsxWriter::Sheet{name, {}});
        for (const QString& row : rows)
            for (sheets.last().rows.append(QList<vb::Variant>()); const QString& cell : row.split('|'))
                sheets.last().rows.last()
                    << (cell.size() == 1 && cell[0].isDigit() ? vb::Variant(cell.toDouble())
                                                              : vb::Variant(cell));
    }
    if (type == "EXCEL") files::XlsxWriter::write(path, sheets);
}

// Each type's first source (fields Phone, Alt, Status; two records, the first a DNC number) and its second
// (Name, Phone, Status; three records, the DNC number in every Name, one phone number twice): another file at
// the typed path, and another table "Other" beside the first. Other second sources (Second) have the phone
// field where the first has it: one without the mark field, one whose mark field is numeric, one not there.
enum class Second {
    Same,
    LacksMark,
    NumericMark,
    Missing,
    NumericPhone
}; // NumericPhone: "Other" in the first
using enum Second;

struct PanelSources {
    QString path, table, phone, mark, typedPath, typedField;
    QStringList others; // the typed paths of the other second sources, in the order of Second
};

PanelSources MakePanelSources(const QString& type, const QString& dir, bool firstMissing, bool numericPhone)
{
    const bool fox = type == "FOXPRO";
    const QString titles = fox ? "PHONE|ALT|STATUS" : "Phone|Alt|Status";
    const QStringList a{titles, "2015551234|2015557777|-", "2015550000|2015557777|-"};
    const QStringList b{fox ? "NAME|PHONE|STATUS" : "Name|Phone|Status", "2015551234|2015552222|-",
                        "2015551234|2015552222|-", "2015551234|2015553333|-"};
    const QStringList lacking{fox ? "PHONE|NAME|NOTES" : "Phone|Name|Notes", "2015551234|Ann|x",
                              "2015550000|Bo|y"};
    const QStringList numeric{titles, "2015551234|Ann|1", "2015550000|Bo|2"};
    QStringList t = titles.split('|'); // the phone, alt and status fields
    if (fox || type == "TEXT FILE") {
        const QString file = fox ? "calls.dbf" : "calls.csv";
        for (const char* sub : {"sub", "lacking", "numeric"})
            QDir().mkpath(dir + sub);
        if (!firstMissing) WriteSource(type, dir, {{file, a}});
        WriteSource(type, dir + "sub/", {{file, b}});
        WriteSource(type, dir + "lacking/", {{file, lacking}});
        WriteSource(type, dir + "numeric/", {{file, numeric}});
        return {
            dir, file, t[0], t[2], dir + "sub/", t[1], {dir + "lacking/", dir + "numeric/", dir + "gone/"}};
    }
    const QString ext = type == "EXCEL" ? ".xlsx" : ".mdb";
    const QStringList numbers{"Alt|Status|Phone", "x|-|1", "y|-|2"};
    WriteSource(type, dir + "a" + ext, {{"Calls", a}, {"Other", numericPhone ? numbers : b}});
    WriteSource(type, dir + "b" + ext, {{"Calls", b}});
    WriteSource(type, dir + "lacking" + ext, {{"Calls", lacking}});
    WriteSource(type, dir + "numeric" + ext, {{"Calls", numeric}});
    if (type == "EXCEL") t = QStringList{"Phone - (A)", "Alt - (B)", "Status - (C)"};
    return {dir + "a" + ext,
            "Calls",
            t[0],
            t[2],
            dir + "b" + ext,
            t[1],
            {dir + "lacking" + ext, dir + "numeric" + ext, dir + "missing" + ext}};
}

// FieldName: "Alt" without its column; Appears: no box touched, the missing list put in place.
enum class Change { Path, TypedTable, KeyedTable, Field, FieldName, Appears };
enum class Action { Start, Tools, View };
using enum Change;
using enum Action;

// A source type (by its option), the change made in the panel and the action taken.
struct PanelRunCase {
    std::int16_t option;
    Change change;
    Action action;
    bool firstMissing = false;
    Second second = Same; // the source a typed path names
    bool deleting = false;
};

const char* const kPanelTypes[] = {"ONE NUMBER", "TEXT FILE", "FOXPRO", "EXCEL", "ACCESS"};

// The boxes the action shows in order, each answered Yes (View: the viewer's records), and the count the
// panel shows afterwards. The second source has 3 records (2 without the duplicate), no field "Phone - (A)"
// in a workbook; the Alt field 2 numbers (1 without).
std::pair<QStringList, QString> Expected(const PanelRunCase& c)
{
    const QString sure = "Are you sure want to start?", noPhone = "Please select phone field name!";
    const bool field = c.change == Field;
    if (c.option == 0) return {{QStringLiteral("Warning:  Do Not Call Number")}, ""};
    // A choice the other source lacks is asked for; a source not there is named.
    const QString file = c.option < 3 ? "gone/" + QString(c.option == 1 ? "calls.csv" : "calls.dbf")
                                      : QString(c.option == 3 ? "missing.xlsx" : "missing.mdb");
    if (c.second == Missing) return {{"/lists/" + file + " does not exist!"}, ""};
    if (c.second == NumericPhone) return {{"Records:1 - 2 of 2"}, "2"};
    if (c.second == LacksMark)
        return {c.action == Start ? QStringList{sure, "Please select mark field name!"}
                                  : QStringList{"Please select mark field name!"},
                "2"};
    if (c.second == NumericMark)
        return {{"Mark should be digits for this mark field -" + QString(c.option == 3   ? "Status - (C)"
                                                                         : c.option == 2 ? "STATUS"
                                                                                         : "Status")},
                "2"};
    if (c.change == FieldName) return {{sure, "\"Alt\" is not a field of the sheet. " + noPhone}, "2"};
    if (c.change == Appears) return {{sure, "1 Not in DNC List; 1"}, "2"};
    if (c.action == View) return {{QStringLiteral("Records:1 - 3 of 3")}, "3"};
    if (c.option == 3 && !field)
        return {c.action == Start ? QStringList{sure, noPhone} : QStringList{noPhone}, "3"};
    if (c.action == Tools)
        return {{"Do you wish to delete the duplicate numbers", "Action is finished!"}, field ? "1" : "2"};
    return {{sure, field ? "2 Not in DNC List; 0" : "3 Not in DNC List; 0"}, field ? "2" : "3"};
}

class PanelRun : public SourcePanelTest, public ::testing::WithParamInterface<PanelRunCase> {};

TEST_P(PanelRun, TouchesTheFileTableAndColumnThePanelShows)
{
    const PanelRunCase& c = GetParam();
    const auto [says, count] = Expected(c);
    const QString type = QString::fromLatin1(kPanelTypes[c.option]);
    const PanelSources s = c.option == 0
                               ? PanelSources{"2015550000", {}, {}, {}, "2015551234", {}}
                               : MakePanelSources(type, lists, c.firstMissing, c.second == NumericPhone);
    mwtest::Db(databasePath())
        .exec("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
              "insert into phone201 values (5551234);");
    addProfile(type, s.path, s.table, s.phone, QString(), s.mark);
    frmMain* form = startAndChoose(c.option);
    ASSERT_NE(form, nullptr);
    const mwtest::Controls w = mwtest::ctl(form);
    ASSERT_EQ(w.txtPhoneDataTotal->text(), c.option == 0 || c.firstMissing ? QString() : QStringLiteral("2"));

    ud::Activate(form);
    if (c.deleting) ud::ClickInto(w.chkOptions);
    const QString typed = c.second == Same ? s.typedPath : s.others.value(int(c.second) - 1);
    // Where a source lacks a choice, neither source is touched.
    const bool inFolder = c.option < 3;
    const QStringList files{inFolder ? s.path + s.table : s.path, inFolder ? typed + s.table : typed};
    QList<QByteArray> before;
    for (const QString& file : files)
        before << mwtest::ReadFile(file);
    QWidget* const boxes[] = {w.TxtPhoneData, w.DataTableName, w.DataTableName, w.cboPhoneDataField,
                              w.cboPhoneDataField};
    if (c.change == Appears) {
        MakePanelSources(type, lists, false, false);
    } else {
        ud::ClickInto(boxes[int(c.change)]);
        ud::Key(Qt::Key_A, Qt::ControlModifier);
        if (c.change == KeyedTable)
            ud::Key(Qt::Key_Down);
        else
            ud::Type(c.change == Path        ? typed
                     : c.change == Field     ? s.typedField
                     : c.change == FieldName ? "Alt"
                                             : "Other");
    }

    const bool viewer = says.value(0).startsWith("Records:");
    for (const QString& say : says)
        if (!viewer) scripted.expectMsgBox(ui::vbYes, say);
    QString viewed;
    if (viewer) expectViewer(viewed);
    if (c.action == Tools)
        // A toolbar button takes no focus: the box is not left.
        QTest::mouseClick(w.TBLaunch->widgetForAction(toolbarButton(form, "Tools")), Qt::LeftButton);
    else
        ud::ClickInto(c.action == View ? w.cmdViewData : w.cmdStart);

    EXPECT_EQ(w.txtPhoneDataTotal->text(), count);
    if (c.second != Same) {
        for (int i = 0; i < files.size(); ++i)
            EXPECT_EQ(mwtest::ReadFile(files[i]), before[i]) << files[i].toStdString();
        EXPECT_EQ(w.txtMarkChar->text(), QStringLiteral("DNC"));
        return;
    }
    if (c.action == View) EXPECT_EQ(viewed, says.value(0));
    if (says.contains("Action is finished!"))
        EXPECT_EQ(w.sbStatusBar->PanelText(1), QStringLiteral("1 Duplicate Number(s) is (are) removed"));
}

INSTANTIATE_TEST_SUITE_P(
    SourcePanel, PanelRun,
    ::testing::ValuesIn(std::vector<PanelRunCase>{
        {1, Path, Start},
        {1, Path, Tools},
        {1, Path, View},
        {1, Field, Start},
        {1, Field, Tools},
        {2, Path, Start},
        {2, Path, Tools},
        {2, Path, View},
        {2, Path, Start, true},
        {2, Path, View, true},
        {2, Appears, Start, true},
        {2, Field, Tools},
        {3, Path, Start},
        {3, Path, Tools},
        {3, Path, View},
        {3, TypedTable, Start},
        {3, KeyedTable, Tools},
        {3, KeyedTable, View},
        {3, Field, Start},
        {3, Field, Tools},
        {4, Path, Start},
        {4, Path, Tools},
        {4, Path, View},
        {4, TypedTable, Tools},
        {4, KeyedTable, Start},
        {4, KeyedTable, View},
        {4, Field, Start},
        {0, Path, Start},
        // The other source lacks the mark field, has it numeric, or is not there.
        {1, Path, Start, false, LacksMark},
        {1, Path, Tools, false, LacksMark, true},
        {1, Path, Start, false, NumericMark, true},
        {1, Path, Start, false, Missing},
        {2, Path, Start, false, LacksMark, true},
        {2, Path, Start, false, NumericMark},
        {2, Path, Tools, false, Missing},
        {3, Path, Start, false, LacksMark},
        {3, Path, Start, false, LacksMark, true},
        {3, Path, Start, false, NumericMark},
        {3, Path, Start, false, Missing},
        {3, Path, View, false, Missing},
        {4, Path, Start, false, LacksMark},
        {4, Path, Tools, false, LacksMark},
        {4, Path, Start, false, NumericMark, true},
        {4, Path, View, false, Missing},
        {3, FieldName, Start},
        // Stepped to a table whose phone field is numeric: the mark text stays.
        {4, KeyedTable, View, false, NumericPhone}}),
    ([](const auto& info) {
        const char* types[] = {"OneNumberLookUp", "Text", "FoxPro", "Excel", "Access"};
        const char* changes[] = {"Path", "TypedTable", "KeyedTable", "Field", "FieldName", "Appears"};
        const char* actions[] = {"Start", "Tools", "View"};
        const char* seconds[] = {"", "LackingTheMark", "WithANumericMark", "NotThere", "WithANumericPhone"};
        return std::string(types[info.param.option]) + changes[int(info.param.change)] +
               seconds[int(info.param.second)] + (info.param.firstMissing ? "FromAFolderWithoutIt" : "") +
               actions[int(info.param.action)] + (info.param.deleting ? "Deleting" : "");
    }));
