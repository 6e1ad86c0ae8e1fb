// Browser and View of the source panel as a user drives them: the file or
// database picked, the picker dialogs answered, the panel filled, the viewer
// shown, and what is left when a dialog is cancelled or a source is empty.

#include "MainWindowFixture.h"
#include "support/SheetLoadWatch.h"

#include "mainwindow/frmSourcePickers.h"
#include "platform/excel/Excel.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Err.h"
#include "records/CDataTypeInfo.h"
#include "screens/RegisterScreens.h"
#include "screens/ScreenHooks.h"
#include "screens/frmViewData.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

namespace {

enum Type : std::int16_t { TextType = 1, ExcelType = 3, AccessType = 4, MsSqlType = 6, OdbcType = 8 };

QStringList Items(const QComboBox* combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

// The viewer's caption, its record line and its first row.
ui::ScriptedServices::ModalHandler ReadViewer(QStringList& seen)
{
    return [&seen](QDialog* dialog) {
        auto* viewer = qobject_cast<frmViewData*>(dialog);
        if (!viewer) {
            ADD_FAILURE() << "not the data viewer";
            return 0;
        }
        seen << viewer->windowTitle() << viewer->lblRecords->text();
        seen << viewer->GridModel()->index(0, 1).data().toString();
        viewer->close();
        return 0;
    };
}

} // namespace

class SourceBrowsingTest : public MainWindowTest {
protected:
    frmMain* startAndChoose(std::int16_t index)
    {
        frmMain* form = start();
        if (!form) return form;
        // MS SQL, MySQL and ODBC are kept out of sight: chosen as code does.
        if (mwtest::ctl(form).OptPhoneType(index)->isVisible())
            mwtest::ctl(form).OptPhoneType(index)->click();
        else
            form->OptPhoneType_Click(index);
        return form;
    }
    QString makeDatabase(const QString& name, const QString& sql)
    {
        const QString file = home.filePath(name);
        testsupport::Db db(file);
        db.exec(QStringLiteral("create table Keep (x integer);") + sql);
        db.exec(QStringLiteral("drop table Keep"));
        return file;
    }
};

TEST_F(SourceBrowsingTest, ATextFileInAFolderWithABlankIsPickedCountedAndViewed)
{
    const QString folder = home.filePath(QStringLiteral("my lists")) + QLatin1Char('/');
    mwtest::WriteFile(folder + QStringLiteral("ok list.csv"),
                      "Name,Phone,Status\r\nAnn,2015551234,\r\nBo,2015559876,\r\nCy,9735550000,\r\n");
    frmMain* form = startAndChoose(TextType);
    ASSERT_NE(form, nullptr);
    gCurDataTypeInfo->SetDataFieldName(QStringLiteral("Phone"));
    gCurDataTypeInfo->SetDataMarkName(QStringLiteral("Status"));

    scripted.expectOpenFile(folder + QStringLiteral("ok list.csv"), QStringLiteral("Open Phone Data File"));
    scripted.expectModal(
        [](QDialog* dialog) {
            auto* wizard = qobject_cast<frmTextWizard*>(dialog);
            EXPECT_NE(wizard, nullptr);
            if (!wizard) return 0;
            EXPECT_EQ(wizard->windowTitle(), QStringLiteral("Text Wizard"));
            wizard->chkIsTitleFirstLine->setChecked(true);
            wizard->chkDelimited->setChecked(true);
            wizard->cmdOK->click();
            return 1;
        },
        QStringLiteral("frmTextWizard"));
    mwtest::ctl(form).cmdBrowserData->click();

    EXPECT_EQ(mwtest::ctl(form).TxtPhoneData->text(), folder);
    EXPECT_EQ(Items(mwtest::ctl(form).DataTableName), QStringList{"ok list.csv"});
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("3"));
    EXPECT_EQ(Items(mwtest::ctl(form).cboPhoneDataField), (QStringList{"Name", "Phone", "Status"}));
    EXPECT_EQ(mwtest::ctl(form).cboPhoneDataField->currentText(), QStringLiteral("Phone"));
    EXPECT_EQ(mwtest::ctl(form).cboMarkField->currentText(), QStringLiteral("Status"));
    EXPECT_EQ(gCurDataTypeInfo->DataDBName(), folder);
    EXPECT_EQ(gCurDataTypeInfo->DataTableName(), QStringLiteral("ok list.csv"));
    EXPECT_TRUE(gCurDataTypeInfo->IsTitleFirstLine());
    EXPECT_EQ(gCurDataTypeInfo->Delimited(), 1);
    const auto opened = scripted.callsOf(ui::ScriptedServices::Kind::OpenFile);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].request.filter,
              QStringLiteral("Text File (*.txt,*csv)|*.txt;*.csv|All File (*.*)|*.*"));

    QStringList seen;
    scripted.expectModal(ReadViewer(seen), QStringLiteral("frmViewData"));
    mwtest::ctl(form).cmdViewData->click();
    EXPECT_EQ(seen, (QStringList{"View Phone Data", "Records:1 - 3 of 3", "Ann"}));
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
}

