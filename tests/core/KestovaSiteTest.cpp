#include "core/KestovaSite.h"
#include "core/ConnectionStatus.h"
#include "core/SiteEndpoints.h"
#include "net/CurlSession.h"
#include "net/wxHTTP2.h"
#include "resources/ImageStore.h"
#include "tests/core/ExitRecordingFrame.h"
#include "tests/core/MessageBoxRecorder.h"
#include "tests/core/SiteUpdateThread.h"
#include "tests/support/LogCapture.h"
#include "tests/support/NginxProcess.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/stopwatch.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const char BASE_SCRIPT[] = "var online = new PerformerList();\n"
                           "anna.viewers = 3;\n"
                           "online_performers.add(anna);\n"
                           "free_performers.add(anna);\n"
                           "bob.viewers = 1;\n"
                           "online_performers.add(bob);\n"
                           "busy_performers.add(bob);"; // no line end after the last line

const char SCRIPT_FAULT[] = "/_control/fault?path=%2Finclude%2Fjs%2Fonline_performers.js&mode=";

class KestovaSiteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ms_sim = new SiteSimProcess();
        // As the network library's module does when the plug-in starts.
        KestovaSite::SetHttpClientFactory([]() -> HttpClient* { return new wxHTTP2; });
    }
    static void TearDownTestSuite() {
        delete ms_sim;
        ms_sim = nullptr;
    }

    void SetUp() override {
        TestEnvironment::ResetConfig();
        ms_sim->UseAsSite();
        ASSERT_EQ(ms_sim->Get("/_control/clear"), 200);
        m_dir = TestEnvironment::MakeTempDir("scripts");
        m_site = Site::GetInstance();
        ASSERT_NE(dynamic_cast<KestovaSite*>(m_site), nullptr);
        // A success also clears the failure count that an earlier test left; a fresh client
        // takes the list even where an earlier test left a long one.
        KestovaSite::SetHttpClientFactory([]() -> HttpClient* { return new wxHTTP2; });
        Serve(BASE_SCRIPT);
        ASSERT_GT(m_site->UpdateUserList(), 0);
        m_frame = new ExitRecordingFrame();
    }

    void TearDown() override {
        m_frame->Destroy();
        PumpEvents(20);
        ms_sim->Get("/_control/clear");
        TestEnvironment::ResetConfig();
    }

    void Serve(const std::string& script) {
        const std::string path = m_dir + "/script" + std::to_string(++m_scripts) + ".js";
        std::ofstream(path, std::ios::binary) << script;
        ASSERT_EQ(ms_sim->Get("/_control/script?file=" + path), 200);
    }

    void Fault(const std::string& modeAndOptions) {
        ASSERT_EQ(ms_sim->Get(SCRIPT_FAULT + modeAndOptions), 200);
    }

    // Consecutive failed downloads on this thread; each must report failure. Returns the
    // wait that each asked for. (The site refuses for as long as it takes: a request refused
    // on a kept connection is tried once more on a new one, as a connection that the site
    // closed meanwhile would be.)
    std::vector<int> FailTimes(int count) {
        Fault("refuse");
        std::vector<int> waits;
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(m_site->UpdateUserList(), 0) << "failure " << i + 1;
            waits.push_back(m_site->GetRetryDelay());
        }
        EXPECT_EQ(ms_sim->Get("/_control/clear"), 200);
        return waits;
    }

    // A script of that many performers, named from prefix.
    static std::string Performers(int count, const std::string& prefix = "p") {
        std::string script = "var online = new PerformerList();\n";
        for (int i = 0; i < count; ++i)
            script += prefix + std::to_string(i) + ".viewers = 1;\nonline_performers.add(x);\n";
        return script;
    }

    // The site is a plain nginx before the simulated one, with locations of its own.
    static std::unique_ptr<NginxProcess> Front(const std::string& locations) {
        auto nginx = std::make_unique<NginxProcess>(ms_sim->Port(),
                                                    NginxProcess::Certificate::Plain, locations);
        ImageStore::GetConfig()->Write("/Site/webHost", wxString(nginx->HostPort()));
        SiteEndpoints::Load();
        return nginx;
    }

    // nginx's answer to the performer list.
    static std::string ListAnswer(const std::string& directives) {
        return "location = /include/js/online_performers.js { " + directives + " }";
    }

    static void ExpectBaseList(const UserList& list) {
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list.GetUser("anna").GetStatus(), 0x03u);
        EXPECT_EQ(list.GetUser("bob").GetStatus(), 0x0Du);
    }

    static void ExpectGiveUpBox(const MessageBoxRecorder::Box& box) {
        EXPECT_TRUE(box.isMessageBox);
        EXPECT_TRUE(box.onMainThread);
        EXPECT_EQ(box.message,
                  "Could not get response from server\nPlease execute it after a while.");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.style & (wxOK | wxICON_ERROR), wxOK | wxICON_ERROR);
        EXPECT_EQ(box.style & (wxYES_NO | wxCANCEL), 0);
    }

    static SiteSimProcess* ms_sim;
    Site* m_site = nullptr;
    ExitRecordingFrame* m_frame = nullptr;
    std::string m_dir;
    int m_scripts = 0;
};

