// Workbook and table scrubs on a disk that fills up: the run stops with one
// report (never "Action is finished!"), the calling list is as it was and the
// earlier OK and DNC files stay whole. The full disk is a file-size limit on
// this process, set just for the run.

#include "ExcelScrubFixture.h"
#include "TableScrubFixture.h"
#include "support/FileSizeLimit.h"

#include <QFileInfo>

namespace {

const QByteArray kOldOk = "Numbers Not In DNC List\r\n2125550000\r\n";
const QByteArray kOldDnc = "Numbers In DNC List,Remove Time\r\n2015551234, 1/1/2007 9:00:00 AM\r\n";

constexpr int kRecords = 20000;

QString ListNumber(int i)
{
    return i % 1000 == 0 ? QStringLiteral("2015551234") : QString::number(3125000000LL + i);
}

// Where the disk runs out: while the OK file grows, or (with no OK file
// asked for) while the list itself is written back, beside the small DNC
// file or with no result file at all.
struct DiskCase {
    const char* name;
    bool okFile;
    bool dncFile;
    bool deleteFound;
};

void PrintTo(const DiskCase& c, std::ostream* os)
{
    *os << c.name;
}

const DiskCase kDiskCases[] = {{"WhileTheOkFileGrows", true, true, false},
                               {"WhileTheListIsMarked", false, false, false},
                               {"WhileRowsAreDeleted", false, false, true}};

// The workbook's save finds the disk full once the DNC file is written: the
// earlier DNC file stays with the workbook.
const DiskCase kSaveCases[] = {{"WhileTheListIsMarkedBesideTheDncFile", false, true, false},
                               {"WhileRowsAreDeletedBesideTheDncFile", false, true, true}};

std::string DiskCaseName(const ::testing::TestParamInfo<DiskCase>& info)
{
    return info.param.name;
}

// A limit the run's writes cross: well below the OK file's size when that is
// written, half the list's own size when only the list and the small DNC
// file are.
rlim_t LimitFor(const DiskCase& c, qint64 listSize)
{
    return c.okFile ? rlim_t(64 * 1024) : rlim_t(listSize / 2);
}

} // namespace

class ExcelScrubFullDiskTest : public ExcelScrubTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(ExcelScrubFullDiskTest, TheRunStopsAndTheWorkbookAndEarlierResultsStay)
{
    const DiskCase& c = GetParam();
    Rows rows{{"Name", "Phone", "Status"}};
    for (int i = 0; i < kRecords; ++i)
        rows.append(
            {vb::Variant(QStringLiteral("Caller %1").arg(i)), vb::Variant(ListNumber(i)), vb::Variant("x")});
    writeBook(rows);
    scrubtest::Write(xjob.settings.okFile, kOldOk);
    scrubtest::Write(xjob.settings.dncFile, kOldDnc);
    xjob.settings.exportOk = c.okFile;
    xjob.settings.exportDnc = c.dncFile;
    xjob.settings.deleteFound = c.deleteFound;
    const QByteArray before = digest();

    scrub::ExcelScrubResult r;
    {
        testsupport::FileSizeLimit full(LimitFor(c, QFileInfo(workbookPath).size()));
        ASSERT_EQ(openSheet(), QString());
        r = scrub::ScrubExcelSheet(xjob, view, dnc);
    }

    EXPECT_FALSE(r.completed);
    // The save names the full disk as every writer does.
    scrubtest::ExpectFailure(r, QStringLiteral("CheckExcel"),
                             c.okFile ? QString() : QStringLiteral("larger than this system allows"));
    EXPECT_EQ(r.failure->number, vb::errnum::DeviceIOError);
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(file(QStringLiteral("ok.txt")), kOldOk);
    EXPECT_EQ(file(QStringLiteral("dnc.txt")), kOldDnc);
    EXPECT_EQ(files(), (QStringList{"calls.xlsx", "dnc.mdb", "dnc.txt", "ok.txt"}));
}

INSTANTIATE_TEST_SUITE_P(FullDisk, ExcelScrubFullDiskTest, ::testing::ValuesIn(kDiskCases), DiskCaseName);
INSTANTIATE_TEST_SUITE_P(Save, ExcelScrubFullDiskTest, ::testing::ValuesIn(kSaveCases), DiskCaseName);

class TableScrubFullDiskTest : public TableScrubTest {
protected:
    QString listFile() const { return foxPro() ? dbfPath() : listDb; }
};

TEST_P(TableScrubFullDiskTest, TheRunStopsAndTheListAndEarlierResultsStay)
{
    for (const DiskCase& c : kDiskCases) {
        SCOPED_TRACE(c.name);
        setTable(QStringLiteral("calls%1").arg(&c - kDiskCases));
        std::vector<scrubtest::ListRow> rows;
        rows.reserve(kRecords);
        for (int i = 0; i < kRecords; ++i)
            rows.push_back(
                {QStringLiteral("Caller %1").arg(i), ListNumber(i), QStringLiteral("x"), double(i)});
        makeList(rows);
        scrubtest::Write(job.settings.okFile, kOldOk);
        scrubtest::Write(job.settings.dncFile, kOldDnc);
        job.settings.exportOk = c.okFile;
        job.settings.exportDnc = c.dncFile;
        job.settings.deleteFound = c.deleteFound;
        const QStringList before = listRows();

        scrub::ScrubResult r;
        {
            testsupport::FileSizeLimit full(LimitFor(c, QFileInfo(listFile()).size()));
            r = scrub::ScrubTable(job, view, dnc);
        }

        EXPECT_FALSE(r.completed);
        scrubtest::ExpectFailure(r, function());
        EXPECT_EQ(r.failure->number, vb::errnum::DeviceIOError); // naming the file that found no room
        EXPECT_TRUE(r.failure->description.contains(listFile()) ||
                    (c.okFile && r.failure->description.contains(job.settings.okFile)))
            << r.failure->description.toStdString();
        EXPECT_EQ(listRows(), before);
        EXPECT_EQ(file(QStringLiteral("ok.txt")), kOldOk);
        EXPECT_EQ(file(QStringLiteral("dnc.txt")), kOldDnc);
    }
}

INSTANTIATE_TEST_SUITE_P(FullDisk, TableScrubFullDiskTest,
                         ::testing::Values(scrubtest::Kind::Access, scrubtest::Kind::FoxPro),
                         scrubtest::KindName);
