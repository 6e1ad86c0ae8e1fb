// The program folder the build lays out: a help page for every topic the
// program opens, and the folder its default result files are written to.

#include "platform/vb/App.h"
#include "platform/widgets/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const QString kProgramFolder = QStringLiteral(TERVALA_BINARY_DIR "/bin");

struct HelpTopic {
    const char* name;
    const char* topic; // "" = the manual's first page
    const char* title;
};

void PrintTo(const HelpTopic& t, std::ostream* os)
{
    *os << t.name;
}

} // namespace

class HelpPageTest : public ::testing::TestWithParam<HelpTopic> {};

TEST_P(HelpPageTest, HelpOpensAPageOfThisProgram)
{
    const HelpTopic& t = GetParam();
    QString path = kProgramFolder + u'/' + vb::App::HelpFile();
    if (*t.topic) path += QStringLiteral("::/") + QString::fromUtf8(t.topic);
    const ui::HelpLocation location = ui::ResolveHelpPath(path);
    ASSERT_FALSE(location.page.isEmpty());
    QFile page(location.page);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << location.page.toStdString();
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains(QStringLiteral("<title>%1</title>").arg(QString::fromUtf8(t.title))));
    // Every link between the pages leads to a page that is there.
    for (const QString& target : {QStringLiteral("index.html"), QStringLiteral("help/helpPhone.htm"),
                                  QStringLiteral("help/helpCityState.htm")}) {
        const QString link = QFileInfo(location.page).dir().relativeFilePath(location.folder + u'/' + target);
        if (html.contains(QStringLiteral("href=\"%1\"").arg(link)))
            EXPECT_TRUE(QFileInfo::exists(location.folder + u'/' + target)) << target.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Topics, HelpPageTest,
                         ::testing::Values(HelpTopic{"TheManual", "", "Tervala Manual"},
                                           HelpTopic{"ThePhoneList", "help/helpPhone.htm", "Phone List"},
                                           HelpTopic{"TheCityStateList", "help/helpCityState.htm",
                                                     "CityState List"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramFolderTest, TheDefaultResultFolderIsThere)
{
    EXPECT_TRUE(QFileInfo(kProgramFolder + QStringLiteral("/results")).isDir());
}
