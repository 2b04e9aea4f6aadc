#include "ui/trees/UserListTreeCtrl.h"

#include "core/SiteEndpoints.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "resources/Util.h"
#include "ui/announce/MutedPerformers.h"
#include "ui/trees/UserListTreeItemData.h"

#include <wx/accel.h>
#include <wx/imaglist.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <vector>

// clang-format off
wxBEGIN_EVENT_TABLE(UserListTreeCtrl, wxTreeCtrl)
    EVT_MENU(UserListTreeCtrl::ID_PROFILE, UserListTreeCtrl::OnMenu)
    EVT_MENU(UserListTreeCtrl::ID_WHEN_ONLINE, UserListTreeCtrl::OnMenu)
    EVT_MENU(UserListTreeCtrl::ID_MUTE, UserListTreeCtrl::OnMenu)
    EVT_TREE_ITEM_ACTIVATED(wxID_ANY, UserListTreeCtrl::OnTreeItemActivated)
    EVT_TREE_ITEM_RIGHT_CLICK(wxID_ANY, UserListTreeCtrl::OnTreeItemRightClick)
    EVT_TREE_DELETE_ITEM(wxID_ANY, UserListTreeCtrl::OnTreeItemDeleted)
    EVT_TREE_KEY_DOWN(wxID_ANY, UserListTreeCtrl::OnTreeKeyDown)
    EVT_KEY_DOWN(UserListTreeCtrl::OnKeyDown)
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
    m_sortByName = ImageStore::GetConfig()->ReadBool("/Trees/sortByName", false);
    wxAcceleratorEntry open(wxACCEL_CTRL, 'O', ID_PROFILE);
    SetAcceleratorTable(wxAcceleratorTable(1, &open));
    m_accessible = std::make_unique<TreeAccessible>(this);
}

void UserListTreeCtrl::SetSortByName(bool sorted) {
    if (sorted == m_sortByName)
        return;
    m_sortByName = sorted;
    m_order.Clear();
    if (sorted)
        SortBelow(GetRootItem());
}

void UserListTreeCtrl::SortBelow(const wxTreeItemId& parent) {
    SortChildren(parent);
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = GetFirstChild(parent, cookie); child.IsOk();
         child = GetNextChild(parent, cookie)) {
        if (const auto* data = dynamic_cast<const UserListTreeItemData*>(GetItemData(child)))
            m_order.Add(parent, data->GetUser().GetName(), child);
        if (ItemHasChildren(child))
            SortBelow(child);
    }
}

// Group rows (no user) keep their places before the user rows.
int UserListTreeCtrl::OnCompareItems(const wxTreeItemId& first, const wxTreeItemId& second) {
    const auto* a = dynamic_cast<const UserListTreeItemData*>(GetItemData(first));
    const auto* b = dynamic_cast<const UserListTreeItemData*>(GetItemData(second));
    if (!a || !b)
        return (a ? 1 : 0) - (b ? 1 : 0);
    return a->GetUser().GetName().Lower().compare(b->GetUser().GetName().Lower());
}

wxTreeItemId UserListTreeCtrl::AddUserRow(const wxTreeItemId& parent, const User& user, int image) {
    auto* data = new UserListTreeItemData(user);
    if (!m_sortByName)
        return AppendItem(parent, user.GetName(), image, image, data);
    const wxTreeItemId previous = m_order.PreviousOf(parent, user.GetName());
    // Parents of user rows hold nothing else: a row that comes first goes first.
    const wxTreeItemId item = previous.IsOk()
                                  ? InsertItem(parent, previous, user.GetName(), image, image, data)
                                  : PrependItem(parent, user.GetName(), image, image, data);
    m_order.Add(parent, user.GetName(), item);
    return item;
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
    if (event.GetId() != ID_PROFILE && event.GetId() != ID_WHEN_ONLINE && event.GetId() != ID_MUTE)
        return;
    // The toolkit's tree answers its current row even after everything was unselected.
    const wxTreeItemId selection = GetSelection();
    if (!selection.IsOk() || !IsSelected(selection))
        return;
    const auto* data = static_cast<const UserListTreeItemData*>(GetItemData(selection));
    if (!data)
        return;
    const wxString& name = data->GetUser().GetName();
    if (event.GetId() == ID_PROFILE)
        Util::LaunchBrowser(PreviewAddress(name));
    else if (event.GetId() == ID_MUTE)
        // From the file, not the menu's mark: the command may come from elsewhere.
        MutedPerformers::SetMuted(name, !MutedPerformers::IsMuted(name));
    else if (m_whenOnline)
        m_whenOnline(name);
}

