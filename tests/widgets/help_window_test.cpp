// Help: a help file path names a folder of HTML pages; the one help window
// opens the topic page, the index page without a topic, and says so when the
// page is missing.
#include "platform/widgets/HelpWindow.h"
#include "platform/widgets/QtServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace ui;

namespace {

void writePage(const QString& path, const QString& html)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(html.toUtf8());
}

class HelpWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        writePage(dir.filePath("TervalaManual/index.html"), "<html><body><p>Contents page</p></body></html>");
        writePage(dir.filePath("TervalaManual/help/helpPhone.htm"),
                  "<html><body><p>Phone list help</p></body></html>");
    }
    void TearDown() override
    {
        if (CurrentHelpWindow()) CurrentHelpWindow()->hide();
    }
    QString chm() const { return dir.filePath("TervalaManual.chm"); }

    QTemporaryDir dir;
};

} // namespace

TEST_F(HelpWindowTest, TopicOpensItsPage)
{
    QtServices real;
    real.ShowHelp(nullptr, chm() + "::/help/helpPhone.htm");
    HelpWindow* window = CurrentHelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->currentPage(),
              QFileInfo(dir.filePath("TervalaManual/help/helpPhone.htm")).absoluteFilePath());
    EXPECT_TRUE(window->browser()->toPlainText().contains("Phone list help"));
}

TEST_F(HelpWindowTest, NoTopicOpensTheIndexInTheSameWindow)
{
    HelpWindow* first = OpenHelp(nullptr, chm() + "::/help/helpPhone.htm");
    HelpWindow* second = OpenHelp(nullptr, chm());
    EXPECT_EQ(first, second);
    EXPECT_TRUE(second->browser()->toPlainText().contains("Contents page"));
}

TEST_F(HelpWindowTest, MissingPageIsReportedInTheWindow)
{
    HelpWindow* window = OpenHelp(nullptr, chm() + "::/help/helpCityState.htm");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->currentPage().isEmpty());
    EXPECT_TRUE(window->browser()->toPlainText().contains("helpCityState.htm"));
    EXPECT_FALSE(window->browser()->toPlainText().contains("Phone list help"));
}

TEST_F(HelpWindowTest, MissingHelpFolderIsReportedToo)
{
    HelpWindow* window = OpenHelp(nullptr, dir.filePath("NoSuchManual.chm"));
    EXPECT_TRUE(window->currentPage().isEmpty());
    EXPECT_TRUE(window->browser()->toPlainText().contains("index.html"));
}

TEST(HelpPath, BackslashesAndTopicsResolveInsideTheFolder)
{
    const HelpLocation a = ResolveHelpPath("/opt/tervala\\TervalaManual.chm::/help/helpPhone.htm#find");
    EXPECT_EQ(a.folder, "/opt/tervala/TervalaManual");
    EXPECT_EQ(a.page, "/opt/tervala/TervalaManual/help/helpPhone.htm");
    EXPECT_EQ(a.fragment, "find");

    EXPECT_EQ(ResolveHelpPath("/opt/tervala/TervalaManual.chm").page,
              "/opt/tervala/TervalaManual/index.html");
    // A topic that climbs out of the help folder finds no page.
    EXPECT_TRUE(ResolveHelpPath("/opt/tervala/TervalaManual.chm::/../../etc/passwd").page.isEmpty());
}
