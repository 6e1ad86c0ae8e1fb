// What a scrub does not touch stays as it was, as an independent reader
// (openpyxl, run by the system's python3) sees the saved workbook: the other
// sheet, fonts and fills, number formats, column widths and frozen panes;
// protected sheets, and formulas over the marks (calculated anew on opening,
// with no stale result left for a reader that does not: openpyxl and, where
// it is installed, LibreOffice).

#include "ExcelScrubFixture.h"
#include "scrub/DuplicateRemoval.h"

#include <QProcess>
#include <iostream>

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

enum class Run { Delete, Mark, Duplicates };

struct KeepCase {
    const char* name;
    Run run;
    QStringList keptRows;  // rows of the original sheet "Calls" the saved one holds; none: refused
    const char* kind = ""; // of the workbook made (see the script)
};

void PrintTo(const KeepCase& c, std::ostream* os)
{
    *os << c.name;
}

class ExcelScrubKeeps : public ExcelScrubTest, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(ExcelScrubKeeps, EverythingTheScrubDidNotChangeReadsBackTheSame)
{
    const KeepCase& c = GetParam();
    const QString kind = QString::fromLatin1(c.kind);
    int code = 0;
    const QString original = folder + QStringLiteral("original.xlsx");
    ASSERT_EQ(RunPython({QStringLiteral("make"), original, kind}, code), QString());
    ASSERT_EQ(code, 0);
    ASSERT_TRUE(QFile::copy(original, workbookPath));
    xjob.settings.deleteFound = c.run == Run::Delete;
    // Marking with an empty text and prefix changes nothing; the formulas need marks to count.
    xjob.settings.markText = kind == u"formulas" ? QStringLiteral("DNC") : QString();
    xjob.settings.markAction = 0;
    const QByteArray before = digest();

    ASSERT_EQ(openSheet(), QString());
    engine::Result r;
    if (c.run == Run::Duplicates)
        r = scrub::RemoveExcelDuplicates({xjob.sheet, true, xjob.phoneColumn, 0}, view);
    else
        r = scrub::ScrubExcelSheet(xjob, view, dnc);
    if (c.keptRows.isEmpty()) {
        EXPECT_EQ(r.refusal, scrub::ProtectedSheetMessage(QStringLiteral("Calls")));
        EXPECT_EQ(digest(), before);
        EXPECT_EQ(files(), (QStringList{"calls.xlsx", "dnc.mdb", "original.xlsx"}));
        return;
    }
    ASSERT_TRUE(r.refusal.isEmpty() && !r.failure) << r.refusal.toStdString();
    if (kind == u"formulas") { // asked to calculate anew, its formulas as they were, no result kept
        const QString recalc = RunPython({QStringLiteral("recalc"), workbookPath}, code);
        EXPECT_TRUE(recalc.startsWith(u"True ['=COUNTIF(") && recalc.endsWith(u"[None, None, None, None]"))
            << recalc.toStdString();
        const QString shown = RunPython({QStringLiteral("libreoffice"), workbookPath}, code);
        if (shown == u"no LibreOffice")
            std::cout << "LibreOffice is not installed: the results it shows are not checked\n";
        else
            EXPECT_EQ(shown, QStringLiteral("1,2,1238.75"));
    } else
        EXPECT_EQ(
            RunPython(QStringList{QStringLiteral("compare"), original, workbookPath} + c.keptRows, code),
            QStringLiteral("same"));
    EXPECT_EQ(code, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExcelScrubKeeps,
    ::testing::Values(KeepCase{"Deleting", Run::Delete, {"1", "3", "5"}},
                      KeepCase{"Marking", Run::Mark, {"1", "2", "3", "4", "5"}},
                      KeepCase{"DeletingFromAProtectedSheet", Run::Delete, {}, "protected"},
                      KeepCase{"MarkingAProtectedSheet", Run::Mark, {}, "protected"},
                      KeepCase{"RemovingDuplicatesFromAProtectedSheet", Run::Duplicates, {}, "protected"},
                      KeepCase{"DeletingUnlockedRows", Run::Delete, {"1", "3", "5", "6"}, "unlocked"},
                      KeepCase{"MarkingUnlockedCells", Run::Mark, {"1", "2", "3", "4", "5", "6"}, "unlocked"},
                      KeepCase{"RemovingDuplicatesFromUnlockedRows",
                               Run::Duplicates,
                               {"1", "2", "4", "5", "6"},
                               "unlocked"},
                      KeepCase{"MarkingWhatFormulasCountOnAnotherSheet", Run::Mark, {"1"}, "formulas"}),
    [](const ::testing::TestParamInfo<KeepCase>& info) { return std::string(info.param.name); });

} // namespace