SiteSimProcess* KestovaSiteTest::ms_sim = nullptr;

} // namespace

TEST_F(KestovaSiteTest, SuccessInstallsTheListAndReturnsTheInterval) {
    ExpectBaseList(m_site->GetUserList());
    const auto log = ms_sim->LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().rfind("GET\t/include/js/online_performers.js\t127.0.0.1", 0), 0u)
        << log.back();

    Serve("carl.viewers = 2;\nprivate_performers.add(carl);\n");
    EXPECT_EQ(m_site->UpdateUserList(), 10000);
    ASSERT_EQ(m_site->GetUserList().size(), 1u);
    EXPECT_EQ(m_site->GetUserList().GetUser("carl").GetStatus(), 0x15u);

    // Clamped to what a wait in milliseconds can hold, and to at least a second.
    for (const auto& [setting, interval] : {std::pair{1000000000000L, INT_MAX / 1000 * 1000},
                                            {4L, 4000},
                                            {1L, 1000},
                                            {0L, 1000},
                                            {-5L, 1000}}) {
        ImageStore::GetConfig()->Write("/System/syncinterval", setting);
        EXPECT_EQ(m_site->UpdateUserList(), interval) << "syncinterval " << setting;
    }

    // Nobody online is a successful download too (the script's preamble alone).
    Serve("var online = new PerformerList();\n");
    EXPECT_EQ(m_site->UpdateUserList(), 1000);
    EXPECT_TRUE(m_site->GetUserList().empty());
}

TEST_F(KestovaSiteTest, FailuresBackOffAndTheTenthInARowGivesUpWithOneBoxThenExits) {
    MessageBoxRecorder boxes;
    // The wait doubles from 1 s up to the interval, 10 s by default.
    EXPECT_EQ(FailTimes(9),
              (std::vector<int>{1000, 2000, 4000, 8000, 10000, 10000, 10000, 10000, 10000}));
    PumpEvents(50);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(m_frame->ExitCount(), 0u);

    // The exit must not be on its way before the box was closed.
    boxes.whileShown = [&] {
        PumpEvents(20);
        EXPECT_EQ(m_frame->ExitCount(), 0u);
    };
    EXPECT_EQ(FailTimes(1), std::vector<int>{Site::GAVE_UP});
    ASSERT_EQ(boxes.Count(), 1u);
    ExpectGiveUpBox(boxes.boxes[0]);
    ASSERT_TRUE(WaitFor([&] { return m_frame->ExitCount() == 1; }));

    // One box per give-up: a further failure starts a new series, silently.
    EXPECT_EQ(FailTimes(1), std::vector<int>{1000});
    PumpEvents(50);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(m_frame->ExitCount(), 1u);
    ExpectBaseList(m_site->GetUserList());

    // A success resets the count and the wait; the interval caps the wait as it is now.
    ASSERT_GT(m_site->UpdateUserList(), 0);
    ImageStore::GetConfig()->Write("/System/syncinterval", 3L);
    EXPECT_EQ(FailTimes(9),
              (std::vector<int>{1000, 2000, 3000, 3000, 3000, 3000, 3000, 3000, 3000}));
    PumpEvents(50);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(m_frame->ExitCount(), 1u);
}

