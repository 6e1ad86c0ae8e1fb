// The DNC import and the text-list scrub with the program's database on the
// server: the import text streamed to the server, the same per-area-code
// steps and messages, the counts; a list scrubbed against the server with
// the exact result files.

#include "ServerProgram.h"

#include "support/Fixtures.h"
#include "support/SqliteFile.h"

#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "dncdb/DNCImport.h"
#include "dncdb/DNCListImport.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/vb/Clock.h"
#include "scrub/TextFileScrub.h"

#include <QKeyEvent>
#include <QScopeGuard>
#include <set>

using mwtest::choose;
using mwtest::type;

class ServerImportScrub : public ServerProgramTest {
protected:
    void SetUp() override
    {
        ServerProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        vb::SetClock(&clock);
        work = home.filePath(QStringLiteral("work")) + QLatin1Char('/');
        QDir().mkpath(work);
        dncimport::SetStatusTrace([this](const QString& text, std::int32_t panel) {
            if (panel == 1) lines << text;
        });
    }
    void TearDown() override
    {
        dncimport::SetStatusTrace({});
        ServerProgramTest::TearDown();
        vb::SetClock(nullptr);
    }

    // Runs the import of the file from the started window.
    bool import(frmMain* form, const QString& file, bool delimited = true)
    {
        gDefPropertys->Item(QStringLiteral("dnctextfilename"))->SetPropertyValue(file);
        gDefPropertys->Item(QStringLiteral("dnctextfilehearder"))->SetPropertyValue(QStringLiteral("0"));
        gDefPropertys->Item(QStringLiteral("dnctextfiledelimited"))
            ->SetPropertyValue(delimited ? QStringLiteral("1") : QStringLiteral("0"));
        lines.clear();
        return form->Runs().ImportDNCTextFile();
    }

    vb::FakeClock clock{QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30))};
    QString work;
    QStringList lines;
};

TEST_F(ServerImportScrub, ImportsAListWithBadLinesAreaCodeByAreaCode)
{
    // Three area codes of a thousand numbers each, some twice, and lines
    // that are no number of an area code.
    QByteArray text;
    std::map<QString, std::set<int>> expected;
    for (int i = 0; i < 3000; ++i) {
        const QString area = i % 3 == 0 ? "201" : (i % 3 == 1 ? "973" : "212");
        const int local = 5550000 + (i * 7919) % 9000;
        expected[area].insert(local);
        text += QStringLiteral("%1,%2\r\n").arg(area).arg(local).toUtf8();
    }
    text += "20,5551234\r\n2a1,5551234\r\n201,55x1234\r\n201,12345678\r\n201,\r\n973,0012345\r\n";
    expected["973"].insert(12345);
    mwtest::WriteFile(work + "dnc.txt", text);

    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(import(form, work + "dnc.txt"));

    for (const auto& [area, locals] : expected)
        EXPECT_EQ(db.Query("select count(*) from phone" + area), QStringList{QString::number(locals.size())})
            << area.toStdString();
    EXPECT_EQ(db.Query("select count(*) from phone201 where phone = 5550000"), QStringList{"1"});
    EXPECT_EQ(form->Runs().LastImport().stats.areaCodesImported, 3);
    EXPECT_EQ(form->Runs().LastImport().stats.areaCodesSkipped, 2);
    EXPECT_EQ(form->Runs().LastImport().stats.linesSkipped, 3);
    QStringList steps = lines.filter("Area Code:");
    steps.sort();
    EXPECT_EQ(steps,
              (QStringList{"Finished to Import Area Code:201", "Finished to Import Area Code:212",
                           "Finished to Import Area Code:973", "Starting to Import Area Code:201 ...",
                           "Starting to Import Area Code:212 ...", "Starting to Import Area Code:973 ..."}));
    const std::size_t total = expected["201"].size() + expected["212"].size() + expected["973"].size();
    EXPECT_EQ(gDefPropertys->Item("lasttotal")->PropertyValue(), QString::number(total));
    EXPECT_EQ(db.Query("select PropertyValue from DefProperty where PropertyKeys = 'lasttotal'"),
              QStringList{QString::number(total)});
    EXPECT_EQ(db.Query("select count(*) from pg_tables where tablename = 'mylinkedtable'"), QStringList{"0"});
    EXPECT_EQ(db.Query("select count(*) from mytemptable"), QStringList{"0"});

    // The same file again adds nothing; ten-digit lines give the same numbers.
    ASSERT_TRUE(import(form, work + "dnc.txt"));
    EXPECT_EQ(gDefPropertys->Item("lasttotal")->PropertyValue(), QString::number(total));
    mwtest::WriteFile(work + "ten.txt", "2015550000\r\n9735559999\r\n");
    ASSERT_TRUE(import(form, work + "ten.txt", false));
    EXPECT_EQ(db.Query("select count(*) from phone201"),
              QStringList{QString::number(expected["201"].size())});
    EXPECT_EQ(db.Query("select phone from phone973 where phone = 5559999"), QStringList{"5559999"});
}

