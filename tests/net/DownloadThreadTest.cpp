#include "net/DownloadThread.h"
#include "core/ConnectionStatus.h"
#include "net/DownloadThreadsModule.h"
#include "net/wxHTTP2.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/stopwatch.h>
#include <wx/weakref.h>

#include <arpa/inet.h>
#include <atomic>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// Deletions happen on the download threads.
std::atomic<int> g_urlsDeleted{0};
std::atomic<int> g_clientsDeleted{0};

class CountingUrl : public wxURL {
public:
    explicit CountingUrl(const std::string& url) : wxURL(wxString::FromUTF8(url)) {}
    ~CountingUrl() override { ++g_urlsDeleted; }
};

class CountingClient : public wxHTTP2 {
public:
    ~CountingClient() override { ++g_clientsDeleted; }
};

// What one wxEVT_DOWNLOAD_FINISHED event carried.
struct Finished {
    int id;
    std::optional<std::string> body; // nothing for a null block
    int length;
};

class Recorder : public wxEvtHandler {
public:
    Recorder() { Bind(wxEVT_DOWNLOAD_FINISHED, &Recorder::OnDownloadFinished, this); }
    std::vector<Finished> events;

private:
    void OnDownloadFinished(wxCommandEvent& event) {
        char* block = static_cast<char*>(event.GetClientData());
        Finished finished{event.GetId(), std::nullopt, event.GetInt()};
        if (block)
            finished.body = std::string(block, static_cast<size_t>(event.GetInt()));
        delete[] block;
        events.push_back(finished);
    }
};

// A port on which nobody listens.
int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t size = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
    close(fd);
    return ntohs(addr.sin_port);
}

class DownloadThreadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A seed with 9 of the 12 online: the tests fetch the thumbnails of those listed.
        ms_site = new SiteSimProcess({"--performers", "12", "--tick", "0", "--seed", "3"});
    }
    static void TearDownTestSuite() {
        delete ms_site;
        ms_site = nullptr;
    }

    void SetUp() override {
        ASSERT_EQ(ms_site->Get("/_control/clear"), 200);
        ASSERT_EQ(ms_site->Get("/_control/script?file="), 200);
        g_urlsDeleted = 0;
        g_clientsDeleted = 0;
    }

    void TearDown() override { EXPECT_TRUE(DownloadThreadsModule::WaitUntilIdle(10000)); }

    static std::string Url(const std::string& path) { return ms_site->Url(path); }

    // Requests that reached the site with a path (and query) starting with prefix.
    static size_t RequestsTo(const std::string& prefix) {
        size_t count = 0;
        for (const auto& line : ms_site->LogLines())
            count += line.compare(0, prefix.size() + 4, "GET\t" + prefix) == 0;
        return count;
    }

    static void Fault(const std::string& path, const std::string& rest) {
        ASSERT_EQ(ms_site->Get("/_control/fault?path=" + path + "&" + rest), 200);
    }

    // Runs one download to its end; the events that recorder got by then.
    static std::vector<Finished> Download(const std::string& url, bool withClient,
                                          Recorder& recorder, int id = -1) {
        wxHTTP* client = withClient ? new CountingClient : nullptr;
        EXPECT_TRUE(DownloadThread::Start(&recorder, id, new CountingUrl(url), client));
        EXPECT_TRUE(WaitFor([] { return DownloadThreadsModule::Running() == 0; }, 20000));
        // The result is queued before the thread ends: one pass delivers it.
        wxTheApp->ProcessPendingEvents();
        EXPECT_EQ(g_urlsDeleted, 1);
        EXPECT_EQ(g_clientsDeleted, withClient ? 1 : 0);
        g_urlsDeleted = 0;
        g_clientsDeleted = 0;
        return recorder.events;
    }

    // Starts the module again after an exit: nothing from before arrives, and a download of
    // the echo works again. Gives that download's events.
    static std::vector<Finished> RestartAndDownload(DownloadThreadsModule& module,
                                                    Recorder& recorder, bool withClient) {
        EXPECT_TRUE(module.OnInit());
        wxTheApp->ProcessPendingEvents();
        EXPECT_TRUE(recorder.events.empty()) << "a result from before the exit arrived";
        EXPECT_EQ(ms_site->Get("/_control/clear"), 200);
        g_urlsDeleted = 0;
        g_clientsDeleted = 0;
        return Download(Url("/_echo"), withClient, recorder);
    }

    // The first performer that the site lists.
    static std::string Performer() {
        std::string listing;
        EXPECT_EQ(ms_site->Get("/_control/population", &listing), 200);
        return listing.substr(0, listing.find(' '));
    }

    static SiteSimProcess* ms_site;
};

