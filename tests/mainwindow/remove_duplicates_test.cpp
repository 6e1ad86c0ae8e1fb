// Duplicate removal from the toolbar: the choices it needs per source type,
// and a run on a text list with the window held disabled until it ends.

#include "MainWindowFixture.h"

#include "platform/widgets/StatusBar.h"

#include <QAction>
#include <QToolBar>

namespace {

struct CheckCase {
    const char* name;
    int type;            // OptPhoneType index
    const char* phone;   // the phone field chosen, "" for none
    const char* mark;    // the mark field chosen, "" for none
    const char* message; // the exclamation box, "" for none
};

void PrintTo(const CheckCase& c, std::ostream* os)
{
    *os << c.name;
}

class RemoveDuplicatesChecks : public MainWindowTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(RemoveDuplicatesChecks, AMissingChoiceStopsTheCommandWithItsMessage)
{
    const CheckCase& c = GetParam();
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(std::int16_t(c.type))->click();
    for (auto [combo, text] : {std::pair{mwtest::ctl(form).cboPhoneDataField, c.phone},
                               std::pair{mwtest::ctl(form).cboMarkField, c.mark}}) {
        combo->addItem(QString::fromLatin1(text));
        combo->setCurrentIndex(QByteArray(text).isEmpty() ? -1 : combo->count() - 1);
    }
    mwtest::ctl(form).txtPhoneDataTotal->setText(QStringLiteral("0"));
    if (*c.message) scripted.expectMsgBox(ui::vbOK, QString::fromLatin1(c.message), ui::vbExclamation);
    toolbarButton(form, QStringLiteral("Tools"))->trigger();
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveDuplicatesChecks,
    ::testing::Values(CheckCase{"TextWithoutPhone", 1, "", "", "Please select phone field name!"},
                      CheckCase{"TextWithoutMark", 1, "Phone", "", "Please select mark field name!"},
                      CheckCase{"TextWithNoRecords", 1, "Phone", "Status", ""},
                      CheckCase{"FoxProWithoutPhone", 2, "", "", "Please select phone field name!"},
                      CheckCase{"ExcelWithoutPhone", 3, "", "", "Please select phone field name!"},
                      CheckCase{"ExcelNeedsNoMark", 3, "Phone", "", ""},
                      CheckCase{"AccessWithoutMark", 4, "Phone", "", "Please select mark field name!"},
                      CheckCase{"OneNumberChecksNothing", 0, "", "", ""}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

// Answers the question, noting whether the window was disabled meanwhile.
class WatchingServices : public ui::ScriptedServices {
public:
    int MsgBox(const QString& prompt, int style, const QString& title) override
    {
        if (gMainForm)
            enabledWhileAsked.push_back(mwtest::ctl(gMainForm).cmdStart->isEnabled() ||
                                        mwtest::ctl(gMainForm).TBLaunch->isEnabled());
        return ui::ScriptedServices::MsgBox(prompt, style, title);
    }
    std::vector<bool> enabledWhileAsked;
};

TEST_F(MainWindowTest, ATextListLosesItsDuplicatesWhileTheWindowIsDisabled)
{
    const QString work = home.filePath(QStringLiteral("work")) + QLatin1Char('/');
    QDir().mkpath(work);
    profileTextList(work, "Name,Phone,Status\r\nAnn,2015551234,a\r\nBob,0201555000,b\r\nCy,2015551234,c\r\n");
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(1)->click();
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("3"));

    WatchingServices watching;
    ui::setServices(&watching);
    watching.expectMsgBox(ui::vbYes, QStringLiteral("Do you wish to delete the duplicate numbers"),
                          ui::vbYesNo);
    watching.expectMsgBox(ui::vbOK, QStringLiteral("Action is finished!"), ui::vbInformation);
    toolbarButton(form, QStringLiteral("Tools"))->trigger();
    ui::setServices(&scripted);
    ui_test::ReportScriptProblems(watching);

    EXPECT_EQ(watching.enabledWhileAsked, (std::vector<bool>{false, false}));
    EXPECT_TRUE(mwtest::ctl(form).cmdStart->isEnabled());
    EXPECT_TRUE(mwtest::ctl(form).TBLaunch->isEnabled());
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("calls.csv")),
              QByteArray("Name,Phone,Status\r\nBob,0201555000,b\r\nCy,2015551234,c\r\n"));
    EXPECT_EQ(mwtest::ctl(form).sbStatusBar->PanelText(1),
              QStringLiteral("1 Duplicate Number(s) is (are) removed"));
    EXPECT_EQ(mwtest::ctl(form).lblStatus->text(), QStringLiteral("3"));
    EXPECT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("2"));
}

} // namespace
