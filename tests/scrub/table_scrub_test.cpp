// The scrub of an embedded-database table and of a FoxPro table: what the
// table, the OK and DNC files and the summary hold afterwards.

#include "TableScrubFixture.h"
#include "support/RecordingProgress.h"

#include <QProcess>
#include <sys/inotify.h>
#include <unistd.h>

using scrubtest::Kind;
using scrubtest::ListRow;

namespace {

const QString kStamp = QStringLiteral("3/2/2007 2:25:30 PM");

QByteArray DncFile(const QStringList& numbers)
{
    QByteArray out = "Numbers In DNC List, Remove Time\r\n";
    for (const QString& n : numbers)
        out += (n + u',' + kStamp + QStringLiteral("\r\n")).toUtf8();
    return out;
}

QByteArray OkFile(const QStringList& numbers)
{
    QByteArray out = "Numbers Not In DNC List\r\n";
    for (const QString& n : numbers)
        out += (n + QStringLiteral("\r\n")).toUtf8();
    return out;
}

QString Summary(int notFound, int found, const char* percent, int unusable)
{
    return QStringLiteral("Action is finished!\r\n%1 Not in DNC List; %2(%3%) in DNC List; %4 Null Numbers ")
        .arg(notFound)
        .arg(found)
        .arg(QLatin1String(percent))
        .arg(unusable);
}

} // namespace

TEST_P(TableScrubTest, NumbersAreCleanedCompletedAndElevenDigitsLoseTheirFirstCharacter)
{
    // phone value -> what the run makes of it (status "DNC" marks a find)
    const struct {
        std::optional<QString> phone;
        const char* status;
    } cases[] = {
        {QStringLiteral("12015551234"), "DNC"},    // eleven digits: 2015551234
        {QStringLiteral("X2015559999"), "DNC"},    // only the length decides
        {QStringLiteral("1201555123"), "new"},     // area code 120 has no table
        {QStringLiteral("(973) 123-4567"), "DNC"}, // cleaned
        {QStringLiteral("201555ABCD"), "new"},     // letters: unusable
        {QStringLiteral("2015550000"), "new"},     // not listed
        {QStringLiteral("555"), "new"},            // too short
        {std::nullopt, "new"},                     // Null
    };
    std::vector<ListRow> rows;
    QStringList expected;
    for (const auto& c : cases) {
        rows.push_back({QStringLiteral("n"), c.phone, QStringLiteral("new"), 1});
        expected << (c.phone ? c.phone->trimmed() : QString(foxPro() ? "" : "<null>")) + u'|' +
                        QLatin1String(c.status) + QStringLiteral("|1");
    }
    makeList(rows);
    job.settings.markAction = 2;

    const scrub::ScrubResult r = run();

    EXPECT_TRUE(r.completed);
    EXPECT_EQ(listRows(), expected);
    EXPECT_EQ(file(QStringLiteral("dnc.txt")), DncFile({"2015551234", "2015559999", "9731234567"}));
    EXPECT_EQ(file(QStringLiteral("ok.txt")), OkFile({"1201555123", "2015550000"}));
    EXPECT_EQ(r.summary, Summary(2, 3, "37.50", 3));
    EXPECT_EQ(view.barMaximum, 8);
    EXPECT_TRUE(view.finalShown);
}

