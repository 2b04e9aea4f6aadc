#include "tests/popup/PopupTestSupport.h"

#include "resources/ImageStore.h"
#include "tests/support/TestEnvironment.h"

#include <wx/app.h>
#include <wx/toplevel.h>

std::unique_ptr<SiteSimProcess> PopupSiteTest::ms_site;

std::vector<PopupDialog*> LivePopups() {
    std::vector<PopupDialog*> popups;
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* popup = dynamic_cast<PopupDialog*>(window);
            popup && !popup->IsBeingDeleted() && !wxTheApp->IsScheduledForDestruction(popup))
            popups.push_back(popup);
    return popups;
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
    PopupDialog::SetWorkAreaProvider(nullptr);
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

// A pop-up still waiting for its download is left to finish first, so every test ends with
// the downloads it started.
void PopupSiteTest::DestroyPopups() {
    WaitFor(
        [] {
            for (PopupDialog* popup : LivePopups())
                if (!popup->IsShown())
                    return false;
            return true;
        },
        15000);
    for (PopupDialog* popup : LivePopups())
        popup->Destroy();
    WaitFor([] { return LivePopups().empty() && PopupDialog::GetShownCount() == 0; }, 5000);
}
