// The main frame on its own: layout, menus, stored settings, geometry, the splash screen.
#include "core/SiteEndpoints.h"
#include "history/HistoryStore.h"
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "ui/frame/PreferencesDialog.h"
#include "ui/history/HistoryService.h"
#include "ui/history/HistoryWindow.h"
#include "ui/trees/AllTreeCtrl.h"

#include <gtest/gtest.h>
#include <wx/display.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/splash.h>
#include <wx/stattext.h>
#include <wx/stopwatch.h>
#include <wx/weakref.h>

#include <set>

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

std::vector<std::string> OnlineNames(AllTreeCtrl* tree) {
    return ChildNames(tree, tree->GetGroupItem());
}

// Answers the preferences with these hosts (and further changes) through the OK button.
std::function<int(wxDialog*)> AnswerPreferences(const std::string& host,
                                                const std::function<void(wxDialog&)>& more = {}) {
    return [=](wxDialog* dialog) {
        if (!dynamic_cast<PreferencesDialog*>(dialog)) {
            ADD_FAILURE() << "expected the preferences, got \"" << dialog->GetTitle() << "\"";
            return static_cast<int>(wxID_CANCEL);
        }
        for (const char* key : {"/Site/webHost", "/Site/imageHost", "/Site/previewHost"})
            Control<wxTextCtrl>(*dialog, key)->SetValue(wxString::FromUTF8(host));
        if (more)
            more(*dialog);
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(dialog->FindWindow(wxID_OK));
        dialog->GetEventHandler()->ProcessEvent(click);
        return static_cast<int>(wxID_OK);
    };
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
    wxMenuItem* third = bar->GetMenu(1)->FindItemByPosition(2);
    EXPECT_EQ(MainFrame::ID_PREFERENCES, third->GetId());
    EXPECT_EQ("Pr&eferences...", third->GetItemLabel());
    // Alt and a letter reach one item of each menu.
    for (size_t menu = 0; menu < bar->GetMenuCount(); ++menu) {
        std::set<wxUniChar> letters;
        for (const wxMenuItem* item : bar->GetMenu(menu)->GetMenuItems()) {
            const wxString label = item->GetItemLabel();
            const size_t mark = label.find('&');
            ASSERT_LT(mark + 1, label.length()) << label;
            EXPECT_TRUE(letters.insert(wxTolower(label[mark + 1])).second) << label;
        }
    }

    // The refresh thread runs and feeds the all-users tree.
    AllTreeCtrl* tree = frame->GetAllTree();
    EXPECT_TRUE(WaitFor(
        [tree] {
            return tree->GetGroupItem().IsOk() && tree->GetChildrenCount(tree->GetGroupItem()) > 0;
        },
        10000));
}

