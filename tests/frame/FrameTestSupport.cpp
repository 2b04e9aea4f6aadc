#include "tests/frame/FrameTestSupport.h"

#include "core/KestovaSite.h"
#include "core/Site.h"
#include "history/HistoryStore.h"
#include "resources/ImageStore.h"
#include "tests/support/TestEnvironment.h"
#include "ui/frame/AuthenticationDialog.h"
#include "ui/popup/PopupDialog.h"

#include <wx/filefn.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <cstdio>

namespace frametest {

SiteSimProcess& TestSite() {
    // Referring to the site module's class keeps it linked in, so the toolkit creates the site.
    static const bool linked = wxCLASSINFO(KestovaSite)->IsKindOf(wxCLASSINFO(wxModule));
    static SiteSimProcess site({"--performers", "12", "--tick", "0", "--seed", "11", "--account",
                                "demo:secret:fav_free,fav_busy,fav_gone", "--account",
                                std::string("odd:") + ODD_PASSWORD + ":fav_free"});
    EXPECT_TRUE(linked);
    EXPECT_NE(nullptr, ::Site::GetInstance());
    return site;
}

void FreshSettings() {
    TestEnvironment::ResetConfig();
    // The history too, which would bring back the announcements of earlier tests.
    for (const char* suffix : {"", "-wal", "-shm"})
        if (wxFileExists(HistoryStore::DefaultPath() + suffix))
            wxRemoveFile(HistoryStore::DefaultPath() + suffix);
    TestSite().UseAsSite();
    TestSite().Get("/_control/clear");
    auto config = ImageStore::GetConfig();
    config->Write("/System/syncinterval", 1L);
    config->Write("/PopupDialog/duration", 2L);
}

MainFrame* OpenFrame() {
    auto* frame = new MainFrame();
    EXPECT_TRUE(WaitFor([frame] { return frame->IsShownOnScreen(); }, 5000));
    PumpEvents(50);
    return frame;
}

void CloseFrame(MainFrame* frame) {
    wxWeakRef<MainFrame> ref(frame);
    frame->Destroy();
    EXPECT_TRUE(WaitFor([&] { return !ref; }, 15000)) << "the frame was not destroyed";
}

void CloseAllWindows() {
    std::vector<wxWeakRef<wxWindow>> windows;
    for (wxWindow* window : wxTopLevelWindows)
        windows.emplace_back(window);
    for (auto& window : windows)
        if (window)
            window->Destroy();
    EXPECT_TRUE(WaitFor(
        [&] {
            for (auto& window : windows)
                if (window)
                    return false;
            return true;
        },
        15000));
}

void SendMenu(wxWindow* frame, int id, bool checked) {
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetInt(checked ? 1 : 0);
    event.SetEventObject(frame);
    frame->GetEventHandler()->ProcessEvent(event);
}

bool OnScreen(const MainFrame* frame) {
    const std::string command = "xdotool search --onlyvisible --name '^" +
                                frame->GetTitle().utf8_string() + "$' 2>/dev/null";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[128];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    return !output.empty();
}

std::function<int(wxDialog*)> AnswerAccount(const wxString& id, const wxString& password,
                                            wxString* seenId, wxString* seenPassword) {
    return [=](wxDialog* dialog) {
        auto* account = dynamic_cast<AuthenticationDialog*>(dialog);
        EXPECT_NE(nullptr, account) << "expected the account dialog";
        if (!account)
            return static_cast<int>(wxID_CANCEL);
        EXPECT_EQ("Authentication", account->GetTitle());
        if (seenId)
            *seenId = account->GetUserNameField()->GetValue();
        if (seenPassword)
            *seenPassword = account->GetPasswordField()->GetValue();
        account->GetUserNameField()->SetValue(id);
        account->GetPasswordField()->SetValue(password);
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(account->FindWindow(wxID_OK));
        account->GetEventHandler()->ProcessEvent(click);
        return static_cast<int>(wxID_OK);
    };
}

std::function<int(wxDialog*)> AnswerOk() {
    return [](wxDialog*) { return static_cast<int>(wxID_OK); };
}

int RunModalWith(wxDialog& dialog, const std::function<void()>& whileShown) {
    dialog.CallAfter([&dialog, whileShown] {
        WaitFor([&] { return dialog.IsShownOnScreen(); }, 3000);
        PumpEvents(150);
        whileShown();
        if (!WaitFor([&] { return !dialog.IsModal(); }, 3000))
            dialog.EndModal(-1);
    });
    return dialog.ShowModal();
}

void ClickButton(wxDialog& dialog, int buttonId) {
    wxWindow* button = dialog.FindWindow(buttonId);
    ASSERT_NE(nullptr, button);
    const wxRect onScreen = button->GetScreenRect();
    wxUIActionSimulator pointer;
    pointer.MouseMove(onScreen.GetPosition() + onScreen.GetSize() / 2);
    PumpEvents(100);
    pointer.MouseClick();
    PumpEvents(100);
}

std::vector<std::string> ChildNames(wxTreeCtrl* tree, const wxTreeItemId& parent) {
    std::vector<std::string> names;
    if (!parent.IsOk())
        return names;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId item = tree->GetFirstChild(parent, cookie); item.IsOk();
         item = tree->GetNextChild(parent, cookie))
        names.push_back(tree->GetItemText(item).utf8_string());
    std::sort(names.begin(), names.end());
    return names;
}

bool SiteHasOnline(const char* name) {
    const UserList list = ::Site::GetInstance()->GetUserList();
    const User* user = list.FindUser(name);
    return user && (user->GetStatus() & User::ONLINE);
}

std::vector<std::string> PopupNames() {
    std::vector<std::string> names;
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* popup = dynamic_cast<PopupDialog*>(window))
            names.push_back(popup->GetUser().GetName().utf8_string());
    return names;
}

size_t LoginRequests() {
    size_t count = 0;
    for (const std::string& line : TestSite().LogLines())
        count += line.find("/zirovudaroro?") != std::string::npos;
    return count;
}

} // namespace frametest