TEST_F(KestovaSiteTest, WorkerWaitsWhileTheBoxIsUpOnTheGuiThread) {
    MessageBoxRecorder boxes;
    FailTimes(9);
    Fault("refuse");
    auto thread = std::make_unique<SiteUpdateThread>(m_site);
    bool finishedWhileShown = true;
    boxes.whileShown = [&] { finishedWhileShown = thread->finished; };
    ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    ASSERT_TRUE(WaitFor([&] { return thread->finished.load(); }));
    thread->Wait();

    ASSERT_EQ(boxes.Count(), 1u);
    ExpectGiveUpBox(boxes.boxes[0]);
    EXPECT_FALSE(finishedWhileShown);
    EXPECT_EQ(thread->result, 0);
    EXPECT_TRUE(WaitFor([&] { return m_frame->ExitCount() == 1; }));
}

TEST_F(KestovaSiteTest, StopRequestEndsTheWaitForTheBox) {
    MessageBoxRecorder boxes;
    FailTimes(9);
    PumpEvents(20);
    Fault("refuse");
    auto thread = std::make_unique<SiteUpdateThread>(m_site);
    ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    // The box is queued for the GUI thread, which is busy here and cannot show it.
    wxStopWatch queued;
    while (!wxTheApp->HasPendingEvents() && queued.Time() < 5000)
        wxMilliSleep(5);
    ASSERT_TRUE(wxTheApp->HasPendingEvents());

    wxStopWatch stopping;
    thread->Delete();
    EXPECT_LT(stopping.Time(), 2000);
    EXPECT_TRUE(thread->finished);
    EXPECT_EQ(thread->result, 0);

    // The queued call finds nobody waiting: no box, no exit.
    PumpEvents(100);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(m_frame->ExitCount(), 0u);
}

// Each failure keeps the list and is logged with what went wrong; the first success after
// them says so too.
TEST_F(KestovaSiteTest, BrokenTransfersKeepTheOldListAndSayWhy) {
    MessageBoxRecorder boxes;
    LogCapture log;
    const std::string site = ms_sim->HostPort();
    struct Case {
        const char* fault;
        std::string reason;
    };
    for (const Case& c : std::vector<Case>{
             {"cut&count=1", "performer list: body cut after "},
             {"500&count=1", "performer list: HTTP 500 from " + site},
             // A portal's redirect is followed, to a host that is not there.
             {"302&count=1", "performer list: Could not resolve host: portal.example"},
             // No answer within the time-out is a failure, not a hang.
             {"delay&ms=6000&count=1",
              "performer list: time-out waiting for the reply from " + site}}) {
        Fault(c.fault);
        wxStopWatch watch;
        EXPECT_EQ(m_site->UpdateUserList(), 0) << c.fault;
        EXPECT_LT(watch.Time(), 5000);
        ExpectBaseList(m_site->GetUserList());
        EXPECT_TRUE(log.Holds(c.reason)) << c.fault;
    }

    // Without an announced length the end of the connection is the end of the script.
    Serve("carl.viewers = 1;\nonline_performers.add(carl);\n");
    Fault("nolength&count=1");
    EXPECT_GT(m_site->UpdateUserList(), 0);
    ASSERT_EQ(m_site->GetUserList().size(), 1u);
    EXPECT_EQ(m_site->GetUserList().GetUser("carl").GetStatus(), 0x01u);
    EXPECT_TRUE(log.Holds("performer list: back after 4 failures"));

    // A compressed body cut in the middle is no shorter list either.
    Fault("gzipcut&count=1");
    EXPECT_EQ(m_site->UpdateUserList(), 0);
    EXPECT_EQ(m_site->GetUserList().size(), 1u);
    EXPECT_EQ(ConnectionStatus::Get().failure.GetKind(), FailureReason::Kind::CUT);

    // Cut transfers count toward giving up like any other failure.
    Fault("cut&count=10");
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(m_site->UpdateUserList(), 0);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(m_site->GetUserList().size(), 1u);
}

// The list is asked for compressed and with the validators of the last complete one: a list as
// it was comes as "304 Not Modified", which is a refresh with no change, after which the
// failures count from 0 again; a changed list comes whole.
TEST_F(KestovaSiteTest, AnUnchangedListIsNotSentAgainAndCountsAsARefresh) {
    MessageBoxRecorder boxes;
    const auto lastRequest = [] { return ms_sim->LogLines().back(); };
    EXPECT_NE(lastRequest().find("\tgzip"), std::string::npos) << lastRequest();
    EXPECT_EQ(m_site->UpdateUserList(), 10000);
    EXPECT_NE(lastRequest().find("if-none-match"), std::string::npos) << lastRequest();
    EXPECT_NE(lastRequest().find("304"), std::string::npos) << lastRequest();
    ExpectBaseList(m_site->GetUserList());

    FailTimes(9);
    EXPECT_EQ(m_site->UpdateUserList(), 10000);
    EXPECT_NE(lastRequest().find("304"), std::string::npos) << lastRequest();
    FailTimes(9);
    PumpEvents(50);
    EXPECT_EQ(boxes.Count(), 0u) << "the unchanged list did not reset the failures";

    Serve("carl.viewers = 2;\nprivate_performers.add(carl);\n");
    EXPECT_EQ(m_site->UpdateUserList(), 10000);
    EXPECT_EQ(lastRequest().find("304"), std::string::npos) << lastRequest();
    EXPECT_EQ(m_site->GetUserList().GetUser("carl").GetStatus(), 0x15u);
}