TEST_F(MainFrameTest, StoredPopupOnlyFavoriteShowsCheckedButStaysDisabled) {
    ImageStore::GetConfig()->Write("/PopupDialog/onlyFavorite",
                                   wxString("true")); // as typed by hand
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

TEST_F(MainFrameTest, PreferencesApplyANewSiteAndIntervalAtOnceAndKeepTheMenuInStep) {
    SiteSimProcess other({"--performers", "0", "--tick", "0"});
    const std::string script = TestEnvironment::MakeTempDir("other") + "/online.js";
    wxFFile(script, "w")
        .Write("bravo_one.viewers = 1;\nonline_performers.add(bravo_one);\n"
               "bravo_two.viewers = 2;\nonline_performers.add(bravo_two);\n");
    ASSERT_EQ(200, other.Get("/_control/script?file=" + script));
    // An hour's interval: only the new settings can bring the next refresh this soon.
    ImageStore::GetConfig()->Write("/System/syncinterval", 3600L);
    MainFrame* frame = OpenFrame();
    AllTreeCtrl* tree = frame->GetAllTree();
    ASSERT_TRUE(WaitFor([tree] { return !OnlineNames(tree).empty(); }, 10000));

    ModalAnswerer answers;
    answers.Expect(AnswerPreferences(other.HostPort(), [](wxDialog& dialog) {
        Control<wxSpinCtrl>(dialog, "/System/syncinterval")->SetValue(2);
        Control<wxCheckBox>(dialog, "/PopupDialog/onlyFavorite")->SetValue(true);
        Control<wxCheckBox>(dialog, "/PopupDialog/paused")->SetValue(true);
    }));
    SendMenu(frame, MainFrame::ID_PREFERENCES);
    EXPECT_EQ(0u, answers.Pending());
    const std::vector<std::string> expected{"bravo_one", "bravo_two"};
    EXPECT_TRUE(WaitFor([&] { return OnlineNames(tree) == expected; }, 10000));
    EXPECT_EQ(2, ImageStore::GetConfig()->ReadLong("/System/syncinterval", 0));
    // The stored choices and the menus' check marks agree; favourites only waits for them.
    EXPECT_TRUE(frame->GetMenuBar()->IsChecked(ID_POPUP_ONLY_FAVORITE));
    EXPECT_FALSE(frame->GetMenuBar()->IsEnabled(ID_POPUP_ONLY_FAVORITE));
    EXPECT_TRUE(frame->ArePopupsPaused());
    EXPECT_TRUE(frame->GetMenuBar()->IsChecked(ID_PAUSE_POPUPS));
}

TEST_F(MainFrameTest, FirstStartWithThePlaceholderSiteAsksForItAndOkShowsTheLiveList) {
    TestEnvironment::ResetConfig();
    SiteEndpoints::Load();
    ImageStore::GetConfig()->Write("/System/syncinterval", 1L);
    ModalAnswerer answers;
    answers.Expect([](wxDialog* dialog) {
        // Nothing stays on top of the question, and it starts at the site's web host.
        EXPECT_EQ(nullptr, FindSplash());
        if (auto* web = Control<wxTextCtrl>(*dialog, "/Site/webHost")) {
            EXPECT_EQ("www.kestova.example", web->GetValue());
        }
        return AnswerPreferences(TestSite().HostPort())(dialog);
    });
    ASSERT_TRUE(SiteRun());
    wxWeakRef<MainFrame> frame(dynamic_cast<MainFrame*>(wxTheApp->GetTopWindow()));
    ASSERT_TRUE(frame);
    EXPECT_TRUE(WaitFor([&] { return answers.Pending() == 0; }));
    EXPECT_TRUE(
        WaitFor([&] { return !frame || !OnlineNames(frame->GetAllTree()).empty(); }, 10000));
    EXPECT_TRUE(frame) << "the placeholder site gave up";
    EXPECT_EQ(TestSite().HostPort(), ImageStore::GetConfig()->Read("/Site/webHost", ""));
}

TEST_F(MainFrameTest, ExitWhileThePreferencesAreOpenEndsThemFirst) {
    MainFrame* frame = OpenFrame();
    wxWeakRef<MainFrame> ref(frame);
    bool sawDialog = false;
    frame->CallAfter([&] {
        sawDialog = WaitFor([] {
            for (wxWindow* window : wxTopLevelWindows)
                if (auto* dialog = dynamic_cast<PreferencesDialog*>(window))
                    return dialog->IsModal() && dialog->IsShownOnScreen();
            return false;
        });
        // What the tray's "E&xit" or the site's give-up send.
        wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
        frame->GetEventHandler()->AddPendingEvent(exit);
    });
    SendMenu(frame, MainFrame::ID_PREFERENCES); // the real modal loop
    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(WaitFor([&] { return !ref; }, 15000));
}

// A history file that cannot be used is told once, after the window is up; the watching goes
// on, and the window of "When online..." says why it has nothing.
TEST_F(MainFrameTest, ADamagedHistoryIsToldOnceAndTheWatchingGoesOn) {
    const wxString path = HistoryStore::DefaultPath();
    wxFileName::Mkdir(wxFileName(path).GetPath(), 0700, wxPATH_MKDIR_FULL);
    for (const char* suffix : {"-wal", "-shm"})
        if (wxFileExists(path + suffix))
            wxRemoveFile(path + suffix);
    wxFFile(path, "w").Write("no history in here, only words");
    ModalAnswerer answers;
    answers.Expect(AnswerOk());
    MainFrame* frame = OpenFrame();
    ASSERT_TRUE(WaitFor([&] { return answers.GetShown().size() == 1; }));
    EXPECT_EQ("History", answers.GetShown()[0].title);
    const wxString told = wxString::FromUTF8(answers.GetShown()[0].message);
    EXPECT_TRUE(told.Contains(path + " cannot be used: it is damaged")) << told;

    AllTreeCtrl* tree = frame->GetAllTree();
    EXPECT_TRUE(WaitFor(
        [tree] {
            return tree->GetGroupItem().IsOk() && tree->GetChildrenCount(tree->GetGroupItem()) > 0;
        },
        10000));
    HistoryWindow* window = frame->GetHistory()->ShowWindow("anna");
    wxString why = window->GetSummary()->GetLabelText();
    why.Replace("\n", " "); // wrapped to the grid's width
    EXPECT_EQ(told, why);
    PumpEvents(300);
    EXPECT_EQ(1u, answers.GetShown().size());
    CloseFrame(frame);
    wxRemoveFile(path);
}
