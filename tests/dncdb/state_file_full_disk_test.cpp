// A state file converted onto a disk that fills up: the conversion raises
// error 57 naming the cause (the disk is full, or the file would be larger
// than allowed), and the earlier output keeps every byte.

#include "dncdb/StateFileConversion.h"

#include "support/FullDisk.h"

using testsupport::FullDiskCase;

namespace {

class StateFileFullDisk : public ::testing::TestWithParam<FullDiskCase> {};

void Put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST_P(StateFileFullDisk, TheConversionFailsAndTheEarlierOutputStays)
{
    testsupport::FullDisk disk(GetParam().by);
    if (disk.RanInChild()) return;
    const int records = GetParam().records;
    stateformat::StateConversionJob job;
    job.input = disk.FilePath(QStringLiteral("state.txt"));
    job.output = disk.FilePath(QStringLiteral("import.txt"));
    job.checked = {true, false};
    const auto prepare = [&] {
        QByteArray input;
        QByteArray earlier;
        for (int i = 0; i < records; ++i) {
            input += "\"" + QByteArray::number(2015550000LL + i) + "\"\t\"NJ\"\r\n";
            earlier += "973," + QByteArray::number(5550000 + i) + "\r\n";
        }
        Put(job.input, input);
        Put(job.output, earlier);
    };
    testsupport::ExpectTheEarlierFilesStay(
        disk,
        {prepare,
         [&] {
             engine::NoProgress progress;
             const auto result = stateformat::ConvertStateFile(job, progress);
             return result.failure ? vb::ErrObject(result.failure->number, result.failure->description)
                                   : vb::ErrObject();
         },
         job.output},
        records == testsupport::kLargeRecords);
}

INSTANTIATE_TEST_SUITE_P(FullDisk, StateFileFullDisk, ::testing::ValuesIn(testsupport::FullDiskCases()),
                         testsupport::FullDiskCaseName);
