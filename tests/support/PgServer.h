#pragma once
// A throwaway PostgreSQL server for the tests that put the program's
// database on a server: a private data folder made with initdb (as the
// unprivileged user "nobody" when the tests run as root), a free loopback
// port, password logins, and an odbc.ini of its own whose data sources reach
// it through psqlODBC. One server per test process, started on first use and
// removed when the process ends. Each test makes a database of its own on it
// with the program's schema script, the way an office does.
//
// Without the server programs or the driver Shared() is null and Reason()
// says why (the tests skip, or fail under CI=true: see PgDatabase.h). The
// benchmarks use it too.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QVersionNumber>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

class PgServer {
public:
    static constexpr const char* kUser = "tervala";
    static constexpr const char* kPassword = "s3cret pass";

    // The process's server; null when it cannot run here (see Reason()).
    static PgServer* Shared()
    {
        static PgServer* server = [] {
            auto* s = new PgServer();
            if (!s->start()) {
                Reason() = s->m_reason;
                delete s;
                return static_cast<PgServer*>(nullptr);
            }
            std::atexit([] { delete Shared(); });
            return s;
        }();
        return server;
    }
    static QString& Reason()
    {
        static QString reason;
        return reason;
    }

    ~PgServer()
    {
        if (!m_data.isEmpty() && !m_attached)
            run(asOwner({bin("pg_ctl"), "-D", m_data, "-m", "immediate", "-w", "stop"}), nullptr);
        if (!m_root.isEmpty()) QDir(m_root).removeRecursively();
    }

    int port() const { return m_port; }
    QString root() const { return m_root; }

    // A new, empty database of the given name.
    bool createDatabase(const QString& name, QString* error = nullptr)
    {
        return psql(QStringLiteral("postgres"), {"-c", "CREATE DATABASE " + name}, error);
    }
    // Runs psql on the database with the arguments (-c, -f, ...); stops at
    // the first error.
    bool psql(const QString& database, const QStringList& args, QString* output = nullptr)
    {
        QStringList argv{bin("psql"),
                         "-X",
                         "-q",
                         "-v",
                         "ON_ERROR_STOP=1",
                         "-h",
                         "127.0.0.1",
                         "-p",
                         QString::number(m_port),
                         "-U",
                         kUser,
                         "-d",
                         database};
        argv << args;
        return run(argv, output) == 0;
    }
    // Writes the data source of that name in the process's odbc.ini,
    // reaching the database (on this server, or on another port of the
    // machine); the profile supplies user and password. (The driver manager
    // reads a data source once: a profile names another database with
    // "Database=".)
    void addDataSource(const QString& dsn, const QString& database, int port = 0)
    {
        m_sources[dsn] = QStringLiteral("[%1]\nDriver=%2\nServername=127.0.0.1\nPort=%3\nDatabase=%4\n")
                             .arg(dsn, m_driver)
                             .arg(port ? port : m_port)
                             .arg(database);
        writeOdbcIni();
    }
    // A data source written as an office writes it, "[name]" first.
    void addDataSourceText(const QString& dsn, const QString& text)
    {
        m_sources[dsn] = text.endsWith(QLatin1Char('\n')) ? text : text + QLatin1Char('\n');
        writeOdbcIni();
    }
    QString driver() const { return m_driver; }
    // The server's programs (psql, pg_dump, ...) and its data folder.
    QString binFolder() const { return m_bin; }
    QString dataFolder() const { return m_data; }
    // Stops the server (a connection lost); start it again with resume().
    void suspend() { run(asOwner({bin("pg_ctl"), "-D", m_data, "-m", "immediate", "-w", "stop"}), nullptr); }
    bool resume() { return startServer(); }
    // Stops every process of the server where it stands (SIGSTOP), as a
    // machine that hangs: connections stay open and nothing answers them.
    // thaw() lets them go on.
    void freeze() { signalAll(SIGSTOP); }
    void thaw() { signalAll(SIGCONT); }

private:
    PgServer() = default;

