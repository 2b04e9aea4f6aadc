// The main frame on its own: layout, menus, stored settings, geometry, the splash screen.
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "ui/trees/AllTreeCtrl.h"

#include <gtest/gtest.h>
#include <wx/display.h>
#include <wx/splash.h>
#include <wx/stopwatch.h>
#include <wx/weakref.h>

extern "C" bool SiteRun();

using namespace frametest;

namespace {

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override { FreshSettings(); }
    void TearDown() override { CloseAllWindows(); }
};

wxSplashScreen* FindSplash() {
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* splash = dynamic_cast<wxSplashScreen*>(window))
            return splash;
    return nullptr;
}

} // namespace

TEST_F(MainFrameTest, FirstStartShowsTheAllPageWithFavouritesLocked) {
    MainFrame* frame = OpenFrame();
    EXPECT_EQ("Orlavin ZirovUdaroro", frame->GetTitle());
    EXPECT_EQ(wxSize(240, 480), frame->GetSize());
    EXPECT_EQ(wxTheApp->GetTopWindow(), frame);

    wxNotebook* notebook = frame->GetNotebook();
    ASSERT_EQ(2u, notebook->GetPageCount());
    EXPECT_EQ("All", notebook->GetPageText(0));
    EXPECT_EQ("Favorite", notebook->GetPageText(1));
    EXPECT_EQ(0, notebook->GetSelection());
    EXPECT_EQ(frame->GetAllPage(), notebook->GetPage(0));
    EXPECT_FALSE(frame->GetFavoritePage()->IsEnabled());
    EXPECT_TRUE(frame->GetAllPage()->IsEnabled());

    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_EQ(2u, bar->GetMenuCount());
    EXPECT_EQ("&File", bar->GetMenuLabel(0));
    EXPECT_EQ("&Tool", bar->GetMenuLabel(1));
    EXPECT_EQ("E&xit", bar->FindItem(wxID_EXIT)->GetItemLabel());
    EXPECT_EQ("&UpdateFavorite", bar->FindItem(MainFrame::ID_UPDATE_FAVORITE)->GetItemLabel());
    wxMenuItem* only = bar->FindItem(ID_POPUP_ONLY_FAVORITE);
    ASSERT_NE(nullptr, only);
    EXPECT_EQ("&PopupOnlyFavorite", only->GetItemLabel());
    EXPECT_TRUE(only->IsCheckable());
    EXPECT_FALSE(only->IsChecked());
    EXPECT_FALSE(only->IsEnabled());

    // The refresh thread runs and feeds the all-users tree.
    AllTreeCtrl* tree = frame->GetAllTree();
    EXPECT_TRUE(WaitFor(
        [tree] {
            return tree->GetGroupItem().IsOk() && tree->GetChildrenCount(tree->GetGroupItem()) > 0;
        },
        10000));
}

TEST_F(MainFrameTest, StoredPopupOnlyFavoriteShowsCheckedButStaysDisabled) {
    ImageStore::GetConfig()->Write("/PopupDialog/onlyFavorite", true);
    MainFrame* frame = OpenFrame();
    wxMenuItem* only = frame->GetMenuBar()->FindItem(ID_POPUP_ONLY_FAVORITE);
    EXPECT_TRUE(only->IsChecked());
    EXPECT_FALSE(only->IsEnabled());
    // The manager only honours an enabled item: before favourites everyone is announced.
    EXPECT_FALSE(frame->AreFavoritesLoaded());
}

TEST_F(MainFrameTest, GeometryIsSavedOnCloseAndRestoredAndFavoritesAreForgotten) {
    MainFrame* frame = OpenFrame();
    frame->SetSize(37, 52, 310, 420);
    ASSERT_TRUE(WaitFor([frame] { return frame->GetRect() == wxRect(37, 52, 310, 420); }));
    ImageStore::GetConfig()->Write("/favorites", "somebody,");
    CloseFrame(frame);

    {
        auto config = ImageStore::GetConfig();
        EXPECT_EQ(37, config->ReadLong("/MainFrame/x", -99));
        EXPECT_EQ(52, config->ReadLong("/MainFrame/y", -99));
        EXPECT_EQ(310, config->ReadLong("/MainFrame/width", -99));
        EXPECT_EQ(420, config->ReadLong("/MainFrame/height", -99));
        EXPECT_FALSE(config->HasEntry("/favorites"));
    }

    frame = OpenFrame();
    EXPECT_TRUE(WaitFor([frame] { return frame->GetRect() == wxRect(37, 52, 310, 420); }))
        << "reopened at " << frame->GetRect().x << "," << frame->GetRect().y << " "
        << frame->GetRect().width << "x" << frame->GetRect().height;
}

