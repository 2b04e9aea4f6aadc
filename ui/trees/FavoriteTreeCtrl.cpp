#include "ui/trees/FavoriteTreeCtrl.h"

#include "resources/Trace.h"
#include "ui/trees/UserListTreeItemData.h"

#include <wx/imaglist.h>
#include <wx/log.h>

// clang-format off
wxBEGIN_EVENT_TABLE(FavoriteTreeCtrl, UserListTreeCtrl)
    EVT_USER_LIST_INITIALIZED(FavoriteTreeCtrl::OnUserListInitialized)
    EVT_USER_ADDED(FavoriteTreeCtrl::OnUserAdded)
    EVT_USER_DELETED(FavoriteTreeCtrl::OnUserDeleted)
    EVT_USER_CHANGED(FavoriteTreeCtrl::OnUserStatusChanged)
wxEND_EVENT_TABLE();
// clang-format on

FavoriteTreeCtrl::FavoriteTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                   const wxSize& size, long style, const wxValidator& validator,
                                   const wxString& name)
    : UserListTreeCtrl(parent, id, pos, size, style, validator, name) {
    wxLogTrace(ROD_TRACE, "[%p]FavoriteTreeCtrl::FavoriteTreeCtrl()", this);
    auto* images = new wxImageList(16, 16, true, 1);
    m_offlineIcon = AddSkinImage(images, "UserListTreeCtrl_offlineIcon");
    m_freeIcon = AddSkinImage(images, "UserListTreeCtrl_freeIcon");
    m_busyIcon = AddSkinImage(images, "UserListTreeCtrl_busyIcon");
    AssignImageList(images);
}

void FavoriteTreeCtrl::CreateGroups() {
    wxLogTrace(ROD_TRACE, "[%p]FavoriteTreeCtrl::CreateGroups()", this);
    // A second set of groups would leave the first one orphaned and never updated.
    if (m_onlineGroup.IsOk())
        return;
    wxImageList* images = GetImageList();
    const int onlineGroupIcon = AddSkinImage(images, "UserListTreeCtrl_onlineGroupIcon");
    const int offlineGroupIcon = AddSkinImage(images, "UserListTreeCtrl_offlineGroupIcon");

    const wxString loading = _("Loading");
    m_onlineLabel = _("Online");
    m_onlineGroup = AppendItem(GetRootItem(), wxString::Format("%s (%s)", m_onlineLabel, loading),
                               onlineGroupIcon, onlineGroupIcon, nullptr);
    m_offlineLabel = _("Offline");
    m_offlineGroup = AppendItem(GetRootItem(), wxString::Format("%s (%s)", m_offlineLabel, loading),
                                offlineGroupIcon, offlineGroupIcon, nullptr);
}

void FavoriteTreeCtrl::UpdateGroupLabels() {
    if (!m_onlineGroup.IsOk())
        return;
    SetItemText(m_onlineGroup,
                wxString::Format("%s (%d)", m_onlineLabel,
                                 static_cast<int>(GetChildrenCount(m_onlineGroup, true))));
    SetItemText(m_offlineGroup,
                wxString::Format("%s (%d)", m_offlineLabel,
                                 static_cast<int>(GetChildrenCount(m_offlineGroup, true))));
    if (m_onlineChanged)
        m_onlineChanged();
}

wxArrayString FavoriteTreeCtrl::GetOnlineNames() const {
    wxArrayString names;
    if (!m_onlineGroup.IsOk())
        return names;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = GetFirstChild(m_onlineGroup, cookie); child.IsOk();
         child = GetNextChild(m_onlineGroup, cookie))
        names.Add(GetItemText(child));
    return names;
}

// Status 0 is a favourite known to be offline; otherwise free wins over busy.
int FavoriteTreeCtrl::IconFor(unsigned long status) const {
    if (status == 0)
        return m_offlineIcon;
    return OnlineIcon(status, m_freeIcon, m_busyIcon);
}

void FavoriteTreeCtrl::OnUserListInitialized(UserListEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]FavoriteTreeCtrl::OnUserListInitialized(%zu)", this,
               event.GetUserList().size());
    // A list that arrives before the groups were made would have nowhere to go.
    if (!m_onlineGroup.IsOk())
        CreateGroups();
    DeleteChildren(m_onlineGroup);
    DeleteChildren(m_offlineGroup);
    m_favorites = event.GetUserList();
    for (const auto& entry : m_favorites) {
        UserEvent changed(entry.second, wxEVT_USER_CHANGED, 0);
        ProcessEvent(changed);
    }
    UpdateGroupLabels();
    Expand(m_onlineGroup);
    Expand(m_offlineGroup);
}

// A favourite came online: a move from offline.
void FavoriteTreeCtrl::OnUserAdded(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]FavoriteTreeCtrl::OnUserAdded(%s)", this, user.GetName());
    if (!m_favorites.FindUser(user.GetName()))
        return;
    UserEvent changed(user, wxEVT_USER_CHANGED, 0);
    ProcessEvent(changed);
}

// A favourite left the site: a move to offline, from the status it last had.
void FavoriteTreeCtrl::OnUserDeleted(UserEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]FavoriteTreeCtrl::OnUserDeleted(%s)", this,
               event.GetUser().GetName());
    if (!m_favorites.FindUser(event.GetUser().GetName()))
        return;
    User offline(event.GetUser());
    const unsigned long oldStatus = offline.GetStatus();
    offline.SetStatus(0);
    UserEvent changed(offline, wxEVT_USER_CHANGED, oldStatus);
    ProcessEvent(changed);
}

void FavoriteTreeCtrl::OnUserStatusChanged(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]FavoriteTreeCtrl::OnUserStatusChanged(%s)", this, user.GetName());
    if (!m_favorites.FindUser(user.GetName()))
        return;
    const unsigned long status = user.GetStatus();
    const unsigned long oldStatus = event.GetOldStatus();
    const int icon = IconFor(status);

    wxTreeItemId stale;
    if (oldStatus == 0 && (status & User::ONLINE))
        stale = FindItem(user, m_offlineGroup, false);
    else if ((oldStatus & User::ONLINE) && status == 0)
        stale = FindItem(user, m_onlineGroup, false);
    if (stale.IsOk())
        Delete(stale);

    wxTreeItemId item = FindItem(user, GetRootItem(), true);
    if (item.IsOk()) {
        SetItemImage(item, icon, wxTreeItemIcon_Normal);
        SetItemImage(item, icon, wxTreeItemIcon_Selected);
    } else {
        if (status == 0)
            item = AddUserRow(m_offlineGroup, user, icon);
        else if (status & User::ONLINE)
            item = AddUserRow(m_onlineGroup, user, icon);
        UpdateGroupLabels();
    }
    if (item.IsOk())
        static_cast<UserListTreeItemData*>(GetItemData(item))->SetUser(user);
}