TEST_F(SourceBrowsingTest, ACancelledFileDialogChangesNothing)
{
    frmMain* form = startAndChoose(TextType);
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).TxtPhoneData->setText(QStringLiteral("/somewhere/"));
    scripted.expectOpenFile(std::nullopt);
    mwtest::ctl(form).cmdBrowserData->click();
    EXPECT_EQ(mwtest::ctl(form).TxtPhoneData->text(), QStringLiteral("/somewhere/"));
    EXPECT_EQ(mwtest::ctl(form).DataTableName->count(), 0);
}

TEST_F(SourceBrowsingTest, AWorkbookThatCannotBeOpenedIsAnEmptyExcelFile)
{
    frmMain* form = startAndChoose(ExcelType);
    ASSERT_NE(form, nullptr);
    const QString missing = home.filePath(QStringLiteral("missing.xlsx"));
    scripted.expectOpenFile(missing);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("(53)"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("Empty Excel file!"), ui::vbExclamation | ui::vbOKOnly);
    mwtest::ctl(form).cmdBrowserData->click();
    EXPECT_EQ(mwtest::ctl(form).TxtPhoneData->text(), missing);
    EXPECT_EQ(mwtest::ctl(form).DataTableName->count(), 0);
}

TEST_F(SourceBrowsingTest, ASheetWhoseFieldsCannotBeReadIsAnEmptyExcelFileAndTheWorkbookIsClosed)
{
    const QString book = home.filePath(QStringLiteral("two sheets.xlsx"));
    files::XlsxWriter::write(book, {{QStringLiteral("Calls"), {{QStringLiteral("Phone")}, {2015551234.0}}},
                                    {QStringLiteral("Leads"), {{QStringLiteral("Phone")}}}});
    frmMain* form = startAndChoose(ExcelType);
    ASSERT_NE(form, nullptr);
    scripted.expectOpenFile(book);
    // The sheet wizard closed without a choice: no sheet to read fields of.
    scripted.expectModal(
        [](QDialog* dialog) {
            auto* wizard = qobject_cast<frmExcelWizard*>(dialog);
            EXPECT_NE(wizard, nullptr);
            if (wizard) {
                EXPECT_EQ(wizard->ChosenRow(), -1);
            }
            dialog->close();
            return 0;
        },
        QStringLiteral("frmExcelWizard"));
    mwtest::ctl(form).cmdBrowserData->click();
    QStringList prompts;
    for (const auto& call : scripted.callsOf(ui::ScriptedServices::Kind::MsgBox))
        prompts << call.text;
    scripted.takeUnexpectedCalls(); // the failed reads report themselves
    ASSERT_FALSE(prompts.isEmpty());
    EXPECT_EQ(prompts.last(), QStringLiteral("Empty Excel file!"));
    EXPECT_EQ(Items(mwtest::ctl(form).DataTableName), (QStringList{"Calls", "Leads"}));
    EXPECT_EQ(mwtest::ctl(form).cboPhoneDataField->count(), 0);
    EXPECT_EQ(excel::Application::Instance().Workbooks().Count(), 0) << "the workbook was closed";
}

