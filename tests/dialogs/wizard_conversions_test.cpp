// The wizard's file conversions: what ends up on disk and what the user is
// to be told, for the national text rename, the HTML page, the update file
// and the split. The conversions ask nothing and show no box: the scripted
// services fail a test on one.

#include "dncdb/StateFileConversion.h"
#include "dncdb/WizardConversions.h"
#include "support/RecordingProgress.h"
#include "support/ScriptedUi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace dncwizard;

namespace {

class WizardFiles : public ScriptedUiTest {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path(name);
    }
    static QByteArray read(const QString& file)
    {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        return f.readAll();
    }
    bool exists(const QString& name) const { return QFile::exists(path(name)); }

    QTemporaryDir dir;
};

} // namespace

// --- national text ---------------------------------------------------------

using NationalText = WizardFiles;

TEST_F(NationalText, ADatFileIsRenamedToTheFirstFreeTxtName)
{
    const QString dat = write("list.dat", "2015551234\r\n");
    EXPECT_EQ(ProposeTextName(dat), path("list.txt"));
    write("list.txt", "");
    EXPECT_EQ(ProposeTextName(dat), path("list0.txt"));
    write("list0.txt", "");

    EXPECT_TRUE(NeedsTextName(dat));
    EXPECT_EQ(RenameQuestion(dat),
              "File type should be *.txt or *.csv!, Would you like to change it to \r\n" + path("list.txt?"));
    const QString used = RenameNationalText(dat).file;
    EXPECT_EQ(used, path("list1.txt"));
    EXPECT_FALSE(exists("list.dat"));
    EXPECT_EQ(read(used), "2015551234\r\n");
}

TEST_F(NationalText, CsvAndTxtInAnyCaseAreTakenWithoutAQuestion)
{
    for (const char* name : {"a.CSV", "b.Txt", "c.csv"}) {
        const QString file = write(name, "1");
        EXPECT_FALSE(NeedsTextName(file)) << name;
    }
}

TEST_F(NationalText, ADotInAFolderNameIsNoExtension)
{
    QDir(dir.path()).mkdir("v1.2");
    const QString file = write("v1.2/list", "1");
    EXPECT_EQ(ProposeTextName(file), path("v1.2/list.txt"));
}

TEST_F(NationalText, AFailingRenameComesBackAsAFailureOfTheBrowser)
{
    const ConversionResult r = RenameNationalText(path("gone.dat"));
    EXPECT_EQ(r.file, QString());
    ASSERT_TRUE(r.failure.has_value());
    EXPECT_EQ(r.failure->module, QStringLiteral("frmDNCWizard"));
    EXPECT_EQ(r.failure->function, QStringLiteral("cmdBrowser_Click"));
}

// --- national HTML -----------------------------------------------------------

using NationalHtml = WizardFiles;

TEST_F(NationalHtml, LinesBetweenThePreTagsAreKeptUnchanged)
{
    const QString page = write("page.html", "<html><body>\r\n"
                                            "<PRE>\r\n"
                                            "201,5551234\r\n"
                                            "   \r\n"
                                            "\r\n"
                                            " 973,7777777 \r\n"
                                            "999,0000000</PRE>\r\n"
                                            "after\r\n");
    EXPECT_EQ(HtmlOutputName(page), path("page.txt"));
    ASSERT_EQ(ConvertNationalHtml(page, path("page.txt")).file, path("page.txt"));
    EXPECT_EQ(read(path("page.txt")), "201,5551234\r\n 973,7777777 \r\n");
}

TEST_F(NationalHtml, TextAfterTheOpeningTagIsKept)
{
    const QString page = write("p.htm", "x<PRE>201,5551234\n202,5550000\n</PRE>\n");
    ASSERT_EQ(ConvertNationalHtml(page, path("out.txt")).file, path("out.txt"));
    EXPECT_EQ(read(path("out.txt")), "201,5551234\r\n202,5550000\r\n");
}

TEST_F(NationalHtml, APageWithoutPreGivesAnEmptyFile)
{
    const QString page = write("p.htm", "<pre>\n201,5551234\n</pre>\n");
    write("out.txt", "old content\r\n");
    ASSERT_EQ(ConvertNationalHtml(page, path("out.txt")).file, path("out.txt"));
    EXPECT_EQ(read(path("out.txt")), "");
}

TEST_F(NationalHtml, AnOutputThatIsTheSourceIsRefused)
{
    const QByteArray content = "<PRE>\n201,5551234\n</PRE>\n";
    const QString page = write("p.txt", content);
    const ConversionResult r = ConvertNationalHtml(page, dir.path() + "/./p.txt");
    EXPECT_TRUE(r.refusal.contains("must not be the HTML file")) << r.refusal.toStdString();
    EXPECT_EQ(r.file, QString());
    EXPECT_EQ(read(page), content);
}

TEST_F(NationalHtml, AMissingSourceIsReportedOnceAndTheOutputKept)
{
    write("out.txt", "keep\r\n");
    const ConversionResult r = ConvertNationalHtml(path("missing.htm"), path("out.txt"));
    ASSERT_TRUE(r.failure.has_value());
    EXPECT_EQ(r.failure->function, QStringLiteral("cmdBrowser_Click"));
    EXPECT_EQ(read(path("out.txt")), "keep\r\n");
}

