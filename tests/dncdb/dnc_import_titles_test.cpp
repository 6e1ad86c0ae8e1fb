// An import text's title line names its fields; whatever the names hold
// (blanks, brackets, quotes, semicolons), the numbers under them import.

#include "support/DncFixture.h"
#include "support/Fixtures.h"

namespace {

struct Title {
    const char* line;
};

class DncImportTitle : public DncTest, public ::testing::WithParamInterface<Title> {};

TEST_P(DncImportTitle, TheNumbersUnderItAreImported)
{
    const QByteArray text = QByteArray(GetParam().line) + "\r\n201,5551234\r\n201,0000042\r\n973,7777777\r\n";
    prepareImport(writeFile(QStringLiteral("titled.txt"), text), true);
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")), (std::set<long long>{42, 5551234}));
    EXPECT_EQ(numbers(QStringLiteral("phone973")), (std::set<long long>{7777777}));
}

INSTANTIATE_TEST_SUITE_P(Names, DncImportTitle,
                         ::testing::Values(Title{"Area Code,Phone Number"}, Title{"Area]Code,Phone[No]"},
                                           Title{"O'Brien,semi;colon"},
                                           Title{"[Area],x] union select 1 from [y"}));

using DncImportTitleFile = DncTest;

TEST_F(DncImportTitleFile, ATitleWithBlanksImportsEveryNumber)
{
    prepareImport(testsupport::CopyFixture("dnc_import_title_with_blanks.txt", dir.path()), true);
    EXPECT_TRUE(runImport());
    EXPECT_EQ(numbers(QStringLiteral("phone201")).size(), 492u);
    EXPECT_EQ(numbers(QStringLiteral("phone202")).size(), 508u);
}

} // namespace
