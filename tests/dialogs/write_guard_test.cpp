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
    std::function<void(WriteGuard&)> drive;
};

} // namespace

class WriteGuard : public MainWindowTest, public ::testing::WithParamInterface<std::tuple<Writer, Kept>> {
public:
    using MainWindowTest::databasePath;
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
        mwtest::Db(databasePath())
            .exec(QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY "
                                 "KEY); insert into phone201 values (5551234);"));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        vb::SetClock(nullptr);
    }

    // The main window on a text list of two numbers, the source type chosen.
    frmMain* startOnList(std::int16_t type)
    {
        profileTextList(lists, "Name,Phone,Status\r\nAnn,2015551234,\r\nBo,2015550000,\r\n");
        frmMain* form = start();
        if (form) mwtest::ctl(form).OptPhoneType(type)->click();
        return form;
    }
    // The wizard on a format, the file the user opens and the answers to
    // the dialogs that follow; the refusal comes last.
    void browse(int format, const QString& opened, std::initializer_list<QString> saved)
    {
        start();
        frmDNCWizard wizard;
        wizard.show();
        wizard.OptionFormat(format)->setChecked(true);
        scripted.expectOpenFile(opened);
        if (format == frmDNCWizard::NationalText) scripted.expectMsgBox(ui::vbYes, "File type should be");
        for (const QString& name : saved)
            scripted.expectSaveFile(name);
        expectRefusal();
        wizard.cmdBrowser->click();
    }
    QString write(const QString& name, const QByteArray& bytes)
    {
        return mwtest::WriteFile(lists + name, bytes);
    }
    void expectRefusal() { scripted.expectMsgBox(ui::vbOK, target); }
    QString lists;
    QString target; // the name the writer is told or makes
    vb::FakeClock clock;
};

namespace {

// The transfer's output typed into its box, key by key.
void Transfer(WriteGuard& t)
{
    t.start();
    frmFormatTransfer form;
    form.show();
    form.txtTextPath->setText(t.write("nj.txt", "2015551234\r\n"));
    form.Delimited->setEditText(QStringLiteral("Tab"));
    form.rowNumber->setEditText(QStringLiteral("1"));
    form.cmdListFields->click();
    form.ListView4->topLevelItem(0)->setCheckState(0, Qt::Checked);
    userdrive::Activate(&form);
    form.txtTextPathOutput->setFocus();
    userdrive::Type(t.target);
    t.expectRefusal();
    form.cmdTransfer->click();
}

void Split(WriteGuard& t)
{
    t.start();
    frmDNCWizard wizard;
    wizard.show();
    wizard.dnctextfilename->setText(t.write("calls.txt", "201,5551234\r\n201,5550000\r\n"));
    wizard.txtFileLines->setText(QStringLiteral("1"));
    t.scripted.expectMsgBox(ui::vbYes, QStringLiteral("Splitted Text File Names will be from"));
    t.expectRefusal();
    wizard.cmdSplit->click();
}

// Start on one number or a list: the result file typed in the options, or a
// backup (and the list's copy) of a run confirmed.
void Start(WriteGuard& t, std::int16_t type, bool confirmed)
{
    frmMain* form = t.startOnList(type);
    ASSERT_NE(form, nullptr);
    mwtest::options(form).exportOK = 1;
    mwtest::options(form).okFile = confirmed ? t.lists + "ok.txt" : t.target;
    mwtest::options(form).dncFile = t.lists + "dnc.txt";
    mwtest::options(form).backupOriginal = 1;
    if (type == 0) mwtest::ctl(form).TxtPhoneData->setText(QStringLiteral("2015550000"));
    if (confirmed) t.scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"));
    t.expectRefusal();
    mwtest::ctl(form).cmdStart->click();
}

// Start on an Access list that is a file the program keeps (its one field is
// the mark field too, and takes digits): refused before anything is written.
void ScrubTheList(WriteGuard& t)
{
    mwtest::Db(t.databasePath())
        .exec(QStringLiteral("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, "
                             "DataFieldName) values ('ACCESS', '(None)', '%1', 'phone201', 'phone')")
                  .arg(t.target));
    frmMain* form = t.start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(4)->click();
    mwtest::ctl(form).txtMarkChar->setText(QStringLiteral("999"));
    t.expectRefusal();
    mwtest::ctl(form).cmdStart->click();
}

const QString kHtml = "<PRE>\r\n2015551234\r\n</PRE>\r\n";
const QString kUpdate = "2015551234,x,A\r\n9735550000,x,D\r\n";

const Writer kWriters[] = {
    {"FormatTransfer", "", false, Transfer},
    {"WizardHtml", "", false,
     [](WriteGuard& t) {
         t.browse(frmDNCWizard::NationalHtml, t.write("p.htm", kHtml.toLatin1()), {t.target});
     }},
    {"WizardUpdateA", "", false,
     [](WriteGuard& t) {
         t.browse(frmDNCWizard::NationalUpdate, t.write("u.dat", kUpdate.toLatin1()),
                  {t.target, t.lists + "d"});
     }},
    {"WizardUpdateD", "", false,
     [](WriteGuard& t) {
         t.browse(frmDNCWizard::NationalUpdate, t.write("u.dat", kUpdate.toLatin1()),
                  {t.lists + "a", t.target});
     }},
    // A national text of another extension renamed: the file moved away.
    {"WizardTextRename", "", true, [](WriteGuard& t) { t.browse(frmDNCWizard::NationalText, t.target, {}); }},
    {"OneNumberLookUp", "", false, [](WriteGuard& t) { Start(t, 0, false); }},
    {"ScrubOkFile", "", false, [](WriteGuard& t) { Start(t, 1, false); }},
    {"WizardSplit", "calls01.txt", true, Split},
    // Stamped with the fake clock's start.
    {"ScrubBackup", "B010101000000calls.csv", true, [](WriteGuard& t) { Start(t, 1, true); }},
    {"ScrubTheList", "calls.mdb", true, ScrubTheList}, // opens the kept databases only
};

// Every writer with every kept file it can reach: a name of its own reaches
// only a file that is there, through a link; a move only a file that is there.
std::vector<std::tuple<Writer, Kept>> Rows()
{
    std::vector<std::tuple<Writer, Kept>> rows;
    for (const Writer& writer : kWriters)
        for (const Kept& kept : kKept)
            if ((!writer.takesAFileThatIsThere || kept.exists) &&
                (std::string(writer.name) != "ScrubTheList" || QByteArray(kept.path).startsWith("Database/")))
                rows.emplace_back(writer, kept);
    return rows;
}

} // namespace

TEST_P(WriteGuard, AWriterToldToWriteOverAKeptFileRefusesNamingBothAndTheDatabaseStaysWhole)
{
    const auto& [writer, kept] = GetParam();
    const QString keptPath = home.path() + u'/' + QLatin1String(kept.path);
    target = *writer.ownName ? lists + QLatin1String(writer.ownName) : keptPath;
    if (*writer.ownName) ASSERT_TRUE(QFile::link(keptPath, target));
    // The database itself changes as the program runs; it is read back below.
    const bool compared =
        QFileInfo(keptPath).canonicalFilePath() != QFileInfo(databasePath()).canonicalFilePath();
    const bool existed = QFile::exists(keptPath);
    const QByteArray before = existed ? mwtest::ReadFile(keptPath) : QByteArray();

    writer.drive(*this);

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