SiteSimProcess* DownloadThreadTest::ms_site = nullptr;

TEST_F(DownloadThreadTest, BodyArrivesAsOneExactBlock) {
    const std::string path = "/WebArchive/" + Performer() + "/thumbs/LinkedImage.jpg";
    std::string expected;
    ASSERT_EQ(ms_site->Get(path, &expected), 200);
    ASSERT_GT(expected.size(), 1000u);

    for (const bool withClient : {false, true}) {
        SCOPED_TRACE(withClient ? "with a client" : "through the URL");
        Recorder recorder;
        const auto events = Download(Url(path), withClient, recorder, 7);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].id, 7);
        EXPECT_EQ(events[0].length, static_cast<int>(expected.size()));
        EXPECT_TRUE(events[0].body == expected);
    }

    // Without a Content-Length the body ends where the server closes.
    Fault(path, "mode=nolength");
    Recorder recorder;
    const auto events = Download(Url(path), true, recorder);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].body == expected);
}

TEST_F(DownloadThreadTest, EmptyBodyIsANonNullEmptyBlock) {
    const std::string empty = TestEnvironment::MakeTempDir("download") + "/empty.js";
    { std::ofstream file(empty); }
    ASSERT_EQ(ms_site->Get("/_control/script?file=" + empty), 200);
    for (const bool withClient : {false, true}) {
        SCOPED_TRACE(withClient ? "with a client" : "through the URL");
        Recorder recorder;
        const auto events = Download(Url("/include/js/online_performers.js"), withClient, recorder);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].body, std::string());
        EXPECT_EQ(events[0].length, 0);
    }
}