TEST_F(MainFrameTest, MenuCommandsShowHideAndExitAndUnknownOnesChangeNothing) {
    MainFrame* frame = OpenFrame();
    wxWeakRef<MainFrame> ref(frame);
    const wxRect rect = frame->GetRect();

    SendMenu(frame, 4242);
    SendMenu(frame, wxID_ABOUT);
    PumpEvents(100);
    ASSERT_TRUE(ref);
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(rect, frame->GetRect());
    EXPECT_EQ(0, frame->GetNotebook()->GetSelection());
    EXPECT_FALSE(frame->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));
    EXPECT_FALSE(ImageStore::GetConfig()->HasEntry("/PopupDialog/onlyFavorite"));
    EXPECT_FALSE(ImageStore::GetConfig()->HasEntry("/MainFrame/x"));

    SendMenu(frame, wxID_CLOSE);
    EXPECT_FALSE(frame->IsShown());
    SendMenu(frame, wxID_OPEN);
    EXPECT_TRUE(frame->IsShown());

    SendMenu(frame, wxID_EXIT);
    EXPECT_TRUE(WaitFor([&] { return !ref; }, 15000));
    EXPECT_TRUE(ImageStore::GetConfig()->HasEntry("/MainFrame/width"));
}

TEST_F(MainFrameTest, SiteRunShowsASplashThatClosesItselfAfterItsDuration) {
    ImageStore::GetConfig()->Write("/SplashScreen/duration", 1L);
    wxStopWatch watch;
    ASSERT_TRUE(SiteRun());
    wxSplashScreen* splash = FindSplash();
    ASSERT_NE(nullptr, splash);
    EXPECT_TRUE(splash->HasFlag(wxSTAY_ON_TOP));
    EXPECT_TRUE(splash->HasFlag(wxFRAME_NO_TASKBAR));
    EXPECT_TRUE(splash->GetSplashWindow()->GetBitmap().IsOk());
    ASSERT_NE(nullptr, dynamic_cast<MainFrame*>(wxTheApp->GetTopWindow()));

    WaitFor([splash] { return splash->IsShownOnScreen(); }, 2000);
    const wxRect screen = wxDisplay(splash).GetGeometry();
    const wxPoint centre = splash->GetRect().GetPosition() + splash->GetSize() / 2;
    EXPECT_NEAR(screen.x + screen.width / 2, centre.x, 2);
    EXPECT_NEAR(screen.y + screen.height / 2, centre.y, 2);

    wxWeakRef<wxSplashScreen> ref(splash);
    EXPECT_TRUE(WaitFor([&] { return !ref; }, 4000));
    EXPECT_GE(watch.Time(), 900);
    CloseAllWindows();

    // Without a setting the splash stays three seconds.
    ImageStore::GetConfig()->DeleteEntry("/SplashScreen/duration");
    watch.Start();
    ASSERT_TRUE(SiteRun());
    ref = FindSplash();
    ASSERT_TRUE(ref);
    // Its timer starts inside SiteRun, after the watch.
    EXPECT_TRUE(WaitFor([&] { return !ref; }, 6000));
    EXPECT_GE(watch.Time(), 2950);
    EXPECT_LT(watch.Time(), 6000);
    CloseAllWindows();

    // A negative setting closes it at once rather than tripping the timer.
    ImageStore::GetConfig()->Write("/SplashScreen/duration", -4L);
    ASSERT_TRUE(SiteRun());
    ref = FindSplash();
    EXPECT_TRUE(WaitFor([&] { return !ref; }, 1500));
}
