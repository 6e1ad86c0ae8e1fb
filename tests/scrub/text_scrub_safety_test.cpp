// What a text scrub never does to a user's files: a run that fails keeps the
// earlier OK and DNC files as they were; a list reached through a symbolic
// link is rewritten where it lies; a read-only list is refused before
// anything is written; a rewritten list keeps its mode and owner; result
// files never overwrite the list or each other; what a killed rewrite left
// beside the list goes with the next one.

#include "TextScrubFixture.h"
#include "platform/fso/FileReplace.h"
#include "scrub/DuplicateRemoval.h"
#include "scrub/WorkTableScrub.h"
#include "support/FileSizeLimit.h"

#include <QFileInfo>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kThree = "Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n2015551234,c\r\n";
const QByteArray kOldOk = "Numbers Not In DNC List\r\n2125550000\r\n";
const QByteArray kOldDnc = "Numbers In DNC List,Remove Time\r\n2015551234, 1/1/2007 9:00:00 AM\r\n";

struct FailureCase {
    const char* name;
    int records;
    rlim_t fileSizeLimit; // 0: no limit
    bool brokenStore;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

} // namespace

class TextScrubFailureTest : public TextScrubTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TextScrubFailureTest, AFailedRunKeepsTheEarlierResultFilesAndTheList)
{
    const FailureCase& c = GetParam();
    scrubtest::Write(job.settings.okFile, kOldOk);
    scrubtest::Write(job.settings.dncFile, kOldDnc);
    const QByteArray list = scrubtest::LongList(c.records);
    writeList(list);
    if (c.brokenStore) {
        testsupport::BreakTable(dbPath, QStringLiteral("phone312"));
    }
    scrub::ScrubResult r;
    {
        std::optional<testsupport::FileSizeLimit> limit;
        if (c.fileSizeLimit) limit.emplace(c.fileSizeLimit);
        r = runFailing();
    }
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(file(QStringLiteral("ok.txt")), kOldOk);
    EXPECT_EQ(file(QStringLiteral("dnc.txt")), kOldDnc);
    EXPECT_EQ(listBytes(), list);
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb", "dnc.txt", "ok.txt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, TextScrubFailureTest,
    ::testing::Values(FailureCase{"AStoreThatCannotBeRead", 2000, 0, true},
                      FailureCase{"ADiskThatFillsWhileTheCopyIsWritten", 200000, 512 * 1024, false},
                      FailureCase{"ADiskThatFillsWhileTheResultsAreClosed", 40000, 300 * 1024, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------- what a kill left beside the list

// The writers that rewrite a text list beside itself. A run killed part way
// leaves at most the hidden temporary of the list's replacement (locked by
// nobody once its writer is gone); the next run sweeps it, and a user's file
// whose name merely looks like a copy's stays.
enum class ListRewriter { TextScrub, DuplicateRemoval, WorkTableWriteBack };

std::string RewriterName(const ::testing::TestParamInfo<ListRewriter>& info)
{
    static const char* const kNames[] = {"TextScrub", "DuplicateRemoval", "WorkTableWriteBack"};
    return kNames[int(info.param)];
}

class ListRewriterTest : public TextScrubTest, public ::testing::WithParamInterface<ListRewriter> {
protected:
    bool rewrite()
    {
        const QString text = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Extended "
                                            "Properties=\"text;HDR=Yes;FMT=Delimited\"")
                                 .arg(folder);
        // What the run said when it stopped.
        const auto said = [&](const auto& r) {
            failure = r.refusal + (r.failure ? r.failure->description : QString());
            return r.completed;
        };
        switch (GetParam()) {
        case ListRewriter::TextScrub:
            return said(scrub::ScrubTextFile(job, view, dnc));
        case ListRewriter::DuplicateRemoval: {
            const scrub::TextDuplicatesJob d{folder, job.fileName, text, true, QStringLiteral("Phone"), {}};
            return said(scrub::RemoveTextDuplicates(d, view));
        }
        case ListRewriter::WorkTableWriteBack: {
            return said(
                scrub::ScrubByWorkTable(scrubtest::TextWorkJob(folder, job.fileName, text), view, dnc));
        }
        }
        return false;
    }
    QString failure;
};

TEST_P(ListRewriterTest, TheNextRunSweepsWhatAKillLeftAndKeepsTheUsersFiles)
{
    writeList("Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n2015551234,c\r\n");
    // A temporary carries its own inode in its name.
    QStringList left;
    for (int i = 0; i < 2; ++i) {
        const QString made = folder + QStringLiteral("made");
        scrubtest::Write(made, "Phone,Status\r\n");
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(made).constData(), &st), 0);
        const QString name = ".calls.csv.tervala-" + QString::number(quint64(st.st_ino), 16);
        ASSERT_TRUE(QFile::rename(made, folder + name));
        left << name;
    }
    const QStringList users{"070302142530calls.csv", "N070302142530calls.csv", ".calls.csv.notes",
                            ".calls.csv.20261201",   ".calls.csv.original",    ".calls.csv.Xy12ab9Z",
                            ".ok.txt.original",      ".calls.csv.tervala-1"};
    for (const QString& name : users)
        scrubtest::Write(folder + name, "mine\r\n");

