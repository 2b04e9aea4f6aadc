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

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/mstream.h>

#include <cstdio>

std::unique_ptr<SiteSimProcess> PopupSiteTest::ms_site;

unsigned long XWindowOf(wxWindow* window) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window->GetHandle());
    return gdkWindow ? GDK_WINDOW_XID(gdkWindow) : 0;
}

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, got);
        pclose(pipe);
    }
    return out;
}

wxImage ShotOf(wxWindow* window) {
    const unsigned long id = XWindowOf(window);
    if (!id)
        return wxImage();
    const std::string png = Output("import -window " + std::to_string(id) + " png:- 2>/dev/null");
    wxMemoryInputStream stream(png.data(), png.size());
    wxLogNull quiet;
    return png.empty() ? wxImage() : wxImage(stream, wxBITMAP_TYPE_PNG);
}

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
