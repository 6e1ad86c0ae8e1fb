// The scrub through a work table: which records of a text list, an embedded
// table or a workbook sheet are marked or deleted, the result files, the
// status line, and what a failure leaves behind.

#include "TextScrubFixture.h"

#include "core/Globals.h"

#include "platform/ado/Recordset.h"
#include "platform/files/Workbook.h"
#include "platform/files/XlsxWriter.h"
#include "scrub/WorkTableScrub.h"
#include "support/ChildKill.h"

#include <QThread>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class RecordingWorkView : public engine::NoProgress {
public:
    QStringList statuses;
    std::function<void(const QString&)> onStatus; // what else happens at a status text

    void Status(const QString& text, std::int32_t panel) override
    {
        if (panel == 1) statuses << text;
        if (onStatus) onStatus(text);
    }
};

const QByteArray kStamp = "3/2/2007 2:25:30 PM";

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

class WorkTableScrubTest : public TextScrubTest {
protected:
    void SetUp() override
    {
        TextScrubTest::SetUp();
        setUpJob();
    }

    // The list, the result files and the DNC database in another folder:
    // the kill test's, which its child works in.
    void useFolder(const QString& at)
    {
        folder = at + u'/';
        dbPath = folder + QStringLiteral("dnc.mdb");
        dnc->Close();
        dnc->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);
        setUpJob();
    }

    void setUpJob()
    {
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
        wjob.markFormat = true;
        wjob.formatChar = QStringLiteral("(,),-, ,#");
        wjob.markAction = 2;
        wjob.exportOk = true;
        wjob.exportDnc = true;
        wjob.okFile = folder + QStringLiteral("ok.txt");
        wjob.dncFile = folder + QStringLiteral("dnc.txt");
        wjob.markText = QStringLiteral("DNC");
    }

    // An embedded list: table calls of list.mdb, with an index on Phone.
    void useTable(const QString& rows)
    {
        const QString db = folder + QStringLiteral("list.mdb");
        scrubtest::Exec(db, QStringLiteral("create table calls (Name TEXT, Phone TEXT, Status TEXT);"
                                           "create index byPhone on calls (Phone);") +
                                rows);
        wjob.source = scrub::WorkTableJob::Source::Access;
        wjob.connectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db;
        wjob.tableName = QStringLiteral("calls");
    }

    QStringList tableRows()
    {
        auto conn = ado::Connection::Create();
        conn->Open(wjob.connectionString);
        auto rs = ado::Recordset::Create();
        rs->Open(QStringLiteral("select Name, Status from calls order by rowid"), conn,
                 ado::adOpenForwardOnly, ado::adLockReadOnly);
        QStringList out;
        for (; !rs->Eof(); rs->MoveNext())
            out << rs->Value(0).text() + u'=' + rs->Value(1).text();
        rs->Close();
        conn->Close();
        return out;
    }

    scrub::WorkTableResult runWork() { return scrub::ScrubByWorkTable(wjob, wview, dnc); }

    scrub::WorkTableResult runFailing(const QString& function)
    {
        const scrub::WorkTableResult r = runWork();
        EXPECT_FALSE(r.completed);
        EXPECT_TRUE(r.failure.has_value());
        if (r.failure) EXPECT_EQ(r.failure->function, function);
        return r;
    }

    // The work table's link is gone from the DNC database after every run.
    void expectNoLink()
    {
        auto rs = ado::Recordset::Create();
        EXPECT_THROW(rs->Open(QStringLiteral("select count(*) from tempworktable"), dnc), vb::ErrObject);
    }

    scrub::WorkTableJob wjob;
    RecordingWorkView wview;
};