    ASSERT_TRUE(rewrite());

    EXPECT_NE(listBytes(), QByteArray("Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n2015551234,c\r\n"));
    const QStringList there = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : left)
        EXPECT_FALSE(there.contains(name)) << name.toStdString();
    for (const QString& name : users)
        EXPECT_EQ(file(name), "mine\r\n") << name.toStdString();
    for (const QString& name : there)
        EXPECT_TRUE(name == QLatin1String("calls.csv") || users.contains(name) || !name.contains(u"calls"))
            << name.toStdString() << " was left beside the list";
}

// Another program adds a line to the list while it is rewritten (here just
// before the rewritten list would take its place): the list keeps it, the
// earlier result files stay, and the run says the list changed.
TEST_P(ListRewriterTest, AListChangedWhileItIsRewrittenIsLeftAsItWas)
{
    writeList(kThree);
    scrubtest::Write(folder + "ok.txt", kOldOk);
    scrubtest::Write(folder + "dnc.txt", kOldDnc);
    fso::SetCommitStepHook([&](const char* step) {
        if (std::strcmp(step, "ready") != 0) return;
        QFile f(this->list());
        if (f.open(QIODevice::Append)) f.write("2015551234,appended\r\n");
    });
    const bool done = rewrite();
    fso::SetCommitStepHook({});
    EXPECT_FALSE(done);
    EXPECT_EQ(listBytes(), kThree + "2015551234,appended\r\n");
    EXPECT_EQ(file("ok.txt"), kOldOk);
    EXPECT_EQ(file("dnc.txt"), kOldDnc);
    EXPECT_TRUE(failure.contains(QStringLiteral("changed while it was scrubbed"))) << failure.toStdString();
    // Duplicate removal writes no result files and does not speak of them.
    EXPECT_EQ(failure.contains("result files"), GetParam() != ListRewriter::DuplicateRemoval);
}

// The list's name is a link another user made to the user's own file: it is
// not followed, and the file it names stays as it was.
TEST_P(ListRewriterTest, AnotherUsersLinkIsNotFollowed)
{
    if (::geteuid() != 0) GTEST_SKIP() << "plants another user's link as root";
    scrubtest::Write(folder + "mine.csv", kThree);
    ASSERT_TRUE(QFile::link(folder + "mine.csv", this->list()));
    ASSERT_EQ(::lchown(QFile::encodeName(this->list()).constData(), 4321, 4321), 0);
    EXPECT_FALSE(rewrite());
    EXPECT_EQ(file("mine.csv"), kThree);
    EXPECT_TRUE(QFileInfo(this->list()).isSymLink());
}

INSTANTIATE_TEST_SUITE_P(Rewriters, ListRewriterTest,
                         ::testing::Values(ListRewriter::TextScrub, ListRewriter::DuplicateRemoval,
                                           ListRewriter::WorkTableWriteBack),
                         RewriterName);

// ---------------------------------------------------------------- links

struct LinkCase {
    const char* name;
    bool relative;
    bool chained; // a link to a link to the list
};

void PrintTo(const LinkCase& c, std::ostream* os)
{
    *os << c.name;
}

class TextScrubLinkTest : public TextScrubTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(TextScrubLinkTest, AListThatIsALinkIsRewrittenWhereItLies)
{
    const LinkCase& c = GetParam();
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString real = elsewhere.filePath(QStringLiteral("real.csv"));
    scrubtest::Write(real, "Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n");
    QString linked = real;
    if (c.chained) {
        linked = elsewhere.filePath(QStringLiteral("middle.csv"));
        ASSERT_TRUE(QFile::link(real, linked));
    }
    const QString pointsTo = c.relative ? QDir(folder).relativeFilePath(linked) : linked;
    ASSERT_EQ(::symlink(QFile::encodeName(pointsTo).constData(), QFile::encodeName(list()).constData()), 0);

    const scrub::ScrubResult r = run();

