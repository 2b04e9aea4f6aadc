// Pausing the pop-ups from the main frame and its tray icon, and the frame's "Recent" window.
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "ui/frame/NotifyIcon.h"
#include "ui/popup/PopupDialogManager.h"
#include "ui/popup/PopupSettings.h"
#include "ui/popup/PopupSummary.h"
#include "ui/popup/RecentWindow.h"

#include <gtest/gtest.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <memory>

using namespace frametest;

namespace {

void Announce(MainFrame* frame, const char* name) {
    UserEvent added(User(name, User::ONLINE | User::FREE), wxEVT_USER_ADDED,
                    UserEvent::NO_OLD_STATUS);
    frame->GetPopupManager()->AddPendingEvent(added);
}

} // namespace

// The Tool menu, the tray menu and the tooltip follow the pause wherever it is set; nothing
// appears meanwhile, the end of the pause brings one summary of what came (whose click opens
// the "Recent" window), and the pause lasts into the next run.
TEST(PopupPause, MenusTrayAndTooltipFollowAndTheEndBringsOneSummary) {
    FreshSettings();
    MainFrame* frame = OpenFrame();
    wxMenuBar* bar = frame->GetMenuBar();
    NotifyIcon* tray = frame->GetNotifyIcon();
    PopupDialogManager* manager = frame->GetPopupManager();
    ASSERT_NE(bar->FindItem(ID_PAUSE_POPUPS), nullptr);
    EXPECT_EQ(bar->FindItem(ID_PAUSE_POPUPS)->GetItemLabel(), "P&ause pop-ups");
    EXPECT_TRUE(bar->FindItem(ID_PAUSE_POPUPS)->IsCheckable());
    EXPECT_FALSE(bar->IsChecked(ID_PAUSE_POPUPS));
    ASSERT_NE(bar->FindItem(ID_RECENT), nullptr);
    EXPECT_EQ(bar->FindItem(ID_RECENT)->GetItemLabel(), "&Recent...");
    const wxString appName = tray->GetTooltip();

    SendMenu(frame, ID_PAUSE_POPUPS, true);
    EXPECT_TRUE(frame->ArePopupsPaused());
    EXPECT_TRUE(bar->IsChecked(ID_PAUSE_POPUPS));
    EXPECT_EQ(tray->GetTooltip(), appName + ": pop-ups are paused");
    EXPECT_TRUE(PopupSettings::Paused());
    std::unique_ptr<wxMenu> menu(tray->CreatePopupMenu());
    ASSERT_EQ(menu->GetMenuItemCount(), 2u);
    EXPECT_EQ(menu->FindItemByPosition(0)->GetItemLabel(), "P&ause pop-ups");
    EXPECT_TRUE(menu->FindItemByPosition(0)->IsChecked());
    EXPECT_EQ(menu->FindItemByPosition(1)->GetId(), wxID_EXIT);

    Announce(frame, "fav_free");
    Announce(frame, "fav_busy");
    ASSERT_TRUE(WaitFor([&] { return manager->GetRecent().GetCount() == 2; }));
    PumpEvents(300);
    EXPECT_TRUE(PopupNames().empty());
    EXPECT_EQ(manager->GetSummary(), nullptr);

    // The tray's item ends it: the choice travels to the frame.
    wxCommandEvent choice(wxEVT_MENU, ID_PAUSE_POPUPS);
    choice.SetInt(0);
    tray->ProcessEvent(choice);
    ASSERT_TRUE(WaitFor([&] { return !frame->ArePopupsPaused(); }));
    EXPECT_FALSE(bar->IsChecked(ID_PAUSE_POPUPS));
    EXPECT_EQ(tray->GetTooltip(), appName);
    EXPECT_FALSE(PopupSettings::Paused());
    PopupSummary* summary = manager->GetSummary();
    ASSERT_NE(summary, nullptr);
    EXPECT_TRUE(summary->IsShown());
    PumpEvents(100);
    wxString headline = summary->GetHeadlineLabel()->GetLabel();
    headline.Replace("\n", " ");
    EXPECT_EQ(headline, "2 came online meanwhile");
    EXPECT_TRUE(PopupNames().empty()) << "what came while paused is only in the summary";

    wxUIActionSimulator sim;
    sim.MouseMove(summary->GetScreenRect().GetPosition() + wxPoint(75, 100));
    PumpEvents(100);
    sim.MouseClick();
    ASSERT_TRUE(WaitFor(
        [&] { return manager->GetRecentWindow() && manager->GetRecentWindow()->IsShown(); }));
    manager->GetRecentWindow()->Destroy();
    SendMenu(frame, ID_RECENT);
    EXPECT_TRUE(WaitFor(
        [&] { return manager->GetRecentWindow() && manager->GetRecentWindow()->IsShown(); }));

    // A quiet pause ends without a summary.
    summary->Destroy();
    SendMenu(frame, ID_PAUSE_POPUPS, true);
    SendMenu(frame, ID_PAUSE_POPUPS, false);
    PumpEvents(100);
    EXPECT_EQ(manager->GetSummary(), nullptr);

    SendMenu(frame, ID_PAUSE_POPUPS, true);
    CloseFrame(frame);
    frame = OpenFrame();
    EXPECT_TRUE(frame->ArePopupsPaused());
    EXPECT_TRUE(frame->GetMenuBar()->IsChecked(ID_PAUSE_POPUPS));
    EXPECT_TRUE(frame->GetNotifyIcon()->ArePopupsPaused());
    CloseAllWindows();
}
