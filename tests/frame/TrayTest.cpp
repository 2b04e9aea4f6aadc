// Minimising with and without a tray host on the display (a window manager runs).
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "ui/frame/NotifyIcon.h"
#include "ui/trees/AllTreeCtrl.h"

#include <gtest/gtest.h>
#include <wx/taskbar.h>
#include <wx/utils.h>

#include <csignal>

using namespace frametest;

namespace {

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override { FreshSettings(); }
    void TearDown() override {
        CloseAllWindows();
        if (m_trayPid > 0) {
            wxKill(m_trayPid, wxSIGTERM);
            WaitFor([] { return !wxTaskBarIcon::IsAvailable(); }, 5000);
        }
    }

    bool StartTray() {
        m_trayPid = wxExecute("trayer --edge top --align right --widthtype request --height 24",
                              wxEXEC_ASYNC | wxEXEC_MAKE_GROUP_LEADER);
        return m_trayPid > 0 && WaitFor([] { return wxTaskBarIcon::IsAvailable(); }, 10000);
    }

    // Counts the toolkit's reports that the frame was minimised.
    void CountMinimising(MainFrame* frame) {
        frame->Bind(wxEVT_ICONIZE, [this](wxIconizeEvent& event) {
            m_minimised += event.IsIconized();
            event.Skip();
        });
    }

    long m_trayPid = 0;
    int m_minimised = 0;
};

} // namespace

TEST_F(TrayTest, WithoutATrayMinimisingKeepsTheFrameReachable) {
    ASSERT_FALSE(wxTaskBarIcon::IsAvailable()) << "a tray host runs on the test display";
    // Starting in the tray needs a tray: without one the frame shows as usual.
    ImageStore::GetConfig()->Write("/Session/startInTray", true);
    MainFrame* frame = OpenFrame();
    frame->Iconize(true);
    ASSERT_TRUE(WaitFor([frame] { return frame->IsIconized(); }, 10000));
    PumpEvents(300);
    EXPECT_TRUE(frame->IsShown());

    frame->Iconize(false);
    EXPECT_TRUE(
        WaitFor([frame] { return !frame->IsIconized() && frame->IsShownOnScreen(); }, 10000));
}

TEST_F(TrayTest, WithATrayMinimisingHidesAndTheTrayCommandsBringItBack) {
    ASSERT_TRUE(StartTray()) << "trayer did not start";
    MainFrame* frame = OpenFrame();
    ASSERT_NE(nullptr, frame->GetNotifyIcon());
    EXPECT_TRUE(WaitFor([frame] { return frame->GetNotifyIcon()->IsIconInstalled(); }, 10000));
    // A user minimises a window that the window manager shows.
    ASSERT_TRUE(WaitFor([frame] { return OnScreen(frame); }, 10000));
    CountMinimising(frame);

    frame->Iconize(true);
    EXPECT_TRUE(WaitFor([frame] { return !frame->IsShown() && !OnScreen(frame); }, 10000));

    // What the tray's double click sends: the frame comes back, not merely mapped minimised.
    SendMenu(frame, wxID_OPEN);
    EXPECT_TRUE(WaitFor(
        [frame] { return frame->IsShown() && !frame->IsIconized() && OnScreen(frame); }, 10000));
    // Minimised once: the frame did not flicker between the tray and the screen.
    EXPECT_EQ(1, m_minimised);

    SendMenu(frame, wxID_CLOSE);
    EXPECT_FALSE(frame->IsShown());
    SendMenu(frame, wxID_OPEN);
    EXPECT_TRUE(WaitFor([frame] { return frame->IsShown() && OnScreen(frame); }, 10000));
}

TEST_F(TrayTest, StartInTrayStartsHiddenWithATrayAndTheTrayBringsItBack) {
    ASSERT_TRUE(StartTray()) << "trayer did not start";
    ImageStore::GetConfig()->Write("/Session/startInTray", true);
    auto* frame = new MainFrame();
    PumpEvents(300);
    EXPECT_FALSE(frame->IsShown());
    EXPECT_TRUE(frame->GetNotifyIcon()->IsIconInstalled());
    // Running all the same: the list arrives while hidden.
    EXPECT_TRUE(WaitFor([frame] { return frame->GetAllTree()->GetGroupItem().IsOk(); }, 10000));

    SendMenu(frame, wxID_OPEN);
    EXPECT_TRUE(WaitFor([frame] { return frame->IsShownOnScreen(); }, 10000));
}
