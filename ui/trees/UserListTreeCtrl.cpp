#include "ui/trees/UserListTreeCtrl.h"

#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "resources/Util.h"
#include "ui/trees/UserListTreeItemData.h"

#include <wx/imaglist.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/utils.h>

// clang-format off
wxBEGIN_EVENT_TABLE(UserListTreeCtrl, wxTreeCtrl)
    EVT_MENU(UserListTreeCtrl::ID_PROFILE, UserListTreeCtrl::OnMenu)
    EVT_MENU(UserListTreeCtrl::ID_WHEN_ONLINE, UserListTreeCtrl::OnMenu)
    EVT_TREE_ITEM_ACTIVATED(wxID_ANY, UserListTreeCtrl::OnTreeItemActivated)
    EVT_TREE_ITEM_RIGHT_CLICK(wxID_ANY, UserListTreeCtrl::OnTreeItemRightClick)
    EVT_USER_ADDED(UserListTreeCtrl::OnUserAdded)
    EVT_USER_CHANGED(UserListTreeCtrl::OnUserChanged)
    EVT_USER_DELETED(UserListTreeCtrl::OnUserDeleted)
    EVT_USER_LIST_INITIALIZED(UserListTreeCtrl::OnUserListInitialized)
wxEND_EVENT_TABLE();
// clang-format on

UserListTreeCtrl::UserListTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                   const wxSize& size, long style, const wxValidator& validator,
                                   const wxString& name)
    : wxTreeCtrl(parent, id, pos, size, style, validator, name) {
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::UserListTreeCtrl()", this);
    AddRoot(wxEmptyString, -1, -1, nullptr);
    m_accessible = std::make_unique<TreeAccessible>(this);
}

// Rows of one name are rare (only a repeated list adds them), so the index answers almost
// every lookup; with several rows of the name, the walk decides which comes first.
wxTreeItemId UserListTreeCtrl::FindItem(const User& user, const wxTreeItemId& parent,
                                        bool recursive) const {
    const std::vector<UserListTreeItemData*>& rows = m_rows.RowsNamed(user.GetName());
    if (rows.empty())
        return wxTreeItemId();
    if (rows.size() == 1) {
        const wxTreeItemId item = rows.front()->GetId();
        return IsBelow(item, parent, recursive) ? item : wxTreeItemId();
    }
    return FindItemByWalk(user.GetName(), parent, recursive);
}

wxTreeItemId UserListTreeCtrl::FindItemByWalk(const wxString& name, const wxTreeItemId& parent,
                                              bool recursive) const {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = GetFirstChild(parent, cookie); child.IsOk();
         child = GetNextChild(parent, cookie)) {
        if (recursive && ItemHasChildren(child)) {
            const wxTreeItemId found = FindItemByWalk(name, child, true);
            if (found.IsOk())
                return found;
        }
        const auto* data = static_cast<const UserListTreeItemData*>(GetItemData(child));
        if (data && data->GetUser().GetName() == name)
            return child;
    }
    return wxTreeItemId();
}

// Whether the walk from parent reaches item: a direct child, or (recursive) any descendant.
bool UserListTreeCtrl::IsBelow(const wxTreeItemId& item, const wxTreeItemId& parent,
                               bool recursive) const {
    wxTreeItemId up = GetItemParent(item);
    if (!recursive)
        return up.IsOk() && up == parent;
    for (; up.IsOk(); up = GetItemParent(up)) {
        if (up == parent)
            return true;
    }
    return false;
}

void UserListTreeCtrl::IndexRow(wxTreeItemData* data) {
    if (auto* row = dynamic_cast<UserListTreeItemData*>(data))
        m_rows.Add(row);
}

// Every insertion (append, prepend, insert after a sibling) ends here in the toolkit's tree.
wxTreeItemId UserListTreeCtrl::DoInsertItem(const wxTreeItemId& parent, size_t previous,
                                            const wxString& text, int image, int selectedImage,
                                            wxTreeItemData* data) {
    const wxTreeItemId item =
        wxTreeCtrl::DoInsertItem(parent, previous, text, image, selectedImage, data);
    if (item.IsOk()) {
        IndexRow(data);
        m_accessible->Inserted(item);
    }
    return item;
}