TEST_F(ServerImportScrub, AStrayQuoteOrANulByteCostsItsOwnLineOnly)
{
    QByteArray text =
        testsupport::ReadFile(testsupport::FixturePath(QStringLiteral("dnc_import_stray_quote.txt")));
    text += QByteArray("973,555\0"
                       "1234\r\n973,7777777\r\n",
                       27);
    mwtest::WriteFile(work + "dnc.txt", text);

    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(import(form, work + "dnc.txt"));
    EXPECT_EQ(db.Query("select count(*) from phone207"), QStringList{"1001"});
    EXPECT_EQ(db.Query("select count(*) from phone973"), QStringList{"1"});
}

TEST_F(ServerImportScrub, ScrubsATextListAgainstTheServerWithTheSameResultFiles)
{
    db.Psql("insert into DefProperty (PropertyKeys, PropertyName, PropertyValue, DataType) values "
            "('exportok', 'Export OK', '1', 0), ('exportdnc', 'Export DNC', '1', 0), "
            "('okfile', 'OK file', '" +
            work + "ok.txt', 3), ('dncfile', 'DNC file', '" + work +
            "dnc.txt', 3), "
            "('backuporginal', 'Backup', '1', 0), ('nacnotindnc', 'No table', '0', 0)");
    db.Psql("insert into DataTypeInfo (DataType, DataDSN, DataDBName, DataTableName, IsTitleFirstLine, "
            "Delimited) values ('TEXT FILE', '(None)', '', 'calls.csv', 1, 1)");
    mwtest::WriteFile(work + "dncimport.txt", "201,5551234\r\n201,5559999\r\n973,1234567\r\n");
    const QByteArray list = "Name,Phone,Status,Zip\r\n"
                            "\"Lee, Al\",(201) 555-1234,new,07001\r\n"
                            "Kim,201-555-0000,new,07002\r\n"
                            "Roy,9731234567,\"old\",00123\r\n"
                            "Ann,3125550000,new,60601\r\n"
                            "Max,555,new,07003\r\n";
    mwtest::WriteFile(work + "calls.csv", list);

    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(import(form, work + "dncimport.txt"));
    clock.setNow(QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30)));

    mwtest::ctl(form).OptPhoneType(0)->click();
    mwtest::ctl(form).OptPhoneType(1)->click();
    mwtest::ctl(form).TxtPhoneData->clear();
    type(mwtest::ctl(form).TxtPhoneData, work);
    mwtest::ctl(form).OptPhoneType(0)->click();
    mwtest::ctl(form).OptPhoneType(1)->click();
    ASSERT_EQ(mwtest::ctl(form).txtPhoneDataTotal->text(), QStringLiteral("5"));
    choose(mwtest::ctl(form).cboPhoneDataField, QStringLiteral("Phone"));
    choose(mwtest::ctl(form).cboMarkField, QStringLiteral("Status"));
    mwtest::ctl(form).chkOptions->setChecked(false);
    mwtest::ctl(form).OptionMark(2)->click();
    mwtest::ctl(form).txtMarkChar->clear();
    type(mwtest::ctl(form).txtMarkChar, QStringLiteral("DNC"));

    scripted.expectMsgBox(ui::vbYes, QStringLiteral("Are you sure want to start?"),
                          ui::vbYesNo | ui::vbQuestion);
    const QString backup = work + QStringLiteral("B070302142530calls.csv");
    scripted.expectMsgBox(ui::vbOK,
                          QStringLiteral("Action is finished!\r\nBackup of Original: ") + backup +
                              QStringLiteral("\r\n2 Not in DNC List; 2 in DNC List; 1  Null Numbers;"),
                          ui::vbInformation);
    mwtest::ctl(form).cmdStart->click();

    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("calls.csv")),
              QByteArray("Name,Phone,Status,Zip\r\n"
                         "\"Lee, Al\",(201) 555-1234,DNC,07001\r\n"
                         "Kim,201-555-0000,new,07002\r\n"
                         "Roy,9731234567,\"DNC\",00123\r\n"
                         "Ann,3125550000,new,60601\r\n"
                         "Max,555,new,07003\r\n"));
    EXPECT_EQ(mwtest::ReadFile(backup), list);
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("ok.txt")),
              QByteArray("Numbers Not In DNC List\r\n2015550000\r\n3125550000\r\n"));
    EXPECT_EQ(mwtest::ReadFile(work + QStringLiteral("dnc.txt")),
              QByteArray("Numbers In DNC List,Remove Time\r\n2015551234, 3/2/2007 2:25:30 PM\r\n"
                         "9731234567, 3/2/2007 2:25:30 PM\r\n"));
}