TEST_F(WorkTableScrubTest, ATextListIsMarkedInItsMarkFieldOnlyWithBlankNumbersKeepingThePairing)
{
    wjob.addAreaCode = true;
    wjob.defaultCode = QStringLiteral("201");
    writeList("Name,Phone,Status\r\n"
              "new,(201) 555-1234,new\r\n" // found: only the Status field is marked
              "Kim,,new\r\n"               // blank number mid-list
              "Roy,5559999,\r\n"           // seven digits with the default area code; an empty mark field
              "Max,2015550000,new\r\n"     // not listed
              "\"Lee, Al\",973-123-4567,old\r\n");

    const scrub::WorkTableResult r = runWork();

    EXPECT_TRUE(r.completed);
    EXPECT_TRUE(r.writtenBack);
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\n"
                                      "new,(201) 555-1234,DNC\r\n"
                                      "Kim,,new\r\n"
                                      "Roy,5559999,DNC\r\n"
                                      "Max,2015550000,new\r\n"
                                      "\"Lee, Al\",973-123-4567,DNC\r\n"));
    EXPECT_EQ(file(QStringLiteral("dnc.txt")), "Name,Phone,Status,Checked Time\r\nnew,(201) 555-1234,new, " +
                                                   kStamp + "\r\nRoy,5559999,, " + kStamp +
                                                   "\r\n\"Lee, Al\",973-123-4567,old, " + kStamp + "\r\n");
    EXPECT_EQ(file(QStringLiteral("ok.txt")), "Name,Phone,Status,Checked Time\r\nKim,,new, " + kStamp +
                                                  "\r\nMax,2015550000,new, " + kStamp + "\r\n");
    EXPECT_EQ(r.status, QStringLiteral("3 (60.00%) numbers in DNC List"));
    EXPECT_EQ(wview.statuses.last(), r.status);
    EXPECT_EQ(files(), (QStringList{"DNCTempWork.mdb", "calls.csv", "dnc.mdb", "dnc.txt", "ok.txt"}));
    expectNoLink();
}

TEST_F(WorkTableScrubTest, ATextListsMarkGoesBesideTheBlanksAroundTheValue)
{
    const std::pair<std::int32_t, QByteArray> cases[] = {{0, "DNC y "}, {1, " y DNC"}, {2, "DNC"}};
    for (const auto& [action, marked] : cases) {
        wjob.markAction = action;
        writeList("Name,Phone,Status\r\nnew,(201) 555-1234, y \r\nMax,2015550000, y \r\n");
        ASSERT_TRUE(runWork().completed) << action;
        EXPECT_EQ(listBytes(),
                  "Name,Phone,Status\r\nnew,(201) 555-1234," + marked + "\r\nMax,2015550000, y \r\n")
            << action;
    }
}

TEST_F(WorkTableScrubTest, NumbersShapedLikeSqlAreSimplyNotFound)
{
    for (const bool formatPath : {true, false}) {
        SCOPED_TRACE(formatPath ? "format path" : "plain path");
        wjob.markFormat = formatPath;
        writeList("Name,Phone,Status\r\n"
                  "a,5551234 or 1=1,new\r\n"
                  "b,201555 1234,new\r\n"
                  "c,201'5551234,new\r\n"
                  "d,2015559999,new\r\n");

        const scrub::WorkTableResult r = runWork();

        EXPECT_TRUE(r.completed);
        EXPECT_EQ(r.flagged, 1);
        EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\n"
                                          "a,5551234 or 1=1,new\r\n"
                                          "b,201555 1234,new\r\n"
                                          "c,201'5551234,new\r\n"
                                          "d,2015559999,DNC\r\n"));
    }
}

TEST_F(WorkTableScrubTest, AnIndexedTableKeepsEachFlagWithItsRecordAndDeletesOnlyTheFoundRows)
{
    useTable(QStringLiteral("insert into calls values ('zed', '2015551234', 'x'), ('amy', NULL, 'x'), "
                            "('bob', '2015550000', 'DEL##'), ('cat', '9731234567', 'y'), ('dan', '', 'x');"));
    wjob.deleteFound = true;

    const scrub::WorkTableResult r = runWork();

    EXPECT_TRUE(r.completed);
    EXPECT_EQ(tableRows(), (QStringList{"amy=x", "bob=DEL##", "dan=x"}));
    EXPECT_EQ(file(QStringLiteral("dnc.txt")),
              "Name,Phone,Status,Checked Time\r\n\"zed\",\"2015551234\",\"x\"," + kStamp +
                  "\r\n\"cat\",\"9731234567\",\"y\"," + kStamp + "\r\n");
    EXPECT_EQ(r.status, QStringLiteral("2 (40.00%) numbers in DNC List"));
}