// Over https through a real server that compresses: one connection serves every refresh,
// and an unchanged list costs a few hundred bytes.
TEST_F(KestovaSiteTest, RefreshesOverHttpsKeepOneConnection) {
    NginxProcess nginx(ms_sim->Port());
    setenv("CURL_CA_BUNDLE", NginxProcess::CaFile().c_str(), 1);
    CurlSession::Initialise();
    ImageStore::GetConfig()->Write("/Site/webHost", wxString(nginx.HostPort()));
    ImageStore::GetConfig()->Write("/Site/scheme", "https");
    SiteEndpoints::Load();
    for (int refresh = 0; refresh < 3; ++refresh)
        EXPECT_EQ(m_site->UpdateUserList(), 10000) << "refresh " << refresh;
    unsetenv("CURL_CA_BUNDLE");
    CurlSession::Initialise();

    EXPECT_TRUE(nginx.WaitForRequests(3));
    const auto requests = nginx.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& request : requests)
        EXPECT_EQ(request.connection, requests[0].connection) << request.request;
    EXPECT_EQ(requests[0].status, 200);
    EXPECT_EQ(requests[2].status, 304);
    EXPECT_LT(requests[2].bytesSent, 500);
    ExpectBaseList(m_site->GetUserList());
}

TEST_F(KestovaSiteTest, StopRequestAbandonsALongParse) {
    MessageBoxRecorder boxes;
    FailTimes(7);
    // On a worker each performer costs a pause: this script takes seconds to parse, with the
    // default pause and with the longest, when the interval leaves that much rest.
    ImageStore::GetConfig()->Write("/System/syncinterval", 100L);
    std::string script;
    for (int i = 0; i < 500; ++i)
        script += "p" + std::to_string(i) + ".viewers = 1;\nonline_performers.add(x);\n";
    Serve(script);
    for (const long pause : {10L, 100L}) {
        ImageStore::GetConfig()->Write("/System/parsePause", pause);
        const size_t requests = ms_sim->LogLines().size();
        auto thread = std::make_unique<SiteUpdateThread>(m_site);
        ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
        ASSERT_TRUE(WaitFor([&] { return ms_sim->LogLines().size() > requests; }));

        wxStopWatch stopping;
        thread->Delete();
        EXPECT_LT(stopping.Time(), 2000) << "pause " << pause;
        EXPECT_EQ(thread->result, 0);
        ExpectBaseList(m_site->GetUserList());
    }

    // The abandoned downloads neither failed nor succeeded: the count is still 7.
    FailTimes(2);
    PumpEvents(20);
    EXPECT_EQ(boxes.Count(), 0u);
    FailTimes(1);
    EXPECT_EQ(boxes.Count(), 1u);
}

