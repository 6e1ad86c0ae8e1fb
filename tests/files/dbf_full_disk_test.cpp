// A .dbf table or a workbook written on a disk that fills up: a table made
// anew over an earlier one, records added in a transaction and a workbook
// saved with a changed cell in every row end with error 57 naming the
// cause, and the earlier file keeps every byte, with no journal or other
// file left beside it.

#include "DataFileHelpers.h"

#include "platform/files/DbfTable.h"
#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"

#include "support/FullDisk.h"

using testsupport::FullDiskCase;

namespace {

// A table of `records` records of a ten-digit phone and a name.
QByteArray Table(int records)
{
    QList<QByteArray> rows;
    rows.reserve(records);
    for (int i = 0; i < records; ++i)
        rows.append(' ' + QByteArray::number(2015550000LL + i) + QByteArray("Caller").leftJustified(12, ' '));
    return filestest::makeDbf(0x03, 0x03, {{"PHONE", 'C', 10, 0}, {"NAME", 'C', 12, 0}}, rows);
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Enough added records to need new room on any disk, and more for more.
int Added(int records)
{
    return std::max(records / 100, 300);
}

// A workbook of `records` rows of a phone and a status, as its bytes.
QByteArray Workbook(const QString& scratch, int records)
{
    QList<QList<vb::Variant>> rows;
    for (int i = 0; i < records; ++i)
        rows.append({vb::Variant(QString::number(2015550000LL + i)), vb::Variant(QStringLiteral("new"))});
    files::XlsxWriter::write(scratch, {{QStringLiteral("Calls"), rows}});
    QFile f(scratch);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    f.remove();
    return bytes;
}

struct DataFileWriter {
    const char* name;
    bool appends;
    void (*write)(const QString& path, int records);
    bool workbook = false; // the earlier file is a workbook, not a table
};

const DataFileWriter kWriters[] = {
    {"CreateOverAnEarlierTable", false,
     [](const QString& path, int records) {
         // The header grows with the fields: 250 of them for the large case.
         QVector<files::DbfField> fields;
         const int count = records == 1 ? 1 : records == 40 ? 40 : 250;
         for (int i = 0; i < count; ++i)
             fields.append({QStringLiteral("F%1").arg(i), 'C', 10});
         files::DbfTable::create(path, fields, 0x30);
     }},
    {"AppendInATransaction", true,
     [](const QString& path, int records) {
         files::DbfTable t(path);
         t.beginUndo();
         try {
             for (int i = 0, n = Added(records); i < n; ++i)
                 t.appendRecord(
                     {vb::Variant(QString::number(3125550000LL + i)), vb::Variant(QStringLiteral("New"))});
         } catch (...) {
             t.rollbackUndo();
             throw;
         }
         t.commitUndo();
     }},
    {"SaveAWorkbook", false,
     [](const QString& path, int records) {
         files::Workbook wb;
         wb.open(path);
         files::Worksheet& sheet = wb.sheet(0);
         for (int row = 1; row <= records; ++row)
             sheet.setValue(row, 2, vb::Variant(QStringLiteral("DNC")));
         wb.save();
     },
     true},
};

class DataFileFullDisk : public ::testing::TestWithParam<testsupport::WriterCase> {};

} // namespace

TEST_P(DataFileFullDisk, TheWriteFailsAndTheEarlierFileStays)
{
    const auto& [writer, c] = GetParam();
    testsupport::FullDisk disk(c.by);
    if (disk.RanInChild()) return;
    const DataFileWriter& w = kWriters[writer];
    const QString path =
        disk.FilePath(w.workbook ? QStringLiteral("calls.xlsx") : QStringLiteral("calls.dbf"));
    const int records = c.records;
    const QByteArray earlier =
        w.workbook ? Workbook(path + QStringLiteral(".scratch"), records) : Table(records);
    // The failure names the user's file, not a file of its own beside it.
    const auto write = [&] {
        const vb::ErrObject e = testsupport::ErrorOf([&] { w.write(path, records); });
        if (e.Number != 0 && !w.workbook)
            EXPECT_TRUE(e.Description.contains(u'\'' + path + u'\'')) << e.Description.toStdString();
        return e;
    };
    testsupport::ExpectTheEarlierFilesStay(disk, {[&] { Put(path, earlier); }, write, path, w.appends},
                                           records == testsupport::kLargeRecords);
}

INSTANTIATE_TEST_SUITE_P(Writers, DataFileFullDisk, testsupport::WriterCases(kWriters),
                         testsupport::WriterCaseName(kWriters));

// A record added outside a transaction that the size limit cuts part way:
// what reached the file is taken back, its end-of-file mark included.
TEST(DataFileFullDiskAppend, ARecordCutShortIsTakenBackWhole)
{
    for (int records : {1, 40}) {
        SCOPED_TRACE(records);
        filestest::TempFolder dir;
        const QString path = dir.write(QStringLiteral("calls.dbf"), Table(records));
        const QByteArray before = filestest::ReadFile(path);
        int number = 0;
        {
            files::DbfTable t(path);
            testsupport::FileSizeLimit full(rlim_t(before.size() + 11));
            number = testsupport::ErrorOf([&] {
                         t.appendRecord(
                             {vb::Variant(QStringLiteral("3125550000")), vb::Variant(QStringLiteral("New"))});
                     }).Number;
        }
        EXPECT_EQ(number, vb::errnum::DeviceIOError);
        EXPECT_EQ(filestest::ReadFile(path), before);
    }
}

// A temporary folder without room, from the start or part way through the
// save, beside a workbook whose own disk has room: the save goes on beside
// the workbook, and nothing is left in the temporary folder.
TEST(DataFileFullDiskTemporaryFolder, AWorkbookIsSavedBesideItself)
{
    testsupport::FullDisk disk(testsupport::FullBy::SmallFileSystem);
    if (disk.RanInChild()) return;
    filestest::TempFolder dir;
    const QString path = dir.write(QStringLiteral("calls.xlsx"), {});
    const std::optional<QByteArray> tmp =
        qEnvironmentVariableIsSet("TMPDIR") ? std::optional(qgetenv("TMPDIR")) : std::nullopt;
    for (const qint64 room : {qint64(0), qint64(256 << 10)}) {
        Put(path, Workbook(dir.path(QStringLiteral("scratch.xlsx")), testsupport::kLargeRecords));
        disk.Fill(room);
        qputenv("TMPDIR", QFile::encodeName(disk.Path()));
        const vb::ErrObject e =
            testsupport::ErrorOf([&] { kWriters[2].write(path, testsupport::kLargeRecords); });
        tmp ? qputenv("TMPDIR", *tmp) : qunsetenv("TMPDIR");
        disk.Lift();
        EXPECT_EQ(e.Number, 0) << room << ": " << e.Description.toStdString();
        EXPECT_EQ(disk.Files(), QStringList());
        files::Workbook wb;
        wb.open(path);
        EXPECT_EQ(wb.sheet(0).value(testsupport::kLargeRecords, 2).text(), QStringLiteral("DNC"));
    }
}
