// The small dialogs of the main window: the source pickers, the scrub
// options, the program properties and the about box, with what each leaves
// in the profile and the settings.

#include "MainWindowFixture.h"
#include "support/UserDrive.h"

#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/Settings.h"
#include "mainwindow/SourceViewer.h"
#include "mainwindow/frmASC.h"
#include "mainwindow/frmAbout.h"
#include "mainwindow/frmProperties.h"
#include "mainwindow/frmSourcePickers.h"
#include "platform/ui/Registry.h"
#include "platform/vb/App.h"
#include "records/CDataTypeInfo.h"
#include "screens/frmViewData.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <functional>

namespace ud = userdrive;

namespace {

std::shared_ptr<CDataTypeInfo> ProfileWith(const QStringList& names, const QString& stored)
{
    auto profile = std::make_shared<CDataTypeInfo>();
    for (const QString& name : names)
        profile->TableNameData()->Add(name, name);
    profile->SetDataTableName(stored);
    return profile;
}

QStringList ListItems(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

using SourceDialogs = MainWindowTest;

TEST_F(SourceDialogs, PickersChooseTheStoredOrTheOnlyNameAndInsistOnAChoice)
{
    struct Case {
        QStringList names;
        const char* stored;
        int row;
    };
    const Case cases[] = {
        {{"Sheet1", "Sheet2", "Data"}, "Sheet2", 1},
        {{"Sheet1", "Sheet2"}, "sheet2", -1},
        {{"Only"}, "Other", 0},
        {{"A", "B"}, "", -1},
    };
    for (const Case& c : cases) {
        const auto profile = ProfileWith(c.names, QString::fromLatin1(c.stored));
        frmSelectTable picker;
        picker.Component(profile);
        picker.show();
        EXPECT_EQ(ListItems(picker.cboSheet), c.names);
        EXPECT_EQ(picker.ChosenRow(), c.row) << c.stored;
        if (c.row < 0) {
            scripted.expectMsgBox(ui::vbOK, QStringLiteral("Please select Sheet Name."),
                                  ui::vbExclamation | ui::vbOKOnly);
            picker.cmdOK->click();
            EXPECT_TRUE(picker.isVisible()) << "the dialog stays open";
            EXPECT_EQ(profile->DataTableName(), QString::fromLatin1(c.stored));
        } else {
            picker.cmdOK->click();
            EXPECT_FALSE(picker.isVisible());
            EXPECT_EQ(profile->DataTableName(), c.names[c.row]);
        }
    }
}

namespace {

enum class Picker { Text, Sheet, Table };

struct PickerKeysCase {
    const char* name;
    Picker picker;
    std::function<void(QDialog&)> user; // on the dialog just opened
    QString stored;                     // the sheet or table stored; the text wizard stores no name
    bool header = false;                // the header flag stored
};

void PrintTo(const PickerKeysCase& c, std::ostream* os)
{
    *os << c.name;
}

class PickerKeys : public MainWindowTest, public ::testing::WithParamInterface<PickerKeysCase> {};

QListWidget* SheetList(QDialog& d)
{
    return d.findChild<QListWidget*>(QStringLiteral("cboSheet"));
}

// A double-click as the mouse gives it: a click, then the second press.
void DoubleClickRow(QListWidget* list, int row)
{
    ud::ClickRow(list, row, Qt::NoModifier, 0);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, ud::RowPoint(list, row, 0));
    ud::Settle();
}

} // namespace

TEST_P(PickerKeys, ConfirmTheChoiceAsAUserDoes)
{
    const auto profile = ProfileWith({"Sheet1", "Calls", "Old"}, QString());
    profile->SetIsTitleFirstLine(false);
    std::unique_ptr<QDialog> dialog;
    if (GetParam().picker == Picker::Text)
        dialog = std::make_unique<frmTextWizard>();
    else if (GetParam().picker == Picker::Sheet)
        dialog = std::make_unique<frmExcelWizard>();
    else
        dialog = std::make_unique<frmSelectTable>();
    if (auto* text = qobject_cast<frmTextWizard*>(dialog.get())) text->Component(profile);
    if (auto* list = qobject_cast<SheetListDialog*>(dialog.get())) list->Component(profile);
    ud::Activate(dialog.get());
    if (const QString shots = qEnvironmentVariable("TERVALA_SCREENSHOT_DIR"); !shots.isEmpty())
        dialog->grab().save(shots + "/tervala_picker_" + GetParam().name + ".png");
    GetParam().user(*dialog);
    EXPECT_FALSE(dialog->isVisible()) << "confirmed";
    EXPECT_EQ(profile->DataTableName(), GetParam().stored);
    EXPECT_EQ(profile->IsTitleFirstLine(), GetParam().header);
}

INSTANTIATE_TEST_SUITE_P(
    SourceDialogs, PickerKeys,
    ::testing::Values(
        PickerKeysCase{"SheetClickedAndEnter", Picker::Sheet,
                       [](QDialog& d) {
                           ud::ClickRow(SheetList(d), 1, Qt::NoModifier, 0);
                           ud::Enter();
                       },
                       "Calls"},
        PickerKeysCase{"SheetDoubleClicked", Picker::Sheet,
                       [](QDialog& d) { DoubleClickRow(SheetList(d), 2); }, "Old"},
        PickerKeysCase{"SheetKeptAfterABlankClickAndEnter", Picker::Sheet,
                       [](QDialog& d) {
                           ud::ClickRow(SheetList(d), 1, Qt::NoModifier, 0);
                           QWidget* page = SheetList(d)->viewport();
                           QTest::mouseClick(page, Qt::LeftButton, Qt::NoModifier,
                                             QPoint(page->width() / 2, page->height() - 4));
                           ud::Enter();
                       },
                       "Calls"},
        PickerKeysCase{"HeaderTickedSheetChosenOkByEnter", Picker::Sheet,
                       [](QDialog& d) {
                           ud::ClickInto(d.findChild<QCheckBox*>(QStringLiteral("chkIsTitleFirstLine")));
                           ud::Tab();
                           ud::Key(Qt::Key_Down);
                           ud::Tab();
                           EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("cmdOK"));
                           ud::Enter();
                       },
                       "Calls", true},
        PickerKeysCase{"TableDoubleClicked", Picker::Table,
                       [](QDialog& d) { DoubleClickRow(SheetList(d), 1); }, "Calls"},
        PickerKeysCase{"TextLayoutTickedAndEnterInTheBox", Picker::Text,
                       [](QDialog& d) {
                           ud::ClickInto(d.findChild<QCheckBox*>(QStringLiteral("chkIsTitleFirstLine")));
                           ud::Enter();
                       },
                       QString(), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourceDialogs, TheWorkbookPickerStoresSheetAndFlagsOnlyOnOk)
{
    const auto profile = ProfileWith({"Sheet1", "Calls"}, QStringLiteral("Calls"));
    profile->SetIsTitleFirstLine(false);
    {
        frmExcelWizard wizard;
        wizard.Component(profile);
        wizard.show();
        EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Wizard"));
        EXPECT_FALSE(wizard.chkIsTitleFirstLine->isChecked());
        wizard.chkIsTitleFirstLine->setChecked(true);
        wizard.cboSheet->setCurrentRow(0);
        wizard.close();
    }
    EXPECT_EQ(profile->DataTableName(), QStringLiteral("Calls"));
    EXPECT_FALSE(profile->IsTitleFirstLine());

    frmExcelWizard wizard;
    wizard.Component(profile);
    wizard.show();
    wizard.chkIsTitleFirstLine->setChecked(true);
    wizard.cboSheet->setCurrentRow(0);
    wizard.cmdOK->click();
    EXPECT_EQ(profile->DataTableName(), QStringLiteral("Sheet1"));
    EXPECT_TRUE(profile->IsTitleFirstLine());
}

TEST_F(SourceDialogs, ScrubOptionsAskTheNoTableQuestionOnlyWhenTheBoxIsTicked)
{
    ASSERT_NE(start(), nullptr);
    SetSetting(QStringLiteral("nacnotindnc"), QStringLiteral("1"));
    frmASC options;
    options.show(); // no question on opening
    QCheckBox* box = options.chkOptions(5);
    EXPECT_TRUE(box->isChecked());

    box->setChecked(false); // unticking asks nothing
    EXPECT_EQ(SettingText(QStringLiteral("nacnotindnc")), QStringLiteral("0"));

    scripted.expectMsgBox(ui::vbNo, QStringLiteral("Area Codes NOT in your DNC Database! \r\n Do you wish"),
                          ui::vbYesNo | ui::vbQuestion);
    box->setChecked(true);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(SettingText(QStringLiteral("nacnotindnc")), QStringLiteral("0"));

    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Do you wish to continue?"));
    box->setChecked(true);
    EXPECT_EQ(SettingText(QStringLiteral("nacnotindnc")), QStringLiteral("1"));

    options.chkOptions(2)->setChecked(!options.chkOptions(2)->isChecked());
    EXPECT_EQ(SettingText(QStringLiteral("exportok")), options.chkOptions(2)->isChecked() ? "1" : "0");
    options.defaultcode->setText(QStringLiteral("973"));
    EXPECT_EQ(SettingText(QStringLiteral("defaultcode")), QStringLiteral("973"));
}

TEST_F(SourceDialogs, ScrubOptionsOpenFromTheToolbarAndViewAResultFileWithABlankInItsName)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    const QString okFile = home.filePath(QStringLiteral("ok list.txt"));
    mwtest::WriteFile(okFile, "Numbers Not In DNC List\r\n2015551234\r\n");
    SetSetting(QStringLiteral("okfile"), okFile);
    SetSetting(QStringLiteral("dncfile"), QStringLiteral("no such.txt"));

    QStringList seen;
    scripted.expectModal(
        [&](QDialog* dialog) {
            auto* options = qobject_cast<frmASC*>(dialog);
            EXPECT_NE(options, nullptr);
            if (!options) return 0;
            EXPECT_EQ(options->OKFile->text(), okFile);
            scripted.expectModal(
                [&](QDialog* viewer) {
                    auto* view = qobject_cast<frmViewData*>(viewer);
                    if (view) seen << view->windowTitle() << view->lblRecords->text();
                    viewer->close();
                    return 0;
                },
                QStringLiteral("frmViewData"));
            options->OKView->click();
            scripted.expectMsgBox(ui::vbOK,
                                  QStringLiteral("File ") + home.path() +
                                      QStringLiteral("/no such.txt is not exist!"),
                                  ui::vbExclamation | ui::vbOKOnly);
            options->DNCView->click();
            scripted.expectOpenFile(std::nullopt, QStringLiteral("Input result file for DNC data"));
            options->DNCBrowser->click();
            EXPECT_EQ(options->DNCFile->text(), QStringLiteral("no such.txt"));
            options->XPButton1->click();
            return 0;
        },
        QStringLiteral("frmASC"));
    for (QAction* action : mwtest::ctl(form).TBLaunch->actions())
        if (action->property("Key").toString() == QLatin1String("addopt")) action->trigger();
    EXPECT_EQ(seen, (QStringList{"View OK Data", "Records:1 - 1 of 1"}));
}

TEST_F(SourceDialogs, PropertiesTakeOnlyThreeDigitAreaCodesAndSaveThemOnOk)
{
    ASSERT_NE(start(), nullptr);
    SetSetting(QStringLiteral("keptareacode"), QStringLiteral("201,,973"));
    {
        frmProperties properties;
        properties.show();
        EXPECT_EQ(ListItems(properties.lstArea), (QStringList{"201", "", "973"}));
        const std::pair<const char*, const char*> refused[] = {
            {"1.5", "Area Code must be numbers"},   {" 12", "Area Code must be numbers"},
            {"-12", "Area Code must be numbers"},   {"1e2", "Area Code must be numbers"},
            {"abc", "Area Code must be numbers"},   {"12", "Area Code must be 3 digits"},
            {"2012", "Area Code must be 3 digits"}, {"201", "Area Code aready is in the list"},
        };
        for (const auto& [code, message] : refused) {
            properties.txtCode->setText(QString::fromLatin1(code));
            scripted.expectMsgBox(ui::vbOK, QString::fromLatin1(message), ui::vbOKOnly);
            properties.cmdGo->click();
        }
        properties.txtCode->setText(QStringLiteral("312"));
        properties.cmdGo->click();
        EXPECT_EQ(ListItems(properties.lstArea), (QStringList{"201", "", "973", "312"}));
        properties.cmdClose->click();
    }
    EXPECT_EQ(SettingText(QStringLiteral("keptareacode")), QStringLiteral("201,,973"));

    frmProperties properties;
    properties.show();
    properties.lstArea->setCurrentRow(1);
    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure to delete this area code: from database?"),
                          ui::vbYesNo);
    properties.cmdDelete->click();
    properties.txtCode->setText(QStringLiteral("312"));
    properties.cmdGo->click();
    properties.cmdOK->click();
    EXPECT_EQ(SettingText(QStringLiteral("keptareacode")), QStringLiteral("201,973,312"));
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.setting(QStringLiteral("keptareacode")), QStringLiteral("201,973,312")) << "saved at once";
}

