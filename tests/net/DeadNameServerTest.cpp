#include "net/CurlSession.h"
#include "net/DownloadThread.h"
#include "net/DownloadThreadsModule.h"

#include <gtest/gtest.h>
#include <wx/thread.h>
#include <wx/url.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Name lookups that hang, as with dead name servers: run by CTest through dead-dns.sh, whose
// name server is 127.0.0.1:53, where this test keeps a socket that never answers.
class DeadNameServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("ROD_DEAD_DNS"))
            GTEST_SKIP() << "runs inside the namespaces of dead-dns.sh";
        m_sink = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(53);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(bind(m_sink, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    }
    void TearDown() override {
        if (m_sink >= 0)
            close(m_sink);
    }

    // Waits (bounded) until a query has reached the name server: a lookup is under way.
    bool QueryArrives() const {
        pollfd wait{m_sink, POLLIN, 0};
        if (poll(&wait, 1, 10000) != 1)
            return false;
        char query[512];
        while (recv(m_sink, query, sizeof query, MSG_DONTWAIT) > 0) {
        }
        return true;
    }

    int m_sink = -1;
};

CurlSession::Request LookupOf(const char* host, std::chrono::seconds time) {
    CurlSession::Request request;
    request.url = std::string("http://") + host + "/";
    request.timeout = time;
    request.lookupTime = time;
    return request;
}

// A joinable toolkit thread that looks a name up with a deadline far away.
class LookupThread : public wxThread {
public:
    LookupThread() : wxThread(wxTHREAD_JOINABLE) {}
    std::atomic<bool> found{true};

protected:
    ExitCode Entry() override {
        CurlSession session;
        found = session.Start(LookupOf("www.kestova.example", std::chrono::seconds(120)));
        return nullptr;
    }
};

TEST_F(DeadNameServerTest, LookupEndsAtItsDeadlineOrWhenTheThreadIsStopped) {
    auto start = Clock::now();
    {
        CurlSession session;
        EXPECT_FALSE(session.Start(LookupOf("www.kestova.example", std::chrono::seconds(1))));
        EXPECT_EQ(session.Failure().GetKind(), FailureReason::Kind::TIME_OUT);
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(QueryArrives()) << "the name server was never asked";

    // As the main window stops the refresh thread: Delete() returns once the thread has ended.
    LookupThread thread;
    ASSERT_EQ(thread.Run(), wxTHREAD_NO_ERROR);
    ASSERT_TRUE(QueryArrives());
    start = Clock::now();
    thread.Delete();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(thread.found);
}

// The plug-in's end must not leave a download inside a lookup: the library would be unloaded
// under it.
TEST_F(DeadNameServerTest, ModuleExitEndsADownloadWaitingForItsLookup) {
    DownloadThreadsModule module;
    ASSERT_TRUE(DownloadThread::Start(nullptr, -1, new wxURL("http://img.kestova.example/x.jpg")));
    ASSERT_TRUE(QueryArrives());
    const auto start = Clock::now();
    module.OnExit();
    EXPECT_EQ(DownloadThreadsModule::Running(), 0);
    EXPECT_LT(Clock::now() - start,
              std::chrono::milliseconds(DownloadThreadsModule::EXIT_WAIT_MS - 100));
    EXPECT_TRUE(module.OnInit());
}

} // namespace