TEST_P(TableScrubTest, EachMarkActionChangesOnlyTheMarkFieldOfFoundRecords)
{
    const struct {
        int action;
        const char* mark;
        std::optional<QString> old;
        const char* marked;
    } cases[] = {
        {0, "X", QStringLiteral("A"), "XA"}, {1, "X", QStringLiteral("A"), "AX"},
        {2, "X", QStringLiteral("A"), "X"},  {0, "X", std::nullopt, "X"},
        {1, "X", std::nullopt, "X"},         {7, "X", std::nullopt, "X"},
        {0, "", QStringLiteral("A"), "A"},   {1, "", QStringLiteral("A"), "A"},
        {2, "", QStringLiteral("A"), ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "action " << c.action << " mark '" << c.mark << "'");
        setTable(QStringLiteral("calls%1").arg(++n));
        makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), c.old, 1},
                  {QStringLiteral("b"), QStringLiteral("2015550000"), QStringLiteral("keep"), 2}});
        job.settings.markAction = c.action;
        job.settings.markText = QLatin1String(c.mark);

        run();

        EXPECT_EQ(listRows(),
                  (QStringList{QStringLiteral("2015551234|") + QLatin1String(c.marked) + QStringLiteral("|1"),
                               QStringLiteral("2015550000|keep|2")}));
    }
}

TEST_P(TableScrubTest, DeletingRemovesExactlyTheFoundRowsWhateverTheOthersHold)
{
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("new"), 1},
              {QStringLiteral("b"), QStringLiteral("2015550000"), QStringLiteral("new"), 999000000},
              {QStringLiteral("c"), QStringLiteral("9731234567"), QStringLiteral("new"), 999000000},
              {QStringLiteral("d"), QStringLiteral("555"), QStringLiteral("999000000"), 999000000}});
    job.settings.markField = QStringLiteral("Code");
    job.settings.deleteFound = true;

    const scrub::ScrubResult r = run();

    EXPECT_EQ(listRows(), (QStringList{QStringLiteral("2015550000|new|999000000"),
                                       QStringLiteral("555|999000000|999000000")}));
    EXPECT_EQ(r.summary, Summary(1, 2, "50.00", 1));
    EXPECT_EQ(file(QStringLiteral("dnc.txt")), DncFile({"2015551234", "9731234567"}));
    if (foxPro()) {
        // Deleted records keep their place, flagged; the table is not packed.
        files::DbfTable dbf(dbfPath(), files::DbfTable::Mode::ReadOnly);
        EXPECT_EQ(dbf.recordCount(), 4);
        EXPECT_TRUE(dbf.isDeleted(0));
        EXPECT_FALSE(dbf.isDeleted(1));
        EXPECT_TRUE(dbf.isDeleted(2));
        EXPECT_EQ(dbf.value(0, 1).text().trimmed(), QStringLiteral("2015551234"));
    }
}

TEST_P(TableScrubTest, ANumericMarkFieldTakesTheMarkAsANumber)
{
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("new"), 5},
              {QStringLiteral("b"), QStringLiteral("2015550000"), QStringLiteral("new"), 7},
              {QStringLiteral("c"), QStringLiteral("2015559999"), QStringLiteral("new"), std::nullopt}});
    job.settings.markField = QStringLiteral("Code");
    job.settings.markAction = 0;
    job.settings.markText = QStringLiteral("9");

    run();

    const QStringList rows = listRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], QStringLiteral("2015551234|new|95"));
    EXPECT_EQ(rows[1], QStringLiteral("2015550000|new|7"));
    EXPECT_EQ(rows[2], QStringLiteral("2015559999|new|9"));
}

TEST_P(TableScrubTest, AMarkTheTableRefusesTakesBackEveryMarkBeforeIt)
{
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("A"), 1},
              {QStringLiteral("b"), QStringLiteral("2015550000"), QStringLiteral("B"), 2},
              {QStringLiteral("c"), QStringLiteral("2015559999"), QStringLiteral("ABCDEFGHIJ"), 3}});
    const QStringList before = listRows();
    job.settings.markAction = 0;
    job.settings.markText = QStringLiteral("DNC");
    if (!foxPro()) {
        // The embedded table refuses a mark longer than 12 characters.
        scrubtest::Exec(listDb, QStringLiteral("create trigger refuse before update of Status on calls "
                                               "when length(new.Status) > 12 begin select raise(abort, "
                                               "'Status is too long'); end;"));
    }
    const QByteArray bytes = foxPro() ? scrubtest::Read(dbfPath()) : QByteArray();

    const scrub::ScrubResult r = runFailing();

    EXPECT_FALSE(r.completed);
    EXPECT_EQ(listRows(), before);
    if (foxPro()) {
        EXPECT_EQ(scrubtest::Read(dbfPath()), bytes);
    }
    // Half-written result files are dropped; there were none before.
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("dnc.txt")));
}

