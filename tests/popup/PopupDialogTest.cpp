// The pop-up window for real: thumbnails from sitesim, placement, the closing timer, clicks
// and the focus, on a display with a window manager.
#include "tests/popup/PopupTestSupport.h"

#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestEnvironment.h"
#include "ui/popup/PopupSummary.h"
#include "ui/popup/ThumbnailQueue.h"

#include <wx/frame.h>
#include <wx/imagjpeg.h>
#include <wx/mstream.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <cmath>
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

// What the X server holds of a window's properties, as xprop prints them.
std::string XProperties(wxWindow* window, const char* names) {
    const unsigned long id = XWindowOf(window);
    return id ? Output("xprop -id " + std::to_string(id) + " " + names + " 2>/dev/null") : "";
}

// The contrast ratio of two colours (WCAG 2): from 1 to 21.
double Contrast(const wxColour& a, const wxColour& b) {
    const auto luminance = [](const wxColour& c) {
        const auto channel = [](unsigned char value) {
            const double s = value / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.Red()) + 0.7152 * channel(c.Green()) + 0.0722 * channel(c.Blue());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The least contrast of white text against the pixels of a picture's columns from x0 to x1
// (excluded): where the picture has no text of its own, all of it is background.
double LeastContrastOfWhite(const wxImage& image, int x0, int x1) {
    double least = 21;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = x0; x < x1; ++x)
            least = std::min(least,
                             Contrast(*wxWHITE, wxColour(image.GetRed(x, y), image.GetGreen(x, y),
                                                         image.GetBlue(x, y))));
    return least;
}

// Largest per-channel difference between a picture and the part of a larger one at where.
int MaxDifferenceAt(const wxImage& big, const wxPoint& where, const wxImage& part) {
    int worst = 0;
    for (int y = 0; y < part.GetHeight(); ++y)
        for (int x = 0; x < part.GetWidth(); ++x)
            for (int c = 0; c < 3; ++c) {
                const unsigned char* a = part.GetData() + 3 * (y * part.GetWidth() + x);
                const unsigned char* b =
                    big.GetData() + 3 * ((where.y + y) * big.GetWidth() + where.x + x);
                worst = std::max(worst, std::abs(int(a[c]) - int(b[c])));
            }
    return worst;
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

    // One goes: the oldest waiting one takes its place.
    const wxPoint freed = ScreenOrigin(popups[0]);
    popups[0]->Destroy();
    ASSERT_TRUE(WaitFor([&] { return popups[4]->IsShown(); }));
    EXPECT_TRUE(WaitOnScreen(popups[4], freed));
    EXPECT_FALSE(popups[5]->IsShown());
    EXPECT_EQ(PopupDialog::GetShownCount(), 4);
    EXPECT_EQ(PopupDialog::GetWaitingCount(), 1);
}

// A lower pop-up that closes leaves its place to the next one, which must not take the place of
// the count and cover one still up; and when the work area shrinks under a pop-up, that one
// alone moves, to a place that covers nothing.
TEST_F(PopupDialogTest, ANewPopupTakesTheLowestFreePlaceAndOnlyAShrinkingAreaMovesOne) {
    wxRect area(0, 0, 1024, 740);
    PopupPlaces::SetWorkAreaProvider([&area] { return area; });
    MakeKnown("lumika");
    PopupDialog* lower = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(lower));
    PopupDialog* upper = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(upper));
    ASSERT_TRUE(WaitOnScreen(upper, wxPoint(874, 440)));
    lower->Destroy();
    ASSERT_TRUE(WaitFor([] { return PopupDialog::GetShownCount() == 1; }));

    PopupDialog* next = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(next));
    EXPECT_TRUE(WaitOnScreen(next, wxPoint(874, 590)))
        << ScreenOrigin(next).x << "," << ScreenOrigin(next).y;
    EXPECT_EQ(ScreenOrigin(upper), wxPoint(874, 440));

    // A panel 40 pixels high at the bottom: the places below the upper one now overlap it.
    area = wxRect(0, 0, 1024, 700);
    EXPECT_TRUE(WaitOnScreen(next, wxPoint(874, 250), 3 * PopupPlaces::CHECK_MS))
        << ScreenOrigin(next).x << "," << ScreenOrigin(next).y;
    EXPECT_EQ(ScreenOrigin(upper), wxPoint(874, 440)) << "a pop-up the area still holds stays";
    EXPECT_EQ(PopupDialog::GetShownCount(), 2);
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

