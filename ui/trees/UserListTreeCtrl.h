#pragma once

#include "core/UserEvent.h"
#include "core/UserListEvent.h"
#include "ui/trees/RowOrder.h"
#include "ui/trees/TreeAccessible.h"
#include "ui/trees/TypeAheadFind.h"
#include "ui/trees/UserRowIndex.h"

#include <wx/treectrl.h>

#include <functional>
#include <memory>

class wxImageList;

// The common base of the performer trees: every performer one row under the (hidden) root,
// the row lookup by name, and the "Profile" command that opens a performer's preview page,
// from the context menu of a user row, by activating the row or by Ctrl+O (the shortcut the
// toolkit shows beside "Profile", whose identifier is the stock "open"); where a handler is
// set, the menu also offers "When online...", and always the check item "Mute", which mutes or
// unmutes the performer's announcements (MutedPerformers). Shift+F10 and the Menu key open the
// context menu at the selected row. Typing a name's first letters selects the next row of such
// a name. With "/Trees/sortByName" the rows under each parent stay sorted by name,
// case-insensitively; otherwise they stay in their order of arrival. The derived trees put
// their own user-event handlers in front of these through their event tables.
class UserListTreeCtrl : public wxTreeCtrl {
public:
    enum { ID_PROFILE = 5000, ID_WHEN_ONLINE = 6100, ID_MUTE = 6101 };

    UserListTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY,
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                     long style = wxTR_DEFAULT_STYLE,
                     const wxValidator& validator = wxDefaultValidator,
                     const wxString& name = wxTreeCtrlNameStr);

    // The first user row below parent whose name equals the user's exactly, searching a
    // child's subtree (when recursive) before the child itself; invalid when there is none.
    // A name held by one row only is answered from the index of rows by name.
    wxTreeItemId FindItem(const User& user, const wxTreeItemId& parent, bool recursive) const;

    // Every way a row's data enters or leaves the tree keeps the index in step.
    void SetItemData(const wxTreeItemId& item, wxTreeItemData* data) override;
    // A new text reaches the screen reader too.
    void SetItemText(const wxTreeItemId& item, const wxString& text) override;

    // "When online..." in the context menu calls handler with the row's performer; an empty
    // handler takes the item out of the menu.
    void SetWhenOnlineHandler(const std::function<void(const wxString&)>& handler) {
        m_whenOnline = handler;
    }

    // Sorts the rows now and keeps every later one in its place; off, new rows come last.
    void SetSortByName(bool sorted);
    bool IsSortedByName() const { return m_sortByName; }

    // The preview page of a performer, the name appended as it is.
    static wxString PreviewAddress(const wxString& name);

protected:
    // A user row under parent: last, or in its place by name when sorted.
    wxTreeItemId AddUserRow(const wxTreeItemId& parent, const User& user, int image);
    int OnCompareItems(const wxTreeItemId& first, const wxTreeItemId& second) override;

    wxTreeItemId DoInsertItem(const wxTreeItemId& parent, size_t previous, const wxString& text,
                              int image, int selectedImage, wxTreeItemData* data) override;

    // Adds the skin picture to the list; -1 when the skin does not have it (the list refuses
    // an invalid bitmap).
    static int AddSkinImage(wxImageList* images, const wxString& key);
    // The icon of an online performer: free wins over busy, online without either is free;
    // -1 when neither flag nor online is set.
    static int OnlineIcon(unsigned long status, int freeIcon, int busyIcon);

    void OnMenu(wxCommandEvent& event);
    void OnTreeItemActivated(wxTreeEvent& event);
    void OnTreeItemRightClick(wxTreeEvent& event);
    void OnTreeItemDeleted(wxTreeEvent& event);
    void OnTreeKeyDown(wxTreeEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserListInitialized(UserListEvent& event);

private:
    // The depth-first walk that defines which row FindItem answers.
    wxTreeItemId FindItemByWalk(const wxString& name, const wxTreeItemId& parent,
                                bool recursive) const;
    bool IsBelow(const wxTreeItemId& item, const wxTreeItemId& parent, bool recursive) const;
    void IndexRow(wxTreeItemData* data);
    // Sorts the user rows below parent and records their order.
    void SortBelow(const wxTreeItemId& parent);
    // The first user row after from (from itself too, when inclusive) in the order the tree
    // shows them, wrapping around, whose name the typed prefix begins.
    wxTreeItemId NextMatch(const wxTreeItemId& from, bool inclusive) const;
    // The menu of a user row, at where (client coordinates); nothing for other rows.
    void ShowContextMenu(const wxTreeItemId& item, const wxPoint& where);

    UserRowIndex m_rows;
    bool m_sortByName = false;
    RowOrder m_order;
    TypeAheadFind m_find;
    std::unique_ptr<TreeAccessible> m_accessible;
    std::function<void(const wxString&)> m_whenOnline;

    wxDECLARE_EVENT_TABLE();
};
