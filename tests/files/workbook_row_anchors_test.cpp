// Deleting rows from a workbook made by an independent writer (openpyxl),
// read back by it: what is tied to a row moves with it or goes with it, and
// a deletion that something could not follow is refused before any change.

#include "platform/files/Workbook.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kScript = QStringLiteral(TERVALA_FIXTURES "/workbook_rows_carry_what_is_tied_to_them.py");

QString RunPython(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{kScript} + args);
    if (!p.waitForFinished(-1)) return p.errorString();
    const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
    return p.exitCode() == 0 ? out : QStringLiteral("python failed: ") + out;
}

struct AnchorCase {
    const char* kind;
    const char* after; // openpyxl's account once Alice's and Carol's rows are gone
};

void PrintTo(const AnchorCase& c, std::ostream* os)
{
    *os << c.kind;
}

class RowAnchors : public ::testing::TestWithParam<AnchorCase> {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("calls.xlsx")); }
};

TEST_P(RowAnchors, WhatIsTiedToARowMovesWithItOrGoesWithIt)
{
    ASSERT_EQ(RunPython({QStringLiteral("make"), QLatin1String(GetParam().kind), path()}), QString());
    {
        files::Workbook wb;
        wb.open(path());
        files::Worksheet& calls = *wb.sheet(QStringLiteral("Calls"));
        ASSERT_EQ(calls.rowsHeld(2), QString());
        calls.deleteRows(2); // Alice
        ASSERT_EQ(vb::CStr(calls.value(3, 1)), QStringLiteral("Carol"));
        calls.deleteRows(3);
        wb.save();
    }
    EXPECT_EQ(RunPython({QStringLiteral("show"), QLatin1String(GetParam().kind), path()}),
              QLatin1String(GetParam().after) + QStringLiteral("|rows Bob,Dan,Eve,Fay"));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RowAnchors,
    ::testing::Values(
        AnchorCase{"notes", "A2(Bob)=note about Bob|A3(Dan)=note about Dan|B5(Fay)=note about Fay|"
                            "shapes on rows 1,2,4"},
        AnchorCase{"hyperlinks", "A2(Bob)=https://example.com/bob|A4(Eve)=https://example.com/eve"},
        AnchorCase{"merged", "C2:D2|C3:C4"}, AnchorCase{"validations", "B2:B3"},
        AnchorCase{"conditional", "A2:B5"}, AnchorCase{"filter", "A1:B5"},
        AnchorCase{"table", "CallList A1:B5 filter A1:B5"},
        AnchorCase{"names", "Everyone=Calls!$A$2:$B$5|BobsName=Calls!$A$2|AlicesName=Calls!#REF!|"
                            "Elsewhere=Data!$A$1:$A$3|print area ['$A$1:$B$5']|print titles 1:1"},
        AnchorCase{"charts", "chart from row 3"}, AnchorCase{"breaks", "2|4"},
        // The cells around the deleted rows keep their numbers' text, and a
        // whole number stays a whole number for another reader.
        AnchorCase{"numbers", "C2=100000 int|C3=2015551234 int|C4=0.1 float|C5=1000.0 float"}),
    [](const ::testing::TestParamInfo<AnchorCase>& info) {
        std::string name = info.param.kind;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

struct HeldCase {
    const char* kind;
    const char* held; // what the refusal names
};

void PrintTo(const HeldCase& c, std::ostream* os)
{
    *os << c.kind;
}

class RowsHeld : public ::testing::TestWithParam<HeldCase> {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("calls.xlsx")); }
};

TEST_P(RowsHeld, ADeletionTheyCouldNotFollowIsRefusedBeforeAnyChange)
{
    ASSERT_EQ(RunPython({QStringLiteral("make"), QLatin1String(GetParam().kind), path()}), QString());
    files::Workbook wb;
    wb.open(path());
    files::Worksheet& calls = *wb.sheet(QStringLiteral("Calls"));
    EXPECT_EQ(calls.rowsHeld(2), QLatin1String(GetParam().held));
    try {
        calls.deleteRows(2, 6); // every data row

        ADD_FAILURE() << "the deletion went ahead";
    } catch (const vb::ErrObject& e) {
        EXPECT_EQ(e.Number, files::wberr::RowsHeld);
        EXPECT_TRUE(e.Description.contains(QLatin1String(GetParam().held))) << e.Description.toStdString();
    }
    EXPECT_FALSE(wb.isModified());
    EXPECT_EQ(vb::CStr(calls.value(2, 1)), QStringLiteral("Alice"));
    // Below everything that holds rows, a deletion moves nothing of it.
    EXPECT_EQ(calls.rowsHeld(8), QString());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RowsHeld,
    ::testing::Values(HeldCase{"chart-on-the-rows", "a chart whose data lies in these rows"},
                      HeldCase{"table-below-the-title", "the header row of the table Later"},
                      HeldCase{"name-with-a-formula", "the defined name Total, a formula on these rows"},
                      HeldCase{"conditional-on-a-fixed-row",
                               "conditional formats or data validations whose formulas refer to these rows"},
                      HeldCase{"validation-from-the-rows",
                               "conditional formats or data validations whose formulas refer to these rows"},
                      HeldCase{"conditional-on-another-sheet",
                               "conditional formats or data validations of the sheet Notes whose formulas "
                               "refer to these rows"},
                      HeldCase{"validation-from-another-sheet",
                               "conditional formats or data validations of the sheet Notes whose formulas "
                               "refer to these rows"}),
    [](const ::testing::TestParamInfo<HeldCase>& info) {
        std::string name = info.param.kind;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// A table's header row is held only against its own deletion: rows of the
// table below it may go.
TEST(RowsHeldTable, RowsBelowATablesHeaderMayGoButNotTheHeader)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("calls.xlsx"));
    ASSERT_EQ(RunPython({QStringLiteral("make"), QStringLiteral("table-below-the-title"), path}), QString());
    files::Workbook wb;
    wb.open(path);
    files::Worksheet& calls = *wb.sheet(QStringLiteral("Calls"));
    EXPECT_EQ(calls.rowsHeld(5), QString());
    EXPECT_EQ(calls.rowsHeld(2, 2), QString());
    EXPECT_EQ(calls.rowsHeld(3, 2), QStringLiteral("the header row of the table Later"));
    calls.deleteRows(2, 2); // the header moves up to row 2
    EXPECT_EQ(calls.rowsHeld(3), QString());
    EXPECT_EQ(calls.rowsHeld(2, 1), QStringLiteral("the header row of the table Later"));
}

} // namespace
