// Result files named like a file the user or the program keeps: the run is
// refused before anything is written, naming both files.

#include "TextScrubFixture.h"
#include "support/CaseBlindFolder.h"

#include "core/Globals.h"
#include "platform/files/DbfTable.h"
#include "platform/fso/FileReplace.h"
#include "scrub/ScrubRun.h"

#include <QTemporaryDir>
#include <cstring>
#include <functional>

namespace {

struct Source {
    const char* kind;
    QStringList (*paths)(const QString& folder); // as the window hands them to the check
};

const Source kSources[] = {
    {"text", [](const QString& f) { return QStringList{f + "calls.csv"}; }},
    {"FoxPro",
     [](const QString& f) {
         return QStringList{f + "calls", f + "calls.dbf"};
     }},
    {"Access", [](const QString& f) { return QStringList{f + "list.mdb"}; }},
    {"Excel", [](const QString& f) { return QStringList{f + "calls.xlsx"}; }},
};

// The last source path is the file itself.
QString Base(const QStringList& sources)
{
    const QFileInfo fi(sources.last());
    return fi.path() + u'/' + fi.completeBaseName();
}

QString Backup(const QString& folder, const QString& path)
{
    return folder + "B070302142530" + QFileInfo(path).fileName();
}

struct Kind {
    const char* name;
    std::function<QString(const QString& folder, const QStringList& sources)> path;
    bool refused;
    // The file the refusal names besides the result file: the database for
    // its journals, the list for its companions.
    std::function<QString(const QString& folder, const QStringList& sources)> named = {};
    bool dncThroughLink = false;  // the program reaches its database through link.txt
    bool onAStick = false;        // in a case-blind folder (exFAT) that holds the list and its memo
    bool bothResultFiles = false; // the other result file is named so too, in small letters
};

const auto kStore = [](const QString& f, const QStringList&) { return f + "store.mdb"; };
const auto At = [](const char* name) {
    return [name](const QString& f, const QStringList&) { return f + name; };
};
// before, the list's name (or its stem) in capitals, after.
const auto Caps = [](const char* before, const char* after, bool stem = false) {
    return [=](const QString& f, const QStringList& s) {
        return f + before +
               (stem ? QFileInfo(s.last()).completeBaseName() : QFileInfo(s.last()).fileName()).toUpper() +
               after;
    };
};
const auto kList = [](const QString&, const QStringList& s) { return s.last(); };

const Kind kKinds[] = {
    {"DncDatabase", kStore, true, kStore},
    {"LinkToDncDatabase", [](const QString& f, const QStringList&) { return f + "link.txt"; }, true, kStore},
    {"DncJournal", [](const QString& f, const QStringList&) { return f + "store.mdb-journal"; }, true,
     kStore},
    {"DncWal", [](const QString& f, const QStringList&) { return f + "store.mdb-wal"; }, true, kStore},
    {"DncShm", [](const QString& f, const QStringList&) { return f + "store.mdb-shm"; }, true, kStore},
    {"Settings", [](const QString& f, const QStringList&) { return f + "app/Tervala.ini"; }, true},
    {"Memo", [](const QString&, const QStringList& s) { return Base(s) + ".fpt"; }, true, kList},
    {"OldMemo", [](const QString&, const QStringList& s) { return Base(s) + ".dbt"; }, true, kList},
    {"Index", [](const QString&, const QStringList& s) { return Base(s) + ".CDX"; }, true, kList},
    {"OldIndex", [](const QString&, const QStringList& s) { return Base(s) + ".mdx"; }, true, kList},
    {"UndoJournal",
     [](const QString&, const QStringList& s) { return files::DbfTable::undoJournalPath(s.last()); }, true,
     kList},
    {"ListJournal", [](const QString&, const QStringList& s) { return s.last() + "-journal"; }, true, kList},
    {"WorkbookSave",
     [](const QString& f, const QStringList& s) {
         return f + u'.' + QFileInfo(s.last()).fileName() + ".Ab12Cd";
     },
     true, kList},
    {"DncJournalThroughLink", [](const QString& f, const QStringList&) { return f + "store.mdb-journal"; },
     true, [](const QString& f, const QStringList&) { return f + "link.txt"; }, true},
    // This second's backup and its memo file's: outputs of the run too.
    {"Backup", [](const QString& f, const QStringList& s) { return Backup(f, s.last()); }, true, kList},
    {"BackupOfTheMemo", [](const QString& f, const QStringList& s) { return Backup(f, Base(s) + ".fpt"); },
     true, kList},
    {"TheList", [](const QString&, const QStringList& s) { return s.last(); }, true},
    {"ReadOnly", [](const QString& f, const QStringList&) { return f + "readonly.txt"; }, true},
    {"ASoundName", [](const QString& f, const QStringList&) { return f + "results.txt"; }, false},
    {"TheDncDatabaseInCapitalsOnADisk", At("STORE.MDB"), false},
    // On a USB stick one file answers to every spelling of its name.
    {"DncDatabaseInCapitals", At("STORE.MDB"), true, kStore, false, true},
    {"DncJournalInCapitals", At("STORE.MDB-JOURNAL"), true, kStore, false, true},
    {"SettingsInCapitals", At("APP/TERVALA.INI"), true, At("app/Tervala.ini"), false, true},
    {"MemoInMixedCase", Caps("", ".Fpt", true), true, kList, false, true},
    {"IndexInMixedCase", Caps("", ".Cdx", true), true, kList, false, true},
    {"TheListInCapitals", Caps("", ""), true, {}, false, true},
    {"WorkbookSaveInCapitals", Caps(".", ".Ab12Cd"), true, kList, false, true},
    {"BackupInSmallLetters", Caps("b070302142530", ""), true, kList, false, true},
    {"BackupOfTheMemoInMixedCase", Caps("B070302142530", ".Fpt", true), true, kList, false, true},
    {"TheOtherResultFileInCapitals", At("RESULTS.TXT"), true, {}, false, true, true},
    {"ASoundNameOnAStick", At("Results.txt"), false, {}, false, true},
};

class ResultFileClash : public ::testing::TestWithParam<std::tuple<Kind, Source, bool>> {
protected:
    void SetUp() override
    {
        folder = dir.path() + u'/';
        savedConnection = gConnectionString;
        savedAppPath = gAppPath;
        if (std::get<0>(GetParam()).onAStick) {
            folder = testsupport::CaseBlindMount::Get().NewFolder();
            if (folder.isEmpty()) GTEST_SKIP() << testsupport::CaseBlindMount::Get().Why().toStdString();
            scrubtest::Write(std::get<1>(GetParam()).paths(folder).last(), "list");
            scrubtest::Write(Base(std::get<1>(GetParam()).paths(folder)) + ".fpt", "memo");
        }
        QDir().mkpath(folder + "app");
        scrubtest::Write(folder + "store.mdb", "database");
        QFile::link(folder + "store.mdb", folder + "link.txt");
        scrubtest::Write(folder + "readonly.txt", "earlier");
        QFile::setPermissions(folder + "readonly.txt",
                              QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        gConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + "store.mdb";
        gAppPath = folder + "app";
    }
    void TearDown() override
    {
        gConnectionString = savedConnection;
        gAppPath = savedAppPath;
    }
    QTemporaryDir dir;
    QString folder, savedConnection, savedAppPath;
};

TEST_P(ResultFileClash, AResultFileNamedLikeAKeptFileIsRefusedNamingBoth)
{
    const auto& [kind, source, asOk] = GetParam();
    const QStringList sources = source.paths(folder);
    if (kind.dncThroughLink)
        gConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + "link.txt";
    scrub::ScrubSettings settings;
    settings.backupOriginal = true;
    settings.exportOk = settings.exportDnc = true;
    settings.okFile = folder + "ok.txt";
    settings.dncFile = folder + "dnc.txt";
    const QString path = kind.path(folder, sources);
    (asOk ? settings.okFile : settings.dncFile) = path;
    if (kind.bothResultFiles)
        (asOk ? settings.dncFile : settings.okFile) = folder + path.mid(folder.size()).toLower();

    const QString clash = scrub::ResultFileClash(settings, sources);

    EXPECT_EQ(!clash.isEmpty(), kind.refused)
        << kind.name << " " << source.kind << ": " << clash.toStdString();
    if (!kind.refused) return;
    EXPECT_TRUE(clash.contains(kind.bothResultFiles ? "are one file!"
                               : asOk               ? "The OK file"
                                                    : "The DNC file"))
        << clash.toStdString();
    if (!std::string(kind.name).starts_with("TheList") && !kind.bothResultFiles)
        EXPECT_TRUE(clash.contains(path)) << clash.toStdString();
    if (kind.named) {
        EXPECT_TRUE(clash.contains(u'\'' + kind.named(folder, sources) + u'\'')) << clash.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(KindsAndSources, ResultFileClash,
                         ::testing::Combine(::testing::ValuesIn(kKinds), ::testing::ValuesIn(kSources),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).kind + (std::get<2>(info.param) ? "_Ok" : "_Dnc");
                         });

} // namespace

// The run itself refuses, and the DNC database keeps every byte.
class ResultFileOverDatabase : public TextScrubTest {};

TEST_F(ResultFileOverDatabase, AnOkFileNamedLikeTheDncDatabaseLeavesItWhole)
{
    const QString saved = gConnectionString;
    gConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dbPath;
    writeList("Name,Phone,Status\r\nAnn,2015551234,new\r\n");
    const QByteArray database = scrubtest::Read(dbPath);
    job.settings.okFile = dbPath;

    const scrub::ScrubResult r = scrub::ScrubTextFile(job, view, dnc);
    gConnectionString = saved;

    EXPECT_FALSE(r.completed);
    EXPECT_EQ(scrubtest::Read(dbPath), database);
    EXPECT_EQ(listBytes(), QByteArray("Name,Phone,Status\r\nAnn,2015551234,new\r\n"));
}

// The OK file's link is switched to the DNC database after the guard judged
// it and before the write: the write is judged again as the very file it
// replaces, and the database keeps every byte.
TEST_F(ResultFileOverDatabase, ALinkSwitchedAfterTheGuardLeavesTheDatabaseWhole)
{
    const QString saved = gConnectionString;
    gConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dbPath;
    writeList("Name,Phone,Status\r\nAnn,2015551234,new\r\n");
    const QByteArray database = scrubtest::Read(dbPath);
    scrubtest::Write(folder + "harmless.txt", "earlier");
    ASSERT_TRUE(QFile::link(folder + "harmless.txt", folder + "switched.txt"));
    job.settings.okFile = folder + "switched.txt";
    fso::SetCommitStepHook([&](const char* step) {
        if (std::strcmp(step, "open") != 0 || !QFile::exists(folder + "harmless.txt")) return;
        QFile::remove(folder + "switched.txt");
        QFile::link(dbPath, folder + "switched.txt");
    });

    const scrub::ScrubResult r = scrub::ScrubTextFile(job, view, dnc);
    fso::SetCommitStepHook({});
    gConnectionString = saved;

    EXPECT_FALSE(r.completed);
    EXPECT_EQ(scrubtest::Read(dbPath), database);
}