// The pause after each stored performer is "/System/parsePause", read with every refresh; out
// of range or not a number, it is 10 ms. The pauses of one list stop at a tenth of the refresh
// interval.
TEST_F(KestovaSiteTest, WorkerPausesAfterEachPerformerAsSet) {
    // Milliseconds that a refresh of a script of that many performers takes on a worker.
    int refreshes = 0;
    const auto refreshMs = [&](int performers) -> long {
        // A list that differs from the last, which an unchanged one would not be parsed.
        std::string script = "// refresh " + std::to_string(++refreshes) + "\n";
        for (int i = 0; i < performers; ++i)
            script += "p" + std::to_string(i) + ".viewers = 1;\n";
        Serve(script);
        auto thread = std::make_unique<SiteUpdateThread>(m_site);
        wxStopWatch watch;
        EXPECT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
        EXPECT_TRUE(WaitFor([&] { return thread->finished.load(); }, 15000));
        const long ms = watch.Time();
        thread->Wait();
        EXPECT_EQ(thread->result,
                  ImageStore::GetConfig()->Read("/System/syncinterval", 10L) * 1000);
        EXPECT_EQ(m_site->GetUserList().size(), static_cast<size_t>(performers));
        return ms;
    };
    auto config = [](const wxString& value) {
        ImageStore::GetConfig()->Write("/System/parsePause", value);
    };
    // Sizes that never fall to less than half, which would be held back.
    EXPECT_GE(refreshMs(40), 400) << "by default";
    config("30");
    EXPECT_GE(refreshMs(30), 900);
    config("100");
    ImageStore::GetConfig()->Write("/System/syncinterval", 30L);
    EXPECT_GE(refreshMs(20), 2000) << "the longest";
    ImageStore::GetConfig()->Write("/System/syncinterval", 10L);

    // Out of range or not a number: 10 ms each (101 would take 2 s here, 5000 100 s).
    for (const char* value : {"101", "-1", "5000", "fast"}) {
        config(value);
        const long ms = refreshMs(20);
        EXPECT_GE(ms, 200) << value;
        EXPECT_LT(ms, 2000) << value;
    }

    // 500 at 10 ms would rest 5 s: a second at the default interval, 0.3 s at 3 s.
    config("10");
    long ms = refreshMs(500);
    EXPECT_GE(ms, 1000);
    EXPECT_LT(ms, 4000);
    ImageStore::GetConfig()->Write("/System/syncinterval", 3L);
    ms = refreshMs(500);
    EXPECT_GE(ms, 300);
    EXPECT_LT(ms, 2500);
    ImageStore::GetConfig()->Write("/System/syncinterval", 10L);

    // No pause at all: with 10 ms each, these would rest 10 s at this interval.
    config("0");
    ImageStore::GetConfig()->Write("/System/syncinterval", 100L);
    EXPECT_LT(refreshMs(2000), 5000);
}

TEST_F(KestovaSiteTest, HostsChangedWhileAWorkerReadsThemServeTheNextRefresh) {
    SiteSimProcess other;
    const std::string script = m_dir + "/other.js";
    std::ofstream(script) << "carl.viewers = 2;\nonline_performers.add(carl);\n";
    ASSERT_EQ(other.Get("/_control/script?file=" + script), 200);
    // Long names, so that a reader copying one overlaps the writer long enough to be caught.
    const wxString hosts[] = {wxString('a', 60) + "." + wxString('b', 60) + "." +
                                  wxString('e', 60) + "." + wxString('f', 60) + ".test",
                              wxString('c', 60) + "." + wxString('d', 60) + "." +
                                  wxString('g', 60) + "." + wxString('h', 60) + ".test:8080"};
    const wxString urls[] = {"http://" + hosts[0] + "/x", "http://" + hosts[1] + "/x"};
    ImageStore::GetConfig()->Write("/Site/webHost", hosts[0]);
    SiteEndpoints::Load();
    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, mixed{0};
    std::thread reader([&] {
        while (!done) {
            const wxString url = SiteEndpoints::WebUrl("/x");
            mixed += url != urls[0] && url != urls[1];
            ++reads;
        }
    });
    // The preferences' OK, on the GUI thread, again and again.
    for (int i = 0; i < 50000 || reads < 50000; ++i) {
        ImageStore::GetConfig()->Write("/Site/webHost", hosts[i % 2]);
        SiteEndpoints::Load();
    }
    done = true;
    reader.join();
    EXPECT_EQ(mixed, 0) << "of " << reads << " reads";

    other.UseAsSite();

    ASSERT_GT(m_site->UpdateUserList(), 0);
    ASSERT_EQ(m_site->GetUserList().size(), 1u) << "the refresh went to the new site";
    EXPECT_EQ(m_site->GetUserList().GetUser("carl").GetStatus(), 0x01u);
}

