// The "Profile" command: from the context menu, from activating a row, and by a real double
// click; each opens the selected performer's preview page in the (recorded) browser.
#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/TestEnvironment.h"
#include "tests/trees/TreeTestSupport.h"
#include "ui/announce/MutedPerformers.h"
#include "ui/trees/AllTreeCtrl.h"

#include <wx/ffile.h>
#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

using namespace treetest;

namespace {

const char* const PREVIEW_HOST = "preview.test:8123";
const char* const ODD_NAME = "Ab&c=D%20e";

std::vector<std::string> PageOf(const std::string& name) {
    return {std::string("http://") + PREVIEW_HOST + "/preview.shtml?" + name};
}

class ProfileCommandTest : public TreeFrameTest {
protected:
    void SetUp() override {
        TreeFrameTest::SetUp();
        ImageStore::GetConfig()->Write("/Site/previewHost", PREVIEW_HOST);
        SiteEndpoints::Load();
        m_tree = Make<AllTreeCtrl>();
        PostList(m_tree, MakeList({{"alice", FREE}, {"bob", BUSY}, {ODD_NAME, FREE}}));
        m_group = m_tree->GetGroupItem();
    }
    void TearDown() override {
        TreeFrameTest::TearDown();
        ImageStore::GetConfig()->DeleteEntry("/Site/previewHost");
        ImageStore::GetConfig()->DeleteEntry("/PopupDialog/duration");
        ImageStore::GetConfig()->DeleteGroup("/Muted");
        SiteEndpoints::Load();
    }
    wxTreeItemId RowOf(const std::string& name) { return ChildNamed(m_tree, m_group, name); }
    void Profile() {
        wxCommandEvent command(wxEVT_MENU, UserListTreeCtrl::ID_PROFILE);
        m_tree->GetEventHandler()->ProcessEvent(command);
    }
    void Activate(const wxTreeItemId& item) {
        wxTreeEvent activated(wxEVT_TREE_ITEM_ACTIVATED, m_tree, item);
        m_tree->GetEventHandler()->ProcessEvent(activated);
    }
    // The centre of the row's text in screen coordinates, once the tree has laid it out.
    wxPoint ScreenPointOf(const wxTreeItemId& item) {
        wxRect rect;
        EXPECT_TRUE(WaitFor([&] { return m_tree->GetBoundingRect(item, rect, true); }));
        return m_tree->ClientToScreen(rect.GetPosition() + rect.GetSize() / 2);
    }