TEST_P(TableScrubTest, ALookUpFailureEndsTheRunWithOneReportAndTheTableAsItWas)
{
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("A"), 1},
              {QStringLiteral("b"), QStringLiteral("9731234567"), QStringLiteral("B"), 2}});
    const QStringList before = listRows();
    // The store's table for 973 fails when it is read.
    testsupport::BreakTable(dbPath, QStringLiteral("phone973"));
    job.settings.deleteFound = true;

    const scrub::ScrubResult r = runFailing();

    EXPECT_FALSE(r.completed);
    EXPECT_EQ(listRows(), before);
    EXPECT_FALSE(view.finalShown);
}

TEST_P(TableScrubTest, ATableNamedWithABlankIsScrubbed)
{
    setTable(QStringLiteral("my list"));
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("new"), 1},
              {QStringLiteral("b"), QStringLiteral("2015550000"), QStringLiteral("new"), 2}});
    job.settings.markAction = 2;
    job.settings.phoneField = QStringLiteral("phone"); // field names are matched without regard to case

    const scrub::ScrubResult r = run();

    EXPECT_EQ(listRows(),
              (QStringList{QStringLiteral("2015551234|DNC|1"), QStringLiteral("2015550000|new|2")}));
    EXPECT_EQ(r.summary, Summary(1, 1, "50.00", 0));
}

TEST_P(TableScrubTest, AnEmptyTableFinishesWithAShareOfNothing)
{
    makeList({});

    const scrub::ScrubResult r = run();

    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.summary, Summary(0, 0, "0.00", 0));
    EXPECT_EQ(file(QStringLiteral("dnc.txt")), DncFile({}));
    EXPECT_EQ(file(QStringLiteral("ok.txt")), OkFile({}));
}

TEST_P(TableScrubTest, AMissingPhoneFieldIsReportedAndNothingIsWritten)
{
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("new"), 1}});
    job.settings.phoneField = QStringLiteral("Telephone");

    runFailing();

    EXPECT_EQ(listRows(), QStringList{QStringLiteral("2015551234|new|1")});
}

TEST_P(TableScrubTest, AResultFileNamedLikeTheListIsRefusedBeforeAnythingIsWritten)
{
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("new"), 1}});
    const QString list = scrub::TableFiles(job).value(0);
    const QByteArray before = scrubtest::Read(list);
    job.settings.dncFile = list;

    runFailing();

    EXPECT_EQ(scrubtest::Read(list), before);
}

TEST_P(TableScrubTest, ADeletingRunShowsItsLastProgressBeforeDeletingAndLetsTheWindowDrawWhileItDeletes)
{
    std::vector<ListRow> rows;
    for (int i = 0; i < 500; ++i)
        rows.push_back({QStringLiteral("n"), QString::number(i % 2 ? 2015550000 + i : 2015551234), {}, 1});
    makeList(rows);
    job.settings.deleteFound = true;
    testsupport::RecordingProgress progress;

    scrubtest::ExpectFinished(scrub::ScrubTable(job, progress, dnc));

    EXPECT_EQ(listRows().size(), 250);
    ASSERT_TRUE(progress.finalDue);
    EXPECT_GE(progress.yields - progress.yieldsAtFinal, 2) << "250 deletions after the last report";
}

INSTANTIATE_TEST_SUITE_P(BothSources, TableScrubTest, ::testing::Values(Kind::Access, Kind::FoxPro),
                         scrubtest::KindName);

// ---------------------------------------------------------------- embedded lists only

class EmbeddedTableScrubTest : public TableScrubTest {};

