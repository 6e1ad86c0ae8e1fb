// The wizard's file conversions: what ends up on disk and what the user is
// told, for the national text rename, the HTML page, the update file and the
// split.

#include "dncdb/WizardConversions.h"
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

    QString asked;
    const QString used = PrepareNationalText(dat, [&](const QString& q) {
        asked = q;
        return true;
    });
    EXPECT_EQ(used, path("list1.txt"));
    EXPECT_EQ(asked,
              "File type should be *.txt or *.csv!, Would you like to change it to \r\n" + path("list.txt?"));
    EXPECT_FALSE(exists("list.dat"));
    EXPECT_EQ(read(used), "2015551234\r\n");
}

TEST_F(NationalText, CsvAndTxtInAnyCaseAreTakenWithoutAQuestion)
{
    for (const char* name : {"a.CSV", "b.Txt", "c.csv"}) {
        const QString file = write(name, "1");
        EXPECT_EQ(PrepareNationalText(file,
                                      [](const QString&) {
                                          ADD_FAILURE() << "asked";
                                          return true;
                                      }),
                  file);
        EXPECT_TRUE(QFile::exists(file));
    }
}

TEST_F(NationalText, NoLeavesTheFileAsItIs)
{
    const QString dat = write("list.dat", "1");
    EXPECT_EQ(PrepareNationalText(dat, [](const QString&) { return false; }), QString());
    EXPECT_TRUE(exists("list.dat"));
    EXPECT_FALSE(exists("list.txt"));
}

TEST_F(NationalText, ADotInAFolderNameIsNoExtension)
{
    QDir(dir.path()).mkdir("v1.2");
    const QString file = write("v1.2/list", "1");
    EXPECT_EQ(ProposeTextName(file), path("v1.2/list.txt"));
}

TEST_F(NationalText, AFailingRenameIsReportedOnce)
{
    scripted.expectMsgBox(ui::vbOK, "cmdBrowser_Click");
    EXPECT_EQ(PrepareNationalText(path("gone.dat"), [](const QString&) { return true; }), QString());
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
    ASSERT_TRUE(ConvertNationalHtml(page, path("page.txt")));
    EXPECT_EQ(read(path("page.txt")), "201,5551234\r\n 973,7777777 \r\n");
}

TEST_F(NationalHtml, TextAfterTheOpeningTagIsKept)
{
    const QString page = write("p.htm", "x<PRE>201,5551234\n202,5550000\n</PRE>\n");
    ASSERT_TRUE(ConvertNationalHtml(page, path("out.txt")));
    EXPECT_EQ(read(path("out.txt")), "201,5551234\r\n202,5550000\r\n");
}

TEST_F(NationalHtml, APageWithoutPreGivesAnEmptyFile)
{
    const QString page = write("p.htm", "<pre>\n201,5551234\n</pre>\n");
    write("out.txt", "old content\r\n");
    ASSERT_TRUE(ConvertNationalHtml(page, path("out.txt")));
    EXPECT_EQ(read(path("out.txt")), "");
}

TEST_F(NationalHtml, AnOutputThatIsTheSourceIsRefused)
{
    const QByteArray content = "<PRE>\n201,5551234\n</PRE>\n";
    const QString page = write("p.txt", content);
    scripted.expectMsgBox(ui::vbOK, "must not be the HTML file", ui::vbExclamation);
    EXPECT_FALSE(ConvertNationalHtml(page, dir.path() + "/./p.txt"));
    EXPECT_EQ(read(page), content);
}

TEST_F(NationalHtml, AMissingSourceIsReportedOnceAndTheOutputKept)
{
    write("out.txt", "keep\r\n");
    scripted.expectMsgBox(ui::vbOK, "cmdBrowser_Click", ui::vbCritical);
    EXPECT_FALSE(ConvertNationalHtml(path("missing.htm"), path("out.txt")));
    EXPECT_EQ(read(path("out.txt")), "keep\r\n");
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
    ASSERT_TRUE(ConvertNationalUpdate(upd, path("updA.txt"), path("updD.txt")));
    EXPECT_EQ(read(path("updA.txt")), "201,5551234\r\n973,7777777\r\n");
    EXPECT_EQ(read(path("updD.txt")), "202,5550000\r\n303,5551111\r\n404,5552222\r\n");
}

TEST_F(NationalUpdate, AFirstLineOfNumbersIsARecord)
{
    const QString upd = write("upd", "2015551234,x,A\n");
    EXPECT_EQ(UpdateOutputNameA(upd), path("updA.txt"));
    ASSERT_TRUE(ConvertNationalUpdate(upd, path("a.txt"), path("d.txt")));
    EXPECT_EQ(read(path("a.txt")), "201,5551234\r\n");
    EXPECT_EQ(read(path("d.txt")), "");
}

