// The file system object's writers on a disk that fills up: a text file
// written anew, a text file appended to and a copied file each end with
// error 57 naming the cause, and the file that was there keeps every byte.

#include "platform/fso/FileSystemObject.h"

#include "support/FullDisk.h"

using testsupport::FullDiskCase;

namespace {

QByteArray Lines(int records, const char* text)
{
    QByteArray bytes;
    for (int i = 0; i < records; ++i)
        bytes += QByteArray::number(2015550000LL + i) + ',' + text + "\r\n";
    return bytes;
}

// An earlier log that fills its last page of the disk: what is appended
// needs new room at once.
QByteArray PageFilling(QByteArray bytes)
{
    bytes += QByteArray(4094 - bytes.size() % 4096 + (bytes.size() % 4096 > 4094 ? 4096 : 0), '-') + "\r\n";
    return bytes;
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void WriteLines(fso::TextStream& stream, int records)
{
    for (int i = 0; i < records; ++i)
        stream.WriteLine(QString::number(3125550000LL + i) + QStringLiteral(",new caller"));
}

struct FsoWriter {
    const char* name;
    testsupport::FullDiskWriter (*make)(const QString& folder, int records);
};

const FsoWriter kWriters[] = {
    {"CreateTextFile",
     [](const QString& folder, int records) {
         const QString target = folder + QStringLiteral("/calls.txt");
         return testsupport::FullDiskWriter{[=] { Put(target, Lines(records, "earlier")); },
                                            [=] {
                                                return testsupport::ErrorOf([&] {
                                                    const fso::TextStreamPtr out =
                                                        fso::FileSystemObject().CreateTextFile(target, true);
                                                    WriteLines(*out, records);
                                                    out->Close();
                                                });
                                            },
                                            target};
     }},
    {"OpenTextFileForAppending",
     [](const QString& folder, int records) {
         const QString target = folder + QStringLiteral("/log.txt");
         return testsupport::FullDiskWriter{
             [=] { Put(target, PageFilling(Lines(records, "earlier"))); },
             [=] {
                 return testsupport::ErrorOf([&] {
                     // One append: taken back whole when it cannot reach the file.
                     const fso::TextStreamPtr out =
                         fso::FileSystemObject().OpenTextFile(target, fso::ForAppending, true);
                     out->Write(QString::fromLatin1(Lines(records, "new caller")));
                     out->Close();
                 });
             },
             target, true};
     }},
    {"CopyFile",
     [](const QString& folder, int records) {
         const QString source = folder + QStringLiteral("/new.txt");
         const QString target = folder + QStringLiteral("/calls.txt");
         return testsupport::FullDiskWriter{
             [=] {
                 Put(source, Lines(records, "new caller"));
                 Put(target, Lines(records, "earlier"));
             },
             [=] {
                 return testsupport::ErrorOf([&] { fso::FileSystemObject().CopyFile(source, target, true); });
             },
             target};
     }},
};

class FsoFullDisk : public ::testing::TestWithParam<testsupport::WriterCase> {};

} // namespace

TEST_P(FsoFullDisk, TheWriteFailsAndTheEarlierFileStays)
{
    const auto& [writer, c] = GetParam();
    testsupport::FullDisk disk(c.by);
    if (disk.RanInChild()) return;
    testsupport::ExpectTheEarlierFilesStay(disk, kWriters[writer].make(disk.Path(), c.records),
                                           c.records == testsupport::kLargeRecords);
}

INSTANTIATE_TEST_SUITE_P(Writers, FsoFullDisk, testsupport::WriterCases(kWriters),
                         testsupport::WriterCaseName(kWriters));