TEST_P(EmbeddedTableScrubTest, AListInsideTheDncDatabaseFileIsChangedAndCommitted)
{
    setTable(QStringLiteral("calls"), true);
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("new"), 1},
              {QStringLiteral("b"), QStringLiteral("2015550000"), QStringLiteral("new"), 2},
              {QStringLiteral("c"), QStringLiteral("9731234567"), QStringLiteral("new"), 3}});
    job.settings.deleteFound = true;

    const scrub::ScrubResult r = run();

    EXPECT_TRUE(r.completed);
    dnc->Close(); // the run's DNC connection is done with
    EXPECT_EQ(listRows(), QStringList{QStringLiteral("2015550000|new|2")});
}

// The list's database keeps its own rules: its relationships (a delete they
// restrict fails whole, one they cascade takes the related rows along, a
// reference already broken before the run stops nothing) and a table made
// WITHOUT ROWID, whose rows are reached by their primary key.
TEST_P(EmbeddedTableScrubTest, TheListDatabasesOwnRulesHold)
{
    const QString restrict = "create unique index code on calls (Code); create table visits (code INTEGER "
                             "REFERENCES calls (Code) ON DELETE RESTRICT); insert into visits values (1);";
    const QString cascade =
        "create unique index code on calls (Code); create table visits (code INTEGER "
        "REFERENCES calls (Code) ON DELETE CASCADE); insert into visits values (1), (2), (99);";
    const QString keyed =
        "create table k (Name TEXT, Phone TEXT, Status TEXT, Code INTEGER, PRIMARY KEY (Name, "
        "Code)) WITHOUT ROWID; insert into k select * from calls; drop table calls; "
        "alter table k rename to calls; create table visits (code INTEGER);";
    const struct {
        const QString& schema;
        bool deleting;
        QStringList rows;   // the list afterwards; empty: as it was, the run failed
        const char* visits; // the related rows afterwards
    } cases[] = {
        {restrict, true, {}, "1"},
        {restrict, false, {"2015551234|DNC|1", "2015550000|new|2", "9731234567|DNC|3"}, "1"},
        {cascade, true, {"2015550000|new|2"}, "2,99"},
        {cascade, false, {"2015551234|DNC|1", "2015550000|new|2", "9731234567|DNC|3"}, "1,2,99"},
        {keyed, true, {"2015550000|new|2"}, ""},
        {keyed, false, {"2015551234|DNC|1", "2015550000|new|2", "9731234567|DNC|3"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.schema.left(40).toStdString() + (c.deleting ? " deleting" : " marking"));
        QFile::remove(dir.filePath(QStringLiteral("list.mdb")));
        makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("new"), 1},
                  {QStringLiteral("b"), QStringLiteral("2015550000"), QStringLiteral("new"), 2},
                  {QStringLiteral("c"), QStringLiteral("9731234567"), QStringLiteral("new"), 3}});
        scrubtest::Exec(listDb, c.schema);
        const QStringList before = listRows();
        job.settings.deleteFound = c.deleting;
        job.settings.markAction = 2;

        const scrub::ScrubResult r = scrub::ScrubTable(job, view, dnc);

        if (c.rows.isEmpty()) scrubtest::ExpectFailure(r, function(), QStringLiteral("related records"));
        EXPECT_EQ(listRows(), c.rows.isEmpty() ? before : c.rows);
        testsupport::Db list(listDb);
        EXPECT_EQ(list.scalar("select group_concat(code) from (select code from visits order by code)"),
                  QLatin1String(c.visits));
    }
}

INSTANTIATE_TEST_SUITE_P(Access, EmbeddedTableScrubTest, ::testing::Values(Kind::Access),
                         scrubtest::KindName);

// ---------------------------------------------------------------- .dbf lists only

