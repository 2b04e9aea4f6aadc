#include "ui/trees/AllTreeCtrl.h"

#include "resources/Trace.h"

#include <wx/imaglist.h>
#include <wx/log.h>

// clang-format off
wxBEGIN_EVENT_TABLE(AllTreeCtrl, UserListTreeCtrl)
    EVT_USER_ADDED(AllTreeCtrl::OnUserAdded)
    EVT_USER_CHANGED(AllTreeCtrl::OnUserChanged)
    EVT_USER_DELETED(AllTreeCtrl::OnUserDeleted)
    EVT_USER_LIST_INITIALIZED(AllTreeCtrl::OnUserListInitialized)
wxEND_EVENT_TABLE();
// clang-format on

AllTreeCtrl::AllTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                         long style, const wxValidator& validator, const wxString& name)
    : UserListTreeCtrl(parent, id, pos, size, style, validator, name) {
    wxLogTrace(ROD_TRACE, "[%p]AllTreeCtrl::AllTreeCtrl()", this);
    auto* images = new wxImageList(16, 16, true, 1);
    const int groupIcon = AddSkinImage(images, "UserListTreeCtrl_onlineGroupIcon");
    m_freeIcon = AddSkinImage(images, "UserListTreeCtrl_freeIcon");
    m_busyIcon = AddSkinImage(images, "UserListTreeCtrl_busyIcon");
    AssignImageList(images);

    m_label = _("Online");
    m_onlineGroup = AppendItem(GetRootItem(), wxString::Format("%s (%s)", m_label, _("Loading")),
                               groupIcon, groupIcon, nullptr);
    // An expand button while still empty tells that the list is on its way.
    SetItemHasChildren(m_onlineGroup, true);
}

void AllTreeCtrl::UpdateGroupLabel() {
    const size_t count = GetChildrenCount(m_onlineGroup, true);
    SetItemText(m_onlineGroup, wxString::Format("%s (%d)", m_label, static_cast<int>(count)));
}

// Free wins over busy; an online performer without either flag counts as free.
int AllTreeCtrl::IconFor(unsigned long status) const {
    return OnlineIcon(status, m_freeIcon, m_busyIcon);
}

void AllTreeCtrl::OnUserListInitialized(UserListEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]AllTreeCtrl::OnUserListInitialized(%zu)", this,
               event.GetUserList().size());
    UserListTreeCtrl::OnUserListInitialized(event);
    Expand(m_onlineGroup);
    UpdateGroupLabel();
}

void AllTreeCtrl::OnUserAdded(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]AllTreeCtrl::OnUserAdded(%s)", this, user.GetName());
    AddUserRow(m_onlineGroup, user, -1);
    // The change handler chooses the icon (and the base one stores the user again).
    UserEvent changed(user, wxEVT_USER_CHANGED, UserEvent::NO_OLD_STATUS);
    ProcessEvent(changed);
    UpdateGroupLabel();
}

void AllTreeCtrl::OnUserChanged(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]AllTreeCtrl::OnUserChanged(%s)", this, user.GetName());
    const wxTreeItemId item = FindItem(user, m_onlineGroup, false);
    const int icon = IconFor(user.GetStatus());
    if (item.IsOk()) {
        SetItemImage(item, icon, wxTreeItemIcon_Normal);
        SetItemImage(item, icon, wxTreeItemIcon_Selected);
    }
    // The base table's handler stores the new user in the row.
    event.Skip();
}

void AllTreeCtrl::OnUserDeleted(UserEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]AllTreeCtrl::OnUserDeleted(%s)", this, event.GetUser().GetName());
    UserListTreeCtrl::OnUserDeleted(event);
    UpdateGroupLabel();
}
