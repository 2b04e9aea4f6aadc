// When the manager announces a performer, and with which kind of pop-up.
#include "tests/popup/PopupTestSupport.h"

#include "core/UserListEvent.h"
#include "net/DownloadThreadsModule.h"
#include "resources/ImageStore.h"
#include "tests/support/TestEnvironment.h"
#include "ui/popup/PopupCommandIds.h"
#include "ui/popup/PopupDialogManager.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include <algorithm>
#include <memory>
#include <set>

namespace {

const unsigned long ONLINE_FREE_PUBLIC = User::ONLINE | User::FREE | User::PUBLIC; // 0x0B
const unsigned long ONLINE_BUSY_PUBLIC = User::ONLINE | User::BUSY | User::PUBLIC; // 0x0D

struct Announcement {
    wxString name;
    int kind;
    bool operator==(const Announcement& other) const {
        return name == other.name && kind == other.kind;
    }
};

std::ostream& operator<<(std::ostream& out, const Announcement& a) {
    return out << a.name.utf8_str().data() << "/" << a.kind;
}

class PopupDialogManagerTest : public PopupSiteTest {
protected:
    void TearDown() override {
        if (m_frame) {
            m_frame->Destroy();
            PumpEvents();
        }
        wxTheApp->SetTopWindow(nullptr);
        PopupSiteTest::TearDown();
    }

    // The pop-ups that handling this one event created.
    std::vector<Announcement> Send(wxEvent& event) {
        const std::vector<PopupDialog*> before = LivePopups();
        m_manager.ProcessEvent(event);
        std::vector<Announcement> made;
        for (PopupDialog* popup : LivePopups())
            if (std::find(before.begin(), before.end(), popup) == before.end())
                made.push_back({popup->GetUser().GetName(), popup->GetKind()});
        return made;
    }

    std::vector<Announcement> Added(const wxString& name, unsigned long status) {
        UserEvent event(User(name, status), wxEVT_USER_ADDED, UserEvent::NO_OLD_STATUS);
        return Send(event);
    }

    std::vector<Announcement> Changed(const wxString& name, unsigned long from, unsigned long to) {
        UserEvent event(User(name, to), wxEVT_USER_CHANGED, from);
        return Send(event);
    }

    // The main frame's menu as the manager sees it through the top window.
    void MakeFrame(bool enabled, bool checked) {
        m_frame = new wxFrame(nullptr, wxID_ANY, "favourites switch");
        auto* bar = new wxMenuBar;
        auto* tool = new wxMenu;
        tool->AppendCheckItem(ID_POPUP_ONLY_FAVORITE, "&PopupOnlyFavorite");
        bar->Append(tool, "&Tool");
        m_frame->SetMenuBar(bar);
        bar->Check(ID_POPUP_ONLY_FAVORITE, checked);
        bar->Enable(ID_POPUP_ONLY_FAVORITE, enabled);
        wxTheApp->SetTopWindow(m_frame);
    }

    void SetItem(bool enabled, bool checked) {
        m_frame->GetMenuBar()->Check(ID_POPUP_ONLY_FAVORITE, checked);
        m_frame->GetMenuBar()->Enable(ID_POPUP_ONLY_FAVORITE, enabled);
    }

    PopupDialogManager m_manager;
    wxFrame* m_frame = nullptr;
};

using List = std::vector<Announcement>;

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
