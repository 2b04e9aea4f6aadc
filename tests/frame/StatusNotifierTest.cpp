// The tray of today's desktops: a StatusNotifierWatcher that the test plays on the private
// session bus, and the main frame's item and menu as its host sees them.
#include "core/UserListEvent.h"
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/TestBus.h"
#include "tests/support/TestEnvironment.h"
#include "ui/frame/NotifyIcon.h"
#include "ui/trees/FavoriteTreeCtrl.h"
#include "ui/trees/UserListTreeCtrl.h"

#include <gtest/gtest.h>
#include <wx/weakref.h>

#include <algorithm>

using namespace frametest;

namespace {

const char WATCHER[] = "org.kde.StatusNotifierWatcher";
const char WATCHER_PATH[] = "/StatusNotifierWatcher";
const char WATCHER_XML[] = R"xml(<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
</interface></node>)xml";
const char ITEM[] = "org.kde.StatusNotifierItem";
const char MENU[] = "com.canonical.dbusmenu";

// A panel of today's kind, played by the test: a StatusNotifierWatcher that is its own host.
class StatusNotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreshSettings();
        m_bus.Listen(ITEM);
        m_bus.Listen(MENU);
        StartWatcher();
    }
    void TearDown() override { CloseAllWindows(); }

    void StartWatcher() {
        ASSERT_TRUE(m_bus.Export(
            WATCHER_PATH, WATCHER_XML,
            [this](const std::string&, GVariant* call) {
                const char* service;
                g_variant_get(call, "(&s)", &service);
                m_items.push_back(service);
                return nullptr;
            },
            [](const std::string&) { return g_variant_new_boolean(TRUE); }));
        ASSERT_TRUE(m_bus.Own(WATCHER));
    }
    void StopWatcher() {
        m_bus.Disown(WATCHER);
        m_bus.Unexport(WATCHER_PATH);
    }

    // Shown by the window manager, as a user sees it: hidden before it is mapped, the toolkit
    // would show it again.
    MainFrame* OpenInTray() {
        MainFrame* frame = OpenFrame();
        EXPECT_TRUE(WaitFor([frame] { return frame->GetNotifyIcon()->IsInTray(); }, 10000));
        EXPECT_TRUE(WaitFor([frame] { return OnScreen(frame); }, 10000));
        return frame;
    }
    GVariant* Property(const char* name) {
        return m_bus.Get(m_items.at(0), "/StatusNotifierItem", ITEM, name);
    }
    std::string Text(const char* name) {
        g_autoptr(GVariant) value = Property(name);
        return value ? g_variant_get_string(value, nullptr) : "(none)";
    }
    // True when the item answered.
    bool Call(const char* path, const char* interface, const char* method, GVariant* arguments) {
        g_autoptr(GVariant) reply = m_bus.Call(m_items.at(0), path, interface, method, arguments);
        return reply != nullptr;
    }
    void Activate() {
        EXPECT_TRUE(Call("/StatusNotifierItem", ITEM, "Activate", g_variant_new("(ii)", 0, 0)));
    }
    // The tray menu's items as the host reads them: "label/toggle-state".
    std::vector<std::string> MenuItems() {
        std::vector<std::string> items;
        const char* const everyProperty[] = {nullptr};
        g_autoptr(GVariant) layout = m_bus.Call(m_items.at(0), "/MenuBar", MENU, "GetLayout",
                                                g_variant_new("(ii^as)", 0, -1, everyProperty));
        if (!layout)
            return items;
        g_autoptr(GVariant) root = g_variant_get_child_value(layout, 1);
        g_autoptr(GVariant) children = g_variant_get_child_value(root, 2);
        for (size_t i = 0; i < g_variant_n_children(children); ++i) {
            g_autoptr(GVariant) boxed = g_variant_get_child_value(children, i);
            g_autoptr(GVariant) item = g_variant_get_variant(boxed);
            g_autoptr(GVariant) properties = g_variant_get_child_value(item, 1);
            const char* label = "";
            gint32 state = -1;
            g_variant_lookup(properties, "label", "&s", &label);
            g_variant_lookup(properties, "toggle-state", "i", &state);
            items.push_back(std::string(label) + "/" + std::to_string(state));
        }
        return items;
    }
    std::string ToolTipTitle() {
        g_autoptr(GVariant) tip = Property("ToolTip");
        if (!tip)
            return "(none)";
        const char* title;
        g_variant_get_child(tip, 2, "&s", &title);
        return title;
    }
    size_t SignalCount(const char* name) const {
        const auto& seen = m_bus.Signals();
        return static_cast<size_t>(std::count(seen.begin(), seen.end(), name));
    }
    void Click(int item) {
        EXPECT_TRUE(Call("/MenuBar", MENU, "Event",
                         g_variant_new("(isvu)", item, "clicked", g_variant_new_int32(0), 0u)));
    }

    TestBus m_bus;
    // The services that registered an item, in order.
    std::vector<std::string> m_items;
};

} // namespace

