// "&UpdateFavorite" against the simulated site: the account dialog, the login check, the
// favourites tree and page, the filter of the pop-ups.
#include "core/Site.h"
#include "core/SiteEndpoints.h"
#include "history/HistoryStore.h"
#include "net/DownloadThreadsModule.h"
#include "resources/EventLog.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/NginxProcess.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StandardErrorCapture.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TinyProxyProcess.h"
#include "ui/frame/LoginQuery.h"
#include "ui/history/HistoryService.h"
#include "ui/history/HistoryWindow.h"
#include "ui/trees/AllTreeCtrl.h"
#include "ui/trees/FavoriteTreeCtrl.h"

#include <gtest/gtest.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>
#include <wx/tokenzr.h>
#include <wx/weakref.h>

#include <algorithm>
#include <fstream>
#include <set>

using namespace frametest;

namespace {

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshSettings();
        TestSite().Get("/_control/set?name=fav_free&state=free");
        TestSite().Get("/_control/set?name=fav_busy&state=busy");
        TestSite().Get("/_control/set?name=fav_gone&state=offline");
        TestSite().Get("/_control/set?name=stranger&state=offline");
        m_frame = OpenFrame();
        // The favourites' statuses come from the site's current list: wait until it has them.
        ASSERT_TRUE(
            WaitFor([] { return SiteHasOnline("fav_free") && SiteHasOnline("fav_busy"); }, 10000));
    }
    void TearDown() override {
        EXPECT_EQ(0u, m_answers.Pending()) << "an expected dialog did not appear";
        CloseAllWindows();
    }

    void Update() { SendMenu(m_frame, MainFrame::ID_UPDATE_FAVORITE); }
    bool WaitForLogin() {
        return WaitFor([this] { return m_frame->AreFavoritesLoaded(); }, 10000);
    }
    std::set<wxString> StoredFavorites() {
        std::set<wxString> names;
        wxStringTokenizer pieces(ImageStore::GetConfig()->Read("/favorites", ""), ",");
        while (pieces.HasMoreTokens())
            names.insert(pieces.GetNextToken());
        return names;
    }

    ModalAnswerer m_answers;
    MainFrame* m_frame = nullptr;
};

} // namespace

TEST_F(LoginTest, SuccessFillsTheFavouritesAndLaterUpdatesAskNothing) {
    m_answers.Expect(AnswerAccount("demo", "secret"));
    Update();
    ASSERT_TRUE(WaitForLogin());
    EXPECT_EQ("demo", ImageStore::GetConfig()->Read("/id", ""));
    EXPECT_EQ("secret", ImageStore::GetConfig()->Read("/password", ""));

    FavoriteTreeCtrl* tree = m_frame->GetFavoriteTree();
    EXPECT_TRUE(WaitFor([tree] {
        return ChildNames(tree, tree->GetOnlineGroupItem()) ==
                   std::vector<std::string>{"fav_busy", "fav_free"} &&
               ChildNames(tree, tree->GetOfflineGroupItem()) ==
                   std::vector<std::string>{"fav_gone"};
    }));
    EXPECT_TRUE(m_frame->GetFavoritePage()->IsEnabled());
    EXPECT_EQ(1, m_frame->GetNotebook()->GetSelection());
    EXPECT_TRUE(m_frame->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));
    const wxString value = ImageStore::GetConfig()->Read("/favorites", "");
    EXPECT_EQ(3u, value.Freq(','));
    EXPECT_TRUE(value.EndsWith(","));
    EXPECT_EQ((std::set<wxString>{"fav_free", "fav_busy", "fav_gone"}), StoredFavorites());

    // The tree follows the site from now on.
    TestSite().Get("/_control/set?name=fav_gone&state=free");
    EXPECT_TRUE(
        WaitFor([tree] { return ChildNames(tree, tree->GetOfflineGroupItem()).empty(); }, 10000));

    // Loaded: the stored account is used at once; a failure now keeps the favourites quietly.
    const size_t before = LoginRequests();
    Update();
    EXPECT_TRUE(WaitFor([&] { return LoginRequests() == before + 1; }));
    TestSite().Get("/_control/fault?path=%2Fzirovudaroro&mode=500");
    Update();
    EXPECT_TRUE(WaitFor([&] { return LoginRequests() == before + 2; }));
    PumpEvents(300);
    EXPECT_TRUE(m_answers.GetShown().size() == 1) << "only the first update may ask";
    EXPECT_EQ(3u, StoredFavorites().size());
    EXPECT_EQ(3u, tree->GetChildrenCount(tree->GetRootItem()) - 2);
}