// A 2xx answer that is a page, or empty, is a failure with its reason; the site answered, so
// such answers never give up, and they end a run of failures that would: a portal or a
// maintenance page for an hour keeps the program polling at the back-off, not closing it.
TEST_F(KestovaSiteTest, AnAnswerThatIsNoListIsAFailureThatNeverGivesUp) {
    MessageBoxRecorder boxes;
    LogCapture log;
    struct Case {
        std::string directives;
        std::string reason;
    };
    for (const Case& c : std::vector<Case>{
             {"default_type text/html; return 200 \"<html><body>Back soon</body></html>\";",
              "not a performer list (text/html)"},
             {"default_type \"application/xhtml+xml; charset=utf-8\"; return 200 \"<html/>\";",
              "not a performer list (application/xhtml+xml)"},
             {"default_type application/javascript; return 200 \"\";",
              "not a performer list (empty body)"}}) {
        const auto nginx = Front(ListAnswer(c.directives));
        std::vector<int> waits;
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(m_site->UpdateUserList(), 0) << c.reason;
            waits.push_back(m_site->GetRetryDelay());
        }
        EXPECT_EQ(waits, (std::vector<int>{1000, 2000, 4000, 8000, 10000, 10000, 10000, 10000,
                                           10000, 10000, 10000, 10000}))
            << c.reason;
        ExpectBaseList(m_site->GetUserList());
        EXPECT_TRUE(log.Holds("performer list: " + c.reason)) << c.reason;
        EXPECT_EQ(ConnectionStatus::Get().failure.GetText(), c.reason);
        ms_sim->UseAsSite();
        ASSERT_GT(m_site->UpdateUserList(), 0);
        EXPECT_TRUE(log.Holds("performer list: back after 12 failures"));
    }
    // Nine that the site did not answer, a page, nine more: no give-up.
    FailTimes(9);
    {
        const auto nginx = Front(ListAnswer("default_type text/html; return 200 \"<p>\";"));
        EXPECT_EQ(m_site->UpdateUserList(), 0);
    }
    ms_sim->UseAsSite();
    FailTimes(9);
    PumpEvents(50);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(m_frame->ExitCount(), 0u);
}

// A list that falls from 20 or more to fewer than half is kept back once: only a second such
// list is taken. A list that does not fall, or the site's word that the list is as it was,
// ends the hold.
TEST_F(KestovaSiteTest, AFallToFewerThanHalfIsTakenWhenTheNextListConfirmsIt) {
    LogCapture log;
    Serve(Performers(20));
    ASSERT_GT(m_site->UpdateUserList(), 0) << "from 2 to 20";

    Serve(Performers(9));
    EXPECT_EQ(m_site->UpdateUserList(), 0);
    EXPECT_EQ(m_site->GetRetryDelay(), 10000);
    EXPECT_EQ(m_site->GetUserList().size(), 20u);
    EXPECT_TRUE(log.Holds("performer list: 9 performers after 20, held until the next list "
                          "confirms it"));
    // The list is back as it was: the hold is over, the next fall is held again.
    Serve(Performers(20));
    EXPECT_EQ(m_site->UpdateUserList(), 10000);
    EXPECT_NE(ms_sim->LogLines().back().find("304"), std::string::npos);
    Serve(Performers(9));
    EXPECT_EQ(m_site->UpdateUserList(), 0);
    Serve(Performers(21, "q"));
    EXPECT_EQ(m_site->UpdateUserList(), 10000);
    EXPECT_EQ(m_site->GetUserList().size(), 21u);

    Serve(Performers(3));
    EXPECT_EQ(m_site->UpdateUserList(), 0);
    EXPECT_EQ(m_site->GetUserList().size(), 21u);
    EXPECT_EQ(m_site->UpdateUserList(), 10000) << "the same list again confirms it";
    EXPECT_EQ(m_site->GetUserList().size(), 3u);
    EXPECT_TRUE(log.Holds("performer list: 3 performers after 21, confirmed"));

    // At the bounds: from 19, or to exactly half, is taken at once.
    for (const auto& [from, to] : {std::pair{19, 9}, {20, 10}}) {
        Serve(Performers(from));
        ASSERT_EQ(m_site->UpdateUserList(), 10000);
        Serve(Performers(to, "r"));
        EXPECT_EQ(m_site->UpdateUserList(), 10000) << from << " to " << to;
        EXPECT_EQ(m_site->GetUserList().size(), static_cast<size_t>(to));
    }
}