// Registered with the watcher, named as the application with the skin's icon at the usual
// sizes; the toolkit's icon is gone meanwhile. The menu is the tray menu, check mark and all,
// and it follows the pause; its Exit ends the program.
TEST_F(StatusNotifierTest, TheItemShowsTheApplicationAndItsMenuEndsIt) {
    MainFrame* frame = OpenInTray();
    ASSERT_EQ(m_items.size(), 1u);
    EXPECT_FALSE(frame->GetNotifyIcon()->IsIconInstalled());
    EXPECT_EQ(Text("Id"), "roduviriz");
    EXPECT_EQ(Text("Title"), "Roduviriz");
    EXPECT_EQ(Text("Status"), "Active");
    EXPECT_EQ(Text("Menu"), "/MenuBar");
    // A host reads every property at once; ItemIsMenu true would make a click open the menu
    // instead of calling Activate.
    {
        g_autoptr(GVariant) all =
            m_bus.Call(m_items.at(0), "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                       "GetAll", g_variant_new("(s)", ITEM));
        ASSERT_NE(all, nullptr);
        g_autoptr(GVariant) properties = g_variant_get_child_value(all, 0);
        gboolean isMenu = TRUE;
        EXPECT_TRUE(g_variant_lookup(properties, "ItemIsMenu", "b", &isMenu));
        EXPECT_FALSE(isMenu);
    }
    g_autoptr(GVariant) pixmaps = Property("IconPixmap");
    ASSERT_NE(pixmaps, nullptr);
    std::vector<int> sizes;
    for (size_t i = 0; i < g_variant_n_children(pixmaps); ++i) {
        gint32 width, height;
        g_autoptr(GVariant) pixels = nullptr;
        g_variant_get_child(pixmaps, i, "(ii@ay)", &width, &height, &pixels);
        EXPECT_EQ(g_variant_n_children(pixels), size_t(width) * height * 4);
        sizes.push_back(width);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 22, 32, 48}));
    EXPECT_EQ(MenuItems(), (std::vector<std::string>{"P_ause pop-ups/0", "E_xit/-1"}));

    SendMenu(frame, ID_PAUSE_POPUPS, true);
    EXPECT_TRUE(WaitFor([&] {
        const auto& seen = m_bus.Signals();
        return std::count(seen.begin(), seen.end(), "LayoutUpdated") &&
               std::count(seen.begin(), seen.end(), "NewToolTip");
    }));
    EXPECT_EQ(MenuItems(), (std::vector<std::string>{"P_ause pop-ups/1", "E_xit/-1"}));
    g_autoptr(GVariant) tip = Property("ToolTip");
    ASSERT_NE(tip, nullptr);
    const char* title;
    g_variant_get_child(tip, 2, "&s", &title);
    EXPECT_STREQ(title, "Roduviriz: pop-ups are paused");
    Click(1);
    EXPECT_TRUE(WaitFor([frame] { return !frame->ArePopupsPaused(); }));

    wxWeakRef<MainFrame> alive(frame);
    Click(2);
    EXPECT_TRUE(WaitFor([&] { return !alive; }, 10000));
}

// The primary click toggles the window; minimising hides it into the item, from where the
// click brings it back whole, and so does a second start's hand-over.
TEST_F(StatusNotifierTest, TheClickTogglesAndBringsBackAMinimisedWindowWhole) {
    MainFrame* frame = OpenInTray();
    Activate();
    EXPECT_TRUE(WaitFor([frame] { return !frame->IsShown(); }));
    Activate();
    EXPECT_TRUE(WaitFor([frame] { return frame->IsShown() && OnScreen(frame); }, 10000));

    for (bool handover : {false, true}) {
        // The window manager may pass over a request that comes too soon after the mapping.
        EXPECT_TRUE(WaitFor(
            [frame] {
                if (frame->IsShown() && !frame->IsIconized())
                    frame->Iconize(true);
                return !frame->IsShown() && !OnScreen(frame);
            },
            10000));
        if (handover)
            EXPECT_TRUE(Call("/example/roduviriz/Roduviriz", "example.roduviriz.Roduviriz",
                             "ShowMainWindow", nullptr));
        else
            Activate();
        EXPECT_TRUE(
            WaitFor([frame] { return frame->IsShown() && !frame->IsIconized() && OnScreen(frame); },
                    10000));
    }
}