TEST_F(WorkTableScrubTest, AnEmbeddedTableIsMarkedByEachMarkAction)
{
    const struct {
        int action;
        const char* zed;
    } cases[] = {{0, "DNCx"}, {1, "xDNC"}, {2, "DNC"}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        QFile::remove(folder + QStringLiteral("list.mdb"));
        useTable(QStringLiteral(
            "insert into calls values ('zed', '201-555-1234', 'x'), ('amy', '2015550000', 'x');"));
        wjob.markAction = c.action;
        wjob.exportOk = ++n % 2 == 0; // the pairing does not depend on the result files

        runWork();

        EXPECT_EQ(tableRows(), (QStringList{QStringLiteral("zed=") + QLatin1String(c.zed), "amy=x"}));
    }
}

TEST_F(WorkTableScrubTest, AFailedCopyIsReportedOnceAndChangesNothing)
{
    const QByteArray list = "Name,Phone,Status\r\na,2015551234,new\r\n";
    writeList(list);
    wjob.phoneField = QStringLiteral("Telephone");

    const scrub::WorkTableResult r = runFailing(QStringLiteral("CheckAccess"));

    EXPECT_FALSE(r.completed);
    EXPECT_FALSE(r.writtenBack);
    EXPECT_EQ(listBytes(), list);
    EXPECT_EQ(files(), (QStringList{"DNCTempWork.mdb", "calls.csv", "dnc.mdb"}));
}

// What lies at the work database's name, and who runs (uid 4321, taken by this
// root process, in a folder of the given mode): the database is made new, no
// link is followed, nothing elsewhere changes, another user's file stays; or
// the run says why it cannot be made, and the status is cleared.
struct WorkPlace {
    const char* name;
    int plant; // 0 nothing, 2 a link to nowhere, 3 a link to a file, 4 uid 4322's file, 5 uid 4321's run
               // meanwhile
    mode_t mode;
    bool asAnotherUser;
    const char* said; // the failure's words; null: the run completes
};

class WorkDatabasePlace : public WorkTableScrubTest, public ::testing::WithParamInterface<WorkPlace> {};

TEST_P(WorkDatabasePlace, TheWorkDatabaseIsMadeNewOrTheRunSaysWhy)
{
    const WorkPlace& c = GetParam();
    if ((c.asAnotherUser || c.plant == 5) && ::geteuid() != 0)
        GTEST_SKIP() << "only root can run as another user here";
    writeList("Name,Phone,Status\r\na,2015551234,new\r\n");
    QDir().mkpath(folder + "work");
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(folder + "work").constData(), c.mode);
    const QString notes = folder + "work/notes.txt",
                  work = wjob.workDatabase = folder + "work/DNCTempWork.mdb";
    scrubtest::Write(notes, "private");
    if (c.plant == 4) scrubtest::Write(work, "left");
    if (c.plant == 2 || c.plant == 3) QFile::link(c.plant == 2 ? folder + "stolen.mdb" : notes, work);
    if (c.plant == 4) ::chown(QFile::encodeName(work).constData(), 4322, 4322);
    bool nested = false, theirsDone = false;
    if (c.plant == 5) {
        ::chmod(QFile::encodeName(folder).constData(), 01777);
        scrubtest::Write(folder + "theirs.csv", "Name,Phone,Status\r\nb,2015550000,new\r\n");
        ::chown(QFile::encodeName(folder + "theirs.csv").constData(), 4321, 4321);
        wview.onStatus = [&](const QString& text) {
            if (text != "Start to Check ..." || std::exchange(nested, true)) return;
            scrub::WorkTableJob theirs = wjob;
            theirs.tableName = "theirs.csv";
            theirs.exportOk = theirs.exportDnc = false;
            engine::NoProgress quiet;
            ::setegid(4321), ::seteuid(4321);
            theirsDone = scrub::ScrubByWorkTable(theirs, quiet, dnc).completed;
            ::seteuid(0), ::setegid(0);
        };
    }
    if (c.asAnotherUser) ::setegid(4321), ::seteuid(4321);
    const scrub::WorkTableResult r = runWork();
    if (c.asAnotherUser) ::seteuid(0), ::setegid(0);
    EXPECT_EQ(theirsDone, c.plant == 5);

    EXPECT_EQ(r.completed, !c.said);
    if (c.said) {
        EXPECT_TRUE(r.failure && r.failure->description.contains(QLatin1String(c.said)));
        EXPECT_EQ(wview.statuses.last(), QString());
    }
    EXPECT_FALSE(QFileInfo::exists(folder + "stolen.mdb"));
    EXPECT_EQ(file("work/notes.txt"), "private");
    EXPECT_FALSE(QFileInfo(work).isSymLink());
    if (c.plant == 4) EXPECT_EQ(file("work/DNCTempWork.mdb"), "left");
}