class DbfTableScrubTest : public TableScrubTest {
protected:
    // The bytes of one record; the header's length follows from the file's.
    QByteArray record(const QByteArray& file, int index, int count) const
    {
        const int length = 1 + 20 + 15 + 12 + 9;
        const int header = int(file.size()) - 1 - count * length;
        return file.mid(header + index * length, length);
    }
};

TEST_P(DbfTableScrubTest, RecordsNotFoundKeepEveryByte)
{
    makeList({{QStringLiteral("Émile"), QStringLiteral("2015550000"), QStringLiteral("old"), 1},
              {QStringLiteral("b"), QStringLiteral("2015551234"), QStringLiteral("old"), 2},
              {QStringLiteral("c"), QStringLiteral("201 555 0001"), std::nullopt, 3},
              {QStringLiteral("d"), QStringLiteral("12"), QStringLiteral("old"), 4}});
    const QByteArray before = scrubtest::Read(dbfPath());
    job.settings.markAction = 2;

    run();

    const QByteArray after = scrubtest::Read(dbfPath());
    ASSERT_EQ(after.size(), before.size());
    for (int i : {0, 2, 3})
        EXPECT_EQ(record(after, i, 4), record(before, i, 4)) << "record " << i;
    // The found record differs in its mark field only.
    QByteArray marked = record(before, 1, 4);
    marked.replace(1 + 20 + 15, 12, QByteArray("DNC").leftJustified(12, ' '));
    EXPECT_EQ(record(after, 1, 4), marked);
}

TEST_P(DbfTableScrubTest, ANumberTooWideForItsFieldEndsTheRunAndLeavesTheFileAsItWas)
{
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("x"), 5},
              {QStringLiteral("b"), QStringLiteral("2015559999"), QStringLiteral("x"), 123}},
             3);
    const QByteArray before = scrubtest::Read(dbfPath());
    job.settings.markField = QStringLiteral("Code");
    job.settings.markAction = 0;
    job.settings.markText = QStringLiteral("9");

    const scrub::ScrubResult r = runFailing();

    EXPECT_EQ(scrubtest::Read(dbfPath()), before);
    ASSERT_TRUE(r.failure.has_value());
    EXPECT_FALSE(r.failure->description.contains(QStringLiteral("*")));
}

namespace {

// The order of the file changes a run makes in the table's folder, as the
// system reports them: "<event> <name>".
QStringList FolderEvents(int watch)
{
    QStringList seen;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(watch, buffer, sizeof buffer);
        if (n <= 0) return seen;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            const QString name = e->len ? QString::fromLocal8Bit(e->name) : QString();
            if (e->mask & IN_DELETE) seen << QStringLiteral("delete ") + name;
            if (e->mask & IN_MOVED_TO) seen << QStringLiteral("renamed ") + name;
            at += ssize_t(sizeof(inotify_event) + e->len);
        }
    }
}

} // namespace

// The table's changes are lasting (its undo journal gone) before the result
// files that tell of them take their places: a kill between the two must not
// leave a journal that takes back a scrub the new result files report.
TEST_P(DbfTableScrubTest, TheUndoJournalIsGoneBeforeTheResultFilesAppear)
{
    makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("x"), 1},
              {QStringLiteral("b"), QStringLiteral("2015550000"), QStringLiteral("x"), 2}});
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_DELETE | IN_MOVED_TO),
              0);
    run();
    const QStringList seen = FolderEvents(watch);
    ::close(watch);
    const qsizetype journalGone = seen.indexOf(QStringLiteral("delete calls.dbf-undo"));
    ASSERT_GE(journalGone, 0) << seen.join(u',').toStdString();
    for (const QString& result : {QStringLiteral("renamed ok.txt"), QStringLiteral("renamed dnc.txt")})
        EXPECT_GT(seen.indexOf(result), journalGone) << seen.join(u',').toStdString();
}