TEST_F(ServerImportScrub, AnImportWhileAnotherDesktopImportsIsRefusedWithATryLaterAndChangesNothing)
{
    mwtest::WriteFile(work + "dnc.txt", "201,5550001\r\n212,5550002\r\n");
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    // The other desktop's import holds the store's import lock.
    auto other = db.Open();
    ASSERT_EQ(ado::ServerValue(*other->provider(),
                               "select case when pg_try_advisory_lock(hashtext('tervala.dncimport')) then 1 "
                               "else 0 end")
                  .toLongLong(),
              1);
    scripted.expectMsgBox(
        ui::vbOK,
        QStringLiteral("Another desktop is importing into this DNC database. Please try again "
                       "when its import has finished."),
        ui::vbExclamation);
    EXPECT_FALSE(import(form, work + "dnc.txt"));
    EXPECT_EQ(db.Query("select count(*) from pg_tables where tablename like 'phone%'"), QStringList{"0"});
    other->Close();

    // Once it is done, the same import goes through.
    EXPECT_TRUE(import(form, work + "dnc.txt"));
    EXPECT_EQ(db.Query("select count(*) from phone201"), QStringList{"1"});
}

TEST_F(ServerImportScrub, AConnectionLostMidImportRollsBackThatAreaCodeAndReportsIt)
{
    QByteArray text;
    for (int i = 0; i < 2000; ++i)
        text += QStringLiteral("%1,%2\r\n").arg(i < 1000 ? "201" : "212").arg(5550000 + i).toUtf8();
    mwtest::WriteFile(work + "dnc.txt", text);
    frmMain* form = start();
    ASSERT_NE(form, nullptr);

    // The server ends the import's session as the second area code starts,
    // and takes no login until the run is over: one message tells of it.
    const auto logins = [this](const char* allowed) {
        db.server->psql("postgres",
                        {"-c", "alter database " + db.name + " with allow_connections " + allowed});
    };
    dncimport::SetStatusTrace([&](const QString& line, std::int32_t panel) {
        if (panel == 1 && line.startsWith("Starting to Import Area Code:") && lines.size() > 0) {
            db.Psql(
                "select pg_terminate_backend(pid) from pg_stat_activity where datname = current_database() "
                "and pid <> pg_backend_pid()");
            logins("false");
        }
        if (panel == 1) lines << line;
    });
    scripted.expectMsgBox(ui::vbOK, QStringLiteral("The connection has been lost"), ui::vbCritical);
    EXPECT_FALSE(import(form, work + "dnc.txt"));
    logins("true");

    // An area code's table is made and filled in one transaction: the one
    // cut off has no table at all.
    const auto rows = [this](const QString& table) {
        return db.Query("select count(*) from pg_tables where tablename = '" + table + "'") ==
                       QStringList{"1"}
                   ? db.Query("select count(*) from " + table).value(0)
                   : QStringLiteral("0");
    };
    const QStringList counts = {rows("phone201"), rows("phone212")};
    EXPECT_TRUE(counts == QStringList({"1000", "0"}) || counts == QStringList({"0", "1000"}))
        << counts.join(' ').toStdString();
    // The progress stays at the one area code of two that was imported.
    const mwtest::Controls c = mwtest::ctl(form);
    EXPECT_EQ(c.lblStatus->text() + " / " + c.lblmax->text(), "1 / 2");
    EXPECT_LT(c.ProgressBar1->Value(), c.ProgressBar1->Max());
    EXPECT_EQ(db.Query("select PropertyValue from DefProperty where PropertyKeys = 'lasttotal'"),
              QStringList{"1000"});

    // The next import finishes the job.
    dncimport::SetStatusTrace({});
    EXPECT_TRUE(import(form, work + "dnc.txt"));
    EXPECT_EQ(db.Query("select count(*) from phone212"), QStringList{"1000"});
}

