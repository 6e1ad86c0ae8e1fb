#pragma once
// Table scrubs against the small DNC store of the text-list tests (phone201:
// 5551234, 5559999; phone973: 1234567), on a calling list that is either a
// table of an embedded database ("ACCESS") or a .dbf table of a folder
// ("FOXPRO"). Every list has the fields Name (text), Phone (text), Status
// (text) and Code (number, nine digits); rows are given as those four
// values, Null as an invalid variant.

#include "TextScrubFixture.h"

#include "platform/ado/Recordset.h"
#include "platform/files/DbfTable.h"
#include "scrub/TableScrub.h"

#include <optional>

namespace scrubtest {

using Kind = scrub::TableScrubJob::Kind;

struct ListRow {
    std::optional<QString> name;
    std::optional<QString> phone;
    std::optional<QString> status;
    std::optional<double> code;
};

inline vb::Variant Value(const std::optional<QString>& v)
{
    return v ? vb::Variant(*v) : vb::Variant::Null();
}

inline vb::Variant Value(const std::optional<double>& v)
{
    return v ? vb::Variant(*v) : vb::Variant::Null();
}

inline QString SqlValue(const vb::Variant& v)
{
    if (v.isNull()) return QStringLiteral("NULL");
    if (v.isString())
        return QLatin1Char('\'') + QString(v.text()).replace(u'\'', QStringLiteral("''")) + u'\'';
    return v.text();
}

inline std::string KindName(const ::testing::TestParamInfo<Kind>& info)
{
    return info.param == Kind::Access ? "Access" : "FoxPro";
}

} // namespace scrubtest

class TableScrubTest : public ScriptedUiTest, public ::testing::WithParamInterface<scrubtest::Kind> {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        vb::SetClock(&clock);
        folder = dir.path() + QLatin1Char('/');
        dbPath = dir.filePath(QStringLiteral("dnc.mdb"));
        scrubtest::Exec(dbPath, QStringLiteral("create table phone201 (phone INTEGER NOT NULL PRIMARY KEY);"
                                               "create table phone973 (phone INTEGER NOT NULL PRIMARY KEY);"
                                               "insert into phone201 values (5551234), (5559999);"
                                               "insert into phone973 values (1234567);"));
        gPhoneTables = std::make_shared<CDataStrings>();
        gPhoneTables->Add(QStringLiteral("phone201"), QStringLiteral("phone201"));
        gPhoneTables->Add(QStringLiteral("phone973"), QStringLiteral("phone973"));
        dnc = ado::Connection::Create();
        dnc->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath);

        job.kind = GetParam();
        setTable(QStringLiteral("calls"));
        job.settings.phoneField = QStringLiteral("Phone");
        job.settings.markField = QStringLiteral("Status");
        job.settings.exportOk = true;
        job.settings.exportDnc = true;
        job.settings.okFile = folder + QStringLiteral("ok.txt");
        job.settings.dncFile = folder + QStringLiteral("dnc.txt");
        job.settings.markText = QStringLiteral("DNC");
    }

    void TearDown() override
    {
        if (dnc && dnc->State() == ado::adStateOpen) dnc->Close();
        dnc.reset();
        gPhoneTables.reset();
        vb::SetClock(nullptr);
        ScriptedUiTest::TearDown();
    }

    bool foxPro() const { return job.kind == scrubtest::Kind::FoxPro; }

    // The list's table name; an embedded list lives in list.mdb (or in the
    // DNC database itself when inDncFile), a FoxPro list in <name>.dbf.
    void setTable(const QString& name, bool inDncFile = false)
    {
        if (foxPro()) {
            job.tableName = name + QStringLiteral(".dbf");
            job.connectionString =
                QStringLiteral("Driver={Microsoft Visual FoxPro Driver};SourceType=DBF;SourceDB=") + folder;
        } else {
            listDb = inDncFile ? dbPath : dir.filePath(QStringLiteral("list.mdb"));
            job.tableName = name;
            job.connectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + listDb;
        }
    }

    QString dbfPath() const { return folder + job.tableName; }

    // Creates the list table with its rows; codeWidth is the Code field's
    // width in a .dbf.
    void makeList(const std::vector<scrubtest::ListRow>& rows, int codeWidth = 9)
    {
        if (foxPro()) {
            files::DbfTable::create(dbfPath(),
                                    {{QStringLiteral("NAME"), 'C', 20},
                                     {QStringLiteral("PHONE"), 'C', 15},
                                     {QStringLiteral("STATUS"), 'C', 12},
                                     {QStringLiteral("CODE"), 'N', codeWidth}},
                                    0x03);
            files::DbfTable dbf(dbfPath());
            for (const auto& r : rows)
                dbf.appendRecord({scrubtest::Value(r.name), scrubtest::Value(r.phone),
                                  scrubtest::Value(r.status), scrubtest::Value(r.code)});
            return;
        }
        // One transaction: a long list is written at once, not a row per commit.
        QString sql =
            QStringLiteral("begin; create table [%1] (Name TEXT, Phone TEXT, Status TEXT, Code INTEGER);")
                .arg(job.tableName);
        for (const auto& r : rows)
            sql += QStringLiteral("insert into [%1] values (%2, %3, %4, %5);")
                       .arg(job.tableName, scrubtest::SqlValue(scrubtest::Value(r.name)),
                            scrubtest::SqlValue(scrubtest::Value(r.phone)),
                            scrubtest::SqlValue(scrubtest::Value(r.status)),
                            scrubtest::SqlValue(scrubtest::Value(r.code)));
        scrubtest::Exec(listDb, sql + QStringLiteral("commit;"));
    }

    // The list as it stands: "Phone|Status|Code" per row in table order,
    // Null as "<null>", a blank DBF text field as empty text.
    QStringList listRows()
    {
        QStringList out;
        auto conn = ado::Connection::Create();
        conn->Open(job.connectionString);
        auto rs = ado::Recordset::Create();
        rs->Open(QStringLiteral("select Phone, Status, Code from [") + job.tableName + QStringLiteral("]"),
                 conn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        const auto text = [](const vb::Variant& v) {
            return v.isNull() ? QStringLiteral("<null>") : QString(v.text()).trimmed();
        };
        for (; !rs->Eof(); rs->MoveNext())
            out << text(rs->Value(0)) + u'|' + text(rs->Value(1)) + u'|' + text(rs->Value(2));
        rs->Close();
        conn->Close();
        return out;
    }

    QByteArray file(const QString& name) const { return scrubtest::Read(folder + name); }

    QString function() const
    {
        return foxPro() ? QStringLiteral("CheckFoxPro") : QStringLiteral("CheckAccess");
    }

    scrub::ScrubResult run()
    {
        scrub::ScrubResult r = scrub::ScrubTable(job, view, dnc);
        scrubtest::ExpectFinished(r);
        return r;
    }

    // Runs the scrub, expecting one failure and no summary.
    scrub::ScrubResult runFailing()
    {
        scrub::ScrubResult r = scrub::ScrubTable(job, view, dnc);
        scrubtest::ExpectFailure(r, function());
        return r;
    }

    QTemporaryDir dir;
    vb::FakeClock clock{QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30))};
    QString folder;
    QString dbPath;
    QString listDb;
    std::shared_ptr<ado::Connection> dnc;
    scrub::TableScrubJob job;
    scrubtest::RecordingView view;
};
