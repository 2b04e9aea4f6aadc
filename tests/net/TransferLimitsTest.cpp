#include "core/Site.h"
#include "net/DownloadThread.h"
#include "net/DownloadThreadsModule.h"
#include "net/wxHTTP2.h"
#include "tests/support/SiteSimProcess.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/thread.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
const char SCRIPT[] = "/include/js/online_performers.js";

// Servers that stall or drip: every road of a download (the download thread with or without
// a client of the caller's, and the refresh thread's script) ends, as a failure, when the
// server stops sending or the thread is asked to stop.
class TransferLimitsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ms_site = new SiteSimProcess({"--performers", "12", "--tick", "0"});
    }
    static void TearDownTestSuite() {
        delete ms_site;
        ms_site = nullptr;
    }
    void SetUp() override {
        TestEnvironment::ResetConfig();
        ms_site->UseAsSite();
        ASSERT_EQ(ms_site->Get("/_control/clear"), 200);
    }
    void TearDown() override {
        ms_site->Get("/_control/clear");
        EXPECT_TRUE(DownloadThreadsModule::WaitUntilIdle(10000));
        TestEnvironment::ResetConfig();
    }

    static void Fault(const std::string& path, const std::string& rest) {
        ASSERT_EQ(ms_site->Get("/_control/fault?path=" + path + "&" + rest), 200);
    }
    static size_t Requests() { return ms_site->LogLines().size(); }

    static SiteSimProcess* ms_site;
};

SiteSimProcess* TransferLimitsTest::ms_site = nullptr;

// Runs the site's refresh once, as the refresh thread does.
class RefreshThread : public wxThread {
public:
    RefreshThread() : wxThread(wxTHREAD_JOINABLE) {}
    std::atomic<int> result{-1};

protected:
    ExitCode Entry() override {
        result = Site::GetInstance()->UpdateUserList();
        return nullptr;
    }
};

// Half a body and no length, then silence past the time-out: not a short body but a failure,
// or a thumbnail would show half a picture and a script would drop performers.
TEST_F(TransferLimitsTest, AStallAfterHalfABodyWithoutLengthIsAFailure) {
    Fault("/_echo", "mode=stall&ms=6000");
    for (const bool withClient : {false, true}) {
        SCOPED_TRACE(withClient ? "with a client" : "through the URL");
        int events = 0;
        bool gotBody = true;
        wxEvtHandler target;
        target.Bind(wxEVT_DOWNLOAD_FINISHED, [&](wxCommandEvent& event) {
            ++events;
            gotBody = event.GetClientData() != nullptr;
            delete[] static_cast<char*>(event.GetClientData());
        });
        auto* url = new wxURL(wxString::FromUTF8(ms_site->Url("/_echo")));
        wxHTTP* client = nullptr;
        if (withClient) {
            client = new wxHTTP2;
            client->SetTimeout(1);
        } else {
            url->GetProtocol().SetTimeout(1);
        }
        ASSERT_TRUE(DownloadThread::Start(&target, -1, url, client));
        ASSERT_TRUE(WaitFor([&] { return events > 0; }, 5500));
        EXPECT_FALSE(gotBody);
    }
    Fault(SCRIPT, "mode=stall&ms=6000");
    EXPECT_EQ(Site::GetInstance()->UpdateUserList(), 0);
}

// A script dripping a byte every half second would keep the refresh thread in one read for
// as long as the server likes; closing the main window waits for that thread.
TEST_F(TransferLimitsTest, AStopEndsARefreshWhoseScriptDrips) {
    Fault(SCRIPT, "mode=drip&ms=500");
    const size_t before = Requests();
    RefreshThread thread;
    ASSERT_EQ(thread.Run(), wxTHREAD_NO_ERROR);
    ASSERT_TRUE(WaitFor([&] { return Requests() > before; }, 10000));
    const auto start = Clock::now();
    thread.Delete();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(thread.result, 0);
}

} // namespace
