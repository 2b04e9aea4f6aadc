// When the manager announces a performer, with which kind of pop-up, and what happens when
// more come than fit on the screen.
#include "tests/popup/PopupManagerFixture.h"

#include "core/UserListEvent.h"
#include "net/DownloadThreadsModule.h"
#include "resources/ImageStore.h"
#include "ui/popup/PopupSummary.h"
#include "ui/popup/ThumbnailQueue.h"

#include <wx/stattext.h>
#include <wx/weakref.h>

#include <algorithm>
#include <memory>
#include <set>

namespace {

// Spaces for the line breaks that wrapping put in.
std::string Unwrapped(const wxStaticText* label) {
    wxString text = label->GetLabel();
    text.Replace("\n", " ");
    return text.utf8_string();
}

// The thumbnails asked for after the first `from` requests of the site's log.
std::vector<std::string> ThumbnailRequests(const SiteSimProcess& site, size_t from) {
    std::vector<std::string> requests;
    const std::vector<std::string> lines = site.LogLines();
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i].find("\t/WebArchive/") != std::string::npos)
            requests.push_back(lines[i].substr(lines[i].find("/WebArchive/")));
    return requests;
}

TEST_F(PopupDialogManagerTest, AnnouncesComingOnlineAndBecomingFreeOnly) {
    UserList first;
    first.AddUser(User("kasa", ONLINE_FREE_PUBLIC));
    first.AddUser(User("miro", ONLINE_BUSY_PUBLIC));
    UserListEvent initial(wxEVT_USER_LIST_INITIALIZED, wxID_ANY);
    initial.SetUserList(first);
    EXPECT_EQ(Send(initial), List{}) << "the first list is no news";

    // Online and free at once is an "online" announcement.
    EXPECT_EQ(Added("luka", ONLINE_FREE_PUBLIC), (List{{"luka", PopupDialog::KIND_ONLINE}}));
    EXPECT_EQ(Added("sane", ONLINE_BUSY_PUBLIC), (List{{"sane", PopupDialog::KIND_ONLINE}}));
    // Listed without any state: nothing until it shows up online.
    EXPECT_EQ(Added("tovi", 0), List{});
    EXPECT_EQ(Changed("tovi", 0, ONLINE_FREE_PUBLIC), (List{{"tovi", PopupDialog::KIND_ONLINE}}));

    EXPECT_EQ(Changed("miro", 0x0D, 0x03), (List{{"miro", PopupDialog::KIND_FREE}}));
    EXPECT_EQ(Changed("kasa", 0x03, 0x05), List{}) << "free to busy";
    EXPECT_EQ(Changed("kasa", 0x09, 0x11), List{}) << "public to private";
    EXPECT_EQ(Changed("kasa", 0x0B, 0x0B | User::PRIVATE), List{});
    // A sender without an old status says nothing about having been busy.
    EXPECT_EQ(Changed("kasa", UserEvent::NO_OLD_STATUS, ONLINE_FREE_PUBLIC), List{});

    UserEvent gone(User("kasa", ONLINE_FREE_PUBLIC), wxEVT_USER_DELETED, ONLINE_FREE_PUBLIC);
    EXPECT_EQ(Send(gone), List{}) << "departures are not announced";
}

TEST_F(PopupDialogManagerTest, OnlyFavouritesWhileTheSwitchIsEnabledAndChecked) {
    ImageStore::GetConfig()->Write("/favorites", "anna,bea,");
    MakeFrame(true, true);
    EXPECT_EQ(Added("anna", ONLINE_FREE_PUBLIC), (List{{"anna", PopupDialog::KIND_ONLINE}}));
    EXPECT_EQ(Changed("bea", 0x0D, 0x0B), (List{{"bea", PopupDialog::KIND_FREE}}));
    EXPECT_EQ(Added("Anna", ONLINE_FREE_PUBLIC), List{}) << "names compare case-sensitively";
    EXPECT_EQ(Added("ann", ONLINE_FREE_PUBLIC), List{}) << "no prefixes";
    EXPECT_EQ(Added("anna,bea", ONLINE_FREE_PUBLIC), List{});

    // Still disabled (no favourites loaded yet in this run): the check mark means nothing.
    SetItem(false, true);
    EXPECT_EQ(Added("Anna", ONLINE_FREE_PUBLIC), (List{{"Anna", PopupDialog::KIND_ONLINE}}));
    SetItem(true, false);
    EXPECT_EQ(Added("carla", ONLINE_FREE_PUBLIC), (List{{"carla", PopupDialog::KIND_ONLINE}}));

    // On, with nobody in the favourites: nobody.
    SetItem(true, true);
    ImageStore::GetConfig()->Write("/favorites", "");
    EXPECT_EQ(Added("anna", ONLINE_FREE_PUBLIC), List{});
    ImageStore::GetConfig()->DeleteEntry("/favorites");
    EXPECT_EQ(Added("anna", ONLINE_FREE_PUBLIC), List{});
}

