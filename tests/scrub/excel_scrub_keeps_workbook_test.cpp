// What a scrub does not touch stays as it was, as an independent reader
// (openpyxl, run by the system's python3) sees the saved workbook: the other
// sheet, fonts and fills, number formats, column widths and frozen panes.

#include "ExcelScrubFixture.h"

#include <QProcess>

namespace {

const QString kScript = QStringLiteral(TERVALA_FIXTURES "/workbook_styles_survive_a_scrub.py");

QString RunPython(const QStringList& args, int& exitCode)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{kScript} + args);
    if (!p.waitForFinished(-1)) {
        exitCode = -1;
        return p.errorString();
    }
    exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

struct KeepCase {
    const char* name;
    bool deleting;
    QStringList keptRows; // rows of the original sheet "Calls" the saved one holds
};

void PrintTo(const KeepCase& c, std::ostream* os)
{
    *os << c.name;
}

class ExcelScrubKeeps : public ExcelScrubTest, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(ExcelScrubKeeps, EverythingTheScrubDidNotChangeReadsBackTheSame)
{
    int code = 0;
    const QString original = folder + QStringLiteral("original.xlsx");
    ASSERT_EQ(RunPython({QStringLiteral("make"), original}, code), QString());
    ASSERT_EQ(code, 0);
    ASSERT_TRUE(QFile::copy(original, workbookPath));
    xjob.settings.deleteFound = GetParam().deleting;
    xjob.settings.markText = QString(); // marking with an empty text and prefix changes nothing
    xjob.settings.markAction = 0;

    const scrub::ExcelScrubResult r = runExcel();
    ASSERT_TRUE(r.completed);
    EXPECT_EQ(r.counters.found, 2);
    EXPECT_EQ(
        RunPython(QStringList{QStringLiteral("compare"), original, workbookPath} + GetParam().keptRows, code),
        QStringLiteral("same"));
    EXPECT_EQ(code, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExcelScrubKeeps,
                         ::testing::Values(KeepCase{"Deleting", true, {"1", "3", "5"}},
                                           KeepCase{"Marking", false, {"1", "2", "3", "4", "5"}}),
                         [](const ::testing::TestParamInfo<KeepCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