TEST_F(NationalUpdate, SameFilesAreRefusedBeforeAnythingChanges)
{
    const QString upd = write("upd.txt", "2015551234,x,A\n");
    write("a.txt", "keep\r\n");

    scripted.expectMsgBox(ui::vbOK, "'A'", ui::vbExclamation);
    EXPECT_FALSE(ConvertNationalUpdate(upd, path("a.txt"), path("a.txt")));
    EXPECT_EQ(read(path("a.txt")), "keep\r\n");

    scripted.expectMsgBox(ui::vbOK, "update file itself", ui::vbExclamation);
    EXPECT_FALSE(ConvertNationalUpdate(upd, upd, path("d.txt")));
    scripted.expectMsgBox(ui::vbOK, "update file itself", ui::vbExclamation);
    EXPECT_FALSE(ConvertNationalUpdate(upd, path("a.txt"), upd));
    EXPECT_EQ(read(upd), "2015551234,x,A\n");
    EXPECT_FALSE(exists("d.txt"));
}

TEST_F(NationalUpdate, AMissingSourceIsReportedOnce)
{
    scripted.expectMsgBox(ui::vbOK, "cmdBrowser_Click", ui::vbCritical);
    EXPECT_FALSE(ConvertNationalUpdate(path("none.txt"), path("a.txt"), path("d.txt")));
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
    void expectQuestion(int answer = ui::vbYes)
    {
        scripted.expectMsgBox(answer, "Splitted Text File Names will be from ", ui::vbYesNo | ui::vbQuestion);
    }
    static QList<QByteArray> lines(const QString& file)
    {
        QList<QByteArray> all = read(file).split('\n');
        if (!all.isEmpty() && all.last().isEmpty()) all.removeLast();
        return all;
    }
};

TEST_F(Split, ThreeFilesWithTheLastHoldingTheRest)
{
    const QString file = writeNumbers("dnc.txt", 250000);
    expectQuestion();
    scripted.expectMsgBox(ui::vbOK,
                          "Text File has been splitted into files from " + path("dnc01.txt") + " to " +
                              path("dnc03.txt"),
                          ui::vbInformation);
    QStringList seen;
    const SplitOutcome outcome = SplitTextFile(file, "100000", false, [&](const QString& s) { seen << s; });
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(outcome.files, 3);
    EXPECT_EQ(seen, QStringList({"Output File:" + path("dnc01.txt"), "Output File:" + path("dnc02.txt"),
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
    expectQuestion();
    scripted.expectMsgBox(ui::vbOK, path("dnc03.csv"), ui::vbInformation);
    EXPECT_TRUE(SplitTextFile(file, " 2 ", true).done);
    EXPECT_EQ(read(path("dnc01.csv")), "AreaCode,Phone\r\n201,1000000\r\n201,1000001\r\n");
    EXPECT_EQ(read(path("dnc02.csv")), "AreaCode,Phone\r\n201,1000002\r\n201,1000003\r\n");
    EXPECT_EQ(read(path("dnc03.csv")), "AreaCode,Phone\r\n201,1000004\r\n");
}

TEST_F(Split, OneFieldLinesAndNoExtension)
{
    const QString file = write("ten", "2015551234\r2025550000\r");
    expectQuestion();
    scripted.expectMsgBox(ui::vbOK, path("ten01"), ui::vbInformation);
    const SplitOutcome outcome = SplitTextFile(file, "10", false);
    EXPECT_EQ(outcome.lastFile, path("ten01"));
    EXPECT_EQ(read(path("ten01")), "2015551234\r\n2025550000\r\n");
}

TEST_F(Split, LinesPerFileMustBeAWholeNumberOfAtLeastOne)
{
    const QString file = writeNumbers("dnc.txt", 3);
    scripted.expectMsgBox(ui::vbOK, "Lines Per File can not be empty!", ui::vbExclamation);
    EXPECT_FALSE(SplitTextFile(file, "", false).done);
    for (const char* bad : {"10a", "0", "-5", "1.5", "1e5", "99999999999999999999"}) {
        scripted.expectMsgBox(ui::vbOK, "Lines Per File must be digits!", ui::vbExclamation);
        EXPECT_FALSE(SplitTextFile(file, bad, false).done) << bad;
    }
    EXPECT_FALSE(exists("dnc01.txt"));
}

TEST_F(Split, FileChecksAndTheQuestionStopBeforeWriting)
{
    scripted.expectMsgBox(ui::vbOK, "Text File Name Is Empty!", ui::vbExclamation);
    EXPECT_FALSE(SplitTextFile("", "10", false).done);
    scripted.expectMsgBox(ui::vbOK, "Text File Does Not Exist!", ui::vbExclamation);
    EXPECT_FALSE(SplitTextFile(path("none.txt"), "10", false).done);

    const QString file = writeNumbers("dnc.txt", 3);
    scripted.expectMsgBox(ui::vbNo,
                          "Splitted Text File Names will be from " + path("dnc01.txt") + " to " +
                              path("dncxx.txt") +
                              "\r\nWarning: These files will be overwritten. Are you sure to continue?",
                          ui::vbYesNo | ui::vbQuestion);
    EXPECT_FALSE(SplitTextFile(file, "10", false).done);
    EXPECT_FALSE(exists("dnc01.txt"));
}

TEST_F(Split, AnOutputThatCannotBeWrittenIsReportedOnce)
{
    const QString file = writeNumbers("dnc.txt", 3);
    QDir(dir.path()).mkdir("dnc01.txt"); // a folder where the first file goes
    expectQuestion();
    scripted.expectMsgBox(ui::vbOK, "CmdSplit", ui::vbCritical);
    EXPECT_FALSE(SplitTextFile(file, "10", false).done);
}
