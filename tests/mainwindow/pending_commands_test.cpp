// Commands whose forms are not built yet say so in one information box and
// change nothing: no file beside the program, no setting, the window enabled.

#include "MainWindowFixture.h"

#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"

#include <QDir>
#include <QPushButton>

namespace {

struct PendingCommand {
    const char* name;
    const char* message;
    std::function<void(frmMain&)> press;
};

void PrintTo(const PendingCommand& c, std::ostream* os)
{
    *os << c.name;
}

QAction* ToolbarAction(frmMain& form, const QString& key)
{
    for (QAction* a : form.TBLaunch->actions())
        if (a->property("Key").toString() == key) return a;
    return nullptr;
}

class PendingCommands : public MainWindowTest, public ::testing::WithParamInterface<PendingCommand> {};

} // namespace

TEST_P(PendingCommands, SayTheyAreNotAvailableAndChangeNothing)
{
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    const QStringList filesBefore = QDir(home.path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    const QString markBefore = gDefPropertys->Item(QStringLiteral("markaction"))->PropertyValue();

    const PendingCommand& c = GetParam();
    scripted.expectMsgBox(ui::vbOK, QString::fromLatin1(c.message), ui::vbInformation);
    c.press(*form);

    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), filesBefore);
    EXPECT_EQ(gDefPropertys->Item(QStringLiteral("markaction"))->PropertyValue(), markBefore);
    EXPECT_EQ(mwtest::Db(databasePath()).setting(QStringLiteral("markaction")), markBefore);
    EXPECT_TRUE(form->cmdStart->isEnabled());
    EXPECT_TRUE(form->TBLaunch->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, PendingCommands,
    ::testing::Values(
        PendingCommand{"Browser", "Browsing for the file to scrub is not available yet.",
                       [](frmMain& f) { f.cmdBrowserData->click(); }},
        PendingCommand{"View", "Viewing the file to scrub is not available yet.",
                       [](frmMain& f) { f.cmdViewData->click(); }},
        PendingCommand{"ScrubOptions", "Scrub Options is not available yet.",
                       [](frmMain& f) { ToolbarAction(f, QStringLiteral("addopt"))->trigger(); }},
        PendingCommand{"About", "About is not available yet.",
                       [](frmMain& f) { ToolbarAction(f, QStringLiteral("About"))->trigger(); }},
        PendingCommand{"Tools", "Remove Duplicate is not available yet.",
                       [](frmMain& f) { ToolbarAction(f, QStringLiteral("Tools"))->trigger(); }}),
    [](const ::testing::TestParamInfo<PendingCommand>& info) { return std::string(info.param.name); });