// A thousand in one refresh, where four fit: the first four get pop-ups (the fourth waits
// hidden, as the summary keeps the top place), the rest one summary with no window and no
// download of their own; later overflow goes into the same summary, and a click on it brings
// the main window back from the tray.
TEST_F(PopupDialogManagerTest, AFloodEndsAsThePopupsThatFitAndOneSummary) {
    PopupPlaces::SetWorkAreaProvider([] { return wxRect(0, 0, 1024, 740); });
    MakeFrame(false, false);
    const size_t logged = ms_site->LogLines().size();
    for (int i = 0; i < 1000; ++i) {
        UserEvent added(User(wxString::Format("flood%04d", i), ONLINE_FREE_PUBLIC),
                        wxEVT_USER_ADDED, UserEvent::NO_OLD_STATUS);
        m_manager.AddPendingEvent(added);
    }
    ASSERT_TRUE(WaitFor([&] { return m_manager.GetSummary(); }));
    PopupSummary* summary = m_manager.GetSummary();
    EXPECT_TRUE(WaitFor([&] { return summary->GetCount() == 996; }));
    EXPECT_LE(ThumbnailQueue::Running(), ThumbnailQueue::MAX_RUNNING);
    const std::vector<PopupDialog*> popups = LivePopups();
    ASSERT_EQ(popups.size(), 4u);
    ASSERT_TRUE(WaitFor([] { return PopupDialog::GetWaitingCount() == 1; }));
    const std::vector<int> placed = {290, 440, 590};
    std::vector<int> tops;
    WaitFor([&] {
        tops.clear();
        for (PopupDialog* popup : popups)
            if (popup->IsShown())
                tops.push_back(ScreenOrigin(popup).y);
        std::sort(tops.begin(), tops.end());
        return tops == placed;
    });
    EXPECT_EQ(tops, placed);
    // Where it really is: the toolkit's own idea of a window's place is not always kept up.
    EXPECT_TRUE(summary->IsShown());
    EXPECT_TRUE(WaitOnScreen(summary, wxPoint(874, 140)));
    PumpEvents(100);
    EXPECT_EQ(Unwrapped(summary->GetHeadlineLabel()), "996 more came online");
    EXPECT_EQ(summary->GetNamesLabel()->GetLabel().utf8_string(),
              "flood0004\nflood0005\nflood0006\n…");
    EXPECT_EQ(m_manager.GetRecent().GetNewest(0).outcome, RecentAnnouncements::FOLDED);
    EXPECT_EQ(ThumbnailRequests(*ms_site, logged).size(), 4u) << "only pop-ups fetch pictures";

    // A place comes free below the summary: the waiting pop-up takes it.
    const auto lowest = std::find_if(popups.begin(), popups.end(), [](PopupDialog* popup) {
        return popup->IsShown() && ScreenOrigin(popup).y == 590;
    });
    ASSERT_NE(lowest, popups.end());
    (*lowest)->Destroy();
    EXPECT_TRUE(WaitFor([] { return PopupDialog::GetWaitingCount() == 0; }));
    EXPECT_EQ(PopupDialog::GetShownCount(), 3);

    // The screen is still full: the next news goes into the summary, of both kinds now.
    EXPECT_EQ(Changed("late", ONLINE_BUSY_PUBLIC, ONLINE_FREE_PUBLIC), List{});
    EXPECT_EQ(summary->GetCount(), 997);
    PumpEvents(100);
    EXPECT_EQ(Unwrapped(summary->GetHeadlineLabel()), "997 more");

    m_frame->Show();
    ASSERT_TRUE(WaitFor([&] { return m_frame->IsActive(); }));
    // The window manager may pass over a request that comes too soon after the mapping.
    ASSERT_TRUE(WaitFor(
        [&] {
            if (!m_frame->IsIconized())
                m_frame->Iconize(true);
            return m_frame->IsIconized();
        },
        10000));
    m_frame->Hide();
    ClickAt(CentreOnScreen(summary->GetNamesLabel()));
    EXPECT_TRUE(WaitFor([&] { return m_frame->IsShown() && !m_frame->IsIconized(); }));
}