TEST_F(SourceDialogs, TheAboutBoxShowsTheVersionAndWithAnEmptyRegistryStartsNothing)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    ui::Registry::clear();
    scripted.expectModal(
        [&](QDialog* dialog) {
            auto* about = qobject_cast<frmAbout*>(dialog);
            EXPECT_NE(about, nullptr);
            if (!about) return 0;
            EXPECT_EQ(about->windowTitle(), QStringLiteral("About Tervala"));
            EXPECT_EQ(about->lblVersion->text(), QStringLiteral("Version %1.%2.%3")
                                                     .arg(vb::App::Major())
                                                     .arg(vb::App::Minor())
                                                     .arg(vb::App::Revision()));
            scripted.expectMsgBox(ui::vbOK, QStringLiteral("System Information Is Unavailable At This Time"),
                                  ui::vbOKOnly);
            about->cmdSysInfo->click();
            EXPECT_TRUE(about->isVisible());
            about->cmdOK->click();
            return 0;
        },
        QStringLiteral("frmAbout"));
    for (QAction* action : mwtest::ctl(form).TBLaunch->actions())
        if (action->property("Key").toString() == QLatin1String("About")) action->trigger();
    EXPECT_TRUE(scripted.callsOf(ui::ScriptedServices::Kind::StartProgram).empty());
}

