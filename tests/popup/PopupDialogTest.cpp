// The pop-up window for real: thumbnails from sitesim, placement, the closing timer, clicks
// and the focus, on a display with a window manager.
#include "tests/popup/PopupTestSupport.h"

#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestEnvironment.h"
#include "ui/popup/ThumbnailQueue.h"

#include <wx/frame.h>
#include <wx/imagjpeg.h>
#include <wx/mstream.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Largest per-channel difference between two pictures of the same size.
int MaxDifference(const wxImage& a, const wxImage& b) {
    int worst = 0;
    const unsigned char* pa = a.GetData();
    const unsigned char* pb = b.GetData();
    for (int i = 0; i < a.GetWidth() * a.GetHeight() * 3; ++i)
        worst = std::max(worst, std::abs(int(pa[i]) - int(pb[i])));
    return worst;
}

wxImage Shown(PopupDialog* popup) {
    return popup->GetProfileImage()->GetBitmap().ConvertToImage();
}

wxImage Placeholder() {
    return ImageStore::GetInstance()->GetBitmap("PopupDialog_profileImage").ConvertToImage();
}

// The title of the active window, as the window manager sees it.
std::string ActiveWindowName() {
    const char* command = "xdotool getactivewindow getwindowname 2>/dev/null";
    std::string out;
    if (FILE* pipe = popen(command, "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

class PopupDialogTest : public PopupSiteTest {};

TEST_F(PopupDialogTest, StacksUpwardFromTheBottomRightOfTheWorkArea) {
    PopupPlaces::SetWorkAreaProvider([] { return wxRect(0, 0, 1024, 740); });
    MakeKnown("lumika");
    PopupDialog* first = NewPopup("lumika");
    EXPECT_FALSE(first->IsShown()) << "appears only when the download has ended";
    ASSERT_TRUE(WaitShown(first));
    EXPECT_EQ(first->GetSize(), wxSize(150, 150));
    // Where the windows really are: the toolkit's record of a shown window's place lags behind
    // the window manager now and then (it reads 0,0 for a moment).
    EXPECT_TRUE(WaitOnScreen(first, wxPoint(874, 590), 3000))
        << ScreenOrigin(first).x << "," << ScreenOrigin(first).y;

    PopupDialog* second = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(second));
    EXPECT_TRUE(WaitOnScreen(second, wxPoint(874, 440), 3000))
        << ScreenOrigin(second).x << "," << ScreenOrigin(second).y;
    EXPECT_EQ(PopupDialog::GetShownCount(), 2);
    EXPECT_EQ(ScreenOrigin(first), wxPoint(874, 590)) << "pop-ups never move";
}

// A work area that starts lower (a panel at the top) holds as many as fit, stacked from its
// bottom edge, and one more waits: an area exactly two pop-ups high holds two, one a pixel
// lower only one, and one lower than a pop-up still shows one, from the area's top.
TEST_F(PopupDialogTest, BottomEdgeStaysOnAWorkAreaThatStartsLowerWhichHoldsAsManyAsFit) {
    MakeKnown("lumika");
    const std::vector<std::pair<int, std::vector<int>>> areas = {
        {710, {590, 440, 290, 140}}, {300, {180, 30}}, {299, {179}}, {100, {30}}};
    for (const auto& [height, tops] : areas) {
        SCOPED_TRACE(height);
        const wxRect area(0, 30, 1024, height);
        PopupPlaces::SetWorkAreaProvider([area] { return area; });
        std::vector<PopupDialog*> popups;
        for (size_t i = 0; i <= tops.size(); ++i)
            popups.push_back(NewPopup("lumika"));
        // The pictures come in any order: the tops of those shown, from the lowest.
        std::vector<int> shown;
        EXPECT_TRUE(WaitFor(
            [&] {
                shown.clear();
                for (PopupDialog* popup : popups)
                    if (popup->IsShown() && ScreenOrigin(popup).x == 874)
                        shown.push_back(ScreenOrigin(popup).y);
                std::sort(shown.rbegin(), shown.rend());
                return shown == tops && PopupDialog::GetWaitingCount() == 1;
            },
            15000));
        EXPECT_EQ(shown, tops);
        EXPECT_EQ(PopupDialog::GetShownCount(), static_cast<int>(tops.size()));
        EXPECT_EQ(PopupDialog::GetWaitingCount(), 1);
        DestroyPopups();
    }
}

// Six at once where four fit: four downloads at a time, four pop-ups on the screen, the other
// two hidden and not counted until a place comes free, oldest first.
TEST_F(PopupDialogTest, PopupsThatWouldLeaveTheWorkAreaWaitForAPlaceOldestFirst) {
    PopupPlaces::SetWorkAreaProvider([] { return wxRect(0, 0, 1024, 740); });
    MakeKnown("lumika");
    ASSERT_EQ(ms_site->Get("/_control/fault?path=%2FWebArchive%2F&mode=delay&ms=800&count=6"), 200);
    std::vector<PopupDialog*> popups;
    for (int i = 0; i < 6; ++i)
        popups.push_back(NewPopup("lumika"));
    EXPECT_EQ(ThumbnailQueue::Running(), 4);
    EXPECT_EQ(ThumbnailQueue::Waiting(), 2);

    ASSERT_TRUE(WaitFor([] { return PopupDialog::GetWaitingCount() == 2; }, 15000));
    EXPECT_EQ(ThumbnailQueue::Running(), 0);
    EXPECT_EQ(PopupDialog::GetShownCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(popups[i]->IsShown()) << i;
        EXPECT_GE(popups[i]->GetPosition().y, 0) << i;
    }
    EXPECT_FALSE(popups[4]->IsShown());
    EXPECT_FALSE(popups[5]->IsShown());

    // The lowest goes: the oldest waiting one takes the place of the count, as always.
    popups[0]->Destroy();
    ASSERT_TRUE(WaitFor([&] { return popups[4]->IsShown(); }));
    EXPECT_TRUE(WaitOnScreen(popups[4], wxPoint(874, 140)));
    EXPECT_FALSE(popups[5]->IsShown());
    EXPECT_EQ(PopupDialog::GetShownCount(), 4);
    EXPECT_EQ(PopupDialog::GetWaitingCount(), 1);
}

// A pop-up that goes before it was ever shown must not pull the next one below the screen.
TEST_F(PopupDialogTest, APopupDestroyedBeforeItAppearedLeavesTheStackAlone) {
    PopupPlaces::SetWorkAreaProvider([] { return wxRect(0, 0, 1024, 740); });
    MakeKnown("lumika");
    ASSERT_EQ(ms_site->Get("/_control/fault?path=%2FWebArchive%2F&mode=delay&ms=1500&count=1"),
              200);
    PopupDialog* waiting = NewPopup("lumika");
    waiting->Destroy();
    ASSERT_TRUE(WaitFor([] { return LivePopups().empty(); }));
    EXPECT_EQ(PopupDialog::GetShownCount(), 0);

    PopupDialog* next = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(next));
    EXPECT_TRUE(WaitOnScreen(next, wxPoint(874, 590)));
    // The abandoned download ends meanwhile; its result must reach nobody.
    PumpEvents(1800);
    EXPECT_EQ(PopupDialog::GetShownCount(), 1);
}

TEST_F(PopupDialogTest, ThumbnailIsSqueezedAndAskedForWithTheWebHostsName) {
    // A web host of its own, so that the header cannot be the image host's name by accident.
    ImageStore::GetConfig()->Write("/Site/webHost", "www.web-host.example");
    SiteEndpoints::Load();
    MakeKnown("lumika");
    const std::string path = "/WebArchive/lumika/thumbs/LinkedImage.jpg";
    const size_t logged = ms_site->LogLines().size();

    PopupDialog* popup = NewPopup("lumika", PopupDialog::KIND_FREE);
    ASSERT_TRUE(WaitShown(popup));
    std::vector<std::string> requests;
    WaitFor([&] {
        requests = ms_site->LogLines();
        requests.erase(requests.begin(), requests.begin() + logged);
        return !requests.empty();
    });
    EXPECT_EQ(requests, std::vector<std::string>{"GET\t" + path + "\twww.web-host.example\tgzip"});

    // The picture the image host serves, squeezed the same way.
    std::string body;
    ASSERT_EQ(ms_site->Get(path, &body), 200);
    wxMemoryInputStream stream(body.data(), body.size());
    wxImage expected;
    ASSERT_TRUE(wxJPEGHandler().LoadFile(&expected, stream, false));
    ASSERT_EQ(expected.GetSize(), wxSize(320, 240));
    expected.Rescale(107, 82);

    const wxImage shown = Shown(popup);
    ASSERT_EQ(shown.GetSize(), wxSize(107, 82));
    EXPECT_EQ(popup->GetProfileImage()->GetSize(), wxSize(107, 82));
    EXPECT_LE(MaxDifference(shown, expected), 2);
    EXPECT_EQ(popup->GetNameLabel()->GetLabel(), "lumika");
}

// Whatever the image host gives that is no usable picture, the pop-up still appears, with
// the placeholder, and the log says why.
TEST_F(PopupDialogTest, PlaceholderForMissingBrokenAndHugePictures) {
    const wxImage placeholder = Placeholder();
    ASSERT_TRUE(placeholder.IsOk());
    MakeKnown("lumika");
    LogCapture log;

    PopupDialog* missing = NewPopup("nobody_at_all");
    ASSERT_TRUE(WaitShown(missing));

    ASSERT_EQ(ms_site->Get("/_control/fault?path=%2FWebArchive%2F&mode=garbage&count=1"), 200);
    PopupDialog* garbage = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(garbage));

    // 10000 x 10000: refused from its header, never decoded.
    ASSERT_EQ(ms_site->Get("/_control/fault?path=%2FWebArchive%2F&mode=bigimage&count=1"), 200);
    PopupDialog* huge = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(huge));

    for (PopupDialog* popup : {missing, garbage, huge}) {
        const wxImage shown = Shown(popup);
        ASSERT_EQ(shown.GetSize(), placeholder.GetSize()) << popup->GetUser().GetName();
        EXPECT_EQ(MaxDifference(shown, placeholder), 0) << popup->GetUser().GetName();
    }
    EXPECT_EQ(PopupDialog::GetShownCount(), 3);
    EXPECT_TRUE(log.Holds("thumbnail of nobody_at_all: HTTP 404 from " + ms_site->HostPort()));
    EXPECT_TRUE(log.Holds("thumbnail of lumika: not a picture that can be shown"));
}