// "429 Too Many Requests" or "503 Service Unavailable" with a "Retry-After": the next try
// waits that long (at least a second, at most ten minutes), shown as the next try, and never
// gives up. Without one they are failures as any.
TEST_F(KestovaSiteTest, TooManyRequestsWithRetryAfterWaitsAsToldAndNeverGivesUp) {
    MessageBoxRecorder boxes;
    LogCapture log;
    // An HTTP date 90 s from now, in English whatever the locale.
    static const char* const DAYS[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t in90s = std::time(nullptr) + 90;
    std::tm utc{};
    gmtime_r(&in90s, &utc);
    char date[40];
    std::snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d GMT", DAYS[utc.tm_wday],
                  utc.tm_mday, MONTHS[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    struct Case {
        std::string directives;
        int status;
        int waitMs;
    };
    for (const Case& c : std::vector<Case>{
             {"add_header Retry-After 120 always; return 429;", 429, 120000},
             {"add_header Retry-After \"" + std::string(date) + "\" always; return 503;", 503,
              90000},
             {"add_header Retry-After 86400 always; return 503;", 503, 600000},
             {"add_header Retry-After 0 always; return 429;", 429, 1000}}) {
        const auto nginx = Front(ListAnswer(c.directives));
        const std::string reason =
            "HTTP " + std::to_string(c.status) + " from " + nginx->HostPort();
        int waited = 0;
        for (int i = 0; i < 11; ++i) {
            EXPECT_EQ(m_site->UpdateUserList(), 0);
            waited = m_site->GetRetryDelay();
            // The date is whole seconds from now on the site's clock: a second or two off.
            EXPECT_NEAR(waited, c.waitMs, c.waitMs == 90000 ? 2000 : 0) << c.directives;
        }
        const ConnectionStatus::Snapshot status = ConnectionStatus::Get();
        EXPECT_EQ(status.failure.GetText(), reason);
        ASSERT_TRUE(status.nextTry.IsValid());
        EXPECT_NEAR((status.nextTry - wxDateTime::Now()).GetMilliseconds().ToDouble(), c.waitMs,
                    2000);
        EXPECT_TRUE(log.Holds("performer list: " + reason + ", asked to wait " +
                              std::to_string(waited / 1000) + " s"))
            << c.directives;
        ExpectBaseList(m_site->GetUserList());
    }
    PumpEvents(50);
    EXPECT_EQ(boxes.Count(), 0u);

    // Without the header (or with one that says nothing): the back-off.
    for (const char* directives :
         {"return 429;", "add_header Retry-After soon always; return 503;"}) {
        const auto nginx = Front(ListAnswer(directives));
        ms_sim->UseAsSite();
        ASSERT_GT(m_site->UpdateUserList(), 0);
        ImageStore::GetConfig()->Write("/Site/webHost", wxString(nginx->HostPort()));
        SiteEndpoints::Load();
        EXPECT_EQ(m_site->UpdateUserList(), 0);
        EXPECT_EQ(m_site->UpdateUserList(), 0);
        EXPECT_EQ(m_site->GetRetryDelay(), 2000) << directives;
    }
    ms_sim->UseAsSite();
    ASSERT_GT(m_site->UpdateUserList(), 0);
    {
        const auto nginx = Front(ListAnswer("return 503;"));
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(m_site->UpdateUserList(), 0);
    }
    EXPECT_EQ(boxes.Count(), 1u) << "ten 503 without a wait give up";
}

// A site that moved from http to https on its own host: the list follows, and the log says
// once what to switch on.
TEST_F(KestovaSiteTest, AListMovedToHttpsIsFollowedAndTheMoveLoggedOnce) {
    LogCapture log;
    NginxProcess secure(ms_sim->Port());
    setenv("CURL_CA_BUNDLE", NginxProcess::CaFile().c_str(), 1);
    CurlSession::Initialise();
    const auto nginx = Front(ListAnswer(
        "return 301 https://127.0.0.1:" + std::to_string(secure.Port()) + "$request_uri;"));
    Serve("carl.viewers = 2;\nprivate_performers.add(carl);\n");
    for (int refresh = 0; refresh < 3; ++refresh)
        EXPECT_EQ(m_site->UpdateUserList(), 10000) << "refresh " << refresh;
    unsetenv("CURL_CA_BUNDLE");
    CurlSession::Initialise();
    EXPECT_EQ(m_site->GetUserList().GetUser("carl").GetStatus(), 0x15u);
    // nginx logs a request once its answer has gone.
    EXPECT_TRUE(WaitFor([&] { return secure.Requests().size() == 3; }));
    size_t told = 0;
    for (const auto& message : log.messages)
        told += message.text == "127.0.0.1 moved to https: switch on \"Secure connection "
                                "(HTTPS)\" in the preferences";
    EXPECT_EQ(told, 1u);
}