    BrowserRecorder m_browser;
    AllTreeCtrl* m_tree = nullptr;
    wxTreeItemId m_group;
};

TEST_F(ProfileCommandTest, ProfileAndActivationOpenTheSelectedPerformersPage) {
    m_tree->SelectItem(RowOf("bob"));
    Profile();
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    EXPECT_EQ(m_browser.Launches(), PageOf("bob"));

    // Activation works on the selection, whichever row the event names; the name goes into
    // the address as it is.
    m_browser.Clear();
    m_tree->SelectItem(RowOf(ODD_NAME));
    Activate(RowOf("bob"));
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    EXPECT_EQ(m_browser.Launches(), PageOf(ODD_NAME));
}

// Nothing selected (at first, and after the selection was cleared), a group row selected, or
// a group row activated: nothing opens. A last real command shows that the earlier ones had
// their chance to launch.
TEST_F(ProfileCommandTest, WithoutAUserRowSelectedNothingOpens) {
    Profile();
    m_tree->SelectItem(RowOf("alice"));
    m_tree->UnselectAll();
    Profile();
    Activate(RowOf("alice"));
    m_tree->SelectItem(m_group);
    Profile();
    Activate(m_group);

    m_tree->SelectItem(RowOf("bob"));
    Profile();
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    PumpEvents(200);
    EXPECT_EQ(m_browser.Launches(), PageOf("bob"));
}

TEST_F(ProfileCommandTest, DoubleClickingARowOpensThatPerformersPage) {
    const wxPoint point = ScreenPointOf(RowOf("bob"));
    wxUIActionSimulator sim;
    PumpEvents(100);
    sim.MouseMove(point);
    PumpEvents(100);
    sim.MouseDblClick();
    PumpEvents(100);
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    EXPECT_EQ(m_browser.Launches(), PageOf("bob"));
}

// A real right click: on the group row no menu; on a user row a menu with "Profile" and
// "Mute", whose first (chosen by keyboard while the menu is up) opens the selected row's page.
// The toolkit's tree selects the row under a right click before it reports the click.
TEST_F(ProfileCommandTest, TheContextMenuOfAUserRowOffersProfile) {
    std::vector<std::vector<wxString>> menus;
    m_tree->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
        if (wxMenu* menu = event.GetMenu()) {
            menus.emplace_back();
            for (const wxMenuItem* item : menu->GetMenuItems())
                menus.back().push_back(item->GetItemLabelText());
        }
        event.Skip();
    });
    // A menu runs its own loop; this timer answers it from inside: Escape while no menu is
    // wanted (so that a faulty one cannot hang the test), the one entry once one is.
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

    m_tree->SelectItem(RowOf("alice"));
    choose = true;
    sim.MouseMove(ScreenPointOf(RowOf("bob")));
    PumpEvents(100);
    sim.MouseClick(wxMOUSE_BTN_RIGHT);
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    answer.Stop();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0], (std::vector<wxString>{"Profile", "Mute"}));
    EXPECT_EQ(m_browser.Launches(), PageOf("bob"));
}

} // namespace

namespace {

// Where a handler is set, the menu of a user row offers "When online..." after "Profile" (and
// before "Mute"), and
// choosing it hands the handler the row's performer (a real right click, answered by keys).
TEST_F(ProfileCommandTest, WhenOnlineFollowsProfileWhereAHandlerIsSet) {
    std::vector<wxString> asked;
    m_tree->SetWhenOnlineHandler([&asked](const wxString& name) { asked.push_back(name); });
    std::vector<wxString> items;
    m_tree->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
        if (wxMenu* menu = event.GetMenu())
            for (const wxMenuItem* item : menu->GetMenuItems())
                items.push_back(item->GetItemLabelText());
        event.Skip();
    });
    wxTimer answer;
    answer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (items.empty())
            return;
        answer.Stop();
        wxUIActionSimulator keys;
        keys.Char(WXK_DOWN);
        keys.Char(WXK_DOWN);
        keys.Char(WXK_RETURN);
    });
    answer.Start(100);
    wxUIActionSimulator sim;
    sim.MouseMove(ScreenPointOf(RowOf(ODD_NAME)));
    PumpEvents(100);
    sim.MouseClick(wxMOUSE_BTN_RIGHT);
    ASSERT_TRUE(WaitFor([&] { return !asked.empty(); }));
    answer.Stop();
    EXPECT_EQ(items, (std::vector<wxString>{"Profile", "When online...", "Mute"}));
    EXPECT_EQ(asked, std::vector<wxString>{ODD_NAME});
    EXPECT_TRUE(m_browser.Launches().empty());
}

} // namespace