// A pop-up appears only when its picture's download has ended: one whose download cannot even
// start never appears, the "Recent" window says so, and its place is free for the next.
TEST_F(PopupDialogManagerTest, APopupWhoseDownloadCannotStartNeverAppears) {
    MakeKnown("noa");
    MakeKnown("ilo");
    DownloadThreadsModule module;
    module.OnExit();
    EXPECT_EQ(Added("noa", ONLINE_FREE_PUBLIC), (List{{"noa", PopupDialog::KIND_ONLINE}}));
    wxWeakRef<PopupDialog> popup(LivePopups().at(0));
    EXPECT_TRUE(WaitFor([&] { return !popup; }));
    EXPECT_EQ(PopupDialog::GetShownCount(), 0);
    EXPECT_TRUE(WaitFor([&] {
        return m_manager.GetRecent().GetNewest(0).outcome == RecentAnnouncements::NOT_SHOWN;
    }));

    ASSERT_TRUE(module.OnInit());
    EXPECT_EQ(Added("ilo", ONLINE_FREE_PUBLIC), (List{{"ilo", PopupDialog::KIND_ONLINE}}));
    EXPECT_TRUE(WaitShown(LivePopups().at(0)));
}

// The smallest world, a work area lower than one pop-up, has one place: the first gets it, the
// second waits (as many wait as fit), the third brings the summary of the two, in the area's
// top once the first has gone from it. It names as many as it lists, and an ellipsis only for
// more.
TEST_F(PopupDialogManagerTest, InAnAreaLowerThanAPopupTheThirdBringsTheSummary) {
    PopupPlaces::SetWorkAreaProvider([] { return wxRect(0, 30, 1024, 100); });
    MakeKnown("kasa");
    EXPECT_EQ(Added("kasa", ONLINE_FREE_PUBLIC), (List{{"kasa", PopupDialog::KIND_ONLINE}}));
    PopupDialog* first = LivePopups().at(0);
    ASSERT_TRUE(WaitShown(first));
    EXPECT_EQ(Added("miro", ONLINE_FREE_PUBLIC), List{});
    EXPECT_EQ(m_manager.GetWaitingCount(), 1u);
    EXPECT_EQ(m_manager.GetSummary(), nullptr) << "no more wait than fit";

    EXPECT_EQ(Added("luka", ONLINE_FREE_PUBLIC), List{});
    PopupSummary* summary = m_manager.GetSummary();
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(m_manager.GetWaitingCount(), 0u);
    EXPECT_EQ(summary->GetCount(), 2);
    EXPECT_EQ(summary->GetNames(), "miro\nluka");
    PumpEvents(200);
    EXPECT_FALSE(summary->IsShown()) << "it never covers the pop-up in its place";
    EXPECT_TRUE(summary->IsWaitingForPlace());
    first->Destroy();
    EXPECT_TRUE(WaitOnScreen(summary, wxPoint(874, 30)));
    Added("sane", ONLINE_FREE_PUBLIC);
    EXPECT_EQ(summary->GetNames(), "miro\nluka\nsane");
    Added("tovi", ONLINE_FREE_PUBLIC);
    EXPECT_EQ(summary->GetNames().utf8_string(), "miro\nluka\nsane\n…");
}

// Closing the main window takes every pop-up with it: a shown one at once, and one still
// waiting for its picture before it ever appears.
TEST_F(PopupDialogManagerTest, PopupsGoWithTheManager) {
    MakeKnown("lumika");
    MakeKnown("oreva");
    ASSERT_EQ(ms_site->Get("/_control/fault?path=%2FWebArchive%2Foreva%2F&mode=delay&ms=1500"),
              200);
    auto manager = std::make_unique<PopupDialogManager>();
    for (const char* name : {"lumika", "oreva"}) {
        UserEvent added(User(name, ONLINE_FREE_PUBLIC), wxEVT_USER_ADDED, UserEvent::NO_OLD_STATUS);
        manager->ProcessEvent(added);
    }
    ASSERT_EQ(LivePopups().size(), 2u);
    PopupDialog* shown =
        LivePopups()[0]->GetUser().GetName() == "lumika" ? LivePopups()[0] : LivePopups()[1];
    ASSERT_TRUE(WaitShown(shown));

    manager.reset();
    const auto anyPopup = [] {
        for (wxWindow* window : wxTopLevelWindows)
            if (dynamic_cast<PopupDialog*>(window))
                return true;
        return false;
    };
    EXPECT_TRUE(WaitFor([&] { return !anyPopup(); }, 5000));
    EXPECT_EQ(PopupDialog::GetShownCount(), 0);
    // The late picture reaches nobody.
    ASSERT_TRUE(WaitFor([] { return DownloadThreadsModule::Running() == 0; }, 15000));
    PumpEvents();
    EXPECT_FALSE(anyPopup());
}

} // namespace
