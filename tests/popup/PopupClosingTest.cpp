// When a pop-up closes: after its duration, held within its bounds, and not while the pointer
// rests on it when the setting asks for that.
#include "tests/popup/PopupTestSupport.h"

#include "resources/ImageStore.h"
#include "tests/support/TestEnvironment.h"
#include "ui/popup/PopupSettings.h"

#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/stopwatch.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

namespace {

class PopupClosingTest : public PopupSiteTest {};

TEST_F(PopupClosingTest, ClosesItselfWhenItsDurationHasPassed) {
    ImageStore::GetConfig()->Write("/PopupDialog/duration", 1);
    MakeKnown("lumika");
    PopupDialog* popup = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(popup));
    wxStopWatch sinceShown;
    ASSERT_TRUE(WaitFor([] { return LivePopups().empty(); }, 4000));
    EXPECT_GE(sinceShown.Time(), 900);
    EXPECT_LE(sinceShown.Time(), 2000);
    EXPECT_TRUE(WaitFor([] { return PopupDialog::GetShownCount() == 0; }, 2000));
}

// Out-of-range and unreadable settings: the duration is held within 1 s and an hour (0 closed
// a pop-up at once, a negative value never), the others fall back to their defaults.
TEST_F(PopupClosingTest, EverySettingIsReadWithinItsBounds) {
    MakeKnown("lumika");
    const std::vector<std::pair<const char*, int>> durations = {
        {"1", 1000},        {"0", 1000}, {"-5", 1000},   {"3600", 3600000}, {"3601", 3600000},
        {"99999", 3600000}, {"3", 3000}, {"soon", 8000}, {"", 8000}};
    for (const auto& [stored, milliseconds] : durations) {
        ImageStore::GetConfig()->Write("/PopupDialog/duration", wxString(stored));
        wxWeakRef<PopupDialog> popup(NewPopup("lumika"));
        ASSERT_TRUE(WaitFor([&] { return popup && popup->GetDestroyTimer(); })) << stored;
        EXPECT_EQ(popup->GetDestroyTimer()->GetInterval(), milliseconds) << stored;
        PumpEvents(100);
        ASSERT_TRUE(popup) << stored << " closed at once";
        EXPECT_TRUE(popup->GetDestroyTimer()->IsRunning()) << stored;
        popup->Destroy();
    }

    auto config = [](const char* key, const char* value) {
        ImageStore::GetConfig()->Write(key, wxString(value));
    };
    config("/PopupDialog/graceRefreshes", "10");
    EXPECT_EQ(PopupSettings::GraceRefreshes(), 10);
    for (const char* bad : {"11", "-1", "two", "3x", ""}) {
        config("/PopupDialog/graceRefreshes", bad);
        EXPECT_EQ(PopupSettings::GraceRefreshes(), 0) << bad;
    }
    config("/PopupDialog/holdWhileHovered", "1");
    EXPECT_TRUE(PopupSettings::HoldWhileHovered());
    config("/PopupDialog/paused", "TRUE");
    EXPECT_TRUE(PopupSettings::Paused());
    // The toolkit would take any number for true, and warn in a box about it.
    for (const char* bad : {"2", "yes please", ""}) {
        config("/PopupDialog/paused", bad);
        EXPECT_FALSE(PopupSettings::Paused()) << bad;
    }
}

// With "/PopupDialog/holdWhileHovered" on, the time stands still under the pointer and starts
// again from the full duration when the pointer leaves.
TEST_F(PopupClosingTest, HeldWhileThePointerIsOverIt) {
    ImageStore::GetConfig()->Write("/PopupDialog/duration", 1);
    ImageStore::GetConfig()->Write("/PopupDialog/holdWhileHovered", true);
    MakeKnown("lumika");
    wxWeakRef<PopupDialog> popup(NewPopup("lumika"));
    wxUIActionSimulator sim;
    sim.MouseMove(10, 10);
    ASSERT_TRUE(WaitShown(popup));
    ASSERT_TRUE(WaitOnScreen(popup, PopupPlaces::GetPosition(0)));
    sim.MouseMove(CentreOnScreen(popup->GetNameLabel()));
    ASSERT_TRUE(WaitFor([&] { return popup && !popup->GetDestroyTimer()->IsRunning(); }, 3000));
    // From the picture to the bars: still over the pop-up.
    sim.MouseMove(CentreOnScreen(popup->GetProfileImage()));
    PumpEvents(200);
    ASSERT_TRUE(popup);
    sim.MouseMove(CentreOnScreen(popup->GetStyleBar()));
    PumpEvents(1500);
    ASSERT_TRUE(popup) << "closed under the pointer";
    EXPECT_FALSE(popup->GetDestroyTimer()->IsRunning());

    sim.MouseMove(10, 10);
    wxStopWatch sinceLeft;
    ASSERT_TRUE(WaitFor([] { return LivePopups().empty(); }, 5000));
    EXPECT_GE(sinceLeft.Time(), 900) << "the full duration after the pointer left";
}

} // namespace