// The pop-up and the summary are notifications to the window manager: no task bar entry, no
// pager, no focus; and neither takes the activation when it appears or is clicked.
TEST_F(PopupDialogTest, IsANotificationThatNeverTakesTheActivationFromTheWindowInUse) {
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

    auto* summary = new PopupSummary(PopupSummary::REASON_OVERFLOW, [] {});
    summary->Add(User("oreva", User::ONLINE), PopupDialog::KIND_ONLINE);
    summary->Appear();
    ASSERT_TRUE(WaitFor([summary] { return summary->IsShown(); }));
    for (wxTopLevelWindow* window : std::vector<wxTopLevelWindow*>{popup, summary}) {
        SCOPED_TRACE(window->GetTitle().utf8_string());
        std::string properties;
        EXPECT_TRUE(WaitFor(
            [&] {
                properties = XProperties(window, "_NET_WM_WINDOW_TYPE _NET_WM_STATE WM_HINTS");
                return properties.find("_NET_WM_STATE_SKIP_PAGER") != std::string::npos;
            },
            5000));
        EXPECT_NE(properties.find("_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_NOTIFICATION"),
                  std::string::npos)
            << properties;
        EXPECT_NE(properties.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << properties;
        EXPECT_NE(properties.find("accepts input or input focus: False"), std::string::npos)
            << properties;
    }
    EXPECT_EQ(ActiveWindowName(), "popup focus witness");

    // Nor does a click on it.
    ClickAt(CentreOnScreen(popup->GetStyleBar()));
    PumpEvents(500);
    EXPECT_TRUE(frame->IsActive());
    EXPECT_EQ(ActiveWindowName(), "popup focus witness");

    frame->Destroy();
    PumpEvents();
}

// A long name ends in an ellipsis, whole in the tooltip; every text of the pop-up and the
// summary, white, reaches a contrast of 4.5:1 on what is behind it: the name's label as the
// screen shows it, and the skin's pictures where the texts are drawn over them.
TEST_F(PopupDialogTest, LongNamesAreEllipsisedAndEveryTextReachesAContrastOfFourAndAHalf) {
    const wxString name = "Annabella_Konstantinopoulou_the_second";
    PopupDialog* popup = NewPopup(name);
    ASSERT_TRUE(WaitShown(popup));
    wxStaticText* label = popup->GetNameLabel();
    EXPECT_TRUE(label->GetLabel().EndsWith("...")) << label->GetLabel();
    EXPECT_LE(label->GetTextExtent(label->GetLabel()).x, label->GetSize().x);
    EXPECT_EQ(label->GetToolTipText(), name);
    PopupDialog* shortName = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(shortName));
    EXPECT_EQ(shortName->GetNameLabel()->GetLabel(), "lumika");
    EXPECT_EQ(shortName->GetNameLabel()->GetToolTipText(), "");

    // The label's left end holds no text: what the screen shows there is its background.
    ASSERT_TRUE(WaitOnScreen(shortName, PopupPlaces::GetPosition(1)));
    wxImage shot;
    ASSERT_TRUE(WaitFor([&] { return (shot = ShotOf(shortName)).IsOk(); }));
    const double scale = double(shot.GetWidth()) / shortName->GetSize().x;
    label = shortName->GetNameLabel();
    const wxPoint at = label->GetScreenPosition() - ScreenOrigin(shortName) + wxPoint(1, 2);
    const wxColour behind(shot.GetRed(int(at.x * scale), int(at.y * scale)),
                          shot.GetGreen(int(at.x * scale), int(at.y * scale)),
                          shot.GetBlue(int(at.x * scale), int(at.y * scale)));
    EXPECT_GE(Contrast(label->GetForegroundColour(), behind), 4.5) << behind.GetAsString();

    ImageStore* store = ImageStore::GetInstance();
    const wxImage content = store->GetBitmap("PopupDialog_contentPanel").ConvertToImage();
    EXPECT_GE(LeastContrastOfWhite(content, 0, content.GetWidth()), 4.5);
    // The bars' texts are centred, the title's after the icon: their ends are background.
    for (const char* bar :
         {"PopupDialog_titleBar", "PopupDialog_styleBar_ONLINE", "PopupDialog_styleBar_FREE"}) {
        SCOPED_TRACE(bar);
        const wxImage picture = store->GetBitmap(bar).ConvertToImage();
        const int w = picture.GetWidth();
        EXPECT_GE(LeastContrastOfWhite(picture, w - w / 8, w), 4.5);
        if (std::string(bar) != "PopupDialog_titleBar") {
            EXPECT_GE(LeastContrastOfWhite(picture, 0, w / 8), 4.5);
        }
    }
}