TEST_F(SourceBrowsingTest, AWorkbookIsClosedAfterItsSheetIsChosen)
{
    const QString book = home.filePath(QStringLiteral("calls.xlsx"));
    files::XlsxWriter::write(
        book, {{QStringLiteral("Calls"),
                {{QStringLiteral("Name"), QStringLiteral("Phone")}, {QStringLiteral("Ann"), 2015551234.0}}}});
    frmMain* form = startAndChoose(ExcelType);
    ASSERT_NE(form, nullptr);
    testsupport::SheetLoadWatch loads(form);
    scripted.expectOpenFile(book);
    scripted.expectModal(
        [&loads](QDialog* dialog) {
            auto* wizard = static_cast<frmExcelWizard*>(dialog);
            wizard->chkIsTitleFirstLine->setChecked(true);
            wizard->cmdOK->click();
            loads.mark();
            return 1;
        },
        QStringLiteral("frmExcelWizard"));
    mwtest::ctl(form).cmdBrowserData->click();
    // The sheet is read after the picker closed, under the hourglass, over
    // the window drawn without the picker.
    ASSERT_FALSE(loads.seen.empty());
    EXPECT_TRUE(loads.seen.front().hourglass);
    EXPECT_TRUE(loads.seen.front().drawnSinceMark);
    EXPECT_FALSE(ui::HourglassShown());
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("1"));
    EXPECT_EQ(Items(mwtest::ctl(form).cboPhoneDataField).size(), 2);
    EXPECT_FALSE(form->Choices().excelTable.isEmpty());
    EXPECT_EQ(excel::Application::Instance().Workbooks().Count(), 0);
}

TEST_F(SourceBrowsingTest, AnEmbeddedDatabaseOffersItsTablesByHowManyThereAre)
{
    struct Case {
        const char* sql;
        QStringList tables;
        bool picker;
        const char* chosen;
        const char* count;
    };
    const Case cases[] = {
        {"", {}, false, "", ""},
        {"create table Calls (Name text, Phone text); insert into Calls values ('A', '2015551234');",
         {"Calls"},
         false,
         "Calls",
         "1"},
        {"create table Calls (Name text, Phone text); create table Leads (Name text, Phone text, Note text);"
         "insert into Leads values ('A', '1', ''), ('B', '2', '');",
         {"Calls", "Leads"},
         true,
         "Leads",
         "2"},
    };
    frmMain* form = startAndChoose(AccessType);
    ASSERT_NE(form, nullptr);
    int n = 0;
    for (const Case& c : cases) {
        const QString file = makeDatabase(QStringLiteral("calls%1.mdb").arg(++n), QString::fromLatin1(c.sql));
        scripted.expectModal(mwtest::applyDatabase(file), QStringLiteral("frmMakeConnection"));
        if (c.picker)
            scripted.expectModal(
                [](QDialog* dialog) {
                    auto* picker = qobject_cast<frmSelectTable*>(dialog);
                    EXPECT_NE(picker, nullptr);
                    if (!picker) return 0;
                    EXPECT_EQ(picker->ChosenRow(), 0) << "the table chosen before";
                    picker->cboSheet->setCurrentRow(1);
                    picker->cmdOK->click();
                    return 1;
                },
                QStringLiteral("frmSelectTable"));
        mwtest::ctl(form).cmdBrowserData->click();
        EXPECT_EQ(mwtest::ctl(form).TxtPhoneData->text(), file) << n;
        EXPECT_EQ(Items(mwtest::ctl(form).DataTableName), c.tables) << n;
        EXPECT_EQ(mwtest::ctl(form).DataTableName->currentText(), QString::fromLatin1(c.chosen)) << n;
        if (c.tables.isEmpty()) continue;
        EXPECT_EQ(gCurDataTypeInfo->DataTableName(), QString::fromLatin1(c.chosen)) << n;
        EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QString::fromLatin1(c.count)) << n;
    }
}

