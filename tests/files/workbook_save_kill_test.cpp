// A workbook save killed part way leaves the workbook whole, as it was before that save or after it, and
// nothing of the save beside it; the user's own hidden files beside it stay through kills, opens and saves.

#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Conversion.h"
#include "support/ChildKill.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("partial");
}

// The child: saves the workbook over and over until it is killed.
TEST(WorkbookSaveKill, ChildRunOfTheKillTest)
{
    const QString folder = testsupport::ChildFolder();
    if (folder.isEmpty()) GTEST_SKIP() << "run by the kill test";
    files::Workbook wb;
    wb.open(QDir(folder).filePath(QStringLiteral("calls.xlsx")));
    files::Worksheet& sheet = wb.sheet(0);
    sheet.usedRange();
    testsupport::ChildStarted(folder);
    for (int round = 0; round < 100000; ++round) {
        sheet.setValue(2, 1, vb::Variant(QStringLiteral("round %1").arg(round)));
        wb.save();
    }
}

TEST(WorkbookSaveKill, AKilledSaveLeavesTheWorkbookWholeAndTheUsersHiddenFilesStay)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString path = QDir(folder).filePath(QStringLiteral("calls.xlsx"));
    QList<QList<vb::Variant>> rows;
    for (int r = 0; r < 60000; ++r)
        rows.append({vb::Variant(QStringLiteral("Name %1").arg(r)), vb::Variant(2015550000.0 + r)});
    files::XlsxWriter::write(path, {{QStringLiteral("Calls"), rows}});
    // Names a save's own temporaries once had, and a user's copies.
    const QStringList users = {QStringLiteral(".calls.xlsx.Abc123"), QStringLiteral(".calls.xlsx.backup"),
                               QStringLiteral(".other.xlsx.Abc123"), QStringLiteral("calls.xlsx.Abc123")};
    for (const QString& name : users)
        Touch(QDir(folder).filePath(name));

    QRandomGenerator random(7);
    for (int kill = 0; kill < 12; ++kill) {
        testsupport::RunChildAndKill(QStringLiteral("WorkbookSaveKill.ChildRunOfTheKillTest"), folder,
                                     20 + random.bounded(200));
        files::Workbook wb;
        wb.open(path);
        EXPECT_EQ(vb::CStr(wb.sheet(0).value(3, 1)), QStringLiteral("Name 2")) << "the workbook is whole";
        wb.sheet(0).setValue(2, 1, vb::Variant(QStringLiteral("after")));
        wb.save();
    }
    QStringList want = QStringList(users) << QStringLiteral("calls.xlsx");
    want.sort();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name), want);
}

} // namespace