TEST_F(DownloadThreadTest, EachFailureGivesExactlyOneNullEvent) {
    struct Case {
        const char* what;
        std::string url;
        std::string fault; // a fault of the site on /_echo
    };
    const std::vector<Case> cases = {
        {"refused connection", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/_echo", ""},
        {"status 500", Url("/_echo"), "mode=500"},
        {"status 404", Url("/no/such/page"), ""},
        {"status 302 of a captive portal", Url("/_echo"), "mode=302"},
        {"connection dropped without reply", Url("/_echo"), "mode=refuse"},
        {"body cut in the middle", Url("/_echo"), "mode=cut"},
        {"body over the cap", Url("/_echo"),
         "mode=bigbody&bytes=" + std::to_string(DownloadThread::MAX_BODY + 1)},
    };
    for (const auto& c : cases) {
        for (const bool withClient : {false, true}) {
            SCOPED_TRACE(std::string(c.what) +
                         (withClient ? ", with a client" : ", through the URL"));
            ASSERT_EQ(ms_site->Get("/_control/clear"), 200);
            if (!c.fault.empty())
                Fault("/_echo", c.fault);
            Recorder recorder;
            const auto events = Download(c.url, withClient, recorder);
            ASSERT_EQ(events.size(), 1u);
            EXPECT_FALSE(events[0].body);
            EXPECT_EQ(events[0].length, 0);
        }
    }
}

TEST_F(DownloadThreadTest, BodyOfExactlyTheCapArrives) {
    Fault("/_echo", "mode=bigbody&bytes=" + std::to_string(DownloadThread::MAX_BODY));
    Recorder recorder;
    const auto events = Download(Url("/_echo"), true, recorder);
    ASSERT_EQ(events.size(), 1u);
    ASSERT_TRUE(events[0].body);
    EXPECT_EQ(events[0].body->size(), DownloadThread::MAX_BODY);
    EXPECT_EQ(events[0].length, static_cast<int>(DownloadThread::MAX_BODY));
}

TEST_F(DownloadThreadTest, ClientSendsItsHeadersToTheUrlsHostAndPort) {
    auto* client = new CountingClient;
    client->SetFixedHeader("Host", "web.example");
    client->SetUser("viewer");
    Recorder recorder;
    ASSERT_TRUE(DownloadThread::Start(&recorder, -1, new CountingUrl(Url("/_echo?x=1")), client));
    ASSERT_TRUE(WaitFor([&] { return !recorder.events.empty(); }, 10000));
    ASSERT_TRUE(recorder.events[0].body);
    const std::string& echo = *recorder.events[0].body;
    EXPECT_NE(echo.find("Host: web.example\n"), std::string::npos) << echo;
    EXPECT_NE(
        echo.find("Authorization: Basic " +
                  Base64Encode(reinterpret_cast<const unsigned char*>("viewer:"), 7).ToStdString()),
        std::string::npos)
        << echo;
    EXPECT_EQ(ms_site->LogLines().back(), "GET\t/_echo?x=1\tweb.example\tgzip");
}

TEST_F(DownloadThreadTest, TimeOutSetByTheCallerIsKept) {
    Fault("/_echo", "mode=delay&ms=8000");
    for (const bool withClient : {false, true}) {
        SCOPED_TRACE(withClient ? "with a client" : "through the URL");
        auto* url = new CountingUrl(Url("/_echo"));
        wxHTTP* client = nullptr;
        if (withClient) {
            client = new CountingClient;
            client->SetTimeout(1);
        } else {
            url->GetProtocol().SetTimeout(1);
        }
        Recorder recorder;
        wxStopWatch watch;
        ASSERT_TRUE(DownloadThread::Start(&recorder, -1, url, client));
        ASSERT_TRUE(WaitFor([&] { return !recorder.events.empty(); }, 7000));
        EXPECT_LT(watch.Time(), 6000);
        EXPECT_FALSE(recorder.events[0].body);
    }
}

TEST_F(DownloadThreadTest, WithoutTargetNothingIsPostedAndAllIsReleased) {
    const size_t echoes = RequestsTo("/_echo");
    const size_t missing = RequestsTo("/no/such/page");
    ASSERT_TRUE(
        DownloadThread::Start(nullptr, -1, new CountingUrl(Url("/_echo")), new CountingClient));
    ASSERT_TRUE(DownloadThread::Start(nullptr, -1, new CountingUrl(Url("/no/such/page"))));
    ASSERT_TRUE(DownloadThreadsModule::WaitUntilIdle(10000));
    EXPECT_EQ(RequestsTo("/_echo"), echoes + 1);
    EXPECT_EQ(RequestsTo("/no/such/page"), missing + 1);
    EXPECT_EQ(g_urlsDeleted, 2);
    EXPECT_EQ(g_clientsDeleted, 1);
    // The block of the successful one must not leak (the sanitizer pass checks that).
}

TEST_F(DownloadThreadTest, TargetDestroyedBeforeTheReplyGetsNothing) {
    Fault("/_echo", "mode=delay&ms=1500");
    auto gone = std::make_unique<Recorder>();
    Recorder stays;
    const size_t before = RequestsTo("/_echo");
    ASSERT_TRUE(DownloadThread::Start(gone.get(), 1, new CountingUrl(Url("/_echo"))));
    ASSERT_TRUE(
        DownloadThread::Start(&stays, 2, new CountingUrl(Url("/_echo")), new CountingClient));
    // Both requests are at the site, held by the delay.
    ASSERT_TRUE(WaitFor([&] { return RequestsTo("/_echo") >= before + 2; }, 5000));
    gone.reset();
    ASSERT_TRUE(WaitFor([&] { return !stays.events.empty(); }, 10000));
    EXPECT_TRUE(DownloadThreadsModule::WaitUntilIdle(10000));
    wxTheApp->ProcessPendingEvents();
    ASSERT_EQ(stays.events.size(), 1u);
    EXPECT_EQ(stays.events[0].id, 2);
    EXPECT_TRUE(stays.events[0].body);
    EXPECT_EQ(g_urlsDeleted, 2);
    EXPECT_EQ(g_clientsDeleted, 1);
}

TEST_F(DownloadThreadTest, ClosedWindowGetsNothing) {
    int delivered = 0;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "download");
    frame->Bind(wxEVT_DOWNLOAD_FINISHED, [&delivered](wxCommandEvent& event) {
        ++delivered;
        delete[] static_cast<char*>(event.GetClientData());
    });
    const wxWeakRef<wxFrame> alive(frame);
    Recorder stays;
    ASSERT_TRUE(DownloadThread::Start(frame, -1, new CountingUrl(Url("/_echo"))));
    ASSERT_TRUE(DownloadThread::Start(&stays, -1, new CountingUrl(Url("/_echo"))));
    // Both results wait in the queue (nothing pumped yet) when the window is closed.
    ASSERT_TRUE(DownloadThreadsModule::WaitUntilIdle(10000));
    frame->Destroy();
    ASSERT_TRUE(WaitFor([&] { return !stays.events.empty(); }, 5000));
    EXPECT_EQ(delivered, 0);
    EXPECT_TRUE(WaitFor(
        [&] {
            wxTheApp->ProcessIdle();
            return !alive;
        },
        5000));
    EXPECT_EQ(delivered, 0);
}

