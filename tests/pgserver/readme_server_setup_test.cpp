// The README's server set-up, run as it stands against the tests' server:
// its blocks (each marked "<!-- server: kind -->") make the owner, the
// database and the tables, name a pg_hba.conf line and a setting the server
// reads, give a data source the desktops connect through; a desktop logged in
// as the owner and one with a role of its own both import, each refilling
// the other's area codes; and the backup commands copy and restore it all.
// So the README cannot drift from what works.

#include "ServerProgram.h"

#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "platform/vb/Clock.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// The section's fenced blocks by the kind their marker names.
QMap<QString, QString> ReadmeBlocks()
{
    QFile f(QStringLiteral(TERVALA_SOURCE_DIR "/README.md"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromUtf8(f.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("## The database on a PostgreSQL server"));
    const qsizetype end = text.indexOf(QStringLiteral("\n## "), start + 1);
    const QString section = text.mid(start, end - start);
    static const QRegularExpression block(QStringLiteral("<!-- server: ([^>]+) -->\\s*```[a-z]*\\n(.*?)```"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QMap<QString, QString> out;
    for (auto it = block.globalMatch(section); it.hasNext();) {
        const auto m = it.next();
        out[m.captured(1).trimmed()] = m.captured(2);
    }
    return out;
}

// The login roles the SQL makes, with their passwords.
QMap<QString, QString> LoginRoles(const QString& sql)
{
    static const QRegularExpression role(QStringLiteral("CREATE ROLE (\\w+) LOGIN PASSWORD '([^']*)'"));
    QMap<QString, QString> out;
    for (auto it = role.globalMatch(sql); it.hasNext();) {
        const auto m = it.next();
        out[m.captured(1)] = m.captured(2);
    }
    return out;
}

class ReadmeServerSetup : public ServerProgramTest {
protected:
    void SetUp() override
    {
        ServerProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        vb::SetClock(&clock);
        blocks = ReadmeBlocks();
        for (const char* kind : {"superuser", "owner", "postgresql.conf", "pg_hba.conf", "odbc.ini",
                                 "desktop role", "backup", "restore database", "restore"})
            ASSERT_TRUE(blocks.contains(kind)) << "README block " << kind;
        roles = LoginRoles(blocks["superuser"] + blocks["desktop role"]);
        ASSERT_TRUE(roles.contains("tervala_owner") && roles.contains("desk1"));
        office.Use(server, QStringLiteral("tervala"));
    }
    void TearDown() override
    {
        ServerProgramTest::TearDown();
        vb::SetClock(nullptr);
    }

    // SQL the README runs as the server's superuser, as psql reads a file.
    void AsSuperuser(const QString& sql)
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("block.sql"));
        mwtest::WriteFile(file, sql.toUtf8());
        QString out;
        EXPECT_TRUE(server->psql(QStringLiteral("postgres"), {"-f", file}, &out)) << out.toStdString();
    }

    // Shell commands the README runs as a role, in a folder; SERVER is the
    // tests' server, and the server's own programs come first on the path.
    void Shell(const QString& commands, const QString& role, const QString& folder)
    {
        QProcess sh;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", server->binFolder() + ":" + env.value("PATH"));
        env.insert("PGPORT", QString::number(server->port()));
        env.insert("PGPASSWORD", roles.value(role));
        env.insert("PGCONNECT_TIMEOUT", "10");
        sh.setProcessEnvironment(env);
        sh.setWorkingDirectory(folder);
        sh.setProcessChannelMode(QProcess::MergedChannels);
        sh.start("bash", {"-e", "-c", QString(commands).replace("SERVER", "127.0.0.1")});
        ASSERT_TRUE(sh.waitForFinished(-1));
        EXPECT_EQ(sh.exitCode(), 0) << sh.readAll().toStdString();
    }

    // A desktop started on the README's data source, logged in as the role.
    frmMain* Desktop(const QString& role)
    {
        if (gMainForm) restart();
        mwtest::WriteFile(
            iniPath(), QStringLiteral("[ODBC]\nODBCProvider=MSDASQL\nODBCDSN=ReadmeTervala\nODBCUserID=%1\n"
                                      "ODBCPWD=%2\nODBCDatabase=tervala\n")
                           .arg(role, roles.value(role))
                           .toUtf8());
        return start();
    }

    bool Import(frmMain* form, const QString& areaCodes)
    {
        QByteArray text;
        for (const QString& area : areaCodes.split(' '))
            for (int i = 0; i < 500; ++i)
                text += QStringLiteral("%1,%2\r\n").arg(area).arg(5550000 + i).toUtf8();
        const QString file = home.filePath(QStringLiteral("dnc.txt"));
        mwtest::WriteFile(file, text);
        gDefPropertys->Item(QStringLiteral("dnctextfilename"))->SetPropertyValue(file);
        gDefPropertys->Item(QStringLiteral("dnctextfilehearder"))->SetPropertyValue(QStringLiteral("0"));
        gDefPropertys->Item(QStringLiteral("dnctextfiledelimited"))->SetPropertyValue(QStringLiteral("1"));
        return form->Runs().ImportDNCTextFile();
    }

    vb::FakeClock clock{QDateTime(QDate(2007, 3, 2), QTime(14, 25, 30))};
    QMap<QString, QString> blocks;
    QMap<QString, QString> roles;
    PgDatabase office;
};

TEST_F(ReadmeServerSetup, MakesADatabaseThatDesktopsImportIntoAndThatIsBackedUp)
{
    // On the server: the owner and the database, then the tables as the owner.
    AsSuperuser(blocks["superuser"]);
    Shell(blocks["owner"], "tervala_owner", TERVALA_SOURCE_DIR);
    EXPECT_EQ(office.Query("select tableowner from pg_tables where tablename = 'defproperty'"),
              QStringList{"tervala_owner"});

    // The server reads the configuration lines as they are written.
    QFile hba(QDir(server->dataFolder()).filePath("pg_hba.conf"));
    ASSERT_TRUE(hba.open(QIODevice::Append));
    hba.write(blocks["pg_hba.conf"].toUtf8());
    hba.close();
    EXPECT_EQ(office.Query("select database[1], user_name[1], auth_method from pg_hba_file_rules "
                           "where error is null and database[1] = 'tervala'"),
              QStringList{"tervala|+tervala_owner|scram-sha-256"});
    EXPECT_EQ(office.Query("select count(*) from pg_hba_file_rules where error is not null"),
              QStringList{"0"});
    const QString setting = blocks["postgresql.conf"].section('=', 0, 0).trimmed();
    EXPECT_EQ(office.Query("select count(*) from pg_settings where name = '" + setting + "'"),
              QStringList{"1"});

    // On the desktops: the data source as written, on the tests' server.
    QString source = blocks["odbc.ini"];
    source.replace("[Tervala]", "[ReadmeTervala]")
        .replace("SERVER", "127.0.0.1")
        .replace("Port=5432", "Port=" + QString::number(server->port()));
    server->addDataSourceText("ReadmeTervala", source);

    // A desktop logged in as the owner imports an area code.
    frmMain* form = Desktop("tervala_owner");
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Import(form, "201"));

    // One with a role of its own imports another and refills the first.
    AsSuperuser(blocks["desktop role"]);
    form = Desktop("desk1");
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Import(form, "212 201"));
    EXPECT_EQ(office.Query("select tablename, tableowner from pg_tables where tablename like 'phone%' "
                           "order by 1"),
              (QStringList{"phone201|tervala_owner", "phone212|tervala_owner"}));

    // The owner's desktop reads and refills what that one made.
    form = Desktop("tervala_owner");
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Import(form, "212"));
    if (gMainForm) restart();

    // The backup; more area codes after it; then the copy restored into the
    // database made anew: the numbers and their total are the copy's.
    QTemporaryDir backups;
    Shell(blocks["backup"], "tervala_owner", backups.path());
    // It holds the profiles' passwords: its owner's alone.
    EXPECT_EQ(QFileInfo(backups.filePath("tervala.dump")).permissions() &
                  (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
    form = Desktop("desk1");
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Import(form, "415 301"));
    restart();
    AsSuperuser(blocks["restore database"]);
    Shell(blocks["restore"], "tervala_owner", backups.path());
    AsSuperuser(blocks["desktop role"].section('\n', 1));
    const QString stored =
        "select tablename, tableowner from pg_tables where tablename like 'phone%' order by 1";
    EXPECT_EQ(office.Query(stored), (QStringList{"phone201|tervala_owner", "phone212|tervala_owner"}));
    EXPECT_EQ(office.Query("select PropertyValue from DefProperty where PropertyKeys = 'lasttotal'"),
              QStringList{"1000"});
    // A desktop's own role acts as the owner again.
    form = Desktop("desk1");
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(Import(form, "415"));
    EXPECT_EQ(office.Query(stored).last(), "phone415|tervala_owner");
}

} // namespace
