#include "ui/popup/PopupDialogManager.h"

#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/popup/PopupCommandIds.h"
#include "ui/popup/PopupDialog.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/tokenzr.h>
#include <wx/toplevel.h>

#include <vector>

// clang-format off
wxBEGIN_EVENT_TABLE(PopupDialogManager, wxEvtHandler)
    EVT_USER_ADDED(PopupDialogManager::OnUserAdded)
    EVT_USER_CHANGED(PopupDialogManager::OnUserChanged)
wxEND_EVENT_TABLE();
// clang-format on

PopupDialogManager::PopupDialogManager() {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::PopupDialogManager()", this);
}

PopupDialogManager::~PopupDialogManager() {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::~PopupDialogManager()", this);
    DestroyPopups();
}

// A pop-up still waiting for its picture would otherwise appear after the program's window
// closed, and every pop-up left keeps the program running until its own timer ends.
void PopupDialogManager::DestroyPopups() {
    // Collected first: destroying may change the list of top-level windows.
    std::vector<PopupDialog*> popups;
    for (wxWindow* window : wxTopLevelWindows)
        // A C++ cast: the toolkit's cast converts the pointer before it checks the class.
        if (auto* popup = dynamic_cast<PopupDialog*>(window))
            if (!popup->IsBeingDeleted())
                popups.push_back(popup);
    for (PopupDialog* popup : popups)
        popup->Destroy();
}

// An addition is a change from status 0.
void PopupDialogManager::OnUserAdded(UserEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::OnUserAdded(%s)", this,
               event.GetUser().GetName());
    UserEvent changed(event);
    changed.SetEventType(wxEVT_USER_CHANGED);
    changed.SetOldStatus(0);
    ProcessEvent(changed);
}

void PopupDialogManager::OnUserChanged(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]PopupDialogManager::OnUserChanged(%s, %lx -> %lx)", this,
               user.GetName(), event.GetOldStatus(), user.GetStatus());
    const int kind = KindOfNews(event.GetOldStatus(), user.GetStatus());
    if (!kind)
        return;
    if (OnlyFavoritesWanted() && !IsFavorite(user.GetName()))
        return;
    new PopupDialog(user, kind, nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                    wxSTAY_ON_TOP | wxDIALOG_NO_PARENT);
}

// "No old status" has every bit set, BUSY among them; it is no evidence of having been busy.
int PopupDialogManager::KindOfNews(unsigned long oldStatus, unsigned long newStatus) {
    if (oldStatus == 0 && (newStatus & User::ONLINE))
        return PopupDialog::KIND_ONLINE;
    if (oldStatus != UserEvent::NO_OLD_STATUS && (oldStatus & User::BUSY) &&
        (newStatus & User::FREE))
        return PopupDialog::KIND_FREE;
    return 0;
}

// The main frame keeps the item disabled until favourites are loaded, so only an enabled and
// checked item restricts the pop-ups.
bool PopupDialogManager::OnlyFavoritesWanted() {
    wxWindow* top = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    // A C++ cast: the toolkit's cast converts the pointer before it checks the class.
    auto* frame = dynamic_cast<wxFrame*>(top);
    wxMenuBar* menuBar = frame ? frame->GetMenuBar() : nullptr;
    wxMenuItem* item = menuBar ? menuBar->FindItem(ID_POPUP_ONLY_FAVORITE) : nullptr;
    return item && item->IsEnabled() && item->IsCheckable() && item->IsChecked();
}

// "/favorites" is a list of names each followed by ","; names compare exactly.
bool PopupDialogManager::IsFavorite(const wxString& name) {
    const wxString favorites = ImageStore::GetConfig()->Read("/favorites", wxString());
    wxStringTokenizer tokens(favorites, ",");
    while (tokens.HasMoreTokens())
        if (tokens.GetNextToken() == name)
            return true;
    return false;
}