TEST_F(SourceDialogs, TheAboutBoxStartsTheToolTheRegistryNames)
{
    const QString tools = home.filePath(QStringLiteral("tools"));
    QDir().mkpath(tools);
    frmAbout about;
    about.show();

    // Only the folder, without the tool in it: nothing is started.
    ui::Registry::clear();
    ui::Registry::set(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"), QStringLiteral("MSINFO"),
                      tools);
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("System Information Is Unavailable At This Time"));
    about.cmdSysInfo->click();

    mwtest::WriteFile(tools + QStringLiteral("/MSINFO32.EXE"), "tool");
    scripted.expectStartProgram(true, tools + QStringLiteral("/MSINFO32.EXE"));
    about.cmdSysInfo->click();

    // The full path, stored with its terminating zero.
    ui::Registry::set(QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"),
                      QStringLiteral("/opt/sysinfo/msinfo32") + QChar(u'\0'));
    scripted.expectStartProgram(false, QStringLiteral("/opt/sysinfo/msinfo32"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("System Information Is Unavailable At This Time"));
    about.cmdSysInfo->click();
    const auto started = scripted.callsOf(ui::ScriptedServices::Kind::StartProgram);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1].text, QStringLiteral("/opt/sysinfo/msinfo32"));
    ui::Registry::clear();
}

