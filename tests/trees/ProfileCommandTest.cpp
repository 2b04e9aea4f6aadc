// The "Profile" command: from the context menu, from activating a row, and by a real double
// click; each opens the selected performer's preview page in the (recorded) browser.
#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trees/TreeTestSupport.h"
#include "ui/trees/AllTreeCtrl.h"
#include "ui/trees/FavoriteTreeCtrl.h"

#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

using namespace treetest;

namespace {

const char* const PREVIEW_HOST = "preview.test:8123";

std::string PageOf(const std::string& name) {
    return std::string("http://") + PREVIEW_HOST + "/preview.shtml?" + name;
}

class ProfileCommandTest : public TreeFrameTest {
protected:
    void SetUp() override {
        TreeFrameTest::SetUp();
        ImageStore::GetConfig()->Write("/Site/previewHost", PREVIEW_HOST);
        SiteEndpoints::Load();
        m_tree = new AllTreeCtrl(m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, TREE_STYLE);
        m_frame->SendSizeEvent();
        PostList(m_tree, MakeList({{"alice", FREE}, {"bob", BUSY}}));
        m_group = m_tree->GetGroupItem();
    }

    void TearDown() override {
        TreeFrameTest::TearDown();
        ImageStore::GetConfig()->DeleteEntry("/Site/previewHost");
        SiteEndpoints::Load();
    }

    void Profile() {
        wxCommandEvent command(wxEVT_MENU, UserListTreeCtrl::ID_PROFILE);
        m_tree->GetEventHandler()->ProcessEvent(command);
    }

    void Activate(const wxTreeItemId& item) {
        wxTreeEvent activated(wxEVT_TREE_ITEM_ACTIVATED, m_tree, item);
        m_tree->GetEventHandler()->ProcessEvent(activated);
    }

    // The centre of the row's text, in screen coordinates, once the tree has laid it out.
    wxPoint ScreenPointOf(const wxTreeItemId& item) {
        wxRect rect;
        EXPECT_TRUE(WaitFor([&] { return m_tree->GetBoundingRect(item, rect, true); }));
        return m_tree->ClientToScreen(rect.GetPosition() +
                                      wxPoint(rect.GetWidth() / 2, rect.GetHeight() / 2));
    }

    BrowserRecorder m_browser;
    AllTreeCtrl* m_tree = nullptr;
    wxTreeItemId m_group;
};

TEST_F(ProfileCommandTest, ProfileAndActivationOpenTheSelectedPerformersPage) {
    m_tree->SelectItem(ChildNamed(m_tree, m_group, "bob"));
    Profile();
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    EXPECT_EQ(m_browser.Launches(), std::vector<std::string>{PageOf("bob")});

    // Activation works on the selection too, whichever row the event names.
    m_browser.Clear();
    m_tree->SelectItem(ChildNamed(m_tree, m_group, "alice"));
    Activate(ChildNamed(m_tree, m_group, "bob"));
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    EXPECT_EQ(m_browser.Launches(), std::vector<std::string>{PageOf("alice")});
}

TEST_F(ProfileCommandTest, TheNameIsAppendedUnescaped) {
    PostUser(m_tree, wxEVT_USER_ADDED, "Ab&c=D%20e", FREE);
    m_tree->SelectItem(ChildNamed(m_tree, m_group, "Ab&c=D%20e"));
    Profile();
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    EXPECT_EQ(m_browser.Launches(), std::vector<std::string>{PageOf("Ab&c=D%20e")});
}

// Nothing selected (at first, and after the selection was cleared), a group row selected, or
// a group row activated: nothing opens. A last real command shows that the earlier ones had
// their chance to launch.
TEST_F(ProfileCommandTest, WithoutAUserRowSelectedNothingOpens) {
    Profile();
    m_tree->SelectItem(ChildNamed(m_tree, m_group, "alice"));
    m_tree->UnselectAll();
    Profile();
    Activate(ChildNamed(m_tree, m_group, "alice"));
    m_tree->SelectItem(m_group);
    Profile();
    Activate(m_group);

    m_tree->SelectItem(ChildNamed(m_tree, m_group, "bob"));
    Profile();
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    PumpEvents(200);
    EXPECT_EQ(m_browser.Launches(), std::vector<std::string>{PageOf("bob")});
}

TEST_F(ProfileCommandTest, ARowInTheOfflineGroupOpensItsPage) {
    auto* favorites =
        new FavoriteTreeCtrl(m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, TREE_STYLE);
    favorites->CreateGroups();
    PostList(favorites, MakeList({{"gone", 0}}), 0);
    favorites->SelectItem(ChildNamed(favorites, favorites->GetOfflineGroupItem(), "gone"));
    wxCommandEvent command(wxEVT_MENU, UserListTreeCtrl::ID_PROFILE);
    favorites->GetEventHandler()->ProcessEvent(command);
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    EXPECT_EQ(m_browser.Launches(), std::vector<std::string>{PageOf("gone")});
}

TEST_F(ProfileCommandTest, DoubleClickingARowOpensThatPerformersPage) {
    m_tree->UnselectAll();
    const wxPoint point = ScreenPointOf(ChildNamed(m_tree, m_group, "bob"));
    wxUIActionSimulator sim;
    PumpEvents(100);
    sim.MouseMove(point);
    PumpEvents(100);
    sim.MouseDblClick();
    PumpEvents(100);
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    EXPECT_EQ(m_browser.Launches(), std::vector<std::string>{PageOf("bob")});
    EXPECT_EQ(m_tree->GetItemText(m_tree->GetSelection()), "bob");
}

// A real right click: on the group row no menu; on a user row a menu with the one entry
// "Profile", which (chosen by keyboard while the menu is up) opens the selected row's page.
// The toolkit's tree selects the row under a right click before it reports the click.
TEST_F(ProfileCommandTest, TheContextMenuOfAUserRowOffersProfile) {
    std::vector<std::vector<wxString>> menus;
    m_tree->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
        if (wxMenu* menu = event.GetMenu()) {
            std::vector<wxString> labels;
            for (const wxMenuItem* item : menu->GetMenuItems())
                labels.push_back(item->GetItemLabelText());
            menus.push_back(labels);
        }
        event.Skip();
    });

    // A menu runs its own loop; this timer answers it from inside: Escape while a menu is not
    // wanted (so that a faulty one cannot hang the test), the one entry once it is.
    bool choose = false;
    size_t answered = 0;
    wxTimer answer;
    answer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (menus.size() == answered)
            return;
        ++answered;
        wxUIActionSimulator keys;
        if (choose) {
            keys.Char(WXK_DOWN);
            keys.Char(WXK_RETURN);
        } else {
            keys.Char(WXK_ESCAPE);
        }
    });
    answer.Start(100);

    wxUIActionSimulator sim;
    const wxPoint group = ScreenPointOf(m_group);
    PumpEvents(100);
    sim.MouseMove(group);
    PumpEvents(100);
    sim.MouseClick(wxMOUSE_BTN_RIGHT);
    PumpEvents(300);
    EXPECT_TRUE(menus.empty());

    m_tree->SelectItem(ChildNamed(m_tree, m_group, "alice"));
    choose = true;
    sim.MouseMove(ScreenPointOf(ChildNamed(m_tree, m_group, "bob")));
    PumpEvents(100);
    sim.MouseClick(wxMOUSE_BTN_RIGHT);
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    answer.Stop();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0], std::vector<wxString>{"Profile"});
    EXPECT_EQ(m_browser.Launches(), std::vector<std::string>{PageOf("bob")});
    EXPECT_EQ(m_tree->GetItemText(m_tree->GetSelection()), "bob");
}

} // namespace