TEST_P(DbfTableScrubTest, OfTwoFilesWhoseNamesDifferInCaseTheChosenOneIsCountedScrubbedAndBackedUp)
{
    for (const QString chosen : {"calls.dbf", "CALLS.DBF"}) {
        SCOPED_TRACE(chosen.toStdString());
        const QString other = chosen == "calls.dbf" ? "CALLS.DBF" : "calls.dbf";
        QFile::remove(folder + chosen);
        job.tableName = other;
        makeList({{QStringLiteral("x"), QStringLiteral("2015559999"), QStringLiteral("other"), 9}});
        const QByteArray otherBefore = scrubtest::Read(dbfPath());
        job.tableName = chosen;
        makeList({{QStringLiteral("a"), QStringLiteral("2015551234"), QStringLiteral("new"), 1},
                  {QStringLiteral("b"), QStringLiteral("2015550000"), QStringLiteral("new"), 2}});
        job.settings.deleteFound = true;

        const scrub::ScrubResult r = run();

        EXPECT_EQ(scrub::TableFiles(job), QStringList{dbfPath()});
        EXPECT_EQ(r.counters.total, 2);
        EXPECT_EQ(listRows(), QStringList{QStringLiteral("2015550000|new|2")});
        EXPECT_EQ(scrubtest::Read(folder + other), otherBefore);
    }
}

// A table in the code page its language driver names, made and read back by
// python3-dbf: a mark is written in that code page, and one it cannot hold
// is refused before anything changes, naming the table and the character.
TEST_P(DbfTableScrubTest, AMarkIsWrittenInTheTablesOwnCodePageOrRefused)
{
    const struct {
        const char* codec;
        const char* old;    // the mark field before
        const char* mark;   // its first character is the one refused
        const char* status; // the found record's mark field afterwards; null: refused
    } cases[] = {
        {"cp866", "нов", "Ж", "новЖ"},   {"cp866", "нов", "€", nullptr},   {"cp1251", "нов", "Ж€", "новЖ€"},
        {"cp1253", "νέο", "Ж", nullptr}, {"cp1252", "new", "Ж€", nullptr}, {"cp1253", "νέο", "Ω", "νέοΩ"},
    };
    const auto python = [](const QString& script, const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
        p.waitForFinished(-1);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.codec) + " " + c.mark);
        for (const QString file : {dbfPath(), folder + "dnc.txt"})
            QFile::remove(file);
        const QString old = QString::fromUtf8(c.old);
        python("import dbf, sys\n"
               "t = dbf.Table(sys.argv[1], 'NAME C(10); PHONE C(15); STATUS C(12)', codepage=sys.argv[2])\n"
               "t.open(dbf.READ_WRITE)\n"
               "t.append(('a', '2015551234', sys.argv[3])); t.append(('b', '2015550000', sys.argv[3]))\n"
               "t.close()\n",
               {dbfPath(), c.codec, old});
        const QByteArray before = scrubtest::Read(dbfPath());
        job.settings.markAction = 1;
        job.settings.markText = QString::fromUtf8(c.mark);

        const scrub::ScrubResult r = scrub::ScrubTable(job, view, dnc);

        const QString read = python("import dbf, sys\nt = dbf.Table(sys.argv[1]); t.open()\n"
                                    "print('|'.join(r.status.strip() for r in t))\n",
                                    {dbfPath()});
        if (c.status) {
            scrubtest::ExpectFinished(r);
            EXPECT_EQ(read, QString::fromUtf8(c.status) + u'|' + old);
            continue;
        }
        EXPECT_EQ(scrubtest::Read(dbfPath()), before);
        EXPECT_FALSE(QFile::exists(folder + QStringLiteral("dnc.txt")));
        const QString refused = u'\'' + QString::fromUtf8(c.mark).left(1) + u'\'';
        EXPECT_TRUE(r.refusal.contains("'" + dbfPath() + "'") && r.refusal.contains(refused))
            << r.refusal.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(FoxPro, DbfTableScrubTest, ::testing::Values(Kind::FoxPro), scrubtest::KindName);