TEST_F(PopupDialogTest, ClicksOnPictureAndNameOpenThePreviewAndKeepThePopup) {
    BrowserRecorder browser;
    ImageStore::GetConfig()->Write("/Site/previewHost", "preview.test:8123");
    SiteEndpoints::Load();
    MakeKnown("lumika");
    PopupDialog* popup = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(popup));
    PumpEvents(300);

    ClickAt(CentreOnScreen(popup->GetTitleBar()));
    ClickAt(CentreOnScreen(popup->GetProfileImage()));
    ASSERT_TRUE(browser.WaitForLaunches(1));
    ClickAt(CentreOnScreen(popup->GetNameLabel()));
    ASSERT_TRUE(browser.WaitForLaunches(2));
    PumpEvents(300);

    const std::vector<std::string> launches = browser.Launches();
    ASSERT_EQ(launches.size(), 2u) << "the title bar opens nothing";
    for (const std::string& launch : launches)
        EXPECT_EQ(launch, "http://preview.test:8123/preview.shtml?lumika");
    ASSERT_EQ(LivePopups().size(), 1u);
    EXPECT_TRUE(popup->IsShown());
}

TEST_F(PopupDialogTest, NeverTakesTheActivationFromTheWindowInUse) {
    auto* frame =
        new wxFrame(nullptr, wxID_ANY, "popup focus witness", wxPoint(50, 50), wxSize(300, 200));
    frame->Show();
    frame->Raise();
    ASSERT_TRUE(WaitFor([frame] { return frame->IsActive(); }, 5000));
    ASSERT_EQ(ActiveWindowName(), "popup focus witness");

    MakeKnown("lumika");
    PopupDialog* popup = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(popup));
    PumpEvents(500);
    EXPECT_TRUE(frame->IsActive());
    EXPECT_EQ(ActiveWindowName(), "popup focus witness");

    // Nor does a click on it.
    ClickAt(CentreOnScreen(popup->GetStyleBar()));
    PumpEvents(500);
    EXPECT_TRUE(frame->IsActive());
    EXPECT_EQ(ActiveWindowName(), "popup focus witness");

    frame->Destroy();
    PumpEvents();
}

} // namespace
