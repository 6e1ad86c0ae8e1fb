// Every run that writes statements about a user's list (the table scrub,
// duplicate removal, the work-table road) reaches the list of the chosen
// name and no other, whatever the name holds: "calls] --" beside "calls",
// quotes, semicolons, line breaks. The list beside it is read back unchanged.

#include "TextScrubFixture.h"

#include "platform/files/DbfTable.h"
#include "scrub/DuplicateRemoval.h"
#include "scrub/TableScrub.h"
#include "scrub/WorkTableScrub.h"
#include "support/HostileNames.h"

#include <QDir>
#include <sqlite3.h>

namespace {

enum class Source { Access, FoxPro, Text };

const char* SourceName(Source s)
{
    return s == Source::Access ? "Access" : s == Source::FoxPro ? "FoxPro" : "Text";
}

QString SqliteName(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(u'"', QStringLiteral("\"\"")) + QLatin1Char('"');
}

// The chosen list's rows (phone, mark): two on the DNC list, one not.
const QStringList kChosen{"2015551234|new", "2015550000|new", "9731234567|new"};
// The list beside it: DNC numbers and a copy of one, which no run may touch.
const QStringList kOther{"2015551234|keep", "2015550001|keep", "2015559999|keep", "2015551234|keep"};

class HostileNamedList : public TextScrubTest, public ::testing::WithParamInterface<QString> {
protected:
    QString name() const { return GetParam(); }
    QString listDb() const { return folder + QStringLiteral("list.mdb"); }
    QString jet() const { return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + listDb(); }
    QString foxPro() const
    {
        return QStringLiteral("Driver={Microsoft Visual FoxPro Driver};SourceType=DBF;SourceDB=") + folder;
    }
    QString text() const
    {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Extended "
                              "Properties=\"text;HDR=Yes;FMT=Delimited\"")
            .arg(folder);
    }
    // The chosen list's table, its phone and mark fields, and the other's
    // table, as the source names them.
    QString table(Source s) const
    {
        return s == Source::Access   ? name()
               : s == Source::FoxPro ? name() + ".dbf"
                                     : testsupport::WithExtension(name(), ".csv");
    }
    QString other(Source s) const
    {
        return s == Source::Access ? QStringLiteral("calls")
                                   : QStringLiteral("calls") + (s == Source::FoxPro ? ".dbf" : ".csv");
    }
    QString phoneField(Source s) const { return s == Source::Access ? name() : QStringLiteral("PHONE"); }
    QString markField(Source s) const
    {
        return s == Source::Access ? name() + QStringLiteral(" mark") : QStringLiteral("STATUS");
    }

    // Both lists made anew with their rows.
    void make(Source s)
    {
        for (const QString& f : QDir(folder).entryList({"*.dbf", "*.csv", "list.mdb", "N*"}, QDir::Files))
            QFile::remove(folder + f);
        for (const auto& [t, rows] : {std::pair{table(s), kChosen}, std::pair{other(s), kOther}}) {
            if (s == Source::Access) {
                QString sql = QStringLiteral("create table %1 (%2 TEXT, %3 TEXT);")
                                  .arg(SqliteName(t), SqliteName(phoneField(s)), SqliteName(markField(s)));
                for (const QString& r : rows)
                    sql += QStringLiteral("insert into %1 values ('%2', '%3');")
                               .arg(SqliteName(t), r.section(u'|', 0, 0), r.section(u'|', 1));
                scrubtest::Exec(listDb(), sql);
            } else if (s == Source::FoxPro) {
                files::DbfTable::create(folder + t, {{"PHONE", 'C', 15}, {"STATUS", 'C', 12}}, 0x03);
                files::DbfTable dbf(folder + t);
                for (const QString& r : rows)
                    dbf.appendRecord({vb::Variant(r.section(u'|', 0, 0)), vb::Variant(r.section(u'|', 1))});
            } else {
                scrubtest::Write(
                    folder + t,
                    ("PHONE,STATUS\r\n" + QString(rows.join("\r\n")).replace(u'|', u',') + "\r\n").toUtf8());
            }
        }
    }