namespace {

// "Mute" is a check item: chosen on a row (a real right click, answered by keys) it mutes that
// performer in a group of its own in the settings file, leaving the other keys as they were;
// the next menu shows the mark, and choosing it again unmutes. The row stays in the tree.
TEST_F(ProfileCommandTest, MuteInTheContextMenuMutesAndUnmutesTheRowsPerformer) {
    ImageStore::GetConfig()->Write("/PopupDialog/duration", "12");
    std::vector<bool> marks;
    m_tree->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
        if (wxMenu* menu = event.GetMenu())
            marks.push_back(menu->IsChecked(UserListTreeCtrl::ID_MUTE));
        event.Skip();
    });
    size_t answered = 0;
    wxTimer answer;
    answer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (marks.size() == answered)
            return;
        ++answered;
        // The last item, wherever the pointer left the highlight.
        wxUIActionSimulator keys;
        keys.Char(WXK_END);
        keys.Char(WXK_RETURN);
    });
    answer.Start(100);
    wxUIActionSimulator sim;
    const auto muteByMenu = [&] {
        // A move to the row before each click, as a hand makes it.
        sim.MouseMove(ScreenPointOf(RowOf("alice")));
        PumpEvents(100);
        sim.MouseMove(ScreenPointOf(RowOf(ODD_NAME)));
        PumpEvents(100);
        sim.MouseClick(wxMOUSE_BTN_RIGHT);
    };

    muteByMenu();
    ASSERT_TRUE(WaitFor([&] { return MutedPerformers::IsMuted(ODD_NAME); }));
    EXPECT_EQ(MutedPerformers::Names(), std::vector<wxString>{ODD_NAME});
    EXPECT_FALSE(MutedPerformers::IsMuted("bob"));
    ImageStore::GetConfig()->Flush();
    wxString text;
    ASSERT_TRUE(wxFFile(TestEnvironment::Home() + "/.Roduviriz").ReadAll(&text));
    const std::string file = text.utf8_string();
    EXPECT_NE(file.find("[Muted]"), std::string::npos) << file;
    EXPECT_NE(file.find("duration=12"), std::string::npos) << file;
    EXPECT_TRUE(RowOf(ODD_NAME).IsOk());

    PumpEvents(300);
    muteByMenu();
    ASSERT_TRUE(WaitFor([&] { return !MutedPerformers::IsMuted(ODD_NAME); })) << marks.size();
    answer.Stop();
    EXPECT_EQ(marks, (std::vector<bool>{false, true}));
    EXPECT_TRUE(MutedPerformers::Names().empty());
    EXPECT_EQ(ImageStore::GetConfig()->Read("/PopupDialog/duration", wxString()), "12");
}

// The keyboard alone: Shift+F10 and the Menu key open the selected row's menu beside that row
// (each answered with Escape here), and Ctrl+O, the shortcut shown beside "Profile", opens the
// selected performer's page.
TEST_F(ProfileCommandTest, ShiftF10TheMenuKeyAndCtrlOReachTheSelectedRow) {
    m_tree->SetFocus();
    m_tree->SelectItem(RowOf("bob"));
    wxRect row;
    ASSERT_TRUE(WaitFor([&] { return m_tree->GetBoundingRect(RowOf("bob"), row, true); }));
    std::vector<wxString> opened;
    m_tree->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
        if (wxMenu* menu = event.GetMenu())
            opened.push_back(menu->GetMenuItems().front()->GetItemLabelText());
        event.Skip();
    });
    size_t answered = 0;
    wxTimer answer;
    answer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (opened.size() == answered)
            return;
        ++answered;
        wxUIActionSimulator().Char(WXK_ESCAPE);
    });
    answer.Start(100);

    wxUIActionSimulator sim;
    ASSERT_TRUE(WaitFor([&] { return m_tree->HasFocus(); }));
    sim.Char(WXK_F10, wxMOD_SHIFT);
    ASSERT_TRUE(WaitFor([&] { return answered == 1; }));
    sim.Char(WXK_MENU);
    ASSERT_TRUE(WaitFor([&] { return answered == 2; }));
    answer.Stop();
    EXPECT_EQ(opened, (std::vector<wxString>{"Profile", "Profile"}));
    EXPECT_TRUE(m_browser.Launches().empty());

    ASSERT_TRUE(WaitFor([&] { return m_tree->HasFocus(); }));
    sim.Char('o', wxMOD_CONTROL);
    ASSERT_TRUE(m_browser.WaitForLaunches(1));
    EXPECT_EQ(m_browser.Launches(), PageOf("bob"));
}

} // namespace
