// What the gate before every announcement decides, through the pop-up manager: muted
// performers, and what the user's setup adds to an announcement.
#include "tests/popup/PopupManagerFixture.h"

#include "resources/ImageStore.h"
#include "ui/announce/MutedPerformers.h"
#include "ui/history/HistoryService.h"
#include "ui/popup/PopupSummary.h"

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

} // namespace