INSTANTIATE_TEST_SUITE_P(Places, WorkDatabasePlace,
                         ::testing::Values(WorkPlace{"ALinkToNowhere", 2, 0700, false, nullptr},
                                           WorkPlace{"ALinkToAnotherFile", 3, 0700, false, nullptr},
                                           WorkPlace{"AFolderThatTakesNoNewFiles", 0, 0755, true, "folder '"},
                                           WorkPlace{"AnotherUsersLeftoverInAStickyFolder", 4, 01777, false,
                                                     nullptr},
                                           WorkPlace{"AnotherUsersRunMeanwhile", 5, 01777, false, nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkTableScrubTest, ALookUpFailureStopsTheRunBeforeTheListIsTouched)
{
    useTable(
        QStringLiteral("insert into calls values ('zed', '2015551234', 'x'), ('cat', '9731234567', 'y');"));
    testsupport::BreakTable(dbPath, QStringLiteral("phone973"));

    runFailing(QStringLiteral("CheckAccess"));

    EXPECT_EQ(tableRows(), (QStringList{"zed=x", "cat=y"}));
    expectNoLink();
}

TEST_F(WorkTableScrubTest, AMarkTheTableRefusesTakesBackEveryMarkBeforeIt)
{
    useTable(QStringLiteral("insert into calls values ('zed', '2015551234', 'x'), ('cat', '9731234567', 'y');"
                            "create trigger refuse before update of Status on calls when new.Name = 'cat' "
                            "begin select raise(abort, 'refused'); end;"));

    runFailing(QStringLiteral("Output Excel"));

    EXPECT_EQ(tableRows(), (QStringList{"zed=x", "cat=y"}));
}

TEST_F(WorkTableScrubTest, AWorkbookSheetIsMarkedAndAFailureLeavesItUnsaved)
{
    const QString book = folder + QStringLiteral("calls.xlsx");
    files::XlsxWriter::write(book, {{"Calls",
                                     {{vb::Variant("Name"), vb::Variant("Phone"), vb::Variant("Status")},
                                      {vb::Variant("zed"), vb::Variant("2015551234"), vb::Variant("x")},
                                      {}, // a blank row
                                      {vb::Variant("amy"), vb::Variant(), vb::Variant("x")},
                                      {vb::Variant("cat"), vb::Variant("9731234567"), vb::Variant("y")}}}});
    wjob.source = scrub::WorkTableJob::Source::Excel;
    wjob.connectionString =
        QStringLiteral(
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Extended Properties=\"Excel 8.0;HDR=Yes\"")
            .arg(book);
    wjob.tableName = QStringLiteral("Calls$");
    wjob.deleteFound = true; // a sheet is always marked

    const auto statusColumn = [&] {
        files::Workbook wb;
        wb.open(book);
        QStringList out;
        for (int r = 2; r <= 5; ++r)
            out << wb.sheet(QStringLiteral("Calls"))->value(r, 3).text();
        return out;
    };
    const scrub::WorkTableResult r = runWork();
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.rows, 4); // the blank row has its work row too
    EXPECT_EQ(statusColumn(), (QStringList{"DNC", "", "x", "DNC"}));

    // A mark that is no number for a number column fails at the second
    // record found: the first one's mark is not saved either.
    files::XlsxWriter::write(book, {{"Calls",
                                     {{vb::Variant("Name"), vb::Variant("Phone"), vb::Variant("Code")},
                                      {vb::Variant("zed"), vb::Variant("2015551234"), vb::Variant(5.0)},
                                      {vb::Variant("amy"), vb::Variant("2015550000"), vb::Variant(6.0)},
                                      {vb::Variant("cat"), vb::Variant("9731234567"), vb::Variant("abc")}}}});
    const QByteArray before = scrubtest::Read(book);
    wjob.markText = QStringLiteral("9");
    wjob.markAction = 0;
    runFailing(QStringLiteral("Output Excel"));
    EXPECT_EQ(scrubtest::Read(book), before);
}

TEST_F(WorkTableScrubTest, AListThatNoLongerMatchesItsFlagsIsLeftAlone)
{
    // A record added to the list while its numbers are looked up.
    const QByteArray list = "Name,Phone,Status\r\na,2015551234,new\r\n";
    writeList(list);
    wview.onStatus = [&](const QString& text) {
        if (text == QLatin1String("Start to Check ...")) writeList(list + "b,2015559999,new\r\n");
    };

    const auto changed = [&](const char* function) {
        const scrub::WorkTableResult r = runFailing(QLatin1String(function));
        return r.failure && r.failure->description.contains(QStringLiteral("changed while it was scrubbed"));
    };
    EXPECT_TRUE(changed("Output Text"));

    EXPECT_EQ(listBytes(), list + "b,2015559999,new\r\n");
    EXPECT_EQ(files(), (QStringList{"DNCTempWork.mdb", "calls.csv", "dnc.mdb"}));

    // The same for a table that lost a row.
    useTable(
        QStringLiteral("insert into calls values ('zed', '2015551234', 'x'), ('cat', '9731234567', 'y');"));
    wview.onStatus = [&](const QString& text) {
        if (text == QLatin1String("Start to Check ..."))
            scrubtest::Exec(folder + QStringLiteral("list.mdb"),
                            QStringLiteral("delete from calls where Name = 'zed'"));
    };

    EXPECT_TRUE(changed("Output Excel"));

    EXPECT_EQ(tableRows(), QStringList{"cat=y"});

    // Records another program saved in another order: a text list, a workbook.
    const QString book = folder + QStringLiteral("calls.xlsx");
    const auto sheet = [&](bool moved) {
        QList<QList<vb::Variant>> rows{{vb::Variant("Name"), vb::Variant("Phone"), vb::Variant("Status")},
                                       {vb::Variant("zed"), vb::Variant("2015551234"), vb::Variant("x")},
                                       {vb::Variant("cat"), vb::Variant("9731234567"), vb::Variant("y")}};
        if (moved) rows.swapItemsAt(1, 2);
        files::XlsxWriter::write(book, {{"Calls", rows}});
        wjob.source = scrub::WorkTableJob::Source::Excel;
        wjob.connectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + book +
                                ";Extended Properties=\"Excel 8.0;HDR=Yes\"";
        wjob.tableName = QStringLiteral("Calls$");
    };
    const auto text = [&](bool moved) {
        setUpJob();
        scrubtest::Write(folder + "saved",
                         moved ? "Name,Phone,Status\r\ncat,9731234567,y\r\nzed,2015551234,x\r\n"
                               : "Name,Phone,Status\r\nzed,2015551234,x\r\ncat,9731234567,y\r\n");
        ::rename(QFile::encodeName(folder + "saved").constData(),
                 QFile::encodeName(this->list()).constData());
    };
    for (const auto& [function, file, save] : {std::tuple{"Output Text", this->list(), std::function(text)},
                                               std::tuple{"Output Excel", book, std::function(sheet)}}) {
        save(false);
        QByteArray saved;
        wview.onStatus = [&](const QString& status) {
            if (status != QLatin1String("Start to Check ...")) return;
            save(true);
            saved = scrubtest::Read(file);
        };
        EXPECT_TRUE(changed(function));
        EXPECT_EQ(scrubtest::Read(file), saved);
        EXPECT_FALSE(QFileInfo::exists(wjob.okFile) || QFileInfo::exists(wjob.dncFile));
    }
}

TEST_F(WorkTableScrubTest, AResultFileNamedLikeTheListOrTheWorkDatabaseIsRefusedBeforeAnythingIsWritten)
{
    const QByteArray list = "Name,Phone,Status\r\na,2015551234,new\r\n";
    writeList(list);
    const QString work = wjob.workDatabase;
    const struct {
        QString okFile;
        QString said;
    } cases[] = {
        {folder + "calls.csv", "The OK file is the calling list itself!"},
        {work, "is the work database '" + work + "'!"},
        {work + "-journal", "is a journal of the work database '" + work + "'!"},
    };
    for (const auto& c : cases) {
        wjob.okFile = c.okFile;
        const scrub::WorkTableResult r = runFailing(QStringLiteral("CheckAccess"));
        if (r.failure) {
            EXPECT_TRUE(r.failure->description.contains(c.said)) << r.failure->description.toStdString();
        }
        EXPECT_EQ(listBytes(), list);
        EXPECT_FALSE(QFile::exists(work + "-journal"));
    }

    // Nor is the work database made anew over the list or the DNC database.
    wjob.okFile = folder + "ok.txt";
    useTable(QStringLiteral("insert into calls values ('a', '2015551234', 'new');"));
    const QByteArray table = scrubtest::Read(folder + "list.mdb");
    const QByteArray store = scrubtest::Read(dbPath);
    const QString saved = gConnectionString;
    gConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dbPath;
    for (const QString& made : {folder + "list.mdb", dbPath}) {
        wjob.workDatabase = made;
        const scrub::WorkTableResult r = runFailing(QStringLiteral("CheckAccess"));
        if (r.failure) {
            EXPECT_TRUE(r.failure->description.startsWith("The work database '" + made + "' is "));
        }
    }
    gConnectionString = saved;
    EXPECT_EQ(scrubtest::Read(folder + "list.mdb"), table);
    EXPECT_EQ(scrubtest::Read(dbPath), store);
}

TEST(WorkTableStatus, GivesTheShareOfFlaggedRows)
{
    const struct {
        std::int32_t flagged, notFlagged;
        const char* text;
    } cases[] = {
        {12, 331, "12 (3.50%) numbers in DNC List"},
        {0, 0, "0 (0.00%) numbers in DNC List"},
        {1, 2, "1 (33.33%) numbers in DNC List"},
        {3, 0, "3 (100.00%) numbers in DNC List"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scrub::WorkTableStatus(c.flagged, c.notFlagged), QLatin1String(c.text));
}

TEST_F(WorkTableScrubTest, AnEmptyListShowsNothingFoundAndStaysAsItWas)
{
    writeList("Name,Phone,Status\r\n");

    const scrub::WorkTableResult r = runWork();

    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.status, QStringLiteral("0 (0.00%) numbers in DNC List"));
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\n"));
}

// A run killed while the DNC database links its work table: the next run
// still works.
TEST_F(WorkTableScrubTest, ChildRunOfTheKillTest)
{
    const QString other = testsupport::ChildFolder();
    if (other.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    useFolder(other);
    SignalAtCheck view;
    view.folder = folder;
    scrub::ScrubByWorkTable(wjob, view, dnc);
}

TEST_F(WorkTableScrubTest, ARunKilledWhileLinkedLeavesTheNextRunWorking)
{
    writeList("Name,Phone,Status\r\nAnn,2015551234,new\r\nBob,2015550000,new\r\n");
    dnc->Close(); // the child's run holds the store alone
    testsupport::RunChildAndKill(QStringLiteral("WorkTableScrubTest.ChildRunOfTheKillTest"), folder, 0);
    dnc->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);

    const scrub::WorkTableResult r = runWork();
    EXPECT_TRUE(r.completed) << (r.failure ? r.failure->description.toStdString() : std::string());
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\nAnn,2015551234,DNC\r\nBob,2015550000,new\r\n"));
}