    EXPECT_TRUE(r.replaced);
    EXPECT_EQ(scrubtest::Read(real), QByteArray("Phone,Status\r\n2015550000,b\r\n"));
    EXPECT_EQ(QFileInfo(list()).symLinkTarget(), linked);
    EXPECT_EQ(listBytes(), QByteArray("Phone,Status\r\n2015550000,b\r\n"));
    QStringList there = QDir(elsewhere.path()).entryList(QDir::Files | QDir::System, QDir::Name);
    EXPECT_EQ(there, c.chained ? QStringList({"middle.csv", "real.csv"}) : QStringList({"real.csv"}));
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb", "dnc.txt", "ok.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Links, TextScrubLinkTest,
                         ::testing::Values(LinkCase{"AnAbsoluteLink", false, false},
                                           LinkCase{"ARelativeLink", true, false},
                                           LinkCase{"ALinkToALink", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- modes

TEST_F(TextScrubTest, AReadOnlyListIsRefusedBeforeAnythingIsWritten)
{
    const QByteArray list = "Phone,Status\r\n2015551234,a\r\n";
    writeList(list);
    ASSERT_EQ(::chmod(QFile::encodeName(this->list()).constData(), 0444), 0);
    job.settings.backupOriginal = true;

    EXPECT_FALSE(runRefused(QStringLiteral("read-only")).completed);
    EXPECT_EQ(listBytes(), list);
    EXPECT_EQ(files(), (QStringList{"calls.csv", "dnc.mdb"}));
}

class TextScrubModeTest : public TextScrubTest, public ::testing::WithParamInterface<mode_t> {};

TEST_P(TextScrubModeTest, ARewrittenListKeepsItsModeAndOwner)
{
    writeList("Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n");
    const QByteArray path = QFile::encodeName(list());
    ASSERT_EQ(::chmod(path.constData(), GetParam()), 0);
    // Only a process allowed to give files away can keep another owner.
    const bool otherOwner = ::geteuid() == 0 && ::chown(path.constData(), 4321, 4322) == 0;

    EXPECT_TRUE(run().replaced);
    struct stat st {};
    ASSERT_EQ(::stat(path.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, GetParam());
    if (otherOwner) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_EQ(listBytes(), QByteArray("Phone,Status\r\n2015550000,b\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Modes, TextScrubModeTest, ::testing::Values(0600, 0640, 0664, 0755));

// ---------------------------------------------------------------- result names

struct ClashCase {
    const char* name;
    const char* okFile;  // relative to the list's folder; "" = the default
    const char* dncFile; // the same
    const char* expected;
};

void PrintTo(const ClashCase& c, std::ostream* os)
{
    *os << c.name;
}

class TextScrubClashTest : public TextScrubTest, public ::testing::WithParamInterface<ClashCase> {};

TEST_P(TextScrubClashTest, AResultFileOverTheListOrTheOtherIsRefusedBeforeTheRun)
{
    const ClashCase& c = GetParam();
    const QByteArray bytes = "Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n";
    writeList(bytes);
    QDir().mkpath(folder + QStringLiteral("sub"));
    QFile::link(list(), folder + QStringLiteral("link.csv"));
    ASSERT_EQ(::link(QFile::encodeName(list()).constData(),
                     QFile::encodeName(folder + QStringLiteral("hard.csv")).constData()),
              0);
    if (*c.okFile) job.settings.okFile = folder + QString::fromUtf8(c.okFile);
    if (*c.dncFile) job.settings.dncFile = folder + QString::fromUtf8(c.dncFile);

    EXPECT_FALSE(runRefused(QString::fromUtf8(c.expected)).completed);
    EXPECT_EQ(listBytes(), bytes);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("ok.txt")));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("dnc.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    Names, TextScrubClashTest,
    ::testing::Values(
        ClashCase{"OkFileIsTheList", "calls.csv", "", "The OK file is the calling list itself!"},
        ClashCase{"OkFileThroughDotDot", "sub/../calls.csv", "", "The OK file is the calling list"},
        ClashCase{"OkFileThroughDoubledSeparators", ".//calls.csv", "", "The OK file is the calling"},
        ClashCase{"DncFileThroughALink", "", "link.csv", "The DNC file is the calling list itself!"},
        ClashCase{"DncFileThroughAHardLink", "", "hard.csv", "The DNC file is the calling list"},
        ClashCase{"BothOneFile", "r.txt", "sub/../r.txt", "The OK file and the DNC file are one file!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextScrubTest, AResultFileMayNameTheListWhenItIsNotWritten)
{
    writeList("Phone,Status\r\n2015551234,a\r\n");
    job.settings.exportOk = false;
    job.settings.okFile = list();
    EXPECT_TRUE(run().completed);
}

// ---------------------------------------------------------------- folders

class TextScrubResultFolderTest : public TextScrubTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TextScrubResultFolderTest, AMissingResultFolderIsMade)
{
    writeList("Phone,Status\r\n2015551234,a\r\n2015550000,b\r\n");
    job.settings.okFile = folder + QString::fromUtf8(GetParam()) + QStringLiteral("/ok.txt");
    job.settings.dncFile = folder + QString::fromUtf8(GetParam()) + QStringLiteral("/dnc.txt");
    run();
    EXPECT_EQ(file(QString::fromUtf8(GetParam()) + QStringLiteral("/ok.txt")),
              QByteArray("Numbers Not In DNC List\r\n2015550000\r\n"));
    EXPECT_TRUE(
        file(QString::fromUtf8(GetParam()) + QStringLiteral("/dnc.txt")).startsWith("Numbers In DNC"));
}

INSTANTIATE_TEST_SUITE_P(Folders, TextScrubResultFolderTest,
                         ::testing::Values("results", "results/2007/march"));
