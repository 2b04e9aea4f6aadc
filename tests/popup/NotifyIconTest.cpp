// The tray icon: its double click made of two presses, and the commands it forwards.
#include "ui/frame/NotifyIcon.h"
#include "tests/support/TestEnvironment.h"
#include "ui/popup/PopupCommandIds.h"

#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/stopwatch.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Stands for the main frame: records the commands it gets and shows or hides itself on them.
class OwnerFrame : public wxFrame {
public:
    OwnerFrame() : wxFrame(nullptr, wxID_ANY, "tray owner") {
        Bind(wxEVT_MENU, [this](wxCommandEvent& event) {
            commands.push_back(event.GetId());
            if (event.GetId() == wxID_OPEN)
                Show(true);
            else if (event.GetId() == wxID_CLOSE)
                Show(false);
        });
    }
    std::vector<int> commands;
};

class NotifyIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_owner = new OwnerFrame;
        m_owner->Show();
        // Hidden before the window manager has mapped it, the toolkit would show it again.
        ASSERT_TRUE(WaitFor([this] { return m_owner->IsActive(); }));
        m_icon = new NotifyIcon(m_owner, wxArtProvider::GetIcon(wxART_INFORMATION), "Roduviriz");
    }
    void TearDown() override {
        delete m_icon;
        if (m_owner)
            m_owner->Destroy();
        PumpEvents();
    }

    void Press() {
        wxTaskBarIconEvent press(wxEVT_TASKBAR_LEFT_DOWN, m_icon);
        m_icon->ProcessEvent(press);
    }

    // Lets the double-click time run out, so that the next press starts afresh.
    static void WaitPastDoubleClick() {
        wxStopWatch watch;
        WaitFor([&] { return watch.Time() > NotifyIcon::DoubleClickMilliseconds() + 50; },
                NotifyIcon::DoubleClickMilliseconds() + 2000);
    }

    OwnerFrame* m_owner = nullptr;
    NotifyIcon* m_icon = nullptr;
};

TEST_F(NotifyIconTest, TwoQuickPressesToggleTheOwner) {
    Press();
    Press();
    EXPECT_TRUE(m_owner->commands.empty()) << "the command travels through the event queue";
    ASSERT_TRUE(WaitFor([&] { return !m_owner->IsShown(); }));
    EXPECT_EQ(m_owner->commands, std::vector<int>{wxID_CLOSE});

    WaitPastDoubleClick();
    Press();
    Press();
    ASSERT_TRUE(WaitFor([&] { return m_owner->IsShown(); }));
    EXPECT_EQ(m_owner->commands, (std::vector<int>{wxID_CLOSE, wxID_OPEN}));
}

TEST_F(NotifyIconTest, SlowOrSinglePressesDoNothing) {
    Press();
    WaitPastDoubleClick();
    Press();
    WaitPastDoubleClick();
    EXPECT_TRUE(m_owner->commands.empty());
    EXPECT_TRUE(m_owner->IsShown());

    // Three quick presses are one double click; the third waits for a partner.
    Press();
    Press();
    Press();
    PumpEvents(200);
    EXPECT_EQ(m_owner->commands, std::vector<int>{wxID_CLOSE});
}

// "P&ause pop-ups" above "E&xit"; its check mark and the tooltip follow the pause.
TEST_F(NotifyIconTest, TheMenuOffersPauseAndExitWhichReachTheOwner) {
    const auto menuItems = [this] {
        std::unique_ptr<wxMenu> menu(m_icon->CreatePopupMenu());
        std::vector<std::string> items;
        for (const wxMenuItem* item : menu->GetMenuItems())
            items.push_back(item->GetItemLabel().utf8_string() + "/" +
                            std::to_string(item->GetId()) +
                            (item->IsCheckable() && item->IsChecked() ? "/checked" : ""));
        return items;
    };
    const std::string pause = "P&ause pop-ups/" + std::to_string(ID_PAUSE_POPUPS);
    const std::string exit = "E&xit/" + std::to_string(wxID_EXIT);
    EXPECT_EQ(menuItems(), (std::vector<std::string>{pause, exit}));
    std::unique_ptr<wxMenu> menu(m_icon->CreatePopupMenu());
    EXPECT_EQ(menu->FindItem(wxID_EXIT)->GetHelp(), "Exit the application.");
    EXPECT_EQ(m_icon->GetTooltip(), "Roduviriz");

    m_icon->SetPopupsPaused(true);
    EXPECT_EQ(menuItems(), (std::vector<std::string>{pause + "/checked", exit}));
    EXPECT_EQ(m_icon->GetTooltip(), "Roduviriz: pop-ups are paused");
    m_icon->SetPopupsPaused(false);
    EXPECT_EQ(m_icon->GetTooltip(), "Roduviriz");

    wxCommandEvent choice(wxEVT_MENU, ID_PAUSE_POPUPS);
    choice.SetInt(1);
    m_icon->ProcessEvent(choice);
    wxCommandEvent exitChoice(wxEVT_MENU, wxID_EXIT);
    m_icon->ProcessEvent(exitChoice);
    ASSERT_TRUE(WaitFor([&] { return m_owner->commands.size() == 2; }));
    EXPECT_EQ(m_owner->commands, (std::vector<int>{ID_PAUSE_POPUPS, wxID_EXIT}));
}

// The frame deletes the icon first when it goes; commands already queued, or sent while the
// owner is on its way out or after it went some other way, must fall on nothing.
TEST_F(NotifyIconTest, CommandsForAnOwnerOnItsWayOutAreDropped) {
    Press();
    Press(); // the toggle is queued at the icon
    m_owner->Destroy();
    wxCommandEvent choice(wxEVT_MENU, wxID_EXIT);
    m_icon->ProcessEvent(choice);
    // Runs the icon's queue and whatever reached the owner's; deletion waits for idle time.
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessPendingEvents();
    EXPECT_TRUE(m_owner->commands.empty());

    m_owner = nullptr;
    PumpEvents(200); // deleted now; the sanitizer pass checks that nothing touches it
    m_icon->ProcessEvent(choice);
    Press();
    Press();
    PumpEvents(200);
}

} // namespace
