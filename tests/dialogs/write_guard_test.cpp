// Every writer of the running program, driven as a user drives it, told to
// write where a file the program keeps lies: the DNC database (by another
// spelling too), the files its engine keeps beside it, the settings file,
// the work database and its journal. Each refuses with a box naming both
// files, the kept file stays as it was, and the database still reads back
// its numbers.

#include "mainwindow/MainWindowFixture.h"

#include "dialogs/frmDNCWizard.h"
#include "dialogs/frmFormatTransfer.h"
#include "platform/vb/Clock.h"
#include "support/UserDrive.h"

#include <QTreeWidget>
#include <functional>

namespace {

struct Kept {
    const char* name;
    const char* path;  // under the program folder
    const char* named; // the file name the refusal names besides the target
    bool exists;       // there before the writer runs
};

const Kept kKept[] = {
    {"Database", "Database/Tervala.mdb", "Tervala.mdb'", true},
    {"DatabaseSpelledOtherwise", "Database/../Database/./Tervala.mdb", "Tervala.mdb'", true},
    {"DatabaseJournal", "Database/Tervala.mdb-journal", "Tervala.mdb'", false},
    {"DatabaseWal", "Database/Tervala.mdb-wal", "Tervala.mdb'", false},
    {"Settings", "Tervala.ini", "Tervala.ini'", true},
    {"WorkDatabase", "DNCTempWork.mdb", "DNCTempWork.mdb'", true},
    {"WorkJournal", "DNCTempWork.mdb-journal", "DNCTempWork.mdb'", false},
};

} // namespace

class WriteGuard;

namespace {

struct Writer {
    const char* name;
    // The name the writer makes itself, in the lists folder (a link to the
    // kept file is put there); empty: the user types or picks the kept file.
    const char* ownName;
    bool takesAFileThatIsThere; // it moves or reads the file it is given
    std::function<void(WriteGuard&, const QString& target)> drive;
};

} // namespace

class WriteGuard : public MainWindowTest, public ::testing::WithParamInterface<std::tuple<Writer, Kept>> {
public:
    using MainWindowTest::start;
    using ScriptedUiTest::scripted;

    void SetUp() override
    {
        MainWindowTest::SetUp();
        vb::SetClock(&clock); // the backup's and the copy's time stamps are known
        lists = home.filePath(QStringLiteral("lists")) + u'/';
        QDir().mkpath(lists);
        writeProfile(databasePath());
        mwtest::WriteFile(home.filePath(QStringLiteral("DNCTempWork.mdb")), "the last run's work");
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                               "insert into phone201 values (5551234);"));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        vb::SetClock(nullptr);
    }

    // The main window on a text list of two numbers.
    frmMain* startOnList()
    {
        mwtest::WriteFile(lists + QStringLiteral("calls.csv"),
                          "Name,Phone,Status\r\nAnn,2015551234,\r\nBo,2015550000,\r\n");
        mwtest::Db db(databasePath());
        db.exec(QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                               "DataFieldName, DataMarkName, IsTitleFirstLine, Delimited) values "
                               "('TEXT FILE', '(None)', '%1', 'calls.csv', 'Phone', 'Status', 1, 1)")
                    .arg(lists));
        return startWith(1);
    }
    frmMain* startWith(std::int16_t type)
    {
        frmMain* form = start();
        if (!form) return nullptr;
        mwtest::ctl(form).OptPhoneType(type)->click();
        mwtest::options(form).okFile = lists + QStringLiteral("ok.txt");
        mwtest::options(form).dncFile = lists + QStringLiteral("dnc.txt");
        return form;
    }
    std::unique_ptr<frmDNCWizard> wizardOn(int format)
    {
        start();
        auto wizard = std::make_unique<frmDNCWizard>();
        wizard->show();
        wizard->OptionFormat(format)->setChecked(true);
        return wizard;
    }
    QString write(const QString& name, const QByteArray& bytes)
    {
        return mwtest::WriteFile(lists + name, bytes);
    }

    // The refusal comes next, after the dialogs the writer shows first.
    void expectRefusal() { scripted.expectMsgBox(ui::vbOK, target); }

    QString lists;
    QString target; // the name the writer is told or makes
    vb::FakeClock clock;
};