void UserListTreeCtrl::OnTreeItemActivated(wxTreeEvent&) {
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnTreeItemActivated()", this);
    wxCommandEvent profile(wxEVT_MENU, ID_PROFILE);
    Command(profile);
}

void UserListTreeCtrl::OnTreeItemRightClick(wxTreeEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnTreeItemRightClick()", this);
    ShowContextMenu(event.GetItem(), ScreenToClient(wxGetMousePosition()));
}

// The keyboard's ways to the context menu; the toolkit's tree knows neither.
void UserListTreeCtrl::OnKeyDown(wxKeyEvent& event) {
    const bool menuKey = event.GetKeyCode() == WXK_MENU && event.GetModifiers() == wxMOD_NONE;
    const bool shiftF10 = event.GetKeyCode() == WXK_F10 && event.GetModifiers() == wxMOD_SHIFT;
    const wxTreeItemId selection = GetSelection();
    wxRect row;
    if (!(menuKey || shiftF10) || !selection.IsOk() || !IsSelected(selection) ||
        !GetBoundingRect(selection, row, true)) {
        event.Skip();
        return;
    }
    ShowContextMenu(selection, row.GetBottomLeft());
}

void UserListTreeCtrl::ShowContextMenu(const wxTreeItemId& item, const wxPoint& where) {
    if (!item.IsOk() || !GetItemData(item))
        return;
    wxMenu menu(wxEmptyString, 0);
    menu.Append(ID_PROFILE, _("Profile"), wxEmptyString);
    if (m_whenOnline)
        menu.Append(ID_WHEN_ONLINE, _("When online..."), wxEmptyString);
    const auto* data = static_cast<const UserListTreeItemData*>(GetItemData(item));
    const wxString& name = data->GetUser().GetName();
    menu.AppendCheckItem(ID_MUTE, _("Mute"), wxEmptyString);
    menu.Check(ID_MUTE, MutedPerformers::IsMuted(name));
    // A name that cannot be kept in the settings cannot be muted.
    menu.Enable(ID_MUTE, !MutedPerformers::KeyOf(name).empty());
    PopupMenu(&menu, where);
}

void UserListTreeCtrl::OnTreeItemDeleted(wxTreeEvent& event) {
    if (!m_order.IsEmpty())
        m_order.Remove(event.GetItem());
    event.Skip();
}

// Letters find rows; every other key (and a space that starts nothing) is the tree's own.
void UserListTreeCtrl::OnTreeKeyDown(wxTreeEvent& event) {
    const wxKeyEvent& key = event.GetKeyEvent();
    const wxUniChar letter = key.GetUnicodeKey();
    const bool typing = m_find.IsTyping();
    if (key.HasModifiers() || letter == WXK_NONE || !wxIsprint(letter) ||
        (letter == ' ' && !typing)) {
        event.Skip();
        return;
    }
    m_find.Type(letter);
    // A longer prefix may still fit the row it found; a fresh one looks past it.
    const wxTreeItemId found = NextMatch(GetFocusedItem(), typing);
    if (!found.IsOk())
        return;
    SelectItem(found);
    EnsureVisible(found);
}

wxTreeItemId UserListTreeCtrl::NextMatch(const wxTreeItemId& from, bool inclusive) const {
    std::vector<wxTreeItemId> rows;
    std::function<void(const wxTreeItemId&)> walk = [&](const wxTreeItemId& parent) {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = GetFirstChild(parent, cookie); child.IsOk();
             child = GetNextChild(parent, cookie)) {
            if (GetItemData(child))
                rows.push_back(child);
            if (ItemHasChildren(child))
                walk(child);
        }
    };
    walk(GetRootItem());
    size_t start = 0;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i] == from)
            start = inclusive ? i : i + 1;
    for (size_t step = 0; step < rows.size(); ++step) {
        const wxTreeItemId row = rows[(start + step) % rows.size()];
        const auto* data = static_cast<const UserListTreeItemData*>(GetItemData(row));
        if (m_find.Matches(data->GetUser().GetName()))
            return row;
    }
    return wxTreeItemId();
}

void UserListTreeCtrl::OnUserAdded(UserEvent& event) {
    const User& user = event.GetUser();
    wxLogTrace(ROD_TRACE, "[%p]UserListTreeCtrl::OnUserAdded(%s)", this, user.GetName());
    AddUserRow(GetRootItem(), user, -1);
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
