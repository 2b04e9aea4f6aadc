#include "tests/popup/PopupTestSupport.h"

#include "resources/ImageStore.h"
#include "tests/support/TestEnvironment.h"
#include "ui/popup/PopupSummary.h"
#include "ui/popup/RecentWindow.h"
#include "ui/popup/ThumbnailQueue.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

std::unique_ptr<SiteSimProcess> PopupSiteTest::ms_site;

std::vector<PopupDialog*> LivePopups() {
    std::vector<PopupDialog*> popups;
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* popup = dynamic_cast<PopupDialog*>(window);
            popup && !popup->IsBeingDeleted() && !wxTheApp->IsScheduledForDestruction(popup))
            popups.push_back(popup);
    return popups;
}

wxPoint CentreOnScreen(wxWindow* window) {
    const wxSize size = window->GetSize();
    return window->ClientToScreen(wxPoint(size.x / 2, size.y / 2));
}

wxPoint ScreenOrigin(wxWindow* window) {
    wxLogNull notYet; // "ClientToScreen cannot work" until it is mapped
    return window->ClientToScreen(wxPoint(0, 0));
}

bool WaitOnScreen(wxWindow* window, const wxPoint& where, int timeoutMs) {
    return WaitFor([&] { return window->IsShown() && ScreenOrigin(window) == where; }, timeoutMs);
}

void ClickAt(const wxPoint& where) {
    wxUIActionSimulator sim;
    sim.MouseMove(where);
    PumpEvents(100);
    sim.MouseClick();
    PumpEvents(100);
}

void PopupSiteTest::SetUpTestSuite() {
    ms_site = std::make_unique<SiteSimProcess>(std::vector<std::string>{"--performers", "4"});
}

void PopupSiteTest::TearDownTestSuite() {
    ms_site.reset();
}

void PopupSiteTest::SetUp() {
    TestEnvironment::ResetConfig();
    ms_site->UseAsSite();
    ms_site->Get("/_control/clear");
    // Long enough that no pop-up closes by itself during a test, unless the test wants it.
    ImageStore::GetConfig()->Write("/PopupDialog/duration", 120);
}

void PopupSiteTest::TearDown() {
    DestroyPopups();
    PopupPlaces::SetWorkAreaProvider(nullptr);
    ms_site->Get("/_control/clear");
}

void PopupSiteTest::MakeKnown(const std::string& name) {
    ASSERT_EQ(ms_site->Get("/_control/set?name=" + name + "&state=online"), 200);
}

PopupDialog* PopupSiteTest::NewPopup(const wxString& name, int kind) {
    return new PopupDialog(User(name, User::ONLINE | User::FREE), kind, nullptr, wxID_ANY,
                           wxEmptyString, wxDefaultPosition, wxDefaultSize,
                           wxSTAY_ON_TOP | wxDIALOG_NO_PARENT);
}

bool PopupSiteTest::WaitShown(PopupDialog* popup, int timeoutMs) {
    return WaitFor([popup] { return popup->IsShown(); }, timeoutMs);
}

// The downloads still running are left to finish first, so every test ends with the
// downloads it started; then every pop-up, summary and "Recent" window goes.
void PopupSiteTest::DestroyPopups() {
    WaitFor([] { return ThumbnailQueue::Running() == 0 && ThumbnailQueue::Waiting() == 0; }, 15000);
    const auto ours = [](wxWindow* window) {
        return dynamic_cast<PopupDialog*>(window) || dynamic_cast<PopupSummary*>(window) ||
               dynamic_cast<RecentWindow*>(window);
    };
    std::vector<wxWindow*> windows;
    for (wxWindow* window : wxTopLevelWindows)
        if (ours(window) && !window->IsBeingDeleted())
            windows.push_back(window);
    for (wxWindow* window : windows)
        window->Destroy();
    WaitFor(
        [&] {
            for (wxWindow* window : wxTopLevelWindows)
                if (ours(window))
                    return false;
            return PopupDialog::GetShownCount() == 0 && !PopupPlaces::IsTopReserved();
        },
        5000);
}