TEST_F(LoginTest, LoginBeforeTheFirstListKeepsTheTreeToTheFavourites) {
    // A new start while the site refuses the list (waits of up to 3 s keep the give-up far).
    CloseFrame(m_frame);
    ImageStore::GetConfig()->Write("/System/syncinterval", 3L);
    TestSite().Get("/_control/fault?path=%2Finclude%2Fjs&mode=refuse");
    m_frame = OpenFrame();
    m_answers.Expect(AnswerAccount("demo", "secret"));
    Update();
    ASSERT_TRUE(WaitForLogin());

    // No list yet, so nobody is known to be online; the last run's list does not count.
    FavoriteTreeCtrl* tree = m_frame->GetFavoriteTree();
    EXPECT_TRUE(WaitFor([tree] {
        return ChildNames(tree, tree->GetOfflineGroupItem()) ==
               std::vector<std::string>{"fav_busy", "fav_free", "fav_gone"};
    }));
    EXPECT_TRUE(ChildNames(tree, tree->GetOnlineGroupItem()).empty());

    // The first list moves the favourites who are online, and only favourites are shown.
    TestSite().Get("/_control/clear");
    EXPECT_TRUE(WaitFor(
        [tree] {
            return ChildNames(tree, tree->GetOnlineGroupItem()) ==
                       std::vector<std::string>{"fav_busy", "fav_free"} &&
                   ChildNames(tree, tree->GetOfflineGroupItem()) ==
                       std::vector<std::string>{"fav_gone"};
        },
        15000));
    PumpEvents(300);
    EXPECT_EQ(3u, tree->GetChildrenCount(tree->GetRootItem()) - 2);
}

TEST_F(LoginTest, WrongPasswordSaysSoAndTheNextUpdateAsksAgainWithTheStoredValues) {
    LogCapture log;
    m_answers.Expect(AnswerAccount("demo", "wrong"));
    m_answers.Expect(AnswerOk());
    Update();
    ASSERT_TRUE(WaitFor([this] { return m_answers.GetShown().size() == 2; }, 10000));
    EXPECT_EQ("message", m_answers.GetShown()[1].kind);
    EXPECT_EQ("Could not login.", m_answers.GetShown()[1].message);
    EXPECT_EQ("Error", m_answers.GetShown()[1].title);
    EXPECT_FALSE(m_frame->AreFavoritesLoaded());
    EXPECT_FALSE(m_frame->GetFavoritePage()->IsEnabled());
    EXPECT_FALSE(m_frame->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));
    EXPECT_FALSE(ImageStore::GetConfig()->HasEntry("/favorites"));
    EXPECT_TRUE(log.Holds("login check: HTTP 403 from " + TestSite().HostPort()));

    wxString seenId, seenPassword;
    m_answers.Expect(AnswerAccount("demo", "secret", &seenId, &seenPassword));
    Update();
    EXPECT_EQ("demo", seenId);
    EXPECT_EQ("wrong", seenPassword);
    ASSERT_TRUE(WaitForLogin());
    EXPECT_EQ(3u, StoredFavorites().size());
}

// The password is in the login check's query: a redirect to another host is not followed, and
// the login fails with that reason.
TEST_F(LoginTest, ARedirectToAnotherHostIsAFailedLogin) {
    LogCapture log;
    NginxProcess nginx(TestSite().Port(), NginxProcess::Certificate::Plain,
                       "location = /zirovudaroro { return 302 http://localhost:" +
                           std::to_string(TestSite().Port()) + "$request_uri; }");
    ImageStore::GetConfig()->Write("/Site/webHost", wxString(nginx.HostPort()));
    SiteEndpoints::Load();
    const size_t before = LoginRequests();
    m_answers.Expect(AnswerAccount("demo", "secret"));
    m_answers.Expect(AnswerOk());
    Update();
    ASSERT_TRUE(WaitFor([this] { return m_answers.GetShown().size() == 2; }, 10000));
    EXPECT_EQ("Could not login.", m_answers.GetShown()[1].message);
    EXPECT_FALSE(m_frame->AreFavoritesLoaded());
    EXPECT_TRUE(log.Holds("login check: redirect to another host (localhost) not followed"));
    EXPECT_EQ(LoginRequests(), before);
}

TEST_F(LoginTest, CancelledDialogSendsNothing) {
    const size_t before = LoginRequests();
    m_answers.Expect([](wxDialog*) { return static_cast<int>(wxID_CANCEL); });
    Update();
    PumpEvents(500);
    EXPECT_EQ(before, LoginRequests());
    EXPECT_FALSE(ImageStore::GetConfig()->HasEntry("/id"));
}