TEST_F(SourceBrowsingTest, ConnectionPresetsFillOnlyWhatTheProfileLacks)
{
    frmMain* form = startAndChoose(MsSqlType);
    ASSERT_NE(form, nullptr);
    gCurDataTypeInfo->SetDataServer(QStringLiteral("db1"));
    gCurDataTypeInfo->SetDataUSERID(QString());
    // Cancelled: the object goes back into the profile all the same.
    scripted.expectModal(mwtest::cancelDialog(), QStringLiteral("frmMakeConnection"));
    mwtest::ctl(form).cmdBrowserData->click();
    // Reaching a server that is not there is reported by the profile, as
    // the driver manager words it.
    scripted.takeUnexpectedCalls();
    EXPECT_EQ(gCurDataTypeInfo->DataServer(), QStringLiteral("db1"));
    EXPECT_EQ(gCurDataTypeInfo->DataUSERID(), QStringLiteral("sa"));
    EXPECT_EQ(gCurDataTypeInfo->DataProvider(), QStringLiteral("SQLOLEDB"));
    EXPECT_EQ(gCurDataTypeInfo->DataDSN(), QStringLiteral("(None)"));
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
}

TEST_F(SourceBrowsingTest, ViewOfATableNamedLikeAQueryWordShowsThatTable)
{
    const QString file = makeDatabase(
        QStringLiteral("pre.mdb"), QStringLiteral("create table Preselected (Name text, Phone text);"
                                                  "insert into Preselected values ('Zed', '2015551234');"));
    frmMain* form = startAndChoose(AccessType);
    ASSERT_NE(form, nullptr);
    scripted.expectModal(mwtest::applyDatabase(file), QStringLiteral("frmMakeConnection"));
    mwtest::ctl(form).cmdBrowserData->click();
    ASSERT_EQ(mwtest::ctl(form).DataTableName->currentText(), QStringLiteral("Preselected"));
    QStringList seen;
    scripted.expectModal(ReadViewer(seen), QStringLiteral("frmViewData"));
    mwtest::ctl(form).cmdViewData->click();
    EXPECT_EQ(seen, (QStringList{"View Phone Data", "Records:1 - 1 of 1", "Zed"}));
}

TEST_F(SourceBrowsingTest, TheViewerIsGivenTheQueryAsItStandsOrATableWithTheQueryBeforeIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"[Preselected]", "select * from [Preselected]"}, {"Preselected", "select * from Preselected"},
        {"Selection", "select * from Selection"},         {"SELECT * FROM a", "SELECT * FROM a"},
        {"  select x from t", "  select x from t"},       {"[ok list.txt]", "select * from [ok list.txt]"},
    };
    for (const auto& [given, run] : cases)
        EXPECT_EQ(screenhooks::ViewQuery(QString::fromLatin1(given)), QString::fromLatin1(run)) << given;
}

TEST_F(SourceBrowsingTest, TheWindowIsEnabledAgainAfterAnErrorWhileViewing)
{
    frmMain* form = startAndChoose(TextType);
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).DataTableName->addItem(QStringLiteral("calls.csv"));
    mwtest::ctl(form).DataTableName->setCurrentIndex(0);
    screenhooks::SetViewData([](QWidget*, const QString&, const QString&, bool, const QString&) {
        vb::Raise(vb::errnum::FileNotFound);
    });
    mwtest::ctl(form).cmdViewData->click();
    RegisterScreens();
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_FALSE(form->ActionRunning());
    EXPECT_TRUE(scripted.calls().empty()) << "no message";
}

TEST_F(SourceBrowsingTest, AnOdbcDataSourceTypedInLeavesTheDatabaseNameAlone)
{
    frmMain* form = startAndChoose(OdbcType);
    ASSERT_NE(form, nullptr);
    gCurDataTypeInfo->SetDataDBName(QStringLiteral("sales"));
    mwtest::ctl(form).TxtPhoneData->setText(QStringLiteral("warehouse"));
    EXPECT_EQ(gCurDataTypeInfo->DataDBName(), QStringLiteral("sales"));
    EXPECT_EQ(gCurDataTypeInfo->DataDSN(), QStringLiteral("warehouse"));
}

TEST_F(SourceBrowsingTest, BothButtonsDoNothingForOneNumber)
{
    frmMain* form = startAndChoose(0);
    ASSERT_NE(form, nullptr);
    form->cmdBrowserData_Click();
    form->cmdViewData_Click();
    EXPECT_TRUE(scripted.calls().empty());
}