    // The postmaster and its children.
    void signalAll(int signal) const
    {
        QFile pidFile(QDir(m_data).filePath(QStringLiteral("postmaster.pid")));
        if (!pidFile.open(QIODevice::ReadOnly)) return;
        const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toInt());
        if (postmaster <= 0) return;
        kill(postmaster, signal);
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly)) continue;
            const QByteArray text = stat.readAll();
            // "pid (name) state ppid ...": the name may hold blanks.
            const QList<QByteArray> after = text.mid(text.lastIndexOf(')') + 2).split(' ');
            if (after.size() > 1 && after[1].toInt() == postmaster) kill(pid_t(entry.toInt()), signal);
        }
    }

    QString bin(const QString& name) const { return m_bin + QLatin1Char('/') + name; }

    static QString findBinDir()
    {
        QDir base(QStringLiteral("/usr/lib/postgresql"));
        QString best;
        QVersionNumber bestVersion;
        for (const QString& v : base.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString dir = base.filePath(v) + QStringLiteral("/bin");
            const QVersionNumber n = QVersionNumber::fromString(v);
            if (QFileInfo::exists(dir + QStringLiteral("/initdb")) && (best.isEmpty() || n > bestVersion)) {
                best = dir;
                bestVersion = n;
            }
        }
        return best;
    }

    static QString findDriver()
    {
        for (const char* p : {"/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so",
                              "/usr/lib/aarch64-linux-gnu/odbc/psqlodbcw.so", "/usr/lib/odbc/psqlodbcw.so"})
            if (QFileInfo::exists(QString::fromLatin1(p))) return QString::fromLatin1(p);
        return {};
    }

    // Runs as the folder's owner: "nobody" when the tests run as root, since
    // the server refuses to run as root.
    QStringList asOwner(QStringList argv) const
    {
        if (geteuid() == 0)
            argv = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("nobody"),
                               QStringLiteral("--")} +
                   argv;
        return argv;
    }

    // Runs a program and waits; the exit code, or -1. Output (both streams)
    // goes to *output when given, else to the server's log folder.
    int run(const QStringList& argv, QString* output) const
    {
        const QString out = QDir(m_root).filePath(QStringLiteral("cmd.out"));
        std::vector<QByteArray> args;
        for (const QString& a : argv)
            args.push_back(a.toLocal8Bit());
        std::vector<char*> raw;
        for (QByteArray& a : args)
            raw.push_back(a.data());
        raw.push_back(nullptr);
        const QByteArray outPath = out.toLocal8Bit();
        const pid_t pid = fork();
        if (pid < 0) return -1;
        if (pid == 0) {
            setenv("PGPASSWORD", kPassword, 1);
            setenv("PGCONNECT_TIMEOUT", "10", 1);
            FILE* f = std::fopen(outPath.constData(), "w");
            if (f) {
                dup2(fileno(f), 1);
                dup2(fileno(f), 2);
            }
            execvp(raw[0], raw.data());
            _exit(127);
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (output) {
            QFile f(out);
            *output = f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static int freePort()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
        return probe.serverPort();
    }

    // A process started by a test to play a second desktop uses its
    // parent's server: the port is in TERVALA_PG_PORT.
    bool attach(int port)
    {
        m_bin = findBinDir();
        m_driver = findDriver();
        QByteArray tmpl = QDir::temp().filePath(QStringLiteral("tervala-pgc-XXXXXX")).toLocal8Bit();
        if (m_bin.isEmpty() || m_driver.isEmpty() || !mkdtemp(tmpl.data())) {
            m_reason = QStringLiteral("cannot use the server of the parent process");
            return false;
        }
        m_root = QString::fromLocal8Bit(tmpl);
        m_port = port;
        m_attached = true;
        pointOdbcHere();
        return true;
    }

    void writeOdbcIni() const
    {
        QByteArray text;
        for (auto it = m_sources.cbegin(); it != m_sources.cend(); ++it)
            text += it.value().toUtf8() + '\n';
        QFile f(QDir(m_root).filePath(QStringLiteral("odbc.ini")));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(text);
    }

    void pointOdbcHere()
    {
        qputenv("ODBCSYSINI", m_root.toLocal8Bit());
        qputenv("ODBCINI", QDir(m_root).filePath(QStringLiteral("odbc.ini")).toLocal8Bit());
        qunsetenv("ODBCINSTINI");
        // The driver under the name Debian's odbc-postgresql registers.
        QFile drivers(QDir(m_root).filePath(QStringLiteral("odbcinst.ini")));
        if (drivers.open(QIODevice::WriteOnly))
            drivers.write("[PostgreSQL Unicode]\nDriver=" + m_driver.toUtf8() + '\n');
        addDataSource(QStringLiteral("Tervala"), QStringLiteral("postgres"));
    }

    bool start()
    {
        if (const int port = qEnvironmentVariableIntValue("TERVALA_PG_PORT")) return attach(port);
        m_bin = findBinDir();
        if (m_bin.isEmpty()) {
            m_reason = QStringLiteral("PostgreSQL server programs (package postgresql) are not installed");
            return false;
        }
        m_driver = findDriver();
        if (m_driver.isEmpty()) {
            m_reason =
                QStringLiteral("the PostgreSQL ODBC driver (package odbc-postgresql) is not installed");
            return false;
        }
        QByteArray tmpl = QDir::temp().filePath(QStringLiteral("tervala-pg-XXXXXX")).toLocal8Bit();
        if (!mkdtemp(tmpl.data())) {
            m_reason = QStringLiteral("cannot make a temporary folder");
            return false;
        }
        m_root = QString::fromLocal8Bit(tmpl);
        chmod(tmpl.constData(), 0755); // the server's user goes through it
        m_data = QDir(m_root).filePath(QStringLiteral("data"));
        QDir().mkpath(m_data);
        const QString pwFile = QDir(m_root).filePath(QStringLiteral("pw"));
        {
            QFile f(pwFile);
            f.open(QIODevice::WriteOnly);
            f.write(kPassword);
        }
        chmod(pwFile.toLocal8Bit().constData(), 0644);
        if (geteuid() == 0) {
            const passwd* pw = getpwnam("nobody");
            if (!pw) {
                m_reason =
                    QStringLiteral("running as root, and there is no user \"nobody\" to run the server");
                return false;
            }
            if (chown(m_data.toLocal8Bit().constData(), pw->pw_uid, pw->pw_gid) != 0) {
                m_reason = QStringLiteral("cannot hand the data folder to \"nobody\"");
                return false;
            }
        }
        QString out;
        if (run(asOwner({bin("initdb"), "-D", m_data, "-U", kUser, "--pwfile=" + pwFile, "-A",
                         "scram-sha-256", "-E", "UTF8", "--locale=C", "--no-sync"}),
                &out) != 0) {
            m_reason = QStringLiteral("initdb failed: ") + out;
            return false;
        }
        if (!startServer()) return false;
        pointOdbcHere();
        return true;
    }

    bool startServer()
    {
        QString out;
        for (int attempt = 0; attempt < 5; ++attempt) {
            const int port = m_port ? m_port : freePort();
            const QString options =
                QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -k %2 -c fsync=off "
                               "-c synchronous_commit=off -c full_page_writes=off -c max_connections=40")
                    .arg(port)
                    .arg(m_data);
            if (run(asOwner({bin("pg_ctl"), "-D", m_data, "-l", m_data + "/server.log", "-w", "-t", "60",
                             "-o", options, "start"}),
                    &out) == 0) {
                m_port = port;
                return true;
            }
            if (m_port) break; // a restart keeps its port
        }
        m_reason = QStringLiteral("the server did not start: ") + out;
        return false;
    }

    QString m_bin;
    QString m_driver;
    QString m_root;
    QString m_data;
    QString m_reason;
    int m_port = 0;
    bool m_attached = false;
    QMap<QString, QString> m_sources;
};

} // namespace testsupport