    // A list's rows as "phone|mark", read beside the program's own code.
    QStringList rows(Source s, const QString& t) const
    {
        QStringList out;
        if (s == Source::Access) {
            sqlite3* db = nullptr;
            sqlite3_open(listDb().toUtf8().constData(), &db);
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, ("select * from " + SqliteName(t)).toUtf8().constData(), -1, &st, nullptr);
            while (st && sqlite3_step(st) == SQLITE_ROW)
                out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + u'|' +
                           QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            sqlite3_finalize(st);
            sqlite3_close(db);
        } else if (s == Source::FoxPro) {
            files::DbfTable dbf(folder + t, files::DbfTable::Mode::ReadOnly);
            for (qint64 r = 0; r < dbf.recordCount(); ++r)
                if (!dbf.isDeleted(r))
                    out << dbf.value(r, 0).text().trimmed() + u'|' + dbf.value(r, 1).text().trimmed();
        } else {
            out = QString::fromUtf8(scrubtest::Read(folder + t))
                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            out.removeFirst();
            out.replaceInStrings(QStringLiteral(","), QStringLiteral("|"));
        }
        return out;
    }

    void expectChosen(Source s, const QStringList& chosen)
    {
        EXPECT_EQ(rows(s, table(s)), chosen);
        EXPECT_EQ(rows(s, other(s)), kOther) << "the list beside it is untouched";
    }

    scrub::ScrubResult scrubTable(Source s, bool deleting)
    {
        scrub::TableScrubJob t;
        t.kind =
            s == Source::Access ? scrub::TableScrubJob::Kind::Access : scrub::TableScrubJob::Kind::FoxPro;
        t.connectionString = s == Source::Access ? jet() : foxPro();
        t.tableName = table(s);
        t.settings = job.settings;
        t.settings.phoneField = phoneField(s);
        t.settings.markField = markField(s);
        t.settings.markAction = 2;
        t.settings.deleteFound = deleting;
        return scrub::ScrubTable(t, view, dnc);
    }

    scrub::WorkTableResult scrubByWorkTable(Source s, bool deleting)
    {
        // The program's folder may carry an odd name too.
        QDir(folder).mkpath(name());
        scrub::WorkTableJob w;
        w.source =
            s == Source::Access ? scrub::WorkTableJob::Source::Access : scrub::WorkTableJob::Source::Text;
        w.workDatabase = folder + name() + QStringLiteral("/DNCTempWork.mdb");
        w.connectionString = s == Source::Access ? jet() : text();
        w.tableName = table(s);
        w.folder = folder;
        w.phoneField = phoneField(s);
        w.fieldNames = QStringList{phoneField(s), markField(s)};
        w.markPosition = 1;
        w.markAction = 2;
        w.markText = QStringLiteral("DNC");
        w.deleteFound = deleting;
        return scrub::ScrubByWorkTable(w, view, dnc);
    }

    scrubtest::RecordingView view;
};

TEST_P(HostileNamedList, TheTableScrubDeletesOrMarksTheChosenListOnly)
{
    for (const Source s : {Source::Access, Source::FoxPro})
        for (const bool deleting : {true, false}) {
            SCOPED_TRACE(std::string(SourceName(s)) + (deleting ? " delete" : " mark"));
            make(s);
            const scrub::ScrubResult r = scrubTable(s, deleting);
            scrubtest::ExpectFinished(r);
            EXPECT_EQ(r.counters.found, 2);
            expectChosen(s, deleting ? QStringList{"2015550000|new"}
                                     : QStringList{"2015551234|DNC", "2015550000|new", "9731234567|DNC"});
        }
}

TEST_P(HostileNamedList, DuplicateRemovalDeletesFromTheChosenListOnly)
{
    for (const Source s : {Source::Access, Source::FoxPro}) {
        SCOPED_TRACE(SourceName(s));
        make(s);
        scrub::TableDuplicatesJob d;
        d.kind = s == Source::Access ? scrub::TableDuplicatesJob::Kind::Access
                                     : scrub::TableDuplicatesJob::Kind::FoxPro;
        d.connectionString = s == Source::Access ? jet() : foxPro();
        d.tableName = table(s);
        d.phoneField = phoneField(s);
        // The chosen list gets a copy of its first number; the other has one already.
        if (s == Source::Access)
            scrubtest::Exec(
                listDb(),
                QStringLiteral("insert into %1 values ('2015551234', 'copy')").arg(SqliteName(table(s))));
        else
            files::DbfTable(folder + table(s)).appendRecord({vb::Variant("2015551234"), vb::Variant("copy")});
        engine::NoProgress quiet;
        const scrub::DuplicatesResult r = scrub::RemoveTableDuplicates(d, quiet);
        scrubtest::ExpectFinished(r);
        EXPECT_EQ(r.removed, 1);
        expectChosen(s, {"2015550000|new", "9731234567|new", "2015551234|copy"});
    }
}

TEST_P(HostileNamedList, TheWorkTableRoadTakesAndChangesTheChosenListOnly)
{
    for (const Source s : {Source::Access, Source::Text})
        for (const bool deleting : {true, false}) {
            SCOPED_TRACE(std::string(SourceName(s)) + (deleting ? " delete" : " mark"));
            make(s);
            const scrub::WorkTableResult r = scrubByWorkTable(s, deleting);
            EXPECT_TRUE(r.completed);
            EXPECT_FALSE(r.failure.has_value()) << (r.failure ? r.failure->description.toStdString() : "");
            EXPECT_EQ(r.flagged, 2);
            expectChosen(s, deleting ? QStringList{"2015550000|new"}
                                     : QStringList{"2015551234|DNC", "2015550000|new", "9731234567|DNC"});
        }
}

// Last, a name near the longest a file system allows: the program's hidden
// files beside it must still fit.
INSTANTIATE_TEST_SUITE_P(Names, HostileNamedList,
                         ::testing::ValuesIn(testsupport::HostileNames() << QString(240, u'n')));

} // namespace
