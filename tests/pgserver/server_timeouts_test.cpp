// How long a desktop waits on the database server: the connection's login
// and command timeouts reach the driver and the server; a server that takes
// the connection and never answers fails the login; a statement longer than
// the command timeout is cancelled; and a server that stops in the middle of
// a statement fails it, naming the lost connection, instead of freezing the
// desktop. A live server that takes long is left to finish.

#include "PgDatabase.h"

#include "core/FakeMainWindow.h"
#include "support/SheetLoadWatch.h"

#include "platform/ado/OdbcProvider.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace {

// A loopback port that listens and never accepts: the kernel takes
// connections into its queue, and nothing ever answers them.
class SilentListener {
public:
    SilentListener()
    {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(m_fd, 8) == 0 &&
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &length) == 0)
            m_port = ntohs(a.sin_port);
    }
    ~SilentListener() { close(m_fd); }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

QString Credentials()
{
    return QStringLiteral("UID=%1;PWD=%2;")
        .arg(testsupport::PgServer::kUser, testsupport::PgServer::kPassword);
}

struct TimeoutCase {
    const char* name;
    bool set;               // false: the connection's defaults
    long connectionTimeout; // as set on the connection
    long commandTimeout;
    long login;            // what the driver manager holds
    const char* statement; // the server's statement_timeout
    friend void PrintTo(const TimeoutCase& c, std::ostream* os) { *os << c.name; }
};

class ServerTimeouts : public PgDatabaseTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(ServerTimeouts, ReachTheDriverAndTheServer)
{
    const TimeoutCase& t = GetParam();
    auto c = ado::Connection::Create();
    if (t.set) {
        c->SetConnectionTimeout(t.connectionTimeout);
        c->SetCommandTimeout(t.commandTimeout);
    }
    c->Open(ConnectionString());
    EXPECT_EQ(ado::OdbcLoginTimeout(c->provider()), t.login);
    EXPECT_EQ(Rows(c, "show statement_timeout"), QStringList{t.statement});
}

INSTANTIATE_TEST_SUITE_P(Connections, ServerTimeouts,
                         ::testing::Values(TimeoutCase{"AdosDefaults", false, 0, 0, 15, "30s"},
                                           TimeoutCase{"Short", true, 1, 2, 1, "2s"},
                                           TimeoutCase{"AsLongAsItTakes", true, 0, 0, 0, "0"}),
                         [](const auto& info) { return std::string(info.param.name); });

class ServerWaits : public PgDatabaseTest {};

TEST_F(ServerWaits, ACommandTimeoutChangedOnAnOpenConnectionReachesTheServer)
{
    auto c = Open();
    c->SetCommandTimeout(45);
    EXPECT_EQ(Rows(c, "show statement_timeout"), QStringList{"45s"});
}

TEST_F(ServerWaits, AServerThatTakesTheConnectionAndNeverAnswersFailsTheLoginNamingTheTimeout)
{
    SilentListener silent;
    ASSERT_NE(silent.port(), 0);
    server->addDataSource(QStringLiteral("Silent"), db.name, silent.port());
    auto c = ado::Connection::Create();
    c->SetConnectionTimeout(1);
    const vb::ErrObject e = ErrorOf([&] { c->Open("PROVIDER=MSDASQL;DSN=Silent;" + Credentials()); });
    EXPECT_NE(e.Number, 0);
    EXPECT_TRUE(e.Description.contains(QStringLiteral("timeout"))) << e.Description.toStdString();
    EXPECT_EQ(c->State(), ado::adStateClosed);
}

TEST_F(ServerWaits, AStatementLongerThanTheCommandTimeoutIsCancelledByTheServer)
{
    // Whether it waits as it runs or, on a table another desktop locked, in
    // its first round trip: the server's words, the window drawn meanwhile.
    FakeMainWindow window;
    window.statusBar.show();
    testsupport::DrawnTexts status(window.statusBar.Panel(1));
    Psql("create table locked (phone integer)");
    auto holder = Open();
    holder->BeginTrans();
    ado::ExecServerSql(*holder->provider(), QStringLiteral("lock table locked"));
    auto c = ado::Connection::Create();
    c->SetCommandTimeout(1);
    c->Open(ConnectionString());
    for (const char* sql : {"select pg_sleep(30)", "select count(*) from locked"}) {
        status.drawn.clear();
        const vb::ErrObject e = ErrorOf([&] { Rows(c, sql); });
        EXPECT_TRUE(e.Description.contains(QStringLiteral("statement timeout")))
            << e.Description.toStdString();
        EXPECT_TRUE(status.drawn.contains("Waiting for the database server to answer ...")) << sql;
        EXPECT_EQ(Rows(c, "select 1"), QStringList{"1"}) << "the connection goes on";
    }
    holder->RollbackTrans();
}

TEST_F(ServerWaits, AServerThatAnswersIsLeftToFinishAStatementWithoutATimeLimit)
{
    // The watch knocks every second; the server answers each knock.
    auto c = ado::Connection::Create();
    c->SetConnectionTimeout(1);
    c->SetCommandTimeout(0);
    c->Open(ConnectionString());
    EXPECT_EQ(Rows(c, "select 7 from pg_sleep(3)"), QStringList{"7"});
}

TEST_F(ServerWaits, AServerStoppedDuringAStatementFailsItNamingTheLostConnection)
{
    // Meanwhile the window is drawn, saying what it waits for.
    FakeMainWindow window;
    window.statusBar.show();
    testsupport::DrawnTexts status(window.statusBar.Panel(1));
    auto victim = ado::Connection::Create();
    victim->SetConnectionTimeout(1);
    victim->SetCommandTimeout(2);
    victim->Open(ConnectionString());
    const QString pid = Rows(victim, "select pg_backend_pid()").value(0);
    ASSERT_FALSE(pid.isEmpty());

    // Once the statement runs on the server, the whole server stops.
    auto lookout = Open();
    std::atomic<bool> returned{false};
    std::atomic<bool> frozen{false};
    std::thread stopper([&] {
        const QString running =
            "select count(*) from pg_stat_activity where state = 'active' and pid = " + pid;
        while (!returned && Rows(lookout, running) != QStringList{"1"})
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (returned) return;
        server->freeze();
        frozen = true;
    });
    const vb::ErrObject e = ErrorOf([&] { Rows(victim, "select pg_sleep(60)"); });
    returned = true;
    stopper.join();
    server->thaw();

    EXPECT_TRUE(frozen);
    EXPECT_NE(e.Number, 0);
    EXPECT_TRUE(e.Description.contains(QStringLiteral("Timeout")) &&
                e.Description.contains(QStringLiteral("connection to it is lost")))
        << e.Description.toStdString();
    // The connection stays lost, and says so at once; the server, going on,
    // takes new ones.
    const vb::ErrObject again = ErrorOf([&] { Rows(victim, "select 1"); });
    EXPECT_TRUE(again.Description.contains(QStringLiteral("lost"))) << again.Description.toStdString();
    EXPECT_EQ(Rows(Open(), "select 1"), QStringList{"1"});
    EXPECT_TRUE(status.drawn.contains("Waiting for the database server to answer ..."))
        << status.drawn.size();
}

} // namespace