TEST_F(SourceDialogs, OnlyCtrlF12UnlocksTheUpdatePageAndTheAddress)
{
    ASSERT_NE(start(), nullptr);
    frmProperties properties;
    properties.show();
    EXPECT_TRUE(properties.webhttp->isReadOnly());
    const auto release = [&](Qt::KeyboardModifiers modifiers) {
        QKeyEvent key(QEvent::KeyRelease, Qt::Key_F12, modifiers);
        QCoreApplication::sendEvent(&properties, &key);
    };
    release(Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(properties.webhttp->isReadOnly());
    EXPECT_TRUE(properties.defaultemail->isReadOnly());
    release(Qt::ControlModifier);
    EXPECT_FALSE(properties.webhttp->isReadOnly());
    EXPECT_FALSE(properties.defaultemail->isReadOnly());
}

TEST_F(SourceDialogs, ViewingAMissingFileNamesItInFull)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    scripted.expectMsgBox(ui::vbOK,
                          QStringLiteral("File ") + home.path() + QStringLiteral("/gone.txt is not exist!"),
                          ui::vbExclamation | ui::vbOKOnly);
    sourceview::ViewTextFile(nullptr, QStringLiteral("gone.txt"), false, QStringLiteral("View"));
    const QString book = home.filePath(QStringLiteral("gone.xlsx"));
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("File ") + book + QStringLiteral(" does not exist!"),
                          ui::vbExclamation | ui::vbOKOnly);
    sourceview::ViewExcelSheet(nullptr, book, QStringLiteral("Sheet1$"), false, QStringLiteral("View"));
    sourceview::ViewTextFile(nullptr, QString(), false,
                             QStringLiteral("View")); // nothing named: nothing happens
}
