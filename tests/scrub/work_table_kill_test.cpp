// A work-table scrub killed while the DNC database links its work table:
// the next run still works.

#include "TextScrubFixture.h"

#include "scrub/WorkTableScrub.h"
#include "support/ChildKill.h"

#include <QThread>

namespace {

// Lets the parent kill the child once the work table is linked.
class SignalAtCheck : public engine::NoProgress {
public:
    QString folder;
    void Status(const QString& text, std::int32_t panel) override
    {
        if (panel != 1 || text != QStringLiteral("Start to Check ...")) return;
        testsupport::ChildStarted(folder);
        for (;;)
            QThread::msleep(50); // waits for the kill
    }
};

} // namespace

class WorkTableKill : public TextScrubTest {
protected:
    void useFolder(const QString& at)
    {
        folder = at + u'/';
        dbPath = folder + QStringLiteral("dnc.mdb");
        dnc->Close();
        dnc->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);
        wjob.source = scrub::WorkTableJob::Source::Text;
        wjob.workDatabase = folder + QStringLiteral("DNCTempWork.mdb");
        wjob.folder = folder;
        wjob.tableName = QStringLiteral("calls.csv");
        wjob.connectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Extended "
                                               "Properties=\"text;HDR=Yes;FMT=Delimited\"")
                                    .arg(folder);
        wjob.phoneField = QStringLiteral("Phone");
        wjob.fieldNames = QStringList{"Name", "Phone", "Status"};
        wjob.markPosition = 2;
        wjob.markAction = 2;
        wjob.markText = QStringLiteral("DNC");
    }
    scrub::WorkTableJob wjob;
};

TEST_F(WorkTableKill, ChildRunOfTheKillTest)
{
    const QString other = testsupport::ChildFolder();
    if (other.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    useFolder(other);
    SignalAtCheck view;
    view.folder = folder;
    scrub::ScrubByWorkTable(wjob, view, dnc);
}

TEST_F(WorkTableKill, ARunKilledWhileLinkedLeavesTheNextRunWorking)
{
    useFolder(dir.path());
    writeList("Name,Phone,Status\r\nAnn,2015551234,new\r\nBob,2015550000,new\r\n");
    dnc->Close(); // the child's run holds the store alone
    testsupport::RunChildAndKill(QStringLiteral("WorkTableKill.ChildRunOfTheKillTest"), folder, 0);
    dnc->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);

    engine::NoProgress view;
    const scrub::WorkTableResult r = scrub::ScrubByWorkTable(wjob, view, dnc);
    EXPECT_TRUE(r.completed) << (r.failure ? r.failure->description.toStdString() : std::string());
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\nAnn,2015551234,DNC\r\nBob,2015550000,new\r\n"));
}