namespace {

// The transfer's output typed into its box, key by key.
void Transfer(WriteGuard& t, const QString& target)
{
    t.start();
    frmFormatTransfer form;
    form.show();
    form.txtTextPath->setText(t.write(QStringLiteral("nj.txt"), "2015551234\r\n"));
    form.Delimited->setEditText(QStringLiteral("Tab"));
    form.rowNumber->setEditText(QStringLiteral("1"));
    form.cmdListFields->click();
    form.ListView4->topLevelItem(0)->setCheckState(0, Qt::Checked);
    userdrive::Activate(&form);
    form.txtTextPathOutput->setFocus();
    userdrive::Type(target);
    t.expectRefusal();
    form.cmdTransfer->click();
}

void Html(WriteGuard& t, const QString& target)
{
    auto wizard = t.wizardOn(frmDNCWizard::NationalHtml);
    t.scripted.expectOpenFile(t.write(QStringLiteral("page.htm"), "<PRE>\r\n2015551234\r\n</PRE>\r\n"));
    t.scripted.expectSaveFile(target, QStringLiteral("Open Text File to Save Phone Data"));
    t.expectRefusal();
    wizard->cmdBrowser->click();
}

void Update(WriteGuard& t, const QString& aFile, const QString& dFile)
{
    auto wizard = t.wizardOn(frmDNCWizard::NationalUpdate);
    t.scripted.expectOpenFile(t.write(QStringLiteral("upd.dat"), "2015551234,x,A\r\n9735550000,x,D\r\n"));
    t.scripted.expectSaveFile(aFile, QStringLiteral("with 'A'"));
    t.scripted.expectSaveFile(dFile, QStringLiteral("with 'D'"));
    t.expectRefusal();
    wizard->cmdBrowser->click();
}

void Split(WriteGuard& t, const QString&)
{
    auto wizard = t.wizardOn(frmDNCWizard::NationalText);
    wizard->dnctextfilename->setText(t.write(QStringLiteral("calls.txt"), "201,5551234\r\n201,5550000\r\n"));
    wizard->txtFileLines->setText(QStringLiteral("1"));
    t.scripted.expectMsgBox(ui::vbYes, QStringLiteral("Splitted Text File Names will be from"));
    t.expectRefusal();
    wizard->cmdSplit->click();
}

// A national text of another extension renamed: the file moved away.
void Rename(WriteGuard& t, const QString& target)
{
    auto wizard = t.wizardOn(frmDNCWizard::NationalText);
    t.scripted.expectOpenFile(target, QStringLiteral("Open Phone Data File"));
    t.scripted.expectMsgBox(ui::vbYes, QStringLiteral("File type should be *.txt or *.csv!"));
    t.expectRefusal();
    wizard->cmdBrowser->click();
}

void LookUp(WriteGuard& t, const QString& target)
{
    frmMain* form = t.startWith(0);
    ASSERT_NE(form, nullptr);
    mwtest::options(form).okFile = target;
    mwtest::ctl(form).TxtPhoneData->setText(QStringLiteral("2015550000"));
    t.expectRefusal();
    mwtest::ctl(form).cmdStart->click();
}

void ScrubResult(WriteGuard& t, const QString& target)
{
    frmMain* form = t.startOnList();
    ASSERT_NE(form, nullptr);
    mwtest::options(form).exportOK = 1;
    mwtest::options(form).okFile = target;
    t.expectRefusal();
    mwtest::ctl(form).cmdStart->click();
}

// A run the user confirms, whose own file names are taken.
void ScrubConfirmed(WriteGuard& t, const QString&)
{
    frmMain* form = t.startOnList();
    ASSERT_NE(form, nullptr);
    mwtest::options(form).backupOriginal = 1;
    t.scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"));
    t.expectRefusal();
    mwtest::ctl(form).cmdStart->click();
}

const Writer kWriters[] = {
    {"FormatTransfer", "", false, Transfer},
    {"WizardHtml", "", false, Html},
    {"WizardUpdateA", "", false,
     [](WriteGuard& t, const QString& target) { Update(t, target, t.lists + "d.txt"); }},
    {"WizardUpdateD", "", false,
     [](WriteGuard& t, const QString& target) { Update(t, t.lists + "a.txt", target); }},
    {"WizardTextRename", "", true, Rename},
    {"OneNumberLookUp", "", false, LookUp},
    {"ScrubOkFile", "", false, ScrubResult},
    {"WizardSplit", "calls01.txt", true, Split},
    // Stamped with the fake clock's start.
    {"ScrubBackup", "B010101000000calls.csv", true, ScrubConfirmed},
    {"ScrubListCopy", "010101000000calls.csv", true, ScrubConfirmed},
};

// Every writer with every kept file it can reach: a name of its own reaches
// only a file that is there, through a link; a move only a file that is there.
std::vector<std::tuple<Writer, Kept>> Rows()
{
    std::vector<std::tuple<Writer, Kept>> rows;
    for (const Writer& writer : kWriters)
        for (const Kept& kept : kKept)
            if (!writer.takesAFileThatIsThere || kept.exists) rows.emplace_back(writer, kept);
    return rows;
}

} // namespace

TEST_P(WriteGuard, AWriterToldToWriteOverAKeptFileRefusesNamingBothAndTheDatabaseStaysWhole)
{
    const auto& [writer, kept] = GetParam();
    const bool ownName = *writer.ownName != '\0';
    const QString keptPath = home.path() + u'/' + QLatin1String(kept.path);
    target = keptPath;
    if (ownName) {
        target = lists + QLatin1String(writer.ownName);
        ASSERT_TRUE(QFile::link(keptPath, target));
    }
    // The database itself changes as the program runs; it is read back below.
    const bool compared =
        QFileInfo(keptPath).canonicalFilePath() != QFileInfo(databasePath()).canonicalFilePath();
    const bool existed = QFile::exists(keptPath);
    const QByteArray before = existed ? mwtest::ReadFile(keptPath) : QByteArray();

    writer.drive(*this, target);

    const auto boxes = scripted.callsOf(ui::ScriptedServices::Kind::MsgBox);
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(boxes.back().text.contains(QLatin1String(kept.named))) << boxes.back().text.toStdString();
    EXPECT_EQ(QFile::exists(keptPath), existed);
    if (existed && compared) {
        EXPECT_EQ(mwtest::ReadFile(keptPath), before);
    }
    mwtest::Db db(databasePath());
    EXPECT_EQ(db.scalar(QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
    EXPECT_EQ(db.scalar(QStringLiteral("select phone from phone201")), QStringLiteral("5551234"));
}

INSTANTIATE_TEST_SUITE_P(WritersAndKeptFiles, WriteGuard, ::testing::ValuesIn(Rows()), [](const auto& info) {
    return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
});