// A page or an update file in UTF-16, or with NUL bytes, is refused with a
// word instead of giving an empty output; so is a UTF-16 state file.
TEST_F(WizardFiles, ASourceThatIsNoPlainTextIsRefusedAndNoOutputMade)
{
    const QByteArray utf16le = QByteArray("\xFF\xFE", 2) + QByteArray("<\0P\0R\0E\0>\0\n\0", 12);
    const QByteArray utf16be = QByteArray("\xFE\xFF", 2) + QByteArray("\0<\0P\0R\0E\0>\0\n", 12);
    const QByteArray nul = QByteArray("2015551234,x,A\r\n\0\0\0\r\n", 21);
    engine::NoProgress quiet;
    for (const QByteArray& bytes : {utf16le, utf16be, nul}) {
        const QString source = write("source.htm", bytes);
        const ConversionResult html = ConvertNationalHtml(source, path("out.txt"));
        const ConversionResult update = ConvertNationalUpdate(source, path("a.txt"), path("d.txt"));
        const QString utf16 = "'" + source + "' is UTF-16 text, which is not a text this program can read";
        for (const ConversionResult& r : {html, update}) {
            EXPECT_TRUE(r.refusal.contains(bytes == nul ? "'" + source + "' holds NUL bytes" : utf16))
                << r.refusal.toStdString();
            EXPECT_EQ(r.file, QString());
        }
        EXPECT_FALSE(exists("out.txt") || exists("a.txt") || exists("d.txt"));
        if (bytes == nul) continue;
        EXPECT_TRUE(stateformat::ConvertStateFile({source, path("out.txt")}, quiet).refusal.contains(utf16));
    }
}

// --- national update ---------------------------------------------------------

using NationalUpdate = WizardFiles;

TEST_F(NationalUpdate, AFlagsGoToTheAFileAndAllOthersToTheDFile)
{
    const QString upd = write("upd.dat", "Phone,Date,Flag\n"
                                         "2015551234,20240101,A\r\n"
                                         "2025550000,20240101,D\r"
                                         "\n"
                                         "\"9737777777\",20240101,\"A\"\n"
                                         "3035551111,20240101,a\n"
                                         "4045552222,20240101\n");
    EXPECT_EQ(UpdateOutputNameA(upd), path("updA.txt"));
    EXPECT_EQ(UpdateOutputNameD(upd), path("updD.txt"));
    ASSERT_EQ(ConvertNationalUpdate(upd, path("updA.txt"), path("updD.txt")).file, path("updA.txt"));
    EXPECT_EQ(read(path("updA.txt")), "201,5551234\r\n973,7777777\r\n");
    EXPECT_EQ(read(path("updD.txt")), "202,5550000\r\n303,5551111\r\n404,5552222\r\n");
}

TEST_F(NationalUpdate, AFirstLineOfNumbersIsARecord)
{
    const QString upd = write("upd", "2015551234,x,A\n");
    EXPECT_EQ(UpdateOutputNameA(upd), path("updA.txt"));
    ASSERT_EQ(ConvertNationalUpdate(upd, path("a.txt"), path("d.txt")).file, path("a.txt"));
    EXPECT_EQ(read(path("a.txt")), "201,5551234\r\n");
    EXPECT_EQ(read(path("d.txt")), "");
}

TEST_F(NationalUpdate, SameFilesAreRefusedBeforeAnythingChanges)
{
    const QString upd = write("upd.txt", "2015551234,x,A\n");
    write("a.txt", "keep\r\n");

    EXPECT_TRUE(ConvertNationalUpdate(upd, path("a.txt"), path("a.txt")).refusal.contains("'A'"));
    EXPECT_EQ(read(path("a.txt")), "keep\r\n");

    EXPECT_TRUE(ConvertNationalUpdate(upd, upd, path("d.txt")).refusal.contains("update file itself"));
    EXPECT_TRUE(ConvertNationalUpdate(upd, path("a.txt"), upd).refusal.contains("update file itself"));
    EXPECT_EQ(read(upd), "2015551234,x,A\n");
    EXPECT_FALSE(exists("d.txt"));
}

TEST_F(NationalUpdate, AMissingSourceIsReportedOnce)
{
    const ConversionResult r = ConvertNationalUpdate(path("none.txt"), path("a.txt"), path("d.txt"));
    ASSERT_TRUE(r.failure.has_value());
    EXPECT_EQ(r.failure->function, QStringLiteral("cmdBrowser_Click"));
    EXPECT_FALSE(exists("a.txt"));
    EXPECT_FALSE(exists("d.txt"));
}

// --- split -------------------------------------------------------------------