// The skin at the display's scale: its bars fill the pop-up from edge to edge, no strip beside
// them, and at a scale of 2 (GDK_SCALE=2, a run of its own) the screen shows the
// large pictures pixel for pixel, not the plain ones enlarged.
TEST_F(PopupDialogTest, TheSkinFillsThePopupInThePixelsOfTheDisplaysScale) {
    MakeKnown("lumika");
    PopupDialog* popup = NewPopup("lumika");
    ASSERT_TRUE(WaitShown(popup));
    ASSERT_TRUE(WaitOnScreen(popup, PopupPlaces::GetPosition(0)));
    PumpEvents(300);
    const int scale = int(ImageStore::DisplayScale());
    wxImage shot;
    ASSERT_TRUE(WaitFor([&] { return (shot = ShotOf(popup)).IsOk(); }));
    ASSERT_EQ(shot.GetSize(), PopupPlaces::POPUP_SIZE * scale);
    if (const char* folder = std::getenv("ROD_SHOT_DIR"))
        shot.SaveFile(wxString(folder) + wxString::Format("/popup-%dx.png", scale),
                      wxBITMAP_TYPE_PNG);

    for (wxStaticBitmap* bar : {popup->GetTitleBar(), popup->GetStyleBar()}) {
        const wxImage shown = bar->GetBitmap().ConvertToImage();
        const wxPoint at = bar->GetScreenPosition() - ScreenOrigin(popup);
        SCOPED_TRACE(wxString::Format("bar at %d,%d", at.x, at.y).utf8_string());
        EXPECT_EQ(shown.GetSize(), (bar == popup->GetTitleBar() ? PopupDialog::TITLE_BAR_SIZE
                                                                : PopupDialog::STYLE_BAR_SIZE) *
                                       scale);
        // From edge to edge.
        EXPECT_EQ(at.x, 0);
        EXPECT_EQ(shown.GetWidth(), PopupPlaces::POPUP_SIZE.x * scale);
        EXPECT_LE(MaxDifferenceAt(shot, at * scale, shown), 24);
        // What the plain picture would show: the large one at half its pixels, enlarged.
        if (scale == 2) {
            const wxImage plain =
                shown
                    .Scale(shown.GetWidth() / 2, shown.GetHeight() / 2, wxIMAGE_QUALITY_BOX_AVERAGE)
                    .Scale(shown.GetWidth(), shown.GetHeight());
            EXPECT_GT(MaxDifferenceAt(shot, at * scale, plain), 64) << "the plain picture enlarged";
        }
    }
}

} // namespace