TEST_F(LoginTest, PasswordWithQueryDelimitersLogsIn) {
    m_answers.Expect(AnswerAccount("odd", ODD_PASSWORD));
    Update();
    ASSERT_TRUE(WaitForLogin());
    EXPECT_EQ((std::set<wxString>{"fav_free"}), StoredFavorites());
    bool encoded = false;
    for (const std::string& line : TestSite().LogLines())
        encoded |= line.find("/zirovudaroro?username=odd&password=a%26b%20c%3D%23%25%2B") !=
                   std::string::npos;
    EXPECT_TRUE(encoded);
}

TEST_F(LoginTest, WithTheFilterOnOnlyFavouritesGetPopups) {
    m_answers.Expect(AnswerAccount("demo", "secret"));
    Update();
    ASSERT_TRUE(WaitForLogin());

    wxMenuBar* bar = m_frame->GetMenuBar();
    bar->Check(ID_POPUP_ONLY_FAVORITE, true);
    SendMenu(m_frame, ID_POPUP_ONLY_FAVORITE, true);
    EXPECT_TRUE(ImageStore::GetConfig()->ReadBool("/PopupDialog/onlyFavorite", false));

    TestSite().Get("/_control/set?name=stranger&state=free");
    TestSite().Get("/_control/set?name=fav_gone&state=free");
    ASSERT_TRUE(WaitFor(
        [] {
            const auto names = PopupNames();
            return std::count(names.begin(), names.end(), "fav_gone") == 1;
        },
        10000));
    PumpEvents(300);
    const auto names = PopupNames();
    EXPECT_EQ(0, std::count(names.begin(), names.end(), "stranger"));

    // Off again: everybody is announced.
    bar->Check(ID_POPUP_ONLY_FAVORITE, false);
    SendMenu(m_frame, ID_POPUP_ONLY_FAVORITE, false);
    EXPECT_FALSE(ImageStore::GetConfig()->ReadBool("/PopupDialog/onlyFavorite", true));
    TestSite().Get("/_control/set?name=stranger&state=offline");
    ASSERT_TRUE(WaitFor([] { return !SiteHasOnline("stranger"); }, 10000));
    TestSite().Get("/_control/set?name=stranger&state=free");
    EXPECT_TRUE(WaitFor(
        [] {
            const auto names = PopupNames();
            return std::count(names.begin(), names.end(), "stranger") == 1;
        },
        10000));
}

TEST_F(LoginTest, ReplyAfterTheFrameIsGoneReachesNothing) {
    TestSite().Get("/_control/fault?path=%2Fzirovudaroro&mode=delay&ms=1500");
    m_answers.Expect(AnswerAccount("demo", "secret"));
    const size_t before = LoginRequests();
    Update();
    PumpEvents(300);
    CloseFrame(m_frame);
    m_frame = nullptr;
    // The reply comes after the frame was destroyed; it must change nothing and show nothing.
    PumpEvents(2500);
    EXPECT_EQ(before + 1, LoginRequests());
    EXPECT_FALSE(ImageStore::GetConfig()->HasEntry("/favorites"));
    EXPECT_EQ(1u, m_answers.GetShown().size());
}

// After the login the favourites' sessions are recorded from the refresh; a favourite's "When
// online..." opens her window, the all-users tree's only with the scope "all".
TEST_F(LoginTest, FavouritesAreRecordedAndWhenOnlineOpensTheirWindow) {
    m_answers.Expect(AnswerAccount("demo", "secret"));
    Update();
    ASSERT_TRUE(WaitForLogin());
    HistoryStore& store = m_frame->GetHistory()->GetStore();
    const auto sessions = [&store](const wxString& name) {
        store.WaitUntilWritten(5000);
        PerformerHistory history;
        wxString why;
        EXPECT_TRUE(
            store.LoadPerformer(name, wxDateTime::Now().GetTicks() + 60, 90, &history, &why));
        return history.sessions.size();
    };
    EXPECT_TRUE(
        WaitFor([&] { return sessions("fav_free") == 1 && sessions("fav_busy") == 1; }, 10000));
    EXPECT_EQ(0u, sessions("fav_gone"));

    const auto whenOnline = [](UserListTreeCtrl* tree, const wxString& name) {
        tree->SelectItem(tree->FindItem(User(name, 0), tree->GetRootItem(), true));
        wxCommandEvent command(wxEVT_MENU, UserListTreeCtrl::ID_WHEN_ONLINE);
        tree->GetEventHandler()->ProcessEvent(command);
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* history = dynamic_cast<HistoryWindow*>(window))
                if (history->GetPerformer() == name && !history->IsBeingDeleted())
                    return history;
        return static_cast<HistoryWindow*>(nullptr);
    };
    HistoryWindow* window = whenOnline(m_frame->GetFavoriteTree(), "fav_free");
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(window->GetSummary()->GetLabel().Contains("fav_free"));
    EXPECT_EQ(1, window->GetSessions()->GetItemCount());

    EXPECT_EQ(nullptr, whenOnline(m_frame->GetAllTree(), "fav_busy"));
    ImageStore::GetConfig()->Write("/History/scope", "all");
    m_frame->GetHistory()->SettingsChanged();
    EXPECT_NE(nullptr, whenOnline(m_frame->GetAllTree(), "fav_busy"));
}

