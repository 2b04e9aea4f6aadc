// What the manager keeps of the announcements: the "Recent" window, and the departures that
// let a quick return pass without a pop-up.
#include "tests/popup/PopupManagerFixture.h"

#include "resources/ImageStore.h"
#include "tests/support/BrowserRecorder.h"
#include "ui/history/HistoryService.h"
#include "ui/popup/RecentListCtrl.h"
#include "ui/popup/RecentWindow.h"

#include <wx/uiaction.h>

namespace {

// Sites drop people for a refresh now and then: with a grace of two lists, a performer back
// after missing at most two is no news, unless it came back better (busy before, free now);
// likewise at the longest grace, ten.
TEST_F(PopupDialogManagerTest, AReturnWithinTheGraceIsNoNewsUnlessItBecameFree) {
    ImageStore::GetConfig()->Write("/PopupDialog/graceRefreshes", 2);
    Left("kasa", ONLINE_FREE_PUBLIC, 5);
    EXPECT_EQ(Back("kasa", ONLINE_FREE_PUBLIC, 7), List{}) << "missing from two lists";
    Left("kasa", ONLINE_FREE_PUBLIC, 8);
    EXPECT_EQ(Back("kasa", ONLINE_FREE_PUBLIC, 11), (List{{"kasa", PopupDialog::KIND_ONLINE}}))
        << "missing from three lists";
    Left("miro", ONLINE_BUSY_PUBLIC, 12);
    EXPECT_EQ(Back("miro", ONLINE_FREE_PUBLIC, 13), (List{{"miro", PopupDialog::KIND_FREE}}));
    EXPECT_EQ(Back("nova", ONLINE_FREE_PUBLIC, 13), (List{{"nova", PopupDialog::KIND_ONLINE}}))
        << "never seen leaving";

    // A change from anywhere else than the refresh thread has no list to count by.
    Left("tovi", ONLINE_FREE_PUBLIC, 0);
    EXPECT_EQ(Back("tovi", ONLINE_FREE_PUBLIC, 0), (List{{"tovi", PopupDialog::KIND_ONLINE}}));

    // No grace: every return is news, as it always was.
    ImageStore::GetConfig()->Write("/PopupDialog/graceRefreshes", 0);
    Left("sane", ONLINE_FREE_PUBLIC, 20);
    EXPECT_EQ(Back("sane", ONLINE_FREE_PUBLIC, 21), (List{{"sane", PopupDialog::KIND_ONLINE}}));

    // The longest grace: a departure is remembered for as many lists.
    ImageStore::GetConfig()->Write("/PopupDialog/graceRefreshes", 10);
    Left("luka", ONLINE_FREE_PUBLIC, 30);
    EXPECT_EQ(Back("luka", ONLINE_FREE_PUBLIC, 40), List{}) << "missing from ten lists";
    Left("luka", ONLINE_FREE_PUBLIC, 41);
    EXPECT_EQ(Back("luka", ONLINE_FREE_PUBLIC, 52), (List{{"luka", PopupDialog::KIND_ONLINE}}))
        << "missing from eleven lists";
}

// The "Recent" window lists every announcement, newest first and at most 200, with what
// became of it; it follows while open without taking the focus, and opens the preview page.
TEST_F(PopupDialogManagerTest, RecentListsTheNewestFirstAndFollowsWithoutTakingTheFocusTillEscape) {
    BrowserRecorder browser;
    ImageStore::GetConfig()->Write("/favorites", "anna,");
    MakeFrame(true, true);
    m_manager.ShowRecent();
    RecentWindow* window = m_manager.GetRecentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetTitle(), "Recent");
    m_frame->Show();
    m_frame->Raise();
    ASSERT_TRUE(WaitFor([&] { return m_frame->IsActive(); }));