class Split : public WizardFiles {
protected:
    // Lines "2010000000,..." numbered from 0, with LF ends.
    QString writeNumbers(const QString& name, int count, const QByteArray& header = {})
    {
        QByteArray bytes = header;
        bytes.reserve(count * 16);
        for (int i = 0; i < count; ++i)
            bytes += "201," + QByteArray::number(1000000 + i) + "\n";
        return write(name, bytes);
    }
    static QList<QByteArray> lines(const QString& file)
    {
        QList<QByteArray> all = read(file).split('\n');
        if (!all.isEmpty() && all.last().isEmpty()) all.removeLast();
        return all;
    }
    SplitResult split(const QString& file, std::int64_t perFile, bool header = false)
    {
        SplitJob job;
        job.path = file;
        job.linesPerFile = perFile;
        job.hasHeader = header;
        return SplitTextFile(job, progress);
    }
    testsupport::RecordingProgress progress;
};

TEST_F(Split, ThreeFilesWithTheLastHoldingTheRest)
{
    const QString file = writeNumbers("dnc.txt", 250000);
    const SplitResult outcome = split(file, 100000);
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(outcome.summary, "Text File has been splitted into files from " + path("dnc01.txt") + " to " +
                                   path("dnc03.txt"));
    EXPECT_EQ(outcome.files, 3);
    EXPECT_EQ(progress.statuses,
              QStringList({"Output File:" + path("dnc01.txt"), "Output File:" + path("dnc02.txt"),
                           "Output File:" + path("dnc03.txt")}));
    const auto first = lines(path("dnc01.txt"));
    ASSERT_EQ(first.size(), 100000);
    EXPECT_EQ(first.front(), "201,1000000\r");
    EXPECT_EQ(lines(path("dnc02.txt")).front(), "201,1100000\r");
    const auto last = lines(path("dnc03.txt"));
    ASSERT_EQ(last.size(), 50000);
    EXPECT_EQ(last.back(), "201,1249999\r");
    EXPECT_FALSE(exists("dnc04.txt"));
}

TEST_F(Split, TheHeaderStartsEveryFile)
{
    const QString file = writeNumbers("dnc.csv", 5, "AreaCode,Phone\r\n");
    write("dnc02.csv", "old\r\nold\r\nold\r\nold\r\nold\r\n");
    const SplitResult outcome = split(file, 2, true);
    EXPECT_TRUE(outcome.done);
    EXPECT_TRUE(outcome.summary.endsWith(path("dnc03.csv")));
    EXPECT_EQ(read(path("dnc01.csv")), "AreaCode,Phone\r\n201,1000000\r\n201,1000001\r\n");
    EXPECT_EQ(read(path("dnc02.csv")), "AreaCode,Phone\r\n201,1000002\r\n201,1000003\r\n");
    EXPECT_EQ(read(path("dnc03.csv")), "AreaCode,Phone\r\n201,1000004\r\n");
}

TEST_F(Split, OneFieldLinesAndNoExtension)
{
    const QString file = write("ten", "2015551234\r2025550000\r");
    const SplitResult outcome = split(file, 10);
    EXPECT_EQ(outcome.lastFile, path("ten01"));
    EXPECT_TRUE(outcome.summary.endsWith(path("ten01")));
    EXPECT_EQ(read(path("ten01")), "2015551234\r\n2025550000\r\n");
}

TEST_F(Split, LinesPerFileMustBeAWholeNumberOfAtLeastOne)
{
    QString problem;
    EXPECT_EQ(LinesPerFile("", problem), 0);
    EXPECT_EQ(problem, "Lines Per File can not be empty!");
    for (const char* bad : {"10a", "0", "-5", "1.5", "1e5", "99999999999999999999"}) {
        EXPECT_EQ(LinesPerFile(bad, problem), 0) << bad;
        EXPECT_EQ(problem, "Lines Per File must be digits!") << bad;
    }
    EXPECT_EQ(LinesPerFile(" 2 ", problem), 2);
    EXPECT_EQ(problem, QString());
}

TEST_F(Split, TheFileChecksAndTheQuestionNameTheFiles)
{
    EXPECT_EQ(SplitFileProblem(""), "Text File Name Is Empty!");
    EXPECT_EQ(SplitFileProblem(path("none.txt")), "Text File Does Not Exist!");
    const QString file = writeNumbers("dnc.txt", 3);
    EXPECT_EQ(SplitFileProblem(file), QString());
    EXPECT_EQ(SplitQuestion(file),
              "Splitted Text File Names will be from " + path("dnc01.txt") + " to " + path("dncxx.txt") +
                  "\r\nWarning: These files will be overwritten. Are you sure to continue?");
}

TEST_F(Split, ATextThatCannotBeReadIsRefused)
{
    const SplitResult outcome = split(path("none.txt"), 10);
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(outcome.refusal, "Error:Read File!");
    EXPECT_EQ(outcome.summary, QString());
}

TEST_F(Split, AnOutputThatCannotBeWrittenIsAFailureOfTheSplit)
{
    const QString file = writeNumbers("dnc.txt", 3);
    QDir(dir.path()).mkdir("dnc01.txt"); // a folder where the first file goes
    const SplitResult outcome = split(file, 10);
    EXPECT_FALSE(outcome.done);
    ASSERT_TRUE(outcome.failure.has_value());
    EXPECT_EQ(outcome.failure->function, QStringLiteral("CmdSplit"));
    EXPECT_EQ(outcome.summary, QString());
}