TEST_F(DownloadThreadTest, SeveralDownloadsAtOnceEachGetTheirOwnBody) {
    std::string listing;
    ASSERT_EQ(ms_site->Get("/_control/population", &listing), 200);
    std::vector<std::string> names;
    for (size_t start = 0; start < listing.size();) {
        const size_t end = listing.find('\n', start);
        names.push_back(listing.substr(start, listing.find(' ', start) - start));
        start = end == std::string::npos ? listing.size() : end + 1;
    }
    ASSERT_GE(names.size(), 4u);
    ConnectionStatus::Reset();

    std::vector<std::unique_ptr<Recorder>> recorders;
    for (size_t i = 0; i < names.size(); ++i) {
        recorders.push_back(std::make_unique<Recorder>());
        const std::string url = Url("/WebArchive/" + names[i] + "/thumbs/LinkedImage.jpg");
        ASSERT_TRUE(DownloadThread::Start(recorders[i].get(), static_cast<int>(i),
                                          new CountingUrl(url),
                                          i % 2 ? new CountingClient : nullptr));
    }
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const auto& r : recorders)
                if (r->events.empty())
                    return false;
            return true;
        },
        20000));
    // The Connection window's bytes of this run: every transfer's, headers included.
    EXPECT_TRUE(WaitFor([&] { return ConnectionStatus::Get().transfers == names.size(); }, 5000));
    const unsigned long long bytes = ConnectionStatus::Get().bytes;
    unsigned long long bodies = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        std::string expected;
        ASSERT_EQ(ms_site->Get("/WebArchive/" + names[i] + "/thumbs/LinkedImage.jpg", &expected),
                  200);
        ASSERT_EQ(recorders[i]->events.size(), 1u);
        EXPECT_EQ(recorders[i]->events[0].id, static_cast<int>(i));
        EXPECT_TRUE(recorders[i]->events[0].body == expected);
        bodies += expected.size();
    }
    EXPECT_GT(bytes, bodies);
    EXPECT_LT(bytes, bodies + 1000 * names.size());
}

TEST_F(DownloadThreadTest, ModuleExitWaitsForDownloadsAndDropsTheirResults) {
    DownloadThreadsModule module;
    Fault("/_echo", "mode=delay&ms=700");
    Recorder recorder;
    const size_t before = RequestsTo("/_echo");
    ASSERT_TRUE(DownloadThread::Start(&recorder, -1, new CountingUrl(Url("/_echo"))));
    ASSERT_TRUE(WaitFor([&] { return RequestsTo("/_echo") > before; }, 5000));
    EXPECT_EQ(DownloadThreadsModule::Running(), 1);
    EXPECT_FALSE(DownloadThreadsModule::WaitUntilIdle(50));

    module.OnExit();
    EXPECT_EQ(DownloadThreadsModule::Running(), 0);
    EXPECT_EQ(g_urlsDeleted, 1);

    // While the module is inactive nothing starts, and what was handed over is released.
    EXPECT_FALSE(
        DownloadThread::Start(&recorder, -1, new CountingUrl(Url("/_echo")), new CountingClient));
    EXPECT_EQ(g_urlsDeleted, 2);
    EXPECT_EQ(g_clientsDeleted, 1);

    const auto events = RestartAndDownload(module, recorder, false);
    EXPECT_EQ(events.size(), 1u);
}

// A server that stays silent must not hold up the plug-in's end: the exit shuts the
// connection, and the download ends at once as a failure that nobody receives.
TEST_F(DownloadThreadTest, ModuleExitCutsATransferThatHangs) {
    DownloadThreadsModule module;
    Fault("/_echo", "mode=delay&ms=40000");
    Recorder recorder;
    const size_t before = RequestsTo("/_echo");
    auto* client = new CountingClient;
    client->SetTimeout(60);
    ASSERT_TRUE(DownloadThread::Start(&recorder, -1, new CountingUrl(Url("/_echo")), client));
    ASSERT_TRUE(WaitFor([&] { return RequestsTo("/_echo") > before; }, 5000));

    module.OnExit();
    EXPECT_EQ(DownloadThreadsModule::Running(), 0) << "the exit waited for the time-out";
    EXPECT_EQ(g_clientsDeleted, 1);

    // Connections made after a new start are not cut.
    const auto events = RestartAndDownload(module, recorder, true);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].body.has_value());
}

} // namespace