// The login check's password goes in the check's own request, straight to the site, and
// nowhere else: not through the proxy that carries the rest, not into a trace or onto the
// standard error, not into any other request; nor does a refused one. The proxy's password
// stays out of the logs too.
TEST_F(LoginTest, ThePasswordTravelsOnlyInTheLoginCheck) {
    // Every transfer reads the environment: it changes only while none runs.
    CloseFrame(m_frame);
    ASSERT_TRUE(DownloadThreadsModule::WaitUntilIdle(10000));
    TinyProxyProcess proxy("rod", "s3cr.t-pw");
    ScopedEnvironment environment;
    environment.Set("http_proxy", proxy.Address("rod:s3cr%2Et-pw"));
    const size_t logged = TestSite().LogLines().size();
    // The program's own log, traces included (as with --verbose): its file and the standard
    // error.
    environment.Set("XDG_STATE_HOME", TestEnvironment::MakeTempDir("state"));
    StandardErrorCapture errors;
    std::vector<std::string> traces;
    {
        LogCapture host;
        EventLog::Install();
        wxLog::AddTraceMask(ROD_TRACE);
        // A failed list says why on the standard error: that road is open.
        TestSite().Get("/_control/fault?path=%2Finclude%2Fjs&mode=500&count=1");
        m_frame = OpenFrame();
        m_answers.Expect(AnswerAccount("odd", "n0t+the=pw"));
        m_answers.Expect(AnswerOk());
        Update();
        EXPECT_TRUE(WaitFor([this] { return m_answers.GetShown().size() == 2; }, 10000));
        m_answers.Expect(AnswerAccount("odd", ODD_PASSWORD));
        Update();
        EXPECT_TRUE(WaitForLogin());
        EXPECT_TRUE(
            WaitFor([&] { return proxy.Log().find("online_performers.js") != std::string::npos; }));
        CloseFrame(m_frame);
        m_frame = nullptr;
        EXPECT_TRUE(DownloadThreadsModule::WaitUntilIdle(10000));
        wxLog::RemoveTraceMask(ROD_TRACE);
        wxLog::FlushActive();
        EventLog::Uninstall();
        std::ifstream file(EventLog::FilePath().ToStdString());
        for (std::string line; std::getline(file, line);)
            traces.push_back(line);
    }
    EXPECT_FALSE(LinesHolding(traces, {"/zirovudaroro"}).empty());
    EXPECT_FALSE(LinesHolding(traces, {"performer list: HTTP 500"}).empty());
    EXPECT_FALSE(LinesHolding(errors.Lines(), {"performer list: HTTP 500"}).empty());

    std::vector<std::string> site = TestSite().LogLines();
    site.erase(site.begin(), site.begin() + static_cast<long>(logged));
    const std::vector<std::string> none;
    for (const char* password : {"n0t+the=pw", ODD_PASSWORD}) {
        SCOPED_TRACE(password);
        const std::vector<std::string> forms = {
            password, LoginQuery::PercentEncode(wxString::FromUTF8(password)).utf8_string()};
        const std::vector<std::string> requests = LinesHolding(site, forms);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].rfind("GET\t/zirovudaroro?username=odd&password=", 0), 0u);
        EXPECT_EQ(LinesHolding(SplitLines(proxy.Log()), forms), none);
        EXPECT_EQ(LinesHolding(traces, forms), none);
        EXPECT_EQ(LinesHolding(errors.Lines(), forms), none);
    }
    const std::vector<std::string> proxyPassword = {"s3cr.t-pw", "s3cr%2Et-pw"};
    EXPECT_EQ(LinesHolding(traces, proxyPassword), none);
    EXPECT_EQ(LinesHolding(errors.Lines(), proxyPassword), none);
}
