// The watch over calls that wait on a server: a call whose server no longer
// answers the knock is ended by shutting its socket; one whose server still
// answers waits on for its answer; and the socket a connect leaves open is
// found among the process's files.

#include "platform/ado/ServerWatch.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct WatchCase {
    const char* name;
    bool answers; // the server answers each knock
    friend void PrintTo(const WatchCase& c, std::ostream* os) { *os << c.name; }
};

class WatchedCall : public ::testing::TestWithParam<WatchCase> {};

TEST_P(WatchedCall, EndsOnlyWhenTheServerNoLongerAnswers)
{
    const bool answers = GetParam().answers;
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    std::atomic<int> knocks{0};
    auto watch = ado::ServerWatch::Create(
        pair[0], [&](const sockaddr_storage&, socklen_t, long, const std::atomic<bool>&) {
            // A server at work answers its call after the second knock.
            if (++knocks == 2 && answers) EXPECT_EQ(write(pair[1], "x", 1), 1);
            return answers;
        });
    ASSERT_NE(watch, nullptr);
    watch->setPeriods(1, 1);
    char c = 0;
    ssize_t got = -1;
    {
        ado::ServerWatch::Call call(watch.get());
        got = recv(pair[0], &c, 1, 0);
    }
    EXPECT_EQ(got, answers ? 1 : 0);
    EXPECT_EQ(watch->cutOff(), !answers);
    EXPECT_EQ(knocks, answers ? 2 : 1);
    if (!answers) EXPECT_TRUE(watch->lostText().contains(QStringLiteral("2 seconds")));
    watch.reset();
    close(pair[0]);
    close(pair[1]);
}

INSTANTIATE_TEST_SUITE_P(Servers, WatchedCall,
                         ::testing::Values(WatchCase{"Answering", true}, WatchCase{"Gone", false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct OpenCase {
    const char* name;
    int sockets;   // connected sockets the open leaves
    bool succeeds; // what the open reports
    bool found;
    friend void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }
};

class NewSocket : public ::testing::TestWithParam<OpenCase> {};

TEST_P(NewSocket, IsTheOneAConnectLeavesOpen)
{
    const OpenCase& t = GetParam();
    std::vector<int> opened;
    bool result = false;
    const int fd = ado::ServerWatch::NewSocket(
        [&] {
            for (int i = 0; i < t.sockets; ++i) {
                int pair[2];
                EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
                opened.push_back(pair[0]);
                close(pair[1]); // one end: a socket whose peer was there
            }
            return t.succeeds;
        },
        &result);
    EXPECT_EQ(result, t.succeeds);
    if (t.found)
        EXPECT_EQ(fd, opened.front());
    else
        EXPECT_EQ(fd, -1);
    for (int s : opened)
        close(s);
}

INSTANTIATE_TEST_SUITE_P(Opens, NewSocket,
                         ::testing::Values(OpenCase{"One", 1, true, true}, OpenCase{"None", 0, true, false},
                                           OpenCase{"Two", 2, true, false},
                                           OpenCase{"Failed", 1, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