// A panel that restarts gets the item again; one that goes for good leaves the toolkit's icon,
// and a window hidden in the tray comes back.
TEST_F(StatusNotifierTest, AWatcherThatComesBackGetsTheItemAgain) {
    MainFrame* frame = OpenInTray();
    Activate();
    ASSERT_TRUE(WaitFor([frame] { return !frame->IsShown(); }));
    StopWatcher();
    EXPECT_TRUE(WaitFor([frame] { return frame->GetNotifyIcon()->IsIconInstalled(); }));
    StartWatcher();
    EXPECT_TRUE(WaitFor([&] { return m_items.size() == 2; }));
    EXPECT_TRUE(WaitFor([frame] { return frame->GetNotifyIcon()->IsInTray(); }));
    EXPECT_FALSE(frame->IsShown());

    StopWatcher();
    EXPECT_TRUE(
        WaitFor([frame] { return frame->IsShown(); }, NotifyIcon::TRAY_RETURN_MILLISECONDS + 5000));
}

// Starting in the tray where the tray is a watcher: hidden once the item is in it.
TEST_F(StatusNotifierTest, StartInTrayHidesOnceTheItemIsInTheTray) {
    ImageStore::GetConfig()->Write("/Session/startInTray", true);
    auto* frame = new MainFrame();
    EXPECT_TRUE(WaitFor([frame] { return frame->GetNotifyIcon()->IsInTray(); }, 10000));
    EXPECT_TRUE(WaitFor([frame] { return !frame->IsShown(); }));
}

// The favourites online: counted in the tooltip, the first ten of them (in the tree's order)
// at the top of the menu, and one chosen there opens her preview page. A favourite who leaves
// changes both, and the host is told each time.
TEST_F(StatusNotifierTest, TheTrayTellsOfTheFavouritesOnline) {
    BrowserRecorder browser;
    MainFrame* frame = OpenInTray();
    FavoriteTreeCtrl* tree = frame->GetFavoriteTree();
    UserList favorites;
    for (int i = 1; i <= 12; ++i)
        favorites.AddUser(
            User("fav" + std::to_string(i) + (i == 2 ? "&Co" : ""), User::ONLINE | User::FREE));
    favorites.AddUser(User("away", 0));
    UserListEvent list(wxEVT_USER_LIST_INITIALIZED, 0);
    list.SetUserList(favorites);
    // The menu as the tree's online rows make it: the first ten, a separator, the commands.
    const auto expectedMenu = [tree] {
        std::vector<std::string> items;
        wxTreeItemIdValue cookie;
        const wxTreeItemId online = tree->GetOnlineGroupItem();
        for (wxTreeItemId row = tree->GetFirstChild(online, cookie);
             row.IsOk() && items.size() < NotifyIcon::MENU_FAVORITES;
             row = tree->GetNextChild(online, cookie))
            items.push_back(tree->GetItemText(row).utf8_string() + "/-1");
        for (const char* item : {"/-1", "P_ause pop-ups/0", "E_xit/-1"})
            items.push_back(item);
        return items;
    };
    const size_t layouts = SignalCount("LayoutUpdated");
    const size_t tips = SignalCount("NewToolTip");
    tree->GetEventHandler()->ProcessEvent(list);
    EXPECT_TRUE(WaitFor([&] {
        return SignalCount("LayoutUpdated") > layouts && SignalCount("NewToolTip") > tips;
    }));
    EXPECT_EQ(ToolTipTitle(), "Roduviriz: 12 favourites online");
    EXPECT_EQ(frame->GetNotifyIcon()->GetTooltip(), "Roduviriz: 12 favourites online");
    const std::vector<std::string> items = MenuItems();
    EXPECT_EQ(items.size(), 13u);
    EXPECT_EQ(items, expectedMenu());

    const auto odd = std::find(items.begin(), items.end(), "fav2&Co/-1");
    ASSERT_NE(odd, items.end()) << "the name with the ampersand is among the first ten";
    Click(static_cast<int>(odd - items.begin()) + 1);
    ASSERT_TRUE(browser.WaitForLaunches(1));
    EXPECT_EQ(browser.Launches(),
              std::vector<std::string>{UserListTreeCtrl::PreviewAddress("fav2&Co").ToStdString()});

    const size_t layoutsBefore = SignalCount("LayoutUpdated");
    const std::string first = items.front().substr(0, items.front().find('/'));
    UserEvent left(User(first, User::ONLINE | User::FREE), wxEVT_USER_DELETED,
                   User::ONLINE | User::FREE);
    tree->GetEventHandler()->ProcessEvent(left);
    EXPECT_TRUE(WaitFor([&] { return SignalCount("LayoutUpdated") > layoutsBefore; }));
    EXPECT_EQ(ToolTipTitle(), "Roduviriz: 11 favourites online");
    EXPECT_EQ(MenuItems(), expectedMenu());
    EXPECT_NE(MenuItems().front(), items.front());
}
