// A workbook save killed part way leaves its hidden file beside the
// workbook; the next open or save of that workbook removes it, unless a
// live save still holds it. Files of other workbooks stay.

#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "platform/vb/Conversion.h"
#include "support/ChildKill.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Hidden files a save of calls.xlsx writes.
QStringList SaveFiles(const QString& folder)
{
    static const QRegularExpression name(QStringLiteral(R"(^\.calls\.xlsx\.[A-Za-z0-9]{6}$)"));
    QStringList found;
    for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (name.match(f).hasMatch()) found << f;
    return found;
}

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

TEST(WorkbookSaveKill, AKilledSaveLeavesAFileTheNextOpenRemovesButNotOneALiveSaveHolds)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString path = QDir(folder).filePath(QStringLiteral("calls.xlsx"));
    QList<QList<vb::Variant>> rows;
    for (int r = 0; r < 60000; ++r)
        rows.append({vb::Variant(QStringLiteral("Name %1").arg(r)), vb::Variant(2015550000.0 + r)});
    files::XlsxWriter::write(path, {{QStringLiteral("Calls"), rows}});

    QRandomGenerator random(7);
    for (int kill = 0; kill < 40 && SaveFiles(folder).isEmpty(); ++kill)
        testsupport::RunChildAndKill(QStringLiteral("WorkbookSaveKill.ChildRunOfTheKillTest"), folder,
                                     20 + random.bounded(200));
    ASSERT_EQ(SaveFiles(folder).size(), 1) << "a kill landed inside a save";

    // A save still running elsewhere holds its file; another workbook's file
    // and names that are no save file stay as well.
    const QString held = QDir(folder).filePath(QStringLiteral(".calls.xlsx.Held01"));
    Touch(held);
    const int lock = ::open(QFile::encodeName(held).constData(), O_RDONLY);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    const QStringList others = {QStringLiteral(".other.xlsx.Abc123"), QStringLiteral(".calls.xlsx.bak"),
                                QStringLiteral("calls.xlsx.Abc123"), QStringLiteral(".calls.xlsx.Abc1234")};
    for (const QString& other : others)
        Touch(QDir(folder).filePath(other));

    files::Workbook wb;
    wb.open(path);
    EXPECT_EQ(SaveFiles(folder), QStringList{QStringLiteral(".calls.xlsx.Held01")});
    for (const QString& other : others)
        EXPECT_TRUE(QFile::exists(QDir(folder).filePath(other))) << other.toStdString();
    EXPECT_EQ(vb::CStr(wb.sheet(0).value(3, 1)), QStringLiteral("Name 2")) << "the workbook itself is whole";

    // Once that save is gone, the next save removes its file.
    ::close(lock);
    wb.sheet(0).setValue(2, 1, vb::Variant(QStringLiteral("after")));
    wb.save();
    EXPECT_EQ(SaveFiles(folder), QStringList());
}

} // namespace
