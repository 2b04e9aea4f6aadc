// What the gate before every announcement decides, through the pop-up manager: muted
// performers, and the hold over a full-screen window.
#include "tests/popup/PopupManagerFixture.h"

#include "resources/ImageStore.h"
#include "ui/announce/FullScreenWatch.h"
#include "ui/announce/MutedPerformers.h"
#include "ui/history/HistoryService.h"
#include "ui/popup/PopupSummary.h"

#include <wx/ffile.h>
#include <wx/filename.h>

#include <sys/stat.h>

namespace {

// A muted performer gets no pop-up, coming online or becoming free, paused or not (and does
// not count in the pause's summary); Recent lists her as "muted", also after a restart. Unmuted,
// she is announced again.
TEST_F(PopupDialogManagerTest, AMutedPerformerIsListedButNeverAnnounced) {
    const std::string path = TestEnvironment::MakeTempDir("muted") + "/history.sqlite3";
    {
        HistoryService history(nullptr, m_manager.GetRecent(), path);
        MutedPerformers::SetMuted("kasa", true);
        EXPECT_EQ(Added("kasa", ONLINE_BUSY_PUBLIC), List{});
        EXPECT_EQ(Changed("kasa", ONLINE_BUSY_PUBLIC, ONLINE_FREE_PUBLIC), List{});
        const RecentAnnouncements& recent = m_manager.GetRecent();
        ASSERT_EQ(recent.GetCount(), 2u);
        EXPECT_EQ(recent.GetNewest(0).outcome, RecentAnnouncements::MUTED);
        EXPECT_EQ(recent.GetNewest(0).kind, PopupDialog::KIND_FREE);
        EXPECT_EQ(RecentAnnouncements::OutcomeText(recent.GetNewest(1).outcome), "muted");

        m_manager.SetPaused(true);
        Added("miro", ONLINE_FREE_PUBLIC);
        Left("kasa", ONLINE_FREE_PUBLIC, 3);
        Back("kasa", ONLINE_FREE_PUBLIC, 9);
        EXPECT_EQ(recent.GetNewest(0).outcome, RecentAnnouncements::MUTED);
        m_manager.SetPaused(false);
        ASSERT_NE(m_manager.GetSummary(), nullptr);
        EXPECT_EQ(m_manager.GetSummary()->GetCount(), 1);
        ASSERT_TRUE(history.GetStore().WaitUntilWritten(10000));
    }
    PopupDialogManager next;
    HistoryService history(nullptr, next.GetRecent(), path);
    ASSERT_EQ(next.GetRecent().GetCount(), 4u);
    EXPECT_EQ(next.GetRecent().GetNewest(0).outcome, RecentAnnouncements::MUTED);

    MutedPerformers::SetMuted("kasa", false);
    EXPECT_EQ(Added("kasa", ONLINE_FREE_PUBLIC), (List{{"kasa", PopupDialog::KIND_ONLINE}}));
}

// The user's command runs for each announcement let through, with its fields, and for none
// that is muted or paused.
TEST_F(PopupDialogManagerTest, TheCommandRunsOnlyForAnnouncementsLetThrough) {
    const std::string dir = TestEnvironment::MakeTempDir("gate-command");
    const std::string script = dir + "/record";
    wxFFile(script, "w")
        .Write("#!/bin/sh\nprintf '%s %s\\n' \"$1\" \"$2\" >> \"$(dirname "
               "\"$0\")/runs\"\n");
    chmod(script.c_str(), 0755);
    ImageStore::GetConfig()->Write("/Announce/command", wxString(script) + " {name} {kind}");
    const auto runs = [&dir] {
        wxString text;
        if (wxFileExists(dir + "/runs"))
            wxFFile(dir + "/runs").ReadAll(&text);
        return text;
    };
    MutedPerformers::SetMuted("kasa", true);
    Added("kasa", ONLINE_FREE_PUBLIC);
    m_manager.SetPaused(true);
    Added("miro", ONLINE_FREE_PUBLIC);
    m_manager.SetPaused(false);
    Changed("nova", ONLINE_BUSY_PUBLIC, ONLINE_FREE_PUBLIC);
    ASSERT_TRUE(WaitFor([&] { return !runs().empty(); }));
    PumpEvents(300);
    EXPECT_EQ(runs().utf8_string(), "nova free\n");
}

// With "Hold pop-ups over a full-screen window" on, a window made full screen (under the
// window manager, which sets the state) holds the pop-ups: what comes is "held" in Recent and
// gets no pop-up; when the full screen ends one summary tells of it. Off, nothing is held.
TEST_F(PopupDialogManagerTest, AFullScreenWindowHoldsThePopupsUntilItEnds) {
    FullScreenWatch watch;
    auto* film = new wxFrame(nullptr, wxID_ANY, "film");
    film->Show();
    film->Raise();
    ASSERT_TRUE(WaitFor([&] { return film->IsActive(); }));
    film->ShowFullScreen(true);
    ASSERT_TRUE(WaitFor([&] { return watch.IsActiveWindowFullScreen(); }));

    m_manager.CheckHold();
    EXPECT_FALSE(m_manager.IsHeld()) << "off by default";
    ImageStore::GetConfig()->Write("/Announce/holdFullScreen", "1");
    m_manager.CheckHold();
    EXPECT_TRUE(m_manager.IsHeld());
    EXPECT_EQ(Added("anna", ONLINE_FREE_PUBLIC), List{});
    EXPECT_EQ(Changed("bea", ONLINE_BUSY_PUBLIC, ONLINE_FREE_PUBLIC), List{});
    EXPECT_EQ(m_manager.GetRecent().GetNewest(0).outcome, RecentAnnouncements::HELD);
    EXPECT_EQ(RecentAnnouncements::OutcomeText(RecentAnnouncements::HELD), "held");
    EXPECT_EQ(m_manager.GetSummary(), nullptr);

    film->ShowFullScreen(false);
    ASSERT_TRUE(WaitFor([&] { return !watch.IsActiveWindowFullScreen(); }));
    // The manager's own check, twice a second.
    ASSERT_TRUE(WaitFor([&] { return !m_manager.IsHeld(); }));
    ASSERT_NE(m_manager.GetSummary(), nullptr);
    EXPECT_EQ(m_manager.GetSummary()->GetCount(), 2);
    EXPECT_TRUE(LivePopups().empty());
    film->Destroy();
    PumpEvents();
}

} // namespace