// The toolkit hands a replaced data object back to the caller: it leaves the index here.
void UserListTreeCtrl::SetItemData(const wxTreeItemId& item, wxTreeItemData* data) {
    if (auto* old = dynamic_cast<UserListTreeItemData*>(GetItemData(item)))
        m_rows.Remove(old, old->GetUser().GetName());
    wxTreeCtrl::SetItemData(item, data);
    IndexRow(data);
}

void UserListTreeCtrl::SetItemText(const wxTreeItemId& item, const wxString& text) {
    wxTreeCtrl::SetItemText(item, text);
    m_accessible->TextChanged(item);
}

wxString UserListTreeCtrl::PreviewAddress(const wxString& name) {
    return SiteEndpoints::PreviewUrl("/preview.shtml?" + name);
}

int UserListTreeCtrl::OnlineIcon(unsigned long status, int freeIcon, int busyIcon) {
    if (status & User::FREE)
        return freeIcon;
    if ((status & User::ONLINE) && (status & User::BUSY))
        return busyIcon;
    if (status & User::ONLINE)
        return freeIcon;
    if (status & User::BUSY)
        return busyIcon;
    return -1;
}

int UserListTreeCtrl::AddSkinImage(wxImageList* images, const wxString& key) {
    const ImageStore* store = ImageStore::GetInstance();
    if (!store)
        return -1;
    const wxBitmap bitmap = store->GetBitmap(key);
    if (!bitmap.IsOk())
        return -1;
    return images->Add(bitmap);
}

void UserListTreeCtrl::OnMenu(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnMenu(%d)", this, event.GetId());
    if (event.GetId() != ID_PROFILE && event.GetId() != ID_WHEN_ONLINE)
        return;
    // The toolkit's tree answers its current row even after everything was unselected.
    const wxTreeItemId selection = GetSelection();
    if (!selection.IsOk() || !IsSelected(selection))
        return;
    const auto* data = static_cast<const UserListTreeItemData*>(GetItemData(selection));
    if (!data)
        return;
    if (event.GetId() == ID_PROFILE)
        Util::LaunchBrowser(PreviewAddress(data->GetUser().GetName()));
    else if (m_whenOnline)
        m_whenOnline(data->GetUser().GetName());
}

void UserListTreeCtrl::OnTreeItemActivated(wxTreeEvent&) {
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnTreeItemActivated()", this);
    wxCommandEvent profile(wxEVT_MENU, ID_PROFILE);
    Command(profile);
}

void UserListTreeCtrl::OnTreeItemRightClick(wxTreeEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnTreeItemRightClick()", this);
    const wxTreeItemId item = event.GetItem();
    if (!item.IsOk() || !GetItemData(item))
        return;
    wxMenu menu(wxEmptyString, 0);
    menu.Append(ID_PROFILE, _("Profile"), wxEmptyString);
    if (m_whenOnline)
        menu.Append(ID_WHEN_ONLINE, _("When online..."), wxEmptyString);
    PopupMenu(&menu, ScreenToClient(wxGetMousePosition()));
}

void UserListTreeCtrl::OnUserAdded(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnUserAdded(%s)", this, user.GetName());
    AppendItem(GetRootItem(), user.GetName(), -1, -1, new UserListTreeItemData(user));
}

void UserListTreeCtrl::OnUserChanged(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnUserChanged(%s)", this, user.GetName());
    const wxTreeItemId item = FindItem(user, GetRootItem(), true);
    if (item.IsOk())
        static_cast<UserListTreeItemData*>(GetItemData(item))->SetUser(user);
}

void UserListTreeCtrl::OnUserDeleted(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnUserDeleted(%s)", this, user.GetName());
    const wxTreeItemId item = FindItem(user, GetRootItem(), true);
    if (item.IsOk())
        Delete(item);
}

// Each user goes through this tree's own ProcessEvent, so the most-derived add handler
// builds its row.
void UserListTreeCtrl::OnUserListInitialized(UserListEvent& event) {
    const UserList& list = event.GetUserList();
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnUserListInitialized(%zu)", this, list.size());
    for (const auto& entry : list) {
        UserEvent added(entry.second, wxEVT_USER_ADDED, UserEvent::NO_OLD_STATUS);
        ProcessEvent(added);
    }
}