TEST_F(ServerImportScrub, AnAreaCodeAnotherDesktopMadeDuringTheImportIsFilledNotMadeAgain)
{
    mwtest::WriteFile(work + "dnc.txt", "201,5550001\r\n999,5550002\r\n999,5550003\r\n");
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    // While the import is at its first area code, the other desktop's
    // area-code screen makes the table of the second, with a number in it.
    QString made;
    dncimport::SetFillHook([&](const QString& area) {
        if (!made.isEmpty()) return;
        made = area == "201" ? "999" : "201";
        db.Psql("create table phone" + made + " (phone integer not null primary key); insert into phone" +
                made + " values (5550002)");
    });
    const auto unhook = qScopeGuard([] { dncimport::SetFillHook({}); });
    EXPECT_TRUE(import(form, work + "dnc.txt"));
    EXPECT_EQ(db.Query("select count(*) from phone999"), QStringList{"2"});
    EXPECT_EQ(db.Query("select count(*) from phone201"), QStringList{made == "201" ? "2" : "1"});
    EXPECT_NE(gPhoneTables->Item("phone" + made), nullptr);
}

namespace {

// Ends the scrub's server session once the run is past its first records.
class CuttingView : public engine::NoProgress {
public:
    explicit CuttingView(PgDatabase& db) : m_db(db) {}
    bool Due(bool) override { return true; }
    void Show(double, const QString& records) override
    {
        if (!m_cut && records.toInt() >= 70000) {
            m_cut = true;
            m_db.Psql("select pg_terminate_backend(pid) from pg_stat_activity where datname = "
                      "current_database() and pid <> pg_backend_pid()");
        }
    }

private:
    PgDatabase& m_db;
    bool m_cut = false;
};

} // namespace

TEST_F(ServerImportScrub, AConnectionLostMidScrubStopsTheRunWithTheListUnchanged)
{
    db.Psql("create table phone201 (phone integer not null primary key); "
            "insert into phone201 select generate_series(5000000, 5199999, 2)");
    gPhoneTables = std::make_shared<CDataStrings>();
    gPhoneTables->Add("phone201", "phone201");
    QByteArray list = "Phone\r\n";
    for (int i = 0; i < 140000; ++i)
        list += "201" + QByteArray::number(5000000 + i) + "\r\n";
    mwtest::WriteFile(work + "calls.txt", list);

    scrub::TextScrubJob job = ListJob(work);
    job.settings.deleteFound = true;
    job.settings.markText = QStringLiteral("DNC");
    CuttingView view(db);
    auto dnc = db.Open();
    const scrub::ScrubResult result = scrub::ScrubTextFile(job, view, dnc);
    EXPECT_FALSE(result.completed);
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->function, QStringLiteral("GetExcelFields"));
    // The driver's own words ("internal SAVEPOINT failed") do not tell a
    // user that the server went away.
    EXPECT_TRUE(
        result.failure->description.contains(QStringLiteral("connection to the database server is lost")))
        << result.failure->description.toStdString();
    EXPECT_EQ(mwtest::ReadFile(work + "calls.txt"), list);
    EXPECT_EQ(QDir(work).entryList(QDir::Files), QStringList{"calls.txt"});
}

// One number typed into the One Number box: an area code with no table on the server is not on the list,
// whatever "nacnotindnc" says, as on the embedded store.
using OneNumberRow = std::tuple<const char*, std::int32_t, bool>; // typed, "nacnotindnc", listed

class ServerOneNumber : public ServerImportScrub, public ::testing::WithParamInterface<OneNumberRow> {};

TEST_P(ServerOneNumber, AnswersFromTheAreaCodesTableOrItsAbsence)
{
    const auto& [typed, nacNotInDnc, listed] = GetParam();
    db.Psql(
        "create table phone201 (phone integer not null primary key); insert into phone201 values (5551234)");
    frmMain* form = start();
    ASSERT_NE(form, nullptr);
    mwtest::ctl(form).OptPhoneType(0)->click();
    ScrubOptions& options = mwtest::options(form);
    options = {.addAreaCode = 1, .defaultCode = "415", .nacNotInDNC = nacNotInDnc};
    options.okFile = work + "ok.txt";
    options.dncFile = work + "dnc.txt";
    mwtest::ctl(form).TxtPhoneData->setText(typed);
    scripted.expectMsgBox(ui::vbYes, "Is this the area code you want to use? 415",
                          ui::vbYesNo | ui::vbQuestion);
    scripted.expectMsgBox(ui::vbOK, listed ? "Warning:  Do Not Call Number" : "OK to Call!", ui::vbOKOnly);
    mwtest::ctl(form).cmdStart->click();
    EXPECT_TRUE(QFile::exists(listed ? options.dncFile : options.okFile));
}

INSTANTIATE_TEST_SUITE_P(Typed, ServerOneNumber,
                         ::testing::Values(OneNumberRow{"4155551234", 0, false},
                                           OneNumberRow{"4155551234", 1, false},
                                           OneNumberRow{"5551234", 0, false},
                                           OneNumberRow{"5551234", 1, false},
                                           OneNumberRow{"2015551234", 1, true}));