    MakeKnown("anna");
    Added("anna", ONLINE_BUSY_PUBLIC);
    Added("bea", ONLINE_FREE_PUBLIC);
    Changed("anna", ONLINE_BUSY_PUBLIC, ONLINE_FREE_PUBLIC);
    RecentListCtrl* list = window->GetListCtrl();
    ASSERT_TRUE(WaitFor([&] { return list->GetItemCount() == 3; }));
    const auto row = [list](long item) {
        std::vector<std::string> cells;
        for (int column = RecentListCtrl::COLUMN_NAME; column <= RecentListCtrl::COLUMN_OUTCOME;
             ++column)
            cells.push_back(list->GetItemText(item, column).utf8_string());
        return cells;
    };
    EXPECT_EQ(row(1), (std::vector<std::string>{"bea", "online", "filtered out"}));
    EXPECT_TRUE(WaitFor([&] { return row(2)[2] == "shown" && row(0)[2] == "shown"; }, 15000));
    EXPECT_EQ(row(0)[1], "free");
    EXPECT_EQ(row(2)[1], "online");
    EXPECT_TRUE(m_frame->IsActive()) << "an update took the focus";

    for (int i = 0; i < 250; ++i)
        Added(wxString::Format("other%03d", i), ONLINE_FREE_PUBLIC);
    ASSERT_TRUE(WaitFor([&] { return list->GetItemCount() == 200; }));
    EXPECT_EQ(row(0)[0], "other249");

    window->Raise();
    ASSERT_TRUE(WaitFor([&] { return window->IsActive(); }));
    wxRect rect;
    ASSERT_TRUE(list->GetItemRect(0, rect));
    wxUIActionSimulator sim;
    sim.MouseMove(list->ClientToScreen(rect.GetPosition() + wxPoint(20, rect.height / 2)));
    PumpEvents(100);
    sim.MouseDblClick();
    ASSERT_TRUE(browser.WaitForLaunches(1));
    EXPECT_EQ(browser.Launches()[0], "http://" + ms_site->HostPort() + "/preview.shtml?other249");

    // Escape closes it.
    ASSERT_TRUE(WaitFor([&] { return window->IsActive(); }));
    sim.Char(WXK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !m_manager.GetRecentWindow(); }));
}

// The "Recent" window's list outlives the run through the history file: the newest 200 with
// what became of each (one still waiting when the run ended was never shown), and the ids go on.
// Clearing the history empties it, in the file too.
TEST_F(PopupDialogManagerTest, RecentAnnouncementsComeBackAfterARestartUntilCleared) {
    const std::string path = TestEnvironment::MakeTempDir("recent") + "/history.sqlite3";
    {
        HistoryService history(nullptr, m_manager.GetRecent(), path);
        m_manager.SetPaused(true);
        for (int i = 0; i < 230; ++i)
            Added(wxString::Format("p%03d", i), ONLINE_FREE_PUBLIC);
        m_manager.SetPaused(false);
        Added("last", ONLINE_FREE_PUBLIC);
        ASSERT_EQ(RecentAnnouncements::WAITING, m_manager.GetRecent().GetNewest(0).outcome);
        ASSERT_TRUE(history.GetStore().WaitUntilWritten(10000));
    }
    PopupDialogManager next;
    const RecentAnnouncements& recent = next.GetRecent();
    {
        HistoryService history(nullptr, next.GetRecent(), path);
        ASSERT_EQ(200u, recent.GetCount());
        EXPECT_EQ("last", recent.GetNewest(0).name);
        EXPECT_EQ(RecentAnnouncements::NOT_SHOWN, recent.GetNewest(0).outcome);
        EXPECT_EQ("p229", recent.GetNewest(1).name);
        EXPECT_EQ(RecentAnnouncements::PAUSED, recent.GetNewest(1).outcome);
        EXPECT_EQ("p031", recent.GetNewest(199).name);
        const unsigned long lastId = recent.GetNewest(0).id;
        UserEvent added(User("again", ONLINE_FREE_PUBLIC), wxEVT_USER_ADDED,
                        UserEvent::NO_OLD_STATUS);
        next.ProcessEvent(added);
        EXPECT_EQ(lastId + 1, recent.GetNewest(0).id);

        history.Clear();
        EXPECT_EQ(0u, recent.GetCount());
        ASSERT_TRUE(history.GetStore().WaitUntilWritten(10000));
    }
    PopupDialogManager third;
    HistoryService history(nullptr, third.GetRecent(), path);
    EXPECT_EQ(0u, third.GetRecent().GetCount());
}

} // namespace
