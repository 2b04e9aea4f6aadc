// Tool > Connection...: what the window shows while the site fails and comes back, and without
// a site at all, and Escape.
#include "ui/frame/ConnectionWindow.h"
#include "core/ConnectionStatus.h"
#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestEnvironment.h"
#include "ui/frame/NotifyIcon.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <string>

using namespace frametest;

namespace {

class ConnectionWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshSettings();
        ConnectionStatus::Reset();
    }
    void TearDown() override {
        TestSite().Get("/_control/clear");
        CloseAllWindows();
    }

    ConnectionWindow* Open(MainFrame* frame) {
        SendMenu(frame, MainFrame::ID_CONNECTION);
        ConnectionWindow* window = frame->GetConnectionWindow();
        EXPECT_TRUE(window && window->IsShown());
        return window;
    }
    static std::string Row(ConnectionWindow* window, const char* name) {
        return Control<wxStaticText>(*window, name)->GetLabel().utf8_string();
    }
    static bool RowHas(ConnectionWindow* window, const char* name, const std::string& text) {
        return Row(window, name).find(text) != std::string::npos;
    }
};

// The rows follow the refresh while the window is open: a list, the failure with its reason
// and the wait before the next try, then the list again.
TEST_F(ConnectionWindowTest, FollowsTheSiteFailingAndComingBack) {
    // A longer interval, so the waits after failures grow to seconds.
    ImageStore::GetConfig()->Write("/System/syncinterval", 5L);
    MainFrame* frame = OpenFrame();
    ConnectionWindow* window = Open(frame);
    ASSERT_TRUE(window);
    EXPECT_EQ(Row(window, "site"), "http://" + TestSite().HostPort() + "/");
    EXPECT_EQ(Row(window, "proxy"), "direct");
    EXPECT_TRUE(WaitFor([&] { return RowHas(window, "last list", "performers online"); }, 10000));
    EXPECT_EQ(Row(window, "last failure"), "none");
    EXPECT_FALSE(window->FindWindow(wxID_PREFERENCES)->IsShown());

    TestSite().Get("/_control/fault?path=%2Finclude%2Fjs&mode=500");
    EXPECT_TRUE(WaitFor(
        [&] {
            return RowHas(window, "last failure", "HTTP 500 from " + TestSite().HostPort()) &&
                   RowHas(window, "next try", "in ");
        },
        20000))
        << Row(window, "last failure") << " / " << Row(window, "next try");
    EXPECT_TRUE(RowHas(window, "this run", "transfers"));

    TestSite().Get("/_control/clear");
    const std::string before = Row(window, "last list");
    EXPECT_TRUE(WaitFor([&] { return Row(window, "last list") != before; }, 20000));
    EXPECT_TRUE(WaitFor([&] { return Row(window, "next try") == "-"; }, 5000));
}

// A placeholder site is never asked for anything, and the window and the tray's tooltip say
// there is no site, the window with the way to set one.
TEST_F(ConnectionWindowTest, WithoutASiteNothingIsAskedAndTheWindowSaysSo) {
    ImageStore::GetConfig()->Write("/Site/webHost", wxString(SiteEndpoints::DEFAULT_WEB_HOST));
    SiteEndpoints::Load();
    const size_t requests = TestSite().LogLines().size();
    // Nothing goes through it: only its row is read, without the password, which holds ":" and
    // "@" as typed.
    ScopedEnvironment environment;
    environment.Set("http_proxy", "http://rod:s3:cr@t@proxy.test:3128/");
    MainFrame* frame = OpenFrame();
    ASSERT_TRUE(WaitFor([] { return !ConnectionStatus::Get().siteSet; }, 10000));
    ConnectionWindow* window = Open(frame);
    ASSERT_TRUE(window);
    EXPECT_EQ(Row(window, "site"), "No site set");
    EXPECT_EQ(Row(window, "proxy"), "http://proxy.test:3128");
    EXPECT_TRUE(window->FindWindow(wxID_PREFERENCES)->IsShown());
    EXPECT_NE(frame->GetNotifyIcon()->GetTooltip().Find("No site set"), wxNOT_FOUND);
    EXPECT_FALSE(ConnectionStatus::Get().lastFailure.IsValid());
    EXPECT_EQ(TestSite().LogLines().size(), requests);

    // Escape closes it (which hides it).
    window->Raise();
    window->FindWindow(wxID_PREFERENCES)->SetFocus();
    ASSERT_TRUE(WaitFor([&] { return window->IsActive(); }));
    wxUIActionSimulator().Char(WXK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !window->IsShown(); }));
}

} // namespace
